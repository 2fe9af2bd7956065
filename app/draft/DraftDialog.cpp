#include "app/draft/DraftDialog.h"

#include "codec/Cp932.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFutureWatcher>
#include <QGridLayout>
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
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QThread>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <set>
#include <utility>

using namespace kelmora;

namespace {

enum StudentColumn { kNumber, kName, kFront, kFixed, kSex, kRange, kLeader, kStudentColumns };

const QColor kUnusedDesk(96, 96, 96);
const QColor kFreeDesk(215, 215, 215);
const QColor kFrontDesk(255, 243, 196);
const QColor kRangeDesk(200, 225, 255); // the current student's 座席範囲

// The presets of 座席範囲, in the order of the choice.
constexpr SeatRange::Kind kPresets[] = {SeatRange::Kind::Front, SeatRange::Kind::Back, SeatRange::Kind::Window,
                                        SeatRange::Kind::Corridor};

// A range as the student table shows it (short), and in full (its tooltip).
QString rangeText(const SeatRange& range, bool full)
{
    switch (range.kind) {
    case SeatRange::Kind::Anywhere: return {};
    case SeatRange::Kind::Desks:
        return (full ? QStringLiteral("選んだ%1席") : QStringLiteral("席%1")).arg(range.desks.size());
    case SeatRange::Kind::Front:
        return (full ? QStringLiteral("前から%1行") : QStringLiteral("前%1行")).arg(range.count);
    case SeatRange::Kind::Back:
        return (full ? QStringLiteral("後ろから%1行") : QStringLiteral("後%1行")).arg(range.count);
    case SeatRange::Kind::Window:
        return (full ? QStringLiteral("窓側%1列") : QStringLiteral("窓%1列")).arg(range.count);
    case SeatRange::Kind::Corridor:
        return (full ? QStringLiteral("廊下側%1列") : QStringLiteral("廊下%1列")).arg(range.count);
    }
    return {};
}

// The 班 borders over the room, thick, across the table's own grid lines (which
// it draws after its cells). Clicks go through to the desks.
class GroupLines : public QWidget {
public:
    GroupLines(QTableWidget* room, std::function<GroupShape()> shape)
        : QWidget(room->viewport()), room_(room), shape_(std::move(shape))
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        room->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            setGeometry(room_->viewport()->rect());
        return false;
    }

    void paintEvent(QPaintEvent*) override
    {
        const GroupShape shape = shape_();
        if (shape.none())
            return;
        const int columns = room_->columnCount();
        const int rows = room_->rowCount();
        QPainter painter(this);
        constexpr int kWidth = 4;
        for (int c = 0; c + 1 < columns; ++c)
            if (GroupBorderRightOf(shape, columns, c)) {
                const int x = room_->columnViewportPosition(c + 1);
                painter.fillRect(x - kWidth / 2, 0, kWidth, height(), Qt::black);
            }
        for (int r = 0; r + 1 < rows; ++r)
            if (GroupBorderBelow(shape, rows, r)) {
                const int y = room_->rowViewportPosition(r + 1);
                painter.fillRect(0, y - kWidth / 2, width(), kWidth, Qt::black);
            }
    }

private:
    QTableWidget* room_;
    std::function<GroupShape()> shape_;
};

// Enter in a box of a page takes the box's value and does `enter` (if any),
// rather than pressing the dialog's default button: 決定 would reseat the class.
class EnterTakesValue : public QObject {
public:
    EnterTakesValue(QObject* parent, std::function<void()> enter) : QObject(parent), enter_(std::move(enter)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(watched))
            spin->interpretText();
        if (enter_)
            enter_();
        return true;
    }

private:
    std::function<void()> enter_;
};

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

