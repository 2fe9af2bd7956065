// 席替え: the seat change, drawn under the teacher's conditions.
#include "app/draft/DraftDialog.h"
#include "app/form1/TForm1.h"
#include "arrangement/History.h"
#include "draft/DraftSetup.h"
#include "ui_Form1.h"

using namespace kelmora;

void TForm1::connectDraft()
{
    bind(ui->Draft, &QAction::triggered, &TForm1::DraftClick);
}

void TForm1::DraftClick()
{
    const NameMode mode = ui->RadioButton4->isChecked() ? NameMode::FamilyName : NameMode::FullName;
    DraftDialog dialog(
        state.draftConditions, state.roster, state.seatTable, ui->StringGrid2->colCount(), ui->StringGrid2->rowCount(),
        mode, [this](const std::vector<DraftSeat>& seats) { applyDraft(seats); },
        PastSeatings(MatchHistory(state.history, state.roster)), this);
    const GroupShape groups = state.draftConditions.groups;
    dialog.exec();
    // The 班 may have been changed in the dialog: the grids draw them.
    if (state.draftConditions.groups != groups)
        for (StringGrid* grid : {ui->StringGrid1, ui->StringGrid2})
            grid->viewport()->update();
}

void TForm1::applyDraft(const std::vector<DraftSeat>& seats)
{
    // The whole draft is one undo step, however many desks it fills.
    pushStateChange(QStringLiteral("席替え"), [&] {
        const StringGrid* grid = ui->StringGrid2;
        ApplyDraft(state.seatTable, state.cutQueue, state.studentList, grid->colCount(), grid->rowCount(), seats);
    });
}
