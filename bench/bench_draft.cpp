// How long a seat change takes, beside a plain shuffle of the same desks timed in
// the same run: the full 12 x 12 class with many conditions, impossible classes,
// and an ordinary class of 40.
#include "draft/Draft.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

using namespace kelmora;

namespace {

using Clock = std::chrono::steady_clock;

double MedianMicros(int runs, const std::function<void(int)>& work)
{
    std::vector<double> micros;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work(i);
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(micros.begin(), micros.end());
    return micros[micros.size() / 2];
}

// `count` students seated at random on a columns x rows room, `front` of them in
// front, `fixed` others fixed, `pairs` pairs of movers kept apart.
DraftProblem Class(int columns, int rows, int count, int front, int fixed, int pairs, std::uint32_t seed)
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
        p.students.push_back({"S" + std::to_string(i), desks[static_cast<std::size_t>(i)], i < front, false});
    for (int i = front; i < front + fixed; ++i)
        p.students[static_cast<std::size_t>(i)].fixed = true;
    for (int i = 0; i < pairs; ++i) {
        std::uniform_int_distribution<int> any(0, count - 1);
        int a = any(rng), b = any(rng);
        while (a == b || (a >= front && a < front + fixed) || (b >= front && b < front + fixed))
            a = any(rng), b = any(rng);
        p.apartGroups.push_back({a, b});
    }
    return p;
}

void Report(const char* what, const DraftProblem& p, int runs, bool expectOk)
{
    int wrong = 0;
    const double draft = MedianMicros(runs, [&](int i) {
        if (DrawDraft(p, static_cast<std::uint64_t>(i) + 1).ok() != expectOk)
            ++wrong;
    });
    std::vector<int> desks(static_cast<std::size_t>(p.columns * p.rows));
    std::iota(desks.begin(), desks.end(), 0);
    std::mt19937_64 rng(1);
    const double shuffle = MedianMicros(runs * 20, [&](int) { std::shuffle(desks.begin(), desks.end(), rng); });
    std::printf("bench_draft: %s: median %.0f us (plain shuffle of the %d desks: %.2f us), %d runs%s\n", what, draft,
                p.columns * p.rows, shuffle, runs, wrong ? ", SOME RESULTS WRONG" : "");
}

} // namespace

int main()
{
    Report("12 x 12, 144 students, 20 front, 10 fixed, 30 apart pairs, everyone moves",
           Class(12, 12, 144, 20, 10, 30, 1), 101, true);

    DraftProblem tooManyInFront = Class(12, 12, 144, 25, 0, 30, 2);
    Report("impossible: 25 front students for 24 front desks", tooManyInFront, 101, false);

    DraftProblem clique = Class(12, 12, 144, 0, 0, 0, 3);
    clique.frontRows = 1;
    clique.apartGroups.clear();
    std::vector<int> seven{0, 1, 2, 3, 4, 5, 6};
    for (int s : seven)
        clique.students[static_cast<std::size_t>(s)].front = true;
    clique.apartGroups.push_back(seven);
    Report("impossible: 7 kept apart in one front row of 12", clique, 21, false);

    DraftProblem ordinary = Class(7, 6, 40, 5, 2, 4, 4);
    ordinary.newNeighbours = true;
    ordinary.mixing = Mixing::Checkerboard;
    for (std::size_t i = 0; i < ordinary.students.size(); ++i) {
        DraftStudent& s = ordinary.students[i];
        s.sex =
            s.fixed ? DeskSex(s.desk, ordinary.columns, Mixing::Checkerboard, 0) : (i % 2 == 0 ? Sex::Boy : Sex::Girl);
    }
    Report("40 students on 7 x 6, 5 front, 2 fixed, 4 apart pairs, everyone moves, new neighbours, checkerboard",
           ordinary, 201, true);
    return 0;
}
