// The "history" array of an arrangement file, read leniently: an entry that cannot
// be used is left out with a notice, since the desks of today are not worth
// refusing for a chart of last term.
#include "arrangement/History.h"
#include "arrangement/RecordedStudents.h"

#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace kelmora {

HistoryEntry RecordHistoryEntry(const QDate& date, const SeatTable& seats, int columns, int rows, const Roster& roster)
{
    Arrangement recorded;
    RecordPlacement(recorded, seats, CutQueue{}, roster);
    HistoryEntry e;
    e.date = date;
    e.columns = std::clamp(columns, 1, kMaxGroupSide);
    e.rows = std::clamp(rows, 1, kMaxGroupSide);
    for (PlacedDesk& d : recorded.desks)
        if (d.column < e.columns && d.row < e.rows)
            e.desks.push_back(std::move(d));
    return e;
}

void AddHistoryEntry(std::vector<HistoryEntry>& history, HistoryEntry entry)
{
    const auto at = std::lower_bound(history.begin(), history.end(), entry.date,
                                     [](const HistoryEntry& e, const QDate& d) { return e.date < d; });
    if (at != history.end() && at->date == entry.date)
        *at = std::move(entry);
    else
        history.insert(at, std::move(entry));
}

namespace {

const QString kDate = QStringLiteral("date");
const QString kColumns = QStringLiteral("columns");
const QString kRows = QStringLiteral("rows");
const QString kDesks = QStringLiteral("desks");
const QString kColumn = QStringLiteral("column");
const QString kRow = QStringLiteral("row");
const QString kNumber = QStringLiteral("number");
const QString kFullName = QStringLiteral("fullName");
const QString kText = QStringLiteral("text");
const QString kPosition = QStringLiteral("position");

std::optional<int> wholeNumber(const QJsonValue& v, int low, int high)
{
    const double d = v.toDouble();
    if (!v.isDouble() || std::trunc(d) != d || d < low || d > high)
        return std::nullopt;
    return static_cast<int>(d);
}

// Reading an entry stops at its first problem, thrown as the notice's reason.
struct Unusable {
    QString why;
};

HistoryEntry entry(const QJsonValue& v)
{
    if (!v.isObject())
        throw Unusable{QStringLiteral("項目がオブジェクトではありません")};
    const QJsonObject o = v.toObject();
    HistoryEntry e;
    e.date = QDate::fromString(o.value(kDate).toString(), Qt::ISODate);
    if (!e.date.isValid())
        throw Unusable{QStringLiteral("日付(date)がないか、読めません")};
    const auto columns = wholeNumber(o.value(kColumns), 1, kMaxGroupSide);
    const auto rows = wholeNumber(o.value(kRows), 1, kMaxGroupSide);
    if (!columns || !rows)
        throw Unusable{QStringLiteral("列数(columns)か行数(rows)がないか、1〜12 の外です")};
    e.columns = *columns;
    e.rows = *rows;
    if (!o.value(kDesks).isArray())
        throw Unusable{QStringLiteral("机(desks)が配列ではありません")};
    std::set<std::pair<int, int>> taken;
    for (const QJsonValue& dv : o.value(kDesks).toArray()) {
        const QJsonObject d = dv.toObject();
        const auto column = wholeNumber(d.value(kColumn), 0, e.columns - 1);
        const auto row = wholeNumber(d.value(kRow), 0, e.rows - 1);
        const auto number = RosterTextBytes(d.value(kNumber));
        const auto fullName = RosterTextBytes(d.value(kFullName));
        const auto text = RosterTextBytes(d.value(kText));
        const auto position = wholeNumber(d.value(kPosition), 1, 0x7fffffff);
        if (!column || !row || !number || !fullName || !text || !position)
            throw Unusable{QStringLiteral("読めない机か、表の外の机があります")};
        if (!taken.insert({*column, *row}).second)
            throw Unusable{QStringLiteral("机 (%1, %2) が二度記録されています").arg(*column).arg(*row)};
        e.desks.push_back({*column, *row, {*number, *fullName, *text, *position}});
    }
    return e;
}

} // namespace

