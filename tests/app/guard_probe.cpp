// The real program with a user who answers: it runs Kelmora's own entry (with its
// command line), says on stdout what it showed (message boxes, the main window's
// title and roster as they change), presses OK on any message box, and closes
// the main window when a line arrives on stdin.
#include "app/KelmoraApplication.h"
#include "app/Program.h"
#include "app/form1/TForm1.h"

#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    kelmora::KelmoraApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);

    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
            std::printf("MESSAGE %s|%s\n", qPrintable(box->windowTitle()), box->text().toUtf8().constData());
            box->accept();
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<TForm1*>(w); form && w->isVisible()) {
                static bool told = false;
                if (!told)
                    std::printf("RUNNING\n");
                told = true;
                static QString title;
                if (form->windowTitle() != title)
                    std::printf("TITLE %s\n", qPrintable(title = form->windowTitle()));
                static int students = 0;
                if (form->state.roster.studentCount != students)
                    std::printf("STUDENTS %d\n", students = form->state.roster.studentCount);
            }
    });
    watcher.start();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&input] {
        char buffer[64];
        (void)::read(STDIN_FILENO, buffer, sizeof buffer);
        input.setEnabled(false);
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TForm1*>(w))
                w->close();
    });

    const int code = kelmora::RunProgram(app);
    std::printf("ENDED %d\n", code);
    return code;
}
