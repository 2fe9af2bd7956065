#include "widgets/StringGrid.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <QScrollBar>

#include <algorithm>
#include <vector>

namespace {

// One direction of the grid (columns or rows): item count, fixed items, sizes.
// Every item is followed by a one-pixel line, so item i starts at
// sum over j < i of (size j + 1). While all items have the default size the
// offsets are plain arithmetic; after a single item is resized a prefix-sum
// table answers them, rebuilt lazily, so a list of 100,000 rows stays cheap.
struct Axis {
    int count;
    int fixed;
    int defaultSize;
    std::vector<int> sizes; // empty while every item has the default size
    mutable std::vector<qint64> prefix;
    mutable bool prefixValid = false;

    Axis(int count_, int fixed_, int defaultSize_) : count(count_), fixed(fixed_), defaultSize(defaultSize_) {}

    int fixedCount() const { return std::min(fixed, count); }
    int size(int i) const { return sizes.empty() ? defaultSize : sizes[std::size_t(i)]; }

    void setCount(int n)
    {
        count = n;
        if (!sizes.empty())
            sizes.resize(std::size_t(n), defaultSize);
        prefixValid = false;
    }

    void setDefault(int s)
    {
        defaultSize = s;
        sizes.clear();
        prefix.clear();
        prefixValid = false;
    }

    void setSize(int i, int s)
    {
        if (sizes.empty()) {
            if (s == defaultSize)
                return;
            sizes.assign(std::size_t(count), defaultSize);
        }
        sizes[std::size_t(i)] = s;
        prefixValid = false;
    }

    void buildPrefix() const
    {
        if (prefixValid)
            return;
        prefix.resize(std::size_t(count) + 1);
        prefix[0] = 0;
        for (int i = 0; i < count; ++i)
            prefix[std::size_t(i) + 1] = prefix[std::size_t(i)] + sizes[std::size_t(i)] + 1;
        prefixValid = true;
    }

    // Offset of item i (0..count) from the start of item 0, lines included.
    qint64 start(int i) const
    {
        if (sizes.empty())
            return qint64(i) * (defaultSize + 1);
        buildPrefix();
        return prefix[std::size_t(i)];
    }

    // The item whose extent (cell plus its line) holds offset pos, or -1.
    int indexAt(qint64 pos) const
    {
        if (pos < 0 || count <= 0)
            return -1;
        if (sizes.empty()) {
            const qint64 i = pos / (defaultSize + 1);
            return i < count ? int(i) : -1;
        }
        buildPrefix();
        const auto it = std::upper_bound(prefix.begin(), prefix.end(), pos);
        const int i = int(it - prefix.begin()) - 1;
        return i < count ? i : -1;
    }

    // The first scrollable item that, shown first, still fills the available
    // room: the largest useful scroll position.
    int lastFirst(qint64 available) const
    {
        const int fc = fixedCount();
        if (count <= fc)
            return fc;
        const qint64 total = start(count);
        int lo = fc, hi = count - 1; // smallest t with total - start(t) <= available
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (total - start(mid) <= available)
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    }
};

// Position of item i in the viewport along one axis, or -1 while it is scrolled
// out of view (hidden to the left of / above the first scrollable item).
qint64 viewPos(const Axis& a, int first, int i)
{
    const int fc = a.fixedCount();
    if (i < fc)
        return a.start(i);
    if (i < first)
        return -1;
    return a.start(fc) + a.start(i) - a.start(first);
}

// The item under viewport position p along one axis, or -1 beyond the last.
int itemAt(const Axis& a, int first, qint64 p)
{
    if (p < 0)
        return -1;
    const int fc = a.fixedCount();
    const qint64 fixedExtent = a.start(fc);
    if (p < fixedExtent)
        return a.indexAt(p);
    if (first >= a.count)
        return -1;
    return a.indexAt(p - fixedExtent + a.start(first));
}

const QColor kLineColor(192, 192, 192);

// A press on a border is Pressed until the pointer has moved the drag distance
// with the button held; only then does it become SizingCol or SizingRow.
enum class DragState { None, Pressed, Selecting, SizingCol, SizingRow };

} // namespace

