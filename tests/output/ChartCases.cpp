#include "ChartCases.h"

#include <QtGlobal>

#include <cstdint>
#include <limits>

namespace kelmora::testing {

void ChartCase::place(int column, int row, std::int32_t position)
{
    std::string shown = "?"; // what a desk of a longer, earlier roster showed
    if (position >= 1 && static_cast<std::size_t>(position) <= roster.size())
        shown = roster[static_cast<std::size_t>(position) - 1].FamilyName;
    seats->seat(column, row, shown, position);
}

namespace {

Seito student(const char* number, QStringView family, QStringView given, QStringView familyReading,
              QStringView givenReading)
{
    return Seito{number,
                 sj(QString(family.toString() + QChar(0x3000) + given.toString())),
                 sj(family),
                 sj(given),
                 sj(familyReading),
                 sj(givenReading)};
}

RosterTable threeStudents()
{
    return {student("1", u"山田", u"太郎", u"やまだ", u"たろう"), student("2", u"鈴木", u"花子", u"すずき", u"はなこ"),
            student("3", u"佐藤", u"次郎", u"さとう", u"じろう")};
}

// The 2 x 2 example: one seat left empty, and two seats beyond the grid (left
// over after it was made smaller) that must not be written.
ChartCase example(std::string title)
{
    ChartCase c;
    c.roster = threeStudents();
    c.columns = 2;
    c.rows = 2;
    c.title = std::move(title);
    c.place(0, 0, 1);
    c.place(0, 1, 2);
    c.place(1, 1, 3);
    c.place(2, 0, 1);
    c.place(0, 2, 2);
    return c;
}

} // namespace

Seito generatedStudent(int i)
{
    static const char16_t* const families[12][2] = {{u"山田", u"やまだ"},   {u"鈴木", u"すずき"},
                                                    {u"佐藤", u"さとう"},   {u"田中", u"たなか"},
                                                    {u"高橋", u"たかはし"}, {u"伊藤", u"いとう"},
                                                    {u"渡辺", u"わたなべ"}, {u"中村", u"なかむら"},
                                                    {u"小林", u"こばやし"}, {u"加藤", u"かとう"},
                                                    {u"吉田", u"よしだ"},   {u"能登", u"のと"}};
    static const char16_t* const givens[12][2] = {{u"太郎", u"たろう"}, {u"花子", u"はなこ"}, {u"次郎", u"じろう"},
                                                  {u"美咲", u"みさき"}, {u"健太", u"けんた"}, {u"陽菜", u"ひな"},
                                                  {u"翔", u"しょう"},   {u"結衣", u"ゆい"},   {u"大輝", u"だいき"},
                                                  {u"葵", u"あおい"},   {u"蓮", u"れん"},     {u"ソラ", u"そら"}};
    Q_ASSERT(i >= 0 && i < 144);
    const auto& f = families[i / 12];
    const auto& g = givens[i % 12];
    return student(QByteArray::number(i + 1).constData(), f[0], g[0], f[1], g[1]);
}

QStringList referenceCaseNames()
{
    return {"example", "emptytitle", "empty", "onecolumn", "full", "stale", "latexchars"};
}

ChartCase referenceCase(const QString& name)
{
    if (name == "example")
        return example(sj(u"2年B組\u3000座席表"));
    if (name == "emptytitle")
        return example({});
    if (name == "empty") {
        ChartCase c;
        c.roster = threeStudents();
        c.columns = 3;
        c.rows = 2;
        c.title = sj(u"1年1組");
        return c;
    }
    if (name == "onecolumn") {
        ChartCase c;
        c.roster = threeStudents();
        c.columns = 1;
        c.rows = 3;
        c.title = sj(u"窓際");
        c.place(0, 0, 2);
        c.place(0, 2, 3);
        return c;
    }
    if (name == "full") {
        ChartCase c;
        for (int i = 0; i < 144; ++i)
            c.roster.push_back(generatedStudent(i));
        c.columns = 12;
        c.rows = 12;
        c.title = sj(u"全席 12×12");
        for (int col = 0; col < 12; ++col)
            for (int row = 0; row < 12; ++row)
                c.place(col, row, (col * 12 + row) * 5 % 144 + 1);
        return c;
    }
    if (name == "stale") {
        // Seated from a longer roster, then a two-student roster was loaded.
        ChartCase c;
        c.roster = threeStudents();
        c.roster.pop_back();
        c.columns = 3;
        c.rows = 2;
        c.title = sj(u"古い座席");
        c.place(0, 0, 1);
        c.place(1, 0, 3);
        c.place(2, 0, -1);
        c.place(0, 1, std::numeric_limits<std::int32_t>::max());
        c.place(1, 1, 2);
        c.place(2, 1, std::numeric_limits<std::int32_t>::min());
        return c;
    }
    if (name == "latexchars") {
        ChartCase c;
        c.roster.push_back(Seito{"1", "A\\B{C}$&#%_~^" + sj(u"表ソ能"), "_" + sj(u"表ソ"), sj(u"能") + "{x}",
                                 "~" + sj(u"ひょう"), sj(u"のう") + "^\\"});
        // Half-width katakana ｿﾆｰ, control bytes, and a lead byte cut off at the end.
        c.roster.push_back(Seito{"2",
                                 std::string("\xBF\xC6\xB0\t\x01\x1F\x7F"
                                             "end\x81"),
                                 std::string("\xBF\xC6\xB0#1"), "%" + sj(u"テ"), "&", std::string("\x95")});
        c.columns = 2;
        c.rows = 2;
        // The title is the teacher's own LaTeX and goes in as typed.
        c.title = "\\textgt{" + sj(u"特別") + "}" + sj(u"\u3000") + "50\\%";
        c.place(0, 0, 1);
        c.place(1, 1, 2);
        return c;
    }
    qFatal("no chart case %s", qPrintable(name));
}

ChartCase filledCase(int columns, int rows)
{
    ChartCase c;
    const int n = columns * rows;
    for (int k = 0; k < n; ++k)
        c.roster.push_back(generatedStudent(k * 13 % 144));
    c.columns = columns;
    c.rows = rows;
    c.title = sj(u"3年2組\u3000座席表");
    for (int col = 0; col < columns; ++col)
        for (int row = 0; row < rows; ++row)
            c.place(col, row, n - (col * rows + row));
    return c;
}

ChartCase typesettableSpecialsCase()
{
    ChartCase c;
    c.roster.push_back(Seito{"1", "A\\B{C}$&#%_~^Z", "A\\B{C}$", "&#%_~^Z", "x_1", "y^2"});
    c.roster.push_back(Seito{"2", sj(u"表田") + "_" + sj(u"ソ能"), sj(u"表田"), sj(u"ソ能"), sj(u"ひょうだ") + "#",
                             "%" + sj(u"そのう")});
    c.columns = 2;
    c.rows = 1;
    c.title = "\\textgt{" + sj(u"特別") + "}";
    c.place(0, 0, 1);
    c.place(1, 0, 2);
    return c;
}

ChartCase outsideJisCase()
{
    ChartCase c;
    c.roster = {student("1", u"髙橋", u"健太", u"たかはし", u"けんた"),
                student("2", u"岡﨑", u"①子", u"おかざき", u"㈱こ"),
                student("3", u"德永", u"瀨奈≒", u"とくなが", u"せな"),
                student("4", u"黑木", u"㈱", u"くろき", u"かぶ")};
    c.columns = 2;
    c.rows = 2;
    c.title = "\\textgt{" + sj(u"①組") + "}" + sj(u"\u3000㈱髙橋岡﨑");
    c.place(0, 0, 1);
    c.place(1, 0, 2);
    c.place(0, 1, 3);
    c.place(1, 1, 4);
    return c;
}

ChartCase printedAsTypedCase()
{
    ChartCase c;
    c.roster = {student("1", u"山<田>", u"太|郎", u"\"や\"まだ", u"た<ろう>"),
                student("2", u"\"鈴木\"", u"花>子", u"す|ずき", u"はな\"こ")};
    c.columns = 2;
    c.rows = 1;
    // ２年Ｂ組　ｻﾞｾｷﾋｮｳ <前期>
    c.title = sj(u"２年Ｂ組\u3000") + "\xBB\xDE\xBE\xB7\xCB\xAE\xB3 <" + sj(u"前期") + ">";
    c.place(0, 0, 1);
    c.place(1, 0, 2);
    return c;
}

} // namespace kelmora::testing
