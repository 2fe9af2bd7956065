#include "FuzzChecks.h"

#include "codec/Cp932.h"
#include "codec/TextEncoding.h"
#include "import/Csv.h"
#include "import/ListFile.h"
#include "import/ListRoster.h"
#include "import/Xlsx.h"
#include "output/ChartWriter.h"
#include "output/LatexText.h"
#include "roster/RosterReader.h"
#include "roster/RosterText.h"
#include "seating/SeatTable.h"

#include <QList>
#include <QString>
#include <QStringDecoder>

#include <zip.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

namespace kelmora::fuzz {

namespace {

unsigned char byteAt(std::string_view s, std::size_t i)
{
    return static_cast<unsigned char>(s[i]);
}

// pTeX reading code page 932 (platex -kanji=sjis) takes a lead byte and the byte
// after it as one character only when that byte can be a second byte; otherwise
// each is a byte of its own, and a byte of its own after a lead byte is seen by
// TeX as what it is ($, &, a line end, ...).
bool isLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrail(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}
bool pairAt(std::string_view s, std::size_t i)
{
    return i + 1 < s.size() && isLead(byteAt(s, i)) && isTrail(byteAt(s, i + 1));
}
bool isControl(unsigned char b)
{
    return b < 0x20 || b == 0x7F;
}
// No character at all in code page 932: pTeX stops on these.
bool isNoCharacter(unsigned char b)
{
    return b == 0x80 || b == 0xA0 || b >= 0xFD;
}
// Half-width katakana: pTeX misreads them as halves of kanji.
bool isHalfWidthKana(unsigned char b)
{
    return b >= 0xA1 && b <= 0xDF;
}
bool isLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Bytes shown in a problem report: printable ASCII as is, the rest as \xNN.
std::string shown(std::string_view s, std::size_t limit = 80)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < s.size() && i < limit; ++i) {
        const unsigned char b = byteAt(s, i);
        if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        }
    }
    if (s.size() > limit)
        out += "...";
    return out;
}

// ---------------------------------------------------------------- roster reader

struct Reading {
    int result = 0;
    int columnCount = 0;
    RosterTable table;
};

// The roster format read the slow, obvious way: one line at a time, one field
// at a time. Lines end at LF, a CR right before the LF goes with it, a final
// Ctrl-Z is no text; a data line's first non-space byte is "$"; fields are the
// non-empty pieces between commas; fields 2 to 7 are the six texts.
Reading ReadPlainly(std::string_view text)
{
    static constexpr std::string Seito::*kTexts[] = {&Seito::Number,    &Seito::FullName,      &Seito::FamilyName,
                                                     &Seito::GivenName, &Seito::FamilyReading, &Seito::GivenReading};
    if (!text.empty() && text.back() == '\x1A')
        text.remove_suffix(1);
    Reading r;
    int dataLines = 0;
    bool mixed = false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = text.find('\n', start);
        std::string_view line = text.substr(start, lf == std::string_view::npos ? std::string_view::npos : lf - start);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t first = line.find_first_not_of(' ');
        if (first != std::string_view::npos && line[first] == '$') {
            Seito s;
            int fields = 0;
            std::size_t from = 0;
            for (;;) {
                const std::size_t comma = line.find(',', from);
                const std::string_view piece =
                    line.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from);
                if (!piece.empty()) {
                    ++fields;
                    if (fields >= 2 && fields <= 7)
                        s.*kTexts[fields - 2] = std::string(piece);
                }
                if (comma == std::string_view::npos)
                    break;
                from = comma + 1;
            }
            const int columns = fields - 1;
            if (dataLines > 0 && columns != r.columnCount)
                mixed = true;
            r.columnCount = columns;
            ++dataLines;
            r.table.push_back(std::move(s));
        }
        if (lf == std::string_view::npos)
            break;
        start = lf + 1;
    }
    r.result = mixed ? -1 : dataLines;
    return r;
}

std::string recordText(const Seito& s)
{
    return "{" + shown(s.Number) + " | " + shown(s.FullName) + " | " + shown(s.FamilyName) + " | " + shown(s.GivenName)
           + " | " + shown(s.FamilyReading) + " | " + shown(s.GivenReading) + "}";
}

// ---------------------------------------------------------------- LaTeX

