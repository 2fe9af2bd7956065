#pragma once
#include <QByteArrayView>
#include <QString>

namespace kelmora {

// Writes the whole file or nothing: an existing file keeps its contents unless
// the new one is complete. In a folder that takes no new files, a writable file
// is overwritten in place instead, since the whole-or-nothing way needs a new
// file beside the old one. Returns the reason on failure, empty on success.
QString WriteWholeFile(const QString& path, QByteArrayView bytes);

} // namespace kelmora
