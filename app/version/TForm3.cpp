#include "app/version/TForm3.h"

#include "ui_Form3.h"

#include <QCloseEvent>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QPushButton>

TForm3::TForm3(QWidget* parent) : QDialog(parent)
{
    Ui::TForm3 ui;
    ui.setupUi(this);
    Panel1 = ui.Panel1;
    Memo1 = ui.Memo1;
    BitBtn1 = ui.BitBtn1;

    // A title bar with no system menu and no buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // The window is as large as its controls; the layout's maximum still caps it.
    const QRect content = childrenRect();
    setMinimumSize(content.right() + 1, content.bottom() + 1);
    resize(minimumSize());
    move(356, 117);

    fitLines();

    connect(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
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
    QDialog::showEvent(event);
}

void TForm3::BitBtn1Click()
{
    // Ends exec() and hides the window; nothing is destroyed.
    QDialog::accept();
}

void TForm3::reject()
{
}

void TForm3::closeEvent(QCloseEvent* event)
{
    if (isVisible())
        event->ignore();
    else
        event->accept();
}
