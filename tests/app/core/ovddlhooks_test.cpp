#include "app/core/fobjcmdcore.h"
#include "app/core/ovddlhooks.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/app/unserved_connection.h"

namespace {

class NoConnection : public testing_connection::UnservedConnection {
 public:
  QWidget* Window() override { return nullptr; }
  TdmSymfoware& Module() override { throw std::logic_error("no module"); }
  int32_t Level() const override { return 0; }
  bool IsRemote() const override { return false; }
  TovSQLQuery& OpenSQL(const std::string&) override { throw std::logic_error("no SQL"); }
  TovSQLQuery& OpenSQLParams(const std::string&, const std::vector<std::string>&) override {
    throw std::logic_error("no SQL");
  }
  void GetSchemaList(std::vector<std::string>&, bool) override {}
  std::string GetDBCode(const std::string&) override { return ""; }
  TObjectCount ObjectCount() const override { return {}; }
  std::vector<TObjectItem> SelectedObjects() const override { return {}; }
};

class DDLHooksTest : public ::testing::Test {
 protected:
  ~DDLHooksTest() override {
    SetShowDDLPreview(nullptr);
    SetRunDDLExec(nullptr);
    SetWaitDDLExec(nullptr);
  }
  NoConnection connection;
  std::vector<std::string> list{"A", ";"};
};

TEST_F(DDLHooksTest, NothingInstalledIsAFaultOfTheProgram) {
  EXPECT_FALSE(ShowDDLPreviewInstalled());
  EXPECT_FALSE(RunDDLExecInstalled());
  EXPECT_FALSE(WaitDDLExecInstalled());
  EXPECT_THROW(ShowDDLPreview(list, "S", "N"), std::logic_error);
  EXPECT_THROW(RunDDLExecAndWait(connection, list), std::logic_error);
}

// The wait follows the run whether it returned or stopped.
TEST_F(DDLHooksTest, TheWaitFollowsEveryRunAndTheStopReachesTheCaller) {
  std::vector<std::string> calls;
  SetShowDDLPreview([&](std::vector<std::string>& l, const std::string& schema, const std::string& name) {
    calls.push_back("preview " + schema + "." + name + " " + std::to_string(l.size()));
    return true;
  });
  bool stop = false;
  SetRunDDLExec([&](TovConnectionWindow& c, std::vector<std::string>& l, TDDLRun) {
    EXPECT_EQ(&c, &connection);
    calls.push_back("run");
    if (stop) throw std::runtime_error("stopped");
    l.clear();
  });
  SetWaitDDLExec([&] { calls.push_back("wait"); });
  EXPECT_TRUE(ShowDDLPreviewInstalled() && RunDDLExecInstalled() && WaitDDLExecInstalled());
  EXPECT_TRUE(ShowDDLPreview(list, "S", "N"));
  RunDDLExecAndWait(connection, list);
  EXPECT_TRUE(list.empty());
  stop = true;
  EXPECT_THROW(RunDDLExecAndWait(connection, list), std::runtime_error);
  EXPECT_EQ(calls, (std::vector<std::string>{"preview S.N 2", "run", "wait", "run", "wait"}));
}

}  // namespace
