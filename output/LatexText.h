#pragma once
#include <string>
#include <string_view>

namespace kelmora {

// Makes a code page 932 text from the roster safe to stand in LaTeX source:
// the ASCII specials \ { } $ & # % _ ~ ^ become commands that print them and
// control bytes and bytes that are no character at all (0x80, 0xA0, 0xFD-0xFF)
// become spaces. The scan steps over double-byte
// characters whole, so their second byte (0x5C in 表, 能, ソ) is never touched;
// a lead byte that starts no character (cut off, or before a byte that cannot
// be a second byte) becomes a space too. Half-width katakana, which pLaTeX
// cannot print, are written in their full-width forms.
std::string LatexSafe(std::string_view cp932);

} // namespace kelmora
