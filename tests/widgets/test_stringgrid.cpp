#include "test_stringgrid.h"

#include "widgets/StringGrid.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QMap>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

Q_DECLARE_METATYPE(Qt::MouseButton)

namespace {

struct MouseUp {
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    int x;
    int y;
};

// A grid in a window beside an edit box that can take the focus away.
struct Window {
    QWidget top;
    StringGrid* grid;
    QLineEdit* other;
    QList<MouseUp> ups;

    Window()
    {
        top.resize(440, 260);
        grid = new StringGrid(&top);
        grid->setFrameShape(QFrame::NoFrame);
        grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        grid->setGeometry(0, 0, 400, 200);
        other = new QLineEdit(&top);
        other->setGeometry(0, 220, 100, 24);
        QObject::connect(grid, &StringGrid::mouseUp, grid,
                         [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
                             ups.append({b, m, x, y});
                         });
    }

    bool show()
    {
        top.show();
        top.activateWindow();
        return QTest::qWaitForWindowActive(&top);
    }

    QWidget* vp() const { return grid->viewport(); }
    QPoint centre(int col, int row) const { return grid->cellRect(col, row).center(); }
};

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods, QPoint pos)
{
    QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

// A move with the left button held, as a drag delivers it.
void dragTo(QWidget* w, QPoint pos)
{
    sendMouse(w, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, {}, pos);
}

struct Drawn {
    int count = 0;
    QRect rect;
    StringGrid::DrawState state;
};

// Paints the grid once and tells what drawCell reported for each cell.
QMap<QPair<int, int>, Drawn> paintAndRecord(StringGrid* grid, QImage* image = nullptr)
{
    QMap<QPair<int, int>, Drawn> cells;
    auto conn = QObject::connect(grid, &StringGrid::drawCell, grid,
                                 [&cells](QPainter*, int c, int r, const QRect& rect, StringGrid::DrawState s) {
                                     Drawn& d = cells[qMakePair(c, r)];
                                     ++d.count;
                                     d.rect = rect;
                                     d.state = s;
                                 });
    const QImage img = grid->viewport()->grab().toImage();
    QObject::disconnect(conn);
    if (image)
        *image = img;
    return cells;
}

} // namespace

void TestStringGrid::defaultsAndStartCell()
{
    StringGrid g;
    QCOMPARE(g.colCount(), 5);
    QCOMPARE(g.rowCount(), 5);
    QCOMPARE(g.fixedCols(), 1);
    QCOMPARE(g.fixedRows(), 1);
    QCOMPARE(g.defaultColWidth(), 64);
    QCOMPARE(g.defaultRowHeight(), 24);
    QCOMPARE(g.col(), 1);
    QCOMPARE(g.row(), 1);

    // A grid without headers starts at its top-left cell.
    g.setFixedCols(0);
    g.setFixedRows(0);
    QCOMPARE(g.col(), 0);
    QCOMPARE(g.row(), 0);
}

void TestStringGrid::pressRules_data()
{
    QTest::addColumn<QPoint>("cell"); // (-1, -1): beyond the last column; (-2, -2): beyond the last row
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QPoint>("expected");

    const QPoint start(1, 1);
    QTest::newRow("left on a plain cell") << QPoint(3, 2) << Qt::LeftButton << Qt::KeyboardModifiers() << QPoint(3, 2);
    QTest::newRow("ctrl left on a plain cell")
        << QPoint(3, 2) << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ControlModifier) << QPoint(3, 2);
    QTest::newRow("right") << QPoint(3, 2) << Qt::RightButton << Qt::KeyboardModifiers() << start;
    QTest::newRow("ctrl right") << QPoint(3, 2) << Qt::RightButton << Qt::KeyboardModifiers(Qt::ControlModifier)
                                << start;
    QTest::newRow("middle") << QPoint(3, 2) << Qt::MiddleButton << Qt::KeyboardModifiers() << start;
    QTest::newRow("shift left") << QPoint(3, 2) << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier) << start;
    QTest::newRow("fixed column") << QPoint(0, 3) << Qt::LeftButton << Qt::KeyboardModifiers() << start;
    QTest::newRow("fixed row") << QPoint(3, 0) << Qt::LeftButton << Qt::KeyboardModifiers() << start;
    QTest::newRow("beyond the last column") << QPoint(-1, -1) << Qt::LeftButton << Qt::KeyboardModifiers() << start;
    QTest::newRow("beyond the last row") << QPoint(-2, -2) << Qt::LeftButton << Qt::KeyboardModifiers() << start;
}

