#include "app/manual/TForm2.h"

#include "ui_Form2.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>

TForm2::TForm2(QWidget* parent) : ReturnOnlyDialog(parent)
{
    Ui::TForm2 ui;
    ui.setupUi(this);
    Panel1 = ui.Panel1;
    Memo1 = ui.Memo1;
    BitBtn1 = ui.BitBtn1;

    fitToControlsAt(QPoint(212, 123));

    // The manual of the first version, then the commands added since, after an empty line.
    QStringList parts;
    for (const QString& name : {QStringLiteral(":/manual.txt"), QStringLiteral(":/manual-features.txt")}) {
        QFile text(name);
        if (!text.open(QIODevice::ReadOnly))
            continue;
        QString part = QString::fromUtf8(text.readAll());
        // Each file ends its last line with a newline; the box should not show
        // an empty line after the text.
        if (part.endsWith(QLatin1Char('\n')))
            part.chop(1);
        parts.append(part);
    }
    Memo1->setPlainText(parts.join(QStringLiteral("\n\n")));

    connect(BitBtn1, &QPushButton::clicked, this, &ReturnOnlyDialog::BitBtn1Click);
}
