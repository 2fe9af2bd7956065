#pragma once
// The one answerer of the modal windows (message boxes, file dialogs, our own
// dialogs) that the code under test opens: it watches the event loop for the
// active modal window and answers it as a user would, from inside that window's
// event loop.
//
// A test hands it steps, in the order the windows should come:
//   modals().expect({Step::file(path), Step::box(title, text, QMessageBox::Cancel)});
// A shown window is answered by the first waiting step whose window type fits.
// Steps are in order: a window may not pass over one of them. Loose steps
// (Step::loose, as execWith() uses) may be passed over and give up after a
// time, as a user who waits for a window that may come.
// While a WindowTest runs, the answerer also watches for windows no step
// expected (but for progress dialogs, which wait for no answer): it records
// them as problems and closes them, so a test fails instead of hanging.
// takeProblems() and takeSeen() tell what happened.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace testing {

// Presses the dialog's accepting button (for a file dialog: Open or Save,
// with the checks they make, such as the question before overwriting).
inline void acceptDialog(QDialog* dialog)
{
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
}

// Types into the dialog's file name box, as the user does (a whole path works).
inline void typeFileName(QFileDialog* dialog, const QString& path)
{
    // A file the dialog's list has not caught up with yet would lose against the
    // entry still selected there from the last time; the user would click away.
    for (auto* view : dialog->findChildren<QAbstractItemView*>())
        if (view->selectionModel())
            view->selectionModel()->clearSelection();
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
}

inline QString typedFileName(QFileDialog* dialog)
{
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    return edit ? edit->text() : QString();
}

// What a modal window showed when it was answered: its title, and a message
// box's text or the name a file dialog offered.
struct Seen {
    QString title;
    QString text;
};

// One window to answer.
struct Step {
    QString what; // for reports
    std::function<bool(QWidget*)> fits;
    // Answers the window; returns what was wrong with it, or nothing.
    std::function<QString(QWidget*)> answer;
    bool inOrder = true;
    QDeadlineTimer giveUp = QDeadlineTimer(QDeadlineTimer::Forever);

    // A file dialog: `path` typed into its name box and accepted; an empty path
    // cancels. `beforeAccept` runs just before the accepting button is pressed.
    static Step file(const QString& path, std::function<void(QFileDialog*)> beforeAccept = {})
    {
        Step s;
        s.what = QStringLiteral("a file dialog");
        s.fits = [](QWidget* w) { return qobject_cast<QFileDialog*>(w) != nullptr; };
        s.answer = [path, beforeAccept](QWidget* w) {
            auto* dialog = static_cast<QFileDialog*>(w);
            if (path.isEmpty()) {
                dialog->reject();
                return QString();
            }
            typeFileName(dialog, path);
            if (beforeAccept)
                beforeAccept(dialog);
            acceptDialog(dialog);
            return QString();
        };
        return s;
    }
    static Step cancelFile() { return file(QString()); }

    // A message box that must say `textContains` under the title `title` (any
    // title when null), answered with `button`.
    static Step box(const QString& title, const QString& textContains,
                    QMessageBox::StandardButton button = QMessageBox::Ok)
    {
        Step s;
        s.what = QStringLiteral("a message box: ") + title + QStringLiteral(" / ") + textContains;
        s.fits = [](QWidget* w) { return qobject_cast<QMessageBox*>(w) != nullptr; };
        s.answer = [title, textContains, button](QWidget* w) {
            auto* box = static_cast<QMessageBox*>(w);
            QString wrong;
            if ((!title.isNull() && box->windowTitle() != title) || !box->text().contains(textContains))
                wrong = QStringLiteral("message box \"%1\" \"%2\" where \"%3\" \"...%4...\" was expected")
                            .arg(box->windowTitle(), box->text(), title, textContains);
            if (QAbstractButton* b = box->button(button)) {
                b->click();
            } else {
                wrong += QStringLiteral(" the message box \"%1\" has no button %2").arg(box->text()).arg(int(button));
                box->done(QDialog::Rejected);
            }
            return wrong;
        };
        return s;
    }

    // Any modal window of type W, handed to `answer`.
    template <typename W>
    static Step any(std::function<void(W*)> answer)
    {
        Step s;
        s.what = QStringLiteral("a ") + QLatin1String(W::staticMetaObject.className());
        s.fits = [](QWidget* w) { return qobject_cast<W*>(w) != nullptr; };
        s.answer = [answer](QWidget* w) {
            answer(static_cast<W*>(w));
            return QString();
        };
        return s;
    }

    // The same step, passed over by windows it does not fit and dropped after `timeoutMs`.
    Step loose(int timeoutMs) &&
    {
        inOrder = false;
        giveUp = QDeadlineTimer(timeoutMs);
        return std::move(*this);
    }
};

class ModalAnswerer : public QObject {
public:
    explicit ModalAnswerer(QObject* parent) : QObject(parent)
    {
        timer_.setInterval(2);
        connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
    }

    void expect(std::initializer_list<Step> steps)
    {
        steps_.insert(steps_.end(), steps.begin(), steps.end());
        timer_.start();
    }
    void expect(Step step)
    {
        steps_.push_back(std::move(step));
        timer_.start();
    }

