// Between an arrangement and the program's state: recording the desks and the
// queue, and finding their students again in the loaded roster.
#include "arrangement/Arrangement.h"
#include "arrangement/RecordedStudents.h"

namespace kelmora {

namespace {

PlacedStudent placed(const std::string& text, std::int32_t position, const Roster& roster)
{
    PlacedStudent s;
    s.text = text;
    s.position = position;
    if (const Seito* record = roster.record(position)) {
        s.number = record->Number;
        s.fullName = record->FullName;
    }
    return s;
}

} // namespace

void RecordPlacement(Arrangement& arrangement, const SeatTable& seats, const CutQueue& queue, const Roster& roster)
{
    arrangement.desks.clear();
    for (int c = 0; c < SeatTable::kSize; ++c)
        for (int r = 0; r < SeatTable::kSize; ++r)
            if (seats.entry(c, r) != 0)
                arrangement.desks.push_back({c, r, placed(seats.text(c, r), seats.entry(c, r), roster)});
    arrangement.queue.clear();
    for (std::size_t i = 0; i < queue.size(); ++i)
        arrangement.queue.push_back(placed(queue.names()[i], queue.positions()[i], roster));
}

MatchedPlacement MatchPlacement(const Arrangement& arrangement, const Roster& roster)
{
    const RosterIndex index(roster);
    MatchedPlacement m;
    for (const PlacedDesk& d : arrangement.desks) {
        if (const std::int32_t p = index.find(d.student.number, d.student.fullName, d.student.position))
            m.seats.seat(d.column, d.row, d.student.text, p);
        else
            m.missing.push_back(d.student);
    }
    for (const PlacedStudent& s : arrangement.queue) {
        if (const std::int32_t p = index.find(s.number, s.fullName, s.position))
            m.queue.append(s.text, p);
        else
            m.missing.push_back(s);
    }
    return m;
}

void ListUnplaced(StudentList& list, const Roster& roster, NameMode mode, const MatchedPlacement& placement)
{
    DisplayRoster(list, roster, mode);
    for (int c = 0; c < SeatTable::kSize; ++c)
        for (int r = 0; r < SeatTable::kSize; ++r)
            if (const std::int32_t p = placement.seats.entry(c, r); p > 0 && p < list.rowCount())
                list.setCell(1, p, {});
    for (const std::int32_t p : placement.queue.positions())
        if (p > 0 && p < list.rowCount())
            list.setCell(1, p, {});
}

} // namespace kelmora
