#include "app/Program.h"

#include "app/KelmoraApplication.h"
#include "app/ProgramState.h"
#include "app/form1/TForm1.h"

namespace kelmora {

int RunProgram(KelmoraApplication& app)
{
    int exitCode = 0;
    RunGuarded([&] {
        // The working state outlives every window.
        ProgramState state;
        TForm1 Form1(state);
        if (!Form1.holdsInstance())
            return; // the guard has told the user; no work in this instance
        Form1.show();
        exitCode = app.exec();
    });
    return exitCode;
}

} // namespace kelmora
