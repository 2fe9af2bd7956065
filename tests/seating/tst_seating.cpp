#include "seating/Placement.h"
#include "seating/PlacementChange.h"

#include <QTest>

using namespace kelmora;

namespace {

// A student list showing `names` on rows 1..n, numbers "1".."n".
StudentList listOf(std::initializer_list<const char*> names)
{
    StudentList list;
    list.setRowCount(static_cast<int>(names.size()) + 1);
    int row = 1;
    for (const char* name : names) {
        list.setCell(0, row, std::to_string(row));
        list.setCell(1, row, name);
        ++row;
    }
    return list;
}

std::vector<std::string> queued(const CutQueue& q)
{
    return {q.names().begin(), q.names().end()};
}

} // namespace

class SeatingTest : public QObject {
    Q_OBJECT

private slots:
    void cutsFromTheListInOrderAndPastesFirstInFirstOut()
    {
        StudentList list = listOf({"A", "B", "C", "D"});
        SeatTable seats;
        CutQueue queue;
        QVERIFY(StudentListMouseUp(list, 2, queue, MouseButton::Left, true));
        QVERIFY(StudentListMouseUp(list, 4, queue, MouseButton::Left, true));
        QVERIFY(StudentListMouseUp(list, 1, queue, MouseButton::Left, true));
        QCOMPARE(queued(queue), (std::vector<std::string>{"B", "D", "A"}));
        QCOMPARE(std::vector<int>(queue.positions().begin(), queue.positions().end()), (std::vector<int>{2, 4, 1}));
        // The name cell empties; the number stays.
        QCOMPARE(list.cell(1, 2), std::string());
        QCOMPARE(list.cell(0, 2), std::string("2"));

        QCOMPARE(SeatGridMouseUp(seats, 0, 0, queue, MouseButton::Left, false), SeatAction::Paste);
        QCOMPARE(SeatGridMouseUp(seats, 4, 6, queue, MouseButton::Left, false), SeatAction::Paste);
        QCOMPARE(SeatGridMouseUp(seats, 1, 0, queue, MouseButton::Left, false), SeatAction::Paste);
        QCOMPARE(seats.text(0, 0), std::string("B"));
        QCOMPARE(seats.entry(0, 0), 2);
        QCOMPARE(seats.text(4, 6), std::string("D"));
        QCOMPARE(seats.entry(4, 6), 4);
        QCOMPARE(seats.text(1, 0), std::string("A"));
        QCOMPARE(seats.entry(1, 0), 1);
        QVERIFY(queue.empty());
    }

