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

// One line (its line feed included) as code page 932; false when a character
// had to become 〓.
bool appendLine(std::string& out, const QString& line)
{
    if (const std::optional<std::string> whole = FromUnicode(line)) {
        out += *whole;
        return true;
    }
    bool clean = true;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const qsizetype n = line.at(i).isHighSurrogate() && i + 1 < line.size() ? 2 : 1;
        if (const std::optional<std::string> one = FromUnicode(line.mid(i, n))) {
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
    // Bytes that are no UTF-8 come in as U+FFFD, which code page 932 lacks too,
    // and so does a sequence cut off by the end of the file (Stateless: nothing
    // is kept back for more input). A second byte-order mark is a character like
    // any other (ConvertInitialBom: it is not dropped).
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));

    Utf8Conversion result;
    result.text.reserve(utf8.size());
    int lineNumber = 1;
    for (qsizetype start = 0; start < text.size(); ++lineNumber) {
        const qsizetype lf = text.indexOf(QLatin1Char('\n'), start);
        const qsizetype end = lf < 0 ? text.size() : lf + 1;
        if (!appendLine(result.text, text.mid(start, end - start)))
            result.changedLines.push_back(lineNumber);
        start = end;
    }
    return result;
}

} // namespace kelmora::cp932
