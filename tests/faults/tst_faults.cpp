// Faults met by trying the program as a new user would, each on the real window
// with real key and mouse events.
#include "app/form1/TForm1.h"
#include "common/MainWindow.h"
#include "common/ModalAnswerer.h"
#include "ui_Form1.h"

#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace kelmora;

namespace {

const QString kExamples = QStringLiteral(KELMORA_EXAMPLES_DIR);

} // namespace

class FaultsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramState> state;
    std::unique_ptr<TForm1> form;
    QTemporaryDir dir;

    Ui::TForm1* ui() { return form->ui.get(); }

    // A key as the desktop delivers it: to the window, which hands it on to an
    // open menu or to the menu bar's access keys.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(form->windowHandle(), k, mods); }

    // The File menu's load command by its keys, the path typed into the dialog.
    void loadByKeys(const QString& path)
    {
        testing::answerFileDialog(path);
        key(Qt::Key_F, Qt::AltModifier);
        key(Qt::Key_O);
    }

private slots:
    void init() { QVERIFY(testing::openMainWindow(state, form)); }
    void cleanup() { testing::closeMainWindow(state, form); }

    // Each command's access key works right after the one before, though that
    // one showed a modal dialog.
    void accessKeysWorkAfterEveryMenuCommand()
    {
        loadByKeys(kExamples + "/roster6.csv");
        QVERIFY(ui()->DLoad->isEnabled());
        key(Qt::Key_D, Qt::AltModifier);
        QCOMPARE(ui()->StringGrid3->rowCount(), 41);

        const QString chart = dir.filePath("Kelmora.tex");
        testing::answerFileDialog(chart);
        key(Qt::Key_O, Qt::AltModifier); // 座席表出力(&O) on the menu bar
        QVERIFY(QFile::exists(chart));

        for (QMenu* menu : {ui()->Files, ui()->Help}) {
            key(menu == ui()->Files ? Qt::Key_F : Qt::Key_H, Qt::AltModifier);
            QCOMPARE(QApplication::activePopupWidget(), menu);
            key(Qt::Key_Escape);
            key(Qt::Key_Escape);
            QVERIFY(!QApplication::activePopupWidget());
        }
        loadByKeys(kExamples + "/roster2.csv");
        QCOMPARE(state->roster.columnCount, 2);
    }
};

QTEST_MAIN(FaultsTest)
#include "tst_faults.moc"
