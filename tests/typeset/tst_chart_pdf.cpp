// 座席表出力 on the real window, on to the PDF: typeset beside the chart, shown
// in the preview, printed; and what the teacher is told when it cannot be made.
#include "app/KelmoraApplication.h"
#include "app/preview/ChartPreview.h"
#include "common/WindowTest.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenuBar>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

using namespace kelmora;
using testing::modals;
using testing::Step;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);
// Where the build puts the preview plugin: beside the program, not beside this test.
const QString kPreviewDir = QStringLiteral(KELMORA_PREVIEW_BUILD_DIR);

QString run(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// pdfinfo's page size is B5 landscape (257 x 182 mm), give or take the rounding of the writer.
bool isB5Landscape(const QString& info)
{
    const QRegularExpressionMatch m = QRegularExpression("Page size:\\s+([\\d.]+) x ([\\d.]+) pts").match(info);
    return m.hasMatch() && qAbs(m.captured(1).toDouble() - 728.5) < 0.6 && qAbs(m.captured(2).toDouble() - 515.9) < 0.6;
}

int darkPixels(const QImage& image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

} // namespace

class ChartPdfTest : public testing::WindowTest {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> tmp; // a fresh folder for each case

    QString file(const QString& name) { return tmp->filePath(name); }
    QStringList files() { return QDir(tmp->path()).entryList(QDir::Files); }

    ChartPreview* preview() { return form->findChild<ChartPreview*>(); }

    // Whether a chart is being typeset: its progress dialog shows meanwhile.
    bool typesetting()
    {
        const QList<QProgressDialog*> dialogs = form->findChildren<QProgressDialog*>();
        return std::any_of(dialogs.begin(), dialogs.end(), [](QProgressDialog* d) { return d->isVisible(); });
    }
    // Waits for the preview of the chart just written; false as soon as the
    // typesetting has ended without one (its message is among the modal problems).
    bool previewShown()
    {
        const auto shown = [this] { return preview() && preview()->isVisible(); };
        static_cast<void>(QTest::qWaitFor([&] { return shown() || !typesetting(); }, 60000));
        return shown();
    }

    // The preview's 印刷 button clicked, and the print dialog answered as the
    // teacher would: printing to the file `path`.
    void printTo(const QString& path, std::initializer_list<Step> then = {})
    {
        modals().expect(Step::any<QPrintDialog>([path](QPrintDialog* d) {
            if (auto* printers = d->findChild<QComboBox*>(QStringLiteral("printers")))
                printers->setCurrentIndex(printers->count() - 1); // "Print to File (PDF)" comes last
            if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("filename")))
                name->setText(path);
            testing::acceptDialog(d);
        }));
        modals().expect(then);
        QPushButton* print = nullptr;
        for (QPushButton* b : preview()->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("印刷"))
                print = b;
        QVERIFY(print);
        QTest::mouseClick(print, Qt::LeftButton);
    }

    void beforeShow() override { form->typesetCharts = true; }

    void loadAndDisplay()
    {
        load(kExamples + "/roster6.csv");
        ui()->DLoad->trigger();
    }
    // 座席表出力 clicked in the menu bar; the save dialog answered with `path`,
    // `then` the windows that must follow it. Returns the folder the dialog
    // opened in, once it has been answered.
    QString outputFromMenuBar(const QString& path, std::initializer_list<Step> then = {})
    {
        auto opened = std::make_shared<QString>();
        modals().expect(Step::any<QFileDialog>([opened, path](QFileDialog* d) {
            *opened = d->directory().absolutePath();
            testing::typeFileName(d, path);
            testing::acceptDialog(d);
        }));
        modals().expect(then);
        QMenuBar* bar = ui()->MainMenu1;
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(ui()->OutPut).center());
        if (!QTest::qWaitFor([&] { return !opened->isEmpty(); }, 10000))
            return QStringLiteral("(the save dialog did not come)");
        return *opened;
    }

