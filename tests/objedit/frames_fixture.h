// The catalogue the cross-reference and privilege frames are tested on:
// schema S1 with tables T1 and T2, view V1 on T1 and V2 on V1, procedure P1
// using T1, trigger TR1 on T1 using T2 (routines and triggers written into
// the catalogue as the sample does, with their usage rows), V1 also using a
// catalogue table; users U2 (SELECT on T1 with the grant option, given by
// the fixture's GRANT) and U3, role R1 holding INSERT and UPDATE on T1.
#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTreeWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "standin/symfoware/catalogue.h"
#include "tests/objedit/objedit_fixture.h"

namespace testing_objedit {

class FramesTest : public ObjEditTest {
 protected:
  FramesTest() {
    AppOption.CrossLevel = kCrossLevel;
    AppOption.OpenMode = 0;
  }

  TfrmObject* LogonWithObjects() {
    TfrmObject* connection = Logon();
    for (const std::string& sql : Lines{
             "CREATE TABLE S1.T1 (C1 CHAR(4), C2 INTEGER)",
             "CREATE TABLE S1.T2 (K INTEGER)",
             "CREATE VIEW S1.V1 AS SELECT C1, C2 FROM S1.T1",
             "CREATE VIEW S1.V2 AS SELECT C1 FROM S1.V1",
             Catalogue("RDBII_PROC SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, 'S1', 901, 'P1', 'ADMIN', 1, 0, ''"),
             Catalogue("RDBII_TRIGGER (TRIG_DB_CODE, TRIG_DB_NAME, TRIG_SCHEMA_CODE, TRIG_SCHEMA_NAME, TRIG_CODE, "
                       "TRIG_NAME, EVENT_OBJ_SCH_CODE, EVENT_OBJ_SCH_NAME, EVENT_OBJ_TBL_CODE, EVENT_OBJ_TBL_NAME) "
                       "SELECT S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, 'S1', 903, 'TR1', S.SCHEMA_CODE, 'S1', " +
                       Code("T1") + ", 'T1'"),
             Catalogue("RDBII_TABLE (DB_CODE, SCHEMA_NAME, TABLE_CODE, TABLE_NAME, TABLE_TYPE) "
                       "SELECT S.DB_CODE, 'RDBII_SYSTEM', 950, 'RDBII_TABLE', 'BS'"),
             "INSERT INTO RDBII_SYSTEM.RDBII_TABLE_USAGE SELECT 901, " + Code("T1"),
             "INSERT INTO RDBII_SYSTEM.RDBII_TABLE_USAGE SELECT 903, " + Code("T2"),
             "INSERT INTO RDBII_SYSTEM.RDBII_TABLE_USAGE SELECT " + Code("V1") + ", 950",
             "INSERT INTO RDBII_SYSTEM.RDBII_ROLE VALUES (990, 'R1', 'ADMIN', '')",
         })
      connection->ExecSQL(sql);
    for (const char* user : {"U2", "U3"})
      symfoware::AddUser(connection->Module().Connection.Session().Database(), user, "pw");
    connection->ExecSQL("GRANT SELECT ON TABLE S1.T1 TO U2 WITH GRANT OPTION");
    connection->ExecSQL("GRANT INSERT, UPDATE ON TABLE S1.T1 TO ROLE R1");
    symfoware::ClearStatementJournal();
    return connection;
  }

  // The tree as indented lines "<depth blanks><text> <kind>", siblings in
  // name order (the server returns them in an order of its own).
  static Lines Tree(QTreeWidget& tree) {
    Lines out;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) Flatten(*tree.topLevelItem(i), 0, out);
    return out;
  }

  static constexpr int kCrossLevel = 3;
  // The distribution's interpreter, which has python3-openpyxl.
  static constexpr const char* kPython = "/usr/bin/python3";

  // Runs the script with openpyxl imported and `p` the path; its output.
  static std::string Python(const std::string& script, const std::string& path) {
    QProcess process;
    process.start(kPython, {"-c", QString::fromStdString("import sys, openpyxl\np = sys.argv[1]\n" + script),
                            QString::fromStdString(path)});
    process.waitForFinished();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toStdString();
  }
  static void Definition(const std::string& name, const std::string& body) {
    QDir().mkpath(QString::fromStdString(ShareDir + "xlsdef"));
    QFile file(QString::fromStdString(ShareDir + "xlsdef/" + name + ".def"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(body.c_str());
  }

 private:
  static std::string Catalogue(const std::string& rest) {
    return "INSERT INTO RDBII_SYSTEM." + rest + " FROM RDBII_SYSTEM.RDBII_SCHEMA S WHERE S.SCHEMA_NAME = 'S1'";
  }
  static std::string Code(const std::string& table) {
    return "(SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = 'S1' AND TABLE_NAME = '" + table +
           "')";
  }
  static void Flatten(QTreeWidgetItem& node, int depth, Lines& out) {
    out.push_back(std::string(static_cast<size_t>(depth), ' ') + node.text(0).toStdString() + " " +
                  std::to_string(node.data(0, Qt::UserRole).toInt()));
    std::vector<QTreeWidgetItem*> children;
    for (int i = 0; i < node.childCount(); ++i) children.push_back(node.child(i));
    std::sort(children.begin(), children.end(),
              [](QTreeWidgetItem* a, QTreeWidgetItem* b) { return a->text(0) < b->text(0); });
    for (QTreeWidgetItem* child : children) Flatten(*child, depth + 1, out);
  }
};

}  // namespace testing_objedit
