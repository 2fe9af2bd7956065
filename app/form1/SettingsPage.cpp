// The settings page: desk columns and rows with the preview, title, options.
#include "app/form1/TForm1.h"
#include "settings/Settings.h"
#include "ui_Form1.h"

#include <QPainter>

using namespace kelmora;

void TForm1::connectSettings()
{
    bind(ui->UpDown1, &UpDown::clicked, &TForm1::UpDown1Click);
    bind(ui->UpDown2, &UpDown::clicked, &TForm1::UpDown2Click);
    bind(ui->StringGrid1, &StringGrid::drawCell, &TForm1::StringGrid1DrawCell);
}

namespace {

int numberIn(const QLineEdit* edit)
{
    return ParseWholeNumber(edit->text().toStdString());
}

} // namespace

void TForm1::UpDown1Click(UpDown::Button)
{
    const int columns = numberIn(ui->Edit1);
    ui->Edit9->setText(QString::fromStdString(DeskCountText(columns, numberIn(ui->Edit2))));
    ui->StringGrid1->setColCount(columns);
}

void TForm1::UpDown2Click(UpDown::Button)
{
    const int rows = numberIn(ui->Edit2);
    ui->Edit9->setText(QString::fromStdString(DeskCountText(numberIn(ui->Edit1), rows)));
    ui->StringGrid1->setRowCount(rows);
}

void TForm1::StringGrid1DrawCell(QPainter* canvas, int, int, const QRect& rect, StringGrid::DrawState)
{
    // Every desk looks the same: the preview never shows a selection.
    canvas->fillRect(rect, QColor(128, 128, 128));
}
