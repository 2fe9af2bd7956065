// The typesetter on its own, with stand-in programs: it never hangs, and what
// it ends, it ends whole, children included.
#include "common/Files.h"
#include "typeset/Typesetter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace kelmora;
using Outcome = Typesetter::Outcome;

namespace {

// A "platex" that starts a long child of its own and waits for it.
QString writeHangingProgram(const QTemporaryDir& dir)
{
    const QString path = testing::writeFile(
        dir, QStringLiteral("platex"),
        QStringLiteral("#!/bin/sh\nsleep 30 &\necho $! > '%1'\nwait\n").arg(dir.filePath("child.pid")).toUtf8());
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return path;
}

bool alive(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    // Gone, or a zombie waiting for a parent that does not reap.
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

} // namespace

class TypesetterTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    void endsHangingProgramsAndTheirChildren_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("time out") << false;
        QTest::newRow("cancel") << true;
    }
    void endsHangingProgramsAndTheirChildren()
    {
        QFETCH(bool, cancel);
        const QString tex = dir.filePath("chart.tex");
        testing::writeBytes(tex, {});
        QFile::remove(dir.filePath("child.pid"));
        Typesetter typesetter({writeHangingProgram(dir), QStringLiteral("/bin/true")});
        typesetter.setTimeout(std::chrono::milliseconds(cancel ? 60000 : 500));
        QSignalSpy spy(&typesetter, &Typesetter::finished);
        QElapsedTimer clock;
        clock.start();
        typesetter.start(tex);
        QTRY_VERIFY(QFile::exists(dir.filePath("child.pid")) && QFile(dir.filePath("child.pid")).size() > 0);
        QFile pidFile(dir.filePath("child.pid"));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const qint64 child = pidFile.readAll().trimmed().toLongLong();
        QVERIFY(alive(child));
        if (cancel)
            typesetter.cancel();
        QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, 10000);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(spy.at(0).at(0).value<Outcome>(), cancel ? Outcome::Cancelled : Outcome::TimedOut);
        QVERIFY(!typesetter.isRunning());
        QTRY_VERIFY(!alive(child));
        QVERIFY(!QFile::exists(dir.filePath("chart.pdf")));
    }

    // What the teacher is shown of a log: the error, its context, and the line
    // of the chart TeX stopped in, even below a longer context. Logs as pLaTeX
    // writes them for a broken title.
    void firstErrorLines_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QByteArray>("shown");
        const QByteArray end = "Here is how much of TeX's memory you used:\n 498 strings out of 478041\n";
        QTest::newRow("in an argument") << "(./chart.tex\n! Undefined control sequence.\n"
                                           "<argument> \\huge \\bfseries \\foo \n"
                                           "                                {}\n"
                                           "l.20 \\fbox{\\huge\\bfseries \\foo{}}\n"
                                           "                                  \n"
                                               + end
                                        << QByteArray("! Undefined control sequence.\n"
                                                      "<argument> \\huge \\bfseries \\foo \n"
                                                      "                                {}\n"
                                                      "l.20 \\fbox{\\huge\\bfseries \\foo{}}");
        QTest::newRow("below LaTeX's advice, with the rest of the line")
            << "! LaTeX Error: Invalid UTF-8 byte \"BE.\r\n\r\n"
               "See the LaTeX manual or LaTeX Companion for explanation.\r\n"
               "Type  H <return>  for immediate help.\r\n ...      \r\n          \r\n"
               "l.20 \\fbox{\\huge\\bfseries A\\x}\r\n"
               "                         }\r\n"
                   + end
            << QByteArray("! LaTeX Error: Invalid UTF-8 byte \"BE.\n\n"
                          "See the LaTeX manual or LaTeX Companion for explanation.\n"
                          "l.20 \\fbox{\\huge\\bfseries A\\x}\n"
                          "                         }");
        QTest::newRow("at once") << "! Extra }, or forgotten \\endgroup.\nl.30 \\fbox{\\huge\\bfseries }}\n  \n" + end
                                 << QByteArray(
                                        "! Extra }, or forgotten \\endgroup.\nl.30 \\fbox{\\huge\\bfseries }}\n  ");
        QTest::newRow("none to give") << "! File ended while scanning use of \\fbox .\n<inserted text> \n"
                                         "                \\par \n<*> chart.tex\n          \n"
                                             + end
                                      << QByteArray("! File ended while scanning use of \\fbox .\n<inserted text> \n"
                                                    "                \\par ");
        QTest::newRow("no error") << end << QByteArray();
    }
    void firstErrorLines()
    {
        QFETCH(QByteArray, log);
        QFETCH(QByteArray, shown);
        QCOMPARE(QByteArray::fromStdString(FirstErrorLines(log.toStdString())), shown);
    }

    void aProgramThatCannotStartIsAFailure()
    {
        const QString tex = dir.filePath("chart.tex");
        testing::writeBytes(tex, {});
        Typesetter typesetter({dir.filePath("no-such-platex"), dir.filePath("no-such-dvipdfmx")});
        QSignalSpy spy(&typesetter, &Typesetter::finished);
        typesetter.start(tex);
        QCOMPARE(spy.size(), 0); // from the event loop, never inside start()
        QTRY_COMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).value<Outcome>(), Outcome::Failed);
        QVERIFY2(typesetter.failure().contains("no-such-platex"), qPrintable(typesetter.failure()));
    }
};

QTEST_GUILESS_MAIN(TypesetterTest)
#include "test_typesetter.moc"
