// ftablecompile: carrying a changed table to the server without losing it.
// A compile either alters the table or re-creates it: the rows set aside in
// a copy table, DROP TABLE ... CASCADE, CREATE, the storage, indexes,
// grants, the rows back by column code, then the views and triggers the
// CASCADE took. The statements run in two stages split at "CREATE DSO ",
// the storage the server made for the new table read between them.
//
// How to use it (the table editor's compile, the constraint editor's):
//   1. Fill a TTableCompile with everything either way needs, read before
//      anything runs: the table as loaded (LoadedCreate, CopyDDL), the
//      statements of the edit (Statements), the indexes' statements, the
//      grants, the dependents' DDL and grants, the restore statement.
//   2. Ask about UnwrittenDependents (a dependent without DDL is lost).
//   3. Preview TableCompileStatements and pass the confirmed lines to
//      RunTableCompile with a TTableCompilePort.
// A failure after the table was dropped goes back: what was built of the
// new table is dropped and the table as loaded is built again through the
// same stages, its rows from the copy table. The copy table is dropped only
// once its rows are in a table.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct TTableColumn;

// The first fault of the column rows (the entry row among them) that stops
// a compile: its message and the row (0-based) and grid column to put the
// cursor on; the row is -1 when no row is named at all.
struct TColumnProblem {
  std::string Message;
  int Row = -1;
  int Col = 0;
  friend bool operator==(const TColumnProblem&, const TColumnProblem&) = default;
};
inline constexpr const char* kColumnNameMissing = "列の名前を指定して下さい。";
inline constexpr const char* kColumnTypeMissing = "列の型を指定して下さい。";
inline constexpr const char* kColumnSizeMissing = "列の長さを指定して下さい。";
inline constexpr const char* kNoColumns = "項目列を１つ以上指定して下さい。";
std::optional<TColumnProblem> CheckTableColumns(const std::vector<TTableColumn>& rows);

// One privilege held on an object, as the grants query reads it.
struct TTableGrant {
  std::string Grantee;
  std::string Privilege;
  bool Grantable = false;
  bool Role = false;  // granted "TO ROLE <role>"
  friend bool operator==(const TTableGrant&, const TTableGrant&) = default;
};

// "GRANT <privilege> ON <kindWord> <schema>.<name> TO [ROLE ]<grantee>
// [WITH GRANT OPTION]" and the separator for each grant whose grantee is
// not named like `schema` (the owner gets its privileges with the object).
std::vector<std::string> GrantStatements(const std::vector<TTableGrant>& grants, const std::string& kindWord,
                                         const std::string& schema, const std::string& name,
                                         const std::string& separator);

// A view or trigger that DROP TABLE ... CASCADE takes with the table.
struct TTableDependent {
  std::string KindWord;  // "TABLE" for a view, "TRIGGER": the word of its GRANTs
  std::string Schema;
  std::string Name;
  std::vector<std::string> DDL;  // its statements, each ending in a separator; empty: none could be written
  std::vector<TTableGrant> Grants;
};

// A column of the table as stored, and a row of the edited grid.
struct TStoredColumn {
  std::string Name;
  std::string Code;
};
struct TEditedColumn {
  std::string Name;
  std::string Code;  // the COLUMN_CODE the row was read with; empty for an added row
};

// The copy table's statements from the copy text: its CREATE without key
// and unique lines (and the comma before ")" that leaves), the INSERT of
// the table's rows and a separator.
std::vector<std::string> CopyTableStatements(const std::vector<std::string>& copyDDL, const std::string& schema,
                                             const std::string& table, const std::string& separator);
// The copy table's name as the copy text writes it (after the schema), or
// empty when it names none.
std::string CopyTableName(const std::vector<std::string>& copyDDL);
// The INSERT that brings the rows back from the copy: each stored column
// into the first named grid row read with its code. Empty when no column
// matches.
std::vector<std::string> RestoreStatement(const std::string& schema, const std::string& table,
                                          const std::string& copyName, const std::vector<TStoredColumn>& stored,
                                          const std::vector<TEditedColumn>& edited, const std::string& separator);

