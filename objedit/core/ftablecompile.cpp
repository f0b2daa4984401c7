#include "objedit/core/ftablecompile.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>

#include "app/core/zarur.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/ftablecore.h"

namespace {

constexpr const char* kTableHead = "CREATE TABLE ";
constexpr const char* kTemporaryHead = "CREATE GLOBAL TEMPORARY TABLE ";
constexpr const char* kDsoHead = "CREATE DSO ";
constexpr const char* kKeyLine = "    PRIMARY KEY(";
constexpr const char* kUniqueLine = "    UNIQUE(";
constexpr const char* kCopyNamePlaceholder = "%s";

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

std::string Qualified(const std::string& schema, const std::string& name) {
  return QuoteIdent(schema) + "." + QuoteIdent(name);
}

// The copy as a statement names it: its name is written as the copy text
// wrote it, quotes and all.
std::string QualifiedCopy(const std::string& schema, const std::string& copyName) {
  return QuoteIdent(schema) + "." + copyName;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
  to.insert(to.end(), lines.begin(), lines.end());
}

// A dependent's statements end in a separator, whatever its writer left.
std::vector<std::string> EndedStatements(const std::vector<std::string>& ddl, const std::string& separator) {
  std::vector<std::string> lines = ddl;
  while (!lines.empty() && Trim(lines.back()).empty()) lines.pop_back();
  if (!lines.empty() && lines.back() != separator) lines.push_back(separator);
  return lines;
}

// What the table keeps through a re-creation: its indexes and grants.
void AppendKept(const TTableCompile& c, std::vector<std::string>& list) {
  for (const std::vector<std::string>& index : c.Indexes) Append(list, EndedStatements(index, c.Separator));
  Append(list, GrantStatements(c.Grants, "TABLE", c.Schema, c.Name, c.Separator));
}

void AppendDependents(const TTableCompile& c, std::vector<std::string>& list) {
  for (const TTableDependent& d : c.Dependents) {
    // One that could not be written is gone, its grants with it.
    if (StatementsEmpty(d.DDL)) continue;
    Append(list, EndedStatements(d.DDL, c.Separator));
    Append(list, GrantStatements(d.Grants, d.KindWord, d.Schema, d.Name, c.Separator));
  }
}

std::vector<std::string> DropCopyStatement(const TTableCompile& c) {
  return {"DROP TABLE " + QualifiedCopy(c.Schema, CopyTableName(c.CopyDDL))};
}

// The batch of `lines` that is the table's DROP ... CASCADE; none when the
// confirmed list holds no such batch.
std::optional<size_t> DropBatch(const TTableCompile& c, std::vector<std::string> lines) {
  std::vector<std::string> drop;
  BuildTableDropDDL(c.Schema, c.Name, true, c.Separator, drop);
  const std::string wanted = UpperCase(Trim(drop.front()));
  size_t index = 0;
  while (std::optional<std::vector<std::string>> batch = TakeDDLBatch(lines, c.Separator)) {
    for (const std::string& line : *batch)
      if (UpperCase(Trim(line)) == wanted) return index;
    ++index;
  }
  return std::nullopt;
}

struct TStagesRun {
  bool Completed = false;
  bool FirstCompleted = false;
  size_t FirstSucceeded = 0;
};

// Runs a list in its stages: the first; then, on a local connection and
// when there is a second, the base DSO read and the second after the drop
// of that DSO. A failure ends the run.
TStagesRun RunStages(const TTableCompile& c, const std::vector<std::string>& list, TTableCompilePort& port) {
  TCompileStages stages = SplitCompileStages(list);
  if (c.Remote) {
    stages.First = list;
    stages.Second.reset();
  }
  TStagesRun run;
  const TStageRun first = port.RunStage(stages.First, stages.Second.has_value());
  run.FirstCompleted = first.Completed;
  run.FirstSucceeded = first.Succeeded;
  if (!first.Completed) return run;
  if (stages.Second) {
    const std::optional<std::string> base = port.ReadBaseDso();
    if (!base) return run;
    std::vector<std::string> second{"DROP DSI " + *base + " CASCADE", c.Separator, "DROP DSO " + *base + " CASCADE",
                                    c.Separator};
    Append(second, *stages.Second);
    if (!port.RunStage(second, false).Completed) return run;
  }
  run.Completed = true;
  return run;
}

TTableCompileOutcome GoBack(const TTableCompile& c, bool built, TTableCompilePort& port) {
  if (RunStages(c, WayBackStatements(c, built), port).Completed) {
    if (c.KeepData) port.RunStatement(DropCopyStatement(c).front());
    return TTableCompileOutcome::WentBack;
  }
  std::string message = kWayBackFailed;
  if (c.KeepData) {
    std::string rows = kRowsLeftIn;
    rows.replace(rows.find(kCopyNamePlaceholder), std::string(kCopyNamePlaceholder).size(),
                 QualifiedCopy(c.Schema, CopyTableName(c.CopyDDL)));
    message += rows;
  }
  port.ShowError(message);
  return TTableCompileOutcome::BackFailed;
}

}  // namespace

