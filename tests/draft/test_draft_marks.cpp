// The draft's marks on a roster that changed: random classes reordered, joined
// and left, checked against who each mark was given to; another class; and the
// saved conditions, which never name one student with another's marks.
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
            std::vector<std::set<std::string>> groups;
            for (int g = static_cast<int>(rng() % 3); g > 0 && size >= 2; --g) {
                std::set<int> members;
                while (members.size() < 2 + rng() % 3 && members.size() < static_cast<std::size_t>(size))
                    members.insert(1 + static_cast<int>(rng() % static_cast<unsigned>(size)));
                c.apartGroups.emplace_back(members.begin(), members.end());
                std::set<std::string> names;
                for (int p : members)
                    names.insert(before[static_cast<std::size_t>(p - 1)].second);
                groups.push_back(names);
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
                const bool grouped =
                    std::any_of(groups.begin(), groups.end(), [&](const auto& g) { return g.contains(s.second); });
                if (anyStays && !staying.contains(s.second) && (given[s.second] != StudentMarks{} || grouped))
                    expectLost.insert(s.second);
            }
            std::set<std::string> named;
            for (const NamedStudent& s : lost)
                named.insert(s.fullName);
            QCOMPARE(named, expectLost);
            QCOMPARE(lost.size(), expectLost.size());

            std::multiset<std::set<std::string>> expectGroups, gotGroups;
            for (const auto& g : groups) {
                std::set<std::string> kept;
                for (const std::string& name : g)
                    if (staying.contains(name))
                        kept.insert(name);
                if (kept.size() >= 2 && anyStays)
                    expectGroups.insert(kept);
            }
            for (const auto& g : c.apartGroups) {
                std::set<std::string> names;
                for (int p : g)
                    names.insert(after[static_cast<std::size_t>(p - 1)].second);
                QCOMPARE(names.size(), g.size());
                gotGroups.insert(names);
            }
            QVERIFY(gotGroups == expectGroups);
        }
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
