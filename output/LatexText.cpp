#include "output/LatexText.h"

#include "codec/Cp932.h"

#include <QString>

#include <algorithm>
#include <cstdio>

namespace kelmora {

namespace {

// Code page 932 lead bytes: each starts a two-byte character whose second byte
// may be any of 0x40..0xFC, including \ { } ~ and friends.
bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// The bytes that can follow a lead byte. pTeX reads a lead byte and the next
// byte as one character only when the next one is among these; otherwise each
// is a byte of its own, and a $ or & after a stray lead byte acts in LaTeX.
bool isTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// The text fonts (OT1) print these four as other glyphs: < > as ¡ ¿, | as a
// dash, " as a closing quote. \textless, \textgreater and \textbar take them from
// the math fonts, in the current weight; OT1 has no straight double quote, so it
// comes from the typewriter font, which has the ASCII layout. The braces keep a
// following letter or digit out of the command name or the \char number.
std::string_view printedAsTyped(unsigned char b)
{
    switch (b) {
    case '<': return "\\textless{}";
    case '>': return "\\textgreater{}";
    case '|': return "\\textbar{}";
    case '"': return "{\\ttfamily\\char34}";
    default: return {};
    }
}

// What stands in the chart for an ASCII byte, or an empty view for "itself".
// The text fonts have no underscore, tilde or circumflex glyph either (\_ draws
// a rule, \~{} and \^{} are accents), so those three come from the typewriter font too.
std::string_view replacement(unsigned char b)
{
    if (const std::string_view r = printedAsTyped(b); !r.empty())
        return r;
    switch (b) {
    case '\\': return "\\textbackslash{}";
    case '{': return "\\{";
    case '}': return "\\}";
    case '$': return "\\$";
    case '&': return "\\&";
    case '#': return "\\#";
    case '%': return "\\%";
    case '_': return "{\\ttfamily\\char95}";
    case '~': return "{\\ttfamily\\char126}";
    case '^': return "{\\ttfamily\\char94}";
    default: break;
    }
    // Control bytes, and bytes that are no character in code page 932 at all
    // (pLaTeX stops on them), print as a space.
    if (b < 0x20 || b == 0x7F || b == 0x80 || b == 0xA0 || b >= 0xFD)
        return " ";
    return {};
}

// Half-width katakana (0xA1..0xDF) are single bytes that pLaTeX misreads as
// halves of kanji; they are written as their full-width forms, with a following
// voiced or semi-voiced mark joined to its kana where code page 932 has the
// joined character (ｶﾞ -> ガ, ﾊﾟ -> パ).
struct Pair {
    unsigned char lead, trail;
};
constexpr Pair kFullWidth[0xE0 - 0xA1] = {
    {0x81, 0x42}, // ｡ 。
    {0x81, 0x75}, // ｢ 「
    {0x81, 0x76}, // ｣ 」
    {0x81, 0x41}, // ､ 、
    {0x81, 0x45}, // ･ ・
    {0x83, 0x92}, // ｦ ヲ
    {0x83, 0x40}, // ｧ ァ
    {0x83, 0x42}, // ｨ ィ
    {0x83, 0x44}, // ｩ ゥ
    {0x83, 0x46}, // ｪ ェ
    {0x83, 0x48}, // ｫ ォ
    {0x83, 0x83}, // ｬ ャ
    {0x83, 0x85}, // ｭ ュ
    {0x83, 0x87}, // ｮ ョ
    {0x83, 0x62}, // ｯ ッ
    {0x81, 0x5B}, // ｰ ー
    {0x83, 0x41}, // ｱ ア
    {0x83, 0x43}, // ｲ イ
    {0x83, 0x45}, // ｳ ウ
    {0x83, 0x47}, // ｴ エ
    {0x83, 0x49}, // ｵ オ
    {0x83, 0x4A}, // ｶ カ
    {0x83, 0x4C}, // ｷ キ
    {0x83, 0x4E}, // ｸ ク
    {0x83, 0x50}, // ｹ ケ
    {0x83, 0x52}, // ｺ コ
    {0x83, 0x54}, // ｻ サ
    {0x83, 0x56}, // ｼ シ
    {0x83, 0x58}, // ｽ ス
    {0x83, 0x5A}, // ｾ セ
    {0x83, 0x5C}, // ｿ ソ
    {0x83, 0x5E}, // ﾀ タ
    {0x83, 0x60}, // ﾁ チ
    {0x83, 0x63}, // ﾂ ツ
    {0x83, 0x65}, // ﾃ テ
    {0x83, 0x67}, // ﾄ ト
    {0x83, 0x69}, // ﾅ ナ
    {0x83, 0x6A}, // ﾆ ニ
    {0x83, 0x6B}, // ﾇ ヌ
    {0x83, 0x6C}, // ﾈ ネ
    {0x83, 0x6D}, // ﾉ ノ
    {0x83, 0x6E}, // ﾊ ハ
    {0x83, 0x71}, // ﾋ ヒ
    {0x83, 0x74}, // ﾌ フ
    {0x83, 0x77}, // ﾍ ヘ
    {0x83, 0x7A}, // ﾎ ホ
    {0x83, 0x7D}, // ﾏ マ
    {0x83, 0x7E}, // ﾐ ミ
    {0x83, 0x80}, // ﾑ ム
    {0x83, 0x81}, // ﾒ メ
    {0x83, 0x82}, // ﾓ モ
    {0x83, 0x84}, // ﾔ ヤ
    {0x83, 0x86}, // ﾕ ユ
    {0x83, 0x88}, // ﾖ ヨ
    {0x83, 0x89}, // ﾗ ラ
    {0x83, 0x8A}, // ﾘ リ
    {0x83, 0x8B}, // ﾙ ル
    {0x83, 0x8C}, // ﾚ レ
    {0x83, 0x8D}, // ﾛ ロ
    {0x83, 0x8F}, // ﾜ ワ
    {0x83, 0x93}, // ﾝ ン
    {0x81, 0x4A}, // ﾞ ゛
    {0x81, 0x4B}, // ﾟ ゜
};
struct Joined {
    unsigned char kana, mark, lead, trail;
};
constexpr Joined kJoined[] = {
    {0xB3, 0xDE, 0x83, 0x94}, // ヴ
    {0xB6, 0xDE, 0x83, 0x4B}, // ガ
    {0xB7, 0xDE, 0x83, 0x4D}, // ギ
    {0xB8, 0xDE, 0x83, 0x4F}, // グ
    {0xB9, 0xDE, 0x83, 0x51}, // ゲ
    {0xBA, 0xDE, 0x83, 0x53}, // ゴ
    {0xBB, 0xDE, 0x83, 0x55}, // ザ
    {0xBC, 0xDE, 0x83, 0x57}, // ジ
    {0xBD, 0xDE, 0x83, 0x59}, // ズ
    {0xBE, 0xDE, 0x83, 0x5B}, // ゼ
    {0xBF, 0xDE, 0x83, 0x5D}, // ゾ
    {0xC0, 0xDE, 0x83, 0x5F}, // ダ
    {0xC1, 0xDE, 0x83, 0x61}, // ヂ
    {0xC2, 0xDE, 0x83, 0x64}, // ヅ
    {0xC3, 0xDE, 0x83, 0x66}, // デ
    {0xC4, 0xDE, 0x83, 0x68}, // ド
    {0xCA, 0xDE, 0x83, 0x6F}, // バ
    {0xCA, 0xDF, 0x83, 0x70}, // パ
    {0xCB, 0xDE, 0x83, 0x72}, // ビ
    {0xCB, 0xDF, 0x83, 0x73}, // ピ
    {0xCC, 0xDE, 0x83, 0x75}, // ブ
    {0xCC, 0xDF, 0x83, 0x76}, // プ
    {0xCD, 0xDE, 0x83, 0x78}, // ベ
    {0xCD, 0xDF, 0x83, 0x79}, // ペ
    {0xCE, 0xDE, 0x83, 0x7B}, // ボ
    {0xCE, 0xDF, 0x83, 0x7C}, // ポ
};

bool isHalfWidthKana(unsigned char b)
{
    return b >= 0xA1 && b <= 0xDF;
}

// Appends the full-width form of the half-width kana at text[i] (and of the mark
// after it, when they join); returns how many bytes it took.
std::size_t appendFullWidth(std::string& out, std::string_view text, std::size_t i)
{
    const auto kana = static_cast<unsigned char>(text[i]);
    if (i + 1 < text.size()) {
        const auto mark = static_cast<unsigned char>(text[i + 1]);
        for (const Joined& j : kJoined)
            if (j.kana == kana && j.mark == mark) {
                out += static_cast<char>(j.lead);
                out += static_cast<char>(j.trail);
                return 2;
            }
    }
    const Pair& p = kFullWidth[kana - 0xA1];
    out += static_cast<char>(p.lead);
    out += static_cast<char>(p.trail);
    return 1;
}

// Code page 932 characters outside JIS X 0208 that are JIS X 0208 characters
// under other bytes (code page 932 writes their Unicode code points with these).
struct Twin {
    unsigned char lead, trail;
    std::string_view jis;
};
constexpr Twin kJisTwins[] = {
    {0x87, 0x90, "\x81\xE0"}, // ≒
    {0x87, 0x91, "\x81\xDF"}, // ≡
    {0x87, 0x92, "\x81\xE7"}, // ∫
    {0x87, 0x95, "\x81\xE3"}, // √
    {0x87, 0x96, "\x81\xDB"}, // ⊥
    {0x87, 0x97, "\x81\xDA"}, // ∠
    {0x87, 0x9A, "\x81\xE6"}, // ∵
    {0x87, 0x9B, "\x81\xBF"}, // ∩
    {0x87, 0x9C, "\x81\xBE"}, // ∪
    {0xEE, 0xF9, "\x81\xCA"}, // ￢
    {0xFA, 0x54, "\x81\xCA"}, // ￢
    {0xFA, 0x5B, "\x81\xE6"}, // ∵
};

// Lead bytes of the rows pLaTeX has no glyphs for: NEC row 13, the NEC-selected
// IBM extension, the user-defined area and the IBM extension. From 0xF0 on,
// pTeX takes the pair for no character at all and stops.
bool isOutsideJisLead(unsigned char b)
{
    return b == 0x87 || b == 0xED || b == 0xEE || b >= 0xF0;
}

} // namespace

std::string SpellOutsideJis(std::string_view cp932, bool& usesOtf)
{
    std::string out;
    out.reserve(cp932.size());
    AppendSpelledOutsideJis(out, cp932, usesOtf);
    return out;
}

void AppendSpelledOutsideJis(std::string& out, std::string_view cp932, bool& usesOtf)
{
    // Nearly every text has none of these characters: copy it in runs, not byte by byte.
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto lead = static_cast<unsigned char>(cp932[i]);
        if (!isLeadByte(lead) || i + 1 == cp932.size() || !isTrailByte(static_cast<unsigned char>(cp932[i + 1])))
            continue;
        const auto trail = static_cast<unsigned char>(cp932[++i]);
        if (!isOutsideJisLead(lead))
            continue;
        const auto twin = std::find_if(std::begin(kJisTwins), std::end(kJisTwins),
                                       [&](const Twin& t) { return t.lead == lead && t.trail == trail; });
        std::string_view instead;
        char utf[16];
        if (twin != std::end(kJisTwins)) {
            instead = twin->jis;
        } else {
            const QString u = cp932::ToUnicode(cp932.substr(i - 1, 2));
            const char16_t c = u.size() == 1 ? u.front().unicode() : 0;
            const bool printable = c >= 0x80 && c != 0xFFFD && !(c >= 0xE000 && c <= 0xF8FF); // not user-defined
            if (printable) {
                std::snprintf(utf, sizeof utf, "\\UTF{%04X}", static_cast<unsigned>(c));
                instead = utf;
                usesOtf = true;
            } else if (lead >= 0xF0) {
                instead = "\x81\xAC"; // 〓: pLaTeX would stop on the pair
            } else {
                continue; // an empty box, as any unassigned pair
            }
        }
        out.append(cp932.substr(runStart, i - 1 - runStart));
        out.append(instead);
        runStart = i + 1;
    }
    out.append(cp932.substr(runStart));
}

namespace {

// Copies a code page 932 text: double-byte characters whole, half-width
// katakana in their full-width forms, and every other byte as `single` says
// (an empty view keeps the byte).
template <typename Single>
std::string rewrite(std::string_view cp932, Single single)
{
    std::string out;
    out.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (isLeadByte(b) && i + 1 < cp932.size() && isTrailByte(static_cast<unsigned char>(cp932[i + 1]))) {
            out += cp932[i];
            out += cp932[++i];
            continue;
        }
        if (isHalfWidthKana(b)) {
            i += appendFullWidth(out, cp932, i) - 1;
            continue;
        }
        const std::string_view r = single(b);
        if (r.empty())
            out += cp932[i];
        else
            out += r;
    }
    return out;
}

} // namespace

std::string LatexSafe(std::string_view cp932)
{
    return rewrite(cp932, [](unsigned char b) {
        // A lead byte without its second byte is no character. Left in, it would
        // take the next byte of the chart (the brace closing a ruby, the
        // backslash of a row end) as its second byte.
        return isLeadByte(b) ? std::string_view(" ") : replacement(b);
    });
}

std::string LatexTitle(std::string_view cp932)
{
    return rewrite(cp932, printedAsTyped);
}

} // namespace kelmora
