// The routine runner on the stand-in: the parameter tree from the
// catalogue, the in-place value editor, the CALL with its output markers
// bound in order and the output pane from the answer the test supplies,
// a function's SELECT and its result, a failed run, the twin rule.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QSplitter>
#include <QTest>

#include "app/core/ovkinds.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "objedit/fexecprc.h"
#include "tests/objedit/objedit_fixture.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class ExecProcTest : public ObjEditTest {
 protected:
  ExecProcTest() { symfoware::ClearRoutineAnswers(); }
  ~ExecProcTest() override { symfoware::ClearRoutineAnswers(); }

  // A logon whose schema S1 holds procedure P (an input, two outputs and an
  // input-output) and function F (two inputs and its result).
  TfrmObject* Prepared() {
    TfrmObject* window = Logon();
    window->ExecSQL(
        "CREATE PROCEDURE S1.P(IN A CHAR(10), OUT B CHAR VARYING(20), OUT C INT, INOUT D NUMERIC(5, 2)) "
        "BEGIN NULL; END");
    window->ExecSQL("CREATE FUNCTION S1.F(IN INT, IN CHAR(3)) RETURNS INT LANGUAGE C NAME 'f' LIBRARY '/l.so'");
    symfoware::ClearStatementJournal();
    return window;
  }
  static Lines Nodes(TfrmExecProc& runner) {
    Lines nodes;
    for (int i = 0; i < runner.lstParam->topLevelItemCount(); ++i) {
      auto* node = static_cast<TovTreeNode*>(runner.lstParam->topLevelItem(i));
      nodes.push_back(node->text(0).toStdString() + " " + node->SubItem(0).toStdString());
    }
    return nodes;
  }
  // Types a value into a node through the in-place editor.
  static void Type(TfrmExecProc& runner, int node, const std::string& value) {
    runner.lstParam->setCurrentItem(runner.lstParam->topLevelItem(node));
    runner.txtParam->setText(QString::fromStdString(value));
  }
  static Lines Output(TfrmExecProc& runner) {
    Lines lines;
    for (int i = 0; i < runner.txtOutput->Lines().GetCount(); ++i) lines.push_back(runner.txtOutput->Lines().Get(i));
    return lines;
  }
};

TEST_F(ExecProcTest, AProcedureRunsWithItsOutputsBoundInOrderAndListsTheirValues) {
  TfrmObject* window = Prepared();
  TfrmExecProc* runner = TfrmExecProc::CreateRun(*window, "S1", "P", okProcedure);
  EXPECT_EQ(runner->windowTitle().toStdString(), "ストアドプログラム実行 - S1.P @ ORVTEST");
  EXPECT_FALSE(runner->pnlObj->isVisibleTo(runner));
  EXPECT_FALSE(runner->pnlName->isEnabled());
  EXPECT_EQ(Nodes(*runner),
            (Lines{"A CHAR(10)", "B CHAR VARYING(20)", "C INT", "D NUMERIC(5, 2)"}));
  EXPECT_EQ(runner->hedParam->sectionSize(0), 200);
  EXPECT_EQ(runner->hedParam->sectionSize(1), 110);

  Type(*runner, 0, "O'Neil");
  Type(*runner, 3, "1.5");
  // Leaving a node keeps its value; the editor follows the selection.
  runner->lstParam->setCurrentItem(runner->lstParam->topLevelItem(0));
  EXPECT_EQ(static_cast<TovTreeNode*>(runner->lstParam->topLevelItem(3))->SubItem(1).toStdString(), "1.5");
  EXPECT_EQ(runner->EditNode, runner->lstParam->topLevelItem(0));
  EXPECT_EQ(runner->txtParam->text().toStdString(), "O'Neil");
  EXPECT_TRUE(runner->txtParam->isVisibleTo(runner));

  runner->PrepareCall();
  EXPECT_EQ(runner->qryExec.SQL(), "CALL S1.P('O''Neil', :B, :C, :D)");
  const std::vector<TovParameter>& markers = runner->qryExec.Parameters();
  ASSERT_EQ(markers.size(), 3u);
  EXPECT_EQ(markers[0].Direction, TParamDirection::Output);
  EXPECT_EQ(markers[0].Size, 20);
  EXPECT_EQ(markers[1].Size, 30000);
  EXPECT_EQ(markers[2].Direction, TParamDirection::InputOutput);
  EXPECT_EQ(markers[2].Value.toString().toStdString(), "1.5");

  symfoware::SetRoutineAnswer("S1", "P", {{std::string("done"), std::nullopt, std::string("2.5")}, {}});
  runner->btnExec->trigger();
  EXPECT_EQ(Output(*runner), (Lines{"【 実行後パラメータ値 】", "A : O'Neil", "B : done", "C : (NULL)", "D : 2.5"}));
  EXPECT_EQ(Boxes(), Lines{"プログラムを実行しました。"});
  EXPECT_EQ(runner->RunState, TfrmExecProc::rsDone);
  EXPECT_EQ(Journal(), Lines{"CALL S1.P('O''Neil', ?, ?, ?)"});

  // One window per routine: the runner comes forward.
  EXPECT_THROW(TfrmExecProc::CreateRun(*window, "S1", "P", okProcedure), EAbort);
  EXPECT_EQ(Windows<TfrmExecProc>().size(), 1u);
}

