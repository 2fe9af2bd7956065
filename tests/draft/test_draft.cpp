// The draft solver: random instances checked against the conditions written out
// afresh here, and, on instances small enough to try every arrangement, against
// the truth; then the reasons told for instances that cannot be met.
#include "common/Sjis.h"
#include "draft/Draft.h"
#include "draft/DraftSetup.h"

#include <QTest>

#include <algorithm>
#include <map>
#include <random>
#include <set>

using namespace kelmora;
using testing::fromSj;
using testing::sj;

namespace {

int Column(const DraftProblem& p, int desk)
{
    return desk % p.columns;
}
int Row(const DraftProblem& p, int desk)
{
    return desk / p.columns;
}

bool Touching(const DraftProblem& p, int a, int b)
{
    return std::abs(Column(p, a) - Column(p, b)) <= 1 && std::abs(Row(p, a) - Row(p, b)) <= 1;
}

bool SideBySide(const DraftProblem& p, int a, int b)
{
    return Row(p, a) == Row(p, b) && std::abs(Column(p, a) - Column(p, b)) == 1;
}

bool Marked(const DraftProblem& p, int desk)
{
    return static_cast<std::size_t>(desk) < p.unused.size() && p.unused[static_cast<std::size_t>(desk)];
}

// The desks that stay empty: the marked ones, then the first others from the back
// row, from the left, that no fixed student holds.
std::set<int> ExpectedEmpty(const DraftProblem& p)
{
    const int desks = p.columns * p.rows;
    std::set<int> empty;
    for (int d = 0; d < desks; ++d)
        if (Marked(p, d))
            empty.insert(d);
    int extra = desks - static_cast<int>(empty.size()) - static_cast<int>(p.students.size());
    for (int d = 0; d < desks && extra > 0; ++d) {
        const bool held = std::any_of(p.students.begin(), p.students.end(),
                                      [d](const DraftStudent& s) { return s.fixed && s.desk == d; });
        if (!empty.contains(d) && !held) {
            empty.insert(d);
            --extra;
        }
    }
    return empty;
}

// Every condition, for a whole arrangement.
bool Meets(const DraftProblem& p, const std::vector<int>& desks)
{
    const std::set<int> empty = ExpectedEmpty(p);
    if (desks.size() != p.students.size() || std::set<int>(desks.begin(), desks.end()).size() != desks.size())
        return false;
    for (std::size_t i = 0; i < desks.size(); ++i) {
        const DraftStudent& s = p.students[i];
        const int d = desks[i];
        if (d < 0 || d >= p.columns * p.rows || empty.contains(d))
            return false;
        if (s.front && Row(p, d) < p.rows - p.frontRows)
            return false;
        if (s.fixed && d != s.desk)
            return false;
        if (p.everyoneMoves && !s.fixed && d == s.desk)
            return false;
    }
    for (const auto& group : p.apartGroups)
        for (int a : group)
            for (int b : group)
                if (a != b && Touching(p, desks[static_cast<std::size_t>(a)], desks[static_cast<std::size_t>(b)]))
                    return false;
    if (p.newNeighbours)
        for (std::size_t a = 0; a < desks.size(); ++a)
            for (std::size_t b = 0; b < desks.size(); ++b) {
                const int da = p.students[a].desk;
                const int db = p.students[b].desk;
                if (a != b && da >= 0 && db >= 0 && SideBySide(p, da, db) && SideBySide(p, desks[a], desks[b]))
                    return false;
            }
    if (p.mixing == Mixing::None)
        return true;
    // One of the two ways round: boys on the desks where column (+ row) + parity is even.
    for (int parity = 0; parity < 2; ++parity) {
        bool fits = true;
        for (std::size_t i = 0; i < desks.size(); ++i) {
            const int v = Column(p, desks[i]) + (p.mixing == Mixing::Checkerboard ? Row(p, desks[i]) : 0) + parity;
            const Sex wanted = v % 2 == 0 ? Sex::Boy : Sex::Girl;
            if (p.students[i].sex != Sex::None && p.students[i].sex != wanted)
                fits = false;
        }
        if (fits)
            return true;
    }
    return false;
}

// Every valid arrangement, by trying them all.
void EveryArrangement(const DraftProblem& p, std::vector<int>& desks, std::vector<bool>& used,
                      std::vector<std::vector<int>>& found)
{
    if (desks.size() == p.students.size()) {
        if (Meets(p, desks))
            found.push_back(desks);
        return;
    }
    for (int d = 0; d < p.columns * p.rows; ++d) {
        if (used[static_cast<std::size_t>(d)])
            continue;
        used[static_cast<std::size_t>(d)] = true;
        desks.push_back(d);
        EveryArrangement(p, desks, used, found);
        desks.pop_back();
        used[static_cast<std::size_t>(d)] = false;
    }
}

std::vector<std::vector<int>> EveryArrangement(const DraftProblem& p)
{
    std::vector<int> desks;
    std::vector<bool> used(static_cast<std::size_t>(p.columns * p.rows), false);
    std::vector<std::vector<int>> found;
    EveryArrangement(p, desks, used, found);
    return found;
}

DraftProblem RandomProblem(std::mt19937& rng, int maxSide)
{
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto chance = [&](int percent) { return pick(1, 100) <= percent; };
    DraftProblem p;
    p.columns = pick(1, maxSide);
    p.rows = pick(1, maxSide);
    const int desks = p.columns * p.rows;
    p.students.resize(static_cast<std::size_t>(pick(0, desks)));
    p.unused.resize(static_cast<std::size_t>(desks));
    for (int d = 0; d < desks; ++d)
        p.unused[static_cast<std::size_t>(d)] = chance(8);
    std::vector<int> now(static_cast<std::size_t>(desks));
    std::iota(now.begin(), now.end(), 0);
    std::shuffle(now.begin(), now.end(), rng);
    for (std::size_t i = 0; i < p.students.size(); ++i) {
        DraftStudent& s = p.students[i];
        s.name = "S" + std::to_string(i + 1);
        s.desk = chance(85) ? now[i] : -1;
        s.front = chance(20);
        s.fixed = chance(8);
        s.sex = static_cast<Sex>(pick(0, 2));
    }
    for (int g = pick(0, 2); g > 0 && p.students.size() >= 2; --g) {
        std::vector<int> group;
        for (int k = pick(2, 3); k > 0; --k)
            group.push_back(pick(0, static_cast<int>(p.students.size()) - 1));
        p.apartGroups.push_back(group);
    }
    p.frontRows = pick(1, 3);
    p.everyoneMoves = chance(50);
    p.newNeighbours = chance(40);
    p.mixing = static_cast<Mixing>(pick(0, 2));
    return p;
}

} // namespace

