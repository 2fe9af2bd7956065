// The manual and about windows, and the manual text with its sample rosters.
#include "app/manual/TForm2.h"
#include "app/version/TForm3.h"
#include "common/WindowTest.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QKeySequence>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

#include <functional>
#include <memory>

namespace {

// The lines of the first version's manual, or of the part added after it.
QStringList manualLines(const QString& resource = QStringLiteral(":/manual.txt"))
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (utf8.hasError() || !text.endsWith(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
        return {};
    text.chop(1);
    return text.split(QLatin1Char('\n'));
}

// The lines of an example roster file, decoded from code page 932.
QStringList exampleLines(const QString& name, QString* error)
{
    QFile file(QStringLiteral(KELMORA_EXAMPLES_DIR "/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open ") + file.fileName();
        return {};
    }
    QStringDecoder cp932("windows-31j");
    if (!cp932.isValid()) {
        *error = QStringLiteral("no code page 932 decoder");
        return {};
    }
    QString text = cp932(file.readAll());
    if (cp932.hasError()) {
        *error = name + QStringLiteral(" is not code page 932 text");
        return {};
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text.split(QLatin1Char('\n'));
}

// Finds `block` as consecutive lines of `lines` at or after `from`; -1 if absent.
qsizetype findBlock(const QStringList& lines, const QStringList& block, qsizetype from)
{
    for (qsizetype i = from; i + block.size() <= lines.size(); ++i) {
        bool all = true;
        for (qsizetype k = 0; k < block.size() && all; ++k)
            all = lines[i + k] == block[k];
        if (all)
            return i;
    }
    return -1;
}

// Triggers a Help menu command and runs `inside` on the modal window it shows;
// a window that "戻る" leaves open is ended from outside. The window shown, or
// nullptr when none came up.
QDialog* showFromMenu(QAction* command, const std::function<void(QDialog*)>& inside)
{
    // Shared, as the step outlives this call when no window comes.
    const auto shown = std::make_shared<QPointer<QDialog>>();
    testing::modals().expect(testing::Step::any<QDialog>([shown, inside](QDialog* dialog) {
        *shown = dialog;
        inside(dialog);
        if (*shown && (*shown)->isVisible())
            (*shown)->done(testing::kNotClosed);
    }));
    command->trigger();
    QCoreApplication::processEvents();
    return *shown;
}

} // namespace

using testing::execWith;

class HelpWindowsTest : public testing::WindowTest {
    Q_OBJECT

    std::unique_ptr<TForm2> manual;
    std::unique_ptr<TForm3> about;

    QDialog* window(const QString& name)
    {
        return name == QLatin1String("manual") ? static_cast<QDialog*>(manual.get()) : about.get();
    }
    QPushButton* backButton(const QString& name)
    {
        return name == QLatin1String("manual") ? manual->BitBtn1 : about->BitBtn1;
    }
    QWidget* textBox(const QString& name)
    {
        return name == QLatin1String("manual") ? static_cast<QWidget*>(manual->Memo1) : about->Memo1;
    }

private slots:
    void initTestCase()
    {
        manual = std::make_unique<TForm2>();
        about = std::make_unique<TForm3>();
        QVERIFY(manual->isHidden());
        QVERIFY(about->isHidden());
    }

    void manualHas219LinesWithItsFixedLinesInOrder();
    void manualSamplesAreTheExampleFiles_data();
    void manualSamplesAreTheExampleFiles();
    void manualWindowHoldsTheWholeText();
    void manualNamesTheMenusAsTheyAre();
    void aboutText();
    void titleBarAndSizeLimits_data();
    void titleBarAndSizeLimits();
    void onlyReturnButtonCloses_data();
    void onlyReturnButtonCloses();
    void textBoxesTakeNoTyping_data();
    void textBoxesTakeNoTyping();
    void manualKeepsItsPlaceBetweenShowings();
    void helpMenuMakesEachWindowOnce();
};

void HelpWindowsTest::manualHas219LinesWithItsFixedLinesInOrder()
{
    const QStringList lines = manualLines();
    QCOMPARE(lines.size(), 219);

    QCOMPARE(lines[0], QStringLiteral("座席表作成システム『Kelmora』 ( the・Kelmora ) Ver.2.01"));
    QVERIFY(lines[1].isEmpty());
    QVERIFY(!lines[2].trimmed().isEmpty());
    QVERIFY(lines[3].isEmpty());
    for (int i = 4; i < 8; ++i)
        QVERIFY2(!lines[i].trimmed().isEmpty(), qPrintable(QString::number(i + 1)));
    QCOMPARE(lines.last(), QStringLiteral("% ----- ここまで"));

    enum Match { Whole, Starts, Contains };
    struct Anchor {
        Match match;
        QString text;
    };
    const Anchor anchors[] = {
        {Whole, QStringLiteral("[1] 最初に、生徒氏名データを用意しておく。以下の例で説明する。")},
        {Whole, QStringLiteral("% -----　ここから")},
        {Whole, QStringLiteral("%   席替え支援システム用生徒氏名ファイル")},
        {Whole, QStringLiteral("% ----- ここまで")},
        {Starts, QStringLiteral("(1)")},
        {Contains, QStringLiteral("%")},
        {Contains, QStringLiteral("$")},
        {Starts, QStringLiteral("(2)")},
        {Starts, QStringLiteral("(3)")},
        {Starts, QStringLiteral("(4)")},
        {Starts, QStringLiteral("(5)")},
        {Starts, QStringLiteral("(6)")},
        {Starts, QStringLiteral("(7)")},
        {Whole, QStringLiteral("[2] 実行ファイル Kelmora.exe を起動する。")},
        {Contains, QStringLiteral("[ファイル]-[生徒氏名読込]")},
        {Contains, QStringLiteral("生徒氏名データに不正行あり")},
        {Contains, QStringLiteral("[生徒氏名表示]")},
        {Whole, QStringLiteral("キューという 『先入れ先出し』 のバッファに保存されてるので、")},
        {Contains, QStringLiteral("クリア")},
        {Whole, QStringLiteral("[3] 座席表が(画面上で)完成したら、")},
        {Whole, QStringLiteral("<＊>『Kelmora』は、もっと簡略化した生徒氏名データにも対応している。")},
        {Starts, QStringLiteral("<1>")},
        {Whole, QStringLiteral("% -----　ここから")},
        {Whole, QStringLiteral("% ----- ここまで")},
        {Starts, QStringLiteral("<2>")},
        {Whole, QStringLiteral("% -----　ここから")},
    };
    qsizetype at = 0;
    for (const Anchor& anchor : anchors) {
        qsizetype found = -1;
        for (qsizetype i = at; i < lines.size() && found < 0; ++i) {
            const QString& line = lines[i];
            if ((anchor.match == Whole && line == anchor.text)
                || (anchor.match == Starts && line.startsWith(anchor.text))
                || (anchor.match == Contains && line.contains(anchor.text)))
                found = i;
        }
        QVERIFY2(found >= 0, qPrintable(QStringLiteral("after line %1: %2").arg(at).arg(anchor.text)));
        at = found + 1;
    }
    // The section headings stand once each, so the order above is the only one.
    for (const char* heading : {"[1] ", "[2] ", "[3] ", "<＊>", "<1>", "<2>"})
        QCOMPARE(lines
                     .filter(QRegularExpression(QStringLiteral("^")
                                                + QRegularExpression::escape(QString::fromUtf8(heading))))
                     .size(),
                 1);
}

void HelpWindowsTest::manualSamplesAreTheExampleFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("after");  // the heading the sample follows
    QTest::addColumn<QString>("before"); // the heading after it; empty: the end
    QTest::newRow("six columns") << "roster6.csv"
                                 << "[1] "
                                 << "[2] ";
    QTest::newRow("three columns") << "roster3.csv"
                                   << "<1>"
                                   << "<2>";
    QTest::newRow("two columns") << "roster2.csv"
                                 << "<2>"
                                 << "";
}

void HelpWindowsTest::manualSamplesAreTheExampleFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, after);
    QFETCH(QString, before);
    const QStringList lines = manualLines();
    QString error;
    const QStringList sample = exampleLines(file, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Two opening comment lines, the column names, 40 students, the closing line.
    QCOMPARE(sample.size(), 44);

    const qsizetype start = lines.indexOf(QRegularExpression(QRegularExpression::escape(after) + QStringLiteral(".*")));
    QVERIFY(start >= 0);
    const qsizetype at = findBlock(lines, sample, start + 1);
    QVERIFY2(at >= 0, qPrintable(file + QStringLiteral(" is not in the manual as it stands in the file")));
    if (before.isEmpty()) {
        QCOMPARE(at + sample.size(), lines.size());
    } else {
        const qsizetype end =
            lines.indexOf(QRegularExpression(QRegularExpression::escape(before) + QStringLiteral(".*")));
        QVERIFY(at + sample.size() <= end);
    }
}

