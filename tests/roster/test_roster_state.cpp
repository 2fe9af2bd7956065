// The roster state (table, counts, roster positions), the option table of a load,
// and the display command that fills the student list.
#include "common/Files.h"
#include "common/Sjis.h"
#include "roster/Roster.h"
#include "roster/RosterReader.h"
#include "roster/StudentList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <optional>
#include <string>

using kelmora::NameMode;
using kelmora::OptionStates;
using kelmora::Roster;
using kelmora::StudentList;

Q_DECLARE_METATYPE(std::optional<kelmora::OptionStates>)

namespace {

using ::testing::sj;
using ::testing::writeFile;

// A roster as a load leaves it, read from the given file text.
Roster rosterOf(const std::string& text)
{
    Roster r;
    r.studentCount = kelmora::ReadRosterBytes(r.table, text, r.columnCount);
    return r;
}

const std::string kSix = sj("$,1,山田　太郎,山田,太郎,やまだ,たろう\n"
                            "$,2,佐藤　花子,佐藤,花子,さとう,はなこ\n"
                            "$,3,鈴木　一郎,鈴木,一郎,すずき,いちろう\n");
const std::string kThree = sj("$,1,山田　太郎,山田\n$,2,佐藤　花子,佐藤\n$,3,鈴木　一郎,鈴木\n");
const std::string kTwo = sj("$,1,山田　太郎\n$,2,佐藤　花子\n$,3,鈴木　一郎\n");

QByteArray cell(const StudentList& list, int column, int row)
{
    return QByteArray::fromStdString(list.cell(column, row));
}

void setHeader(StudentList& list)
{
    list.setCell(0, 0, sj("番"));
    list.setCell(1, 0, sj("　名　　　前　"));
}

void checkHeader(const StudentList& list)
{
    QCOMPARE(cell(list, 0, 0), QByteArray::fromStdString(sj("番")));
    QCOMPARE(cell(list, 1, 0), QByteArray::fromStdString(sj("　名　　　前　")));
}

} // namespace

class TestRosterState : public QObject {
    Q_OBJECT

private slots:
    void recordBounds_data();
    void recordBounds();
    void loadRosterReplacesTheTable();
    void optionsForColumnCount_data();
    void optionsForColumnCount();
    void studentListCells();
    void display_data();
    void display();
    void displayFortyStudents();
    void redisplayRestoresEmptiedCells();
    void displayFollowsTheCurrentRoster();
    void displayWithoutStudents_data();
    void displayWithoutStudents();
    void displayNeverReadsPastTheTable();
};

void TestRosterState::recordBounds_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QByteArray>("number"); // empty: no record
    QTest::newRow("0 is no student") << 0 << QByteArray();
    QTest::newRow("negative") << -1 << QByteArray();
    QTest::newRow("lowest") << 1 << QByteArray("1");
    QTest::newRow("middle") << 2 << QByteArray("2");
    QTest::newRow("last") << 3 << QByteArray("3");
    QTest::newRow("one past the end") << 4 << QByteArray();
    QTest::newRow("far past the end") << std::numeric_limits<int>::max() << QByteArray();
    QTest::newRow("most negative") << std::numeric_limits<int>::min() << QByteArray();
}

void TestRosterState::recordBounds()
{
    QFETCH(int, position);
    QFETCH(QByteArray, number);
    const Roster roster = rosterOf(kTwo);
    QCOMPARE(roster.studentCount, 3);
    const kelmora::Seito* s = roster.record(position);
    if (number.isEmpty()) {
        QVERIFY(s == nullptr);
    } else {
        QVERIFY(s != nullptr);
        QCOMPARE(QByteArray::fromStdString(s->Number), number);
        QVERIFY(s == &roster.table[std::size_t(position - 1)]);
    }
}

