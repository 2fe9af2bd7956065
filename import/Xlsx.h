#pragma once
#include "import/Sheet.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace kelmora::import {

// The most a workbook's parts may unpack to, all read parts together. A class
// list takes a few hundred kilobytes; a zip bomb is stopped here, by the sizes the
// zip's directory gives and again by counting while it inflates.
constexpr std::uint64_t kMaxUnpackedBytes = 64 * 1024 * 1024;
// The most cells (empty ones between cells included) the sheets may hold.
constexpr std::size_t kMaxCells = 2'000'000;
// Columns after this one are not read: no class list is that wide.
constexpr int kMaxColumns = 256;

enum class XlsxError {
    None,
    NotWorkbook, // a zip, but no workbook in it (a .docx, an .ods, ...)
    Damaged,     // a part is missing or cannot be read
    TooLarge,    // the parts unpack to more than kMaxUnpackedBytes, or too many cells
    Encrypted,   // the zip's entries are encrypted
};

// The sheets of an .xlsx workbook (the bytes of the whole file), in the
// workbook's order. Cells hold what Excel shows: shared and inline strings
// (phonetic runs left out), numbers in their shortest form ("1", not "1.0"), the
// values formulas had when last calculated, TRUE and FALSE.
// A sheet of more than kMaxListRows rows is read that far (tooLong); `stop` ends
// the reading early.
XlsxError ReadXlsx(std::string_view bytes, std::vector<Sheet>& sheets, StopFlag stop = nullptr);

} // namespace kelmora::import
