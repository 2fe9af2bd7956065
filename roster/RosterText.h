#pragma once
#include "codec/TextEncoding.h"
#include "roster/Seito.h"

#include <string>
#include <string_view>
#include <vector>

namespace kelmora {

// What the teacher must hear about a roster file's text after a load.
struct RosterTextNotes {
    cp932::FileEncoding encoding = cp932::FileEncoding::Cp932;
    // Data lines of a UTF-8 file in which a character became 〓.
    struct ChangedLine {
        int line = 0;                   // 1-based line number in the file
        std::vector<std::string> texts; // the line's texts that hold 〓, as loaded (code page 932)
        friend bool operator==(const ChangedLine&, const ChangedLine&) = default;
    };
    std::vector<ChangedLine> changed;
};

// ReadRosterBytes over a whole roster file in any encoding Kelmora reads: code
// page 932 byte for byte, UTF-8 converted to code page 932 first. A UTF-16 file
// is not read at all: it counts as a file without data lines (result 0, column
// count 0, nothing appended).
int ReadRosterText(RosterTable& table, std::string_view bytes, int& columnCount, RosterTextNotes* notes = nullptr);

} // namespace kelmora
