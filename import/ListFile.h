#pragma once
#include "import/Sheet.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace kelmora::import {

// What a file given to 名簿を取り込む turned out to be.
enum class ListFileKind {
    Csv,             // a text file: CSV in code page 932, UTF-8 or UTF-16
    Xlsx,            // an Excel workbook
    OldExcel,        // an Excel 97-2003 workbook (.xls)
    Encrypted,       // a workbook saved with a password
    OtherZip,        // a zip that holds no workbook (.ods, .docx, ...)
    NotText,         // anything else with bytes no text has (a picture, a PDF, ...)
    TooLarge,        // over kMaxRosterFileBytes
    UnpacksTooLarge, // a workbook whose parts unpack to too much (a zip bomb)
    Damaged,         // a workbook whose parts cannot be read
    TooManyRows,     // a sheet of more than kMaxListRows rows
    Stopped,         // the reading was stopped
    Unreadable,      // the file could not be read at all
};

struct ListFile {
    ListFileKind kind = ListFileKind::Unreadable;
    std::vector<Sheet> sheets; // one for a CSV file; a workbook's in order
    std::error_code error;     // for Unreadable: the system's reason
};

// Decides by the bytes, not by the name: a workbook renamed to .csv still reads.
// `stop` (if given) ends the reading early; the kind is then Stopped.
ListFile ReadListBytes(std::string_view bytes, StopFlag stop = nullptr);
// The file read whole (at most kMaxRosterFileBytes), then ReadListBytes.
ListFile ReadListFile(const std::filesystem::path& file, StopFlag stop = nullptr);

} // namespace kelmora::import
