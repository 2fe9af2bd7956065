// The charts typeset: a filled grid, names full of LaTeX specials, the example
// roster file, names pLaTeX has no glyph for and characters the text font prints
// otherwise, each by the program's own typesetter through the real platex and
// dvipdfmx. Each must come out as a two-page PDF that carries every font it uses
// and whose text holds every seated name on both pages.
#include "ChartCases.h"
#include "common/Files.h"

#include "output/ChartWriter.h"
#include "roster/RosterReader.h"
#include "typeset/Typesetter.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace kelmora;
using namespace kelmora::testing;

Q_DECLARE_METATYPE(kelmora::ChartKind)

namespace {

// Unicode white space, the full-width space between family and given name included.
const QRegularExpression& whiteSpace()
{
    static const QRegularExpression re(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

struct Run {
    bool ok = false;
    QString output; // stdout, or what went wrong
};

Run run(const QString& program, const QStringList& args, const QString& dir, int timeoutMs = 240000)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted())
        return {false, program + ": " + p.errorString()};
    // platex stops at the first error, but never let a hung run stall the suite.
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return {false, program + " did not finish"};
    }
    const QString out = QString::fromUtf8(p.readAll());
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {false, program + " failed (" + QString::number(p.exitCode()) + "):\n" + out.right(3000)};
    return {true, out};
}

// The text of one page with all white space gone. Kept in its layout, each table
// row stays on its own line (readings on the line above), so a name's characters
// stay together; the spaces between them are pdftotext's guess and no business of ours.
QString pageText(const QString& dir, int page)
{
    const Run r =
        run("pdftotext",
            {"-layout", "-enc", "UTF-8", "-f", QString::number(page), "-l", QString::number(page), "chart.pdf", "-"},
            dir);
    if (!r.ok)
        return {};
    QString text = r.output;
    text.remove(whiteSpace());
    return text;
}

// The fonts of the PDF that it does not carry, as pdffonts lists them; a line
// of its own when pdffonts fails or lists no font at all.
QStringList fontsNotEmbedded(const QString& dir)
{
    const Run r = run("pdffonts", {"chart.pdf"}, dir);
    if (!r.ok)
        return {r.output};
    // name, type (may hold spaces), encoding, then emb sub uni object ID: five
    // columns from the right.
    const QStringList lines = r.output.split(u'\n', Qt::SkipEmptyParts).mid(2);
    if (lines.isEmpty())
        return {QStringLiteral("no font at all:\n") + r.output};
    QStringList missing;
    for (const QString& line : lines) {
        const QStringList columns = line.split(u' ', Qt::SkipEmptyParts);
        if (columns.size() < 7 || columns[columns.size() - 5] != QStringLiteral("yes"))
            missing << line;
    }
    return missing;
}

QString unicode(const std::string& cp932)
{
    QString s = ::testing::fromSj(cp932);
    s.remove(whiteSpace());
    return s;
}

// Typesets `chart` in `dir` as the program does; the PDF must carry its fonts and have two pages.
bool typesetsToTwoPages(const QTemporaryDir& dir, const std::string& chart)
{
    [&] {
        ::testing::writeFile(dir, "chart.tex", chart);

        Typesetter typesetter(FindTexPrograms());
        typesetter.setTimeout(std::chrono::minutes(4));
        QSignalSpy finished(&typesetter, &Typesetter::finished);
        typesetter.start(dir.filePath("chart.tex"));
        QVERIFY(finished.wait(250000)); // it always ends, by its own time limit at the latest
        QVERIFY2(finished.at(0).at(0).value<Typesetter::Outcome>() == Typesetter::Outcome::Done,
                 qPrintable(QString::fromStdString(typesetter.texErrors()) + typesetter.failure()));

        const QStringList notEmbedded = fontsNotEmbedded(dir.path());
        QVERIFY2(notEmbedded.isEmpty(), qPrintable("fonts not in the PDF:\n" + notEmbedded.join(u'\n')));

        Run r = run("pdfinfo", {"chart.pdf"}, dir.path());
        QVERIFY2(r.ok, qPrintable(r.output));
        const QRegularExpressionMatch pages =
            QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption)
                .match(r.output);
        QVERIFY2(pages.hasMatch(), qPrintable(r.output));
        QCOMPARE(pages.captured(1).toInt(), 2);
    }();
    return !QTest::currentTestFailed();
}

} // namespace

class TestChartTypeset : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void typesets_data();
    void typesets();
    void groupsAreRuledWhereTheyMeet();
};

void TestChartTypeset::initTestCase()
{
    for (const char* tool : {"platex", "dvipdfmx", "pdfinfo", "pdftotext", "pdffonts"})
        QVERIFY2(!QStandardPaths::findExecutable(tool).isEmpty(),
                 qPrintable(QStringLiteral("%1 is missing: run scripts/ensure-deps").arg(tool)));
}

void TestChartTypeset::typesets_data()
{
    QTest::addColumn<QString>("caseName");
    QTest::addColumn<ChartKind>("kind");
    for (const char* name : {"filled", "latexchars", "roster6", "outsidejis", "astyped"}) {
        QTest::addRow("%s plain", name) << QString(name) << ChartKind::Plain;
        QTest::addRow("%s ruby", name) << QString(name) << ChartKind::Ruby;
    }
}

