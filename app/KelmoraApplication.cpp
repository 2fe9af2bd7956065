#include "app/KelmoraApplication.h"

#include "app/AppTitle.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProxyStyle>
#include <QSettings>
#include <QTranslator>

#include <fontconfig/fontconfig.h>

#include <future>
#include <stdexcept>

namespace kelmora {

QString MessageTitle()
{
    return QGuiApplication::applicationDisplayName();
}

void ShowException(std::exception_ptr error)
{
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
        // An error of a kind that carries no message is shown with an empty one.
    }
    QMessageBox box(QMessageBox::Critical, MessageTitle(), message, QMessageBox::Ok);
    box.exec();
}

namespace {

// Hints come up after the pointer has rested 500 ms.
class HintStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ToolTip_WakeUpDelay)
            return 500;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

// fontconfig's first call reads its configuration files and font caches: a fifth
// of the work before the window first shows. QApplication's constructor mostly waits on the
// display server, so the reading is done on a helper thread meanwhile. fontconfig
// keeps the configuration it read, and Qt's own first call then finds it ready.
namespace {
std::future<void> fontConfigRead;
}

int& KelmoraApplication::ReadFontConfigMeanwhile(int& argc)
{
    fontConfigRead = std::async(std::launch::async, [] { FcInit(); });
    return argc;
}

KelmoraApplication::KelmoraApplication(int& argc, char** argv) : QApplication(ReadFontConfigMeanwhile(argc), argv)
{
    // Before any widget asks for a font; two threads reading the configuration
    // at once would both do all the work.
    fontConfigRead.get();
    setApplicationDisplayName(ApplicationTitle());
    setStyle(new HintStyle);
    // Kelmora keeps nothing between runs. Qt's file dialogs would remember their
    // last folder in the user's settings; they get a scratch folder instead,
    // which goes when the program ends.
    settingsScratch_ = std::make_unique<QTemporaryDir>();
    if (settingsScratch_->isValid()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsScratch_->path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsScratch_->path());
    }
    // Everything the teacher reads is Japanese, whatever the desktop's language:
    // also the buttons and questions of Qt's own dialogs.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* qtTexts = new QTranslator(this);
    if (qtTexts->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(qtTexts);
}

KelmoraApplication::~KelmoraApplication() = default;

bool KelmoraApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowException(std::current_exception());
        return false;
    }
}

} // namespace kelmora
