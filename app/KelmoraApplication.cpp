#include "app/KelmoraApplication.h"

#include "app/AppTitle.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProxyStyle>
#include <QSettings>
#include <QTranslator>

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

KelmoraApplication::KelmoraApplication(int& argc, char** argv) : QApplication(argc, argv)
{
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
