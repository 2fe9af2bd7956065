#include "app/draft/DraftDialog.h"

#include "codec/Cp932.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

using namespace kelmora;

namespace {

enum StudentColumn { kNumber, kName, kFront, kFixed, kSex };

const QColor kUnusedDesk(96, 96, 96);
const QColor kFreeDesk(215, 215, 215);
const QColor kFrontDesk(255, 243, 196);

const QString kSexes[] = {QString(), QStringLiteral("男"), QStringLiteral("女")};

// The 男女 cell's choice: a combo box while the cell is edited, open at once as
// a combo box of its own would be.
class SexDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        auto* combo = new QComboBox(parent);
        for (const QString& sex : kSexes)
            combo->addItem(sex);
        // A choice from the list is the edit's end: commit it at once.
        connect(combo, &QComboBox::activated, this, [this, combo] {
            auto* self = const_cast<SexDelegate*>(this); // signals are not const; the delegate is ours
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        QTimer::singleShot(0, combo, &QComboBox::showPopup);
        return combo;
    }
    // Drawn as a combo box, so that the choice looks like one before it is opened.
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        QStyleOptionComboBox box;
        box.rect = option.rect.adjusted(1, 1, -1, -1);
        box.state = option.state & ~QStyle::State_HasFocus;
        box.palette = option.palette;
        box.fontMetrics = option.fontMetrics;
        box.direction = option.direction;
        box.currentText = item.text;
        box.editable = false;
        style->drawComplexControl(QStyle::CC_ComboBox, &box, painter, view);
        style->drawControl(QStyle::CE_ComboBoxLabel, &box, painter, view);
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        static_cast<QComboBox*>(editor)->setCurrentIndex(index.data(Qt::EditRole).toInt());
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        model->setData(index, static_cast<QComboBox*>(editor)->currentIndex(), Qt::EditRole);
    }
};

// The draws' own threads. Not the global pool's: the raster paint engine hands
// work to that one and waits for it, so draws there could stall the painting.
QThreadPool* drawThreads()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool(QCoreApplication::instance()); // joined when the application ends
        p->setMaxThreadCount(4);
        return p;
    }();
    return pool;
}

} // namespace

// The student table: one row a student, the marks straight from the conditions.
// Names are turned into text only for the rows the view paints.
class StudentMarksModel : public QAbstractTableModel {
public:
    StudentMarksModel(DraftConditions& conditions, const Roster& roster, std::function<void()> changed, QObject* parent)
        : QAbstractTableModel(parent), conditions_(conditions), roster_(roster), changed_(std::move(changed))
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(roster_.table.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 5; }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QString kHeaders[] = {QStringLiteral("番"), QStringLiteral("名　前"), QStringLiteral("前方"),
                                           QStringLiteral("固定"), QStringLiteral("男女")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < 5)
            return kHeaders[section];
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid())
            return {};
        const auto row = static_cast<std::size_t>(index.row());
        const StudentMarks& m = conditions_.marks[row];
        switch (index.column()) {
        case kNumber:
            return role == Qt::DisplayRole ? QVariant(cp932::ToUnicode(roster_.table[row].Number)) : QVariant();
        case kName:
            return role == Qt::DisplayRole ? QVariant(cp932::ToUnicode(roster_.table[row].FullName)) : QVariant();
        case kFront:
        case kFixed:
            if (role != Qt::CheckStateRole)
                return {};
            return (index.column() == kFront ? m.front : m.fixed) ? Qt::Checked : Qt::Unchecked;
        case kSex:
            if (role == Qt::DisplayRole)
                return kSexes[static_cast<std::size_t>(m.sex)];
            if (role == Qt::EditRole)
                return static_cast<int>(m.sex);
            if (role == Qt::TextAlignmentRole)
                return int(Qt::AlignCenter);
            return {};
        default: return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (index.column() == kFront || index.column() == kFixed)
            f |= Qt::ItemIsUserCheckable;
        else if (index.column() == kSex)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override
    {
        if (!index.isValid())
            return false;
        StudentMarks& m = conditions_.marks[static_cast<std::size_t>(index.row())];
        if ((index.column() == kFront || index.column() == kFixed) && role == Qt::CheckStateRole)
            (index.column() == kFront ? m.front : m.fixed) = value.toInt() == Qt::Checked;
        else if (index.column() == kSex && role == Qt::EditRole && value.toInt() >= 0 && value.toInt() <= 2)
            m.sex = static_cast<Sex>(value.toInt());
        else
            return false;
        emit dataChanged(index, index);
        changed_();
        return true;
    }

private:
    DraftConditions& conditions_;
    const Roster& roster_;
    std::function<void()> changed_;
};