// Our escapes and the byte each one prints.
struct Escape {
    std::string_view text;
    char prints;
};
constexpr Escape kEscapes[] = {
    {"\\textbackslash{}", '\\'},
    {"\\{", '{'},
    {"\\}", '}'},
    {"\\$", '$'},
    {"\\&", '&'},
    {"\\#", '#'},
    {"\\%", '%'},
    {"{\\ttfamily\\char95}", '_'},
    {"{\\ttfamily\\char126}", '~'},
    {"{\\ttfamily\\char94}", '^'},
    {"\\textless{}", '<'},
    {"\\textgreater{}", '>'},
    {"\\textbar{}", '|'},
    {"{\\ttfamily\\char34}", '"'},
};

// LaTeX's own characters, and those that the text font prints as something else.
bool isSpecial(char c)
{
    return c == '\\' || c == '{' || c == '}' || c == '$' || c == '&' || c == '#' || c == '%' || c == '_' || c == '~'
           || c == '^' || c == '<' || c == '>' || c == '|' || c == '"';
}

// One row of a tabular as pTeX reads it: the cells between the alignment tabs,
// or what breaks the row.
struct TableRow {
    std::vector<std::string_view> cells;
    std::string problem;
};

constexpr std::string_view kRowEnd = "\\\\ \\hline";

TableRow ParseTableRow(std::string_view line)
{
    TableRow row;
    auto fail = [&](std::size_t at, const std::string& what) {
        row.problem = what + " at byte " + std::to_string(at) + " of row \"" + shown(line, 400) + "\"";
        return row;
    };
    std::size_t cellStart = 0;
    int depth = 0;
    for (std::size_t i = 0; i < line.size();) {
        if (pairAt(line, i)) {
            i += 2;
            continue;
        }
        const unsigned char b = byteAt(line, i);
        if (isLead(b))
            return fail(i, "a lead byte that starts no character");
        if (isControl(b))
            return fail(i, "a control byte");
        if (isNoCharacter(b))
            return fail(i, "a byte that is no character");
        if (isHalfWidthKana(b))
            return fail(i, "a half-width katakana");
        switch (line[i]) {
        case '\\': {
            if (line.substr(i) == kRowEnd) {
                if (depth != 0)
                    return fail(i, "the row ends inside a group");
                row.cells.push_back(line.substr(cellStart, i - cellStart));
                return row;
            }
            std::size_t j = i + 1;
            if (j == line.size())
                return fail(i, "a backslash at the end");
            if (line[j] == '\\')
                return fail(i, "a line break inside the row");
            if (isLetter(line[j])) {
                while (j < line.size() && isLetter(line[j]))
                    ++j;
            } else {
                j += pairAt(line, j) ? 2 : 1;
            }
            i = j;
            continue;
        }
        case '{': ++depth; break;
        case '}':
            if (--depth < 0)
                return fail(i, "a closing brace without its opening one");
            break;
        case '&':
            if (depth != 0)
                return fail(i, "an alignment tab inside a group");
            row.cells.push_back(line.substr(cellStart, i - cellStart));
            cellStart = i + 1;
            break;
        case '$':
        case '#':
        case '%':
        case '^':
        case '_':
        case '~': return fail(i, std::string("an unescaped ") + line[i]);
        default: break;
        }
        ++i;
    }
    return fail(line.size(), "no row end");
}

// ---------------------------------------------------------------- charts

// Draws numbers from the end of the input, so that the front stays the roster
// file and the seeds (roster files) make sense as they are. Past the front it
// gives zeros.
class Tail {
public:
    explicit Tail(std::string_view bytes) : bytes_(bytes), left_(bytes.size()) {}

    unsigned char byte() { return left_ == 0 ? 0 : byteAt(bytes_, --left_); }
    std::int32_t int32()
    {
        std::uint32_t v = 0;
        for (int k = 0; k < 4; ++k)
            v = v << 8 | byte();
        return static_cast<std::int32_t>(v);
    }

private:
    std::string_view bytes_;
    std::size_t left_;
};

std::vector<std::string_view> SplitLines(std::string_view text, std::string& problem)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 == text.size() || text[i + 1] != '\n') {
                problem = "a CR without its LF in line " + std::to_string(lines.size() + 1);
                return lines;
            }
            lines.push_back(text.substr(start, i - start));
            start = i + 2;
            ++i;
        } else if (text[i] == '\n') {
            problem = "an LF without its CR in line " + std::to_string(lines.size() + 1);
            return lines;
        }
    }
    if (start != text.size())
        problem = "the last line has no CR LF";
    return lines;
}

// A roster text as the charts write it.
std::string Spelled(std::string_view text)
{
    bool otf = false;
    return SpellOutsideJis(LatexSafe(text), otf);
}

