// The seat change on the real window: 席替え opened with Alt+K, 決定 with Enter,
// then the chart written through 座席表出力 carries every drafted name at its desk;
// a long draw stopped by 中止, Esc, closing or the time limit, which changes
// nothing; the marks following their students from one roster to the next.
#include "app/draft/DraftDialog.h"
#include "common/Files.h"
#include "common/RosterFiles.h"
#include "common/Sjis.h"
#include "common/WindowTest.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUndoStack>

#include <atomic>
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
