#pragma once
#include "roster/StudentList.h"
#include "seating/CutQueue.h"
#include "seating/SeatTable.h"

#include <optional>

namespace kelmora {

enum class MouseButton { Left, Right, Middle };

// A mouse-up on the student list, acting on its current row (the name column).
// Ctrl with the left button cuts the name to the back of the queue and empties
// the cell. Returns true when something was cut.
bool StudentListMouseUp(StudentList& list, int currentRow, CutQueue& queue, MouseButton button, bool ctrl);

enum class SeatAction { None, Cut, Paste };

// A mouse-up on the seat grid, acting on its current cell (column, row).
// Ctrl with the left button cuts the desk's name and position to the back of the
// queue; a plain left click on an empty desk pastes the front of the queue there.
// An occupied desk is never overwritten.
SeatAction SeatGridMouseUp(SeatTable& seats, int column, int row, CutQueue& queue, MouseButton button, bool ctrl);

// Empties every desk inside the grid size; desks outside it keep their names.
void ClearSeats(SeatTable& seats, int columns, int rows);

// Leaves the header row and one empty row.
void ClearStudentList(StudentList& list);

// The teacher's desk blinks while names wait.
enum class DeskColour { Red, Navy };
// One timer tick: nullopt (keep the colour) when the queue is empty, otherwise
// the colour to show. The counter is reset at 1000 and counts every blinking tick.
std::optional<DeskColour> BlinkStep(int& counter, const CutQueue& queue);

} // namespace kelmora
