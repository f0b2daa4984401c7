// The table editor's data page, its script with rows and its report on the
// stand-in: conditions, sort cells, the row limit, bind variables, the
// free-condition history, INSERT scripts replayed, and reports read back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QProcess>

#include <fstream>
#include <sstream>

#include "app/core/fobjddlcore.h"
#include "app/core/fobjreportcore.h"
#include "app/core/ovwhere.h"
#include "app/core/fmainactcore.h"
#include "app/fmainact.h"
#include "app/core/ovatexit.h"
#include "app/fobjddl.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/fconst.h"
#include "objedit/ftable.h"
#include "objedit/rwhere.h"
#include "sqlwork/sqlregister.h"
#include "ui/uiregister.h"
#include "tests/objedit/frames_fixture.h"
#include "tests/standin/tools_sample.h"
#include "ui/core/ovworkbook.h"
#include "ui/fprint.h"
#include "ui/ovprinter.h"
#include "tests/platform/whenshown.h"
#include "ui/ovgrid.h"

namespace testing_objedit {
namespace {

class TableDataTest : public FramesTest {
 protected:
  // The tools on the path, as any earlier test may have left them: the
  // connection then has its storage level, and scripts write storage.
  TableDataTest() { testing_tools::UseStandinTools(); }
  // S1.D: A CHAR(5), B INTEGER, N NCHAR VARYING(10), D DATE, T TIMESTAMP,
  // X BLOB(1024); the key (B, A), a unique constraint on N and an index on D.
  TfrmObject* LogonWithData() {
    TfrmObject* window = Logon();
    window->ExecSQL("CREATE TABLE S1.D (A CHAR(5) NOT NULL, B INTEGER NOT NULL, N NCHAR VARYING(10), D DATE, "
                    "T TIMESTAMP, X BLOB(1024), PRIMARY KEY(B, A), UNIQUE(N))");
    window->ExecSQL("CREATE INDEX S1.D.IXD KEY(D) ON DBSPACE1");
    window->ExecSQL("INSERT INTO S1.D VALUES ('ABC', 10, N'日本語', DATE'2001-02-03', "
                    "TIMESTAMP'2001-02-03 10:11:12.250', X'00FF41')");
    window->ExecSQL("INSERT INTO S1.D VALUES ('XYZ', 20, NULL, NULL, NULL, NULL)");
    window->ExecSQL("INSERT INTO S1.D VALUES ('', 30, N'it''s', DATE'2001-01-01', NULL, NULL)");
    env.Dialogs().messages.clear();
    return window;
  }
  static TfrmTable* OpenData(TfrmObject& window, int topCount = 0) {
    const TOpenArgs args{"S1", "D", kTableKind, 2, topCount, ""};
    return qobject_cast<TfrmTable*>(TovObjectEditor::CreateEditor<TfrmTable>(window, args));
  }
  static int Rows(TfrmTable& editor) { return editor.fraData->cdsData.RecordCount(); }
  static int WhereRow(TfrmTable& editor, const std::string& name) {
    for (int row = 1; row < editor.pnlWhere->grdWhere->RowCount(); ++row)
      if (editor.pnlWhere->grdWhere->Cells(kWhereName, row) == name) return row;
    return -1;
  }
};

TEST_F(TableDataTest, ConditionsSortCellsAndTheRowLimitShapeTheQuery) {
  TfrmObject* window = LogonWithData();
  TfrmTable* editor = OpenData(*window, 1000);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->pagObject->currentWidget(), editor->tabData);
  EXPECT_EQ(editor->pnlWhere->txtRecord->text().toStdString(), "1000");
  EXPECT_EQ(Rows(*editor), 3);
  EXPECT_EQ(editor->fraData->BaseSQL, "SELECT \"A\", \"B\", \"N\", \"D\", \"T\", \"X\" FROM \"S1\".\"D\"");
  ASSERT_EQ(editor->pnlWhere->grdWhere->RowCount(), 7);

