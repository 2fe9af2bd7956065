#include "output/LatexText.h"

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

// What stands in the chart for an ASCII byte, or an empty view for "itself".
// The text fonts (OT1) have no underscore, tilde or circumflex glyph (\_ draws a
// rule, \~{} and \^{} are accents), so those three come from the typewriter
// font, which has the ASCII layout; the braces keep a following digit out of
// the \char number.
std::string_view replacement(unsigned char b)
{
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
    if (b < 0x20 || b == 0x7F)
        return " ";
    return {};
}

} // namespace

std::string LatexSafe(std::string_view cp932)
{
    std::string out;
    out.reserve(cp932.size());
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (isLeadByte(b)) {
            if (i + 1 < cp932.size() && isTrailByte(static_cast<unsigned char>(cp932[i + 1]))) {
                // The pair goes through untouched.
                out += cp932[i];
                out += cp932[++i];
            } else {
                // A lead byte without its second byte is no character. Left in,
                // it would take the next byte of the chart (the brace closing a
                // ruby, the backslash of a row end) as its second byte.
                out += ' ';
            }
            continue;
        }
        const std::string_view r = replacement(b);
        if (r.empty())
            out += cp932[i];
        else
            out += r;
    }
    return out;
}

} // namespace kelmora
