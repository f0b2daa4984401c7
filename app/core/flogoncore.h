// flogoncore: the saved logons as the registry keeps them under the
// DATABASE key: one subkey per logon and a "Sort" value with their order.
// The logon dialog and the import of older editions both keep them.
#pragma once

#include <qnamespace.h>

#include <string>
#include <vector>

#include "app/core/ovreg.h"

inline const std::string kDatabaseKey = OptionKey("DATABASE");

// Logon keys, users and data sources compare ignoring case.
bool SameName(const std::string& a, const std::string& b);
// The display order of saved logons: the "Sort" names whose keys exist
// (compared ignoring case), then the keys "Sort" does not name, in
// registry order.
std::vector<std::string> SavedLogonOrder(std::vector<std::string> sort, std::vector<std::string> keys);
// "DB" followed by the smallest number from 0 (at least three digits) that
// is not among `names` (compared ignoring case).
std::string FreeLogonKey(const std::vector<std::string>& names);
// The "Sort" value: each name followed by CR LF.
std::string JoinSortList(const std::vector<std::string>& names);
std::vector<std::string> SplitSortList(const std::string& text);

// The list view's columns and the item data of the hidden sub-items.
inline constexpr int kColUser = 0;
inline constexpr int kColDatabase = 1;
inline constexpr int kRolePassword = Qt::UserRole;
inline constexpr int kRoleKey = Qt::UserRole + 1;
