// The chart writers, byte for byte. The reference charts under data/ were made
// once, apart from this code, with Python's own cp932 codec, so they also pin
// every Japanese literal of the writer to its code page 932 bytes.
#include "ChartCases.h"

#include "output/ChartWriter.h"
#include "output/LatexText.h"

#include <QFile>
#include <QTest>

#include <algorithm>

using namespace kelmora;
using namespace kelmora::testing;

Q_DECLARE_METATYPE(kelmora::ChartKind)

namespace {

std::string write(ChartKind kind, const ChartInput& in)
{
    return kind == ChartKind::Ruby ? WriteRubySeatingChart(in) : WriteSeatingChart(in);
}

QList<QByteArray> crlfLines(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray& l : lines)
        l.chop(l.endsWith('\r') ? 1 : 0);
    return lines;
}

} // namespace

class TestChartWriter : public QObject {
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void layoutHoldsForEverySize_data();
    void layoutHoldsForEverySize();
    void chooseChart_data();
    void chooseChart();
    void latexSafe_data();
    void latexSafe();
    void latexTitle_data();
    void latexTitle();
};

void TestChartWriter::matchesReference_data()
{
    QTest::addColumn<QString>("caseName");
    QTest::addColumn<ChartKind>("kind");
    QTest::addColumn<QString>("file");
    for (const QString& name : referenceCaseNames()) {
        QTest::addRow("%s plain", qPrintable(name)) << name << ChartKind::Plain << name + "_plain.tex";
        QTest::addRow("%s ruby", qPrintable(name)) << name << ChartKind::Ruby << name + "_ruby.tex";
    }
}

void TestChartWriter::matchesReference()
{
    QFETCH(QString, caseName);
    QFETCH(ChartKind, kind);
    QFETCH(QString, file);

    QFile f(QStringLiteral(KELMORA_TESTDATA_DIR "/") + file);
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    const QByteArray want = f.readAll();

    const ChartCase c = referenceCase(caseName);
    const QByteArray got = QByteArray::fromStdString(write(kind, c.input()));

    // Point at the first line that differs; a bare byte dump of a whole chart says little.
    const QList<QByteArray> gotLines = crlfLines(got);
    const QList<QByteArray> wantLines = crlfLines(want);
    for (qsizetype i = 0; i < std::min(gotLines.size(), wantLines.size()); ++i) {
        if (gotLines[i] != wantLines[i])
            QFAIL(qPrintable(QStringLiteral("line %1 differs\n   got: %2\n  want: %3")
                                 .arg(i + 1)
                                 .arg(::testing::fromSj(gotLines[i]), ::testing::fromSj(wantLines[i]))));
    }
    QCOMPARE(gotLines.size(), wantLines.size());
    QCOMPARE(got, want);
}

void TestChartWriter::layoutHoldsForEverySize_data()
{
    QTest::addColumn<ChartKind>("kind");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("rows");
    for (ChartKind kind : {ChartKind::Plain, ChartKind::Ruby})
        for (int columns : {1, 5, 12})
            for (int rows = 1; rows <= 12; ++rows)
                QTest::addRow("%s %dx%d", kind == ChartKind::Ruby ? "ruby" : "plain", columns, rows)
                    << kind << columns << rows;
}

