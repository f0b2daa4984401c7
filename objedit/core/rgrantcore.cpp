#include "objedit/core/rgrantcore.h"

#include <algorithm>
#include <map>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

const char kGrantSql[] =
    "SELECT TRIM(GRANTEE) GRANTEE, TRIM(PRIVILEGE_TYPE) PRIVILEGE_TYPE, TRIM(IS_GRANTABLE) IS_GRANTABLE FROM "
    "RDBII_SYSTEM.RDBII_PRIVILEGES A WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND TABLE_CODE "
    "= :OBJECT_CODE UNION SELECT TRIM(B.ROLE_NAME) GRANTEE, TRIM(A.PRIVILEGE_TYPE) PRIVILEGE_TYPE, '' "
    "IS_GRANTABLE FROM RDBII_SYSTEM.RDBII_ROLE_PRIV A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_ROLE B ON "
    "B.ROLE_CODE = A.ROLE_CODE WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND OBJECT_CODE = "
    ":OBJECT_CODE";
const char kRoutineCodeSql[] =
    "SELECT PROCEDURE_CODE FROM RDBII_SYSTEM.RDBII_PROC WHERE DB_NAME = :DBName AND SCHEMA_NAME = "
    ":SchemaName AND PROCEDURE_NAME = :RoutineName";
const char kTriggerCodeSql[] =
    "SELECT TRIG_CODE FROM RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_DB_NAME = :DBName AND TRIG_SCHEMA_NAME = "
    ":SchemaName AND TRIG_NAME = :TriggerName";
const char kSequenceCodeSql[] =
    "SELECT SEQUENCE_CODE FROM RDBII_SYSTEM.RDBII_SEQUENCE WHERE DB_NAME = :DBName AND SCHEMA_NAME = "
    ":SchemaName AND SEQUENCE_NAME = :TableName";

namespace {

constexpr const char* kGrantableYes = "YES";
constexpr const char* kGrantOptionSuffix = " WITH GRANT OPTION";
constexpr const char* kRolePrefix = "ROLE ";

const TGrantPrivilege kAlter{"ALTER", "ALTER(定義変更権)"};
const TGrantPrivilege kDelete{"DELETE", "DELETE(データ削除権)"};
const TGrantPrivilege kDrop{"DROP", "DROP(削除権)"};
const TGrantPrivilege kIndex{"INDEX", "INDEX(索引作成権)"};
const TGrantPrivilege kInsert{"INSERT", "INSERT(データ追加権)"};
const TGrantPrivilege kSelect{"SELECT", "SELECT(データ問合せ権)"};
const TGrantPrivilege kTrigger{"TRIGGER", "TRIGGER(トリガ定義権)"};
const TGrantPrivilege kUpdate{"UPDATE", "UPDATE(データ更新権)"};
const TGrantPrivilege kExecute{"EXECUTE", "EXECUTE(プログラム実行権)"};

// A box over the selected rows: how many hold the mark among how many.
TCheckBoxState BoxOf(size_t holding, size_t selected) {
  if (holding == 0) return cbUnchecked;
  return holding == selected ? cbChecked : cbGrayed;
}

// Marks are set from whole strings: GCC 12 misjudges a copy from a literal.
void SetMark(std::string& cell, const char* mark) { cell = std::string(mark); }

bool Holds(const std::string& mark) { return mark == kMarkGranted || mark == kMarkGrantable; }

}  // namespace

const std::vector<TGrantPrivilege>& GrantPrivilegesOf(int kind) {
  static const std::map<int, std::vector<TGrantPrivilege>> kColumns{
      {okTable, {kAlter, kDelete, kDrop, kIndex, kInsert, kSelect, kTrigger, kUpdate}},
      {okView, {kDelete, kInsert, kSelect, kUpdate}},
      {okProcedure, {kDrop, kExecute}},
      {okFunction, {kDrop, kExecute}},
      {okTrigger, {kDrop}},
      {okSequence, {kSelect, kDrop}},
  };
  static const std::vector<TGrantPrivilege> kNone;
  const auto it = kColumns.find(kind);
  return it == kColumns.end() ? kNone : it->second;
}

const char* ObjectCodeSqlOf(int kind) {
  switch (kind) {
    case okProcedure:
    case okFunction:
      return kRoutineCodeSql;
    case okTrigger:
      return kTriggerCodeSql;
    case okSequence:
      return kSequenceCodeSql;
    default:
      return nullptr;
  }
}

