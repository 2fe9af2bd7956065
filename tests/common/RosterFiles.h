#pragma once
// Made-up roster lines in code page 932, as many and as wide as a test needs.
#include "common/Sjis.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testing {

// A made-up student: family name, its reading, given name, its reading.
struct Student {
    QString family, familyReading, given, givenReading;
};

inline Student student(int i)
{
    static const QStringList families{"青木", "新井", "池田", "石井", "上野", "遠藤",
                                      "大野", "加藤", "木村", "小林", "佐藤"};
    static const QStringList familyReadings{"あおき", "あらい", "いけだ", "いしい",   "うえの", "えんどう",
                                            "おおの", "かとう", "きむら", "こばやし", "さとう"};
    static const QStringList givens{"健太", "美咲", "大輝", "彩花", "翔", "結衣", "蓮", "陽菜", "湊"};
    static const QStringList givenReadings{"けんた", "みさき", "だいき", "あやか", "しょう",
                                           "ゆい",   "れん",   "ひな",   "みなと"};
    const int f = i % families.size();
    const int g = (i / families.size()) % givens.size();
    return {families[f], familyReadings[f], givens[g], givenReadings[g]};
}

// One data line of `columns` fields after the marker (2, 3, 4, 6 or 7), without its end of line.
inline QByteArray dataLine(int number, int columns)
{
    const Student s = student(number);
    QStringList fields{"$",
                       QString::number(number),
                       s.family + "　" + s.given,
                       s.family,
                       s.given,
                       s.familyReading,
                       s.givenReading,
                       QStringLiteral("備考%1").arg(number)};
    return sjBytes(fields.mid(0, columns + 1).join(u','));
}

// A comment line and `students` data lines.
inline QByteArray rosterOf(int students, int columns, const QByteArray& eol = "\r\n")
{
    QByteArray bytes = sjBytes(u"% 番,氏名") + eol;
    for (int i = 1; i <= students; ++i)
        bytes += dataLine(i, columns) + eol;
    return bytes;
}

} // namespace testing