void HelpWindowsTest::manualWindowHoldsTheWholeText()
{
    const QStringList first = manualLines();
    const QStringList added = manualLines(QStringLiteral(":/manual-features.txt"));
    QVERIFY(!added.isEmpty());
    QCOMPARE(manual->Memo1->document()->blockCount(), 219 + 1 + added.size());
    QCOMPARE(manual->Memo1->toPlainText(), (first + QStringList{QString()} + added).join(QLatin1Char('\n')));
    // The added sections go on from the first version's three.
    for (int n = 4; n <= 8; ++n)
        QCOMPARE(added.filter(QRegularExpression(QStringLiteral("^\\[%1\\] ").arg(n))).size(), 1);
}

namespace {

// A menu entry's caption as the manual writes it: no access key, no dots.
QString plainCaption(QString text)
{
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    text.remove(QLatin1Char('&'));
    text.remove(QStringLiteral("…"));
    text.remove(QStringLiteral("..."));
    return text.trimmed();
}

void collectCommands(const QList<QAction*>& actions, QStringList& path, QMap<QString, QAction*>& all)
{
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        path.append(plainCaption(a->text()));
        all.insert(path.join(QLatin1Char('-')), a);
        if (a->menu())
            collectCommands(a->menu()->actions(), path, all);
        path.removeLast();
    }
}

} // namespace

