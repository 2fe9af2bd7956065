#pragma once
// The seat change's conditions in an arrangement file: its "draft" object
// (docs/arrangement-format.md).
#include "draft/DraftSetup.h"
#include "roster/Roster.h"

#include <QJsonObject>

namespace kelmora {

// The conditions as a "draft" object. Students are named by attendance number
// and full name from `roster`, as the desks name them; only students with a mark
// are listed.
QJsonObject DraftRecord(const DraftConditions& conditions, const Roster& roster);

// The conditions a "draft" object records, for `roster`: each student is found as
// a desk's student is (MatchPlacement), and the marks of students who are not in
// it are dropped; those students go to `lost` (once each), to be named. A missing
// or malformed part takes its default and the rest still counts: nothing here
// refuses a file.
DraftConditions ReadDraftRecord(const QJsonObject& draft, const Roster& roster,
                                std::vector<NamedStudent>* lost = nullptr);

} // namespace kelmora
