#include "typeset/Typesetter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <vector>

#include <signal.h>
#include <unistd.h>

namespace kelmora {

namespace {

// The names inside the work folder: plain ASCII, so neither TeX nor the shell
// has to cope with the teacher's file name.
const QString kTex = QStringLiteral("chart.tex");
const QString kLog = QStringLiteral("chart.log");
const QString kDvi = QStringLiteral("chart.dvi");
const QString kPdf = QStringLiteral("chart.pdf");

// The last lines of a program's output, for a failure without a log.
QByteArray Tail(const QByteArray& output, int lines = 4)
{
    QList<QByteArray> all = output.trimmed().split('\n');
    if (all.size() > lines)
        all = all.mid(all.size() - lines);
    return all.join('\n');
}

} // namespace

TexPrograms FindTexPrograms()
{
    return {QStandardPaths::findExecutable(QStringLiteral("platex")),
            QStandardPaths::findExecutable(QStringLiteral("dvipdfmx"))};
}

QStringList TexArguments(const QString& tex)
{
    return {QStringLiteral("-kanji=sjis"), QStringLiteral("-interaction=nonstopmode"), QStringLiteral("-halt-on-error"),
            tex};
}

QStringList PdfArguments(const QString& dvi, const QString& pdf)
{
    // The maps come with texlive-lang-japanese and name the IPA fonts it ships;
    // given here, they leave the system's own setting alone. A missing map is
    // only a warning to dvipdfmx.
    return QStringLiteral("-f ptex-ipa.map -f otf-ipa.map -p 257mm,182mm -o").split(u' ') << pdf << dvi;
}

QString PdfPathFor(const QString& texPath)
{
    const QFileInfo info(texPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
}

std::string FirstErrorLines(std::string_view log, int after, int maxLines)
{
    std::vector<std::string_view> lines;
    while (!log.empty()) {
        const std::size_t end = log.find('\n');
        std::string_view line = log.substr(0, end);
        log = end == std::string_view::npos ? std::string_view() : log.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
    }
    const auto isError = [&](std::size_t k) { return !lines[k].empty() && lines[k].front() == '!'; };
    // "l.20 \fbox{...": the line of the chart TeX stopped in, under its context.
    const auto isLineNumber = [&](std::size_t k) {
        const std::string_view l = lines[k];
        return l.size() > 2 && l.starts_with("l.") && l[2] >= '0' && l[2] <= '9';
    };
    const auto blank = [&](std::size_t k) { return lines[k].find_first_not_of(' ') == std::string_view::npos; };

    std::string out;
    int taken = 0;
    const auto take = [&](std::size_t k) {
        if (taken == maxLines)
            return;
        if (!out.empty())
            out += '\n';
        out += lines[k];
        ++taken;
    };
    // How far below its error line TeX's context may reach: LaTeX shows the
    // innermost and the outermost level only, a line pair each, and its own
    // errors a few lines of advice first.
    constexpr std::size_t kReach = 8;
    for (std::size_t i = 0; i < lines.size() && taken < maxLines; ++i) {
        if (!isError(i))
            continue;
        const std::size_t end = std::min(lines.size(), i + 1 + static_cast<std::size_t>(std::max(after, 0)));
        bool numbered = false;
        std::size_t k = i;
        for (; k < end && (k == i || !isError(k)); ++k) {
            take(k);
            numbered = numbered || isLineNumber(k);
        }
        // The line number also when the context above it is longer, with the
        // rest of that line under it (all blank when TeX stopped at its end).
        for (std::size_t n = k; !numbered && n < std::min(lines.size(), i + 1 + kReach) && !isError(n); ++n) {
            if (!isLineNumber(n))
                continue;
            take(n);
            if (n + 1 < lines.size() && !blank(n + 1))
                take(n + 1);
            k = n + 1;
            numbered = true;
        }
        i = k - 1;
    }
    return out;
}

Typesetter::Typesetter(TexPrograms programs, QObject* parent) : QObject(parent), programs_(std::move(programs))
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { end(Outcome::TimedOut); });
}

Typesetter::~Typesetter()
{
    endProcess();
}

