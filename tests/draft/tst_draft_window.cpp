// The seat change on the real window: 席替え opened with Alt+K, 決定 with Enter,
// then the chart written through 座席表出力 carries every drafted name at its desk;
// a long draw stopped by 中止, Esc, closing or the time limit, which changes
// nothing; the marks following their students from one roster to the next; the
// conditions of the dialog's pages (座席範囲, 近づける, 班, the year) set with the
// mouse and keys.
#include "app/draft/DraftDialog.h"
#include "arrangement/History.h"
#include "common/Files.h"
#include "common/RosterFiles.h"
#include "common/Sjis.h"
#include "common/WindowTest.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUndoStack>

#include <atomic>
#include <map>
#include <memory>
#include <numeric>
#include <set>

using namespace kelmora;
using testing::modals;
using testing::Step;

namespace {

// Every student on the desk of their number: what a draw that found an
// arrangement hands back.
Draft foundArrangement(const DraftProblem& problem)
{
    Draft found;
    found.desks.resize(problem.students.size());
    std::iota(found.desks.begin(), found.desks.end(), 0);
    return found;
}

// A draw that never finds an arrangement on its own: it searches until it is
// stopped or out of time. Stopped, it takes a moment longer (so that a dialog
// that did not wait for it would be seen gone first), then hands back a whole
// arrangement all the same, as a solver finishing at that very moment would:
// the dialog must not use it.
struct EndlessDraw {
    std::shared_ptr<std::atomic<int>> stopped = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> timedOut = std::make_shared<std::atomic<int>>(0);

    Draft operator()(const DraftProblem& problem, std::uint64_t, const DraftLimits& limits) const
    {
        while (!limits.reached())
            QThread::msleep(2);
        if (limits.stop != nullptr && limits.stop->load()) {
            QThread::msleep(100);
            ++*stopped;
            return foundArrangement(problem);
        }
        ++*timedOut;
        return {{}, testing::sj("離す組が大きく、前方の席も少ないため"), DraftOutcome::OutOfTime};
    }
};

// Everything on the desks, in the queue and in the list.
std::vector<std::string> placement(const ProgramState& s)
{
    std::vector<std::string> all;
    for (int c = 0; c < 12; ++c)
        for (int r = 0; r < 12; ++r)
            all.push_back(std::to_string(s.seatTable.entry(c, r)) + s.seatTable.text(c, r));
    for (const std::string& name : s.cutQueue.names())
        all.push_back(name);
    for (int r = 0; r < s.studentList.rowCount(); ++r)
        all.push_back(s.studentList.cell(1, r));
    return all;
}

QPushButton* buttonOf(QWidget* dialog, const QString& text)
{
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

// A click on a check box of the student table, where the view draws it.
void clickCheck(QTableView* view, int row, int column)
{
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(index);
    option.features = QStyleOptionViewItem::HasCheckIndicator;
    const QRect box = view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
}

void clickCell(QTableView* view, int row, int column, Qt::KeyboardModifiers mods = {})
{
    const QModelIndex index = view->model()->index(row, column);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, view->visualRect(index).center());
}

// A roster line of made-up student `who` under attendance number `number`.
QByteArray line(int number, int who)
{
    const testing::Student s = testing::student(who);
    return testing::sjBytes(QStringLiteral("$,%1,%2　%3,%2,%3,%4,%5\r\n")
                                .arg(number)
                                .arg(s.family, s.given, s.familyReading, s.givenReading));
}

void showTab(DraftDialog* dialog, const QString& title)
{
    QTabBar* bar = dialog->Tabs->tabBar();
    for (int i = 0; i < bar->count(); ++i)
        if (bar->tabText(i) == title)
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
    QCOMPARE(dialog->Tabs->tabText(dialog->Tabs->currentIndex()), title);
}

// The middle of desk (column, row) on the dialog's room.
QPoint desk(const DraftDialog* dialog, int column, int row)
{
    return dialog->DeskGrid->visualRect(dialog->DeskGrid->model()->index(row, column)).center();
}

// A number typed into a spin box over what it held.
void typeInto(QWidget* spin, const QString& number)
{
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, number);
    QTest::keyClick(spin, Qt::Key_Tab);
}

// Focus reaches `target` by Tab from the widget before it, as a teacher's would.
void tabInto(QWidget* target)
{
    QWidget* before = target->previousInFocusChain();
    while (!(before->focusPolicy() & Qt::TabFocus) || !before->isVisible() || !before->isEnabled())
        before = before->previousInFocusChain();
    before->setFocus();
    QTest::keyClick(before, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), target);
}

QString fullName(int who)
{
    const testing::Student s = testing::student(who);
    return s.family + QStringLiteral("　") + s.given;
}

} // namespace

class DraftWindowTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

    // The example class of 40, shown, in a room of 7 x 6.
    void fortyOnSevenBySix()
    {
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv"));
        ui()->DLoad->trigger();
        ui()->UpDown1->setPosition(7);
        ui()->UpDown2->setPosition(6);
    }

