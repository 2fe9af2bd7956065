#pragma once
#include "common/Sjis.h"
#include "output/ChartWriter.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <string>

namespace kelmora::testing {

using ::testing::sj;

// Everything a chart is written from, kept alive together.
struct ChartCase {
    RosterTable roster;
    std::unique_ptr<SeatTable> seats = std::make_unique<SeatTable>();
    int columns = 1;
    int rows = 1;
    std::string title;

    // Seats roster position `position` (any value, even one naming no record);
    // the desk shows the family name, as in the family-name mode.
    void place(int column, int row, std::int32_t position);
    ChartInput input() const { return {*seats, columns, rows, roster, title}; }
};

// The cases whose whole chart lies in data/<name>_plain.tex and data/<name>_ruby.tex.
QStringList referenceCaseNames();
ChartCase referenceCase(const QString& name);

// Student i (0..143) of a made-up school: twelve family names times twelve given names.
Seito generatedStudent(int i);
// A grid with every seat taken by a different student, in no simple order.
ChartCase filledCase(int columns, int rows);
// Names and readings full of LaTeX specials, all of which pLaTeX can print.
ChartCase typesettableSpecialsCase();
// Names, readings and a title with characters pLaTeX has no glyph for in code
// page 932 (髙 﨑 德 瀨 黑 ① ㈱) and one that JIS X 0208 has under other bytes (≒).
ChartCase outsideJisCase();
// Names with < > | ", which the text font prints otherwise, and a title in
// half-width katakana.
ChartCase printedAsTypedCase();

} // namespace kelmora::testing
