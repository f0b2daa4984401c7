#include <gtest/gtest.h>

#include <QPushButton>
#include <QTimer>

#include <fstream>
#include <functional>
#include <sstream>

#include "app/core/ovddlhooks.h"
#include "app/core/ovreg.h"
#include "app/ovforms.h"
#include "editor/ovmemo.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "tests/objedit/objedit_fixture.h"
#include "tests/platform/whenshown.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

using testing_support::WhenShown;

const Lines kThreeBatches{"INSERT INTO S1.NOSUCH VALUES (1)", ";", "CREATE TABLE S1.A (X INTEGER)", ";",
                          "CREATE TABLE S1.B (X INTEGER)",    ";"};

Lines LogLines(const TfrmDDLExec& form) {
  Lines lines;
  for (int i = 0; i < form.txtLog->Lines().GetCount(); ++i) lines.push_back(form.txtLog->Lines().Get(i));
  return lines;
}

class DDLWindowTest : public ObjEditTest {
 protected:
  // Runs the list as a compile does; steps run one after another inside the
  // wait, each on the execution window. True when the run was stopped.
  bool RunAndWait(TfrmObject& connection, Lines& list, std::vector<std::function<void(TfrmDDLExec&)>> steps) {
    Schedule(std::move(steps));
    try {
      RunDDLExecAndWait(connection, list);
    } catch (const EAbort&) {
      return true;
    }
    return false;
  }
  void Schedule(std::vector<std::function<void(TfrmDDLExec&)>> steps) {
    if (steps.empty()) return;
    QTimer::singleShot(0, [this, steps]() mutable {
      const std::vector<TfrmDDLExec*> windows = TfrmDDLExec::Windows();
      ASSERT_EQ(windows.size(), 1u);
      auto step = steps.front();
      steps.erase(steps.begin());
      step(*windows.front());
      Schedule(std::move(steps));
    });
  }
};

TEST_F(DDLWindowTest, AStopKeepsTheRestThenContinueRunsItAndTheCallerStillSeesTheStop) {
  TfrmObject* connection = Logon();
  Lines list = kThreeBatches;
  Lines logAtStop;
  const bool stopped = RunAndWait(*connection, list,
                                  {[&](TfrmDDLExec& form) {
                                     logAtStop = LogLines(form);
                                     // The rest of the list waits in it; continue is offered.
                                     EXPECT_EQ(list, Lines(kThreeBatches.begin() + 2, kThreeBatches.end()));
                                     EXPECT_TRUE(form.btnOK->isEnabled());
                                     EXPECT_FALSE(main->isEnabled());
                                     EXPECT_TRUE(form.isEnabled());
                                     form.btnOK->click();
                                   },
                                   [&](TfrmDDLExec& form) {
                                     EXPECT_TRUE(form.Finished);
                                     EXPECT_FALSE(form.btnOK->isEnabled());
                                     EXPECT_EQ(form.btnCancel->text().toStdString(), "終了(&X)");
                                     form.btnCancel->click();
                                   }});
  EXPECT_TRUE(stopped);
  ASSERT_GE(logAtStop.size(), 3u);
  EXPECT_EQ(logAtStop[0], "INSERT INTO S1.NOSUCH VALUES (1)");
  EXPECT_EQ(logAtStop[1], "《エラー》");
  EXPECT_NE(logAtStop[2].find("NOSUCH"), std::string::npos);
  EXPECT_EQ(logAtStop.back(), "");
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(main->isEnabled());
  EXPECT_TRUE(TfrmDDLExec::Windows().empty());
  // A window that stopped once never closes by itself, and asks nothing when finished.
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Journal(), (Lines{"failed: INSERT INTO S1.NOSUCH VALUES (1)", "CREATE TABLE S1.A (X INTEGER)",
                              "CREATE TABLE S1.B (X INTEGER)"}));
}

TEST_F(DDLWindowTest, TheWholeLogOfARunThatPassesOverFailures) {
  TfrmObject* connection = Logon();
  Lines list = kThreeBatches;
  Lines log;
  // The first run always stops; with the box cleared the rest passes over failures.
  const Lines failingTail{"INSERT INTO S1.NOSUCH VALUES (2)", ";", "CREATE TABLE S1.C (X INTEGER)", ";"};
  list.insert(list.end(), failingTail.begin(), failingTail.end());
  RunAndWait(*connection, list,
             {[&](TfrmDDLExec& form) {
                form.chkErrorStop->setChecked(false);
                form.btnOK->click();
              },
              [&](TfrmDDLExec& form) {
                log = LogLines(form);
                EXPECT_EQ(form.ErrorCount, 2);
                form.btnCancel->click();
              }});
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(Lines(log.end() - 2, log.end()), (Lines{"スクリプト実行が完了しました。", "エラー: 2 件"}));
  EXPECT_EQ(std::count(log.begin(), log.end(), "《正常終了》"), 3);
  EXPECT_EQ(std::count(log.begin(), log.end(), "《エラー》"), 2);
}