// The mark a check box column of the student table shows.
template <typename Marks>
auto& checkOf(Marks& m, int column)
{
    return column == kFront ? m.front : column == kFixed ? m.fixed : m.leader;
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
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kStudentColumns; }

    // The marks changed outside the table (a range given, the 班 on or off).
    void refresh()
    {
        if (rowCount() > 0)
            emit dataChanged(index(0, 0), index(rowCount() - 1, kStudentColumns - 1));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        static const QString kHeaders[] = {QStringLiteral("番"),   QStringLiteral("名　前"), QStringLiteral("前方"),
                                           QStringLiteral("固定"), QStringLiteral("男女"),   QStringLiteral("範囲"),
                                           QStringLiteral("班長")};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kStudentColumns)
            return kHeaders[section];
        if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section == kLeader)
            return QStringLiteral("班に一人ずつ:印の生徒は、同じ班に二人入りません");
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
        case kLeader:
            if (role != Qt::CheckStateRole)
                return {};
            return checkOf(m, index.column()) ? Qt::Checked : Qt::Unchecked;
        case kRange:
            if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
                return rangeText(m.range, role == Qt::ToolTipRole);
            if (role == Qt::TextAlignmentRole)
                return int(Qt::AlignCenter);
            return {};
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
        if (index.column() == kLeader && conditions_.groups.none())
            f = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable; // 班に一人ずつ needs 班
        else if (index.column() == kFront || index.column() == kFixed || index.column() == kLeader)
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
        if ((index.column() == kFront || index.column() == kFixed || index.column() == kLeader)
            && role == Qt::CheckStateRole)
            checkOf(m, index.column()) = value.toInt() == Qt::Checked;
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
                         int rows, NameMode mode, Apply apply, std::vector<PastSeating> past, QWidget* parent)
    : QDialog(parent), drawFunction(&DrawDraft), conditions_(conditions), roster_(roster), seats_(seats),
      columns_(columns), rows_(rows), mode_(mode), apply_(std::move(apply)), past_(std::move(past)),
      rng_(std::random_device{}())
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
    StudentGrid->setColumnWidth(kNumber, 32);
    StudentGrid->setColumnWidth(kName, 112);
    StudentGrid->setColumnWidth(kFront, 40);
    StudentGrid->setColumnWidth(kFixed, 40);
    StudentGrid->setColumnWidth(kSex, 50);
    StudentGrid->setColumnWidth(kRange, 64);
    StudentGrid->setColumnWidth(kLeader, 40);
    StudentGrid->setFixedSize(400, 620);
    StudentGrid->setToolTip(QStringLiteral("前方・固定・班長は印をつける。範囲や組は、行を選んでから右のボタンで"));
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
    DeskGrid->setFixedSize(560, 270);
    groupLines_ = new GroupLines(DeskGrid, [this] { return conditions_.groups; });
    auto* teacher = new QLabel(QStringLiteral("教　卓"), this);
    teacher->setAlignment(Qt::AlignCenter);
    teacher->setStyleSheet(
        QStringLiteral("background: rgb(0, 0, 255); color: yellow; font-weight: bold; padding: 3px 10px;"));

    // 基本: the conditions the dialog always had.
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
    auto* basicPage = new QWidget(this);
    auto* options = new QVBoxLayout(basicPage);
    options->addLayout(frontLine);
    options->addWidget(EveryoneMoves, 0, Qt::AlignLeft); // a click beside the text is no click on it
    options->addWidget(NewNeighbours, 0, Qt::AlignLeft);
    options->addWidget(mixBox);
    options->addStretch();

    const auto button = [this](const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        return b;
    };
    // A list of groups of students, with its buttons below it.
    const auto groupList = [this](QListWidget*& list, std::initializer_list<QWidget*> below) {
        list = new QListWidget(this);
        auto* box = new QVBoxLayout;
        box->addWidget(list);
        auto* line = new QHBoxLayout;
        for (QWidget* w : below)
            line->addWidget(w);
        line->addStretch();
        box->addLayout(line);
        return box;
    };

    // 座席範囲
    RangeKind = new QComboBox(this);
    for (const QString& kind :
         {QStringLiteral("前から"), QStringLiteral("後ろから"), QStringLiteral("窓側"), QStringLiteral("廊下側")})
        RangeKind->addItem(kind);
    RangeCount = new QSpinBox(this);
    RangeCount->setSuffix(QStringLiteral(" 行"));
    RangeButton = button(QStringLiteral("範囲にする"));
    PickDesks = button(QStringLiteral("席を選ぶ"));
    PickDesks->setCheckable(true);
    PickDesks->setToolTip(QStringLiteral("押している間は、教室の図のクリックで席を選びます(空席の印はつきません)"));
    PickedRangeButton = button(QStringLiteral("選んだ席を範囲にする"));
    ClearRangeButton = button(QStringLiteral("範囲を外す"));
    auto* presetLine = new QHBoxLayout;
    presetLine->addWidget(RangeKind);
    presetLine->addWidget(RangeCount);
    presetLine->addWidget(RangeButton);
    presetLine->addStretch();
    auto* pickLine = new QHBoxLayout;
    pickLine->addWidget(PickDesks);
    pickLine->addWidget(PickedRangeButton);
    pickLine->addStretch();
    auto* rangeNote = new QLabel(QStringLiteral("左の表で生徒を選び、その生徒が座ってよい席を決めます。"
                                                "席を一つずつ決めるときは「席を選ぶ」を押し、教室の図をドラッグして"
                                                "まとめて選び、Ctrl+クリックで一席ずつ足したり外したりします。"
                                                "窓側は「学級」の「班と窓側」で決めます。"),
                                 this);
    rangeNote->setWordWrap(true);
    auto* rangePage = new QWidget(this);
    auto* rangeLayout = new QVBoxLayout(rangePage);
    rangeLayout->addLayout(presetLine);
    rangeLayout->addLayout(pickLine);
    rangeLayout->addWidget(ClearRangeButton, 0, Qt::AlignLeft);
    rangeLayout->addWidget(rangeNote);
    rangeLayout->addStretch();

    // 離す・近づける
    ApartButton = button(QStringLiteral("選んだ生徒を離す"));
    RemoveApartButton = button(QStringLiteral("組を外す"));
    auto* apartBox = new QGroupBox(QStringLiteral("離す(隣り合う8席に置かない組)"), this);
    apartBox->setLayout(groupList(ApartList, {ApartButton, RemoveApartButton}));
    NearBeside = new QRadioButton(QStringLiteral("隣"), this);
    NearBeside->setToolTip(QStringLiteral("左か右の席"));
    NearAround = new QRadioButton(QStringLiteral("近く"), this);
    NearAround->setToolTip(QStringLiteral("まわりの8席のどれか"));
    NearBeside->setChecked(true);
    TogetherButton = button(QStringLiteral("選んだ生徒を近づける"));
    RemoveTogetherButton = button(QStringLiteral("外す"));
    auto* togetherBox = new QGroupBox(QStringLiteral("近づける(どの生徒も組のだれかの隣・近くに)"), this);
    auto* togetherLayout = groupList(TogetherList, {TogetherButton, RemoveTogetherButton});
    auto* nearLine = new QHBoxLayout;
    nearLine->addWidget(NearBeside);
    nearLine->addWidget(NearAround);
    nearLine->addStretch();
    togetherLayout->insertLayout(1, nearLine);
    togetherBox->setLayout(togetherLayout);
    auto* pairsPage = new QWidget(this);
    auto* pairsLayout = new QHBoxLayout(pairsPage);
    pairsLayout->addWidget(apartBox, 2);
    pairsLayout->addWidget(togetherBox, 3);

    // 班
    Grouped = new QCheckBox(QStringLiteral("班に分ける"), this);
    GroupWidth = new QSpinBox(this);
    GroupWidth->setRange(1, std::max(columns, 1));
    GroupHeight = new QSpinBox(this);
    GroupHeight->setRange(1, std::max(rows, 1));
    auto* shapeLine = new QHBoxLayout;
    shapeLine->addWidget(Grouped);
    shapeLine->addWidget(new QLabel(QStringLiteral("横"), this));
    shapeLine->addWidget(GroupWidth);
    shapeLine->addWidget(new QLabel(QStringLiteral("席 × 縦"), this));
    shapeLine->addWidget(GroupHeight);
    shapeLine->addWidget(new QLabel(QStringLiteral("席"), this));
    shapeLine->addStretch();
    MixGroups = new QCheckBox(QStringLiteral("班ごとに男女を混ぜる"), this);
    auto* leaderNote = new QLabel(QStringLiteral("班に一人ずつ:左の表の「班長」に印"), this);
    auto* markLine = new QHBoxLayout;
    markLine->addWidget(MixGroups);
    markLine->addSpacing(16);
    markLine->addWidget(leaderNote);
    markLine->addStretch();
    SeparateButton = button(QStringLiteral("選んだ生徒を同じ班にしない"));
    RemoveSeparateButton = button(QStringLiteral("外す"));
    auto* separateBox = new QGroupBox(QStringLiteral("同じ班にしない"), this);
    separateBox->setLayout(groupList(SeparateList, {SeparateButton, RemoveSeparateButton}));
    auto* groupPage = new QWidget(this);
    auto* groupLayout = new QVBoxLayout(groupPage);
    groupLayout->addLayout(shapeLine);
    groupLayout->addLayout(markLine);
    groupLayout->addWidget(separateBox);
    groupControls_ = {MixGroups, leaderNote, separateBox};

    // The year
    PastNeighbours = new QCheckBox(QStringLiteral("これまで隣になった人とは隣にしない"), this);
    PastNeighboursScope = new QComboBox(this);
    PastDesks = new QCheckBox(QStringLiteral("前回と同じ席にしない"), this);
    PastDesksScope = new QComboBox(this);
    const int entries = static_cast<int>(past_.size());
    for (int n = 1; n <= entries; ++n) {
        PastNeighboursScope->addItem(QStringLiteral("直近%1回").arg(n));
        PastDesksScope->addItem(QStringLiteral("直近%1回").arg(n));
    }
    PastNeighboursScope->addItem(QStringLiteral("これまで全部"));
    SwapHalves = new QCheckBox(QStringLiteral("前回の前後を入れ替える"), this);
    SwapHalves->setToolTip(QStringLiteral("前回前半分にいた生徒は後ろ半分へ、後ろ半分にいた生徒は前半分へ"));
    YearNote = new QLabel(this);
    YearNote->setWordWrap(true);
    auto* yearGrid = new QGridLayout;
    yearGrid->addWidget(PastNeighbours, 0, 0);
    yearGrid->addWidget(PastNeighboursScope, 0, 1);
    yearGrid->addWidget(PastDesks, 1, 0);
    yearGrid->addWidget(PastDesksScope, 1, 1);
    yearGrid->addWidget(SwapHalves, 2, 0);
    yearGrid->setColumnStretch(2, 1);
    auto* yearPage = new QWidget(this);
    auto* yearLayout = new QVBoxLayout(yearPage);
    yearLayout->addLayout(yearGrid);
    yearLayout->addWidget(YearNote);
    yearLayout->addStretch();
    if (entries == 0) {
        YearNote->setText(QStringLiteral("座席の履歴がまだありません。座席表を出力すると、その日の席が履歴に残り、"
                                         "次の席替えからこれらの条件が使えます。"));
        for (QWidget* w : std::initializer_list<QWidget*>{PastNeighbours, PastNeighboursScope, PastDesks,
                                                          PastDesksScope, SwapHalves}) {
            w->setEnabled(false);
            w->setToolTip(QStringLiteral("座席の履歴がないため使えません"));
        }
    } else {
        YearNote->setText(QStringLiteral("座席の履歴:%1回分(「学級」の「座席の履歴」で見られます)").arg(entries));
    }

    Tabs = new QTabWidget(this);
    Tabs->addTab(basicPage, QStringLiteral("基本"));
    Tabs->addTab(rangePage, QStringLiteral("座席範囲"));
    Tabs->addTab(pairsPage, QStringLiteral("離す・近づける"));
    Tabs->addTab(groupPage, QStringLiteral("班"));
    Tabs->addTab(yearPage, QStringLiteral("一年"));
    Tabs->setFixedSize(560, 270);
    conditionControls_ = {StudentGrid, DeskGrid, Tabs};

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
    room->addWidget(Tabs);
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
    connect(ApartButton, &QPushButton::clicked, this, &DraftDialog::AddApartClick);
    connect(RemoveApartButton, &QPushButton::clicked, this, &DraftDialog::RemoveApartClick);
    connect(RangeKind, &QComboBox::currentIndexChanged, this, [this](int kind) {
        // Rows for the front and the back, columns for the sides.
        const bool byRows = kind < 2;
        RangeCount->setSuffix(byRows ? QStringLiteral(" 行") : QStringLiteral(" 列"));
        RangeCount->setRange(1, std::max(byRows ? rows_ : columns_, 1));
    });
    RangeKind->setCurrentIndex(-1); // so that choosing the first sets the spin box up
    RangeKind->setCurrentIndex(0);
    RangeCount->setValue(std::min(2, RangeCount->maximum()));
    connect(RangeButton, &QPushButton::clicked, this, &DraftDialog::RangeButtonClick);
    connect(PickedRangeButton, &QPushButton::clicked, this, &DraftDialog::PickedRangeButtonClick);
    connect(ClearRangeButton, &QPushButton::clicked, this, &DraftDialog::ClearRangeButtonClick);
    connect(PickDesks, &QPushButton::toggled, this, [this](bool on) {
        DeskGrid->clearSelection();
        DeskGrid->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::NoSelection);
        showRoomState();
    });
    connect(DeskGrid, &QTableWidget::itemSelectionChanged, this, &DraftDialog::selectionChanged);
    connect(StudentGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &DraftDialog::selectionChanged);
    connect(StudentGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (!searching_)
            showDesks(); // the current student's range is tinted
    });
    connect(TogetherButton, &QPushButton::clicked, this, &DraftDialog::AddTogetherClick);
    connect(RemoveTogetherButton, &QPushButton::clicked, this, &DraftDialog::RemoveTogetherClick);
    connect(SeparateButton, &QPushButton::clicked, this, &DraftDialog::AddSeparateClick);
    connect(RemoveSeparateButton, &QPushButton::clicked, this, &DraftDialog::RemoveSeparateClick);
    const auto writeGroups = [this] {
        if (filling_)
            return;
        conditions_.groups =
            Grouped->isChecked() ? GroupShape{GroupWidth->value(), GroupHeight->value()} : GroupShape{};
        showRoomState();
        students_->refresh();
        conditionsChanged();
    };
    connect(Grouped, &QCheckBox::toggled, this, writeGroups);
    connect(GroupWidth, &QSpinBox::valueChanged, this, writeGroups);
    connect(GroupHeight, &QSpinBox::valueChanged, this, writeGroups);
    connect(MixGroups, &QCheckBox::toggled, this, [this](bool on) {
        conditions_.mixGroups = on;
        conditionsChanged();
    });
    for (QCheckBox* box : {PastNeighbours, PastDesks, SwapHalves})
        connect(box, &QCheckBox::toggled, this, &DraftDialog::writeYear);
    for (QComboBox* box : {PastNeighboursScope, PastDesksScope})
        connect(box, &QComboBox::currentIndexChanged, this, &DraftDialog::writeYear);
    // A look back counts only while its check box is on.
    for (auto [box, scope] : {std::pair{PastNeighbours, PastNeighboursScope}, std::pair{PastDesks, PastDesksScope}}) {
        scope->setEnabled(box->isChecked());
        connect(box, &QCheckBox::toggled, scope, &QWidget::setEnabled);
    }
    // Enter by the preset gives it; in the other boxes it only takes the value.
    auto* givesRange = new EnterTakesValue(this, [this] { RangeButton->click(); });
    auto* takesValue = new EnterTakesValue(this, {});
    for (QWidget* box : std::initializer_list<QWidget*>{RangeKind, RangeCount})
        box->installEventFilter(givesRange);
    for (QWidget* box :
         std::initializer_list<QWidget*>{FrontRows, GroupWidth, GroupHeight, PastNeighboursScope, PastDesksScope})
        box->installEventFilter(takesValue);
    // Desks are picked on the 座席範囲 page only: elsewhere a click on the room
    // marks a desk unused again, and desks picked but not given are let go.
    connect(Tabs, &QTabWidget::currentChanged, this, [this] { PickDesks->setChecked(false); });
    for (QListWidget* list : {ApartList, TogetherList, SeparateList})
        connect(list, &QListWidget::itemSelectionChanged, this, &DraftDialog::showRemoveButtons);
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
    const GroupShape groups = conditions_.groups;
    Grouped->setChecked(!groups.none());
    GroupWidth->setValue(groups.none() ? 2 : groups.width);
    GroupHeight->setValue(groups.none() ? 2 : groups.height);
    MixGroups->setChecked(conditions_.mixGroups);
    // The year's choices: a look back longer than the history shows as all of it.
    const int entries = static_cast<int>(past_.size());
    PastNeighbours->setChecked(conditions_.pastNeighbours != 0 && entries > 0);
    PastNeighboursScope->setCurrentIndex(
        conditions_.pastNeighbours > 0 ? std::min(conditions_.pastNeighbours, entries + 1) - 1 : entries);
    PastDesks->setChecked(conditions_.pastDesks > 0 && entries > 0);
    PastDesksScope->setCurrentIndex(std::clamp(conditions_.pastDesks, 1, std::max(entries, 1)) - 1);
    SwapHalves->setChecked(conditions_.swapHalves && entries > 0);
    filling_ = false;
    showGroupLists();
    showRoomState();
    selectionChanged();
    showDesks();
}

