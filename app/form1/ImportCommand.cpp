// ファイル → 名簿を取り込む: a school's class list through the preview dialog.
#include "app/KelmoraApplication.h"
#include "app/WholeFile.h"
#include "app/form1/RosterMessages.h"
#include "app/form1/TForm1.h"
#include "app/import/ImportDialog.h"
#include "codec/Cp932.h"
#include "codec/TextEncoding.h"
#include "draft/DraftSetup.h"
#include "import/ListFile.h"
#include "import/ListRoster.h"
#include "import/Xlsx.h"
#include "roster/RosterReader.h"
#include "roster/RosterText.h"
#include "ui_Form1.h"

#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <future>

using namespace kelmora;
using namespace kelmora::import;

void TForm1::connectImport()
{
    bind(ui->Import, &QAction::triggered, &TForm1::ImportClick);
}

namespace {

constexpr auto kResave = "表計算ソフトで開き、.xlsx か CSV で保存し直してから取り込んでください。";

// What to tell the teacher about a file that is no list we read; empty for one we read.
QString RefusalText(const ListFile& list, const QString& path)
{
    const QString resave = QString::fromUtf8(kResave);
    switch (list.kind) {
    case ListFileKind::Csv:
    case ListFileKind::Xlsx: return {};
    case ListFileKind::OldExcel:
        return QStringLiteral("このファイルは古い Excel 形式 (.xls) のため、取り込めません。\n"
                              "Excel などで開き、「Excel ブック (*.xlsx)」か「CSV」で保存し直してから"
                              "取り込んでください。");
    case ListFileKind::Encrypted:
        return QStringLiteral("このブックはパスワードで保護されているため、読めません。\n"
                              "Excel などでパスワードを外し、.xlsx か CSV で保存し直してから取り込んでください。");
    case ListFileKind::OtherZip:
        return QStringLiteral("このファイルは Excel のブック (.xlsx) ではありません。\n") + resave;
    case ListFileKind::NotText:
        return QStringLiteral("このファイルは名簿として読める形式 (.xlsx か CSV) ではありません。\n") + resave;
    case ListFileKind::TooLarge:
        return QStringLiteral("ファイルが大きすぎます(%1 MB まで)。").arg(kMaxRosterFileBytes / (1024 * 1024));
    case ListFileKind::UnpacksTooLarge:
        return QStringLiteral("このブックは展開すると大きすぎる(%1 MB を超える)ため、取り込めません。\n")
                   .arg(kMaxUnpackedBytes / (1024 * 1024))
               + resave;
    case ListFileKind::Damaged:
        return QStringLiteral("このブックは壊れているため、読めません。\n"
                              "Excel などで開けるか確かめ、.xlsx か CSV で保存し直してから取り込んでください。");
    case ListFileKind::TooManyRows:
        return QStringLiteral("名簿の行が多すぎます(%1 行まで)。\n"
                              "クラスの行だけを別のシートかファイルに移してから取り込んでください。")
            .arg(kMaxListRows);
    case ListFileKind::Stopped: return {};
    case ListFileKind::Unreadable:
        return QStringLiteral("%1\n%2").arg(QDir::toNativeSeparators(path), OpenErrorReason(list.error));
    }
    return {};
}

// The roles chosen for a header, kept between runs so that next month's list
// from the same system needs no choosing.
QString MemoryFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/import-columns.ini");
}

QString MemoryKey(const std::string& headerKey)
{
    return QStringLiteral("columns/")
           + QString::fromLatin1(
               QCryptographicHash::hash(QByteArray::fromStdString(headerKey), QCryptographicHash::Sha1).toHex());
}

std::string RecallRoles(const std::string& headerKey)
{
    if (headerKey.empty() || !QFileInfo::exists(MemoryFile()))
        return {};
    const QSettings memory(MemoryFile(), QSettings::IniFormat);
    return memory.value(MemoryKey(headerKey)).toString().toStdString();
}

void RememberRoles(const std::string& headerKey, const std::vector<Role>& roles)
{
    if (headerKey.empty())
        return;
    QSettings memory(MemoryFile(), QSettings::IniFormat);
    memory.setValue(MemoryKey(headerKey), QString::fromStdString(RolesText(roles)));
}

Sex DraftSex(ListSex sex)
{
    switch (sex) {
    case ListSex::Boy: return Sex::Boy;
    case ListSex::Girl: return Sex::Girl;
    case ListSex::None: break;
    }
    return Sex::None;
}

} // namespace

void TForm1::ImportClick()
{
    if (!importOpenDialog_)
        importOpenDialog_ =
            makeFileDialog(false, QString(),
                           {QStringLiteral("名簿 (*.csv *.xlsx)"), QStringLiteral("CSV(カンマ形式)ファイル (*.csv)"),
                            QStringLiteral("Excel ブック (*.xlsx)"), QStringLiteral("すべてのファイル (*)")});
    if (importOpenDialog_->exec() != QDialog::Accepted || importOpenDialog_->selectedFiles().isEmpty())
        return;
    importRoster(importOpenDialog_->selectedFiles().constFirst());
}

