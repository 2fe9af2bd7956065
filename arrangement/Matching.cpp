// Between an arrangement and the program's state: recording the desks and the
// queue, and finding their students again in the loaded roster.
#include "arrangement/Arrangement.h"
#include "arrangement/RecordedStudents.h"

#include <map>
#include <set>
#include <vector>

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
    // The desks, then the queue: one student is seated or waits once at most.
    std::vector<const PlacedStudent*> recorded;
    for (const PlacedDesk& d : arrangement.desks)
        recorded.push_back(&d.student);
    for (const PlacedStudent& s : arrangement.queue)
        recorded.push_back(&s);

    const RosterIndex index(roster);
    std::vector<std::int32_t> found(recorded.size(), 0);
    std::set<std::int32_t> taken;
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        const PlacedStudent& s = *recorded[i];
        if (const std::int32_t p = index.findByNumber(s.number, s.fullName, s.position); p && taken.insert(p).second)
            found[i] = p;
    }
    // A renumbered student is found by a full name only one student of the roster
    // has, when only one of the recorded students not yet found claims it: of two
    // 佐藤　翔 recorded, one of whom has left, nobody can tell which one stayed.
    std::vector<std::int32_t> claimed(recorded.size(), 0);
    std::map<std::int32_t, int> claims;
    for (std::size_t i = 0; i < recorded.size(); ++i)
        if (const std::int32_t p = found[i] ? 0 : index.findByName(recorded[i]->fullName); p && !taken.contains(p)) {
            claimed[i] = p;
            ++claims[p];
        }
    for (std::size_t i = 0; i < recorded.size(); ++i)
        if (claimed[i] && claims[claimed[i]] == 1)
            found[i] = claimed[i];

    MatchedPlacement m;
    std::size_t i = 0;
    for (const PlacedDesk& d : arrangement.desks) {
        if (const std::int32_t p = found[i++])
            m.seats.seat(d.column, d.row, d.student.text, p);
        else
            m.missing.push_back(d.student);
    }
    for (const PlacedStudent& s : arrangement.queue) {
        if (const std::int32_t p = found[i++])
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
