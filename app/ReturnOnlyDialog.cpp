#include "app/ReturnOnlyDialog.h"

#include <QCloseEvent>

ReturnOnlyDialog::ReturnOnlyDialog(QWidget* parent) : QDialog(parent)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

void ReturnOnlyDialog::fitToControlsAt(const QPoint& place)
{
    const QRect content = childrenRect();
    setMinimumSize(content.right() + 1, content.bottom() + 1);
    resize(minimumSize());
    move(place);
}

void ReturnOnlyDialog::BitBtn1Click()
{
    QDialog::accept();
}

void ReturnOnlyDialog::reject() {}

void ReturnOnlyDialog::closeEvent(QCloseEvent* event)
{
    // accept() hides the window without a close event; any other close is refused.
    if (isVisible())
        event->ignore();
    else
        event->accept();
}
