#pragma once
#include <QString>

#include <optional>
#include <string>
#include <string_view>

namespace kelmora::cp932 {

// Code page 932 bytes as the widgets show them. Bytes that are no valid
// character show as U+FFFD; the bytes themselves stay with the caller.
QString ToUnicode(std::string_view bytes);

// A text typed in a widget as code page 932 bytes, or nullopt when it holds a
// character code page 932 cannot hold (never silently replaced). Characters that
// Linux input methods type in their JIS form (U+301C WAVE DASH and friends) are
// taken as their code page 932 twins first.
std::optional<std::string> FromUnicode(const QString& text);

// The characters of `text` that code page 932 cannot hold, for a message.
QString Unencodable(const QString& text);

} // namespace kelmora::cp932
