#pragma once
// The base of the tests that drive the real main window.
//
//   class RoadTest : public testing::WindowTest {
//       Q_OBJECT
//   private slots:
//       void aCase() { load(path); ui()->DLoad->trigger(); click(ui()->StringGrid2, 0, 0); ... }
//   };
//
// init() gives each test function a fresh ProgramState (`state`) and TForm1
// (`form`), shown and exposed on the offscreen platform, and has the one modal
// answerer (`modals()`, common/ModalAnswerer.h) watch for windows; cleanup()
// closes the window and fails the test function for any window no step expected
// or any expected window that never came. A class that needs something of its
// own around a test function declares its own init() or cleanup() and calls these.
// Link kelmora_window_test (tests/common/CMakeLists.txt).
#include "app/ProgramState.h"
#include "app/form1/TForm1.h"
#include "common/ModalAnswerer.h"
#include "ui_Form1.h"

#include <QObject>

#include <memory>

namespace testing {

class WindowTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<kelmora::ProgramState> state;
    std::unique_ptr<TForm1> form;

    Ui::TForm1* ui() const { return form->ui.get(); }

    // Runs on the made window before it is shown (charts are not typeset unless
    // it switches form->typesetCharts on).
    virtual void beforeShow() {}

    void openWindow();
    void closeWindow();

    // Gives the main window activation back, as a desktop does when a dialog
    // closes; the offscreen platform does not, and shortcuts reach the active window only.
    void activate();
    // A key as the window system sends it: to the window, which hands it to the
    // focus widget, an open menu or the shortcuts. A menu command it starts may
    // run from the event loop, which is let run.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {});

    // A mouse click in the middle of a cell, scrolled into view first when it is out of it.
    void click(StringGrid* grid, int col, int row, Qt::KeyboardModifiers mods = {},
               Qt::MouseButton button = Qt::LeftButton);
    void ctrlClick(StringGrid* grid, int col, int row) { click(grid, col, row, Qt::ControlModifier); }

    // Loads a roster through the open dialog (an empty path cancels it); `then`
    // are the windows loading it must show after the dialog.
    void load(const QString& path, std::initializer_list<Step> then = {});
    // The same through ファイル(F) -> 生徒氏名読込(O), with the keys.
    void loadByKeys(const QString& path, std::initializer_list<Step> then = {});
    // load(), then 生徒氏名表示 and the placement page, the window active: where seating starts.
    void loadAndShow(const QString& path, std::initializer_list<Step> then = {});
    // The name on the list's row cut with Ctrl and a click, and pasted on the desk with a click.
    void place(int listRow, int col, int row);
    // Writes the chart through the save dialog (an empty path cancels it):
    // `replaces` answers the question before replacing a file with Yes,
    // `failure` (empty: none) is the message that must follow.
    void output(const QString& path, bool replaces = false, const QString& failure = {});

    // What the last window answered showed (a message box's text, the name a
    // file dialog offered); forgets the windows seen before it.
    static QString lastSaid();
    // The same once every window expected so far has been answered, waiting up
    // to `timeoutMs` for the ones still to come (a message after a child process).
    static QString saidWhenAnswered(int timeoutMs = 5000);
    // The problems with the modal windows since the last call, one a line; empty
    // when every window came as expected. QCOMPARE(modalProblems(), QString()) shows them.
    static QString modalProblems();

protected slots:
    void init();
    void cleanup();
};

} // namespace testing
