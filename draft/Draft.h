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

struct DraftProblem {
    int columns = 0; // 1 to 12
    int rows = 0;    // 1 to 12
    std::vector<DraftStudent> students;
    std::vector<std::vector<int>> apartGroups; // student indices; every two of a group are kept apart
    std::vector<bool> unused;                  // per desk, marked unused by the teacher (may be shorter)
    int frontRows = 1;                         // 1 to 3
    bool everyoneMoves = false;
    bool newNeighbours = false;
    Mixing mixing = Mixing::None;
};

// How a draw ended. Impossible is said only with proof; a search that ran out of
// time or was stopped has ruled nothing out.
enum class DraftOutcome : std::uint8_t { Found, Impossible, OutOfTime, Stopped };

// One of the teacher's conditions, as a refusal names it.
enum class DraftConditionKind : std::uint8_t { Front, Fixed, Unused, Apart, Mixing, EveryoneMoves, NewNeighbours };
struct DraftCondition {
    DraftConditionKind kind = DraftConditionKind::Front;
    int index = -1; // the student (Front, Fixed), the desk (Unused), the index in apartGroups (Apart); else -1
    friend bool operator==(const DraftCondition&, const DraftCondition&) = default;
};

struct Draft {
    std::vector<int> desks; // per student; empty unless an arrangement was found
    std::string reason;     // code page 932: the clash (Impossible), or what makes it hard (OutOfTime)
    DraftOutcome outcome = DraftOutcome::Found;
    // Impossible: conditions that cannot hold together in this room (with this
    // many students); taking any one away leaves an arrangement, as far as the
    // time for looking allowed. Empty when the students outnumber the desks alone.
    std::vector<DraftCondition> clash;
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
// them, at random); the marked desks are always empty. With a deadline, the
// preference gets half the time left: past that, any arrangement will do.
Draft DrawDraft(const DraftProblem& problem, std::uint64_t seed, const DraftLimits& limits = {});

bool InFrontRows(int desk, int columns, int rows, int frontRows);

// Which sex a desk takes under `mixing` and `parity` (0 or 1); None for any.
Sex DeskSex(int desk, int columns, Mixing mixing, int parity);

} // namespace kelmora
