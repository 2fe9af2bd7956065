#pragma once
#include "roster/StudentList.h"
#include "seating/CutQueue.h"
#include "seating/SeatTable.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kelmora {

// The three things placement works on, together.
struct PlacementState {
    SeatTable& seats;
    StudentList& list;
    CutQueue& queue;
};

// A copy of the desks, the student list and the cut queue, taken before a change
// of many cells so that the change can be found afterwards.
struct PlacementSnapshot {
    SeatTable seats;
    StudentList list;
    CutQueue queue;

    static PlacementSnapshot Take(const PlacementState& state) { return {state.seats, state.list, state.queue}; }
};

// One change of the placement, kept as its differences only, so that it can be
// undone and done again exactly: the desks and list rows it touched (before and
// after), the list's row count, and the names it took from the front of the queue
// and added at its back.
class PlacementChange {
public:
    // The differences between `before` and the state as it is now.
    static PlacementChange Between(const PlacementSnapshot& before, const PlacementState& now);

    // Single steps, recorded by the click handlers after their rule has acted.
    void deskChanged(int column, int row, std::string textBefore, std::int32_t entryBefore, std::string textAfter,
                     std::int32_t entryAfter);
    void listNameChanged(int row, std::string before, std::string after);
    void queuePopped(std::string name, std::int32_t position);
    void queuePushed(std::string name, std::int32_t position);

    bool empty() const;
    void undo(const PlacementState& state) const;
    void redo(const PlacementState& state) const;

private:
    struct Desk {
        int column, row;
        std::string textBefore, textAfter;
        std::int32_t entryBefore, entryAfter;
    };
    struct ListRow {
        int row;
        bool nameOnly; // a cut from the list: the number is not touched
        std::string numberBefore, nameBefore, numberAfter, nameAfter;
    };
    struct Queued {
        std::string name;
        std::int32_t position;
    };
    std::vector<Desk> desks_;
    std::vector<ListRow> rows_;
    int rowCountBefore_ = -1, rowCountAfter_ = -1; // -1: unchanged
    std::vector<Queued> popped_, pushed_;
};

} // namespace kelmora
