// Bad input on the real main window, as a teacher could give it: odd roster
// files chosen in the open dialog, huge rosters, and charts saved where they
// cannot be written. Each must end in a clear message or a sound result, with
// nothing crashed, the work on the desks kept and no existing file damaged.
//
// Some cases need another user than root (root reads and writes past file
// permissions): the test runs itself again under `setpriv` as nobody for those.
#include "app/KelmoraApplication.h"
#include "codec/Cp932.h"
#include "common/Files.h"
#include "common/RosterFiles.h"
#include "common/WindowTest.h"
#include "output/LatexText.h"
#include "typeset/Typesetter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace kelmora;
using testing::modals;
using testing::readBytes;
using testing::sjBytes;
using testing::Step;
using testing::writeBytes;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);
const QString kNoDataLine = QStringLiteral("「$」");
const QString kOpenError = QStringLiteral("オープンエラー");
const QString kChartFailed = QStringLiteral("座席表を書き込めませんでした。");
const QString kReadOnlyFile = QStringLiteral("ファイルが書き込み禁止になっています。");

// Set in the copy of this test that runs as nobody: the folder prepared for it.
const char* const kChildDirVariable = "KELMORA_BADINPUT_CHILD_DIR";

// The roster the cases work with. The ordinary user's run gets a copy in its own
// folder: the source tree may lie in a folder only root may enter.
QString workRoster()
{
    return qEnvironmentVariableIsSet(kChildDirVariable)
               ? qEnvironmentVariable(kChildDirVariable) + QStringLiteral("/roster6.csv")
               : kExamples + QStringLiteral("/roster6.csv");
}
constexpr uid_t kNobody = 65534;

// What the teacher had done before the bad input: names on desks, one waiting.
struct Work {
    std::vector<std::int32_t> entries;
    std::vector<std::string> texts;
    std::deque<std::string> queued;
    int listRows = 0;
    QString deskShown;
    friend bool operator==(const Work&, const Work&) = default;
};

// A small tmpfs over a folder, unmounted again when the case ends.
class Tmpfs {
public:
    Tmpfs(const QString& folder, const QString& size) : folder_(folder)
    {
        mounted_ =
            ::geteuid() == 0
            && QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=" + size + ",mode=0755", "tmpfs", folder}) == 0;
    }
    ~Tmpfs()
    {
        if (mounted_ && QProcess::execute("umount", {folder_}) != 0)
            QProcess::execute("umount", {"-l", folder_});
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly() { return QProcess::execute("mount", {"-o", "remount,ro", folder_}) == 0; }

private:
    QString folder_;
    bool mounted_ = false;
};

// Fills the file system that holds `path` to the last byte, with that file.
bool fillUp(const QString& path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly))
        return false;
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {}
    // A last partial block, byte by byte, until nothing more fits.
    filler.close();
    QFile tail(path);
    if (!tail.open(QIODevice::Append | QIODevice::Unbuffered))
        return false;
    while (tail.write("x", 1) == 1) {}
    return true;
}

QMap<QString, QByteArray> folderContents(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        files[name] = readBytes(folder + u'/' + name);
    return files;
}

int chartLines(const QByteArray& bytes)
{
    return bytes.endsWith("\r\n") && bytes.count('\n') == bytes.count("\r\n") ? int(bytes.count("\r\n")) : -1;
}

} // namespace

// What both the root test and its copy as nobody drive on the window.
class WindowCase : public testing::WindowTest {
    Q_OBJECT

protected:
    // Loads the six-column example, displays it, seats two students and cuts a
    // third. False when that went wrong (the failure is recorded).
    bool doSomeWork()
    {
        seatSomeStudents();
        return !QTest::currentTestFailed();
    }
    void seatSomeStudents()
    {
        load(workRoster());
        ui()->DLoad->trigger();
        ui()->PageControl1->setCurrentIndex(1);
        click(ui()->StringGrid3, 1, 1, Qt::ControlModifier);
        click(ui()->StringGrid3, 1, 2, Qt::ControlModifier);
        click(ui()->StringGrid2, 0, 0);
        click(ui()->StringGrid2, 4, 6);
        click(ui()->StringGrid3, 1, 3, Qt::ControlModifier);
        QCOMPARE(ui()->StringGrid2->cell(0, 0), QStringLiteral("青木　健太"));
        QCOMPARE(state->cutQueue.size(), std::size_t(1));
        QCOMPARE(modalProblems(), QString());
        modals().takeSeen();
    }

