#pragma once
#include "draft/DraftSetup.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <random>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTableWidget;

// 席替え: the teacher sets the conditions, may draw as often as they like and look
// at each draw here; 決定 puts the draw shown (or a fresh one) on the desks. The
// conditions are written to `conditions` as they change, so they stay for the
// next time. The arrangement on the desks stays the reference for 固定, 全員移動
// and 隣を変える until 決定.
class DraftDialog : public QDialog {
    Q_OBJECT

public:
    using Apply = std::function<void(const std::vector<kelmora::DraftSeat>&)>;

    DraftDialog(kelmora::DraftConditions& conditions, const kelmora::Roster& roster, const kelmora::SeatTable& seats,
                int columns, int rows, kelmora::NameMode mode, Apply apply, QWidget* parent = nullptr);
    ~DraftDialog() override;

    // The controls, public so that tests reach them by name.
    QTableWidget* StudentGrid = nullptr; // 番, 名前, 前方, 固定, 男女
    QTableWidget* DeskGrid = nullptr;    // the room, the teacher's desk below it
    QLabel* DeskCaption = nullptr;
    QListWidget* ApartList = nullptr;
    QSpinBox* FrontRows = nullptr;
    QCheckBox* EveryoneMoves = nullptr;
    QCheckBox* NewNeighbours = nullptr;
    QRadioButton* MixNone = nullptr;
    QRadioButton* MixColumns = nullptr;
    QRadioButton* MixChecker = nullptr;
    QLabel* Reason = nullptr;
    QPushButton* DrawButton = nullptr;
    QPushButton* DecideButton = nullptr;
    QPushButton* CloseButton = nullptr;

    void DrawButtonClick();
    void DecideButtonClick();
    void DeskGridClick(int row, int column); // marks a desk unused, or uses it again
    void AddApartClick();                    // the selected students are kept apart
    void RemoveApartClick();

private:
    void fillControls();
    void conditionsChanged();
    void showDesks();
    void showApartGroups();
    std::optional<kelmora::Draft> draw();

    kelmora::DraftConditions& conditions_;
    const kelmora::Roster& roster_;
    const kelmora::SeatTable& seats_;
    int columns_;
    int rows_;
    kelmora::NameMode mode_;
    Apply apply_;
    std::mt19937_64 rng_;
    std::optional<kelmora::Draft> shown_; // the draw on view, until a condition changes
    bool filling_ = false;
};
