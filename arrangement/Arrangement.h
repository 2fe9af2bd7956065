#pragma once
#include "roster/Roster.h"
#include "roster/StudentList.h"
#include "seating/CutQueue.h"
#include "seating/SeatTable.h"

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kelmora {

// A student on a desk or in the cut queue, as an arrangement file records them:
// enough to find the student again in a corrected or reordered roster. Texts are
// code page 932 bytes.
struct PlacedStudent {
    std::string number; // attendance number
    std::string fullName;
    std::string text;          // what the desk or the queue shows
    std::int32_t position = 0; // roster position when saved

    friend bool operator==(const PlacedStudent&, const PlacedStudent&) = default;
};

struct PlacedDesk {
    int column = 0, row = 0; // 0..99
    PlacedStudent student;

    friend bool operator==(const PlacedDesk&, const PlacedDesk&) = default;
};

// The seat grid's five geometry values, as the spin buttons show them.
struct GridGeometry {
    int width = 420, height = 208, columnWidth = 80, rowHeight = 24, fontSize = 10;

    friend bool operator==(const GridGeometry&, const GridGeometry&) = default;
};

// Everything an arrangement file holds.
struct Arrangement {
    int columns = 5, rows = 7; // the grid size, 1..12
    QString title;             // as typed
    NameMode nameMode = NameMode::FullName;
    bool ruby = true;
    GridGeometry geometry;
    std::vector<PlacedDesk> desks;    // every occupied desk of the 100 x 100 table
    std::vector<PlacedStudent> queue; // front first
    QString rosterPath;               // the roster file the arrangement was made with
    QJsonObject draft;                // the seat change's conditions (DraftRecord.h); empty when none
    // The charts of the year (History.h); undefined when none.
    QJsonValue history{QJsonValue::Undefined};

    friend bool operator==(const Arrangement&, const Arrangement&) = default;
};

// Files larger than this are refused before they are read.
constexpr qint64 kMaxArrangementBytes = 4 * 1024 * 1024;
constexpr int kArrangementVersion = 1;

// The file's bytes: UTF-8 JSON, see docs/arrangement-format.md.
QByteArray WriteArrangement(const Arrangement& arrangement);

// The arrangement in `bytes`, or the problem with them in a sentence for the user.
std::variant<Arrangement, QString> ReadArrangement(const QByteArray& bytes);

// The desks and the queue of the program's state, with each student's number
// and full name from `roster` (empty when the position names no record).
void RecordPlacement(Arrangement& arrangement, const SeatTable& seats, const CutQueue& queue, const Roster& roster);

// An arrangement's desks and queue matched to the loaded roster: a student is
// found by attendance number and full name (at the recorded position first),
// else by a full name that only one student of the roster has and only one of
// the recorded students not found so far. Each student is placed once at most;
// the others are missing.
struct MatchedPlacement {
    SeatTable seats; // every desk of the table: the arrangement's, all others empty
    CutQueue queue;
    std::vector<PlacedStudent> missing; // not in the roster: their desks stay empty
};
MatchedPlacement MatchPlacement(const Arrangement& arrangement, const Roster& roster);

// The student list after opening: every student of the roster (as the display
// command shows them by `mode`), with the names of those on desks or waiting in
// the queue taken out, as cutting them had done.
void ListUnplaced(StudentList& list, const Roster& roster, NameMode mode, const MatchedPlacement& placement);

} // namespace kelmora
