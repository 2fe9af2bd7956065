#include "app/year/RoomDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace kelmora;

RoomDialog::RoomDialog(GroupShape groups, WindowSide windows, int columns, int rows, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("班と窓側"));

    Grouped = new QCheckBox(QStringLiteral("班に分ける(&G)"));
    Grouped->setChecked(!groups.none());
    const auto spin = [](int value, int most) {
        auto* s = new QSpinBox;
        s->setRange(1, std::max(most, 1));
        s->setValue(std::clamp(value, 1, std::max(most, 1)));
        return s;
    };
    // A 班 larger than the room is the whole room: the spin boxes stop there.
    GroupWidth = spin(groups.none() ? 2 : groups.width, columns);
    GroupHeight = spin(groups.none() ? 2 : groups.height, rows);
    auto* shape = new QHBoxLayout;
    shape->addWidget(new QLabel(QStringLiteral("横")));
    shape->addWidget(GroupWidth);
    shape->addWidget(new QLabel(QStringLiteral("席 × 縦")));
    shape->addWidget(GroupHeight);
    shape->addWidget(new QLabel(QStringLiteral("席")));
    shape->addStretch();
    const auto enable = [this](bool on) {
        GroupWidth->setEnabled(on);
        GroupHeight->setEnabled(on);
    };
    enable(Grouped->isChecked());
    connect(Grouped, &QCheckBox::toggled, this, enable);
    auto* note = new QLabel(QStringLiteral("班は教卓の側から、表の左から区切ります。割り切れないときは、"
                                           "後ろと右の班が小さくなります。"));
    note->setWordWrap(true);
    auto* groupBox = new QGroupBox(QStringLiteral("班の形"));
    auto* g = new QVBoxLayout(groupBox);
    g->addWidget(Grouped);
    g->addLayout(shape);
    g->addWidget(note);

    WindowsRight = new QRadioButton(QStringLiteral("生徒から見て左(表の右)(&L)"));
    WindowsLeft = new QRadioButton(QStringLiteral("生徒から見て右(表の左)(&R)"));
    (windows == WindowSide::Left ? WindowsLeft : WindowsRight)->setChecked(true);
    auto* windowBox = new QGroupBox(QStringLiteral("窓側"));
    auto* w = new QVBoxLayout(windowBox);
    w->addWidget(WindowsRight);
    w->addWidget(WindowsLeft);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* all = new QVBoxLayout(this);
    all->addWidget(groupBox);
    all->addWidget(windowBox);
    all->addWidget(buttons);
}

GroupShape RoomDialog::groups() const
{
    return Grouped->isChecked() ? GroupShape{GroupWidth->value(), GroupHeight->value()} : GroupShape{};
}

WindowSide RoomDialog::windows() const
{
    return WindowsLeft->isChecked() ? WindowSide::Left : WindowSide::Right;
}
