#pragma once
// Answers the next modal window (message box, file dialog) that the code under
// test opens, from inside its event loop, as a user would.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QItemSelectionModel>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

namespace testing {

// Calls `answer` with the first modal widget of type W to appear (polling the
// event loop), once. Returns immediately; the answer runs later.
template <typename W>
void answerNext(std::function<void(W*)> answer, int timeoutMs = 10000)
{
    auto* timer = new QTimer(qApp);
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, answer, timeoutMs] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget()); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            delete clock;
            answer(w);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            delete clock;
        }
    });
    timer->start();
}

// A message box: remembers its title and text, then presses `button`.
struct BoxSeen {
    QString title, text;
    bool seen = false;
};
// `then` runs after the answer, e.g. to wait for the next box.
inline void answerMessageBox(BoxSeen* seen, QMessageBox::StandardButton button = QMessageBox::Ok,
                             std::function<void()> then = {})
{
    answerNext<QMessageBox>([seen, button, then](QMessageBox* box) {
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->seen = true;
        if (then)
            then();
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
    });
}

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

// A file dialog: types `path` as the user would and accepts, or cancels when empty.
inline void answerFileDialog(const QString& path, QString* presetSeen = nullptr)
{
    answerNext<QFileDialog>([path, presetSeen](QFileDialog* dialog) {
        if (presetSeen) {
            *presetSeen = typedFileName(dialog);
        }
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        typeFileName(dialog, path);
        acceptDialog(dialog);
    });
}

} // namespace testing
