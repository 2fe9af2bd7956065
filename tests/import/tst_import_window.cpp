// 名簿を取り込む on the real window: the menu by its keys, the preview dialog
// driven with clicks and keys (one column's role changed), the roster file it
// saves, the mapping it remembers, the files it refuses, and the chart after an
// import, the same bytes as after loading the class's Kelmora roster.
#include "app/import/ImportDialog.h"
#include "common/Files.h"
#include "common/Sjis.h"
#include "common/WindowTest.h"
#include "draft/DraftSetup.h"
#include "roster/RosterReader.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace kelmora;
using testing::modals;
using testing::Step;

namespace {

const QString kClass = QStringLiteral(KELMORA_TESTDATA_DIR "/class.xlsx");

QComboBox* RoleBox(ImportDialog* dialog, int column)
{
    return dialog->findChild<QComboBox*>(QStringLiteral("role%1").arg(column));
}

QString Status(ImportDialog* dialog)
{
    return dialog->findChild<QLabel*>(QStringLiteral("status"))->text();
}

// A key as the dialog gets it: to the control that has the focus.
void Press(ImportDialog* dialog, Qt::Key key)
{
    QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, key);
}

} // namespace

class ImportWindowTest : public testing::WindowTest {
    Q_OBJECT

    QTemporaryDir dir;

    // ファイル(F) -> 名簿を取り込む(I), the list chosen in the file dialog, and
    // `answer` in the preview.
    void importByKeys(const QString& path, std::function<void(ImportDialog*)> answer,
                      std::initializer_list<Step> then = {})
    {
        modals().expect({Step::file(path), Step::any<ImportDialog>(std::move(answer))});
        modals().expect(then);
        activate();
        key(Qt::Key_F, Qt::AltModifier);
        QVERIFY2(QApplication::activePopupWidget() == ui()->Files, "the File menu did not open");
        key(Qt::Key_I);
    }

    // Three students placed by hand, then the ruby chart written: its bytes.
    QByteArray placeAndWrite(const QString& name)
    {
        ui()->DLoad->trigger();
        ui()->RadioButton2->setChecked(true); // ルビ付き
        ui()->PageControl1->setCurrentIndex(1);
        for (int k = 1; k <= 3; ++k) {
            ctrlClick(ui()->StringGrid3, 1, k);
            click(ui()->StringGrid2, k, 0);
        }
        const QString path = dir.filePath(name);
        output(path);
        return testing::readBytes(path);
    }

private slots:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void importWithOneRoleChangedAndSaved()
    {
        const QString saved = dir.filePath(QStringLiteral("1-1.csv"));
        QString before, after;
        importByKeys(kClass,
                     [&](ImportDialog* dialog) {
                         before = Status(dialog);
                         // フリガナ (column C) to 使わない: open its list with the mouse, pick the last entry by keys.
                         QComboBox* box = RoleBox(dialog, 2);
                         QCOMPARE(box->currentText(), QStringLiteral("せい"));
                         QTest::mouseClick(box, Qt::LeftButton);
                         QTRY_VERIFY(box->view()->isVisible());
                         QTest::keyClick(box->view(), Qt::Key_End);
                         QTest::keyClick(box->view(), Qt::Key_Return);
                         QCOMPARE(box->currentText(), QStringLiteral("使わない"));
                         after = Status(dialog);
                         auto* save = dialog->findChild<QCheckBox*>(QStringLiteral("saveBox"));
                         QTest::mouseClick(save, Qt::LeftButton, {}, QPoint(8, save->height() / 2));
                         QVERIFY(save->isChecked());
                         Press(dialog, Qt::Key_Return); // 取り込む
                     },
                     {Step::file(saved)}); // the save dialog, after the preview
        QTRY_VERIFY(!modals().waiting());
        QCOMPARE(before, QStringLiteral("40 人を取り込みます(ふりがな付き、6 列)。性別は席替えの男女に使います。"));
        QCOMPARE(after, QStringLiteral("40 人を取り込みます(氏名と姓、3 列)。性別は席替えの男女に使います。"));

        QCOMPARE(state->roster.studentCount, 40);
        QCOMPARE(state->roster.columnCount, 3);
        QVERIFY(ui()->DLoad->isEnabled());
        QVERIFY(ui()->RadioButton4->isEnabled());  // 姓のみ
        QVERIFY(!ui()->RadioButton2->isEnabled()); // no readings, no ruby
        QCOMPARE(state->draftConditions.marks.size(), std::size_t(40));
        QCOMPARE(state->draftConditions.marks[0].sex, Sex::Boy);
        QCOMPARE(state->draftConditions.marks[1].sex, Sex::Girl);

        // The saved file is a Kelmora roster: 生徒氏名読込 reads the same students.
        const QByteArray bytes = testing::readBytes(saved);
        QVERIFY(testing::fromSj(bytes).startsWith(QStringLiteral("% class.xlsx から取り込んだ名簿\r\n")));
        RosterTable read;
        int columns = 0;
        QCOMPARE(ReadRosterBytes(read, bytes.toStdString(), columns), 40);
        QCOMPARE(columns, 3);
        QVERIFY(read == state->roster.table);

        // The same header next time: the changed role is remembered. Esc cancels,
        // and nothing changes.
        ui()->DLoad->trigger();
        click(ui()->StringGrid3, 1, 1);
        const RosterTable table = state->roster.table;
        QString remembered;
        importByKeys(kClass, [&](ImportDialog* dialog) {
            remembered = RoleBox(dialog, 2)->currentText();
            Press(dialog, Qt::Key_Escape);
        });
        QTRY_VERIFY(!modals().waiting());
        QCOMPARE(remembered, QStringLiteral("使わない"));
        QVERIFY(state->roster.table == table);
        QCOMPARE(state->roster.columnCount, 3);
        QVERIFY(ui()->OutPut->isEnabled()); // the list shown stays shown
    }