// An input-output parameter keeps the value it was bound with: empty here.
TEST_F(ExecProcTest, AFailedRunShowsItsErrorAfterTheValuesAsTyped) {
  TfrmObject* window = Prepared();
  TfrmExecProc* runner = TfrmExecProc::CreateRun(*window, "S1", "P", okProcedure);
  Type(*runner, 0, "NULL");
  symfoware::SetRoutineAnswer("S1", "P", {{}, "JYP3001E 例外が発生しました。"});
  runner->btnExec->trigger();
  EXPECT_EQ(Output(*runner), (Lines{"【 実行後パラメータ値 】", "A : (NULL)", "B : (NULL)", "C : (NULL)", "D : "}));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes().front().find("JYP3001E"), std::string::npos);
  EXPECT_EQ(runner->RunState, TfrmExecProc::rsFailed);
}

TEST_F(ExecProcTest, AFunctionIsSelectedFromTheAssistTableAndItsResultListed) {
  TfrmObject* window = Prepared();
  TfrmExecProc* runner = TfrmExecProc::CreateRun(*window, "S1", "F", okFunction);
  EXPECT_EQ(Nodes(*runner), (Lines{"PARAM1 INT", "PARAM2 CHAR(3)", "RESULT INT"}));
  Type(*runner, 0, "4");
  // Tab and Down go to the next node, Shift+Tab and Up to the one before.
  QTest::keyClick(runner->txtParam, Qt::Key_Tab);
  EXPECT_EQ(runner->lstParam->currentItem(), runner->lstParam->topLevelItem(1));
  QTest::keyClick(runner->txtParam, Qt::Key_Up);
  EXPECT_EQ(runner->lstParam->currentItem(), runner->lstParam->topLevelItem(0));
  QTest::keyClick(runner->txtParam, Qt::Key_Down);
  runner->txtParam->setText("abc");
  symfoware::SetRoutineAnswer("S1", "F", {{std::string("7")}, {}});
  runner->btnExec->trigger();
  EXPECT_EQ(runner->qryExec.SQL(),
            "SELECT S1.F(4, 'abc')\nFROM RDBII_SYSTEM.RDBII_ASSISTTABLE WITH OPTION LOCK_MODE(NO LOCK)");
  EXPECT_EQ(Output(*runner), (Lines{"【 実行後パラメータ値 】", "PARAM1 : 4", "PARAM2 : abc", "RESULT : 7"}));
  EXPECT_EQ(Boxes(), Lines{"プログラムを実行しました。"});
}

TEST_F(ExecProcTest, ARoutineOfAnotherKindOpensItsWindowAndRunsNothing) {
  TfrmObject* window = Prepared();
  TfrmExecProc* runner = TfrmExecProc::CreateRun(*window, "S1", "PKG", okPackageBody);
  EXPECT_TRUE(runner->pnlObj->isVisibleTo(runner));
  EXPECT_EQ(runner->lstParam->topLevelItemCount(), 0);
  runner->btnExec->trigger();
  EXPECT_EQ(Output(*runner), Lines{"【 実行後パラメータ値 】"});
  EXPECT_TRUE(Journal().empty());
}

TEST_F(ExecProcTest, TheOutputHeightIsKeptWithTheWindowSize) {
  TfrmObject* window = Prepared();
  TfrmExecProc* runner = TfrmExecProc::CreateRun(*window, "S1", "P", okProcedure);
  const int total = runner->splOutput->sizes().value(0) + runner->splOutput->sizes().value(1);
  runner->splOutput->setSizes({total - 90, 90});
  runner->SaveWindowSize();
  {
    platform::KeyScope key(AppRegistry);
    ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("EXECPROC"), false));
    EXPECT_EQ(AppRegistry.ReadIntegerDef("OutputHeight", -1), runner->txtOutput->height());
  }
  runner->splOutput->setSizes({total, 0});
  runner->LoadWindowSize();
  EXPECT_EQ(runner->txtOutput->height(), 90);
}

}  // namespace
}  // namespace testing_objedit