class DraftTest : public QObject {
    Q_OBJECT

private slots:
    // 1,000 random instances: a draft meets every condition; on small ones, a
    // refusal is checked against trying every arrangement, and so is every draw.
    void everyDraftMeetsEveryConditionAndRefusalsAreTrue()
    {
        std::mt19937 rng(20261208);
        int drafted = 0, refused = 0, tried = 0;
        for (int i = 0; i < 1000; ++i) {
            const bool small = i % 2 == 0;
            DraftProblem p = RandomProblem(rng, small ? 3 : 7);
            const Draft draft = DrawDraft(p, rng());
            if (draft.ok()) {
                ++drafted;
                QVERIFY2(Meets(p, draft.desks), qPrintable(QString("instance %1").arg(i)));
            } else {
                ++refused;
                QVERIFY(!draft.reason.empty());
            }
            if (small && p.students.size() <= 7) {
                ++tried;
                QCOMPARE(draft.ok(), !EveryArrangement(p).empty());
            }
        }
        // The instances must cover both outcomes to mean anything.
        QVERIFY(drafted > 200);
        QVERIFY(refused > 50);
        QVERIFY(tried > 300);
    }

    // Impossible by counting: the class, or the front students, do not fit.
    void countingRefusalsSayWhatDoesNotFit()
    {
        std::mt19937 rng(7);
        int frontCases = 0;
        for (int i = 0; i < 1000; ++i) {
            DraftProblem p = RandomProblem(rng, 12);
            p.mixing = Mixing::None;
            for (DraftStudent& s : p.students)
                s.fixed = false;
            int usable = 0, frontSeats = 0;
            for (int d = 0; d < p.columns * p.rows; ++d)
                usable += Marked(p, d) ? 0 : 1;
            if (i % 3 == 0) // sometimes more students than desks
                p.students.resize(static_cast<std::size_t>(usable + 1 + i % 5), DraftStudent{"X", -1});
            const auto n = static_cast<int>(p.students.size());
            const std::set<int> empty = ExpectedEmpty(p);
            for (int d = 0; d < p.columns * p.rows; ++d)
                if (!empty.contains(d) && Row(p, d) >= p.rows - p.frontRows)
                    ++frontSeats;
            const auto front = std::count_if(p.students.begin(), p.students.end(), [](auto& s) { return s.front; });
            const Draft draft = DrawDraft(p, rng());
            if (n > usable) {
                QCOMPARE(fromSj(draft.reason),
                         fromSj(sj(QString("生徒%1人に使える席は%2しかありません").arg(n).arg(usable))));
            } else if (front > frontSeats) {
                ++frontCases;
                QCOMPARE(
                    fromSj(draft.reason),
                    fromSj(
                        sj(QString("前方%1行に%2人は入りません(席は%3)").arg(p.frontRows).arg(front).arg(frontSeats))));
            }
        }
        QVERIFY(frontCases > 20);
    }