// What the manual names in brackets is the window's own: a menu path
// ([ファイル]-[生徒氏名読込]), a command, a tab or a key; a shortcut written after
// a command, as in [学級]-[座席の履歴](Ctrl+H), is the command's; and every
// command of the menus is named somewhere.
void HelpWindowsTest::manualNamesTheMenusAsTheyAre()
{
    const QString text = manual->Memo1->toPlainText();
    QMap<QString, QAction*> commands; // by path, "ファイル-生徒氏名読込"
    QStringList path;
    collectCommands(ui()->MainMenu1->actions(), path, commands);
    QVERIFY(commands.contains(QStringLiteral("学級-座席の履歴")));
    QStringList captions; // every entry's own caption, wherever it stands
    for (auto it = commands.cbegin(); it != commands.cend(); ++it)
        captions.append(it.key().section(QLatin1Char('-'), -1));
    QStringList tabs;
    for (int i = 0; i < ui()->PageControl1->count(); ++i)
        tabs.append(ui()->PageControl1->tabText(i));
    const QStringList keys = {QStringLiteral("Ctrl"), QStringLiteral("Space"), QStringLiteral("Enter"),
                              QStringLiteral("Esc"),  QStringLiteral("→"),     QStringLiteral("←")};

    QSet<QString> named;
    int shortcuts = 0;
    const QRegularExpression reference(
        QStringLiteral("((?:\\[[^\\[\\]\\n]+\\])(?:-\\[[^\\[\\]\\n]+\\])*)(?:\\n?\\(([^()\\n]+)\\))?"));
    for (auto match = reference.globalMatch(text); match.hasNext();) {
        const QRegularExpressionMatch m = match.next();
        QStringList parts = m.captured(1).split(QStringLiteral("]-["));
        parts.first().remove(0, 1);
        parts.last().chop(1);
        const QString joined = parts.join(QLatin1Char('-'));
        if (parts.size() == 1 && QRegularExpression(QStringLiteral("^\\d$")).match(joined).hasMatch()) {
            // A section: its heading, or a reference to one.
            QVERIFY2(text.contains(QRegularExpression(QStringLiteral("(^|\\n)\\[%1\\] ").arg(joined))),
                     qPrintable(m.captured(0)));
            continue;
        }
        QAction* command = commands.value(joined);
        if (!command && parts.size() == 1) {
            const bool known = captions.contains(joined) || tabs.contains(joined) || keys.contains(joined);
            QVERIFY2(known,
                     qPrintable(QStringLiteral("the manual names [%1], which the window does not have").arg(joined)));
            for (auto it = commands.cbegin(); it != commands.cend(); ++it)
                if (it.key().section(QLatin1Char('-'), -1) == joined)
                    named.insert(it.key());
        } else {
            QVERIFY2(command, qPrintable(QStringLiteral("no menu command %1").arg(m.captured(1))));
            named.insert(joined);
        }
        if (m.captured(2).isEmpty())
            continue;
        QVERIFY2(command, qPrintable(m.captured(0)));
        for (const QString& key : m.captured(2).split(QStringLiteral("、"))) {
            ++shortcuts;
            if (key.startsWith(QStringLiteral("Alt+"))) {
                // The access key of an entry on the menu bar itself.
                QVERIFY2(parts.size() == 1 && ui()->MainMenu1->actions().contains(command)
                             && command->text().contains(QStringLiteral("(&") + key.mid(4) + QLatin1Char(')')),
                         qPrintable(m.captured(0)));
                continue;
            }
            QVERIFY2(command->shortcuts().contains(QKeySequence(key, QKeySequence::PortableText)),
                     qPrintable(QStringLiteral("%1 is not a shortcut of %2").arg(key, m.captured(1))));
        }
    }
    QVERIFY(shortcuts >= 7);
    // Every command of the menus, but for the entries 最近使ったファイル lists itself.
    for (auto it = commands.cbegin(); it != commands.cend(); ++it)
        if (!it.key().startsWith(QStringLiteral("ファイル-最近使ったファイル-")) && !it.value()->menu()
            && !ui()->MainMenu1->actions().contains(it.value()))
            QVERIFY2(named.contains(it.key()), qPrintable(QStringLiteral("the manual does not name %1").arg(it.key())));
    for (QAction* top : ui()->MainMenu1->actions())
        if (!top->menu())
            QVERIFY2(named.contains(plainCaption(top->text())), qPrintable(top->text()));
}

