// Kelmora's start-up for the start-up benchmark: the real program entry, with
// a probe that reports when the main window first shows and then ends the run.
// The instance lock belongs to this executable's path, so it never meets a
// running Kelmora.
#include "app/KelmoraApplication.h"
#include "app/Program.h"
#include "bench/FirstExpose.h"

int main(int argc, char** argv)
{
    kelmora::KelmoraApplication app(argc, argv);
    kelmora::bench::FirstExposeProbe probe;
    app.installEventFilter(&probe);
    return kelmora::RunProgram(app);
}