private slots:
    void draftFromTheMenuLandsInTheChart()
    {
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv"));
        QVERIFY(!ui()->Draft->isEnabled());
        ui()->DLoad->trigger();
        QVERIFY(ui()->Draft->isEnabled());
        ui()->UpDown1->setPosition(7);
        ui()->UpDown2->setPosition(6);
        ui()->PageControl1->setCurrentIndex(1);
        ui()->RadioButton1->setChecked(true); // the plain chart: one name per cell
        FitToRoster(state->draftConditions, state->roster);
        state->draftConditions.marks[0].front = true; // 青木　健太 in the row by the teacher
        state->draftConditions.frontRows = 1;

        bool opened = false;
        modals().expect(Step::any<DraftDialog>([&opened](DraftDialog* dialog) {
            opened = true;
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
            QTRY_VERIFY(!dialog->searching());
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(opened);

        // 40 students on 42 desks: two left empty in the back row, at the left.
        QCOMPARE(state->seatTable.entry(0, 0), 0);
        QCOMPARE(state->seatTable.entry(1, 0), 0);
        std::set<int> seated;
        for (int c = 0; c < 7; ++c)
            for (int r = 0; r < 6; ++r)
                if (const int p = state->seatTable.entry(c, r)) {
                    seated.insert(p);
                    QCOMPARE(ui()->StringGrid2->cell(c, r).isEmpty(), false);
                    if (p == 1)
                        QCOMPARE(r, 5);
                }
        QCOMPARE(seated.size(), std::size_t(40));
        QCOMPARE(ui()->StringGrid3->cell(1, 1), QString()); // placed names are cut from the list

        // Eight for the front row of seven: said in the dialog, and the desks stay.
        for (std::size_t i = 0; i < 8; ++i)
            state->draftConditions.marks[i].front = true;
        std::vector<int> before;
        for (int d = 0; d < 42; ++d)
            before.push_back(state->seatTable.entry(d % 7, d / 7));
        QString said;
        modals().expect(Step::any<DraftDialog>([&said](DraftDialog* dialog) {
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
            QTRY_VERIFY(!dialog->searching()); // the draw runs on its own thread
            said = dialog->isVisible() ? dialog->Reason->text() : QStringLiteral("closed");
            dialog->reject();
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(!said.isEmpty());
        QCOMPARE(said, QStringLiteral("前方1行に8人は入りません(席は7)"));
        for (int d = 0; d < 42; ++d)
            QCOMPARE(state->seatTable.entry(d % 7, d / 7), before[static_cast<std::size_t>(d)]);

        const QString chart = dir.filePath("draft.tex");
        output(chart);
        const QStringList lines = testing::fromSj(testing::readBytes(chart)).split(QStringLiteral("\r\n"));
        const qsizetype table = lines.indexOf(QStringLiteral("\\begin{tabular}{|c|c|c|c|c|c|c|}\\hline"));
        QVERIFY(table > 0);
        for (int r = 0; r < 6; ++r) {
            QString row = lines[table + 1 + r];
            QVERIFY(row.endsWith(QStringLiteral("\\\\ \\hline")));
            row.chop(9);
            const QStringList cells = row.split(QLatin1Char('&'));
            QCOMPARE(cells.size(), 7);
            for (int c = 0; c < 7; ++c) {
                const Seito* s = state->roster.record(state->seatTable.entry(c, r));
                QCOMPARE(cells[c], s ? QStringLiteral("\\Bf ") + testing::fromSj(s->FullName) : QString());
            }
        }

        // Another load greys the command until the list is shown again.
        load(QString());
        QVERIFY(!ui()->Draft->isEnabled());
    }

    // 中止, Esc and closing each stop a draw that runs long, and the desks stay as
    // they were; meanwhile the window paints and the teacher's desk blinks.
    void aLongDrawStopsAndChangesNothing()
    {
        fortyOnSevenBySix();
        ui()->PageControl1->setCurrentIndex(1);
        activate();
        click(ui()->StringGrid2, 0, 0);
        click(ui()->StringGrid3, 1, 1); // 青木 on the first desk
        click(ui()->StringGrid2, 0, 0);
        click(ui()->StringGrid3, 1, 2, Qt::ControlModifier); // one waiting: the desk blinks
        QCOMPARE(state->cutQueue.size(), std::size_t(1));
        const std::vector<std::string> before = placement(*state);
        const int undoable = form->undoStack->count();

        const EndlessDraw draw;
        bool done = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            dialog->drawFunction = draw;
            // 引く, then 中止 once the dialog shows it is searching.
            QTest::mouseClick(dialog->DrawButton, Qt::LeftButton);
            QVERIFY(dialog->searching());
            QTRY_VERIFY(dialog->StopButton->isVisible());
            QVERIFY(dialog->Busy->isVisible());
            QCOMPARE(dialog->Searching->text(), QStringLiteral("探しています…"));
            QVERIFY(dialog->Searching->isVisible());
            QVERIFY(!dialog->DrawButton->isEnabled());
            QVERIFY(!dialog->DecideButton->isEnabled());
            QVERIFY(!dialog->StudentGrid->isEnabled());
            QVERIFY(!dialog->DeskGrid->isEnabled());
            std::set<QRgb> colours;
            for (int i = 0; i < 40 && colours.size() < 2; ++i) {
                colours.insert(ui()->Panel9->palette().color(QPalette::Window).rgb());
                QTest::qWait(50);
            }
            QCOMPARE(colours.size(), std::size_t(2));
            QTest::mouseClick(dialog->StopButton, Qt::LeftButton);
            QVERIFY(!dialog->searching()); // at once: the dialog does not wait for the thread
            QTRY_COMPARE(*draw.stopped, 1);
            QCOMPARE(dialog->Reason->text(), QStringLiteral("中止しました。席は変わっていません。"));
            QVERIFY(!dialog->StopButton->isVisible());
            QVERIFY(dialog->DecideButton->isEnabled());

            // 決定 by Enter, then Esc: the search stops, the dialog stays.
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
            QVERIFY(dialog->searching());
            QTRY_VERIFY(dialog->StopButton->isVisible());
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
            QVERIFY(!dialog->searching());
            QTRY_COMPARE(*draw.stopped, 2);
            QVERIFY(dialog->isVisible());

            // A condition changed at once drops the draw under the old ones.
            QTest::mouseClick(dialog->DrawButton, Qt::LeftButton);
            QTest::mouseClick(dialog->EveryoneMoves, Qt::LeftButton);
            QVERIFY(!dialog->searching());
            QTRY_COMPARE(*draw.stopped, 3);
            QCOMPARE(dialog->Reason->text(), QString());
            QCOMPARE(dialog->DeskCaption->text(), QStringLiteral("今の席(クリックで空席にする／戻す)"));

            // Closing in the middle of a draw.
            QTest::mouseClick(dialog->DecideButton, Qt::LeftButton);
            QTRY_VERIFY(dialog->StopButton->isVisible());
            QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
            QVERIFY(!dialog->isVisible());
            done = true;
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(done);
        QCOMPARE(*draw.stopped, 4); // the closed dialog stopped its thread and waited for it
        QVERIFY(placement(*state) == before);
        QCOMPARE(form->undoStack->count(), undoable);
    }

    // The time limit ends a draw honestly: nothing found in time, nothing ruled
    // out, what makes it hard; the desks stay.
    void theTimeLimitSaysSoAndChangesNothing()
    {
        fortyOnSevenBySix();
        const std::vector<std::string> before = placement(*state);

        const EndlessDraw draw;
        QString said;
        bool stillOpen = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            dialog->drawFunction = draw;
            dialog->timeLimit = std::chrono::milliseconds(300);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
            QTRY_VERIFY(!dialog->searching());
            said = dialog->Reason->text();
            stillOpen = dialog->isVisible();
            dialog->reject();
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(!said.isEmpty());
        QVERIFY(stillOpen);
        QCOMPARE(*draw.timedOut, 1);
        QCOMPARE(said,
                 QStringLiteral("0.3秒探しましたが、条件に合う並びは見つかりませんでした。"
                                "並べられないと決まったわけではありません。もう一度探すか、条件を減らしてください。\n"
                                "離す組が大きく、前方の席も少ないため"));
        QVERIFY(placement(*state) == before);
    }

    // A draw that keeps to neither 中止 nor the time limit does not hold the
    // dialog: it is let go when the limit has passed and when the dialog closes,
    // and the arrangement it finds at last is not used.
    void aDrawThatOverrunsIsLetGo()
    {
        fortyOnSevenBySix();
        const std::vector<std::string> before = placement(*state);
        const int undoable = form->undoStack->count();

        const auto ended = std::make_shared<std::atomic<int>>(0);
        const auto stubborn = [ended](const DraftProblem& problem, std::uint64_t, const DraftLimits&) {
            QThread::msleep(2500);
            ++*ended;
            return foundArrangement(problem);
        };
        bool done = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            dialog->drawFunction = stubborn;
            dialog->timeLimit = std::chrono::milliseconds(100);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
            QTRY_VERIFY(!dialog->searching());
            QVERIFY(dialog->Reason->text().startsWith(QStringLiteral("0.1秒探しましたが")));
            QCOMPARE(*ended, 0);
            QTest::mouseClick(dialog->DrawButton, Qt::LeftButton);
            QTRY_VERIFY(dialog->StopButton->isVisible());
            QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
            done = true;
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(done);
        QCOMPARE(*ended, 0); // closed without waiting for either
        QTRY_COMPARE_WITH_TIMEOUT(*ended, 2, 10000);
        QCoreApplication::processEvents();
        QVERIFY(placement(*state) == before);
        QCOMPARE(form->undoStack->count(), undoable);
    }

    // Marks made in the dialog stay with their students when the class's roster
    // is loaded again with a transfer student, are named when a student leaves,
    // and are not handed to another class, not even by saving.
    // Every new condition set with the mouse and keys, on the class of forty
    // with three charts in its history.
    void theNewConditionsByMouseAndKeys()
    {
        fortyOnSevenBySix();
        ui()->PageControl1->setCurrentIndex(1); // the placement page, 7 x 6
        for (int month : {4, 5, 6})
            AddHistoryEntry(state->history,
                            RecordHistoryEntry(QDate(2026, month, 8), state->seatTable, 7, 6, state->roster));
        const DraftConditions& c = state->draftConditions;
        DraftProblem drawn;
        bool done = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            QTableView* grid = dialog->StudentGrid;
            QTableWidget* room = dialog->DeskGrid;
            QWidget* desks = room->viewport();

            // 座席範囲 by a preset: students 1 and 2 (Shift+Down), 窓側 2 列.
            showTab(dialog, QStringLiteral("座席範囲"));
            QVERIFY(!dialog->RangeButton->isEnabled()); // nobody chosen yet
            clickCell(grid, 0, 1);
            QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
            dialog->RangeKind->setFocus();
            QTest::keyClick(dialog->RangeKind, Qt::Key_Down);
            QTest::keyClick(dialog->RangeKind, Qt::Key_Down);
            QCOMPARE(dialog->RangeKind->currentText(), QStringLiteral("窓側"));
            QCOMPARE(dialog->RangeCount->suffix(), QStringLiteral(" 列"));
            typeInto(dialog->RangeCount, QStringLiteral("2"));
            QTest::mouseClick(dialog->RangeButton, Qt::LeftButton);
            const SeatRange window{SeatRange::Kind::Window, 2, {}};
            QCOMPARE(c.marks[0].range, window);
            QCOMPARE(c.marks[1].range, window);
            QCOMPARE(c.marks[2].range, SeatRange{});
            QCOMPARE(grid->model()->index(1, 5).data().toString(), QStringLiteral("窓2列"));

            // Desks picked on the room: a block dragged, one desk added and one
            // taken out with Ctrl+click, for student 3. No desk becomes unused.
            const auto unused = c.unusedDesks;
            QTest::mouseClick(dialog->PickDesks, Qt::LeftButton);
            QVERIFY(dialog->PickDesks->isChecked());
            QVERIFY(dialog->DeskCaption->text().startsWith(QStringLiteral("席を選んでいます")));
            QTest::mousePress(desks, Qt::LeftButton, {}, desk(dialog, 1, 1));
            QTest::mouseMove(desks, desk(dialog, 2, 2));
            QTest::mouseMove(desks, desk(dialog, 2, 3));
            QTest::mouseRelease(desks, Qt::LeftButton, {}, desk(dialog, 2, 3));
            QTest::mouseClick(desks, Qt::LeftButton, Qt::ControlModifier, desk(dialog, 6, 0));
            QTest::mouseClick(desks, Qt::LeftButton, Qt::ControlModifier, desk(dialog, 1, 1));
            clickCell(grid, 2, 1);
            QTest::mouseClick(dialog->PickedRangeButton, Qt::LeftButton);
            const std::vector<std::pair<int, int>> picked{{6, 0}, {2, 1}, {1, 2}, {2, 2}, {1, 3}, {2, 3}};
            QCOMPARE(c.marks[2].range, (SeatRange{SeatRange::Kind::Desks, 1, picked}));
            QCOMPARE(grid->model()->index(2, 5).data().toString(), QStringLiteral("席6"));
            QCOMPARE(c.unusedDesks, unused);
            // Back to marking desks unused, as a click always did.
            QTest::mouseClick(dialog->PickDesks, Qt::LeftButton);
            QTest::mouseClick(desks, Qt::LeftButton, {}, desk(dialog, 3, 0));
            QCOMPARE(c.unusedDesks.size(), unused.size() + 1);
            QCOMPARE(c.unusedDesks.back(), (std::pair{3, 0}));
            QTest::mouseClick(desks, Qt::LeftButton, {}, desk(dialog, 3, 0));
            QCOMPARE(c.unusedDesks, unused);
            // 範囲を外す for student 2 alone.
            clickCell(grid, 1, 1);
            QTest::mouseClick(dialog->ClearRangeButton, Qt::LeftButton);
            QCOMPARE(c.marks[1].range, SeatRange{});
            QCOMPARE(c.marks[0].range, window);

            // 近づける: students 5, 6 and 7 近く; taken off again, then 4 and 5 隣.
            showTab(dialog, QStringLiteral("離す・近づける"));
            clickCell(grid, 4, 1);
            clickCell(grid, 5, 1, Qt::ControlModifier);
            clickCell(grid, 6, 1, Qt::ControlModifier);
            QTest::mouseClick(dialog->NearAround, Qt::LeftButton);
            QTest::mouseClick(dialog->TogetherButton, Qt::LeftButton);
            QCOMPARE(c.togetherGroups, (std::vector<TogetherMarks>{{{5, 6, 7}, Closeness::Around}}));
            const auto name = [grid](int row) { return grid->model()->index(row, 1).data().toString(); };
            const QStringList members{name(4), name(5), name(6)};
            QCOMPARE(dialog->TogetherList->item(0)->text(), QStringLiteral("近く:") + members.join(u'、'));
            QTest::mouseClick(dialog->TogetherList->viewport(), Qt::LeftButton, {},
                              dialog->TogetherList->visualItemRect(dialog->TogetherList->item(0)).center());
            QTest::mouseClick(dialog->RemoveTogetherButton, Qt::LeftButton);
            QVERIFY(c.togetherGroups.empty());
            QCOMPARE(dialog->TogetherList->count(), 0);
            clickCell(grid, 3, 1);
            QVERIFY(!dialog->TogetherButton->isEnabled()); // one student is no group
            QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
            QTest::mouseClick(dialog->NearBeside, Qt::LeftButton);
            QTest::mouseClick(dialog->TogetherButton, Qt::LeftButton);
            QCOMPARE(c.togetherGroups, (std::vector<TogetherMarks>{{{4, 5}, Closeness::Beside}}));

            // 班: nothing that needs them works before the room is cut into 班.
            showTab(dialog, QStringLiteral("班"));
            QVERIFY(!dialog->MixGroups->isEnabled());
            QVERIFY(!dialog->SeparateButton->isEnabled());
            QVERIFY(!(grid->model()->flags(grid->model()->index(7, 6)) & Qt::ItemIsEnabled));
            QTest::mouseClick(dialog->Grouped, Qt::LeftButton);
            typeInto(dialog->GroupWidth, QStringLiteral("3"));
            QCOMPARE(c.groups, (GroupShape{3, 2}));
            QVERIFY(dialog->MixGroups->isEnabled());
            QTest::mouseClick(dialog->MixGroups, Qt::LeftButton);
            QVERIFY(c.mixGroups);
            clickCheck(grid, 7, 6); // 班長: student 8
            clickCheck(grid, 9, 6);
            QVERIFY(c.marks[7].leader && c.marks[9].leader && !c.marks[8].leader);
            clickCell(grid, 10, 1);
            clickCell(grid, 12, 1, Qt::ControlModifier);
            QTest::mouseClick(dialog->SeparateButton, Qt::LeftButton);
            QCOMPARE(c.separateGroups, (std::vector<std::vector<int>>{{11, 13}}));
            QCOMPARE(dialog->SeparateList->count(), 1);
            // The 班 of 3 × 2 drawn thick: between columns 2 and 3, not 0 and 1;
            // between rows 3 and 4 (two rows from the teacher's desk), not 4 and 5.
            const QImage shot = desks->grab().toImage();
            const auto dark = [&shot](QPoint p) { return qGray(shot.pixel(p)) < 64; };
            const QRect d22 = room->visualRect(room->model()->index(2, 2));
            const QRect d20 = room->visualRect(room->model()->index(2, 0));
            const QRect d30 = room->visualRect(room->model()->index(3, 0));
            const QRect d40 = room->visualRect(room->model()->index(4, 0));
            QVERIFY(dark({d22.right(), d22.center().y()}));
            QVERIFY(!dark({d20.right(), d20.center().y()}));
            QVERIFY(dark({d30.center().x(), d30.bottom()}));
            QVERIFY(!dark({d40.center().x(), d40.bottom()}));

            // The year, over the three charts.
            showTab(dialog, QStringLiteral("一年"));
            QVERIFY(dialog->PastNeighbours->isEnabled());
            QTest::mouseClick(dialog->PastNeighbours, Qt::LeftButton);
            QCOMPARE(c.pastNeighbours, kWholeHistory);
            dialog->PastNeighboursScope->setFocus();
            QTest::keyClick(dialog->PastNeighboursScope, Qt::Key_Up);
            QCOMPARE(dialog->PastNeighboursScope->currentText(), QStringLiteral("直近3回"));
            QCOMPARE(c.pastNeighbours, 3);
            QTest::mouseClick(dialog->PastDesks, Qt::LeftButton);
            QCOMPARE(c.pastDesks, 1);
            QTest::mouseClick(dialog->SwapHalves, Qt::LeftButton);
            QVERIFY(c.swapHalves);

            // A draw gets the problem of these conditions and of the history.
            dialog->drawFunction = [&drawn](const DraftProblem& problem, std::uint64_t, const DraftLimits&) {
                drawn = problem;
                return foundArrangement(problem);
            };
            QTest::mouseClick(dialog->DrawButton, Qt::LeftButton);
            QTRY_VERIFY(!dialog->searching());
            // Any condition changed drops the draw on view.
            QCOMPARE(dialog->DeskCaption->text(), QStringLiteral("引いた席(「決定」で座席表に入ります)"));
            QTest::mouseClick(dialog->SwapHalves, Qt::LeftButton);
            QVERIFY(!c.swapHalves);
            QCOMPARE(dialog->DeskCaption->text(), QStringLiteral("今の席(クリックで空席にする／戻す)"));
            QTest::mouseClick(dialog->SwapHalves, Qt::LeftButton);
            QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
            done = true;
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(done);
        const DraftProblem expected = MakeDraftProblem(c, state->roster, state->seatTable, 7, 6,
                                                       PastSeatings(MatchHistory(state->history, state->roster)));
        QCOMPARE(drawn.ranges, expected.ranges);
        QCOMPARE(drawn.together, expected.together);
        QCOMPARE(drawn.groupOfDesk, expected.groupOfDesk);
        QCOMPARE(drawn.separateGroups, expected.separateGroups);
        QCOMPARE(drawn.onePerGroup, expected.onePerGroup);
        QCOMPARE(drawn.mixGroups, expected.mixGroups);
        QCOMPARE(drawn.pastNeighbours, expected.pastNeighbours);
        QCOMPARE(drawn.pastDesks, expected.pastDesks);
        QCOMPARE(drawn.swapHalves, expected.swapHalves);
    }

    // The pages on a teacher's keys and mouse: Enter in a box of a page keeps
    // the class as it is (by the preset it gives the range); a group list reached
    // by Tab removes nothing until a group is chosen, then only that one; a long
    // group reads in full as its tooltip; the year's look-backs follow their
    // check boxes; leaving 座席範囲 ends picking desks.
    void thePagesKeepToTheirOwnBoxes()
    {
        fortyOnSevenBySix();
        ui()->PageControl1->setCurrentIndex(1);
        for (int month : {4, 5, 6})
            AddHistoryEntry(state->history,
                            RecordHistoryEntry(QDate(2026, month, 8), state->seatTable, 7, 6, state->roster));
        const DraftConditions& c = state->draftConditions;
        auto draws = std::make_shared<std::atomic<int>>(0);
        bool done = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            dialog->drawFunction = [draws](const DraftProblem& problem, std::uint64_t, const DraftLimits&) {
                ++*draws;
                return foundArrangement(problem);
            };
            QTableView* grid = dialog->StudentGrid;
            QWidget* desks = dialog->DeskGrid->viewport();
            const auto enterIn = [](QWidget* box) {
                box->setFocus();
                QTest::keyClick(box, Qt::Key_Return);
            };
            const auto stillOpen = [dialog] { return dialog->isVisible() && !dialog->searching(); };

            showTab(dialog, QStringLiteral("座席範囲"));
            clickCell(grid, 0, 1);
            dialog->RangeCount->setFocus();
            QTest::keyClick(dialog->RangeCount, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->RangeCount, QStringLiteral("3"));
            QTest::keyClick(dialog->RangeCount, Qt::Key_Return);
            QVERIFY(stillOpen());
            QCOMPARE(c.marks[0].range, (SeatRange{SeatRange::Kind::Front, 3, {}}));
            dialog->RangeKind->setFocus();
            QTest::keyClick(dialog->RangeKind, Qt::Key_Down);
            QTest::keyClick(dialog->RangeKind, Qt::Key_Return);
            QVERIFY(stillOpen());
            QCOMPARE(c.marks[0].range, (SeatRange{SeatRange::Kind::Back, 3, {}}));

            // A desk picked, then another page: the click there marks the desk unused.
            auto unused = c.unusedDesks;
            unused.emplace_back(3, 0);
            QTest::mouseClick(dialog->PickDesks, Qt::LeftButton);
            QTest::mouseClick(desks, Qt::LeftButton, {}, desk(dialog, 4, 2));
            showTab(dialog, QStringLiteral("離す・近づける"));
            QVERIFY(!dialog->PickDesks->isChecked());
            QVERIFY(dialog->DeskGrid->selectedItems().isEmpty());
            QTest::mouseClick(desks, Qt::LeftButton, {}, desk(dialog, 3, 0));
            QCOMPARE(c.unusedDesks, unused);

            // Two groups to keep apart, the second of ten students.
            QPushButton* addApart = buttonOf(dialog, QStringLiteral("選んだ生徒を離す"));
            clickCell(grid, 1, 1);
            QVERIFY(!addApart->isEnabled()); // one student is no group
            clickCell(grid, 2, 1, Qt::ControlModifier);
            QTest::mouseClick(addApart, Qt::LeftButton);
            clickCell(grid, 10, 1);
            clickCell(grid, 19, 1, Qt::ShiftModifier);
            QTest::mouseClick(addApart, Qt::LeftButton);
            QCOMPARE(c.apartGroups.size(), std::size_t(2));
            QListWidget* list = dialog->ApartList;
            QVERIFY(!dialog->RemoveApartButton->isEnabled());
            tabInto(list);
            QTest::mouseClick(dialog->RemoveApartButton, Qt::LeftButton);
            QCOMPARE(c.apartGroups.size(), std::size_t(2));
            QListWidgetItem* ten = list->item(1);
            QVERIFY(list->fontMetrics().horizontalAdvance(ten->text()) > list->viewport()->width());
            QCOMPARE(ten->toolTip(), ten->text());
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(ten).center());
            QVERIFY(dialog->RemoveApartButton->isEnabled());
            QTest::mouseClick(dialog->RemoveApartButton, Qt::LeftButton);
            QCOMPARE(c.apartGroups, (std::vector<std::vector<int>>{{2, 3}}));
            QVERIFY(!dialog->RemoveApartButton->isEnabled());
            QTest::mouseClick(dialog->TogetherButton, Qt::LeftButton);
            QCOMPARE(dialog->TogetherList->item(0)->toolTip(), dialog->TogetherList->item(0)->text());
            QVERIFY(!dialog->RemoveTogetherButton->isEnabled());

            showTab(dialog, QStringLiteral("基本"));
            enterIn(dialog->FrontRows);
            QVERIFY(stillOpen());

            showTab(dialog, QStringLiteral("班"));
            QTest::mouseClick(dialog->Grouped, Qt::LeftButton);
            dialog->GroupWidth->setFocus();
            QTest::keyClick(dialog->GroupWidth, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->GroupWidth, QStringLiteral("3"));
            QTest::keyClick(dialog->GroupWidth, Qt::Key_Return);
            QVERIFY(stillOpen());
            QCOMPARE(c.groups, (GroupShape{3, 2}));
            enterIn(dialog->GroupHeight);
            QVERIFY(stillOpen());

            showTab(dialog, QStringLiteral("一年"));
            for (auto [box, scope] : {std::pair{dialog->PastNeighbours, dialog->PastNeighboursScope},
                                      std::pair{dialog->PastDesks, dialog->PastDesksScope}}) {
                QVERIFY(!scope->isEnabled());
                QTest::mouseClick(box, Qt::LeftButton);
                QVERIFY(scope->isEnabled());
                enterIn(scope);
                QVERIFY(stillOpen());
            }
            QTest::mouseClick(dialog->PastDesks, Qt::LeftButton);
            QVERIFY(!dialog->PastDesksScope->isEnabled());
            QCOMPARE(dialog->DeskCaption->text(), QStringLiteral("今の席(クリックで空席にする／戻す)"));
            QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
            done = true;
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(done);
        QCOMPARE(draws->load(), 0);
    }

    // Without a history the year's conditions cannot be set, and the dialog says why.
    void theYearNeedsAHistory()
    {
        fortyOnSevenBySix();
        bool done = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            showTab(dialog, QStringLiteral("一年"));
            for (QWidget* w :
                 std::initializer_list<QWidget*>{dialog->PastNeighbours, dialog->PastNeighboursScope, dialog->PastDesks,
                                                 dialog->PastDesksScope, dialog->SwapHalves})
                QVERIFY(!w->isEnabled());
            QVERIFY(dialog->YearNote->text().startsWith(QStringLiteral("座席の履歴がまだありません")));
            QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
            done = true;
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(done);
    }

    // A range picked on the room shows there while its student is the current
    // one, and reaches the draw: student 1 on desk (4, 2) alone.
    void aPickedRangeReachesTheDraw()
    {
        fortyOnSevenBySix();
        ui()->PageControl1->setCurrentIndex(1);
        std::vector<std::vector<int>> ranges;
        bool done = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            QWidget* desks = dialog->DeskGrid->viewport();
            const QColor plain = dialog->DeskGrid->item(2, 4)->background().color();
            clickCell(dialog->StudentGrid, 0, 1);
            showTab(dialog, QStringLiteral("座席範囲"));
            QTest::mouseClick(dialog->PickDesks, Qt::LeftButton);
            QTest::mouseClick(desks, Qt::LeftButton, {}, desk(dialog, 4, 2));
            QTest::mouseClick(dialog->PickedRangeButton, Qt::LeftButton);
            QVERIFY(dialog->DeskGrid->item(2, 4)->background().color() != plain);
            QCOMPARE(dialog->DeskGrid->item(2, 3)->background().color(), plain);
            clickCell(dialog->StudentGrid, 1, 1); // another student: no tint
            QCOMPARE(dialog->DeskGrid->item(2, 4)->background().color(), plain);

            dialog->drawFunction = [&ranges](const DraftProblem& problem, std::uint64_t, const DraftLimits&) {
                ranges = problem.ranges;
                return foundArrangement(problem);
            };
            QTest::mouseClick(dialog->DrawButton, Qt::LeftButton);
            QTRY_VERIFY(!dialog->searching());
            QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
            done = true;
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(done);
        QVERIFY(!ranges.empty());
        QCOMPARE(ranges[0], std::vector<int>{2 * 7 + 4});
    }

    // End to end with the real draw: student 1 may sit only on the four desks
    // dragged out at the front right, student 2 beside them; 決定 seats both so.
    void aPickedRangeAndAPairAreKeptByDecide()
    {
        fortyOnSevenBySix();
        ui()->PageControl1->setCurrentIndex(1);
        bool done = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            QWidget* desks = dialog->DeskGrid->viewport();
            clickCell(dialog->StudentGrid, 0, 1);
            showTab(dialog, QStringLiteral("座席範囲"));
            QTest::mouseClick(dialog->PickDesks, Qt::LeftButton);
            QTest::mousePress(desks, Qt::LeftButton, {}, desk(dialog, 5, 4));
            QTest::mouseMove(desks, desk(dialog, 6, 5));
            QTest::mouseRelease(desks, Qt::LeftButton, {}, desk(dialog, 6, 5));
            QTest::mouseClick(dialog->PickedRangeButton, Qt::LeftButton);
            QCOMPARE(dialog->StudentGrid->model()->index(0, 5).data().toString(), QStringLiteral("席4"));

            showTab(dialog, QStringLiteral("離す・近づける"));
            clickCell(dialog->StudentGrid, 1, 1, Qt::ControlModifier);
            QTest::mouseClick(dialog->NearBeside, Qt::LeftButton);
            QTest::mouseClick(dialog->TogetherButton, Qt::LeftButton);
            QCOMPARE(dialog->TogetherList->count(), 1);
            QTest::mouseClick(dialog->DecideButton, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), 15000);
            done = true;
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(done);

        std::map<int, std::pair<int, int>> at; // student -> (column, row)
        for (int c = 0; c < 7; ++c)
            for (int r = 0; r < 6; ++r)
                if (const int p = state->seatTable.entry(c, r))
                    at[p] = {c, r};
        QCOMPARE(at.size(), std::size_t(40));
        const auto [c1, r1] = at.at(1);
        const auto [c2, r2] = at.at(2);
        QVERIFY2(c1 >= 5 && r1 >= 4, qPrintable(QStringLiteral("student 1 at %1,%2").arg(c1).arg(r1)));
        QVERIFY2(r2 == r1 && std::abs(c2 - c1) == 1,
                 qPrintable(QStringLiteral("student 2 at %1,%2, student 1 at %3,%4").arg(c2).arg(r2).arg(c1).arg(r1)));
    }

    void marksFollowTheirStudents()
    {
        const QString roster = dir.filePath("1-1.csv");
        QByteArray text = testing::sjBytes(u"% 1年1組\r\n");
        for (int n = 1; n <= 10; ++n)
            text += line(n, n);
        testing::writeBytes(roster, text);
        load(roster);
        ui()->DLoad->trigger();

        bool marked = false;
        modals().expect(Step::any<DraftDialog>([&](DraftDialog* dialog) {
            QTableView* grid = dialog->StudentGrid;
            clickCheck(grid, 2, 2); // 前方: student 3
            clickCell(grid, 3, 3);  // 固定: student 4, by the space bar
            QTest::keyClick(grid, Qt::Key_Space);
            clickCell(grid, 4, 4); // 男女: student 5 is a girl
            QComboBox* sex = nullptr;
            QTRY_VERIFY((sex = grid->findChild<QComboBox*>()) && sex->view()->isVisible());
            QTest::keyClick(sex->view(), Qt::Key_Down);
            QTest::keyClick(sex->view(), Qt::Key_Down);
            QTest::keyClick(sex->view(), Qt::Key_Return);
            QTRY_COMPARE(grid->model()->index(4, 4).data().toString(), QStringLiteral("女"));
            clickCell(grid, 0, 1); // students 1 and 2 apart
            clickCell(grid, 1, 1, Qt::ControlModifier);
            QTest::mouseClick(buttonOf(dialog, QStringLiteral("選んだ生徒を離す")), Qt::LeftButton);
            QCOMPARE(dialog->ApartList->count(), 1);
            marked = true;
            QTest::mouseClick(dialog->CloseButton, Qt::LeftButton);
        }));
        activate();
        key(Qt::Key_K, Qt::AltModifier);
        QTRY_VERIFY(marked);
        const DraftConditions& c = state->draftConditions;
        QVERIFY(c.marks[2].front && c.marks[3].fixed && c.marks[4].sex == Sex::Girl);
        QCOMPARE(c.apartGroups, (std::vector<std::vector<int>>{{1, 2}}));

        // A transfer student joins as number 1: everyone else moves down one.
        text = testing::sjBytes(u"% 1年1組\r\n") + line(1, 40);
        for (int n = 1; n <= 10; ++n)
            text += line(n + 1, n);
        testing::writeBytes(roster, text);
        load(roster);
        QCOMPARE(modalProblems(), QString());
        QVERIFY(c.marks[3].front && c.marks[4].fixed && c.marks[5].sex == Sex::Girl);
        QCOMPARE(std::count(c.marks.begin(), c.marks.end(), StudentMarks{}), 8);
        QCOMPARE(c.apartGroups, (std::vector<std::vector<int>>{{2, 3}}));

        // Student 2 leaves (and with them the group), student 5 too: named once.
        text = testing::sjBytes(u"% 1年1組\r\n") + line(1, 40);
        for (int n : {1, 3, 4, 6, 7, 8, 9, 10})
            text += line(n + 1, n);
        testing::writeBytes(roster, text);
        load(roster, {Step::box(QString(), QStringLiteral("3 ") + fullName(2) + QStringLiteral("\n6 ") + fullName(5))});
        QCOMPARE(modalProblems(), QString());
        QVERIFY(c.marks[2].front && c.marks[3].fixed);
        QCOMPARE(std::count(c.marks.begin(), c.marks.end(), StudentMarks{}), 7);
        QVERIFY(c.apartGroups.empty());

        // 1-2: no student of 1-1. No marks, no word, and Ctrl+S writes none.
        const QString other = dir.filePath("1-2.csv");
        text = testing::sjBytes(u"% 1年2組\r\n");
        for (int n = 1; n <= 10; ++n)
            text += line(n, 50 + n);
        testing::writeBytes(other, text);
        load(other);
        ui()->DLoad->trigger();
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(std::count(c.marks.begin(), c.marks.end(), StudentMarks{}), 10);
        const QString file = dir.filePath("1-2.kelmora");
        modals().expect(Step::file(file));
        activate();
        key(Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(QFile::exists(file));
        const QJsonObject draft =
            QJsonDocument::fromJson(testing::readBytes(file)).object().value(QStringLiteral("draft")).toObject();
        QVERIFY(draft.contains(QStringLiteral("students")));
        QCOMPARE(draft.value(QStringLiteral("students")).toArray().size(), 0);
        QCOMPARE(draft.value(QStringLiteral("apart")).toArray().size(), 0);
    }
};

QTEST_MAIN(DraftWindowTest)
#include "tst_draft_window.moc"
