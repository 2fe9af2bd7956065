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

// Both chart writers, given the roster the bytes make, and a grid size, a seat
// table (stale and negative positions included) and a title drawn from the
// bytes' end: 48 + 2R or 58 + 2R lines, each ending in CR LF, and every table
// row a well-formed tabular row of C cells, the second page the first turned round.
Problems CheckCharts(std::string_view bytes);

// All three.
Problems CheckAll(std::string_view bytes);

} // namespace kelmora::fuzz
