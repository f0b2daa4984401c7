#include "app/fobjddl.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <map>
#include <sstream>
#include <stdexcept>

#include "app/core/fobjcmdcore.h"
#include "app/core/fobjddlcore.h"
#include "app/core/odsql.h"
#include "app/core/ovconnwin.h"
#include "app/ovforms.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "platform/savefile.h"

namespace {


struct TEditorEntry {
  TEditorConstructor Editor;
  TScriptConstructor Script;
};

std::map<int, TEditorEntry>& Editors() {
  static std::map<int, TEditorEntry> editors;
  return editors;
}

const TEditorEntry* EditorOf(int kind) {
  const auto found = Editors().find(kind);
  return found == Editors().end() ? nullptr : &found->second;
}

// Routines cannot be read from a remote server with an old catalogue.
constexpr int32_t kLastLevelWithoutRemoteRoutines = 9;

bool RoutineHidden(const TovConnectionWindow& connection, int kind) {
  return connection.Level() <= kLastLevelWithoutRemoteRoutines && connection.IsRemote() &&
         (kind == okProcedure || kind == okFunction);
}

constexpr const char* kLineBreak = "\r\n";
constexpr int kCodeQueryMaxRecords = 100;

constexpr const char* kDBCodeSQL =
    "SELECT DB_CODE FROM RDBII_SYSTEM.RDBII_DATABASE WHERE DB_NAME = :DB_NAME WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kSchemaCodeSQL =
    "SELECT SCHEMA_CODE FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE DB_NAME = :DB_NAME AND SCHEMA_NAME = :SCHEMA_NAME WITH "
    "OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kObjectCodeSQL =
    "SELECT OBJECT_CODE, TRIM(DB_NAME), TRIM(SCHEMA_NAME), TRIM(OBJECT_NAME)  FROM ( SELECT A.TABLE_CODE OBJECT_CODE, "
    "TRIM(DB_NAME) DB_NAME, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME FROM "
    "RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE WHERE "
    "(A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP') UNION SELECT A.TABLE_CODE OBJECT_CODE, "
    "TRIM(DB_NAME) DB_NAME, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME FROM "
    "RDBII_SYSTEM.RDBII_TABLE A WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP') UNION "
    "SELECT A.INDEX_DSO_CODE OBJECT_CODE, TRIM(DB_NAME) DB_NAME, TRIM(A.INDEX_DSO_NAME) OBJECT_NAME, "
    "TRIM(B.SCHEMA_NAME) SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_INDEX A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE B ON "
    "A.TABLE_CODE = B.TABLE_CODE UNION SELECT A.TABLE_CODE OBJECT_CODE, TRIM(DB_NAME) DB_NAME, TRIM(A.TABLE_NAME) "
    "OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE WHERE (A.TABLE_TYPE = 'VW') UNION SELECT "
    "A.TABLE_CODE OBJECT_CODE, TRIM(DB_NAME) DB_NAME, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) "
    "SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_TABLE A WHERE (A.TABLE_TYPE = 'VW') UNION SELECT A.PROCEDURE_CODE "
    "OBJECT_CODE, TRIM(DB_NAME) DB_NAME, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) FROM "
    "RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0 UNION SELECT A.PROCEDURE_CODE "
    "OBJECT_CODE, TRIM(DB_NAME) DB_NAME, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) FROM "
    "RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 2 UNION SELECT A.TRIG_CODE OBJECT_CODE, TRIM(TRIG_DB_NAME) "
    "DB_NAME, TRIM(A.TRIG_NAME) OBJECT_NAME, TRIM(A.TRIG_SCHEMA_NAME) FROM RDBII_SYSTEM.RDBII_TRIGGER A UNION SELECT "
    "A.SEQUENCE_CODE OBJECT_CODE, TRIM(DB_NAME) DB_NAME, TRIM(A.SEQUENCE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) "
    "SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_SEQUENCE A) ALL_OBJECT WHERE DB_NAME = :DB_NAME AND SCHEMA_NAME = "
    ":SCHEMA_NAME AND OBJECT_NAME = :OBJECT_NAME WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kPrivilegeSQL =
    "SELECT TRIM(A.GRANTEE) GRANTEE, TRIM(A.PRIVILEGE_TYPE) PRIVILEGE_TYPE, TRIM(A.IS_GRANTABLE) IS_GRANTABLE FROM "
    "RDBII_SYSTEM.RDBII_PRIVILEGES A WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND TABLE_CODE = "
    ":OBJECT_CODE UNION SELECT TRIM(B.ROLE_NAME) GRANTEE, TRIM(A.PRIVILEGE_TYPE) PRIVILEGE_TYPE, '' IS_GRANTABLE "
    "FROM RDBII_SYSTEM.RDBII_ROLE_PRIV A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_ROLE B ON B.ROLE_CODE = A.ROLE_CODE WHERE "
    "A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND A.OBJECT_CODE = :OBJECT_CODE WITH OPTION "
    "LOCK_MODE(NO LOCK)";

// The first field of the first row of a code query, empty when none.
std::string ReadCode(TovSQLConnection& connection, const char* sql, const std::vector<std::string>& values) {
  TovSQLQuery query(&connection);
  query.SetMaxRecords(kCodeQueryMaxRecords);
  query.SetSQL(sql);
  for (size_t i = 0; i < values.size() && i < query.Parameters().size(); ++i)
    query.Parameters()[i].Value = Q(values[i]);
  query.Open();
  const std::string code = query.Eof() ? "" : query.AsString(size_t{0});
  query.Close();
  return code;
}

constexpr const char* kDefaultTimeFormat = " hh:mm:ss";

// The script name of the object from the data source's name table, else
// the object's name.
std::string HistoryBaseName(TovConnectionWindow& connection, const std::string& schema, const std::string& name,
                            int kind) {
  const std::string table = NameTableFor(ScriptOption.NameTable, connection.Module().GetDataSourceName());
  if (table.empty()) return name;
  TovSQLQuery& query = connection.OpenSQLParams(ScriptNameSQL(table), {schema, name, ObjectKindName(kind)});
  // A fixed-length column pads the name with blanks, which no file name wants.
  return query.Eof() ? name : TrimBlanks(query.AsString("SCRIPT_NAME"));
}

void SaveSource(const TSourceHistory& history, TovConnectionWindow& connection, const std::string& schema,
                const std::string& name, int kind) {
  if (!history.Enabled) return;
  const std::string folder = HistoryFolder(history.Dir, schema, kind);
  QDir().mkpath(Q(folder));
  const std::string base = SanitizeFileName(HistoryBaseName(connection, schema, name, kind));
  std::string path = HistoryFilePath(folder, base, history.Renumber);
  if (history.Dialog) {
    const platform::FileRequest request{platform::FileDialogKind::Save, history.DialogTitle, folder, path,
                                        kSQLFileFilter};
    const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
    if (!chosen) return;
    path = *chosen;
  }
  // The text is made first and the file replaced whole, so a failing
  // generation never leaves a half-written history in place of the old one.
  std::ostringstream text;
  if (history.Head)
    text << "-- "
         << QDateTime::currentDateTime().toString(Q(ShortDateFormat) + kDefaultTimeFormat).toStdString()
         << history.HeadText << kLineBreak;
  GenerateDDL(connection, kind, schema, name, text, "", "");
  if (const int error = platform::SaveFileWhole(path, text.str()); error != 0)
    throw std::runtime_error("Cannot create file \"" + path + "\". " + std::strerror(error));
}

}  // namespace

