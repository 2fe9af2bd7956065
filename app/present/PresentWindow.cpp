#include "app/present/PresentWindow.h"

#include "codec/Cp932.h"

#include <QEasingCurve>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRandomGenerator>
#include <QScreen>
#include <QVariantAnimation>

#include <algorithm>
#include <vector>

using namespace kelmora;

namespace {

const QColor kBoard(0x1f, 0x3a, 0x30);   // a blackboard's green
const QColor kCovered(0x35, 0x5c, 0x4c); // a desk whose name is still covered
const QColor kDesk(0xfb, 0xf7, 0xea);    // an uncovered desk, like paper
const QColor kInk(0x1a, 0x1a, 0x1a);
const QColor kReadingInk(0x4a, 0x4a, 0x4a);
const QColor kChalk(0xe8, 0xee, 0xe6);

QFont nameFont(qreal pixels)
{
    QFont font(QStringLiteral("IPAPGothic"));
    font.setBold(true);
    font.setPixelSize(std::max(1, int(pixels)));
    return font;
}

// The largest pixel size at which every text is no wider than `width`.
qreal fittingSize(const QStringList& texts, qreal width, bool bold)
{
    QFont probe = nameFont(100);
    probe.setBold(bold);
    const QFontMetricsF metrics(probe);
    qreal size = 1e9;
    for (const QString& t : texts) {
        const qreal advance = metrics.horizontalAdvance(t);
        if (advance > 0)
            size = std::min(size, 100 * width / advance);
    }
    return size;
}

} // namespace

PresentWindow::PresentWindow(const ProgramState& state, int columns, int rows, bool ruby, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state), columns_(columns), rows_(rows), ruby_(ruby),
      animation_(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("発表"));
    setFocusPolicy(Qt::StrongFocus);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c)
            if (!state_.seatTable.text(c, r).empty())
                order_.append(QPoint(c, r));
    std::shuffle(order_.begin(), order_.end(), *QRandomGenerator::global());

    animation_->setDuration(450);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    animation_->setEasingCurve(QEasingCurve::OutBack);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        progress_ = v.toReal();
        update();
    });
}

void PresentWindow::showOn(QScreen* current)
{
    QScreen* target = current;
    for (QScreen* s : QGuiApplication::screens())
        if (s != current) {
            target = s; // the classroom's display, not the teacher's
            break;
        }
    if (target) {
        setScreen(target);
        setGeometry(target->geometry());
    }
    showFullScreen();
    raise();
    activateWindow();
    setFocus();
}

void PresentWindow::uncoverTo(int count)
{
    count = std::clamp(count, 0, int(order_.size()));
    if (count > uncovered_) {
        animatedFrom_ = uncovered_;
        animation_->stop();
        progress_ = 0;
        animation_->start();
    } else {
        animation_->stop();
        progress_ = 1;
        animatedFrom_ = count;
    }
    uncovered_ = count;
    update();
}

void PresentWindow::next()
{
    uncoverTo(uncovered_ + 1);
}

void PresentWindow::back()
{
    uncoverTo(uncovered_ - 1);
}

void PresentWindow::all()
{
    uncoverTo(int(order_.size()));
}

void PresentWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Right:
    case Qt::Key_PageDown: next(); return;
    case Qt::Key_Left:
    case Qt::Key_PageUp:
    case Qt::Key_Backspace: back(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: all(); return;
    case Qt::Key_Escape: close(); return;
    default: QWidget::keyPressEvent(event);
    }
}

void PresentWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        next();
    else if (event->button() == Qt::RightButton)
        back();
}

PresentWindow::Label PresentWindow::labelAt(int column, int row) const
{
    Label label;
    if (ruby_)
        if (const Seito* s = state_.roster.record(state_.seatTable.entry(column, row))) {
            label.name = cp932::ToUnicode(s->FamilyName + "\x81\x40" + s->GivenName); // a full-width space between
            label.reading = cp932::ToUnicode(s->FamilyReading + "\x81\x40" + s->GivenReading);
            return label;
        }
    label.name = cp932::ToUnicode(state_.seatTable.text(column, row));
    return label;
}

void PresentWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), kBoard);
    const qreal w = width(), h = height();
    const qreal margin = std::min(w, h) * 0.03;
    const qreal hintHeight = std::max<qreal>(h * 0.035, 12);
    const qreal deskBand = h * 0.09;
    const int columns = std::max(columns_, 1), rows = std::max(rows_, 1);

    // The teacher's desk, at the top: the pupils face it.
    const qreal cellWidth = (w - 2 * margin) / columns;
    const QRectF teacher((w - std::max(cellWidth * 1.5, w * 0.18)) / 2, margin, std::max(cellWidth * 1.5, w * 0.18),
                         deskBand);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8a, 0x5a, 0x2b));
    p.drawRoundedRect(teacher, 8, 8);
    p.setPen(kChalk);
    p.setFont(nameFont(deskBand * 0.45));
    p.drawText(teacher, Qt::AlignCenter, QStringLiteral("教　卓"));

    const QRectF grid(margin, margin + deskBand + margin, w - 2 * margin, h - 3 * margin - deskBand - hintHeight);
    const qreal cw = grid.width() / columns, ch = grid.height() / rows;
    const qreal gap = std::min(cw, ch) * 0.07;
    const qreal innerWidth = cw - 2 * gap - 2 * gap;
    const qreal innerHeight = ch - 2 * gap;

    // One size for every name, the largest that lets the longest fit its desk.
    std::vector<Label> labels(size_t(columns) * size_t(rows));
    QStringList names, readings;
    for (const QPoint& d : std::as_const(order_)) {
        Label& l = labels[size_t(d.y()) * size_t(columns) + size_t(d.x())];
        l = labelAt(d.x(), d.y());
        names << l.name;
        if (!l.reading.isEmpty())
            readings << l.reading;
    }
    const bool withReadings = !readings.isEmpty();
    qreal nameSize = std::min(fittingSize(names, innerWidth, true), innerHeight * (withReadings ? 0.55 : 0.7));
    const qreal readingSize = std::min(fittingSize(readings, innerWidth, false), nameSize * 0.45);

    std::vector<int> step(labels.size(), -1); // where in the order each desk comes
    for (int k = 0; k < order_.size(); ++k)
        step[size_t(order_[k].y()) * size_t(columns) + size_t(order_[k].x())] = k;

    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            // Turned through 180 degrees: the desk nearest the teacher's right is at the screen's left.
            const int x = columns - 1 - c, y = rows - 1 - r;
            const QRectF cell(grid.left() + x * cw, grid.top() + y * ch, cw, ch);
            QRectF desk = cell.adjusted(gap, gap, -gap, -gap);
            const int k = step[size_t(r) * size_t(columns) + size_t(c)];
            if (k < 0) { // nobody sits here
                p.setPen(QPen(kCovered, 2, Qt::DashLine));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(desk, 6, 6);
                continue;
            }
            if (k >= uncovered_) {
                p.setPen(Qt::NoPen);
                p.setBrush(kCovered);
                p.drawRoundedRect(desk, 6, 6);
                continue;
            }
            qreal opacity = 1;
            if (k >= animatedFrom_) { // coming in: grows from the middle of the desk
                const qreal scale = 0.5 + 0.5 * progress_;
                desk = QRectF(desk.center() - QPointF(desk.width(), desk.height()) * scale / 2,
                              QSizeF(desk.width(), desk.height()) * scale);
                opacity = std::clamp(progress_, 0.0, 1.0);
            }
            p.setOpacity(opacity);
            p.setPen(Qt::NoPen);
            p.setBrush(kDesk);
            p.drawRoundedRect(desk, 6, 6);
            const Label& l = labels[size_t(r) * size_t(columns) + size_t(c)];
            const qreal scale = desk.width() / (cw - 2 * gap);
            QRectF nameBox = desk;
            if (!l.reading.isEmpty()) {
                const qreal readingHeight = readingSize * 1.3 * scale;
                const qreal block = readingHeight + nameSize * 1.2 * scale;
                const qreal top = desk.center().y() - block / 2;
                p.setPen(kReadingInk);
                QFont readingFont = nameFont(readingSize * scale);
                readingFont.setBold(false);
                p.setFont(readingFont);
                p.drawText(QRectF(desk.left(), top, desk.width(), readingHeight), Qt::AlignCenter, l.reading);
                nameBox = QRectF(desk.left(), top + readingHeight, desk.width(), nameSize * 1.2 * scale);
            }
            p.setPen(kInk);
            p.setFont(nameFont(nameSize * scale));
            p.drawText(nameBox, Qt::AlignCenter, l.name);
            p.setOpacity(1);
        }
    }

    p.setPen(kChalk);
    QFont hintFont = nameFont(hintHeight * 0.6);
    hintFont.setBold(false);
    p.setFont(hintFont);
    p.drawText(QRectF(margin, h - margin - hintHeight, w - 2 * margin, hintHeight), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Space / → 次の席　← 戻す　Enter 全員　Esc 終わる"));
    p.drawText(QRectF(margin, h - margin - hintHeight, w - 2 * margin, hintHeight), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("%1 / %2").arg(uncovered_).arg(order_.size()));
}
