// How long a seat change takes, over 100 seeds per class: the median and the 99th
// percentile. The hard set (classes a plain depth-first search used to take
// seconds or minutes on, and the refusals a fixed set of spare desks caused), the
// impossible classes, and the everyday ones. With `--cnf DIR` it also writes each
// class as a SAT problem in DIMACS form (spare desks anywhere), to time a SAT
// solver on the same set by hand; with `--year`, only the school-year classes.
#include "draft/Draft.h"
#include "seating/Room.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numeric>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace kelmora;

namespace {

using Clock = std::chrono::steady_clock;

// `count` students seated at random on a columns x rows room, everyone moves.
DraftProblem Room(int columns, int rows, int count, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    DraftProblem p;
    p.columns = columns;
    p.rows = rows;
    p.frontRows = 2;
    p.everyoneMoves = true;
    std::vector<int> desks(static_cast<std::size_t>(columns * rows));
    std::iota(desks.begin(), desks.end(), 0);
    std::shuffle(desks.begin(), desks.end(), rng);
    for (int i = 0; i < count; ++i)
        p.students.push_back({"S" + std::to_string(i + 1), desks[static_cast<std::size_t>(i)]});
    return p;
}

std::vector<int> Range(int from, int to)
{
    std::vector<int> v(static_cast<std::size_t>(to - from));
    std::iota(v.begin(), v.end(), from);
    return v;
}

struct Case {
    std::string what;
    DraftProblem problem;
    DraftOutcome expected;
};

// The problem as CNF: x(s, d) per student and desk it may take, one desk each, one
// student a desk at most, pairs kept off neighbouring desks, and one variable for
// which way round the sexes go.
std::string Cnf(const DraftProblem& p)
{
    const int desks = p.columns * p.rows;
    const auto n = static_cast<int>(p.students.size());
    const auto x = [&](int s, int d) { return s * desks + d + 1; };
    const int parity = n * desks + 1;
    std::vector<std::string> clauses;
    const auto add = [&](std::initializer_list<int> lits) {
        std::string c;
        for (int l : lits)
            c += std::to_string(l) + " ";
        clauses.push_back(c + "0");
    };
    const auto touching = [&](int a, int b, bool sideOnly) {
        const int dc = std::abs(a % p.columns - b % p.columns);
        const int dr = std::abs(a / p.columns - b / p.columns);
        return a != b && dc <= 1 && dr <= (sideOnly ? 0 : 1);
    };
    for (int s = 0; s < n; ++s) {
        const DraftStudent& st = p.students[static_cast<std::size_t>(s)];
        std::string some;
        for (int d = 0; d < desks; ++d) {
            bool ok = !(static_cast<std::size_t>(d) < p.unused.size() && p.unused[static_cast<std::size_t>(d)]);
            ok = ok && (!st.fixed || d == st.desk) && (!st.front || InFrontRows(d, p.columns, p.rows, p.frontRows));
            ok = ok && !(p.everyoneMoves && !st.fixed && d == st.desk);
            if (!ok) {
                add({-x(s, d)});
                continue;
            }
            some += std::to_string(x(s, d)) + " ";
            if (p.mixing != Mixing::None && st.sex != Sex::None)
                add({-x(s, d), DeskSex(d, p.columns, p.mixing, 0) == st.sex ? -parity : parity});
            for (int e = d + 1; e < desks; ++e)
                add({-x(s, d), -x(s, e)});
        }
        clauses.push_back(some + "0");
    }
    for (int d = 0; d < desks; ++d)
        for (int s = 0; s < n; ++s)
            for (int t = s + 1; t < n; ++t)
                add({-x(s, d), -x(t, d)});
    const auto apart = [&](int a, int b, bool sideOnly) {
        for (int d = 0; d < desks; ++d)
            for (int e = 0; e < desks; ++e)
                if (touching(d, e, sideOnly))
                    add({-x(a, d), -x(b, e)});
    };
    for (const auto& group : p.apartGroups)
        for (std::size_t i = 0; i < group.size(); ++i)
            for (std::size_t j = i + 1; j < group.size(); ++j)
                apart(group[i], group[j], false);
    if (p.newNeighbours)
        for (int a = 0; a < n; ++a)
            for (int b = a + 1; b < n; ++b) {
                const int da = p.students[static_cast<std::size_t>(a)].desk;
                const int db = p.students[static_cast<std::size_t>(b)].desk;
                if (da >= 0 && db >= 0 && touching(da, db, true))
                    apart(a, b, true);
            }
    std::ostringstream out;
    out << "p cnf " << parity << " " << clauses.size() << "\n";
    for (const std::string& c : clauses)
        out << c << "\n";
    return out.str();
}

// Each seed draws its own class when `problemOf` is given.
void Report(const Case& c, int seeds, const std::function<DraftProblem(int)>& problemOf = {})
{
    std::vector<double> ms;
    int wrong = 0;
    for (int seed = 1; seed <= seeds; ++seed) {
        DraftLimits limits;
        limits.deadline = Clock::now() + std::chrono::seconds(10);
        const DraftProblem problem = problemOf ? problemOf(seed) : c.problem;
        const auto start = Clock::now();
        const Draft draft = DrawDraft(problem, static_cast<std::uint64_t>(seed), limits);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (draft.outcome != c.expected)
            ++wrong;
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) {
        return ms[static_cast<std::size_t>(q * static_cast<double>(ms.size() - 1) + 0.5)];
    };
    std::printf("bench_draft: %-78s median %8.3f ms  p99 %8.3f ms  max %8.3f ms%s\n", c.what.c_str(), at(0.5), at(0.99),
                ms.back(), wrong ? "  SOME OUTCOMES WRONG" : "");
    std::fflush(stdout);
}

// Sexes alternating through the roster: the first `boys` of every two go first.
void Sexes(DraftProblem& p, int boys)
{
    for (std::size_t i = 0; i < p.students.size(); ++i)
        p.students[i].sex = static_cast<int>(i) < boys ? Sex::Boy : Sex::Girl;
}

std::vector<Case> HardSet()
{
    std::vector<Case> cases;
    DraftProblem readme = Room(7, 6, 40, 1);
    readme.mixing = Mixing::Columns;
    Sexes(readme, 22);
    cases.push_back({"7 x 6, 40 students, 22 boys 18 girls, alternating columns", readme, DraftOutcome::Found});

    DraftProblem checker = Room(6, 7, 40, 2);
    checker.mixing = Mixing::Checkerboard;
    Sexes(checker, 21);
    cases.push_back({"6 x 7, 40 students, 21 boys 19 girls, checkerboard", checker, DraftOutcome::Found});

    DraftProblem twoBoys = Room(2, 2, 2, 3);
    twoBoys.mixing = Mixing::Columns;
    Sexes(twoBoys, 2);
    cases.push_back({"2 x 2, two boys, alternating columns", twoBoys, DraftOutcome::Found});

    DraftProblem row = Room(3, 1, 2, 4);
    row.everyoneMoves = false;
    row.apartGroups = {{0, 1}};
    cases.push_back({"3 x 1, two kept apart", row, DraftOutcome::Found});

    DraftProblem pair = Room(2, 1, 0, 5);
    pair.students = {{"S1", 1}};
    cases.push_back({"2 x 1, one student at desk 1, everyone moves", pair, DraftOutcome::Found});

    for (const int size : {12, 11}) {
        DraftProblem group = Room(6, 7, 40, 6);
        group.apartGroups = {Range(0, size)};
        cases.push_back(
            {"6 x 7, 40 students, one group of " + std::to_string(size) + " kept apart", group, DraftOutcome::Found});
    }
    DraftProblem sparse = Room(7, 6, 34, 7);
    sparse.apartGroups = {Range(0, 11)};
    cases.push_back({"7 x 6, 34 students, one group of 11 kept apart", sparse, DraftOutcome::Found});

    DraftProblem heavy = Room(12, 12, 144, 8);
    heavy.newNeighbours = true;
    heavy.mixing = Mixing::Checkerboard;
    Sexes(heavy, 72);
    std::mt19937 rng(8);
    std::shuffle(heavy.students.begin(), heavy.students.end(), rng); // sexes spread through the roster
    for (std::size_t i = 0; i < heavy.students.size(); ++i)
        heavy.students[i].name = "S" + std::to_string(i + 1);
    for (int boys = 0, girls = 0, i = 0; boys + girls < 20; ++i) { // ten of each in front
        DraftStudent& s = heavy.students[static_cast<std::size_t>(i)];
        int& taken = s.sex == Sex::Boy ? boys : girls;
        if (taken < 10) {
            s.front = true;
            ++taken;
        }
    }
    heavy.apartGroups = {Range(20, 32), Range(28, 40), Range(50, 60), Range(60, 68), Range(80, 86), Range(100, 104)};
    cases.push_back({"12 x 12, 144 students, 20 front, 6 groups (4 to 12) apart, checkerboard, moves, neighbours",
                     heavy, DraftOutcome::Found});

    DraftProblem full = Room(6, 6, 36, 9);
    full.apartGroups = {Range(0, 6), Range(4, 10), {0, 1, 2, 3, 6, 7, 8, 9}};
    cases.push_back(
        {"impossible: 6 x 6 full, three groups making 10 all apart (9 fit)", full, DraftOutcome::Impossible});
    return cases;
}

std::vector<Case> Everyday()
{
    std::vector<Case> cases;
    DraftProblem big = Room(12, 12, 144, 1);
    for (int i = 0; i < 20; ++i)
        big.students[static_cast<std::size_t>(i)].front = true;
    for (int i = 20; i < 30; ++i)
        big.students[static_cast<std::size_t>(i)].fixed = true;
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> mover(30, 143);
    for (int i = 0; i < 30; ++i)
        big.apartGroups.push_back({mover(rng), mover(rng)});
    cases.push_back(
        {"12 x 12, 144 students, 20 front, 10 fixed, 30 apart pairs, everyone moves", big, DraftOutcome::Found});

    DraftProblem ordinary = Room(7, 6, 40, 4);
    ordinary.newNeighbours = true;
    ordinary.mixing = Mixing::Checkerboard;
    for (int i = 0; i < 5; ++i)
        ordinary.students[static_cast<std::size_t>(i)].front = true;
    for (int i = 5; i < 7; ++i)
        ordinary.students[static_cast<std::size_t>(i)].fixed = true;
    ordinary.apartGroups = {{10, 11}, {12, 13}, {14, 15}, {16, 17}};
    for (std::size_t i = 0; i < ordinary.students.size(); ++i) {
        DraftStudent& s = ordinary.students[i];
        s.sex =
            s.fixed ? DeskSex(s.desk, ordinary.columns, Mixing::Checkerboard, 0) : (i % 2 == 0 ? Sex::Boy : Sex::Girl);
    }
    cases.push_back({"7 x 6, 40 students, 5 front, 2 fixed, 4 pairs, moves, neighbours, checkerboard", ordinary,
                     DraftOutcome::Found});

    DraftProblem example = Room(5, 7, 35, 5);
    cases.push_back({"5 x 7, 35 students, everyone moves", example, DraftOutcome::Found});

    DraftProblem tooManyInFront = big;
    for (int i = 0; i < 25; ++i)
        tooManyInFront.students[static_cast<std::size_t>(i)].front = true;
    cases.push_back({"impossible: 25 front students for 24 front desks", tooManyInFront, DraftOutcome::Impossible});

    DraftProblem crowdedRow = Room(12, 12, 144, 3);
    crowdedRow.frontRows = 1;
    for (int i = 0; i < 7; ++i)
        crowdedRow.students[static_cast<std::size_t>(i)].front = true;
    crowdedRow.apartGroups = {Range(0, 7)};
    cases.push_back({"impossible: 7 kept apart in one front row of 12", crowdedRow, DraftOutcome::Impossible});

    DraftProblem thousand = Room(12, 12, 144, 2);
    for (int i = 144; i < 1000; ++i)
        thousand.students.push_back({"S" + std::to_string(i + 1), -1});
    thousand.newNeighbours = true;
    thousand.apartGroups = {Range(0, 1000)};
    cases.push_back({"impossible: 1,000 students on 12 x 12, all kept apart", thousand, DraftOutcome::Impossible});
    return cases;
}

// The school year on a full 12 x 12 room, a new class for each seed: 2 x 2 班,
// 30 近づける pairs (隣 and 近く in turn), 20 seat ranges (front, back, window and
// door side, three rows or columns each), 隣 kept from 10 earlier random
// arrangements, and 36 班長 candidates for the 36 班, so exactly one each.
DraftProblem Year(int seed)
{
    DraftProblem p = Room(12, 12, 144, static_cast<std::uint32_t>(seed));
    p.everyoneMoves = false;
    p.groupOfDesk = GroupOfDesks({2, 2}, 12, 12);
    std::mt19937 rng(static_cast<std::uint32_t>(seed) + 1000);
    std::vector<int> order = Range(0, 144);
    std::shuffle(order.begin(), order.end(), rng);
    const auto at = [&order](int i) { return order[static_cast<std::size_t>(i)]; };
    for (int k = 0; k < 30; ++k)
        p.together.push_back({{at(2 * k), at(2 * k + 1)}, k % 2 == 0 ? Closeness::Beside : Closeness::Around});
    p.ranges.resize(144);
    for (int k = 0; k < 20; ++k) {
        std::vector<int>& range = p.ranges[static_cast<std::size_t>(at(60 + k))];
        for (int d = 0; d < 144; ++d) {
            const int column = d % 12;
            const int row = d / 12;
            if ((k % 4 == 0 && row >= 9) || (k % 4 == 1 && row < 3) || (k % 4 == 2 && column >= 9)
                || (k % 4 == 3 && column < 3))
                range.push_back(d);
        }
    }
    p.onePerGroup.assign(order.begin() + 80, order.begin() + 116);
    // A 隣 pair who sat side by side before would clash with the history (refused
    // at once, without a search), so the history leaves them out.
    const auto togetherBeside = [&p](int a, int b) {
        return std::any_of(p.together.begin(), p.together.end(), [&](const TogetherGroup& g) {
            return g.near == Closeness::Beside && std::count(g.students.begin(), g.students.end(), a) > 0
                   && std::count(g.students.begin(), g.students.end(), b) > 0;
        });
    };
    std::vector<int> seating = Range(0, 144);
    for (int past = 0; past < 10; ++past) {
        std::shuffle(seating.begin(), seating.end(), rng); // student at each desk
        for (int d = 0; d < 144; ++d) {
            const int a = seating[static_cast<std::size_t>(d)];
            const int b = seating[static_cast<std::size_t>(d + 1 < 144 ? d + 1 : 0)];
            if (d % 12 < 11 && !togetherBeside(a, b))
                p.pastNeighbours.emplace_back(a, b);
        }
    }
    return p;
}

// One of a stream of random rooms made to be hard: near-full, one group about as
// big as the room can keep apart, random options. Instance 42 of seed 1 runs
// past any limit (it has no arrangement the search can prove or find quickly).
DraftProblem Adversarial(std::uint32_t seed, int index)
{
    std::mt19937 rng(seed);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    DraftProblem p;
    for (int i = 0; i <= index; ++i) {
        p = DraftProblem{};
        p.columns = pick(4, 8);
        p.rows = pick(4, 8);
        const int desks = p.columns * p.rows;
        const int n = desks - pick(0, 4);
        std::vector<int> now(static_cast<std::size_t>(desks));
        std::iota(now.begin(), now.end(), 0);
        std::shuffle(now.begin(), now.end(), rng);
        for (int s = 0; s < n; ++s)
            p.students.push_back({"S" + std::to_string(s + 1), now[static_cast<std::size_t>(s)]});
        const int most = (p.columns + 1) / 2 * ((p.rows + 1) / 2);
        const int g = pick(most - 3, most);
        std::vector<int> order(static_cast<std::size_t>(n));
        std::iota(order.begin(), order.end(), 0);
        std::shuffle(order.begin(), order.end(), rng);
        p.apartGroups.emplace_back(order.begin(), order.begin() + std::min(g, n));
        if (pick(0, 1) != 0)
            p.apartGroups.push_back(std::vector<int>(order.begin() + g, order.begin() + g + 3));
        p.everyoneMoves = pick(0, 1) != 0;
        p.newNeighbours = pick(0, 1) != 0;
        p.mixing = static_cast<Mixing>(pick(0, 2));
        for (DraftStudent& s : p.students)
            s.sex = static_cast<Sex>(pick(0, 2));
        for (int k = pick(0, 5); k > 0; --k)
            p.students[static_cast<std::size_t>(pick(0, n - 1))].front = true;
        p.frontRows = pick(1, 3);
        (void)rng(); // the seed a draw took
    }
    return p;
}

// How soon a draw that cannot settle ends after a stop, and after its deadline.
void ReportLimits()
{
    const DraftProblem p = Adversarial(1, 42);
    std::vector<double> afterStop;
    std::vector<double> afterDeadline;
    for (int seed = 1; seed <= 10; ++seed) {
        std::atomic<bool> stop{false};
        DraftLimits limits;
        limits.stop = &stop;
        Clock::time_point stopped;
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            stopped = Clock::now();
            stop = true;
        });
        const Draft draft = DrawDraft(p, static_cast<std::uint64_t>(seed), limits);
        const auto end = Clock::now();
        stopper.join();
        if (draft.outcome == DraftOutcome::Stopped)
            afterStop.push_back(std::chrono::duration<double, std::milli>(end - stopped).count());
        DraftLimits late;
        late.deadline = Clock::now() + std::chrono::milliseconds(50);
        if (DrawDraft(p, static_cast<std::uint64_t>(seed), late).outcome == DraftOutcome::OutOfTime)
            afterDeadline.push_back(std::chrono::duration<double, std::milli>(Clock::now() - late.deadline).count());
    }
    const auto spread = [](std::vector<double> v) {
        if (v.empty())
            return std::string("none");
        std::sort(v.begin(), v.end());
        char text[64];
        std::snprintf(text, sizeof text, "median %.3f ms, at most %.3f ms", v[v.size() / 2], v.back());
        return std::string(text);
    };
    std::printf("bench_draft: a draw that cannot settle (%d x %d, %zu students, a group of %zu): stopped %zu of 10, "
                "ending %s after the stop; out of time %zu of 10, ending %s after the deadline\n",
                p.columns, p.rows, p.students.size(), p.apartGroups[0].size(), afterStop.size(),
                spread(afterStop).c_str(), afterDeadline.size(), spread(afterDeadline).c_str());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--cnf") {
        int i = 0;
        for (const Case& c : HardSet()) {
            const std::string path = std::string(argv[2]) + "/draft" + std::to_string(++i) + ".cnf";
            std::ofstream(path) << Cnf(c.problem);
            std::printf("%s: %s\n", path.c_str(), c.what.c_str());
        }
        return 0;
    }
    const Case year{"12 x 12, 144 students, 2 x 2 han, 30 together, 20 ranges, 10 years of neighbours, 36 leaders",
                    {},
                    DraftOutcome::Found};
    const Case yearClash{"impossible: the same, and a together pair who sat side by side before",
                         {},
                         DraftOutcome::Impossible};
    const auto withClash = [](int seed) {
        DraftProblem p = Year(seed);
        p.pastNeighbours.emplace_back(p.together[0].students[1], p.together[0].students[0]);
        return p;
    };
    if (argc == 2 && std::string(argv[1]) == "--year") { // the school year alone
        Report(year, 100, Year);
        Report(yearClash, 100, withClash);
        return 0;
    }
    for (const Case& c : HardSet())
        Report(c, 100);
    for (const Case& c : Everyday())
        Report(c, 100);
    Report(year, 100, Year);
    Report(yearClash, 100, withClash);
    ReportLimits();
    return 0;
}