void Typesetter::start(const QString& texPath)
{
    cancel();
    ++run_;
    step_ = Step::Tex;
    pdfPath_ = PdfPathFor(texPath);
    texErrors_.clear();
    failure_.clear();
    timer_.start(timeout_);
    work_ = std::make_unique<QTemporaryDir>();
    if (!work_->isValid()) {
        fail(work_->errorString());
        return;
    }
    QFile source(texPath);
    if (!source.copy(work_->filePath(kTex))) {
        fail(source.errorString());
        return;
    }
    run(programs_.platex, TexArguments(kTex));
}

void Typesetter::cancel()
{
    if (isRunning())
        end(Outcome::Cancelled);
}

void Typesetter::run(const QString& program, const QStringList& arguments)
{
    process_ = std::make_unique<QProcess>();
    process_->setWorkingDirectory(work_->path());
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardInputFile(QProcess::nullDevice());
    // A group of its own, so that ending it also ends whatever it started.
    process_->setChildProcessModifier([] { ::setpgid(0, 0); });
    const quint64 run = run_;
    connect(process_.get(), &QProcess::finished, this, [this, run](int exitCode, QProcess::ExitStatus status) {
        if (run == run_)
            stepFinished(exitCode, status);
    });
    // Queued: a program that cannot start is reported from the event loop, like every other end.
    connect(
        process_.get(), &QProcess::errorOccurred, this,
        [this, run](QProcess::ProcessError error) {
            if (run == run_ && error == QProcess::FailedToStart && process_)
                fail(process_->program() + QStringLiteral(": ") + process_->errorString());
        },
        Qt::QueuedConnection);
    process_->start(program, arguments);
}

void Typesetter::stepFinished(int exitCode, QProcess::ExitStatus status)
{
    const bool ok = status == QProcess::NormalExit && exitCode == 0;
    const QByteArray output = process_->readAll();
    if (step_ == Step::Tex) {
        if (!ok || !QFile::exists(work_->filePath(kDvi))) {
            QFile log(work_->filePath(kLog));
            const QByteArray text = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
            texErrors_ = FirstErrorLines(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
            if (texErrors_.empty())
                texErrors_ = Tail(output).toStdString(); // pLaTeX speaks code page 932 here too
            end(Outcome::TexFailed);
            return;
        }
        step_ = Step::Pdf;
        run(programs_.dvipdfmx, PdfArguments(kDvi, kPdf));
        return;
    }

    QFile made(work_->filePath(kPdf));
    if (!ok || !made.open(QIODevice::ReadOnly)) {
        fail(QString::fromLocal8Bit(Tail(output)));
        return;
    }
    const QByteArray pdf = made.readAll();
    // Beside the chart, whole or not at all: a viewer holding the old PDF keeps reading it.
    // flush() before commit(): a PDF that fits in the buffer is only written out
    // there, and commit() puts the file in place even when that fails (a full disk
    // would leave an empty file where the older PDF was).
    QSaveFile target(pdfPath_);
    if (!target.open(QIODevice::WriteOnly) || target.write(pdf) != pdf.size() || !target.flush() || !target.commit()) {
        const QString reason = target.errorString();
        target.cancelWriting();
        fail(QDir::toNativeSeparators(pdfPath_) + QStringLiteral(": ") + reason);
        return;
    }
    end(Outcome::Done);
}

void Typesetter::fail(const QString& reason)
{
    // Reported from the event loop even when start() itself finds the fault.
    failure_ = reason;
    const quint64 run = run_;
    QTimer::singleShot(0, this, [this, run] {
        if (run == run_ && isRunning())
            end(Outcome::Failed);
    });
}

void Typesetter::end(Outcome outcome)
{
    timer_.stop();
    endProcess();
    work_.reset();
    step_ = Step::Idle;
    ++run_;
    emit finished(outcome);
}

void Typesetter::endProcess()
{
    if (!process_)
        return;
    process_->disconnect(this);
    if (process_->state() != QProcess::NotRunning) {
        if (const qint64 pid = process_->processId(); pid > 0)
            ::kill(static_cast<pid_t>(-pid), SIGKILL);
        process_->kill();
        process_->waitForFinished(2000);
    }
    process_.reset();
}

} // namespace kelmora
