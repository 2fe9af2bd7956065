#pragma once
// The rules the fuzzer holds our code to, for one input of arbitrary bytes.
// Plain C++: the libFuzzer target aborts on a broken rule, and the replay test
// (tests/fuzz) runs the same checks over the seed corpus and every input that
// once broke one.
#include <string>
#include <string_view>
#include <vector>

namespace kelmora::fuzz {

using Problems = std::vector<std::string>;

// The bytes as a whole roster file: ReadRosterBytes appends to the table without
// emptying it, returns -1, 0 or the number of records appended, never sets a
// negative column count, and reads the same records as a plain line-by-line
// reading of the format.
Problems CheckRosterReader(std::string_view bytes);

// LatexSafe over the bytes: its output holds no byte that LaTeX (pTeX reading
// code page 932) would act on, outside the escapes it writes itself, ends on a
// whole character, keeps every double-byte character, and leaves a text of
// ASCII letters as it is.
Problems CheckLatexSafe(std::string_view bytes);

// The bytes as a roster file in any encoding (ReadRosterText): a code page 932
// file reads exactly as ReadRosterBytes reads it, a UTF-16 one reads as nothing,
// and a UTF-8 one is converted character by character, each character to its
// own code page 932 form or, only in the lines reported, to 〓, and reads with
// the same lines and fields as the UTF-8 text.
Problems CheckRosterText(std::string_view bytes);

// SpellOutsideJis over LatexSafe's output: no pair is left that pLaTeX stops on
// (lead byte 0xF0..0xFC), \UTF is written exactly when `usesOtf` is set, and
// with each \UTF{XXXX} read as its character the text says what it said, but for
// the characters that had nothing to print, which became 〓.
Problems CheckSpellOutsideJis(std::string_view bytes);

// Both chart writers, given the roster the bytes make, and a grid size, a seat
// table (stale and negative positions included) and a title drawn from the
// bytes' end: 48 + 2R or 58 + 2R lines, one more ("\usepackage{otf}" as line 5)
// exactly when a text needs it, each ending in CR LF, and every table row a
// well-formed tabular row of C cells, the second page the first turned round.
Problems CheckCharts(std::string_view bytes);

// The bytes as a class list to import, read as CSV (ParseCsv): no row is empty
// or ends in an empty cell, rows are numbered upwards, and the cells written back
// as spreadsheets write CSV read back the same. The list's roster (with the roles
// guessed from its header, and with roles drawn from the bytes) reads through the
// roster reader as the students and the form the import promised.
Problems CheckCsvList(std::string_view bytes);

// The bytes as an .xlsx workbook (ReadListBytes): as they are when they start like
// a zip, else a workbook made around them (the shared strings up to the first NUL
// byte, the sheet after it). Sheets hold rows no wider than kMaxColumns, and each
// sheet's roster holds to what CheckCsvList asks of one.
Problems CheckXlsxList(std::string_view bytes);

// All of them but CheckXlsxList, which has its own fuzzer.
Problems CheckAll(std::string_view bytes);

} // namespace kelmora::fuzz
