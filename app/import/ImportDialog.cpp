#include "app/import/ImportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace kelmora::import;

namespace {

QString Text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A, B, ..., Z, AA, ...: the column names the spreadsheet shows.
QString ColumnName(int column)
{
    QString name;
    for (int c = column + 1; c > 0; c = (c - 1) / 26)
        name.prepend(QChar(u'A' + (c - 1) % 26));
    return name;
}

} // namespace

ImportDialog::ImportDialog(const QString& fileName, std::vector<Sheet> sheets,
                           std::function<std::string(const std::string&)> recall, QWidget* parent)
    : QDialog(parent), sheets_(std::move(sheets)), recall_(std::move(recall))
{
    setWindowTitle(QStringLiteral("名簿を取り込む"));
    setSizeGripEnabled(true);
    auto* layout = new QVBoxLayout(this);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("ファイル:"), new QLabel(fileName.toHtmlEscaped(), this));
    sheetBox_ = new QComboBox(this);
    sheetBox_->setObjectName(QStringLiteral("sheetBox"));
    for (const Sheet& s : sheets_)
        sheetBox_->addItem(Text(s.name));
    if (sheets_.size() > 1)
        form->addRow(QStringLiteral("シート(&T):"), sheetBox_);
    else
        sheetBox_->hide();
    headerBox_ = new QSpinBox(this);
    headerBox_->setObjectName(QStringLiteral("headerBox"));
    headerBox_->setSpecialValueText(QStringLiteral("なし"));
    headerBox_->setToolTip(QStringLiteral("見出し(出席番号、氏名など)が書かれた行。なければ「なし」。"));
    form->addRow(QStringLiteral("見出しの行(&H):"), headerBox_);
    layout->addLayout(form);

    auto* tableLabel = new QLabel(QStringLiteral("各列の使い道を選んでください(&R):"), this);
    layout->addWidget(tableLabel);
    table_ = new QTableWidget(this);
    tableLabel->setBuddy(table_);
    table_->setObjectName(QStringLiteral("preview"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setMinimumSize(560, 300);
    layout->addWidget(table_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    layout->addWidget(status_);

    saveBox_ =
        new QCheckBox(QStringLiteral("Kelmora の名簿ファイル(生徒氏名読込で読める CSV)としても保存する(&S)"), this);
    saveBox_->setObjectName(QStringLiteral("saveBox"));
    layout->addWidget(saveBox_);

    auto* buttons = new QDialogButtonBox(this);
    importButton_ = buttons->addButton(QStringLiteral("取り込む"), QDialogButtonBox::AcceptRole);
    importButton_->setObjectName(QStringLiteral("importButton"));
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    importButton_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(sheetBox_, &QComboBox::currentIndexChanged, this, [this] { showSheet(); });
    connect(headerBox_, &QSpinBox::valueChanged, this, [this] { showHeader(); });
    showSheet();
    table_->setFocus();
}

const Sheet& ImportDialog::sheet() const
{
    static const Sheet empty;
    const int index = sheetBox_->currentIndex();
    return index >= 0 && static_cast<std::size_t>(index) < sheets_.size() ? sheets_[static_cast<std::size_t>(index)]
                                                                          : empty;
}

void ImportDialog::showSheet()
{
    const Sheet& s = sheet();
    const int shown = std::min(static_cast<int>(s.rows.size()), kPreviewRows);
    const int width = SheetWidth(s);
    table_->clear();
    table_->setRowCount(shown + 1);
    table_->setColumnCount(width);
    QStringList columns;
    for (int c = 0; c < width; ++c)
        columns << ColumnName(c);
    table_->setHorizontalHeaderLabels(columns);
    QStringList rows{QStringLiteral("使い道")};
    for (int r = 0; r < shown; ++r) {
        const SheetRow& row = s.rows[static_cast<std::size_t>(r)];
        rows << QString::number(row.number);
        for (int c = 0; c < width && static_cast<std::size_t>(c) < row.cells.size(); ++c)
            table_->setItem(r + 1, c, new QTableWidgetItem(Text(row.cells[static_cast<std::size_t>(c)])));
    }
    table_->setVerticalHeaderLabels(rows);
    for (int c = 0; c < width; ++c) {
        auto* box = new QComboBox(table_);
        box->setObjectName(QStringLiteral("role%1").arg(c));
        for (const Role role : kRoles)
            box->addItem(Text(RoleName(role)));
        connect(box, &QComboBox::currentIndexChanged, this, [this, c](int index) {
            if (index >= 0 && static_cast<std::size_t>(c) < roles_.size())
                roles_[static_cast<std::size_t>(c)] = kRoles[index];
            showRoles();
        });
        table_->setCellWidget(0, c, box);
    }

    // The box takes the row's number as the table's left edge shows it, empty
    // rows counted.
    const QSignalBlocker block(headerBox_);
    headerBox_->setRange(0, shown > 0 ? s.rows[static_cast<std::size_t>(shown - 1)].number : 0);
    const int found = FindHeaderRow(s);
    headerBox_->setValue(found >= 0 ? s.rows[static_cast<std::size_t>(found)].number : 0);
    showHeader();
}

void ImportDialog::showHeader()
{
    const Sheet& s = sheet();
    // An empty row's number means the first row with something in it below.
    headerRow_ = -1;
    if (const int number = headerBox_->value(); number > 0)
        for (std::size_t r = 0; r < s.rows.size() && headerRow_ < 0; ++r)
            if (s.rows[r].number >= number)
                headerRow_ = static_cast<int>(r);
    for (int r = 1; r < table_->rowCount(); ++r)
        for (int c = 0; c < table_->columnCount(); ++c)
            if (QTableWidgetItem* item = table_->item(r, c)) {
                QFont font = item->font();
                font.setBold(r - 1 == headerRow_);
                item->setFont(font);
                item->setForeground(r - 1 < headerRow_ ? palette().color(QPalette::Disabled, QPalette::Text)
                                                       : palette().color(QPalette::Text));
            }
    roles_ = GuessRoles(s, headerRow_);
    if (const std::string key = HeaderKey(s, headerRow_); !key.empty() && recall_)
        if (const auto remembered = RolesFromText(recall_(key), static_cast<int>(roles_.size())))
            roles_ = *remembered;
    for (int c = 0; c < table_->columnCount(); ++c)
        if (auto* box = qobject_cast<QComboBox*>(table_->cellWidget(0, c))) {
            const QSignalBlocker block(box);
            box->setCurrentIndex(static_cast<int>(roles_[static_cast<std::size_t>(c)]));
        }
    table_->resizeColumnsToContents();
    showRoles();
}

void ImportDialog::showRoles()
{
    result_ = BuildRosterText(sheet(), headerRow_, roles_);
    if (!result_.problems.empty()) {
        constexpr std::size_t kShown = 5;
        QStringList lines;
        for (std::size_t k = 0; k < result_.problems.size() && k < kShown; ++k)
            lines << Text(result_.problems[k]);
        if (result_.problems.size() > kShown)
            lines << QStringLiteral("ほか %1 件").arg(result_.problems.size() - kShown);
        status_->setText(lines.join(u'\n'));
        status_->setStyleSheet(QStringLiteral("color: #b00000;"));
        importButton_->setEnabled(false);
        return;
    }
    const QString form = result_.columns == 6   ? QStringLiteral("ふりがな付き")
                         : result_.columns == 3 ? QStringLiteral("氏名と姓")
                                                : QStringLiteral("氏名のみ");
    QString text =
        QStringLiteral("%1 人を取り込みます(%2、%3 列)。").arg(result_.students).arg(form).arg(result_.columns);
    if (!result_.sexes.empty())
        text += QStringLiteral("性別は席替えの男女に使います。");
    status_->setText(text);
    status_->setStyleSheet(QString());
    importButton_->setEnabled(true);
}

std::string ImportDialog::headerKey() const
{
    return HeaderKey(sheet(), headerRow_);
}

bool ImportDialog::saveRoster() const
{
    return saveBox_->isChecked();
}
