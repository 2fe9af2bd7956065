#pragma once
// 座席の履歴: the charts of the year, each shown as its room, and each student's
// year so far. The window only shows; putting an entry back on the desks and
// removing one are the main window's, through the callbacks.
#include "arrangement/History.h"
#include "roster/Roster.h"
#include "seating/Room.h"

#include <QDialog>

#include <functional>
#include <vector>

class QListWidget;
class QPushButton;
class QTableWidget;
class QTabWidget;
class StringGrid;

class HistoryWindow : public QDialog {
    Q_OBJECT

public:
    struct Room {
        kelmora::GroupShape groups; // drawn on each entry's room
        int frontRows = 2;          // counted as the front in the year's table
        kelmora::WindowSide windows = kelmora::WindowSide::Right;
    };
    using Act = std::function<void(std::size_t entry)>;

    // `restore` puts the entry on the desks (the window then closes); `remove`
    // takes it out of the history (after the teacher has said yes).
    HistoryWindow(std::vector<kelmora::HistoryEntry> history, const kelmora::Roster& roster, Room room, Act restore,
                  Act remove, QWidget* parent = nullptr);

    QTabWidget* Pages;
    QListWidget* Entries; // newest first
    StringGrid* RoomGrid; // the entry chosen in Entries
    QPushButton* Restore; // この配置に戻す
    QPushButton* Remove;  // 削除
    QTableWidget* Year;   // one row a student of the roster

private:
    void showEntry();
    void fillYear();
    void removeChosen();
    std::size_t chosen() const; // the history index of the chosen entry

    std::vector<kelmora::HistoryEntry> history_;
    const kelmora::Roster& roster_;
    Room room_;
    Act restore_, remove_;
};