void DraftDialog::showRoomState()
{
    const bool grouped = !conditions_.groups.none();
    GroupWidth->setEnabled(grouped);
    GroupHeight->setEnabled(grouped);
    for (QWidget* w : groupControls_) {
        w->setEnabled(grouped);
        w->setToolTip(grouped ? QString() : QStringLiteral("班に分けると使えます"));
    }
    PickedRangeButton->setVisible(PickDesks->isChecked());
    DeskGrid->setToolTip(PickDesks->isChecked()
                             ? QStringLiteral("ドラッグでまとめて選ぶ／Ctrl+クリックで一席ずつ足す・外す")
                             : QStringLiteral("クリックで空席にする／戻す"));
    if (!shown_)
        DeskCaption->setText(PickDesks->isChecked()
                                 ? QStringLiteral("席を選んでいます(ドラッグでまとめて、Ctrl+クリックで一席ずつ)")
                                 : QStringLiteral("今の席(クリックで空席にする／戻す)"));
}

void DraftDialog::selectionChanged()
{
    const std::size_t students = StudentGrid->selectionModel()->selectedRows().size();
    RangeButton->setEnabled(students >= 1);
    ClearRangeButton->setEnabled(students >= 1);
    PickedRangeButton->setEnabled(students >= 1 && !DeskGrid->selectedItems().isEmpty());
    ApartButton->setEnabled(students >= 2);
    TogetherButton->setEnabled(students >= 2);
    SeparateButton->setEnabled(students >= 2);
}

