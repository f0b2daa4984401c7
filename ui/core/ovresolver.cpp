#include "ui/core/ovresolver.h"

namespace {

const char kNotOneRow[] = "対象のレコードを 1 件に特定できないため, 反映しませんでした (一致した行数: ";
const char kNotOneRowEnd[] = ")";
const char kNoTable[] = "結果の列が 1 つの表から来ていないため, 反映できません。";
const char kUnwritableColumn[] = "列 ";
const char kUnwritableColumnEnd[] = " の値は表に書き込めないため, 反映できません。";

class TStatementBuilder {
 public:
  std::string Param(const QVariant& value) {
    statement_.Params.push_back(value);
    return ":P" + std::to_string(statement_.Params.size());
  }
  TResolverStatement& Statement() { return statement_; }

 private:
  TResolverStatement statement_;
};

bool Writable(const TovField& f) { return !f.ReadOnly && !f.BaseColumn.empty(); }

std::string TableName(const std::vector<TovField>& fields) {
  for (const TovField& f : fields)
    if (Writable(f)) return (f.BaseSchema.empty() ? "" : QuotedName(f.BaseSchema) + ".") + QuotedName(f.BaseTable);
  return std::string();
}

// A value the change sets in a field no statement writes: a computed column
// the program made editable, or a column made read-only after its edit.
// Written without it, the record would pass for saved.
const TovField* UnwritableChange(TUpdateKind kind, const std::vector<TovField>& fields, const TRecordValues& original,
                                 const TRecordValues& current) {
  if (kind == TUpdateKind::ukDelete) return nullptr;
  for (const TovField& f : fields) {
    if (Writable(f)) continue;
    const size_t i = static_cast<size_t>(f.Index);
    if (kind == TUpdateKind::ukInsert ? !current[i].Null : current[i] != original[i]) return &f;
  }
  return nullptr;
}

// The original values of the comparable fields; a null is matched by IS NULL.
std::string WhereClause(TStatementBuilder& b, const std::vector<TovField>& fields, const TRecordValues& original) {
  std::string where;
  for (const TovField& f : fields) {
    if (!Writable(f) || !f.Comparable()) continue;
    const TFieldValue& v = original[static_cast<size_t>(f.Index)];
    where += where.empty() ? " WHERE " : " AND ";
    where += QuotedName(f.BaseColumn) + (v.Null ? " IS NULL" : " = " + b.Param(FieldVariant(f, v)));
  }
  return where;
}

void RunPlan(TovSQLConnection& connection, const TResolverStatement& s, bool count, int& result) {
  TovSQLQuery query(&connection);
  query.SetSQL(s.SQL);
  for (size_t i = 0; i < s.Params.size() && i < query.Parameters().size(); ++i)
    query.Parameters()[i].Value = s.Params[i];
  if (count) {
    query.Open();
    result = query.Value(0).toInt();
    query.Close();
  } else {
    result = query.ExecSQL();
  }
}

}  // namespace

std::string QuotedName(const std::string& name) {
  std::string quoted = "\"";
  for (const char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

TResolverPlan PlanUpdate(TUpdateKind kind, const std::vector<TovField>& fields, const TRecordValues& original,
                         const TRecordValues& current) {
  TResolverPlan plan;
  const std::string table = TableName(fields);
  if (table.empty()) return plan;
  if (kind == TUpdateKind::ukInsert) {
    TStatementBuilder b;
    std::string names, values;
    for (const TovField& f : fields) {
      const TFieldValue& v = current[static_cast<size_t>(f.Index)];
      if (!Writable(f) || v.Null) continue;
      names += (names.empty() ? "" : ", ") + QuotedName(f.BaseColumn);
      values += (values.empty() ? "" : ", ") + b.Param(FieldVariant(f, v));
    }
    b.Statement().SQL = names.empty() ? "INSERT INTO " + table + " DEFAULT VALUES"
                                      : "INSERT INTO " + table + " (" + names + ") VALUES (" + values + ")";
    plan.Change = b.Statement();
    return plan;
  }
  TStatementBuilder count;
  const std::string countWhere = WhereClause(count, fields, original);
  count.Statement().SQL = "SELECT COUNT(*) FROM " + table + countWhere;
  plan.Count = count.Statement();
  TStatementBuilder b;
  if (kind == TUpdateKind::ukDelete) {
    const std::string where = WhereClause(b, fields, original);
    b.Statement().SQL = "DELETE FROM " + table + where;
  } else {
    std::string set;
    for (const TovField& f : fields) {
      const TFieldValue& v = current[static_cast<size_t>(f.Index)];
      if (!Writable(f) || v == original[static_cast<size_t>(f.Index)]) continue;
      set += (set.empty() ? " SET " : ", ") + QuotedName(f.BaseColumn) + " = " + b.Param(FieldVariant(f, v));
    }
    if (set.empty()) return {};
    const std::string where = WhereClause(b, fields, original);
    b.Statement().SQL = "UPDATE " + table + set + where;
  }
  plan.Change = b.Statement();
  return plan;
}

void TovSQLResolver::ApplyUpdate(TUpdateKind kind, const std::vector<TovField>& fields, const TRecordValues& original,
                                 const TRecordValues& current) {
  if (TableName(fields).empty()) throw EDatabaseError(kNoTable);
  if (const TovField* f = UnwritableChange(kind, fields, original, current))
    throw EDatabaseError(kUnwritableColumn + f->FieldName + kUnwritableColumnEnd);
  const TResolverPlan plan = PlanUpdate(kind, fields, original, current);
  if (plan.Change.SQL.empty()) return;
  int rows = 1;
  if (!plan.Count.SQL.empty()) RunPlan(connection_, plan.Count, true, rows);
  if (rows == 1) RunPlan(connection_, plan.Change, false, rows);
  if (rows != 1) throw EDatabaseError(kNotOneRow + std::to_string(rows) + kNotOneRowEnd);
}
