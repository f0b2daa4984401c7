// The SQL builder's tests: a connection window on a fresh stand-in data
// source that records every catalogue read (text and values), with the
// login user's own schema holding EMP and DEPT, and a designer bound to it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovconnwin.h"
#include "tests/app/unserved_connection.h"
#include "sqlwork/core/ovsqlbldmodel.h"
#include "standin/symfoware/catalogue.h"
#include "tests/standin/odbc_fixture.h"

namespace testing_sqlbld {

inline constexpr char kUser[] = "ADMIN";
inline constexpr char kPassword[] = "secret";
inline constexpr char kDataSource[] = "ORVTEST";

struct TRecordedRead {
  std::string SQL;
  std::vector<std::string> Values;
};

class RecordingConnection : public testing_connection::UnservedConnection {
 public:
  RecordingConnection() {
    odbc_.CreateStandin(kUser, kPassword);
    dm_.Connection.UserName = kUser;
    dm_.Connection.Password = kPassword;
    dm_.Connection.DataSource = kDataSource;
    dm_.Connection.Connect();
  }

  QWidget* Window() override { return nullptr; }
  TdmSymfoware& Module() override { return dm_; }
  int32_t Level() const override { return kLastServerVersion; }
  bool IsRemote() const override { return false; }
  TovSQLQuery& OpenSQL(const std::string& sql) override { return OpenSQLParams(sql, {}); }
  TovSQLQuery& OpenSQLParams(const std::string& sql, const std::vector<std::string>& values) override {
    reads.push_back({sql, values});
    query_.Close();
    query_.SetSQL(sql);
    for (size_t i = 0; i < query_.Parameters().size() && i < values.size(); ++i)
      query_.Parameters()[i].Value = QString::fromStdString(values[i]);
    query_.Open();
    return query_;
  }
  void GetSchemaList(std::vector<std::string>&, bool) override { ADD_FAILURE() << "the builder lists no schemas"; }
  std::string GetDBCode(const std::string& dbName) override {
    TovSQLQuery& q = OpenSQLParams("SELECT DB_CODE FROM RDBII_SYSTEM.RDBII_DATABASE WHERE DB_NAME = :DBName", {dbName});
    return q.Eof() ? "" : q.AsString(size_t{0});
  }
  TObjectCount ObjectCount() const override { return {}; }
  std::vector<TObjectItem> SelectedObjects() const override { return {}; }

  // Runs a statement on the stand-in, outside the window's routines, and
  // lists the objects it made in the catalogue.
  void Exec(const std::string& sql) {
    TovSQLQuery q(&dm_.Connection);
    q.SetParamCheck(false);
    q.SetSQL(sql);
    q.ExecSQL();
    symfoware::TDescribedUpTo everything;
    symfoware::DescribeNewObjects(dm_.Connection.Session().Database(), kDataSource, everything);
  }

  std::vector<TRecordedRead> reads;

 private:
  testing_odbc::OdbcFixture odbc_;
  TdmSymfoware dm_;
  TovSQLQuery query_{&dm_.Connection};
};

// EMP and DEPT in the login user's schema, a key column first in each.
class BuilderTest : public ::testing::Test {
 public:
  BuilderTest() {
    connection.Exec("CREATE SCHEMA ADMIN");
    connection.Exec("CREATE TABLE ADMIN.EMP (ENO INTEGER NOT NULL PRIMARY KEY, SAL INTEGER, DEPT CHAR(4), X INTEGER)");
    connection.Exec("CREATE TABLE ADMIN.DEPT (DNO CHAR(4) NOT NULL PRIMARY KEY, DNAME CHAR(20), X INTEGER)");
    designer.ClientWidth = kCanvasWidth;
  }

  // Fills a data row as the user would, cell by cell.
  void TypeRow(int row, const TBuildRow& cells) {
    for (int col = 0; col < kBuildColumns; ++col) {
      if (designer.Cell(col, row) != cells[col]) designer.GridSetEditText(col, row, cells[col]);
    }
  }
  std::vector<TBuildRow> DataRows() const {
    std::vector<TBuildRow> rows;
    for (int r = 1; r < designer.RowCount(); ++r) rows.push_back(designer.Row(r));
    return rows;
  }

  static constexpr int kCanvasWidth = 600;
  RecordingConnection connection;
  TovSQLDesigner designer{&connection};
};

}  // namespace testing_sqlbld
