#pragma once
#include <QString>

namespace kelmora {

// The program's name without extension, "Kelmora", whatever the executable file
// is called (Debian installs it as "kelmora"): the application's display name and
// the title of every message box.
QString ApplicationTitle();

} // namespace kelmora
