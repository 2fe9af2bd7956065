#include "seating/SeatTable.h"

#include <algorithm>
#include <cassert>

namespace kelmora {

std::size_t SeatTable::index(int column, int row)
{
    assert(inRange(column, row));
    return static_cast<std::size_t>(column) * kSize + static_cast<std::size_t>(row);
}

std::int32_t SeatTable::entry(int column, int row) const
{
    const std::size_t i = index(column, row);
    return desks_.empty() ? 0 : desks_[i].entry;
}

const std::string& SeatTable::text(int column, int row) const
{
    static const std::string none;
    const std::size_t i = index(column, row);
    return desks_.empty() ? none : desks_[i].text;
}

void SeatTable::seat(int column, int row, std::string name, std::int32_t position)
{
    if (name.empty() || position == 0) {
        empty(column, row);
        return;
    }
    const std::size_t i = index(column, row);
    if (desks_.empty())
        desks_.resize(static_cast<std::size_t>(kSize) * kSize);
    desks_[i] = {position, std::move(name)};
}

void SeatTable::empty(int column, int row)
{
    const std::size_t i = index(column, row);
    if (!desks_.empty())
        desks_[i] = {};
}

bool SeatTable::allEmpty() const
{
    return std::all_of(desks_.begin(), desks_.end(), [](const Desk& d) { return d.entry == 0; });
}

bool operator==(const SeatTable& a, const SeatTable& b)
{
    if (a.desks_.empty() || b.desks_.empty())
        return a.allEmpty() && b.allEmpty();
    return a.desks_ == b.desks_;
}

} // namespace kelmora
