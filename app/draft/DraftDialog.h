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
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
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

    DraftDialog(kelmora::DraftConditions& conditions, const kelmora::Roster& roster, const kelmora::SeatTable& seats,
                int columns, int rows, kelmora::NameMode mode, Apply apply, QWidget* parent = nullptr);
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
    QTableView* StudentGrid = nullptr; // 番, 名前, 前方, 固定, 男女
    QTableWidget* DeskGrid = nullptr;  // the room, the teacher's desk below it
    QLabel* DeskCaption = nullptr;
    QListWidget* ApartList = nullptr;
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
    void showApartGroups();
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
    std::mt19937_64 rng_;
    std::optional<kelmora::Draft> shown_; // the draw on view, until a condition changes
    bool filling_ = false;

    StudentMarksModel* students_ = nullptr;
    std::vector<QWidget*> conditionControls_;           // greyed while a draw searches
    QFutureWatcher<kelmora::Draft>* watcher_ = nullptr; // the running draw's; none when not searching
    Run running_;
    std::vector<Run> abandoned_; // stopped draws whose threads may still be ending
    QTimer* busyTimer_ = nullptr;
    QTimer* limitTimer_ = nullptr; // the time limit, kept here too in case a draw overruns it
    bool searching_ = false;
    bool decideWhenFound_ = false;
};
