// Faults met by trying the program as a new user would, each on the real window
// with real key and mouse events.
#include "app/KelmoraApplication.h"
#include "common/Files.h"
#include "common/WindowTest.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stop_token>
#include <thread>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelmora;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);
// Set for a run as nobody: the copy of the example roster it may read.
const char* const kRosterVariable = "KELMORA_FAULTS_ROSTER";
constexpr uid_t kNobody = 65534;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KELMORA_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define KELMORA_SANITIZED 1
#endif
#endif

// Bounds the address space to what the process uses now and 1 GB more, while it
// lives: reading an endless device then fails instead of taking the machine.
class MemoryBound {
public:
    MemoryBound()
    {
#ifndef KELMORA_SANITIZED
        long pages = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        if (pages > 0 && ::getrlimit(RLIMIT_AS, &old_) == 0) {
            rlimit bound = old_;
            bound.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(1) << 30);
            set_ = ::setrlimit(RLIMIT_AS, &bound) == 0;
        }
#endif
    }
    ~MemoryBound()
    {
        if (set_)
            ::setrlimit(RLIMIT_AS, &old_);
    }

private:
    rlimit old_{};
    bool set_ = false;
};

} // namespace

using testing::modals;
using testing::Step;

class FaultsTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

    // Runs one test function of this program again as nobody, with a copy of the
    // roster it may read (the source tree may be closed to it), and passes on
    // its verdict.
    void runAsNobody(const char* function)
    {
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        if (setpriv.isEmpty())
            QSKIP("runs as root, and needs setpriv to become an ordinary user");
        const QString home = dir.filePath("nobody");
        QVERIFY(QDir().mkpath(home + "/runtime"));
        QVERIFY(QFile::copy(kExamples + "/roster6.csv", home + "/roster6.csv"));
        for (const QString& path : {dir.path(), home, home + "/runtime", home + "/roster6.csv"})
            QVERIFY(::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0);
        QVERIFY(QFile::setPermissions(home + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kRosterVariable, home + "/roster6.csv");
        env.insert("HOME", home);
        env.insert("XDG_RUNTIME_DIR", home + "/runtime");
        env.insert("TMPDIR", home);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups",
                              QCoreApplication::applicationFilePath(), QString::fromLatin1(function)});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray said = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, said.constData());
        QVERIFY2(said.contains(QByteArray("PASS   : FaultsTest::") + function + "()"), said.constData());
    }

    // A click at a point of the grid, not the middle of a cell.
    void clickAt(StringGrid* grid, QPoint pos, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, pos);
    }
    // A drag with the left button, the pointer moving `by` while it is held.
    void drag(StringGrid* grid, QPoint from, QPoint by)
    {
        QWidget* viewport = grid->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, from + by, viewport->mapToGlobal(from + by), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(viewport, &move);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, from + by);
    }

