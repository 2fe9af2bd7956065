#pragma once
// Turns a written chart into a PDF beside it: pLaTeX, then dvipdfmx, each as a
// child process, in a private temporary folder. Qt Core only; the window shows
// the progress and the outcome.
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

class QTemporaryDir;

namespace kelmora {

struct TexPrograms {
    QString platex;
    QString dvipdfmx;
    bool found() const { return !platex.isEmpty() && !dvipdfmx.isEmpty(); }
};

// The two programs as found on PATH; a name stays empty when it is missing.
TexPrograms FindTexPrograms();

// platex's arguments for the chart `tex`: code page 932, stopping at the first error.
QStringList TexArguments(const QString& tex);
// dvipdfmx's arguments from `dvi` to `pdf`: the landscape JIS B5 page, which the
// DVI file does not tell, with the Japanese fonts embedded (the IPA fonts; the
// default map leaves them out, and a printer or another PC then substitutes or
// drops them).
QStringList PdfArguments(const QString& dvi, const QString& pdf);

// The PDF's path for a chart: the same folder and base name, ".pdf".
QString PdfPathFor(const QString& texPath);

// The first errors of a TeX log (code page 932 bytes, as pLaTeX writes them with
// -kanji=sjis): each line starting with "!" and the `after` lines that follow it,
// and the line that tells where in the chart TeX stopped ("l.20 \fbox{...") with
// the rest of that line under it, also when more context comes between; at most
// `maxLines` lines, joined by "\n". Empty when the log holds no error.
std::string FirstErrorLines(std::string_view log, int after = 2, int maxLines = 9);

class Typesetter : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        Done,      // the PDF is in place
        TexFailed, // pLaTeX stopped: texErrors() says why
        Failed,    // anything else went wrong (dvipdfmx, files): failure() says why
        TimedOut,  // the time ran out and the programs were ended
        Cancelled, // cancel(), or a new start() while running
    };
    Q_ENUM(Outcome)

    explicit Typesetter(TexPrograms programs, QObject* parent = nullptr);
    ~Typesetter() override;

    void setTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

    // Starts typesetting the chart at `texPath` (copied at once, so the file may
    // change afterwards). finished() follows exactly once for every start: from
    // the event loop, except for Cancelled, which is emitted before cancel() (or
    // the next start()) returns.
    void start(const QString& texPath);
    void cancel();
    bool isRunning() const { return step_ != Step::Idle; }

    QString pdfPath() const { return pdfPath_; }
    // After TexFailed: the first error lines of pLaTeX's log, code page 932 bytes.
    const std::string& texErrors() const { return texErrors_; }
    // After Failed: the reason, as the system or the program gave it.
    const QString& failure() const { return failure_; }

signals:
    void finished(kelmora::Typesetter::Outcome outcome);

private:
    enum class Step { Idle, Tex, Pdf };

    void run(const QString& program, const QStringList& arguments);
    void stepFinished(int exitCode, QProcess::ExitStatus status);
    void fail(const QString& reason);
    void end(Outcome outcome);
    void endProcess();

    TexPrograms programs_;
    std::chrono::milliseconds timeout_{60000};
    Step step_ = Step::Idle;
    quint64 run_ = 0; // tells a late event of an ended run from the current one
    QString pdfPath_;
    std::string texErrors_;
    QString failure_;
    std::unique_ptr<QTemporaryDir> work_;
    std::unique_ptr<QProcess> process_;
    QTimer timer_;
};

} // namespace kelmora