struct StringGrid::Private {
    explicit Private(StringGrid* owner) : q(owner) {}

    int firstCol() const; // first scrollable column shown
    int firstRow() const;
    void relayout(); // scroll ranges after a change of counts or sizes, then repaint
    void ensureVisible(int col, int row);
    DragState sizingAt(const QPoint& pos, int* index) const;

    StringGrid* q;
    Axis cols{5, 1, 64};
    Axis rows{5, 1, 24};
    QColor color;
    QColor fontColor;
    bool colSizing = false;
    bool rowSizing = false;
    // Range selection is on by default: both our grids let the user drag a range.
    bool rangeSelect = true;
    bool defaultDrawing = true;

    // Texts by column, then row; kept when the counts shrink, so they show again
    // when the grid grows back. A column reaches as far down as texts were set:
    // a list of 100,000 names is one array per column, found without hashing.
    std::vector<std::vector<QString>> texts;
    CellSource source;
    ThickBorders thickBorders;
    QString text(int col, int row) const;
    std::vector<QString>& column(int col, std::size_t rows); // holding at least `rows` rows

    int curCol = 1, curRow = 1;
    // The other corner of the selected range; the current cell is the first.
    int endCol = 1, endRow = 1;

    DragState drag = DragState::None;
    // A press on a border: the sizing it would start, where it went down and
    // the current cell and range from before it.
    DragState sizingArmed = DragState::None;
    QPoint pressPos;
    int beforeCol = 1, beforeRow = 1, beforeEndCol = 1, beforeEndRow = 1;
    int sizingIndex = -1;
    // The border follows the pointer from where it was grabbed, without a jump.
    int sizingPress = 0;
    int sizingOriginal = 0;
};

QString StringGrid::Private::text(int col, int row) const
{
    if (source)
        return source(col, row);
    const auto c = std::size_t(col), r = std::size_t(row);
    return c < texts.size() && r < texts[c].size() ? texts[c][r] : QString();
}

std::vector<QString>& StringGrid::Private::column(int col, std::size_t rows)
{
    if (texts.size() <= std::size_t(col))
        texts.resize(std::size_t(col) + 1);
    std::vector<QString>& c = texts[std::size_t(col)];
    if (c.size() < rows)
        c.resize(rows);
    return c;
}

namespace {

// Keeps an index on a non-fixed item while non-fixed items exist.
int clampIndex(const Axis& a, int i)
{
    if (a.count <= 0)
        return 0;
    i = std::clamp(i, 0, a.count - 1);
    if (i < a.fixed && a.fixed < a.count)
        i = a.fixed;
    return i;
}

} // namespace

StringGrid::StringGrid(QWidget* parent) : QAbstractScrollArea(parent), d(std::make_unique<Private>(this))
{
    d->color = palette().color(QPalette::Base);
    d->fontColor = palette().color(QPalette::Text);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    d->curCol = d->endCol = clampIndex(d->cols, d->cols.fixed);
    d->curRow = d->endRow = clampIndex(d->rows, d->rows.fixed);
}

StringGrid::~StringGrid() = default;

// ---------------------------------------------------------------- helpers

static void updateBar(QScrollBar* bar, const Axis& a, qint64 available)
{
    const int fc = a.fixedCount();
    const qint64 room = available - a.start(fc);
    const int last = a.lastFirst(room);
    bar->setRange(0, std::max(0, last - fc));
    // A page is as many items as fit from the last scroll position on.
    bar->setPageStep(std::max(1, a.count - last));
}

int StringGrid::Private::firstCol() const
{
    return cols.fixedCount() + q->horizontalScrollBar()->value();
}

int StringGrid::Private::firstRow() const
{
    return rows.fixedCount() + q->verticalScrollBar()->value();
}

void StringGrid::Private::relayout()
{
    const QSize vs = q->viewport()->size();
    updateBar(q->horizontalScrollBar(), cols, vs.width());
    updateBar(q->verticalScrollBar(), rows, vs.height());
    q->viewport()->update();
}