void TestChartTypeset::typesets()
{
    QFETCH(QString, caseName);
    QFETCH(ChartKind, kind);

    ChartCase c;
    if (caseName == "filled") {
        // A class of 36 is the common case and fits the page at this type size.
        c = filledCase(6, 6);
    } else if (caseName == "latexchars") {
        c = typesettableSpecialsCase();
    } else if (caseName == "outsidejis") {
        c = outsideJisCase();
    } else if (caseName == "astyped") {
        c = printedAsTypedCase();
    } else {
        // The example roster as the program reads it: 40 students on a 6 x 7 grid, two desks empty.
        const QString file = QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv");
        if (!QFile::exists(file))
            QSKIP("examples/roster6.csv is not there");
        int columnCount = 0;
        QVERIFY(ReadRoster(c.roster, file.toStdString(), columnCount) > 0);
        QCOMPARE(columnCount, 6);
        QVERIFY(c.roster.size() <= 42);
        c.columns = 6;
        c.rows = 7;
        c.title = sj(u"6列の名簿");
        for (std::size_t k = 0; k < c.roster.size(); ++k)
            c.place(static_cast<int>(k % 6), static_cast<int>(k / 6), static_cast<std::int32_t>(k + 1));
    }
    const ChartInput in = c.input();
    const std::string chart = kind == ChartKind::Ruby ? WriteRubySeatingChart(in) : WriteSeatingChart(in);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (!typesetsToTwoPages(dir, chart))
        return;

    // What each occupied seat must show, white space aside: the full name, or
    // with ruby each name and its reading.
    QStringList expected;
    for (const Seito& s : c.roster) {
        if (kind == ChartKind::Plain)
            expected << unicode(s.FullName);
        else
            expected << unicode(s.FamilyName) << unicode(s.GivenName) << unicode(s.FamilyReading)
                     << unicode(s.GivenReading);
    }
    if (caseName == "latexchars")
        expected << QStringView(u"特別").toString(); // the title's own LaTeX, typeset
    if (caseName == "outsidejis")
        expected << QStringView(u"①組㈱髙橋岡﨑").toString();
    if (caseName == "astyped")
        expected << QStringView(u"２年Ｂ組ザセキヒョウ<前期>").toString();
    expected << QStringView(u"教卓").toString();

    for (int page = 1; page <= 2; ++page) {
        const QString text = pageText(dir.path(), page);
        QVERIFY2(!text.isEmpty(), "pdftotext gave nothing");
        for (const QString& e : std::as_const(expected))
            QVERIFY2(text.contains(e),
                     qPrintable(QStringLiteral("page %1 lacks \"%2\" in:\n%3").arg(page).arg(e, text)));
    }
}

// 班 of 2 x 2 on a 5 x 3 room: thick rules after the second and fourth column and
// between the back row and the rest, drawn turned round on the second page, and
// every name still in its own row and place.
void TestChartTypeset::groupsAreRuledWhereTheyMeet()
{
    const ChartCase c = filledCase(5, 3);
    ChartInput in = c.input();
    in.groups = {2, 2};
    const std::string chart = WriteSeatingChart(in);
    const auto has = [&](const char* text) { return QByteArray::fromStdString(chart).count(text); };
    QCOMPARE(has("\\begin{tabular}{|c|c@{\\Hansep}c|c@{\\Hansep}c|}\\hline\r\n"), 1);
    QCOMPARE(has("\\begin{tabular}{|c@{\\Hansep}c|c@{\\Hansep}c|c|}\\hline\r\n"), 1);
    QCOMPARE(has("\\ \\Hanrule\r\n"), 2); // once a page

    QTemporaryDir dir;
    if (!typesetsToTwoPages(dir, chart))
        return;
    for (int page = 1; page <= 2; ++page) {
        const Run r = run("pdftotext",
                          {"-layout", "-enc", "UTF-8", "-f", QString::number(page), "-l", QString::number(page),
                           "chart.pdf", "-"},
                          dir.path());
        QVERIFY2(r.ok, qPrintable(r.output));
        QStringList lines = r.output.split(QLatin1Char('\n'));
        for (QString& l : lines)
            l.remove(whiteSpace());
        int lastLine = -1;
        for (int i = 0; i < c.rows; ++i) {
            // Page 1 shows the back row first, left to right; page 2 the front row first, right to left.
            const int row = page == 1 ? i : c.rows - 1 - i;
            QString names;
            for (int j = 0; j < c.columns; ++j) {
                const int column = page == 1 ? j : c.columns - 1 - j;
                names += unicode(c.roster[std::size_t(c.seats->entry(column, row) - 1)].FullName);
            }
            const auto at =
                std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(names); });
            QVERIFY2(at != lines.end(),
                     qPrintable(
                         QStringLiteral("page %1 lacks row %2 as %3 in:\n%4").arg(page).arg(row).arg(names, r.output)));
            QVERIFY(int(at - lines.begin()) > lastLine);
            lastLine = int(at - lines.begin());
        }
    }
}

QTEST_GUILESS_MAIN(TestChartTypeset)
#include "test_chart_typeset.moc"
