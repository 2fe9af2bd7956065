#pragma once
#include "app/KelmoraApplication.h"
#include "app/ProgramState.h"
#include "widgets/StringGrid.h"
#include "widgets/UpDown.h"

#include <QAction>
#include <QList>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

namespace Ui {
class TForm1;
}
class QPainter;
namespace kelmora {
class FileDoor;
class InstanceLock;
class PlacementChange;
struct Arrangement;
struct MatchedPlacement;
struct RosterTextNotes;
namespace import {
struct ListFile;
}
} // namespace kelmora
class ChartPdf;
class QFileDialog;
class QMenu;
class QTimer;
class QUndoStack;
class TForm2;
class TForm3;
namespace kelmora {
struct DraftSeat;
}

// The main window. Its handlers are split by subsystem:
//   TForm1.cpp                start-up, close, tab change, help menu
//   MascotHandlers.cpp        Timer2Timer, Image1MouseMove, the banner label
//   RosterCommands.cpp        OpenClick, DLoadClick
//   ImportCommand.cpp         ImportClick, importRoster
//   SettingsPage.cpp          UpDown1Click, UpDown2Click, StringGrid1DrawCell
//   PlacementPage.cpp         the seat grid, the student list, Timer1Timer, placement keys
//   EditCommands.cpp          undo and redo
//   ArrangementCommands.cpp   opening and saving arrangement files, the question on closing
//   OutputCommand.cpp         OutPutClick
//   DraftCommand.cpp          DraftClick, applyDraft
//   YearCommands.cpp          the 学級 menu: 班と窓側, 座席の履歴; recording the history
//   DesktopCommands.cpp       opening a file by its kind (command line, a second start, a drop,
//                             最近使ったファイル), the title, 発表
// Each handler reads the controls, calls the rules of its subsystem and updates
// the controls; the rules themselves know nothing of widgets.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    // `startFile`: the file named on the command line. When another instance runs,
    // it is handed to that one.
    explicit TForm1(kelmora::ProgramState& state, const QString& startFile = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // False when another instance of this executable runs (the guard has
    // already told the user); program entry then ends at once.
    bool holdsInstance() const;

    std::unique_ptr<Ui::TForm1> ui; // the controls, under their layout names
    kelmora::ProgramState& state;

    // Components without a place on screen. The file dialogs are made on first use.
    QFileDialog* openDialog();
    QFileDialog* saveDialog();
    // The manual and about windows, made on first use and then only hidden, so
    // that the manual stays scrolled where the teacher left it.
    TForm2* manualWindow();
    TForm3* aboutWindow();
    QTimer* Timer1 = nullptr;  // 300 ms, the teacher's desk blinking
    QTimer* Timer2 = nullptr;  // 1000 ms, the mascot
    QList<QPixmap> ImageList1; // the mascot's three 33 x 33 frames

    // Part of the public surface so that tests drive exactly what the user does.
    void FormCreate();
    void FormClose();
    void QuitClick();
    void PageControl1Changing();
    void ManualClick();
    void AboutClick();

    void Timer2Timer();
    void Image1MouseMove();
    void Panel2MouseMove();
    void Panel15MouseMove();
    void GroupBox1MouseMove();
    void GroupBox2MouseMove();

    void OpenClick();
    void DLoadClick();

    // 名簿を取り込む: a school's class list (CSV or .xlsx) through the preview
    // dialog. importRoster opens the dialog for `path` (a file given on the
    // command line or dropped comes here too); true when a roster was loaded.
    // Anything short of that leaves the roster and the desks as they were.
    void ImportClick();
    bool importRoster(const QString& path);
    // How long reading a list may take before a progress window says so (and
    // offers 中止). Tests set 0 to see that window.
    int listReadPatienceMs = 200;

    void UpDown1Click(UpDown::Button button);
    void UpDown2Click(UpDown::Button button);
    void StringGrid1DrawCell(QPainter* canvas, int col, int row, const QRect& rect, StringGrid::DrawState state);

    void StringGrid2DrawCell(QPainter* canvas, int col, int row, const QRect& rect, StringGrid::DrawState state);
    void UpDown3ChangingEx(bool& allowChange, int newValue, UpDown::Direction direction);
    void UpDown4ChangingEx(bool& allowChange, int newValue, UpDown::Direction direction);
    void UpDown5ChangingEx(bool& allowChange, int newValue, UpDown::Direction direction);
    void UpDown6ChangingEx(bool& allowChange, int newValue, UpDown::Direction direction);
    void UpDown7Click(UpDown::Button button);
    void BitBtn1Click();

    void StringGrid2MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void StringGrid3MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void StringGrid3DrawCell(QPainter* canvas, int col, int row, const QRect& rect, StringGrid::DrawState state);
    void BitBtn2Click();
    void Timer1Timer();

    void OutPutClick();
    // Whether 座席表出力 goes on to the PDF and its preview after writing the
    // chart. Tests that write hundreds of charts switch it off.
    bool typesetCharts = true;

    // The seat grid and the student list draw their texts straight from the
    // state; after a rule has changed the desks or the list, this repaints them
    // and gives the list its row count.
    void showPlacement();

    // Undo and redo. Every change of the desks, the student list or the cut queue
    // is one step of undoStack; its clean state marks the arrangement last saved
    // or opened.
    //
    // pushStateChange runs `change`, which may change any number of desks, list
    // cells and queued names through the rules, then records the difference as one
    // step named `text` and repaints the grids. A change that changes nothing
    // records nothing. Commands that rearrange many seats at once (opening an
    // arrangement, the clear buttons, a seating draft) go through it, e.g.
    //     pushStateChange(QStringLiteral("席替え"), [&] { applyDraft(...); });
    // The title, the settings and the geometry are not part of a step.
    void pushStateChange(const QString& text, const std::function<void()>& change);
    // A change already made and recorded step by step (the clicks).
    void pushPlacementChange(const QString& text, kelmora::PlacementChange change);
    QUndoStack* undoStack = nullptr;
    void UndoClick();
    void RedoClick();

    // Arrangement files (.kelmora).
    void OpenArrangementClick();
    void SaveArrangementClick();
    void SaveArrangementAsClick();
    // Opens the file at `path`: false (with a message naming the file) when it
    // could not, and then nothing has changed.
    bool openArrangement(const QString& path);
    // Saves to `path`; false (with a message) when it could not.
    bool saveArrangement(const QString& path);
    // Whether the desks, the queue or a recorded setting differ from the arrangement
    // last saved or opened (at start: from the start). The student list is not
    // part of an arrangement file: opening one lists the students not yet placed.
    bool arrangementChanged() const;

    // Every way a file comes in from outside the file dialogs (the command line, a
    // second start, a drop on the window, 最近使ったファイル) goes through openPath,
    // which decides by the file's kind: an arrangement opens as 座席配置を開く does,
    // after asking to save a changed one; a roster loads as 生徒氏名読込 does; a
    // spreadsheet or a CSV without student lines goes to openForeignRoster. False
    // (after a message naming the file) when nothing was opened.
    bool openPath(const QString& path);
    enum class FileKind { Arrangement, Roster, Spreadsheet, Other };
    // By the name's extension; a file of another name that starts as an
    // arrangement file does is one.
    static FileKind kindOf(const QString& path);
    // A roster file given by path, as 生徒氏名読込 loads it; a .csv without a
    // student line is handed to openForeignRoster instead.
    bool loadRosterFile(const QString& path);
    // Where rosters that are not in Kelmora's own form go: a spreadsheet (.xlsx) or a
    // CSV without "$" lines opens 名簿を取り込む's preview. True when a roster was loaded.
    bool openForeignRoster(const QString& path);

    // ファイル → 最近使ったファイル, newest first; kept in the user's configuration folder.
    QMenu* RecentFiles = nullptr;
    QStringList recentFiles() const { return recentFiles_; }
    // 発表: the seats on a full-screen window, as the class sees them.
    QAction* Present = nullptr;
    void PresentClick();

    // The title names the arrangement file and marks unsaved changes.
    void refreshTitle();

    void DraftClick();
    // Puts a drawn arrangement on the desks and refreshes the grids: the one
    // change a seat change makes.
    void applyDraft(const std::vector<kelmora::DraftSeat>& seats);

    // The 学級 menu (made in code, before ヘルプ): 班と窓側 and 座席の履歴 (Ctrl+H).
    QMenu* YearMenu = nullptr;
    QAction* RoomShape = nullptr;
    QAction* History = nullptr;
    void RoomShapeClick();
    void HistoryClick();
    // Records the desks of the grid as today's entry of the history: a chart was written.
    void recordHistory();
    // Puts the history's entry `index` on the desks: one undo step, as opening a file.
    void restoreHistory(std::size_t index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Connects a signal to a handler; whatever the handler throws is shown in an
    // error box and the program goes on.
    template <typename Sender, typename Signal, typename... Args>
    void bind(Sender* sender, Signal signal, void (TForm1::*handler)(Args...))
    {
        connect(sender, signal, this, [this, handler](Args... args) {
            kelmora::RunGuarded([&] { (this->*handler)(args...); });
            if constexpr (std::is_base_of_v<QAction, Sender>)
                takeKeyboardBack();
        });
    }

    // Makes this window the active one again once a menu command's modal window
    // has closed. A window manager does so itself; on a bare display, and on the
    // offscreen platform, nobody else does, and the menu bar's access keys would
    // then go nowhere.
    void takeKeyboardBack();

    void connectHandlers();
    void connectMascot();      // MascotHandlers.cpp
    void connectRoster();      // RosterCommands.cpp
    void connectImport();      // ImportCommand.cpp
    void connectSettings();    // SettingsPage.cpp
    void connectPlacement();   // PlacementPage.cpp
    void connectOutput();      // OutputCommand.cpp
    void connectEdit();        // EditCommands.cpp
    void connectArrangement(); // ArrangementCommands.cpp

    // The clicks of the placement page, also reached by keyboard.
    void actOnSeat(Qt::MouseButton button, bool ctrl);
    void actOnList(Qt::MouseButton button, bool ctrl);
    bool placementKey(StringGrid* grid, int key, Qt::KeyboardModifiers modifiers);

    // What an arrangement file records besides the desks and the queue, from the controls.
    kelmora::Arrangement recordedSettings() const;
    void applySettings(const kelmora::Arrangement& arrangement);
    // Asks whether to save a changed arrangement: false when the user cancels.
    bool askToSave();
    QFileDialog* arrangementDialog(bool save);
    // Every file dialog of the window, set up alike; `save` for a save dialog.
    QFileDialog* makeFileDialog(bool save, const QString& suffix, const QStringList& filters);
    QString arrangementPath_;
    QString rosterPath_; // the roster file loaded last
    // RosterCommands.cpp: the options and commands a loaded roster allows, and
    // which names a UTF-8 roster could not keep.
    void rosterLoaded(const kelmora::RosterTextNotes& notes);
    // The seat change's marks moved to the loaded roster's students; those it has
    // no more are named in one message.
    void draftFollowsRoster();
    // What a read roster file gives: the messages of a file that gave no students,
    // or the roster's options and commands. False when it gave no students.
    bool rosterRead(const QString& path, int result, const kelmora::RosterTextNotes& notes);
    // The arrangement as last saved or opened (at start: the start), to tell
    // whether closing would lose anything.
    std::unique_ptr<kelmora::Arrangement> savedSettings_;
    kelmora::SeatTable savedSeats_;
    kelmora::CutQueue savedQueue_;
    void arrangementKept(); // makes the present arrangement the saved one
    void connectDraft();    // DraftCommand.cpp
    void connectYear();     // YearCommands.cpp
    // Puts a matched placement on the desks as one undo step named `text`, the
    // students not on a desk back in the list; and names the ones not found.
    void putPlacement(const QString& text, const kelmora::MatchedPlacement& matched, kelmora::NameMode mode);
    void warnMissing(const kelmora::MatchedPlacement& matched,
                     const std::vector<kelmora::NamedStudent>& markedMissing = {});
    void connectDesktop(); // DesktopCommands.cpp

    // The one file a drag carries that Kelmora can open; empty for anything else.
    static QString openableDrop(const class QMimeData* data);
    void rememberFile(const QString& path);
    void showRecentFiles();
    void openRecent(const QString& path);
    QStringList recentFiles_;
    QString startFile_;
    kelmora::FileDoor* fileDoor_ = nullptr;
    void openHandedOver(const QString& path); // from a second start
    bool doorWanted_ = false;                 // this instance holds the lock; the door opens after the first frame

    QFileDialog* OpenDialog1 = nullptr;
    kelmora::import::ListFile readList(const QString& path); // ImportCommand.cpp
    QFileDialog* importOpenDialog_ = nullptr;
    QFileDialog* importSaveDialog_ = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    QString rosterFolder_;         // where the save dialog opens until a chart is saved
    QString chartFolder_;          // where the last chart was saved
    ChartPdf* chartPdf_ = nullptr; // made with the first chart
    QFileDialog* arrangementOpenDialog_ = nullptr;
    QFileDialog* arrangementSaveDialog_ = nullptr;
    std::unique_ptr<kelmora::InstanceLock> instanceLock_; // the instance mutex
    bool instanceRefused_ = false;
    TForm2* Form2 = nullptr;
    TForm3* Form3 = nullptr;
};