  AppOption.WhereAutoQuote = true;
  editor->pnlWhere->grdWhere->SetCells(kWhereEqual, WhereRow(*editor, "A"), "ABC");
  editor->pnlWhere->grdWhere->SetCells(kWhereUpper, WhereRow(*editor, "B"), "20");
  editor->pnlWhere->grdWhere->SetCells(kWhereSort, WhereRow(*editor, "B"), "1 desc");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_EQ(editor->pnlWhere->grdWhere->Cells(kWhereEqual, WhereRow(*editor, "A")), "'ABC'");
  EXPECT_EQ(editor->pnlWhere->grdWhere->Cells(kWhereSort, WhereRow(*editor, "B")), "1 DESC");
  EXPECT_EQ(editor->fraData->BaseSQL, "SELECT \"A\", \"B\", \"N\", \"D\", \"T\", \"X\" FROM \"S1\".\"D\" WHERE A = "
                                      "'ABC' AND B <= 20  ORDER BY B DESC");
  EXPECT_EQ(Rows(*editor), 1);

  // The free condition after the grid's is bracketed, and remembered.
  editor->pnlWhere->cmbWhere->setCurrentText("B = 10 OR B = 30");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_EQ(Rows(*editor), 1);
  Lines history;
  LoadWhereHistory("S1", "D", history);
  EXPECT_EQ(history, Lines{"B = 10 OR B = 30"});

  editor->pnlWhere->txtRecord->setText("0");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_EQ(Boxes(), Lines{"表示件数には1以上の整数を入力して下さい。"});
  editor->pnlWhere->txtRecord->setText("");

