#include "app/preview/ChartPreview.h"

#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Finer than any office printer needs, and it keeps a page's picture near 100 MB.
constexpr int kMaxPrintDpi = 600;

// Where the pages were to go: the file when printing to one, else the printer.
QString destination(const QPrinter& printer)
{
    return printer.outputFileName().isEmpty() ? printer.printerName()
                                              : QDir::toNativeSeparators(printer.outputFileName());
}

QPushButton* button(const QString& text, QLayout* layout)
{
    auto* b = new QPushButton(text);
    b->setAutoDefault(false);
    layout->addWidget(b);
    return b;
}

} // namespace

ChartPreview::ChartPreview(QWidget* parent) : PdfPreview(parent), document_(new QPdfDocument(this))
{
    setWindowTitle(QStringLiteral("座席表の印刷プレビュー"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setSizeGripEnabled(true);

    auto* top = new QHBoxLayout;
    previous_ = button(QStringLiteral("◀ 前のページ"), top);
    pageLabel_ = new QLabel;
    top->addWidget(pageLabel_);
    next_ = button(QStringLiteral("次のページ ▶"), top);
    top->addSpacing(16);
    QPushButton* smaller = button(QStringLiteral("縮小"), top);
    QPushButton* larger = button(QStringLiteral("拡大"), top);
    QPushButton* whole = button(QStringLiteral("全体"), top);
    top->addStretch();

    view_ = new QPdfView;
    view_->setDocument(document_);
    view_->setPageMode(QPdfView::PageMode::SinglePage);
    view_->setBackgroundRole(QPalette::Dark);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    QPushButton* printButton = button(QStringLiteral("印刷"), bottom);
    QPushButton* closeButton = button(QStringLiteral("閉じる"), bottom);

    fit();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addLayout(bottom);

    // 728.5 x 515.9 pt, the B5 landscape page, shown near its real size when the screen allows.
    resize(900, 700);

    connect(previous_, &QPushButton::clicked, this, [this] { goToPage(view_->pageNavigator()->currentPage() - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { goToPage(view_->pageNavigator()->currentPage() + 1); });
    connect(smaller, &QPushButton::clicked, this, [this] { zoomBy(1 / 1.25); });
    connect(larger, &QPushButton::clicked, this, [this] { zoomBy(1.25); });
    connect(whole, &QPushButton::clicked, this, &ChartPreview::fit);
    connect(printButton, &QPushButton::clicked, this, &ChartPreview::print);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(view_->pageNavigator(), &QPdfPageNavigator::currentPageChanged, this, &ChartPreview::showPageNumber);
    for (const auto& [key, step] : {std::pair{QKeySequence::MoveToPreviousPage, -1}, {QKeySequence::MoveToNextPage, 1}})
        connect(new QShortcut(key, this), &QShortcut::activated, this,
                [this, step] { goToPage(view_->pageNavigator()->currentPage() + step); });
    for (const auto& [key, factor] : {std::pair{QKeySequence::ZoomIn, 1.25}, {QKeySequence::ZoomOut, 1 / 1.25}})
        connect(new QShortcut(key, this), &QShortcut::activated, this, [this, factor] { zoomBy(factor); });
}

ChartPreview::~ChartPreview() = default;

bool ChartPreview::showPdf(const QString& path)
{
    if (document_->load(path) != QPdfDocument::Error::None || document_->pageCount() < 1)
        return false;
    fit();
    goToPage(0);
    show();
    raise();
    activateWindow();
    return true;
}

void ChartPreview::goToPage(int page)
{
    if (page < 0 || page >= document_->pageCount())
        return;
    view_->pageNavigator()->jump(page, {}, view_->zoomFactor());
    showPageNumber();
}

void ChartPreview::showPageNumber()
{
    const int page = view_->pageNavigator()->currentPage();
    pageLabel_->setText(QStringLiteral("%1 / %2 ページ").arg(page + 1).arg(document_->pageCount()));
    previous_->setEnabled(page > 0);
    next_->setEnabled(page + 1 < document_->pageCount());
}

void ChartPreview::fit()
{
    // A fitted page needs no scroll bars, and with them Qt 6.4's view keeps
    // refitting the page and never draws it.
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setZoomMode(QPdfView::ZoomMode::FitInView);
}

void ChartPreview::zoomBy(double factor)
{
    double zoom = view_->zoomFactor();
    if (view_->zoomMode() != QPdfView::ZoomMode::Custom && document_->pageCount() > 0) {
        // Start from the size the fitted page has on screen, so the first step is one step.
        const QSizeF page = document_->pagePointSize(view_->pageNavigator()->currentPage());
        const double dotsPerPoint = view_->logicalDpiX() / 72.0;
        const QSize room = view_->viewport()->size().shrunkBy(view_->documentMargins());
        zoom = std::min(room.width() / (page.width() * dotsPerPoint), room.height() / (page.height() * dotsPerPoint));
    }
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view_->setZoomMode(QPdfView::ZoomMode::Custom);
    view_->setZoomFactor(std::clamp(zoom * factor, 0.1, 8.0));
}

void ChartPreview::setUpPrinter(QPrinter& printer)
{
    printer.setPageSize(QPageSize(QPageSize::JisB5));
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("座席表"));
}

void ChartPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    setUpPrinter(printer);
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, document_->pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const QString failure = printPages(printer); !failure.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), failure, QMessageBox::Ok,
                        this);
        box.exec();
    }
}

QString ChartPreview::printPages(QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return QStringLiteral("座席表を印刷できませんでした。印刷先を開けませんでした:\n%1\n\n"
                              "プリンターの電源と接続を、ファイルに印刷するときはそのフォルダーがあって"
                              "書き込めることを確かめてから、もう一度印刷してください。")
            .arg(destination(printer));
    const int dpi = std::min(printer.resolution(), kMaxPrintDpi);
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    // The pages chosen in the print dialog, counted from 1 there.
    int first = 0;
    int last = document_->pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(first, printer.fromPage() - 1);
        last = std::min(last, printer.toPage() - 1);
    }
    for (int page = first; page <= last; ++page) {
        if (page > first && !printer.newPage()) {
            printer.abort();
            return QStringLiteral("座席表の %1 ページ目を印刷できませんでした。印刷を中止しました。\n印刷先: %2")
                .arg(page + 1)
                .arg(destination(printer));
        }
        const QSizeF points = document_->pagePointSize(page);
        const QImage image = document_->render(page, (points * dpi / 72.0).toSize());
        // The whole page, as large as the paper allows, centred.
        QSizeF size = points.scaled(paper.size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(), size);
        target.moveCenter(paper.center() - paper.topLeft());
        painter.drawImage(target, image);
    }
    if (!painter.end())
        return QStringLiteral("座席表を最後まで印刷できませんでした。\n印刷先: %1").arg(destination(printer));
    return {};
}