void DraftDialog::writeYear()
{
    if (filling_)
        return;
    const int entries = static_cast<int>(past_.size());
    const int scope = PastNeighboursScope->currentIndex();
    conditions_.pastNeighbours = !PastNeighbours->isChecked() ? 0 : scope >= entries ? kWholeHistory : scope + 1;
    conditions_.pastDesks = PastDesks->isChecked() ? PastDesksScope->currentIndex() + 1 : 0;
    conditions_.swapHalves = SwapHalves->isChecked();
    conditionsChanged();
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
    if (shown_)
        DeskCaption->setText(QStringLiteral("引いた席(「決定」で座席表に入ります)"));
    else
        showRoomState();
    groupLines_->setVisible(!conditions_.groups.none()); // no layer over the room without 班
    groupLines_->update();
    const DraftProblem problem = MakeDraftProblem(conditions_, roster_, seats_, columns_, rows_, past_);
    // The current student's range, tinted so that the teacher sees what they gave.
    std::set<int> range;
    const int current = StudentGrid->currentIndex().row();
    if (current >= 0 && static_cast<std::size_t>(current) < problem.ranges.size())
        range.insert(problem.ranges[static_cast<std::size_t>(current)].begin(),
                     problem.ranges[static_cast<std::size_t>(current)].end());
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
        if (range.count(d) != 0 && !(d < static_cast<int>(problem.unused.size()) && problem.unused[d]))
            item->setBackground(kRangeDesk);
        DeskGrid->setItem(r, c, item);
    }
}