QJsonArray HistoryRecord(const std::vector<HistoryEntry>& history)
{
    QJsonArray entries;
    for (const HistoryEntry& e : history) {
        QJsonArray desks;
        for (const PlacedDesk& d : e.desks)
            desks.append(QJsonObject{{kColumn, d.column},
                                     {kRow, d.row},
                                     {kNumber, RosterTextValue(d.student.number)},
                                     {kFullName, RosterTextValue(d.student.fullName)},
                                     {kText, RosterTextValue(d.student.text)},
                                     {kPosition, d.student.position}});
        entries.append(QJsonObject{{kDate, e.date.toString(Qt::ISODate)},
                                   {kColumns, e.columns},
                                   {kRows, e.rows},
                                   {kDesks, desks}});
    }
    return entries;
}

std::vector<HistoryEntry> ReadHistory(const QJsonValue& history, QStringList& notices)
{
    std::vector<HistoryEntry> entries;
    if (history.isUndefined() || history.isNull())
        return entries;
    if (!history.isArray()) {
        notices.append(QStringLiteral("履歴(history)が配列ではないため、読みませんでした。"));
        return entries;
    }
    const QJsonArray array = history.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        try {
            AddHistoryEntry(entries, entry(array[i]));
        } catch (const Unusable& u) {
            notices.append(QStringLiteral("履歴の %1 件目を除きました。%2。").arg(i + 1).arg(u.why));
        }
    }
    return entries;
}

std::vector<MatchedEntry> MatchHistory(const std::vector<HistoryEntry>& history, const Roster& roster)
{
    const RosterIndex index(roster);
    std::vector<MatchedEntry> matched;
    matched.reserve(history.size());
    for (const HistoryEntry& e : history) {
        MatchedEntry m{e.date, e.columns, e.rows, std::vector<std::int32_t>(std::size_t(e.columns * e.rows)), {}};
        for (const PlacedDesk& d : e.desks) {
            if (const std::int32_t p = index.find(d.student.number, d.student.fullName, d.student.position))
                m.desks[std::size_t(d.row * e.columns + d.column)] = p;
            else
                m.missing.push_back(d.student);
        }
        matched.push_back(std::move(m));
    }
    return matched;
}

std::vector<YearCounts> CountYear(const std::vector<MatchedEntry>& history, int students, int frontRows,
                                  WindowSide windows)
{
    std::vector<YearCounts> year(std::size_t(std::max(students, 0)));
    std::vector<std::map<std::int32_t, int>> beside(year.size());
    const auto counts = [&](std::int32_t p) { return p >= 1 && p <= students; };
    for (const MatchedEntry& e : history) {
        const int windowColumn = WindowColumn(windows, e.columns);
        for (int r = 0; r < e.rows; ++r)
            for (int c = 0; c < e.columns; ++c) {
                const std::int32_t p = e.desks[std::size_t(r * e.columns + c)];
                if (!counts(p))
                    continue;
                YearCounts& y = year[std::size_t(p - 1)];
                ++y.seated;
                y.front += r >= e.rows - frontRows ? 1 : 0;
                y.window += c == windowColumn ? 1 : 0;
                if (c + 1 < e.columns)
                    if (const std::int32_t q = e.desks[std::size_t(r * e.columns + c + 1)]; counts(q) && q != p) {
                        ++beside[std::size_t(p - 1)][q];
                        ++beside[std::size_t(q - 1)][p];
                    }
            }
    }
    for (std::size_t s = 0; s < year.size(); ++s)
        year[s].neighbours.assign(beside[s].begin(), beside[s].end());
    return year;
}

std::vector<PastSeating> PastSeatings(const std::vector<MatchedEntry>& matched)
{
    std::vector<PastSeating> past;
    past.reserve(matched.size());
    for (const MatchedEntry& e : matched)
        past.push_back({e.columns, e.rows, e.desks});
    return past;
}

} // namespace kelmora