// ---------------------------------------------------------------- counts and sizes

int StringGrid::colCount() const
{
    return d->cols.count;
}
int StringGrid::rowCount() const
{
    return d->rows.count;
}
int StringGrid::fixedCols() const
{
    return d->cols.fixed;
}
int StringGrid::fixedRows() const
{
    return d->rows.fixed;
}

void StringGrid::setColCount(int count)
{
    count = std::max(0, count);
    if (count == d->cols.count)
        return;
    d->cols.setCount(count);
    d->curCol = clampIndex(d->cols, d->curCol);
    d->endCol = clampIndex(d->cols, d->endCol);
    d->relayout();
}

void StringGrid::setRowCount(int count)
{
    count = std::max(0, count);
    if (count == d->rows.count)
        return;
    d->rows.setCount(count);
    d->curRow = clampIndex(d->rows, d->curRow);
    d->endRow = clampIndex(d->rows, d->endRow);
    d->relayout();
}

// A new number of fixed items starts over at the first non-fixed cell, scrolled home.
void StringGrid::setFixedCols(int count)
{
    d->cols.fixed = std::max(0, count);
    d->curCol = d->endCol = clampIndex(d->cols, d->cols.fixed);
    horizontalScrollBar()->setValue(0);
    d->relayout();
}

void StringGrid::setFixedRows(int count)
{
    d->rows.fixed = std::max(0, count);
    d->curRow = d->endRow = clampIndex(d->rows, d->rows.fixed);
    verticalScrollBar()->setValue(0);
    d->relayout();
}

int StringGrid::defaultColWidth() const
{
    return d->cols.defaultSize;
}
int StringGrid::defaultRowHeight() const
{
    return d->rows.defaultSize;
}

void StringGrid::setDefaultColWidth(int width)
{
    d->cols.setDefault(std::max(0, width));
    d->relayout();
}

void StringGrid::setDefaultRowHeight(int height)
{
    d->rows.setDefault(std::max(0, height));
    d->relayout();
}

int StringGrid::colWidth(int col) const
{
    return col >= 0 && col < d->cols.count ? d->cols.size(col) : d->cols.defaultSize;
}

void StringGrid::setColWidth(int col, int width)
{
    if (col < 0 || col >= d->cols.count)
        return;
    d->cols.setSize(col, std::max(0, width));
    d->relayout();
}

int StringGrid::rowHeight(int row) const
{
    return row >= 0 && row < d->rows.count ? d->rows.size(row) : d->rows.defaultSize;
}

void StringGrid::setRowHeight(int row, int height)
{
    if (row < 0 || row >= d->rows.count)
        return;
    d->rows.setSize(row, std::max(0, height));
    d->relayout();
}

// ---------------------------------------------------------------- colours and options

QColor StringGrid::color() const
{
    return d->color;
}

void StringGrid::setColor(const QColor& color)
{
    d->color = color;
    viewport()->update();
}

QColor StringGrid::fontColor() const
{
    return d->fontColor;
}

void StringGrid::setFontColor(const QColor& color)
{
    d->fontColor = color;
    viewport()->update();
}

bool StringGrid::colSizing() const
{
    return d->colSizing;
}
void StringGrid::setColSizing(bool on)
{
    d->colSizing = on;
}
bool StringGrid::rowSizing() const
{
    return d->rowSizing;
}
void StringGrid::setRowSizing(bool on)
{
    d->rowSizing = on;
}
bool StringGrid::defaultDrawing() const
{
    return d->defaultDrawing;
}

void StringGrid::setDefaultDrawing(bool on)
{
    d->defaultDrawing = on;
    viewport()->update();
}

bool StringGrid::rangeSelect() const
{
    return d->rangeSelect;
}

void StringGrid::setRangeSelect(bool on)
{
    d->rangeSelect = on;
    if (!on) {
        d->endCol = d->curCol;
        d->endRow = d->curRow;
    }
    viewport()->update();
}

