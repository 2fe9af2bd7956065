// The output command: asks for a file name and writes the chart.
#include "app/WholeFile.h"
#include "app/form1/TForm1.h"
#include "app/preview/ChartPdf.h"
#include "codec/Cp932.h"
#include "output/ChartWriter.h"
#include "ui_Form1.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

using namespace kelmora;

void TForm1::connectOutput()
{
    bind(ui->OutPut, &QAction::triggered, &TForm1::OutPutClick);
}

namespace {

void errorMessage(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::Warning, MessageTitle(), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

void TForm1::OutPutClick()
{
    // Ask about the title first: the teacher can mend it before choosing a file.
    const QString typedTitle = ui->Edit3->text();
    const std::optional<std::string> title = cp932::FromUnicode(typedTitle);
    if (!title) {
        errorMessage(this, QStringLiteral("表題に座席表(Shift-JIS)で使えない文字があります: %1\n"
                                          "表題を直してから、もう一度出力してください。")
                               .arg(cp932::Unencodable(typedTitle)));
        return;
    }

    QFileDialog* dialog = saveDialog();
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    if (const QString folder = chartFolder_.isEmpty() ? rosterFolder_ : chartFolder_; !folder.isEmpty())
        dialog->setDirectory(folder);
    dialog->selectFile(QStringLiteral("Kelmora.tex"));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    const QString path = dialog->selectedFiles().constFirst();

    ChartInput input{state.seatTable, ui->StringGrid2->colCount(), ui->StringGrid2->rowCount(), state.roster.table,
                     *title};
    input.groups = state.draftConditions.groups;
    const std::string chart = ChooseChart(state.roster.columnCount, ui->RadioButton2->isChecked()) == ChartKind::Ruby
                                  ? WriteRubySeatingChart(input)
                                  : WriteSeatingChart(input);

    const QString reason = WriteWholeFile(path, chart);
    if (!reason.isEmpty()) {
        errorMessage(this, QStringLiteral("座席表を書き込めませんでした。\n%1\n%2")
                               .arg(QDir::toNativeSeparators(path), reason));
        return;
    }
    chartFolder_ = QFileInfo(path).absolutePath();
    recordHistory();
    if (!typesetCharts)
        return;
    if (!chartPdf_)
        chartPdf_ = new ChartPdf(this);
    chartPdf_->make(path);
}