DraftDialog::DraftDialog(DraftConditions& conditions, const Roster& roster, const SeatTable& seats, int columns,
                         int rows, NameMode mode, Apply apply, QWidget* parent)
    : QDialog(parent), drawFunction(&DrawDraft), conditions_(conditions), roster_(roster), seats_(seats),
      columns_(columns), rows_(rows), mode_(mode), apply_(std::move(apply)), rng_(std::random_device{}())
{
    setWindowTitle(QStringLiteral("席替え"));
    FitToRoster(conditions_, roster_);

    students_ = new StudentMarksModel(
        conditions_, roster_, [this] { conditionsChanged(); }, this);
    StudentGrid = new QTableView(this);
    StudentGrid->setModel(students_);
    StudentGrid->setItemDelegateForColumn(kSex, new SexDelegate(StudentGrid));
    StudentGrid->verticalHeader()->hide();
    StudentGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StudentGrid->verticalHeader()->setDefaultSectionSize(22);
    StudentGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    StudentGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    StudentGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                                 | QAbstractItemView::EditKeyPressed);
    StudentGrid->setColumnWidth(kNumber, 36);
    StudentGrid->setColumnWidth(kName, 120);
    StudentGrid->setColumnWidth(kFront, 44);
    StudentGrid->setColumnWidth(kFixed, 44);
    StudentGrid->setColumnWidth(kSex, 56);
    StudentGrid->setFixedSize(330, 600);
    StudentGrid->setToolTip(QStringLiteral("前方・固定は印をつける。離す生徒は行を選んで「選んだ生徒を離す」"));
    // One click on 男女 opens the choice, as a combo box in the cell would.
    connect(StudentGrid, &QTableView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() == kSex)
            StudentGrid->edit(index);
    });

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
    conditionControls_ = {StudentGrid, DeskGrid, FrontRows, EveryoneMoves, NewNeighbours, mixBox, apartBox};

    Reason = new QLabel(this);
    Reason->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold;"));
    Reason->setWordWrap(true);
    Searching = new QLabel(QStringLiteral("探しています…"), this);
    Searching->hide();
    Busy = new QProgressBar(this);
    Busy->setRange(0, 0); // no end known: the bar only moves
    Busy->setTextVisible(false);
    Busy->setFixedWidth(120);
    Busy->hide();
    StopButton = new QPushButton(QStringLiteral("中止"), this);
    StopButton->setAutoDefault(false);
    StopButton->hide();
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
    buttons->addWidget(Searching);
    buttons->addWidget(Busy);
    buttons->addWidget(StopButton);
    buttons->addWidget(DrawButton);
    buttons->addWidget(DecideButton);
    buttons->addWidget(CloseButton);
    auto* whole = new QVBoxLayout(this);
    whole->setSizeConstraint(QLayout::SetFixedSize);
    whole->addLayout(top);
    whole->addLayout(buttons);

    busyTimer_ = new QTimer(this);
    busyTimer_->setSingleShot(true);
    busyTimer_->setInterval(kBusyAfter);
    connect(busyTimer_, &QTimer::timeout, this, [this] { showSearching(true); });
    limitTimer_ = new QTimer(this);
    limitTimer_->setSingleShot(true);
    connect(limitTimer_, &QTimer::timeout, this, [this] {
        // The draw did not keep to its limit: it ran out of time all the same.
        const bool decide = decideWhenFound_;
        abandonDraw();
        showDesks();
        Draft overrun;
        overrun.outcome = DraftOutcome::OutOfTime;
        Reason->setText(failureText(overrun));
        (decide ? DecideButton : DrawButton)->setFocus();
    });

    fillControls();

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
    connect(StopButton, &QPushButton::clicked, this, &DraftDialog::StopButtonClick);
    connect(DrawButton, &QPushButton::clicked, this, &DraftDialog::DrawButtonClick);
    connect(DecideButton, &QPushButton::clicked, this, &DraftDialog::DecideButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
    DecideButton->setFocus();
}

DraftDialog::~DraftDialog()
{
    if (searching_)
        abandonDraw();
    // A stopped draw ends within milliseconds; one that does not is let be: its
    // thread reads only its own copies, and drawThreads() joins it at exit.
    const QDeadlineTimer patience(250);
    for (const Run& run : abandoned_)
        while (!run.future.isFinished() && !patience.hasExpired())
            QThread::msleep(1);
}

void DraftDialog::fillControls()
{
    filling_ = true;
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
    // A draw under the old conditions would be no draw under the new ones.
    if (searching_)
        abandonDraw();
    shown_.reset();
    Reason->clear();
    showDesks();
}