private slots:
    // Each command's access key works right after the one before, though that
    // one showed a modal dialog.
    void accessKeysWorkAfterEveryMenuCommand()
    {
        loadByKeys(kExamples + "/roster6.csv");
        QVERIFY(ui()->DLoad->isEnabled());
        key(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(ui()->StringGrid3->rowCount(), 41);

        const QString chart = dir.filePath("Kelmora.tex");
        modals().expect(Step::file(chart));
        key(Qt::Key_O, Qt::AltModifier); // 座席表出力(&O) on the menu bar
        QVERIFY(QFile::exists(chart));

        for (QMenu* menu : {ui()->Files, ui()->Help}) {
            key(menu == ui()->Files ? Qt::Key_F : Qt::Key_H, Qt::AltModifier);
            QCOMPARE(QApplication::activePopupWidget(), menu);
            key(Qt::Key_Escape);
            key(Qt::Key_Escape);
            QVERIFY(!QApplication::activePopupWidget());
        }
        loadByKeys(kExamples + "/roster2.csv");
        QCOMPARE(state->roster.columnCount, 2);
    }

    // A press near a cell border that is released where it went down is a click
    // on the cell under the pointer; only a drag from the line sizes. In the
    // student list rows are sized from the number column alone.
    void clicksNearCellBordersActOnTheCellUnderThePointer()
    {
        loadByKeys(kExamples + "/roster6.csv");
        key(Qt::Key_D, Qt::AltModifier);
        QTabBar* tabs = ui()->PageControl1->tabBar();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        StringGrid* list = ui()->StringGrid3;
        StringGrid* seats = ui()->StringGrid2;

        clickAt(list, list->cellRect(1, 1).center());
        clickAt(list, list->cellRect(1, 3).topLeft() + QPoint(20, 1), Qt::ControlModifier);
        QCOMPARE(list->cell(1, 1), QStringLiteral("青木　健太"));
        QCOMPARE(list->cell(1, 3), QString());

        const QRect desk = seats->cellRect(2, 1);
        clickAt(seats, QPoint(desk.left() + 1, desk.center().y()));
        QCOMPARE(seats->cell(2, 1), QStringLiteral("池田　大輝"));
        QCOMPARE(seats->cell(0, 0), QString());

        const int width = seats->colWidth(1), height = list->rowHeight(2);
        drag(seats, QPoint(desk.left() - 1, desk.center().y()), QPoint(20, 0));
        QCOMPARE(seats->colWidth(1), width + 20);
        drag(list, list->cellRect(1, 3).topLeft() + QPoint(20, 0), QPoint(0, 20));
        QCOMPARE(list->rowHeight(2), height);
        drag(list, list->cellRect(0, 3).topLeft() + QPoint(10, 0), QPoint(0, 20));
        QCOMPARE(list->rowHeight(2), height + 20);
    }

    // A device, a named pipe or a file far too large, typed into the open dialog
    // of a roster or of an arrangement: refused with the reason, as a file that
    // cannot be opened.
    void specialFilesAreRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("arrangement");
        QTest::addColumn<QString>("reason");
        for (const bool arrangement : {false, true}) {
            const char* what = arrangement ? "arrangement" : "roster";
            QTest::addRow("endless device as %s", what)
                << "zero" << arrangement << QStringLiteral("通常のファイルではありません。");
            QTest::addRow("named pipe as %s", what)
                << "fifo" << arrangement << QStringLiteral("通常のファイルではありません。");
        }
        QTest::newRow("65 MB roster") << "large" << false << QStringLiteral("ファイルが大きすぎます(64 MB まで)。");
        QTest::newRow("5 MB arrangement") << "large" << true << QStringLiteral("ファイルが大きすぎます(4 MB まで)。");
    }
    void specialFilesAreRefused()
    {
        QFETCH(QString, kind);
        QFETCH(bool, arrangement);
        QFETCH(QString, reason);
        // The dialog adds its extension to a name typed without one: the device
        // is reached through a link of such a name.
        const QString path = dir.filePath(kind + (arrangement ? ".kelmora" : ".csv"));
        if (kind == "zero") {
            QVERIFY(QFile::link("/dev/zero", path));
        } else if (kind == "fifo") {
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == "large") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(arrangement ? 5 : 65) << 20));
        }
        // Guards, so that the test fails instead of hanging or eating the memory:
        // a writer that lets a blocked reader of the pipe go, and a bound on the
        // memory (not under the sanitizers, which reserve far more).
        std::jthread pipeGuard([path](std::stop_token stop) {
            std::mutex m;
            std::condition_variable_any cv;
            std::unique_lock lock(m);
            if (!cv.wait_for(lock, stop, std::chrono::seconds(5), [] { return false; }) && !stop.stop_requested())
                if (const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK); fd >= 0)
                    ::close(fd);
        });
        MemoryBound bound;

        if (arrangement) {
            testing::modals().expect({Step::file(path), Step::box(MessageTitle(), reason)});
            activate();
            key(Qt::Key_O, Qt::ControlModifier);
            QCOMPARE(modalProblems(), QString());
            QCOMPARE(ui()->StringGrid2->colCount(), 5); // nothing of it was taken
            return;
        }
        loadByKeys(path, {Step::box(QStringLiteral("オープンエラー"), reason, QMessageBox::Cancel)});
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(state->roster.studentCount, 0);
        QVERIFY(state->roster.table.empty());
        QVERIFY(!ui()->DLoad->isEnabled());
    }

    // Every load starts with an empty file name; only Retry after an open error
    // offers the name just tried.
    void openDialogOffersNoNameAtEachLoad()
    {
        loadByKeys(kExamples + "/roster6.csv");
        QVERIFY(ui()->DLoad->isEnabled());

        QString offered = QStringLiteral("(not shown)");
        // What the dialog would open as it stands: the name box, or else the
        // file still selected in its list (or else its folder).
        modals().expect({Step::any<QFileDialog>([&](QFileDialog* dialog) {
                             offered = testing::typedFileName(dialog) + u'|' + dialog->selectedFiles().join(u',');
                             testing::typeFileName(dialog, dir.filePath("gone.csv"));
                             testing::acceptDialog(dialog);
                         }),
                         Step::box(QString(), QString(), QMessageBox::Retry), Step::cancelFile()});
        key(Qt::Key_F, Qt::AltModifier);
        key(Qt::Key_O);
        QCOMPARE(modalProblems(), QString());
        QVERIFY2(offered.startsWith(u'|') && !offered.contains("roster6"), qPrintable(offered));
        QCOMPARE(lastSaid(), QStringLiteral("gone.csv")); // what the dialog after Retry offered
    }

    // A chart the teacher may write, in a folder that takes no new files (as a
    // shared folder often is): replaced after the question. What cannot be
    // written there is still reported, and the file kept. Permissions do not
    // stop root, so as root the case runs again as nobody.
    void chartInAFolderThatTakesNoNewFiles()
    {
        if (::geteuid() == 0) {
            runAsNobody(QTest::currentTestFunction());
            return;
        }
        const QString folder = dir.filePath("shared");
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"Kelmora.tex", "readonly.tex"})
            testing::writeBytes(folder + u'/' + name, "old chart\r\n");
        QVERIFY(QFile::setPermissions(folder + "/readonly.tex", QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const auto reopen =
            qScopeGuard([&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });

        loadByKeys(qEnvironmentVariable(kRosterVariable, kExamples + "/roster6.csv"));
        key(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(ui()->StringGrid3->rowCount(), 41);

        // 座席表出力(&O) by its key; exactly the message boxes `boxes` must follow the
        // save dialog, and the last one's text is returned.
        auto output = [&](const QString& name, std::initializer_list<Step> boxes) {
            modals().expect(Step::file(folder + u'/' + name));
            modals().expect(boxes);
            key(Qt::Key_O, Qt::AltModifier);
            return lastSaid();
        };
        const Step replace = Step::box(QString(), QString(), QMessageBox::Yes);
        output("Kelmora.tex", {replace}); // the question before replacing it, no more
        QCOMPARE(modalProblems(), QString());
        QVERIFY(testing::readBytes(folder + "/Kelmora.tex").endsWith("\\end{document}\r\n"));

        output("readonly.tex",
               {replace, Step::box(QString(), QStringLiteral("ファイルが書き込み禁止になっています。"))});
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(testing::readBytes(folder + "/readonly.tex"), QByteArray("old chart\r\n"));

        const QString said = output("new.tex", {Step::box(QString(), QString())});
        QCOMPARE(modalProblems(), QString());
        QVERIFY2(said.startsWith(QStringLiteral("座席表を書き込めませんでした。\n") + folder), qPrintable(said));
        QVERIFY(!QFile::exists(folder + "/new.tex"));
    }

    // Message boxes carry the program's name, whatever the executable is called
    // (this one is test_faults).
    void messageBoxesAreTitledWithTheProgramsName()
    {
        const QString empty = testing::writeFile(dir, QStringLiteral("empty.csv"), {});
        loadByKeys(empty, {Step::box(QStringLiteral("Kelmora"), QStringLiteral("生徒氏名データが見つかりません。"))});
        QCOMPARE(modalProblems(), QString());
    }
};

// The program's own application object, which names the program.
int main(int argc, char** argv)
{
    KelmoraApplication app(argc, argv);
    FaultsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
