#pragma once
#include "draft/Draft.h"
#include "roster/Roster.h"
#include "roster/StudentList.h"
#include "seating/CutQueue.h"
#include "seating/Room.h"
#include "seating/SeatTable.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kelmora {

// 座席範囲: where a student may sit. A preset follows the room as it is when the
// draft is drawn (its size, the side the windows are on); picked desks are kept
// by column and row, and desks outside the grid are left out.
struct SeatRange {
    enum class Kind : std::uint8_t { Anywhere, Desks, Front, Back, Window, Corridor };
    Kind kind = Kind::Anywhere;
    int count = 1;                          // rows (Front, Back) or columns (Window, Corridor), 1 to 12
    std::vector<std::pair<int, int>> desks; // (column, row), for Desks
    friend bool operator==(const SeatRange&, const SeatRange&) = default;
};

struct StudentMarks {
    bool front = false;
    bool fixed = false;
    Sex sex = Sex::None;
    SeatRange range;
    bool leader = false; // one of the set 班に一人ずつ spreads (班長 candidates)
    friend bool operator==(const StudentMarks&, const StudentMarks&) = default;
};

// 近づける, by roster position.
struct TogetherMarks {
    std::vector<int> positions;
    Closeness near = Closeness::Beside;
    friend bool operator==(const TogetherMarks&, const TogetherMarks&) = default;
};

// How far back the year's conditions look: off, the last N entries, or all.
constexpr int kWholeHistory = -1;

// The teacher's conditions for the seat change, kept from one draft to the next.
// Students are named by roster position; `numbers` and `names` say who stood at
// each position of the roster the marks were made for.
struct DraftConditions {
    std::vector<std::string> numbers;             // attendance numbers of the class the marks belong to
    std::vector<std::string> names;               // full names of the class the marks belong to
    std::vector<StudentMarks> marks;              // by roster position - 1
    std::vector<std::vector<int>> apartGroups;    // roster positions kept apart from one another
    std::vector<std::pair<int, int>> unusedDesks; // (column, row) marked unused
    int frontRows = 2;
    bool everyoneMoves = true;
    bool newNeighbours = false;
    Mixing mixing = Mixing::None;
    GroupShape groups;                            // 班の形, none at first
    WindowSide windows = WindowSide::Right;       // the pupils' left
    std::vector<TogetherMarks> togetherGroups;    // 近づける
    std::vector<std::vector<int>> separateGroups; // 同じ班にしない, roster positions
    bool mixGroups = false;                       // 班ごとに男女を混ぜる
    // The year: 0 is off, N the last N history entries, kWholeHistory all of them.
    int pastNeighbours = 0;  // これまで隣になった人とは隣にしない
    int pastDesks = 0;       // 前回と同じ席にしない (never kWholeHistory)
    bool swapHalves = false; // 前回の前後を入れ替える, by the last entry
    friend bool operator==(const DraftConditions&, const DraftConditions&) = default;
};

// A student as a roster names them (code page 932).
struct NamedStudent {
    std::string number;
    std::string fullName;
    friend bool operator==(const NamedStudent&, const NamedStudent&) = default;
};

// Whether the conditions' marks were made for this roster, position by position.
bool FitsRoster(const DraftConditions& conditions, const Roster& roster);

// Moves the per-student marks and the groups to `roster`: each student is found
// again by attendance number and full name (RosterIndex), wherever the roster
// now lists them. Returns the students whose marks or groups were dropped
// because the roster has them no more. A roster in which no student of the class
// is found is another class: its marks start afresh and nothing is returned.
// The options (front rows, mixing, unused desks...) stay either way.
std::vector<NamedStudent> FitToRoster(DraftConditions& conditions, const Roster& roster);

// The roster position seated at each desk of the grid size (row by row), 0 for empty.
std::vector<std::int32_t> CurrentDesks(const SeatTable& seats, int columns, int rows);

// A past arrangement as the year's conditions read it: the roster position at each
// desk of its grid (row by row), 0 for empty or a student no longer in the roster.
struct PastSeating {
    int columns = 0;
    int rows = 0;
    std::vector<std::int32_t> desks;
};

// The draft's problem: every student of the roster on the desks of the grid size.
// `past` is the history, oldest first, for the year's conditions: the pairs seated
// side by side in the entries looked back on (but two fixed students, or two of
// one 近づける group, may sit beside each other again), the desks each student
// took there (those inside the grid now), and the half of the room each sat in
// last time; where a student's 前方 mark or range leaves no other desk or half,
// the mark wins and that student is free of the desks or the halves.
// A range of picked desks none of which is in the grid allows no desk (kNoDesk);
// one with no desk picked at all is no range.
DraftProblem MakeDraftProblem(const DraftConditions& conditions, const Roster& roster, const SeatTable& seats,
                              int columns, int rows, const std::vector<PastSeating>& past = {});

struct DraftSeat {
    int column = 0;
    int row = 0;
    std::int32_t position = 0;
    std::string name; // as the desk shows it
};

// Where a successful draft puts every student, with the names of `mode`.
std::vector<DraftSeat> DraftSeats(const Draft& draft, const Roster& roster, int columns, NameMode mode);

// Puts the seats on the desks: the desks of the grid size are emptied, then every
// student is seated. As if each name had been cut and pasted by hand, the seated
// students' names leave the student list and the cut queue; desks outside the
// grid size and queued positions of no seated student stay as they are.
void ApplyDraft(SeatTable& seats, CutQueue& queue, StudentList& list, int columns, int rows,
                const std::vector<DraftSeat>& placed);

} // namespace kelmora
