// Keeping the work, on the real window: undo and redo of random click sessions,
// seating a class by keyboard, saving and reopening an arrangement, and the
// question before a changed arrangement is closed away.
#include "app/form1/TForm1.h"
#include "common/MainWindow.h"
#include "common/ModalAnswerer.h"
#include "output/ChartWriter.h"
#include "ui_Form1.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <random>

using namespace kelmora;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);

// Everything undo must bring back: every desk of the table, the list, the queue.
struct Placement {
    std::vector<std::pair<std::int32_t, std::string>> desks;
    std::vector<std::string> list;
    std::deque<std::string> names;
    std::deque<std::int32_t> positions;
    bool operator==(const Placement&) const = default;
};

Placement capture(const ProgramState& s)
{
    Placement p;
    for (int c = 0; c < SeatTable::kSize; ++c)
        for (int r = 0; r < SeatTable::kSize; ++r)
            p.desks.emplace_back(s.seatTable.entry(c, r), s.seatTable.text(c, r));
    for (int r = 0; r < s.studentList.rowCount(); ++r) {
        p.list.push_back(s.studentList.cell(0, r));
        p.list.push_back(s.studentList.cell(1, r));
    }
    p.names = s.cutQueue.names();
    p.positions = s.cutQueue.positions();
    return p;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class KeepTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramState> state;
    std::unique_ptr<TForm1> form;
    QTemporaryDir dir;

    Ui::TForm1* ui() { return form->ui.get(); }
    // Keys reach the active window only, as on a desktop; the offscreen platform
    // does not give it back after a dialog.
    void activate()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    // Keys go to the window as the window system sends them: to the focus widget,
    // through the shortcuts.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {})
    {
        QTest::keyClick(form->windowHandle(), k, mods);
        QCoreApplication::processEvents(); // a menu command may run from the event loop
    }
    void click(StringGrid* grid, int col, int row, Qt::KeyboardModifiers mods = {})
    {
        grid->setCurrentCell(col, row); // scrolls the list to the row
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, grid->cellRect(col, row).center());
    }
    void loadAndShow(const QString& roster)
    {
        testing::answerFileDialog(roster);
        ui()->Open->trigger();
        ui()->DLoad->trigger();
        ui()->PageControl1->setCurrentIndex(1);
        activate();
    }
    std::string chart()
    {
        const ChartInput in{state->seatTable, ui()->StringGrid2->colCount(), ui()->StringGrid2->rowCount(),
                            state->roster.table, "T"};
        return WriteRubySeatingChart(in);
    }