// ---------------------------------------------------------------- cells

QString StringGrid::cell(int col, int row) const
{
    if (col < 0 || row < 0 || col >= d->cols.count || row >= d->rows.count)
        return QString();
    return d->text(col, row);
}

void StringGrid::setCell(int col, int row, const QString& text)
{
    if (col < 0 || row < 0 || col >= d->cols.count || row >= d->rows.count)
        return;
    if (text.isEmpty()) {
        if (std::size_t(col) < d->texts.size() && std::size_t(row) < d->texts[std::size_t(col)].size())
            d->texts[std::size_t(col)][std::size_t(row)] = QString();
    } else {
        d->column(col, std::size_t(row) + 1)[std::size_t(row)] = text;
    }
    viewport()->update();
}

void StringGrid::setCells(int col, int firstRow, QStringList texts)
{
    if (col < 0 || col >= d->cols.count)
        return;
    // Only the rows inside the grid, as setCell would take them one by one.
    const qsizetype skip = std::max<qsizetype>(0, -qsizetype(firstRow));
    const qsizetype end = std::min<qsizetype>(texts.size(), qsizetype(d->rows.count) - firstRow);
    if (skip >= end)
        return;
    std::vector<QString>& c = d->column(col, std::size_t(firstRow + end));
    for (qsizetype i = skip; i < end; ++i) {
        QString& cell = c[std::size_t(firstRow + i)];
        if (texts[i].isEmpty())
            cell = QString();
        else
            cell = std::move(texts[i]);
    }
    viewport()->update();
}

void StringGrid::setCellSource(CellSource source)
{
    d->source = std::move(source);
    viewport()->update();
}

void StringGrid::cellsChanged()
{
    viewport()->update();
}

int StringGrid::col() const
{
    return d->curCol;
}
int StringGrid::row() const
{
    return d->curRow;
}

void StringGrid::Private::ensureVisible(int col, int row)
{
    const QSize vs = q->viewport()->size();
    auto follow = [](QScrollBar* bar, const Axis& a, int i, qint64 room) {
        const int fc = a.fixedCount();
        if (i < fc || i >= a.count)
            return;
        const int first = fc + bar->value();
        if (i < first) {
            bar->setValue(i - fc);
            return;
        }
        const qint64 avail = room - a.start(fc);
        if (a.start(i + 1) - a.start(first) <= avail)
            return;
        // Scroll just far enough that item i ends inside the viewport.
        int lo = first, hi = i;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (a.start(i + 1) - a.start(mid) <= avail)
                hi = mid;
            else
                lo = mid + 1;
        }
        bar->setValue(lo - fc);
    };
    follow(q->horizontalScrollBar(), cols, col, vs.width());
    follow(q->verticalScrollBar(), rows, row, vs.height());
}

void StringGrid::setCurrentCell(int col, int row)
{
    d->curCol = d->endCol = clampIndex(d->cols, col);
    d->curRow = d->endRow = clampIndex(d->rows, row);
    // Before the grid is shown its viewport has no real size yet to scroll by.
    if (isVisible())
        d->ensureVisible(d->curCol, d->curRow);
    viewport()->update();
}

QRect StringGrid::cellRect(int col, int row) const
{
    if (col < 0 || row < 0 || col >= d->cols.count || row >= d->rows.count)
        return QRect();
    const qint64 x = viewPos(d->cols, d->firstCol(), col);
    const qint64 y = viewPos(d->rows, d->firstRow(), row);
    const QSize vs = viewport()->size();
    if (x < 0 || y < 0 || x >= vs.width() || y >= vs.height())
        return QRect();
    return QRect(int(x), int(y), d->cols.size(col), d->rows.size(row));
}

// ---------------------------------------------------------------- painting

