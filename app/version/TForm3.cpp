#include "app/version/TForm3.h"

#include "ui_Form3.h"

#include <QPushButton>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>

TForm3::TForm3(QWidget* parent) : ReturnOnlyDialog(parent)
{
    Ui::TForm3 ui;
    ui.setupUi(this);
    Panel1 = ui.Panel1;
    Memo1 = ui.Memo1;
    BitBtn1 = ui.BitBtn1;

    fitToControlsAt(QPoint(356, 117));

    fitLines();

    connect(BitBtn1, &QPushButton::clicked, this, &ReturnOnlyDialog::BitBtn1Click);
}

// The four lines fit the box only at one line per em and with a thin inner
// margin; the font's own line spacing is wider and would push the last line out
// of sight. Done again when shown, once the style has settled the font.
void TForm3::fitLines()
{
    Memo1->ensurePolished();
    Memo1->document()->setDocumentMargin(2);
    QTextBlockFormat lines;
    lines.setLineHeight(QFontInfo(Memo1->font()).pixelSize(), QTextBlockFormat::FixedHeight);
    QTextCursor all(Memo1->document());
    all.select(QTextCursor::Document);
    all.mergeBlockFormat(lines);
}

void TForm3::showEvent(QShowEvent* event)
{
    fitLines();
    ReturnOnlyDialog::showEvent(event);
}
