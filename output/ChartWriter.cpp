#include "output/ChartWriter.h"

#include "output/LatexText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kelmora {

namespace {

// The Japanese lines are code page 932 bytes; the text each one spells stands
// above it. Every double-byte character is escaped whole, and a literal is split
// where an escape would otherwise swallow a following hex digit.

// %% 座席表作成システム『Kelmora』 Ver.2.01
constexpr std::string_view kHeadLine =
    "%% \x8D\xC0\x90\xC8\x95\x5C\x8D\xEC\x90\xAC\x83\x56\x83\x58\x83\x65\x83\x80\x81\x77Kelmora\x81\x78 Ver.2.01";
// %% ルビなし
constexpr std::string_view kPlainLine = "%% \x83\x8B\x83\x72\x82\xC8\x82\xB5";
// %% ルビ付き
constexpr std::string_view kRubyLine = "%% \x83\x8B\x83\x72\x95\x74\x82\xAB";
// How to typeset the file. The document does not tell dvipdfmx its paper, so the
// landscape JIS B5 size is given on the command line.
// %% platex -kanji=sjis で処理し、dvipdfmx -p 257mm,182mm で B5 横の PDF にする
constexpr std::string_view kHowToLine =
    "%% platex -kanji=sjis \x82\xC5\x8F\x88\x97\x9D\x82\xB5\x81\x41"
    "dvipdfmx -p 257mm,182mm \x82\xC5 B5 \x89\xA1\x82\xCC PDF \x82\xC9\x82\xB7\x82\xE9";
// %%%%%%%%%%%%%%%%%% ここの設定を変えると印字位置が異なる！！
constexpr std::string_view kMarginNote =
    "%%%%%%%%%%%%%%%%%% "
    "\x82\xB1\x82\xB1\x82\xCC\x90\xDD\x92\xE8\x82\xF0\x95\xCF\x82\xA6\x82\xE9\x82\xC6\x88\xF3\x8E\x9A\x88\xCA\x92\x75"
    "\x82\xAA\x88\xD9\x82\xC8\x82\xE9\x81\x49\x81\x49";
// \renewcommand{\arraystretch}{1.5} %%%% この値で表の縦幅を変更する。
constexpr std::string_view kRowHeight =
    "\\renewcommand{\\arraystretch}{1.5} %%%% "
    "\x82\xB1\x82\xCC\x92\x6C\x82\xC5\x95\x5C\x82\xCC\x8F\x63\x95\x9D\x82\xF0\x95\xCF\x8D\x58\x82\xB7\x82\xE9\x81\x42";
// \setlength{\tabcolsep}{0.15in} %%%% この値で表の横幅を変更する。
constexpr std::string_view kColumnWidth =
    "\\setlength{\\tabcolsep}{0.15in} %%%% "
    "\x82\xB1\x82\xCC\x92\x6C\x82\xC5\x95\x5C\x82\xCC\x89\xA1\x95\x9D\x82\xF0\x95\xCF\x8D\x58\x82\xB7\x82\xE9\x81\x42";
// \fbox{\Large\bfseries 教　卓}
constexpr std::string_view kTeacherDesk = "\\fbox{\\Large\\bfseries \x8B\xB3\x81\x40\x91\xEC}";
// %% ルビを振る
constexpr std::string_view kRubyComment = "%% \x83\x8B\x83\x72\x82\xF0\x90\x55\x82\xE9";
// }　 (closes the family name's ruby; a full-width space parts it from the given name's)
constexpr std::string_view kRubyBetween = "}\x81\x40";

constexpr std::string_view kPercentRule = "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%"; // thirty-one
constexpr std::string_view kRowEnd = R"(\\ \hline)";
// Between two 班: thick rules, three times the table's own.
constexpr std::string_view kGroupRuleMacros[] = {
    R"(\def\Hansep{\hskip\tabcolsep\vrule width 1.2pt\hskip\tabcolsep\relax})",
    R"(\def\Hanrule{\noalign{\hrule height 1.2pt}})",
};
constexpr std::string_view kGroupRowEnd = R"(\\ \Hanrule)";

// The \ruby command: the reading in small type, centred over the name, both
// spread to the wider of the two.
constexpr std::string_view kRubyMacro[] = {
    kRubyComment,
    R"(%%\def\rubyfont{\tiny})",
    R"(\def\rubyfont{\footnotesize})",
    R"(\def\ruby#1#2{\leavevmode%)",
    R"(  \setbox0=\hbox{#1}\setbox1=\hbox{\rubyfont #2}%)",
    R"(  \ifdim\wd0>\wd1 \dimen0=\wd0\else\dimen0=\wd1\fi)",
    R"(  \hbox{\kanjiskip=\fill)",
    R"(  \vbox{\hbox to\dimen0{\rubyfont \hfil#2\hfil}%)",
    R"(  \nointerlineskip \hbox to \dimen0{\hfil#1\hfil}%)",
    R"(}}})",
};

struct Writer {
    const ChartInput& in;
    ChartKind kind;
    int columns;
    int rows;
    std::string out;
    bool usesOtf = false;       // a character outside JIS X 0208 was written as \UTF
    std::size_t afterClass = 0; // where the line that loads the otf package goes

