// The mascot picture and the banner's hidden label: Timer2Timer, Image1MouseMove
// and the pointer-move handlers of four panels on the settings page.
#include "app/Mascot.h"
#include "app/form1/TForm1.h"

#include "ui_Form1.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <ctime>

namespace {

// A fresh transparent picture of the image's size with one frame drawn on it at
// (0, 0); transparent parts of the frame stay blank.
void drawFrame(QLabel* image, const QList<QPixmap>& frames, int index)
{
    QPixmap picture(image->size());
    picture.fill(Qt::transparent);
    if (index >= 0 && index < frames.size()) {
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, frames[index]);
    }
    image->setPixmap(picture);
}

// Turns pointer movement over the watched widgets into TForm1's handlers. A
// panel's handler runs only for movement over its own surface: moves over a
// child that does not take them (a label, a radio button) reach the panel too,
// so the pointer's place decides.
class MascotMouseFilter : public QObject {
public:
    explicit MascotMouseFilter(TForm1* form) : QObject(form), form_(form) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::MouseMove || !watched->isWidgetType())
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        const Ui::TForm1* ui = form_->ui.get();
        void (TForm1::*handler)() = nullptr;
        if (widget == ui->Image1)
            handler = &TForm1::Image1MouseMove;
        else if (widget->childAt(static_cast<QMouseEvent*>(event)->position().toPoint()))
            return false;
        else if (widget == ui->Panel2)
            handler = &TForm1::Panel2MouseMove;
        else if (widget == ui->Panel15)
            handler = &TForm1::Panel15MouseMove;
        else if (widget == ui->GroupBox1)
            handler = &TForm1::GroupBox1MouseMove;
        else if (widget == ui->GroupBox2)
            handler = &TForm1::GroupBox2MouseMove;
        // The call goes through a local: GCC 12's -fsanitize=vptr checks the wrong
        // address for a member pointer call on a member (form_) inside a lambda,
        // which AddressSanitizer then reports as a stack-buffer-underflow.
        TForm1* const form = form_;
        if (handler)
            kelmora::RunGuarded([form, handler] { (form->*handler)(); });
        return false;
    }

private:
    TForm1* form_;
};

} // namespace

void TForm1::connectMascot()
{
    ImageList1 = {QPixmap(QStringLiteral(":/images/mascot0.png")), QPixmap(QStringLiteral(":/images/mascot1.png")),
                  QPixmap(QStringLiteral(":/images/mascot2.png"))};
    drawFrame(ui->Image1, ImageList1, kelmora::mascot::kFrameFirst);

    bind(Timer2, &QTimer::timeout, &TForm1::Timer2Timer);

    auto* filter = new MascotMouseFilter(this);
    for (QWidget* widget :
         {static_cast<QWidget*>(ui->Image1), static_cast<QWidget*>(ui->Panel2), static_cast<QWidget*>(ui->Panel15),
          static_cast<QWidget*>(ui->GroupBox1), static_cast<QWidget*>(ui->GroupBox2)}) {
        // Without tracking, moves with no button held are not delivered at all.
        widget->setMouseTracking(true);
        widget->installEventFilter(filter);
    }
}

void TForm1::Timer2Timer()
{
    const int frame = kelmora::mascot::AnimationStep(state.tickCounter, state.mascotFrame,
                                                     static_cast<std::int64_t>(std::time(nullptr)));
    drawFrame(ui->Image1, ImageList1, frame);
}

void TForm1::Image1MouseMove()
{
    const kelmora::mascot::RunawayArea area{ui->Panel1->height(), ui->Panel1->width(), ui->Panel18->height(),
                                            ui->Panel18->width()};
    const kelmora::mascot::Place place = kelmora::mascot::RunawayStep(area);
    ui->Panel18->move(place.left, place.top);
}

void TForm1::Panel2MouseMove()
{
    ui->Label14->setVisible(true);
}

void TForm1::GroupBox2MouseMove()
{
    ui->Label14->setVisible(true);
}

void TForm1::Panel15MouseMove()
{
    ui->Label14->setVisible(false);
}

void TForm1::GroupBox1MouseMove()
{
    ui->Label14->setVisible(false);
}
