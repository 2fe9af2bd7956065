#pragma once
#include <string>
#include <vector>

namespace kelmora {

// One student, one data line of the roster file. Every text is code page 932 bytes,
// exactly as the file holds them; a field the line does not reach stays empty.
struct Seito {
    std::string Number; // attendance number, only ever shown
    std::string FullName;
    std::string FamilyName;
    std::string GivenName;
    std::string FamilyReading; // hiragana
    std::string GivenReading;  // hiragana

    friend bool operator==(const Seito&, const Seito&) = default;
};

// The students of the loaded roster file, in file order.
// Roster position p (1-based, the student list's row) is element p - 1.
using RosterTable = std::vector<Seito>;

} // namespace kelmora
