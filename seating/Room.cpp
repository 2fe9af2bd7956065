#include "seating/Room.h"

#include <algorithm>

namespace kelmora {

namespace {

bool roomOk(int columns, int rows)
{
    return columns >= 1 && rows >= 1 && columns <= kMaxGroupSide && rows <= kMaxGroupSide;
}

// The block column of a column, and the block row of a row counted from the front.
int blockColumn(GroupShape s, int column)
{
    return column / s.width;
}

int blockRow(GroupShape s, int rows, int row)
{
    return (rows - 1 - row) / s.height;
}

int ceilDiv(int a, int b)
{
    return (a + b - 1) / b;
}

} // namespace

GroupShape FitGroupShape(GroupShape shape, int columns, int rows)
{
    if (shape.none() || !roomOk(columns, rows))
        return {};
    return {std::min(shape.width, columns), std::min(shape.height, rows)};
}

int GroupCount(GroupShape shape, int columns, int rows)
{
    const GroupShape s = FitGroupShape(shape, columns, rows);
    return s.none() ? 0 : ceilDiv(columns, s.width) * ceilDiv(rows, s.height);
}

std::vector<int> GroupOfDesks(GroupShape shape, int columns, int rows)
{
    const GroupShape s = FitGroupShape(shape, columns, rows);
    if (s.none())
        return {};
    const int across = ceilDiv(columns, s.width);
    std::vector<int> groups(static_cast<std::size_t>(columns * rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            groups[static_cast<std::size_t>(r * columns + c)] = blockRow(s, rows, r) * across + blockColumn(s, c);
    return groups;
}

bool GroupBorderRightOf(GroupShape shape, int columns, int column)
{
    const GroupShape s = FitGroupShape(shape, columns, 1);
    return !s.none() && column >= 0 && column + 1 < columns && (column + 1) % s.width == 0;
}

bool GroupBorderBelow(GroupShape shape, int rows, int row)
{
    const GroupShape s = FitGroupShape(shape, 1, rows);
    return !s.none() && row >= 0 && row + 1 < rows && blockRow(s, rows, row) != blockRow(s, rows, row + 1);
}

int WindowColumn(WindowSide side, int columns)
{
    return side == WindowSide::Right ? std::max(columns, 1) - 1 : 0;
}

} // namespace kelmora
