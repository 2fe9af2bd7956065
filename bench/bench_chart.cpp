// How long writing the largest chart takes: a full 12 x 12 grid with ruby.
#include "output/ChartWriter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using namespace kelmora;

namespace {

struct Name {
    const char* kanji;
    const char* reading;
};

// Code page 932 bytes; the text stands beside each. 能登 carries a 0x5C second byte.
constexpr Name kFamilies[] = {
    {"\x8E\x52\x93\x63", "\x82\xE2\x82\xDC\x82\xBE"}, // 山田 やまだ
    {"\x97\xE9\x96\xD8", "\x82\xB7\x82\xB8\x82\xAB"}, // 鈴木 すずき
    {"\x8D\xB2\x93\xA1", "\x82\xB3\x82\xC6\x82\xA4"}, // 佐藤 さとう
    {"\x94\x5C\x93\x6F", "\x82\xCC\x82\xC6"},         // 能登 のと
};
constexpr Name kGivens[] = {
    {"\x91\xBE\x98\x59", "\x82\xBD\x82\xEB\x82\xA4"}, // 太郎 たろう
    {"\x89\xD4\x8E\x71", "\x82\xCD\x82\xC8\x82\xB1"}, // 花子 はなこ
};
constexpr const char* kFullWidthSpace = "\x81\x40"; // the full-width space
constexpr const char* kTitle = "\x91\x53\x90\xC8";  // 全席

} // namespace

int main()
{
    constexpr int kSide = 12;
    RosterTable roster;
    for (int i = 0; i < kSide * kSide; ++i) {
        const Name& f = kFamilies[i % std::size(kFamilies)];
        const Name& g = kGivens[i / std::size(kFamilies) % std::size(kGivens)];
        roster.push_back(Seito{std::to_string(i + 1), std::string(f.kanji) + kFullWidthSpace + g.kanji, f.kanji,
                               g.kanji, f.reading, g.reading});
    }
    auto seats = std::make_unique<SeatTable>();
    for (int c = 0; c < kSide; ++c)
        for (int r = 0; r < kSide; ++r) {
            const int position = (c * kSide + r) * 5 % (kSide * kSide) + 1;
            seats->seat(c, r, roster[static_cast<std::size_t>(position) - 1].FamilyName, position);
        }
    const ChartInput in{*seats, kSide, kSide, roster, kTitle};

    constexpr int kRuns = 2001;
    std::vector<double> micros;
    micros.reserve(kRuns);
    std::size_t bytes = 0;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::string chart = WriteRubySeatingChart(in);
        const auto stop = std::chrono::steady_clock::now();
        bytes += chart.size(); // keeps the work from being optimised away
        micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    }
    std::sort(micros.begin(), micros.end());
    std::printf(
        "bench_chart: 12 x 12 ruby chart, %zu bytes: median %.1f us, fastest %.1f us, slowest %.1f us (%d runs)\n",
        bytes / kRuns, micros[kRuns / 2], micros.front(), micros.back(), kRuns);
    return 0;
}
