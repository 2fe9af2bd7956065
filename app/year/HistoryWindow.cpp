#include "app/year/HistoryWindow.h"

#include "app/KelmoraApplication.h"
#include "codec/Cp932.h"
#include "widgets/StringGrid.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace kelmora;

namespace {

constexpr int kRoomWidth = 600; // pixels for the room, up to twelve columns

QString dateText(const QDate& date)
{
    return QLocale(QLocale::Japanese).toString(date, QStringLiteral("yyyy年M月d日(ddd)"));
}

QString nameOf(const Roster& roster, std::int32_t position)
{
    const Seito* s = roster.record(position);
    return s ? cp932::ToUnicode(s->FullName) : QString();
}

} // namespace

HistoryWindow::HistoryWindow(std::vector<HistoryEntry> history, const Roster& roster, Room room, Act restore,
                             Act remove, QWidget* parent)
    : QDialog(parent), history_(std::move(history)), roster_(roster), room_(room), restore_(std::move(restore)),
      remove_(std::move(remove))
{
    setWindowTitle(QStringLiteral("座席の履歴"));
    setSizeGripEnabled(true);

    Pages = new QTabWidget(this);
    auto* arrangements = new QWidget;
    Entries = new QListWidget;
    Entries->setMaximumWidth(190);
    RoomGrid = new StringGrid;
    RoomGrid->setFixedCols(0);
    RoomGrid->setFixedRows(0);
    RoomGrid->setDefaultRowHeight(22);
    RoomGrid->setRangeSelect(false);
    RoomGrid->setFocusPolicy(Qt::NoFocus);
    RoomGrid->setMinimumSize(kRoomWidth + 4, 12 * 23 + 4);
    // Only shown: no desk looks chosen.
    QPalette plain = RoomGrid->palette();
    plain.setColor(QPalette::Highlight, plain.color(QPalette::Base));
    plain.setColor(QPalette::HighlightedText, plain.color(QPalette::Text));
    RoomGrid->setPalette(plain);
    Restore = new QPushButton(QStringLiteral("この配置に戻す"));
    Remove = new QPushButton(QStringLiteral("削除"));
    auto* desk = new QLabel(QStringLiteral("教　卓"));
    desk->setAlignment(Qt::AlignCenter);

    auto* right = new QVBoxLayout;
    right->addWidget(RoomGrid, 1);
    right->addWidget(desk);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Restore);
    buttons->addWidget(Remove);
    buttons->addStretch();
    right->addLayout(buttons);
    auto* rows = new QHBoxLayout(arrangements);
    rows->addWidget(Entries);
    rows->addLayout(right, 1);
    Pages->addTab(arrangements, QStringLiteral("配置(&P)"));

    Year = new QTableWidget;
    Year->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Year->verticalHeader()->hide();
    Year->verticalHeader()->setDefaultSectionSize(Year->fontMetrics().height() + 6);
    Year->horizontalHeader()->setStretchLastSection(true);
    Pages->addTab(Year, QStringLiteral("一年の記録(&Y)"));

    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    close->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* all = new QVBoxLayout(this);
    all->addWidget(Pages, 1);
    all->addWidget(close);

    RoomGrid->setCellSource([this](int col, int row) {
        if (Entries->currentRow() < 0)
            return QString();
        for (const PlacedDesk& d : history_[chosen()].desks)
            if (d.column == col && d.row == row)
                return cp932::ToUnicode(d.student.text);
        return QString();
    });
    RoomGrid->setThickBorders([this](int col, int row) {
        Qt::Edges edges;
        if (GroupBorderRightOf(room_.groups, RoomGrid->colCount(), col))
            edges |= Qt::RightEdge;
        if (GroupBorderBelow(room_.groups, RoomGrid->rowCount(), row))
            edges |= Qt::BottomEdge;
        return edges;
    });

    for (auto e = history_.rbegin(); e != history_.rend(); ++e)
        Entries->addItem(QStringLiteral("%1  %2×%3").arg(dateText(e->date)).arg(e->columns).arg(e->rows));
    connect(Entries, &QListWidget::currentRowChanged, this, &HistoryWindow::showEntry);
    connect(Restore, &QPushButton::clicked, this, [this] {
        if (Entries->currentRow() < 0)
            return;
        restore_(chosen());
        accept();
    });
    connect(Remove, &QPushButton::clicked, this, &HistoryWindow::removeChosen);
    Entries->setCurrentRow(history_.empty() ? -1 : 0);
    showEntry();
    fillYear();
    Entries->setFocus();
    resize(kRoomWidth + 260, 12 * 23 + 160);
}

std::size_t HistoryWindow::chosen() const
{
    return history_.size() - 1 - static_cast<std::size_t>(Entries->currentRow());
}

void HistoryWindow::showEntry()
{
    const bool any = Entries->currentRow() >= 0;
    Restore->setEnabled(any);
    Remove->setEnabled(any);
    const int columns = any ? history_[chosen()].columns : 0;
    // The whole room in view, however many columns it has.
    RoomGrid->setDefaultColWidth(std::clamp(kRoomWidth / std::max(columns, 1), 40, 96));
    RoomGrid->setColCount(columns);
    RoomGrid->setRowCount(any ? history_[chosen()].rows : 0);
    RoomGrid->cellsChanged();
}

void HistoryWindow::fillYear()
{
    const int students = static_cast<int>(roster_.table.size());
    const std::vector<YearCounts> year =
        CountYear(MatchHistory(history_, roster_), students, room_.frontRows, room_.windows);
    Year->clear();
    Year->setColumnCount(6);
    Year->setHorizontalHeaderLabels({QStringLiteral("番号"), QStringLiteral("氏名"), QStringLiteral("回数"),
                                     QStringLiteral("前方"), QStringLiteral("窓側"), QStringLiteral("隣になった人")});
    Year->setRowCount(students);
    for (int p = 1; p <= students; ++p) {
        const YearCounts& y = year[static_cast<std::size_t>(p - 1)];
        QStringList beside;
        for (const auto& [q, times] : y.neighbours)
            beside.append(times > 1 ? QStringLiteral("%1(%2回)").arg(nameOf(roster_, q)).arg(times)
                                    : nameOf(roster_, q));
        const QString cells[] = {cp932::ToUnicode(roster_.table[static_cast<std::size_t>(p - 1)].Number),
                                 nameOf(roster_, p),
                                 QString::number(y.seated),
                                 QString::number(y.front),
                                 QString::number(y.window),
                                 beside.join(QStringLiteral("、"))};
        for (int c = 0; c < 6; ++c)
            Year->setItem(p - 1, c, new QTableWidgetItem(cells[c]));
    }
    Year->resizeColumnsToContents();
}

void HistoryWindow::removeChosen()
{
    const int row = Entries->currentRow();
    if (row < 0)
        return;
    const std::size_t index = chosen();
    QMessageBox ask(QMessageBox::Question, kelmora::MessageTitle(),
                    QStringLiteral("%1 の履歴を削除しますか?").arg(dateText(history_[index].date)),
                    QMessageBox::Yes | QMessageBox::No, this);
    ask.button(QMessageBox::Yes)->setText(QStringLiteral("削除"));
    ask.button(QMessageBox::No)->setText(QStringLiteral("キャンセル"));
    ask.setDefaultButton(QMessageBox::No);
    if (ask.exec() != QMessageBox::Yes)
        return;
    remove_(index);
    history_.erase(history_.begin() + static_cast<std::ptrdiff_t>(index));
    delete Entries->takeItem(row);
    Entries->setCurrentRow(std::min(row, Entries->count() - 1));
    showEntry();
    fillYear();
}
