// Keeping the work, on the real window: undo and redo of random click sessions,
// seating a class by keyboard, saving and reopening an arrangement, and the
// question before a changed arrangement is closed or opened over.
#include "common/Files.h"
#include "common/Placement.h"
#include "common/WindowTest.h"
#include "output/ChartWriter.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <map>
#include <random>

using namespace kelmora;
using testing::capture;
using testing::modals;
using testing::Placement;
using testing::Step;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);
const QString kAsked = QStringLiteral("保存しますか");

} // namespace

class KeepTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

    std::string chart()
    {
        const ChartInput in{state->seatTable, ui()->StringGrid2->colCount(), ui()->StringGrid2->rowCount(),
                            state->roster.table, "T"};
        return WriteRubySeatingChart(in);
    }

private slots:
    void undoingStepByStepGivesEachStateBack_data()
    {
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {1u, 2u, 3u, 4u})
            QTest::addRow("seed %u", seed) << seed;
    }
    // Each undo gives back the state as it was before that step, each redo the
    // state after it: a fault in the middle cannot cancel out at the ends.
    void undoingStepByStepGivesEachStateBack()
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
        const int startIndex = form->undoStack->index();
        std::map<int, Placement> at{{startIndex, capture(*state)}}; // by the undo stack's index

        std::mt19937 rng(seed);
        auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        for (int i = 0; i < 60; ++i) {
            switch (pick(10)) {
            case 0:
            case 1:
            case 2:
                // A name of those the list still holds.
                if (list->rowCount() > 1)
                    click(list, 1, 1 + pick(list->rowCount() - 1), Qt::ControlModifier);
                break;
            case 3:
            case 4:
            case 5: click(seats, pick(5), pick(7)); break;
            case 6:
            case 7: click(seats, pick(5), pick(7), Qt::ControlModifier); break;
            case 8: QTest::mouseClick(pick(2) ? ui()->BitBtn1 : ui()->BitBtn2, Qt::LeftButton); break;
            default: ui()->DLoad->trigger(); break;
            }
            const int index = form->undoStack->index();
            QVERIFY2(index - 1 <= at.rbegin()->first, "one action made more than one step");
            at[index] = capture(*state);
        }
        const int endIndex = form->undoStack->index();
        QVERIFY(endIndex - startIndex > 20);

        seats->setFocus();
        for (int index = endIndex - 1; index >= startIndex; --index) {
            key(Qt::Key_Z, Qt::ControlModifier);
            QVERIFY2(capture(*state) == at.at(index), qPrintable(QStringLiteral("undone to step %1").arg(index)));
            QCOMPARE(list->rowCount(), state->studentList.rowCount());
        }
        for (int index = startIndex + 1; index <= endIndex; ++index) {
            index % 2 ? key(Qt::Key_Y, Qt::ControlModifier) : key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QVERIFY2(capture(*state) == at.at(index), qPrintable(QStringLiteral("redone to step %1").arg(index)));
            QCOMPARE(list->rowCount(), state->studentList.rowCount());
        }
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
        const QByteArray roster = testing::readBytes(kExamples + "/roster6.csv");
        QList<QByteArray> lines = roster.split('\n');
        QList<QByteArray> students, rest;
        for (const QByteArray& l : lines)
            if (!l.isEmpty())
                (l.startsWith('$') ? students : rest).append(l + '\n');
        std::reverse(students.begin(), students.end());
        const QString reordered = testing::writeFile(dir, QStringLiteral("reordered.csv"), (rest + students).join());

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
        modals().expect(Step::file(file));
        ui()->SaveArrangementAs->trigger();
        QVERIFY(!form->arrangementChanged());
        state->draftConditions.marks[0].sex = Sex::Boy;
        QVERIFY(form->arrangementChanged());

        QTest::mouseClick(ui()->BitBtn1, Qt::LeftButton);
        ui()->Edit3->setText(QStringLiteral("x"));
        QVERIFY(form->arrangementChanged());
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Discard), Step::file(file)});
        ui()->OpenArrangement->trigger();
        QVERIFY(capture(*state) == placed);
        QCOMPARE(ui()->Edit3->text(), QStringLiteral("二年三組"));
        QCOMPARE(chart(), before);

        loadAndShow(reordered);
        QCOMPARE(state->roster.table[0].Number, std::string("40"));
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Discard), Step::file(file)});
        ui()->OpenArrangement->trigger();
        QCOMPARE(chart(), before);
        QCOMPARE(state->seatTable.entry(1, 0), 40); // student 1, last in the reversed roster
        QCOMPARE(state->cutQueue.positions(), std::deque<std::int32_t>({30, 29}));
        QCOMPARE(state->draftConditions.marks[39].sex, Sex::Girl);

        // Student 2 left the class.
        students.removeOne(students[students.size() - 2]);
        testing::writeBytes(reordered, (rest + students).join());
        loadAndShow(reordered);
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Discard), Step::file(file),
                         Step::box(QString(), QStringLiteral("新井　美咲"))});
        ui()->OpenArrangement->trigger();
        QCOMPARE(modalProblems(), QString());
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
        place(4, 2, 2);
        const QString file = dir.filePath("next-term.kelmora");
        modals().expect(Step::file(file));
        ui()->SaveArrangementAs->trigger();
        const Placement placed = capture(*state);

        QCOMPARE(modalProblems(), QString()); // opening a window forgets them
        closeWindow();
        openWindow();
        modals().expect({Step::file(file), Step::box(QString(), QStringLiteral("roster2.csv"), QMessageBox::Yes)});
        ui()->OpenArrangement->trigger();
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(state->roster.studentCount, 40);
        QVERIFY(capture(*state) == placed);
        QVERIFY(ui()->OutPut->isEnabled());
        QVERIFY(!form->arrangementChanged());
    }

    void aBrokenFileChangesNothing()
    {
        loadAndShow(kExamples + "/roster6.csv");
        place(5, 0, 0);
        const Placement placed = capture(*state);
        const QString file = testing::writeFile(
            dir, QStringLiteral("broken.kelmora"),
            "{\"format\": \"kelmora-arrangement\", \"version\": 1, \"columns\": 9, \"rows\": 9, \"desks\": [");
        modals().expect(
            {Step::box(QString(), kAsked, QMessageBox::Discard), Step::file(file), Step::box(QString(), QString())});
        ui()->OpenArrangement->trigger();
        const QString said = lastSaid();
        QCOMPARE(modalProblems(), QString());
        QVERIFY2(said.contains(QStringLiteral("broken.kelmora")) && said.contains(QStringLiteral("切れて")),
                 qPrintable(said));
        QVERIFY(capture(*state) == placed);
        QCOMPARE(ui()->StringGrid2->colCount(), 5);
    }

    // Saved as 姓のみ, opened over a roster without family names: the list shows
    // full names, as after loading such a roster, and the teacher is told.
    void familyNamesFallBackToFullNames()
    {
        loadAndShow(kExamples + "/roster6.csv");
        ui()->RadioButton4->click();
        ui()->DLoad->trigger();
        place(1, 0, 0);
        QCOMPARE(ui()->StringGrid2->cell(0, 0), QStringLiteral("青木"));
        const QString file = dir.filePath("family.kelmora");
        modals().expect(Step::file(file));
        ui()->SaveArrangementAs->trigger();

        loadAndShow(kExamples + "/roster2.csv");
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Discard), Step::file(file),
                         Step::box(QString(), QStringLiteral("姓の列がありません"))});
        ui()->OpenArrangement->trigger();
        QCOMPARE(modalProblems(), QString());
        QVERIFY(ui()->RadioButton3->isChecked());
        QCOMPARE(ui()->StringGrid2->cell(0, 0), QStringLiteral("青木")); // the desk as it was saved
        QCOMPARE(ui()->StringGrid3->cell(1, 1), QString());
        QCOMPARE(ui()->StringGrid3->cell(1, 2), QStringLiteral("新井　美咲"));
    }

    void closingAChangedArrangementAsks()
    {
        loadAndShow(kExamples + "/roster6.csv");
        QVERIFY(!form->arrangementChanged()); // displaying a roster is not yet an arrangement
        place(1, 0, 0);
        const Placement placed = capture(*state);

        modals().expect(Step::box(QString(), QString(), QMessageBox::Cancel));
        form->close();
        QCOMPARE(lastSaid(), QStringLiteral("座席配置が変更されています。保存しますか?"));
        QVERIFY(form->isVisible());
        QVERIFY(capture(*state) == placed);

        // Undone to where it started: nothing to ask.
        activate();
        key(Qt::Key_Z, Qt::ControlModifier);
        key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!form->arrangementChanged());
        key(Qt::Key_Y, Qt::ControlModifier);
        modals().expect(Step::box(QString(), QString(), QMessageBox::Discard));
        ui()->Quit->trigger();
        QCOMPARE(modalProblems(), QString());
        QVERIFY(!form->isVisible());
    }

    // Opening another arrangement over changed desks asks first, by the shortcut
    // and by the menu: キャンセル leaves the desks, 保存しない opens, 保存 saves
    // first, and a save that fails or is cancelled opens nothing.
    void openingOverAChangedArrangementAsks()
    {
        loadAndShow(kExamples + "/roster6.csv");
        const auto seat = [this](int student, int col, int row) {
            place(student, col, row);
            QVERIFY(form->arrangementChanged());
        };
        seat(1, 0, 0);

        // Never saved: 保存 needs a name, and cancelling that dialog opens nothing.
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Save), Step::cancelFile()});
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(modalProblems(), QString());
        QVERIFY(form->arrangementChanged());

        const QString folder = dir.filePath(QStringLiteral("asks"));
        QVERIFY(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/a.kelmora");
        modals().expect(Step::file(file));
        ui()->SaveArrangementAs->trigger();
        const Placement saved = capture(*state);
        activate();
        seat(2, 1, 1);
        const Placement changed = capture(*state);

        modals().expect(Step::box(QString(), kAsked, QMessageBox::Cancel));
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(modalProblems(), QString());
        QVERIFY(capture(*state) == changed);
        QVERIFY(form->arrangementChanged());

        // 保存しない, then no file chosen: nothing is lost either.
        activate();
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Discard), Step::cancelFile()});
        key(Qt::Key_F, Qt::AltModifier);
        QVERIFY2(QApplication::activePopupWidget() == ui()->Files, "the File menu did not open");
        key(Qt::Key_L);
        QCOMPARE(modalProblems(), QString());
        QVERIFY(capture(*state) == changed);

        activate();
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Discard), Step::file(file)});
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(modalProblems(), QString());
        QVERIFY(capture(*state) == saved);
        QVERIFY(!form->arrangementChanged());

        // 保存 writes the changed desks to the file before it is opened again.
        activate();
        seat(3, 1, 1);
        const Placement kept = capture(*state);
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Save), Step::file(file)});
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(modalProblems(), QString());
        QVERIFY(capture(*state) == kept);
        QVERIFY(!form->arrangementChanged());

        // The file's folder is gone and a file has its name: the save fails, nothing opens.
        activate();
        seat(4, 2, 2);
        const Placement unsaved = capture(*state);
        QVERIFY(QDir(folder).removeRecursively());
        testing::writeFile(dir, QStringLiteral("asks"), "x");
        modals().expect({Step::box(QString(), kAsked, QMessageBox::Save),
                         Step::box(QString(), QStringLiteral("保存できませんでした"))});
        key(Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(modalProblems(), QString());
        QVERIFY(capture(*state) == unsaved);
        QVERIFY(form->arrangementChanged());
    }
};

QTEST_MAIN(KeepTest)
#include "tst_keep.moc"
