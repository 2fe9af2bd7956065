#pragma once
#include <string>
#include <string_view>

namespace kelmora {

// The grid size is chosen from 1 to 12 desk columns and rows.
constexpr int kMinDesks = 1;
constexpr int kMaxDesks = 12;

// A number box's text as a whole number. The boxes only ever hold what their spin
// buttons wrote; anything else is a program fault, reported by an exception.
int ParseWholeNumber(std::string_view text);

// The desk count shown beside the preview: columns x rows as decimal text.
std::string DeskCountText(int columns, int rows);

} // namespace kelmora
