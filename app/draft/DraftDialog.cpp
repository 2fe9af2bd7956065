#include "app/draft/DraftDialog.h"

#include "codec/Cp932.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

using namespace kelmora;

namespace {

enum StudentColumn { kNumber, kName, kFront, kFixed, kSex };

const QColor kUnusedDesk(96, 96, 96);
const QColor kFreeDesk(215, 215, 215);
const QColor kFrontDesk(255, 243, 196);

QTableWidgetItem* readOnly(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

QTableWidgetItem* checkBox(bool checked)
{
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

DraftDialog::DraftDialog(DraftConditions& conditions, const Roster& roster, const SeatTable& seats, int columns,
                         int rows, NameMode mode, Apply apply, QWidget* parent)
    : QDialog(parent), conditions_(conditions), roster_(roster), seats_(seats), columns_(columns), rows_(rows),
      mode_(mode), apply_(std::move(apply)), rng_(std::random_device{}())
{
    setWindowTitle(QStringLiteral("席替え"));
    FitToRoster(conditions_, roster_);

    StudentGrid = new QTableWidget(static_cast<int>(roster.table.size()), 5, this);
    StudentGrid->setHorizontalHeaderLabels({QStringLiteral("番"), QStringLiteral("名　前"), QStringLiteral("前方"),
                                            QStringLiteral("固定"), QStringLiteral("男女")});
    StudentGrid->verticalHeader()->hide();
    StudentGrid->verticalHeader()->setDefaultSectionSize(22);
    StudentGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    StudentGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    StudentGrid->setColumnWidth(kNumber, 36);
    StudentGrid->setColumnWidth(kName, 120);
    StudentGrid->setColumnWidth(kFront, 44);
    StudentGrid->setColumnWidth(kFixed, 44);
    StudentGrid->setColumnWidth(kSex, 56);
    StudentGrid->setFixedSize(330, 600);
    StudentGrid->setToolTip(QStringLiteral("前方・固定は印をつける。離す生徒は行を選んで「選んだ生徒を離す」"));

    DeskCaption = new QLabel(this);
    DeskGrid = new QTableWidget(rows, columns, this);
    DeskGrid->horizontalHeader()->hide();
    DeskGrid->verticalHeader()->hide();
    DeskGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    DeskGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    DeskGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DeskGrid->setSelectionMode(QAbstractItemView::NoSelection);
    DeskGrid->setFocusPolicy(Qt::NoFocus);
    DeskGrid->setFixedSize(600, 280);
    DeskGrid->setToolTip(QStringLiteral("クリックで空席にする／戻す"));
    auto* teacher = new QLabel(QStringLiteral("教　卓"), this);
    teacher->setAlignment(Qt::AlignCenter);
    teacher->setStyleSheet(
        QStringLiteral("background: rgb(0, 0, 255); color: yellow; font-weight: bold; padding: 3px 10px;"));

    FrontRows = new QSpinBox(this);
    FrontRows->setRange(1, 3);
    FrontRows->setSuffix(QStringLiteral(" 行"));
    EveryoneMoves = new QCheckBox(QStringLiteral("全員移動(固定の生徒のほかは、全員が今と違う席へ)"), this);
    NewNeighbours = new QCheckBox(QStringLiteral("隣を変える(今の左右の隣とは並ばない)"), this);
    MixNone = new QRadioButton(QStringLiteral("混ぜない"), this);
    MixColumns = new QRadioButton(QStringLiteral("男女の列を交互に"), this);
    MixChecker = new QRadioButton(QStringLiteral("市松"), this);
    auto* mixRule = new QLabel(QStringLiteral("席の位置で男子の席・女子の席が決まります(列ごと、または市松模様)。"
                                              "どちらから始めるかは両方試します。空席があっても模様はずれず、"
                                              "男女の印のない生徒はどちらの席にも座れます。"),
                               this);
    mixRule->setWordWrap(true);
    auto* mixBox = new QGroupBox(QStringLiteral("男女"), this);
    auto* mixLayout = new QVBoxLayout(mixBox);
    auto* mixButtons = new QHBoxLayout;
    mixButtons->addWidget(MixNone);
    mixButtons->addWidget(MixColumns);
    mixButtons->addWidget(MixChecker);
    mixLayout->addLayout(mixButtons);
    mixLayout->addWidget(mixRule);

    auto* frontLine = new QHBoxLayout;
    frontLine->addWidget(new QLabel(QStringLiteral("前方:教卓から"), this));
    frontLine->addWidget(FrontRows);
    frontLine->addWidget(new QLabel(QStringLiteral("以内"), this));
    frontLine->addStretch();
    auto* options = new QVBoxLayout;
    options->addLayout(frontLine);
    options->addWidget(EveryoneMoves);
    options->addWidget(NewNeighbours);
    options->addWidget(mixBox);

    ApartList = new QListWidget(this);
    auto* addApart = new QPushButton(QStringLiteral("選んだ生徒を離す"), this);
    auto* removeApart = new QPushButton(QStringLiteral("組を外す"), this);
    for (QPushButton* b : {addApart, removeApart})
        b->setAutoDefault(false);
    auto* apartBox = new QGroupBox(QStringLiteral("離す(隣り合う8席に置かない組)"), this);
    auto* apartLayout = new QVBoxLayout(apartBox);
    apartLayout->addWidget(ApartList);
    auto* apartButtons = new QHBoxLayout;
    apartButtons->addWidget(addApart);
    apartButtons->addWidget(removeApart);
    apartLayout->addLayout(apartButtons);

    Reason = new QLabel(this);
    Reason->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold;"));
    Reason->setWordWrap(true);
    DrawButton = new QPushButton(QStringLiteral("引く"), this);
    DecideButton = new QPushButton(QStringLiteral("決定"), this);
    CloseButton = new QPushButton(QStringLiteral("閉じる"), this);
    DrawButton->setAutoDefault(false);
    CloseButton->setAutoDefault(false);
    DecideButton->setDefault(true);

    auto* room = new QVBoxLayout;
    room->addWidget(DeskCaption);
    room->addWidget(DeskGrid);
    room->addWidget(teacher, 0, Qt::AlignHCenter);
    auto* lower = new QHBoxLayout;
    lower->addLayout(options, 3);
    lower->addWidget(apartBox, 2);
    room->addLayout(lower);
    auto* top = new QHBoxLayout;
    top->addWidget(StudentGrid);
    top->addLayout(room);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Reason, 1);
    buttons->addWidget(DrawButton);
    buttons->addWidget(DecideButton);
    buttons->addWidget(CloseButton);
    auto* whole = new QVBoxLayout(this);
    whole->setSizeConstraint(QLayout::SetFixedSize);
    whole->addLayout(top);
    whole->addLayout(buttons);

    fillControls();

    connect(StudentGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (filling_ || (item->column() != kFront && item->column() != kFixed))
            return;
        StudentMarks& marks = conditions_.marks[static_cast<std::size_t>(item->row())];
        (item->column() == kFront ? marks.front : marks.fixed) = item->checkState() == Qt::Checked;
        conditionsChanged();
    });
    connect(DeskGrid, &QTableWidget::cellClicked, this, &DraftDialog::DeskGridClick);
    connect(FrontRows, &QSpinBox::valueChanged, this, [this](int k) {
        conditions_.frontRows = k;
        conditionsChanged();
    });
    connect(EveryoneMoves, &QCheckBox::toggled, this, [this](bool on) {
        conditions_.everyoneMoves = on;
        conditionsChanged();
    });
    connect(NewNeighbours, &QCheckBox::toggled, this, [this](bool on) {
        conditions_.newNeighbours = on;
        conditionsChanged();
    });
    for (auto [button, mixing] : {std::pair{MixNone, Mixing::None}, std::pair{MixColumns, Mixing::Columns},
                                  std::pair{MixChecker, Mixing::Checkerboard}})
        connect(button, &QRadioButton::toggled, this, [this, mixing](bool on) {
            if (!on)
                return;
            conditions_.mixing = mixing;
            conditionsChanged();
        });
    connect(addApart, &QPushButton::clicked, this, &DraftDialog::AddApartClick);
    connect(removeApart, &QPushButton::clicked, this, &DraftDialog::RemoveApartClick);
    connect(DrawButton, &QPushButton::clicked, this, &DraftDialog::DrawButtonClick);
    connect(DecideButton, &QPushButton::clicked, this, &DraftDialog::DecideButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    DecideButton->setFocus();
}

DraftDialog::~DraftDialog() = default;

void DraftDialog::fillControls()
{
    filling_ = true;
    for (int row = 0; row < StudentGrid->rowCount(); ++row) {
        const Seito& s = roster_.table[static_cast<std::size_t>(row)];
        const StudentMarks& marks = conditions_.marks[static_cast<std::size_t>(row)];
        StudentGrid->setItem(row, kNumber, readOnly(cp932::ToUnicode(s.Number)));
        StudentGrid->setItem(row, kName, readOnly(cp932::ToUnicode(s.FullName)));
        StudentGrid->setItem(row, kFront, checkBox(marks.front));
        StudentGrid->setItem(row, kFixed, checkBox(marks.fixed));
        auto* sex = new QComboBox(StudentGrid);
        sex->addItems({QString(), QStringLiteral("男"), QStringLiteral("女")});
        sex->setCurrentIndex(static_cast<int>(marks.sex));
        sex->setFocusPolicy(Qt::ClickFocus);
        connect(sex, &QComboBox::currentIndexChanged, this, [this, row](int index) {
            conditions_.marks[static_cast<std::size_t>(row)].sex = static_cast<Sex>(index);
            conditionsChanged();
        });
        StudentGrid->setCellWidget(row, kSex, sex);
    }
    FrontRows->setValue(conditions_.frontRows);
    EveryoneMoves->setChecked(conditions_.everyoneMoves);
    NewNeighbours->setChecked(conditions_.newNeighbours);
    (conditions_.mixing == Mixing::Columns        ? MixColumns
     : conditions_.mixing == Mixing::Checkerboard ? MixChecker
                                                  : MixNone)
        ->setChecked(true);
    filling_ = false;
    showApartGroups();
    showDesks();
}

void DraftDialog::conditionsChanged()
{
    if (filling_)
        return;
    shown_.reset();
    Reason->clear();
    showDesks();
}

void DraftDialog::showDesks()
{
    DeskCaption->setText(shown_ ? QStringLiteral("引いた席(「決定」で座席表に入ります)")
                                : QStringLiteral("今の席(クリックで空席にする／戻す)"));
    const DraftProblem problem = MakeDraftProblem(conditions_, roster_, seats_, columns_, rows_);
    const std::vector<bool> empty = EmptyDesks(problem);
    std::vector<QString> names(empty.size());
    if (shown_) {
        for (const DraftSeat& s : DraftSeats(*shown_, roster_, columns_, mode_))
            names[static_cast<std::size_t>(s.row * columns_ + s.column)] = cp932::ToUnicode(s.name);
    } else {
        for (int d = 0; d < columns_ * rows_; ++d)
            names[static_cast<std::size_t>(d)] = cp932::ToUnicode(seats_.text(d % columns_, d / columns_));
    }
    for (int d = 0; d < columns_ * rows_; ++d) {
        const int c = d % columns_;
        const int r = d / columns_;
        auto* item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        if (problem.unused[static_cast<std::size_t>(d)]) {
            item->setText(QStringLiteral("×"));
            item->setBackground(kUnusedDesk);
            item->setForeground(Qt::white);
        } else if (empty[static_cast<std::size_t>(d)]) {
            item->setText(QStringLiteral("(空き)"));
            item->setBackground(kFreeDesk);
        } else {
            item->setText(names[static_cast<std::size_t>(d)]);
            if (InFrontRows(d, columns_, rows_, conditions_.frontRows))
                item->setBackground(kFrontDesk);
        }
        DeskGrid->setItem(r, c, item);
    }
}

void DraftDialog::showApartGroups()
{
    ApartList->clear();
    for (const auto& group : conditions_.apartGroups) {
        QStringList names;
        for (int position : group)
            if (const Seito* s = roster_.record(position))
                names.append(cp932::ToUnicode(s->FullName));
        ApartList->addItem(names.join(QStringLiteral("、")));
    }
}

void DraftDialog::DeskGridClick(int row, int column)
{
    auto& unused = conditions_.unusedDesks;
    const auto at = std::find(unused.begin(), unused.end(), std::pair{column, row});
    if (at == unused.end())
        unused.emplace_back(column, row);
    else
        unused.erase(at);
    conditionsChanged();
}

void DraftDialog::AddApartClick()
{
    std::vector<int> group;
    for (const QModelIndex& index : StudentGrid->selectionModel()->selectedRows())
        group.push_back(index.row() + 1);
    if (group.size() < 2)
        return;
    std::sort(group.begin(), group.end());
    conditions_.apartGroups.push_back(std::move(group));
    showApartGroups();
    conditionsChanged();
}

void DraftDialog::RemoveApartClick()
{
    const int row = ApartList->currentRow();
    if (row < 0 || row >= static_cast<int>(conditions_.apartGroups.size()))
        return;
    conditions_.apartGroups.erase(conditions_.apartGroups.begin() + row);
    showApartGroups();
    conditionsChanged();
}

std::optional<Draft> DraftDialog::draw()
{
    Draft draft = DrawDraft(MakeDraftProblem(conditions_, roster_, seats_, columns_, rows_), rng_());
    if (!draft.ok()) {
        shown_.reset();
        showDesks();
        Reason->setText(cp932::ToUnicode(draft.reason));
        return std::nullopt;
    }
    Reason->clear();
    return draft;
}

void DraftDialog::DrawButtonClick()
{
    shown_ = draw();
    showDesks();
}

void DraftDialog::DecideButtonClick()
{
    const std::optional<Draft> draft = shown_ ? shown_ : draw();
    if (!draft)
        return;
    apply_(DraftSeats(*draft, roster_, columns_, mode_));
    accept();
}
