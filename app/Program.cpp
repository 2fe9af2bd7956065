#include "app/Program.h"

#include "app/KelmoraApplication.h"
#include "app/ProgramState.h"
#include "app/form1/TForm1.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

namespace kelmora {

namespace {

// `kelmora FILE`: an arrangement (.kelmora) or a roster. A file manager's %f gives
// a path; a URL of a local file is taken too. The path is made whole here, since a
// running instance it is handed to works in another folder.
QString StartFile(const KelmoraApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("座席表作成システム『Kelmora』"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("開く座席配置ファイル (.kelmora) または名簿ファイル (.csv)"),
                                 QStringLiteral("[file]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return {};
    QString file = files.constFirst();
    if (const QUrl url(file); url.isLocalFile())
        file = url.toLocalFile();
    return QFileInfo(file).absoluteFilePath();
}

} // namespace

int RunProgram(KelmoraApplication& app)
{
    int exitCode = 0;
    RunGuarded([&] {
        // The working state outlives every window.
        ProgramState state;
        TForm1 Form1(state, StartFile(app));
        if (!Form1.holdsInstance())
            return; // the guard has told the user, or handed the file on; no work in this instance
        Form1.show();
        exitCode = app.exec();
    });
    return exitCode;
}

} // namespace kelmora