void DraftDialog::showGroupLists()
{
    const auto names = [this](const std::vector<int>& group) {
        QStringList names;
        for (int position : group)
            if (const Seito* s = roster_.record(position))
                names.append(cp932::ToUnicode(s->FullName));
        return names.join(QStringLiteral("、"));
    };
    // A long group is cut off at the list's edge: its tooltip reads in full.
    const auto add = [](QListWidget* list, const QString& text) {
        auto* item = new QListWidgetItem(text, list);
        item->setToolTip(text);
    };
    ApartList->clear();
    for (const auto& group : conditions_.apartGroups)
        add(ApartList, names(group));
    TogetherList->clear();
    for (const TogetherMarks& group : conditions_.togetherGroups)
        add(TogetherList, (group.near == Closeness::Beside ? QStringLiteral("隣:") : QStringLiteral("近く:"))
                              + names(group.positions));
    SeparateList->clear();
    for (const auto& group : conditions_.separateGroups)
        add(SeparateList, names(group));
    showRemoveButtons();
}

void DraftDialog::showRemoveButtons()
{
    for (auto [list, remove] : {std::pair{ApartList, RemoveApartButton}, std::pair{TogetherList, RemoveTogetherButton},
                                std::pair{SeparateList, RemoveSeparateButton}})
        remove->setEnabled(!list->selectedItems().isEmpty());
}