void TestStringGrid::pressRules()
{
    QFETCH(QPoint, cell);
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QPoint, expected);

    Window w;
    QVERIFY(w.show());
    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(1, 1));

    // 5 columns of 64 and 5 rows of 24, each with its line, end at 325 and 125.
    QPoint pos;
    if (cell == QPoint(-1, -1))
        pos = QPoint(360, 50);
    else if (cell == QPoint(-2, -2))
        pos = QPoint(100, 160);
    else
        pos = w.centre(cell.x(), cell.y());

    QTest::mouseClick(w.vp(), button, modifiers, pos);

    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), expected);
    QCOMPARE(w.ups.size(), 1);
    QCOMPARE(w.ups[0].button, button);
    QCOMPARE(w.ups[0].modifiers, modifiers);
    QCOMPARE(QPoint(w.ups[0].x, w.ups[0].y), pos);
}

void TestStringGrid::secondPressOfDoubleClickKeepsCurrent()
{
    Window w;
    QVERIFY(w.show());
    const QPoint p = w.centre(3, 3);
    sendMouse(w.vp(), QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, {}, p);
    sendMouse(w.vp(), QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, {}, p);
    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(1, 1));
    QCOMPARE(w.ups.size(), 1);
}

void TestStringGrid::shiftExtendsRangeOnly()
{
    Window w;
    QVERIFY(w.show());
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, w.centre(2, 2));
    QTest::mouseClick(w.vp(), Qt::LeftButton, Qt::ShiftModifier, w.centre(4, 3));
    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(2, 2));

    const auto cells = paintAndRecord(w.grid);
    for (int c = 1; c < 5; ++c) {
        for (int r = 1; r < 5; ++r) {
            const bool inRange = c >= 2 && c <= 4 && r >= 2 && r <= 3;
            QVERIFY2(bool(cells[qMakePair(c, r)].state & StringGrid::Selected) == inRange,
                     qPrintable(QString("cell %1,%2").arg(c).arg(r)));
        }
    }
}

void TestStringGrid::dragKeepsCurrentCell()
{
    Window w;
    QVERIFY(w.show());
    QTest::mousePress(w.vp(), Qt::LeftButton, {}, w.centre(2, 2));
    dragTo(w.vp(), w.centre(3, 3));
    dragTo(w.vp(), w.centre(4, 4));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ControlModifier, w.centre(4, 4));

    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(2, 2));
    QCOMPARE(w.ups.size(), 1);
    QCOMPARE(w.ups[0].button, Qt::LeftButton);
    QCOMPARE(w.ups[0].modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));

    const auto cells = paintAndRecord(w.grid);
    QVERIFY(cells[qMakePair(4, 4)].state & StringGrid::Selected);
    QVERIFY(cells[qMakePair(3, 2)].state & StringGrid::Selected);
    QVERIFY(!(cells[qMakePair(1, 1)].state & StringGrid::Selected));
}

void TestStringGrid::borderDrag_data()
{
    QTest::addColumn<bool>("sizing");
    QTest::newRow("column sizing on") << true;
    QTest::newRow("column sizing off") << false;
}

void TestStringGrid::borderDrag()
{
    QFETCH(bool, sizing);
    Window w;
    w.grid->setColSizing(sizing);
    QVERIFY(w.show());

    // The line right of column 2: in the fixed row, where sizing grabs it, or
    // in row 3, where it is part of the cell on its left.
    const QRect r = w.grid->cellRect(2, sizing ? 0 : 3);
    const QPoint border(r.right() + 1, r.center().y());
    QTest::mousePress(w.vp(), Qt::LeftButton, {}, border);
    dragTo(w.vp(), border + QPoint(30, 0));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, Qt::ControlModifier, border + QPoint(30, 0));

    QCOMPARE(w.ups.size(), 1);
    QCOMPARE(w.ups[0].button, Qt::LeftButton);
    QCOMPARE(w.ups[0].modifiers, Qt::KeyboardModifiers(Qt::ControlModifier));
    if (sizing) {
        QCOMPARE(w.grid->colWidth(2), 94);
        QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(1, 1));
        // Only that column moved its right edge; the next one starts after it.
        QCOMPARE(w.grid->colWidth(1), 64);
        QCOMPARE(w.grid->colWidth(3), 64);
        QCOMPARE(w.grid->cellRect(3, 3).left(), r.left() + 94 + 1);
    } else {
        // The line belongs to the cell on its left: a plain press there.
        QCOMPARE(w.grid->colWidth(2), 64);
        QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(2, 3));
    }

    w.grid->setDefaultColWidth(50);
    for (int c = 0; c < 5; ++c)
        QCOMPARE(w.grid->colWidth(c), 50);
    QCOMPARE(w.grid->cellRect(3, 3).left(), 3 * 51);
}

