// A connection window double on the stand-in sample data source; it runs
// the window's catalogue reads plainly (no transaction rules).
#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovconnwin.h"
#include "tests/app/unserved_connection.h"
#include "tests/platform/testapp.h"
#include "tests/standin/tools_sample.h"

namespace testing_sample {

class SampleConnection : public testing_connection::UnservedConnection {
 public:
  SampleConnection() {
    dm_.Connection.UserName = testing_tools::kSampleUser;
    dm_.Connection.Password = testing_tools::kSamplePassword;
    dm_.Connection.DataSource = testing_tools::kSampleDataSource;
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
  void GetSchemaList(std::vector<std::string>& list, bool) override {
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
  TObjectCount ObjectCount() const override { return {}; }
  std::vector<TObjectItem> SelectedObjects() const override { return {}; }
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
  bool appReady_ = (TestApp(), true);
  testing_tools::SampleDataSource sample_;
  QWidget window_;
  TdmSymfoware dm_;
  TovSQLQuery exec_{&dm_.Connection};
};

}  // namespace testing_sample
