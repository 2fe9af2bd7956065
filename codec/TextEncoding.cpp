#include "codec/TextEncoding.h"

#include "codec/Cp932.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <unicode/uchar.h>

#include <algorithm>
#include <optional>

namespace kelmora::cp932 {

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The code point at `i` and how many UTF-16 units it takes.
char32_t codePointAt(const QString& text, qsizetype i, qsizetype& units)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
        units = 2;
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    }
    units = 1;
    return c.unicode();
}

// Unicode's own list of the characters that show nothing (ICU keeps it): they
// must not become a 〓 the teacher cannot find in the name as shown.
QString withoutIgnorables(const QString& line)
{
    QString kept;
    kept.reserve(line.size());
    qsizetype units = 1;
    for (qsizetype i = 0; i < line.size(); i += units) {
        const char32_t c = codePointAt(line, i, units);
        if (!u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT))
            kept.append(QStringView(line).mid(i, units));
    }
    return kept;
}

bool isPrivateUse(char32_t c)
{
    return QChar::category(c) == QChar::Other_PrivateUse;
}

bool holdsPrivateUse(const QString& text)
{
    qsizetype units = 1;
    for (qsizetype i = 0; i < text.size(); i += units)
        if (isPrivateUse(codePointAt(text, i, units)))
            return true;
    return false;
}

// The characters of `text` one by one: each its own form or 〓. False when one became 〓.
bool appendEach(std::string& out, const QString& text)
{
    bool clean = true;
    qsizetype units = 1;
    for (qsizetype i = 0; i < text.size(); i += units) {
        const char32_t c = codePointAt(text, i, units);
        const std::optional<std::string> one = isPrivateUse(c) ? std::nullopt : FromUnicode(text.mid(i, units));
        out += one ? *one : kGeta;
        clean = clean && one;
    }
    return clean;
}

// One line (its end not included) as code page 932; false when a character
// had to become 〓.
bool appendLine(std::string& out, const QString& decoded)
{
    const QString line = withoutIgnorables(decoded);
    if (!holdsPrivateUse(line))
        if (const std::optional<std::string> whole = FromUnicode(line)) {
            out += *whole;
            return true;
        }
    // Code page 932 has no combining marks: a letter with marks is composed,
    // and what does not compose becomes 〓.
    bool clean = true;
    for (qsizetype i = 0; i < line.size();) {
        qsizetype baseUnits = 1, markUnits = 1;
        codePointAt(line, i, baseUnits);
        qsizetype end = i + baseUnits;
        while (end < line.size() && QChar::isMark(codePointAt(line, end, markUnits)))
            end += markUnits;
        const QString cluster = line.mid(i, end - i);
        const bool marked = end > i + baseUnits;
        clean = appendEach(out, marked ? cluster.normalized(QString::NormalizationForm_C) : cluster) && clean;
        i = end;
    }
    return clean;
}

} // namespace

std::string_view TakeLine(std::string_view& text, std::string_view* end)
{
    std::size_t at = 0;
    while (at < text.size() && text[at] != '\n' && text[at] != '\r')
        ++at;
    const std::size_t endSize = at == text.size() ? 0 : text.substr(at, 2) == "\r\n" ? 2 : 1;
    const std::string_view line = text.substr(0, at);
    if (end)
        *end = text.substr(at, endSize);
    text.remove_prefix(at + endSize);
    return line;
}

FileEncoding DetectFileEncoding(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF"))
        return FileEncoding::Utf16;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return FileEncoding::Utf8;
    if (!isAscii(bytes) && QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())).isValidUtf8())
        return FileEncoding::Utf8;
    return FileEncoding::Cp932;
}

Utf8Conversion FromUtf8(std::string_view utf8)
{
    // Bytes that are no UTF-8 come in as U+FFFD, which code page 932 lacks too,
    // and so does a sequence cut off by the end of its line (Stateless: nothing
    // is kept back for more input). Byte-order marks are dropped with the other
    // characters that show nothing.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    Utf8Conversion result;
    result.text.reserve(utf8.size());
    for (int lineNumber = 1; !utf8.empty(); ++lineNumber) {
        std::string_view end;
        const std::string_view line = TakeLine(utf8, &end);
        if (!appendLine(result.text, decoder.decode(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())))))
            result.changedLines.push_back(lineNumber);
        result.text += end;
    }
    return result;
}

} // namespace kelmora::cp932
