// rgrantcore: the privilege grid of one object: its privilege columns by
// kind, the grantee rows with the marks the catalogue gives, the two-box
// states over the selected rows and their edits, and the GRANT and REVOKE
// statements of the changed cells. The frame (objedit/rgrant) shows them.
#pragma once

#include <string>
#include <vector>

#include "ui/core/ovchklstcore.h"

// One privilege column: its keyword and its check-list text.
struct TGrantPrivilege {
  const char* Keyword;
  const char* Item;
};
// The privilege columns of an object kind, in column order; none for a
// kind without privileges.
const std::vector<TGrantPrivilege>& GrantPrivilegesOf(int kind);

// The marks of a cell.
inline constexpr const char* kMarkNone = "";
inline constexpr const char* kMarkGranted = "*";
inline constexpr const char* kMarkGrantable = "G";

// Row images: a user (and PUBLIC), the logged-on user, a role.
inline constexpr int kGranteeUserImage = 2;
inline constexpr int kGranteeLogonImage = 3;
inline constexpr int kGranteeRoleImage = 68;

struct TGranteeRow {
  std::string Name;
  int Image = kGranteeUserImage;
  std::vector<std::string> Marks;   // current, one per privilege column
  std::vector<std::string> Loaded;  // as the catalogue gave them
  bool Listed = false;              // the catalogue named a privilege of it
};

// One row of the privilege query.
struct TGrantCatalogueRow {
  std::string Grantee;
  std::string Privilege;
  std::string Grantable;
};

// The privilege query with its six positional values (database, schema and
// object code, twice), and the code lookups of routines, triggers and
// sequences, each taking database, schema and name.
extern const char kGrantSql[];
extern const char kRoutineCodeSql[];
extern const char kTriggerCodeSql[];
extern const char kSequenceCodeSql[];
// The lookup of the object code of a kind; null for tables and views, whose
// code the connection window gives.
const char* ObjectCodeSqlOf(int kind);

// The rows of a load: users (PUBLIC last, as the list gives it) and roles
// without marks, then the catalogue's marks on the rows and columns they
// name exactly ("YES" gives "G"); only listed rows unless `showAll`.
std::vector<TGranteeRow> BuildGranteeRows(const std::vector<std::string>& users, const std::vector<std::string>& roles,
                                          const std::string& logonUser, const std::vector<TGrantPrivilege>& columns,
                                          const std::vector<TGrantCatalogueRow>& catalogue, bool showAll);

// The two boxes of each privilege over the selected rows: checked when
// every selected row holds it ("*" or "G" left, "G" right), greyed when
// some do, unchecked when none does.
struct TGrantBoxes {
  std::vector<TCheckBoxState> Left;
  std::vector<TCheckBoxState> Right;
};
TGrantBoxes SelectionBoxes(const std::vector<TGranteeRow>& rows, const std::vector<int>& selected, size_t columns);

// Applies the boxes to every selected row: left unchecked clears the mark,
// checked sets "*", greyed keeps it; a checked right box then sets "G".
void ApplyBoxes(std::vector<TGranteeRow>& rows, const std::vector<int>& selected, const TGrantBoxes& boxes);

// "TABLE USR1.T1", "PROCEDURE USR1.P1", "USR1.V1": the object as the
// statements name it.
std::string GrantObjectText(int kind, const std::string& schema, const std::string& name);

// Appends one statement and one separator line per changed cell, rows first
// to last and columns left to right; nothing when no cell changed. A mark
// that lost only its grant option withdraws the option alone.
void BuildGrantDDL(std::vector<std::string>& list, int kind, const std::string& schema, const std::string& name,
                   const std::vector<TGrantPrivilege>& columns, const std::vector<TGranteeRow>& rows,
                   const std::string& separator);
