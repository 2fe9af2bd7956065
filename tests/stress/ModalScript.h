#pragma once
// Answers the modal windows of one user action in the order the action should
// show them, and notices every window it did not expect. The window tests of
// this folder run long sessions, so one answerer lives for the whole test
// instead of one timer per expected window.
#include "common/ModalAnswerer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

namespace stress {

struct Step {
    enum class Kind { FileDialog, MessageBox };
    Kind kind = Kind::FileDialog;

    // File dialog: the path typed into the name box; empty cancels. `keepPreset`
    // accepts whatever the dialog offers. `beforeAccept` runs just before the
    // accepting button is pressed (the dialog is shown, the name is typed).
    QString path;
    bool keepPreset = false;
    std::function<void(QFileDialog*)> beforeAccept;

    // Message box: what it must say (title exactly unless null, text containing), and the button.
    QString title;
    QString textContains;
    QMessageBox::StandardButton button = QMessageBox::Ok;

    static Step file(const QString& path) { Step s; s.path = path; return s; }
    static Step cancelFile() { return file(QString()); }
    static Step preset() { Step s; s.keepPreset = true; return s; }
    static Step box(const QString& title, const QString& textContains,
                    QMessageBox::StandardButton button = QMessageBox::Ok)
    {
        Step s;
        s.kind = Kind::MessageBox;
        s.title = title;
        s.textContains = textContains;
        s.button = button;
        return s;
    }
};

// What a modal window showed when it was answered.
struct Seen {
    QString kind;   // "file dialog" or "message box"
    QString title;
    QString text;   // the box's text, or the name the file dialog offered
};

class ModalScript : public QObject {
public:
    ModalScript()
    {
        timer_.setInterval(2);
        connect(&timer_, &QTimer::timeout, this, &ModalScript::poll);
        timer_.start();
    }

    // The windows the next action must show, in order.
    void expect(std::initializer_list<Step> steps) { steps_.insert(steps_.end(), steps.begin(), steps.end()); }
    void expect(const Step& step) { steps_.push_back(step); }

    // After an action: every problem since the last call, empty when all went as
    // scripted. Steps never reached count as problems too.
    QStringList takeProblems()
    {
        for (const Step& s : steps_)
            problems_ << (s.kind == Step::Kind::FileDialog ? QStringLiteral("a file dialog was expected but never shown")
                                                           : QStringLiteral("a message box was expected but never shown: ")
                                                                 + s.title + QStringLiteral(" / ") + s.textContains);
        steps_.clear();
        QStringList p;
        p.swap(problems_);
        return p;
    }
    QList<Seen> takeSeen()
    {
        QList<Seen> s;
        s.swap(seen_);
        return s;
    }

private:
    void poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || busy_)
            return;
        if (w != current_) {
            current_ = w;
            shownFor_.start();
        }
        auto* dialog = qobject_cast<QFileDialog*>(w);
        auto* box = qobject_cast<QMessageBox*>(w);
        const bool fits = !steps_.empty()
            && ((dialog && steps_.front().kind == Step::Kind::FileDialog)
                || (box && steps_.front().kind == Step::Kind::MessageBox));
        if (!fits) {
            // Give a window that is still being built a moment before calling it unexpected.
            if (shownFor_.elapsed() < 50)
                return;
            problems_ << QStringLiteral("unexpected window %1: \"%2\" \"%3\"")
                             .arg(QString::fromLatin1(w->metaObject()->className()), w->windowTitle(),
                                  box ? box->text() : QString());
            busy_ = true;
            QMetaObject::invokeMethod(this, [this, w = QPointer<QWidget>(w)] {
                busy_ = false;
                if (auto* d = qobject_cast<QDialog*>(w.data()))
                    d->done(QDialog::Rejected);
                else if (w)
                    w->close();
            }, Qt::QueuedConnection);
            return;
        }
        const Step step = steps_.front();
        steps_.pop_front();
        busy_ = true;
        // Answered from the event loop rather than from inside this timer's
        // handler: answering may open the next window (the question before
        // overwriting), and this timer must be free to fire inside it.
        QMetaObject::invokeMethod(this, [this, step, w = QPointer<QWidget>(w)] {
            busy_ = false;
            if (!w)
                return;
            if (auto* d = qobject_cast<QFileDialog*>(w.data()))
                answerFile(d, step);
            else if (auto* b = qobject_cast<QMessageBox*>(w.data()))
                answerBox(b, step);
        }, Qt::QueuedConnection);
    }

    void answerFile(QFileDialog* dialog, const Step& step)
    {
        seen_ << Seen{QStringLiteral("file dialog"), dialog->windowTitle(), testing::typedFileName(dialog)};
        if (!step.keepPreset && step.path.isEmpty()) {
            dialog->reject();
            return;
        }
        if (!step.keepPreset)
            testing::typeFileName(dialog, step.path);
        if (step.beforeAccept)
            step.beforeAccept(dialog);
        testing::acceptDialog(dialog);
    }

    void answerBox(QMessageBox* box, const Step& step)
    {
        seen_ << Seen{QStringLiteral("message box"), box->windowTitle(), box->text()};
        // A null title takes any title (the dialog's own question).
        if ((!step.title.isNull() && box->windowTitle() != step.title) || !box->text().contains(step.textContains))
            problems_ << QStringLiteral("message box \"%1\" \"%2\" where \"%3\" \"...%4...\" was expected")
                             .arg(box->windowTitle(), box->text(), step.title, step.textContains);
        if (QAbstractButton* b = box->button(step.button)) {
            b->click();
        } else {
            problems_ << QStringLiteral("the message box \"%1\" has no button %2")
                             .arg(box->text()).arg(int(step.button));
            box->done(QDialog::Rejected);
        }
    }

    QTimer timer_;
    std::deque<Step> steps_;
    QStringList problems_;
    QList<Seen> seen_;
    QPointer<QWidget> current_;
    QElapsedTimer shownFor_;
    bool busy_ = false;
};

} // namespace stress
