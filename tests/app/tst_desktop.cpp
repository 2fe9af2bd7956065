// Kelmora on the desktop, on the real window: a file named on the command line,
// files dropped on the window, 最近使ったファイル, the title with its unsaved mark,
// and 発表.
#include "app/InstanceGuard.h"
#include "app/import/ImportDialog.h"
#include "app/present/PresentWindow.h"
#include "common/Files.h"
#include "common/WindowTest.h"
#include "settings/RecentFiles.h"

#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <QUrl>

#include <algorithm>
#include <set>

using namespace kelmora;
using testing::modals;
using testing::Step;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);
const QString kTitle = QStringLiteral("座席表作成システム");

std::set<std::pair<int, int>> seatedDesks(const ProgramState& s)
{
    std::set<std::pair<int, int>> desks;
    for (int c = 0; c < SeatTable::kSize; ++c)
        for (int r = 0; r < SeatTable::kSize; ++r)
            if (s.seatTable.entry(c, r) != 0)
                desks.insert({c, r});
    return desks;
}

} // namespace

class DesktopTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;
    int nextRow_ = 1; // the list's next name to seat

    // The list's next names cut and pasted on the desks given, by mouse.
    void seat(const std::vector<std::pair<int, int>>& desks)
    {
        for (const auto& [column, row] : desks) {
            click(ui()->StringGrid3, 1, nextRow_++, Qt::ControlModifier);
            click(ui()->StringGrid2, column, row);
        }
    }
    QString saveAs(const QString& name)
    {
        const QString file = dir.filePath(name);
        modals().expect(Step::file(file));
        ui()->SaveArrangementAs->trigger();
        return file;
    }
    // A new session whose command line names `file`.
    // `then`: the windows opening it must show.
    void startWith(const QString& file, std::initializer_list<Step> then = {})
    {
        QCOMPARE(modalProblems(), QString());
        closeWindow();
        modals().expect(then);
        nextRow_ = 1;
        state = std::make_unique<ProgramState>();
        form = std::make_unique<TForm1>(*state, file);
        form->typesetCharts = false;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTest::qWait(20); // the file opens from the event loop
        QVERIFY(QTest::qWaitFor([] { return !modals().waiting(); }));
    }
    // A drag of `file` entering the window and, when it was taken, dropping on it.
    bool drop(const QString& file)
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        const QPoint at = form->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &move);
        if (!move.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted();
    }
    // ファイル → 最近使ったファイル → item `n`, by keys.
    void openRecentByKeys(int n)
    {
        activate();
        key(Qt::Key_F, Qt::AltModifier);
        key(Qt::Key_R);
        QVERIFY2(QApplication::activePopupWidget() == form->RecentFiles, "最近使ったファイル did not open");
        key(Qt::Key(Qt::Key_0 + n));
    }

