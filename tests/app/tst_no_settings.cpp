// Kelmora keeps nothing between runs but its list of recent files: using its file
// dialogs leaves only that list in the user's configuration folder.
#include "app/KelmoraApplication.h"
#include "common/WindowTest.h"

#include <QDir>
#include <QDirIterator>
#include <QSettings>
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
        QStringList left;
        QDirIterator it(configHome, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            left << QDir(configHome).relativeFilePath(it.next());
        QCOMPARE(left, QStringList({QStringLiteral("kelmora/kelmora.conf")}));
        QSettings kept(configHome + QStringLiteral("/kelmora/kelmora.conf"), QSettings::IniFormat);
        QCOMPARE(kept.allKeys(), QStringList({QStringLiteral("recentFiles")}));
        QCOMPARE(kept.value(QStringLiteral("recentFiles")).toStringList(),
                 QStringList({QStringLiteral(KELMORA_EXAMPLES_DIR "/roster2.csv")}));
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
