#include "app/manual/TForm2.h"

#include "ui_Form2.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>

TForm2::TForm2(QWidget* parent) : ReturnOnlyDialog(parent)
{
    Ui::TForm2 ui;
    ui.setupUi(this);
    Panel1 = ui.Panel1;
    Memo1 = ui.Memo1;
    BitBtn1 = ui.BitBtn1;

    fitToControlsAt(QPoint(212, 123));

    QFile text(QStringLiteral(":/manual.txt"));
    if (text.open(QIODevice::ReadOnly)) {
        QString manual = QString::fromUtf8(text.readAll());
        // The file ends its last line with a newline; the box should not show
        // an empty line after it.
        if (manual.endsWith(QLatin1Char('\n')))
            manual.chop(1);
        Memo1->setPlainText(manual);
    }

    connect(BitBtn1, &QPushButton::clicked, this, &ReturnOnlyDialog::BitBtn1Click);
}
