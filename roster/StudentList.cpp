#include "roster/StudentList.h"

#include <algorithm>

namespace kelmora {

StudentList::StudentList() : rows_(2) {}

void StudentList::setRowCount(int rows)
{
    rows_.resize(static_cast<std::size_t>(std::max(rows, 1)));
}

const std::string& StudentList::cell(int column, int row) const
{
    static const std::string empty;
    if (row < 0 || row >= rowCount())
        return empty;
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (column == 0)
        return r.number;
    if (column == 1)
        return r.name;
    return empty;
}

void StudentList::setCell(int column, int row, std::string text)
{
    if (row < 0 || row >= rowCount())
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (column == 0)
        r.number = std::move(text);
    else if (column == 1)
        r.name = std::move(text);
}

NameMode UsableNameMode(NameMode wanted, int columnCount)
{
    const std::optional<OptionStates> options = OptionsForColumnCount(columnCount);
    return wanted == NameMode::FamilyName && options && !options->familyOnly ? NameMode::FullName : wanted;
}

void DisplayRoster(StudentList& list, const Roster& roster, NameMode mode)
{
    // A list with fewer than 2 rows would have no row under its fixed header, so
    // a roster without students leaves the list as the clear button does: the
    // header and one empty row. The window only offers the command for a count
    // above 0; this keeps a direct call harmless.
    if (roster.studentCount <= 0) {
        list.setRowCount(2);
        list.setCell(0, 1, {});
        list.setCell(1, 1, {});
        return;
    }

    list.setRowCount(roster.studentCount + 1);
    for (int p = 1; p <= roster.studentCount; ++p) {
        const Seito* s = roster.record(p);
        if (!s) { // a count that outruns the table shows empty rows, never reads past it
            list.setCell(0, p, {});
            list.setCell(1, p, {});
            continue;
        }
        list.setCell(0, p, s->Number);
        list.setCell(1, p, mode == NameMode::FullName ? s->FullName : s->FamilyName);
    }
}

} // namespace kelmora