  // Clearing asks first; the display columns come from the chooser.
  env.Dialogs().QueueMessage(IDYES);
  editor->pnlWhere->btnGrdWhereClearClick();
  editor->pnlWhere->cmbWhere->setCurrentText("");
  editor->DisplayColumns = {"B", "A"};
  editor->pnlWhere->btnExec->trigger();
  EXPECT_EQ(editor->fraData->BaseSQL, "SELECT \"B\", \"A\" FROM \"S1\".\"D\"");
  EXPECT_EQ(Rows(*editor), 3);
  // The frame's titles take the comments by column name.
  EXPECT_EQ(editor->FieldComment("B"), "");
  editor->Discard();
}

TEST_F(TableDataTest, BindVariablesAreAskedForThenBound) {
  TfrmObject* window = LogonWithData();
  TfrmTable* editor = OpenData(*window);
  ASSERT_NE(editor, nullptr);
  editor->pnlWhere->grdWhere->SetCells(kWhereEqual, WhereRow(*editor, "B"), ":P");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_FALSE(editor->pnlWhere->grdParam->isHidden());
  ASSERT_EQ(editor->pnlWhere->grdParam->RowCount(), 2);
  EXPECT_EQ(editor->pnlWhere->grdParam->Cells(0, 0), "バインド変数名");
  EXPECT_EQ(editor->pnlWhere->grdParam->Cells(0, 1), "P");
  EXPECT_FALSE(editor->fraData->cdsData.Active());
  editor->pnlWhere->grdParam->SetCells(1, 1, "20");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_EQ(Rows(*editor), 1);
  editor->pnlWhere->grdWhere->SetCells(kWhereEqual, WhereRow(*editor, "B"), "");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_TRUE(editor->pnlWhere->grdParam->isHidden());
  EXPECT_EQ(Rows(*editor), 3);
  editor->Discard();
}

TEST_F(TableDataTest, ScriptRowsReplayIntoAnEmptySchema) {
  TfrmObject* window = LogonWithData();
  window->ExecSQL("CREATE SCHEMA S2");
  ScriptOption.Schema = kSchemaAlways;
  ScriptOption.Insert = true;
  ScriptOption.InsertMode = 0;
  ScriptOption.Index = false;
  // The rows are the point; S1.D's storage names would meet their own.
  ScriptOption.Storage = false;
  std::ostringstream script;
  GenerateDDL(*window, kTableKind, "S1", "D", script, "S2", "D");
  const std::string text = script.str();
  EXPECT_NE(text.find("INSERT INTO S2.D values('ABC',10,N'日本語',DATE'2001-02-03',"), std::string::npos) << text;
  EXPECT_NE(text.find("X'00FF41')"), std::string::npos) << text;
  EXPECT_NE(text.find("values(' ',30,'it''s'"), std::string::npos) << text;
  Lines lines;
  for (const QString& line : QString::fromStdString(text).split("\r\n")) lines.push_back(line.toStdString());
  window->ExecScript(lines, false);
  const std::string rows = "SELECT TRIM(A) || '|' || B || '|' || COALESCE(N, '-') || '|' || COALESCE(CAST(D AS CHAR(10)), "
                           "'-') || '|' || COALESCE(CAST(T AS CHAR(30)), '-') || '|' || COALESCE(HEX(X), '-') FROM ";
  for (const char* key : {"10", "20", "30"})
    EXPECT_EQ(Value(*window, rows + "S2.D WHERE B = " + key), Value(*window, rows + "S1.D WHERE B = " + key)) << key;
}

TEST_F(TableDataTest, RowsGoToTheirDataFilesAndIndexesFollow) {
  TfrmObject* window = LogonWithData();
  const std::string out = env.Path("out") + "/";
  ScriptOption.Path = out;
  ScriptOption.Insert = true;
  ScriptOption.Index = true;
  ScriptOption.OneScript = false;
  ScriptOption.SubDir = true;
  AppOption.TreeSort = kTreeBySchema;
  struct Case {
    int mode;
    std::string file;
  };
  for (const Case& c : {Case{1, out + "S1/DATA/D.SQL"}, Case{2, out + "S1/_DATA.SQL"}}) {
    ScriptOption.InsertMode = c.mode;
    for (int run = 0; run < 2; ++run) {
      std::ostringstream script;
      GenerateDDL(*window, kTableKind, "S1", "D", script, "", "");
      EXPECT_EQ(script.str().find("INSERT INTO"), std::string::npos);
      EXPECT_NE(script.str().find("CREATE DSO IXD\r\nINDEX ON S1.D(D)"), std::string::npos) << script.str();
    }
    std::ifstream file(c.file);
    std::stringstream data;
    data << file.rdbuf();
    size_t statements = 0;
    for (size_t at = data.str().find("INSERT INTO"); at != std::string::npos; at = data.str().find("INSERT INTO", at + 1))
      ++statements;
    // One file per table is replaced, the one data file grows.
    EXPECT_EQ(statements, c.mode == 1 ? 3u : 6u) << c.file;
  }
}

TEST_F(TableDataTest, ReportsFollowTheirDefinitions) {
  TfrmObject* window = LogonWithData();
  window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_COMMENT SELECT T.DB_CODE, T.SCHEMA_CODE, T.TABLE_CODE, "
                  "C.COLUMN_CODE, 0, 'CL', '=A1' FROM RDBII_SYSTEM.RDBII_TABLE T, RDBII_SYSTEM.RDBII_COLUMN C "
                  "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'D' AND C.COLUMN_NAME = 'A'");
  QDir().mkpath(QString::fromStdString(ShareDir + "xlsdef"));
  Python(R"(
from openpyxl.styles import PatternFill
wb = openpyxl.Workbook()
ws = wb.active
ws["A3"] = "block"
ws["A3"].fill = PatternFill("solid", fgColor="00FF00")
wb.save(p))",
         ShareDir + "xlsdef/tpl.xlsx");
  Definition("table", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="TABLE" XLSFILE="tpl.xlsx" BODYTOP="3" BODYCOUNT="2">
<HEADER NAME="TABLENAME" ROW="1" COL="1"/><HEADER NAME="SCHEMA" ROW="1" COL="0"/>
<BODY NAME="SEQ" ROW="1" COL="1"/><BODY NAME="COLUMNNAME" ROW="1" COL="2"/><BODY NAME="PK" ROW="1" COL="3"/>
<BODY NAME="COMMENT" ROW="1" COL="4"/><BODY2 NAME="CONSTNAME" ROW="1" COL="2"/><BODY2 NAME="CONSTVALUE" ROW="1" COL="3"/>
</XLSDEF></OVDOC>)");
  Definition("view", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="VIEW" BODYTOP="1" BODYCOUNT="1"/></OVDOC>)");
  Definition("v3", R"(<OVDOC OVDOC-VERSION="3"><XLSDEF TYPE="TABLE" BODYTOP="1" BODYCOUNT="1"/></OVDOC>)");
  Definition("zero", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="TABLE" BODYTOP="1" BODYCOUNT="0"/></OVDOC>)");
  Definition("broken", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="TABLE")");
  TfrmTable* editor = OpenData(*window);
  ASSERT_NE(editor, nullptr);
  Lines items;
  for (QAction* item : editor->popOutput->actions()) items.push_back(item->text().toStdString());
  // The view's definition and the broken files are not offered.
  EXPECT_EQ(items, (Lines{"印刷(&P)", "ファイル保存(&S)", "table", "zero"}));

  const std::string target = env.Path("out") + "/d.xlsx";
  editor->WriteReportFile("table", target);
  EXPECT_EQ(Python(R"(
ws = openpyxl.load_workbook(p).active
print(ws["A1"].value, ws["A2"].value)
for r in range(3, 15):
    print(r, [ws.cell(r, c).value for c in range(1, 5)], ws.cell(r, 1).fill.fgColor.rgb != "00000000"))",
                   target),
            "D None\n"
            "3 [1, 'A', 2, \"'=A1\"] True\n"
            "4 [2, 'B', 1, None] False\n"
            "5 [3, 'N', None, None] True\n"
            "6 [4, 'D', None, None] False\n"
            "7 [5, 'T', None, None] True\n"
            "8 [6, 'X', None, None] False\n"
            "9 [None, None, None, None] True\n"
            "10 [None, None, '(N)', None] False\n"
            "11 [None, None, None, None] True\n"
            "12 [None, 'IXD', 'D', None] False\n"
            "13 [None, None, None, None] False\n"
            "14 [None, None, None, None] False");

  EXPECT_THROW(editor->WriteReportFile("v3", target), std::runtime_error);
  EXPECT_THROW(editor->WriteReportFile("zero", target), EAbort);
  EXPECT_THROW(editor->WriteReportFile("broken", target), EAbort);
  EXPECT_EQ(Boxes(), (Lines{"指定されたファイルの形式を認識できません。", "指定されたファイルの形式を認識できません。"}));

  // The connection window's per-table report goes through the registration.
  const TObjectReport* report = ObjectReport(kTableKind);
  ASSERT_NE(report, nullptr);
  const std::string folder = env.Path("each") + "/";
  AppOption.ExcelExt = ".xlsx";
  report->CreateReportFile(*window, "table", "S1", "D", folder);
  EXPECT_EQ(Python("print(openpyxl.load_workbook(p).active['A1'].value)", folder + "D.xlsx"), "D");
  editor->Discard();
}

