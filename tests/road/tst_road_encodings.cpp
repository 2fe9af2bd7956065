// A roster saved by LibreOffice in UTF-8, with names code page 932 lacks or
// pLaTeX cannot print, on the real window from the load to the chart; and a
// UTF-16 roster, which is refused.
#include "common/Files.h"
#include "common/WindowTest.h"

#include <QTemporaryDir>
#include <QTest>

using namespace kelmora;
using testing::Step;

class RoadEncodingsTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

    // Loaded by keys; the message it shows, which must come.
    QString loadExpectingMessage(const QString& path)
    {
        loadByKeys(path, {Step::box(QString(), QString())});
        return lastSaid();
    }

private slots:
    void utf8RosterToTheChart()
    {
        const QString roster = testing::writeFile(dir, QStringLiteral("utf8.csv"),
                                                  QStringLiteral("% 名簿\r\n"
                                                                 "$,1,𠮷田　太郎,𠮷田,太郎,よしだ,たろう\r\n"
                                                                 "$,2,髙橋　花子,髙橋,花子,たかはし,はなこ\r\n")
                                                      .toUtf8());
        const QString said = loadExpectingMessage(roster);
        QCOMPARE(modalProblems(), QString());
        QVERIFY2(said.contains(QStringLiteral("\n2 行目: 〓田　太郎、〓田")), qPrintable(said));
        QVERIFY2(!said.contains(QStringLiteral("3 行目")), qPrintable(said));
        QVERIFY(ui()->DLoad->isEnabled());

        ui()->DLoad->trigger();
        StringGrid* list = ui()->StringGrid3;
        QCOMPARE(list->cell(1, 1), QStringLiteral("〓田　太郎"));
        QCOMPARE(list->cell(1, 2), QStringLiteral("髙橋　花子"));

        ui()->PageControl1->setCurrentIndex(1);
        StringGrid* seats = ui()->StringGrid2;
        ctrlClick(list, 1, 2);
        click(seats, 0, 0);
        QCOMPARE(seats->cell(0, 0), QStringLiteral("髙橋　花子"));

        ui()->RadioButton1->setChecked(true); // ルビなし
        const QString chart = dir.filePath("chart.tex");
        output(chart);
        const QList<QByteArray> lines = testing::readBytes(chart).split('\n');
        QCOMPARE(lines.value(4), QByteArray("\\usepackage{otf}\r"));
        // The first table row, one line later than in a chart without the package: 髙橋　花子 first.
        QVERIFY(lines.value(26).startsWith("\\Bf \\UTF{9AD9}\x8B\xB4\x81\x40\x89\xD4\x8Eq&"));
    }

    void utf16RosterIsRefused()
    {
        QByteArray utf16("\xFF\xFE", 2);
        for (const QChar c : QStringLiteral("$,1,山田　太郎,山田\r\n"))
            utf16 += QByteArray(reinterpret_cast<const char*>(&c), 2); // little-endian
        const QString said = loadExpectingMessage(testing::writeFile(dir, QStringLiteral("utf16.csv"), utf16));
        QCOMPARE(modalProblems(), QString());
        QVERIFY2(said.contains(QStringLiteral("CSV")), qPrintable(said));
        QVERIFY(!ui()->DLoad->isEnabled());
        QCOMPARE(state->roster.studentCount, 0);
        QVERIFY(state->roster.table.empty());
    }
};

QTEST_MAIN(RoadEncodingsTest)
#include "tst_road_encodings.moc"
