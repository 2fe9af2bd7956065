// The 学級 menu on the real window: a written chart lands in the history, the
// 履歴 window puts an entry back on the desks as one undo step and removes one,
// and 班と窓側 draws the 班 on the seat grid and keeps them with the arrangement.
#include "app/year/HistoryWindow.h"
#include "app/year/RoomDialog.h"
#include "common/WindowTest.h"
#include "widgets/StringGrid.h"

#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace kelmora;
using testing::modals;
using testing::Step;

class YearWindowTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

    void showDesks() { loadAndShow(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv")); }

private slots:
    void aChartIsRecordedPutBackAndRemoved()
    {
        showDesks();
        place(1, 0, 0);
        place(2, 1, 0);
        output(dir.filePath("a.tex"));
        place(3, 2, 0);
        output(dir.filePath("b.tex")); // the same day: replaces the first
        QCOMPARE(state->history.size(), std::size_t(1));
        QCOMPARE(state->history[0].date, QDate::currentDate());
        QCOMPARE(state->history[0].desks.size(), std::size_t(3));

        // An older chart, as a file from earlier in the year holds it: student 3 by the windows.
        HistoryEntry older = state->history[0];
        older.date = older.date.addDays(-7);
        older.desks = {state->history[0].desks[2]};
        older.desks[0].column = 4;
        older.desks[0].row = 3;
        state->history.insert(state->history.begin(), older);

        QString year;
        modals().expect(Step::any<HistoryWindow>([&year](HistoryWindow* w) {
            QCOMPARE(w->Entries->count(), 2);
            QVERIFY(!w->RoomGrid->cell(2, 0).isEmpty()); // the newest first
            QTest::keyClick(w->Entries, Qt::Key_Down);
            QVERIFY(!w->RoomGrid->cell(4, 3).isEmpty());
            QVERIFY(w->RoomGrid->cell(2, 0).isEmpty());
            // roster position 3: in both charts, once in the column by the windows
            year = w->Year->item(2, 2)->text() + w->Year->item(2, 4)->text();
            QTest::mouseClick(w->Restore, Qt::LeftButton);
        }));
        activate();
        key(Qt::Key_H, Qt::ControlModifier);
        QTRY_VERIFY(!year.isEmpty());
        QCOMPARE(year, QStringLiteral("21"));
        QCOMPARE(state->seatTable.entry(4, 3), 3);
        QCOMPARE(state->seatTable.entry(0, 0), 0);
        QVERIFY(!ui()->StringGrid3->cell(1, 1).isEmpty()); // back in the list

        activate();
        key(Qt::Key_Z, Qt::ControlModifier); // one step brings the desks back
        QCOMPARE(state->seatTable.entry(4, 3), 0);
        QCOMPARE(state->seatTable.entry(0, 0), 1);
        QCOMPARE(state->seatTable.entry(2, 0), 3);

        // 削除 asks first; the history is then one entry shorter, and that is a change to save.
        form->saveArrangement(dir.filePath("class.kelmora"));
        QVERIFY(!form->arrangementChanged());
        bool asked = false;
        modals().expect({Step::any<HistoryWindow>([&asked](HistoryWindow* w) {
                             QTest::keyClick(w->Entries, Qt::Key_Down);
                             QTest::mouseClick(w->Remove, Qt::LeftButton);
                             asked = true;
                             QCOMPARE(w->Entries->count(), 1);
                             w->reject();
                         }),
                         Step::box({}, QStringLiteral("の履歴を削除しますか"), QMessageBox::Yes)});
        activate();
        key(Qt::Key_H, Qt::ControlModifier);
        QTRY_VERIFY(asked);
        QCOMPARE(state->history.size(), std::size_t(1));
        QCOMPARE(state->history[0].date, QDate::currentDate());
        QVERIFY(form->arrangementChanged());
    }

    // A file whose history has an entry that cannot be used still opens, says so,
    // and keeps the rest.
    void aBrokenHistoryEntryIsLeftOutWithANotice()
    {
        showDesks();
        place(1, 0, 0);
        output(dir.filePath("c.tex"));
        const QString path = dir.filePath("broken.kelmora");
        QVERIFY(form->saveArrangement(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
        QJsonArray history = root.value("history").toArray();
        history.prepend(QJsonObject{{"date", "2026-02-30"}, {"columns", 5}, {"rows", 7}, {"desks", QJsonArray()}});
        root.insert("history", history);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(root).toJson());
        file.close();

        state->history.clear();
        modals().expect(Step::box({}, QStringLiteral("履歴の 1 件目を除きました。日付(date)がないか、読めません。")));
        QVERIFY(form->openArrangement(path));
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(state->history.size(), std::size_t(1));
        QCOMPARE(state->history[0].desks.size(), std::size_t(1));
    }

    void groupsAreChosenDrawnAndKept()
    {
        showDesks();
        modals().expect(Step::any<RoomDialog>([](RoomDialog* d) {
            // on the box itself: a click past the label's end is no click on the button
            const auto box = [](QAbstractButton* b) {
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
            };
            box(d->Grouped);                            // 班に分ける
            QTest::keyClick(d->GroupWidth, Qt::Key_Up); // 3 x 2
            box(d->WindowsLeft);
            QTest::keyClick(d, Qt::Key_Return);
        }));
        activate();
        key(Qt::Key_G, Qt::AltModifier);
        key(Qt::Key_W);
        QTRY_COMPARE(state->draftConditions.groups, (GroupShape{3, 2}));
        QCOMPARE(state->draftConditions.windows, WindowSide::Left);
        QVERIFY(form->arrangementChanged());

        // A thick line between columns 2 and 3, none between 1 and 2: looked at on the screen.
        StringGrid* grid = ui()->StringGrid2;
        const QImage shot = grid->viewport()->grab().toImage();
        const QRect c2 = grid->cellRect(2, 3), c1 = grid->cellRect(1, 3);
        const auto dark = [&](int x, int y) { return qGray(shot.pixel(x, y)) < 80; };
        QVERIFY(dark(c2.right() + 1, c2.center().y()) && dark(c2.right(), c2.center().y()));
        QVERIFY(!dark(c1.right(), c1.center().y()));

        form->saveArrangement(dir.filePath("groups.kelmora"));
        state->draftConditions = {};
        QVERIFY(form->openArrangement(dir.filePath("groups.kelmora")));
        QCOMPARE(state->draftConditions.groups, (GroupShape{3, 2}));
        QCOMPARE(state->draftConditions.windows, WindowSide::Left);
    }
};

QTEST_MAIN(YearWindowTest)
#include "tst_year_window.moc"
