#pragma once
// A two-column roster (number, full name) made straight from its table, for
// rules tests that need no roster text.
#include "roster/Roster.h"

#include <utility>

namespace testing {

inline kelmora::Roster TableRoster(kelmora::RosterTable table)
{
    kelmora::Roster r;
    r.studentCount = int(table.size());
    r.columnCount = 2;
    r.table = std::move(table);
    return r;
}

} // namespace testing
