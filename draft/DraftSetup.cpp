#include "draft/DraftSetup.h"

#include <algorithm>
#include <set>

namespace kelmora {

void FitToRoster(DraftConditions& conditions, const Roster& roster)
{
    std::vector<std::string> names;
    names.reserve(roster.table.size());
    for (const Seito& s : roster.table)
        names.push_back(s.FullName);
    if (names == conditions.names)
        return;
    conditions.names = std::move(names);
    conditions.marks.assign(conditions.names.size(), StudentMarks{});
    conditions.apartGroups.clear();
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
                              int columns, int rows)
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
