#pragma once
#include "roster/RosterText.h"
#include "roster/Seito.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace kelmora {

// The program's work with one roster: the table and the two numbers that describe it.
struct Roster {
    RosterTable table;
    int columnCount = 0;  // fields after the marker field on the data lines
    int studentCount = 0; // ReadRoster's result of the last load: n, 0 or -1

    // The record at roster position `position`, or nullptr when the position names
    // no record of this table (0, negative, or left over from a longer roster).
    const Seito* record(int position) const;
};

// Empties the table (releasing its storage) and reads `file` into it, as code
// page 932 or as UTF-8 (ReadRosterText); studentCount becomes the reader's result.
// `notes` (if given) tells what the teacher must hear about the file's text.
int LoadRoster(Roster& roster, const std::filesystem::path& file, std::error_code* openError = nullptr,
               RosterTextNotes* notes = nullptr);

// Which option buttons a load enables, by the column count. Counts 0, 1, 4 and 5
// change nothing (nullopt).
struct OptionStates {
    bool fullName;    // RadioButton3 "姓　名"
    bool familyOnly;  // RadioButton4 "姓のみ"
    bool withRuby;    // RadioButton2 "ルビ付き"
    bool withoutRuby; // RadioButton1 "ルビなし"
    friend bool operator==(const OptionStates&, const OptionStates&) = default;
};
std::optional<OptionStates> OptionsForColumnCount(int columnCount);

} // namespace kelmora
