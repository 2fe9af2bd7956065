#pragma once
#include "draft/DraftSetup.h"

#include <QDialog>
#include <QFuture>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTimer;
template <typename T>
class QFutureWatcher;
class StudentMarksModel;

// 席替え: the teacher sets the conditions, may draw as often as they like and look
// at each draw here; 決定 puts the draw shown (or a fresh one) on the desks. The
// conditions are written to `conditions` as they change, so they stay for the
// next time. The arrangement on the desks stays the reference for 固定, 全員移動
// and 隣を変える until 決定.
//
// A draw runs on a worker thread with its own copy of the problem, so the window
// keeps painting; after a moment the dialog shows that it is searching and offers
// 中止. A draw that is stopped, or runs out of time, changes nothing.
class DraftDialog : public QDialog {
    Q_OBJECT

public:
    using Apply = std::function<void(const std::vector<kelmora::DraftSeat>&)>;
    using DrawFunction =
        std::function<kelmora::Draft(const kelmora::DraftProblem&, std::uint64_t, const kelmora::DraftLimits&)>;

    // `past` is the arrangement's history, oldest first, for the year's conditions.
    DraftDialog(kelmora::DraftConditions& conditions, const kelmora::Roster& roster, const kelmora::SeatTable& seats,
                int columns, int rows, kelmora::NameMode mode, Apply apply, std::vector<kelmora::PastSeating> past = {},
                QWidget* parent = nullptr);
    // Stops a draw still running and gives its thread a moment to end; a thread
    // that takes longer only holds copies of its own and is joined at exit.
    ~DraftDialog() override;

    // How a draw is made and how long it may search; a test may set them before it draws.
    DrawFunction drawFunction;
    std::chrono::milliseconds timeLimit{10000};
    // How long a draw runs before the dialog shows that it is searching.
    static constexpr std::chrono::milliseconds kBusyAfter{200};
    // How long past the time limit the dialog waits for a draw to say so itself.
    static constexpr std::chrono::milliseconds kLimitGrace{1000};

    // The controls, public so that tests reach them by name.
    QTableView* StudentGrid = nullptr; // 番, 名前, 前方, 固定, 男女, 範囲, 班長
    QTableWidget* DeskGrid = nullptr;  // the room, the teacher's desk below it
    QLabel* DeskCaption = nullptr;
    QTabWidget* Tabs = nullptr; // 基本, 座席範囲, 離す・近づける, 班, 一年
    QListWidget* ApartList = nullptr;
    QPushButton* ApartButton = nullptr;
    QPushButton* RemoveApartButton = nullptr; // 組を外す
    // 座席範囲 of the selected students
    QComboBox* RangeKind = nullptr; // 前から, 後ろから, 窓側, 廊下側
    QSpinBox* RangeCount = nullptr;
    QPushButton* RangeButton = nullptr;       // the preset
    QPushButton* PickDesks = nullptr;         // a toggle: clicks on the room pick desks instead of marking them unused
    QPushButton* PickedRangeButton = nullptr; // the desks picked
    QPushButton* ClearRangeButton = nullptr;
    // 近づける
    QListWidget* TogetherList = nullptr;
    QRadioButton* NearBeside = nullptr;
    QRadioButton* NearAround = nullptr;
    QPushButton* TogetherButton = nullptr;
    QPushButton* RemoveTogetherButton = nullptr;
    // 班
    QCheckBox* Grouped = nullptr;
    QSpinBox* GroupWidth = nullptr;
    QSpinBox* GroupHeight = nullptr;
    QCheckBox* MixGroups = nullptr;
    QListWidget* SeparateList = nullptr;
    QPushButton* SeparateButton = nullptr;
    QPushButton* RemoveSeparateButton = nullptr;
    // The year
    QCheckBox* PastNeighbours = nullptr;
    QComboBox* PastNeighboursScope = nullptr; // 直近1回 ... 直近N回, これまで全部
    QCheckBox* PastDesks = nullptr;
    QComboBox* PastDesksScope = nullptr; // 直近1回 ... 直近N回
    QCheckBox* SwapHalves = nullptr;
    QLabel* YearNote = nullptr;
    QSpinBox* FrontRows = nullptr;
    QCheckBox* EveryoneMoves = nullptr;
    QCheckBox* NewNeighbours = nullptr;
    QRadioButton* MixNone = nullptr;
    QRadioButton* MixColumns = nullptr;
    QRadioButton* MixChecker = nullptr;
    QLabel* Reason = nullptr;
    QLabel* Searching = nullptr; // "探しています…" beside a moving bar, while a draw takes long
    QProgressBar* Busy = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* DrawButton = nullptr;
    QPushButton* DecideButton = nullptr;
    QPushButton* CloseButton = nullptr;

    bool searching() const { return searching_; }

    void DrawButtonClick();
    void DecideButtonClick();
    void StopButtonClick();
    void DeskGridClick(int row, int column); // marks a desk unused, or uses it again
    void AddApartClick();                    // the selected students are kept apart
    void RemoveApartClick();
    void RangeButtonClick(); // the preset becomes the selected students' range
    void PickedRangeButtonClick();
    void ClearRangeButtonClick();
    void AddTogetherClick();
    void RemoveTogetherClick();
    void AddSeparateClick();
    void RemoveSeparateClick();

public slots:
    void reject() override; // closing stops a draw first

protected:
    void keyPressEvent(QKeyEvent* event) override; // Esc while searching stops the draw, the dialog stays

private:
    // A draw on its thread: what it was started with that the dialog keeps.
    struct Run {
        QFuture<kelmora::Draft> future;
        std::shared_ptr<std::atomic<bool>> stop; // shared with the thread
    };

    void fillControls();
    void conditionsChanged();
    void showDesks();
    void showGroupLists();
    void showRemoveButtons(); // each list's 外す works on the group chosen there, only
    void showRoomState();     // what the 班 and the history allow, and the pick mode's caption
    void selectionChanged();
    std::vector<int> selectedPositions() const;
    void setRanges(const kelmora::SeatRange& range);
    void writeYear();
    void startDraw(bool thenDecide);
    void drawEnded();
    // Stops the running draw and waits no more for it: its thread ends on its own,
    // and what it finds is not used.
    void abandonDraw();
    void showSearching(bool on);
    QString failureText(const kelmora::Draft& draft) const;

    kelmora::DraftConditions& conditions_;
    const kelmora::Roster& roster_;
    const kelmora::SeatTable& seats_;
    int columns_;
    int rows_;
    kelmora::NameMode mode_;
    Apply apply_;
    std::vector<kelmora::PastSeating> past_;
    std::mt19937_64 rng_;
    std::optional<kelmora::Draft> shown_; // the draw on view, until a condition changes
    bool filling_ = false;

    StudentMarksModel* students_ = nullptr;
    QWidget* groupLines_ = nullptr;                     // the 班 borders over the room
    std::vector<QWidget*> conditionControls_;           // greyed while a draw searches
    std::vector<QWidget*> groupControls_;               // the conditions that need 班
    QFutureWatcher<kelmora::Draft>* watcher_ = nullptr; // the running draw's; none when not searching
    Run running_;
    std::vector<Run> abandoned_; // stopped draws whose threads may still be ending
    QTimer* busyTimer_ = nullptr;
    QTimer* limitTimer_ = nullptr; // the time limit, kept here too in case a draw overruns it
    bool searching_ = false;
    bool decideWhenFound_ = false;
};
