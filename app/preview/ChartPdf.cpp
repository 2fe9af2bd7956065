#include "app/preview/ChartPdf.h"

#include "app/KelmoraApplication.h"
#include "app/preview/PreviewLoader.h"
#include "codec/Cp932.h"

#include <QDir>
#include <QMessageBox>
#include <QProgressDialog>

using namespace kelmora;

ChartPdf::ChartPdf(QWidget* window) : QObject(window), window_(window) {}

ChartPdf::~ChartPdf()
{
    // Ends the programs quietly: the window they would report to is going.
    if (typesetter_)
        typesetter_->disconnect(this);
}

void ChartPdf::make(const QString& texPath)
{
    if (!typesetter_) {
        const TexPrograms programs = FindTexPrograms();
        if (!programs.found()) {
            if (!toldMissing_) {
                toldMissing_ = true;
                tell(QMessageBox::Information,
                     QStringLiteral("座席表 (.tex) は書き出しました。\n"
                                    "PDF の作成と印刷プレビューには platex と dvipdfmx が必要です。\n"
                                    "Debian ではパッケージ texlive-lang-japanese を入れてください。"));
            }
            return;
        }
        typesetter_ = std::make_unique<Typesetter>(programs);
        connect(typesetter_.get(), &Typesetter::finished, this, &ChartPdf::finished);
    }

    texPath_ = texPath;
    typesetter_->start(texPath); // ends a run still going, whose dialog then closes
    auto* progress =
        new QProgressDialog(QStringLiteral("座席表の PDF を作っています…"), QStringLiteral("中止"), 0, 0, window_);
    progress->setWindowTitle(MessageTitle());
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    connect(progress, &QProgressDialog::canceled, typesetter_.get(), &Typesetter::cancel);
    progress->show();
    progress_ = progress;
}

void ChartPdf::finished(Typesetter::Outcome outcome)
{
    if (progress_) {
        progress_->disconnect(typesetter_.get());
        progress_->close();
    }
    const QString tex = QDir::toNativeSeparators(texPath_);
    switch (outcome) {
    case Typesetter::Outcome::Done: {
        const QString pdf = QDir::toNativeSeparators(typesetter_->pdfPath());
        if (!preview_) {
            // Tried again with each chart until it loads: the teacher may have
            // mended the installation meanwhile.
            const PreviewLoad load = LoadPreviewPlugin(PreviewPluginDirs());
            if (!load.plugin) {
                tell(QMessageBox::Warning,
                     QStringLiteral("座席表の PDF はできましたが、印刷プレビューを開けませんでした。\n"
                                    "PDF は座席表と同じフォルダーにあります:\n%1\n\n"
                                    "PDF を開くソフトで、見ることも印刷することもできます。\n"
                                    "Kelmora を入れ直すと直ることがあります。\n\n"
                                    "詳しい原因:\n%2")
                         .arg(pdf, load.failure));
                break;
            }
            preview_ = load.plugin->createPreview(window_);
        }
        if (!preview_->showPdf(typesetter_->pdfPath()))
            tell(QMessageBox::Warning, QStringLiteral("できた PDF を開けませんでした。\n%1").arg(pdf));
        break;
    }
    case Typesetter::Outcome::TexFailed:
        tell(QMessageBox::Warning,
             QStringLiteral("座席表を PDF にできませんでした。platex のエラー:\n\n%1\n\n"
                            "表題に LaTeX の誤りがないか確かめてください。座席表ファイルはそのまま残っています:\n%2")
                 .arg(cp932::ToUnicode(typesetter_->texErrors()), tex));
        break;
    case Typesetter::Outcome::Failed:
        tell(QMessageBox::Warning,
             QStringLiteral("座席表を PDF にできませんでした。\n%1\n\n座席表ファイルはそのまま残っています:\n%2")
                 .arg(typesetter_->failure(), tex));
        break;
    case Typesetter::Outcome::TimedOut:
        tell(QMessageBox::Warning, QStringLiteral("PDF の作成が 60 秒で終わらなかったので、中止しました。\n"
                                                  "座席表ファイルはそのまま残っています:\n%1")
                                       .arg(tex));
        break;
    case Typesetter::Outcome::Cancelled: break;
    }
}

void ChartPdf::tell(QMessageBox::Icon icon, const QString& text)
{
    QMessageBox box(icon, MessageTitle(), text, QMessageBox::Ok, window_);
    box.exec();
}