    Work work()
    {
        Work w;
        for (int c = 0; c < SeatTable::kSize; ++c)
            for (int r = 0; r < SeatTable::kSize; ++r) {
                w.entries.push_back(state->seatTable.entry(c, r));
                w.texts.push_back(state->seatTable.text(c, r));
            }
        w.queued = state->cutQueue.names();
        w.listRows = state->studentList.rowCount();
        w.deskShown = ui()->StringGrid2->cell(0, 0);
        return w;
    }
};

// The cases that need a user other than root; run by BadInputTest as nobody.
class NonRootCases : public WindowCase {
    Q_OBJECT

    QString dir = qEnvironmentVariable(kChildDirVariable);

private slots:
    void initTestCase() { QVERIFY(::geteuid() != 0); }

    void unreadableRoster()
    {
        QVERIFY(doSomeWork());
        const Work before = work();
        const QString roster = dir + "/unreadable.csv";
        QVERIFY(!QFileInfo(roster).isReadable());
        load(roster, {Step::box(kOpenError, roster, QMessageBox::Cancel)});
        const QList<testing::Seen> seen = modals().takeSeen();
        QCOMPARE(seen.size(), 2);
        QVERIFY2(seen[1].text.contains(QStringLiteral("Permission denied")), qPrintable(seen[1].text));
        QCOMPARE(state->roster.studentCount, 0);
        QVERIFY(!ui()->DLoad->isEnabled());
        QVERIFY(work() == before);
    }

    void readOnlyChartFile()
    {
        QVERIFY(doSomeWork());
        const QString chart = dir + "/readonly.tex";
        const QByteArray old = readBytes(chart);
        QVERIFY(!old.isEmpty());
        QVERIFY(!QFileInfo(chart).isWritable());
        output(chart, true, kChartFailed);
        QVERIFY2(lastSaid().contains(kReadOnlyFile), "no word of the read-only file");
        QCOMPARE(readBytes(chart), old);
        QVERIFY(!QFileInfo(chart).isWritable());
    }

