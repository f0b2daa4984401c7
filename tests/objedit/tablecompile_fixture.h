// The table S1.T that the rebuild tests of the table and constraint
// editors work on, what a rebuild must keep of it, and the compile run as a
// user runs it through the preview and the execution windows.
#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>

#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "objedit/ftable.h"
#include "standin/symfoware/standin.h"
#include "tests/objedit/frames_fixture.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovgrid.h"

namespace testing_objedit {

inline constexpr const char* kCopyPattern = "SUBSTR(TABLE_NAME, 1, 2) = 'T_'";

// What a compile must keep of S1.T: its columns in order, rows, storage,
// indexes, unique constraints (their columns in key order), grants of users
// and roles (the owner's aside), views, and any copy table left.
struct TTableState {
  Lines Columns, Rows, Storage, Indexes, Uniques, Grants, Views, Copies;
  friend bool operator==(const TTableState&, const TTableState&) = default;
};
inline std::ostream& operator<<(std::ostream& out, const TTableState& s) {
  for (const Lines* part : {&s.Columns, &s.Rows, &s.Storage, &s.Indexes, &s.Uniques, &s.Grants, &s.Views, &s.Copies}) {
    out << "[";
    for (const std::string& line : *part) out << line << ";";
    out << "] ";
  }
  return out;
}

class TableCompileTest : public FramesTest {
 protected:
  TableCompileTest() {
    testing_tools::UseStandinTools();
    AppOption.BackupData = true;
    AppOption.ShowStorageSource = true;
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }
  ~TableCompileTest() override {
    symfoware::ClearStatementFailures();
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }

