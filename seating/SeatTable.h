#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelmora {

// Every desk of the classroom: the roster position of the student seated there
// (0: empty) and the name shown on the desk. Both change together, so a desk's
// text is empty exactly when its entry is 0. Indexed column first, then row,
// both from 0; only the part inside the grid size is shown or written.
class SeatTable {
public:
    static constexpr int kSize = 100;

    SeatTable();

    static bool inRange(int column, int row) { return column >= 0 && column < kSize && row >= 0 && row < kSize; }

    std::int32_t entry(int column, int row) const { return entries_[index(column, row)]; }
    const std::string& text(int column, int row) const { return texts_[index(column, row)]; }

    // Seats a student; an empty name or position 0 empties the desk instead,
    // so the two halves never disagree.
    void seat(int column, int row, std::string name, std::int32_t position);
    void empty(int column, int row);

    friend bool operator==(const SeatTable&, const SeatTable&) = default;

private:
    static std::size_t index(int column, int row);
    std::array<std::int32_t, kSize * kSize> entries_{};
    std::vector<std::string> texts_;
};

} // namespace kelmora
