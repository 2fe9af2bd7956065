#pragma once
#include "import/Sheet.h"

#include <string_view>

namespace kelmora::import {

// A CSV text (UTF-8) as spreadsheets write it: fields separated by commas, a
// field in double quotes may hold commas, line breaks and doubled quotes ("").
// Records end at LF, CR LF or CR. A text whose first record holds tabs and no
// comma (outside quotes) is taken as tab-separated, as "Unicode text" exports are. A quote that is
// never closed runs to the end of the text. Rows with no text in any cell are
// left out; trailing empty cells are dropped.
// Reading stops after kMaxListRows rows (tooLong), or when `stop` is set.
Sheet ParseCsv(std::string_view utf8, StopFlag stop = nullptr);

} // namespace kelmora::import
