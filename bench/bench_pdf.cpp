// From the teacher's confirming the save dialog of 座席表出力 to the preview
// showing the chart's first page, on the real main window (offscreen), against
// running platex and dvipdfmx by hand on the same chart, in the same run.
// Goal: at most 1.15 times the floor.
#include "Timing.h"
#include "app/KelmoraApplication.h"
#include "app/form1/TForm1.h"
#include "roster/Roster.h"
#include "typeset/Typesetter.h"
#include "ui_Form1.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

using namespace kelmora;

namespace {

using bench::Clock;
using bench::Median;
using bench::Ms;
constexpr int kRuns = 7;

struct Range {
    double median, low, high;
};

Range Summary(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

bool ShowsInk(QWidget* w)
{
    const QImage image = w->grab().toImage();
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark > 100;
}

// The page area of the preview once it exists. Found by class name: the bench
// loads the preview plugin as the program does, on the first chart, and links
// none of it, so that the first chart's time holds the loading.
QWidget* PreviewPage(TForm1& form)
{
    for (QDialog* d : form.findChildren<QDialog*>())
        if (d->inherits("ChartPreview"))
            if (auto* view = d->findChild<QAbstractScrollArea*>())
                return view->viewport();
    return nullptr;
}

// Ends `loop` at the first paint of the watched viewport that shows the page,
// and keeps the time of that paint.
class FirstPage : public QObject {
public:
    FirstPage(QWidget* viewport, QEventLoop& loop) : viewport_(viewport), loop_(loop)
    {
        viewport->installEventFilter(this);
    }
    ~FirstPage() override { viewport_->removeEventFilter(this); }
    Clock::time_point shown;
    bool seen = false;

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !seen && !checking_ && viewport_->window()->isVisible()) {
            const Clock::time_point painted = Clock::now();
            QTimer::singleShot(0, this, [this, painted] {
                checking_ = true; // the grab paints too
                if (!seen && ShowsInk(viewport_)) {
                    seen = true;
                    shown = painted;
                    loop_.quit();
                }
                checking_ = false;
            });
        }
        return false;
    }

private:
    QWidget* viewport_;
    QEventLoop& loop_;
    bool checking_ = false;
};

// One run of the window: the save dialog answered with `path`; returns the
// milliseconds from its confirmation to the first paint that shows the page.
double ThroughTheWindow(TForm1& form, const QString& path)
{
    Clock::time_point confirmed;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); d && d->isVisible()) {
            poll.stop();
            if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                edit->setText(path);
            confirmed = Clock::now();
            QMetaObject::invokeMethod(d, "accept", Qt::DirectConnection);
        }
    });
    poll.start(5);
    // The preview is made with the first PDF; watch it from the start when it exists.
    QWidget* page = PreviewPage(form);
    QEventLoop loop;
    std::unique_ptr<FirstPage> watch;
    if (page)
        watch = std::make_unique<FirstPage>(page, loop);
    form.OutPutClick();
    QTimer giveUp;
    QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    giveUp.start(120000);
    if (!page) {
        // Wait in the event loop (not spinning: the programs need the CPU) until it is made.
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if ((page = PreviewPage(form))) {
                look.stop();
                watch = std::make_unique<FirstPage>(page, loop);
            }
        });
        look.start(1);
        loop.exec();
    } else {
        loop.exec();
    }
    if (!watch || !watch->seen)
        return -1;
    page->window()->close();
    return Ms(watch->shown - confirmed);
}

// The same chart typeset by hand: platex, then dvipdfmx, in a scratch folder.
double ByHand(const QString& tex, const TexPrograms& programs)
{
    QTemporaryDir work;
    QFile::copy(tex, work.filePath("chart.tex"));
    const auto t0 = Clock::now();
    for (const auto& [program, arguments] : {std::pair{programs.platex, TexArguments("chart.tex")},
                                             std::pair{programs.dvipdfmx, PdfArguments("chart.dvi", "chart.pdf")}}) {
        QProcess p;
        p.setWorkingDirectory(work.path());
        p.start(program, arguments);
        p.waitForFinished(120000);
    }
    return Ms(Clock::now() - t0);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    KelmoraApplication app(argc, argv);
    // The build puts the preview plugin beside the program, not beside the benchmarks.
    QCoreApplication::addLibraryPath(QStringLiteral(KELMORA_PREVIEW_BUILD_DIR));
    const TexPrograms programs = FindTexPrograms();
    if (!programs.found()) {
        std::printf("pdf: platex or dvipdfmx missing (texlive-lang-japanese), not measured\n");
        return 0;
    }
    ProgramState state;
    TForm1 form(state);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form) || LoadRoster(state.roster, KELMORA_EXAMPLES_DIR "/roster6.csv") != 40) {
        std::printf("pdf: the window or the example roster did not come up\n");
        return 0;
    }
    form.DLoadClick();
    // A full classroom: every desk of the 5 x 7 grid holds a name.
    form.ui->PageControl1->setCurrentIndex(1);
    StringGrid* seats = form.ui->StringGrid2;
    StringGrid* list = form.ui->StringGrid3;
    for (int i = 0; i < seats->colCount() * seats->rowCount(); ++i) {
        list->setCurrentCell(1, i + 1);
        form.StringGrid3MouseUp(Qt::LeftButton, Qt::ControlModifier, 0, 0);
        seats->setCurrentCell(i % seats->colCount(), i / seats->colCount());
        form.StringGrid2MouseUp(Qt::LeftButton, {}, 0, 0);
    }

    QTemporaryDir dir;
    std::vector<double> window, hand;
    // The first chart also makes the save dialog and the preview, and warms the fonts and
    // TeX's caches; it is shown apart and left out of the comparison.
    const double first = ThroughTheWindow(form, dir.filePath("warmup.tex"));
    for (int run = 0; run < kRuns; ++run) {
        const QString tex = dir.filePath(QStringLiteral("chart%1.tex").arg(run));
        const double w = ThroughTheWindow(form, tex);
        if (w < 0) {
            std::printf("pdf: the preview did not show the chart\n");
            return 0;
        }
        window.push_back(w);
        hand.push_back(ByHand(tex, programs));
    }
    const Range w = Summary(window), h = Summary(hand);
    std::printf("pdf: save dialog confirmed -> preview shows page 1: median %.0f ms (%.0f-%.0f)\n", w.median, w.low,
                w.high);
    std::printf("pdf: platex + dvipdfmx by hand, same chart:          median %.0f ms (%.0f-%.0f)\n", h.median, h.low,
                h.high);
    std::printf("pdf: ratio %.2fx (goal at most 1.15x), %d runs each, alternating\n", w.median / h.median, kRuns);
    std::printf("pdf: the session's first chart, which makes the preview: %.0f ms\n", first);
    return 0;
}