    void chartIntoReadOnlyFolder()
    {
        QVERIFY(doSomeWork());
        const QString chart = dir + "/locked/Kelmora.tex";
        output(chart, false, kChartFailed);
        QVERIFY2(lastSaid().contains(QStringLiteral("Permission denied")), "no reason given");
        QVERIFY(QDir(dir + "/locked").entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
};

class BadInputTest : public WindowCase {
    Q_OBJECT

    QTemporaryDir dir;

    QString file(const QString& name, const QByteArray& bytes) { return testing::writeFile(dir, name, bytes); }

private slots:

    // Rosters that load nothing: the program says why, keeps the teacher's work,
    // leaves the display and output commands grey and the file as it was.
    void rosterThatLoadsNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("change");    // 0 none, 1 deleted, 2 replaced by a folder, after the dialog
        QTest::addColumn<QString>("title"); // of the message; empty: the program's title
        QTest::addColumn<QString>("said");  // part of the message
        QTest::addColumn<int>("studentCount");

        QByteArray binary("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
        for (int i = 0; i < 4096; ++i)
            binary += char((i * 37 + 11) % 256);
        const QByteArray utf8 = QStringLiteral("番号,氏名,姓,名,せい,めい\r\n1,青木　健太,青木,健太,あおき,けんた\r\n"
                                               "2,新井　美咲,新井,美咲,あらい,みさき\r\n")
                                    .toUtf8();
        const QByteArray good = readBytes(kExamples + "/roster6.csv");

        QTest::newRow("empty file") << "empty.csv" << QByteArray() << 0 << QString() << kNoDataLine << 0;
        QTest::newRow("binary file") << "picture.csv" << binary << 0 << QString() << kNoDataLine << 0;
        QTest::newRow("UTF-8 CSV without $ lines") << "utf8.csv" << utf8 << 0 << QString() << kNoDataLine << 0;
        QTest::newRow("UTF-8 CSV with BOM") << "utf8bom.csv"
                                            << "\xEF\xBB\xBF" + utf8 << 0 << QString() << kNoDataLine << 0;
        QTest::newRow("deleted between dialog and read")
            << "deleted.csv" << good << 1 << kOpenError << QStringLiteral("No such file or directory") << 0;
        QTest::newRow("replaced by a folder between dialog and read")
            << "folder.csv" << good << 2 << kOpenError << QStringLiteral("Is a directory") << 0;
    }
    void rosterThatLoadsNothing()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(int, change);
        QFETCH(QString, title);
        QFETCH(QString, said);
        QFETCH(int, studentCount);

        QVERIFY(doSomeWork());
        const Work before = work();
        const QString path = file(name, bytes);
        if (change != 0) {
            // The dialog has closed on the file; it goes before the program reads it.
            QObject::connect(
                form->openDialog(), &QFileDialog::fileSelected, this,
                [path, change] {
                    QFile::remove(path);
                    if (change == 2)
                        QDir().mkdir(path);
                },
                Qt::SingleShotConnection);
        }
        const bool openError = title == kOpenError;
        load(path, {Step::box(openError ? kOpenError : MessageTitle(), said,
                              openError ? QMessageBox::Cancel : QMessageBox::Ok)});
        const QList<testing::Seen> seen = modals().takeSeen();
        if (openError) {
            QCOMPARE(seen.size(), 2);
            QVERIFY2(seen[1].text.contains(path), qPrintable(seen[1].text));
        }

        QCOMPARE(state->roster.studentCount, studentCount);
        QVERIFY(state->roster.table.empty());
        QVERIFY(!ui()->DLoad->isEnabled());
        QVERIFY(!ui()->OutPut->isEnabled());
        QVERIFY(work() == before);
        if (change == 0)
            QCOMPARE(readBytes(path), bytes);
        // The work goes on: the waiting name still lands on a desk.
        click(ui()->StringGrid2, 1, 1);
        QCOMPARE(ui()->StringGrid2->cell(1, 1), QStringLiteral("池田　大輝"));
    }

    // A folder typed in the open dialog opens that folder, as in any file dialog;
    // nothing is read until a file is chosen there.
    void folderChosenAsRoster()
    {
        QVERIFY(doSomeWork());
        const Work before = work();
        const QString folder = dir.filePath("class-3");
        QVERIFY(QDir().mkpath(folder));
        load(folder, {Step::cancelFile()});
        QCOMPARE(form->openDialog()->directory().absolutePath(), folder);
        QCOMPARE(state->roster.studentCount, 40); // nothing read: the last roster stays
        QVERIFY(!ui()->DLoad->isEnabled());
        QVERIFY(work() == before);
    }

    // A roster saved as UTF-8 rather than Shift-JIS is converted as it loads: the
    // names show, go on the desks and into the chart as from a Shift-JIS roster.
    void utf8RosterWithDataLines()
    {
        const QString name = QStringLiteral("青木　健太");
        const QByteArray utf8 = QStringLiteral("$,1,青木　健太,青木,健太,あおき,けんた\r\n"
                                               "$,2,新井　美咲,新井,美咲,あらい,みさき\r\n")
                                    .toUtf8();
        load(file("utf8-data.csv", utf8));
        QCOMPARE(state->roster.studentCount, 2);
        ui()->DLoad->trigger();
        QCOMPARE(ui()->StringGrid3->cell(1, 1), name);
        ui()->PageControl1->setCurrentIndex(1);
        click(ui()->StringGrid3, 1, 1, Qt::ControlModifier);
        click(ui()->StringGrid2, 0, 0);
        QCOMPARE(ui()->StringGrid2->cell(0, 0), name);
        ui()->RadioButton1->click();
        const QString chart = dir.filePath("utf8.tex");
        output(chart, false);
        QVERIFY(readBytes(chart).contains("\\Bf " + testing::sjBytes(name)));
    }

    // As root the permission does not stop reading: the file loads like any other.
    // The same file as an ordinary user is NonRootCases::unreadableRoster.
    void unreadableRosterAsRoot()
    {
        if (::geteuid() != 0)
            QSKIP("runs as root only; the ordinary user's case runs below");
        const QString path = file("unreadable.csv", readBytes(kExamples + "/roster2.csv"));
        QVERIFY(QFile::setPermissions(path, {}));
        load(path);
        QCOMPARE(state->roster.studentCount, 40);
        QVERIFY(ui()->DLoad->isEnabled());
        QVERIFY(!(QFile::permissions(path) & (QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther)));
    }

    // Rosters far larger than a class: they load, display, take a place on a desk
    // and give a whole chart. The times are printed, not judged.
    void hugeRoster_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("students");
        QTest::addColumn<int>("columns");
        QTest::newRow("50 MB roster") << "50MB" << 0 << 6;
        QTest::newRow("100 KB notes on every line") << "notes" << 40 << 7;
        QTest::newRow("100 KB name on every line") << "name" << 40 << 6;
    }
    void hugeRoster()
    {
        QFETCH(QString, kind);
        QFETCH(int, students);
        QFETCH(int, columns);

        QByteArray bytes = sjBytes(QStringLiteral("% 大きな名簿\r\n"));
        const QByteArray long100k(100 * 1024, 'x');
        if (kind == "50MB") {
            bytes.reserve(51 * 1024 * 1024);
            while (bytes.size() < 50 * 1024 * 1024)
                bytes += testing::dataLine(++students, 6) + "\r\n";
        } else {
            for (int i = 1; i <= students; ++i) {
                QByteArray line = testing::dataLine(i, 6);
                if (kind == "notes")
                    line += "," + long100k;
                else
                    line.replace(sjBytes(testing::student(i).family + "　"),
                                 sjBytes(testing::student(i).family + "　") + long100k);
                bytes += line + "\r\n";
            }
        }
        const QString path = file(kind + ".csv", bytes);
        QElapsedTimer clock;

        clock.start();
        load(path);
        const qint64 loadMs = clock.restart();
        QCOMPARE(state->roster.studentCount, students);
        QCOMPARE(state->roster.columnCount, columns);
        QVERIFY(ui()->DLoad->isEnabled());

        ui()->DLoad->trigger();
        QCoreApplication::processEvents();
        const qint64 displayMs = clock.restart();
        QCOMPARE(ui()->StringGrid3->rowCount(), students + 1);

        // The last student, from the bottom of the list, onto a desk.
        ui()->PageControl1->setCurrentIndex(1);
        StringGrid* list = ui()->StringGrid3;
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
        click(list, 1, students, Qt::ControlModifier);
        click(ui()->StringGrid2, 2, 3);
        QCOMPARE(state->seatTable.entry(2, 3), students);
        form->grab(); // every desk and list row in view painted
        const qint64 placeMs = clock.restart();

        // The plain chart, which carries the full names.
        ui()->PageControl1->setCurrentIndex(0);
        ui()->RadioButton1->click();
        const QString chart = dir.filePath(kind + ".tex");
        output(chart, false);
        const qint64 outputMs = clock.restart();
        const QByteArray written = readBytes(chart);
        QCOMPARE(chartLines(written), 48 + 2 * 7);
        QVERIFY(written.contains(state->roster.table[std::size_t(students) - 1].FullName.substr(0, 200).c_str()));
        QVERIFY(readBytes(path) == bytes);
        qInfo("%s: %lld bytes, %d students; load %lld ms, display %lld ms, place %lld ms, chart %lld ms",
              qPrintable(kind), qlonglong(bytes.size()), students, loadMs, displayMs, placeMs, outputMs);
    }

