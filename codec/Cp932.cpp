#include "codec/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <vector>

namespace kelmora::cp932 {

namespace {

constexpr const char* kCodec = "windows-31j";

// Linux input methods and fonts type these in their JIS X 0208 form; code page 932
// has the same characters under other code points.
char16_t cp932Twin(char16_t c)
{
    switch (c) {
    case 0x301C: return 0xFF5E; // WAVE DASH -> FULLWIDTH TILDE
    case 0x2016: return 0x2225; // DOUBLE VERTICAL LINE -> PARALLEL TO
    case 0x2212: return 0xFF0D; // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    case 0x00A2: return 0xFFE0; // CENT SIGN
    case 0x00A3: return 0xFFE1; // POUND SIGN
    case 0x00AC: return 0xFFE2; // NOT SIGN
    case 0x2014: return 0x2015; // EM DASH -> HORIZONTAL BAR
    default: return c;
    }
}

QString withTwins(const QString& text)
{
    QString out = text;
    for (QChar& ch : out)
        ch = QChar(cp932Twin(ch.unicode()));
    return out;
}

// One character (a code point, maybe a surrogate pair) as bytes, or nullopt.
std::optional<QByteArray> encodeOne(QStringView ch)
{
    QStringEncoder encoder(kCodec, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(ch);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace

namespace {

bool isLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool isTrail(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}
bool isSingle(unsigned char b)
{
    return b < 0x80 || (b >= 0xA1 && b <= 0xDF);
}

} // namespace

QString ToUnicode(std::string_view bytes)
{
    // The converter drops or turns into U+001A what is no character at all (a
    // lone lead byte, 0xFF), and it swaps the controls 0x1A, 0x1C and 0x7F.
    // So ASCII is taken as it is, bytes that are no character become U+FFFD,
    // and only runs of well-formed Japanese characters go through the converter.
    // Opening the converter costs far more than decoding a name, and a list of
    // students decodes one name per row: keep one per thread. Only whole
    // characters reach it, so it never carries anything from one call over.
    // The characters are gathered in a scratch buffer of the thread as well, so
    // each text costs one allocation of its exact size.
    thread_local QStringDecoder decoder(kCodec, QStringConverter::Flag::Stateless);
    thread_local std::vector<QChar> scratch(64);
    std::size_t used = 0;
    auto room = [&](std::size_t needed) {
        if (scratch.size() - used < needed)
            scratch.resize(used + needed);
    };
    std::size_t runStart = 0;
    auto flush = [&](std::size_t end) {
        if (end <= runStart)
            return;
        const QByteArrayView run(bytes.data() + runStart, static_cast<qsizetype>(end - runStart));
        room(static_cast<std::size_t>(decoder.requiredSpace(run.size())));
        used = static_cast<std::size_t>(decoder.appendToBuffer(scratch.data() + used, run) - scratch.data());
    };
    auto put = [&](QChar c) {
        room(1);
        scratch[used++] = c;
    };
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            flush(i);
            put(QChar(b));
            runStart = ++i;
        } else if (isSingle(b)) {
            ++i;
        } else if (isLead(b) && i + 1 < bytes.size() && isTrail(static_cast<unsigned char>(bytes[i + 1]))) {
            i += 2;
        } else {
            flush(i);
            put(QChar::ReplacementCharacter);
            runStart = ++i;
        }
    }
    flush(i);
    return QString(scratch.data(), static_cast<qsizetype>(used));
}

std::optional<std::string> FromUnicode(const QString& text)
{
    const QString mapped = withTwins(text);
    // Opening the converter costs far more than encoding a name, and a UTF-8
    // roster is encoded line by line: keep one per thread. One that met a
    // character it cannot encode stays in error (resetState() does not clear
    // it), so it is then replaced by a new one.
    thread_local std::optional<QStringEncoder> encoder;
    if (!encoder)
        encoder.emplace(kCodec, QStringConverter::Flag::Stateless);
    std::string out;
    out.reserve(static_cast<std::size_t>(mapped.size()) * 2);
    // ASCII is written as it is (the converter would swap 0x1A, 0x1C and 0x7F);
    // runs of everything else go through the converter.
    qsizetype runStart = 0;
    auto flush = [&](qsizetype end) {
        if (end <= runStart)
            return true;
        const QByteArray bytes = encoder->encode(QStringView(mapped).mid(runStart, end - runStart));
        if (encoder->hasError()) {
            encoder.reset();
            return false;
        }
        out.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        return true;
    };
    for (qsizetype i = 0; i < mapped.size(); ++i) {
        const char16_t c = mapped.at(i).unicode();
        if (c >= 0x80)
            continue;
        if (!flush(i))
            return std::nullopt;
        out += static_cast<char>(c);
        runStart = i + 1;
    }
    if (!flush(mapped.size()))
        return std::nullopt;
    return out;
}

QString Unencodable(const QString& text)
{
    const QString mapped = withTwins(text);
    QString bad;
    for (qsizetype i = 0; i < mapped.size(); ++i) {
        const qsizetype n = mapped.at(i).isHighSurrogate() && i + 1 < mapped.size() ? 2 : 1;
        const QStringView ch = QStringView(mapped).mid(i, n);
        if (ch.front().unicode() >= 0x80 && !encodeOne(ch) && !bad.contains(ch))
            bad += ch;
        i += n - 1;
    }
    return bad;
}

} // namespace kelmora::cp932
