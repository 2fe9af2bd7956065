// The roster file reader: line kinds, fields, line ends, column counts, failures,
// and the example rosters that ship with the program.
#include "common/Files.h"
#include "common/Sjis.h"
#include "roster/RosterReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>
#include <string>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>
#endif

using kelmora::RosterTable;
using kelmora::Seito;

Q_DECLARE_METATYPE(kelmora::RosterTable)

namespace {

using ::testing::sj;
using ::testing::writeFile;

Seito rec(std::string number, std::string full = {}, std::string family = {}, std::string given = {},
          std::string familyReading = {}, std::string givenReading = {})
{
    return Seito{std::move(number), std::move(full),          std::move(family),
                 std::move(given),  std::move(familyReading), std::move(givenReading)};
}

QByteArray qb(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

// Field by field, so that a failure names the field and shows its bytes.
void compareTables(const RosterTable& actual, const RosterTable& expected)
{
    QCOMPARE(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const Seito& a = actual[i];
        const Seito& e = expected[i];
        const QByteArray at = "record " + QByteArray::number(qulonglong(i)) + " ";
        QVERIFY2(a.Number == e.Number, at + "Number: " + qb(a.Number).toHex(' ') + " / " + qb(e.Number).toHex(' '));
        QVERIFY2(a.FullName == e.FullName, at + "FullName: " + qb(a.FullName).left(80).toHex(' '));
        QVERIFY2(a.FamilyName == e.FamilyName, at + "FamilyName: " + qb(a.FamilyName).toHex(' '));
        QVERIFY2(a.GivenName == e.GivenName, at + "GivenName: " + qb(a.GivenName).toHex(' '));
        QVERIFY2(a.FamilyReading == e.FamilyReading, at + "FamilyReading: " + qb(a.FamilyReading).toHex(' '));
        QVERIFY2(a.GivenReading == e.GivenReading, at + "GivenReading: " + qb(a.GivenReading).toHex(' '));
    }
}

std::filesystem::path example(const char* name)
{
    return std::filesystem::path(KELMORA_EXAMPLES_DIR) / name;
}

} // namespace

class TestRosterReader : public QObject {
    Q_OBJECT

private slots:
    void reads_data();
    void reads();
    void appendsToTheTable();
    void unopenable_data();
    void unopenable();
    void rawBytesUntranslated();
    void neverWritesTheFile();
    void examples_data();
    void examples();
    void examplesAgree();
};

void TestRosterReader::reads_data()
{
    QTest::addColumn<std::string>("content");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("columnCount");
    QTest::addColumn<RosterTable>("records");

    const std::string full6 =
        sj("$,1,山田　太郎,山田,太郎,やまだ,たろう\r\n$,2,佐藤　花子,佐藤,花子,さとう,はなこ\r\n");
    const RosterTable six{rec("1", sj("山田　太郎"), sj("山田"), sj("太郎"), sj("やまだ"), sj("たろう")),
                          rec("2", sj("佐藤　花子"), sj("佐藤"), sj("花子"), sj("さとう"), sj("はなこ"))};
    QTest::newRow("six columns") << full6 << 2 << 6 << six;

    // Line kinds: only ASCII spaces are looked past.
    QTest::newRow("dollar indented by spaces") << std::string("   $,1,A\n") << 1 << 2 << RosterTable{rec("1", "A")};
    QTest::newRow("tab indent skipped") << std::string("\t$,1,A\n$,2,B\n") << 1 << 2 << RosterTable{rec("2", "B")};
    QTest::newRow("ideographic space indent skipped") << sj("　$,1,A\n$,2,B\n") << 1 << 2 << RosterTable{rec("2", "B")};
    QTest::newRow("comments and other lines skipped")
        << std::string("% $,9,X\n  %,8,Y\n#$,7,Z\nx$,6,W\n\n   \n\r\n$,1,A\n%\n") << 1 << 2
        << RosterTable{rec("1", "A")};
    QTest::newRow("marker field holds anything after the dollar")
        << std::string("$ abc%,1,A\n$$,2,B\n") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("dollar glued to the number")
        << sj("$1,山田　太郎,山田\n") << 1 << 2 << RosterTable{rec(sj("山田　太郎"), sj("山田"))};

    // Fields: commas only, empty fields collapse, nothing trimmed, no quoting.
    QTest::newRow("empty field collapses") << std::string("$,1,,A\n") << 1 << 2 << RosterTable{rec("1", "A")};
    QTest::newRow("runs of commas collapse")
        << std::string("$,,,1,,,,A,,B\n") << 1 << 3 << RosterTable{rec("1", "A", "B")};
    QTest::newRow("trailing commas add nothing")
        << std::string("$,1,A,,,\n$,2,B,\n") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("spaces kept") << sj("$, 1 ,　山田　太郎　, 山田\n") << 1 << 3
                                 << RosterTable{rec(" 1 ", sj("　山田　太郎　"), sj(" 山田"))};
    QTest::newRow("double quotes are ordinary bytes")
        << std::string("$,\"1\",\"Yamada, Taro\"\n") << 1 << 3 << RosterTable{rec("\"1\"", "\"Yamada", " Taro\"")};
    QTest::newRow("tab, semicolon, full-width comma do not separate")
        << sj("$,1\tA;B，C D\n") << 1 << 1 << RosterTable{rec(sj("1\tA;B，C D"))};
    QTest::newRow("trail bytes 0x5C kept") << sj("$,1,表　ソ能\n") << 1 << 2 << RosterTable{rec("1", sj("表　ソ能"))};

    // Line ends.
    QTest::newRow("CR LF") << std::string("$,1,A\r\n$,2,B\r\n") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("LF") << std::string("$,1,A\n$,2,B\n") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("CR LF and LF mixed") << std::string("$,1,A\n$,2,B\r\n") << 2 << 2
                                        << RosterTable{rec("1", "A"), rec("2", "B")};
    // Old "CSV (Macintosh)" files end their lines with CR alone.
    QTest::newRow("CR-only line ends") << std::string("$,1,A\r$,2,B\r") << 2 << 2
                                       << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("lone CR ends a line") << std::string("$,1,A\rB\n$,2,C") << 2 << 2
                                         << RosterTable{rec("1", "A"), rec("2", "C")};
    QTest::newRow("CR CR LF is an empty line between")
        << std::string("$,1,A\r\r\n$,2,B") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("CR at the end of the file") << std::string("$,1,A\r") << 1 << 2 << RosterTable{rec("1", "A")};
    QTest::newRow("LF CR is two line ends")
        << std::string("$,1,A\n\r$,2,B\n\r") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("final Ctrl-Z dropped after CR LF")
        << std::string("$,1,A\r\n$,2,B\r\n\x1A") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("final Ctrl-Z dropped from the last line")
        << std::string("$,1,A\n$,2,B\x1A") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("no final end of line")
        << std::string("$,1,A\n$,2,B") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};

