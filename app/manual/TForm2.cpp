#include "app/manual/TForm2.h"

#include "ui_Form2.h"

#include <QCloseEvent>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

// The resources live in a static library; naming them here makes the linker
// keep them in every program that shows this window.
static void initKelmoraResources()
{
    Q_INIT_RESOURCE(kelmora);
}

TForm2::TForm2(QWidget* parent) : QDialog(parent)
{
    initKelmoraResources();
    Ui::TForm2 ui;
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
    move(212, 123);

    QFile text(QStringLiteral(":/manual.txt"));
    if (text.open(QIODevice::ReadOnly)) {
        QString manual = QString::fromUtf8(text.readAll());
        // The file ends its last line with a newline; the box should not show
        // an empty line after it.
        if (manual.endsWith(QLatin1Char('\n')))
            manual.chop(1);
        Memo1->setPlainText(manual);
    }

    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
}

void TForm2::BitBtn1Click()
{
    // Ends exec() and hides the window; nothing is destroyed.
    QDialog::accept();
}

void TForm2::reject()
{
}

void TForm2::closeEvent(QCloseEvent* event)
{
    if (isVisible())
        event->ignore();
    else
        event->accept();
}
