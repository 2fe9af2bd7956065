#pragma once
#include "app/KelmoraApplication.h"
#include "app/ProgramState.h"
#include "widgets/StringGrid.h"
#include "widgets/UpDown.h"

#include <QList>
#include <QMainWindow>
#include <QPixmap>
#include <memory>
#include <vector>

namespace Ui { class TForm1; }
class QPainter;
namespace kelmora { class InstanceLock; }
class QFileDialog;
class QTimer;
class TForm2;
class TForm3;
namespace kelmora { struct DraftSeat; }

// The main window. Its handlers are split by subsystem:
//   TForm1.cpp                start-up, close, tab change, help menu
//   MascotHandlers.cpp        Timer2Timer, Image1MouseMove, the banner label
//   RosterCommands.cpp        OpenClick, DLoadClick
//   SettingsPage.cpp          UpDown1Click, UpDown2Click, StringGrid1DrawCell
//   PlacementPage.cpp         the seat grid, the student list, Timer1Timer
//   OutputCommand.cpp         OutPutClick
//   DraftCommand.cpp          DraftClick, applyDraft
// Each handler reads the controls, calls the rules of its subsystem and updates
// the controls; the rules themselves know nothing of widgets.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    explicit TForm1(kelmora::ProgramState& state, QWidget* parent = nullptr);
    ~TForm1() override;

    // The manual and about windows, made by program entry after this window.
    void setHelpWindows(TForm2* manual, TForm3* about);

    // False when another instance of this executable runs (the guard has
    // already told the user); program entry then ends at once.
    bool holdsInstance() const;

    std::unique_ptr<Ui::TForm1> ui; // the controls, under their layout names
    kelmora::ProgramState& state;

    // Components without a place on screen. The file dialogs are made on first use.
    QFileDialog* openDialog();
    QFileDialog* saveDialog();
    QTimer* Timer1 = nullptr; // 300 ms, the teacher's desk blinking
    QTimer* Timer2 = nullptr; // 1000 ms, the mascot
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

    void DraftClick();
    // Puts a drawn arrangement on the desks and refreshes the grids: the one
    // change a seat change makes.
    void applyDraft(const std::vector<kelmora::DraftSeat>& seats);

    // Copies the student list and the desks of the grid size from the state
    // into the grids (after a rule has changed them).
    void showStudentList();
    void showSeat(int col, int row);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Connects a signal to a handler; whatever the handler throws is shown in an
    // error box and the program goes on.
    template <typename Sender, typename Signal, typename... Args>
    void bind(Sender* sender, Signal signal, void (TForm1::*handler)(Args...))
    {
        connect(sender, signal, this, [this, handler](Args... args) {
            kelmora::RunGuarded([&] { (this->*handler)(args...); });
        });
    }

    void connectHandlers();
    void connectMascot();  // MascotHandlers.cpp
    void connectRoster();  // RosterCommands.cpp
    void connectSettings(); // SettingsPage.cpp
    void connectPlacement(); // PlacementPage.cpp
    void connectOutput();  // OutputCommand.cpp
    void connectDraft();   // DraftCommand.cpp

    QFileDialog* OpenDialog1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    std::unique_ptr<kelmora::InstanceLock> instanceLock_; // the instance mutex
    bool instanceRefused_ = false;
    TForm2* manual_ = nullptr;
    TForm3* about_ = nullptr;
};