    void refusesWhatCannotAct_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<int>("row");
        QTest::newRow("right click with ctrl") << int(MouseButton::Right) << true << 1;
        QTest::newRow("middle click with ctrl") << int(MouseButton::Middle) << true << 1;
        QTest::newRow("plain left click") << int(MouseButton::Left) << false << 1;
        QTest::newRow("row already cut") << int(MouseButton::Left) << true << 2;
        QTest::newRow("header row") << int(MouseButton::Left) << true << 0;
        QTest::newRow("beyond the list") << int(MouseButton::Left) << true << 3;
    }
    void refusesWhatCannotAct()
    {
        QFETCH(int, button);
        QFETCH(bool, ctrl);
        QFETCH(int, row);
        StudentList list = listOf({"A", ""});
        // A header that holds texts, so that row 0 is refused for being the header.
        list.setCell(0, 0, "No.");
        list.setCell(1, 0, "Name");
        CutQueue queue;
        QVERIFY(!StudentListMouseUp(list, row, queue, MouseButton(button), ctrl));
        QVERIFY(queue.empty());
        QCOMPARE(list.cell(1, 1), std::string("A"));
    }

    void neverOverwritesAnOccupiedSeat()
    {
        SeatTable seats;
        CutQueue queue;
        seats.seat(2, 3, "X", 7);
        queue.append("Y", 8);
        QCOMPARE(SeatGridMouseUp(seats, 2, 3, queue, MouseButton::Left, false), SeatAction::None);
        QCOMPARE(seats.text(2, 3), std::string("X"));
        QCOMPARE(seats.entry(2, 3), 7);
        QCOMPARE(queue.size(), std::size_t(1));
        QCOMPARE(queue.frontName(), std::string("Y"));
    }

    void emptySeatWithEmptyQueueAndOtherButtonsDoNothing()
    {
        SeatTable seats;
        CutQueue queue;
        QCOMPARE(SeatGridMouseUp(seats, 0, 0, queue, MouseButton::Left, false), SeatAction::None);
        QCOMPARE(SeatGridMouseUp(seats, 0, 0, queue, MouseButton::Left, true), SeatAction::None);
        seats.seat(0, 0, "X", 1);
        queue.append("Y", 2);
        QCOMPARE(SeatGridMouseUp(seats, 0, 0, queue, MouseButton::Right, true), SeatAction::None);
        QCOMPARE(SeatGridMouseUp(seats, 1, 0, queue, MouseButton::Right, false), SeatAction::None);
        QCOMPARE(SeatGridMouseUp(seats, 1, 0, queue, MouseButton::Middle, false), SeatAction::None);
        QCOMPARE(seats.text(0, 0), std::string("X"));
        QCOMPARE(seats.text(1, 0), std::string());
        QCOMPARE(queue.size(), std::size_t(1));
    }

    void cuttingFromASeatQueuesBehindWaitingNames()
    {
        SeatTable seats;
        CutQueue queue;
        seats.seat(1, 1, "D", 4);
        queue.append("E", 5);
        QCOMPARE(SeatGridMouseUp(seats, 1, 1, queue, MouseButton::Left, true), SeatAction::Cut);
        QCOMPARE(seats.text(1, 1), std::string());
        QCOMPARE(seats.entry(1, 1), 0);
        QCOMPARE(queued(queue), (std::vector<std::string>{"E", "D"}));
        QCOMPARE(queue.positions().back(), 4);
        // The next two pastes place E, then D, with their positions.
        QCOMPARE(SeatGridMouseUp(seats, 1, 1, queue, MouseButton::Left, false), SeatAction::Paste);
        QCOMPARE(SeatGridMouseUp(seats, 0, 1, queue, MouseButton::Left, false), SeatAction::Paste);
        QCOMPARE(seats.text(1, 1), std::string("E"));
        QCOMPARE(seats.entry(1, 1), 5);
        QCOMPARE(seats.text(0, 1), std::string("D"));
        QCOMPARE(seats.entry(0, 1), 4);
    }

    void seatTextAndEntryAlwaysAgree()
    {
        SeatTable seats;
        seats.seat(0, 0, "", 3);
        QCOMPARE(seats.entry(0, 0), 0);
        seats.seat(0, 0, "Z", 0);
        QCOMPARE(seats.text(0, 0), std::string());
        seats.seat(99, 99, "Z", 9);
        QCOMPARE(seats.entry(99, 99), 9);
        QVERIFY(!SeatTable::inRange(100, 0));
        QVERIFY(!SeatTable::inRange(0, -1));
        CutQueue queue;
        queue.append("Q", 1);
        QCOMPARE(SeatGridMouseUp(seats, 100, 0, queue, MouseButton::Left, false), SeatAction::None);
        QCOMPARE(SeatGridMouseUp(seats, -1, 0, queue, MouseButton::Left, false), SeatAction::None);
    }

    // The unsaved-changes question compares the table with the saved one; an
    // emptied classroom must equal one never used, a moved name must not.
    void tablesCompareByTheirDesksAlone()
    {
        const SeatTable fresh;
        SeatTable used;
        used.seat(3, 4, "A", 1);
        QVERIFY(!(used == fresh) && !(fresh == used));
        used.empty(3, 4);
        QVERIFY(used == fresh && fresh == used);
        used.seat(3, 4, "A", 1);
        SeatTable other;
        other.seat(4, 3, "A", 1);
        QVERIFY(!(used == other));
        other.empty(4, 3);
        other.seat(3, 4, "B", 1);
        QVERIFY(!(used == other)); // same student, another text
        other.seat(3, 4, "A", 1);
        QVERIFY(used == other);
        QCOMPARE(fresh.text(99, 99), std::string());
        QCOMPARE(fresh.entry(99, 99), 0);
    }

    void clearingSeatsKeepsThoseOutsideTheGrid()
    {
        SeatTable seats;
        for (int c = 0; c < 6; ++c)
            for (int r = 0; r < 5; ++r)
                seats.seat(c, r, "N", c * 10 + r + 1);
        CutQueue queue;
        queue.append("W", 50);
        ClearSeats(seats, 4, 3);
        for (int c = 0; c < 6; ++c)
            for (int r = 0; r < 5; ++r) {
                const bool inside = c < 4 && r < 3;
                QCOMPARE(seats.entry(c, r), inside ? 0 : c * 10 + r + 1);
                QCOMPARE(seats.text(c, r).empty(), inside);
            }
        QCOMPARE(queue.size(), std::size_t(1)); // the queue is not touched
    }

    void clearingTheListLeavesHeaderAndOneEmptyRow()
    {
        StudentList list = listOf({"A", "B", "C"});
        list.setCell(0, 0, "H0");
        list.setCell(1, 0, "H1");
        ClearStudentList(list);
        QCOMPARE(list.rowCount(), 2);
        QCOMPARE(list.cell(0, 0), std::string("H0"));
        QCOMPARE(list.cell(1, 0), std::string("H1"));
        QCOMPARE(list.cell(0, 1), std::string());
        QCOMPARE(list.cell(1, 1), std::string());
        // Growing again shows no stale rows.
        list.setRowCount(4);
        QCOMPARE(list.cell(1, 2), std::string());
        QCOMPARE(list.cell(1, 3), std::string());
    }

    // A change of many cells at once (a seat change, opening an arrangement),
    // undone and done again: the waiting names come back in their order, and a
    // desk whose student stayed but whose text went from full to family name
    // gets its text back.
    void aChangeOfManyCellsIsUndoneExactly()
    {
        SeatTable seats;
        StudentList list = listOf({"Sato Sho", "B", "C", "D", "E"});
        CutQueue queue;
        seats.seat(0, 0, "Sato Sho", 1);
        seats.seat(3, 3, "X", 9);
        for (int p = 2; p <= 4; ++p) {
            QVERIFY(StudentListMouseUp(list, p, queue, MouseButton::Left, true));
        }
        const PlacementState now{seats, list, queue};
        const PlacementSnapshot before = PlacementSnapshot::Take(now);

        seats.seat(0, 0, "Sato", 1);
        seats.empty(3, 3);
        seats.seat(1, 1, "B", 2);
        queue.removeFront();
        queue.removeFront();
        queue.append("E", 5);
        list.setCell(1, 5, {});
        list.setRowCount(4);
        const PlacementSnapshot after = PlacementSnapshot::Take(now);
        const PlacementChange change = PlacementChange::Between(before, now);

        auto same = [](const PlacementSnapshot& a, const PlacementState& b) {
            if (!(a.seats == b.seats) || !(a.queue == b.queue) || a.list.rowCount() != b.list.rowCount())
                return false;
            for (int r = 0; r < a.list.rowCount(); ++r)
                if (a.list.cell(0, r) != b.list.cell(0, r) || a.list.cell(1, r) != b.list.cell(1, r))
                    return false;
            return true;
        };
        for (int round = 0; round < 2; ++round) {
            change.undo(now);
            QVERIFY(same(before, now));
            QCOMPARE(queued(queue), (std::vector<std::string>{"B", "C", "D"}));
            QCOMPARE(seats.text(0, 0), std::string("Sato Sho"));
            change.redo(now);
            QVERIFY(same(after, now));
        }
    }

    void blinksRedThenNavyWhileNamesWait()
    {
        int counter = 0;
        CutQueue queue;
        QCOMPARE(BlinkStep(counter, queue), std::nullopt);
        QCOMPARE(counter, 0);
        queue.append("A", 1);
        QCOMPARE(BlinkStep(counter, queue), std::optional(DeskColour::Red));
        QCOMPARE(BlinkStep(counter, queue), std::optional(DeskColour::Navy));
        QCOMPARE(BlinkStep(counter, queue), std::optional(DeskColour::Red));
        queue.removeFront();
        QCOMPARE(BlinkStep(counter, queue), std::nullopt); // stops, keeping the count
        queue.append("B", 2);
        QCOMPARE(BlinkStep(counter, queue), std::optional(DeskColour::Navy));
    }

    void blinkCounterWrapsAtAThousandKeepingTheRhythm()
    {
        CutQueue queue;
        queue.append("A", 1);
        int counter = 999;
        QCOMPARE(BlinkStep(counter, queue), std::optional(DeskColour::Navy));
        QCOMPARE(counter, 1000);
        QCOMPARE(BlinkStep(counter, queue), std::optional(DeskColour::Red));
        QCOMPARE(counter, 1);
        counter = 5000; // whatever it held, it comes back into range
        QCOMPARE(BlinkStep(counter, queue), std::optional(DeskColour::Red));
        QCOMPARE(counter, 1);
    }
};

QTEST_APPLESS_MAIN(SeatingTest)
#include "tst_seating.moc"
