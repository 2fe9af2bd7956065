// The File menu's load command and the display command.
#include "app/WholeFile.h"
#include "app/form1/RosterMessages.h"
#include "app/form1/TForm1.h"
#include "codec/Cp932.h"
#include "codec/TextEncoding.h"
#include "roster/Roster.h"
#include "roster/RosterReader.h"
#include "roster/StudentList.h"
#include "ui_Form1.h"

#include <QAbstractItemView>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringDecoder>
#include <QStringTokenizer>

using namespace kelmora;

void TForm1::connectRoster()
{
    bind(ui->Open, &QAction::triggered, &TForm1::OpenClick);
    bind(ui->DLoad, &QAction::triggered, &TForm1::DLoadClick);
}

namespace {

// Whether a UTF-16 file holds a roster's data lines ("$" after ASCII spaces).
bool HasUtf16DataLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString text = QStringDecoder(QStringDecoder::Utf16)(file.read(qint64(kMaxRosterFileBytes)));
    for (const QStringView line : QStringTokenizer(text, u'\n'))
        for (const QChar c : line) {
            if (c == u'$')
                return true;
            if (c != u' ')
                break;
        }
    return false;
}

void plainMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, MessageTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

// Sets the name that the dialog offers. An empty name empties the name box and
// the list's selection, which selectFile() leaves as the last load left them:
// the list's selection would win over an empty box and load the last file again.
void OfferFileName(QFileDialog* dialog, const QString& name)
{
    if (!name.isEmpty()) {
        dialog->selectFile(name);
        return;
    }
    for (QAbstractItemView* view : dialog->findChildren<QAbstractItemView*>())
        if (qobject_cast<QFileSystemModel*>(view->model()) && view->selectionModel())
            view->selectionModel()->clearSelection();
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->clear();
}

// The lines of a UTF-8 roster in which characters became 〓, with the names as
// loaded; a long list is cut short.
QString changedLinesMessage(const RosterTextNotes& notes)
{
    constexpr std::size_t kShown = 20;
    QString text = QStringLiteral("名簿ファイルは UTF-8 で書かれていました。\n"
                                  "座席表 (Shift-JIS) で使えない文字を「〓」に置き換えて読み込みました。\n"
                                  "次の行の名前を確かめてください。\n");
    for (std::size_t k = 0; k < notes.changed.size() && k < kShown; ++k) {
        const RosterTextNotes::ChangedLine& line = notes.changed[k];
        QStringList texts;
        for (const std::string& t : line.texts)
            texts << cp932::ToUnicode(t);
        text += QStringLiteral("\n%1 行目: %2").arg(line.line).arg(texts.join(QStringLiteral("、")));
    }
    if (notes.changed.size() > kShown)
        text += QStringLiteral("\nほか %1 行").arg(notes.changed.size() - kShown);
    return text;
}

} // namespace

QString OpenErrorReason(const std::error_code& error)
{
    return FileReadReason(error, kMaxRosterFileBytes);
}

void TForm1::OpenClick()
{
    ui->DLoad->setEnabled(false);
    ui->OutPut->setEnabled(false);
    ui->Draft->setEnabled(false);

    QString preset; // none at first; Retry offers the file tried last
    QString path;
    int result = 0;
    RosterTextNotes notes;
    for (;;) {
        QFileDialog* dialog = openDialog();
        OfferFileName(dialog, preset);
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
            return;
        // The whole path: our dialogs do not move the working directory.
        path = dialog->selectedFiles().constFirst();
        std::error_code openError;
        result = LoadRoster(state.roster, QFile::encodeName(path).toStdString(), &openError, &notes);
        if (!openError) {
            rosterFolder_ = QFileInfo(path).absolutePath();
            break;
        }
        QMessageBox box(QMessageBox::Warning, QStringLiteral("オープンエラー"),
                        QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), OpenErrorReason(openError)),
                        QMessageBox::Retry | QMessageBox::Cancel, this);
        if (box.exec() != QMessageBox::Retry)
            return;
        preset = QFileInfo(path).fileName();
    }

    rosterRead(path, result, notes);
}