void HelpWindowsTest::aboutText()
{
    const QStringList lines = about->Memo1->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[0], QStringLiteral(" 座席表作成システム"));
    QCOMPARE(lines[1], QStringLiteral(" 『Kelmora』 Ver.2.01"));
    QVERIFY(!lines[2].trimmed().isEmpty());
    QVERIFY(!lines[3].trimmed().isEmpty());

    // All four lines show in the box, which has no scroll bars.
    about->show();
    QVERIFY(QTest::qWaitForWindowExposed(about.get()));
    QTextEdit* box = about->Memo1;
    const QTextBlock last = box->document()->lastBlock();
    const QRectF lastLines = box->document()->documentLayout()->blockBoundingRect(last);
    const QTextLine lastLine = last.layout()->lineAt(last.layout()->lineCount() - 1);
    const qreal glyphsEnd = lastLines.top() + lastLine.y() + lastLine.ascent() + lastLine.descent();
    QVERIFY2(glyphsEnd <= box->viewport()->height(),
             qPrintable(
                 QStringLiteral("text ends at %1 px in a box of %2").arg(glyphsEnd).arg(box->viewport()->height())));
    QCOMPARE(box->verticalScrollBar()->maximum(), 0);
    about->BitBtn1Click();
}

void HelpWindowsTest::titleBarAndSizeLimits_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QPoint>("place");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("largest");
    QTest::newRow("manual") << "manual"
                            << "マニュアル" << QPoint(212, 123) << QSize(529, 335) << QSize(544, 369);
    QTest::newRow("about") << "about"
                           << "『Kelmora』 について" << QPoint(356, 117) << QSize(304, 140) << QSize(324, 175);
}

void HelpWindowsTest::titleBarAndSizeLimits()
{
    QFETCH(QString, window);
    QFETCH(QString, title);
    QFETCH(QPoint, place);
    QFETCH(QSize, size);
    QFETCH(QSize, largest);
    QDialog* dialog = this->window(window);
    QCOMPARE(dialog->windowTitle(), title);
    const Qt::WindowFlags flags = dialog->windowFlags();
    QVERIFY(flags & Qt::WindowTitleHint);
    QVERIFY(flags & Qt::CustomizeWindowHint);
    for (Qt::WindowType button : {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
                                  Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
        QVERIFY2(!(flags & button), qPrintable(QString::number(button, 16)));

    int result = execWith(dialog, [&] {
        QCOMPARE(dialog->pos(), place);
        // Its size fits its controls.
        QCOMPARE(dialog->size(), size);
        QVERIFY(dialog->isModal());
        dialog->resize(2000, 2000);
        QCOMPARE(dialog->size(), largest);
        dialog->resize(size);
        backButton(window)->click();
    });
    QCOMPARE(result, int(QDialog::Accepted));
}

void HelpWindowsTest::onlyReturnButtonCloses_data()
{
    QTest::addColumn<QString>("window");
    QTest::newRow("manual") << "manual";
    QTest::newRow("about") << "about";
}

void HelpWindowsTest::onlyReturnButtonCloses()
{
    QFETCH(QString, window);
    QPointer<QDialog> dialog = this->window(window);
    bool openAfterEscape = false, openAfterClose = false, openAfterWindowClose = false, ran = false;
    const int result = execWith(dialog, [&] {
        ran = true;
        QTest::keyClick(textBox(window), Qt::Key_Escape);
        openAfterEscape = dialog->isVisible();
        dialog->close();
        openAfterClose = dialog->isVisible();
        dialog->windowHandle()->close(); // as the window manager asks
        openAfterWindowClose = dialog->isVisible();
        QTest::mouseClick(backButton(window), Qt::LeftButton);
    });
    QVERIFY(ran);
    QVERIFY(openAfterEscape);
    QVERIFY(openAfterClose);
    QVERIFY(openAfterWindowClose);
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(dialog);
    QVERIFY(dialog->isHidden());

    // It shows again, and "戻る" works again.
    QCOMPARE(execWith(dialog, [&] { QTest::mouseClick(backButton(window), Qt::LeftButton); }), int(QDialog::Accepted));
}

void HelpWindowsTest::textBoxesTakeNoTyping_data()
{
    onlyReturnButtonCloses_data();
}

void HelpWindowsTest::textBoxesTakeNoTyping()
{
    QFETCH(QString, window);
    QWidget* box = textBox(window);
    const auto text = [&] {
        if (auto* plain = qobject_cast<QPlainTextEdit*>(box))
            return plain->toPlainText();
        return qobject_cast<QTextEdit*>(box)->toPlainText();
    };
    const QString before = text();
    QGuiApplication::clipboard()->setText(QStringLiteral("貼り付け"));
    execWith(window == QLatin1String("manual") ? static_cast<QDialog*>(manual.get()) : about.get(), [&] {
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("abc"));
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_X, Qt::ControlModifier);
        backButton(window)->click();
    });
    QCOMPARE(text(), before);
}