// Whether the title or a text of a seated student needs the otf package.
bool UsesOtf(const ChartInput& in, ChartKind kind)
{
    bool otf = false;
    SpellOutsideJis(in.title, otf);
    const int C = std::clamp(in.columns, 0, SeatTable::kSize);
    const int R = std::clamp(in.rows, 0, SeatTable::kSize);
    for (int c = 0; c < C; ++c)
        for (int r = 0; r < R; ++r) {
            const std::int32_t v = in.seats.entry(c, r);
            if (v <= 0 || static_cast<std::size_t>(v) > in.roster.size())
                continue;
            const Seito& s = in.roster[static_cast<std::size_t>(v) - 1];
            if (kind == ChartKind::Plain) {
                SpellOutsideJis(LatexSafe(s.FullName), otf);
            } else {
                for (const std::string* t : {&s.FamilyName, &s.GivenName, &s.FamilyReading, &s.GivenReading})
                    SpellOutsideJis(LatexSafe(*t), otf);
            }
        }
    return otf;
}

void CheckChart(Problems& problems, const char* which, const std::string& chart, const ChartInput& in, ChartKind kind)
{
    const std::string name = std::string(which) + " chart (" + std::to_string(in.columns) + " x "
                             + std::to_string(in.rows) + ", " + std::to_string(in.roster.size()) + " records): ";
    std::string problem;
    const std::vector<std::string_view> lines = SplitLines(chart, problem);
    if (!problem.empty()) {
        problems.push_back(name + problem);
        return;
    }
    const int C = std::clamp(in.columns, 0, SeatTable::kSize);
    const int R = std::clamp(in.rows, 0, SeatTable::kSize);
    const bool otf = UsesOtf(in, kind);
    const int fixed = (kind == ChartKind::Ruby ? 58 : 48) + (otf ? 1 : 0);
    if (lines.size() != static_cast<std::size_t>(fixed + 2 * R)) {
        problems.push_back(name + std::to_string(lines.size()) + " lines, not " + std::to_string(fixed + 2 * R));
        return;
    }
    if ((lines[4] == "\\usepackage{otf}") != otf) {
        problems.push_back(name + "line 5 is \"" + shown(lines[4]) + "\" though the texts "
                           + (otf ? "need" : "do not need") + " the otf package");
        return;
    }
    // Line numbers from 0: the first page's rows follow line 25, the second's
    // line 44 + R, both ten later with the ruby macro and one with the otf package.
    const std::size_t shift = (kind == ChartKind::Ruby ? 10 : 0) + (otf ? 1 : 0);
    const std::size_t firstRows = 25 + shift;
    const std::size_t secondRows = 44 + shift + static_cast<std::size_t>(R);
    const std::string_view tableStart = "\\begin{tabular}{";
    if (lines[firstRows - 1].substr(0, tableStart.size()) != tableStart
        || lines[secondRows - 1].substr(0, tableStart.size()) != tableStart
        || lines[firstRows + static_cast<std::size_t>(R)] != "\\end{tabular}"
        || lines[secondRows + static_cast<std::size_t>(R)] != "\\end{tabular}") {
        problems.push_back(name + "the tables are not where the row count puts them");
        return;
    }
    if (C == 0) {
        for (int k = 0; k < R; ++k)
            if (!lines[firstRows + static_cast<std::size_t>(k)].empty()
                || !lines[secondRows + static_cast<std::size_t>(k)].empty())
                problems.push_back(name + "a row of a grid without columns is not empty");
        return;
    }
    const std::string_view cellStart = kind == ChartKind::Ruby ? "\\ruby{\\Bf " : "\\Bf ";
    for (int r = 0; r < R; ++r) {
        const TableRow first = ParseTableRow(lines[firstRows + static_cast<std::size_t>(r)]);
        const TableRow turned = ParseTableRow(lines[secondRows + static_cast<std::size_t>(R - 1 - r)]);
        for (const TableRow* row : {&first, &turned}) {
            if (!row->problem.empty()) {
                problems.push_back(name + row->problem);
                return;
            }
            if (row->cells.size() != static_cast<std::size_t>(C)) {
                problems.push_back(name + "row " + std::to_string(r) + " has " + std::to_string(row->cells.size())
                                   + " cells, not " + std::to_string(C));
                return;
            }
        }
        for (int c = 0; c < C; ++c) {
            const std::string_view cell = first.cells[static_cast<std::size_t>(c)];
            if (turned.cells[static_cast<std::size_t>(C - 1 - c)] != cell) {
                problems.push_back(name + "the second page is not the first turned round at column " + std::to_string(c)
                                   + ", row " + std::to_string(r));
                return;
            }
            const std::int32_t v = in.seats.entry(c, r);
            const bool seated = v > 0 && static_cast<std::size_t>(v) <= in.roster.size();
            if (!seated && !cell.empty()) {
                problems.push_back(name + "the seat at column " + std::to_string(c) + ", row " + std::to_string(r)
                                   + " names no record (" + std::to_string(v) + ") but its cell is \"" + shown(cell)
                                   + "\"");
                return;
            }
            const auto fullName = [&] { return Spelled(in.roster[static_cast<std::size_t>(v) - 1].FullName); };
            if (seated
                && (cell.substr(0, cellStart.size()) != cellStart
                    || (kind == ChartKind::Plain && cell.substr(cellStart.size()) != fullName()))) {
                problems.push_back(name + "the cell at column " + std::to_string(c) + ", row " + std::to_string(r)
                                   + " is \"" + shown(cell) + "\", not the student at position " + std::to_string(v));
                return;
            }
        }
    }
}

