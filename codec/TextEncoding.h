#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace kelmora::cp932 {

// How a roster file's text is stored.
enum class FileEncoding {
    Cp932, // everything that is not one of the two below, taken byte for byte
    Utf8,  // starts with the UTF-8 byte-order mark, or is all valid UTF-8 with at least one non-ASCII character
    Utf16, // starts with a UTF-16 byte-order mark, of either byte order
};

// No code page 932 text starts with a byte-order mark (0xEF, 0xFE and 0xFF start
// no character of it), and one is valid UTF-8 only when all its double-byte
// characters happen to line up as UTF-8 sequences, which a byte 0x80..0xBF right
// after an ASCII byte rules out: a kana, a full-width space or sign, or a kanji of
// JIS level 1 at the start of a field or line.
FileEncoding DetectFileEncoding(std::string_view bytes);

// Cuts the next line off `text` and returns it without its end. A line ends at
// CR LF, at LF or at a CR alone (old Macintosh spreadsheets), so that files of
// every kind read alike; `end` (if given) receives the end as it stood, empty
// for a last line without one. Neither byte occurs inside a character of code
// page 932 or of UTF-8.
std::string_view TakeLine(std::string_view& text, std::string_view* end = nullptr);

// A UTF-8 text as code page 932 bytes.
struct Utf8Conversion {
    std::string text;
    // 1-based numbers of the lines (ended as TakeLine ends them) in which a
    // character became 〓, in order, each once.
    std::vector<int> changedLines;
};

// Characters that show nothing are dropped first: byte-order marks wherever
// they stand (two UTF-8 files joined), variation selectors, zero-width spaces,
// soft hyphens and the other default-ignorable characters. A letter followed by
// combining marks (か and U+3099, as macOS writes names) is composed (NFC); a
// character alone is kept as it is, as composing would change the look of some
// kanji. Characters typed in their JIS forms (U+301C WAVE DASH and friends)
// become their code page 932 twins, as for typed text. A character code page 932
// cannot hold, a private-use character (a gaiji of the writer's own machine,
// which code page 932's user area would not print as such), and each byte that
// is no UTF-8 become 〓 (0x81 0xAC); everything else is kept, ASCII and the line
// ends byte for byte.
Utf8Conversion FromUtf8(std::string_view utf8);

// 〓, which stands for a character code page 932 cannot hold.
inline constexpr std::string_view kGeta = "\x81\xAC";

} // namespace kelmora::cp932
