// The Edit menu: undo and redo of every change of the desks, the student list
// and the cut queue.
#include "app/form1/TForm1.h"
#include "seating/PlacementChange.h"
#include "ui_Form1.h"

#include <QUndoCommand>
#include <QUndoStack>

using namespace kelmora;

namespace {

// One step: the change has been made when it is pushed, so its first redo does nothing.
class PlacementCommand : public QUndoCommand {
public:
    PlacementCommand(TForm1& form, const QString& text, PlacementChange change)
        : QUndoCommand(text), form_(form), change_(std::move(change))
    {
    }

    void undo() override
    {
        change_.undo(state());
        form_.showPlacement();
    }

    void redo() override
    {
        if (pushed_) {
            pushed_ = false;
            return;
        }
        change_.redo(state());
        form_.showPlacement();
    }

private:
    PlacementState state() { return {form_.state.seatTable, form_.state.studentList, form_.state.cutQueue}; }

    TForm1& form_;
    PlacementChange change_;
    bool pushed_ = true;
};

} // namespace

void TForm1::connectEdit()
{
    ui->Undo->setShortcut(QKeySequence::Undo);
    ui->Redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    bind(ui->Undo, &QAction::triggered, &TForm1::UndoClick);
    bind(ui->Redo, &QAction::triggered, &TForm1::RedoClick);
    connect(undoStack, &QUndoStack::canUndoChanged, ui->Undo, &QAction::setEnabled);
    connect(undoStack, &QUndoStack::canRedoChanged, ui->Redo, &QAction::setEnabled);
}

void TForm1::UndoClick()
{
    undoStack->undo();
}

void TForm1::RedoClick()
{
    undoStack->redo();
}

void TForm1::pushPlacementChange(const QString& text, PlacementChange change)
{
    showPlacement();
    if (!change.empty())
        undoStack->push(new PlacementCommand(*this, text, std::move(change)));
}

void TForm1::pushStateChange(const QString& text, const std::function<void()>& change)
{
    const PlacementState now{state.seatTable, state.studentList, state.cutQueue};
    const PlacementSnapshot before = PlacementSnapshot::Take(now);
    try {
        change();
    } catch (...) {
        // Whatever it did before it failed is a step too.
        pushPlacementChange(text, PlacementChange::Between(before, now));
        throw;
    }
    pushPlacementChange(text, PlacementChange::Between(before, now));
}
