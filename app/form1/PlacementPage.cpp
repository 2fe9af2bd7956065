// The placement page: the seat grid, the student list, the teacher's desk.
#include "app/form1/TForm1.h"
#include "codec/Cp932.h"
#include "seating/Placement.h"
#include "seating/PlacementChange.h"
#include "settings/Settings.h"
#include "ui_Form1.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

using namespace kelmora;

void TForm1::connectPlacement()
{
    bind(ui->StringGrid2, &StringGrid::drawCell, &TForm1::StringGrid2DrawCell);
    bind(ui->StringGrid2, &StringGrid::mouseUp, &TForm1::StringGrid2MouseUp);
    bind(ui->StringGrid3, &StringGrid::drawCell, &TForm1::StringGrid3DrawCell);
    bind(ui->StringGrid3, &StringGrid::mouseUp, &TForm1::StringGrid3MouseUp);
    bind(ui->UpDown3, &UpDown::changingEx, &TForm1::UpDown3ChangingEx);
    bind(ui->UpDown4, &UpDown::changingEx, &TForm1::UpDown4ChangingEx);
    bind(ui->UpDown5, &UpDown::changingEx, &TForm1::UpDown5ChangingEx);
    bind(ui->UpDown6, &UpDown::changingEx, &TForm1::UpDown6ChangingEx);
    bind(ui->UpDown7, &UpDown::clicked, &TForm1::UpDown7Click);
    bind(ui->BitBtn1, &QPushButton::clicked, &TForm1::BitBtn1Click);
    bind(ui->BitBtn2, &QPushButton::clicked, &TForm1::BitBtn2Click);
    bind(Timer1, &QTimer::timeout, &TForm1::Timer1Timer);
    // Placement by keyboard (placementKey).
    ui->StringGrid2->installEventFilter(this);
    ui->StringGrid3->installEventFilter(this);
}

namespace {

MouseButton buttonOf(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return MouseButton::Left;
    case Qt::RightButton: return MouseButton::Right;
    default: return MouseButton::Middle;
    }
}

const QColor kGray(128, 128, 128);
const QColor kYellow(255, 255, 0);

} // namespace

void TForm1::StringGrid2DrawCell(QPainter* canvas, int col, int row, const QRect& rect, StringGrid::DrawState)
{
    canvas->fillRect(rect, kGray);
    const QString text = ui->StringGrid2->cell(col, row);
    if (text.isEmpty())
        return;
    canvas->setFont(ui->StringGrid2->font());
    canvas->setPen(kYellow);
    const QFontMetrics metrics(canvas->font());
    const int w = metrics.horizontalAdvance(text);
    const int h = metrics.height();
    const int right = rect.left() + rect.width(); // one past the cell, as the arithmetic expects
    const int bottom = rect.top() + rect.height();
    const int x = rect.left() + (right - rect.left()) / 2 - w / 2;
    const int y = rect.top() + (bottom - rect.top()) / 2 - h / 2;
    // Centred and never clipped: a long name reaches past the cell's edges.
    canvas->drawText(QRect(x, y, w, h), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine, text);
}

// The geometry spin buttons apply the value the press is about to show, so the
// grid and the number beside it never disagree.
void TForm1::UpDown3ChangingEx(bool&, int newValue, UpDown::Direction)
{
    ui->StringGrid2->resize(newValue, ui->StringGrid2->height());
}

void TForm1::UpDown4ChangingEx(bool&, int newValue, UpDown::Direction)
{
    ui->StringGrid2->resize(ui->StringGrid2->width(), newValue);
}

void TForm1::UpDown5ChangingEx(bool&, int newValue, UpDown::Direction)
{
    ui->StringGrid2->setDefaultColWidth(newValue);
}

void TForm1::UpDown6ChangingEx(bool&, int newValue, UpDown::Direction)
{
    ui->StringGrid2->setDefaultRowHeight(newValue);
}

void TForm1::UpDown7Click(UpDown::Button)
{
    QFont font = ui->StringGrid2->font();
    font.setPointSize(ParseWholeNumber(ui->Edit8->text().toStdString()));
    ui->StringGrid2->setFont(font);
    ui->StringGrid2->viewport()->update();
}

