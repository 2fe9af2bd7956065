#include "import/Csv.h"

namespace kelmora::import {

namespace {

// Tab-separated when the first record has tabs and no comma outside quotes.
char Separator(std::string_view text)
{
    bool quoted = false;
    bool tabs = false;
    bool fieldStart = true;
    for (const char c : text) {
        if (c == '"' && (quoted || fieldStart))
            quoted = !quoted;
        else if (!quoted && c == ',')
            return ',';
        else if (!quoted && c == '\t')
            tabs = true;
        else if (!quoted && (c == '\r' || c == '\n'))
            break;
        fieldStart = !quoted && c == '\t';
    }
    return tabs ? '\t' : ',';
}

void EndRow(Sheet& sheet, SheetRow& row, int& record)
{
    while (!row.cells.empty() && row.cells.back().empty())
        row.cells.pop_back();
    if (!row.cells.empty()) {
        row.number = record;
        sheet.rows.push_back(std::move(row));
    }
    row = {};
    ++record;
}

} // namespace

Sheet ParseCsv(std::string_view text, StopFlag stop)
{
    const char separator = Separator(text);
    Sheet sheet;
    SheetRow row;
    std::string field;
    int record = 1;
    bool quoted = false;    // inside a quoted part of the field
    bool fieldOpen = false; // something of the present record has been read
    bool fieldStart = true; // nothing of the present field has been read
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c != '"') {
                field += c;
            } else if (i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                quoted = false;
            }
            continue;
        }
        const bool atStart = fieldStart;
        fieldStart = false;
        if (c == '"' && atStart) {
            // Only a field's first character opens quotes (RFC 4180): 山田"太郎
            // keeps its quote, and the rest of the file stays rows.
            quoted = true;
            fieldOpen = true;
        } else if (c == separator) {
            row.cells.push_back(std::move(field));
            field.clear();
            fieldOpen = true;
            fieldStart = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            row.cells.push_back(std::move(field));
            field.clear();
            EndRow(sheet, row, record);
            fieldOpen = false;
            fieldStart = true;
            if (sheet.rows.size() > kMaxListRows) {
                sheet.tooLong = true;
                return sheet;
            }
            if (stop && record % 1024 == 0 && stop->load())
                return sheet;
        } else {
            field += c;
            fieldOpen = true;
        }
    }
    if (fieldOpen || !field.empty()) {
        row.cells.push_back(std::move(field));
        EndRow(sheet, row, record);
    }
    return sheet;
}

} // namespace kelmora::import
