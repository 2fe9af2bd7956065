#pragma once
#include "import/ListRoster.h"
#include "import/Sheet.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

// 名簿を取り込む's preview: the first rows of the list, the header row it found,
// and a role for each column, guessed and changeable. Accepting it leaves the
// roster text to load in result(); the dialog itself changes nothing.
class ImportDialog : public QDialog {
    Q_OBJECT

public:
    // `recall` gives the roles remembered for a header key ("" when none).
    ImportDialog(const QString& fileName, std::vector<kelmora::import::Sheet> sheets,
                 std::function<std::string(const std::string&)> recall, QWidget* parent = nullptr);

    const kelmora::import::ImportedList& result() const { return result_; }
    const std::vector<kelmora::import::Role>& roles() const { return roles_; }
    std::string headerKey() const;
    bool saveRoster() const;

    static constexpr int kPreviewRows = 20;

private:
    void showSheet();  // a sheet was chosen
    void showHeader(); // the header row was chosen
    void showRoles();  // a role was changed
    const kelmora::import::Sheet& sheet() const;

    std::vector<kelmora::import::Sheet> sheets_;
    std::function<std::string(const std::string&)> recall_;
    std::vector<kelmora::import::Role> roles_;
    kelmora::import::ImportedList result_;
    int headerRow_ = -1;

    QComboBox* sheetBox_ = nullptr;
    QSpinBox* headerBox_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    QCheckBox* saveBox_ = nullptr;
    QPushButton* importButton_ = nullptr;
};
