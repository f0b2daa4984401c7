#include "sqlwork/rexplan.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <string>

#include "app/core/ovreg.h"
#include "sqlwork/fsql.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/tools_sample.h"
#include "tests/ui/core/workbook_fixture.h"
#include "ui/ovcomctrls.h"

namespace {

using testing_sqlwork::Lines;

// The SQL window in plan mode on a stand-in logon whose server the tools
// see as local.
class PlanWindow : public testing_sqlwork::SQLWindow {
 protected:
  PlanWindow() {
    path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    testing_tools::UseStandinTools();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    AppOption.PasteDialog = true;
    AppOption.PasteColumn = 0;
  }
  ~PlanWindow() override {
    setenv("PATH", path_.c_str(), 1);
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }

  TfrmSQL* OpenPlanWindow() {
    TfrmObject* connection = Logon();
    connection->ExecSQL("CREATE SCHEMA S");
    connection->ExecSQL("CREATE TABLE S.T (A INTEGER, B INTEGER)");
    connection->ExecSQL("CREATE INDEX S.T_A ON T (A)");
    connection->ExecSQL("COMMIT");
    TfrmSQL* form = OpenFromMain();
    EXPECT_TRUE(form->btnExplan->isEnabled());
    form->btnExplan->click();
    return form;
  }
  // Runs the text in plan mode.
  void Plan(TfrmSQL& form, const std::string& text) {
    env.Dialogs().messages.clear();
    SetText(form, text);
    form.actExec->trigger();
  }
  // The plan tree as "<level>|<text>|<object>" lines.
  static Lines Tree(TfrmSQL& form) {
    Lines lines;
    auto walk = [&](auto& self, QTreeWidgetItem* item, int level) -> void {
      auto* node = static_cast<TovTreeNode*>(item);
      lines.push_back(std::to_string(level) + "|" + node->text(0).toStdString() + "|" +
                      node->SubItem(0).toStdString());
      EXPECT_TRUE(item->childCount() == 0 || item->isExpanded()) << node->text(0).toStdString();
      for (int i = 0; i < item->childCount(); ++i) self(self, item->child(i), level + 1);
    };
    TovTreeView& tree = *form.fraExplan->lstPlan;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) walk(walk, tree.topLevelItem(i), 0);
    return lines;
  }
  std::string WorkFile(const char* name) const { return AppOption.TempDir + name; }
  // Red pixels drawn in the row of the item.
  static int RedPixels(TovTreeView& tree, QTreeWidgetItem* item) {
    const QImage image = tree.viewport()->grab().toImage();
    const QRect row = tree.visualItemRect(item);
    int red = 0;
    for (int y = row.top(); y <= row.bottom(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++red;
      }
    return red;
  }

  std::string path_;
};

TEST_F(PlanWindow, ShowsTheFirstStatementsPlanThroughTheTool) {
  TfrmSQL* form = OpenPlanWindow();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->pagExplan->isVisible());
  EXPECT_FALSE(form->pagData->isVisible());
  EXPECT_EQ(form->pagExplan->tabText(0).toStdString(), "実行計画");

  Plan(*form, "SELECT *\r\n  FROM S.T WHERE B = 1;\r\n;\r\nSELECT * FROM S.NOTHING");
  EXPECT_EQ(Boxes(), Lines{});
  EXPECT_EQ(Tree(*form), (Lines{"0|SELECT STATEMENT|", "1|SCAN|", "2|TABLE ALL SCAN|S.T"}));
  EXPECT_EQ(Panel2().rfind("処理時間：", 0), 0u) << Panel2();
  EXPECT_FALSE(QFile::exists(QString::fromStdString(WorkFile("plan2N.rdbexecsql"))));
  EXPECT_TRUE(QFile::exists(QString::fromStdString(WorkFile("plan2N.trc"))));

  // "TABLE ALL SCAN" is red until it is selected; its object is not.
  TovTreeView& tree = *form->fraExplan->lstPlan;
  QTreeWidgetItem* scan = tree.topLevelItem(0)->child(0)->child(0);
  tree.resize(600, 200);
  tree.show();
  EXPECT_GT(RedPixels(tree, scan), 0);
  tree.setCurrentItem(scan);
  EXPECT_EQ(RedPixels(tree, scan), 0);
  EXPECT_EQ(RedPixels(tree, tree.topLevelItem(0)), 0);

  Plan(*form, "SELECT A FROM S.T WHERE A = :A");
  EXPECT_EQ(Panel2(), "バインド変数値を入力して下さい。");
  Plan(*form, "SELECT A FROM S.T WHERE A = :A");
  EXPECT_EQ(Tree(*form), (Lines{"0|SELECT STATEMENT|", "1|SCAN|", "2|INDEX TABLE SCAN|S.T"}));
  EXPECT_EQ(form->pagData->count(), 1) << "no result page";
  EXPECT_EQ(Boxes(), Lines{});
}

