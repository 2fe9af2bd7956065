// The File menu's arrangement commands (.kelmora files) and the question before
// a changed arrangement is lost on closing.
#include "app/WholeFile.h"
#include "app/form1/TForm1.h"
#include "arrangement/Arrangement.h"
#include "arrangement/DraftRecord.h"
#include "arrangement/History.h"
#include "codec/Cp932.h"
#include "roster/Roster.h"
#include "roster/RosterReader.h"
#include "roster/RosterText.h"
#include "settings/Settings.h"
#include "ui_Form1.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QUndoStack>

#include <variant>

using namespace kelmora;

void TForm1::connectArrangement()
{
    bind(ui->OpenArrangement, &QAction::triggered, &TForm1::OpenArrangementClick);
    bind(ui->SaveArrangement, &QAction::triggered, &TForm1::SaveArrangementClick);
    bind(ui->SaveArrangementAs, &QAction::triggered, &TForm1::SaveArrangementAsClick);
}

namespace {

void warn(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, MessageTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

int numberIn(const QLineEdit* edit)
{
    return ParseWholeNumber(edit->text().toStdString());
}

bool sameSettings(const Arrangement& a, const Arrangement& b)
{
    return a.columns == b.columns && a.rows == b.rows && a.title == b.title && a.nameMode == b.nameMode
           && a.ruby == b.ruby && a.geometry == b.geometry;
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QFileDialog* TForm1::arrangementDialog(bool save)
{
    QFileDialog*& dialog = save ? arrangementSaveDialog_ : arrangementOpenDialog_;
    if (!dialog)
        dialog =
            makeFileDialog(save, QStringLiteral("kelmora"),
                           {QStringLiteral("座席配置ファイル (*.kelmora)"), QStringLiteral("すべてのファイル (*)")});
    return dialog;
}

Arrangement TForm1::recordedSettings() const
{
    Arrangement a;
    // The seat grid's size, which the chart is written with.
    a.columns = ui->StringGrid2->colCount();
    a.rows = ui->StringGrid2->rowCount();
    a.title = ui->Edit3->text();
    a.nameMode = ui->RadioButton4->isChecked() ? NameMode::FamilyName : NameMode::FullName;
    a.ruby = ui->RadioButton2->isChecked();
    a.geometry = {numberIn(ui->Edit4), numberIn(ui->Edit5), numberIn(ui->Edit6), numberIn(ui->Edit7),
                  numberIn(ui->Edit8)};
    return a;
}

void TForm1::applySettings(const Arrangement& a)
{
    ui->UpDown1->setPosition(a.columns);
    ui->UpDown2->setPosition(a.rows);
    ui->Edit9->setText(QString::fromStdString(DeskCountText(a.columns, a.rows)));
    ui->StringGrid1->setColCount(a.columns);
    ui->StringGrid1->setRowCount(a.rows);
    ui->StringGrid2->setColCount(a.columns);
    ui->StringGrid2->setRowCount(a.rows);

    ui->Edit3->setText(a.title);
    (a.nameMode == NameMode::FamilyName ? ui->RadioButton4 : ui->RadioButton3)->setChecked(true);
    (a.ruby ? ui->RadioButton2 : ui->RadioButton1)->setChecked(true);

    ui->UpDown3->setPosition(a.geometry.width);
    ui->UpDown4->setPosition(a.geometry.height);
    ui->UpDown5->setPosition(a.geometry.columnWidth);
    ui->UpDown6->setPosition(a.geometry.rowHeight);
    ui->UpDown7->setPosition(a.geometry.fontSize);
    StringGrid* grid = ui->StringGrid2;
    grid->resize(a.geometry.width, a.geometry.height);
    grid->setDefaultColWidth(a.geometry.columnWidth);
    grid->setDefaultRowHeight(a.geometry.rowHeight);
    QFont font = grid->font();
    font.setPointSize(a.geometry.fontSize);
    grid->setFont(font);
}

bool TForm1::arrangementChanged() const
{
    // By content rather than by the undo stack: undoing back to the saved desks is
    // no change, and showing the list again changes nothing a file holds. The draft
    // conditions count as the file would record them.
    return !(state.seatTable == savedSeats_) || !(state.cutQueue == savedQueue_)
           || !sameSettings(recordedSettings(), *savedSettings_)
           || DraftRecord(state.draftConditions, state.roster) != savedSettings_->draft
           || HistoryRecord(state.history) != savedSettings_->history;
}

void TForm1::arrangementKept()
{
    savedSettings_ = std::make_unique<Arrangement>(recordedSettings());
    savedSettings_->draft = DraftRecord(state.draftConditions, state.roster);
    savedSettings_->history = HistoryRecord(state.history);
    savedSeats_ = state.seatTable;
    savedQueue_ = state.cutQueue;
    undoStack->setClean();
    if (!arrangementPath_.isEmpty())
        rememberFile(arrangementPath_);
    refreshTitle();
}

void TForm1::OpenArrangementClick()
{
    // Before the file is chosen, as closing asks: the answer may itself need a file dialog.
    if (!askToSave())
        return;
    QFileDialog* dialog = arrangementDialog(false);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    openArrangement(dialog->selectedFiles().constFirst());
}

bool TForm1::openArrangement(const QString& path)
{
    const auto cannot = [&](const QString& problem) {
        warn(this, QStringLiteral("座席配置ファイルを開けませんでした。\n%1\n%2").arg(shown(path), problem));
        return false;
    };
    if (QFileInfo(path).isDir())
        return cannot(QStringLiteral("フォルダです。"));
    // As a roster is read: a named pipe or a device would hold the window.
    std::string bytes;
    std::error_code error;
    if (!ReadFileBytes(QFile::encodeName(path).toStdString(), bytes, &error, kMaxArrangementBytes))
        return cannot(FileReadReason(error, kMaxArrangementBytes));
    auto read = ReadArrangement(QByteArray::fromStdString(bytes));
    if (const QString* problem = std::get_if<QString>(&read))
        return cannot(*problem);
    Arrangement& arrangement = std::get<Arrangement>(read);

    if (state.roster.studentCount <= 0) {
        QMessageBox ask(QMessageBox::Question, MessageTitle(),
                        QStringLiteral("名簿が読み込まれていません。この座席配置の名簿を読み込みますか?\n%1")
                            .arg(shown(arrangement.rosterPath)),
                        QMessageBox::Yes | QMessageBox::No, this);
        if (ask.exec() != QMessageBox::Yes)
            return false;
        Roster roster;
        std::error_code openError;
        RosterTextNotes notes;
        const int count =
            LoadRoster(roster, QFile::encodeName(arrangement.rosterPath).toStdString(), &openError, &notes);
        if (openError || count <= 0) {
            warn(this, QStringLiteral("名簿を読み込めませんでした。\n%1\n%2")
                           .arg(shown(arrangement.rosterPath),
                                openError ? QString::fromLocal8Bit(openError.message())
                                          : QStringLiteral("生徒氏名データがないか、不正な行があります。")));
            return false;
        }
        state.roster = std::move(roster);
        rosterPath_ = arrangement.rosterPath;
        rosterLoaded(notes);
    }

    // 姓のみ over a roster without family names would empty the list's names, so
    // the file opens as 姓名, as loading such a roster does.
    const bool familyNamesMissing =
        UsableNameMode(arrangement.nameMode, state.roster.columnCount) != arrangement.nameMode;
    arrangement.nameMode = UsableNameMode(arrangement.nameMode, state.roster.columnCount);
    const MatchedPlacement matched = MatchPlacement(arrangement, state.roster);
    putPlacement(QStringLiteral("座席配置を開く"), matched, arrangement.nameMode);
    applySettings(arrangement);
    // The history belongs to the file: a file without one starts the year afresh.
    QStringList notices;
    state.history = ReadHistory(arrangement.history, notices);
    // A file that records no conditions leaves the present ones: they may have
    // been set for this class already.
    std::vector<NamedStudent> markedMissing;
    if (!arrangement.draft.isEmpty())
        state.draftConditions = ReadDraftRecord(arrangement.draft, state.roster, &markedMissing);
    else
        draftFollowsRoster();
    ui->DLoad->setEnabled(true);
    ui->OutPut->setEnabled(true);
    ui->Draft->setEnabled(true);
    arrangementPath_ = path;
    arrangementKept();

    if (familyNamesMissing)
        warn(this, QStringLiteral("この座席配置は「姓のみ」で保存されていますが、今の名簿には姓の列がありません。\n"
                                  "生徒氏名は「姓　名」で表示します。"));
    warnMissing(matched, markedMissing);
    if (!notices.isEmpty())
        warn(this, notices.join(QLatin1Char('\n')));
    return true;
}

void TForm1::putPlacement(const QString& text, const MatchedPlacement& matched, NameMode mode)
{
    pushStateChange(text, [&] {
        state.seatTable = matched.seats;
        state.cutQueue = matched.queue;
        ListUnplaced(state.studentList, state.roster, mode, matched);
    });
}

void TForm1::warnMissing(const MatchedPlacement& matched, const std::vector<NamedStudent>& markedMissing)
{
    QStringList names;
    for (const PlacedStudent& s : matched.missing)
        names.append(cp932::ToUnicode(s.number) + QLatin1Char(' ') + cp932::ToUnicode(s.text));
    // Students with 席替え marks but no desk are named too; one on a desk is named once.
    for (const NamedStudent& s : markedMissing)
        if (std::none_of(matched.missing.begin(), matched.missing.end(),
                         [&s](const PlacedStudent& d) { return d.number == s.number && d.fullName == s.fullName; }))
            names.append(cp932::ToUnicode(s.number) + QLatin1Char(' ') + cp932::ToUnicode(s.fullName));
    if (names.isEmpty())
        return;
    warn(this, QStringLiteral("今の名簿にいない生徒がいます。その席は空けておきます。\n%1")
                   .arg(names.join(QLatin1Char('\n'))));
}

bool TForm1::saveArrangement(const QString& path)
{
    Arrangement arrangement = recordedSettings();
    RecordPlacement(arrangement, state.seatTable, state.cutQueue, state.roster);
    arrangement.rosterPath = rosterPath_;
    arrangement.draft = DraftRecord(state.draftConditions, state.roster);
    if (!state.history.empty())
        arrangement.history = HistoryRecord(state.history);
    const QString reason = WriteWholeFile(path, WriteArrangement(arrangement));
    if (!reason.isEmpty()) {
        warn(this, QStringLiteral("座席配置を保存できませんでした。\n%1\n%2").arg(shown(path), reason));
        return false;
    }
    arrangementPath_ = path;
    arrangementKept();
    return true;
}

void TForm1::SaveArrangementClick()
{
    if (arrangementPath_.isEmpty())
        SaveArrangementAsClick();
    else
        saveArrangement(arrangementPath_);
}

void TForm1::SaveArrangementAsClick()
{
    QFileDialog* dialog = arrangementDialog(true);
    dialog->selectFile(arrangementPath_.isEmpty() ? QStringLiteral("座席配置.kelmora") : arrangementPath_);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    saveArrangement(dialog->selectedFiles().constFirst());
}

bool TForm1::askToSave()
{
    if (!arrangementChanged())
        return true;
    QMessageBox box(QMessageBox::Question, MessageTitle(), QStringLiteral("座席配置が変更されています。保存しますか?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.button(QMessageBox::Save)->setText(QStringLiteral("保存"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("保存しない"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save:
        SaveArrangementClick();
        return !arrangementChanged(); // a cancelled or failed save keeps the program open
    case QMessageBox::Discard: return true;
    default: return false;
    }
}