  // S1.T: C1 CHAR(4) key, C2 INTEGER default 0, C3 INTEGER, three rows, a
  // DSO and DSI of its own on DBSPACE1, index IX on C2, SELECT to U2 with
  // the grant option and to S1 (named like the schema), INSERT to role R1,
  // view V on it; `uniques` are UNIQUE(...) lines of the CREATE TABLE.
  TfrmObject* LogonWithTable(const std::string& uniques = "") {
    TfrmObject* window = Logon();
    for (const char* user : {"U2", "S1"})
      symfoware::AddUser(window->Module().Connection.Session().Database(), user, "pw");
    window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_ROLE VALUES (990, 'R1', 'ADMIN', '')");
    MakeTable(*window, uniques);
    return window;
  }
  static void MakeTable(TfrmObject& window, const std::string& uniques = "") {
    for (const std::string& sql : Lines{
             "CREATE TABLE S1.T (C1 CHAR(4) NOT NULL, C2 INTEGER DEFAULT 0, C3 INTEGER, PRIMARY KEY(C1)" + uniques +
                 ") ON DBSPACE1",
             "DROP DSI T CASCADE", "DROP DSO T CASCADE", "CREATE DSO D1 FROM S1.T TYPE SEQUENTIAL(PAGESIZE(4))",
             "CREATE DSI D1A DSO D1 ALLOCATE DATA ON DBSPACE1 SIZE 1M", "CREATE INDEX S1.T.IX KEY(C2) ON DBSPACE1",
             "INSERT INTO S1.T VALUES ('A', 1, 10)", "INSERT INTO S1.T VALUES ('B', 2, NULL)",
             "INSERT INTO S1.T VALUES ('C', NULL, 30)", "GRANT SELECT ON TABLE S1.T TO U2 WITH GRANT OPTION",
             "GRANT SELECT ON TABLE S1.T TO S1", "GRANT INSERT ON TABLE S1.T TO ROLE R1",
             "CREATE VIEW S1.V AS SELECT C1 FROM S1.T"})
      window.ExecSQL(sql);
    symfoware::ClearStatementJournal();
  }
  static Lines Column(TfrmObject& window, const std::string& sql) {
    Lines out;
    try {
      for (TovSQLQuery& q = window.OpenSQL(sql); !q.Eof(); q.Next()) out.push_back(q.AsString(size_t{0}));
    } catch (const std::exception&) {
      out.push_back("(none)");
    }
    return out;
  }
  static TTableState State(TfrmObject& window) {
    const std::string ofT = " T WHERE T.SCHEMA_NAME = 'S1' AND T.TABLE_NAME = 'T' AND ";
    TTableState s;
    s.Columns = Column(window, "SELECT C.COLUMN_NAME || ' ' || C.DATA_TYPE || ' ' || C.NULLABLE || ' ' || "
                               "C.DEFAULT_VALUE FROM RDBII_SYSTEM.RDBII_COLUMN C, RDBII_SYSTEM.RDBII_TABLE" + ofT +
                                   "C.TABLE_CODE = T.TABLE_CODE ORDER BY C.ORDINAL_POSITION");
    s.Rows = Column(window, "SELECT C1 || '|' || IFNULL(C2, '-') || '|' || IFNULL(C3, '-') FROM S1.T ORDER BY 1");
    s.Storage = Column(window, "SELECT DSO_NAME || ' ' || NAME FROM RDBII_SYSTEM.RDBII_DSI_STATUS WHERE "
                               "TABLE_NAME = 'T' AND TYPE = 'T' ORDER BY 1");
    s.Indexes = Column(window, "SELECT I.INDEX_DSO_NAME FROM RDBII_SYSTEM.RDBII_INDEX I, RDBII_SYSTEM.RDBII_TABLE" +
                                   ofT + "I.TABLE_CODE = T.TABLE_CODE");
    s.Uniques = Uniques(window);
    s.Grants = Column(window, "SELECT P.GRANTEE || ' ' || P.PRIVILEGE_TYPE || ' ' || P.IS_GRANTABLE FROM "
                              "RDBII_SYSTEM.RDBII_PRIVILEGES P, RDBII_SYSTEM.RDBII_TABLE" + ofT +
                                  "P.TABLE_CODE = T.TABLE_CODE AND P.GRANTEE <> 'ADMIN' UNION ALL SELECT 'ROLE ' || "
                                  "R.ROLE_NAME || ' ' || P.PRIVILEGE_TYPE FROM RDBII_SYSTEM.RDBII_ROLE_PRIV P, "
                                  "RDBII_SYSTEM.RDBII_ROLE R, RDBII_SYSTEM.RDBII_TABLE" + ofT +
                                  "P.OBJECT_CODE = T.TABLE_CODE AND R.ROLE_CODE = P.ROLE_CODE ORDER BY 1");
    s.Views = Column(window, "SELECT TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_TYPE = 'VW'");
    s.Copies = Column(window, std::string("SELECT TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE WHERE ") + kCopyPattern);
    return s;
  }
  // Each unique constraint of S1.T as "C1,C2" (key order), sorted.
  static Lines Uniques(TfrmObject& window) {
    std::map<std::string, std::string> byCode;
    for (TovSQLQuery& q = window.OpenSQL(
             "SELECT U.OBJECT_CODE, TRIM(C.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_CONSTRAINT K, "
             "RDBII_SYSTEM.RDBII_COLUMN_USAGE U, RDBII_SYSTEM.RDBII_COLUMN C, RDBII_SYSTEM.RDBII_TABLE T WHERE "
             "T.SCHEMA_NAME = 'S1' AND T.TABLE_NAME = 'T' AND K.TABLE_CODE = T.TABLE_CODE AND K.CONSTRAINT_TYPE = 'UK' "
             "AND U.OBJECT_CODE = K.CONSTRAINT_CODE AND U.LIST_TYPE = 'U' AND C.TABLE_CODE = T.TABLE_CODE AND "
             "C.COLUMN_CODE = U.COLUMN_CODE ORDER BY U.OBJECT_CODE, U.ORDINAL_POSITION");
         !q.Eof(); q.Next()) {
      std::string& columns = byCode[q.AsString(size_t{0})];
      if (!columns.empty()) columns += ',';
      columns += q.AsString(1);
    }
    Lines uniques;
    for (const auto& [code, columns] : byCode) uniques.push_back(columns);
    std::sort(uniques.begin(), uniques.end());
    return uniques;
  }
  static TfrmTable* Open(TfrmObject& window) {
    const TOpenArgs args{"S1", "T", kTableKind, 0, 0, ""};
    return qobject_cast<TfrmTable*>(TovObjectEditor::CreateEditor<TfrmTable>(window, args));
  }
  // Moves C3 above C2, as the user does.
  static void MoveC3Up(TfrmTable& editor) {
    editor.grdColumn->FocusCell(kColName, 3);
    editor.actColUp->trigger();
  }
  // Compiles through the preview (confirmed) and the execution windows; a
  // window stopped at an error is closed with "中止" as a user does. The
  // lines the preview showed.
  Lines Compile(TovObjectEditor& editor) { return Run(*editor.actCompile); }
  // Runs an editor's action that rebuilds the table, as Compile does.
  Lines Run(QAction& action) {
    AppOption.ShowDDL = true;
    AppOption.CloseDDL = true;
    Lines previewed;
    testing_support::WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& preview) {
      for (int i = 0; i < preview.txtLog->Lines().GetCount(); ++i) previewed.push_back(preview.txtLog->Lines().Get(i));
      preview.btnOK->click();
    });
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [this] {
      for (TfrmDDLExec* exec : TfrmDDLExec::Windows())
        if (exec->ErrorCount > 0 && !exec->Finished && exec->isVisible()) {
          EXPECT_FALSE(exec->chkErrorStop->isEnabled());
          EXPECT_FALSE(exec->btnOK->isVisible());
          env.Dialogs().QueueMessage(IDYES);  // "処理を中断しますか？"
          exec->btnCancel->click();
        }
    });
    closer.start(1);
    action.trigger();
    QCoreApplication::processEvents();
    return previewed;
  }
  // The view's question answered Yes before a re-creation.
  void AcceptLosingTheView() { env.Dialogs().QueueMessage(IDYES); }
};

}  // namespace testing_objedit
