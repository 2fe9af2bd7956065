// The characters of code page 932 that pLaTeX has no glyph for: which ones, how
// the chart writes them, and that a chart without them keeps its every byte
// (the reference charts in data/ are checked by test_chart_writer).
#include "ChartCases.h"

#include "codec/Cp932.h"
#include "output/ChartWriter.h"
#include "output/LatexText.h"

#include <QtTest>

using namespace kelmora;
using namespace kelmora::testing;

namespace {

bool isLead(int b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
// Rows 13, 89 to 92 and from 95 on: not JIS X 0208.
bool outsideJisRow(int lead)
{
    return lead == 0x87 || lead == 0xED || lead == 0xEE || lead >= 0xF0;
}

QStringList chartLines(const std::string& chart)
{
    QStringList lines = cp932::ToUnicode(chart).split(QStringLiteral("\r\n"));
    lines.removeLast(); // after the last CR LF
    return lines;
}

} // namespace

class TestOutsideJis : public QObject {
    Q_OBJECT

private slots:
    void everyPairOfTheCodePage();
    void chartLoadsOtfOnlyWhenNeeded();
};

// Over all lead and second bytes: JIS X 0208 stays as it is; of the 845
// characters outside it, the 12 that JIS X 0208 has under other bytes take those
// (the bytes code page 932 itself writes for them) and the other 833 become
// \UTF of their code point; pairs with nothing to print stay, or become 〓 where
// pLaTeX would stop on them.
void TestOutsideJis::everyPairOfTheCodePage()
{
    int twins = 0, spelled = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            const std::string pair{char(lead), char(trail)};
            bool otf = false;
            const std::string out = SpellOutsideJis(pair, otf);
            const QString u = cp932::ToUnicode(pair);
            const char16_t c = u.front().unicode();
            const bool character = c != 0xFFFD && !(c >= 0xE000 && c <= 0xF8FF);
            const QByteArray at = QByteArray::number(lead * 256 + trail, 16);
            if (!outsideJisRow(lead)) {
                QVERIFY2(out == pair && !otf, at);
            } else if (character && out.size() == 2) {
                ++twins;
                QVERIFY2(!outsideJisRow(static_cast<unsigned char>(out[0])) && !otf, at);
                QVERIFY2(cp932::FromUnicode(u) == out, at);
            } else if (character) {
                ++spelled;
                QVERIFY2(out == QStringLiteral("\\UTF{%1}").arg(int(c), 4, 16, QChar('0')).toUpper().toStdString(),
                         at + " " + QByteArray::fromStdString(out));
                QVERIFY2(otf, at);
            } else {
                QVERIFY2(out == (lead >= 0xF0 ? sj(u"〓") : pair) && !otf, at);
            }
        }
    }
    QCOMPARE(twins, 12);
    QCOMPARE(spelled, 833);
}

void TestOutsideJis::chartLoadsOtfOnlyWhenNeeded()
{
    ChartCase c = referenceCase("example");
    c.roster[0].FullName = sj(u"髙橋\u3000①");
    c.roster[0].FamilyReading = sj(u"㈱");
    c.title = "\\textbf{" + sj(u"﨑") + "}";
    for (const ChartKind kind : {ChartKind::Plain, ChartKind::Ruby}) {
        const ChartInput in = c.input();
        const QStringList lines =
            chartLines(kind == ChartKind::Ruby ? WriteRubySeatingChart(in) : WriteSeatingChart(in));
        const int fixed = kind == ChartKind::Ruby ? 58 : 48;
        QCOMPARE(lines.size(), fixed + 2 * c.rows + 1);
        QCOMPARE(lines[3], QStringLiteral("\\documentclass[12pt,b5paper,landscape]{jarticle}"));
        QCOMPARE(lines[4], QStringLiteral("\\usepackage{otf}"));
        QCOMPARE(lines.filter(QStringLiteral("\\fbox{\\huge\\bfseries \\textbf{\\UTF{FA11}}}")).size(), 2);
        const QString seat = kind == ChartKind::Ruby ? QStringLiteral("\\ruby{\\Bf 山田}{\\UTF{3231}}")
                                                     : QStringLiteral("\\Bf \\UTF{9AD9}橋　\\UTF{2460}");
        QCOMPARE(lines.filter(seat).size(), 2);
    }

    // The title alone, over names that are all JIS X 0208, loads the package too.
    c = referenceCase("example");
    c.title = sj(u"3年①組");
    for (const ChartKind kind : {ChartKind::Plain, ChartKind::Ruby}) {
        const ChartInput in = c.input();
        const QStringList lines =
            chartLines(kind == ChartKind::Ruby ? WriteRubySeatingChart(in) : WriteSeatingChart(in));
        QCOMPARE(lines.size(), (kind == ChartKind::Ruby ? 58 : 48) + 2 * c.rows + 1);
        QCOMPARE(lines[4], QStringLiteral("\\usepackage{otf}"));
        QCOMPARE(lines.filter(QStringLiteral("\\fbox{\\huge\\bfseries 3年\\UTF{2460}組}")).size(), 2);
    }

    // Only characters with JIS X 0208 twins: the twins are written, the lines stay.
    c = referenceCase("example");
    c.roster[0].FullName = std::string("\x87\x90\xFA\x5B");
    c.title = std::string("\xEE\xF9");
    const std::string chart = WriteSeatingChart(c.input());
    QCOMPARE(chartLines(chart).size(), 48 + 2 * c.rows);
    QVERIFY(chart.find("\\Bf \x81\xE0\x81\xE6&") != std::string::npos);
    QVERIFY(chart.find("\\bfseries \x81\xCA}") != std::string::npos);
}

QTEST_GUILESS_MAIN(TestOutsideJis)
#include "test_outside_jis.moc"
