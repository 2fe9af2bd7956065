#pragma once
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

    static bool inRange(int column, int row) { return column >= 0 && column < kSize && row >= 0 && row < kSize; }

    std::int32_t entry(int column, int row) const;
    const std::string& text(int column, int row) const;

    // Seats a student; an empty name or position 0 empties the desk instead,
    // so the two halves never disagree.
    void seat(int column, int row, std::string name, std::int32_t position);
    void empty(int column, int row);

    // Equal when every desk holds the same student under the same text.
    friend bool operator==(const SeatTable& a, const SeatTable& b);

private:
    struct Desk {
        std::int32_t entry = 0;
        std::string text;
        friend bool operator==(const Desk&, const Desk&) = default;
    };
    static std::size_t index(int column, int row);
    bool allEmpty() const;

    // Made when the first student is seated: the program keeps two tables (the
    // present one and the saved one), and an empty classroom need not cost
    // ten thousand desks each.
    std::vector<Desk> desks_;
};

} // namespace kelmora
