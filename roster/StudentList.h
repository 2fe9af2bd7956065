#pragma once
#include "roster/Roster.h"

#include <string>
#include <vector>

namespace kelmora {

enum class NameMode { FullName, FamilyName };

// The mode a roster of `columnCount` columns can show: one without family names
// shows full names instead of numbers without names.
NameMode UsableNameMode(NameMode wanted, int columnCount);

// The contents of the student list grid: two columns (0: number, 1: name),
// row 0 the header, row p the student at roster position p. Texts are code
// page 932 bytes; the widget only shows them.
class StudentList {
public:
    StudentList(); // the header row and one empty row

    int rowCount() const { return static_cast<int>(rows_.size()); }
    void setRowCount(int rows); // at least 1; new rows are empty

    const std::string& cell(int column, int row) const;
    void setCell(int column, int row, std::string text);

private:
    struct Row {
        std::string number, name;
    };
    std::vector<Row> rows_;
};

// The display command: one row per student after the header, by the name mode.
void DisplayRoster(StudentList& list, const Roster& roster, NameMode mode);

} // namespace kelmora
