#pragma once
// Test texts are written readable here and used as code page 932 bytes, the way
// roster files and charts hold them. A character the code page cannot hold aborts
// the test, so a typo cannot turn into "?" unnoticed.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringView>

#include <string>

namespace testing {

inline std::string sj(QStringView text)
{
    QStringEncoder encoder("windows-31j");
    if (!encoder.isValid())
        qFatal("no windows-31j encoder");
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        qFatal("not in code page 932: %s", qPrintable(text.toString()));
    return bytes.toStdString();
}

inline std::string sj(const char* utf8)
{
    return sj(QString::fromUtf8(utf8));
}

// The same bytes for the window tests, which write them to files.
inline QByteArray sjBytes(QStringView text)
{
    return QByteArray::fromStdString(sj(text));
}

inline QByteArray sjBytes(const char* utf8)
{
    return sjBytes(QString::fromUtf8(utf8));
}

// Back to readable text, for comparing and for failure messages; decoded here
// rather than by the program's own converter, so that a check does not lean on
// the code it checks.
inline QString fromSj(QByteArrayView bytes)
{
    QStringDecoder decoder("windows-31j");
    if (!decoder.isValid())
        qFatal("no windows-31j decoder");
    return decoder.decode(bytes);
}

inline QString fromSj(const std::string& bytes)
{
    return fromSj(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

} // namespace testing
