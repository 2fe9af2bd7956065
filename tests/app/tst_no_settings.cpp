// Kelmora keeps no settings between runs: using its file dialogs leaves nothing
// in the user's configuration folder.
#include "app/KelmoraApplication.h"
#include "app/form1/TForm1.h"
#include "common/ModalAnswerer.h"
#include "ui_Form1.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString configHome;
}

class NoSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void fileDialogsLeaveNoSettingsBehind()
    {
        {
            kelmora::ProgramState state;
            TForm1 form(state);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            testing::answerFileDialog(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster2.csv"));
            form.ui->Open->trigger();
            QCOMPARE(state.roster.studentCount, 40);
            form.ui->DLoad->trigger();
            QTemporaryDir out;
            testing::answerFileDialog(out.filePath(QStringLiteral("chart.tex")));
            form.ui->OutPut->trigger();
            QVERIFY(QFile::exists(out.filePath(QStringLiteral("chart.tex"))));
        } // the dialogs go with the window, which is when they would save
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
