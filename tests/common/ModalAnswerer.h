#pragma once
// Answers the next modal window (message box, file dialog) that the code under
// test opens, from inside its event loop, as a user would.
#include <QApplication>
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
inline void answerMessageBox(BoxSeen* seen, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    answerNext<QMessageBox>([seen, button](QMessageBox* box) {
        seen->title = box->windowTitle();
        seen->text = box->text();
        seen->seen = true;
        if (QAbstractButton* b = box->button(button))
            b->click();
        else
            box->reject();
    });
}

// A file dialog: types `path` as the user would and accepts, or cancels when empty.
inline void answerFileDialog(const QString& path, QString* presetSeen = nullptr)
{
    answerNext<QFileDialog>([path, presetSeen](QFileDialog* dialog) {
        if (presetSeen) {
            const auto edits = dialog->findChildren<QLineEdit*>();
            *presetSeen = edits.isEmpty() ? QString() : edits.first()->text();
        }
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        dialog->accept();
    });
}

} // namespace testing
