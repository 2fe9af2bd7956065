#pragma once
#include "roster/Seito.h"

#include <cstdint>
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

// The largest roster file read: far beyond any class, and a bound on the memory
// that a wrong choice in the open dialog can take.
constexpr std::uintmax_t kMaxRosterFileBytes = 64 * 1024 * 1024;

// Why a file that opened was not read (errors of FileReadCategory()).
enum class FileReadError {
    NotRegularFile = 1, // a device, a named pipe, a socket: no end to read to
    TooLarge,           // more than the limit
};
const std::error_category& FileReadCategory();
std::error_code make_error_code(FileReadError error);

// The whole contents of `file`, opened for reading only and without waiting for
// a writer. Only a regular file of at most `limit` bytes is read: every file
// the program opens (rosters, arrangements) is read with this. On failure
// `bytes` is empty, `error` (if given) holds the reason (the system's, or a
// FileReadError) and the result is false.
bool ReadFileBytes(const std::filesystem::path& file, std::string& bytes, std::error_code* error = nullptr,
                   std::uintmax_t limit = kMaxRosterFileBytes);

} // namespace kelmora

template <>
struct std::is_error_code_enum<kelmora::FileReadError> : std::true_type {
};
