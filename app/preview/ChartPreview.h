#pragma once
#include "app/preview/PreviewPlugin.h"

class QLabel;
class QPdfDocument;
class QPdfView;
class QPrinter;
class QPushButton;

// The typeset chart on screen, both pages, before it goes to the printer.
// Not modal: the teacher may keep it open beside the main window.
// Built into the preview plugin (kelmora_preview), not into the program.
class ChartPreview : public PdfPreview {
    Q_OBJECT

public:
    explicit ChartPreview(QWidget* parent = nullptr);
    ~ChartPreview() override;

    bool showPdf(const QString& path) override;

    QPdfDocument* document() const { return document_; }
    QPdfView* view() const { return view_; }

    // The paper the chart is made for: JIS B5 landscape, edge to edge.
    static void setUpPrinter(QPrinter& printer);
    // Prints the pages chosen on `printer` (all unless a range is set), each
    // scaled to its paper. The 印刷 button calls this after the print dialog.
    // Returns what went wrong, as the teacher is told it; empty when all went out.
    QString printPages(QPrinter& printer);

private:
    void print();
    void goToPage(int page);
    void zoomBy(double factor);
    void fit();
    void showPageNumber();

    QPdfDocument* document_ = nullptr;
    QPdfView* view_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
};