std::optional<TColumnProblem> CheckTableColumns(const std::vector<TTableColumn>& rows) {
  // Types whose length cannot be left out.
  static const std::vector<std::string> kLengthTypes{"VARCHAR2", "NVARCHAR2", "RAW"};
  bool named = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    const TTableColumn& r = rows[i];
    const int row = static_cast<int>(i);
    const bool hasName = !Trim(r.Name).empty();
    if (!hasName && (!r.Type.empty() || !r.Size.empty() || r.NotNull || !r.Default.empty()))
      return TColumnProblem{kColumnNameMissing, row, kColName};
    if (!hasName) continue;
    named = true;
    if (r.Type.empty()) return TColumnProblem{kColumnTypeMissing, row, kColType};
    if (r.Size.empty() && std::find(kLengthTypes.begin(), kLengthTypes.end(), r.Type) != kLengthTypes.end())
      return TColumnProblem{kColumnSizeMissing, row, kColSize};
  }
  if (!named) return TColumnProblem{kNoColumns, -1, kColName};
  return std::nullopt;
}

std::vector<std::string> GrantStatements(const std::vector<TTableGrant>& grants, const std::string& kindWord,
                                         const std::string& schema, const std::string& name,
                                         const std::string& separator) {
  std::vector<std::string> lines;
  for (const TTableGrant& g : grants) {
    if (g.Grantee == schema) continue;
    std::string line = "GRANT " + g.Privilege + " ON " + kindWord + " " + Qualified(schema, name) + " TO " +
                       (g.Role ? "ROLE " : "") + QuoteIdent(g.Grantee);
    if (g.Grantable && !g.Role) line += " WITH GRANT OPTION";
    lines.push_back(line);
    lines.push_back(separator);
  }
  return lines;
}

std::vector<std::string> CopyTableStatements(const std::vector<std::string>& copyDDL, const std::string& schema,
                                             const std::string& table, const std::string& separator) {
  std::vector<std::string> lines;
  for (const std::string& line : copyDDL) {
    if (StartsWith(line, kDsoHead)) break;
    if (StartsWith(line, kKeyLine) || StartsWith(line, kUniqueLine)) continue;
    if (line == ")" && !lines.empty() && !lines.back().empty() && lines.back().back() == ',') lines.back().pop_back();
    lines.push_back(line);
  }
  lines.push_back("INSERT INTO " + QualifiedCopy(schema, CopyTableName(copyDDL)) + " SELECT * FROM " +
                  Qualified(schema, table));
  lines.push_back(separator);
  return lines;
}

std::string CopyTableName(const std::vector<std::string>& copyDDL) {
  for (const std::string& line : copyDDL)
    for (const std::string head : {kTemporaryHead, kTableHead}) {
      const size_t at = line.find(head);
      if (at == std::string::npos) continue;
      const std::string name = Trim(line.substr(at + head.size()));
      const size_t dot = name.find('.');
      return dot == std::string::npos ? name : name.substr(dot + 1);
    }
  return {};
}

