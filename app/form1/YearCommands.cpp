// The 学級 menu: the classroom's 班 and windows, and the year's history of charts.
#include "app/form1/TForm1.h"
#include "app/year/HistoryWindow.h"
#include "app/year/RoomDialog.h"
#include "arrangement/Arrangement.h"
#include "arrangement/History.h"
#include "ui_Form1.h"

#include <QDate>
#include <QMenuBar>

using namespace kelmora;

void TForm1::connectYear()
{
    // Made here rather than in the form: the menu bar's other entries stay as they were.
    // ヘルプ stays last; G and Ctrl+H are free on the menu bar and in every menu.
    YearMenu = new QMenu(QStringLiteral("学級(&G)"), this);
    YearMenu->setObjectName(QStringLiteral("Year"));
    ui->MainMenu1->insertMenu(ui->Help->menuAction(), YearMenu);
    RoomShape = YearMenu->addAction(QStringLiteral("班と窓側(&W)..."));
    RoomShape->setObjectName(QStringLiteral("RoomShape"));
    History = YearMenu->addAction(QStringLiteral("座席の履歴(&H)..."));
    History->setObjectName(QStringLiteral("History"));
    History->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    bind(RoomShape, &QAction::triggered, &TForm1::RoomShapeClick);
    bind(History, &QAction::triggered, &TForm1::HistoryClick);

    // The 班 as thick lines on the seat grid and on the settings page's preview,
    // read from the conditions at every repaint.
    for (StringGrid* grid : {ui->StringGrid1, ui->StringGrid2})
        grid->setThickBorders([this, grid](int col, int row) {
            const GroupShape groups = state.draftConditions.groups;
            Qt::Edges edges;
            if (GroupBorderRightOf(groups, grid->colCount(), col))
                edges |= Qt::RightEdge;
            if (GroupBorderBelow(groups, grid->rowCount(), row))
                edges |= Qt::BottomEdge;
            return edges;
        });
}

void TForm1::RoomShapeClick()
{
    DraftConditions& c = state.draftConditions;
    RoomDialog dialog(c.groups, c.windows, ui->UpDown1->position(), ui->UpDown2->position(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    c.groups = dialog.groups();
    c.windows = dialog.windows();
    ui->StringGrid1->viewport()->update();
    showPlacement();
}

void TForm1::HistoryClick()
{
    const DraftConditions& c = state.draftConditions;
    HistoryWindow window(
        state.history, state.roster, {c.groups, c.frontRows, c.windows},
        [this](std::size_t entry) { restoreHistory(entry); },
        [this](std::size_t entry) {
            if (entry < state.history.size())
                state.history.erase(state.history.begin() + static_cast<std::ptrdiff_t>(entry));
        },
        this);
    window.exec();
}

void TForm1::recordHistory()
{
    AddHistoryEntry(state.history,
                    RecordHistoryEntry(QDate::currentDate(), state.seatTable, ui->StringGrid2->colCount(),
                                       ui->StringGrid2->rowCount(), state.roster));
}

void TForm1::restoreHistory(std::size_t index)
{
    if (index >= state.history.size())
        return;
    const HistoryEntry& entry = state.history[index];
    Arrangement recorded = recordedSettings();
    recorded.desks = entry.desks;
    const MatchedPlacement matched = MatchPlacement(recorded, state.roster);
    putPlacement(QStringLiteral("この配置に戻す"), matched, recorded.nameMode);
    // The room the entry was made in: its grid size, as opening a file sets it.
    recorded.columns = entry.columns;
    recorded.rows = entry.rows;
    applySettings(recorded);
    warnMissing(matched);
}
