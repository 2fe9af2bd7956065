// Kelmora on the desktop: files that come from outside the file dialogs (the
// command line, a second start, a drop on the window, 最近使ったファイル), the title
// that names the arrangement file, and 発表.
#include "app/form1/TForm1.h"
#include "app/present/PresentWindow.h"
#include "settings/RecentFiles.h"
#include "settings/Settings.h"
#include "ui_Form1.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QRadioButton>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>

using namespace kelmora;

namespace {

const QString kTitle = QStringLiteral("座席表作成システム");

// How every arrangement file Kelmora writes begins (after the opening brace).
const QByteArray kArrangementStart = QByteArrayLiteral("\"format\": \"kelmora-arrangement\"");

void tell(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, MessageTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

void TForm1::connectDesktop()
{
    // ファイル → 最近使ったファイル, between the arrangement commands and 終了.
    RecentFiles = new QMenu(QStringLiteral("最近使ったファイル(&R)"), this);
    RecentFiles->setObjectName(QStringLiteral("RecentFiles"));
    ui->Files->insertMenu(ui->Quit, RecentFiles);
    ui->Files->insertSeparator(ui->Quit);
    connect(RecentFiles, &QMenu::aboutToShow, this, &TForm1::showRecentFiles);
    recentFiles_ = LoadRecentFiles();

    // 発表, before ヘルプ on the menu bar; P is the one access key free there.
    Present = new QAction(QStringLiteral("発表(&P)"), this);
    Present->setObjectName(QStringLiteral("Present"));
    Present->setShortcut(QKeySequence(Qt::Key_F5));
    Present->setEnabled(false);
    ui->MainMenu1->insertAction(ui->Help->menuAction(), Present);
    addAction(Present); // F5 works while the menu bar's item is not shown
    bind(Present, &QAction::triggered, &TForm1::PresentClick);
    // Whenever there are desks to write a chart of, there are desks to show.
    connect(ui->OutPut, &QAction::changed, Present, [this] { Present->setEnabled(ui->OutPut->isEnabled()); });

    // A file dropped on a text box opens as well: the boxes take no drops of their own.
    setAcceptDrops(true);
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->setAcceptDrops(false);

    // The unsaved mark follows every change an arrangement file records.
    connect(undoStack, &QUndoStack::indexChanged, this, &TForm1::refreshTitle);
    for (QLineEdit* edit : {ui->Edit1, ui->Edit2, ui->Edit3, ui->Edit4, ui->Edit5, ui->Edit6, ui->Edit7, ui->Edit8})
        connect(edit, &QLineEdit::textChanged, this, &TForm1::refreshTitle);
    for (QRadioButton* button : {ui->RadioButton1, ui->RadioButton2, ui->RadioButton3, ui->RadioButton4})
        connect(button, &QRadioButton::toggled, this, &TForm1::refreshTitle);
    // After each command's own handler (connected before), e.g. the conditions 席替え keeps.
    for (QAction* action : findChildren<QAction*>())
        connect(action, &QAction::triggered, this, &TForm1::refreshTitle);
}

void TForm1::refreshTitle()
{
    if (!undoStack || !savedSettings_)
        return; // still being made
    QString title = kTitle;
    if (!arrangementPath_.isEmpty())
        title += QStringLiteral(" — ")
                 + QFileInfo(arrangementPath_).fileName().replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(title + QStringLiteral("[*]"));
    setWindowModified(arrangementChanged());
}

TForm1::FileKind TForm1::kindOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("kelmora"))
        return FileKind::Arrangement;
    if (suffix == QLatin1String("csv"))
        return FileKind::Roster;
    if (suffix == QLatin1String("xlsx"))
        return FileKind::Spreadsheet;
    // Renamed, or saved by a file manager that knows the type but not the name.
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.read(64).contains(kArrangementStart))
        return FileKind::Arrangement;
    return FileKind::Other;
}