private slots:
    void init()
    {
        nextRow_ = 1;
        SaveRecentFiles({});
        WindowTest::init();
    }

    // The title names the arrangement file and shows its unsaved mark; the file
    // comes back from the command line, and the mark follows clicks, undo and saving.
    void theCommandLineFileAndTheTitle()
    {
        QCOMPARE(form->windowTitle(), kTitle + QStringLiteral("[*]"));
        QVERIFY(!form->isWindowModified());
        loadAndShow(kExamples + "/roster6.csv");
        QVERIFY(!form->isWindowModified());
        seat({{0, 0}, {2, 1}});
        QVERIFY(form->isWindowModified());
        const QString file = saveAs(QStringLiteral("1-1.kelmora"));
        QCOMPARE(form->windowTitle(), kTitle + QStringLiteral(" — 1-1.kelmora[*]"));
        QVERIFY(!form->isWindowModified());
        QVERIFY(testing::readBytes(file).startsWith("{\n    \"format\": \"kelmora-arrangement\",\n"));
        const auto placed = seatedDesks(*state);

        // Opens it, and the roster it names.
        startWith(file, {Step::box(QString(), QStringLiteral("roster6.csv"), QMessageBox::Yes)});
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(state->roster.studentCount, 40);
        QCOMPARE(seatedDesks(*state), placed);
        QCOMPARE(form->windowTitle(), kTitle + QStringLiteral(" — 1-1.kelmora[*]"));
        QVERIFY(!form->isWindowModified());

        ui()->PageControl1->setCurrentIndex(1);
        activate();
        click(ui()->StringGrid2, 0, 0, Qt::ControlModifier); // cut from a desk
        QVERIFY(form->isWindowModified());
        key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!form->isWindowModified());
        key(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(form->isWindowModified());
        key(Qt::Key_S, Qt::ControlModifier); // saves to the file it came from
        QVERIFY(!form->isWindowModified());
        ui()->Edit3->setText(QStringLiteral("二年三組")); // a setting the file records
        QVERIFY(form->isWindowModified());

        // A roster by name; a CSV that is not one; a file that is not there.
        startWith(kExamples + "/roster2.csv");
        QCOMPARE(state->roster.studentCount, 40);
        QVERIFY(ui()->DLoad->isEnabled());
        QCOMPARE(form->windowTitle(), kTitle + QStringLiteral("[*]"));
        // A school's own list (no "$" lines) opens 名簿を取り込む's preview; Enter takes the guessed columns.
        const QString plain = testing::writeFile(dir, QStringLiteral("名簿.csv"), "番号,氏名\n1,青木 太郎\n");
        startWith(plain, {Step::any<ImportDialog>([](ImportDialog* d) { QTest::keyClick(d, Qt::Key_Return); })});
        QCOMPARE(state->roster.studentCount, 1);
        startWith(dir.filePath(QStringLiteral("gone.kelmora")),
                  {Step::box(QString(), QStringLiteral("ファイルが見つかりません"))});
        QVERIFY(lastSaid().contains(QStringLiteral("gone.kelmora")));
    }

    // A roster dropped loads; an arrangement dropped opens, after the question
    // when the present one has changed; anything else is refused as it enters.
    void droppedFiles()
    {
        QVERIFY(drop(kExamples + "/roster3.csv"));
        QCOMPARE(state->roster.studentCount, 40);
        QCOMPARE(state->roster.columnCount, 3);
        ui()->DLoad->trigger();
        ui()->PageControl1->setCurrentIndex(1);
        activate();
        seat({{1, 1}});
        const QString file = saveAs(QStringLiteral("dropped.kelmora"));
        const auto saved = seatedDesks(*state);
        seat({{3, 3}});
        const auto changed = seatedDesks(*state);

        modals().expect(Step::box(QString(), QStringLiteral("保存しますか"), QMessageBox::Cancel));
        QVERIFY(drop(file));
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(seatedDesks(*state), changed); // cancelled: nothing opened
        modals().expect(Step::box(QString(), QStringLiteral("保存しますか"), QMessageBox::Discard));
        QVERIFY(drop(file));
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(seatedDesks(*state), saved);
        QVERIFY(!form->isWindowModified());

        // Renamed, an arrangement is still known by its first bytes.
        const QString renamed = dir.filePath(QStringLiteral("dropped"));
        QVERIFY(QFile::copy(file, renamed));
        QVERIFY(drop(renamed));
        QCOMPARE(form->windowTitle(), kTitle + QStringLiteral(" — dropped[*]"));

        for (const QString& other : {testing::writeFile(dir, QStringLiteral("notes.txt"), "$,1,青木\n"), dir.path(),
                                     QStringLiteral("/nonexistent/a.pdf")})
            QVERIFY2(!drop(other), qPrintable(other));
        QMimeData two;
        two.setUrls({QUrl::fromLocalFile(kExamples + "/roster2.csv"), QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(state->roster.columnCount, 3);
    }

    // A file handed over by a second start (as the bus calls the door) waits for
    // a dialog the teacher has open, then opens.
    void aHandedOverFileWaitsForAnOpenDialog()
    {
        QVERIFY(QTest::qWaitFor([&] { return form->findChild<FileDoor*>() != nullptr; })); // after the first frame
        auto* door = form->findChild<FileDoor*>();
        bool loadedUnderTheDialog = true;
        modals().expect(Step::any<QDialog>([&](QDialog* about) {
            door->openFile(kExamples + "/roster6.csv");
            QCoreApplication::sendPostedEvents(door, QEvent::MetaCall); // the call comes in now
            loadedUnderTheDialog = state->roster.studentCount != 0;
            about->done(QDialog::Accepted); // as 戻る does
        }));
        activate();
        key(Qt::Key_H, Qt::AltModifier);
        key(Qt::Key_A); // バージョン情報, a modal window
        QCOMPARE(modalProblems(), QString());
        QVERIFY(!loadedUnderTheDialog);
        QVERIFY(QTest::qWaitFor([&] { return state->roster.studentCount == 40; }));
    }

    // The last rosters and arrangements, newest first, kept for the next session;
    // a file gone since is named and leaves the list.
    void recentFiles()
    {
        const QString roster = dir.filePath(QStringLiteral("一年二組 &名簿.csv"));
        QVERIFY(QFile::copy(kExamples + "/roster6.csv", roster));
        loadAndShow(roster);
        seat({{0, 0}});
        const QString file = saveAs(QStringLiteral("1-2.kelmora"));
        QCOMPARE(form->recentFiles(), QStringList({file, roster}));

        // Nine files later, eight are kept.
        for (int k = 0; k < 9; ++k) {
            const QString name = dir.filePath(QStringLiteral("r%1.csv").arg(k));
            QVERIFY(QFile::copy(kExamples + "/roster2.csv", name));
            QVERIFY(drop(name));
        }
        QCOMPARE(form->recentFiles().size(), kMaxRecentFiles);
        QCOMPARE(form->recentFiles().constFirst(), dir.filePath(QStringLiteral("r8.csv")));
        QVERIFY(!form->recentFiles().contains(file));

        SaveRecentFiles({file, roster});
        startWith({}); // the next session
        QCOMPARE(form->recentFiles(), QStringList({file, roster}));
        openRecentByKeys(2);
        QCOMPARE(state->roster.columnCount, 6);
        QCOMPARE(form->recentFiles(), QStringList({roster, file}));
        openRecentByKeys(2);
        QVERIFY(seatedDesks(*state) == (std::set<std::pair<int, int>>{{0, 0}}));
        QCOMPARE(form->windowTitle(), kTitle + QStringLiteral(" — 1-2.kelmora[*]"));

        QVERIFY(QFile::remove(roster));
        modals().expect(Step::box(QString(), QStringLiteral("一年二組 &名簿.csv")));
        openRecentByKeys(2);
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(form->recentFiles(), QStringList({file}));
        QCOMPARE(LoadRecentFiles(), QStringList({file}));
    }

    // 発表: every seated desk once, in a random order; ← goes back; Esc leaves
    // the arrangement as it was.
    void present()
    {
        QVERIFY(!form->Present->isEnabled());
        loadAndShow(kExamples + "/roster6.csv");
        const std::vector<std::pair<int, int>> desks{{0, 0}, {4, 0}, {2, 3}, {1, 6}, {3, 5}};
        seat(desks);
        const auto before = seatedDesks(*state);
        const int steps = form->undoStack->count();
        const bool changed = form->arrangementChanged();
        QVERIFY(ui()->RadioButton2->isChecked()); // ルビ付き: readings over the names

        std::set<std::vector<std::pair<int, int>>> orders;
        for (int round = 0; round < 6; ++round) {
            activate();
            key(Qt::Key_P, Qt::AltModifier);
            PresentWindow* shown = form->findChild<PresentWindow*>();
            QVERIFY(shown);
            QVERIFY(QTest::qWaitForWindowExposed(shown));
            QVERIFY(shown->isFullScreen());
            if (round == 0) {
                // As on the chart's second page: the front row (the placement page's bottom
                // row, by the teacher's desk) at the top, the placement page's left column at the right.
                const QRectF front = shown->deskRect(0, 6), back = shown->deskRect(4, 0);
                QVERIFY(front.left() > shown->width() / 2 && front.bottom() < shown->height() / 2);
                QVERIFY(back.right() < shown->width() / 2 && back.top() > shown->height() / 2);
            }
            const QList<QPoint> order = shown->order();
            std::vector<std::pair<int, int>> drawn;
            for (const QPoint& d : order)
                drawn.emplace_back(d.x(), d.y());
            orders.insert(drawn);
            QCOMPARE(drawn.size(), desks.size()); // each desk once
            QVERIFY(std::is_permutation(drawn.begin(), drawn.end(), desks.begin(), desks.end()));

            QCOMPARE(shown->uncovered(), 0);
            QTest::keyClick(shown, Qt::Key_Space);
            QTest::keyClick(shown, Qt::Key_Right);
            QTest::keyClick(shown, Qt::Key_Space);
            QCOMPARE(shown->uncovered(), 3);
            QTest::keyClick(shown, Qt::Key_Left);
            QCOMPARE(shown->uncovered(), 2);
            QTest::mouseClick(shown, Qt::LeftButton);
            QCOMPARE(shown->uncovered(), 3);
            QCOMPARE(shown->order(), order); // going back and on does not draw again
            QTest::keyClick(shown, Qt::Key_Return);
            QCOMPARE(shown->uncovered(), 5);
            QTest::keyClick(shown, Qt::Key_Space);
            QCOMPARE(shown->uncovered(), 5);
            QTest::qWait(500); // the animation to its end, painted
            QVERIFY(!shown->grab().isNull());

            QPointer<PresentWindow> gone(shown);
            QTest::keyClick(shown, Qt::Key_Escape);
            QVERIFY(QTest::qWaitFor([&] { return gone.isNull(); }));
            QCOMPARE(seatedDesks(*state), before);
            QCOMPARE(form->undoStack->count(), steps);
        }
        QVERIFY(orders.size() > 1); // 6 draws of 120 orders: all alike by chance once in 10^10
        QCOMPARE(form->arrangementChanged(), changed);
    }

    // Desks seated while 発表 shows (the main window is on the other screen) are
    // uncovered in their turn; the desks uncovered before stay uncovered.
    void presentFollowsTheDesks()
    {
        loadAndShow(kExamples + "/roster6.csv");
        seat({{0, 0}, {4, 0}, {2, 3}});
        activate();
        key(Qt::Key_P, Qt::AltModifier);
        QPointer<PresentWindow> shown = form->findChild<PresentWindow*>();
        QVERIFY(shown);
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        QTest::keyClick(shown, Qt::Key_Space);
        QTest::keyClick(shown, Qt::Key_Space);
        const QList<QPoint> uncovered = shown->order().mid(0, 2);

        seat({{0, 1}});
        QVERIFY(QTest::qWaitFor([&] { return shown->order().size() == 4; }));
        QVERIFY(shown->order().contains(QPoint(0, 1)));
        QCOMPARE(shown->order().mid(0, 2), uncovered);
        QCOMPARE(shown->uncovered(), 2);
        QTest::keyClick(shown, Qt::Key_Return);
        QCOMPARE(shown->uncovered(), 4);
        QTest::keyClick(shown, Qt::Key_Escape);
    }
};

QTEST_MAIN(DesktopTest)
#include "tst_desktop.moc"