TEST_F(DDLWindowTest, AbortAsksAndYesLeavesTheRestUnrun) {
  TfrmObject* connection = Logon();
  Lines list = kThreeBatches;
  env.Dialogs().QueueMessage(IDNO);
  env.Dialogs().QueueMessage(IDYES);
  const bool stopped = RunAndWait(*connection, list,
                                  {[&](TfrmDDLExec& form) { form.btnCancel->click(); },
                                   [&](TfrmDDLExec& form) {
                                     EXPECT_FALSE(form.Finished);
                                     form.btnCancel->click();
                                   }});
  EXPECT_TRUE(stopped);
  EXPECT_EQ(Boxes(), (Lines{"処理を中断しますか？", "処理を中断しますか？"}));
  EXPECT_EQ(Journal(), Lines{"failed: INSERT INTO S1.NOSUCH VALUES (1)"});
  EXPECT_EQ(list.size(), 4u);
}

TEST_F(DDLWindowTest, AGoodRunClosesItselfOnlyWithCloseDDL) {
  TfrmObject* connection = Logon();
  struct Case {
    bool closeDDL;
    Lines list;
  };
  for (const Case& c : {Case{true, {"CREATE TABLE S1.A (X INTEGER)", ";"}}, Case{true, {}},
                        Case{false, {"CREATE TABLE S1.B (X INTEGER)"}}}) {
    SCOPED_TRACE(c.closeDDL);
    AppOption.CloseDDL = c.closeDDL;
    Lines list = c.list;
    Lines log;
    std::vector<std::function<void(TfrmDDLExec&)>> steps;
    if (!c.closeDDL)
      steps.push_back([&](TfrmDDLExec& form) {
        log = LogLines(form);
        form.btnCancel->click();
      });
    EXPECT_FALSE(RunAndWait(*connection, list, steps));
    EXPECT_TRUE(TfrmDDLExec::Windows().empty());
    if (!c.closeDDL) {
      ASSERT_FALSE(log.empty());
      EXPECT_EQ(log.back(), "エラー: 0 件");
    }
  }
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Journal(), (Lines{"CREATE TABLE S1.A (X INTEGER)", "CREATE TABLE S1.B (X INTEGER)"}));
}

TEST_F(DDLWindowTest, ThePreviewShowsNothingWithoutShowDDL) {
  Lines list{"DROP TABLE S1.T", ";"};
  AppOption.ShowDDL = false;
  EXPECT_TRUE(ShowDDLPreview(list, "S1", "T"));
  EXPECT_EQ(list, (Lines{"DROP TABLE S1.T", ";"}));
}

TEST_F(DDLWindowTest, ThePreviewStartsCancelsAndSaves) {
  AppOption.ShowDDL = true;
  const Lines statements{"CREATE TABLE S1.T (X INTEGER)", ";"};
  struct Case {
    const char* button;
    bool result;
  };
  for (const Case& c : {Case{"btnCancel", false}, Case{"btnOK", true}}) {
    Lines list = statements;
    std::string caption;
    bool readOnly = false, editable = true;
    WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& form) {
      caption = form.windowTitle().toStdString();
      readOnly = form.txtLog->ReadOnly();
      editable = form.chkModifySource->isVisible();
      form.findChild<QPushButton*>(c.button)->click();
    });
    EXPECT_EQ(ShowDDLPreview(list, "S1", "T"), c.result) << c.button;
    EXPECT_EQ(caption, "S1.T のコンパイル");
    EXPECT_TRUE(readOnly);
    EXPECT_FALSE(editable);
    EXPECT_EQ(list, statements);
  }
  // Saving writes the statements with CR LF and keeps the preview open.
  const std::string path = env.Path("saved.sql");
  env.Dialogs().QueueFile(path);
  Lines list = statements;
  WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& form) {
    form.btnSave->click();
    EXPECT_TRUE(form.isVisible());
    form.btnCancel->click();
  });
  EXPECT_FALSE(ShowDDLPreview(list, "", "R1"));
  ASSERT_EQ(env.Dialogs().files.size(), 1u);
  EXPECT_EQ(env.Dialogs().files[0].fileName, "R1.sql");
  EXPECT_EQ(env.Dialogs().files[0].caption, "SQL文の保存");
  std::stringstream saved;
  saved << std::ifstream(path, std::ios::binary).rdbuf();
  EXPECT_EQ(saved.str(), "CREATE TABLE S1.T (X INTEGER)\r\n;\r\n");
  EXPECT_EQ(Boxes(), Lines{"SQL文の保存が完了しました。"});
  // The bounds are kept for the next preview.
  platform::KeyScope scope(AppRegistry);
  EXPECT_TRUE(AppRegistry.KeyExists(GuiKey("SQLPREVIEW")));
}

}  // namespace
}  // namespace testing_objedit
