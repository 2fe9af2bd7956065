#include "app/form1/TForm1.h"

#include "app/InstanceGuard.h"
#include "app/KelmoraApplication.h"
#include "app/manual/TForm2.h"
#include "app/version/TForm3.h"
#include "arrangement/Arrangement.h"
#include "codec/Cp932.h"
#include "settings/Settings.h"
#include "ui_Form1.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QFileDialog>
#include <QLayout>
#include <QMessageBox>
#include <QTimer>
#include <QUndoStack>

using namespace kelmora;

TForm1::TForm1(ProgramState& programState, const QString& startFile, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()), state(programState), startFile_(startFile),
      instanceLock_(std::make_unique<InstanceLock>())
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/images/kelmora.png")));
    move(180, 83);
    // The window fits its content and is not resized: every control has a fixed place.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    // The window's font (Form1.ui) prefers no OpenType shaping: its texts are
    // Japanese and Latin in the IPA fonts, which look the same pixel for pixel
    // without it, and start-up then makes no copy of the fonts' layout tables
    // for each of the dozen sizes the window uses. Both pages say so as well:
    // they are made before they have a parent, and a page's controls made with
    // the other setting would load every one of their fonts twice.

    // The banner is the only mincho text at start. Hinting type that large
    // changes nothing one sees, but FreeType's auto-hinter would first measure
    // a hundred glyphs of the whole face: about 2 MB of the font file read in.
    QFont banner = ui->Label12->font();
    banner.setHintingPreference(QFont::PreferNoHinting);
    ui->Label12->setFont(banner);

    ui->UpDown1->setAssociate(ui->Edit1);
    ui->UpDown2->setAssociate(ui->Edit2);
    ui->UpDown3->setAssociate(ui->Edit4);
    ui->UpDown4->setAssociate(ui->Edit5);
    ui->UpDown5->setAssociate(ui->Edit6);
    ui->UpDown6->setAssociate(ui->Edit7);
    ui->UpDown7->setAssociate(ui->Edit8);

    // The grids show the state itself; texts turn into Unicode only as they are painted.
    ui->StringGrid2->setCellSource([this](int col, int row) {
        return SeatTable::inRange(col, row) ? cp932::ToUnicode(state.seatTable.text(col, row)) : QString();
    });
    ui->StringGrid3->setCellSource(
        [this](int col, int row) { return cp932::ToUnicode(state.studentList.cell(col, row)); });
    undoStack = new QUndoStack(this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(300);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);

    connectHandlers();
    FormCreate();
    arrangementKept();

    Timer1->start();
    Timer2->start();
}

TForm1::~TForm1()
{
    // The undo stack goes with the window's children, and says so: the title is past caring.
    disconnect(undoStack, nullptr, this, nullptr);
}

bool TForm1::holdsInstance() const
{
    return !instanceRefused_;
}

namespace {

// A name typed into a file dialog opens the list of names that complete it, and
// Return then accepts the dialog with that list still open. Left open, it would
// go on taking every key, and the main window's next access key would be lost.
void CloseCompletionWithDialog(QFileDialog* dialog)
{
    QObject::connect(dialog, &QDialog::finished, dialog, [dialog] {
        for (QCompleter* completer : dialog->findChildren<QCompleter*>())
            if (completer->popup() && completer->popup()->isVisible())
                completer->popup()->hide();
    });
}

} // namespace

// Every file dialog of the window. Our own dialogs rather than the platform's,
// so they behave alike everywhere; a typed name need not exist (the command says
// what is wrong with it).
QFileDialog* TForm1::makeFileDialog(bool save, const QString& suffix, const QStringList& filters)
{
    auto* dialog = new QFileDialog(this);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDefaultSuffix(suffix);
    dialog->setNameFilters(filters);
    dialog->setSizeGripEnabled(true);
    CloseCompletionWithDialog(dialog);
    return dialog;
}

// The file dialogs are made when first asked for: they are the costliest part
// of the window and a session may never load or output twice.
QFileDialog* TForm1::openDialog()
{
    if (!OpenDialog1)
        OpenDialog1 =
            makeFileDialog(false, QStringLiteral("csv"),
                           {QStringLiteral("CSV(カンマ形式)ファイル (*.csv)"), QStringLiteral("すべてのファイル (*)")});
    return OpenDialog1;
}

QFileDialog* TForm1::saveDialog()
{
    if (!SaveDialog1)
        SaveDialog1 = makeFileDialog(true, QStringLiteral("tex"), {QStringLiteral("LaTeX ファイル (*.tex)")});
    return SaveDialog1;
}

// The help windows are made when first asked for: the manual's text and the
// mincho font cost start-up time and memory, and most sessions never open them.
TForm2* TForm1::manualWindow()
{
    if (!Form2)
        Form2 = new TForm2(this);
    return Form2;
}

