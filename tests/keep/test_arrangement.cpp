// Arrangement files as rules: what is written comes back, what is broken is named,
// and students are found again in a changed roster.
#include "arrangement/Arrangement.h"
#include "arrangement/DraftRecord.h"
#include "common/Sjis.h"
#include "common/TableRoster.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using namespace kelmora;
using testing::sj;

namespace {

Seito student(const char* number, const char* name)
{
    return {number, sj(name), {}, {}, {}, {}};
}

Roster rosterOf(RosterTable table)
{
    return testing::TableRoster(std::move(table));
}

Arrangement sample()
{
    Arrangement a;
    a.columns = 12;
    a.rows = 3;
    a.title = QStringLiteral("１年１組 \\large{座席} 🎒");
    a.nameMode = NameMode::FamilyName;
    a.ruby = false;
    a.geometry = {436, 100, 40, 30, 20};
    a.desks = {{0, 0, {"1", sj("青木　健太"), sj("青木"), 1}}, {99, 99, {"2", "\x82\xff", "\x82", 2}}};
    a.queue = {{"7", sj("高橋　一郎"), sj("高橋"), 7}};
    a.rosterPath = QStringLiteral("/home/先生/名簿.csv");
    a.draft = QJsonObject{{QStringLiteral("marks"), QJsonArray{QStringLiteral("男"), QStringLiteral("女")}}};
    return a;
}

} // namespace

class ArrangementTest : public QObject {
    Q_OBJECT

private slots:
    void whatIsWrittenIsReadBack()
    {
        const QByteArray bytes = WriteArrangement(sample());
        QVERIFY(bytes.contains("青木　健太")); // readable UTF-8
        auto read = ReadArrangement(bytes);
        if (const QString* problem = std::get_if<QString>(&read))
            QFAIL(qPrintable(*problem));
        QVERIFY(std::get<Arrangement>(read) == sample()); // bytes that are no character come back too
    }

    void aBrokenFileIsNamedAndRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        const QByteArray good = WriteArrangement(sample());
        auto with = [&](const char* key, const QJsonValue& value) {
            QJsonObject o = QJsonDocument::fromJson(good).object();
            o.insert(QLatin1String(key), value);
            return QJsonDocument(o).toJson();
        };
        auto desk = [&](int column, int row) {
            return QJsonObject{{"column", column}, {"row", row},  {"number", "1"},
                               {"fullName", "a"},  {"text", "a"}, {"position", 1}};
        };
        QTest::newRow("empty") << QByteArray() << QStringLiteral("空です");
        QTest::newRow("truncated") << good.left(good.size() / 2) << QStringLiteral("途中で切れて");
        QTest::newRow("a roster, not JSON") << QByteArray("$ ,1,foo\r\n") << QStringLiteral("JSON として読めません");
        QTest::newRow("other JSON") << QByteArray("[1, 2]") << QStringLiteral("座席配置ファイルではありません");
        QTest::newRow("version 2") << with("version", 2) << QStringLiteral("版(2)");
        QTest::newRow("columns as text") << with("columns", "5") << QStringLiteral("「columns」が整数ではありません");
        QTest::newRow("13 rows") << with("rows", 13) << QStringLiteral("「rows」の値 13 が範囲 1〜12 の外");
        QTest::newRow("1e54 columns") << with("columns", 1e54)
                                      << QStringLiteral("「columns」の値 1e+54 が範囲 1〜12 の外");
        QTest::newRow("1.5 columns") << with("columns", 1.5) << QStringLiteral("「columns」が整数ではありません");
        QTest::newRow("desk column 100") << with("desks", QJsonArray{desk(100, 0)})
                                         << QStringLiteral("「desks[0] の column」の値 100 が範囲 0〜99 の外");
        QTest::newRow("desk row -1") << with("desks", QJsonArray{desk(0, -1)}) << QStringLiteral("0〜99 の外");
        QTest::newRow("a desk twice") << with("desks", QJsonArray{desk(3, 4), desk(3, 4)})
                                      << QStringLiteral("机 (3, 4) が二度");
        QTest::newRow("desks not a list") << with("desks", 5) << QStringLiteral("「desks」が配列ではありません");
        QJsonObject notHex = desk(0, 0);
        notHex.insert("fullName", QJsonObject{{"cp932", "8zz"}});
        QTest::newRow("bytes not in hex")
            << with("desks", QJsonArray{notHex}) << QStringLiteral("「desks[0] の fullName」が文字列ではありません");
        QTest::newRow("huge") << good + QByteArray(kMaxArrangementBytes, ' ') << QStringLiteral("大きすぎます");
    }
    void aBrokenFileIsNamedAndRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        auto read = ReadArrangement(bytes);
        QVERIFY(std::holds_alternative<QString>(read));
        QVERIFY2(std::get<QString>(read).contains(problem), qPrintable(std::get<QString>(read)));
    }

    void studentsAreFoundInAChangedRoster()
    {
        Arrangement a;
        a.desks = {{0, 0, {"1", sj("青木　健太"), sj("青木　健太"), 1}},
                   {1, 0, {"2", sj("新井　美咲"), sj("新井"), 2}},
                   {2, 0, {"3", sj("池田　大輝"), sj("池田　大輝"), 3}}};
        a.queue = {{"4", sj("上田　結衣"), sj("上田　結衣"), 4}};
        // Reordered, student 3 gone, 新井 renumbered, and two students both named 青木 健太
        // of whom the one numbered 1 is meant.
        const Roster roster = rosterOf({student("4", "上田　結衣"), student("9", "青木　健太"),
                                        student("12", "新井　美咲"), student("1", "青木　健太")});
        const MatchedPlacement m = MatchPlacement(a, roster);
        QCOMPARE(m.seats.entry(0, 0), 4);
        QCOMPARE(m.seats.entry(1, 0), 3);
        QCOMPARE(m.seats.text(1, 0), sj("新井")); // as the desk showed it
        QCOMPARE(m.seats.entry(2, 0), 0);
        QCOMPARE(m.queue.positions(), std::deque<std::int32_t>{1});
        QCOMPARE(m.missing.size(), std::size_t(1));
        QCOMPARE(m.missing[0].fullName, sj("池田　大輝"));

        // The list after opening: only the students neither seated nor waiting keep their names.
        StudentList list;
        ListUnplaced(list, roster, NameMode::FullName, m);
        QCOMPARE(list.rowCount(), 5);
        QCOMPARE(list.cell(1, 1), std::string());
        QCOMPARE(list.cell(1, 2), sj("青木　健太"));
        QCOMPARE(list.cell(0, 3), std::string("12"));
        QCOMPARE(list.cell(1, 3), std::string());
    }

    // Two 佐藤　翔 were recorded, numbers 12 and 25. One left and the other was
    // renumbered: nobody can tell whose desk is his, so he is seated on neither
    // and both are named. One who kept his number keeps his desk, and the other
    // is not seated as him. Nor is one renumbered whose name two students share.
    void eachStudentIsPlacedOnceAtMost()
    {
        const PlacedStudent twelve{"12", sj("佐藤　翔"), sj("佐藤　翔"), 12},
            twentyFive{"25", sj("佐藤　翔"), sj("佐藤"), 25};
        Arrangement a;
        a.desks = {{0, 0, twelve}, {1, 0, twentyFive}, {2, 0, {"3", sj("青木　健太"), sj("青木"), 3}}};
        const Roster renumbered =
            rosterOf({student("1", "新井　美咲"), student("2", "青木　健太"), student("13", "佐藤　翔")});
        MatchedPlacement m = MatchPlacement(a, renumbered);
        QCOMPARE(m.seats.entry(0, 0), 0);
        QCOMPARE(m.seats.entry(1, 0), 0);
        QCOMPARE(m.seats.entry(2, 0), 2); // a name of its own is found as before
        QVERIFY(m.missing == (std::vector<PlacedStudent>{twelve, twentyFive}));

        const Roster stayed = rosterOf({student("1", "新井　美咲"), student("12", "佐藤　翔")});
        a.queue = {twelve};
        m = MatchPlacement(a, stayed);
        QCOMPARE(m.seats.entry(0, 0), 2);
        QCOMPARE(m.seats.entry(1, 0), 0);
        QVERIFY(m.queue.empty());
        QVERIFY(m.missing == (std::vector<PlacedStudent>{twentyFive, a.desks[2].student, twelve}));

        const Roster twoOfThem =
            rosterOf({student("1", "佐藤　翔"), student("2", "新井　美咲"), student("3", "佐藤　翔")});
        a.desks = {{0, 0, {"30", sj("佐藤　翔"), sj("佐藤"), 3}}};
        a.queue.clear();
        m = MatchPlacement(a, twoOfThem);
        QCOMPARE(m.seats.entry(0, 0), 0);
        QCOMPARE(m.missing.size(), std::size_t(1));
    }

    // Every mark goes through the file; a roster reordered, with a student gone and
    // a transfer student renumbering the rest, keeps each mark with its student,
    // both from the file and from the conditions in memory.
    void draftConditionsSurviveAFileAndAChangedRoster()
    {
        const Roster roster =
            rosterOf({student("1", "青木　健太"), student("2", "新井　美咲"), student("3", "池田　大輝"),
                      student("4", "上田　結衣"), student("5", "江藤　蓮")});
        DraftConditions c;
        FitToRoster(c, roster);
        const SeatRange window{SeatRange::Kind::Window, 2, {}};
        const SeatRange picked{SeatRange::Kind::Desks, 1, {{0, 6}, {3, 2}}};
        const SeatRange back{SeatRange::Kind::Back, 3, {}};
        c.marks[0] = {true, false, Sex::Boy, window, true};
        c.marks[1] = {false, false, Sex::Girl, picked, false};
        c.marks[2] = {false, true, Sex::None, {}, true};
        c.marks[3] = {false, false, Sex::None, back, false};
        c.apartGroups = {{1, 3}, {2, 3, 4}};
        c.togetherGroups = {{{1, 5}, Closeness::Around}, {{2, 3}, Closeness::Beside}};
        c.separateGroups = {{3, 4, 5}};
        c.unusedDesks = {{0, 6}, {11, 11}};
        c.frontRows = 3;
        c.everyoneMoves = false;
        c.newNeighbours = true;
        c.mixing = Mixing::Checkerboard;
        c.groups = {2, 2};
        c.mixGroups = true;
        c.windows = WindowSide::Left;
        c.pastNeighbours = kWholeHistory;
        c.pastDesks = 2;
        c.swapHalves = true;

        Arrangement a;
        a.draft = DraftRecord(c, roster);
        QTemporaryDir dir;
        QFile file(dir.filePath("class.kelmora"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(WriteArrangement(a));
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        auto read = ReadArrangement(file.readAll());
        QVERIFY(std::holds_alternative<Arrangement>(read));
        const QJsonObject draft = std::get<Arrangement>(read).draft;
        QVERIFY(ReadDraftRecord(draft, roster) == c);
        QCOMPARE(draft.value("year").toObject().value("neighbours").toString(), QStringLiteral("all"));

        // 転入 joins as number 2 and renumbers everyone after; 池田 has left.
        const Roster changed =
            rosterOf({student("5", "上田　結衣"), student("3", "新井　美咲"), student("2", "転入　花子"),
                      student("6", "江藤　蓮"), student("1", "青木　健太")});
        DraftConditions expected = c;
        expected.numbers = {"5", "3", "2", "6", "1"};
        expected.names = {sj("上田　結衣"), sj("新井　美咲"), sj("転入　花子"), sj("江藤　蓮"), sj("青木　健太")};
        expected.marks = {c.marks[3], c.marks[1], {}, {}, c.marks[0]};
        expected.apartGroups = {{2, 1}};
        expected.togetherGroups = {{{5, 4}, Closeness::Around}};
        expected.separateGroups = {{1, 4}};

        std::vector<NamedStudent> lost;
        QVERIFY(ReadDraftRecord(draft, changed, &lost) == expected);
        // 池田, marked and in four groups, is named once.
        QCOMPARE(lost, (std::vector<NamedStudent>{{"3", sj("池田　大輝")}}));
        DraftConditions inMemory = c;
        QCOMPARE(FitToRoster(inMemory, changed), lost);
        QVERIFY(inMemory == expected);
    }

    // Bad parts of the conditions are passed over; the desks still open.
    void aMalformedDraftKeepsWhatIsGood()
    {
        QJsonObject root = QJsonDocument::fromJson(WriteArrangement(sample())).object();
        root.insert("draft", "x");
        auto read = ReadArrangement(QJsonDocument(root).toJson());
        QVERIFY(std::holds_alternative<Arrangement>(read));
        QVERIFY(std::get<Arrangement>(read).draft.isEmpty());

        const Roster roster = rosterOf({student("1", "青木　健太"), student("2", "新井　美咲")});
        const auto aoki = QJsonObject{{"number", "1"}, {"fullName", "青木　健太"}, {"position", "one"}};
        QJsonObject marked = aoki;
        marked.insert("front", true);
        marked.insert("sex", 1);
        marked.insert("leader", "yes");
        const QJsonArray desks{QJsonObject{{"column", 1}, {"row", 1}}, QJsonObject{{"column", 1}, {"row", 1}},
                               QJsonObject{{"column", -1}, {"row", 0}}, "x"};
        marked.insert("range", QJsonObject{{"kind", "desks"}, {"count", 40}, {"desks", desks}});
        const auto arai = QJsonObject{{"number", "2"}, {"fullName", "新井　美咲"}};
        QJsonObject sideways = arai;
        sideways.insert("range", QJsonObject{{"kind", "sideways"}, {"count", 2}});
        root.insert("draft",
                    QJsonObject{{"frontRows", 7},
                                {"everyoneMoves", false},
                                {"newNeighbours", "yes"},
                                {"mixing", "spiral"},
                                {"unusedDesks", QJsonArray{QJsonObject{{"column", 12}, {"row", 0}},
                                                           QJsonObject{{"column", 2}, {"row", 1}}, 5}},
                                {"students", QJsonArray{3, QJsonObject{{"fullName", "新井　美咲"}}, marked, sideways}},
                                {"apart", QJsonArray{QJsonArray{aoki, aoki}, "x"}},
                                {"together",
                                 QJsonArray{QJsonObject{{"near", "far"}, {"students", QJsonArray{aoki, arai}}},
                                            QJsonObject{{"students", QJsonArray{aoki}}}, "x"}},
                                {"separate", "x"},
                                {"mixGroups", 1},
                                {"year", QJsonObject{{"neighbours", 2.5}, {"desks", 3}, {"swapHalves", "yes"}}}});
        read = ReadArrangement(QJsonDocument(root).toJson());
        QVERIFY(std::holds_alternative<Arrangement>(read));
        const DraftConditions c = ReadDraftRecord(std::get<Arrangement>(read).draft, roster);
        QCOMPARE(c.frontRows, 2);
        QCOMPARE(c.everyoneMoves, false);
        QCOMPARE(c.newNeighbours, false);
        QCOMPARE(c.mixing, Mixing::None);
        QCOMPARE(c.unusedDesks, (std::vector<std::pair<int, int>>{{2, 1}}));
        QVERIFY((c.marks[0] == StudentMarks{true, false, Sex::None, {SeatRange::Kind::Desks, 1, {{1, 1}}}, false}));
        QVERIFY(c.marks[1] == StudentMarks{}); // an unknown range is none
        QVERIFY(c.apartGroups.empty());        // one student twice is no group
        QCOMPARE(c.togetherGroups, (std::vector<TogetherMarks>{{{1, 2}, Closeness::Beside}}));
        QVERIFY(c.separateGroups.empty());
        QVERIFY(!c.mixGroups);
        QCOMPARE(c.pastNeighbours, 0);
        QCOMPARE(c.pastDesks, 3);
        QVERIFY(!c.swapHalves);

        // A file from before the year's conditions opens with them all off.
        DraftConditions before;
        FitToRoster(before, roster);
        before.frontRows = 3;
        QVERIFY(ReadDraftRecord(QJsonObject{{"frontRows", 3}}, roster) == before);
    }
};

QTEST_MAIN(ArrangementTest)
#include "test_arrangement.moc"
