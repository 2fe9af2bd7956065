#pragma once
#include "import/Sheet.h"
#include "roster/RosterText.h"
#include "roster/Seito.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelmora::import {

// What a column of the teacher's list holds, as the import dialog offers it.
enum class Role : std::uint8_t { Number, FullName, Family, Given, FamilyReading, GivenReading, Sex, Unused };
inline constexpr Role kRoles[] = {Role::Number,        Role::FullName,     Role::Family, Role::Given,
                                  Role::FamilyReading, Role::GivenReading, Role::Sex,    Role::Unused};

// 番号, 氏名, 姓, 名, せい, めい, 性別, 使わない (UTF-8).
std::string_view RoleName(Role role);
std::optional<Role> RoleFromName(std::string_view name);

// The number of columns of the sheet: its widest row.
int SheetWidth(const Sheet& sheet);

// The header row among the first rows (an index into sheet.rows): the one whose
// cells name the most roles, at least two; -1 when no row does.
int FindHeaderRow(const Sheet& sheet);

// One role per column, from the header's words (出席番号, 氏名, ふりがな, 性別, ...).
// Each role but 使わない goes to one column at most, the first that names it.
// Without a header (-1), a first column of numbers is 番号 and the next one 氏名.
std::vector<Role> GuessRoles(const Sheet& sheet, int headerRow);

enum class ListSex : std::uint8_t { None, Boy, Girl };
// 男/女, M/F, 1/2 (and 男子, 女性, male, ...); anything else marks nothing.
ListSex SexFromText(std::string_view utf8);

// A reading as the roster keeps it: half-width kana made full-width and katakana
// made hiragana (ヴ, ヵ and ヶ stay: code page 932 has no hiragana for them).
std::string HiraganaReading(std::string_view utf8);

// Cuts "山田　太郎" or "山田 太郎" at its first space: family and given name,
// both without spaces around them; nullopt when there is no space between two texts.
std::optional<std::pair<std::string, std::string>> SplitAtSpace(std::string_view utf8);

// The list turned into a Kelmora roster of the form its roles allow: 6 columns
// when readings are mapped, else 3 when every family name is known (a 姓 column
// or full names with a space), else 2.
struct ImportedList {
    // A roster file's text in UTF-8 (with its byte-order mark), one "$" line per
    // student. Empty when there are problems.
    std::string rosterText;
    std::vector<int> rows; // the list's row of each line of rosterText
    int columns = 0;
    int students = 0;
    std::vector<ListSex> sexes; // by student; empty when no column is 性別
    // Why the list cannot be taken as it is (UTF-8 sentences, a row each).
    std::vector<std::string> problems;
};
ImportedList BuildRosterText(const Sheet& sheet, int headerRow, const std::vector<Role>& roles);

// The roster reader over the list's roster text, its notes naming the list's
// rows rather than the text's lines.
int ReadImportedRoster(RosterTable& table, const ImportedList& list, int& columnCount, RosterTextNotes* notes);

// A loaded roster as a Kelmora roster file: a comment line `comment` (code page
// 932), a comment naming the columns, then one "$" line per student with the
// `columns` fields of that form, CR LF line ends.
std::string RosterFileBytes(const RosterTable& table, int columns, std::string_view comment);

// What the import remembers per header: a key for the header row's words, and
// the roles as text. RolesFromText gives nullopt for a text of another width.
std::string HeaderKey(const Sheet& sheet, int headerRow);
std::string RolesText(const std::vector<Role>& roles);
std::optional<std::vector<Role>> RolesFromText(std::string_view text, int width);

} // namespace kelmora::import
