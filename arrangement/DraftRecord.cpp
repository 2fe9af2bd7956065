// The "draft" object of an arrangement file, read leniently: a part that is
// missing or malformed is passed over, so that a file from a later version or
// edited by hand still opens with what can be used.
#include "arrangement/DraftRecord.h"
#include "arrangement/RecordedStudents.h"

#include <QJsonArray>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace kelmora {

namespace {

const QString kFrontRows = QStringLiteral("frontRows");
const QString kEveryoneMoves = QStringLiteral("everyoneMoves");
const QString kNewNeighbours = QStringLiteral("newNeighbours");
const QString kMixing = QStringLiteral("mixing");
const QString kUnusedDesks = QStringLiteral("unusedDesks");
const QString kStudents = QStringLiteral("students");
const QString kApart = QStringLiteral("apart");
const QString kNumber = QStringLiteral("number");
const QString kFullName = QStringLiteral("fullName");
const QString kPosition = QStringLiteral("position");
const QString kGroups = QStringLiteral("groups");
const QString kWindows = QStringLiteral("windows");
const QString kWidth = QStringLiteral("width");
const QString kHeight = QStringLiteral("height");

const QString kRange = QStringLiteral("range");
const QString kKind = QStringLiteral("kind");
const QString kCount = QStringLiteral("count");
const QString kDesks = QStringLiteral("desks");
const QString kColumn = QStringLiteral("column");
const QString kRow = QStringLiteral("row");
const QString kLeader = QStringLiteral("leader");
const QString kTogether = QStringLiteral("together");
const QString kNear = QStringLiteral("near");
const QString kSeparate = QStringLiteral("separate");
const QString kMixGroups = QStringLiteral("mixGroups");
const QString kYear = QStringLiteral("year");
const QString kNeighbours = QStringLiteral("neighbours");
const QString kSwapHalves = QStringLiteral("swapHalves");
const QString kAll = QStringLiteral("all");

const QString kMixingNames[] = {QStringLiteral("none"), QStringLiteral("columns"), QStringLiteral("checkerboard")};
const QString kSexNames[] = {QStringLiteral("none"), QStringLiteral("boy"), QStringLiteral("girl")};
const QString kWindowNames[] = {QStringLiteral("right"), QStringLiteral("left")};
// SeatRange::Kind in order; "anywhere" is never written (no "range" key is).
const QString kRangeNames[] = {QStringLiteral("anywhere"), QStringLiteral("desks"),  QStringLiteral("front"),
                               QStringLiteral("back"),     QStringLiteral("window"), QStringLiteral("corridor")};
const QString kClosenessNames[] = {QStringLiteral("beside"), QStringLiteral("around")};
// How far back a year's condition looks, as far as a file can say.
constexpr int kMostEntries = 0x7fffffff;

QJsonObject studentObject(const Seito& s, int position)
{
    return {{kNumber, RosterTextValue(s.Number)}, {kFullName, RosterTextValue(s.FullName)}, {kPosition, position}};
}

// A whole number in [low, high], or nullopt.
std::optional<int> wholeNumber(const QJsonValue& v, int low, int high)
{
    const double d = v.toDouble();
    if (!v.isDouble() || std::trunc(d) != d || d < low || d > high)
        return std::nullopt;
    return static_cast<int>(d);
}

// The roster position of the student `v` names, or 0.
std::int32_t find(const QJsonValue& v, const RosterIndex& index)
{
    const QJsonObject o = v.toObject();
    const auto number = RosterTextBytes(o.value(kNumber));
    const auto fullName = RosterTextBytes(o.value(kFullName));
    if (!number || !fullName)
        return 0;
    return index.find(*number, *fullName, wholeNumber(o.value(kPosition), 1, 0x7fffffff).value_or(0));
}

template <typename Enum, std::size_t N>
Enum named(const QJsonValue& v, const QString (&names)[N], Enum otherwise)
{
    const auto it = std::find(std::begin(names), std::end(names), v.toString());
    return it == std::end(names) ? otherwise : static_cast<Enum>(it - std::begin(names));
}

QJsonObject deskObject(int column, int row)
{
    return {{kColumn, column}, {kRow, row}};
}

// Desks of the 12 × 12 a draft can have, each once, in the order given; others are left out.
std::vector<std::pair<int, int>> readDesks(const QJsonValue& v)
{
    std::vector<std::pair<int, int>> desks;
    std::set<std::pair<int, int>> seen;
    for (const QJsonValue& d : v.toArray()) {
        const auto column = wholeNumber(d.toObject().value(kColumn), 0, kMaxDraftSide - 1);
        const auto row = wholeNumber(d.toObject().value(kRow), 0, kMaxDraftSide - 1);
        if (column && row && seen.insert({*column, *row}).second)
            desks.emplace_back(*column, *row);
    }
    return desks;
}

QJsonObject rangeObject(const SeatRange& range)
{
    QJsonObject o{{kKind, kRangeNames[static_cast<std::size_t>(range.kind)]}, {kCount, range.count}};
    if (!range.desks.empty()) {
        QJsonArray desks;
        for (const auto& [c, r] : range.desks)
            desks.append(deskObject(c, r));
        o.insert(kDesks, desks);
    }
    return o;
}

// A range the file gives; an unknown kind is no range, a bad count the least.
SeatRange readRange(const QJsonValue& v)
{
    const QJsonObject o = v.toObject();
    SeatRange range;
    range.kind = named(o.value(kKind), kRangeNames, SeatRange::Kind::Anywhere);
    if (range.kind == SeatRange::Kind::Anywhere)
        return {};
    range.count = wholeNumber(o.value(kCount), 1, kMaxDraftSide).value_or(range.count);
    range.desks = readDesks(o.value(kDesks));
    return range;
}

// How far back: a whole number of entries (0 is off) or "all".
QJsonValue lookBackValue(int entries)
{
    return entries == kWholeHistory ? QJsonValue(kAll) : QJsonValue(std::max(entries, 0));
}

int readLookBack(const QJsonValue& v)
{
    if (v.toString() == kAll)
        return kWholeHistory;
    return wholeNumber(v, 0, kMostEntries).value_or(0);
}

} // namespace