// Report items carry caption, short-cut and tag of the main window's report
// item at the definition file's place, as the connection window's copy does.
TEST_F(TableDataTest, ReportItemsTakeCaptionShortCutAndTagOfTheMainWindowsItem) {
  TfrmObject* window = LogonWithData();
  Definition("a_view", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="VIEW" OUTPUTTYPE="1"/></OVDOC>)");
  Definition("b_table", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="TABLE" OUTPUTTYPE="1"/></OVDOC>)");
  main->actMain->BuildReportMenu();
  QAction* mainItem = main->actMain->mnuReport->actions()[1];
  ASSERT_EQ(mainItem->text().toStdString(), "b_table");
  const QKeySequence keys(QStringLiteral("Ctrl+F7"));
  mainItem->setShortcut(keys);
  window->CopyReportMenu();
  TfrmTable* editor = OpenData(*window);
  ASSERT_NE(editor, nullptr);
  std::vector<QAction*> items{window->mnuReport->actions()[1]};
  for (QMenu* menu : {editor->mnuObject, editor->popOutput}) items.push_back(menu->actions().back());
  for (QAction* item : items) {
    EXPECT_EQ(item->text().toStdString(), "b_table");
    EXPECT_EQ(item->shortcut(), keys);
    EXPECT_EQ(item->property("Tag").toInt(), 2);
  }
  // Only the object menu's item acts on the key.
  EXPECT_EQ(items[1]->shortcutContext(), Qt::WindowShortcut);
  EXPECT_EQ(items[2]->shortcutContext(), Qt::WidgetShortcut);
  editor->Discard();
}

