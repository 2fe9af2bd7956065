#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace kelmora {

// Desks of a draft are numbered row by row: desk = row * columns + column. Row 0
// is the back of the classroom; row rows - 1 stands next to the teacher's desk.
constexpr int kMaxDraftSide = 12;
constexpr int kMaxDraftDesks = kMaxDraftSide * kMaxDraftSide;

enum class Sex : std::uint8_t { None, Boy, Girl };

// How boys and girls are mixed. A desk's place alone decides who may sit there:
// by columns, every other column is the boys'; in the checkerboard, the desks
// whose column + row is even or odd are. The draft tries both ways round. Empty
// desks do not shift the pattern, unmarked students may sit anywhere, and with
// unequal numbers the larger group needs enough desks of its own.
enum class Mixing : std::uint8_t { None, Columns, Checkerboard };

struct DraftStudent {
    std::string name; // code page 932, for the reasons
    int desk = -1;    // the desk the student sits at before the draft, -1 when none
    bool front = false;
    bool fixed = false;
    Sex sex = Sex::None;
};

// How close the members of a 近づける group sit: 隣 is the desk to the left or
// right in the same row; 近く is any of the up to 8 desks around.
enum class Closeness : std::uint8_t { Beside, Around };

// 近づける: every member has another member of the group that close.
struct TogetherGroup {
    std::vector<int> students; // two or more student indices
    Closeness near = Closeness::Beside;
    friend bool operator==(const TogetherGroup&, const TogetherGroup&) = default;
};

// In a student's range: no desk of the room (see DraftProblem::ranges).
constexpr int kNoDesk = -1;

struct DraftProblem {
    int columns = 0; // 1 to 12
    int rows = 0;    // 1 to 12
    std::vector<DraftStudent> students;
    std::vector<std::vector<int>> apartGroups; // student indices; every two of a group are kept apart
    std::vector<bool> unused;                  // per desk, marked unused by the teacher (may be shorter)
    int frontRows = 1;                         // 1 to 3
    bool everyoneMoves = false;
    bool newNeighbours = false; // but two of one 近づける group may stay side by side
    Mixing mixing = Mixing::None;

    // 座席範囲: per student, the desks it may take; an empty list (or none given) is
    // anywhere. A list of kNoDesk alone allows no desk: a range whose picked desks
    // all lie outside the room cannot be met, and the draw names the student.
    std::vector<std::vector<int>> ranges;
    std::vector<TogetherGroup> together; // 近づける
    // 班: the 班 of each desk (GroupOfDesks); empty without 班, and then the 班
    // conditions below hold trivially.
    std::vector<int> groupOfDesk;
    std::vector<std::vector<int>> separateGroups; // 同じ班にしない: the members sit in different 班
    std::vector<int> onePerGroup;                 // 班に一人ずつ: no two of these in one 班
    // 班ごとに男女を混ぜる: no 班 of two or more students is all boys or all girls;
    // an unmarked student counts as neither, so as far as the marks allow.
    bool mixGroups = false;
    // The year's history, worked out by the caller from past arrangements. Like
    // everyoneMoves, pastDesks and swapHalves leave a fixed student where it is.
    std::vector<std::pair<int, int>> pastNeighbours; // students who sat beside each other: not beside again
    std::vector<std::vector<int>> pastDesks; // per student, desks not to take again (前回と同じ席にしない)
    // 前回の前後を入れ替える, per student: 1 sat in the front half, so takes a desk of
    // the back half now; -1 the other way round; 0 (or none given) free.
    std::vector<std::int8_t> swapHalves;
};

// How a draw ended. Impossible is said only with proof; a search that ran out of
// time or was stopped has ruled nothing out.
enum class DraftOutcome : std::uint8_t { Found, Impossible, OutOfTime, Stopped };

// One of the teacher's conditions, as a refusal names it.
enum class DraftConditionKind : std::uint8_t {
    Front,
    Fixed,
    Unused,
    Apart,
    Mixing,
    EveryoneMoves,
    NewNeighbours,
    Range,          // the student's 座席範囲
    Together,       // a 近づける group
    Separate,       // a 同じ班にしない group
    OnePerGroup,    // 班に一人ずつ
    GroupMixing,    // 班ごとに男女を混ぜる
    PastNeighbours, // これまで隣になった人とは隣にしない
    PastDesks,      // 前回と同じ席にしない
    SwapHalves,     // 前回の前後を入れ替える
};
struct DraftCondition {
    DraftConditionKind kind = DraftConditionKind::Front;
    // The student (Front, Fixed, Range), the desk (Unused), the index in
    // apartGroups (Apart), together (Together) or separateGroups (Separate); else -1.
    int index = -1;
    friend bool operator==(const DraftCondition&, const DraftCondition&) = default;
};

struct Draft {
    std::vector<int> desks; // per student; empty unless an arrangement was found
    std::string reason;     // code page 932: the clash (Impossible), or what makes it hard (OutOfTime)
    DraftOutcome outcome = DraftOutcome::Found;
    // Impossible: conditions that cannot hold together in this room (with this
    // many students); taking any one away leaves an arrangement, as far as the
    // time for looking allowed. Empty when the students outnumber the desks alone.
    std::vector<DraftCondition> clash{};
    bool ok() const { return outcome == DraftOutcome::Found; }
};

// Bounds a draw from outside: another thread may set `stop`, and the draw gives up
// at `deadline`. Both are looked at often enough to end a draw within milliseconds.
struct DraftLimits {
    const std::atomic<bool>* stop = nullptr;
    std::chrono::steady_clock::time_point deadline = std::chrono::steady_clock::time_point::max();
    bool reached() const
    {
        return (stop != nullptr && stop->load(std::memory_order_relaxed))
               || std::chrono::steady_clock::now() >= deadline;
    }
};

// The desks the draft prefers to leave empty: the marked ones, then, while there
// are more desks than students, further ones from the back row, from the left
// (skipping the desks of fixed students). After a draw, the empty desks are those
// no student got.
std::vector<bool> EmptyDesks(const DraftProblem& problem);

// Draws one arrangement meeting every condition, at random, or says why none exists.
// Spare desks are a preference, never a condition: the draw leaves exactly the
// EmptyDesks empty when some arrangement does; otherwise it keeps the unmarked
// empty desks within the fewest back rows any arrangement needs (anywhere within
// them, at random); the marked desks are always empty. The preference gets a
// quarter second (or half the time left, if less): past that, any arrangement will do.
Draft DrawDraft(const DraftProblem& problem, std::uint64_t seed, const DraftLimits& limits = {});

bool InFrontRows(int desk, int columns, int rows, int frontRows);

// The halves 前回の前後を入れ替える swaps: the front half is the rows / 2 rows by the
// teacher's desk, the back half the rows / 2 rows at the back; with an odd number
// of rows the middle row is in neither.
bool InFrontHalf(int desk, int columns, int rows);
bool InBackHalf(int desk, int columns, int rows);

// Which sex a desk takes under `mixing` and `parity` (0 or 1); None for any.
Sex DeskSex(int desk, int columns, Mixing mixing, int parity);

} // namespace kelmora
