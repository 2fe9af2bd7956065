#pragma once
#include <QApplication>
#include <QTemporaryDir>

#include <exception>
#include <memory>
#include <utility>

namespace kelmora {

// The title that message boxes carry: the application's display name.
QString MessageTitle();

// Shows an error that escaped a handler in an error box, titled with the
// application title; the program then goes on.
void ShowException(std::exception_ptr error);

// Runs a handler; whatever it throws is shown and swallowed, so the event loop
// never sees an exception.
template <typename F>
void RunGuarded(F&& handler)
{
    try {
        std::forward<F>(handler)();
    } catch (...) {
        ShowException(std::current_exception());
    }
}

// The application object. Errors that escape an event handler of a widget
// (not one of our connected handlers, which RunGuarded covers) are shown the same way.
class KelmoraApplication : public QApplication {
    Q_OBJECT
public:
    KelmoraApplication(int& argc, char** argv);
    ~KelmoraApplication() override;
    bool notify(QObject* receiver, QEvent* event) override;

private:
    // Starts reading the font configuration on a helper thread; see the constructor.
    static int& ReadFontConfigMeanwhile(int& argc);

    std::unique_ptr<QTemporaryDir> settingsScratch_;
};

} // namespace kelmora