    // The entry point for a file given on the command line or dropped: the
    // guessed roles taken with Enter; the chart is the Kelmora roster's.
    void chartAfterImportIsTheRosterFilesChart()
    {
        bool shown = false;
        modals().expect(Step::any<ImportDialog>([&](ImportDialog* dialog) {
            shown = true;
            RoleBox(dialog, 2)->setCurrentIndex(int(import::Role::FamilyReading)); // whatever was remembered
            Press(dialog, Qt::Key_Return);
        }));
        QVERIFY(form->importRoster(kClass));
        QVERIFY(shown);
        QCOMPARE(state->roster.columnCount, 6);
        const QByteArray imported = placeAndWrite(QStringLiteral("imported.tex"));
        QVERIFY(imported.contains("\\ruby"));

        closeWindow();
        openWindow();
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster6.csv"));
        QCOMPARE(placeAndWrite(QStringLiteral("loaded.tex")), imported);
    }

    // The 席替え marks follow the students by number and name, as after
    // 生徒氏名読込; the one gone is named; a blank 性別 keeps the mark made by hand.
    void marksFollowTheImportedRoster()
    {
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster3.csv"));
        auto& marks = state->draftConditions.marks;
        FitToRoster(state->draftConditions, state->roster);
        marks[0] = {true, false, Sex::Boy, {}, false}; // 青木, 性別 left blank in the list
        marks[1].front = true;                         // 新井, now second-to-last
        marks[2].fixed = true;                         // 池田, not in the list
        const QString list = testing::writeFile(dir, QStringLiteral("marks.csv"),
                                                testing::sjBytes(u"番号,氏名,性別\r\n"
                                                                 u"1,青木　健太,\r\n"
                                                                 u"4,石井　彩花,女\r\n"
                                                                 u"2,新井　美咲,女\r\n"));
        modals().expect({Step::any<ImportDialog>([](ImportDialog* dialog) { Press(dialog, Qt::Key_Return); }),
                         Step::box(MessageTitle(), QStringLiteral("\n3 池田　大輝"))});
        QVERIFY(form->importRoster(list));
        QTRY_VERIFY(!modals().waiting());
        QCOMPARE(state->roster.studentCount, 3);
        QCOMPARE(marks.size(), std::size_t(3));
        QCOMPARE(marks[0], (StudentMarks{true, false, Sex::Boy, {}, false}));
        QCOMPARE(marks[1], (StudentMarks{false, false, Sex::Girl, {}, false}));
        QCOMPARE(marks[2], (StudentMarks{true, false, Sex::Girl, {}, false}));
    }

