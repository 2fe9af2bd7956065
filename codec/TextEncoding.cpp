#include "codec/TextEncoding.h"

#include "codec/Cp932.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <unicode/uchar.h>

#include <algorithm>
#include <bitset>
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

bool isPrivateUse(char32_t c)
{
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000; // the area of the basic plane, planes 15 and 16
}

bool ignorable(char32_t c)
{
    // A name is read a character at a time: the basic plane's answers are asked
    // of ICU once, and kept.
    static const std::bitset<0x10000> basic = [] {
        std::bitset<0x10000> set;
        for (UChar32 b = 0; b < 0x10000; ++b)
            set[static_cast<std::size_t>(b)] = u_hasBinaryProperty(b, UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
        return set;
    }();
    return c < 0x10000 ? basic[c] : u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT);
}

// The text without the characters that show nothing, by Unicode's own list (ICU
// keeps it): they must not become a 〓 the teacher cannot find in the name as
// shown. `privateUse` tells whether a private-use character is left.
QString withoutIgnorables(QString text, bool& privateUse)
{
    privateUse = false;
    qsizetype kept = 0; // the text is moved forward over what is dropped, in place
    qsizetype units = 1;
    for (qsizetype i = 0; i < text.size(); i += units) {
        const char32_t c = codePointAt(text, i, units);
        if (ignorable(c))
            continue;
        privateUse = privateUse || isPrivateUse(c);
        if (kept != i)
            for (qsizetype k = 0; k < units; ++k)
                text[kept + k] = text.at(i + k);
        kept += units;
    }
    text.truncate(kept);
    return text;
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

// One line (its end not included, the characters that show nothing gone) as
// code page 932; false when a character had to become 〓.
bool appendLine(std::string& out, const QString& line, bool privateUse)
{
    if (!privateUse)
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

std::string_view piece(std::string_view text, std::size_t at, std::size_t n)
{
    return text.substr(at, n);
}
QStringView piece(QStringView text, std::size_t at, std::size_t n)
{
    return text.mid(static_cast<qsizetype>(at), static_cast<qsizetype>(n));
}

// TakeLine over bytes or over UTF-16 text.
template <typename View>
View takeLine(View& text, View* end)
{
    const auto size = static_cast<std::size_t>(text.size());
    std::size_t at = 0;
    while (at < size && text[at] != u'\n' && text[at] != u'\r')
        ++at;
    const std::size_t endSize = at == size ? 0 : text[at] == u'\r' && at + 1 < size && text[at + 1] == u'\n' ? 2 : 1;
    const View line = piece(text, 0, at);
    if (end)
        *end = piece(text, at, endSize);
    text = piece(text, at + endSize, size - at - endSize);
    return line;
}

} // namespace

std::string_view TakeLine(std::string_view& text, std::string_view* end)
{
    return takeLine(text, end);
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
    // and so does a sequence cut off by the end of the file (Stateless: nothing
    // is kept back for more input). Byte-order marks are dropped with the other
    // characters that show nothing.
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    bool privateUse = false;
    const QString text =
        withoutIgnorables(decoder.decode(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size()))), privateUse);
    Utf8Conversion result;
    // Most files convert whole; only one that does not is gone through line by line.
    if (!privateUse)
        if (std::optional<std::string> whole = FromUnicode(text)) {
            result.text = std::move(*whole);
            return result;
        }
    result.text.reserve(utf8.size());
    QStringView rest(text);
    for (int lineNumber = 1; !rest.isEmpty(); ++lineNumber) {
        QStringView end;
        const QStringView line = takeLine(rest, &end);
        if (!appendLine(result.text, line.toString(), privateUse))
            result.changedLines.push_back(lineNumber);
        for (const QChar c : end)
            result.text += static_cast<char>(c.unicode());
    }
    return result;
}

} // namespace kelmora::cp932
