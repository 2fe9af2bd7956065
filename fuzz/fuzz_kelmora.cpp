// libFuzzer entry: every input is a roster file, and its end also sets the grid
// size, the seats and the title of the charts written from it.
#include "FuzzChecks.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const kelmora::fuzz::Problems problems =
        kelmora::fuzz::CheckAll(std::string_view(reinterpret_cast<const char*>(data), size));
    if (problems.empty())
        return 0;
    for (const std::string& p : problems)
        std::fprintf(stderr, "kelmora_fuzz: %s\n", p.c_str());
    std::abort(); // libFuzzer keeps the input as a crash
}
