#include "seating/Placement.h"

namespace kelmora {

namespace {
constexpr int kNameColumn = 1;
}

bool StudentListMouseUp(StudentList& list, int currentRow, CutQueue& queue, MouseButton button, bool ctrl)
{
    if (button != MouseButton::Left || !ctrl)
        return false;
    if (currentRow < 1 || currentRow >= list.rowCount())
        return false;
    const std::string& name = list.cell(kNameColumn, currentRow);
    if (name.empty()) // already cut, or a roster without that name
        return false;
    // The row is the student's roster position.
    queue.append(name, currentRow);
    list.setCell(kNameColumn, currentRow, {});
    return true;
}

SeatAction SeatGridMouseUp(SeatTable& seats, int column, int row, CutQueue& queue, MouseButton button, bool ctrl)
{
    if (button != MouseButton::Left || !SeatTable::inRange(column, row))
        return SeatAction::None;
    if (ctrl) {
        if (seats.text(column, row).empty())
            return SeatAction::None;
        queue.append(seats.text(column, row), seats.entry(column, row));
        seats.empty(column, row);
        return SeatAction::Cut;
    }
    // Never overwrite or swap: an occupied desk must be cut first.
    if (!seats.text(column, row).empty() || queue.empty())
        return SeatAction::None;
    seats.seat(column, row, queue.frontName(), queue.frontPosition());
    queue.removeFront();
    return SeatAction::Paste;
}

void ClearSeats(SeatTable& seats, int columns, int rows)
{
    for (int c = 0; c < columns && c < SeatTable::kSize; ++c)
        for (int r = 0; r < rows && r < SeatTable::kSize; ++r)
            seats.empty(c, r);
}

void ClearStudentList(StudentList& list)
{
    for (int r = 1; r < list.rowCount(); ++r) {
        list.setCell(0, r, {});
        list.setCell(kNameColumn, r, {});
    }
    list.setRowCount(2);
}

std::optional<DeskColour> BlinkStep(int& counter, const CutQueue& queue)
{
    if (queue.empty())
        return std::nullopt;
    if (counter >= 1000)
        counter = 0;
    const DeskColour colour = counter % 2 == 0 ? DeskColour::Red : DeskColour::Navy;
    ++counter;
    return colour;
}

} // namespace kelmora
