#pragma once
// How an arrangement file names students: its texts, and finding them again in
// the loaded roster. Shared by the desks, the queue and the draft's conditions.
#include "arrangement/Arrangement.h"

#include <QJsonValue>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace kelmora {

// Finds students of the roster by what an arrangement records of them: attendance
// number and full name (at the recorded position first), else a full name that
// only one student of the roster has.
class RosterIndex {
public:
    explicit RosterIndex(const Roster& roster);

    // The student's roster position, or 0.
    std::int32_t find(const PlacedStudent& s) const;

private:
    int count() const;

    const Roster& roster_;
    std::unordered_map<std::string, std::int32_t> byNumberAndName_; // the first of equal students
    std::unordered_map<std::string, std::int32_t> byName_;
};

// A roster text (code page 932 bytes) as an arrangement file holds it: a JSON
// string, or {"cp932": "<hex>"} for bytes that are no character of the code page.
QJsonValue RosterTextValue(const std::string& bytes);

// The bytes a file's roster text stands for; nullopt when the value is none.
std::optional<std::string> RosterTextBytes(const QJsonValue& value);

} // namespace kelmora
