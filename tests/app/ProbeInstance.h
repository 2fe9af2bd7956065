#pragma once
// One start of guard_probe (the real program with a user who answers), for the
// tests of what a second start does: what it says on stdout, gathered as it comes.
#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <QTest>

namespace testing {

inline const QString kProbe = QStringLiteral(KELMORA_BINARY_DIR "/tests/app/guard_probe");

struct ProbeInstance {
    QProcess process;
    QByteArray seen;

    void start(const QString& program = kProbe, const QStringList& arguments = {})
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        QVERIFY(process.waitForStarted());
    }
    // Waits for `what` (or `orElse`) to appear on stdout.
    bool waitFor(const QByteArray& what, int ms = 15000, const QByteArray& orElse = {})
    {
        QElapsedTimer clock;
        clock.start();
        while (!seen.contains(what) && (orElse.isEmpty() || !seen.contains(orElse)) && clock.elapsed() < ms) {
            process.waitForReadyRead(100);
            seen += process.readAllStandardOutput();
            if (process.state() == QProcess::NotRunning) {
                seen += process.readAllStandardOutput();
                break;
            }
        }
        return seen.contains(what) || (!orElse.isEmpty() && seen.contains(orElse));
    }
    // As the teacher closes the window.
    void close()
    {
        process.write("quit\n");
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(15000));
        seen += process.readAllStandardOutput();
    }
};

} // namespace testing
