// The whole road of a seating chart on the real window: load a roster through
// the file dialog, display it, place names with the mouse, write the chart
// through the save dialog.
#include "app/KelmoraApplication.h"
#include "codec/Cp932.h"
#include "common/Files.h"
#include "common/WindowTest.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace kelmora;
using testing::readBytes;
using testing::Step;
using testing::writeBytes;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);
const QString kData = QStringLiteral(KELMORA_TESTDATA_DIR);

const QString kOpenError = QStringLiteral("オープンエラー");

QColor panelColour(QWidget* w)
{
    return w->palette().color(QPalette::Window);
}

} // namespace

class RoadTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

    QString seat(int col, int row) { return ui()->StringGrid2->cell(col, row); }
    QString listName(int row) { return ui()->StringGrid3->cell(1, row); }
    void toPlacementPage() { ui()->PageControl1->setCurrentIndex(1); }

private slots:
    void wholeRoadToTheRubyAndThePlainChart()
    {
        load(kExamples + "/roster6.csv");
        QVERIFY(ui()->DLoad->isEnabled());
        QVERIFY(!ui()->OutPut->isEnabled());
        for (QRadioButton* b : {ui()->RadioButton1, ui()->RadioButton2, ui()->RadioButton3, ui()->RadioButton4})
            QVERIFY(b->isEnabled());
        ui()->DLoad->trigger();
        QVERIFY(ui()->OutPut->isEnabled());
        StringGrid* list = ui()->StringGrid3;
        QCOMPARE(list->rowCount(), 41);
        QCOMPARE(list->cell(0, 1), QStringLiteral("1"));
        QCOMPARE(listName(1), QStringLiteral("青木　健太"));

        toPlacementPage();
        StringGrid* seats = ui()->StringGrid2;
        QCOMPARE(seats->colCount(), 5);
        QCOMPARE(seats->rowCount(), 7);

        // Three names cut from the list, placed on three empty desks in order.
        ctrlClick(list, 1, 3);
        ctrlClick(list, 1, 1);
        ctrlClick(list, 1, 2);
        QCOMPARE(listName(1), QString());
        QCOMPARE(list->cell(0, 1), QStringLiteral("1")); // the number stays
        QCOMPARE(state->cutQueue.size(), std::size_t(3));
        click(seats, 0, 0);
        click(seats, 4, 6);
        click(seats, 2, 3);
        QCOMPARE(seat(0, 0), QStringLiteral("池田　大輝"));
        QCOMPARE(seat(4, 6), QStringLiteral("青木　健太"));
        QCOMPARE(seat(2, 3), QStringLiteral("新井　美咲"));
        QCOMPARE(state->seatTable.entry(0, 0), 3);
        QCOMPARE(state->seatTable.entry(4, 6), 1);
        QCOMPARE(state->seatTable.entry(2, 3), 2);
        QVERIFY(state->cutQueue.empty());

        // Move one: cut from its desk, paste on another.
        ctrlClick(seats, 2, 3);
        QCOMPARE(seat(2, 3), QString());
        QCOMPARE(state->seatTable.entry(2, 3), 0);
        click(seats, 1, 5);
        QCOMPARE(seat(1, 5), QStringLiteral("新井　美咲"));
        QCOMPARE(state->seatTable.entry(1, 5), 2);

        // "ルビ付き" is checked from the start: the ruby chart.
        const QString chart = dir.filePath("road.tex");
        output(chart);
        QCOMPARE(readBytes(chart), readBytes(kData + "/road_ruby.tex"));

        ui()->RadioButton1->setChecked(true);
        output(chart, true); // asked before replacing the first chart
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(readBytes(chart), readBytes(kData + "/road_plain.tex"));

        // A three-column roster: plain, whatever the ruby buttons show.
        load(kExamples + "/roster3.csv");
        QVERIFY(!ui()->OutPut->isEnabled());
        QVERIFY(!ui()->RadioButton2->isEnabled());
        ui()->RadioButton2->setChecked(true);
        ui()->DLoad->trigger();
        const QString chart3 = dir.filePath("road3.tex");
        output(chart3);
        QCOMPARE(readBytes(chart3), readBytes(kData + "/road_plain.tex"));
    }

    void saveDialogOffersKelmoraTexEveryTime()
    {
        load(kExamples + "/roster2.csv");
        ui()->DLoad->trigger();
        output(dir.filePath("other.tex"));
        QCOMPARE(lastSaid(), QStringLiteral("Kelmora.tex"));
        output(QString()); // cancel
        QCOMPARE(lastSaid(), QStringLiteral("Kelmora.tex"));
        QVERIFY(!QFile::exists(dir.filePath("Kelmora.tex")));
        // A name typed without extension gets ".tex".
        output(dir.filePath("bare"));
        QVERIFY(QFile::exists(dir.filePath("bare.tex")));
    }

    void menuAndOptionStatesAcrossLoads()
    {
        load(kExamples + "/roster6.csv");
        ui()->DLoad->trigger();
        QVERIFY(ui()->OutPut->isEnabled());

        // Cancelled: both commands grey, the roster unchanged.
        load(QString());
        QVERIFY(!ui()->DLoad->isEnabled());
        QVERIFY(!ui()->OutPut->isEnabled());
        QCOMPARE(state->roster.studentCount, 40);

        // Mixed column counts: said, and nothing enabled.
        const QString mixed = dir.filePath("mixed.csv");
        writeBytes(mixed, "$,1,A,B,C,D,E\r\n$,2,F,G,H,I\r\n");
        load(mixed, {Step::box(QStringLiteral("test_road"), QString())});
        QCOMPARE(lastSaid(), QStringLiteral("生徒氏名データに不正行あり"));
        QVERIFY(!ui()->DLoad->isEnabled());
        QCOMPARE(state->roster.studentCount, -1);

        // No "$" line: said, and nothing enabled.
        const QString comments = dir.filePath("comments.csv");
        writeBytes(comments, "% nothing here\r\n\r\n");
        load(comments, {Step::box(QString(), QStringLiteral("「$」"))});
        QVERIFY(!ui()->DLoad->isEnabled());

        // A file that cannot be opened: the reason, with Retry and Cancel.
        const QString missing = dir.filePath("missing.csv");
        load(missing, {Step::box(kOpenError, QStringLiteral("missing.csv"), QMessageBox::Cancel)});
        QVERIFY(!ui()->DLoad->isEnabled());
        QCOMPARE(modalProblems(), QString());

        // Retry shows the dialog again, preset with the file name tried.
        load(missing, {Step::box(kOpenError, QStringLiteral("missing.csv"), QMessageBox::Retry),
                       Step::file(kExamples + "/roster3.csv")});
        QCOMPARE(lastSaid(), QStringLiteral("missing.csv"));
        QCOMPARE(state->roster.columnCount, 3);
        QVERIFY(ui()->DLoad->isEnabled());
        QVERIFY(ui()->RadioButton4->isEnabled());
        QVERIFY(!ui()->RadioButton2->isEnabled());

        // Family names only, then a two-column roster: the check moves to full names.
        ui()->RadioButton4->setChecked(true);
        ui()->DLoad->trigger();
        QCOMPARE(listName(1), QStringLiteral("青木"));
        load(kExamples + "/roster2.csv");
        QVERIFY(!ui()->RadioButton4->isEnabled());
        QVERIFY(ui()->RadioButton3->isChecked());
        QCOMPARE(listName(1), QStringLiteral("青木")); // the list waits for the display command
        ui()->DLoad->trigger();
        QCOMPARE(listName(1), QStringLiteral("青木　健太"));
    }

    void displayAfterCutsAndClears()
    {
        load(kExamples + "/roster6.csv");
        ui()->DLoad->trigger();
        toPlacementPage();
        StringGrid* list = ui()->StringGrid3;
        ctrlClick(list, 1, 4);
        click(ui()->StringGrid2, 1, 1);
        ctrlClick(list, 1, 5);
        QCOMPARE(listName(4), QString());
        ui()->BitBtn2->click();
        QCOMPARE(list->rowCount(), 2);
        QCOMPARE(list->cell(0, 1), QString());
        QCOMPARE(state->cutQueue.size(), std::size_t(1)); // still waiting
        ui()->DLoad->trigger();
        QCOMPARE(list->rowCount(), 41);
        QCOMPARE(listName(4), QStringLiteral("石井　彩花"));
        QCOMPARE(listName(5), QStringLiteral("伊藤　拓海"));
        QCOMPARE(seat(1, 1), QStringLiteral("石井　彩花")); // seats keep theirs
        click(ui()->StringGrid2, 2, 2);
        QCOMPARE(seat(2, 2), QStringLiteral("伊藤　拓海"));
    }

    void clicksThatCannotActDoNothing()
    {
        load(kExamples + "/roster6.csv");
        ui()->DLoad->trigger();
        toPlacementPage();
        StringGrid* list = ui()->StringGrid3;
        StringGrid* seats = ui()->StringGrid2;
        click(list, 1, 1, Qt::ControlModifier, Qt::RightButton);
        click(list, 1, 1); // no Ctrl
        QVERIFY(state->cutQueue.empty());
        QCOMPARE(listName(1), QStringLiteral("青木　健太"));
        ctrlClick(list, 1, 1);
        ctrlClick(list, 1, 1); // already cut
        QCOMPARE(state->cutQueue.size(), std::size_t(1));
        click(seats, 0, 0);
        ctrlClick(list, 1, 2);
        click(seats, 0, 0); // occupied: nothing, the front name stays
        QCOMPARE(seat(0, 0), QStringLiteral("青木　健太"));
        QCOMPARE(state->cutQueue.frontName(), cp932::FromUnicode(QStringLiteral("新井　美咲")).value());
        click(seats, 0, 0, Qt::ControlModifier, Qt::RightButton);
        click(seats, 1, 0, {}, Qt::RightButton);
        QCOMPARE(seat(0, 0), QStringLiteral("青木　健太"));
        QCOMPARE(seat(1, 0), QString());
        QCOMPARE(state->cutQueue.size(), std::size_t(1));
    }

    void clearingSeatsKeepsThoseOutsideASmallerGrid()
    {
        load(kExamples + "/roster6.csv");
        ui()->DLoad->trigger();
        toPlacementPage();
        StringGrid* seats = ui()->StringGrid2;
        for (int row = 1; row <= 8; ++row)
            ctrlClick(ui()->StringGrid3, 1, row);
        const QList<QPoint> desks{{0, 0}, {4, 0}, {0, 6}, {4, 6}, {1, 1}, {3, 2}, {2, 5}, {4, 3}};
        for (const QPoint& d : desks)
            click(seats, d.x(), d.y());
        ui()->PageControl1->setCurrentIndex(0);
        for (int i = 0; i < 2; ++i) {
            ui()->UpDown1->press(UpDown::Button::Prev); // 3 columns
            ui()->UpDown2->press(UpDown::Button::Next); // 5 rows
        }
        toPlacementPage();
        QCOMPARE(seats->colCount(), 3);
        QCOMPARE(seats->rowCount(), 5);
        ui()->BitBtn1->click();
        // Back to the full size: the desks outside the cleared part show again.
        ui()->PageControl1->setCurrentIndex(0);
        for (int i = 0; i < 2; ++i) {
            ui()->UpDown1->press(UpDown::Button::Next);
            ui()->UpDown2->press(UpDown::Button::Prev);
        }
        toPlacementPage();
        for (const QPoint& d : desks) {
            const bool inside = d.x() < 3 && d.y() < 5;
            QCOMPARE(state->seatTable.entry(d.x(), d.y()) == 0, inside);
            QCOMPARE(seats->cell(d.x(), d.y()).isEmpty(), inside);
        }
    }

    void geometrySpinButtonsApplyTheNumberTheyShow()
    {
        StringGrid* seats = ui()->StringGrid2;
        ui()->UpDown3->press(UpDown::Button::Next);
        QCOMPARE(ui()->Edit4->text(), QStringLiteral("421"));
        QCOMPARE(seats->width(), 421);
        ui()->UpDown4->press(UpDown::Button::Next); // upper arrow: one less
        QCOMPARE(ui()->Edit5->text(), QStringLiteral("207"));
        QCOMPARE(seats->height(), 207);
        ui()->UpDown5->press(UpDown::Button::Prev);
        QCOMPARE(seats->defaultColWidth(), 79);
        ui()->UpDown6->press(UpDown::Button::Prev); // lower arrow: one more
        QCOMPARE(seats->defaultRowHeight(), 25);
        for (int i = 0; i < 30; ++i)
            ui()->UpDown3->press(UpDown::Button::Next);
        QCOMPARE(ui()->Edit4->text(), QStringLiteral("436"));
        QCOMPARE(seats->width(), 436);
        ui()->UpDown7->press(UpDown::Button::Next);
        QCOMPARE(seats->font().pointSize(), 11);
    }

    void theDeskBlinksWhileNamesWaitAndKeepsItsLastColour()
    {
        load(kExamples + "/roster6.csv");
        ui()->DLoad->trigger();
        toPlacementPage();
        QWidget* desk = ui()->Panel9;
        QCOMPARE(panelColour(desk), QColor(0, 0, 255));
        ctrlClick(ui()->StringGrid3, 1, 1);
        QTRY_COMPARE_WITH_TIMEOUT(panelColour(desk), QColor(255, 0, 0), 2000); // red first
        QTRY_COMPARE_WITH_TIMEOUT(panelColour(desk), QColor(0, 0, 128), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(panelColour(desk), QColor(255, 0, 0), 2000);
        click(ui()->StringGrid2, 0, 0);
        const QColor last = panelColour(desk);
        QTest::qWait(1000);
        QCOMPARE(panelColour(desk), last); // stopped, not back to blue
        QVERIFY(last != QColor(0, 0, 255));
    }

    void aChartThatCannotBeWrittenIsReportedAndTheOldFileKept()
    {
        load(kExamples + "/roster2.csv");
        ui()->DLoad->trigger();
        const QString folder = dir.filePath("readonly");
        QVERIFY(QDir().mkpath(folder));
        const QString chart = folder + "/Kelmora.tex";
        writeBytes(chart, "old chart\r\n");

        bool mounted = false;
        if (::geteuid() == 0) {
            // Root writes into any folder; a read-only mount refuses even root.
            QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", folder});
            writeBytes(chart, "old chart\r\n");
            mounted = QProcess::execute("mount", {"-o", "remount,ro", folder}) == 0;
            if (!mounted) {
                QProcess::execute("umount", {folder});
                QSKIP("cannot make a read-only folder as root here");
            }
        } else {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        }

        output(chart, true, QStringLiteral("座席表を書き込めませんでした"));
        const QByteArray kept = readBytes(chart);
        if (mounted)
            QProcess::execute("umount", {folder});
        else
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(modalProblems(), QString());
        QCOMPARE(kept, QByteArray("old chart\r\n"));
    }

    void aTitleCodePage932CannotHoldIsRefused()
    {
        load(kExamples + "/roster2.csv");
        ui()->DLoad->trigger();
        ui()->Edit3->setText(QStringLiteral("座席表 😀"));
        testing::modals().expect(Step::box(MessageTitle(), QStringLiteral("😀")));
        ui()->OutPut->trigger();
        QCOMPARE(modalProblems(), QString());
        QVERIFY(!QFile::exists(dir.filePath("Kelmora.tex")));

        // Typed with a Linux input method: WAVE DASH is written as the code page's tilde.
        ui()->Edit3->setText(QStringLiteral("（５月１日\u301C）"));
        const QString chart = dir.filePath("title.tex");
        output(chart);
        QVERIFY(readBytes(chart).contains(QByteArray("\x81\x69\x82\x54\x8C\x8E\x82\x50\x93\xFA\x81\x60\x81\x6A")));
    }
};

QTEST_MAIN(RoadTest)
#include "tst_road.moc"