std::vector<TGranteeRow> BuildGranteeRows(const std::vector<std::string>& users, const std::vector<std::string>& roles,
                                          const std::string& logonUser, const std::vector<TGrantPrivilege>& columns,
                                          const std::vector<TGrantCatalogueRow>& catalogue, bool showAll) {
  const std::vector<std::string> empty(columns.size());
  std::vector<TGranteeRow> rows;
  for (const std::string& user : users)
    rows.push_back({user, user == logonUser ? kGranteeLogonImage : kGranteeUserImage, empty, empty, false});
  for (const std::string& role : roles) rows.push_back({role, kGranteeRoleImage, empty, empty, false});
  for (const TGrantCatalogueRow& c : catalogue) {
    auto row = std::find_if(rows.begin(), rows.end(), [&](const TGranteeRow& r) { return r.Name == c.Grantee; });
    if (row == rows.end()) continue;
    auto column = std::find_if(columns.begin(), columns.end(),
                               [&](const TGrantPrivilege& p) { return c.Privilege == p.Keyword; });
    if (column == columns.end()) continue;
    const size_t i = static_cast<size_t>(column - columns.begin());
    SetMark(row->Marks[i], c.Grantable == kGrantableYes ? kMarkGrantable : kMarkGranted);
    row->Loaded[i] = row->Marks[i];
    row->Listed = true;
  }
  if (!showAll) std::erase_if(rows, [](const TGranteeRow& r) { return !r.Listed; });
  return rows;
}

TGrantBoxes SelectionBoxes(const std::vector<TGranteeRow>& rows, const std::vector<int>& selected, size_t columns) {
  TGrantBoxes boxes;
  for (size_t i = 0; i < columns; ++i) {
    size_t left = 0, right = 0;
    for (int r : selected) {
      const std::string& mark = rows[static_cast<size_t>(r)].Marks[i];
      left += Holds(mark);
      right += mark == kMarkGrantable;
    }
    boxes.Left.push_back(BoxOf(left, selected.size()));
    boxes.Right.push_back(BoxOf(right, selected.size()));
  }
  return boxes;
}

void ApplyBoxes(std::vector<TGranteeRow>& rows, const std::vector<int>& selected, const TGrantBoxes& boxes) {
  for (int r : selected) {
    std::vector<std::string>& marks = rows[static_cast<size_t>(r)].Marks;
    for (size_t i = 0; i < marks.size() && i < boxes.Left.size(); ++i) {
      if (boxes.Left[i] == cbUnchecked) SetMark(marks[i], kMarkNone);
      if (boxes.Left[i] == cbChecked) SetMark(marks[i], kMarkGranted);
      if (boxes.Right[i] == cbChecked) SetMark(marks[i], kMarkGrantable);
    }
  }
}

std::string GrantObjectText(int kind, const std::string& schema, const std::string& name) {
  // A view is named without a keyword.
  const bool keyword =
      kind == okTable || kind == okProcedure || kind == okFunction || kind == okTrigger || kind == okSequence;
  const std::string prefix = keyword ? ObjectKindName(kind) + " " : std::string();
  return prefix + QuoteIdent(schema) + "." + QuoteIdent(name);
}

void BuildGrantDDL(std::vector<std::string>& list, int kind, const std::string& schema, const std::string& name,
                   const std::vector<TGrantPrivilege>& columns, const std::vector<TGranteeRow>& rows,
                   const std::string& separator) {
  const std::string object = GrantObjectText(kind, schema, name);
  for (const TGranteeRow& row : rows) {
    const std::string grantee = (row.Image == kGranteeRoleImage ? kRolePrefix : "") + QuoteIdent(row.Name);
    for (size_t i = 0; i < columns.size() && i < row.Marks.size(); ++i) {
      const std::string &mark = row.Marks[i], &loaded = row.Loaded[i];
      if (mark == loaded) continue;
      const std::string privilege = Trim(columns[i].Keyword);
      const std::string on = privilege + " ON " + object;
      if (mark == kMarkGrantable)
        list.push_back("GRANT " + on + " TO " + grantee + kGrantOptionSuffix);
      else if (mark == kMarkGranted && loaded == kMarkGrantable)
        list.push_back("REVOKE GRANT OPTION FOR " + on + " FROM " + grantee);
      else if (mark == kMarkGranted)
        list.push_back("GRANT " + on + " TO " + grantee);
      else
        list.push_back("REVOKE " + on + " FROM " + grantee);
      list.push_back(separator);
    }
  }
}