// CROSS and COVERCROSS write the 相関 page's trees: a line per node, one
// full-width space per level.
TEST_F(TableDataTest, TheReportsCrossReferencesAreTheTreesAsText) {
  TfrmObject* window = LogonWithObjects();
  Definition("cross", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="TABLE" BODYTOP="3" BODYCOUNT="1">
<HEADER NAME="CROSS" ROW="1" COL="1"/><HEADER NAME="COVERCROSS" ROW="2" COL="1"/>
<BODY NAME="COLUMNNAME" ROW="1" COL="1"/></XLSDEF></OVDOC>)");
  const TOpenArgs args{"S1", "T1", kTableKind, 0, 0, ""};
  auto* editor = qobject_cast<TfrmTable*>(TovObjectEditor::CreateEditor<TfrmTable>(*window, args));
  ASSERT_NE(editor, nullptr);
  const std::string target = env.Path("out") + "/cross.xlsx";
  editor->WriteReportFile("cross", target);
  EXPECT_EQ(Python("ws = openpyxl.load_workbook(p).active\nfor r in range(1, 6): print(r, str(ws.cell(r, 1).value)"
                   ".replace('\\n', '|'))",
                   target),
            "1 S1.T1\n"
            "2 S1.T1|　S1.V1|　　S1.V2|　S1.P1|　S1.TR1\n"
            "3 C1\n"
            "4 C2\n"
            "5 None");
  editor->Discard();
}

// Printing lays the CREATE text out under the table's name; a changed
// window prints nothing until it is compiled or reloaded.
TEST_F(TableDataTest, PrintingPutsTheCreateTextOnPagesTitledWithTheTable) {
  SetPrintOwner(main.get());
  const AtExit noOwner([] { SetPrintOwner(nullptr); });
  PrintOption = {0, 20, 20, 20, 20, "IPAGothic", 10};
  TfrmObject* window = LogonWithData();
  TfrmTable* editor = OpenData(*window);
  ASSERT_NE(editor, nullptr);
  const std::string pdf = env.Path("table.pdf");
  env.Dialogs().QueueFile(pdf);
  testing_support::WhenShown<TfrmPrint>([](TfrmPrint& form) {
    form.cmbPrinterName->setCurrentIndex(form.cmbPrinterName->count() - 1);  // the PDF file
    form.btnOk->click();
  });
  ASSERT_TRUE(editor->actPrint->isEnabled());
  editor->actPrint->trigger();
  ASSERT_GE(main->prtData.PageCount(), 1);
  const TPrintPage& page = main->prtData.Pages(0);
  ASSERT_GE(page.Items.size(), 3u);
  EXPECT_EQ(page.Items[0].Text, "S1.D");
  EXPECT_EQ(page.Items[2].Text, "CREATE TABLE S1.D");
  EXPECT_GT(QFileInfo(QString::fromStdString(pdf)).size(), 0);

  Edit(*editor->txtComment, "changed");
  EXPECT_FALSE(editor->actPrint->isEnabled());
  EXPECT_FALSE(editor->actSave->isEnabled());
  editor->SetChanged(false);
  editor->Discard();
}

}  // namespace
}  // namespace testing_objedit

