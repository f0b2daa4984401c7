// ovwhere: the WHERE history, the last filter conditions typed for a table,
// kept in "<TempDir><first>.<second>.ini", section "WHERE", values "00" to
// "19", newest first. The callers keep and order the entries.
#pragma once

#include <string>
#include <vector>

inline constexpr int kWhereHistoryMax = 20;

// The file of a history: the work folder and the sanitized name.
std::string WhereHistoryFile(const std::string& firstName, const std::string& secondName);

// Replaces `list` with the stored conditions that exist and are not empty,
// in value order; with an empty second name the list stays empty.
void LoadWhereHistory(const std::string& firstName, const std::string& secondName, std::vector<std::string>& list);
// Stores the first 20 entries as "00", "01", ...; values beyond the list's
// length stay in the file. Throws std::runtime_error when the file cannot
// be written.
void SaveWhereHistory(const std::string& firstName, const std::string& secondName,
                      const std::vector<std::string>& list);
