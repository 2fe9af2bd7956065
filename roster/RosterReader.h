#pragma once
#include "roster/Seito.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace kelmora {

// Reads a roster file and appends one Seito per data line ("$" line) to `table`,
// in file order. The table is not emptied first; the caller does that.
//
// Returns the number of data lines read (1 or more), 0 when the file cannot be
// opened or holds no data line, or -1 when the data lines differ in column count
// (the records are appended all the same). `columnCount` is set to 0 before the
// file is opened and then to the column count of each data line in turn.
// The reader shows nothing itself; when the file cannot be opened, `openError`
// (if given) receives the system's reason. The file is opened for reading only.
int ReadRoster(RosterTable& table, const std::filesystem::path& file, int& columnCount,
               std::error_code* openError = nullptr);

// The same rules over bytes already in memory (the whole file's contents).
int ReadRosterBytes(RosterTable& table, std::string_view bytes, int& columnCount);

// The whole contents of `file`, opened for reading only. On failure `bytes` is
// empty, `error` (if given) holds the system's reason and the result is false.
// ReadRoster reads its file with this; the benchmark measures it on its own.
bool ReadFileBytes(const std::filesystem::path& file, std::string& bytes, std::error_code* error = nullptr);

} // namespace kelmora