// ---------------------------------------------------------------- other encodings

// The characters of a code page 932 text: a lead byte with the byte after it,
// else one byte.
std::vector<std::string_view> Characters(std::string_view text)
{
    std::vector<std::string_view> chars;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = isLead(byteAt(text, i)) && i + 1 < text.size() ? 2 : 1;
        chars.push_back(text.substr(i, n));
        i += n;
    }
    return chars;
}

// A character's own code page 932 form, remembered: a character the code page
// lacks costs FromUnicode a new converter each time, and random bytes make many.
std::optional<std::string> OwnForm(const QString& ch)
{
    if (ch.front().unicode() < 0x80)
        return ch.toStdString();
    static std::map<QString, std::optional<std::string>> known;
    const auto it = known.find(ch);
    if (it != known.end())
        return it->second;
    return known[ch] = cp932::FromUnicode(ch);
}

Problems CheckUtf8Conversion(std::string_view bytes)
{
    Problems problems;
    const cp932::Utf8Conversion conv = cp932::FromUtf8(bytes);
    std::string_view utf8 = bytes;
    if (utf8.starts_with("\xEF\xBB\xBF"))
        utf8.remove_prefix(3);

    // Character by character: its own code page 932 form, or 〓 in a reported line.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    const QString original = decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
    const std::vector<std::string_view> got = Characters(conv.text);
    std::vector<int> replacedIn;
    std::size_t k = 0;
    int line = 1;
    for (qsizetype i = 0; i < original.size(); ++i) {
        const qsizetype n = original.at(i).isHighSurrogate() && i + 1 < original.size() ? 2 : 1;
        const QString ch = original.mid(i, n);
        i += n - 1;
        const std::optional<std::string> own = OwnForm(ch);
        const std::string_view expected = own ? std::string_view(*own) : cp932::kGeta;
        // A form may take more than one character of the conversion: take as many as it has.
        std::string seen;
        while (k < got.size() && seen.size() < expected.size())
            seen += got[k++];
        if (seen != expected) {
            problems.push_back("U+" + QString::number(ch.toUcs4().value(0), 16).toStdString() + " in line "
                               + std::to_string(line) + " became \"" + shown(seen) + "\", not \"" + shown(expected)
                               + "\"");
            return problems;
        }
        if (!own && (replacedIn.empty() || replacedIn.back() != line))
            replacedIn.push_back(line);
        if (ch == QLatin1Char('\n'))
            ++line;
    }
    if (k != got.size())
        problems.push_back("the conversion has " + std::to_string(got.size() - k) + " characters too many");
    if (replacedIn != conv.changedLines)
        problems.push_back("the lines with 〓 are not the lines reported");

    // The lines and fields are ASCII, kept as they are: the same shape as the UTF-8 text.
    const Reading asUtf8 = ReadPlainly(utf8);
    RosterTable table;
    int columnCount = 0;
    RosterTextNotes notes;
    const int result = ReadRosterText(table, bytes, columnCount, &notes);
    if (result != asUtf8.result || columnCount != asUtf8.columnCount || table.size() != asUtf8.table.size())
        problems.push_back("the converted roster has " + std::to_string(table.size()) + " records (result "
                           + std::to_string(result) + ", column count " + std::to_string(columnCount)
                           + "), the UTF-8 text " + std::to_string(asUtf8.table.size()));
    for (const RosterTextNotes::ChangedLine& c : notes.changed)
        if (!std::binary_search(conv.changedLines.begin(), conv.changedLines.end(), c.line))
            problems.push_back("line " + std::to_string(c.line) + " is named as changed but was not");
    return problems;
}

} // namespace

