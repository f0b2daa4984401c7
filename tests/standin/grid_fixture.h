// The stand-in table every data-grid test may open: a column of each type
// the grids show, nulls, values holding TAB, CR LF, a lone CR and quotes,
// two identical rows, more rows than a packet, and a view over the table.
#pragma once

#include <QByteArray>
#include <QVariant>

#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "tests/standin/odbc_fixture.h"

namespace testing_grids {

// Rows of S.ALLTYPES beside the hand-written ones: numbered from 100.
constexpr int kFillerRows = 250;
constexpr int kFillerFirst = 100;
inline constexpr char kAllTypesColumns[] = "ID, C, V, N, SI, DE, R, D, TS, B, L";

// Makes the stand-in data source and connects to it as its administrator.
inline void ConnectStandin(testing_odbc::OdbcFixture& odbc, TovSQLConnection& connection) {
  odbc.CreateStandin("ADMIN", "secret");
  connection.UserName = "ADMIN";
  connection.Password = "secret";
  connection.DataSource = "ORVTEST";
  connection.Connect();
}

inline void RunFixture(TovSQLConnection& connection, const std::string& sql, const std::vector<QVariant>& values = {}) {
  TovSQLQuery q(&connection);
  q.SetSQL(sql);
  for (size_t i = 0; i < values.size(); ++i) q.Parameters()[i].Value = values[i];
  q.ExecSQL();
}

// Makes schema S (unless it exists) with S.ALLTYPES and the view S.ALLVIEW.
inline void CreateGridFixture(TovSQLConnection& connection, bool makeSchema = true) {
  if (makeSchema) RunFixture(connection, "CREATE SCHEMA S");
  RunFixture(connection,
             "CREATE TABLE S.ALLTYPES (ID INTEGER, C CHAR(4), V VARCHAR(40), N NCHAR(4), SI SMALLINT, "
             "DE DECIMAL(5,1), R REAL, D DATE, TS TIMESTAMP, B BLOB, L VARCHAR(4000))");
  const std::string insert = "INSERT INTO S.ALLTYPES VALUES (:ID, :C, :V, :N, :SI, :DE, :R, :D, :TS, :B, :L)";
  const QVariant null;
  const QString longText = QString("長い文章 long text ").repeated(100);
  const std::vector<std::vector<QVariant>> rows = {
      {1, "ab", "tab\there", "日本", -5, 0.5, 1.25, "2024-01-31", "2024-01-31 12:34:56", QByteArray("\x01\xFF", 2),
       longText},
      {2, null, null, null, null, null, null, null, null, null, null},
      {3, "q\"", "crlf\r\nx", "空", 7, -0.5, 0.0, "1999-12-31", "2000-01-01 00:00:00", null, "lone\rcr"},
      {4, "tw", "twin", "双", 1, 0.5, 2.5, "2024-02-29", "2024-02-29 23:59:59", null, "\"quoted\"\tand\r\nmore"},
      {4, "tw", "twin", "双", 1, 0.5, 2.5, "2024-02-29", "2024-02-29 23:59:59", null, "\"quoted\"\tand\r\nmore"},
  };
  connection.BeginTrans();
  for (const std::vector<QVariant>& row : rows) RunFixture(connection, insert, row);
  for (int i = 0; i < kFillerRows; ++i) {
    const int id = kFillerFirst + i;
    RunFixture(connection, insert,
               {id, "f", QString("row %1").arg(id), "行", i % 100, (i % 10) / 10.0, i / 4.0, "2024-03-01",
                "2024-03-01 08:00:00", null, QString("filler %1").arg(id)});
  }
  connection.CommitTrans();
  RunFixture(connection, "CREATE VIEW S.ALLVIEW AS SELECT ID, V, DE FROM S.ALLTYPES");
}

}  // namespace testing_grids
