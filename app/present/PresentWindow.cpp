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
    rearrange(columns, rows);

    animation_->setDuration(450);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    animation_->setEasingCurve(QEasingCurve::OutBack);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        progress_ = v.toReal();
        update();
    });
}

void PresentWindow::rearrange(int columns, int rows)
{
    columns_ = columns;
    rows_ = rows;
    // Desks uncovered before stay uncovered while someone sits there; the others,
    // newly seated ones among them, come after in a new random order.
    QList<QPoint> kept, covered;
    for (int k = 0; k < uncovered_; ++k)
        if (const QPoint d = order_[k];
            d.x() < columns_ && d.y() < rows_ && !state_.seatTable.text(d.x(), d.y()).empty())
            kept.append(d);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c)
            if (!state_.seatTable.text(c, r).empty() && !kept.contains(QPoint(c, r)))
                covered.append(QPoint(c, r));
    std::shuffle(covered.begin(), covered.end(), *QRandomGenerator::global());
    order_ = kept + covered;
    animation_->stop();
    progress_ = 1;
    uncovered_ = animatedFrom_ = int(kept.size());
    update();
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
            label.parts = {cp932::ToUnicode(s->FamilyName), cp932::ToUnicode(s->GivenName)};
            label.readings = {cp932::ToUnicode(s->FamilyReading), cp932::ToUnicode(s->GivenReading)};
            return label;
        }
    // What the desk shows: a full name has a full-width space between its parts.
    label.parts = cp932::ToUnicode(state_.seatTable.text(column, row)).split(QChar(0x3000), Qt::SkipEmptyParts);
    if (label.parts.isEmpty())
        label.parts = QStringList{QString()};
    return label;
}

namespace {

constexpr qreal kNameLine = 1.1;     // a name's line, in name sizes
constexpr qreal kReadingLine = 1.15; // a reading's line, in reading sizes
constexpr qreal kReadingPart = 0.45; // a reading's size at most, in name sizes

// Where the names go on their desks: in one line, or a part a line (family name
// above given name), whichever lets them be larger; one size for every desk.
struct Fit {
    bool stacked = false;
    qreal name = 0;
    qreal reading = 0;
};

Fit fitNames(const std::vector<QStringList>& parts, const std::vector<QStringList>& readings, qreal width, qreal height)
{
    const bool withReadings = !readings.empty();
    const qreal line = kNameLine + (withReadings ? kReadingPart * kReadingLine : 0);
    QStringList joined, each, joinedReadings, eachReading;
    qsizetype lines = 1;
    for (const QStringList& p : parts) {
        joined << p.join(QChar(0x3000));
        each << p;
        lines = std::max(lines, p.size());
    }
    for (const QStringList& r : readings) {
        joinedReadings << r.join(QChar(0x3000));
        eachReading << r;
    }
    const qreal oneLine = std::min(fittingSize(joined, width, true), height / line);
    const qreal stackedSize = std::min(fittingSize(each, width, true), height / (line * qreal(lines)));
    Fit fit;
    fit.stacked = stackedSize > oneLine;
    fit.name = std::max(oneLine, stackedSize);
    fit.reading =
        std::min(fittingSize(fit.stacked ? eachReading : joinedReadings, width, false), fit.name * kReadingPart);
    return fit;
}

QFont readingFont(qreal pixels)
{
    QFont font = nameFont(pixels);
    font.setBold(false);
    return font;
}

} // namespace

PresentWindow::Layout PresentWindow::layout() const
{
    const qreal w = width(), h = height();
    Layout l;
    l.margin = std::min(w, h) * 0.03;
    l.hintHeight = std::max<qreal>(h * 0.035, 12);
    const qreal deskBand = h * 0.09;
    const qreal teacherWidth = std::max((w - 2 * l.margin) / std::max(columns_, 1) * 1.5, w * 0.18);
    l.teacher = QRectF((w - teacherWidth) / 2, l.margin, teacherWidth, deskBand);
    l.grid = QRectF(l.margin, 2 * l.margin + deskBand, w - 2 * l.margin, h - 3 * l.margin - deskBand - l.hintHeight);
    return l;
}

