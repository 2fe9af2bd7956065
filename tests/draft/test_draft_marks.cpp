// The draft's marks on a roster that changed: random classes reordered, joined
// and left, checked against who each mark was given to; another class; the
// saved conditions, which never name one student with another's marks; and the
// marks as the draw's problem reads them.
#include "arrangement/DraftRecord.h"
#include "draft/DraftSetup.h"

#include <QJsonArray>
#include <QTest>

#include <algorithm>
#include <map>
#include <random>
#include <set>

using namespace kelmora;

namespace {

Roster rosterOf(const std::vector<std::pair<std::string, std::string>>& students) // number, full name
{
    Roster r;
    for (const auto& [number, name] : students)
        r.table.push_back(Seito{number, name, name, {}, {}, {}});
    r.studentCount = static_cast<int>(r.table.size());
    r.columnCount = 2;
    return r;
}

StudentMarks randomMarks(std::mt19937& rng)
{
    StudentMarks m;
    m.front = rng() % 4 == 0;
    m.fixed = rng() % 5 == 0;
    m.sex = static_cast<Sex>(rng() % 3);
    m.leader = rng() % 6 == 0;
    if (rng() % 4 == 0)
        m.range = {static_cast<SeatRange::Kind>(1 + rng() % 5),
                   1 + static_cast<int>(rng() % 12),
                   {{static_cast<int>(rng() % 12), static_cast<int>(rng() % 12)}}};
    return m;
}

} // namespace

class DraftMarksTest : public QObject {
    Q_OBJECT

private slots:
    // Each mark and group stays with the student it was given to, by name here
    // (every name is unique): however the roster is reordered or renumbered, and
    // whoever joins or leaves. Exactly the marked students who left are named.
    void marksStayWithTheirStudents()
    {
        std::mt19937 rng(18);
        for (int trial = 0; trial < 300; ++trial) {
            const int size = 1 + static_cast<int>(rng() % 30);
            std::vector<std::pair<std::string, std::string>> before;
            for (int i = 0; i < size; ++i)
                before.emplace_back(std::to_string(i + 1), "S" + std::to_string(trial * 100 + i));
            const Roster old = rosterOf(before);
            DraftConditions c;
            FitToRoster(c, old);
            c.frontRows = 3;
            c.unusedDesks = {{1, 2}};
            std::map<std::string, StudentMarks> given; // by name
            for (int p = 1; p <= size; ++p)
                given[before[static_cast<std::size_t>(p - 1)].second] = c.marks[static_cast<std::size_t>(p - 1)] =
                    randomMarks(rng);
            // 離す, 同じ班にしない and 近づける (beside, around) groups, by kind and names.
            using Group = std::pair<int, std::set<std::string>>;
            std::vector<Group> groups;
            for (int g = static_cast<int>(rng() % 5); g > 0 && size >= 2; --g) {
                std::set<int> members;
                while (members.size() < 2 + rng() % 3 && members.size() < static_cast<std::size_t>(size))
                    members.insert(1 + static_cast<int>(rng() % static_cast<unsigned>(size)));
                const std::vector<int> positions(members.begin(), members.end());
                const int kind = static_cast<int>(rng() % 4);
                if (kind == 0)
                    c.apartGroups.push_back(positions);
                else if (kind == 1)
                    c.separateGroups.push_back(positions);
                else
                    c.togetherGroups.push_back({positions, kind == 2 ? Closeness::Beside : Closeness::Around});
                std::set<std::string> names;
                for (int p : members)
                    names.insert(before[static_cast<std::size_t>(p - 1)].second);
                groups.emplace_back(kind, names);
            }

            // Some leave, some join, the order changes, perhaps every number too.
            std::vector<std::pair<std::string, std::string>> after;
            for (const auto& s : before)
                if (rng() % 4 != 0)
                    after.push_back(s);
            for (int j = static_cast<int>(rng() % 3); j > 0; --j)
                after.emplace_back(std::to_string(size + j), "N" + std::to_string(trial * 100 + j));
            std::shuffle(after.begin(), after.end(), rng);
            if (rng() % 2 == 0)
                for (std::size_t k = 0; k < after.size(); ++k)
                    after[k].first = std::to_string(k + 1);
            const Roster now = rosterOf(after);
            std::set<std::string> staying;
            for (const auto& s : after)
                staying.insert(s.second);
            // The same class while someone keeps both number and name, or while more
            // than half the class is still there by name (everyone renumbered).
            const bool keepsNumber = std::any_of(before.begin(), before.end(), [&](const auto& s) {
                return std::find(after.begin(), after.end(), s) != after.end();
            });
            const auto stay =
                std::count_if(before.begin(), before.end(), [&](const auto& s) { return staying.contains(s.second); });
            const bool anyStays = keepsNumber || 2 * static_cast<std::size_t>(stay) > before.size();

            const std::vector<NamedStudent> lost = FitToRoster(c, now);
            QVERIFY(FitsRoster(c, now));
            QCOMPARE(c.frontRows, 3);
            QCOMPARE(c.unusedDesks, (std::vector<std::pair<int, int>>{{1, 2}}));
            for (std::size_t q = 0; q < after.size(); ++q) {
                const auto it = given.find(after[q].second);
                QVERIFY(c.marks[q] == (it != given.end() && anyStays ? it->second : StudentMarks{}));
            }
            std::set<std::string> expectLost;
            for (const auto& s : before) {
                const bool grouped = std::any_of(groups.begin(), groups.end(),
                                                 [&](const auto& g) { return g.second.contains(s.second); });
                if (anyStays && !staying.contains(s.second) && (given[s.second] != StudentMarks{} || grouped))
                    expectLost.insert(s.second);
            }
            std::set<std::string> named;
            for (const NamedStudent& s : lost)
                named.insert(s.fullName);
            QCOMPARE(named, expectLost);
            QCOMPARE(lost.size(), expectLost.size());

            std::multiset<Group> expectGroups, gotGroups;
            for (const auto& [kind, g] : groups) {
                std::set<std::string> kept;
                for (const std::string& name : g)
                    if (staying.contains(name))
                        kept.insert(name);
                if (kept.size() >= 2 && anyStays)
                    expectGroups.emplace(kind, kept);
            }
            const auto got = [&](int kind, const std::vector<int>& g) {
                std::set<std::string> names;
                for (int p : g)
                    names.insert(after[static_cast<std::size_t>(p - 1)].second);
                QCOMPARE(names.size(), g.size());
                gotGroups.emplace(kind, names);
            };
            for (const auto& g : c.apartGroups)
                got(0, g);
            for (const auto& g : c.separateGroups)
                got(1, g);
            for (const auto& g : c.togetherGroups)
                got(g.near == Closeness::Beside ? 2 : 3, g.positions);
            QVERIFY(gotGroups == expectGroups);
        }
    }

