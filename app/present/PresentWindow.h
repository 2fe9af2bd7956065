#pragma once
#include "app/ProgramState.h"

#include <QList>
#include <QPoint>
#include <QRectF>
#include <QStringList>
#include <QWidget>

class QScreen;
class QVariantAnimation;

// 発表: the seats on the classroom's screen, full-screen, as the pupils see the
// room: the teacher's desk at the top and the room turned through 180 degrees,
// as on the chart's second page. The names start covered; Space, → (or a click,
// Page Down) uncovers the next desk in a random order, ← (Page Up) covers the last
// one again, Enter uncovers all the rest at once. Esc leaves. It only reads the
// program's state, drawing from it like the grids.
class PresentWindow : public QWidget {
    Q_OBJECT

public:
    // `columns` x `rows`: the seat grid's size; `ruby`: readings over the names.
    PresentWindow(const kelmora::ProgramState& state, int columns, int rows, bool ruby, QWidget* parent);

    // Full screen on a screen other than `current` when there is one.
    void showOn(QScreen* current);

    // The seated desks (column, row of the seat table) in the order they are uncovered.
    const QList<QPoint>& order() const { return order_; }
    int uncovered() const { return uncovered_; }
    // Where the desk at (column, row) of the seat table is drawn.
    QRectF deskRect(int column, int row) const;

    // The desks changed (an undo, a file opened, 席替え), perhaps the room's size too.
    void rearrange(int columns, int rows);

    void next();
    void back();
    void all();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Layout {
        QRectF teacher, grid;
        qreal hintHeight, margin;
    };
    Layout layout() const;
    // A name in its parts (family and given name), each with its reading when
    // readings are shown.
    struct Label {
        QStringList parts;
        QStringList readings;
    };
    Label labelAt(int column, int row) const;
    void uncoverTo(int count);

    const kelmora::ProgramState& state_;
    int columns_;
    int rows_;
    bool ruby_;
    QList<QPoint> order_;
    int uncovered_ = 0;
    int animatedFrom_ = 0; // the desks order_[animatedFrom_, uncovered_) are still coming in
    qreal progress_ = 1.0;
    QVariantAnimation* animation_;
};
