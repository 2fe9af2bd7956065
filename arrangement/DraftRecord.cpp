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

const QString kMixingNames[] = {QStringLiteral("none"), QStringLiteral("columns"), QStringLiteral("checkerboard")};
const QString kSexNames[] = {QStringLiteral("none"), QStringLiteral("boy"), QStringLiteral("girl")};
const QString kWindowNames[] = {QStringLiteral("right"), QStringLiteral("left")};

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
        students.append(o);
    }
    QJsonArray apart;
    for (const auto& group : conditions.apartGroups) {
        QJsonArray members;
        for (const int p : group)
            if (p >= 1 && p <= count)
                members.append(record(p));
        if (members.size() >= 2)
            apart.append(members);
    }
    QJsonArray unused;
    for (const auto& [c, r] : conditions.unusedDesks)
        unused.append(QJsonObject{{QStringLiteral("column"), c}, {QStringLiteral("row"), r}});

    return {{kFrontRows, conditions.frontRows},
            {kEveryoneMoves, conditions.everyoneMoves},
            {kNewNeighbours, conditions.newNeighbours},
            {kMixing, kMixingNames[static_cast<std::size_t>(conditions.mixing)]},
            {kUnusedDesks, unused},
            {kStudents, students},
            {kApart, apart},
            {kGroups, QJsonObject{{kWidth, conditions.groups.width}, {kHeight, conditions.groups.height}}},
            {kWindows, kWindowNames[static_cast<std::size_t>(conditions.windows)]}};
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

    std::set<std::pair<int, int>> unused;
    for (const QJsonValue& v : draft.value(kUnusedDesks).toArray()) {
        const auto column = wholeNumber(v.toObject().value(QStringLiteral("column")), 0, kMaxDraftSide - 1);
        const auto row = wholeNumber(v.toObject().value(QStringLiteral("row")), 0, kMaxDraftSide - 1);
        if (column && row && unused.insert({*column, *row}).second)
            c.unusedDesks.emplace_back(*column, *row);
    }

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
    }
    for (const QJsonValue& g : draft.value(kApart).toArray()) {
        std::vector<int> group;
        for (const QJsonValue& v : g.toArray()) {
            const std::int32_t p = find(v, index);
            if (p < 1)
                noteLost(v);
            else if (std::find(group.begin(), group.end(), p) == group.end())
                group.push_back(p);
        }
        if (group.size() >= 2)
            c.apartGroups.push_back(std::move(group));
    }
    return c;
}

} // namespace kelmora
