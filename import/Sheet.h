#pragma once
#include <atomic>
#include <string>
#include <vector>

namespace kelmora::import {

// One row of a teacher's list as the file holds it: its 1-based row number in
// the file (the sheet's row, or the CSV record) and its cells, as UTF-8 text.
struct SheetRow {
    int number = 0;
    std::vector<std::string> cells;
    friend bool operator==(const SheetRow&, const SheetRow&) = default;
};

// The most rows a list may have: a whole school's fits, and the preview, which
// makes the roster again at every change of a column's use, stays quick.
constexpr std::size_t kMaxListRows = 10'000;

// A sheet of a workbook, or the whole of a CSV file. Empty rows are left out.
struct Sheet {
    std::string name; // the sheet's name; empty for a CSV file
    std::vector<SheetRow> rows;
    bool tooLong = false; // more than kMaxListRows rows: reading stopped there
    friend bool operator==(const Sheet&, const Sheet&) = default;
};

// Set from another thread to stop a reading early (its result is then of no use).
using StopFlag = const std::atomic<bool>*;

} // namespace kelmora::import