Problems CheckRosterReader(std::string_view bytes)
{
    Problems problems;
    const Seito kept{"0", "kept", "", "", "", ""};
    RosterTable table{kept};
    int columnCount = -7;
    const int result = ReadRosterBytes(table, bytes, columnCount);
    const auto appended = static_cast<long long>(table.size()) - 1;
    const std::string got = "result " + std::to_string(result) + ", " + std::to_string(appended)
                            + " records appended, column count " + std::to_string(columnCount);

    if (table.empty() || table.front() != kept)
        problems.push_back("the reader changed the records it found in the table");
    if (result < -1 || result > appended)
        problems.push_back(got + ": the result is out of -1.." + std::to_string(appended));
    if (result > 0 && result != appended)
        problems.push_back(got + ": the result is not the number of records appended");
    if (result == 0 && appended != 0)
        problems.push_back(got + ": records appended but no data line counted");
    if (result == -1 && appended < 2)
        problems.push_back(got + ": differing column counts need two data lines");
    if (columnCount < 0)
        problems.push_back(got + ": negative column count");

    const Reading plain = ReadPlainly(bytes);
    if (result != plain.result || columnCount != plain.columnCount
        || static_cast<std::size_t>(appended) != plain.table.size())
        problems.push_back(got + "; read line by line: result " + std::to_string(plain.result) + ", "
                           + std::to_string(plain.table.size()) + " records, column count "
                           + std::to_string(plain.columnCount));
    for (std::size_t k = 0; k < plain.table.size() && k + 1 < table.size(); ++k) {
        if (table[k + 1] != plain.table[k]) {
            problems.push_back("record " + std::to_string(k + 1) + " is " + recordText(table[k + 1])
                               + "; read line by line it is " + recordText(plain.table[k]));
            break;
        }
    }
    return problems;
}

Problems CheckLatexSafe(std::string_view bytes)
{
    Problems problems;
    const std::string out = LatexSafe(bytes);

    // Read the output as pTeX would, undoing our escapes on the way.
    std::string readBack;
    for (std::size_t i = 0; i < out.size();) {
        if (pairAt(out, i)) {
            readBack.append(out, i, 2);
            i += 2;
            continue;
        }
        const unsigned char b = byteAt(out, i);
        auto at = [&] {
            const std::size_t from = i < 24 ? 0 : i - 24;
            return " at byte " + std::to_string(i) + " of LatexSafe's output: \"" + (from ? "..." : "")
                   + shown(std::string_view(out).substr(from), 48) + "\"";
        };
        if (isLead(b)) {
            // It would take the next byte of the chart (a brace, the backslash
            // of a row end) as its second byte.
            problems.push_back("a lead byte that starts no character" + at());
            return problems;
        }
        if (isControl(b)) {
            problems.push_back("a control byte" + at());
            return problems;
        }
        if (isNoCharacter(b)) {
            problems.push_back("a byte that is no character" + at());
            return problems;
        }
        if (isHalfWidthKana(b)) {
            problems.push_back("a half-width katakana" + at());
            return problems;
        }
        if (isSpecial(out[i])) {
            const auto escape = std::find_if(std::begin(kEscapes), std::end(kEscapes), [&](const Escape& e) {
                return std::string_view(out).substr(i, e.text.size()) == e.text;
            });
            if (escape == std::end(kEscapes)) {
                problems.push_back(std::string("an unescaped ") + out[i] + at());
                return problems;
            }
            readBack += escape->prints;
            i += escape->text.size();
            continue;
        }
        readBack += out[i];
        ++i;
    }

    // What should come back: every character as it was, and a space for each
    // byte that stands for no character (control bytes, DEL, a lead byte
    // without its second byte, 0x80, 0xA0, 0xFD..0xFF). Half-width katakana come
    // back full-width, marks joined: that is checked by the unit tests, and here
    // only that none is left (above).
    bool hasKana = false;
    std::string expected;
    for (std::size_t i = 0; i < bytes.size();) {
        if (pairAt(bytes, i)) {
            expected.append(bytes.substr(i, 2));
            i += 2;
            continue;
        }
        const unsigned char b = byteAt(bytes, i);
        hasKana = hasKana || isHalfWidthKana(b);
        expected += isLead(b) || isControl(b) || isNoCharacter(b) ? ' ' : bytes[i];
        ++i;
    }
    if (!hasKana && readBack != expected) {
        const auto diff = std::mismatch(readBack.begin(), readBack.end(), expected.begin(), expected.end());
        const auto at = static_cast<std::size_t>(diff.first - readBack.begin());
        const std::size_t from = at < 24 ? 0 : at - 24;
        problems.push_back("LatexSafe's output prints \"" + shown(std::string_view(readBack).substr(from), 48)
                           + "\" from byte " + std::to_string(from) + " on, not \""
                           + shown(std::string_view(expected).substr(from), 48) + "\"");
    }

    std::string letters;
    for (char c : bytes)
        if (isLetter(c))
            letters += c;
    if (LatexSafe(letters) != letters)
        problems.push_back("the letters \"" + shown(letters) + "\" were changed");
    return problems;
}

