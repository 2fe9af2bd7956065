// A long random session on the real main window: loads of good and bad rosters
// through the real open dialog, the display command, clicks and drags on both
// grids, the clear buttons, every spin button, page changes, timer ticks, undo
// and redo from the Edit menu, 席替え through its dialog, arrangements saved and
// opened, and charts written through the real save dialog. After every action
// the program's state must hang together and every chart must be whole. Now and
// then, undoing every step since the last load must give back the state right
// after it, and an arrangement saved and opened again must write the same chart.
//
// KELMORA_STRESS_ACTIONS sets the number of actions (default: a short session),
// KELMORA_STRESS_SEED the seed of the session.
#include "app/KelmoraApplication.h"
#include "app/draft/DraftDialog.h"
#include "codec/Cp932.h"
#include "common/Files.h"
#include "common/Placement.h"
#include "common/RosterFiles.h"
#include "common/WindowTest.h"
#include "output/ChartWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QMap>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>

using namespace kelmora;
using testing::capture;
using testing::modals;
using testing::Placement;
using testing::readBytes;
using testing::sjBytes;
using testing::Step;

namespace {

constexpr int kDefaultActions = 5000;
constexpr unsigned kDefaultSeed = 20240611;

// The offscreen platform says these each time a dialog or a menu is shown;
// thousands of such lines would bury what matters.
QtMessageHandler previousHandler = nullptr;
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (message == QLatin1String("This plugin does not support propagateSizeHints()")
        || message == QLatin1String("This plugin does not support raise()")
        || message == QLatin1String("This plugin does not support grabbing the keyboard"))
        return;
    previousHandler(type, context, message);
}

unsigned long envNumber(const char* name, unsigned long fallback)
{
    bool ok = false;
    const unsigned long n = qEnvironmentVariable(name).toULong(&ok);
    return ok ? n : fallback;
}

// What loading a file must lead to.
struct RosterCase {
    QString path;
    enum class Outcome { Loads, Mixed, NoData, Missing } outcome = Outcome::Loads;
    int students = 0;
    int columns = 0;
};

const QString kNoDataLine = QStringLiteral("「$」");
const QString kMixed = QStringLiteral("生徒氏名データに不正行あり");
const QString kOpenError = QStringLiteral("オープンエラー");
const QString kChartFailed = QStringLiteral("座席表を書き込めませんでした");
const QString kMissing = QStringLiteral("今の名簿にいない生徒がいます");

} // namespace

class StressTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;
    QString charts;
    std::mt19937 rng;

    QList<RosterCase> twoColumns, sixColumns, otherGood, malformed;
    RosterCase missing;
    int goodLoads = 0;

    QStringList problems;          // of the action under way
    std::deque<QString> recent;    // the last actions, for a failure report
    std::map<QString, int> counts; // actions by kind, for the summary
    int chartsWritten = 0;
    int drafts = 0, reopened = 0, undoneToLoad = 0; // how often the long checks ran

    // The last load (of a roster or an arrangement): the undo stack's index and
    // the state right after it.
    int loadIndex = 0;
    Placement atLoad;
    void loaded()
    {
        loadIndex = form->undoStack->index();
        atLoad = capture(*state);
    }
    int placed = 0, taken = 0, longestQueue = 0; // how much the session moved names

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
    template <typename T>
    const T& any(const QList<T>& list)
    {
        return list[pick(int(list.size()))];
    }

    void problem(const QString& what) { problems << what; }
    void expectTrue(bool ok, const QString& what)
    {
        if (!ok)
            problem(what);
    }

    // ------------------------------------------------------------------ files

    void writeRosters()
    {
        using testing::rosterOf;
        const QString ex = QStringLiteral(KELMORA_EXAMPLES_DIR);
        auto file = [&](const QString& name, const QByteArray& bytes) { return testing::writeFile(dir, name, bytes); };
        using O = RosterCase::Outcome;

        QByteArray latex = sjBytes("% 記号入り\r\n$ ,1,R&D_#1\r\n$ ,2,{\\}~^%$\r\n$ ,3,山田　太郎\r\n");
        QByteArray spaced;
        for (int i = 1; i <= 60; ++i) {
            if (i % 10 == 0)
                spaced += sjBytes(QStringLiteral("%% %1人目\n").arg(i));
            spaced += (i % 7 == 0 ? QByteArray("   ") : QByteArray()) + testing::dataLine(i, 2) + "\n";
        }
        spaced += "\t$,99,tab-indented lines are skipped\n";
        twoColumns = {{ex + "/roster2.csv", O::Loads, 40, 2},
                      {file("latex2.csv", latex), O::Loads, 3, 2},
                      {file("2年3組 名簿.csv", spaced), O::Loads, 60, 2}};

        sixColumns = {{ex + "/roster6.csv", O::Loads, 40, 6},
                      {file("one6.csv", testing::dataLine(1, 6)), O::Loads, 1, 6},
                      {file("many6.csv", rosterOf(45, 6) + "\x1a"), O::Loads, 45, 6},
                      {file("notes7.csv", rosterOf(12, 7)), O::Loads, 12, 7}};

        QByteArray badBytes("$,1,\x81\n$,2,A");
        badBytes += QByteArray("\0B\xff\xfd\xa0\r\n", 7);
        badBytes += "$,3,\x80\x81\x7f\r\n";
        QByteArray utf8Dollars = QStringLiteral("$,1,青木　健太,青木,健太,あおき,けんた\n"
                                                "$,2,新井　美咲,新井,美咲,あらい,みさき\n"
                                                "$,3,池田　大輝,池田,大輝,いけだ,だいき\n")
                                     .toUtf8();
        otherGood = {{ex + "/roster3.csv", O::Loads, 40, 3},
                     {file("four.csv", rosterOf(5, 4)), O::Loads, 5, 4},
                     {file("cr-only.csv", "$,1,A,B,C,D,E\r$,2,F,G,H,I,J\r"), O::Loads, 2, 6},
                     {file("bad-bytes.csv", badBytes), O::Loads, 3, 2},
                     {file("utf8-dollars.csv", utf8Dollars), O::Loads, 3, 6}};

        QByteArray binary("\x89PNG\r\n\x1a\n");
        for (int round = 0; round < 4; ++round)
            for (int b = 0; b < 256; ++b)
                binary += char(b);
        QByteArray emptyCell = rosterOf(6, 6);
        emptyCell += sjBytes("$,7,木村　蓮,木村,,きむら,れん\r\n"); // the given name left empty: one field fewer
        malformed = {{file("mixed.csv", "$,1,A,B,C,D,E\r\n$,2,F,G,H,I\r\n"), O::Mixed, -1, 0},
                     {file("empty-cell.csv", emptyCell), O::Mixed, -1, 0},
                     {file("comments.csv", sjBytes("% コメントだけ\r\n\r\n  % 字下げ\r\n")), O::NoData, 0, 0},
                     {file("empty.csv", QByteArray()), O::NoData, 0, 0},
                     {file("binary.csv", binary), O::NoData, 0, 0},
                     {file("utf8.csv", QStringLiteral("番号,氏名,姓,名\n1,青木　健太,青木,健太\n").toUtf8()), O::NoData,
                      0, 0}};
        missing = {dir.filePath("missing.csv"), O::Missing, 0, 0};
    }

    // ------------------------------------------------------------------ checks

    // What must hold after every action.
    void checkInvariants()
    {
        const CutQueue& queue = state->cutQueue;
        expectTrue(queue.names().size() == queue.positions().size(),
                   QStringLiteral("name queue holds %1, position queue %2")
                       .arg(queue.names().size())
                       .arg(queue.positions().size()));
        for (std::size_t i = 0; i < queue.names().size() && i < queue.positions().size(); ++i)
            expectTrue(!queue.names()[i].empty() && queue.positions()[i] >= 1,
                       QStringLiteral("queue item %1 is name \"%2\" at position %3")
                           .arg(i)
                           .arg(cp932::ToUnicode(queue.names()[i]))
                           .arg(queue.positions()[i]));

        const SeatTable& seats = state->seatTable;
        StringGrid* grid = ui()->StringGrid2;
        for (int c = 0; c < SeatTable::kSize; ++c)
            for (int r = 0; r < SeatTable::kSize; ++r) {
                if (seats.text(c, r).empty() != (seats.entry(c, r) == 0))
                    problem(QStringLiteral("desk (%1, %2): entry %3 with text \"%4\"")
                                .arg(c)
                                .arg(r)
                                .arg(seats.entry(c, r))
                                .arg(cp932::ToUnicode(seats.text(c, r))));
                if (c < grid->colCount() && r < grid->rowCount()
                    && grid->cell(c, r) != cp932::ToUnicode(seats.text(c, r)))
                    problem(QStringLiteral("desk (%1, %2) shows \"%3\" but holds \"%4\"")
                                .arg(c)
                                .arg(r)
                                .arg(grid->cell(c, r), cp932::ToUnicode(seats.text(c, r))));
            }

        const StudentList& list = state->studentList;
        StringGrid* shown = ui()->StringGrid3;
        expectTrue(shown->rowCount() == list.rowCount(),
                   QStringLiteral("the list shows %1 rows of %2").arg(shown->rowCount()).arg(list.rowCount()));
        for (int r = 0; r < std::min(shown->rowCount(), list.rowCount()); ++r)
            for (int c = 0; c < 2; ++c)
                if (shown->cell(c, r) != cp932::ToUnicode(list.cell(c, r)))
                    problem(QStringLiteral("list cell (%1, %2) shows \"%3\" but holds \"%4\"")
                                .arg(c)
                                .arg(r)
                                .arg(shown->cell(c, r), cp932::ToUnicode(list.cell(c, r))));

        for (UpDown* spin : spins())
            expectTrue(spin->position() >= spin->min() && spin->position() <= spin->max()
                           && spin->associate()->text() == QString::number(spin->position()),
                       QStringLiteral("%1 at %2 shows \"%3\"")
                           .arg(spin->objectName())
                           .arg(spin->position())
                           .arg(spin->associate()->text()));

        // The menu commands follow the road: output only after display, display only after a good load.
        expectTrue(!ui()->DLoad->isEnabled() || state->roster.studentCount > 0,
                   QStringLiteral("display enabled with student count %1").arg(state->roster.studentCount));
        expectTrue(!ui()->OutPut->isEnabled() || ui()->DLoad->isEnabled(),
                   QStringLiteral("output enabled without display"));

        problems << modals().takeProblems();
    }

    QList<UpDown*> spins()
    {
        return {ui()->UpDown1, ui()->UpDown2, ui()->UpDown3, ui()->UpDown4,
                ui()->UpDown5, ui()->UpDown6, ui()->UpDown7};
    }

    // A chart must have its fixed number of lines, each ending in CR LF.
    void checkChart(const QString& path, bool ruby, int rows)
    {
        const QByteArray bytes = readBytes(path);
        const int lines = int(bytes.count("\r\n"));
        const int expected = (ruby ? 58 : 48) + 2 * rows;
        expectTrue(lines == expected, QStringLiteral("%1 has %2 lines, %3 expected (%4, %5 rows)")
                                          .arg(path)
                                          .arg(lines)
                                          .arg(expected)
                                          .arg(ruby ? "ruby" : "plain")
                                          .arg(rows));
        expectTrue(bytes.endsWith("\r\n"), path + QStringLiteral(" does not end with CR LF"));
        expectTrue(bytes.count('\n') == lines, path + QStringLiteral(" has a line feed without its carriage return"));
        expectTrue(bytes.startsWith(sjBytes("%% 座席表作成システム『Kelmora』 Ver.2.01\r\n")),
                   path + QStringLiteral(" does not start with the program's line"));
    }

    // ------------------------------------------------------------------ actions

    QString openRoster()
    {
        const double r = std::uniform_real_distribution<double>(0, 1)(rng);
        const int countBefore = state->roster.studentCount;
        const std::size_t tableBefore = state->roster.table.size();
        const std::vector<std::int32_t> seatsBefore = seatEntries();
        const std::size_t queueBefore = state->cutQueue.size();
        const int listBefore = state->studentList.rowCount();
        const QList<bool> optionsBefore = optionStates();

        if (r < 0.05) {
            modals().expect(Step::cancelFile());
            ui()->Open->trigger();
            expectTrue(state->roster.studentCount == countBefore && state->roster.table.size() == tableBefore,
                       QStringLiteral("a cancelled load changed the roster"));
            expectTrue(!ui()->DLoad->isEnabled() && !ui()->OutPut->isEnabled(),
                       QStringLiteral("commands still enabled after a cancelled load"));
            return QStringLiteral("load: cancelled");
        }

        RosterCase f;
        if (r < 0.65)
            f = any(goodLoads++ % 2 == 0 ? twoColumns : sixColumns);
        else if (r < 0.75)
            f = any(otherGood);
        else if (r < 0.92)
            f = any(malformed);
        else
            f = missing;

        QString said;
        modals().expect(Step::file(f.path));
        using O = RosterCase::Outcome;
        switch (f.outcome) {
        case O::Loads: break;
        case O::Mixed: modals().expect(Step::box(MessageTitle(), kMixed)); break;
        case O::NoData: modals().expect(Step::box(MessageTitle(), kNoDataLine)); break;
        case O::Missing:
            if (chance(0.5)) {
                modals().expect(Step::box(kOpenError, QStringLiteral("missing.csv"), QMessageBox::Cancel));
            } else {
                // Retry: the dialog again, offering the name tried; then a good file.
                modals().expect(Step::box(kOpenError, QStringLiteral("missing.csv"), QMessageBox::Retry));
                f = any(twoColumns);
                modals().expect(Step::file(f.path));
                said = QStringLiteral(", retried with %1").arg(QFileInfo(f.path).fileName());
            }
            break;
        }
        ui()->Open->trigger();

        const QList<testing::Seen> seen = modals().takeSeen();
        if (f.outcome == O::Loads && seen.size() == 3) // the retried dialog
            expectTrue(seen[2].text == QStringLiteral("missing.csv"),
                       QStringLiteral("retry offered \"%1\"").arg(seen[2].text));

        const Roster& roster = state->roster;
        if (f.outcome == O::Loads) {
            expectTrue(roster.studentCount == f.students && int(roster.table.size()) == f.students
                           && roster.columnCount == f.columns,
                       QStringLiteral("%1 loaded %2 students of %3 columns")
                           .arg(f.path)
                           .arg(roster.studentCount)
                           .arg(roster.columnCount));
            expectTrue(ui()->DLoad->isEnabled(), QStringLiteral("display not enabled after a good load"));
            checkOptions(f.columns, optionsBefore);
        } else {
            expectTrue(!ui()->DLoad->isEnabled(), QStringLiteral("display enabled after loading %1").arg(f.path));
            expectTrue(roster.studentCount == (f.outcome == O::Mixed ? -1 : 0),
                       QStringLiteral("%1 gave student count %2").arg(f.path).arg(roster.studentCount));
            expectTrue(optionStates() == optionsBefore, QStringLiteral("a failed load changed the options"));
        }
        expectTrue(!ui()->OutPut->isEnabled(), QStringLiteral("output enabled right after a load"));
        // Loading leaves the desks, the queue and the list alone.
        expectTrue(seatEntries() == seatsBefore && state->cutQueue.size() == queueBefore
                       && state->studentList.rowCount() == listBefore,
                   QStringLiteral("loading changed the desks, the queue or the list"));
        loaded();
        return QStringLiteral("load %1%2").arg(QFileInfo(f.path).fileName(), said);
    }

    int seatedCount() const
    {
        int n = 0;
        for (int c = 0; c < SeatTable::kSize; ++c)
            for (int r = 0; r < SeatTable::kSize; ++r)
                n += state->seatTable.entry(c, r) != 0;
        return n;
    }

    std::vector<std::int32_t> seatEntries() const
    {
        std::vector<std::int32_t> v;
        v.reserve(SeatTable::kSize * SeatTable::kSize);
        for (int c = 0; c < SeatTable::kSize; ++c)
            for (int r = 0; r < SeatTable::kSize; ++r)
                v.push_back(state->seatTable.entry(c, r));
        return v;
    }

    QList<bool> optionStates()
    {
        return {ui()->RadioButton3->isEnabled(), ui()->RadioButton4->isEnabled(), ui()->RadioButton2->isEnabled(),
                ui()->RadioButton1->isEnabled()};
    }

    void checkOptions(int columns, const QList<bool>& before)
    {
        QList<bool> expected = before;
        if (columns == 2)
            expected = {true, false, false, false};
        else if (columns == 3)
            expected = {true, true, false, false};
        else if (columns >= 6)
            expected = {true, true, true, true};
        expectTrue(optionStates() == expected, QStringLiteral("options after loading %1 columns").arg(columns));
    }

    QString display()
    {
        if (!ui()->DLoad->isEnabled())
            return openRoster(); // greyed: the teacher loads a roster first
        ui()->DLoad->trigger();
        expectTrue(ui()->OutPut->isEnabled(), QStringLiteral("output not enabled by display"));
        expectTrue(state->studentList.rowCount() == state->roster.studentCount + 1,
                   QStringLiteral("the list has %1 rows for %2 students")
                       .arg(state->studentList.rowCount())
                       .arg(state->roster.studentCount));
        return QStringLiteral("display");
    }

    // A point on a cell in view, or now and then anywhere in the grid's view.
    QPoint somewhere(StringGrid* grid, QString* where)
    {
        const QRect view = grid->viewport()->rect();
        if (chance(0.15)) {
            const QPoint p(pick(view.width()), pick(view.height()));
            *where = QStringLiteral("at (%1, %2)").arg(p.x()).arg(p.y());
            return p;
        }
        QList<std::pair<QPoint, QRect>> cells;
        for (int c = 0; c < grid->colCount(); ++c)
            for (int r = 0; r < grid->rowCount(); ++r)
                if (const QRect shown = grid->cellRect(c, r) & view; !shown.isEmpty())
                    cells.append({QPoint(c, r), shown});
        if (cells.isEmpty()) {
            *where = QStringLiteral("at (0, 0), no cell in view");
            return {};
        }
        const auto& [cell, rect] = cells[pick(int(cells.size()))];
        *where = QStringLiteral("on cell (%1, %2)").arg(cell.x()).arg(cell.y());
        return rect.center();
    }

    QString clickGrid(StringGrid* grid, const char* name, double ctrl)
    {
        if (ui()->PageControl1->currentIndex() != 1)
            return changePage();
        QString where;
        const QPoint p = somewhere(grid, &where);
        Qt::MouseButton button = Qt::LeftButton;
        Qt::KeyboardModifiers mods;
        QString how;
        const double r = std::uniform_real_distribution<double>(0, 1)(rng);
        if (r < ctrl) {
            mods = Qt::ControlModifier;
            how = QStringLiteral("ctrl click");
        } else if (r < 0.85) {
            how = QStringLiteral("click");
        } else {
            button = Qt::RightButton;
            mods = chance(0.5) ? Qt::ControlModifier : Qt::NoModifier;
            how = mods ? QStringLiteral("ctrl right click") : QStringLiteral("right click");
        }
        QTest::mouseClick(grid->viewport(), button, mods, p);
        return QStringLiteral("%1 %2 %3").arg(how, QLatin1String(name), where);
    }

    QString drag()
    {
        if (ui()->PageControl1->currentIndex() != 1)
            return changePage();
        StringGrid* grid = ui()->StringGrid2;
        QString from, to;
        const QPoint a = somewhere(grid, &from);
        const QPoint b = somewhere(grid, &to);
        const Qt::KeyboardModifiers mods = chance(0.3) ? Qt::ControlModifier : Qt::NoModifier;
        QTest::mousePress(grid->viewport(), Qt::LeftButton, mods, a);
        QTest::mouseMove(grid->viewport(), (a + b) / 2);
        QTest::mouseMove(grid->viewport(), b);
        QTest::mouseRelease(grid->viewport(), Qt::LeftButton, mods, b);
        return QStringLiteral("%1drag on the desks %2 to %3").arg(mods ? "ctrl " : "", from, to);
    }

    QString key()
    {
        StringGrid* grid = chance(0.5) ? ui()->StringGrid2 : ui()->StringGrid3;
        static const QList<Qt::Key> keys{Qt::Key_Left,   Qt::Key_Right,    Qt::Key_Up,   Qt::Key_Down,
                                         Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End};
        const Qt::Key k = any(keys);
        QTest::keyClick(grid, k);
        return QStringLiteral("key %1 on %2").arg(int(k), 0, 16).arg(grid->objectName());
    }

    QString scrollList()
    {
        QScrollBar* bar = ui()->StringGrid3->verticalScrollBar();
        bar->setValue(bar->minimum() + pick(bar->maximum() - bar->minimum() + 1));
        return QStringLiteral("scroll the list to %1").arg(bar->value());
    }

    QString clearSeats()
    {
        const std::vector<std::int32_t> before = seatEntries();
        const std::size_t queued = state->cutQueue.size();
        ui()->BitBtn1->click();
        StringGrid* grid = ui()->StringGrid2;
        const std::vector<std::int32_t> after = seatEntries();
        for (int c = 0; c < SeatTable::kSize; ++c)
            for (int r = 0; r < SeatTable::kSize; ++r) {
                const std::size_t i = std::size_t(c) * SeatTable::kSize + std::size_t(r);
                const bool inside = c < grid->colCount() && r < grid->rowCount();
                if (inside ? after[i] != 0 : after[i] != before[i])
                    problem(QStringLiteral("desk (%1, %2) holds %3 after clearing, %4 before")
                                .arg(c)
                                .arg(r)
                                .arg(after[i])
                                .arg(before[i]));
            }
        expectTrue(state->cutQueue.size() == queued, QStringLiteral("clearing the desks changed the queue"));
        return QStringLiteral("clear the desks");
    }

    QString clearList()
    {
        const std::size_t queued = state->cutQueue.size();
        ui()->BitBtn2->click();
        expectTrue(state->studentList.rowCount() == 2,
                   QStringLiteral("the cleared list has %1 rows").arg(state->studentList.rowCount()));
        expectTrue(state->cutQueue.size() == queued, QStringLiteral("clearing the list changed the queue"));
        return QStringLiteral("clear the list");
    }

    QString spin()
    {
        UpDown* spin = any(spins());
        const UpDown::Button button = chance(0.5) ? UpDown::Button::Next : UpDown::Button::Prev;
        const int presses = 1 + pick(chance(0.1) ? 40 : 4);
        for (int i = 0; i < presses; ++i)
            spin->press(button);
        return QStringLiteral("%1 %2 x%3 -> %4")
            .arg(spin->objectName(), button == UpDown::Button::Next ? "next" : "prev")
            .arg(presses)
            .arg(spin->position());
    }

    QString changePage()
    {
        const int to = 1 - ui()->PageControl1->currentIndex();
        ui()->PageControl1->setCurrentIndex(to);
        // Each change of page gives the desks the size chosen on the settings page.
        expectTrue(ui()->StringGrid2->colCount() == ui()->UpDown1->position()
                       && ui()->StringGrid2->rowCount() == ui()->UpDown2->position(),
                   QStringLiteral("the desks are %1 x %2 after a page change, %3 x %4 chosen")
                       .arg(ui()->StringGrid2->colCount())
                       .arg(ui()->StringGrid2->rowCount())
                       .arg(ui()->UpDown1->position())
                       .arg(ui()->UpDown2->position()));
        return QStringLiteral("page %1").arg(to);
    }

    QString tick()
    {
        if (chance(0.6)) {
            form->Timer1Timer();
            return QStringLiteral("Timer1");
        }
        form->Timer2Timer();
        return QStringLiteral("Timer2");
    }

    QString radio()
    {
        QList<QRadioButton*> enabled;
        for (QRadioButton* b : {ui()->RadioButton1, ui()->RadioButton2, ui()->RadioButton3, ui()->RadioButton4})
            if (b->isEnabled())
                enabled << b;
        if (enabled.isEmpty())
            return QStringLiteral("radio: none enabled");
        QRadioButton* b = any(enabled);
        b->click();
        expectTrue(b->isChecked(), b->objectName() + QStringLiteral(" not checked by its click"));
        return QStringLiteral("check %1").arg(b->objectName());
    }

    QString title()
    {
        static const QStringList titles{QString(),
                                        QStringLiteral("座席表"),
                                        QStringLiteral("２年３組　座席表"),
                                        QStringLiteral("\\textbf{A}&_%$# {}"),
                                        QStringLiteral("（５月１日\u301C）"),
                                        QString(300, QChar(u'席')),
                                        QStringLiteral("座席表 😀")};
        ui()->Edit3->setText(any(titles));
        return QStringLiteral("title \"%1\"").arg(ui()->Edit3->text().left(20));
    }

    QString writeChart()
    {
        if (!ui()->OutPut->isEnabled())
            return display(); // greyed: the teacher displays the list first
        if (!cp932::FromUnicode(ui()->Edit3->text())) {
            const QMap<QString, QByteArray> before = chartFiles();
            modals().expect(Step::box(MessageTitle(), QStringLiteral("表題")));
            ui()->OutPut->trigger();
            expectTrue(chartFiles() == before, QStringLiteral("a refused title touched the charts"));
            return QStringLiteral("output refused for the title");
        }
        static const QStringList names{"Kelmora.tex", "a.tex", "b", "座席表 1学期.tex"};
        const QString typed = charts + u'/' + any(names);
        const QString path = typed.endsWith(".tex") ? typed : typed + ".tex";
        const bool existed = QFile::exists(path);
        const QByteArray old = readBytes(path);
        const bool ruby = state->roster.columnCount >= 6 && ui()->RadioButton2->isChecked();
        const int rows = ui()->StringGrid2->rowCount();

        QString how;
        bool written = true;
        if (chance(0.05)) {
            modals().expect(Step::cancelFile());
            written = false;
            how = QStringLiteral("cancelled");
        } else {
            modals().expect(Step::file(typed));
            if (existed) {
                // The question before replacing the file: No leaves the dialog up, then cancel.
                const bool replace = chance(0.85);
                modals().expect(Step::box(QString(), QString(), replace ? QMessageBox::Yes : QMessageBox::No));
                if (!replace) {
                    modals().expect(Step::cancelFile());
                    written = false;
                    how = QStringLiteral("not replaced");
                }
            }
        }
        ui()->OutPut->trigger();
        const QList<testing::Seen> seen = modals().takeSeen();
        expectTrue(!seen.isEmpty() && seen[0].text == QStringLiteral("Kelmora.tex"),
                   QStringLiteral("the save dialog offered \"%1\"").arg(seen.isEmpty() ? QString() : seen[0].text));
        if (written) {
            ++chartsWritten;
            checkChart(path, ruby, rows);
            how =
                QStringLiteral("%1 x %2, %3").arg(ui()->StringGrid2->colCount()).arg(rows).arg(ruby ? "ruby" : "plain");
        } else {
            expectTrue(QFile::exists(path) == existed && readBytes(path) == old,
                       path + QStringLiteral(" changed although nothing was written"));
        }
        return QStringLiteral("output %1 (%2)").arg(QFileInfo(path).fileName(), how);
    }

    // Undo or redo through the Edit menu, with the keys. Undo stops at the last
    // load, so that the state right after it can still be undone to.
    QString undoOrRedo(bool undo)
    {
        QUndoStack* stack = form->undoStack;
        // Nothing to redo: undone first, as a teacher tries a step once more.
        if (!undo && !stack->canRedo() && stack->index() > loadIndex)
            undoOrRedo(true);
        const int before = stack->index();
        if (undo ? before <= loadIndex : !stack->canRedo())
            return undo ? QStringLiteral("undo: back at the last load") : QStringLiteral("redo: nothing to redo");
        const QString what = undo ? stack->undoText() : stack->redoText();
        activate();
        WindowTest::key(Qt::Key_E, Qt::AltModifier);
        expectTrue(QApplication::activePopupWidget() == ui()->Edits, QStringLiteral("the Edit menu did not open"));
        WindowTest::key(undo ? Qt::Key_U : Qt::Key_R);
        expectTrue(
            stack->index() == before + (undo ? -1 : 1),
            QStringLiteral("%1 went from step %2 to %3").arg(undo ? "undo" : "redo").arg(before).arg(stack->index()));
        return QStringLiteral("%1 %2").arg(undo ? "undo" : "redo", what);
    }

    // Every step since the last load undone gives the state right after it; all
    // redone, the state before.
    QString undoToLoad()
    {
        QUndoStack* stack = form->undoStack;
        const int steps = stack->index() - loadIndex;
        const Placement now = capture(*state);
        for (int i = 0; i < steps; ++i)
            ui()->Undo->trigger();
        expectTrue(capture(*state) == atLoad,
                   QStringLiteral("%1 steps undone do not give the state after the last load").arg(steps));
        for (int i = 0; i < steps; ++i)
            ui()->Redo->trigger();
        expectTrue(capture(*state) == now, QStringLiteral("%1 steps redone do not give the state before").arg(steps));
        ++undoneToLoad;
        return QStringLiteral("undo %1 steps to the last load and redo them").arg(steps);
    }

    // 席替え with Alt+K, 決定 with Enter. The dialog may work a while, or say why
    // it cannot draw and stay open (then Escape closes it): the session waits
    // until it is gone.
    QString draft()
    {
        if (!ui()->Draft->isEnabled())
            return display();
        const int before = form->undoStack->index();
        const std::vector<std::int32_t> seatsBefore = seatEntries();
        auto answered = std::make_shared<bool>(false);
        auto reason = std::make_shared<QString>();
        modals().expect(Step::any<DraftDialog>([answered, reason](DraftDialog* dialog) {
            *answered = true;
            QPointer<DraftDialog> shown(dialog);
            QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Return);
            // While it works, the dialog is no window left unanswered.
            modals().watch(false);
            QElapsedTimer waited;
            waited.start();
            while (shown && shown->isVisible() && shown->Reason->text().isEmpty() && waited.elapsed() < 30000)
                QTest::qWait(10);
            modals().watch(true);
            if (shown && shown->isVisible()) {
                *reason = shown->Reason->text().isEmpty() ? QStringLiteral("(still open)") : shown->Reason->text();
                QTest::keyClick(shown, Qt::Key_Escape);
            }
        }));
        activate();
        WindowTest::key(Qt::Key_K, Qt::AltModifier);
        QElapsedTimer clock;
        clock.start();
        auto open = [] {
            const QWidgetList windows = QApplication::topLevelWidgets();
            return std::any_of(windows.begin(), windows.end(),
                               [](QWidget* w) { return qobject_cast<DraftDialog*>(w) && w->isVisible(); });
        };
        while ((!*answered || open()) && clock.elapsed() < 60000)
            QTest::qWait(10);
        if (!*answered || open()) {
            problem(QStringLiteral("the draft dialog did not come or did not go"));
            return QStringLiteral("draft: stuck");
        }
        if (!reason->isEmpty()) {
            expectTrue(form->undoStack->index() == before && seatEntries() == seatsBefore,
                       QStringLiteral("a draft that was not drawn (%1) changed the desks").arg(*reason));
            return QStringLiteral("draft refused: %1").arg(*reason);
        }
        expectTrue(form->undoStack->index() <= before + 1, QStringLiteral("one draft made more than one step"));
        if (form->undoStack->index() == before)
            return QStringLiteral("draft: nothing changed");
        ++drafts;
        // Each student of the roster is on one desk of the grid at most.
        std::map<std::int32_t, int> seated;
        for (int c = 0; c < ui()->StringGrid2->colCount(); ++c)
            for (int r = 0; r < ui()->StringGrid2->rowCount(); ++r)
                if (const std::int32_t p = state->seatTable.entry(c, r))
                    ++seated[p];
        for (const auto& [p, n] : seated)
            expectTrue(n == 1 || p > state->roster.studentCount,
                       QStringLiteral("student %1 sits on %2 desks after a draft").arg(p).arg(n));
        return QStringLiteral("draft (%1 x %2)").arg(ui()->StringGrid2->colCount()).arg(ui()->StringGrid2->rowCount());
    }

    std::string chart()
    {
        const ChartInput in{state->seatTable, ui()->StringGrid2->colCount(), ui()->StringGrid2->rowCount(),
                            state->roster.table, "T"};
        return WriteRubySeatingChart(in);
    }

    // Whether each desk and each waiting name is a student of the roster, and
    // each student is placed once: then nobody can be missing on opening.
    bool placementWhole() const
    {
        std::set<std::int32_t> seen;
        const auto student = [&](std::int32_t p) {
            return p >= 1 && p <= state->roster.studentCount && seen.insert(p).second;
        };
        for (int c = 0; c < SeatTable::kSize; ++c)
            for (int r = 0; r < SeatTable::kSize; ++r)
                if (const std::int32_t p = state->seatTable.entry(c, r); p && !student(p))
                    return false;
        for (const std::int32_t p : state->cutQueue.positions())
            if (!student(p))
                return false;
        return true;
    }

    // A message box saying `text`, which may or may not come.
    static Step mayCome(const QString& text)
    {
        Step step = Step::box(QString(), text);
        step.fits = [text](QWidget* w) {
            const auto* box = qobject_cast<QMessageBox*>(w);
            return box && box->text().contains(text);
        };
        return std::move(step).loose(2000);
    }

    // A message that may or may not come has had its chance once the command
    // returned: its step must not wait for the next action's windows.
    void forgetLooseSteps()
    {
        problems << modals().takeProblems();
        modals().reset();
        modals().watch(true);
    }

    // Saved through the save dialog; now and then opened again at once, which
    // must give the same desks, the same queue and the same chart.
    QString saveArrangement()
    {
        if (state->roster.studentCount <= 0)
            return openRoster();
        static const QStringList names{"class.kelmora", "2年3組.kelmora", "b"};
        const QString typed = dir.filePath(any(names));
        const QString path = typed.endsWith(".kelmora") ? typed : typed + ".kelmora";
        modals().expect(Step::file(typed));
        if (QFile::exists(path))
            modals().expect(Step::box(QString(), QString(), QMessageBox::Yes));
        ui()->SaveArrangementAs->trigger();
        expectTrue(!form->arrangementChanged(), QStringLiteral("changed right after saving"));
        if (!chance(0.5))
            return QStringLiteral("save %1").arg(QFileInfo(path).fileName());

        const Placement saved = capture(*state);
        const std::string before = chart();
        const bool whole = placementWhole();
        modals().expect(Step::file(path));
        if (!whole) // desks of an earlier roster, or one student twice
            modals().expect(mayCome(kMissing));
        ui()->OpenArrangement->trigger();
        forgetLooseSteps();
        loaded();
        expectTrue(!form->arrangementChanged(), QStringLiteral("changed right after opening"));
        if (!whole)
            return QStringLiteral("save and open %1 (students missing)").arg(QFileInfo(path).fileName());
        ++reopened;
        expectTrue(saved.desks == atLoad.desks && saved.queue == atLoad.queue,
                   QStringLiteral("the desks or the queue opened are not those saved"));
        expectTrue(chart() == before, QStringLiteral("the chart of the arrangement opened is not the one saved"));
        return QStringLiteral("save and open %1").arg(QFileInfo(path).fileName());
    }

    // An arrangement saved earlier in the session, opened over whatever roster
    // is loaded: students it cannot find are named.
    QString openArrangement()
    {
        const QStringList files = QDir(dir.path()).entryList({QStringLiteral("*.kelmora")}, QDir::Files);
        if (files.isEmpty())
            return saveArrangement();
        const QString path = dir.filePath(any(files));
        // Changed desks are not replaced unasked; キャンセル leaves them as they are.
        if (form->arrangementChanged()) {
            const QString asked = QStringLiteral("保存しますか");
            if (chance(0.2)) {
                const Placement before = capture(*state);
                modals().expect(Step::box(QString(), asked, QMessageBox::Cancel));
                ui()->OpenArrangement->trigger();
                expectTrue(capture(*state) == before && form->arrangementChanged(),
                           QStringLiteral("the desks changed when opening was cancelled"));
                return QStringLiteral("open %1: cancelled").arg(QFileInfo(path).fileName());
            }
            modals().expect(Step::box(QString(), asked, QMessageBox::Discard));
        }
        modals().expect(Step::file(path));
        if (state->roster.studentCount <= 0) {
            modals().expect(Step::box(QString(), QStringLiteral("名簿が読み込まれていません"), QMessageBox::No));
            ui()->OpenArrangement->trigger();
            return QStringLiteral("open %1: no roster, not loaded").arg(QFileInfo(path).fileName());
        }
        // Saved over a roster of family names, opened over one without them; saved
        // over a longer roster or another class.
        modals().expect({mayCome(QStringLiteral("姓の列がありません")), mayCome(kMissing)});
        ui()->OpenArrangement->trigger();
        forgetLooseSteps();
        loaded();
        return QStringLiteral("open %1").arg(QFileInfo(path).fileName());
    }

    QMap<QString, QByteArray> chartFiles()
    {
        QMap<QString, QByteArray> files;
        for (const QString& name : QDir(charts).entryList(QDir::Files))
            files[name] = readBytes(charts + u'/' + name);
        return files;
    }

    // One action, drawn by weight: each action's share of 100, the charts the rest.
    QString act()
    {
        const std::pair<double, std::function<QString()>> actions[] = {
            {7, [this] { return openRoster(); }},
            {5, [this] { return display(); }},
            {25, [this] { return clickGrid(ui()->StringGrid2, "desks", 0.4); }},
            {16, [this] { return clickGrid(ui()->StringGrid3, "list", 0.7); }},
            {2, [this] { return drag(); }},
            {2, [this] { return key(); }},
            {2, [this] { return scrollList(); }},
            {1.5, [this] { return clearSeats(); }},
            {1.5, [this] { return clearList(); }},
            {11, [this] { return spin(); }},
            {4, [this] { return changePage(); }},
            {6, [this] { return tick(); }},
            {2, [this] { return radio(); }},
            {1, [this] { return title(); }},
            {3, [this] { return undoOrRedo(true); }},
            {1.5, [this] { return undoOrRedo(false); }},
            {1, [this] { return draft(); }},
            {0.8, [this] { return saveArrangement(); }},
            {0.4, [this] { return openArrangement(); }},
            {0.1, [this] { return undoToLoad(); }},
        };
        double r = std::uniform_real_distribution<double>(0, 100)(rng);
        for (const auto& [share, action] : actions) {
            if (r < share)
                return action();
            r -= share;
        }
        return writeChart();
    }

