#include "roster/RosterIndex.h"

#include <algorithm>

namespace kelmora {

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

std::int32_t RosterIndex::find(const std::string& number, const std::string& fullName, std::int32_t position) const
{
    if (fullName.empty())
        return 0;
    if (const Seito* r = roster_.record(position);
        r && position <= count() && r->Number == number && r->FullName == fullName)
        return position;
    if (const auto it = byNumberAndName_.find(number + '\n' + fullName); it != byNumberAndName_.end())
        return it->second;
    if (const auto it = byName_.find(fullName); it != byName_.end())
        return it->second;
    return 0;
}

int RosterIndex::count() const
{
    return std::min<int>(roster_.studentCount, static_cast<int>(roster_.table.size()));
}

} // namespace kelmora
