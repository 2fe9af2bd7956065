#include "import/ListRoster.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>

namespace kelmora::import {

namespace {

constexpr std::array<std::string_view, 8> kRoleNames = {"番号", "氏名", "姓", "名", "せい", "めい", "性別", "使わない"};

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text)
{
    return text.toUtf8().toStdString();
}

bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

QString Trimmed(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

// A cell as one field of a "$" line: without spaces around it, and with nothing
// that would end the field or the line (a comma becomes a full-width one).
QString FieldText(std::string_view cell)
{
    QString text = FromUtf8(cell);
    text.replace(u',', QChar(0xFF0C));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return Trimmed(text);
}

// A header word for comparing: width and case folded, spaces and brackets gone.
QString HeaderWord(std::string_view cell)
{
    QString word = FromUtf8(cell).normalized(QString::NormalizationForm_KC).toLower();
    word.remove(u' ');
    word.remove(QChar(0x3000));
    for (const char16_t bracket : {u'(', u')', u'[', u']', u'【', u'】', u'「', u'」', u'<', u'>'})
        word.remove(QChar(bracket));
    return word;
}

Role RoleOfWord(const QString& w)
{
    if (w.isEmpty())
        return Role::Unused;
    static const QStringList readingWords = {QStringLiteral("ふりがな"), QStringLiteral("フリガナ"),
                                             QStringLiteral("よみがな"), QStringLiteral("ヨミガナ"),
                                             QStringLiteral("よみ"),     QStringLiteral("ヨミ"),
                                             QStringLiteral("かな"),     QStringLiteral("カナ")};
    const bool reading =
        w == u"せい" || w == u"セイ" || w == u"めい" || w == u"メイ"
        || std::any_of(readingWords.begin(), readingWords.end(), [&](const QString& r) { return w.contains(r); });
    if (reading) {
        // What is left beside the reading word says whose reading it is: 名ふりがな,
        // フリガナ(メイ) and カナ名 alike. The longer words go first (ふりがな before かな).
        QString whose = w;
        for (const QString& r : readingWords)
            whose.remove(r);
        if (whose == u"めい" || whose == u"メイ" || whose == u"名")
            return Role::GivenReading;
        return Role::FamilyReading; // せい, 姓ふりがな, or the reading of the whole name
    }
    if (w.contains(u"番号") || w == u"no" || w == u"no." || w == u"番" || w == u"出席no" || w == u"出席no."
        || w == u"#")
        return Role::Number;
    if (w.contains(u"性別") || w == u"男女" || w == u"性")
        return Role::Sex;
    if (w.contains(u"氏名") || w.contains(u"名前") || w == u"生徒名" || w == u"児童名" || w == u"姓名"
        || w == u"なまえ")
        return Role::FullName;
    if (w == u"姓" || w == u"氏" || w == u"苗字" || w == u"名字" || w == u"姓漢字")
        return Role::Family;
    if (w == u"名" || w == u"名漢字")
        return Role::Given;
    return Role::Unused;
}

const std::string& Cell(const SheetRow& row, int column)
{
    static const std::string empty;
    return column >= 0 && static_cast<std::size_t>(column) < row.cells.size()
               ? row.cells[static_cast<std::size_t>(column)]
               : empty;
}

bool IsWholeNumber(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Among several number headings the attendance number is meant: 出席番号 before
// a plain 番号/No., and both before 学籍番号 and the like.
int NumberRank(const QString& w)
{
    if (w.startsWith(u"出席"))
        return 0;
    if (w == u"番号" || w == u"no" || w == u"no." || w == u"番" || w == u"#")
        return 1;
    return 2;
}

// A name holds no digits; an ID (A01) or a number does.
bool LooksLikeNames(const Sheet& sheet, int column)
{
    bool any = false;
    for (const SheetRow& row : sheet.rows) {
        const std::string& cell = Cell(row, column);
        const QString text = FromUtf8(cell).normalized(QString::NormalizationForm_KC);
        if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
            return false;
        any = any || !Trimmed(text).isEmpty();
    }
    return any;
}

int HeadingWords(const SheetRow& row)
{
    int count = 0;
    for (const std::string& cell : row.cells)
        count += RoleOfWord(HeaderWord(cell)) != Role::Unused;
    return count;
}

constexpr int kHeaderSearchRows = 10;

} // namespace

std::string_view RoleName(Role role)
{
    return kRoleNames[static_cast<std::size_t>(role)];
}

std::optional<Role> RoleFromName(std::string_view name)
{
    for (const Role role : kRoles)
        if (RoleName(role) == name)
            return role;
    return std::nullopt;
}

int SheetWidth(const Sheet& sheet)
{
    std::size_t width = 0;
    for (const SheetRow& row : sheet.rows)
        width = std::max(width, row.cells.size());
    return static_cast<int>(width);
}

int FindHeaderRow(const Sheet& sheet)
{
    int best = -1;
    int bestCount = 1;
    int single = -1; // the first row with one heading word
    const int rows = std::min(static_cast<int>(sheet.rows.size()), kHeaderSearchRows);
    for (int r = 0; r < rows; ++r) {
        const int count = HeadingWords(sheet.rows[static_cast<std::size_t>(r)]);
        if (count == 1 && single < 0)
            single = r;
        if (count > bestCount) {
            best = r;
            bestCount = count;
        }
    }
    if (best >= 0 || single < 0)
        return best;
    // One heading word (「氏名」 over the names alone, 「ID,氏名」) is the header
    // when no row below it has a heading word too, as a student's row would not.
    for (std::size_t r = static_cast<std::size_t>(single) + 1; r < sheet.rows.size(); ++r)
        if (HeadingWords(sheet.rows[r]) > 0)
            return -1;
    return single;
}

std::vector<Role> GuessRoles(const Sheet& sheet, int headerRow)
{
    std::vector<Role> roles(static_cast<std::size_t>(SheetWidth(sheet)), Role::Unused);
    if (roles.empty())
        return roles;
    if (headerRow < 0 || static_cast<std::size_t>(headerRow) >= sheet.rows.size()) {
        // No header: the usual order of a class list, number then name.
        const bool numbers = !sheet.rows.empty()
                             && std::all_of(sheet.rows.begin(), sheet.rows.end(),
                                            [](const SheetRow& row) { return IsWholeNumber(Cell(row, 0)); });
        if (numbers)
            roles[0] = Role::Number;
        // The names are the first column of names: an ID column (A01) before it is no name.
        const int first = numbers ? 1 : 0;
        int names = first;
        for (int c = first; c < static_cast<int>(roles.size()); ++c)
            if (LooksLikeNames(sheet, c)) {
                names = c;
                break;
            }
        if (names < static_cast<int>(roles.size()))
            roles[static_cast<std::size_t>(names)] = Role::FullName;
        return roles;
    }
    const SheetRow& header = sheet.rows[static_cast<std::size_t>(headerRow)];
    std::vector<bool> taken(std::size(kRoles), false);
    int numberColumn = -1;
    int numberRank = 3;
    for (std::size_t c = 0; c < roles.size(); ++c) {
        const QString word = HeaderWord(Cell(header, static_cast<int>(c)));
        const Role role = RoleOfWord(word);
        if (role == Role::Number) {
            if (const int rank = NumberRank(word); rank < numberRank) {
                numberRank = rank;
                numberColumn = static_cast<int>(c);
            }
            continue;
        }
        if (role == Role::Unused || taken[static_cast<std::size_t>(role)])
            continue;
        taken[static_cast<std::size_t>(role)] = true;
        roles[c] = role;
    }
    if (numberColumn >= 0)
        roles[static_cast<std::size_t>(numberColumn)] = Role::Number;
    return roles;
}

ListSex SexFromText(std::string_view utf8)
{
    const QString w = Trimmed(FromUtf8(utf8).normalized(QString::NormalizationForm_KC).toLower());
    if (w == u"男" || w == u"男子" || w == u"男性" || w == u"m" || w == u"male" || w == u"1")
        return ListSex::Boy;
    if (w == u"女" || w == u"女子" || w == u"女性" || w == u"f" || w == u"female" || w == u"2")
        return ListSex::Girl;
    return ListSex::None;
}

std::string HiraganaReading(std::string_view utf8)
{
    // NFKC makes half-width kana full-width (and an ideographic space a plain one).
    QString text = FromUtf8(utf8).normalized(QString::NormalizationForm_KC);
    for (QChar& c : text)
        if (c.unicode() >= 0x30A1 && c.unicode() <= 0x30F3) // ァ..ン
            c = QChar(static_cast<char16_t>(c.unicode() - 0x60));
    return ToUtf8(text);
}

std::optional<std::pair<std::string, std::string>> SplitAtSpace(std::string_view utf8)
{
    const QString text = Trimmed(FromUtf8(utf8));
    const auto space = std::find_if(text.begin(), text.end(), IsSpace);
    if (space == text.end())
        return std::nullopt;
    const qsizetype at = space - text.begin();
    const QString family = Trimmed(text.left(at));
    const QString given = Trimmed(text.mid(at + 1));
    if (family.isEmpty() || given.isEmpty())
        return std::nullopt;
    return std::pair{ToUtf8(family), ToUtf8(given)};
}

ImportedList BuildRosterText(const Sheet& sheet, int headerRow, const std::vector<Role>& roles)
{
    ImportedList result;
    auto columnOf = [&](Role role) {
        const auto at = std::find(roles.begin(), roles.end(), role);
        return at == roles.end() ? -1 : static_cast<int>(at - roles.begin());
    };
    const int number = columnOf(Role::Number);
    const int full = columnOf(Role::FullName);
    const int family = columnOf(Role::Family);
    const int given = columnOf(Role::Given);
    const int familyReading = columnOf(Role::FamilyReading);
    const int givenReading = columnOf(Role::GivenReading);
    const int sex = columnOf(Role::Sex);
    const bool readings = familyReading >= 0 || givenReading >= 0;

    if (full < 0 && (family < 0 || given < 0)) {
        result.problems.push_back("氏名の列(または姓と名の列)を選んでください。");
        return result;
    }

    struct Student {
        int row = 0;
        QString number, full, family, given, familyReading, givenReading;
        ListSex sex = ListSex::None;
    };
    std::vector<Student> students;
    bool everyFamily = true;
    auto problem = [&](int row, const char* what) {
        result.problems.push_back(std::to_string(row) + " 行目: " + what);
    };
    const std::size_t first = headerRow < 0 ? 0 : static_cast<std::size_t>(headerRow) + 1;
    for (std::size_t r = first; r < sheet.rows.size(); ++r) {
        const SheetRow& row = sheet.rows[r];
        auto field = [&](int column) { return FieldText(Cell(row, column)); };
        Student s;
        s.row = row.number;
        s.number = field(number);
        s.full = field(full);
        s.family = field(family);
        s.given = field(given);
        s.familyReading = field(familyReading);
        s.givenReading = field(givenReading);
        // A row with nothing for the roster is no student (a blank or a total line).
        if (s.number.isEmpty() && s.full.isEmpty() && s.family.isEmpty() && s.given.isEmpty()
            && s.familyReading.isEmpty() && s.givenReading.isEmpty())
            continue;
        if (sex >= 0)
            s.sex = SexFromText(Cell(row, sex));

        if (number < 0)
            s.number = QString::number(students.size() + 1);
        else if (s.number.isEmpty())
            problem(s.row, "番号がありません。");

        if (full >= 0 && (s.family.isEmpty() || s.given.isEmpty()))
            if (const auto parts = SplitAtSpace(ToUtf8(s.full))) {
                if (s.family.isEmpty())
                    s.family = FromUtf8(parts->first);
                if (s.given.isEmpty())
                    s.given = FromUtf8(parts->second);
            }
        if (s.full.isEmpty() && !s.family.isEmpty() && !s.given.isEmpty())
            s.full = s.family + QChar(0x3000) + s.given;
        if (s.full.isEmpty())
            problem(s.row, "氏名がありません。");
        if (s.family.isEmpty() || s.given.isEmpty())
            everyFamily = false;

        if (readings) {
            // Width folding can make a comma of a full-width one again.
            s.familyReading = FieldText(HiraganaReading(ToUtf8(s.familyReading)));
            s.givenReading = FieldText(HiraganaReading(ToUtf8(s.givenReading)));
            if (s.givenReading.isEmpty() || s.familyReading.isEmpty())
                if (const auto parts =
                        SplitAtSpace(ToUtf8(s.familyReading.isEmpty() ? s.givenReading : s.familyReading))) {
                    s.familyReading = FromUtf8(parts->first);
                    s.givenReading = FromUtf8(parts->second);
                }
            if (s.familyReading.isEmpty() || s.givenReading.isEmpty())
                problem(s.row, "ふりがなを姓と名に分けられません(せいとめいの間に空白がありません)。");
            if (!s.full.isEmpty() && (s.family.isEmpty() || s.given.isEmpty()))
                problem(s.row, "氏名を姓と名に分けられません(姓と名の間に空白がありません)。");
        }
        students.push_back(std::move(s));
    }
    if (students.empty())
        result.problems.push_back("取り込む生徒がいません。");
    if (!result.problems.empty())
        return result;

    result.columns = readings ? 6 : everyFamily ? 3 : 2;
    result.students = static_cast<int>(students.size());
    QString text = QStringLiteral("\uFEFF");
    for (const Student& s : students) {
        QStringList fields = {QStringLiteral("$"), s.number, s.full};
        if (result.columns >= 3)
            fields << s.family;
        if (result.columns == 6)
            fields << s.given << s.familyReading << s.givenReading;
        text += fields.join(u',') + u'\n';
        result.rows.push_back(s.row);
        if (sex >= 0)
            result.sexes.push_back(s.sex);
    }
    result.rosterText = ToUtf8(text);
    return result;
}

int ReadImportedRoster(RosterTable& table, const ImportedList& list, int& columnCount, RosterTextNotes* notes)
{
    const int result = ReadRosterText(table, list.rosterText, columnCount, notes);
    if (notes)
        for (auto& changed : notes->changed)
            if (changed.line >= 1 && static_cast<std::size_t>(changed.line) <= list.rows.size())
                changed.line = list.rows[static_cast<std::size_t>(changed.line - 1)];
    return result;
}

std::string RosterFileBytes(const RosterTable& table, int columns, std::string_view comment)
{
    std::string text = "% ";
    text += comment;
    text += "\r\n";
    // 番, 姓　名, 姓, 名, せい, めい (code page 932), as many as the form has.
    static constexpr std::string_view kNames[] = {"\x94\xd4", "\x90\xa9\x81\x40\x96\xbc", "\x90\xa9",
                                                  "\x96\xbc", "\x82\xb9\x82\xa2",         "\x82\xdf\x82\xa2"};
    text += "%";
    for (int c = 0; c < columns && c < 6; ++c) {
        text += c == 0 ? " " : ",";
        text += kNames[c];
    }
    text += "\r\n";
    for (const Seito& s : table) {
        const std::string* fields[] = {&s.Number,    &s.FullName,      &s.FamilyName,
                                       &s.GivenName, &s.FamilyReading, &s.GivenReading};
        text += "$";
        for (int c = 0; c < columns && c < 6; ++c) {
            text += ',';
            text += *fields[c];
        }
        text += "\r\n";
    }
    return text;
}

std::string HeaderKey(const Sheet& sheet, int headerRow)
{
    if (headerRow < 0 || static_cast<std::size_t>(headerRow) >= sheet.rows.size())
        return {};
    QStringList words;
    for (const std::string& cell : sheet.rows[static_cast<std::size_t>(headerRow)].cells)
        words << HeaderWord(cell);
    return ToUtf8(words.join(u'\t'));
}

std::string RolesText(const std::vector<Role>& roles)
{
    std::string text;
    for (const Role role : roles) {
        if (!text.empty())
            text += ',';
        text += RoleName(role);
    }
    return text;
}

std::optional<std::vector<Role>> RolesFromText(std::string_view text, int width)
{
    std::vector<Role> roles;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        const std::optional<Role> role =
            RoleFromName(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (!role)
            return std::nullopt;
        roles.push_back(*role);
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (static_cast<int>(roles.size()) != width)
        return std::nullopt;
    return roles;
}

} // namespace kelmora::import