private slots:
    void initTestCase()
    {
        previousHandler = qInstallMessageHandler(quietHandler);
        QVERIFY(dir.isValid());
        charts = dir.filePath("charts");
        QVERIFY(QDir().mkpath(charts));
        writeRosters();
    }

    void cleanupTestCase() { qInstallMessageHandler(previousHandler); }

    void randomSession()
    {
        const unsigned long actions = envNumber("KELMORA_STRESS_ACTIONS", kDefaultActions);
        const unsigned long seed = envNumber("KELMORA_STRESS_SEED", kDefaultSeed);
        rng.seed(static_cast<std::mt19937::result_type>(seed));
        QElapsedTimer clock;
        clock.start();
        loaded();

        for (unsigned long i = 1; i <= actions; ++i) {
            problems.clear();
            modals().takeSeen(); // what an action saw is its own
            const int seatedBefore = seatedCount();
            const QString what = act();
            const int seatedAfter = seatedCount();
            placed += std::max(0, seatedAfter - seatedBefore);
            taken += std::max(0, seatedBefore - seatedAfter);
            longestQueue = std::max(longestQueue, int(state->cutQueue.size()));
            QCoreApplication::processEvents();
            if (i % 25 == 0)
                form->grab(); // paint every cell, long names and odd bytes included
            checkInvariants();
            counts[what.section(u' ', 0, 0)]++;
            recent.push_back(QStringLiteral("#%1 %2").arg(i).arg(what));
            if (recent.size() > 15)
                recent.pop_front();
            if (!problems.isEmpty()) {
                QStringList report{QStringLiteral("seed %1, action %2 of %3").arg(seed).arg(i).arg(actions)};
                report << QStringLiteral("last actions:");
                for (const QString& a : recent)
                    report << QStringLiteral("  ") + a;
                report << QStringLiteral("problems:") << problems;
                QFAIL(qPrintable(report.join(u'\n')));
            }
        }

        QStringList summary;
        for (const auto& [kind, n] : counts)
            summary << QStringLiteral("%1 %2").arg(kind).arg(n);
        qInfo("%lu actions (seed %lu) in %.1f s; %d charts written; desks filled %d and emptied %d times, "
              "at most %d names waiting; %d drafts, %d arrangements reopened to the same chart, undone to the "
              "last load %d times; by kind: %s",
              actions, seed, double(clock.elapsed()) / 1000.0, chartsWritten, placed, taken, longestQueue, drafts,
              reopened, undoneToLoad, qPrintable(summary.join(", ")));
    }
};

QTEST_MAIN(StressTest)
#include "tst_stress.moc"
