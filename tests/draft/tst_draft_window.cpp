// The seat change on the real window: 席替え opened with Alt+K, 決定 with Enter,
// then the chart written through 座席表出力 carries every drafted name at its desk.
#include "app/draft/DraftDialog.h"
#include "common/Files.h"
#include "common/Sjis.h"
#include "common/WindowTest.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace kelmora;
using testing::modals;
using testing::Step;

class DraftWindowTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

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
};

QTEST_MAIN(DraftWindowTest)
#include "tst_draft_window.moc"
