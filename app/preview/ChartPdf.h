#pragma once
#include "app/preview/PreviewPlugin.h"
#include "typeset/Typesetter.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QProgressDialog>

class QProgressDialog;
class QWidget;

// After a chart is written: typesets it into a PDF beside it while a progress
// dialog shows, then opens the preview (loading its plugin the first time), or
// tells the teacher what went wrong.
class ChartPdf : public QObject {
    Q_OBJECT

public:
    explicit ChartPdf(QWidget* window);
    ~ChartPdf() override;

    // Returns at once; the work goes on in child processes.
    void make(const QString& texPath);

    PdfPreview* preview() const { return preview_; }

private:
    void finished(kelmora::Typesetter::Outcome outcome);
    void tell(QMessageBox::Icon icon, const QString& text);

    QWidget* window_;
    std::unique_ptr<kelmora::Typesetter> typesetter_;
    QPointer<QProgressDialog> progress_;
    QPointer<PdfPreview> preview_;
    QString texPath_;
    bool toldMissing_ = false;
};