void DraftDialog::showDesks()
{
    DeskCaption->setText(shown_ ? QStringLiteral("引いた席(「決定」で座席表に入ります)")
                                : QStringLiteral("今の席(クリックで空席にする／戻す)"));
    const DraftProblem problem = MakeDraftProblem(conditions_, roster_, seats_, columns_, rows_);
    const auto desks = static_cast<std::size_t>(columns_ * rows_);
    std::vector<QString> names(desks);
    // After a draw, the empty desks are those it gave nobody; before one, those
    // the draft prefers to leave empty.
    std::vector<bool> empty;
    if (shown_) {
        empty.assign(desks, true);
        for (const DraftSeat& s : DraftSeats(*shown_, roster_, columns_, mode_)) {
            const auto d = static_cast<std::size_t>(s.row * columns_ + s.column);
            names[d] = cp932::ToUnicode(s.name);
            empty[d] = false;
        }
    } else {
        empty = EmptyDesks(problem);
        empty.resize(desks, false);
        for (std::size_t d = 0; d < desks; ++d)
            names[d] = cp932::ToUnicode(seats_.text(static_cast<int>(d) % columns_, static_cast<int>(d) / columns_));
    }
    for (int d = 0; d < columns_ * rows_; ++d) {
        const int c = d % columns_;
        const int r = d / columns_;
        auto* item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        if (static_cast<std::size_t>(d) < problem.unused.size() && problem.unused[static_cast<std::size_t>(d)]) {
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

void DraftDialog::startDraw(bool thenDecide)
{
    if (searching_)
        return;
    searching_ = true;
    decideWhenFound_ = thenDecide;
    Reason->clear();
    // The thread gets its own problem, draw function and stop flag: nothing it
    // reads belongs to the dialog, which may change or go while it runs.
    auto stop = std::make_shared<std::atomic<bool>>(false);
    DraftLimits limits;
    limits.deadline = std::chrono::steady_clock::now() + timeLimit;
    running_.stop = stop;
    running_.future =
        QtConcurrent::run(drawThreads(), [problem = MakeDraftProblem(conditions_, roster_, seats_, columns_, rows_),
                                          seed = rng_(), stop, limits, draw = drawFunction] {
            DraftLimits bounds = limits;
            bounds.stop = stop.get();
            return draw(problem, seed, bounds);
        });
    auto* watcher = new QFutureWatcher<Draft>(this);
    watcher_ = watcher;
    connect(watcher, &QFutureWatcher<Draft>::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (watcher == watcher_) // else abandoned
            drawEnded();
    });
    watcher->setFuture(running_.future);
    busyTimer_->start();
    limitTimer_->start(timeLimit + kLimitGrace);
}

void DraftDialog::abandonDraw()
{
    running_.stop->store(true);
    std::erase_if(abandoned_, [](const Run& run) { return run.future.isFinished(); });
    abandoned_.push_back(std::exchange(running_, {}));
    watcher_ = nullptr;
    searching_ = false;
    busyTimer_->stop();
    limitTimer_->stop();
    showSearching(false);
}

void DraftDialog::showSearching(bool on)
{
    for (QWidget* w : conditionControls_)
        w->setEnabled(!on);
    DrawButton->setEnabled(!on);
    DecideButton->setEnabled(!on);
    Searching->setVisible(on);
    Busy->setVisible(on);
    StopButton->setVisible(on);
    StopButton->setEnabled(on);
    if (on)
        StopButton->setFocus();
}

QString DraftDialog::failureText(const Draft& draft) const
{
    if (draft.outcome != DraftOutcome::OutOfTime)
        return cp932::ToUnicode(draft.reason);
    QString text = QStringLiteral("%1秒探しましたが、条件に合う並びは見つかりませんでした。"
                                  "並べられないと決まったわけではありません。"
                                  "もう一度探すか、条件を減らしてください。")
                       .arg(QString::number(static_cast<double>(timeLimit.count()) / 1000.0));
    if (!draft.reason.empty())
        text += QLatin1Char('\n') + cp932::ToUnicode(draft.reason);
    return text;
}

void DraftDialog::drawEnded()
{
    busyTimer_->stop();
    limitTimer_->stop();
    searching_ = false;
    watcher_ = nullptr;
    const Draft draft = std::exchange(running_, {}).future.result();
    const bool hadFocus = StopButton->hasFocus();
    showSearching(false);
    if (hadFocus)
        (decideWhenFound_ ? DecideButton : DrawButton)->setFocus();
    if (!draft.ok()) {
        // Only a proof that nothing fits retires the draw on view; running out of
        // time rules nothing out, so the last draw stays, as after 中止.
        if (draft.outcome == DraftOutcome::Impossible)
            shown_.reset();
        showDesks();
        Reason->setText(failureText(draft));
        return;
    }
    shown_ = draft;
    showDesks();
    if (decideWhenFound_) {
        apply_(DraftSeats(*shown_, roster_, columns_, mode_));
        accept();
    }
}

void DraftDialog::DrawButtonClick()
{
    startDraw(false);
}

void DraftDialog::DecideButtonClick()
{
    if (searching_)
        return;
    if (!shown_) {
        startDraw(true);
        return;
    }
    apply_(DraftSeats(*shown_, roster_, columns_, mode_));
    accept();
}

void DraftDialog::StopButtonClick()
{
    if (!searching_)
        return;
    const bool decide = decideWhenFound_;
    abandonDraw();
    Reason->setText(QStringLiteral("中止しました。席は変わっていません。"));
    (decide ? DecideButton : DrawButton)->setFocus();
}

void DraftDialog::reject()
{
    if (searching_)
        abandonDraw();
    QDialog::reject();
}

void DraftDialog::keyPressEvent(QKeyEvent* event)
{
    if (searching_ && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        StopButtonClick();
        return;
    }
    QDialog::keyPressEvent(event);
}
