// The year's rules: the 班 cut the room into blocks, the history keeps one chart a
// day and survives the file and a changed roster, the year's table counts, and
// the history becomes the draft's conditions.
#include "arrangement/Arrangement.h"
#include "arrangement/History.h"
#include "common/Sjis.h"
#include "common/TableRoster.h"
#include "draft/DraftSetup.h"
#include "seating/Room.h"

#include <QJsonDocument>
#include <QTest>

#include <map>
#include <random>
#include <set>

using namespace kelmora;
using testing::sj;

namespace {

Roster rosterOf(RosterTable table)
{
    return testing::TableRoster(std::move(table));
}

Seito student(const char* number, const char* name)
{
    return {number, sj(name), {}, {}, {}, {}};
}

// 青木 1, 新井 2, 池田 3, 石井 4, 上野 5.
Roster fiveStudents()
{
    return rosterOf({student("1", "青木　健太"), student("2", "新井　美咲"), student("3", "池田　大輝"),
                     student("4", "石井　彩花"), student("5", "上野　翔")});
}

SeatTable seated(const Roster& roster, std::initializer_list<std::tuple<int, int, int>> desks)
{
    SeatTable seats;
    for (const auto& [c, r, p] : desks)
        seats.seat(c, r, roster.table[std::size_t(p - 1)].FullName, p);
    return seats;
}

// Seats a draft and records it as the chart of week `week` of the year.
SeatTable Chart(std::vector<HistoryEntry>& history, const Draft& draft, const Roster& roster, int columns, int rows,
                int week)
{
    SeatTable seats;
    for (const DraftSeat& s : DraftSeats(draft, roster, columns, NameMode::FullName))
        seats.seat(s.column, s.row, s.name, s.position);
    AddHistoryEntry(history, RecordHistoryEntry(QDate(2026, 4, 7).addDays(7 * week), seats, columns, rows, roster));
    return seats;
}

} // namespace

