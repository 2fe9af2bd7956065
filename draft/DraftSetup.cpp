#include "draft/DraftSetup.h"

#include "roster/RosterIndex.h"

#include <algorithm>
#include <set>
#include <span>

namespace kelmora {

namespace {

// Whether the student is in a group of 離す, 同じ班にしない or 近づける.
bool inAGroup(const DraftConditions& conditions, int position)
{
    const auto has = [position](const std::vector<int>& group) {
        return std::find(group.begin(), group.end(), position) != group.end();
    };
    const auto& together = conditions.togetherGroups;
    return std::any_of(conditions.apartGroups.begin(), conditions.apartGroups.end(), has)
           || std::any_of(conditions.separateGroups.begin(), conditions.separateGroups.end(), has)
           || std::any_of(together.begin(), together.end(), [&](const TogetherMarks& g) { return has(g.positions); });
}

// The members of `group` that `map` finds (non-zero), each once, in order.
template <typename Map>
std::vector<int> mapGroup(const std::vector<int>& group, Map map)
{
    std::vector<int> members;
    for (const int p : group)
        if (const int q = map(p); q != 0 && std::find(members.begin(), members.end(), q) == members.end())
            members.push_back(q);
    return members;
}

// The desks a range allows in a room of columns × rows, in desk order. A preset
// follows the room as drawn now; a count larger than the room is the whole room.
std::vector<int> rangeDesks(const SeatRange& range, WindowSide windows, int columns, int rows)
{
    const int count = std::max(range.count, 1);
    std::vector<bool> in(static_cast<std::size_t>(columns * rows), false);
    const auto take = [&](auto allowed) {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                if (allowed(c, r))
                    in[static_cast<std::size_t>(r * columns + c)] = true;
    };
    // Columns counted from the windows: 0 is the column by them.
    const auto fromWindows = [&](int c) { return windows == WindowSide::Right ? columns - 1 - c : c; };
    switch (range.kind) {
    case SeatRange::Kind::Anywhere: return {};
    case SeatRange::Kind::Desks:
        for (const auto& [c, r] : range.desks)
            if (c >= 0 && c < columns && r >= 0 && r < rows)
                in[static_cast<std::size_t>(r * columns + c)] = true;
        break;
    case SeatRange::Kind::Front: take([&](int, int r) { return r >= rows - count; }); break;
    case SeatRange::Kind::Back: take([&](int, int r) { return r < count; }); break;
    case SeatRange::Kind::Window: take([&](int c, int) { return fromWindows(c) < count; }); break;
    case SeatRange::Kind::Corridor: take([&](int c, int) { return fromWindows(c) >= columns - count; }); break;
    }
    std::vector<int> desks;
    for (int d = 0; d < columns * rows; ++d)
        if (in[static_cast<std::size_t>(d)])
            desks.push_back(d);
    return desks;
}

// The entries of `past` that a condition looking back `entries` far reads: none
// for 0, the last N, or all of them.
std::span<const PastSeating> lookBack(const std::vector<PastSeating>& past, int entries)
{
    if (entries == 0)
        return {};
    const std::size_t n = entries < 0 ? past.size() : std::min(past.size(), static_cast<std::size_t>(entries));
    return std::span<const PastSeating>(past).last(n);
}

// The year's conditions from the history: who sat beside whom, at which desks,
// and in which half of the room last time.
void addYear(DraftProblem& problem, const DraftConditions& conditions, const std::vector<PastSeating>& past)
{
    const auto count = static_cast<std::int32_t>(problem.students.size());
    const auto student = [count](const PastSeating& e, int c, int r) -> int {
        const std::size_t d = static_cast<std::size_t>(r * e.columns + c);
        const std::int32_t position = d < e.desks.size() ? e.desks[d] : 0;
        return position >= 1 && position <= count ? position - 1 : -1;
    };
    std::set<std::pair<int, int>> pairs;
    for (const PastSeating& e : lookBack(past, conditions.pastNeighbours))
        for (int r = 0; r < e.rows; ++r)
            for (int c = 0; c + 1 < e.columns; ++c)
                if (const int a = student(e, c, r), b = student(e, c + 1, r); a >= 0 && b >= 0 && a != b)
                    pairs.insert(std::minmax(a, b));
    // Pairs the teacher keeps together are no variety to avoid: two fixed students
    // stay where they are, and a 近づける group asks for its members side by side.
    const auto kept = [&problem](int a, int b) {
        const auto& students = problem.students;
        if (students[static_cast<std::size_t>(a)].fixed && students[static_cast<std::size_t>(b)].fixed)
            return true;
        return std::any_of(problem.together.begin(), problem.together.end(), [&](const TogetherGroup& g) {
            return std::find(g.students.begin(), g.students.end(), a) != g.students.end()
                   && std::find(g.students.begin(), g.students.end(), b) != g.students.end();
        });
    };
    std::erase_if(pairs, [&](const std::pair<int, int>& pair) { return kept(pair.first, pair.second); });
    problem.pastNeighbours.assign(pairs.begin(), pairs.end());

    // The desks a student's own marks leave: the teacher's 前方 and seat range
    // outweigh the year's moves, as 固定 does, where the two cannot both hold.
    const auto allowed = [&problem](std::size_t s) {
        const DraftStudent& st = problem.students[s];
        const std::vector<int>* range = s < problem.ranges.size() ? &problem.ranges[s] : nullptr;
        std::vector<int> desks;
        for (int d = 0; d < problem.columns * problem.rows; ++d)
            if (!problem.unused[static_cast<std::size_t>(d)]
                && (!st.front || InFrontRows(d, problem.columns, problem.rows, problem.frontRows))
                && (range == nullptr || range->empty() || std::find(range->begin(), range->end(), d) != range->end()))
                desks.push_back(d);
        return desks;
    };

    const std::span<const PastSeating> deskEntries = lookBack(past, conditions.pastDesks);
    if (!deskEntries.empty()) {
        std::vector<std::set<int>> desks(problem.students.size());
        for (const PastSeating& e : deskEntries)
            for (int r = 0; r < std::min(e.rows, problem.rows); ++r)
                for (int c = 0; c < std::min(e.columns, problem.columns); ++c)
                    if (const int s = student(e, c, r); s >= 0)
                        desks[static_cast<std::size_t>(s)].insert(r * problem.columns + c);
        for (std::size_t s = 0; s < desks.size(); ++s) {
            const std::vector<int> mine = allowed(s);
            if (std::all_of(mine.begin(), mine.end(), [&](int d) { return desks[s].contains(d); }))
                desks[s].clear();
            problem.pastDesks.emplace_back(desks[s].begin(), desks[s].end());
        }
    }

    if (conditions.swapHalves && !past.empty()) {
        const PastSeating& last = past.back();
        problem.swapHalves.assign(problem.students.size(), 0);
        for (int r = 0; r < last.rows; ++r)
            for (int c = 0; c < last.columns; ++c)
                if (const int s = student(last, c, r); s >= 0) {
                    const int desk = r * last.columns + c;
                    problem.swapHalves[static_cast<std::size_t>(s)] =
                        InFrontHalf(desk, last.columns, last.rows)
                            ? std::int8_t{1}
                            : (InBackHalf(desk, last.columns, last.rows) ? std::int8_t{-1} : std::int8_t{0});
                }
        for (std::size_t s = 0; s < problem.swapHalves.size(); ++s) {
            const std::int8_t to = problem.swapHalves[s];
            const std::vector<int> mine = allowed(s);
            if (to != 0 && std::none_of(mine.begin(), mine.end(), [&](int d) {
                    return to > 0 ? InBackHalf(d, problem.columns, problem.rows)
                                  : InFrontHalf(d, problem.columns, problem.rows);
                }))
                problem.swapHalves[s] = 0;
        }
    }
}

} // namespace

bool FitsRoster(const DraftConditions& conditions, const Roster& roster)
{
    const std::size_t count = roster.table.size();
    if (conditions.names.size() != count || conditions.numbers.size() != count || conditions.marks.size() != count)
        return false;
    for (std::size_t s = 0; s < count; ++s)
        if (conditions.numbers[s] != roster.table[s].Number || conditions.names[s] != roster.table[s].FullName)
            return false;
    return true;
}

std::vector<NamedStudent> FitToRoster(DraftConditions& conditions, const Roster& roster)
{
    if (FitsRoster(conditions, roster))
        return {};
    // Where each student of the class the marks were made for is now, 0 for gone.
    const RosterIndex index(roster);
    const auto before = static_cast<int>(conditions.names.size());
    std::vector<std::int32_t> now(static_cast<std::size_t>(before) + 1, 0);
    // The same class when a student keeps number and name, or when more than half
    // the class is found (a transfer student renumbers everyone after them); one
    // same-named child in another class does not make it the same class.
    bool keepsNumber = false;
    int found = 0;
    for (int p = 1; p <= before; ++p) {
        const auto at = static_cast<std::size_t>(p - 1);
        const std::string number = at < conditions.numbers.size() ? conditions.numbers[at] : std::string();
        now[static_cast<std::size_t>(p)] = index.find(number, conditions.names[at], p);
        keepsNumber = keepsNumber || index.findByNumber(number, conditions.names[at], p) != 0;
        found += now[static_cast<std::size_t>(p)] != 0 ? 1 : 0;
    }
    const bool anyFound = keepsNumber || 2 * found > before;

    std::vector<NamedStudent> lost;
    std::vector<StudentMarks> marks(roster.table.size());
    std::vector<std::vector<int>> apart, separate;
    std::vector<TogetherMarks> together;
    if (anyFound) {
        std::vector<bool> taken(marks.size() + 1, false);
        for (int p = 1; p <= before; ++p) {
            const auto at = static_cast<std::size_t>(p - 1);
            const StudentMarks kept = at < conditions.marks.size() ? conditions.marks[at] : StudentMarks{};
            const std::int32_t q = now[static_cast<std::size_t>(p)];
            if (q != 0 && !taken[static_cast<std::size_t>(q)]) {
                taken[static_cast<std::size_t>(q)] = true;
                marks[static_cast<std::size_t>(q - 1)] = kept;
            } else if (kept != StudentMarks{} || inAGroup(conditions, p)) {
                // Gone, or the second of two old students who became the same one.
                lost.push_back(
                    {at < conditions.numbers.size() ? conditions.numbers[at] : std::string(), conditions.names[at]});
            }
        }
        const auto moved = [&](int p) { return p >= 1 && p <= before ? now[static_cast<std::size_t>(p)] : 0; };
        for (const auto& group : conditions.apartGroups)
            if (std::vector<int> members = mapGroup(group, moved); members.size() >= 2)
                apart.push_back(std::move(members));
        for (const auto& group : conditions.separateGroups)
            if (std::vector<int> members = mapGroup(group, moved); members.size() >= 2)
                separate.push_back(std::move(members));
        for (const auto& group : conditions.togetherGroups)
            if (std::vector<int> members = mapGroup(group.positions, moved); members.size() >= 2)
                together.push_back({std::move(members), group.near});
    }
    conditions.numbers.clear();
    conditions.names.clear();
    for (const Seito& s : roster.table) {
        conditions.numbers.push_back(s.Number);
        conditions.names.push_back(s.FullName);
    }
    conditions.marks = std::move(marks);
    conditions.apartGroups = std::move(apart);
    conditions.separateGroups = std::move(separate);
    conditions.togetherGroups = std::move(together);
    return lost;
}

std::vector<std::int32_t> CurrentDesks(const SeatTable& seats, int columns, int rows)
{
    std::vector<std::int32_t> desks;
    desks.reserve(static_cast<std::size_t>(columns * rows));
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            desks.push_back(seats.entry(c, r));
    return desks;
}

DraftProblem MakeDraftProblem(const DraftConditions& conditions, const Roster& roster, const SeatTable& seats,
                              int columns, int rows, const std::vector<PastSeating>& past)
{
    DraftProblem problem;
    problem.columns = columns;
    problem.rows = rows;
    problem.frontRows = conditions.frontRows;
    problem.everyoneMoves = conditions.everyoneMoves;
    problem.newNeighbours = conditions.newNeighbours;
    problem.mixing = conditions.mixing;
    const auto count = static_cast<int>(roster.table.size());
    problem.students.resize(roster.table.size());
    for (int s = 0; s < count; ++s) {
        DraftStudent& st = problem.students[static_cast<std::size_t>(s)];
        st.name = roster.table[static_cast<std::size_t>(s)].FullName;
        if (static_cast<std::size_t>(s) < conditions.marks.size()) {
            const StudentMarks& m = conditions.marks[static_cast<std::size_t>(s)];
            st.front = m.front;
            st.fixed = m.fixed;
            st.sex = m.sex;
            // Desks with none picked is no range yet, not a range nobody can meet.
            if (m.range.kind != SeatRange::Kind::Anywhere
                && (m.range.kind != SeatRange::Kind::Desks || !m.range.desks.empty())) {
                std::vector<int> desks = rangeDesks(m.range, conditions.windows, columns, rows);
                if (desks.empty()) // picked desks all outside the room: the range cannot be met
                    desks.push_back(kNoDesk);
                problem.ranges.resize(roster.table.size());
                problem.ranges[static_cast<std::size_t>(s)] = std::move(desks);
            }
            if (m.leader)
                problem.onePerGroup.push_back(s);
        }
    }
    // A student seated twice (the list can be shown again) holds the first desk.
    const std::vector<std::int32_t> seated = CurrentDesks(seats, columns, rows);
    for (int d = static_cast<int>(seated.size()) - 1; d >= 0; --d) {
        const std::int32_t position = seated[static_cast<std::size_t>(d)];
        if (position >= 1 && position <= count)
            problem.students[static_cast<std::size_t>(position - 1)].desk = d;
    }
    // Groups by roster position become groups of student indices; members the
    // roster lacks drop out, and a group left with fewer than two is no condition.
    const auto index = [count](int position) { return position >= 1 && position <= count ? position : 0; };
    const auto indices = [&](const std::vector<int>& group) {
        std::vector<int> members = mapGroup(group, index);
        for (int& m : members)
            --m;
        return members;
    };
    for (const auto& group : conditions.apartGroups)
        if (std::vector<int> members = indices(group); members.size() >= 2)
            problem.apartGroups.push_back(std::move(members));
    for (const auto& group : conditions.separateGroups)
        if (std::vector<int> members = indices(group); members.size() >= 2)
            problem.separateGroups.push_back(std::move(members));
    for (const auto& group : conditions.togetherGroups)
        if (std::vector<int> members = indices(group.positions); members.size() >= 2)
            problem.together.push_back({std::move(members), group.near});
    problem.groupOfDesk = GroupOfDesks(conditions.groups, columns, rows);
    problem.mixGroups = conditions.mixGroups;
    problem.unused.assign(static_cast<std::size_t>(columns * rows), false);
    for (const auto& [c, r] : conditions.unusedDesks)
        if (c >= 0 && c < columns && r >= 0 && r < rows)
            problem.unused[static_cast<std::size_t>(r * columns + c)] = true;
    addYear(problem, conditions, past);
    return problem;
}

std::vector<DraftSeat> DraftSeats(const Draft& draft, const Roster& roster, int columns, NameMode mode)
{
    std::vector<DraftSeat> placed;
    for (std::size_t s = 0; s < draft.desks.size() && s < roster.table.size(); ++s) {
        const Seito& record = roster.table[s];
        std::string name = mode == NameMode::FamilyName ? record.FamilyName : record.FullName;
        if (name.empty()) // a desk with no text would be an empty desk
            name = record.FullName.empty() ? record.Number : record.FullName;
        const int desk = draft.desks[s];
        placed.push_back({desk % columns, desk / columns, static_cast<std::int32_t>(s + 1), std::move(name)});
    }
    return placed;
}

void ApplyDraft(SeatTable& seats, CutQueue& queue, StudentList& list, int columns, int rows,
                const std::vector<DraftSeat>& placed)
{
    for (int c = 0; c < columns; ++c)
        for (int r = 0; r < rows; ++r)
            seats.empty(c, r);
    std::set<std::int32_t> seated;
    for (const DraftSeat& s : placed) {
        seats.seat(s.column, s.row, s.name, s.position);
        seated.insert(s.position);
        list.setCell(1, s.position, {});
    }
    CutQueue waiting;
    for (std::size_t i = 0; i < queue.size(); ++i)
        if (!seated.contains(queue.positions()[i]))
            waiting.append(queue.names()[i], queue.positions()[i]);
    queue = std::move(waiting);
}

} // namespace kelmora