void DraftDialog::DeskGridClick(int row, int column)
{
    if (PickDesks->isChecked())
        return; // the click picks a desk for a range
    auto& unused = conditions_.unusedDesks;
    const auto at = std::find(unused.begin(), unused.end(), std::pair{column, row});
    if (at == unused.end())
        unused.emplace_back(column, row);
    else
        unused.erase(at);
    conditionsChanged();
}

std::vector<int> DraftDialog::selectedPositions() const
{
    std::vector<int> positions;
    for (const QModelIndex& index : StudentGrid->selectionModel()->selectedRows())
        positions.push_back(index.row() + 1);
    std::sort(positions.begin(), positions.end());
    return positions;
}

namespace {

// The group chosen in the list leaves `groups`; false when none is chosen. The
// current row alone is no choice: Tab into the list makes the first one current.
template <typename Group>
bool removeSelected(std::vector<Group>& groups, const QListWidget* list)
{
    const QModelIndexList chosen = list->selectionModel()->selectedRows();
    const int row = chosen.isEmpty() ? -1 : chosen.front().row();
    if (row < 0 || row >= static_cast<int>(groups.size()))
        return false;
    groups.erase(groups.begin() + row);
    return true;
}

} // namespace

void DraftDialog::AddApartClick()
{
    std::vector<int> group = selectedPositions();
    if (group.size() < 2)
        return;
    conditions_.apartGroups.push_back(std::move(group));
    showGroupLists();
    conditionsChanged();
}