    Writer(const ChartInput& input, ChartKind k)
        : in(input), kind(k),
          // Never step outside the seat table, whatever the caller passes.
          columns(std::clamp(input.columns, 0, SeatTable::kSize)), rows(std::clamp(input.rows, 0, SeatTable::kSize))
    {
    }

    void line(std::string_view text = {})
    {
        out += text;
        out += "\r\n";
    }

    void titleLine()
    {
        out += R"(\fbox{\huge\bfseries )";
        AppendSpelledOutsideJis(out, LatexTitle(in.title), usesOtf);
        line("}");
    }

    bool grouped() const { return !FitGroupShape(in.groups, columns, rows).none(); }

    // Whether a 班 border runs between two neighbouring columns (rows), either way round.
    bool columnBorder(int a, int b) const { return GroupBorderRightOf(in.groups, columns, std::min(a, b)); }
    bool rowBorder(int a, int b) const { return GroupBorderBelow(in.groups, rows, std::min(a, b)); }

    // The columns in the order they are written: left to right, or turned round.
    void columnSpecLine(bool turned)
    {
        out += R"(\begin{tabular}{|)";
        for (int i = 0; i < columns; ++i) {
            const int c = turned ? columns - 1 - i : i;
            const int next = turned ? c - 1 : c + 1;
            out += i + 1 < columns && columnBorder(c, next) ? "c@{\\Hansep}" : "c|";
        }
        line(R"(}\hline)");
    }

    std::string_view rowEnd(int row, int next) const
    {
        return next >= 0 && next < rows && rowBorder(row, next) ? kGroupRowEnd : kRowEnd;
    }

    // A name or reading from the roster, as LaTeX prints it.
    void text(std::string_view cp932) { AppendSpelledOutsideJis(out, LatexSafe(cp932), usesOtf); }

    // The student on a seat, or nullptr for an empty seat. A position that names
    // no record (left over from a longer roster, or nonsense) counts as empty.
    const Seito* student(int column, int row) const
    {
        const std::int32_t v = in.seats.entry(column, row);
        if (v <= 0 || static_cast<std::size_t>(v) > in.roster.size())
            return nullptr;
        return &in.roster[static_cast<std::size_t>(v) - 1];
    }

    void cell(int column, int row)
    {
        const Seito* s = student(column, row);
        if (!s)
            return;
        if (kind == ChartKind::Plain) {
            out += R"(\Bf )";
            text(s->FullName);
            return;
        }
        out += R"(\ruby{\Bf )";
        text(s->FamilyName);
        out += "}{";
        text(s->FamilyReading);
        out += kRubyBetween;
        out += R"(\ruby{\Bf )";
        text(s->GivenName);
        out += "}{";
        text(s->GivenReading);
        out += "}";
    }

