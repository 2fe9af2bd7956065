// Two starts of the same executable file: the second says so and ends; a copy
// at another path runs beside the first; once the first has gone, even by a
// crash, a new start runs.
#include "ProbeInstance.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

using Instance = testing::ProbeInstance;
using testing::kProbe;

QString copyTo(const QTemporaryDir& dir, const QString& sub)
{
    QDir().mkpath(dir.filePath(sub));
    const QString path = dir.filePath(sub + QStringLiteral("/guard_probe"));
    QFile::copy(kProbe, path);
    QFile(path).setPermissions(QFile::permissions(kProbe));
    return path;
}

} // namespace

class GuardTest : public QObject {
    Q_OBJECT

private slots:
    void secondStartOfTheSameFileIsRefused()
    {
        QTemporaryDir dir;
        const QString program = copyTo(dir, QStringLiteral("one"));
        Instance first, second;
        first.start(program);
        QVERIFY2(first.waitFor("RUNNING"), first.seen.constData());

        second.start(program);
        QVERIFY2(second.waitFor("ENDED"), second.seen.constData());
        QVERIFY2(second.seen.contains("MESSAGE Kelmora|『Kelmora』は既に起動されています。"), second.seen.constData());
        QVERIFY(!second.seen.contains("RUNNING"));
        QCOMPARE(second.process.exitCode(), 0);

        // The first is untouched and still answers.
        QCOMPARE(first.process.state(), QProcess::Running);
        first.close();
        QVERIFY(first.seen.contains("ENDED 0"));
        QVERIFY(!first.seen.contains("MESSAGE"));

        // After the first has closed, a new start runs.
        Instance third;
        third.start(program);
        QVERIFY2(third.waitFor("RUNNING"), third.seen.constData());
        third.close();
    }

    void aCopyAtAnotherPathRunsBeside()
    {
        QTemporaryDir dir;
        Instance a, b;
        a.start(copyTo(dir, QStringLiteral("a")));
        QVERIFY2(a.waitFor("RUNNING"), a.seen.constData());
        b.start(copyTo(dir, QStringLiteral("b")));
        QVERIFY2(b.waitFor("RUNNING"), b.seen.constData());
        QVERIFY(!b.seen.contains("MESSAGE"));
        a.close();
        b.close();
    }

    void aCrashedInstanceDoesNotLockTheTeacherOut()
    {
        QTemporaryDir dir;
        const QString program = copyTo(dir, QStringLiteral("crash"));
        Instance first;
        first.start(program);
        QVERIFY2(first.waitFor("RUNNING"), first.seen.constData());
        ::kill(static_cast<pid_t>(first.process.processId()), SIGKILL);
        QVERIFY(first.process.waitForFinished(5000));

        Instance next;
        next.start(program);
        QVERIFY2(next.waitFor("RUNNING"), next.seen.constData());
        QVERIFY(!next.seen.contains("MESSAGE"));
        next.close();
    }

    void twoStartsAtTheSameMomentCannotBothRun()
    {
        QTemporaryDir dir;
        const QString program = copyTo(dir, QStringLiteral("race"));
        for (int round = 0; round < 3; ++round) {
            Instance a, b;
            a.start(program);
            b.start(program);
            QVERIFY2(a.waitFor("RUNNING", 15000, "ENDED"), (a.seen + a.process.errorString().toUtf8()).constData());
            QVERIFY2(b.waitFor("RUNNING", 15000, "ENDED"), (b.seen + b.process.errorString().toUtf8()).constData());
            const bool aEnded = a.seen.contains("ENDED");
            const bool bEnded = b.seen.contains("ENDED");
            QVERIFY2(aEnded != bEnded, (a.seen + "/" + b.seen).constData());
            (aEnded ? b : a).close();
        }
    }
};

QTEST_GUILESS_MAIN(GuardTest)
#include "tst_guard.moc"
