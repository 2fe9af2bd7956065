#pragma once
// The classroom beyond its desks: the 班 (the room cut into blocks of desks) and
// the side the windows are on. Plain rules a chart, a grid and a draft can all
// read: which block each desk belongs to, where the blocks meet, which column is
// by the windows.
#include <vector>

namespace kelmora {

// The largest room a grid can be (columns and rows).
constexpr int kMaxGroupSide = 12;

// 班の形: blocks of `width` × `height` desks. A width or height of 0 means no 班.
// Blocks are laid from the teacher's desk backwards (row rows - 1 first) and from
// the left of the grid as drawn; the last blocks of a row of blocks (on the right)
// and of a column of blocks (at the back) are smaller when the room does not divide.
struct GroupShape {
    int width = 0;
    int height = 0;

    bool none() const { return width <= 0 || height <= 0; }
    friend bool operator==(const GroupShape&, const GroupShape&) = default;
};

// The shape as it can be drawn on a room of columns × rows: none stays none, a
// block is cut to the room (a block larger than the room is the whole room).
GroupShape FitGroupShape(GroupShape shape, int columns, int rows);

// How many 班 the room holds; 0 without 班.
int GroupCount(GroupShape shape, int columns, int rows);

// The 班 of each desk, desks numbered row by row as a draft numbers them (desk =
// row * columns + column). 班 are numbered from 0 at the front left, along the
// front row of blocks first. Empty without 班.
std::vector<int> GroupOfDesks(GroupShape shape, int columns, int rows);

// Whether a 班 border runs between column `column` and column + 1 (between row
// `row` and row + 1). Never at the room's outer edge, and never without 班.
bool GroupBorderRightOf(GroupShape shape, int columns, int column);
bool GroupBorderBelow(GroupShape shape, int rows, int row);

// The side of the grid, as drawn with the teacher's desk below, that the windows
// are on. Pupils face the teacher's desk, so the pupils' left is the grid's right,
// which is where most classrooms have their windows.
enum class WindowSide { Right, Left };

// The column by the windows: the last one for Right, the first for Left.
int WindowColumn(WindowSide side, int columns);

} // namespace kelmora
