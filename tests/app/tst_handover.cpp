// A second start with a file hands it to the running instance (over the session
// bus, which the test runs its own of): the running window opens it, and the
// second start ends without a word. Without a file, a second start still says
// that Kelmora runs.
#include "ProbeInstance.h"
#include "app/InstanceGuard.h"
#include "arrangement/Arrangement.h"
#include "common/Files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Instance = testing::ProbeInstance;
using testing::kProbe;

} // namespace

class HandoverTest : public QObject {
    Q_OBJECT

private slots:
    void aSecondStartHandsItsFileOver()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"), "run under dbus-run-session");
        QTemporaryDir dir;
        kelmora::Arrangement a;
        a.rosterPath = QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv");
        const QString arrangement =
            testing::writeFile(dir, QStringLiteral("1-1.kelmora"), kelmora::WriteArrangement(a));

        Instance first;
        first.start();
        QVERIFY2(first.waitFor("RUNNING"), first.seen.constData());
        QTest::qWait(300); // the door opens from the event loop, after the first frame

        // A roster by a path relative to the second start's folder.
        Instance second;
        second.process.setWorkingDirectory(QStringLiteral(KELMORA_EXAMPLES_DIR));
        second.start(kProbe, {QStringLiteral("roster6.csv")});
        QVERIFY2(second.waitFor("ENDED"), second.seen.constData());
        QVERIFY2(!second.seen.contains("MESSAGE") && !second.seen.contains("RUNNING"), second.seen.constData());
        QCOMPARE(second.process.exitCode(), 0);
        QVERIFY2(first.waitFor("STUDENTS 40"), first.seen.constData());

        // An arrangement: the running window's title names it.
        Instance third;
        third.start(kProbe, {arrangement});
        QVERIFY2(third.waitFor("ENDED"), third.seen.constData());
        QVERIFY2(!third.seen.contains("MESSAGE"), third.seen.constData());
        QVERIFY2(first.waitFor("TITLE 座席表作成システム — 1-1.kelmora[*]"), first.seen.constData());

        // Without a file: as ever.
        Instance fourth;
        fourth.start();
        QVERIFY2(fourth.waitFor("ENDED"), fourth.seen.constData());
        QVERIFY2(fourth.seen.contains("MESSAGE Kelmora|『Kelmora』は既に起動されています。"), fourth.seen.constData());

        QCOMPARE(first.process.state(), QProcess::Running);
        QVERIFY(!first.seen.contains("MESSAGE"));
        first.close();
        QVERIFY2(first.seen.contains("ENDED 0"), first.seen.constData());
    }

    // Two files opened together: the second start finds the lock held before the
    // first has opened its door. Here the test holds the lock and opens the door late.
    void aFileWaitsForADoorNotOpenYet()
    {
        kelmora::InstanceLock lock;
        QCOMPARE(lock.acquire(kProbe), kelmora::InstanceLock::Result::Acquired);
        const QString roster = QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv");
        Instance second;
        second.start(kProbe, {roster});
        QTest::qWait(800);
        QCOMPARE(second.process.state(), QProcess::Running);

        kelmora::FileDoor door;
        QSignalSpy handed(&door, &kelmora::FileDoor::fileHandedOver);
        QVERIFY(door.open(kProbe));
        QVERIFY(handed.wait(5000));
        QCOMPARE(handed.constFirst().constFirst().toString(), roster);
        QVERIFY2(second.waitFor("ENDED"), second.seen.constData());
        QVERIFY2(!second.seen.contains("MESSAGE"), second.seen.constData());
    }
};

QTEST_GUILESS_MAIN(HandoverTest)
#include "tst_handover.moc"