TEST_F(PlanWindow, ErrorsOfTheServerAndTheToolAreShownWithTheErrorIcon) {
  TfrmSQL* form = OpenPlanWindow();
  ASSERT_NE(form, nullptr);
  env.Dialogs().QueueMessage(IDOK);
  Plan(*form, "SELECT * FROM S.NOTHING");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("NOTHING"), std::string::npos) << Boxes()[0];
  EXPECT_EQ(env.Dialogs().messages[0].flags & static_cast<unsigned>(MB_ICONERROR), static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(Tree(*form), Lines{});
  EXPECT_FALSE(QFile::exists(QString::fromStdString(WorkFile("plan2N.trc"))));

  // Not a statement with a plan: an empty tree and no word.
  Plan(*form, "CREATE TABLE S.X (A INTEGER)");
  EXPECT_EQ(Tree(*form), Lines{});
  EXPECT_EQ(Boxes(), Lines{});

  struct Case {
    const char* mode;
    std::string box;  // empty: the plan is shown
  };
  const Case cases[] = {
      {"silent", "コマンドの実行に失敗しました。"},
      {"code", "コマンドの実行に失敗しました。\r\nrdbexecsqlが異常終了しました 復帰コード 12"},
      {"stderr", ""},
      {"nolf", ""},
      {"exit", ""},
      {"missing", "コマンドの実行に失敗しました。"},
  };
  for (const Case& c : cases) {
    if (std::string(c.mode) == "missing")
      setenv("PATH", path_.c_str(), 1);
    else
      setenv("SYMFOWARE_TOOL_FAIL", c.mode, 1);
    if (!c.box.empty()) env.Dialogs().QueueMessage(IDOK);
    Plan(*form, "SELECT * FROM S.T");
    EXPECT_EQ(Boxes(), c.box.empty() ? Lines{} : Lines{c.box}) << c.mode;
    EXPECT_EQ(Tree(*form).size(), c.box.empty() ? 3u : 0u) << c.mode;
    EXPECT_FALSE(QFile::exists(QString::fromStdString(WorkFile("plan2N.rdbexecsql")))) << c.mode;
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(PlanWindow, CopiesAndWritesTheTreeWithItsIndentation) {
  TfrmSQL* form = OpenPlanWindow();
  ASSERT_NE(form, nullptr);
  Plan(*form, "SELECT * FROM S.T");
  QApplication::clipboard()->setText("before");

  env.Dialogs().QueueMessage(IDNO, {true});
  form->fraExplan->btnCopy->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "before");
  EXPECT_EQ(AppOption.PasteColumn, 0) << "unchanged after No";
  EXPECT_EQ(Boxes(), Lines{"結果をクリップボードにコピーしますか？"});
  EXPECT_EQ(env.Dialogs().messages[0].checks.at(0).caption, "カンマ区切りにする(非チェック時はタブ区切り)");

  env.Dialogs().QueueMessage(IDYES, {true});
  env.Dialogs().QueueMessage(IDOK);
  form->fraExplan->btnCopy->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "SELECT STATEMENT,\r\n  ┗SCAN,\r\n    ┗TABLE ALL SCAN,S.T\r\n");
  EXPECT_EQ(AppOption.PasteColumn, 1);
  EXPECT_EQ(Boxes().back(), "クリップボードに出力しました。");

  AppOption.ExcelDir = env.Path("books") + "/";
  AppOption.ExcelExt = ".xlsx";
  const std::string target = env.Path("out") + "/plan.xlsx";
  env.Dialogs().QueueFile(target);
  env.Dialogs().QueueMessage(IDOK);
  form->fraExplan->btnExcel->click();
  EXPECT_EQ(env.Dialogs().files.back().fileName, env.Path("books") + "/EXECUTEPLAN.xlsx");
  EXPECT_EQ(Boxes().back(), "ファイルに出力しました。");
  EXPECT_EQ(AppOption.ExcelDir, env.Path("out") + "/");
  QProcess python;
  python.start(testing_workbook::kPython,
               {"-c",
                "import sys, openpyxl\nws = openpyxl.load_workbook(sys.argv[1]).active\n"
                "a = ws.column_dimensions['A']\nprint(int(a.width), a.min, a.max)\n"
                "for row in ws.iter_rows(values_only=True): print('|'.join(str(v or '') for v in row))",
                QString::fromStdString(target)});
  python.waitForFinished();
  EXPECT_EQ(QString::fromUtf8(python.readAllStandardOutput()).trimmed().toStdString(),
            "50 1 2\n操作|オブジェクト\nSELECT STATEMENT|\n  ┗SCAN|\n    ┗TABLE ALL SCAN|S.T")
      << python.readAllStandardError().toStdString();
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(PlanWindow, PlansAreOffOnARemoteConnection) {
  setenv("PATH", path_.c_str(), 1);  // no tool answers the local probe
  Logon();
  TfrmSQL* form = OpenFromMain();
  ASSERT_NE(form, nullptr);
  EXPECT_FALSE(form->btnExplan->isEnabled());
  EXPECT_FALSE(form->btnExplan->isChecked());
}

}  // namespace