void TestStringGrid::rowBorderDrag()
{
    Window w;
    w.grid->setRowSizing(true);
    QVERIFY(w.show());
    // The line below row 2, in the fixed column, where sizing grabs it.
    const QRect r = w.grid->cellRect(0, 2);
    const QPoint border(r.center().x(), r.bottom() + 2);
    QTest::mousePress(w.vp(), Qt::LeftButton, {}, border);
    dragTo(w.vp(), border + QPoint(0, 10));
    QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, border + QPoint(0, 10));

    QCOMPARE(w.grid->rowHeight(2), 34);
    QCOMPARE(w.grid->rowHeight(3), 24);
    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(1, 1));
    QCOMPARE(w.ups.size(), 1);

    w.grid->setDefaultRowHeight(18);
    QCOMPARE(w.grid->rowHeight(2), 18);
}

// Columns and rows of other sizes than the default: a cell's first pixel and the
// last pixel of its line are that cell's.
void TestStringGrid::firstPixelAfterSizingHitsTheCell()
{
    Window w;
    QVERIFY(w.show());
    w.grid->setColWidth(1, 90);
    w.grid->setColWidth(3, 20);
    w.grid->setRowHeight(2, 40);
    w.grid->setRowHeight(3, 7);
    for (int c = 1; c < 5; ++c)
        for (int r = 1; r < 5; ++r) {
            const QRect cell = w.grid->cellRect(c, r);
            for (const QPoint p : {cell.topLeft(), cell.bottomRight() + QPoint(1, 1)}) {
                QTest::mouseClick(w.vp(), Qt::LeftButton, {}, p);
                QVERIFY2(QPoint(w.grid->col(), w.grid->row()) == QPoint(c, r),
                         qPrintable(QStringLiteral("(%1, %2) went to cell (%3, %4), not (%5, %6)")
                                        .arg(p.x())
                                        .arg(p.y())
                                        .arg(w.grid->col())
                                        .arg(w.grid->row())
                                        .arg(c)
                                        .arg(r)));
            }
        }
}

// Set up as the student list: columns sized from the header row, rows from the
// number column. A press on a line among the names is a press on the cell the
// line belongs to, and a drag from it selects, never sizes.
void TestStringGrid::lineAmongDataCellsSelectsAndNeverSizes()
{
    Window w;
    w.grid->setColSizing(true);
    w.grid->setRowSizing(true);
    w.grid->setRangeSelect(true);
    QVERIFY(w.show());
    const QRect cell = w.grid->cellRect(1, 2); // the name column, next to the numbers
    const QPoint rowLine(cell.center().x(), cell.bottom() + 1);
    const QPoint colLine(cell.right() + 1, cell.center().y());
    for (const QPoint p : {rowLine, colLine}) {
        w.grid->setCurrentCell(3, 3);
        QTest::mouseClick(w.vp(), Qt::LeftButton, {}, p);
        QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(1, 2));

        w.grid->setCurrentCell(3, 3);
        QTest::mousePress(w.vp(), Qt::LeftButton, {}, p);
        dragTo(w.vp(), w.centre(2, 3));
        QTest::mouseRelease(w.vp(), Qt::LeftButton, {}, w.centre(2, 3));
        QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(1, 2));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(w.grid->colWidth(i), 64);
            QCOMPARE(w.grid->rowHeight(i), 24);
        }
        const auto cells = paintAndRecord(w.grid);
        QVERIFY(cells[qMakePair(2, 3)].state & StringGrid::Selected);
    }
}

void TestStringGrid::textsSurviveCountChanges()
{
    StringGrid g;
    g.setCell(3, 3, "x");
    QCOMPARE(g.cell(3, 3), QString("x"));
    g.setColCount(2);
    QCOMPARE(g.cell(3, 3), QString());
    g.setColCount(5);
    QCOMPARE(g.cell(3, 3), QString("x"));

    // Out of range: ignored, and nothing appears when the grid grows later.
    g.setCell(7, 1, "y");
    g.setCell(-1, 0, "z");
    g.setColCount(10);
    QCOMPARE(g.cell(7, 1), QString());
    QCOMPARE(g.cell(-1, 0), QString());
    QCOMPARE(g.cell(0, 99), QString());

    g.setCell(3, 3, QString());
    QCOMPARE(g.cell(3, 3), QString());
}

