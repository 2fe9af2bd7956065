#pragma once
// A fresh program state and main window for a test, shown and exposed on the
// offscreen platform; closed in the reverse order of the program's own.
// Test classes derive from WindowTest (common/WindowTest.h), which does this
// around every test function.
#include "app/ProgramState.h"
#include "app/form1/TForm1.h"

#include <QTest>

#include <functional>
#include <memory>

namespace testing {

// `beforeShow` runs on the made window before it is shown.
[[nodiscard]] inline bool openMainWindow(std::unique_ptr<kelmora::ProgramState>& state, std::unique_ptr<TForm1>& form,
                                         const std::function<void(TForm1&)>& beforeShow = {})
{
    state = std::make_unique<kelmora::ProgramState>();
    form = std::make_unique<TForm1>(*state);
    if (beforeShow)
        beforeShow(*form);
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
}

inline void closeMainWindow(std::unique_ptr<kelmora::ProgramState>& state, std::unique_ptr<TForm1>& form)
{
    form.reset();
    state.reset();
}

} // namespace testing
