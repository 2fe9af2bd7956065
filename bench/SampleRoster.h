#pragma once
// Made-up six-column rosters of any size for the benchmarks: random code page
// 932 kanji names (0x5C trail bytes and friends included, as real names have
// them) and hiragana readings, CR LF line ends, a comment line at each end.
#include <random>
#include <string>

namespace kelmora::bench {

inline void AppendKanji(std::string& s, std::mt19937& rng, int count)
{
    std::uniform_int_distribution<int> lead(0x89, 0x9F);
    std::uniform_int_distribution<int> trail(0x40, 0xFC);
    for (int i = 0; i < count; ++i) {
        int t = trail(rng);
        if (t == 0x7F)
            t = 0x80;
        s += char(lead(rng));
        s += char(t);
    }
}

inline void AppendHiragana(std::string& s, std::mt19937& rng, int count)
{
    std::uniform_int_distribution<int> kana(0x9F, 0xF1);
    for (int i = 0; i < count; ++i) {
        s += '\x82';
        s += char(kana(rng));
    }
}

inline std::string MakeRosterText(int students)
{
    std::mt19937 rng(20240401);
    std::uniform_int_distribution<int> two_or_three(2, 3);
    std::string text = "% -----\x81\x40\x82\xb1\x82\xb1\x82\xa9\x82\xe7\r\n"; // "% -----　ここから"
    text.reserve(std::size_t(students) * 64);
    for (int n = 1; n <= students; ++n) {
        std::string family, given, familyReading, givenReading;
        AppendKanji(family, rng, two_or_three(rng));
        AppendKanji(given, rng, two_or_three(rng));
        AppendHiragana(familyReading, rng, two_or_three(rng) + 1);
        AppendHiragana(givenReading, rng, two_or_three(rng) + 1);
        text += "$,";
        text += std::to_string(n);
        text += ',';
        text += family + "\x81\x40" + given;
        text += ',' + family + ',' + given + ',' + familyReading + ',' + givenReading + "\r\n";
    }
    text += "% ----- \x82\xb1\x82\xb1\x82\xdc\x82\xc5\r\n"; // "% ----- ここまで"
    return text;
}

} // namespace kelmora::bench