void TestStringGrid::currentCellFollowsCounts()
{
    StringGrid g;
    g.setCurrentCell(4, 4);
    QCOMPARE(QPoint(g.col(), g.row()), QPoint(4, 4));
    g.setRowCount(3);
    QCOMPARE(g.row(), 2);
    // Only the fixed column is left: the current cell can only be there.
    g.setColCount(1);
    QCOMPARE(g.col(), 0);
    // With plain columns back it leaves the fixed one.
    g.setColCount(5);
    QCOMPARE(g.col(), 1);
    // Never on a fixed cell while plain cells exist.
    g.setCurrentCell(0, 0);
    QCOMPARE(QPoint(g.col(), g.row()), QPoint(1, 1));
}

void TestStringGrid::rowOffsetsFollowHeights()
{
    StringGrid g;
    g.resize(400, 400);
    g.setFrameShape(QFrame::NoFrame);
    g.setRowCount(10);
    g.setRowHeight(3, 40);
    QCOMPARE(g.cellRect(1, 3).height(), 40);
    QCOMPARE(g.cellRect(1, 4).top(), g.cellRect(1, 3).bottom() + 2);
    QCOMPARE(g.cellRect(1, 4).top(), 3 * 25 + 41);
    g.setColWidth(0, 20);
    QCOMPARE(g.cellRect(1, 1).left(), 21);
    QCOMPARE(g.cellRect(4, 1).left(), 21 + 3 * 65);
    // Beyond the counts there is no rectangle.
    QCOMPARE(g.cellRect(5, 1), QRect());
    QCOMPARE(g.cellRect(1, 10), QRect());
}

void TestStringGrid::drawCellStates()
{
    Window w;
    QVERIFY(w.show());
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, w.centre(2, 2));
    QTest::mouseClick(w.vp(), Qt::LeftButton, Qt::ShiftModifier, w.centre(3, 3));
    QVERIFY(w.grid->hasFocus());

    auto cells = paintAndRecord(w.grid);
    QCOMPARE(cells.size(), 25);
    for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
        const int c = it.key().first, r = it.key().second;
        QCOMPARE(it->count, 1);
        QCOMPARE(it->rect, w.grid->cellRect(c, r));
        StringGrid::DrawState expected;
        if (c == 0 || r == 0)
            expected = StringGrid::Fixed;
        else if (c >= 2 && c <= 3 && r >= 2 && r <= 3)
            expected = StringGrid::Selected;
        if (c == 2 && r == 2)
            expected |= StringGrid::Focused;
        QVERIFY2(
            it->state == expected,
            qPrintable(
                QString("cell %1,%2: state %3, expected %4").arg(c).arg(r).arg(int(it->state)).arg(int(expected))));
    }

    // Without the focus the current cell is only selected.
    w.other->setFocus();
    QVERIFY(!w.grid->hasFocus());
    cells = paintAndRecord(w.grid);
    QVERIFY(cells[qMakePair(2, 2)].state == StringGrid::DrawState(StringGrid::Selected));
}

void TestStringGrid::paintColours()
{
    Window w;
    w.grid->setColor(QColor(255, 0, 255));
    QVERIFY(w.show());
    QTest::mouseClick(w.vp(), Qt::LeftButton, {}, w.centre(2, 2));
    QTest::mouseClick(w.vp(), Qt::LeftButton, Qt::ShiftModifier, w.centre(3, 2));

    QImage img;
    paintAndRecord(w.grid, &img);
    // A spot inside a cell but away from any text: its lower right corner.
    auto inside = [&](int c, int r) { return img.pixelColor(w.grid->cellRect(c, r).bottomRight() - QPoint(3, 3)); };
    const QPalette pal = w.grid->palette();

    QCOMPARE(img.pixelColor(360, 50), QColor(255, 0, 255));  // beyond the last column
    QCOMPARE(img.pixelColor(100, 160), QColor(255, 0, 255)); // beyond the last row
    QCOMPARE(inside(4, 4), QColor(255, 0, 255));             // a plain cell
    QCOMPARE(inside(2, 2), QColor(255, 0, 255));             // the focused current cell
    QCOMPARE(inside(3, 2), pal.color(QPalette::Highlight));  // selected
    QCOMPARE(inside(0, 3), pal.color(QPalette::Button));     // fixed
    const QRect r = w.grid->cellRect(4, 4);
    QVERIFY(img.pixelColor(r.right() + 1, r.center().y()) != QColor(255, 0, 255)); // the line after it
}

