#pragma once

namespace kelmora {

class KelmoraApplication;

// Program entry after the application object exists: the working state, the
// main window, the guard, the event loop. Returns the exit code.
int RunProgram(KelmoraApplication& app);

} // namespace kelmora
