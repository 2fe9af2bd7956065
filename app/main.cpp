#include "app/KelmoraApplication.h"
#include "app/Program.h"

int main(int argc, char** argv)
{
    kelmora::KelmoraApplication app(argc, argv);
    return kelmora::RunProgram(app);
}