    // A list saved as Unicode text (UTF-16) and dropped or given on the command
    // line goes to the import's preview, not to 生徒氏名読込's UTF-16 refusal.
    void utf16ListFromOutsideIsImported()
    {
        const QString text = QStringLiteral("\uFEFF番号\t氏名\r\n1\t山田　太郎\r\n2\t佐藤　花子\r\n");
        const QString list = testing::writeFile(dir, QStringLiteral("unicode.csv"),
                                                QByteArray(reinterpret_cast<const char*>(text.utf16()),
                                                           text.size() * qsizetype(sizeof(char16_t))));
        bool shown = false;
        modals().expect(Step::any<ImportDialog>([&](ImportDialog* dialog) {
            shown = true;
            Press(dialog, Qt::Key_Return);
        }));
        QVERIFY(form->loadRosterFile(list));
        QVERIFY(shown);
        QCOMPARE(state->roster.studentCount, 2);
    }

    // 見出しの行 counts rows as the table's left edge numbers them, the blank
    // line above the header too.
    void headerRowIsTheSheetsRowNumber()
    {
        const QString list = testing::writeFile(dir, QStringLiteral("blank-first.csv"),
                                                testing::sjBytes(u"\r\n番号,氏名\r\n1,山田　太郎\r\n"));
        int found = -1;
        QString moved;
        modals().expect(Step::any<ImportDialog>([&](ImportDialog* dialog) {
            auto* box = dialog->findChild<QSpinBox*>(QStringLiteral("headerBox"));
            found = box->value();
            QTest::keyClick(box, Qt::Key_Up); // the student's row, 3: no names above it
            moved = Status(dialog);
            QTest::keyClick(box, Qt::Key_Escape);
        }));
        QVERIFY(!form->importRoster(list));
        QCOMPARE(found, 2);
        QCOMPARE(moved, QStringLiteral("氏名の列(または姓と名の列)を選んでください。"));
    }

    // A long read shows that it is working, and 中止 stops it: no message, no change.
    void longReadCanBeStopped()
    {
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster3.csv"));
        const RosterTable table = state->roster.table;
        const QByteArray line = testing::sjBytes(u"1,山田　太郎,やまだ　たろう,男\r\n");
        const QString big = testing::writeFile(dir, QStringLiteral("big.csv"),
                                               line.repeated(qsizetype(kMaxRosterFileBytes) / line.size()));
        form->listReadPatienceMs = 0;
        bool stopped = false;
        modals().expect(Step::any<QProgressDialog>([&stopped](QProgressDialog* progress) {
            QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            stopped = true;
        }));
        QVERIFY(!form->importRoster(big));
        QVERIFY(stopped);
        QVERIFY(state->roster.table == table);
        QCOMPARE(state->roster.columnCount, 3);
    }

    // Files that are no list we read are named, with what to do; nothing changes.
    void refusalsLeaveTheRosterAlone()
    {
        load(QStringLiteral(KELMORA_EXAMPLES_DIR "/roster2.csv"));
        const RosterTable table = state->roster.table;
        QByteArray xls("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        xls.append(1024, '\0');
        const QString old = testing::writeFile(dir, QStringLiteral("old.xls"), xls);
        modals().expect(Step::box(MessageTitle(), QStringLiteral("「CSV」で保存し直してから取り込んでください")));
        QVERIFY(!form->importRoster(old));
        modals().expect(Step::box(MessageTitle(), QStringLiteral("展開すると大きすぎる")));
        QVERIFY(!form->importRoster(QStringLiteral(KELMORA_TESTDATA_DIR "/bomb.xlsx")));
        QVERIFY(state->roster.table == table);
        QVERIFY(ui()->DLoad->isEnabled());
    }
};

int main(int argc, char** argv)
{
    // The remembered roles go to a folder of the test's own.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    ImportWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_import_window.moc"
