#pragma once
#include <string>
#include <string_view>

namespace kelmora {

// Makes a code page 932 text from the roster safe to stand in LaTeX source:
// the ASCII specials \ { } $ & # % _ ~ ^ become commands that print them and
// control bytes below 0x20 become spaces. The scan steps over double-byte
// characters whole, so their second byte (0x5C in 表, 能, ソ) is never touched;
// a lead byte that starts no character (cut off, or before a byte that cannot
// be a second byte) becomes a space too.
std::string LatexSafe(std::string_view cp932);

} // namespace kelmora
