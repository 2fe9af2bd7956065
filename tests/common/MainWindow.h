#pragma once
// A fresh program state and main window for a test, shown and exposed on the
// offscreen platform; closed in the reverse order of the program's own.
#include "app/ProgramState.h"
#include "app/form1/TForm1.h"

#include <QTest>

#include <memory>

namespace testing {

[[nodiscard]] inline bool openMainWindow(std::unique_ptr<kelmora::ProgramState>& state, std::unique_ptr<TForm1>& form)
{
    state = std::make_unique<kelmora::ProgramState>();
    form = std::make_unique<TForm1>(*state);
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
}

inline void closeMainWindow(std::unique_ptr<kelmora::ProgramState>& state, std::unique_ptr<TForm1>& form)
{
    form.reset();
    state.reset();
}

} // namespace testing