    // A chart that cannot be written: the program says so, and an older chart of
    // that name stays whole.
    void chartOntoFullDisk_data()
    {
        QTest::addColumn<bool>("replaces");
        QTest::newRow("new file") << false;
        QTest::newRow("replacing an older chart") << true;
    }
    void chartOntoFullDisk()
    {
        QFETCH(bool, replaces);
        const QString folder = dir.filePath("stick");
        QVERIFY(QDir().mkpath(folder));
        Tmpfs disk(folder, "64k");
        if (!disk.mounted())
            QSKIP("needs root to mount a small file system");
        const QString chart = folder + "/Kelmora.tex";
        if (replaces)
            writeBytes(chart, "old chart\r\n");
        QVERIFY(fillUp(folder + "/filler"));
        const QMap<QString, QByteArray> before = folderContents(folder);

        QVERIFY(doSomeWork());
        output(chart, replaces, kChartFailed);

        const QString said = lastSaid();
        QVERIFY2(said.contains(chart) && said.contains(QStringLiteral("No space left on device")), qPrintable(said));
        QCOMPARE(folderContents(folder), before); // no half chart, no temporary file
    }

    // Room for the chart but not for its PDF: the teacher is told, and the older
    // PDF beside the chart stays whole. The PDF fits in the file buffer, so only
    // the last flush before it takes the older one's place meets the full disk.
    void pdfOntoFullDisk()
    {
        if (!FindTexPrograms().found())
            QSKIP("needs platex and dvipdfmx");
        const QString folder = dir.filePath("pdfstick");
        QVERIFY(QDir().mkpath(folder));
        Tmpfs disk(folder, "64k");
        if (!disk.mounted())
            QSKIP("needs root to mount a small file system");
        const QString pdf = folder + "/Kelmora.pdf";
        const QByteArray older = "%PDF-1.5\n" + QByteArray(4000, 'x');
        writeBytes(pdf, older);
        writeBytes(folder + "/room", QByteArray(4096, 'r')); // one page, set free for the chart
        QVERIFY(fillUp(folder + "/filler"));
        QVERIFY(QFile::remove(folder + "/room"));

        QVERIFY(doSomeWork());
        form->typesetCharts = true;
        const QString chart = folder + "/Kelmora.tex";
        output(chart, false, QStringLiteral("No space left on device"));
        const QString said = saidWhenAnswered(60000);
        QVERIFY2(said.contains(QStringLiteral("座席表を PDF にできませんでした。")) && said.contains(pdf),
                 qPrintable(said));
        QCOMPARE(readBytes(pdf), older);
        QCOMPARE(chartLines(readBytes(chart)), 58 + 2 * 7);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList({"filler", "Kelmora.pdf", "Kelmora.tex"})); // no temporary file left
    }

    void chartIntoReadOnlyFolder()
    {
        const QString folder = dir.filePath("cdrom");
        QVERIFY(QDir().mkpath(folder));
        Tmpfs disk(folder, "64k");
        if (!disk.mounted())
            QSKIP("needs root to mount a read-only file system");
        QVERIFY(disk.makeReadOnly());
        QVERIFY(doSomeWork());
        const QString chart = folder + "/Kelmora.tex";
        output(chart, false, kChartFailed);
        QVERIFY2(lastSaid().contains(QStringLiteral("Read-only file system")), "no reason given");
        QVERIFY(!QFile::exists(chart));
    }

    // Root may write a read-only file: after the teacher agreed to replace it,
    // it is replaced by the whole chart (and, as any file saved in its place,
    // becomes writable for its owner). An ordinary user is refused and the file
    // kept (NonRootCases::readOnlyChartFile).
    void readOnlyChartFileAsRoot()
    {
        if (::geteuid() != 0)
            QSKIP("runs as root only; the ordinary user's case runs below");
        const QString chart = file("readonly.tex", "old chart\r\n");
        QVERIFY(QFile::setPermissions(chart, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QVERIFY(doSomeWork());
        output(chart, true);
        QCOMPARE(chartLines(readBytes(chart)), 58 + 2 * 7);
        QVERIFY(QFile::permissions(chart) & QFile::ReadOther);
    }

    // The cases that need an ordinary user, run by a copy of this test as nobody.
    void asAnOrdinaryUser()
    {
        if (::geteuid() != 0)
            QSKIP("the ordinary user's cases run from a root run (they need setpriv to become nobody)");
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        if (setpriv.isEmpty())
            QSKIP("setpriv not found");

        // A folder nobody may use, with a roster nobody may not read, a chart
        // nobody may not write and a folder nobody may not write into.
        const QString home = dir.filePath("nobody");
        QVERIFY(QDir().mkpath(home + "/runtime"));
        QVERIFY(QDir().mkpath(home + "/locked"));
        for (const QString& d : {home, home + "/runtime"})
            QVERIFY(::chown(QFile::encodeName(d).constData(), kNobody, kNobody) == 0);
        QVERIFY(QFile::setPermissions(home + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                      | QFile::ExeGroup | QFile::ExeOther));
        QVERIFY(QFile::setPermissions(home + "/locked", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                            | QFile::ReadOther | QFile::ExeOther));
        writeBytes(home + "/roster6.csv", readBytes(kExamples + "/roster6.csv"));
        writeBytes(home + "/unreadable.csv", readBytes(kExamples + "/roster6.csv"));
        QVERIFY(QFile::setPermissions(home + "/unreadable.csv", QFile::WriteOwner));
        writeBytes(home + "/readonly.tex", "old chart\r\n");
        QVERIFY(::chown(QFile::encodeName(home + "/readonly.tex").constData(), kNobody, kNobody) == 0);
        QVERIFY(QFile::setPermissions(home + "/readonly.tex", QFile::ReadOwner | QFile::ReadOther));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kChildDirVariable, home);
        env.insert("HOME", home);
        env.insert("XDG_RUNTIME_DIR", home + "/runtime");
        env.insert("XDG_CACHE_HOME", home + "/cache");
        env.insert("XDG_CONFIG_HOME", home + "/config");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(setpriv,
                    {"--reuid=65534", "--regid=65534", "--clear-groups", QCoreApplication::applicationFilePath()});
        QVERIFY(child.waitForFinished(120000));
        const QByteArray said = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, said.constData());
        for (const char* name : {"unreadableRoster", "readOnlyChartFile", "chartIntoReadOnlyFolder"})
            QVERIFY2(said.contains(QByteArray("PASS   : NonRootCases::") + name + "()"), said.constData());
        QCOMPARE(readBytes(home + "/readonly.tex"), QByteArray("old chart\r\n"));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    if (qEnvironmentVariableIsSet(kChildDirVariable)) {
        NonRootCases cases;
        return QTest::qExec(&cases, argc, argv);
    }
    BadInputTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_badinput.moc"
