// Kelmora keeps no settings between runs: using its file dialogs leaves nothing
// in the user's configuration folder.
#include "app/KelmoraApplication.h"
#include "common/WindowTest.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString configHome;
}

class NoSettingsTest : public testing::WindowTest {
    Q_OBJECT

private slots:
    void fileDialogsLeaveNoSettingsBehind()
    {
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster2.csv"));
        QCOMPARE(state->roster.studentCount, 40);
        ui()->DLoad->trigger();
        QTemporaryDir out;
        output(out.filePath(QStringLiteral("chart.tex")));
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("chart.tex"))));
        closeWindow(); // the dialogs go with the window, which is when they would save
        const QStringList left = QDir(configHome).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(u',')));
    }
};

int main(int argc, char** argv)
{
    QTemporaryDir home;
    configHome = home.path();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome));
    kelmora::KelmoraApplication app(argc, argv);
    NoSettingsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_no_settings.moc"
