// The stand-in sample data source ORVSAMPLE built into a temporary folder,
// and a connection window double on it that runs the window's catalogue
// reads plainly (no transaction rules).
#pragma once

#include <QProcess>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/ovconnwin.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"

namespace testing_sample {

class SampleConnection : public TovConnectionWindow {
 public:
  explicit SampleConnection(const testing_support::TempSettings& env, const std::string& user = "ORVUSER",
                            const std::string& password = "orvuser") {
    const QString odbcDir = QString::fromStdString(env.Path("sample-odbc"));
    QProcess setup;
    setup.start(QStringLiteral(TEST_BINARY_DIR "/standin/symfoware/symfoware-setup"),
                {odbcDir, "ORVSAMPLE", QString::fromStdString(env.Path("ORVSAMPLE")),
                 QStringLiteral(TEST_SOURCE_DIR "/../../standin/symfoware/sample.sql"), "ORVUSER/orvuser",
                 "GUEST/guest"});
    setup.waitForFinished(60000);
    EXPECT_EQ(setup.exitCode(), 0) << setup.readAllStandardError().toStdString();
    setenv("ODBCSYSINI", odbcDir.toUtf8().constData(), 1);
    setenv("ODBCINI", (odbcDir + "/odbc.ini").toUtf8().constData(), 1);
    dm_.Connection.UserName = user;
    dm_.Connection.Password = password;
    dm_.Connection.DataSource = "ORVSAMPLE";
    dm_.Connection.Connect();
  }

  QWidget* Window() override { return &window_; }
  TdmSymfoware& Module() override { return dm_; }
  int32_t Level() const override { return level; }
  bool IsRemote() const override { return remote; }

  TovSQLQuery& OpenSQL(const std::string& sql) override { return OpenSQLParams(sql, {}); }
  TovSQLQuery& OpenSQLParams(const std::string& sql, const std::vector<std::string>& values) override {
    ++opens;
    exec_.Close();
    exec_.SetSQL(sql);
    for (size_t i = 0; i < exec_.Parameters().size() && i < values.size(); ++i)
      exec_.Parameters()[i].Value = QString::fromStdString(values[i]);
    exec_.Open();
    return exec_;
  }
  void GetSchemaList(std::vector<std::string>& list) override {
    list.clear();
    TovSQLQuery& q = OpenSQLParams(
        "SELECT TRIM(A.SCHEMA_NAME) FROM RDBII_SYSTEM.SCHEMATA A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_DATABASE B ON "
        "A.DB_CODE = B.DB_CODE WHERE TRIM(B.DB_NAME) = :DATABASE AND TRIM(A.SCHEMA_OWNER) = :OWNER ORDER BY 1",
        {dm_.GetDataSourceName(), dm_.GetUserName()});
    for (; !q.Eof(); q.Next()) list.push_back(q.AsString(size_t{0}));
  }
  std::string GetDBCode(const std::string& dbName) override {
    TovSQLQuery& q = OpenSQLParams("SELECT DB_CODE FROM RDBII_SYSTEM.RDBII_DATABASE WHERE DB_NAME = :DBName", {dbName});
    return q.Eof() ? "" : q.AsString(size_t{0});
  }
  // Runs a statement on the sample, outside the window's routines.
  void Exec(const std::string& sql) {
    TovSQLQuery q(&dm_.Connection);
    q.SetParamCheck(false);
    q.SetSQL(sql);
    q.ExecSQL();
  }

  int32_t level = 10;
  bool remote = false;
  int opens = 0;

 private:
  bool appReady_ = (testing_odbc::EnsureQtApp(), true);
  QWidget window_;
  TdmSymfoware dm_;
  TovSQLQuery exec_{&dm_.Connection};
};

}  // namespace testing_sample
