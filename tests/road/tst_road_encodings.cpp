// A roster saved by LibreOffice in UTF-8, with names code page 932 lacks or
// pLaTeX cannot print, on the real window from the load to the chart; and a
// UTF-16 roster, which is refused.
#include "app/form1/TForm1.h"
#include "common/MainWindow.h"
#include "common/ModalAnswerer.h"
#include "ui_Form1.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kelmora;
using testing::BoxSeen;

class RoadEncodingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramState> state;
    std::unique_ptr<TForm1> form;
    QTemporaryDir dir;

    Ui::TForm1* ui() { return form->ui.get(); }

    QString write(const char* name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    // ファイル(F) -> 生徒氏名読込(O), with the keys.
    BoxSeen loadExpectingMessage(const QString& path)
    {
        BoxSeen box;
        testing::answerMessageBox(&box);
        testing::answerFileDialog(path);
        QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier);
        QWidget* menu = QApplication::activePopupWidget();
        if (!menu)
            qFatal("the File menu did not open");
        QTest::keyClick(menu, Qt::Key_O);
        return box;
    }

private slots:
    void init() { QVERIFY(testing::openMainWindow(state, form)); }
    void cleanup() { testing::closeMainWindow(state, form); }

    void utf8RosterToTheChart()
    {
        const QString roster = write("utf8.csv", QStringLiteral("% 名簿\r\n"
                                                                "$,1,𠮷田　太郎,𠮷田,太郎,よしだ,たろう\r\n"
                                                                "$,2,髙橋　花子,髙橋,花子,たかはし,はなこ\r\n")
                                                     .toUtf8());
        const BoxSeen box = loadExpectingMessage(roster);
        QVERIFY(box.seen);
        QVERIFY2(box.text.contains(QStringLiteral("\n2 行目: 〓田　太郎、〓田")), qPrintable(box.text));
        QVERIFY2(!box.text.contains(QStringLiteral("3 行目")), qPrintable(box.text));
        QVERIFY(ui()->DLoad->isEnabled());

        ui()->DLoad->trigger();
        StringGrid* list = ui()->StringGrid3;
        QCOMPARE(list->cell(1, 1), QStringLiteral("〓田　太郎"));
        QCOMPARE(list->cell(1, 2), QStringLiteral("髙橋　花子"));

        ui()->PageControl1->setCurrentIndex(1);
        StringGrid* seats = ui()->StringGrid2;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->cellRect(1, 2).center());
        QTest::mouseClick(seats->viewport(), Qt::LeftButton, {}, seats->cellRect(0, 0).center());
        QCOMPARE(seats->cell(0, 0), QStringLiteral("髙橋　花子"));

        ui()->RadioButton1->setChecked(true); // ルビなし
        const QString chart = dir.filePath("chart.tex");
        testing::answerFileDialog(chart);
        ui()->OutPut->trigger();
        QFile f(chart);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.value(4), QByteArray("\\usepackage{otf}\r"));
        // The first table row, one line later than in a chart without the package: 髙橋　花子 first.
        QVERIFY(lines.value(26).startsWith("\\Bf \\UTF{9AD9}\x8B\xB4\x81\x40\x89\xD4\x8Eq&"));
    }

    void utf16RosterIsRefused()
    {
        QByteArray utf16("\xFF\xFE", 2);
        for (const QChar c : QStringLiteral("$,1,山田　太郎,山田\r\n"))
            utf16 += QByteArray(reinterpret_cast<const char*>(&c), 2); // little-endian
        const BoxSeen box = loadExpectingMessage(write("utf16.csv", utf16));
        QVERIFY(box.seen);
        QVERIFY2(box.text.contains(QStringLiteral("CSV")), qPrintable(box.text));
        QVERIFY(!ui()->DLoad->isEnabled());
        QCOMPARE(state->roster.studentCount, 0);
        QVERIFY(state->roster.table.empty());
    }
};

QTEST_MAIN(RoadEncodingsTest)
#include "tst_road_encodings.moc"
