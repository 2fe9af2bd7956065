#pragma once
#include "app/ReturnOnlyDialog.h"

class QShowEvent;
class QFrame;
class QTextEdit;
class QPushButton;

// The about window: the program's name and version. Made once by the main
// window when the Help menu first asks for it, and shown modally; only "戻る"
// closes it.
class TForm3 : public ReturnOnlyDialog {
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QTextEdit* Memo1 = nullptr;     // holds the about text
    QPushButton* BitBtn1 = nullptr; // "戻る"

protected:
    void showEvent(QShowEvent* event) override;

private:
    void fitLines();
};