Problems CheckRosterText(std::string_view bytes)
{
    Problems problems;
    const Seito kept{"0", "kept", "", "", "", ""};
    RosterTable table{kept};
    int columnCount = -7;
    RosterTextNotes notes;
    const int result = ReadRosterText(table, bytes, columnCount, &notes);
    switch (notes.encoding) {
    case cp932::FileEncoding::Cp932: {
        RosterTable direct{kept};
        int directColumns = -7;
        const int directResult = ReadRosterBytes(direct, bytes, directColumns);
        if (result != directResult || columnCount != directColumns || table != direct || !notes.changed.empty())
            problems.push_back("a code page 932 file reads otherwise than byte for byte");
        break;
    }
    case cp932::FileEncoding::Utf16:
        if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF"))
            problems.push_back("taken for UTF-16 without a byte-order mark");
        if (result != 0 || columnCount != 0 || table.size() != 1)
            problems.push_back("a UTF-16 file was read");
        break;
    case cp932::FileEncoding::Utf8: {
        const bool bom = bytes.starts_with("\xEF\xBB\xBF");
        const bool ascii =
            std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
        if (!bom && (ascii || !QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8()))
            problems.push_back("taken for UTF-8 though it has no byte-order mark and is no UTF-8 beyond ASCII");
        Problems more = CheckUtf8Conversion(bytes);
        problems.insert(problems.end(), more.begin(), more.end());
        break;
    }
    }
    return problems;
}

Problems CheckSpellOutsideJis(std::string_view bytes)
{
    Problems problems;
    const std::string safe = LatexSafe(bytes);
    bool otf = false;
    const std::string out = SpellOutsideJis(safe, otf);

    // What the text says, in Unicode, with each \UTF{XXXX} read as its character.
    QString said;
    bool wroteUtf = false;
    for (std::size_t i = 0; i < out.size();) {
        if (std::string_view(out).substr(i, 5) == "\\UTF{") {
            const std::size_t close = out.find('}', i);
            bool ok = false;
            const uint code =
                close == std::string::npos
                    ? 0
                    : QString::fromLatin1(out.data() + i + 5, static_cast<qsizetype>(close - i - 5)).toUInt(&ok, 16);
            if (!ok || close - i - 5 != 4) {
                problems.push_back("a broken \\UTF at byte " + std::to_string(i) + ": \"" + shown(out.substr(i, 16))
                                   + "\"");
                return problems;
            }
            said += QChar(static_cast<char16_t>(code));
            wroteUtf = true;
            i = close + 1;
            continue;
        }
        const std::size_t n = pairAt(out, i) ? 2 : 1;
        if (n == 2 && byteAt(out, i) >= 0xF0) {
            problems.push_back("a pair pLaTeX stops on is left at byte " + std::to_string(i));
            return problems;
        }
        said += cp932::ToUnicode(std::string_view(out).substr(i, n));
        i += n;
    }
    if (wroteUtf != otf)
        problems.push_back(std::string("\\UTF ") + (wroteUtf ? "written" : "not written") + " but usesOtf is "
                           + (otf ? "set" : "not set"));

    QString expected;
    for (std::size_t i = 0; i < safe.size();) {
        const std::size_t n = pairAt(safe, i) ? 2 : 1;
        const QString ch = cp932::ToUnicode(std::string_view(safe).substr(i, n));
        const char16_t c = ch.size() == 1 ? ch.front().unicode() : 0;
        const bool nothingToPrint = c == 0xFFFD || (c >= 0xE000 && c <= 0xF8FF);
        expected += n == 2 && byteAt(safe, i) >= 0xF0 && nothingToPrint ? QString(QChar(0x3013)) : ch;
        i += n;
    }
    if (said != expected)
        problems.push_back("SpellOutsideJis changed what the text says: \"" + shown(out) + "\" from \"" + shown(safe)
                           + "\"");
    return problems;
}