QRectF PresentWindow::deskRect(int column, int row) const
{
    const QRectF grid = layout().grid;
    const int columns = std::max(columns_, 1), rows = std::max(rows_, 1);
    const qreal cw = grid.width() / columns, ch = grid.height() / rows;
    const qreal gap = std::min(cw, ch) * 0.07;
    // Turned through 180 degrees, as the pupils see the room: the placement page's
    // bottom row (by the teacher's desk) at the top, its left column at the right.
    const int x = columns - 1 - column, y = rows - 1 - row;
    return QRectF(grid.left() + x * cw, grid.top() + y * ch, cw, ch).adjusted(gap, gap, -gap, -gap);
}

void PresentWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), kBoard);
    const Layout frame = layout();
    const int columns = std::max(columns_, 1), rows = std::max(rows_, 1);

    // The teacher's desk, at the top: the pupils face it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8a, 0x5a, 0x2b));
    p.drawRoundedRect(frame.teacher, 8, 8);
    p.setPen(kChalk);
    p.setFont(nameFont(frame.teacher.height() * 0.45));
    p.drawText(frame.teacher, Qt::AlignCenter, QStringLiteral("教　卓"));

    // Every seated desk's name, and one size for them all: the largest at which
    // the longest fits its desk.
    std::vector<Label> labels(size_t(columns) * size_t(rows));
    std::vector<int> step(labels.size(), -1); // where in the order each desk comes
    std::vector<QStringList> allParts, allReadings;
    for (int k = 0; k < order_.size(); ++k) {
        const size_t at = size_t(order_[k].y()) * size_t(columns) + size_t(order_[k].x());
        step[at] = k;
        labels[at] = labelAt(order_[k].x(), order_[k].y());
        allParts.push_back(labels[at].parts);
        if (!labels[at].readings.isEmpty())
            allReadings.push_back(labels[at].readings);
    }
    const QRectF anyDesk = deskRect(0, 0);
    const qreal inset = anyDesk.width() * 0.06;
    const Fit fit = fitNames(allParts, allReadings, anyDesk.width() - 2 * inset, anyDesk.height() - 2 * inset);

    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            QRectF desk = deskRect(c, r);
            const size_t at = size_t(r) * size_t(columns) + size_t(c);
            const int k = step[at];
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
            qreal scale = 1;
            if (k >= animatedFrom_) { // coming in: grows from the middle of the desk
                scale = 0.5 + 0.5 * progress_;
                desk = QRectF(desk.center() - QPointF(desk.width(), desk.height()) * scale / 2,
                              QSizeF(desk.width(), desk.height()) * scale);
                p.setOpacity(std::clamp(progress_, 0.0, 1.0));
            }
            p.setPen(Qt::NoPen);
            p.setBrush(kDesk);
            p.drawRoundedRect(desk, 6, 6);

            const Label& l = labels[at];
            QStringList lines = fit.stacked ? l.parts : QStringList{l.parts.join(QChar(0x3000))};
            QStringList readingLines;
            if (!l.readings.isEmpty())
                readingLines = fit.stacked ? l.readings : QStringList{l.readings.join(QChar(0x3000))};
            const qreal nameHeight = fit.name * kNameLine * scale;
            const qreal readingHeight = readingLines.isEmpty() ? 0 : fit.reading * kReadingLine * scale;
            qreal top = desk.center().y() - qreal(lines.size()) * (nameHeight + readingHeight) / 2;
            for (qsizetype n = 0; n < lines.size(); ++n) {
                if (n < readingLines.size()) {
                    p.setPen(kReadingInk);
                    p.setFont(readingFont(fit.reading * scale));
                    p.drawText(QRectF(desk.left(), top, desk.width(), readingHeight), Qt::AlignCenter, readingLines[n]);
                }
                top += readingHeight;
                p.setPen(kInk);
                p.setFont(nameFont(fit.name * scale));
                p.drawText(QRectF(desk.left(), top, desk.width(), nameHeight), Qt::AlignCenter, lines[n]);
                top += nameHeight;
            }
            p.setOpacity(1);
        }
    }

    p.setPen(kChalk);
    p.setFont(readingFont(frame.hintHeight * 0.6));
    const QRectF hint(frame.margin, height() - frame.margin - frame.hintHeight, width() - 2 * frame.margin,
                      frame.hintHeight);
    p.drawText(hint, Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Space / → 次の席　← 戻す　Enter 全員　Esc 終わる"));
    p.drawText(hint, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 / %2").arg(uncovered_).arg(order_.size()));
}
