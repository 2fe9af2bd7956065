#pragma once
#include <QString>

namespace kelmora {

// The title on message boxes: the executable's file name up to its first dot,
// every character after the first in lower case ("KELMORA.exe" gives "Kelmora").
// Takes a bare file name or a whole path.
QString ApplicationTitle(const QString& executablePath);

} // namespace kelmora