Problems CheckCharts(std::string_view bytes)
{
    Problems problems;
    RosterTable roster;
    int columnCount = 0;
    ReadRosterBytes(roster, bytes, columnCount);

    Tail tail(bytes);
    int columns, rows;
    if (tail.byte() < 0xF0) {
        columns = 1 + tail.byte() % 12;
        rows = 1 + tail.byte() % 12;
    } else {
        // Now and then a size no settings page offers: the writer must stay
        // inside the seat table all the same.
        columns = tail.byte() % 112 - 6;
        rows = tail.byte() % 112 - 6;
    }

    // Seats in and just outside the grid, with positions of records, of none
    // (0, negative, past the roster: left over from a longer one) and any at all.
    auto seats = std::make_unique<SeatTable>();
    const int seatColumns = std::clamp(columns + 2, 1, SeatTable::kSize);
    const int seatRows = std::clamp(rows + 2, 1, SeatTable::kSize);
    const int count = tail.byte();
    const int records = static_cast<int>(std::min<std::size_t>(roster.size(), 1000));
    for (int k = 0; k < count; ++k) {
        const int c = tail.byte() % seatColumns;
        const int r = tail.byte() % seatRows;
        const unsigned char kind = tail.byte();
        const std::int32_t position = kind < 0xC0 ? kind % (records + 3) - 1 : tail.int32();
        seats->seat(c, r, kind % 16 == 15 ? std::string() : std::string("x"), position);
    }

    std::string title;
    for (int k = tail.byte() % 32; k > 0; --k) {
        const char b = static_cast<char>(tail.byte());
        if (b != '\r' && b != '\n') // the title comes from a one-line edit box
            title += b;
    }

    const ChartInput in{*seats, columns, rows, roster, title};
    CheckChart(problems, "plain", WriteSeatingChart(in), in, ChartKind::Plain);
    CheckChart(problems, "ruby", WriteRubySeatingChart(in), in, ChartKind::Ruby);
    return problems;
}

