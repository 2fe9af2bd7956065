#include "seating/PlacementChange.h"

#include <algorithm>

namespace kelmora {

PlacementChange PlacementChange::Between(const PlacementSnapshot& before, const PlacementState& now)
{
    PlacementChange change;
    for (int c = 0; c < SeatTable::kSize; ++c)
        for (int r = 0; r < SeatTable::kSize; ++r)
            if (before.seats.entry(c, r) != now.seats.entry(c, r) || before.seats.text(c, r) != now.seats.text(c, r))
                change.deskChanged(c, r, before.seats.text(c, r), before.seats.entry(c, r), now.seats.text(c, r),
                                   now.seats.entry(c, r));

    // Rows beyond a list's end count as empty: that is what they hold when it grows back.
    const int rowsBefore = before.list.rowCount(), rowsAfter = now.list.rowCount();
    if (rowsBefore != rowsAfter) {
        change.rowCountBefore_ = rowsBefore;
        change.rowCountAfter_ = rowsAfter;
    }
    for (int r = 0; r < std::max(rowsBefore, rowsAfter); ++r) {
        const std::string& numberBefore = before.list.cell(0, r);
        const std::string& nameBefore = before.list.cell(1, r);
        const std::string& numberAfter = now.list.cell(0, r);
        const std::string& nameAfter = now.list.cell(1, r);
        if (numberBefore != numberAfter || nameBefore != nameAfter)
            change.rows_.push_back({r, false, numberBefore, nameBefore, numberAfter, nameAfter});
    }

    if (!(before.queue == now.queue)) {
        for (std::size_t i = 0; i < before.queue.size(); ++i)
            change.queuePopped(before.queue.names()[i], before.queue.positions()[i]);
        for (std::size_t i = 0; i < now.queue.size(); ++i)
            change.queuePushed(now.queue.names()[i], now.queue.positions()[i]);
    }
    return change;
}

void PlacementChange::deskChanged(int column, int row, std::string textBefore, std::int32_t entryBefore,
                                  std::string textAfter, std::int32_t entryAfter)
{
    desks_.push_back({column, row, std::move(textBefore), std::move(textAfter), entryBefore, entryAfter});
}

void PlacementChange::listNameChanged(int row, std::string before, std::string after)
{
    rows_.push_back({row, true, {}, std::move(before), {}, std::move(after)});
}

void PlacementChange::queuePopped(std::string name, std::int32_t position)
{
    popped_.push_back({std::move(name), position});
}

void PlacementChange::queuePushed(std::string name, std::int32_t position)
{
    pushed_.push_back({std::move(name), position});
}

bool PlacementChange::empty() const
{
    return desks_.empty() && rows_.empty() && rowCountBefore_ < 0 && popped_.empty() && pushed_.empty();
}

namespace {

void setRow(StudentList& list, int row, bool nameOnly, const std::string& number, const std::string& name)
{
    if (!nameOnly)
        list.setCell(0, row, number);
    list.setCell(1, row, name);
}

} // namespace

void PlacementChange::redo(const PlacementState& state) const
{
    for (const Desk& d : desks_)
        state.seats.seat(d.column, d.row, d.textAfter, d.entryAfter);
    if (rowCountAfter_ >= 0)
        state.list.setRowCount(rowCountAfter_);
    for (const ListRow& r : rows_)
        setRow(state.list, r.row, r.nameOnly, r.numberAfter, r.nameAfter);
    for (std::size_t i = 0; i < popped_.size(); ++i)
        state.queue.removeFront();
    for (const Queued& q : pushed_)
        state.queue.append(q.name, q.position);
}

void PlacementChange::undo(const PlacementState& state) const
{
    for (const Desk& d : desks_)
        state.seats.seat(d.column, d.row, d.textBefore, d.entryBefore);
    if (rowCountBefore_ >= 0)
        state.list.setRowCount(rowCountBefore_);
    for (const ListRow& r : rows_)
        setRow(state.list, r.row, r.nameOnly, r.numberBefore, r.nameBefore);
    for (std::size_t i = 0; i < pushed_.size(); ++i)
        state.queue.removeBack();
    for (auto it = popped_.rbegin(); it != popped_.rend(); ++it)
        state.queue.prepend(it->name, it->position);
}

} // namespace kelmora