    // Over many seeds, each student reaches each desk some arrangement gives it,
    // and draws differ.
    void everyValidDeskComesOut()
    {
        DraftProblem p;
        p.columns = 3;
        p.rows = 3;
        p.unused = {false, false, true, false, false, false, false, false, false};
        for (int i = 0; i < 7; ++i)
            p.students.push_back({"S" + std::to_string(i), i + 1 < 9 ? i + 1 : -1});
        p.students[0].front = true;
        p.students[1].front = true;
        p.students[2].fixed = true;
        p.apartGroups = {{3, 4}};
        p.frontRows = 1;
        p.everyoneMoves = true;
        std::set<std::pair<std::size_t, int>> possible;
        for (const auto& desks : EveryArrangement(p))
            for (std::size_t s = 0; s < desks.size(); ++s)
                possible.insert({s, desks[s]});
        QVERIFY(possible.size() > 20);
        std::set<std::pair<std::size_t, int>> reached;
        std::set<std::vector<int>> draws;
        for (std::uint64_t seed = 0; seed < 3000; ++seed) {
            const Draft draft = DrawDraft(p, seed);
            QVERIFY(draft.ok());
            draws.insert(draft.desks);
            for (std::size_t s = 0; s < draft.desks.size(); ++s)
                reached.insert({s, draft.desks[s]});
        }
        QCOMPARE(reached, possible);
        QVERIFY(draws.size() > 20);
    }

    void reasonsNameTheCondition()
    {
        DraftProblem p;
        p.columns = 5;
        p.rows = 6;
        p.frontRows = 2;
        p.students.resize(14);
        for (int i = 0; i < 14; ++i)
            p.students[static_cast<std::size_t>(i)] = {sj(QString("生徒%1").arg(i + 1)), i};
        // (Too many for the front rows: countingRefusalsSayWhatDoesNotFit.)
        p.students[0].fixed = true;
        p.students[0].front = true;
        QCOMPARE(fromSj(DrawDraft(p, 1).reason), fromSj(sj("固定の生徒1は前方2行の外に座っています")));
        p.students[0].front = false;
        p.students[1].fixed = true;
        p.apartGroups = {{0, 1}};
        QCOMPARE(fromSj(DrawDraft(p, 1).reason), fromSj(sj("固定の生徒1と生徒2は隣り合っているので離せません")));

        // Four who must all be kept apart cannot share a row of five.
        p.students[0].fixed = p.students[1].fixed = false;
        p.rows = 1;
        p.students.resize(5);
        p.apartGroups = {{0, 1}, {1, 2, 3, 4}};
        QCOMPARE(fromSj(DrawDraft(p, 1).reason),
                 fromSj(sj("生徒2、生徒3、生徒4ほか1人を互いに離せる並びがありません(離す)")));

        // Alternating columns on 3 x 2 leaves 4 desks to one sex and 2 to the other.
        p.columns = 3;
        p.rows = 2;
        p.apartGroups.clear();
        p.mixing = Mixing::Columns;
        p.students.resize(6);
        for (std::size_t i = 0; i < 6; ++i)
            p.students[i].sex = i < 5 ? Sex::Girl : Sex::Boy;
        QCOMPARE(fromSj(DrawDraft(p, 1).reason),
                 fromSj(sj("男女の列を交互にすると、女子の席に5人は入りません(席は4)")));

        // Alone in a room of one desk, and told to move.
        p = DraftProblem{};
        p.columns = p.rows = 1;
        p.everyoneMoves = true;
        p.students = {{sj("生徒1"), 0}};
        QCOMPARE(fromSj(DrawDraft(p, 1).reason), fromSj(sj("生徒1の座れる席がありません(全員移動)")));
    }

    // The draft on the desks: its students leave the list and the queue, desks
    // beyond the grid keep theirs.
    void applyingSeatsTheClassAsPastingWould()
    {
        Roster roster;
        for (const char* name : {"A", "B", "C"})
            roster.table.push_back(Seito{"1", name, name, {}, {}, {}});
        StudentList list;
        DisplayRoster(list, roster, NameMode::FullName);
        SeatTable seats;
        seats.seat(0, 0, "A", 1);
        seats.seat(5, 5, "Z", 9);
        CutQueue queue;
        queue.append("B", 2);
        queue.append("Q", 7);
        DraftConditions conditions;
        FitToRoster(conditions, roster);
        conditions.marks[0].fixed = true;
        const Draft draft = DrawDraft(MakeDraftProblem(conditions, roster, seats, 2, 2), 3);
        QVERIFY(draft.ok());
        ApplyDraft(seats, queue, list, 2, 2, DraftSeats(draft, roster, 2, NameMode::FullName));
        QCOMPARE(seats.entry(0, 0), 1);
        QCOMPARE(seats.text(5, 5), std::string("Z"));
        std::multiset<int> seated;
        for (int c = 0; c < 2; ++c)
            for (int r = 0; r < 2; ++r)
                seated.insert(seats.entry(c, r));
        QCOMPARE(seated, (std::multiset<int>{0, 1, 2, 3}));
        for (int row = 1; row <= 3; ++row)
            QVERIFY(list.cell(1, row).empty());
        QCOMPARE(queue.size(), std::size_t(1));
        QCOMPARE(queue.frontPosition(), 7);
    }
};

QTEST_APPLESS_MAIN(DraftTest)
#include "test_draft.moc"