    // No line length limit: nothing after a long line is lost.
    for (std::size_t length : {999u, 1000u, 1001u, 200u * 1024u}) {
        std::string name;
        while (name.size() + 2 <= length - 4) // "$,2," before it
            name += sj("漢");
        name.resize(length - 4, 'x');
        const std::string line = "$,2," + name;
        QCOMPARE(line.size(), length);
        QTest::addRow("line of %zu bytes", length) << ("$,1,A\r\n" + line + "\r\n$,3,C\r\n") << 3 << 2
                                                   << RosterTable{rec("1", "A"), rec("2", name), rec("3", "C")};
    }

    // Column counts.
    QTest::newRow("mixed counts: all read, count of the last line")
        << std::string("$,1,A,a\n$,2,B\n$,3,C,c,x\n") << -1 << 4
        << RosterTable{rec("1", "A", "a"), rec("2", "B"), rec("3", "C", "c", "x")};
    QTest::newRow("six then five") << sj("$,1,山田　太郎,山田,太郎,やまだ,たろう\n$,2,佐藤　花子,佐藤,花子,さとう\n")
                                   << -1 << 5
                                   << RosterTable{six[0],
                                                  rec("2", sj("佐藤　花子"), sj("佐藤"), sj("花子"), sj("さとう"))};
    QTest::newRow("a differing line in the middle still fails")
        << std::string("$,1,A\n$,2,B,b\n$,3,C\n") << -1 << 2
        << RosterTable{rec("1", "A"), rec("2", "B", "b"), rec("3", "C")};
    QTest::newRow("comments between data lines are no column count")
        << std::string("$,1,A\n% x,y,z\n$,2,B\n") << 2 << 2 << RosterTable{rec("1", "A"), rec("2", "B")};
    QTest::newRow("comments only") << std::string("% -----\r\n%   x\r\n") << 0 << 0 << RosterTable{};
    QTest::newRow("empty file") << std::string() << 0 << 0 << RosterTable{};
    QTest::newRow("only a Ctrl-Z") << std::string("\x1A") << 0 << 0 << RosterTable{};
    QTest::newRow("column count 0") << std::string("$\n  $,,,\n") << 2 << 0 << RosterTable{rec(""), rec("")};
    QTest::newRow("column count 1") << std::string("$,1\n$,2,\n") << 2 << 1 << RosterTable{rec("1"), rec("2")};
    QTest::newRow("eight fields and more: counted, not stored")
        << std::string("$,1,F,Fa,Gi,fr,gr,x,y,z\n") << 1 << 9 << RosterTable{rec("1", "F", "Fa", "Gi", "fr", "gr")};
    QTest::newRow("duplicate numbers both read")
        << std::string("$,1,A\n$,1,B\n") << 2 << 2 << RosterTable{rec("1", "A"), rec("1", "B")};
}

