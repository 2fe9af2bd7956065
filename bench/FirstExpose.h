#pragma once
// For the start-up benchmark: once the main window has been exposed and its
// first frame drawn, prints "EXPOSED <VmRSS in kB>" on stdout and ends
// the event loop. The Kelmora probe and the bare Qt window use the same probe,
// so both are measured to the same moment.
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelmora::bench {

// A line "Name:   1234 kB" of /proc/self/status, as kilobytes; -1 when missing.
inline long StatusKilobytes(const char* name)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long value = -1;
    const std::size_t n = std::strlen(name);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, name, n) == 0 && line[n] == ':') {
            value = std::strtol(line + n + 1, nullptr, 10);
            break;
        }
    std::fclose(f);
    return value;
}

class FirstExposeProbe : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!seen_ && event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && isMainWindow(window)) {
                seen_ = true;
                // The expose is handled (and the frame drawn and flushed) after
                // the filters have seen it; report once that is done.
                QTimer::singleShot(0, [] {
                    std::printf("EXPOSED %ld\n", StatusKilobytes("VmRSS"));
                    std::fflush(stdout);
                    QCoreApplication::quit();
                });
            }
        }
        return false;
    }

private:
    static bool isMainWindow(QWindow* window)
    {
        if (!window->isExposed())
            return false;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<QMainWindow*>(w) && w->windowHandle() == window)
                return true;
        return false;
    }

    bool seen_ = false;
};

} // namespace kelmora::bench