    // The problem takes the marks as the room is drawn now: presets by the
    // teacher's desk and the windows, picked desks inside the grid, groups by
    // student index without those the roster lacks. Desks counted by hand for a
    // room of 4 columns and 3 rows (row 2 by the teacher's desk).
    void theProblemTakesRangesAndGroups()
    {
        const Roster roster = rosterOf({{"1", "A"},
                                        {"2", "B"},
                                        {"3", "C"},
                                        {"4", "D"},
                                        {"5", "E"},
                                        {"6", "F"},
                                        {"7", "G"},
                                        {"8", "H"},
                                        {"9", "I"},
                                        {"10", "J"}});
        DraftConditions c;
        FitToRoster(c, roster);
        using K = SeatRange::Kind;
        c.marks[0].range = {K::Front, 1, {}};
        c.marks[1].range = {K::Back, 2, {}};
        c.marks[2].range = {K::Window, 1, {}};
        c.marks[3].range = {K::Corridor, 2, {}};
        c.marks[4].range = {K::Front, 7, {}};
        c.marks[5].range = {K::Desks, 1, {{1, 1}, {5, 5}, {0, 2}}};
        c.marks[6].range = {K::Desks, 1, {{5, 5}}};
        c.marks[7].range = {K::Desks, 1, {}};
        c.marks[1].leader = c.marks[8].leader = true;
        c.togetherGroups = {{{3, 12, 1, 3}, Closeness::Around}, {{2, 11}, Closeness::Beside}};
        c.separateGroups = {{10, 4}, {0, 5}};
        c.groups = {2, 2};
        c.mixGroups = true;
        const SeatTable empty;

        DraftProblem p = MakeDraftProblem(c, roster, empty, 4, 3);
        const std::vector<std::vector<int>> right{{8, 9, 10, 11},
                                                  {0, 1, 2, 3, 4, 5, 6, 7},
                                                  {3, 7, 11},
                                                  {0, 1, 4, 5, 8, 9},
                                                  {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                                                  {5, 8},
                                                  {kNoDesk},
                                                  {},
                                                  {},
                                                  {}};
        QCOMPARE(p.ranges, right);
        QCOMPARE(p.onePerGroup, (std::vector<int>{1, 8}));
        QCOMPARE(p.together, (std::vector<TogetherGroup>{{{2, 0}, Closeness::Around}}));
        QCOMPARE(p.separateGroups, (std::vector<std::vector<int>>{{9, 3}}));
        QCOMPARE(p.groupOfDesk, (std::vector<int>{2, 2, 3, 3, 0, 0, 1, 1, 0, 0, 1, 1}));
        QVERIFY(p.mixGroups);
        QVERIFY(p.pastNeighbours.empty() && p.pastDesks.empty() && p.swapHalves.empty());

        c.windows = WindowSide::Left;
        c.groups = {};
        p = MakeDraftProblem(c, roster, empty, 4, 3);
        QCOMPARE(p.ranges[2], (std::vector<int>{0, 4, 8}));
        QCOMPARE(p.ranges[3], (std::vector<int>{2, 3, 6, 7, 10, 11}));
        QVERIFY(p.groupOfDesk.empty());
    }

    // Two students of one name keep their own marks by attendance number.
    void namesakesAreToldApartByNumber()
    {
        const Roster old = rosterOf({{"1", "A"}, {"2", "X"}, {"3", "X"}});
        DraftConditions c;
        FitToRoster(c, old);
        c.marks[2].front = true;
        QVERIFY(FitToRoster(c, rosterOf({{"3", "X"}, {"2", "X"}, {"1", "A"}, {"4", "B"}})).empty());
        QVERIFY(c.marks[0].front);
        QCOMPARE(std::count(c.marks.begin(), c.marks.end(), StudentMarks{}), 3);
    }

    // Another class with one child of the same name as one of the marked class is
    // still another class: nobody gets a mark and nobody is named.
    void aNamesakeInAnotherClassGetsNoMarks()
    {
        DraftConditions c;
        FitToRoster(c, rosterOf({{"1", "A"}, {"2", "B"}}));
        c.marks[0].front = true;
        c.marks[1].fixed = true;
        QVERIFY(FitToRoster(c, rosterOf({{"1", "P"}, {"2", "Q"}, {"3", "B"}})).empty());
        QCOMPARE(std::count(c.marks.begin(), c.marks.end(), StudentMarks{}), 3);
    }

    // Two old students who both become the same new one: the second's marks are
    // named as lost, not dropped without a word.
    void twoStudentsBecomingOneNameTheSecond()
    {
        DraftConditions c;
        FitToRoster(c, rosterOf({{"1", "A"}, {"2", "X"}, {"3", "X"}}));
        c.marks[1].front = true;
        c.marks[2].fixed = true;
        const std::vector<NamedStudent> lost = FitToRoster(c, rosterOf({{"1", "A"}, {"5", "X"}}));
        QCOMPARE(lost.size(), std::size_t{1});
        QCOMPARE(lost[0].number, std::string("3"));
        QCOMPARE(lost[0].fullName, std::string("X"));
        QVERIFY(c.marks[1].front && !c.marks[1].fixed);
    }

    // Conditions made for one class and saved with another's roster name none of
    // the other's students; with the same class reordered they name the right ones.
    void savingNeverGivesAStudentAnothersMarks()
    {
        const Roster first = rosterOf({{"1", "A"}, {"2", "B"}, {"3", "C"}});
        DraftConditions c;
        FitToRoster(c, first);
        c.marks[0].fixed = true;
        c.marks[2].sex = Sex::Boy;
        c.apartGroups = {{1, 2}};

        const Roster other = rosterOf({{"1", "P"}, {"2", "Q"}, {"3", "R"}});
        const QJsonObject record = DraftRecord(c, other);
        QCOMPARE(record.value(QStringLiteral("students")).toArray().size(), 0);
        QCOMPARE(record.value(QStringLiteral("apart")).toArray().size(), 0);

        const Roster reordered = rosterOf({{"3", "C"}, {"1", "A"}, {"2", "B"}});
        const DraftConditions read = ReadDraftRecord(DraftRecord(c, reordered), reordered);
        QCOMPARE(read.marks[0].sex, Sex::Boy);
        QVERIFY(read.marks[1].fixed);
        QVERIFY(read.marks[2] == StudentMarks{});
        QCOMPARE(read.apartGroups, (std::vector<std::vector<int>>{{2, 3}}));
    }
};

QTEST_APPLESS_MAIN(DraftMarksTest)
#include "test_draft_marks.moc"
