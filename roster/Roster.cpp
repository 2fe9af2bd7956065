#include "roster/Roster.h"

#include "roster/RosterReader.h"

namespace kelmora {

const Seito* Roster::record(int position) const
{
    // Seats and the cut queue may still hold positions from a longer roster.
    if (position < 1 || static_cast<std::size_t>(position) > table.size())
        return nullptr;
    return &table[static_cast<std::size_t>(position) - 1];
}

int LoadRoster(Roster& roster, const std::filesystem::path& file, std::error_code* openError, RosterTextNotes* notes)
{
    RosterTable().swap(roster.table); // clear() alone would keep the old capacity
    roster.columnCount = 0;
    if (notes)
        *notes = {};
    std::string bytes;
    if (!ReadFileBytes(file, bytes, openError))
        return roster.studentCount = 0;
    roster.studentCount = ReadRosterText(roster.table, bytes, roster.columnCount, notes);
    return roster.studentCount;
}

std::optional<OptionStates> OptionsForColumnCount(int columnCount)
{
    if (columnCount == 2)
        return OptionStates{.fullName = true, .familyOnly = false, .withRuby = false, .withoutRuby = false};
    if (columnCount == 3)
        return OptionStates{.fullName = true, .familyOnly = true, .withRuby = false, .withoutRuby = false};
    if (columnCount >= 6)
        return OptionStates{.fullName = true, .familyOnly = true, .withRuby = true, .withoutRuby = true};
    return std::nullopt; // 0, 1, 4, 5: the buttons keep what they were
}

} // namespace kelmora
