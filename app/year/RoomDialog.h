#pragma once
// 班と窓側: the classroom's 班の形 and the side its windows are on.
#include "seating/Room.h"

#include <QDialog>

class QCheckBox;
class QRadioButton;
class QSpinBox;

class RoomDialog : public QDialog {
    Q_OBJECT

public:
    RoomDialog(kelmora::GroupShape groups, kelmora::WindowSide windows, int columns, int rows,
               QWidget* parent = nullptr);

    kelmora::GroupShape groups() const;
    kelmora::WindowSide windows() const;

    QCheckBox* Grouped;   // 班に分ける
    QSpinBox* GroupWidth; // 横の席数
    QSpinBox* GroupHeight;
    QRadioButton* WindowsRight; // 生徒から見て左 (表の右)
    QRadioButton* WindowsLeft;
};