// Every case through both entries: the bytes in memory and the same bytes as a file.
void TestRosterReader::reads()
{
    QFETCH(std::string, content);
    QFETCH(int, result);
    QFETCH(int, columnCount);
    QFETCH(RosterTable, records);

    RosterTable table;
    int columns = 99;
    QCOMPARE(kelmora::ReadRosterBytes(table, content, columns), result);
    QCOMPARE(columns, columnCount);
    compareTables(table, records);
    if (QTest::currentTestFailed())
        return;

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto file = writeFile(dir, "roster.csv", content);
    RosterTable fromFile;
    columns = 99;
    std::error_code error = std::make_error_code(std::errc::io_error);
    QCOMPARE(kelmora::ReadRoster(fromFile, file, columns, &error), result);
    QVERIFY2(!error, error.message().c_str());
    QCOMPARE(columns, columnCount);
    compareTables(fromFile, records);
}

void TestRosterReader::appendsToTheTable()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto file = writeFile(dir, "r.csv", "$,1,A\n$,2,B\n");
    RosterTable table{rec("0", "old")};
    int columns = 0;
    QCOMPARE(kelmora::ReadRoster(table, file, columns), 2);
    compareTables(table, RosterTable{rec("0", "old"), rec("1", "A"), rec("2", "B")});
}

void TestRosterReader::unopenable_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<std::errc>("reason");
    QTest::newRow("missing file") << "no-such.csv" << std::errc::no_such_file_or_directory;
    QTest::newRow("directory") << "folder" << std::errc::is_a_directory;
    QTest::newRow("file used as a folder") << "plain.csv/roster.csv" << std::errc::not_a_directory;
}

void TestRosterReader::unopenable()
{
    QFETCH(QString, relativePath);
    QFETCH(std::errc, reason);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    writeFile(dir, "plain.csv", "$,1,A\n");

    RosterTable table{rec("0", "kept")};
    int columns = 6;
    std::error_code error;
    const std::filesystem::path file = dir.filePath(relativePath).toStdString();
    QCOMPARE(kelmora::ReadRoster(table, file, columns, &error), 0);
    QCOMPARE(columns, 0);
    compareTables(table, RosterTable{rec("0", "kept")});
    QVERIFY(error);
    QVERIFY2(error == reason, error.message().c_str());
    QVERIFY(!error.message().empty());

    // Without a place for the reason the answer is the same.
    columns = 6;
    QCOMPARE(kelmora::ReadRoster(table, file, columns), 0);
    QCOMPARE(columns, 0);
}

// The file is taken as bytes: no CR LF translation, no stop at NUL or Ctrl-Z.
void TestRosterReader::rawBytesUntranslated()
{
    std::string all;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b)
            all += char(b);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const auto file = writeFile(dir, "bytes.bin", all);
    std::string read = "previous";
    std::error_code error;
    QVERIFY(kelmora::ReadFileBytes(file, read, &error));
    QVERIFY(!error);
    QVERIFY(read == all);

    const auto empty = writeFile(dir, "empty.csv", "");
    QVERIFY(kelmora::ReadFileBytes(empty, read, &error));
    QVERIFY(read.empty());

    read = "previous";
    QVERIFY(!kelmora::ReadFileBytes(dir.filePath("missing").toStdString(), read, &error));
    QVERIFY(read.empty());
    QVERIFY(error == std::errc::no_such_file_or_directory);
}

void TestRosterReader::neverWritesTheFile()
{
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const std::string content = sj("% 名簿\r\n$,1,山田　太郎\r\n$,2,佐藤　花子\r\n");
    const auto file = writeFile(dir, "readonly.csv", content);
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24);
    fs::last_write_time(file, stamp);
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

#ifdef Q_OS_LINUX
    // The kernel reports how the file was opened when it is closed, which tells
    // a read-only open apart even where permissions are not enforced (root).
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    QVERIFY(inotify_add_watch(watch, file.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_MODIFY) >= 0);
#endif

    RosterTable table;
    int columns = 0;
    std::error_code error;
    QCOMPARE(kelmora::ReadRoster(table, file, columns, &error), 2);
    QVERIFY2(!error, error.message().c_str());
    QCOMPARE(columns, 2);