bool TForm1::rosterRead(const QString& path, int result, const RosterTextNotes& notes)
{
    if (notes.encoding == cp932::FileEncoding::Utf16) {
        // Nothing was read: the roster is left as after a file without data lines.
        plainMessage(this, QStringLiteral("この名簿ファイルは UTF-16 (Unicode テキスト) で保存されているため、"
                                          "読み込めません。\n"
                                          "表計算ソフトで「CSV」形式で保存し直してから、読み込んでください。"));
        return false;
    }
    if (result < 0) {
        plainMessage(this, QStringLiteral("生徒氏名データに不正行あり"));
        return false;
    }
    if (result == 0) {
        plainMessage(this, QStringLiteral("生徒氏名データが見つかりません。\n"
                                          "「$」で始まる行(生徒のデータ行)が一行もありません。"));
        return false;
    }

    rosterPath_ = QFileInfo(path).absoluteFilePath();
    rosterLoaded(notes);
    draftFollowsRoster();
    return true;
}

bool TForm1::loadRosterFile(const QString& path)
{
    // Read aside first: a file that is no Kelmora roster leaves the loaded one as it is.
    Roster roster;
    std::error_code openError;
    RosterTextNotes notes;
    const int result = LoadRoster(roster, QFile::encodeName(path).toStdString(), &openError, &notes);
    if (openError) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("オープンエラー"),
                        QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), OpenErrorReason(openError)),
                        QMessageBox::Ok, this);
        box.exec();
        return false;
    }
    // A UTF-16 file without "$" lines is a list saved as Unicode text, which the
    // import reads; only a Kelmora roster in UTF-16 is refused as such.
    if (result == 0 && (notes.encoding != cp932::FileEncoding::Utf16 || !HasUtf16DataLines(path))) {
        return openForeignRoster(path);
    }
    ui->DLoad->setEnabled(false);
    ui->OutPut->setEnabled(false);
    ui->Draft->setEnabled(false);
    state.roster = std::move(roster);
    rosterFolder_ = QFileInfo(path).absolutePath();
    return rosterRead(path, result, notes);
}

void TForm1::draftFollowsRoster()
{
    constexpr std::size_t kShown = 20;
    const std::vector<NamedStudent> lost = FitToRoster(state.draftConditions, state.roster);
    if (lost.empty())
        return;
    QString text =
        QStringLiteral("次の生徒は読み込んだ名簿にいないため、席替えの印(前方・固定・男女・離す)を外しました。\n");
    for (std::size_t k = 0; k < lost.size() && k < kShown; ++k)
        text += QStringLiteral("\n%1 %2").arg(cp932::ToUnicode(lost[k].number), cp932::ToUnicode(lost[k].fullName));
    if (lost.size() > kShown)
        text += QStringLiteral("\nほか %1 人").arg(lost.size() - kShown);
    plainMessage(this, text);
}

void TForm1::rosterLoaded(const RosterTextNotes& notes)
{
    if (const auto options = OptionsForColumnCount(state.roster.columnCount)) {
        ui->RadioButton3->setEnabled(options->fullName);
        ui->RadioButton4->setEnabled(options->familyOnly);
        ui->RadioButton2->setEnabled(options->withRuby);
        ui->RadioButton1->setEnabled(options->withoutRuby);
        // A roster without family names must not leave "姓のみ" checked: the list
        // would show numbers without names.
        if (ui->RadioButton4->isChecked()
            && UsableNameMode(NameMode::FamilyName, state.roster.columnCount) != NameMode::FamilyName)
            ui->RadioButton3->setChecked(true);
    }
    ui->DLoad->setEnabled(true);
    rememberFile(rosterPath_);
    if (!notes.changed.empty())
        plainMessage(this, changedLinesMessage(notes));
}

void TForm1::DLoadClick()
{
    const NameMode mode = ui->RadioButton4->isChecked() ? NameMode::FamilyName : NameMode::FullName;
    pushStateChange(QStringLiteral("生徒氏名表示"), [&] { DisplayRoster(state.studentList, state.roster, mode); });
    ui->OutPut->setEnabled(true);
    ui->Draft->setEnabled(true);
}
