#pragma once
// Roster files for the window tests of this folder, written into a test's
// temporary folder, each with what loading it must lead to.
#include "codec/Cp932.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace stress {

inline QByteArray sjis(const QString& text)
{
    const auto bytes = kelmora::cp932::FromUnicode(text);
    if (!bytes)
        throw std::logic_error("test text not in code page 932");
    return QByteArray::fromStdString(*bytes);
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Made-up students: family name, its reading, given name, its reading.
struct Student {
    QString family, familyReading, given, givenReading;
};

inline Student student(int i)
{
    static const QStringList families{"青木", "新井", "池田", "石井", "上野", "遠藤", "大野", "加藤", "木村", "小林", "佐藤"};
    static const QStringList familyReadings{"あおき", "あらい", "いけだ", "いしい", "うえの", "えんどう",
                                            "おおの", "かとう", "きむら", "こばやし", "さとう"};
    static const QStringList givens{"健太", "美咲", "大輝", "彩花", "翔", "結衣", "蓮", "陽菜", "湊"};
    static const QStringList givenReadings{"けんた", "みさき", "だいき", "あやか", "しょう", "ゆい", "れん", "ひな", "みなと"};
    const int f = i % families.size();
    const int g = (i / families.size()) % givens.size();
    return {families[f], familyReadings[f], givens[g], givenReadings[g]};
}

// One data line of `columns` fields after the marker (2, 3, 4, 6 or 7), without its end of line.
inline QByteArray dataLine(int number, int columns)
{
    const Student s = student(number);
    QStringList fields{"$", QString::number(number), s.family + "　" + s.given, s.family, s.given, s.familyReading,
                       s.givenReading, QStringLiteral("備考%1").arg(number)};
    return sjis(fields.mid(0, columns + 1).join(u','));
}

inline QByteArray rosterOf(int students, int columns, const QByteArray& eol = "\r\n")
{
    QByteArray bytes = sjis(QStringLiteral("% 番,氏名")) + eol;
    for (int i = 1; i <= students; ++i)
        bytes += dataLine(i, columns) + eol;
    return bytes;
}

} // namespace stress
