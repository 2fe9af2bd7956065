#include "draft/DraftSetup.h"

#include "roster/RosterIndex.h"

#include <algorithm>
#include <set>

namespace kelmora {

namespace {

bool inAGroup(const DraftConditions& conditions, int position)
{
    return std::any_of(conditions.apartGroups.begin(), conditions.apartGroups.end(), [position](const auto& group) {
        return std::find(group.begin(), group.end(), position) != group.end();
    });
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
    std::vector<std::vector<int>> groups;
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
        for (const auto& group : conditions.apartGroups) {
            std::vector<int> members;
            for (const int p : group)
                if (p >= 1 && p <= before)
                    if (const int q = now[static_cast<std::size_t>(p)];
                        q != 0 && std::find(members.begin(), members.end(), q) == members.end())
                        members.push_back(q);
            if (members.size() >= 2)
                groups.push_back(std::move(members));
        }
    }
    conditions.numbers.clear();
    conditions.names.clear();
    for (const Seito& s : roster.table) {
        conditions.numbers.push_back(s.Number);
        conditions.names.push_back(s.FullName);
    }
    conditions.marks = std::move(marks);
    conditions.apartGroups = std::move(groups);
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
    (void)past; // the year's conditions come next
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
        }
    }
    // A student seated twice (the list can be shown again) holds the first desk.
    const std::vector<std::int32_t> seated = CurrentDesks(seats, columns, rows);
    for (int d = static_cast<int>(seated.size()) - 1; d >= 0; --d) {
        const std::int32_t position = seated[static_cast<std::size_t>(d)];
        if (position >= 1 && position <= count)
            problem.students[static_cast<std::size_t>(position - 1)].desk = d;
    }
    for (const auto& group : conditions.apartGroups) {
        std::vector<int> members;
        for (int position : group)
            if (position >= 1 && position <= count)
                members.push_back(position - 1);
        if (members.size() >= 2)
            problem.apartGroups.push_back(std::move(members));
    }
    problem.unused.assign(static_cast<std::size_t>(columns * rows), false);
    for (const auto& [c, r] : conditions.unusedDesks)
        if (c >= 0 && c < columns && r >= 0 && r < rows)
            problem.unused[static_cast<std::size_t>(r * columns + c)] = true;
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