    // First page: top row first, left to right, as the placement page shows it.
    void tableRowsAsSeen()
    {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                cell(c, r);
                out += c == columns - 1 ? rowEnd(r, r + 1) : "&";
            }
            line();
        }
    }

    // Second page: the classroom turned round, bottom row first, right to left.
    void tableRowsTurned()
    {
        for (int r = rows - 1; r >= 0; --r) {
            for (int c = columns - 1; c >= 0; --c) {
                cell(c, r);
                out += c == 0 ? rowEnd(r, r - 1) : "&";
            }
            line();
        }
    }

    void preamble()
    {
        line(kHeadLine);
        line(kind == ChartKind::Ruby ? kRubyLine : kPlainLine);
        line(kHowToLine);
        line(R"(\documentclass[12pt,b5paper,landscape]{jarticle})");
        afterClass = out.size();
        line(R"(\parindent=0pt)");
        line(R"(\pagestyle{empty})");
        line(kMarginNote);
        line(R"(\topmargin=-1.5cm)");
        line(R"(\headheight=0pt)");
        line(R"(\evensidemargin=-1.2cm)");
        line(R"(\oddsidemargin=-1.2cm)");
        line(R"(\textwidth=23cm)");
        line(R"(\textheight=15cm)");
        line(kPercentRule);
        line(R"(\def\Bf{\bfseries})");
        if (grouped())
            for (std::string_view l : kGroupRuleMacros)
                line(l);
        if (kind == ChartKind::Ruby) {
            for (std::string_view l : kRubyMacro)
                line(l);
        }
        line(kPercentRule);
        line(R"(\begin{document})");
        line(R"(\large)");
    }

    // The classroom as seen from the teacher's desk: the desk below the table.
    void firstPage()
    {
        line(R"(\begin{center})");
        titleLine();
        line(kRowHeight);
        line(kColumnWidth);
        line();
        line(R"(\vspace{2zh})");
        columnSpecLine(false);
        tableRowsAsSeen();
        line(R"(\end{tabular})");
        line();
        line(R"(\vspace{1zh})");
        line(kTeacherDesk);
        line(R"(\end{center})");
        line();
        line(R"(\clearpage)");
        line();
    }

    // The classroom as seen from the pupils' seats: the desk above the table.
    void secondPage()
    {
        line(R"(\begin{center})");
        titleLine();
        line();
        line(R"(\vspace{2zh})");
        line(kTeacherDesk);
        line();
        line(R"(\vspace{1zh})");
        line(kRowHeight);
        line(kColumnWidth);
        line();
        columnSpecLine(true);
        tableRowsTurned();
        line(R"(\end{tabular})");
        line();
        line(R"(\end{center})");
        line(R"(\end{document})");
    }

    std::string write()
    {
        // Roughly the fixed text plus a few dozen bytes a seat; saves regrowing.
        const std::size_t perSeat = kind == ChartKind::Ruby ? 64 : 24;
        out.reserve(2048 + 2 * static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows) * perSeat);
        preamble();
        firstPage();
        secondPage();
        // Only a chart that needs it loads the package: every other chart keeps
        // its lines where they always were.
        if (usesOtf)
            out.insert(afterClass, "\\usepackage{otf}\r\n");
        return std::move(out);
    }
};

} // namespace

std::string WriteSeatingChart(const ChartInput& in)
{
    return Writer(in, ChartKind::Plain).write();
}

std::string WriteRubySeatingChart(const ChartInput& in)
{
    return Writer(in, ChartKind::Ruby).write();
}

ChartKind ChooseChart(int columnCount, bool rubyChecked)
{
    return columnCount >= 6 && rubyChecked ? ChartKind::Ruby : ChartKind::Plain;
}

} // namespace kelmora
