#include "seating/SeatTable.h"

#include <cassert>

namespace kelmora {

SeatTable::SeatTable() : texts_(static_cast<std::size_t>(kSize) * kSize) {}

std::size_t SeatTable::index(int column, int row)
{
    assert(inRange(column, row));
    return static_cast<std::size_t>(column) * kSize + static_cast<std::size_t>(row);
}

void SeatTable::seat(int column, int row, std::string name, std::int32_t position)
{
    if (name.empty() || position == 0) {
        empty(column, row);
        return;
    }
    entries_[index(column, row)] = position;
    texts_[index(column, row)] = std::move(name);
}

void SeatTable::empty(int column, int row)
{
    entries_[index(column, row)] = 0;
    texts_[index(column, row)].clear();
}

} // namespace kelmora