class YearTest : public QObject {
    Q_OBJECT

private slots:
    // Every desk in exactly one 班; every 班 a rectangle of the shape, smaller only
    // at the right and at the back; the borders lie exactly where 班 meet.
    void groupsCutTheRoomIntoBlocks()
    {
        std::mt19937 random(21);
        for (int round = 0; round < 2000; ++round) {
            const int columns = 1 + int(random() % 12), rows = 1 + int(random() % 12);
            const GroupShape shape{1 + int(random() % 13), 1 + int(random() % 13)};
            const std::vector<int> group = GroupOfDesks(shape, columns, rows);
            const QString where =
                QStringLiteral("%1x%2 room, %3x%4 班").arg(columns).arg(rows).arg(shape.width).arg(shape.height);
            QVERIFY2(group.size() == std::size_t(columns * rows), qPrintable(where));
            struct Box {
                int left = 99, right = -1, top = 99, bottom = -1, desks = 0;
            };
            std::map<int, Box> boxes;
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c) {
                    Box& b = boxes[group[std::size_t(r * columns + c)]];
                    b.left = std::min(b.left, c);
                    b.right = std::max(b.right, c);
                    b.top = std::min(b.top, r);
                    b.bottom = std::max(b.bottom, r);
                    ++b.desks;
                }
            QVERIFY2(int(boxes.size()) == GroupCount(shape, columns, rows), qPrintable(where));
            QVERIFY2(boxes.begin()->first == 0 && boxes.rbegin()->first == int(boxes.size()) - 1, qPrintable(where));
            QVERIFY2(group[std::size_t((rows - 1) * columns)] == 0, qPrintable(where)); // front left first
            for (const auto& [id, b] : boxes) {
                const int w = b.right - b.left + 1, h = b.bottom - b.top + 1;
                QVERIFY2(b.desks == w * h, qPrintable(where + QStringLiteral(": 班 %1 is no rectangle").arg(id)));
                QVERIFY2(w == std::min(shape.width, columns) || (b.right == columns - 1 && w < shape.width),
                         qPrintable(where));
                QVERIFY2(h == std::min(shape.height, rows) || (b.top == 0 && h < shape.height), qPrintable(where));
            }
            for (int r = 0; r < rows; ++r)
                for (int c = 0; c < columns; ++c) {
                    const int g = group[std::size_t(r * columns + c)];
                    if (c + 1 < columns)
                        QVERIFY2(GroupBorderRightOf(shape, columns, c)
                                     == (g != group[std::size_t(r * columns + c + 1)]),
                                 qPrintable(where));
                    if (r + 1 < rows)
                        QVERIFY2(GroupBorderBelow(shape, rows, r) == (g != group[std::size_t((r + 1) * columns + c)]),
                                 qPrintable(where));
                }
            QVERIFY(!GroupBorderRightOf(shape, columns, columns - 1) && !GroupBorderBelow(shape, rows, rows - 1));
        }
        QVERIFY(GroupOfDesks({}, 5, 7).empty());
        QCOMPARE(GroupCount({0, 2}, 5, 7), 0);
        QVERIFY(!GroupBorderRightOf({}, 5, 0) && !GroupBorderBelow({}, 7, 0));
    }

    // A chart a day: the second of a day replaces the first, days stay in order,
    // and only the desks inside the grid are kept.
    void theHistoryKeepsOneChartADay()
    {
        const Roster roster = fiveStudents();
        std::vector<HistoryEntry> history;
        const QDate may1(2026, 5, 1), may8(2026, 5, 8), june1(2026, 6, 1);
        AddHistoryEntry(history, RecordHistoryEntry(may8, seated(roster, {{0, 0, 1}}), 3, 2, roster));
        AddHistoryEntry(history, RecordHistoryEntry(may1, seated(roster, {{1, 0, 2}, {5, 5, 3}}), 3, 2, roster));
        AddHistoryEntry(history, RecordHistoryEntry(june1, seated(roster, {{2, 1, 4}}), 3, 2, roster));
        AddHistoryEntry(history, RecordHistoryEntry(may8, seated(roster, {{2, 0, 5}}), 3, 2, roster));
        QCOMPARE(history.size(), std::size_t(3));
        QCOMPARE(history[0].date, may1);
        QCOMPARE(history[1].date, may8);
        QCOMPARE(history[2].date, june1);
        QCOMPARE(history[0].desks.size(), std::size_t(1)); // (5, 5) is outside the 3 x 2 grid
        QCOMPARE(history[1].desks.size(), std::size_t(1));
        QCOMPARE(history[1].desks[0].column, 2); // the later chart of 8 May
        QCOMPARE(history[1].desks[0].student.fullName, sj("上野　翔"));
        QCOMPARE(history[1].desks[0].student.number, std::string("5"));
    }

    // Through the file and back; a file without a history has none; an entry that
    // cannot be used is left out with a notice and the rest still counts.
    void theHistoryGoesThroughTheFile()
    {
        const Roster roster = fiveStudents();
        std::vector<HistoryEntry> history;
        AddHistoryEntry(history,
                        RecordHistoryEntry(QDate(2026, 4, 7), seated(roster, {{0, 0, 1}, {1, 1, 2}}), 2, 2, roster));
        AddHistoryEntry(history, RecordHistoryEntry(QDate(2026, 5, 7), seated(roster, {{1, 0, 3}}), 2, 2, roster));
        history[1].desks[0].student.fullName = "\x82\xff"; // bytes that are no character come back too

        Arrangement a;
        a.history = HistoryRecord(history);
        auto read = ReadArrangement(WriteArrangement(a));
        QVERIFY(std::holds_alternative<Arrangement>(read));
        QStringList notices;
        QVERIFY(ReadHistory(std::get<Arrangement>(read).history, notices) == history);
        QCOMPARE(notices, QStringList());

        auto without = ReadArrangement(WriteArrangement(Arrangement{}));
        QVERIFY(!WriteArrangement(Arrangement{}).contains("history"));
        QVERIFY(ReadHistory(std::get<Arrangement>(without).history, notices).empty());
        QCOMPARE(notices, QStringList());

        QJsonArray entries = HistoryRecord(history);
        QJsonObject noDate = entries[0].toObject();
        noDate.insert("date", "7 April");
        QJsonObject twice = entries[0].toObject();
        twice.insert("date", "2026-06-01");
        QJsonArray desks = twice.value("desks").toArray();
        desks.append(desks[0]);
        twice.insert("desks", desks);
        QJsonObject outside = entries[1].toObject();
        outside.insert("date", "2026-07-01");
        outside.insert("rows", 13);
        entries.append(noDate);
        entries.append(twice);
        entries.append(outside);
        entries.append(QStringLiteral("a chart"));
        const std::vector<HistoryEntry> kept = ReadHistory(entries, notices);
        QVERIFY(kept == history);
        QCOMPARE(notices.size(), 4);
        QCOMPARE(notices[0], QStringLiteral("履歴の 3 件目を除きました。日付(date)がないか、読めません。"));
        QVERIFY(notices[1].contains(QStringLiteral("机 (0, 0) が二度記録されています")));
        QVERIFY(notices[2].startsWith(QStringLiteral("履歴の 5 件目")));
        QVERIFY(notices[3].startsWith(QStringLiteral("履歴の 6 件目")));

        notices.clear();
        QVERIFY(ReadHistory(QJsonValue(3), notices).empty());
        QCOMPARE(notices.size(), 1);
    }

    // Students are found by number and name, wherever the reloaded roster has them.
    void theHistoryFollowsAReloadedRoster()
    {
        const Roster before = fiveStudents();
        const std::vector<HistoryEntry> history{
            RecordHistoryEntry(QDate(2026, 4, 7), seated(before, {{0, 0, 1}, {1, 0, 3}, {0, 1, 5}, {1, 1, 2}}), 2, 2,
                               before)};
        // 新井 left, 遠藤 came, and the rest were renumbered into another order.
        const Roster after = rosterOf({student("1", "青木　健太"), student("2", "上野　翔"), student("3", "遠藤　結衣"),
                                       student("4", "池田　大輝"), student("5", "石井　彩花")});
        const std::vector<MatchedEntry> matched = MatchHistory(history, after);
        QCOMPARE(matched.size(), std::size_t(1));
        QCOMPARE(matched[0].desks, (std::vector<std::int32_t>{1, 4, 2, 0}));
        QCOMPARE(matched[0].missing.size(), std::size_t(1));
        QCOMPARE(matched[0].missing[0].fullName, sj("新井　美咲"));
    }

    // A year of three charts in a 3 x 2 room, counted by hand; the windows on the
    // grid's right, one front row.
    void theYearIsCountedPerStudent()
    {
        const auto entry = [](std::vector<std::int32_t> desks) {
            return MatchedEntry{QDate(2026, 4, 7), 3, 2, std::move(desks), {}};
        };
        // back row first, then the front row (by the teacher's desk)
        const std::vector<MatchedEntry> year{entry({1, 2, 3, /**/ 4, 5, 0}), entry({5, 1, 0, /**/ 2, 3, 4}),
                                             entry({0, 4, 1, /**/ 3, 0, 2})};
        const std::vector<YearCounts> right = CountYear(year, 6, 1, WindowSide::Right);
        const auto y = [](int seated, int front, int window, std::vector<std::pair<std::int32_t, int>> beside) {
            return YearCounts{seated, front, window, std::move(beside)};
        };
        QCOMPARE(right[0], y(3, 0, 1, {{2, 1}, {4, 1}, {5, 1}}));
        QCOMPARE(right[1], y(3, 2, 1, {{1, 1}, {3, 2}}));
        QCOMPARE(right[2], y(3, 2, 1, {{2, 2}, {4, 1}}));
        QCOMPARE(right[3], y(3, 2, 1, {{1, 1}, {3, 1}, {5, 1}}));
        QCOMPARE(right[4], y(2, 1, 0, {{1, 1}, {4, 1}}));
        QCOMPARE(right[5], y(0, 0, 0, {}));
        const std::vector<YearCounts> left = CountYear(year, 6, 2, WindowSide::Left);
        QCOMPARE(left[0].window, 1);
        QCOMPARE(left[4].window, 1);
        QCOMPARE(left[2].window, 1);
        QCOMPARE(left[0].front, 3);
    }

    // Three charts of six students, the pairs, desks and halves written out by
    // hand; the draft's grid is 3 x 2 (row 1 by the teacher's desk).
    void theHistoryBecomesTheDraftsConditions()
    {
        const Roster roster = rosterOf({student("1", "A"), student("2", "B"), student("3", "C"), student("4", "D"),
                                        student("5", "E"), student("6", "F")});
        // Row by row from the back; 9 is a student the roster has no more.
        const PastSeating first{3, 2, {1, 2, 0, /**/ 3, 4, 5}};       // 1-2 3-4 4-5
        const PastSeating second{2, 3, {6, 1, /**/ 2, 0, /**/ 5, 3}}; // 6-1 5-3
        const PastSeating third{3, 2, {2, 6, 4, /**/ 9, 1, 3}};       // 2-6 6-4 1-3
        const std::vector<PastSeating> year{first, second, third};
        DraftConditions c;
        FitToRoster(c, roster);
        const auto problem = [&](const std::vector<PastSeating>& past) {
            return MakeDraftProblem(c, roster, SeatTable(), 3, 2, past);
        };
        using Pairs = std::vector<std::pair<int, int>>; // student indices, roster position - 1
        QVERIFY(problem(year).pastNeighbours.empty());  // all off

        c.pastNeighbours = 1;
        QCOMPARE(problem(year).pastNeighbours, (Pairs{{0, 2}, {1, 5}, {3, 5}}));
        c.pastNeighbours = 2;
        QCOMPARE(problem(year).pastNeighbours, (Pairs{{0, 2}, {0, 5}, {1, 5}, {2, 4}, {3, 5}}));
        c.pastNeighbours = kWholeHistory;
        const Pairs all{{0, 1}, {0, 2}, {0, 5}, {1, 5}, {2, 3}, {2, 4}, {3, 4}, {3, 5}};
        QCOMPARE(problem(year).pastNeighbours, all);
        c.pastNeighbours = 10; // more than there are
        QCOMPARE(problem(year).pastNeighbours, all);
        QVERIFY(problem({}).pastNeighbours.empty());

        // The second chart's 3 rows: only its first two fall inside the 3 x 2 grid.
        c.pastDesks = 2;
        QCOMPARE(problem(year).pastDesks, (std::vector<std::vector<int>>{{1, 4}, {0, 3}, {5}, {2}, {}, {0, 1}}));
        c.pastDesks = 1;
        QCOMPARE(problem(year).pastDesks, (std::vector<std::vector<int>>{{4}, {0}, {5}, {2}, {}, {1}}));
        QVERIFY(problem({}).pastDesks.empty());

        // By the last chart's own grid: 2 rows, so one front row and one back row.
        c.swapHalves = true;
        QCOMPARE(problem(year).swapHalves, (std::vector<std::int8_t>{1, -1, 1, -1, 0, -1}));
        // 3 rows: the middle row is in neither half.
        QCOMPARE(problem({third, second}).swapHalves, (std::vector<std::int8_t>{-1, 0, 1, 0, 1, -1}));
        QVERIFY(problem({}).swapHalves.empty());
        c.swapHalves = false;
        QVERIFY(problem(year).swapHalves.empty());
    }

    // A year of ten drafts, each drawn with the history so far and recorded as a
    // chart of its own day: 20 students in a 6 x 5 room, whom nobody ever sits
    // beside twice (there is always room to avoid it).
    void aYearOfDraftsNeverRepeatsANeighbour()
    {
        RosterTable table;
        for (int i = 1; i <= 20; ++i)
            table.push_back({std::to_string(i), "S" + std::to_string(i), {}, {}, {}, {}});
        const Roster roster = rosterOf(table);
        DraftConditions c;
        FitToRoster(c, roster);
        c.pastNeighbours = kWholeHistory;
        const int columns = 6, rows = 5;

        std::vector<HistoryEntry> history;
        std::set<std::pair<std::string, std::string>> beside; // by name, as the charts recorded them
        SeatTable seats;
        for (int week = 0; week < 10; ++week) {
            const DraftProblem problem =
                MakeDraftProblem(c, roster, seats, columns, rows, PastSeatings(MatchHistory(history, roster)));
            DraftLimits limits;
            limits.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            const Draft draft = DrawDraft(problem, 2100 + std::uint64_t(week), limits);
            QVERIFY2(draft.ok(), qPrintable(QStringLiteral("week %1: %2").arg(week).arg(draft.reason.c_str())));
            seats = Chart(history, draft, roster, columns, rows, week);
            QCOMPARE(history.size(), std::size_t(week + 1));

            std::map<std::pair<int, int>, std::string> at;
            for (const PlacedDesk& d : history.back().desks)
                at[{d.column, d.row}] = d.student.fullName;
            QCOMPARE(at.size(), std::size_t(20));
            for (const auto& [desk, name] : at)
                if (const auto right = at.find({desk.first + 1, desk.second}); right != at.end())
                    QVERIFY2(beside.insert(std::minmax(name, right->second)).second,
                             qPrintable(QStringLiteral("week %1: %2 and %3 again")
                                            .arg(week)
                                            .arg(name.c_str(), right->second.c_str())));
        }
    }

    // The teacher's own pairings outlast the year's avoidance: a 近づける pair and
    // two 固定 students at neighbouring desks sit beside each other every week.
    void keptPairsStayBesideThroughTheYear()
    {
        RosterTable table;
        for (int i = 1; i <= 8; ++i)
            table.push_back({std::to_string(i), "S" + std::to_string(i), {}, {}, {}, {}});
        const Roster roster = rosterOf(table);
        DraftConditions c;
        FitToRoster(c, roster);
        c.pastNeighbours = kWholeHistory;
        c.togetherGroups = {{{1, 2}, Closeness::Beside}};
        c.marks[2].fixed = c.marks[3].fixed = true; // S3 and S4, at desks (0, 2) and (1, 2)
        const int columns = 4, rows = 3;
        SeatTable seats = seated(roster, {{0, 2, 3}, {1, 2, 4}});
        std::vector<HistoryEntry> history;
        for (int week = 0; week < 3; ++week) {
            const DraftProblem problem =
                MakeDraftProblem(c, roster, seats, columns, rows, PastSeatings(MatchHistory(history, roster)));
            const Draft draft = DrawDraft(problem, 7 + std::uint64_t(week));
            QVERIFY2(draft.ok(), qPrintable(QStringLiteral("week %1").arg(week)));
            seats = Chart(history, draft, roster, columns, rows, week);
        }
    }

    // A 前方 mark or a seat range outweighs the year's moves as 固定 does: a
    // student kept to the front rows, or to one desk, stays there every week
    // while the others change halves and desks.
    void marksOutweighTheYearsMoves()
    {
        RosterTable table;
        for (int i = 1; i <= 6; ++i)
            table.push_back({std::to_string(i), "S" + std::to_string(i), {}, {}, {}, {}});
        const Roster roster = rosterOf(table);
        DraftConditions c;
        FitToRoster(c, roster);
        c.everyoneMoves = false;
        c.swapHalves = true;
        c.pastDesks = 1;
        c.frontRows = 1;
        c.marks[0].front = true;
        c.marks[1].range = {SeatRange::Kind::Desks, 1, {{0, 0}}};
        const int columns = 3, rows = 4;
        SeatTable seats;
        std::vector<HistoryEntry> history;
        for (int week = 0; week < 3; ++week) {
            const DraftProblem problem =
                MakeDraftProblem(c, roster, seats, columns, rows, PastSeatings(MatchHistory(history, roster)));
            const Draft draft = DrawDraft(problem, 11 + std::uint64_t(week));
            QVERIFY2(draft.ok(), qPrintable(QStringLiteral("week %1").arg(week)));
            if (week > 0)
                QVERIFY(problem.swapHalves[2] != 0 && !problem.pastDesks[3].empty()); // the others still move
            seats = Chart(history, draft, roster, columns, rows, week);
        }
    }
};

QTEST_GUILESS_MAIN(YearTest)
#include "test_year.moc"
