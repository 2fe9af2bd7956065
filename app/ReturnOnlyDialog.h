#pragma once
#include <QDialog>

class QCloseEvent;

// A secondary window shown modally that only its own "戻る" button closes:
// no system menu or title-bar buttons, Esc and the window manager's close are
// ignored. Closing only hides it, so it keeps its state for the next showing.
class ReturnOnlyDialog : public QDialog {
    Q_OBJECT

public:
    explicit ReturnOnlyDialog(QWidget* parent = nullptr);

    // The "戻る" button: ends exec() and hides the window.
    void BitBtn1Click();

public slots:
    void reject() override;

protected:
    // After setupUi: the window takes the size of its controls (the layout's
    // maximum still caps it) and its place on the screen.
    void fitToControlsAt(const QPoint& place);
    void closeEvent(QCloseEvent* event) override;
};
