#pragma once
// The year's history of an arrangement: each chart written records who sat where,
// by date, so that the year can be looked back on and kept fair.
#include "arrangement/Arrangement.h"
#include "draft/DraftSetup.h"
#include "seating/Room.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace kelmora {

// One chart's arrangement: the grid size and the students at its desks, named as
// an arrangement file names a desk's student (number and full name).
struct HistoryEntry {
    QDate date;
    int columns = 0, rows = 0;     // 1..12
    std::vector<PlacedDesk> desks; // occupied desks inside the grid, each once
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The desks inside the grid of columns × rows, as they are now, on `date`.
HistoryEntry RecordHistoryEntry(const QDate& date, const SeatTable& seats, int columns, int rows, const Roster& roster);

// Adds `entry` in date order; an entry of the same date is replaced by it.
void AddHistoryEntry(std::vector<HistoryEntry>& history, HistoryEntry entry);

// The file's "history" array, oldest first (docs/arrangement-format.md).
QJsonArray HistoryRecord(const std::vector<HistoryEntry>& history);

// The entries of a file's "history" value (missing: none). An entry that cannot be
// used is left out, and `notices` gets a sentence saying which and why; nothing
// here refuses a file. Entries come back in date order, one a date (the last wins).
std::vector<HistoryEntry> ReadHistory(const QJsonValue& history, QStringList& notices);

// An entry matched to the loaded roster, as a solver or a table reads it.
struct MatchedEntry {
    QDate date;
    int columns = 0, rows = 0;
    std::vector<std::int32_t> desks;    // roster position per desk (row * columns + column), 0 when empty
    std::vector<PlacedStudent> missing; // recorded students not in the roster: their desks count as empty
};

// Each entry with its students found as an opened arrangement finds its desks'
// (MatchPlacement): by number and full name, else by a full name only one has.
std::vector<MatchedEntry> MatchHistory(const std::vector<HistoryEntry>& history, const Roster& roster);

// The matched entries as the draft's year conditions read them, oldest first.
std::vector<PastSeating> PastSeatings(const std::vector<MatchedEntry>& matched);

// One student's year so far, over the entries they were seated in.
struct YearCounts {
    int seated = 0; // entries with the student at a desk
    int front = 0;  // of those, in the front rows (by the teacher's desk)
    int window = 0; // of those, in the column by the windows
    // Whom they sat beside (the desk to the left or right, same row), by roster
    // position, with how often; in roster order.
    std::vector<std::pair<std::int32_t, int>> neighbours;
    friend bool operator==(const YearCounts&, const YearCounts&) = default;
};

// Per roster position - 1, for `students` students. The front rows are the last
// `frontRows` rows of each entry's grid; the window column is WindowColumn's.
std::vector<YearCounts> CountYear(const std::vector<MatchedEntry>& history, int students, int frontRows,
                                  WindowSide windows);

} // namespace kelmora
