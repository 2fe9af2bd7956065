#include "app/form1/TForm1.h"

#include "app/InstanceGuard.h"
#include "app/KelmoraApplication.h"
#include "app/manual/TForm2.h"
#include "app/version/TForm3.h"
#include "codec/Cp932.h"
#include "settings/Settings.h"
#include "ui_Form1.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLayout>
#include <QMessageBox>
#include <QTimer>

using namespace kelmora;

TForm1::TForm1(ProgramState& programState, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TForm1>()), state(programState), instanceLock_(std::make_unique<InstanceLock>())
{
    ui->setupUi(this);
    setWindowIcon(QIcon(QStringLiteral(":/images/kelmora.png")));
    move(180, 83);
    // The window fits its content and is not resized: every control has a fixed place.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    ui->UpDown1->setAssociate(ui->Edit1);
    ui->UpDown2->setAssociate(ui->Edit2);
    ui->UpDown3->setAssociate(ui->Edit4);
    ui->UpDown4->setAssociate(ui->Edit5);
    ui->UpDown5->setAssociate(ui->Edit6);
    ui->UpDown6->setAssociate(ui->Edit7);
    ui->UpDown7->setAssociate(ui->Edit8);

    Timer1 = new QTimer(this);
    Timer1->setInterval(300);
    Timer2 = new QTimer(this);
    Timer2->setInterval(1000);

    connectHandlers();
    FormCreate();

    Timer1->start();
    Timer2->start();
}

TForm1::~TForm1() = default;

void TForm1::setHelpWindows(TForm2* manual, TForm3* about)
{
    manual_ = manual;
    about_ = about;
}

bool TForm1::holdsInstance() const
{
    return !instanceRefused_;
}

// The file dialogs are made when first asked for: they are the costliest part
// of the window and a session may never load or output twice.
QFileDialog* TForm1::openDialog()
{
    if (!OpenDialog1) {
        // Our own dialogs rather than the platform's, so they behave alike everywhere.
        OpenDialog1 = new QFileDialog(this);
        OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
        OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
        // A typed name need not exist: the load command says what is wrong with it.
        OpenDialog1->setFileMode(QFileDialog::AnyFile);
        OpenDialog1->setDefaultSuffix(QStringLiteral("csv"));
        OpenDialog1->setNameFilters({QStringLiteral("CSV(カンマ形式)ファイル (*.csv)"), QStringLiteral("すべてのファイル (*)")});
        OpenDialog1->setSizeGripEnabled(true);
    }
    return OpenDialog1;
}

QFileDialog* TForm1::saveDialog()
{
    if (!SaveDialog1) {
        SaveDialog1 = new QFileDialog(this);
        SaveDialog1->setOption(QFileDialog::DontUseNativeDialog);
        SaveDialog1->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog1->setFileMode(QFileDialog::AnyFile);
        SaveDialog1->setDefaultSuffix(QStringLiteral("tex"));
        SaveDialog1->setNameFilters({QStringLiteral("LaTeX ファイル (*.tex)")});
        SaveDialog1->setSizeGripEnabled(true);
    }
    return SaveDialog1;
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
    connectSettings();
    connectPlacement();
    connectOutput();
    connectDraft();
}

void TForm1::FormCreate()
{
    switch (instanceLock_->acquire(QCoreApplication::applicationFilePath())) {
    case InstanceLock::Result::HeldElsewhere: {
        QMessageBox box(QMessageBox::NoIcon, MessageTitle(), QStringLiteral("『Kelmora』は既に起動されています。"),
                        QMessageBox::Ok, this);
        box.exec();
        instanceRefused_ = true;
        QCoreApplication::quit();
        return;
    }
    case InstanceLock::Result::Acquired:
    case InstanceLock::Result::Unavailable: // run unguarded, as before
        break;
    }

    ui->StringGrid3->setColWidth(0, 20);
    state.studentList.setCell(0, 0, *cp932::FromUnicode(QStringLiteral("番")));
    state.studentList.setCell(1, 0, *cp932::FromUnicode(QStringLiteral("　名　　　前　")));
    showStudentList();

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
    RunGuarded([this] { FormClose(); });
    event->accept();
    QCoreApplication::quit();
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
    if (manual_)
        manual_->exec();
}

void TForm1::AboutClick()
{
    if (about_)
        about_->exec();
}

void TForm1::showStudentList()
{
    StringGrid* grid = ui->StringGrid3;
    const StudentList& list = state.studentList;
    grid->setRowCount(list.rowCount());
    // A column at a time in one call: a roster of 100,000 students repaints once.
    for (int col = 0; col < 2; ++col) {
        QStringList texts;
        texts.reserve(list.rowCount());
        for (int row = 0; row < list.rowCount(); ++row)
            texts.append(cp932::ToUnicode(list.cell(col, row)));
        grid->setCells(col, 0, std::move(texts));
    }
}

void TForm1::showSeat(int col, int row)
{
    ui->StringGrid2->setCell(col, row, cp932::ToUnicode(state.seatTable.text(col, row)));
}
