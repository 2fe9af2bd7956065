// 名簿を取り込む's rules: the CSV and .xlsx readers, the roles, and the roster a
// list turns into, compared with the same class read from a Kelmora roster file.
#include "import/Csv.h"
#include "import/ListFile.h"
#include "import/ListRoster.h"
#include "import/Xlsx.h"
#include "roster/Roster.h"
#include "roster/RosterReader.h"
#include "roster/RosterText.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace kelmora;
using namespace kelmora::import;

namespace {

const QString kData = QStringLiteral(KELMORA_TESTDATA_DIR);

ListFile Read(const QString& name)
{
    return ReadListFile(QFile::encodeName(kData + u'/' + name).toStdString());
}

// The example class as 生徒氏名読込 loads it.
Roster ExampleClass()
{
    Roster roster;
    LoadRoster(roster, KELMORA_EXAMPLES_DIR "/roster6.csv");
    return roster;
}

// The list loaded as the import loads it: its roster text through the roster reader.
Roster Imported(const ImportedList& list, RosterTextNotes* notes = nullptr)
{
    Roster roster;
    roster.studentCount = ReadImportedRoster(roster.table, list, roster.columnCount, notes);
    return roster;
}

std::vector<Role> Roles(std::initializer_list<Role> roles)
{
    return roles;
}

// A CSV field as spreadsheets write one: quoted when it must be.
std::string CsvField(const std::string& cell)
{
    if (cell.find_first_of(",\"\r\n") == std::string::npos)
        return cell;
    std::string out = "\"";
    for (char c : cell)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

class ImportRulesTest : public QObject {
    Q_OBJECT

private slots:
    // Any table written as RFC 4180 CSV reads back cell for cell, whatever
    // commas, quotes, line breaks and multibyte characters its cells hold.
    void csvReadsBackWhatSpreadsheetsWrite()
    {
        const std::string pieces[] = {"a", "1", ",", "\"", "\r\n", "\n", "山田", "　", " ", "x\"y", ""};
        auto* random = QRandomGenerator::global();
        for (int round = 0; round < 500; ++round) {
            Sheet written;
            const int rows = random->bounded(1, 6);
            const int columns = random->bounded(1, 5);
            std::string csv;
            for (int r = 0; r < rows; ++r) {
                SheetRow row{r + 1, {}};
                for (int c = 0; c < columns; ++c) {
                    std::string cell;
                    for (int k = random->bounded(0, 4); k > 0; --k)
                        cell += pieces[random->bounded(int(std::size(pieces)))];
                    row.cells.push_back(cell);
                    csv += (c ? "," : "") + CsvField(cell);
                }
                csv += random->bounded(2) ? "\r\n" : "\n";
                row.cells.back() = row.cells.back(); // trailing empties are not kept
                while (!row.cells.empty() && row.cells.back().empty())
                    row.cells.pop_back();
                if (!row.cells.empty())
                    written.rows.push_back(row);
            }
            const Sheet read = ParseCsv(csv);
            QCOMPARE(read.rows.size(), written.rows.size());
            for (std::size_t r = 0; r < read.rows.size(); ++r)
                QVERIFY2(read.rows[r].cells == written.rows[r].cells, csv.c_str());
        }
    }

    // A records system's export: Shift-JIS, quoted, a header, a note with a
    // comma and a line break in its quotes, 姓/名/せい/めい apart, 性別 as 男/女.
    void exportCsvIsTheExampleClass()
    {
        const ListFile list = Read(QStringLiteral("export.csv"));
        QCOMPARE(list.kind, ListFileKind::Csv);
        const Sheet& sheet = list.sheets.at(0);
        QCOMPARE(FindHeaderRow(sheet), 0);
        const std::vector<Role> roles = GuessRoles(sheet, 0);
        QVERIFY(roles
                == Roles({Role::Number, Role::Family, Role::Given, Role::FamilyReading, Role::GivenReading, Role::Sex,
                          Role::Unused}));
        QCOMPARE(sheet.rows.at(3).cells.at(6), std::string("転入生, 4月から\n\"さん\"付けで"));
        // Rows are numbered as a spreadsheet shows them, whatever line breaks quotes hold.
        QCOMPARE(sheet.rows.at(4).number, 5);
        const ImportedList imported = BuildRosterText(sheet, 0, roles);
        QVERIFY(imported.problems.empty());
        QCOMPARE(imported.columns, 6);
        QCOMPARE(imported.students, 40);
        QCOMPARE(imported.sexes.size(), std::size_t(40));
        QCOMPARE(imported.sexes[0], ListSex::Boy);
        QCOMPARE(imported.sexes[1], ListSex::Girl);
        const Roster roster = Imported(imported);
        QCOMPARE(roster.studentCount, 40);
        QCOMPARE(roster.columnCount, 6);
        QVERIFY(roster.table == ExampleClass().table);
    }

    // Excel's way: a title row above the header, shared strings with phonetic
    // runs, an inline string, numbers from formulas' cached values, empty rows,
    // the full name in one cell and its reading in katakana in another.
    void workbookIsTheExampleClass()
    {
        const ListFile list = Read(QStringLiteral("class.xlsx"));
        QCOMPARE(list.kind, ListFileKind::Xlsx);
        QCOMPARE(list.sheets.size(), std::size_t(2));
        QCOMPARE(list.sheets[0].name, std::string("1年1組"));
        QCOMPARE(list.sheets[1].rows.at(0).cells, (std::vector<std::string>{"", "memo"}));
        const Sheet& sheet = list.sheets[0];
        QCOMPARE(FindHeaderRow(sheet), 1);
        QCOMPARE(sheet.rows.size(), std::size_t(42)); // title, header, 40 students: the empty rows left out
        QCOMPARE(sheet.rows[2].cells.at(0), std::string("1"));
        QCOMPARE(sheet.rows[3].cells.at(0), std::string("2"));          // =A3+1, cached
        QCOMPARE(sheet.rows[2].cells.at(1), std::string("青木　健太")); // without its phonetic run
        QCOMPARE(sheet.rows[7].cells.at(1), std::string("今井　七海")); // the inline string
        QCOMPARE(sheet.rows[2].cells.at(2), std::string("アオキ ケンタ"));
        const std::vector<Role> roles = GuessRoles(sheet, 1);
        QVERIFY(roles == Roles({Role::Number, Role::FullName, Role::FamilyReading, Role::Sex}));
        const ImportedList imported = BuildRosterText(sheet, 1, roles);
        QVERIFY(imported.problems.empty());
        QCOMPARE(imported.columns, 6);
        QCOMPARE(imported.sexes[0], ListSex::Boy); // M
        QCOMPARE(imported.sexes[1], ListSex::Girl);
        const Roster roster = Imported(imported);
        QVERIFY(roster.table == ExampleClass().table);
    }

    // As a spreadsheet library writes it: numbers as numbers (1, not 1.0), 姓
    // and 名 apart; the full name is made of them with a full-width space.
    void libraryWorkbookIsTheExampleClass()
    {
        const ListFile list = Read(QStringLiteral("library.xlsx"));
        QCOMPARE(list.kind, ListFileKind::Xlsx);
        const Sheet& sheet = list.sheets.at(0);
        const std::vector<Role> roles = GuessRoles(sheet, FindHeaderRow(sheet));
        QVERIFY(
            roles
            == Roles({Role::Number, Role::Family, Role::Given, Role::FamilyReading, Role::GivenReading, Role::Sex}));
        const Roster roster = Imported(BuildRosterText(sheet, 0, roles));
        QVERIFY(roster.table == ExampleClass().table);
    }

    // Full names only: split at a full- or half-width space into 姓 and 名 (3
    // columns); one name without a space leaves the list at 2 columns.
    void fullNamesMakeThreeOrTwoColumns()
    {
        Sheet sheet = ParseCsv("番号,氏名\n1,山田　太郎\n2,佐藤 花子\n");
        ImportedList list = BuildRosterText(sheet, 0, GuessRoles(sheet, 0));
        QCOMPARE(list.columns, 3);
        Roster roster = Imported(list);
        QCOMPARE(roster.columnCount, 3);
        QCOMPARE(roster.table[1].FamilyName, std::string("\x8d\xb2\x93\xa1"));                // 佐藤
        QCOMPARE(roster.table[1].FullName, std::string("\x8d\xb2\x93\xa1 \x89\xd4\x8e\x71")); // as written

        sheet = ParseCsv("番号,氏名\n1,山田　太郎\n2,ジョン\n");
        list = BuildRosterText(sheet, 0, GuessRoles(sheet, 0));
        QCOMPARE(list.columns, 2);
        QCOMPARE(Imported(list).columnCount, 2);

        // ...but readings need every name split: the row is named.
        sheet = ParseCsv("番号,氏名,ふりがな\n1,山田　太郎,やまだ たろう\n2,ジョン,じょん\n");
        list = BuildRosterText(sheet, 0, GuessRoles(sheet, 0));
        QVERIFY(list.rosterText.empty());
        QCOMPARE(list.problems.size(), std::size_t(2));
        QVERIFY(list.problems[0].starts_with("3 行目: "));
    }

    void readingsSexAndSplitting()
    {
        QCOMPARE(HiraganaReading("ヤマダ"), std::string("やまだ"));
        QCOMPARE(HiraganaReading("ｻﾄｳ"), std::string("さとう"));                // half-width
        QCOMPARE(HiraganaReading("ヴァイオリン"), std::string("ヴぁいおりん")); // no hiragana ゔ in code page 932
        QCOMPARE(HiraganaReading("コーヒー"), std::string("こーひー"));
        for (const char* boy : {"男", "M", "m", "1", "男子", "１"})
            QCOMPARE(SexFromText(boy), ListSex::Boy);
        for (const char* girl : {"女", "F", "2", "女子"})
            QCOMPARE(SexFromText(girl), ListSex::Girl);
        QCOMPARE(SexFromText(""), ListSex::None);
        QCOMPARE(SexFromText("3"), ListSex::None);
        QVERIFY(SplitAtSpace("山田　太郎") == std::pair(std::string("山田"), std::string("太郎")));
        QVERIFY(SplitAtSpace(" 山田  太郎 ") == std::pair(std::string("山田"), std::string("太郎")));
        QVERIFY(!SplitAtSpace("山田太郎"));
        QVERIFY(!SplitAtSpace("山田　"));
    }

    // A name code page 932 lacks becomes 〓, and the note names the list's row,
    // as for a UTF-8 roster file.
    void missingCharactersAreNotedByRow()
    {
        const Sheet sheet = ParseCsv("\n番号,氏名\n1,山田　太郎\n\n2,\xF0\xA0\xAE\xB7田　花子\n"); // 𠮷
        const ImportedList list = BuildRosterText(sheet, 0, GuessRoles(sheet, 0));
        RosterTextNotes notes;
        const Roster roster = Imported(list, &notes);
        QCOMPARE(roster.studentCount, 2);
        QCOMPARE(notes.changed.size(), std::size_t(1));
        QCOMPARE(notes.changed[0].line, 5);
        QCOMPARE(roster.table[1].FullName, std::string("\x81\xac\x93\x63\x81\x40\x89\xd4\x8e\x71"));
    }

    // A comma in a cell cannot end the field: it becomes a full-width comma.
    void cellsCannotBreakTheRow()
    {
        const Sheet sheet = ParseCsv("番号,氏名\n1,\"山田, 太郎\"\n2,\"佐藤\n花子\"\n");
        const Roster roster = Imported(BuildRosterText(sheet, 0, GuessRoles(sheet, 0)));
        QCOMPARE(roster.studentCount, 2);
        QCOMPARE(roster.columnCount, 3);
        QCOMPARE(roster.table[0].FullName, std::string("\x8e\x52\x93\x63\x81\x43 \x91\xbe\x98\x59")); // 山田， 太郎
        // Readings are folded to full width, which makes a full-width comma a
        // comma again: it must not end the field either.
        const Sheet readings = ParseCsv("番号,氏名,せい,めい\n1,山田　太郎,ﾔﾏﾀﾞ，ﾔﾏﾀﾞ,ﾀﾛｳ\n");
        const Roster withReadings = Imported(BuildRosterText(readings, 0, GuessRoles(readings, 0)));
        QCOMPARE(withReadings.columnCount, 6);
        QCOMPARE(withReadings.table[0].FamilyReading,
                 std::string("\x82\xe2\x82\xdc\x82\xbe\x81\x43\x82\xe2\x82\xdc\x82\xbe"));
    }

    // The saved roster file reads back as the same roster, through 生徒氏名読込's reader.
    void savedRosterReadsBack()
    {
        const Roster roster = ExampleClass();
        for (const int columns : {2, 3, 6}) {
            RosterTable table = roster.table;
            for (Seito& s : table) {
                if (columns < 6)
                    s.GivenName = s.FamilyReading = s.GivenReading = {};
                if (columns < 3)
                    s.FamilyName = {};
            }
            const std::string bytes = RosterFileBytes(table, columns, "from class.xlsx");
            QVERIFY(bytes.starts_with("% from class.xlsx\r\n%"));
            RosterTable read;
            int readColumns = 0;
            QCOMPARE(ReadRosterBytes(read, bytes, readColumns), 40);
            QCOMPARE(readColumns, columns);
            QVERIFY(read == table);
        }
    }

    // A header of one known word is found when no row below has one; without a
    // header, a column of IDs is never taken for the names.
    void oneWordHeadersAndIdColumns()
    {
        Sheet sheet = ParseCsv("ID,氏名\nA01,山田 太郎\nA02,佐藤 花子\n");
        QCOMPARE(FindHeaderRow(sheet), 0);
        QVERIFY(GuessRoles(sheet, 0) == Roles({Role::Unused, Role::FullName}));
        QCOMPARE(Imported(BuildRosterText(sheet, 0, GuessRoles(sheet, 0))).studentCount, 2);
        sheet = ParseCsv("氏名\n山田 太郎\n佐藤 花子\n");
        QCOMPARE(FindHeaderRow(sheet), 0);
        QCOMPARE(Imported(BuildRosterText(sheet, 0, GuessRoles(sheet, 0))).table[0].FullName,
                 std::string("\x8e\x52\x93\x63 \x91\xbe\x98\x59")); // 山田 太郎
        // A name that is a heading word too (名) below it: no header after all.
        sheet = ParseCsv("氏名\n山田 太郎\n名\n");
        QCOMPARE(FindHeaderRow(sheet), -1);

        sheet = ParseCsv("A01,山田 太郎\nA02,佐藤 花子\n");
        QCOMPARE(FindHeaderRow(sheet), -1);
        QVERIFY(GuessRoles(sheet, -1) == Roles({Role::Unused, Role::FullName}));
        sheet = ParseCsv("1,S0012,山田 太郎\n2,S0013,佐藤 花子\n");
        QVERIFY(GuessRoles(sheet, -1) == Roles({Role::Number, Role::Unused, Role::FullName}));
    }

    // Of several number headings the attendance number is taken, wherever it stands.
    void attendanceNumberBeforeOtherNumbers()
    {
        Sheet sheet = ParseCsv("学籍番号,学年,組,出席番号,氏名,性別\n");
        QVERIFY(GuessRoles(sheet, 0)
                == Roles({Role::Unused, Role::Unused, Role::Unused, Role::Number, Role::FullName, Role::Sex}));
        sheet = ParseCsv("学籍番号,No.,氏名\n");
        QVERIFY(GuessRoles(sheet, 0) == Roles({Role::Unused, Role::Number, Role::FullName}));
        sheet = ParseCsv("番号,学籍番号,氏名\n");
        QVERIFY(GuessRoles(sheet, 0) == Roles({Role::Number, Role::Unused, Role::FullName}));
    }

    // Two reading columns named by whose reading they hold, whichever side the
    // qualifier stands: each gets its own use, and the list comes in with both.
    void readingHeadersNameTheirHalf()
    {
        for (const char* header : {"フリガナ(セイ),フリガナ(メイ)", "カナ姓,カナ名", "ふりがな(姓),ふりがな(名)",
                                   "姓ふりがな,名ふりがな", "ｾｲ,ﾒｲ"}) {
            const Sheet sheet = ParseCsv(std::string("番号,氏名,") + header + "\n1,山田 太郎,ヤマダ,タロウ\n");
            const std::vector<Role> roles = GuessRoles(sheet, FindHeaderRow(sheet));
            QVERIFY2(roles == Roles({Role::Number, Role::FullName, Role::FamilyReading, Role::GivenReading}), header);
            const Roster roster = Imported(BuildRosterText(sheet, 0, roles));
            QCOMPARE(roster.columnCount, 6);
            QCOMPARE(roster.table[0].GivenReading, std::string("\x82\xbd\x82\xeb\x82\xa4")); // たろう
        }
        // The reading of the whole name stays one column, split at its space.
        const Sheet whole = ParseCsv("番号,氏名,氏名(フリガナ)\n1,山田 太郎,ヤマダ タロウ\n");
        QVERIFY(GuessRoles(whole, 0) == Roles({Role::Number, Role::FullName, Role::FamilyReading}));
    }

    void rolesRemembered()
    {
        const std::vector<Role> roles(std::begin(kRoles), std::end(kRoles));
        QVERIFY(RolesFromText(RolesText(roles), 8) == roles);
        QVERIFY(!RolesFromText(RolesText(roles), 7));
        QVERIFY(!RolesFromText("番号,なにか", 2));
        QVERIFY(!RolesFromText("", 0));
        const Sheet a = ParseCsv("出席番号, 氏名 \n1,x\n");
        const Sheet b = ParseCsv("出席番号,氏名\n2,y\n");
        QCOMPARE(HeaderKey(a, 0), HeaderKey(b, 0));
        QVERIFY(HeaderKey(a, 0) != HeaderKey(ParseCsv("番号,氏名\n"), 0));
    }

    // What is no list we read is named, and nothing of it is read.
    void refusals()
    {
        std::string xls("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        xls.resize(2048, '\0');
        QCOMPARE(ReadListBytes(xls).kind, ListFileKind::OldExcel);
        std::string encrypted = xls;
        const char16_t name[] = u"EncryptedPackage";
        encrypted.replace(1024, sizeof name, reinterpret_cast<const char*>(name), sizeof name);
        QCOMPARE(ReadListBytes(encrypted).kind, ListFileKind::Encrypted);
        QCOMPARE(ReadListBytes(std::string("%PDF-1.4\n\0\0\x01", 12)).kind, ListFileKind::NotText);

        const ListFile bomb = Read(QStringLiteral("bomb.xlsx"));
        QCOMPARE(bomb.kind, ListFileKind::UnpacksTooLarge);
        QVERIFY(bomb.sheets.empty());
        // Its directory claims 1,000 bytes: inflating stops there.
        const ListFile lying = Read(QStringLiteral("bomb-lying.xlsx"));
        QVERIFY(lying.kind == ListFileKind::Damaged || lying.kind == ListFileKind::UnpacksTooLarge);
        QVERIFY(lying.sheets.empty());

        QTemporaryDir dir;
        QFile big(dir.filePath(QStringLiteral("big.csv")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.resize(qint64(kMaxRosterFileBytes) + 1)); // sparse: no 64 MB written
        big.close();
        QCOMPARE(ReadListFile(QFile::encodeName(big.fileName()).toStdString()).kind, ListFileKind::TooLarge);
        QCOMPARE(ReadListFile(QFile::encodeName(dir.filePath(QStringLiteral("none.csv"))).toStdString()).kind,
                 ListFileKind::Unreadable);
    }

    // A quote inside a field is a character: the rows after it stay rows.
    void quoteInsideAFieldIsLiteral()
    {
        const Sheet sheet = ParseCsv("番号,氏名\n1,山田\"太郎\n2,佐藤 花子\n");
        QCOMPARE(sheet.rows.size(), std::size_t(3));
        QCOMPARE(sheet.rows[1].cells.at(1), std::string("山田\"太郎"));
        QCOMPARE(sheet.rows[2].cells.at(1), std::string("佐藤 花子"));
    }

    // Shared strings written indented read as Excel shows them: the white
    // space between elements and the phonetic run are no part of the text.
    void indentedSharedStrings()
    {
        const ListFile list = Read(QStringLiteral("pretty.xlsx"));
        QCOMPARE(list.kind, ListFileKind::Xlsx);
        const SheetRow& row = list.sheets.at(0).rows.at(0);
        QCOMPARE(row.cells.at(0), std::string("山田　太郎"));
        QCOMPARE(row.cells.at(1), std::string("佐藤　花子"));
    }

    // Excel's sheet ends at row 1,048,576 and column XFD: a cell past it is a
    // damaged workbook. Blank rows above a list cost nothing: the roster text
    // holds the students' lines only, and its notes still name the list's rows.
    void farRowsAreNoBurden()
    {
        QCOMPARE(Read(QStringLiteral("far-row.xlsx")).kind, ListFileKind::Damaged);
        QCOMPARE(Read(QStringLiteral("far-column.xlsx")).kind, ListFileKind::Damaged);
        const ListFile last = Read(QStringLiteral("last-row.xlsx"));
        QCOMPARE(last.kind, ListFileKind::Xlsx);
        QCOMPARE(last.sheets.at(0).rows.at(0).number, 1'048'576);

        const Sheet sheet = ParseCsv(std::string(1'000'000, '\n') + "番号,氏名\n1,\xF0\xA0\xAE\xB7田　花子\n");
        const ImportedList list = BuildRosterText(sheet, 0, GuessRoles(sheet, 0));
        QVERIFY(list.rosterText.size() < 100);
        RosterTextNotes notes;
        QCOMPARE(Imported(list, &notes).studentCount, 1);
        QCOMPARE(notes.changed.at(0).line, 1'000'002);
    }

    // A list longer than any school's is refused early; a stopped reading gives nothing.
    void longListsAndStops()
    {
        std::string csv = "番号,氏名\n";
        for (std::size_t k = 1; k < kMaxListRows; ++k)
            csv += std::to_string(k) + ",山田　太郎\n";
        QCOMPARE(ReadListBytes(csv).kind, ListFileKind::Csv); // the header and 9,999 students: just in
        csv += "10000,山田　花子\n";
        const ListFile tooLong = ReadListBytes(csv);
        QCOMPARE(tooLong.kind, ListFileKind::TooManyRows);
        QVERIFY(tooLong.sheets.empty());
        const std::atomic<bool> stop = true;
        QCOMPARE(ReadListBytes("番号,氏名\n1,山田　太郎\n", &stop).kind, ListFileKind::Stopped);
        QFile f(kData + QStringLiteral("/class.xlsx"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(ReadListBytes(f.readAll().toStdString(), &stop).kind, ListFileKind::Stopped);
    }

    // Damaged workbooks of every length read as refused or as sheets, never a crash.
    void cutWorkbooksAreRefused()
    {
        QFile f(kData + QStringLiteral("/class.xlsx"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray whole = f.readAll();
        for (qsizetype n = 0; n < whole.size(); n += 97) {
            const ListFile list = ReadListBytes(std::string_view(whole.constData(), std::size_t(n)));
            QVERIFY(list.kind != ListFileKind::Xlsx || !list.sheets.empty());
        }
    }
};

QTEST_GUILESS_MAIN(ImportRulesTest)
#include "test_import_rules.moc"