void RegisterObjectEditor(int kind, TEditorConstructor editor, TScriptConstructor script) {
  Editors()[kind] = {std::move(editor), std::move(script)};
}

TovForm* OpenObject(TovConnectionWindow& connection, int kind, const std::string& schema, const std::string& name,
                    uint8_t mode, int reserved, int topCount) {
  (void)reserved;
  FlushActiveControl();
  if (RoutineHidden(connection, kind)) {
    MsgBox(kRemoteRoutineMessage, MB_ICONERROR);
    return nullptr;
  }
  try {
    return CreateObjectEditor(connection, kind, schema, name, mode, topCount);
  } catch (...) {
    // The editor has shown its own message, or brought an open window forward.
    return nullptr;
  }
}

TovForm* CreateObjectEditor(TovConnectionWindow& connection, int kind, const std::string& schema,
                            const std::string& name, uint8_t mode, int topCount) {
  const std::optional<TOpenCall> call = OpenCallFor(kind, schema, name, mode, topCount);
  const TEditorEntry* editor = call ? EditorOf(call->EditorKind) : nullptr;
  if (!editor || !editor->Editor) return nullptr;
  return editor->Editor(connection, call->Args);
}

bool EditorRegistered(int kind) {
  const std::optional<TOpenCall> call = OpenCallFor(kind, "", "", 0, 0);
  const TEditorEntry* editor = call ? EditorOf(call->EditorKind) : nullptr;
  return editor && editor->Editor;
}

void GenerateDDL(TovConnectionWindow& connection, int kind, const std::string& schema, const std::string& name,
                 std::ostream& stream, const std::string& newSchema, const std::string& newName) {
  if (RoutineHidden(connection, kind)) return;
  const std::optional<TScriptArgs> args = ScriptArgsFor(kind, schema, name, newSchema, newName);
  const TEditorEntry* editor = args ? EditorOf(kind) : nullptr;
  if (!editor || !editor->Script) return;
  try {
    editor->Script(connection, *args, stream);
  } catch (...) {
    // A script constructor ends its own construction with an exception.
  }
}

void WriteGrantDDL(TovConnectionWindow& connection, const TGrantItem& item, const std::string& owner,
                   std::ostream& stream) {
  if (item.Kind == okIndex) return;
  TovSQLConnection& db = connection.Module().Connection;
  if (db.InTransaction()) db.CommitTrans();
  db.BeginTrans();
  const std::string dataSource = connection.Module().GetDataSourceName();
  const std::string dbCode = ReadCode(db, kDBCodeSQL, {dataSource});
  const std::string schemaCode = ReadCode(db, kSchemaCodeSQL, {dataSource, item.Schema});
  const std::string objectCode = ReadCode(db, kObjectCodeSQL, {dataSource, item.Schema, item.Name});
  TovSQLQuery& query =
      connection.OpenSQLParams(kPrivilegeSQL, {dbCode, schemaCode, objectCode, dbCode, schemaCode, objectCode});
  std::vector<TPrivilegeRow> rows;
  for (; !query.Eof(); query.Next())
    rows.push_back({query.AsString("GRANTEE"), query.AsString("PRIVILEGE_TYPE"), query.AsString("IS_GRANTABLE")});
  for (const std::string& line : GrantLines(rows, item, owner, connection.Module().GetUserName(),
                                            ScriptOption.Schema, AppOption.Separator))
    stream << line << kLineBreak;
}

void SaveSourceBefore(TovConnectionWindow& connection, const std::string& schema, const std::string& name, int kind) {
  SaveSource(BeforeSourceHistory(AppOption), connection, schema, name, kind);
}

void SaveSourceAfter(TovConnectionWindow& connection, const std::string& schema, const std::string& name, int kind) {
  SaveSource(AfterSourceHistory(AppOption), connection, schema, name, kind);
}