void TForm1::BitBtn1Click()
{
    StringGrid* grid = ui->StringGrid2;
    pushStateChange(QStringLiteral("座席のクリア"),
                    [&] { ClearSeats(state.seatTable, grid->colCount(), grid->rowCount()); });
}

void TForm1::StringGrid2MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int, int)
{
    actOnSeat(button, shift.testFlag(Qt::ControlModifier));
}

void TForm1::actOnSeat(Qt::MouseButton button, bool ctrl)
{
    StringGrid* grid = ui->StringGrid2;
    const int c = grid->col();
    const int r = grid->row();
    if (!SeatTable::inRange(c, r))
        return;
    const std::string textBefore = state.seatTable.text(c, r);
    const std::int32_t entryBefore = state.seatTable.entry(c, r);
    const SeatAction action = SeatGridMouseUp(state.seatTable, c, r, state.cutQueue, buttonOf(button), ctrl);
    if (action == SeatAction::None)
        return;
    PlacementChange change;
    change.deskChanged(c, r, textBefore, entryBefore, state.seatTable.text(c, r), state.seatTable.entry(c, r));
    if (action == SeatAction::Cut)
        change.queuePushed(textBefore, entryBefore);
    else
        change.queuePopped(state.seatTable.text(c, r), state.seatTable.entry(c, r));
    pushPlacementChange(action == SeatAction::Cut ? QStringLiteral("切り取り") : QStringLiteral("貼り付け"),
                        std::move(change));
}

void TForm1::StringGrid3MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int, int)
{
    actOnList(button, shift.testFlag(Qt::ControlModifier));
}

void TForm1::actOnList(Qt::MouseButton button, bool ctrl)
{
    const int r = ui->StringGrid3->row();
    const std::string name = state.studentList.cell(1, r);
    if (!StudentListMouseUp(state.studentList, r, state.cutQueue, buttonOf(button), ctrl))
        return;
    PlacementChange change;
    change.listNameChanged(r, name, state.studentList.cell(1, r));
    change.queuePushed(name, r);
    pushPlacementChange(QStringLiteral("切り取り"), std::move(change));
}

// In either grid: Ctrl+X does what a Ctrl+click does on the current cell, Ctrl+V,
// Enter and Space what a plain click does; Tab goes over to the other grid. The
// arrow keys are the grid's own.
bool TForm1::placementKey(StringGrid* grid, int key, Qt::KeyboardModifiers modifiers)
{
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool seats = grid == ui->StringGrid2;
    auto act = [&](bool cut) {
        RunGuarded([&] { seats ? actOnSeat(Qt::LeftButton, cut) : actOnList(Qt::LeftButton, cut); });
    };
    if (key == Qt::Key_Tab && !(modifiers & (Qt::ControlModifier | Qt::AltModifier))) {
        (seats ? ui->StringGrid3 : ui->StringGrid2)->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (key == Qt::Key_X && ctrl) {
        act(true);
        return true;
    }
    if ((key == Qt::Key_V && ctrl)
        || ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && !ctrl)) {
        act(false);
        return true;
    }
    return false;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == ui->StringGrid2 || watched == ui->StringGrid3)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        return placementKey(static_cast<StringGrid*>(watched), key->key(), key->modifiers());
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::StringGrid3DrawCell(QPainter* canvas, int col, int row, const QRect& rect, StringGrid::DrawState)
{
    StringGrid* grid = ui->StringGrid3;
    // Once the focus has moved on, the last clicked name looks like any other.
    if (grid->hasFocus() || col != grid->col() || row != grid->row())
        return;
    canvas->fillRect(rect, grid->color());
    canvas->setPen(grid->fontColor());
    canvas->setFont(grid->font());
    canvas->drawText(QRect(rect.topLeft() + QPoint(2, 2), rect.size()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine, grid->cell(col, row));
}

void TForm1::BitBtn2Click()
{
    pushStateChange(QStringLiteral("生徒氏名のクリア"), [&] { ClearStudentList(state.studentList); });
}

void TForm1::Timer1Timer()
{
    const auto colour = BlinkStep(state.blinkCounter, state.cutQueue);
    if (!colour)
        return;
    QPalette palette = ui->Panel9->palette();
    palette.setColor(QPalette::Window, *colour == DeskColour::Red ? QColor(255, 0, 0) : QColor(0, 0, 128));
    ui->Panel9->setPalette(palette);
}