namespace {

struct Span {
    int index;
    int pos;
    int size;
};

// The items that reach into the viewport along one axis: the fixed ones, then
// the scrollable ones from the first shown. Only these are painted.
std::vector<Span> visibleSpans(const Axis& a, int first, int extent)
{
    std::vector<Span> spans;
    const int fc = a.fixedCount();
    for (int i = 0; i < fc; ++i) {
        const qint64 p = a.start(i);
        if (p >= extent)
            return spans;
        spans.push_back({i, int(p), a.size(i)});
    }
    for (int i = std::max(first, fc); i < a.count; ++i) {
        const qint64 p = viewPos(a, first, i);
        if (p >= extent)
            break;
        spans.push_back({i, int(p), a.size(i)});
    }
    return spans;
}

void drawRaised(QPainter& p, const QRect& r, const QPalette& pal)
{
    if (r.width() < 2 || r.height() < 2)
        return;
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

} // namespace

void StringGrid::paintEvent(QPaintEvent* /*event*/)
{
    QPainter p(viewport());
    const QRect vr = viewport()->rect();
    p.fillRect(vr, d->color);

    const std::vector<Span> cs = visibleSpans(d->cols, d->firstCol(), vr.width());
    const std::vector<Span> rs = visibleSpans(d->rows, d->firstRow(), vr.height());
    if (cs.empty() || rs.empty())
        return;

    // The lines are the one-pixel gaps between cells: fill the covered area in
    // the line colour first, darker where it borders fixed cells.
    const int gridW = std::min(vr.width(), cs.back().pos + cs.back().size + 1);
    const int gridH = std::min(vr.height(), rs.back().pos + rs.back().size + 1);
    p.fillRect(QRect(0, 0, gridW, gridH), kLineColor);
    const QColor fixedLine = palette().color(QPalette::Dark);
    if (d->cols.fixedCount() > 0)
        p.fillRect(QRect(0, 0, int(std::min<qint64>(gridW, d->cols.start(d->cols.fixedCount()))), gridH), fixedLine);
    if (d->rows.fixedCount() > 0)
        p.fillRect(QRect(0, 0, gridW, int(std::min<qint64>(gridH, d->rows.start(d->rows.fixedCount())))), fixedLine);

    const bool focused = hasFocus();
    const int selLeft = std::min(d->curCol, d->endCol), selRight = std::max(d->curCol, d->endCol);
    const int selTop = std::min(d->curRow, d->endRow), selBottom = std::max(d->curRow, d->endRow);
    const QFont font = this->font();
    const QPalette pal = palette();

    for (const Span& r : rs) {
        for (const Span& c : cs) {
            const QRect rect(c.pos, r.pos, c.size, r.size);
            const bool fixed = c.index < d->cols.fixed || r.index < d->rows.fixed;
            DrawState state;
            if (fixed) {
                state |= Fixed;
            } else {
                if (c.index >= selLeft && c.index <= selRight && r.index >= selTop && r.index <= selBottom)
                    state |= Selected;
                if (focused && c.index == d->curCol && r.index == d->curRow)
                    state |= Focused;
            }

            QColor fill = d->color, ink = d->fontColor;
            if (fixed) {
                fill = pal.color(QPalette::Button);
                ink = pal.color(QPalette::ButtonText);
            } else if ((state & Selected) && !(state & Focused)) {
                fill = pal.color(QPalette::Highlight);
                ink = pal.color(QPalette::HighlightedText);
            }

            p.save();
            // Only a cell that draws its own face needs its text here.
            const QString text = fixed || d->defaultDrawing ? d->text(c.index, r.index) : QString();
            if (fixed || d->defaultDrawing)
                p.fillRect(rect, fill);
            if (fixed)
                drawRaised(p, rect, pal);
            if (!text.isEmpty() && (fixed || d->defaultDrawing)) {
                // Our own text stays inside its cell; a handler's need not.
                p.setClipRect(rect, Qt::IntersectClip);
                p.setFont(font);
                p.setPen(ink);
                p.drawText(QRect(rect.left() + 2, rect.top() + 2, std::max(0, rect.width() - 2),
                                 std::max(0, rect.height() - 2)),
                           Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
            }
            p.restore();

            p.save();
            p.setFont(font);
            p.setPen(d->fontColor);
            p.setBrush(d->color);
            emit drawCell(&p, c.index, r.index, rect, state);
            p.restore();

            if (state & Focused) {
                p.save();
                QPen pen(d->fontColor, 1, Qt::DotLine);
                p.setPen(pen);
                p.setBrush(Qt::NoBrush);
                p.drawRect(rect.adjusted(0, 0, -1, -1));
                p.restore();
            }
        }
    }

    // Over the cells, so that no cell's face hides them; centred on the line gap.
    if (d->thickBorders)
        for (const Span& r : rs)
            for (const Span& c : cs) {
                const Qt::Edges edges = d->thickBorders(c.index, r.index);
                if (edges & Qt::RightEdge)
                    p.fillRect(QRect(c.pos + c.size - 1, r.pos - 1, 3, r.size + 3), d->fontColor);
                if (edges & Qt::BottomEdge)
                    p.fillRect(QRect(c.pos - 1, r.pos + r.size - 1, c.size + 3, 3), d->fontColor);
            }
}

void StringGrid::setThickBorders(ThickBorders borders)
{
    d->thickBorders = std::move(borders);
    viewport()->update();
}

// ---------------------------------------------------------------- mouse

namespace {

constexpr int kSizingZone = 3;

// A border within reach of p along one axis: the item whose trailing line lies
// within kSizingZone pixels, or -1.
int borderNear(const Axis& a, int first, int p, int extent)
{
    int best = -1;
    int bestDistance = kSizingZone + 1;
    for (const Span& s : visibleSpans(a, first, extent + kSizingZone + 1)) {
        const int line = s.pos + s.size;
        const int distance = std::abs(p - line);
        if (distance < bestDistance) {
            best = s.index;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

// Which sizing a drag from pos would start: SizingCol, SizingRow or None. As in
// the classic grid, column lines are grabbed in the fixed rows and row lines in
// the fixed columns; a grid without such headers offers the whole line.
DragState StringGrid::Private::sizingAt(const QPoint& pos, int* index) const
{
    const QSize vs = q->viewport()->size();
    auto inHeader = [](const Axis& a, int first, int p) {
        const int i = itemAt(a, first, p);
        return i >= 0 && (a.fixedCount() == 0 || i < a.fixedCount());
    };
    if (colSizing && inHeader(rows, firstRow(), pos.y())) {
        const int c = borderNear(cols, firstCol(), pos.x(), vs.width());
        if (c >= 0) {
            *index = c;
            return DragState::SizingCol;
        }
    }
    if (rowSizing && inHeader(cols, firstCol(), pos.x())) {
        const int r = borderNear(rows, firstRow(), pos.y(), vs.height());
        if (r >= 0) {
            *index = r;
            return DragState::SizingRow;
        }
    }
    return DragState::None;
}

void StringGrid::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (focusPolicy() & Qt::ClickFocus)
        setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || d->drag != DragState::None)
        return;

    const QPoint pos = event->position().toPoint();
    // A press on a border is a click on the cell under the pointer until the
    // pointer moves with the button held (mouseMoveEvent): only that sizes.
    int index = -1;
    d->sizingArmed = d->sizingAt(pos, &index);
    if (d->sizingArmed != DragState::None) {
        d->pressPos = pos;
        d->beforeCol = d->curCol;
        d->beforeRow = d->curRow;
        d->beforeEndCol = d->endCol;
        d->beforeEndRow = d->endRow;
        d->sizingIndex = index;
        d->sizingPress = d->sizingArmed == DragState::SizingCol ? pos.x() : pos.y();
        d->sizingOriginal = d->sizingArmed == DragState::SizingCol ? d->cols.size(index) : d->rows.size(index);
        d->drag = DragState::Pressed;
    }

    const int c = itemAt(d->cols, d->firstCol(), pos.x());
    const int r = itemAt(d->rows, d->firstRow(), pos.y());
    if (c < 0 || r < 0 || c < d->cols.fixed || r < d->rows.fixed)
        return; // background or a fixed cell: the current cell stays

    if (event->modifiers() & Qt::ShiftModifier) {
        if (d->rangeSelect) {
            d->endCol = c;
            d->endRow = r;
        }
    } else {
        d->curCol = d->endCol = c;
        d->curRow = d->endRow = r;
    }
    if (d->drag == DragState::None)
        d->drag = DragState::Selecting;
    viewport()->update();
}

void StringGrid::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    const QPoint pos = event->position().toPoint();

    if (d->drag != DragState::None && !(event->buttons() & Qt::LeftButton))
        d->drag = DragState::None; // the release went elsewhere

    if (d->drag == DragState::Pressed && (pos - d->pressPos).manhattanLength() >= QApplication::startDragDistance()) {
        // A drag from the border after all: it sizes, and the press moves no cell.
        d->drag = d->sizingArmed;
        d->curCol = d->beforeCol;
        d->curRow = d->beforeRow;
        d->endCol = d->beforeEndCol;
        d->endRow = d->beforeEndRow;
        viewport()->update();
    }

    switch (d->drag) {
    case DragState::Pressed: return;
    case DragState::SizingCol:
        d->cols.setSize(d->sizingIndex, std::max(1, d->sizingOriginal + pos.x() - d->sizingPress));
        d->relayout();
        return;
    case DragState::SizingRow:
        d->rows.setSize(d->sizingIndex, std::max(1, d->sizingOriginal + pos.y() - d->sizingPress));
        d->relayout();
        return;
    case DragState::Selecting: {
        if (!d->rangeSelect)
            return;
        // Outside the cells the range runs to the nearest scrollable cell.
        const QSize vs = viewport()->size();
        auto nearest = [](const Axis& a, int first, int p, int extent) {
            if (a.count <= a.fixed)
                return -1;
            const qint64 fixedExtent = a.start(a.fixedCount());
            if (p < fixedExtent)
                return first;
            const int i = itemAt(a, first, std::min(p, extent - 1));
            return i >= 0 ? i : a.count - 1;
        };
        const int c = nearest(d->cols, d->firstCol(), pos.x(), vs.width());
        const int r = nearest(d->rows, d->firstRow(), pos.y(), vs.height());
        if (c >= 0 && r >= 0 && (c != d->endCol || r != d->endRow)) {
            d->endCol = c;
            d->endRow = r;
            viewport()->update();
        }
        return;
    }
    case DragState::None: break;
    }

    if (d->colSizing || d->rowSizing) {
        int index = -1;
        switch (d->sizingAt(pos, &index)) {
        case DragState::SizingCol: viewport()->setCursor(Qt::SplitHCursor); break;
        case DragState::SizingRow: viewport()->setCursor(Qt::SplitVCursor); break;
        default: viewport()->unsetCursor(); break;
        }
    }
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        d->drag = DragState::None;
    const QPoint pos = event->position().toPoint();
    emit mouseUp(event->button(), event->modifiers(), pos.x(), pos.y());
}

// The second press of a double click does not move the current cell.
void StringGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->accept();
}

// ---------------------------------------------------------------- keyboard and focus

void StringGrid::keyPressEvent(QKeyEvent* event)
{
    int c = d->curCol, r = d->curRow;
    const int page = std::max(1, verticalScrollBar()->pageStep());
    switch (event->key()) {
    case Qt::Key_Left: --c; break;
    case Qt::Key_Right: ++c; break;
    case Qt::Key_Up: --r; break;
    case Qt::Key_Down: ++r; break;
    case Qt::Key_PageUp: r -= page; break;
    case Qt::Key_PageDown: r += page; break;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier)
            r = 0;
        c = 0;
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier)
            r = d->rows.count - 1;
        c = d->cols.count - 1;
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    event->accept();
    setCurrentCell(c, r);
}

void StringGrid::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void StringGrid::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void StringGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    d->relayout();
}

// The scroll bars count whole items, not pixels: repaint from the new first item.
void StringGrid::scrollContentsBy(int, int)
{
    viewport()->update();
}