namespace testing_objedit {
namespace {

class ConstraintEditorTest : public TableDataTest {};

TEST_F(ConstraintEditorTest, OpensFromTheTableTreeAndEditsTheTableScript) {
  TfrmObject* window = LogonWithData();
  TfrmTable* table = TableDataTest::OpenData(*window);
  ASSERT_NE(table, nullptr);
  table->pagObject->setCurrentWidget(table->tabDefine);
  QTreeWidgetItem* unique = table->lstConst->topLevelItem(0)->child(0);
  ASSERT_NE(unique, nullptr);
  table->lstConst->setCurrentItem(unique);
  table->mnuConstOpen->trigger();
  ASSERT_EQ(Windows<TfrmConst>().size(), 1u);
  TfrmConst* editor = Windows<TfrmConst>().front();
  EXPECT_EQ(editor->windowTitle().toStdString(),
            "CONSTRAINT - S1." + static_cast<TovTreeNode*>(unique)->SubItem(2).toStdString() + " @ ORVTEST");
  EXPECT_EQ(editor->ConstraintColumns(), Lines{"N"});
  ASSERT_EQ(editor->lstTabCol->count(), 6);
  EXPECT_FALSE(editor->actCompile->isEnabled());

  // Unchanged columns build nothing.
  EXPECT_EQ(editor->ChangedTableScript(), std::nullopt);
  EXPECT_EQ(Boxes(), Lines{"変更箇所が見つかりませんでした。"});
  env.Dialogs().messages.clear();

  // N to N, A; whatever the TEXTOUT options say.
  editor->lstTabCol->item(0)->setSelected(true);
  editor->btnInsClick();
  EXPECT_EQ(editor->ConstraintColumns(), (Lines{"N", "A"}));
  for (const bool options : {false, true}) {
    ScriptOption.Schema = options ? kSchemaUnlessOwner : kSchemaAlways;
    ScriptOption.Index = options;
    ScriptOption.Insert = options;
    ScriptOption.NullLine = options;
    const auto script = editor->ChangedTableScript();
    ASSERT_TRUE(script);
    EXPECT_EQ((*script)[0], "CREATE TABLE S1.D");
    EXPECT_NE(std::find(script->begin(), script->end(), "    UNIQUE(N, A)"), script->end());
    EXPECT_EQ(std::find(script->begin(), script->end(), "    UNIQUE(N)"), script->end());
    EXPECT_NE(std::find(script->begin(), script->end(), "CREATE DSO IXD"), script->end());
    EXPECT_EQ(std::find_if(script->begin(), script->end(),
                           [](const std::string& l) { return l.rfind("INSERT", 0) == 0; }),
              script->end());
  }
  // Deleting the last line before ")" takes the comma of the line before.
  editor->DeleteMode = true;
  const auto deleted = editor->ChangedTableScript();
  editor->DeleteMode = false;
  ASSERT_TRUE(deleted);
  const auto close = std::find(deleted->begin(), deleted->end(), ")");
  ASSERT_NE(close, deleted->end());
  EXPECT_NE((close - 1)->back(), ',');
  EXPECT_EQ(std::find(deleted->begin(), deleted->end(), "    UNIQUE(N)"), deleted->end());
  editor->Discard();

  // A new constraint goes before the closing ")".
  table->lstConst->setCurrentItem(table->lstConst->topLevelItem(0));
  table->mnuConstNewClick();
  TfrmConst* added = Windows<TfrmConst>().back();
  EXPECT_EQ(added->windowTitle().toStdString(), "CONSTRAINT - 新規");
  added->lstTabCol->item(1)->setSelected(true);
  added->btnInsClick();
  EXPECT_EQ(Boxes(), Lines{});
  const auto script = added->ChangedTableScript();
  ASSERT_TRUE(script);
  const auto end = std::find(script->begin(), script->end(), ")");
  ASSERT_NE(end, script->end());
  EXPECT_EQ(*(end - 1), "    UNIQUE(B)");
  EXPECT_EQ((end - 2)->back(), ',');
  added->Discard();
  table->Discard();
}

}  // namespace
}  // namespace testing_objedit

