#pragma once
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

// A sheet of a workbook, or the whole of a CSV file. Empty rows are left out.
struct Sheet {
    std::string name; // the sheet's name; empty for a CSV file
    std::vector<SheetRow> rows;
    friend bool operator==(const Sheet&, const Sheet&) = default;
};

} // namespace kelmora::import
