// Between an arrangement and the program's state: recording the desks and the
// queue, and finding their students again in the loaded roster.
#include "arrangement/Arrangement.h"
#include "arrangement/RecordedStudents.h"

#include <algorithm>

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

RosterIndex::RosterIndex(const Roster& roster) : roster_(roster)
{
    for (int p = 1; p <= count(); ++p) {
        const Seito& s = *roster.record(p);
        byNumberAndName_.emplace(s.Number + '\n' + s.FullName, p);
        auto [it, inserted] = byName_.emplace(s.FullName, p);
        if (!inserted)
            it->second = 0; // not unique
    }
}

std::int32_t RosterIndex::find(const PlacedStudent& s) const
{
    if (s.fullName.empty())
        return 0;
    if (const Seito* r = roster_.record(s.position);
        r && s.position <= count() && r->Number == s.number && r->FullName == s.fullName)
        return s.position;
    if (const auto it = byNumberAndName_.find(s.number + '\n' + s.fullName); it != byNumberAndName_.end())
        return it->second;
    if (const auto it = byName_.find(s.fullName); it != byName_.end())
        return it->second;
    return 0;
}

int RosterIndex::count() const
{
    return std::min<int>(roster_.studentCount, static_cast<int>(roster_.table.size()));
}

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
        if (const std::int32_t p = index.find(d.student))
            m.seats.seat(d.column, d.row, d.student.text, p);
        else
            m.missing.push_back(d.student);
    }
    for (const PlacedStudent& s : arrangement.queue) {
        if (const std::int32_t p = index.find(s))
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