namespace testing_objedit {
namespace {

// The program as it runs: the registration routines, the connection
// window's open dispatch with the data page and a row count, the report
// item, and the constraint editor from the tree.
class TableDataProgramTest : public TableDataTest {
 protected:
  TableDataProgramTest() {
    ClearActionHandlers();
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
  }
};

TEST_F(TableDataProgramTest, DataPageReportAndConstraintEditorThroughTheProgram) {
  TfrmObject* window = LogonWithData();
  Definition("table", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="TABLE" BODYTOP="2" BODYCOUNT="1">
<HEADER NAME="TABLENAME" ROW="1" COL="1"/><BODY NAME="COLUMNNAME" ROW="1" COL="1"/></XLSDEF></OVDOC>)");
  main->actMain->BuildReportMenu();
  TovForm* form = OpenObject(*window, kTableKind, "S1", "D", 2, 0, 2);
  auto* editor = qobject_cast<TfrmTable*>(form);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->pagObject->currentWidget(), editor->tabData);
  EXPECT_EQ(editor->pnlWhere->txtRecord->text().toStdString(), "2");
  EXPECT_EQ(Rows(*editor), 2);
  editor->pnlWhere->grdWhere->SetCells(kWhereEqual, WhereRow(*editor, "B"), "30");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_EQ(Rows(*editor), 1);
  // Generating test data waits for the generator's handler.
  EXPECT_FALSE(editor->actDataGenerate->isEnabled());
  EXPECT_TRUE(editor->actOutput->isEnabled());

  QAction* report = nullptr;
  for (QAction* item : editor->mnuObject->actions())
    if (item->text() == "table") report = item;
  ASSERT_NE(report, nullptr);
  const std::string target = env.Path("out") + "/prog.xlsx";
  env.Dialogs().QueueFile(target);
  report->trigger();
  EXPECT_EQ(Boxes(), Lines{"ファイルが出力されました。"});
  EXPECT_EQ(Python("ws = openpyxl.load_workbook(p).active\nprint(ws['A1'].value, ws['A2'].value, ws['A7'].value)", target),
            "D A X");
  EXPECT_EQ(AppOption.ExcelDir, env.Path("out") + "/");
  const std::string saved = env.Path("sql") + "/d.sql";
  QDir().mkpath(QString::fromStdString(env.Path("sql")));
  env.Dialogs().QueueFile(saved);
  editor->actSave->trigger();
  EXPECT_EQ(Boxes(), (Lines{"ファイルが出力されました。", "スクリプトが出力されました。"}));
  std::ifstream file(saved);
  std::string first;
  std::getline(file, first);
  EXPECT_EQ(first, "CREATE TABLE S1.D\r");
  EXPECT_EQ(AppOption.FileDir, env.Path("sql") + "/");

  editor->pagObject->setCurrentWidget(editor->tabDefine);
  editor->lstConst->setCurrentItem(editor->lstConst->topLevelItem(0)->child(0));
  editor->mnuConstOpen->trigger();
  ASSERT_EQ(Windows<TfrmConst>().size(), 1u);
  EXPECT_EQ(Windows<TfrmConst>().front()->ConstraintColumns(), Lines{"N"});
}

}  // namespace
}  // namespace testing_objedit