// Whatever the size: 48 + 2R lines (58 + 2R with ruby), each ended by CR LF,
// R table rows a page with C cells each, and the second page's table the first's
// turned through 180 degrees.
void TestChartWriter::layoutHoldsForEverySize()
{
    QFETCH(ChartKind, kind);
    QFETCH(int, columns);
    QFETCH(int, rows);

    const ChartCase c = filledCase(columns, rows);
    const QByteArray chart = QByteArray::fromStdString(write(kind, c.input()));

    QVERIFY(chart.endsWith("\r\n"));
    QList<QByteArray> lines = chart.split('\n');
    lines.removeLast(); // after the last line's LF
    const int expectedLines = (kind == ChartKind::Ruby ? 58 : 48) + 2 * rows;
    QCOMPARE(lines.size(), expectedLines);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVERIFY2(lines[i].endsWith('\r'), qPrintable(QStringLiteral("line %1 lacks its CR").arg(i + 1)));
        lines[i].chop(1);
        QVERIFY2(!lines[i].contains('\r'), qPrintable(QStringLiteral("stray CR in line %1").arg(i + 1)));
    }

    QList<QList<QByteArray>> tableRows;
    for (const QByteArray& l : std::as_const(lines)) {
        if (l.endsWith("\\\\ \\hline")) {
            QList<QByteArray> cells = l.chopped(9).split('&');
            QCOMPARE(cells.size(), columns);
            for (const QByteArray& cell : std::as_const(cells))
                QVERIFY(!cell.isEmpty()); // every seat of this grid is taken
            tableRows << cells;
        }
    }
    QCOMPARE(tableRows.size(), 2 * rows);
    for (int r = 0; r < rows; ++r) {
        QList<QByteArray> turned = tableRows[rows + (rows - 1 - r)];
        std::reverse(turned.begin(), turned.end());
        QCOMPARE(turned, tableRows[r]);
    }
}

void TestChartWriter::chooseChart_data()
{
    QTest::addColumn<int>("columnCount");
    QTest::addColumn<bool>("rubyChecked");
    QTest::addColumn<ChartKind>("expected");
    // Every count below six gets the plain chart, four and five included: ruby needs both readings.
    for (int count : {-1, 0, 1, 2, 3, 4, 5}) {
        QTest::addRow("%d columns, ruby checked", count) << count << true << ChartKind::Plain;
        QTest::addRow("%d columns, no ruby", count) << count << false << ChartKind::Plain;
    }
    for (int count : {6, 7, 12}) {
        QTest::addRow("%d columns, ruby checked", count) << count << true << ChartKind::Ruby;
        QTest::addRow("%d columns, no ruby", count) << count << false << ChartKind::Plain;
    }
}

void TestChartWriter::chooseChart()
{
    QFETCH(int, columnCount);
    QFETCH(bool, rubyChecked);
    QFETCH(ChartKind, expected);
    QCOMPARE(ChooseChart(columnCount, rubyChecked), expected);
}

