#pragma once
#include "arrangement/History.h"
#include "draft/DraftSetup.h"
#include "roster/Roster.h"
#include "roster/StudentList.h"
#include "seating/CutQueue.h"
#include "seating/SeatTable.h"

namespace kelmora {

// The whole program's working state. It is made before the main window and
// outlives it; members are created in this order and destroyed in reverse.
struct ProgramState {
    CutQueue cutQueue;               // the name queue and the position queue
    SeatTable seatTable;             // with the names shown on the desks
    Roster roster;                   // roster table, column count, student count
    StudentList studentList;         // what the student list shows, as bytes
    DraftConditions draftConditions; // the seat change's conditions, kept for the next draft
    // The charts of the year, oldest first.
    std::vector<HistoryEntry> history;
    int blinkCounter = 0;
    int tickCounter = 0; // mascot animation
    int mascotFrame = 0;
};

} // namespace kelmora