void TestRosterState::loadRosterReplacesTheTable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Roster roster;
    roster.table.resize(500, kelmora::Seito{"9", "old", "", "", "", ""});

    // A load replaces, never appends.
    std::error_code error;
    QCOMPARE(kelmora::LoadRoster(roster, writeFile(dir, "six.csv", kSix), &error), 3);
    QVERIFY(!error);
    QCOMPARE(roster.studentCount, 3);
    QCOMPARE(roster.columnCount, 6);
    QCOMPARE(roster.table.size(), std::size_t(3));
    QCOMPARE(QByteArray::fromStdString(roster.record(3)->GivenReading), QByteArray::fromStdString(sj("いちろう")));

    // Differing column counts: -1, the records stay.
    QCOMPARE(kelmora::LoadRoster(roster, writeFile(dir, "mixed.csv", "$,1,A\n$,2,B,b\n")), -1);
    QCOMPARE(roster.studentCount, -1);
    QCOMPARE(roster.columnCount, 3);
    QCOMPARE(roster.table.size(), std::size_t(2));

    // An unreadable file leaves nothing behind, not even the storage.
    QCOMPARE(kelmora::LoadRoster(roster, dir.filePath("missing.csv").toStdString(), &error), 0);
    QVERIFY(error == std::errc::no_such_file_or_directory);
    QCOMPARE(roster.studentCount, 0);
    QCOMPARE(roster.columnCount, 0);
    QVERIFY(roster.table.empty());
    QCOMPARE(roster.table.capacity(), std::size_t(0));
    QVERIFY(roster.record(1) == nullptr);

    // Comments only: the same as unreadable, and no reason given.
    QCOMPARE(kelmora::LoadRoster(roster, writeFile(dir, "comments.csv", "% only\r\n"), &error), 0);
    QVERIFY(!error);
    QCOMPARE(roster.columnCount, 0);
    QVERIFY(roster.table.empty());
}

void TestRosterState::optionsForColumnCount_data()
{
    QTest::addColumn<int>("columnCount");
    QTest::addColumn<std::optional<OptionStates>>("states");
    const std::optional<OptionStates> unchanged;
    const OptionStates all{true, true, true, true};
    QTest::newRow("0") << 0 << unchanged;
    QTest::newRow("1") << 1 << unchanged;
    QTest::newRow("2") << 2 << std::optional(OptionStates{true, false, false, false});
    QTest::newRow("3") << 3 << std::optional(OptionStates{true, true, false, false});
    QTest::newRow("4") << 4 << unchanged;
    QTest::newRow("5") << 5 << unchanged;
    QTest::newRow("6") << 6 << std::optional(all);
    QTest::newRow("7") << 7 << std::optional(all);
    QTest::newRow("40") << 40 << std::optional(all);
}

void TestRosterState::optionsForColumnCount()
{
    QFETCH(int, columnCount);
    QFETCH(std::optional<OptionStates>, states);
    const auto got = kelmora::OptionsForColumnCount(columnCount);
    QCOMPARE(got.has_value(), states.has_value());
    if (states) {
        QCOMPARE(got->fullName, states->fullName);
        QCOMPARE(got->familyOnly, states->familyOnly);
        QCOMPARE(got->withRuby, states->withRuby);
        QCOMPARE(got->withoutRuby, states->withoutRuby);
    }
}

void TestRosterState::studentListCells()
{
    StudentList list;
    QCOMPARE(list.rowCount(), 2);
    for (int row : {0, 1})
        QVERIFY(list.cell(0, row).empty() && list.cell(1, row).empty());

    list.setCell(1, 1, "x");
    list.setRowCount(4);
    QCOMPARE(list.rowCount(), 4);
    QCOMPARE(cell(list, 1, 1), QByteArray("x"));
    QVERIFY(list.cell(1, 3).empty());

    // Cells outside the grid read empty and take no text.
    list.setCell(2, 1, "no");
    list.setCell(0, 4, "no");
    list.setCell(0, -1, "no");
    QVERIFY(list.cell(2, 1).empty() && list.cell(0, 4).empty() && list.cell(-1, 0).empty());

    list.setRowCount(0); // the header row always stays
    QCOMPARE(list.rowCount(), 1);
    list.setRowCount(3);
    QVERIFY(list.cell(1, 1).empty()); // rows that come back are new
}

void TestRosterState::display_data()
{
    QTest::addColumn<std::string>("file");
    QTest::addColumn<NameMode>("mode");
    QTest::addColumn<QList<QByteArray>>("names");
    const auto b = [](const char* utf8) { return QByteArray::fromStdString(sj(utf8)); };
    const QList<QByteArray> full{b("山田　太郎"), b("佐藤　花子"), b("鈴木　一郎")};
    const QList<QByteArray> family{b("山田"), b("佐藤"), b("鈴木")};
    QTest::newRow("six columns, full names") << kSix << NameMode::FullName << full;
    QTest::newRow("six columns, family names") << kSix << NameMode::FamilyName << family;
    QTest::newRow("three columns, full names") << kThree << NameMode::FullName << full;
    QTest::newRow("three columns, family names") << kThree << NameMode::FamilyName << family;
    QTest::newRow("two columns, full names") << kTwo << NameMode::FullName << full;
    QTest::newRow("two columns, family names: empty") << kTwo << NameMode::FamilyName << QList<QByteArray>{"", "", ""};
}