void TestChartWriter::latexSafe_data()
{
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    const auto row = [](const char* name, std::string in, std::string out) {
        QTest::newRow(name) << QByteArray::fromStdString(in) << QByteArray::fromStdString(out);
    };
    row("empty", "", "");
    row("ordinary ascii", "Taro Yamada 1-2 (A)", "Taro Yamada 1-2 (A)");
    row("backslash", "a\\b", "a\\textbackslash{}b");
    row("braces", "{x}", "\\{x\\}");
    row("dollar ampersand hash percent", "$&#%", "\\$\\&\\#\\%");
    // The text fonts lack these three, so they are taken from the typewriter font;
    // the group ends the \char number even when a digit follows.
    row("underscore before a digit", "_1", "{\\ttfamily\\char95}1");
    row("tilde", "~", "{\\ttfamily\\char126}");
    row("circumflex", "^", "{\\ttfamily\\char94}");
    // The text font has ¡ ¿ — ” in these places.
    row("printed otherwise by the text font", "a<b>c|d\"e\"1",
        "a\\textless{}b\\textgreater{}c\\textbar{}d{\\ttfamily\\char34}e{\\ttfamily\\char34}1");
    row("control bytes",
        "a\tb\nc\rd\x01\x1F\x7F"
        "e",
        "a b c d   e");
    row("nul", std::string("a\0b", 3), "a b");
    // 表 ソ 能: second byte 0x5C, the backslash
    row("second byte 0x5C", sj(u"表ソ能"), "\x95\x5C\x83\x5C\x94\x5C");
    // ＋ × ± ミ ー: second bytes { ~ } ~ [
    row("other ascii second bytes", sj(u"＋×±ミー"), "\x81\x7B\x81\x7E\x81\x7D\x83\x7E\x81\x5B");
    // 表{ : the brace after a whole character is a brace again
    row("special after a double-byte character", sj(u"表") + "{", "\x95\x5C\\{");
    // ｿ＼ : half-width katakana are single bytes, so the backslash after ｿ is one;
    // pLaTeX cannot print them, so they come out full-width: ソ, and the ends of
    // the range ｡ and ﾟ as 。 and ゜.
    row("half-width katakana are single bytes", "\xBF\\", sj(u"ソ") + "\\textbackslash{}");
    row("half-width range ends", "\xA1{\xDF}", sj(u"。") + "\\{" + sj(u"゜") + "\\}");
    // ﾔﾏﾀﾞ ﾊﾟﾝ ｳﾞ: voiced and semi-voiced marks join their kana
    row("half-width names", "\xD4\xCF\xC0\xDE \xCA\xDF\xDD \xB3\xDE", sj(u"ヤマダ パン ヴ"));
    // ｦﾞ has no joined character in code page 932, and a mark alone stands alone
    row("marks that join nothing", "\xA6\xDE\xDE", sj(u"ヲ゛゛"));
    // No character at all in code page 932; pLaTeX would stop on them.
    row("bytes that are no character", "\x80~\xA0_\xFD$\xFE\xFF", " {\\ttfamily\\char126} {\\ttfamily\\char95} \\$  ");
    row("lead bytes at the range ends", "\x81\x40\x9F\x5C\xE0\x7B\xFC\x7E", "\x81\x40\x9F\x5C\xE0\x7B\xFC\x7E");
    row("lone lead byte at the end", "a\x81", "a ");
    row("lone lead byte after a special", "%\xE0", "\\% ");
    // pTeX pairs a lead byte only with a possible second byte, so these specials act
    row("lead bytes before bytes that end no character", "\x81$\x9F&\xE0\t\xFC\x7F", " \\$ \\&    ");
}

void TestChartWriter::latexSafe()
{
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QCOMPARE(QByteArray::fromStdString(LatexSafe(in.toStdString())), out);
}

void TestChartWriter::latexTitle_data()
{
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QByteArray>("out");
    const auto row = [](const char* name, std::string in, std::string out) {
        QTest::newRow(name) << QByteArray::fromStdString(in) << QByteArray::fromStdString(out);
    };
    row("the teacher's LaTeX", "\\textgt{" + sj(u"特別") + "}" + sj(u"\u3000") + "50\\% $x^2_1$ \\\\ ~#&",
        "\\textgt{" + sj(u"特別") + "}" + sj(u"\u3000") + "50\\% $x^2_1$ \\\\ ~#&");
    row("half-width katakana", sj(u"２年Ｂ組\u3000") + "\xBB\xDE\xBE\xB7\xCB\xAE\xB3",
        sj(u"２年Ｂ組\u3000ザセキヒョウ"));
    row("half-width katakana after a kanji", "2B" + sj(u"組") + " \xBB\xDE\xB7\xCB\xAE\xB3",
        "2B" + sj(u"組 ザキヒョウ"));
    // こ, ｱ as the second byte of a pair: one character, not a kana
    row("pairs with a second byte in the half-width range", sj(u"こ表") + "\x95\xB1", sj(u"こ表") + "\x95\xB1");
    row("printed otherwise by the text font", "<1> A|B \"C\" $a<b$",
        "\\textless{}1\\textgreater{} A\\textbar{}B {\\ttfamily\\char34}C{\\ttfamily\\char34} $a\\textless{}b$");
    row("other bytes as typed", "a\tb\x7F\x80\x81", "a\tb\x7F\x80\x81");
}

void TestChartWriter::latexTitle()
{
    QFETCH(QByteArray, in);
    QFETCH(QByteArray, out);
    QCOMPARE(QByteArray::fromStdString(LatexTitle(in.toStdString())), out);
}

QTEST_GUILESS_MAIN(TestChartWriter)
#include "test_chart_writer.moc"