namespace {

std::string CsvField(const std::string& cell)
{
    if (cell.find_first_of(",\"\r\n\t") == std::string::npos)
        return cell;
    std::string out = "\"";
    for (const char c : cell)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

void CheckSheetRows(const import::Sheet& sheet, Problems& problems)
{
    int last = 0;
    for (const import::SheetRow& row : sheet.rows) {
        if (row.cells.empty() || row.cells.back().empty())
            problems.push_back("a row is empty or ends in an empty cell");
        if (row.cells.size() > static_cast<std::size_t>(import::kMaxColumns) && !sheet.name.empty())
            problems.push_back("a workbook row is wider than kMaxColumns");
        if (sheet.name.empty() && row.number <= last)
            problems.push_back("CSV rows are not numbered upwards");
        last = row.number;
    }
}

// The roster the import makes of `sheet` with `roles` reads as it promised.
void CheckImportedRoster(const import::Sheet& sheet, int header, const std::vector<import::Role>& roles,
                         Problems& problems)
{
    const import::ImportedList list = import::BuildRosterText(sheet, header, roles);
    if (!list.problems.empty()) {
        if (!list.rosterText.empty())
            problems.push_back("a list with problems has a roster text");
        return;
    }
    RosterTable table;
    int columns = 0;
    const int read = ReadRosterText(table, list.rosterText, columns);
    if (read != list.students || static_cast<int>(table.size()) != list.students)
        problems.push_back("the imported roster reads " + std::to_string(read) + " students, not "
                           + std::to_string(list.students));
    if (columns != list.columns || (columns != 2 && columns != 3 && columns != 6))
        problems.push_back("the imported roster reads with " + std::to_string(columns) + " columns, not "
                           + std::to_string(list.columns));
    if (!list.sexes.empty() && list.sexes.size() != table.size())
        problems.push_back("sexes are not one per student");
    for (const Seito& s : table) {
        const std::string* fields[] = {&s.Number,    &s.FullName,      &s.FamilyName,
                                       &s.GivenName, &s.FamilyReading, &s.GivenReading};
        for (int c = 0; c < 6; ++c)
            if (fields[c]->empty() != (c >= list.columns))
                problems.push_back("an imported student's field " + std::to_string(c + 1) + " is wrong");
    }
}

void CheckSheetRosters(const import::Sheet& sheet, std::string_view bytes, Problems& problems)
{
    const int header = import::FindHeaderRow(sheet);
    CheckImportedRoster(sheet, header, import::GuessRoles(sheet, header), problems);
    std::vector<import::Role> drawn(static_cast<std::size_t>(import::SheetWidth(sheet)));
    for (std::size_t c = 0; c < drawn.size(); ++c)
        drawn[c] = import::kRoles[c < bytes.size() ? byteAt(bytes, bytes.size() - 1 - c) % 8 : 7];
    CheckImportedRoster(sheet, bytes.empty() ? -1 : static_cast<int>(byteAt(bytes, 0) % 3) - 1, drawn, problems);
}

// A workbook of one sheet around the given parts, as libzip writes it.
std::string MakeWorkbook(std::string_view shared, std::string_view sheet)
{
    static constexpr std::string_view workbook =
        "<workbook xmlns:r=\"r\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    static constexpr std::string_view rels =
        "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(out);
    zip_t* zip = zip_open_from_source(out, ZIP_TRUNCATE, &error);
    auto add = [zip](const char* name, std::string_view data) {
        zip_source_t* part = zip_source_buffer(zip, data.data(), data.size(), 0);
        zip_file_add(zip, name, part, ZIP_FL_OVERWRITE);
    };
    add("xl/workbook.xml", workbook);
    add("xl/_rels/workbook.xml.rels", rels);
    add("xl/sharedStrings.xml", shared);
    add("xl/worksheets/sheet1.xml", sheet);
    zip_close(zip);
    std::string bytes;
    zip_stat_t st;
    if (zip_source_stat(out, &st) == 0 && zip_source_open(out) == 0) {
        bytes.resize(st.size);
        bytes.resize(static_cast<std::size_t>(std::max<zip_int64_t>(0, zip_source_read(out, bytes.data(), st.size))));
        zip_source_close(out);
    }
    zip_source_free(out);
    zip_error_fini(&error);
    return bytes;
}

} // namespace

Problems CheckCsvList(std::string_view bytes)
{
    Problems problems;
    const import::Sheet sheet = import::ParseCsv(bytes);
    CheckSheetRows(sheet, problems);
    std::string written;
    for (const import::SheetRow& row : sheet.rows) {
        for (std::size_t c = 0; c < row.cells.size(); ++c)
            written += (c ? "," : "") + CsvField(row.cells[c]);
        written += "\r\n";
    }
    const import::Sheet again = import::ParseCsv(written);
    bool same = again.rows.size() == sheet.rows.size();
    for (std::size_t r = 0; same && r < sheet.rows.size(); ++r)
        same = again.rows[r].cells == sheet.rows[r].cells;
    if (!same)
        problems.push_back("the cells written back as CSV read differently");
    CheckSheetRosters(sheet, bytes, problems);
    return problems;
}

Problems CheckXlsxList(std::string_view bytes)
{
    Problems problems;
    std::string workbook;
    if (!bytes.starts_with("PK")) {
        const std::size_t nul = bytes.find('\0');
        workbook = nul == std::string_view::npos ? MakeWorkbook({}, bytes)
                                                 : MakeWorkbook(bytes.substr(0, nul), bytes.substr(nul + 1));
        bytes = workbook;
    }
    const import::ListFile list = import::ReadListBytes(bytes);
    if (list.kind != import::ListFileKind::Xlsx && list.kind != import::ListFileKind::Csv && !list.sheets.empty())
        problems.push_back("a refused file has sheets");
    if (list.kind != import::ListFileKind::Xlsx)
        return problems;
    for (import::Sheet sheet : list.sheets) {
        if (sheet.name.empty())
            sheet.name = "?"; // a workbook's row checks
        CheckSheetRows(sheet, problems);
        CheckSheetRosters(sheet, bytes, problems);
    }
    return problems;
}

Problems CheckAll(std::string_view bytes)
{
    Problems problems = CheckRosterReader(bytes);
    for (Problems more : {CheckRosterText(bytes), CheckLatexSafe(bytes), CheckSpellOutsideJis(bytes),
                          CheckCharts(bytes), CheckCsvList(bytes)})
        problems.insert(problems.end(), more.begin(), more.end());
    return problems;
}

} // namespace kelmora::fuzz