private slots:
    void init() { QVERIFY(testing::openMainWindow(state, form)); }
    void cleanup() { testing::closeMainWindow(state, form); }

    void undoingEveryStepGivesTheStartAndRedoingGivesTheEnd_data()
    {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {1u, 2u, 3u, 4u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void undoingEveryStepGivesTheStartAndRedoingGivesTheEnd()
    {
        QFETCH(unsigned, seed);
        loadAndShow(kExamples + "/roster6.csv");
        StringGrid* seats = ui()->StringGrid2;
        StringGrid* list = ui()->StringGrid3;
        // Some names already placed, so that the start is not empty.
        for (int p = 1; p <= 3; ++p) {
            click(list, 1, p, Qt::ControlModifier);
            click(seats, p, 0);
        }
        const Placement start = capture(*state);
        const int startIndex = form->undoStack->index();

        std::mt19937 rng(seed);
        auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        for (int i = 0; i < 60; ++i) {
            switch (pick(10)) {
            case 0:
            case 1:
            case 2: click(list, 1, 1 + pick(40), Qt::ControlModifier); break;
            case 3:
            case 4:
            case 5: click(seats, pick(5), pick(7)); break;
            case 6:
            case 7: click(seats, pick(5), pick(7), Qt::ControlModifier); break;
            case 8: QTest::mouseClick(pick(2) ? ui()->BitBtn1 : ui()->BitBtn2, Qt::LeftButton); break;
            default: ui()->DLoad->trigger(); break;
            }
        }
        const Placement end = capture(*state);
        const int steps = form->undoStack->index() - startIndex;
        QVERIFY(steps > 20);

        seats->setFocus();
        for (int i = 0; i < steps; ++i)
            key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(capture(*state) == start);
        QCOMPARE(list->rowCount(), state->studentList.rowCount());
        for (int i = 0; i < steps; ++i)
            i % 2 ? key(Qt::Key_Y, Qt::ControlModifier) : key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(capture(*state) == end);
        QCOMPARE(list->rowCount(), state->studentList.rowCount());
    }

    void aWholeClassIsSeatedByKeyboard()
    {
        loadAndShow(kExamples + "/roster6.csv");
        ui()->StringGrid3->setFocus();
        // 35 names cut from the list, top down.
        for (int p = 1; p <= 35; ++p) {
            key(Qt::Key_X, Qt::ControlModifier);
            key(Qt::Key_Down);
        }
        QCOMPARE(state->cutQueue.size(), std::size_t(35));
        key(Qt::Key_Tab);
        QVERIFY(ui()->StringGrid2->hasFocus());
        // Row by row, with each of the three keys that paste.
        const Qt::Key paste[] = {Qt::Key_Return, Qt::Key_Space, Qt::Key_V};
        for (int r = 0; r < 7; ++r) {
            key(Qt::Key_Home);
            for (int c = 0; c < 5; ++c) {
                const Qt::Key k = paste[(r * 5 + c) % 3];
                key(k, k == Qt::Key_V ? Qt::ControlModifier : Qt::NoModifier);
                key(Qt::Key_Right);
            }
            key(Qt::Key_Down);
        }
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 5; ++c)
                QCOMPARE(state->seatTable.entry(c, r), r * 5 + c + 1);
        QVERIFY(state->cutQueue.empty());
        // Ctrl+X on a desk cuts it; Tab goes back to the list.
        key(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(state->cutQueue.size(), std::size_t(1));
        key(Qt::Key_Tab);
        QVERIFY(ui()->StringGrid3->hasFocus());
    }

    // Saved, emptied, reopened against the same roster reordered and without one
    // student: the same chart, byte for byte, and the missing student named.
    void anArrangementReopensToTheSameChart()
    {
        const QByteArray roster = readAll(kExamples + "/roster6.csv");
        QList<QByteArray> lines = roster.split('\n');
        QList<QByteArray> students, rest;
        for (const QByteArray& l : lines)
            if (!l.isEmpty())
                (l.startsWith('$') ? students : rest).append(l + '\n');
        std::reverse(students.begin(), students.end());
        const QString reordered = dir.filePath("reordered.csv");
        QFile f(reordered);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write((rest + students).join());
        f.close();

        loadAndShow(kExamples + "/roster6.csv");
        for (int p = 1; p <= 12; ++p) {
            click(ui()->StringGrid3, 1, p, Qt::ControlModifier);
            if (p <= 10)
                click(ui()->StringGrid2, p % 5, p / 5);
        }
        ui()->Edit3->setText(QStringLiteral("二年三組"));
        const std::string before = chart();
        const Placement placed = capture(*state);
        FitToRoster(state->draftConditions, state->roster);
        state->draftConditions.marks[0].sex = Sex::Girl;
        const QString file = dir.filePath("class.kelmora");
        testing::answerFileDialog(file);
        ui()->SaveArrangementAs->trigger();
        QVERIFY(!form->arrangementChanged());
        state->draftConditions.marks[0].sex = Sex::Boy;
        QVERIFY(form->arrangementChanged());

        QTest::mouseClick(ui()->BitBtn1, Qt::LeftButton);
        ui()->Edit3->setText(QStringLiteral("x"));
        QVERIFY(form->arrangementChanged());
        testing::answerFileDialog(file);
        ui()->OpenArrangement->trigger();
        QVERIFY(capture(*state) == placed);
        QCOMPARE(ui()->Edit3->text(), QStringLiteral("二年三組"));
        QCOMPARE(chart(), before);

        loadAndShow(reordered);
        QCOMPARE(state->roster.table[0].Number, std::string("40"));
        testing::answerFileDialog(file);
        ui()->OpenArrangement->trigger();
        QCOMPARE(chart(), before);
        QCOMPARE(state->seatTable.entry(1, 0), 40); // student 1, last in the reversed roster
        QCOMPARE(state->cutQueue.positions(), std::deque<std::int32_t>({30, 29}));
        QCOMPARE(state->draftConditions.marks[39].sex, Sex::Girl);

        // Student 2 left the class.
        students.removeOne(students[students.size() - 2]);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((rest + students).join());
        f.close();
        loadAndShow(reordered);
        testing::BoxSeen box;
        testing::answerMessageBox(&box);
        testing::answerFileDialog(file);
        ui()->OpenArrangement->trigger();
        QVERIFY(box.seen);
        QVERIFY2(box.text.contains(QStringLiteral("新井　美咲")), qPrintable(box.text));
        QCOMPARE(state->seatTable.entry(2, 0), 0);
        QCOMPARE(state->seatTable.entry(1, 0), 39);

        // Opening is one step of undo.
        activate();
        key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(state->seatTable.entry(1, 0), 40);
    }

    // Opened in a new session: the recorded roster is offered and loaded.
    void withoutARosterTheRecordedOneIsOffered()
    {
        loadAndShow(kExamples + "/roster2.csv");
        click(ui()->StringGrid3, 1, 4, Qt::ControlModifier);
        click(ui()->StringGrid2, 2, 2);
        const QString file = dir.filePath("next-term.kelmora");
        testing::answerFileDialog(file);
        ui()->SaveArrangementAs->trigger();
        const Placement placed = capture(*state);

        testing::closeMainWindow(state, form);
        QVERIFY(testing::openMainWindow(state, form));
        testing::BoxSeen offer;
        testing::answerMessageBox(&offer, QMessageBox::Yes);
        testing::answerFileDialog(file);
        ui()->OpenArrangement->trigger();
        QVERIFY2(offer.text.contains(QStringLiteral("roster2.csv")), qPrintable(offer.text));
        QCOMPARE(state->roster.studentCount, 40);
        QVERIFY(capture(*state) == placed);
        QVERIFY(ui()->OutPut->isEnabled());
        QVERIFY(!form->arrangementChanged());
    }

    void aBrokenFileChangesNothing()
    {
        loadAndShow(kExamples + "/roster6.csv");
        click(ui()->StringGrid3, 1, 5, Qt::ControlModifier);
        click(ui()->StringGrid2, 0, 0);
        const Placement placed = capture(*state);
        const QString file = dir.filePath("broken.kelmora");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("{\"format\": \"kelmora-arrangement\", \"version\": 1, \"columns\": 9, \"rows\": 9, \"desks\": [");
        f.close();
        testing::BoxSeen box;
        testing::answerMessageBox(&box);
        testing::answerFileDialog(file);
        ui()->OpenArrangement->trigger();
        QVERIFY(box.seen);
        QVERIFY2(box.text.contains(QStringLiteral("broken.kelmora")) && box.text.contains(QStringLiteral("切れて")),
                 qPrintable(box.text));
        QVERIFY(capture(*state) == placed);
        QCOMPARE(ui()->StringGrid2->colCount(), 5);
    }

    void closingAChangedArrangementAsks()
    {
        loadAndShow(kExamples + "/roster6.csv");
        QVERIFY(!form->arrangementChanged()); // displaying a roster is not yet an arrangement
        click(ui()->StringGrid3, 1, 1, Qt::ControlModifier);
        click(ui()->StringGrid2, 0, 0);
        const Placement placed = capture(*state);

        testing::BoxSeen box;
        testing::answerMessageBox(&box, QMessageBox::Cancel);
        form->close();
        QCOMPARE(box.text, QStringLiteral("座席配置が変更されています。保存しますか?"));
        QVERIFY(form->isVisible());
        QVERIFY(capture(*state) == placed);

        // Undone to where it started: nothing to ask.
        activate();
        key(Qt::Key_Z, Qt::ControlModifier);
        key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!form->arrangementChanged());
        key(Qt::Key_Y, Qt::ControlModifier);
        testing::BoxSeen discard;
        testing::answerMessageBox(&discard, QMessageBox::Discard);
        ui()->Quit->trigger();
        QVERIFY(discard.seen);
        QVERIFY(!form->isVisible());
    }
};

QTEST_MAIN(KeepTest)
#include "tst_keep.moc"