std::vector<std::string> RestoreStatement(const std::string& schema, const std::string& table,
                                          const std::string& copyName, const std::vector<TStoredColumn>& stored,
                                          const std::vector<TEditedColumn>& edited, const std::string& separator) {
  std::string targets, sources;
  for (const TStoredColumn& column : stored)
    for (const TEditedColumn& row : edited) {
      if (row.Code.empty() || row.Code != column.Code || Trim(row.Name).empty()) continue;
      targets += (targets.empty() ? "" : ", ") + QuoteIdent(Trim(row.Name));
      sources += (sources.empty() ? "" : ", ") + QuoteIdent(column.Name);
      break;
    }
  if (targets.empty()) return {};
  return {"INSERT INTO " + Qualified(schema, table), "  (" + targets + ")",
          "  SELECT " + sources + " FROM " + QualifiedCopy(schema, copyName), separator};
}

std::vector<std::string> UnwrittenDependents(const TTableCompile& compile) {
  std::vector<std::string> names;
  if (!compile.Rebuild) return names;
  for (const TTableDependent& d : compile.Dependents)
    if (StatementsEmpty(d.DDL)) names.push_back(d.Schema + "." + d.Name);
  return names;
}

std::vector<std::string> TableCompileStatements(const TTableCompile& c) {
  std::vector<std::string> list;
  if (!c.Rebuild) {
    Append(list, c.Statements);
    Append(list, c.PageStatements);
    return list;
  }
  if (c.KeepData) Append(list, CopyTableStatements(c.CopyDDL, c.Schema, c.Name, c.Separator));
  BuildTableDropDDL(c.Schema, c.Name, true, c.Separator, list);
  Append(list, c.Statements);
  AppendKept(c, list);
  Append(list, c.PageStatements);
  Append(list, c.Restore);
  AppendDependents(c, list);
  return list;
}

std::vector<std::string> WayBackStatements(const TTableCompile& c, bool built) {
  std::vector<std::string> list;
  if (built) BuildTableDropDDL(c.Schema, c.Name, true, c.Separator, list);
  Append(list, c.LoadedCreate);
  AppendKept(c, list);
  if (c.KeepData)
    Append(list, {"INSERT INTO " + Qualified(c.Schema, c.Name) + " SELECT * FROM " +
                      QualifiedCopy(c.Schema, CopyTableName(c.CopyDDL)),
                  c.Separator});
  AppendDependents(c, list);
  return list;
}

TCompileStages SplitCompileStages(const std::vector<std::string>& lines) {
  static const QRegularExpression kBlanks(QStringLiteral(" +"));
  TCompileStages stages;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string reduced = QString::fromStdString(Trim(lines[i])).replace(kBlanks, " ").toStdString();
    if (reduced.find(kDsoHead) == std::string::npos) continue;
    stages.First.assign(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(i));
    stages.Second.emplace(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
    return stages;
  }
  stages.First = lines;
  return stages;
}

size_t CountBatches(const std::vector<std::string>& lines, const std::string& separator) {
  std::vector<std::string> rest = lines;
  size_t count = 0;
  while (TakeDDLBatch(rest, separator)) ++count;
  return count;
}

TTableCompileOutcome RunTableCompile(const TTableCompile& c, const std::vector<std::string>& list,
                                     TTableCompilePort& port) {
  const TStagesRun run = RunStages(c, list, port);
  if (!c.Rebuild) return run.Completed ? TTableCompileOutcome::Compiled : TTableCompileOutcome::Failed;
  if (!run.Completed) {
    // A list without its drop (edited in the preview) is taken as dropped
    // from its first batch on: going back loses nothing either way.
    const size_t drop = DropBatch(c, c.Remote ? list : SplitCompileStages(list).First).value_or(0);
    const bool dropped = run.FirstCompleted || run.FirstSucceeded > drop;
    if (dropped) {
      const bool built = run.FirstCompleted || run.FirstSucceeded > drop + 1;
      return GoBack(c, built, port);
    }
    // Before the drop: the copy, if it was made, is all there is to undo.
    if (c.KeepData && run.FirstSucceeded > 0) port.RunStatement(DropCopyStatement(c).front());
    return TTableCompileOutcome::Failed;
  }
  // The rows are in the new table only when they were brought back.
  if (c.KeepData && !c.Restore.empty()) port.RunStatement(DropCopyStatement(c).front());
  return TTableCompileOutcome::Compiled;
}