    // While on, a window no step fits is a problem, and is closed.
    void watch(bool on)
    {
        watching_ = on;
        if (on)
            timer_.start();
    }

    // Every problem since the last call, empty when all went as expected; the
    // in-order steps never reached count too, and are dropped.
    QStringList takeProblems()
    {
        for (auto it = steps_.begin(); it != steps_.end();) {
            if (it->inOrder) {
                problems_ << it->what + QStringLiteral(" was expected but never shown");
                it = steps_.erase(it);
            } else {
                ++it;
            }
        }
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

    // Whether an in-order step still waits for its window or an answer is still to run.
    bool waiting() const
    {
        return busy_ || std::any_of(steps_.begin(), steps_.end(), [](const Step& s) { return s.inOrder; });
    }

    // Forgets everything, as between two test functions.
    void reset()
    {
        steps_.clear();
        problems_.clear();
        seen_.clear();
        watching_ = false;
    }

private:
    void poll()
    {
        std::erase_if(steps_, [](const Step& s) { return !s.inOrder && s.giveUp.hasExpired(); });
        if (!watching_ && steps_.empty()) {
            timer_.stop();
            return;
        }
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || busy_)
            return;
        // A window whose answer is still at work (waiting for the window to
        // finish something) is neither unexpected nor to be answered twice.
        if (std::find(answering_.begin(), answering_.end(), w) != answering_.end())
            return;
        if (w != current_) {
            current_ = w;
            shownFor_.start();
        }
        auto fitting = steps_.begin();
        while (fitting != steps_.end() && !fitting->fits(w) && !fitting->inOrder)
            ++fitting;
        if (fitting == steps_.end() || !fitting->fits(w)) {
            // Give a window that is still being built a moment before calling it
            // unexpected. A progress dialog waits for no answer: it is let be.
            if (!watching_ || shownFor_.elapsed() < 50 || qobject_cast<QProgressDialog*>(w))
                return;
            auto* box = qobject_cast<QMessageBox*>(w);
            problems_ << QStringLiteral("unexpected window %1: \"%2\" \"%3\"")
                             .arg(QString::fromLatin1(w->metaObject()->className()), w->windowTitle(),
                                  box ? box->text() : QString());
            answerLater(w, [](QWidget* unexpected) {
                if (auto* d = qobject_cast<QDialog*>(unexpected))
                    d->done(QDialog::Rejected);
                else
                    unexpected->close();
                return QString();
            });
            return;
        }
        const Step step = *fitting;
        steps_.erase(fitting);
        answerLater(w, [this, step](QWidget* shown) {
            auto* box = qobject_cast<QMessageBox*>(shown);
            auto* dialog = qobject_cast<QFileDialog*>(shown);
            seen_ << Seen{shown->windowTitle(), box ? box->text() : dialog ? typedFileName(dialog) : QString()};
            return step.answer(shown);
        });
    }

    // Answered from the event loop rather than from inside the timer's handler:
    // answering may open the next window (the question before overwriting), and
    // the timer must be free to fire inside it.
    void answerLater(QWidget* w, std::function<QString(QWidget*)> answer)
    {
        busy_ = true;
        const auto run = [this, answer, w = QPointer<QWidget>(w)] {
            busy_ = false;
            if (!w)
                return;
            answering_.push_back(w.data());
            const QString wrong = answer(w);
            answering_.erase(std::find(answering_.begin(), answering_.end(), w.data()));
            if (!wrong.isEmpty())
                problems_ << wrong;
        };
        QMetaObject::invokeMethod(this, run, Qt::QueuedConnection);
    }

    QTimer timer_;
    std::deque<Step> steps_;
    QStringList problems_;
    QList<Seen> seen_;
    QPointer<QWidget> current_;
    std::vector<QWidget*> answering_; // compared only, never used: one may be gone
    QElapsedTimer shownFor_;
    bool busy_ = false;
    bool watching_ = false;
};

// The program's one answerer, owned by the application object.
inline ModalAnswerer& modals()
{
    static QPointer<ModalAnswerer> answerer;
    if (!answerer)
        answerer = new ModalAnswerer(qApp);
    return *answerer;
}

// Runs `inside` from within the dialog's exec() and returns exec()'s result. A
// dialog that does not close when it should is ended from outside after a while,
// with a result no real close gives (kNotClosed), so a broken close fails instead of hanging.
constexpr int kNotClosed = 4711;
inline int execWith(QDialog* dialog, std::function<void()> inside)
{
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, dialog, [dialog] { dialog->done(kNotClosed); });
    // The step outlives this call when the dialog closes before it is answered.
    const auto open = std::make_shared<bool>(true);
    Step step = Step::any<QDialog>([inside, open, &rescue](QDialog*) {
        if (!*open)
            return;
        rescue.start(10000);
        inside();
    });
    step.fits = [dialog, open](QWidget* w) { return *open && w == dialog; };
    modals().expect(std::move(step).loose(10000));
    const int result = dialog->exec();
    *open = false;
    return result;
}

} // namespace testing