void HelpWindowsTest::manualKeepsItsPlaceBetweenShowings()
{
    QScrollBar* bar = manual->Memo1->verticalScrollBar();
    int leftAt = -1, caretLeftAt = -1;
    QCOMPARE(execWith(manual.get(),
                      [&] {
                          QVERIFY(bar->maximum() > 0);
                          QTextCursor caret(manual->Memo1->document()->findBlockByNumber(150));
                          manual->Memo1->setTextCursor(caret);
                          bar->setValue(bar->maximum() / 2);
                          leftAt = bar->value();
                          caretLeftAt = manual->Memo1->textCursor().position();
                          QTest::mouseClick(manual->BitBtn1, Qt::LeftButton);
                      }),
             int(QDialog::Accepted));
    QVERIFY(leftAt > 0);

    int foundAt = -1, caretFoundAt = -1;
    QCOMPARE(execWith(manual.get(),
                      [&] {
                          foundAt = bar->value();
                          caretFoundAt = manual->Memo1->textCursor().position();
                          QTest::mouseClick(manual->BitBtn1, Qt::LeftButton);
                      }),
             int(QDialog::Accepted));
    QCOMPARE(foundAt, leftAt);
    QCOMPARE(caretFoundAt, caretLeftAt);
}

// The main window makes the help windows when the menu first asks for them,
// and shows the same ones after, the manual still scrolled where it was left.
void HelpWindowsTest::helpMenuMakesEachWindowOnce()
{
    QVERIFY(form->findChildren<TForm2*>().isEmpty());
    QVERIFY(form->findChildren<TForm3*>().isEmpty());

    int leftAt = -1, foundAt = -2;
    const auto back = [](QDialog* dialog) {
        if (auto* manual = qobject_cast<TForm2*>(dialog))
            QTest::mouseClick(manual->BitBtn1, Qt::LeftButton);
        else if (auto* about = qobject_cast<TForm3*>(dialog))
            QTest::mouseClick(about->BitBtn1, Qt::LeftButton);
    };
    QDialog* first = showFromMenu(form->ui->Manual, [&](QDialog* dialog) {
        QScrollBar* bar = static_cast<TForm2*>(dialog)->Memo1->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        leftAt = bar->value();
        back(dialog);
    });
    QVERIFY(qobject_cast<TForm2*>(first));
    QVERIFY(first->isHidden());
    QVERIFY(leftAt > 0);
    QDialog* again = showFromMenu(form->ui->Manual, [&](QDialog* dialog) {
        foundAt = static_cast<TForm2*>(dialog)->Memo1->verticalScrollBar()->value();
        back(dialog);
    });
    QCOMPARE(again, first);
    QCOMPARE(foundAt, leftAt);
    QCOMPARE(form->findChildren<TForm2*>().size(), 1);

    QDialog* about = showFromMenu(form->ui->About, back);
    QVERIFY(qobject_cast<TForm3*>(about));
    QCOMPARE(showFromMenu(form->ui->About, back), about);
    QCOMPARE(form->findChildren<TForm3*>().size(), 1);
}

QTEST_MAIN(HelpWindowsTest)
#include "tst_help_windows.moc"