QJsonObject DraftRecord(const DraftConditions& given, const Roster& roster)
{
    // Marks made for another roster are moved to their students first: a file
    // never names one student with another's marks.
    const bool fits = FitsRoster(given, roster);
    DraftConditions fitted;
    if (!fits) {
        fitted = given;
        FitToRoster(fitted, roster);
    }
    const DraftConditions& conditions = fits ? given : fitted;
    const auto count = static_cast<int>(roster.table.size());
    const auto record = [&](int position) { return studentObject(*roster.record(position), position); };

    QJsonArray students;
    for (int p = 1; p <= count && static_cast<std::size_t>(p) <= conditions.marks.size(); ++p) {
        const StudentMarks& m = conditions.marks[static_cast<std::size_t>(p - 1)];
        if (m == StudentMarks{})
            continue;
        QJsonObject o = record(p);
        o.insert(QStringLiteral("front"), m.front);
        o.insert(QStringLiteral("fixed"), m.fixed);
        o.insert(QStringLiteral("sex"), kSexNames[static_cast<std::size_t>(m.sex)]);
        o.insert(kLeader, m.leader);
        if (m.range.kind != SeatRange::Kind::Anywhere)
            o.insert(kRange, rangeObject(m.range));
        students.append(o);
    }
    const auto members = [&](const std::vector<int>& group) {
        QJsonArray named;
        for (const int p : group)
            if (p >= 1 && p <= count)
                named.append(record(p));
        return named;
    };
    QJsonArray apart;
    for (const auto& group : conditions.apartGroups)
        if (QJsonArray named = members(group); named.size() >= 2)
            apart.append(named);
    QJsonArray separate;
    for (const auto& group : conditions.separateGroups)
        if (QJsonArray named = members(group); named.size() >= 2)
            separate.append(named);
    QJsonArray together;
    for (const auto& group : conditions.togetherGroups)
        if (QJsonArray named = members(group.positions); named.size() >= 2)
            together.append(
                QJsonObject{{kNear, kClosenessNames[static_cast<std::size_t>(group.near)]}, {kStudents, named}});
    QJsonArray unused;
    for (const auto& [c, r] : conditions.unusedDesks)
        unused.append(deskObject(c, r));

    return {{kFrontRows, conditions.frontRows},
            {kEveryoneMoves, conditions.everyoneMoves},
            {kNewNeighbours, conditions.newNeighbours},
            {kMixing, kMixingNames[static_cast<std::size_t>(conditions.mixing)]},
            {kUnusedDesks, unused},
            {kStudents, students},
            {kApart, apart},
            {kGroups, QJsonObject{{kWidth, conditions.groups.width}, {kHeight, conditions.groups.height}}},
            {kWindows, kWindowNames[static_cast<std::size_t>(conditions.windows)]},
            {kTogether, together},
            {kSeparate, separate},
            {kMixGroups, conditions.mixGroups},
            {kYear, QJsonObject{{kNeighbours, lookBackValue(conditions.pastNeighbours)},
                                {kDesks, lookBackValue(conditions.pastDesks)},
                                {kSwapHalves, conditions.swapHalves}}}};
}

