#pragma once
#include "roster/Roster.h"

#include <cstdint>
#include <string>
#include <unordered_map>

namespace kelmora {

// Finds students of the roster by what another roster or a file recorded of
// them: attendance number and full name (at the recorded position first), else
// a full name that only one student of the roster has. Texts are code page 932.
class RosterIndex {
public:
    explicit RosterIndex(const Roster& roster);

    // The student's roster position, or 0.
    std::int32_t find(const std::string& number, const std::string& fullName, std::int32_t position) const;

private:
    int count() const;

    const Roster& roster_;
    std::unordered_map<std::string, std::int32_t> byNumberAndName_; // the first of equal students
    std::unordered_map<std::string, std::int32_t> byName_;
};

} // namespace kelmora