#ifdef Q_OS_LINUX
    alignas(inotify_event) char buffer[4096];
    const ssize_t n = ::read(watch, buffer, sizeof buffer);
    ::close(watch);
    QVERIFY(n > 0);
    int closedReading = 0, closedWriting = 0, modified = 0;
    for (ssize_t at = 0; at < n;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        closedReading += (event->mask & IN_CLOSE_NOWRITE) != 0;
        closedWriting += (event->mask & IN_CLOSE_WRITE) != 0;
        modified += (event->mask & IN_MODIFY) != 0;
        at += ssize_t(sizeof(inotify_event) + event->len);
    }
    QCOMPARE(closedReading, 1);
    QCOMPARE(closedWriting, 0);
    QCOMPARE(modified, 0);
#endif

    QVERIFY(fs::last_write_time(file) == stamp);
    std::string after;
    QVERIFY(kelmora::ReadFileBytes(file, after));
    QVERIFY(after == content);
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::add); // let the folder go
}

void TestRosterReader::examples_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("columnCount");
    QTest::newRow("six columns") << "roster6.csv" << 6;
    QTest::newRow("three columns") << "roster3.csv" << 3;
    QTest::newRow("two columns") << "roster2.csv" << 2;
}

void TestRosterReader::examples()
{
    QFETCH(QString, name);
    QFETCH(int, columnCount);
    const auto file = example(qPrintable(name));

    std::string bytes;
    QVERIFY2(kelmora::ReadFileBytes(file, bytes), file.c_str());
    // Saved as a spreadsheet on Windows saves: CR LF everywhere, the last line too.
    QVERIFY(bytes.size() > 2 && bytes.substr(bytes.size() - 2) == "\r\n");
    for (std::size_t lf = bytes.find('\n'); lf != std::string::npos; lf = bytes.find('\n', lf + 1))
        QVERIFY2(lf > 0 && bytes[lf - 1] == '\r', "LF without CR");
    QVERIFY(bytes.starts_with(sj("% -----　ここから\r\n%   席替え支援システム用生徒氏名ファイル\r\n%")));
    QVERIFY(bytes.ends_with(sj("\r\n% ----- ここまで\r\n")));

    RosterTable table;
    int columns = 0;
    QCOMPARE(kelmora::ReadRoster(table, file, columns), 40);
    QCOMPARE(columns, columnCount);
    const std::string ideographicSpace = sj("　");
    for (int i = 0; i < 40; ++i) {
        const Seito& s = table[std::size_t(i)];
        QCOMPARE(QByteArray::fromStdString(s.Number), QByteArray::number(i + 1));
        // No padding crept into a field: a name starts and ends with a kanji.
        QCOMPARE(s.FullName.size(), std::size_t(10));
        QCOMPARE(s.FullName.substr(4, 2), ideographicSpace);
        if (columnCount >= 3)
            QCOMPARE(s.FamilyName, s.FullName.substr(0, 4));
        else
            QVERIFY(s.FamilyName.empty());
        if (columnCount >= 6) {
            QCOMPARE(s.GivenName, s.FullName.substr(6));
            QCOMPARE(s.FamilyReading.size(), std::size_t(6));
            QCOMPARE(s.GivenReading.size(), std::size_t(6));
            for (const std::string* reading : {&s.FamilyReading, &s.GivenReading})
                for (std::size_t k = 0; k < reading->size(); k += 2) // hiragana lead byte
                    QCOMPARE(static_cast<unsigned char>((*reading)[k]), static_cast<unsigned char>(0x82));
        } else {
            QVERIFY(s.GivenName.empty() && s.FamilyReading.empty() && s.GivenReading.empty());
        }
    }
}

void TestRosterReader::examplesAgree()
{
    RosterTable six, three, two;
    int columns = 0;
    QCOMPARE(kelmora::ReadRoster(six, example("roster6.csv"), columns), 40);
    QCOMPARE(kelmora::ReadRoster(three, example("roster3.csv"), columns), 40);
    QCOMPARE(kelmora::ReadRoster(two, example("roster2.csv"), columns), 40);
    for (std::size_t i = 0; i < 40; ++i) {
        QCOMPARE(three[i], rec(six[i].Number, six[i].FullName, six[i].FamilyName));
        QCOMPARE(two[i], rec(six[i].Number, six[i].FullName));
        for (std::size_t j = 0; j < i; ++j)
            QVERIFY2(six[j].FullName != six[i].FullName, "two students share a name");
    }
}

QTEST_APPLESS_MAIN(TestRosterReader)
#include "test_roster_reader.moc"
