#include "codec/TextEncoding.h"

#include "codec/Cp932.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <algorithm>

namespace kelmora::cp932 {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// One line (its line feed included) of UTF-8 as code page 932; false when a
// character had to become 〓.
bool appendLine(std::string& out, std::string_view line)
{
    if (isAscii(line)) {
        out += line;
        return true;
    }
    // Bytes that are no UTF-8 come in as U+FFFD, which code page 932 lacks too,
    // also a sequence cut off by the end of the file (Stateless: nothing is kept
    // back for more input). A byte-order mark starting a line is a character like
    // any other (the file's own is gone by now); QString::fromUtf8 would drop it.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())));
    if (const std::optional<std::string> whole = FromUnicode(text)) {
        out += *whole;
        return true;
    }
    bool clean = true;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (const std::optional<std::string> one = FromUnicode(text.mid(i, n))) {
            out += *one;
        } else {
            out += kGeta;
            clean = false;
        }
        i += n - 1;
    }
    return clean;
}

} // namespace

FileEncoding DetectFileEncoding(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return FileEncoding::Utf16;
    if (bytes.starts_with(kUtf8Bom))
        return FileEncoding::Utf8;
    if (!isAscii(bytes) && QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8())
        return FileEncoding::Utf8;
    return FileEncoding::Cp932;
}

Utf8Conversion FromUtf8(std::string_view utf8)
{
    if (utf8.starts_with(kUtf8Bom))
        utf8.remove_prefix(kUtf8Bom.size());
    Utf8Conversion result;
    result.text.reserve(utf8.size());
    int lineNumber = 1;
    while (!utf8.empty()) {
        const std::size_t lf = utf8.find('\n');
        const std::size_t length = lf == std::string_view::npos ? utf8.size() : lf + 1;
        if (!appendLine(result.text, utf8.substr(0, length)))
            result.changedLines.push_back(lineNumber);
        utf8.remove_prefix(length);
        ++lineNumber;
    }
    return result;
}

} // namespace kelmora::cp932