void TestStringGrid::ownTextStaysInItsCell()
{
    Window w;
    w.grid->setColor(Qt::white);
    w.grid->setFontColor(Qt::black);
    w.grid->setCell(4, 3, QString(40, QChar('W')));
    QVERIFY(w.show());

    QImage img;
    paintAndRecord(w.grid, &img);
    const QRect r = w.grid->cellRect(4, 3);
    int inkInside = 0, inkOutside = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x)
            inkInside += img.pixelColor(x, y).lightness() < 128;
        for (int x = r.right() + 2; x < img.width(); ++x)
            inkOutside += img.pixelColor(x, y) != QColor(Qt::white);
    }
    QVERIFY(inkInside > 0);
    QCOMPARE(inkOutside, 0);
}

void TestStringGrid::handlerMayPaintOutsideItsCell()
{
    Window w;
    w.grid->setColor(Qt::white);
    QVERIFY(w.show());
    const QRect last = w.grid->cellRect(4, 2);
    QObject::connect(w.grid, &StringGrid::drawCell, w.grid,
                     [](QPainter* p, int c, int r, const QRect& rect, StringGrid::DrawState) {
                         // A wide name centred on the last cell of row 2 reaches past both edges.
                         if (c == 4 && r == 2)
                             p->fillRect(rect.adjusted(-20, 0, 20, 0), Qt::red);
                     });
    const QImage img = w.vp()->grab().toImage();
    QCOMPARE(img.pixelColor(last.right() + 15, last.center().y()), QColor(Qt::red)); // over the background
    QCOMPARE(img.pixelColor(last.left() - 15, last.center().y()), QColor(Qt::red));  // over the cell before
}

void TestStringGrid::largeListPaintsOnlyVisibleRows()
{
    StringGrid g;
    g.setFrameShape(QFrame::NoFrame);
    g.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    g.setColCount(2);
    g.setDefaultRowHeight(18);
    g.setRowCount(100000);
    g.resize(131, 362);
    g.setCell(1, 50001, "name");
    const int height = g.viewport()->height();
    const int fits = height / 19 + 1; // rows that reach into the viewport, the last one partly

    auto cells = paintAndRecord(&g);
    QVERIFY2(cells.size() <= 2 * fits, qPrintable(QString::number(cells.size())));
    QVERIFY(cells.contains(qMakePair(1, 1)));
    QVERIFY(!cells.contains(qMakePair(1, fits + 1)));

    // Scrolled to the middle: the header row stays, the rows start at 50001.
    g.verticalScrollBar()->setValue(50000);
    cells = paintAndRecord(&g);
    QVERIFY(cells.size() <= 2 * fits);
    QVERIFY(cells.contains(qMakePair(1, 0)));
    QVERIFY(cells.contains(qMakePair(1, 50001)));
    QVERIFY(!cells.contains(qMakePair(1, 50000)));
    QCOMPARE(g.cellRect(1, 50001).top(), 19);
    QCOMPARE(g.cellRect(1, 50000), QRect());

    // Scrolled to the end, the last row is shown whole.
    g.verticalScrollBar()->setValue(g.verticalScrollBar()->maximum());
    cells = paintAndRecord(&g);
    QVERIFY(cells.contains(qMakePair(1, 99999)));
    QVERIFY(g.cellRect(1, 99999).bottom() < height);
    QVERIFY(cells.size() <= 2 * fits);
}

void TestStringGrid::arrowKeysMoveCurrentCell()
{
    Window w;
    QVERIFY(w.show());
    w.grid->setFocus();
    QTest::keyClick(w.grid, Qt::Key_Right);
    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(2, 1));
    QTest::keyClick(w.grid, Qt::Key_Down);
    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(2, 2));
    QTest::keyClick(w.grid, Qt::Key_Left);
    QTest::keyClick(w.grid, Qt::Key_Left);
    QCOMPARE(QPoint(w.grid->col(), w.grid->row()), QPoint(1, 2)); // not into the fixed column
}