// Everything a compile of one table needs, read before anything runs.
struct TTableCompile {
  std::string Schema;
  std::string Name;
  std::string Separator;
  bool Rebuild = false;   // re-create an existing table (else: alter, or create a new one)
  bool KeepData = false;  // rows set aside in the copy table
  bool Remote = false;    // one stage, no report read
  // The edit's statements: the CREATE text and storage, the ALTER
  // statements or the edited source.
  std::vector<std::string> Statements;
  // The privilege page's GRANT and REVOKE statements.
  std::vector<std::string> PageStatements;
  // ---- a re-creation only ----
  std::vector<std::string> LoadedCreate;  // the CREATE text and storage of the table as loaded
  std::vector<std::string> CopyDDL;       // the copy text of the table as loaded
  std::vector<std::vector<std::string>> Indexes;  // each index's statements (none when reduced)
  std::vector<TTableGrant> Grants;
  std::vector<TTableDependent> Dependents;
  std::vector<std::string> Restore;  // RestoreStatement, or empty (source page, rows dropped)
};

// The dependents whose DDL could not be written, "<schema>.<name>" each.
std::vector<std::string> UnwrittenDependents(const TTableCompile& compile);
// The statement list to preview and run: for a re-creation the copy, the
// drop, the edit's statements, indexes, grants, the privilege page's
// statements, the rows back, then the dependents with their grants.
std::vector<std::string> TableCompileStatements(const TTableCompile& compile);
// The statements that build the table as loaded again after `built` (what
// was built of the new one is dropped first), its rows from the copy when
// they were kept.
std::vector<std::string> WayBackStatements(const TTableCompile& compile, bool built);

// The first stage: the lines before the first line that contains "CREATE
// DSO " (trimmed, blanks reduced); the second: that line and the rest,
// none when there is no such line.
struct TCompileStages {
  std::vector<std::string> First;
  std::optional<std::vector<std::string>> Second;
};
TCompileStages SplitCompileStages(const std::vector<std::string>& lines);
// The number of batches a list runs as.
size_t CountBatches(const std::vector<std::string>& lines, const std::string& separator);

// How one stage ran: whether every batch succeeded, and how many did
// before the stop.
struct TStageRun {
  bool Completed = false;
  size_t Succeeded = 0;
};

// What the compile runs on: the execution window and the definition report.
class TTableCompilePort {
 public:
  virtual ~TTableCompilePort() = default;
  // Runs the batches of one stage, stopping at the first failure (the
  // window shows it); `more` when another stage follows.
  virtual TStageRun RunStage(const std::vector<std::string>& statements, bool more) = 0;
  // The base DSO the server made for the table; none when the report could
  // not be read (the port has said so).
  virtual std::optional<std::string> ReadBaseDso() = 0;
  // Runs one statement outside the stages; false when it failed (the port
  // has shown the error and the statement).
  virtual bool RunStatement(const std::string& statement) = 0;
  // Shows an error message.
  virtual void ShowError(const std::string& message) = 0;
};

enum class TTableCompileOutcome {
  Compiled,    // every statement ran
  Failed,      // a stage failed before the table was dropped: the table is as it was
  WentBack,    // a failure after the drop: the table as loaded was built again
  BackFailed,  // the way back failed too; the user was told where the rows are
};

inline constexpr const char* kWayBackFailed = "テーブルを元に戻せませんでした。";
inline constexpr const char* kRowsLeftIn = "データは %s に残っています。";
inline constexpr const char* kDependentsLostQuestion = "テーブルの再作成により、次のオブジェクトが削除されます。";
inline constexpr const char* kContinueQuestion = "処理を続行しますか？";

// Runs the confirmed statement list of `compile` in its stages.
TTableCompileOutcome RunTableCompile(const TTableCompile& compile, const std::vector<std::string>& list,
                                     TTableCompilePort& port);
