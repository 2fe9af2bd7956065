// libFuzzer entry: every input is an arrangement file. A file that reads must
// hold only desks inside the table, write back to a file that reads the same, and
// match against a roster without reading outside it; its draft conditions must
// name only students of that roster and come back the same once written; its
// history keeps only entries inside the rules, each desk matched to the roster.
#include "arrangement/Arrangement.h"
#include "arrangement/DraftRecord.h"
#include "arrangement/History.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <variant>

namespace {

[[noreturn]] void Broken(const char* rule)
{
    std::fprintf(stderr, "arrangement_fuzz: %s\n", rule);
    std::abort(); // libFuzzer keeps the input as a crash
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelmora;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    auto read = ReadArrangement(bytes);
    if (const QString* problem = std::get_if<QString>(&read)) {
        if (problem->isEmpty())
            Broken("a refused file without a reason");
        return 0;
    }
    const Arrangement& a = std::get<Arrangement>(read);
    for (const PlacedDesk& d : a.desks)
        if (!SeatTable::inRange(d.column, d.row) || d.student.position < 1 || d.student.text.empty())
            Broken("a desk outside the rules was read");
    if (a.columns < 1 || a.columns > 12 || a.rows < 1 || a.rows > 12)
        Broken("a grid size outside 1..12 was read");

    auto again = ReadArrangement(WriteArrangement(a));
    if (!std::holds_alternative<Arrangement>(again) || !(std::get<Arrangement>(again) == a))
        Broken("what was written does not read back the same");

    Roster roster;
    roster.table = {{"1", "\x90\xc2\x96\xd8", {}, {}, {}, {}}, {"2", "b", {}, {}, {}, {}}};
    roster.studentCount = 2;
    const MatchedPlacement m = MatchPlacement(a, roster);
    if (m.missing.size() > a.desks.size() + a.queue.size())
        Broken("more students missing than recorded");
    for (int c = 0; c < SeatTable::kSize; ++c)
        for (int r = 0; r < SeatTable::kSize; ++r)
            if (m.seats.entry(c, r) < 0 || m.seats.entry(c, r) > roster.studentCount)
                Broken("a desk matched to no student of the roster");
    StudentList list;
    ListUnplaced(list, roster, a.nameMode, m);

    const DraftConditions c = ReadDraftRecord(a.draft, roster);
    if (c.marks.size() != roster.table.size() || c.frontRows < 1 || c.frontRows > 3)
        Broken("draft conditions outside the rules were read");
    const auto checkGroup = [&](const std::vector<int>& group) {
        for (const int p : group)
            if (group.size() < 2 || p < 1 || p > roster.studentCount)
                Broken("a group outside the roster was read");
    };
    for (const auto& group : c.apartGroups)
        checkGroup(group);
    for (const auto& group : c.separateGroups)
        checkGroup(group);
    for (const auto& group : c.togetherGroups)
        checkGroup(group.positions);
    const auto checkDesks = [](const std::vector<std::pair<int, int>>& desks) {
        for (const auto& [column, row] : desks)
            if (column < 0 || column >= kMaxDraftSide || row < 0 || row >= kMaxDraftSide)
                Broken("a desk outside the grid was read");
    };
    checkDesks(c.unusedDesks);
    for (const StudentMarks& marks : c.marks) {
        checkDesks(marks.range.desks);
        if (marks.range.count < 1 || marks.range.count > kMaxDraftSide)
            Broken("a seat range outside the rules was read");
    }
    if (c.pastNeighbours < kWholeHistory || c.pastDesks < kWholeHistory)
        Broken("a look back over the history outside the rules was read");
    if (!(ReadDraftRecord(DraftRecord(c, roster), roster) == c))
        Broken("draft conditions written do not read back the same");

    QStringList notices;
    const std::vector<HistoryEntry> history = ReadHistory(a.history, notices);
    for (const HistoryEntry& e : history) {
        if (!e.date.isValid() || e.columns < 1 || e.columns > 12 || e.rows < 1 || e.rows > 12)
            Broken("a history entry outside the rules was read");
        for (const PlacedDesk& d : e.desks)
            if (d.column < 0 || d.column >= e.columns || d.row < 0 || d.row >= e.rows)
                Broken("a history desk outside its grid was read");
    }
    QStringList reread;
    if (!(ReadHistory(HistoryRecord(history), reread) == history) || !reread.isEmpty())
        Broken("a history written does not read back the same");
    for (const MatchedEntry& m : MatchHistory(history, roster))
        for (const std::int32_t p : m.desks)
            if (p < 0 || p > roster.studentCount)
                Broken("a history desk matched to no student of the roster");
    CountYear(MatchHistory(history, roster), roster.studentCount, c.frontRows, c.windows);
    return 0;
}
