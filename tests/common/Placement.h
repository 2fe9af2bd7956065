#pragma once
// What a placement is on screen, to compare before and after a command: every
// desk of the seat table, the student list and the cut queue.
#include "app/ProgramState.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing {

struct Placement {
    std::vector<std::pair<std::int32_t, std::string>> desks;
    std::vector<std::string> list;
    kelmora::CutQueue queue;
    bool operator==(const Placement&) const = default;
};

inline Placement capture(const kelmora::ProgramState& s)
{
    using kelmora::SeatTable;
    Placement p;
    p.desks.reserve(SeatTable::kSize * SeatTable::kSize);
    for (int c = 0; c < SeatTable::kSize; ++c)
        for (int r = 0; r < SeatTable::kSize; ++r)
            p.desks.emplace_back(s.seatTable.entry(c, r), s.seatTable.text(c, r));
    for (int r = 0; r < s.studentList.rowCount(); ++r) {
        p.list.push_back(s.studentList.cell(0, r));
        p.list.push_back(s.studentList.cell(1, r));
    }
    p.queue = s.cutQueue;
    return p;
}

} // namespace testing
