// libFuzzer entry: every input is an .xlsx workbook, or the shared strings and
// the sheet of one (CheckXlsxList).
#include "FuzzChecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kelmora::fuzz::Problems problems =
        kelmora::fuzz::CheckXlsxList(std::string_view(reinterpret_cast<const char*>(data), size));
    if (problems.empty())
        return 0;
    for (const std::string& p : problems)
        std::fprintf(stderr, "xlsx_fuzz: %s\n", p.c_str());
    std::abort();
}