void TestRosterState::display()
{
    QFETCH(std::string, file);
    QFETCH(NameMode, mode);
    QFETCH(QList<QByteArray>, names);

    const Roster roster = rosterOf(file);
    StudentList list;
    setHeader(list);
    kelmora::DisplayRoster(list, roster, mode);
    QCOMPARE(list.rowCount(), 4);
    checkHeader(list);
    for (int p = 1; p <= 3; ++p) {
        QCOMPARE(cell(list, 0, p), QByteArray::number(p));
        QCOMPARE(cell(list, 1, p), names[p - 1]);
    }
}

void TestRosterState::displayFortyStudents()
{
    Roster roster;
    QCOMPARE(kelmora::LoadRoster(roster, std::filesystem::path(KELMORA_EXAMPLES_DIR) / "roster6.csv"), 40);
    StudentList list;
    setHeader(list);
    kelmora::DisplayRoster(list, roster, NameMode::FullName);
    QCOMPARE(list.rowCount(), 41);
    checkHeader(list);
    for (int p = 1; p <= 40; ++p) {
        QCOMPARE(list.cell(0, p), roster.record(p)->Number);
        QCOMPARE(list.cell(1, p), roster.record(p)->FullName);
    }
}

// Cutting empties cells and clearing shrinks the list; the command fills it again.
void TestRosterState::redisplayRestoresEmptiedCells()
{
    const Roster roster = rosterOf(kSix);
    StudentList list;
    setHeader(list);
    kelmora::DisplayRoster(list, roster, NameMode::FamilyName);
    list.setCell(1, 2, {});
    list.setCell(1, 3, {});
    kelmora::DisplayRoster(list, roster, NameMode::FamilyName);
    QCOMPARE(cell(list, 1, 2), QByteArray::fromStdString(sj("佐藤")));
    QCOMPARE(cell(list, 1, 3), QByteArray::fromStdString(sj("鈴木")));

    list.setRowCount(2);
    list.setCell(0, 1, {});
    list.setCell(1, 1, {});
    kelmora::DisplayRoster(list, roster, NameMode::FullName); // and the mode switch shows
    QCOMPARE(list.rowCount(), 4);
    checkHeader(list);
    QCOMPARE(cell(list, 0, 1), QByteArray("1"));
    QCOMPARE(cell(list, 1, 1), QByteArray::fromStdString(sj("山田　太郎")));
    QCOMPARE(cell(list, 1, 3), QByteArray::fromStdString(sj("鈴木　一郎")));
}

void TestRosterState::displayFollowsTheCurrentRoster()
{
    Roster roster;
    QCOMPARE(kelmora::LoadRoster(roster, std::filesystem::path(KELMORA_EXAMPLES_DIR) / "roster3.csv"), 40);
    StudentList list;
    kelmora::DisplayRoster(list, roster, NameMode::FamilyName);
    QCOMPARE(list.rowCount(), 41);

    const Roster shorter = rosterOf(sj("$,7,田中　次郎,田中\n$,8,高橋　三郎,高橋\n"));
    kelmora::DisplayRoster(list, shorter, NameMode::FamilyName);
    QCOMPARE(list.rowCount(), 3);
    QCOMPARE(cell(list, 0, 1), QByteArray("7"));
    QCOMPARE(cell(list, 1, 2), QByteArray::fromStdString(sj("高橋")));
    QVERIFY(list.cell(0, 3).empty());
}

void TestRosterState::displayWithoutStudents_data()
{
    QTest::addColumn<std::string>("file");
    QTest::addColumn<int>("studentCount");
    QTest::newRow("empty roster") << std::string() << 0;
    QTest::newRow("differing column counts") << std::string("$,1,A\n$,2,B,b\n") << -1;
}

void TestRosterState::displayWithoutStudents()
{
    QFETCH(std::string, file);
    QFETCH(int, studentCount);
    StudentList list;
    setHeader(list);
    kelmora::DisplayRoster(list, rosterOf(kSix), NameMode::FullName);
    const Roster roster = rosterOf(file);
    QCOMPARE(roster.studentCount, studentCount);
    kelmora::DisplayRoster(list, roster, NameMode::FullName);
    QCOMPARE(list.rowCount(), 2);
    checkHeader(list);
    QVERIFY(list.cell(0, 1).empty() && list.cell(1, 1).empty());
}

void TestRosterState::displayNeverReadsPastTheTable()
{
    Roster roster = rosterOf(kTwo);
    roster.studentCount = 5; // out of step with the table
    StudentList list;
    kelmora::DisplayRoster(list, roster, NameMode::FullName);
    QCOMPARE(list.rowCount(), 6);
    QCOMPARE(cell(list, 0, 3), QByteArray("3"));
    for (int row : {4, 5})
        QVERIFY(list.cell(0, row).empty() && list.cell(1, row).empty());
}

QTEST_APPLESS_MAIN(TestRosterState)
#include "test_roster_state.moc"
