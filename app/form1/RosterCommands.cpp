// The File menu's load command and the display command.
#include "app/form1/TForm1.h"
#include "codec/Cp932.h"
#include "roster/Roster.h"
#include "roster/StudentList.h"
#include "ui_Form1.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

using namespace kelmora;

void TForm1::connectRoster()
{
    bind(ui->Open, &QAction::triggered, &TForm1::OpenClick);
    bind(ui->DLoad, &QAction::triggered, &TForm1::DLoadClick);
}

namespace {

void plainMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, MessageTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void TForm1::OpenClick()
{
    ui->DLoad->setEnabled(false);
    ui->OutPut->setEnabled(false);
    ui->Draft->setEnabled(false);

    QString preset; // Retry offers the file tried last
    int result = 0;
    for (;;) {
        QFileDialog* dialog = openDialog();
        dialog->selectFile(preset);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return;
        // The whole path: our dialogs do not move the working directory.
        const QString path = dialog->selectedFiles().constFirst();
        std::error_code openError;
        result = LoadRoster(state.roster, QFile::encodeName(path).toStdString(), &openError);
        if (!openError)
            break;
        QMessageBox box(QMessageBox::Warning, QStringLiteral("オープンエラー"),
                        QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path),
                                                      QString::fromLocal8Bit(openError.message())),
                        QMessageBox::Retry | QMessageBox::Cancel, this);
        if (box.exec() != QMessageBox::Retry)
            return;
        preset = QFileInfo(path).fileName();
    }

    if (result < 0) {
        plainMessage(this, QStringLiteral("生徒氏名データに不正行あり"));
        return;
    }
    if (result == 0) {
        plainMessage(this, QStringLiteral("生徒氏名データが見つかりません。\n"
                                          "「$」で始まる行(生徒のデータ行)が一行もありません。"));
        return;
    }

    if (const auto options = OptionsForColumnCount(state.roster.columnCount)) {
        ui->RadioButton3->setEnabled(options->fullName);
        ui->RadioButton4->setEnabled(options->familyOnly);
        ui->RadioButton2->setEnabled(options->withRuby);
        ui->RadioButton1->setEnabled(options->withoutRuby);
        // A roster without family names must not leave "姓のみ" checked: the list
        // would show numbers without names.
        if (ui->RadioButton4->isChecked() && !options->familyOnly)
            ui->RadioButton3->setChecked(true);
    }
    ui->DLoad->setEnabled(true);
}

void TForm1::DLoadClick()
{
    const NameMode mode = ui->RadioButton4->isChecked() ? NameMode::FamilyName : NameMode::FullName;
    DisplayRoster(state.studentList, state.roster, mode);
    showStudentList();
    ui->OutPut->setEnabled(true);
    ui->Draft->setEnabled(true);
}
