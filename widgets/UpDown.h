#pragma once
#include <QWidget>

#include <memory>

class QLineEdit;

// A spin button standing apart from the edit box it drives: two arrows, left and
// right or up and down, moving a position by its increment within min..max with
// no wrap-around. The "next" arrow (right, or up) adds the increment, the "prev"
// arrow (left, or down) subtracts it, so an increment of -1 turns them round.
// Each press first asks changingEx (a handler may refuse), then moves, writes the
// position into the associated edit box as decimal text and emits clicked.
class UpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int min READ min WRITE setMin)
    Q_PROPERTY(int max READ max WRITE setMax)
    Q_PROPERTY(int position READ position WRITE setPosition)
    Q_PROPERTY(int increment READ increment WRITE setIncrement)
    Q_PROPERTY(Qt::Orientation orientation READ orientation WRITE setOrientation)
    Q_PROPERTY(bool wrap READ wrap WRITE setWrap)

public:
    enum class Button { Next, Prev };
    enum class Direction { None, Up, Down };
    Q_ENUM(Button)
    Q_ENUM(Direction)

    explicit UpDown(QWidget* parent = nullptr);
    ~UpDown() override;

    int min() const;
    void setMin(int value);
    int max() const;
    void setMax(int value);
    int position() const;
    void setPosition(int value); // clamped; updates the edit box; no signals
    int increment() const;
    void setIncrement(int value);
    Qt::Orientation orientation() const;
    void setOrientation(Qt::Orientation orientation);
    bool wrap() const;
    void setWrap(bool on);

    void setAssociate(QLineEdit* edit);
    QLineEdit* associate() const;

    // Presses an arrow as the mouse does (tests and keyboard use it too).
    void press(Button button);

signals:
    // Before the position changes; newValue already lies within min..max.
    void changingEx(bool& allowChange, int newValue, UpDown::Direction direction);
    // After the position and the edit box have changed (also at an end of the range).
    void clicked(UpDown::Button button);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
