// The main window as the teacher first meets it: menus, the settings page,
// the tab change, and errors that escape a handler.
#include "codec/Cp932.h"
#include "common/WindowTest.h"

#include <QTabWidget>
#include <QTest>

using namespace kelmora;

class MainWindowTest : public testing::WindowTest {
    Q_OBJECT

private slots:
    void startsWithTheCommandsAndOptionsOfAFreshRun()
    {
        QVERIFY(form->holdsInstance());
        QVERIFY(!form->ui->DLoad->isEnabled());
        QVERIFY(!form->ui->OutPut->isEnabled());
        for (QAction* a : {form->ui->Open, form->ui->Quit, form->ui->Manual, form->ui->About})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        QCOMPARE(form->ui->PageControl1->currentWidget(), form->ui->TabSheet1);
        QVERIFY(form->ui->RadioButton3->isChecked());
        QVERIFY(form->ui->RadioButton2->isChecked());
        for (QRadioButton* b :
             {form->ui->RadioButton1, form->ui->RadioButton2, form->ui->RadioButton3, form->ui->RadioButton4})
            QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("35"));
        QCOMPARE(form->ui->StringGrid1->colCount(), 5);
        QCOMPARE(form->ui->StringGrid1->rowCount(), 7);
        QCOMPARE(form->ui->StringGrid3->rowCount(), 2);
        QCOMPARE(form->ui->StringGrid3->cell(0, 0), QStringLiteral("番"));
        QCOMPARE(form->ui->StringGrid3->cell(1, 0), QStringLiteral("　名　　　前　"));
        for (int col = 0; col < 2; ++col) // the display command shows the state's header again
            QCOMPARE(cp932::ToUnicode(state->studentList.cell(col, 0)), form->ui->StringGrid3->cell(col, 0));
        QCOMPARE(form->ui->StringGrid3->colWidth(0), 20);
        QVERIFY(form->Timer1->isActive());
        QVERIFY(form->Timer2->isActive());
        QCOMPARE(form->Timer1->interval(), 300);
        QCOMPARE(form->Timer2->interval(), 1000);
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("outer panel") << "Panel1" << QRect(0, 0, 590, 439);
        QTest::newRow("tab control") << "PageControl1" << QRect(3, 2, 584, 434);
        QTest::newRow("mascot panel") << "Panel18" << QRect(18, 248, 36, 36);
        QTest::newRow("title box") << "Edit3" << QRect(2, 2, 489, 27);
        QTest::newRow("columns spin") << "UpDown1" << QRect(109, 62, 48, 27);
        QTest::newRow("preview") << "StringGrid1" << QRect(1, 1, 150, 108);
        QTest::newRow("banner") << "Panel2" << QRect(3, 297, 570, 102);
        QTest::newRow("seat grid") << "StringGrid2" << QRect(2, 2, 420, 208);
        QTest::newRow("teacher's desk") << "Panel9" << QRect(192, 268, 55, 27);
        QTest::newRow("student list") << "StringGrid3" << QRect(1, 2, 131, 362);
        QTest::newRow("seat clear button") << "BitBtn1" << QRect(290, 55, 85, 25);
    }
    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        auto* w = form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
    }

    void spinButtonsDriveDeskCountAndPreview()
    {
        UpDown* columns = form->ui->UpDown1;
        UpDown* rows = form->ui->UpDown2;
        columns->press(UpDown::Button::Next);
        QCOMPARE(form->ui->Edit1->text(), QStringLiteral("6"));
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("42"));
        QCOMPARE(form->ui->StringGrid1->colCount(), 6);
        // The row spin counts downwards: its lower arrow adds a row.
        rows->press(UpDown::Button::Prev);
        QCOMPARE(form->ui->Edit2->text(), QStringLiteral("8"));
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("48"));
        QCOMPARE(form->ui->StringGrid1->rowCount(), 8);
        rows->press(UpDown::Button::Next);
        rows->press(UpDown::Button::Next);
        QCOMPARE(form->ui->Edit2->text(), QStringLiteral("6"));
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("36"));

        for (int i = 0; i < 20; ++i) {
            columns->press(UpDown::Button::Next);
            rows->press(UpDown::Button::Prev);
        }
        QCOMPARE(form->ui->Edit1->text(), QStringLiteral("12"));
        QCOMPARE(form->ui->Edit2->text(), QStringLiteral("12"));
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("144"));
        QCOMPARE(form->ui->StringGrid1->colCount(), 12);
        QCOMPARE(form->ui->StringGrid1->rowCount(), 12);

        for (int i = 0; i < 20; ++i) {
            columns->press(UpDown::Button::Prev);
            rows->press(UpDown::Button::Next);
        }
        QCOMPARE(form->ui->Edit1->text(), QStringLiteral("1"));
        QCOMPARE(form->ui->Edit2->text(), QStringLiteral("1"));
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("1"));
        QCOMPARE(form->ui->StringGrid1->colCount(), 1);
        QCOMPARE(form->ui->StringGrid1->rowCount(), 1);
    }

    void theGridSizeReachesTheSeatGridOnlyWithATabChange()
    {
        StringGrid* seats = form->ui->StringGrid2;
        form->ui->UpDown1->press(UpDown::Button::Next); // 6 columns
        form->ui->UpDown2->press(UpDown::Button::Next); // 6 rows
        QCOMPARE(seats->colCount(), 5);
        QCOMPARE(seats->rowCount(), 7);

        QTabWidget* tabs = form->ui->PageControl1;
        tabs->setCurrentIndex(1);
        QCOMPARE(seats->colCount(), 6);
        QCOMPARE(seats->rowCount(), 6);

        // Back to the settings page: applied again on the way.
        tabs->setCurrentIndex(0);
        form->ui->UpDown1->press(UpDown::Button::Prev);
        QCOMPARE(seats->colCount(), 6);
        tabs->setCurrentIndex(1);
        QCOMPARE(seats->colCount(), 5);
        tabs->setCurrentIndex(0);
        QCOMPARE(seats->colCount(), 5);

        // By keyboard, as the teacher might: Ctrl+Tab.
        form->ui->UpDown2->press(UpDown::Button::Prev);
        QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(seats->rowCount(), 7);
    }

    // The window's font skips OpenType shaping to start sooner; that must not
    // move one pixel of its text, names on the desks included.
    void textLooksAsShapedTextWould()
    {
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv"));
        form->ui->DLoad->trigger();
        QTabWidget* tabs = form->ui->PageControl1;
        tabs->setCurrentIndex(1);
        for (int row = 1; row <= 6; ++row) {
            ctrlClick(form->ui->StringGrid3, 1, row);
            click(form->ui->StringGrid2, row % 5, row / 5);
        }
        QVERIFY(!state->seatTable.text(1, 0).empty() && !state->seatTable.text(1, 1).empty());
        form->Timer1->stop(); // no blinking or mascot steps between the pictures
        form->Timer2->stop();
        const auto pictures = [&] {
            QList<QImage> shots;
            for (int page : {0, 1}) {
                tabs->setCurrentIndex(page);
                shots << form->grab().toImage();
            }
            return shots;
        };
        const auto strategies = [&] {
            QSet<int> seen;
            for (QWidget* w : form->ui->centralwidget->findChildren<QWidget*>())
                seen << w->font().styleStrategy();
            return seen;
        };
        QCOMPARE(strategies(), QSet<int>{QFont::PreferNoShaping});
        const QList<QImage> unshaped = pictures();

        // Shaping back on, control by control.
        for (QWidget* w : form->ui->centralwidget->findChildren<QWidget*>()) {
            QFont shaped = w->font();
            shaped.setStyleStrategy(QFont::PreferDefault);
            w->setFont(shaped);
        }
        QCOMPARE(strategies(), QSet<int>{QFont::PreferDefault});
        QVERIFY(pictures() == unshaped);
    }

    void anErrorInAHandlerIsShownAndTheWindowGoesOn()
    {
        // A number box that does not hold a number is a program fault.
        form->ui->Edit2->setText(QStringLiteral("x"));
        // Titled with the executable's name.
        testing::modals().expect(testing::Step::box(QStringLiteral("test_mainwindow"), QStringLiteral("'x'")));
        form->ui->UpDown1->press(UpDown::Button::Next);
        QCOMPARE(modalProblems(), QString());
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("35")); // stopped before changing anything

        form->ui->Edit2->setText(QStringLiteral("7"));
        form->ui->UpDown1->press(UpDown::Button::Next);
        QCOMPARE(form->ui->Edit9->text(), QStringLiteral("49"));
        QVERIFY(form->isVisible());
    }

    void quitClosesTheWindow()
    {
        form->ui->Quit->trigger();
        QVERIFY(!form->isVisible());
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
