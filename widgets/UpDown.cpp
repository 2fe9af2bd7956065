#include "widgets/UpDown.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {
// Holding an arrow down repeats it: first after a pause, then steadily.
constexpr int kRepeatDelayMs = 400;
constexpr int kRepeatIntervalMs = 80;
} // namespace

struct UpDown::Private {
    int min = 0;
    int max = 100;
    // Kept as set: the layout file may set the position before the range that
    // admits it, so it is clamped when read, not when stored.
    int position = 0;
    int increment = 1;
    Qt::Orientation orientation = Qt::Vertical;
    bool wrap = false;
    QPointer<QLineEdit> associate;

    std::optional<Button> held; // the arrow the left button went down on
    bool heldUnderMouse = false;
    QTimer repeat;

    int low() const { return std::min(min, max); }
    int high() const { return std::max(min, max); }
    int clamped(int value) const { return std::clamp(value, low(), high()); }
};

UpDown::UpDown(QWidget* parent) : QWidget(parent), d(std::make_unique<Private>())
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    d->repeat.setSingleShot(false);
    connect(&d->repeat, &QTimer::timeout, this, [this] {
        d->repeat.setInterval(kRepeatIntervalMs);
        if (!isVisible() || !isEnabled()) {
            // A hidden or disabled button is not sent the release.
            d->repeat.stop();
            d->held.reset();
            return;
        }
        if (d->held && d->heldUnderMouse)
            press(*d->held);
    });
}

UpDown::~UpDown() = default;

int UpDown::min() const
{
    return d->min;
}
int UpDown::max() const
{
    return d->max;
}
int UpDown::position() const
{
    return d->clamped(d->position);
}
int UpDown::increment() const
{
    return d->increment;
}
Qt::Orientation UpDown::orientation() const
{
    return d->orientation;
}
bool UpDown::wrap() const
{
    return d->wrap;
}
QLineEdit* UpDown::associate() const
{
    return d->associate;
}

namespace {
void showIn(QLineEdit* edit, int value)
{
    if (edit)
        edit->setText(QString::number(value));
}
} // namespace

void UpDown::setMin(int value)
{
    const int before = position();
    d->min = value;
    if (position() != before)
        showIn(d->associate, position());
}

void UpDown::setMax(int value)
{
    const int before = position();
    d->max = value;
    if (position() != before)
        showIn(d->associate, position());
}

void UpDown::setPosition(int value)
{
    d->position = value;
    showIn(d->associate, position());
}

void UpDown::setIncrement(int value)
{
    d->increment = value;
}

void UpDown::setOrientation(Qt::Orientation orientation)
{
    d->orientation = orientation;
    update();
}

void UpDown::setWrap(bool on)
{
    d->wrap = on;
}

void UpDown::setAssociate(QLineEdit* edit)
{
    d->associate = edit;
    showIn(edit, position());
}

void UpDown::press(Button button)
{
    const int current = position();
    const qint64 proposed = qint64(current) + (button == Button::Next ? d->increment : -qint64(d->increment));
    int value;
    if (proposed > d->high())
        value = d->wrap ? d->low() : d->high();
    else if (proposed < d->low())
        value = d->wrap ? d->high() : d->low();
    else
        value = int(proposed);

    QPointer<UpDown> self(this);
    bool allow = true;
    emit changingEx(allow, value, button == Button::Next ? Direction::Up : Direction::Down);
    if (!self || !allow)
        return;
    d->position = value;
    showIn(d->associate, value);
    emit clicked(button);
}

// ---------------------------------------------------------------- look and mouse

namespace {

// The two halves: left/right when horizontal, top/bottom when vertical.
QRect nextRect(const QRect& r, Qt::Orientation o)
{
    if (o == Qt::Horizontal)
        return QRect(r.width() / 2, 0, r.width() - r.width() / 2, r.height());
    return QRect(0, 0, r.width(), r.height() / 2);
}

QRect prevRect(const QRect& r, Qt::Orientation o)
{
    if (o == Qt::Horizontal)
        return QRect(0, 0, r.width() / 2, r.height());
    return QRect(0, r.height() / 2, r.width(), r.height() - r.height() / 2);
}

} // namespace

void UpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    update();
}

void UpDown::paintEvent(QPaintEvent* /*event*/)
{
    QPainter p(this);
    const bool horizontal = d->orientation == Qt::Horizontal;
    const struct {
        Button button;
        QRect rect;
        QStyle::PrimitiveElement arrow;
    } halves[] = {
        {Button::Prev, prevRect(rect(), d->orientation),
         horizontal ? QStyle::PE_IndicatorArrowLeft : QStyle::PE_IndicatorArrowDown},
        {Button::Next, nextRect(rect(), d->orientation),
         horizontal ? QStyle::PE_IndicatorArrowRight : QStyle::PE_IndicatorArrowUp},
    };
    for (const auto& half : halves) {
        QStyleOptionButton bevel;
        bevel.initFrom(this);
        bevel.rect = half.rect;
        bevel.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        const bool down = d->held == half.button && d->heldUnderMouse;
        bevel.state |= down ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &bevel, &p, this);

        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        const int margin = std::min(half.rect.width(), half.rect.height()) / 5;
        arrow.rect = half.rect.adjusted(margin, margin, -margin, -margin);
        if (down)
            arrow.rect.translate(1, 1);
        style()->drawPrimitive(half.arrow, &arrow, &p, this);
    }
}

void UpDown::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    std::optional<Button> hit;
    if (nextRect(rect(), d->orientation).contains(pos))
        hit = Button::Next;
    else if (prevRect(rect(), d->orientation).contains(pos))
        hit = Button::Prev;
    if (!hit)
        return;
    d->held = hit;
    d->heldUnderMouse = true;
    update();
    QPointer<UpDown> self(this);
    press(*hit);
    if (!self || !d->held)
        return;
    d->repeat.setInterval(kRepeatDelayMs);
    d->repeat.start();
}

void UpDown::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!d->held)
        return;
    const QRect r = *d->held == Button::Next ? nextRect(rect(), d->orientation) : prevRect(rect(), d->orientation);
    const bool under = r.contains(event->position().toPoint());
    if (under != d->heldUnderMouse) {
        d->heldUnderMouse = under;
        update();
    }
}

void UpDown::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    d->repeat.stop();
    d->held.reset();
    d->heldUnderMouse = false;
    update();
}
