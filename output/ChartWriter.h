#pragma once
#include "roster/Seito.h"
#include "seating/Room.h"
#include "seating/SeatTable.h"

#include <string>
#include <string_view>

namespace kelmora {

// What a chart is made of. Texts are code page 932 bytes.
struct ChartInput {
    const SeatTable& seats;
    int columns; // the seat grid's column count, 1..12
    int rows;    // the seat grid's row count, 1..12
    const RosterTable& roster;
    std::string_view title; // the teacher may write LaTeX in it (LatexTitle)
    GroupShape groups = {}; // 班, drawn with thick rules between them; none leaves the chart as it always was
};

// The plain two-page chart (48 + 2R lines, CR LF after each): full names.
// A chart with characters outside JIS X 0208 (SpellOutsideJis) has one line more,
// "\usepackage{otf}" after the \documentclass line.
std::string WriteSeatingChart(const ChartInput& in);
// The same chart with kana readings over family and given names (58 + 2R lines, or one more).
std::string WriteRubySeatingChart(const ChartInput& in);

enum class ChartKind { Plain, Ruby };
// Ruby only for a roster of six or more columns with "ルビ付き" checked;
// every other roster gets the plain chart.
ChartKind ChooseChart(int columnCount, bool rubyChecked);

} // namespace kelmora
