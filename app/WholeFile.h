#pragma once
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <system_error>

namespace kelmora {

// Writes the whole file or nothing: an existing file keeps its contents unless
// the new one is complete. In a folder that takes no new files, a writable file
// is overwritten in place instead, since the whole-or-nothing way needs a new
// file beside the old one. Returns the reason on failure, empty on success.
QString WriteWholeFile(const QString& path, QByteArrayView bytes);

// Why ReadFileBytes (roster/RosterReader.h) did not read a file of at most
// `limit` bytes, in a sentence for the teacher: the system's words, or ours
// for a file that is no regular file or is too large.
QString FileReadReason(const std::error_code& error, std::uintmax_t limit);

} // namespace kelmora