TForm3* TForm1::aboutWindow()
{
    if (!Form3)
        Form3 = new TForm3(this);
    return Form3;
}

void TForm1::connectHandlers()
{
    bind(ui->Quit, &QAction::triggered, &TForm1::QuitClick);
    bind(ui->Manual, &QAction::triggered, &TForm1::ManualClick);
    bind(ui->About, &QAction::triggered, &TForm1::AboutClick);
    // The seat grid is hidden until its page shows, so sizing it as the page
    // changes looks the same as sizing it just before.
    bind(ui->PageControl1, &QTabWidget::currentChanged, &TForm1::PageControl1Changing);

    connectMascot();
    connectRoster();
    connectImport();
    connectSettings();
    connectPlacement();
    connectOutput();
    connectEdit();
    connectArrangement();
    connectDraft();
    connectDesktop();
    connectYear(); // 学級 after 発表, both before ヘルプ
}

void TForm1::FormCreate()
{
    switch (instanceLock_->acquire(QCoreApplication::applicationFilePath())) {
    case InstanceLock::Result::HeldElsewhere: {
        instanceRefused_ = true;
        // A file for the running instance goes to it, which opens it and comes to
        // the front; this start then ends without a word.
        if (!startFile_.isEmpty() && FileDoor::handOver(QCoreApplication::applicationFilePath(), startFile_)) {
            QCoreApplication::quit();
            return;
        }
        QMessageBox box(QMessageBox::NoIcon, MessageTitle(), QStringLiteral("『Kelmora』は既に起動されています。"),
                        QMessageBox::Ok, this);
        box.exec();
        QCoreApplication::quit();
        return;
    }
    case InstanceLock::Result::Acquired:
        doorWanted_ = true; // opened after the first frame (paintEvent)
        break;
    case InstanceLock::Result::Unavailable: // no lock file to be had: a teacher still gets the program
        break;
    }
    if (!startFile_.isEmpty())
        QTimer::singleShot(0, this, [this] { RunGuarded([this] { openPath(startFile_); }); });

    // The student list's header row, in code page 932 like every text. The bytes
    // are spelled out so that start-up does not open the converter, a megabyte of
    // tables and code, before any roster; the list converts when first painted.
    ui->StringGrid3->setColWidth(0, 20);
    state.studentList.setCell(0, 0, "\x94\xd4");                                                 // 番
    state.studentList.setCell(1, 0, "\x81\x40\x96\xbc\x81\x40\x81\x40\x81\x40\x91\x4f\x81\x40"); // 　名　　　前　
    showPlacement();

    // Hints show after 500 ms (see KelmoraApplication) and hide after 2500 ms.
    for (QWidget* w : findChildren<QWidget*>())
        if (!w->toolTip().isEmpty())
            w->setToolTipDuration(2500);
}

void TForm1::FormClose()
{
    instanceLock_->release();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (instanceRefused_) { // nothing was done in this instance
        event->accept();
        return;
    }
    bool cancelled = false;
    RunGuarded([&] { cancelled = !askToSave(); });
    if (cancelled) {
        event->ignore();
        return;
    }
    RunGuarded([this] { FormClose(); });
    event->accept();
    QCoreApplication::quit();
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    takeKeyboardBack();
}

void TForm1::paintEvent(QPaintEvent* event)
{
    QMainWindow::paintEvent(event);
    if (!doorWanted_)
        return;
    doorWanted_ = false;
    // Connecting to the session bus takes a millisecond or more: not before the window shows.
    QTimer::singleShot(0, this, [this] {
        fileDoor_ = new FileDoor(this);
        connect(fileDoor_, &FileDoor::fileHandedOver, this, &TForm1::openHandedOver);
        fileDoor_->open(QCoreApplication::applicationFilePath()); // without a session bus it stays shut
    });
}

void TForm1::openHandedOver(const QString& path)
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    // A dialog of this window (席替え, a question) is finished first: the file waits for it.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(200, this, [this, path] { openHandedOver(path); });
        return;
    }
    RunGuarded([&] { openPath(path); });
}

void TForm1::takeKeyboardBack()
{
    if (isVisible() && !isActiveWindow() && !QApplication::activeModalWidget() && !QApplication::activePopupWidget())
        activateWindow();
}

void TForm1::QuitClick()
{
    close();
}

void TForm1::PageControl1Changing()
{
    ui->StringGrid2->setColCount(ParseWholeNumber(ui->Edit1->text().toStdString()));
    ui->StringGrid2->setRowCount(ParseWholeNumber(ui->Edit2->text().toStdString()));
}

void TForm1::ManualClick()
{
    manualWindow()->exec();
}

void TForm1::AboutClick()
{
    aboutWindow()->exec();
}

void TForm1::showPlacement()
{
    ui->StringGrid3->setRowCount(state.studentList.rowCount());
    ui->StringGrid3->cellsChanged();
    ui->StringGrid2->cellsChanged();
}
