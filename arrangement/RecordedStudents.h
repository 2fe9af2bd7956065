#pragma once
// How an arrangement file names students: its texts, and finding them again in
// the loaded roster. Shared by the desks, the queue and the draft's conditions.
#include "arrangement/Arrangement.h"
#include "roster/RosterIndex.h"

#include <QJsonValue>

#include <cstdint>
#include <optional>
#include <string>

namespace kelmora {

// A roster text (code page 932 bytes) as an arrangement file holds it: a JSON
// string, or {"cp932": "<hex>"} for bytes that are no character of the code page.
QJsonValue RosterTextValue(const std::string& bytes);

// The bytes a file's roster text stands for; nullopt when the value is none.
std::optional<std::string> RosterTextBytes(const QJsonValue& value);

} // namespace kelmora
