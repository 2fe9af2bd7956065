// The toolkit's floor for the start-up benchmark: an empty main window, shown,
// measured with the same probe as Kelmora. With --text the window carries one
// line of Japanese text, so the floor includes starting the fonts as well.
#include "bench/FirstExpose.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>

#include <cstring>

int main(int argc, char** argv)
{
    const bool text = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    QApplication app(argc, argv);
    kelmora::bench::FirstExposeProbe probe;
    app.installEventFilter(&probe);
    QMainWindow window;
    if (text)
        window.setCentralWidget(new QLabel(QStringLiteral("座席表作成システム『Kelmora』")));
    window.show();
    return app.exec();
}