DraftConditions ReadDraftRecord(const QJsonObject& draft, const Roster& roster, std::vector<NamedStudent>* lost)
{
    DraftConditions c;
    FitToRoster(c, roster);

    c.frontRows = wholeNumber(draft.value(kFrontRows), 1, 3).value_or(c.frontRows);
    c.everyoneMoves = draft.value(kEveryoneMoves).toBool(c.everyoneMoves);
    c.newNeighbours = draft.value(kNewNeighbours).toBool(c.newNeighbours);
    c.mixing = named(draft.value(kMixing), kMixingNames, c.mixing);
    c.windows = named(draft.value(kWindows), kWindowNames, c.windows);
    const QJsonObject groups = draft.value(kGroups).toObject();
    const auto width = wholeNumber(groups.value(kWidth), 1, kMaxGroupSide);
    const auto height = wholeNumber(groups.value(kHeight), 1, kMaxGroupSide);
    if (width && height)
        c.groups = {*width, *height};

    c.unusedDesks = readDesks(draft.value(kUnusedDesks));
    c.mixGroups = draft.value(kMixGroups).toBool(c.mixGroups);
    const QJsonObject year = draft.value(kYear).toObject();
    c.pastNeighbours = readLookBack(year.value(kNeighbours));
    c.pastDesks = readLookBack(year.value(kDesks));
    c.swapHalves = year.value(kSwapHalves).toBool(c.swapHalves);

    const RosterIndex index(roster);
    const auto noteLost = [lost](const QJsonValue& v) {
        const QJsonObject o = v.toObject();
        const auto number = RosterTextBytes(o.value(kNumber));
        const auto fullName = RosterTextBytes(o.value(kFullName));
        if (!lost || !number || !fullName)
            return;
        const NamedStudent s{*number, *fullName};
        if (std::find(lost->begin(), lost->end(), s) == lost->end())
            lost->push_back(s);
    };
    for (const QJsonValue& v : draft.value(kStudents).toArray()) {
        const std::int32_t p = find(v, index);
        if (p < 1 || static_cast<std::size_t>(p) > c.marks.size()) {
            noteLost(v);
            continue;
        }
        const QJsonObject o = v.toObject();
        StudentMarks& m = c.marks[static_cast<std::size_t>(p - 1)];
        m.front = o.value(QStringLiteral("front")).toBool();
        m.fixed = o.value(QStringLiteral("fixed")).toBool();
        m.sex = named(o.value(QStringLiteral("sex")), kSexNames, Sex::None);
        m.leader = o.value(kLeader).toBool();
        m.range = readRange(o.value(kRange));
    }
    // The students of a group the roster has, each once; those it lacks are noted.
    const auto group = [&](const QJsonValue& g) {
        std::vector<int> members;
        for (const QJsonValue& v : g.toArray()) {
            const std::int32_t p = find(v, index);
            if (p < 1)
                noteLost(v);
            else if (std::find(members.begin(), members.end(), p) == members.end())
                members.push_back(p);
        }
        return members;
    };
    for (const QJsonValue& g : draft.value(kApart).toArray())
        if (std::vector<int> members = group(g); members.size() >= 2)
            c.apartGroups.push_back(std::move(members));
    for (const QJsonValue& g : draft.value(kSeparate).toArray())
        if (std::vector<int> members = group(g); members.size() >= 2)
            c.separateGroups.push_back(std::move(members));
    for (const QJsonValue& g : draft.value(kTogether).toArray()) {
        const QJsonObject o = g.toObject();
        if (std::vector<int> members = group(o.value(kStudents)); members.size() >= 2)
            c.togetherGroups.push_back({std::move(members), named(o.value(kNear), kClosenessNames, Closeness::Beside)});
    }
    return c;
}

} // namespace kelmora
