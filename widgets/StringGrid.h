#pragma once
#include <QAbstractScrollArea>
#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class QPainter;

// A grid of text cells in the manner of a classic string grid: column and row
// counts, default column width and row height, fixed (header) rows and columns,
// a current cell, owner drawing per cell and a mouse-up notification that carries
// the button and the modifier keys. The texts either live in the grid (setCell)
// or are asked for as they are painted from a cell source, in the manner of an
// item model, so that an owner with its own data keeps no second copy.
class StringGrid : public QAbstractScrollArea {
    Q_OBJECT
    Q_PROPERTY(int colCount READ colCount WRITE setColCount)
    Q_PROPERTY(int rowCount READ rowCount WRITE setRowCount)
    Q_PROPERTY(int fixedCols READ fixedCols WRITE setFixedCols)
    Q_PROPERTY(int fixedRows READ fixedRows WRITE setFixedRows)
    Q_PROPERTY(int defaultColWidth READ defaultColWidth WRITE setDefaultColWidth)
    Q_PROPERTY(int defaultRowHeight READ defaultRowHeight WRITE setDefaultRowHeight)
    Q_PROPERTY(QColor color READ color WRITE setColor)
    Q_PROPERTY(QColor fontColor READ fontColor WRITE setFontColor)
    Q_PROPERTY(bool colSizing READ colSizing WRITE setColSizing)
    Q_PROPERTY(bool rowSizing READ rowSizing WRITE setRowSizing)
    Q_PROPERTY(bool rangeSelect READ rangeSelect WRITE setRangeSelect)
    Q_PROPERTY(bool defaultDrawing READ defaultDrawing WRITE setDefaultDrawing)

public:
    enum DrawStateFlag { Selected = 0x1, Focused = 0x2, Fixed = 0x4 };
    Q_DECLARE_FLAGS(DrawState, DrawStateFlag)

    explicit StringGrid(QWidget* parent = nullptr);
    ~StringGrid() override;

    int colCount() const;
    void setColCount(int count);
    int rowCount() const;
    void setRowCount(int count);
    int fixedCols() const;
    void setFixedCols(int count);
    int fixedRows() const;
    void setFixedRows(int count);

    // Setting a default size gives every column (row) that size, dropping widths
    // (heights) set by dragging.
    int defaultColWidth() const;
    void setDefaultColWidth(int width);
    int defaultRowHeight() const;
    void setDefaultRowHeight(int height);
    int colWidth(int col) const;
    void setColWidth(int col, int width);
    int rowHeight(int row) const;
    void setRowHeight(int row, int height);

    // Background of the area beyond the last column and row, and of plain cells.
    QColor color() const;
    void setColor(const QColor& color);
    QColor fontColor() const;
    void setFontColor(const QColor& color);

    bool colSizing() const;
    void setColSizing(bool on);
    bool rowSizing() const;
    void setRowSizing(bool on);
    bool rangeSelect() const;
    void setRangeSelect(bool on);
    // Off: the grid leaves each cell's face to the drawCell handler (lines,
    // fixed cells and the focus frame are still the grid's).
    bool defaultDrawing() const;
    void setDefaultDrawing(bool on);

    // With a cell source, the texts of the cells inside the grid's counts.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    // Where the texts come from: called for each cell as it is painted (only the
    // cells in view) and by cell(). While a source is set the grid's own texts are
    // not shown. After the source's data changes, call cellsChanged() to repaint.
    using CellSource = std::function<QString(int col, int row)>;
    void setCellSource(CellSource source);
    void cellsChanged();
    // Sets the cells of column `col` from row `firstRow` down, one text a row,
    // as setCell would one by one (rows outside the grid are left out) but
    // with one repaint for them all: a list of 100,000 names fills at once.
    void setCells(int col, int firstRow, QStringList texts);

    // Thick borders between cells, such as between blocks of desks: asked for each
    // cell as it is painted, which of its right and bottom edges are drawn three
    // pixels wide in the font colour. Like a cell source it is asked again on every
    // repaint, so it may read the owner's data; none by default.
    using ThickBorders = std::function<Qt::Edges(int col, int row)>;
    void setThickBorders(ThickBorders borders);

    // The current cell; never a fixed cell while non-fixed cells exist.
    int col() const;
    int row() const;
    void setCurrentCell(int col, int row);

    // A cell's rectangle in viewport coordinates (empty when scrolled out of view).
    QRect cellRect(int col, int row) const;

signals:
    // After the grid has drawn a cell itself. The painter is not clipped to the
    // cell, so a handler may draw past its edges.
    void drawCell(QPainter* painter, int col, int row, const QRect& rect, StringGrid::DrawState state);
    // The mouse button went up over the grid. Handlers act on the current cell,
    // which a left press on a non-fixed cell (without Shift) has set.
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(StringGrid::DrawState)