bool TForm1::openPath(const QString& given)
{
    const QString path = QFileInfo(given).absoluteFilePath();
    const QFileInfo info(path);
    if (!info.exists()) {
        tell(this, QStringLiteral("ファイルが見つかりません。\n%1").arg(shown(path)));
        return false;
    }
    if (info.isDir()) {
        tell(this, QStringLiteral("フォルダは開けません。\n%1").arg(shown(path)));
        return false;
    }
    switch (kindOf(path)) {
    case FileKind::Arrangement:
        if (!askToSave())
            return false;
        return openArrangement(path);
    case FileKind::Roster: return loadRosterFile(path);
    case FileKind::Spreadsheet: return openForeignRoster(path);
    case FileKind::Other: break;
    }
    tell(this, QStringLiteral("このファイルは開けません。\n%1\n"
                              "開けるのは座席配置ファイル (.kelmora) と名簿ファイル (.csv) です。")
                   .arg(shown(path)));
    return false;
}

// Spreadsheets and CSV files without "$" lines: a school's class list, for 名簿を取り込む.
bool TForm1::openForeignRoster(const QString& path)
{
    return importRoster(path);
}

QString TForm1::openableDrop(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return {};
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    if (QFileInfo(path).isDir() || kindOf(path) == FileKind::Other)
        return {};
    return path;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (openableDrop(event->mimeData()).isEmpty())
        event->ignore(); // the pointer shows the refusal
    else
        event->acceptProposedAction();
}

void TForm1::dragMoveEvent(QDragMoveEvent* event)
{
    if (openableDrop(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event)
{
    const QString path = openableDrop(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // After the drop has returned: the file manager waits for it, and opening may ask a question.
    QTimer::singleShot(0, this, [this, path] {
        activateWindow();
        RunGuarded([&] { openPath(path); });
    });
}

void TForm1::rememberFile(const QString& path)
{
    if (path.isEmpty())
        return;
    recentFiles_ = RememberRecent(recentFiles_, QFileInfo(path).absoluteFilePath());
    SaveRecentFiles(recentFiles_);
}

void TForm1::showRecentFiles()
{
    RecentFiles->clear();
    if (recentFiles_.isEmpty()) {
        RecentFiles->addAction(QStringLiteral("(なし)"))->setEnabled(false);
        return;
    }
    int n = 0;
    for (const QString& path : std::as_const(recentFiles_)) {
        ++n;
        const QFileInfo info(path);
        QString name = info.fileName();
        name.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QString folder = shown(info.absolutePath());
        folder.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* item = RecentFiles->addAction(QStringLiteral("&%1 %2  (%3)").arg(n).arg(name, folder));
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] {
            RunGuarded([&] { openRecent(path); });
            refreshTitle();
        });
    }
    RecentFiles->addSeparator();
    connect(RecentFiles->addAction(QStringLiteral("一覧を消去(&C)")), &QAction::triggered, this, [this] {
        recentFiles_.clear();
        SaveRecentFiles(recentFiles_);
    });
}

void TForm1::openRecent(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        tell(this,
             QStringLiteral("ファイルが見つかりません。最近使ったファイルの一覧から外します。\n%1").arg(shown(path)));
        recentFiles_.removeAll(path);
        SaveRecentFiles(recentFiles_);
        return;
    }
    openPath(path);
}

void TForm1::PresentClick()
{
    if (auto* shown = findChild<PresentWindow*>()) { // one at a time
        shown->raise();
        shown->activateWindow();
        return;
    }
    auto* window = new PresentWindow(state, ui->StringGrid2->colCount(), ui->StringGrid2->rowCount(),
                                     ui->RadioButton2->isChecked() && state.roster.columnCount == 6, this);
    // Queued: opening a file sets the room's size after it puts the desks.
    connect(
        undoStack, &QUndoStack::indexChanged, window,
        [this, window] { window->rearrange(ui->StringGrid2->colCount(), ui->StringGrid2->rowCount()); },
        Qt::QueuedConnection);
    window->showOn(screen());
}
