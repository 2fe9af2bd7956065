// The 席替え dialog with large rosters (offscreen): from its constructor to its
// first frame, for 40, 1,000 and 10,000 students (goal for 1,000: under 1 s), and
// 引く from the click to the answer on view, which includes the hop to the
// draw's thread and back.
#include "SampleRoster.h"
#include "Timing.h"
#include "app/draft/DraftDialog.h"
#include "roster/RosterText.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace kelmora;

namespace {

using bench::Clock;
using bench::Median;
using bench::Ms;

void Measure(int students, int runs)
{
    Roster roster;
    roster.studentCount = ReadRosterText(roster.table, bench::MakeRosterText(students), roster.columnCount, nullptr);
    if (roster.studentCount != students) {
        std::printf("draft dialog: %d students read, %d expected\n", roster.studentCount, students);
        return;
    }
    const SeatTable seats;
    constexpr int kColumns = 7;
    constexpr int kRows = 6;
    std::vector<double> open, draw;
    for (int run = 0; run < runs; ++run) {
        DraftConditions conditions; // as on the first opening: fitted to the roster inside
        const auto t0 = Clock::now();
        DraftDialog dialog(conditions, roster, seats, kColumns, kRows, NameMode::FullName,
                           [](const std::vector<DraftSeat>&) {});
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) {
            std::printf("draft dialog: the dialog did not show\n");
            return;
        }
        dialog.StudentGrid->viewport()->repaint();
        open.push_back(Ms(Clock::now() - t0));

        const auto t1 = Clock::now();
        QTest::mouseClick(dialog.DrawButton, Qt::LeftButton);
        while (dialog.searching())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QCoreApplication::processEvents();
        draw.push_back(Ms(Clock::now() - t1));
        dialog.hide();
    }
    std::printf("draft dialog, %5d students on %d x %d desks, median of %d: open %.1f ms (slowest %.1f)%s, "
                "引く to the answer %.1f ms\n",
                students, kColumns, kRows, runs, Median(open), *std::max_element(open.begin(), open.end()),
                students == 1000 ? (Median(open) < 1000 ? " (goal: under 1 s, met)" : " (goal: under 1 s, MISSED)")
                                 : "",
                Median(draw));
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Measure(40, 9);
    Measure(1000, 9);
    Measure(10'000, 3);
    return 0;
}