void DraftDialog::RemoveApartClick()
{
    if (!removeSelected(conditions_.apartGroups, ApartList))
        return;
    showGroupLists();
    conditionsChanged();
}

void DraftDialog::AddTogetherClick()
{
    std::vector<int> group = selectedPositions();
    if (group.size() < 2)
        return;
    conditions_.togetherGroups.push_back(
        {std::move(group), NearAround->isChecked() ? Closeness::Around : Closeness::Beside});
    showGroupLists();
    conditionsChanged();
}

void DraftDialog::RemoveTogetherClick()
{
    if (!removeSelected(conditions_.togetherGroups, TogetherList))
        return;
    showGroupLists();
    conditionsChanged();
}

void DraftDialog::AddSeparateClick()
{
    std::vector<int> group = selectedPositions();
    if (group.size() < 2 || conditions_.groups.none())
        return;
    conditions_.separateGroups.push_back(std::move(group));
    showGroupLists();
    conditionsChanged();
}

void DraftDialog::RemoveSeparateClick()
{
    if (!removeSelected(conditions_.separateGroups, SeparateList))
        return;
    showGroupLists();
    conditionsChanged();
}

void DraftDialog::setRanges(const SeatRange& range)
{
    const std::vector<int> positions = selectedPositions();
    if (positions.empty())
        return;
    for (int position : positions)
        conditions_.marks[static_cast<std::size_t>(position - 1)].range = range;
    students_->refresh();
    conditionsChanged();
}

void DraftDialog::RangeButtonClick()
{
    SeatRange range;
    range.kind = kPresets[std::clamp(RangeKind->currentIndex(), 0, 3)];
    range.count = RangeCount->value();
    setRanges(range);
}

void DraftDialog::PickedRangeButtonClick()
{
    SeatRange range;
    range.kind = SeatRange::Kind::Desks;
    for (const QModelIndex& index : DeskGrid->selectionModel()->selectedIndexes())
        range.desks.emplace_back(index.column(), index.row());
    if (range.desks.empty())
        return;
    std::sort(range.desks.begin(), range.desks.end(), [](auto a, auto b) {
        return std::pair{a.second, a.first} < std::pair{b.second, b.first};
    });
    setRanges(range);
    DeskGrid->clearSelection();
}

void DraftDialog::ClearRangeButtonClick()
{
    setRanges(SeatRange{});
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
        QtConcurrent::run(drawThreads(),
                          [problem = MakeDraftProblem(conditions_, roster_, seats_, columns_, rows_, past_),
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