// Reads the list aside. A class's list takes milliseconds, which the window waits
// out; a long one (up to 64 MB) shows that it is being read, and 中止 stops it.
ListFile TForm1::readList(const QString& path)
{
    std::atomic<bool> stop = false;
    const std::string file = QFile::encodeName(path).toStdString();
    std::future<ListFile> reading = std::async(std::launch::async, [&stop, file] { return ReadListFile(file, &stop); });
    const auto ready = [&reading] { return reading.wait_for(std::chrono::seconds(0)) == std::future_status::ready; };
    if (reading.wait_for(std::chrono::milliseconds(listReadPatienceMs)) != std::future_status::ready) {
        QProgressDialog progress(QStringLiteral("名簿を読んでいます…"), QStringLiteral("中止"), 0, 0, this);
        progress.setWindowTitle(MessageTitle());
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        QEventLoop loop;
        QTimer poll;
        connect(&poll, &QTimer::timeout, &loop, [&] {
            if (ready())
                loop.quit();
        });
        connect(&progress, &QProgressDialog::canceled, &loop, [&stop] { stop = true; });
        poll.start(15);
        progress.show();
        if (!ready())
            loop.exec();
    }
    return reading.get();
}

bool TForm1::importRoster(const QString& path)
{
    const QFileInfo source(path);
    ListFile list = readList(source.absoluteFilePath());
    if (list.kind == ListFileKind::Stopped)
        return false;
    if (const QString refusal = RefusalText(list, path); !refusal.isEmpty()) {
        QMessageBox box(QMessageBox::Warning, MessageTitle(), refusal, QMessageBox::Ok, this);
        box.exec();
        return false;
    }
    if (std::all_of(list.sheets.begin(), list.sheets.end(), [](const Sheet& s) { return s.rows.empty(); })) {
        QMessageBox box(QMessageBox::Warning, MessageTitle(),
                        QStringLiteral("%1\nこのファイルには名簿の行がありません。").arg(source.fileName()),
                        QMessageBox::Ok, this);
        box.exec();
        return false;
    }

    ImportDialog dialog(source.fileName(), std::move(list.sheets), RecallRoles, this);
    if (dialog.exec() != QDialog::Accepted || !dialog.result().problems.empty())
        return false;
    const ImportedList& imported = dialog.result();

    // Everything is made aside first; the program's state changes only at the end.
    Roster roster;
    RosterTextNotes notes;
    roster.studentCount = ReadImportedRoster(roster.table, imported, roster.columnCount, &notes);
    if (roster.studentCount <= 0) // the rows were checked; a fault of ours if it happens
        throw std::runtime_error("the imported list did not read as a roster");

    QString savedPath;
    if (dialog.saveRoster()) {
        if (!importSaveDialog_)
            importSaveDialog_ =
                makeFileDialog(true, QStringLiteral("csv"), {QStringLiteral("CSV(カンマ形式)ファイル (*.csv)")});
        importSaveDialog_->setDirectory(source.absolutePath());
        importSaveDialog_->selectFile(source.completeBaseName() + QStringLiteral("_名簿.csv"));
        if (importSaveDialog_->exec() != QDialog::Accepted || importSaveDialog_->selectedFiles().isEmpty())
            return false;
        savedPath = importSaveDialog_->selectedFiles().constFirst();
        const std::string comment =
            cp932::FromUtf8(QStringLiteral("%1 から取り込んだ名簿").arg(source.fileName()).toStdString()).text;
        const std::string bytes = RosterFileBytes(roster.table, roster.columnCount, comment);
        if (const QString failure =
                WriteWholeFile(savedPath, QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
            !failure.isEmpty()) {
            QMessageBox box(QMessageBox::Warning, MessageTitle(),
                            QStringLiteral("名簿ファイルを保存できませんでした。名簿は取り込んでいません。\n%1\n%2")
                                .arg(QDir::toNativeSeparators(savedPath), failure),
                            QMessageBox::Ok, this);
            box.exec();
            return false;
        }
    }

    RememberRoles(dialog.headerKey(), dialog.roles());
    state.roster = std::move(roster);
    // An arrangement saved later names the roster it was made with: a Kelmora
    // roster file, which the list itself is not.
    rosterPath_ = savedPath.isEmpty() ? QString() : QFileInfo(savedPath).absoluteFilePath();
    rosterFolder_ = source.absolutePath();
    ui->OutPut->setEnabled(false);
    ui->Draft->setEnabled(false);
    rosterLoaded(notes);
    // The marks follow the students to the new roster first; the list's 性別
    // then adds to them, and a blank cell keeps the mark the teacher made.
    draftFollowsRoster();
    for (std::size_t k = 0; k < imported.sexes.size() && k < state.draftConditions.marks.size(); ++k)
        if (imported.sexes[k] != ListSex::None)
            state.draftConditions.marks[k].sex = DraftSex(imported.sexes[k]);
    return true;
}
