#pragma once
#include "app/ReturnOnlyDialog.h"

class QFrame;
class QPlainTextEdit;
class QPushButton;

// The manual window: the user manual as read-only text. The main window makes
// it once, when the Help menu first asks for it, and shows it modally with
// exec(). Only "戻る" closes it, and closing only hides it, so the text stays
// scrolled where it was left.
class TForm2 : public ReturnOnlyDialog {
    Q_OBJECT

public:
    explicit TForm2(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr; // holds the manual text
    QPushButton* BitBtn1 = nullptr;  // "戻る"
};
