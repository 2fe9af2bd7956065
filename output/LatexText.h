#pragma once
#include <string>
#include <string_view>

namespace kelmora {

// Makes a code page 932 text from the roster safe to stand in LaTeX source:
// the ASCII specials \ { } $ & # % _ ~ ^ become commands that print them and
// control bytes and bytes that are no character at all (0x80, 0xA0, 0xFD-0xFF)
// become spaces, and < > | " become commands that print them as typed (the text
// font has other glyphs in their places). The scan steps over double-byte
// characters whole, so their second byte (0x5C in 表, 能, ソ) is never touched;
// a lead byte that starts no character (cut off, or before a byte that cannot
// be a second byte) becomes a space too. Half-width katakana, which pLaTeX
// cannot print, are written in their full-width forms.
std::string LatexSafe(std::string_view cp932);

// The chart title, which the teacher may write LaTeX in, rewritten only where it
// would not print as typed, as in LatexSafe: half-width katakana (which stop
// pLaTeX or print as kanji) become full-width, and < > | " become the commands
// that print them (in math mode too, with a warning in the log).
std::string LatexTitle(std::string_view cp932);

// pLaTeX reading code page 932 (platex -kanji=sjis) knows only JIS X 0208. The
// characters code page 932 adds (NEC row 13: ① Ⅰ ㈱ №; the NEC-selected and
// IBM extension kanji, lead bytes 0xED, 0xEE, 0xFA..0xFC: 髙 﨑 德) print as empty
// boxes, and those with lead bytes 0xF0..0xFC stop pLaTeX. This writes each as
// \UTF{XXXX} (its Unicode code point, for the otf package) and sets `usesOtf`;
// the twelve that are JIS X 0208 characters under other bytes (≒ ≡ ∫ √ ⊥ ∠ ∵
// ∩ ∪ ￢) get those bytes instead. A pair with lead byte 0xF0..0xFC that has no
// character to print (user-defined, unassigned) becomes 〓. Everything else,
// LaTeX included, stays as it is, so a title may go through it as typed.
std::string SpellOutsideJis(std::string_view cp932, bool& usesOtf);
// The same, appended to `out`.
void AppendSpelledOutsideJis(std::string& out, std::string_view cp932, bool& usesOtf);

} // namespace kelmora