private slots:
    void init()
    {
        tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp->isValid());
        WindowTest::init();
    }
    void cleanup()
    {
        WindowTest::cleanup();
        tmp.reset();
    }

    void chartToPreviewToPrinter()
    {
        loadAndDisplay();
        ui()->PageControl1->setCurrentIndex(1);
        for (int row : {1, 2})
            ctrlClick(ui()->StringGrid3, 1, row);
        click(ui()->StringGrid2, 0, 0);
        click(ui()->StringGrid2, 4, 6);

        const QString chart = file("Kelmora.tex");
        QCOMPARE(outputFromMenuBar(chart), QDir(kExamples).absolutePath()); // first time: the roster's folder
        QVERIFY2(previewShown(), qPrintable(modalProblems()));
        QCOMPARE(preview()->document()->pageCount(), 2);
        QTRY_VERIFY2(darkPixels(preview()->view()->viewport()->grab().toImage()) > 500,
                     "the preview shows a blank page");
        for (QPushButton* b : preview()->findChildren<QPushButton*>())
            if (b->text().startsWith(QStringLiteral("次のページ")))
                QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(preview()->view()->pageNavigator()->currentPage(), 1);
        QCOMPARE(files(), QStringList({"Kelmora.pdf", "Kelmora.tex"}));

        const QString pdf = file("Kelmora.pdf");
        const QString info = run("pdfinfo", {pdf});
        QVERIFY2(info.contains(QRegularExpression("Pages:\\s+2\\n")), qPrintable(info));
        QVERIFY2(info.contains("Page size:       728.5 x 515.91 pts"), qPrintable(info));
        for (int page : {1, 2}) {
            const QString text = run("pdftotext", {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
            QVERIFY2(text.contains(QStringLiteral("青木")) && text.contains(QStringLiteral("新井")), qPrintable(text));
        }

        // 印刷, printing to a PDF file.
        printTo(file("printed.pdf"));
        QCOMPARE(modalProblems(), QString());
        const QString printed = run("pdfinfo", {file("printed.pdf")});
        QVERIFY2(printed.contains(QRegularExpression("Pages:\\s+2\\n")), qPrintable(printed));
        QVERIFY2(isB5Landscape(printed), qPrintable(printed));
        QPdfDocument back;
        QCOMPARE(back.load(file("printed.pdf")), QPdfDocument::Error::None);
        QVERIFY2(darkPixels(back.render(1, QSize(729, 516))) > 500, "the printed page is blank");

        // Esc closes the preview; the next save dialog opens where the chart went.
        QTest::keyClick(preview(), Qt::Key_Escape);
        QVERIFY(!preview()->isVisible());
        QCOMPARE(outputFromMenuBar(file("again.tex")), QDir(tmp->path()).absolutePath());
        QVERIFY2(previewShown(), qPrintable(modalProblems()));
        QVERIFY(QFile::exists(file("again.pdf")));
    }

    // Pages that cannot go where the print dialog sent them: the teacher is told
    // where, and the preview stays for another try. The dialog is accepted past
    // the file checks of its Print button (which would refuse a folder that is
    // not there), so the path reaches QPainter::begin as a printer that cannot be
    // opened does.
    void printingThatCannotStartIsTold()
    {
        loadAndDisplay();
        outputFromMenuBar(file("Kelmora.tex"));
        QVERIFY2(previewShown(), qPrintable(modalProblems()));
        const QString target = file("gone/printed.pdf");
        printTo(target, {Step::box(MessageTitle(), QStringLiteral("印刷先を開けませんでした"))});
        const QString said = saidWhenAnswered();
        QVERIFY2(said.contains(QDir::toNativeSeparators(target)), qPrintable(said));
        QVERIFY(!QFile::exists(target));
        QVERIFY(preview()->isVisible());

        // A printer that will not start the second page: printing stops there, and says which.
        struct NoSecondPage : QPrinter {
            using QPrinter::QPrinter;
            bool newPage() override { return false; }
        };
        NoSecondPage printer(QPrinter::HighResolution);
        ChartPreview::setUpPrinter(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file("half.pdf"));
        const QString failure = preview()->printPages(printer);
        QVERIFY2(failure.contains(QStringLiteral("2 ページ目を印刷できませんでした")), qPrintable(failure));
    }

    void withoutThePreviewPluginThePdfIsNamed()
    {
        QCoreApplication::removeLibraryPath(kPreviewDir);
        loadAndDisplay();
        outputFromMenuBar(file("Kelmora.tex"), {Step::box(QString(), QString())});
        const QString said = saidWhenAnswered(60000);
        QCoreApplication::addLibraryPath(kPreviewDir);
        QVERIFY2(said.contains(QDir::toNativeSeparators(file("Kelmora.pdf"))), qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("libkelmora_preview.so")), qPrintable(said));
        QCOMPARE(files(), QStringList({"Kelmora.pdf", "Kelmora.tex"}));
        QVERIFY(!preview());

        // Found again, the plugin opens the preview with the next chart.
        outputFromMenuBar(file("again.tex"));
        QVERIFY2(previewShown(), qPrintable(modalProblems()));
    }

    void brokenTitleShowsTheTexErrorAndKeepsTheChart_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("numbered"); // whether TeX names a line of the chart
        QTest::newRow("unclosed brace") << QStringLiteral("\\foo{") << false;
        QTest::newRow("unknown command") << QStringLiteral("\\foo{}") << true;
    }
    void brokenTitleShowsTheTexErrorAndKeepsTheChart()
    {
        QFETCH(QString, title);
        QFETCH(bool, numbered);
        loadAndDisplay();
        ui()->Edit3->setText(title);
        outputFromMenuBar(file("Kelmora.tex"), {Step::box(QString(), QString())});
        const QString said = saidWhenAnswered(60000);
        QVERIFY2(said.contains(QRegularExpression("^! \\S", QRegularExpression::MultilineOption)), qPrintable(said));
        QCOMPARE(files(), QStringList({"Kelmora.tex"}));
        QVERIFY(!preview());
        if (!numbered)
            return;
        // With the number of the chart's line where pLaTeX stopped: the first title line.
        QFile chart(file("Kelmora.tex"));
        QVERIFY(chart.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = chart.readAll().split('\n');
        const auto title1 = std::find_if(lines.begin(), lines.end(), [&](const QByteArray& l) {
            return l.startsWith("\\fbox{\\huge\\bfseries " + title.toLatin1());
        });
        QVERIFY(title1 != lines.end());
        const QString number = QString::number(title1 - lines.begin() + 1);
        QVERIFY2(said.contains(QRegularExpression("^l\\." + number + " \\S", QRegularExpression::MultilineOption)),
                 qPrintable(said));
    }

    void withoutTexTheChartIsWrittenAndThePackageNamed()
    {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(file("empty")));
        loadAndDisplay();
        outputFromMenuBar(file("Kelmora.tex"), {Step::box(QString(), QString())});
        const QString said = saidWhenAnswered();
        qputenv("PATH", path);
        QVERIFY2(said.contains(QStringLiteral("texlive-lang-japanese")), qPrintable(said));
        QCOMPARE(files(), QStringList({"Kelmora.tex"}));
    }
};

int main(int argc, char** argv)
{
    kelmora::KelmoraApplication app(argc, argv);
    QCoreApplication::addLibraryPath(kPreviewDir);
    ChartPdfTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_chart_pdf.moc"
