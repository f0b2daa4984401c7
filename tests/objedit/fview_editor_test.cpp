// The view editor on the stand-in: loading the definition grid, the CREATE
// VIEW text, compiles from each page in one transaction (a failure rolled
// back), a new view from its skeleton, the data and access-plan pages, and
// its reports read back.
#include <gtest/gtest.h>

#include <QDir>
#include <QSplitter>
#include <QTreeWidget>

#include "app/core/fobjreportcore.h"
#include "app/core/ovatexit.h"
#include "app/core/ovwhere.h"
#include "app/fobjddl.h"
#include "objedit/fview.h"
#include "objedit/rgrant.h"
#include "objedit/rwhere.h"
#include "sqlwork/rexplan.h"
#include "tests/objedit/frames_fixture.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"

namespace testing_objedit {
namespace {

constexpr uint8_t kDefineMode = 0;
constexpr uint8_t kSourceMode = 1;
constexpr uint8_t kDataMode = 2;
constexpr uint8_t kGrantMode = 4;

class ViewEditorTest : public FramesTest {
 protected:
  // S1.T with an interval and a national character column; S1.V over it in
  // the long form, with comments and the check option; U2 may select it.
  TfrmObject* LogonWithView() {
    TfrmObject* window = Logon();
    // The stand-in's server is as local as the plan tool sees it.
    window->Remote = false;
    window->ExecSQL("CREATE TABLE S1.T (K INTEGER NOT NULL PRIMARY KEY, NM NCHAR VARYING(10), "
                    "IV INTERVAL DAY(2) TO SECOND, AM DECIMAL(10,2))");
    window->ExecSQL("INSERT INTO S1.T (K, NM, AM) VALUES (1, N'一', 1.5)");
    window->ExecSQL("INSERT INTO S1.T (K, NM, AM) VALUES (2, N'二', 2.5)");
    window->ExecSQL("CREATE VIEW S1.V (K COMMENT 'it''s',NM,IV,AM) COMMENT 'ビュー' AS SELECT K, NM, IV, AM "
                    "FROM S1.T WHERE K > 0 WITH CHECK OPTION");
    symfoware::AddUser(window->Module().Connection.Session().Database(), "U2", "pw");
    window->ExecSQL("GRANT SELECT ON TABLE S1.V TO U2");
    env.Dialogs().messages.clear();
    symfoware::ClearStatementJournal();
    return window;
  }
  static TfrmView* Open(TfrmObject& window, uint8_t mode, const std::string& name = "V") {
    const TOpenArgs args{"S1", name, kViewKind, mode, 0, ""};
    return qobject_cast<TfrmView*>(TovObjectEditor::CreateEditor<TfrmView>(window, args));
  }
  static Lines GridRow(TfrmView& editor, int row) {
    Lines cells;
    for (int col = 0; col < editor.grdColumn->ColCount(); ++col) cells.push_back(editor.grdColumn->Cells(col, row));
    return cells;
  }
  static Lines Source(TfrmView& editor) {
    Lines lines;
    for (int i = 0; i < editor.txtSource->Lines().GetCount(); ++i) lines.push_back(editor.txtSource->Lines().Get(i));
    return lines;
  }
  // What the catalogue holds of view V, and who may use it.
  static Lines Catalogue(TfrmObject& window) {
    Lines rows;
    for (const char* sql :
         {"SELECT T.CHECK_OPTION || ' ' || D.DESC_VALUE FROM RDBII_SYSTEM.RDBII_TABLE T, "
          "RDBII_SYSTEM.RDBII_DESCRIPTION D WHERE D.OBJECT_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'V'",
          "SELECT C.COLUMN_NAME || ' ' || IFNULL(M.COMMENT_VALUE, '-') FROM RDBII_SYSTEM.RDBII_COLUMN C JOIN "
          "RDBII_SYSTEM.RDBII_TABLE T ON T.TABLE_CODE = C.TABLE_CODE LEFT JOIN RDBII_SYSTEM.RDBII_COMMENT M ON "
          "M.TABLE_CODE = C.TABLE_CODE AND M.COLUMN_CODE = C.COLUMN_CODE WHERE T.TABLE_NAME = 'V' ORDER BY "
          "C.COLUMN_CODE",
          "SELECT P.GRANTEE || ' ' || P.PRIVILEGE_TYPE FROM RDBII_SYSTEM.RDBII_PRIVILEGES P, "
          "RDBII_SYSTEM.RDBII_TABLE T WHERE P.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'V' ORDER BY 1"}) {
      for (TovSQLQuery& q = window.OpenSQL(sql); !q.Eof(); q.Next()) rows.push_back(q.AsString(size_t{0}));
    }
    return rows;
  }
  static bool TabShown(TfrmView& editor, QWidget* tab) {
    return editor.pagObject->isTabVisible(editor.pagObject->indexOf(tab));
  }
};

TEST_F(ViewEditorTest, TheDefinitionShowsTypesByteLengthsCommentsAndTheCheckOption) {
  TfrmObject* window = LogonWithView();
  TfrmView* editor = Open(*window, kDefineMode);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "VIEW - S1.V @ ORVTEST");
  ASSERT_EQ(editor->grdColumn->RowCount(), 5);
  EXPECT_EQ(GridRow(*editor, 1), (Lines{"K", "INTEGER", "", "", "", "it's"}));
  // The national characters' length in bytes, which the table editor shows
  // in characters.
  EXPECT_EQ(GridRow(*editor, 2), (Lines{"NM", "NCHAR VARYING", "20", "", "", ""}));
  EXPECT_EQ(GridRow(*editor, 3)[1], "INTERVAL DAY(2) TO SECOND");
  EXPECT_EQ(GridRow(*editor, 4), (Lines{"AM", "DECIMAL", "10,2", "", "", ""}));
  EXPECT_EQ(editor->txtComment->text().toStdString(), "ビュー");
  EXPECT_TRUE(editor->chkCheckOption->isChecked());
  EXPECT_FALSE(editor->Changed);

  // The long form names the columns with their comments, the short one not.
  AppOption.ShowColumnSource = true;
  std::vector<std::string> ddl;
  editor->BuildCreateDDL(ddl);
  ASSERT_GE(ddl.size(), 7u);
  EXPECT_EQ(Lines(ddl.begin(), ddl.begin() + 4),
            (Lines{"CREATE VIEW S1.V", "    (K COMMENT 'it''s',NM,IV,AM)", "COMMENT 'ビュー'", "AS"}));
  EXPECT_EQ(Lines(ddl.end() - 2, ddl.end()), (Lines{"WITH CHECK OPTION", ";"}));
  AppOption.ShowColumnSource = false;
  ddl.clear();
  editor->BuildCreateDDL(ddl);
  EXPECT_EQ(ddl.front(), "CREATE VIEW S1.V AS");

  // The source page shows the same text.
  editor->pagObject->setCurrentWidget(editor->tabSource);
  EXPECT_EQ(Source(*editor), ddl);
  EXPECT_TRUE(Boxes().empty());
  editor->Discard();
}

TEST_F(ViewEditorTest, CompilesReplaceTheViewInOneTransactionAndAFailureLeavesItAsItWas) {
  TfrmObject* window = LogonWithView();
  const Lines before = Catalogue(*window);
  ASSERT_EQ(before, (Lines{"Y SELECT K, NM, IV, AM FROM S1.T WHERE K > 0", "K it's", "NM -", "IV -", "AM -",
                           "ADMIN DELETE", "ADMIN INSERT", "ADMIN SELECT", "ADMIN UPDATE", "U2 SELECT"}));
  TfrmView* editor = Open(*window, kSourceMode);
  ASSERT_NE(editor, nullptr);

  // A CREATE that fails stops the run: the DROP is rolled back with it.
  editor->txtSource->Lines().SetTextStr("CREATE VIEW S1.V AS SELECT K, NM FROM S1.T\r\n;");
  editor->txtSource->OnChange();
  symfoware::FailStatementsMatching("^CREATE VIEW", "JYP9999E injected");
  PreviewedCompile(*editor, true);
  symfoware::ClearStatementFailures();
  EXPECT_EQ(Journal(), (Lines{"DROP VIEW S1.V", "failed: CREATE VIEW S1.V AS SELECT K, NM FROM S1.T"}));
  EXPECT_EQ(Catalogue(*window), before);
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM S1.V"), "2");
  EXPECT_TRUE(editor->Changed);
  EXPECT_EQ(Source(*editor), (Lines{"CREATE VIEW S1.V AS SELECT K, NM FROM S1.T", ";"}));

  // The source page as typed.
  symfoware::ClearStatementJournal();
  editor->DisplayColumns = {"NM"};
  EXPECT_EQ(PreviewedCompile(*editor),
            (Lines{"DROP VIEW S1.V", ";", "CREATE VIEW S1.V AS SELECT K, NM FROM S1.T", ";"}));
  EXPECT_EQ(Journal(), (Lines{"DROP VIEW S1.V", "CREATE VIEW S1.V AS SELECT K, NM FROM S1.T"}));
  EXPECT_FALSE(editor->Changed);
  EXPECT_EQ(editor->DisplayColumns, (Lines{"K", "NM"})) << "the data page shows every new column";
  EXPECT_EQ(Catalogue(*window), (Lines{"N SELECT K, NM FROM S1.T", "K -", "NM -", "ADMIN DELETE", "ADMIN INSERT",
                                       "ADMIN SELECT", "ADMIN UPDATE"}));

  // The definition page: a comment typed in the grid and the check option.
  editor->pagObject->setCurrentWidget(editor->tabDefine);
  ASSERT_EQ(editor->pagObject->currentWidget(), editor->tabDefine);
  AppOption.ShowColumnSource = true;
  editor->grdColumn->SetEditText(5, 1, "キー");
  EXPECT_TRUE(editor->Changed);
  editor->chkCheckOption->click();
  symfoware::ClearStatementJournal();
  const Lines previewed = PreviewedCompile(*editor);
  ASSERT_GE(previewed.size(), 6u);
  EXPECT_EQ(Lines(previewed.begin(), previewed.begin() + 5),
            (Lines{"DROP VIEW S1.V", ";", "CREATE VIEW S1.V", "    (K COMMENT 'キー',NM)", "AS"}));
  EXPECT_EQ(Lines(previewed.end() - 2, previewed.end()), (Lines{"WITH CHECK OPTION", ";"}));
  EXPECT_EQ(Journal().size(), 2u);
  EXPECT_EQ(GridRow(*editor, 1)[5], "キー");
  EXPECT_TRUE(editor->chkCheckOption->isChecked());
  EXPECT_EQ(Catalogue(*window)[1], "K キー");
  AppOption.ShowColumnSource = false;

  // The privilege page sends its GRANT alone; the view stays.
  editor->pagObject->setCurrentWidget(editor->tabGrant);
  editor->fraGrant->SetShowMode(1);
  editor->actRefresh->trigger();
  TfraGrant& frame = *editor->fraGrant;
  frame.lstGrant->clearSelection();
  for (int r = 0; r < frame.lstGrant->topLevelItemCount(); ++r)
    if (frame.lstGrant->topLevelItem(r)->text(0) == "U2") frame.lstGrant->topLevelItem(r)->setSelected(true);
  int select = -1;
  for (int c = 1; c < frame.lstGrant->columnCount(); ++c)
    if (frame.lstGrant->headerItem()->text(c) == "SELECT") select = c - 1;
  ASSERT_GE(select, 0);
  frame.chkGrant->ToggleL(select);
  symfoware::ClearStatementJournal();
  PreviewedCompile(*editor);
  EXPECT_EQ(Journal(), (Lines{"GRANT SELECT ON S1.V TO U2"}));
  EXPECT_EQ(Catalogue(*window).back(), "U2 SELECT");
  editor->Discard();
}

TEST_F(ViewEditorTest, AViewOthersUseStaysWhenItsDropIsRefused) {
  TfrmObject* window = LogonWithView();
  window->ExecSQL("CREATE VIEW S1.W AS SELECT K FROM S1.V");
  const Lines before = Catalogue(*window);
  TfrmView* editor = Open(*window, kSourceMode);
  ASSERT_NE(editor, nullptr);
  editor->txtSource->Lines().SetTextStr("CREATE VIEW S1.V AS SELECT K FROM S1.T\r\n;");
  editor->txtSource->OnChange();
  symfoware::ClearStatementJournal();
  PreviewedCompile(*editor, true);
  ASSERT_EQ(Journal().size(), 1u);
  EXPECT_EQ(Journal()[0].rfind("failed: DROP VIEW S1.V", 0), 0u) << Journal()[0];
  EXPECT_EQ(Catalogue(*window), before);
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM S1.W"), "2");
  EXPECT_TRUE(editor->Changed);
  editor->SetChanged(false);
  editor->Discard();
}

TEST_F(ViewEditorTest, ANewViewStartsFromItsSkeletonAndGainsItsPagesOnceMade) {
  TfrmObject* window = LogonWithView();
  TfrmView* editor = Open(*window, kDefineMode, "");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "VIEW - 新規");
  for (QWidget* tab : {editor->tabDefine, editor->tabData, editor->tabExplan, editor->tabGrant, editor->tabCross})
    EXPECT_FALSE(TabShown(*editor, tab)) << tab->objectName().toStdString();
  EXPECT_EQ(editor->pagObject->currentWidget(), editor->tabSource);
  EXPECT_FALSE(editor->actDelete->isEnabled());

  // Leaving the name box with an empty source writes the skeleton; later
  // changes of the boxes replace the old names in it.
  editor->txtName->SaveText();
  editor->txtName->setText("NV");
  editor->txtNameExit(false);
  EXPECT_EQ(Source(*editor), (Lines{"CREATE VIEW S1.NV AS", "SELECT"}));
  editor->txtName->SaveText();
  editor->txtName->setText("NW");
  editor->txtNameExit(false);
  EXPECT_EQ(Source(*editor), (Lines{"CREATE VIEW S1.NW AS", "SELECT"}));

  editor->txtSource->Lines().SetTextStr("CREATE VIEW S1.NW AS\r\nSELECT NM FROM S1.T\r\n;");
  EXPECT_EQ(PreviewedCompile(*editor), (Lines{"CREATE VIEW S1.NW AS", "SELECT NM FROM S1.T", ";"}));
  EXPECT_FALSE(editor->IsNew);
  EXPECT_EQ(editor->windowTitle().toStdString(), "VIEW - S1.NW @ ORVTEST");
  for (QWidget* tab : {editor->tabDefine, editor->tabData, editor->tabExplan, editor->tabGrant, editor->tabCross})
    EXPECT_TRUE(TabShown(*editor, tab)) << tab->objectName().toStdString();
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM S1.NW"), "2");

  // A remote connection has no access plan.
  window->Remote = true;
  TfrmView* remote = Open(*window, kDefineMode);
  ASSERT_NE(remote, nullptr);
  EXPECT_FALSE(TabShown(*remote, remote->tabExplan));
  EXPECT_TRUE(TabShown(*remote, remote->tabData));
  remote->Discard();
  window->Remote = false;

  // Deleting asks, runs the DROP and closes the window.
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  editor->actDelete->trigger();
  EXPECT_EQ(Journal(), (Lines{"DROP VIEW S1.NW"}));
  EXPECT_EQ(Boxes().back(), "オブジェクトが削除されました。");
}

TEST_F(ViewEditorTest, TheDataAndPlanPagesShareTheConditions) {
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  const AtExit restore([&path] { setenv("PATH", path.c_str(), 1); });
  testing_tools::UseStandinTools();
  TfrmObject* window = LogonWithView();
  TfrmView* editor = Open(*window, kDataMode);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->fraData->cdsData.RecordCount(), 2);
  EXPECT_EQ(editor->pnlWhere->parentWidget(), static_cast<QWidget*>(editor->splData));
  EXPECT_FALSE(editor->actDelete->isEnabled()) << "not from the data page";
  EXPECT_EQ(editor->FieldComment("K"), "it's");

  // A host variable asks for its value first, then binds it.
  TovStringGrid& where = *editor->pnlWhere->grdWhere;
  ASSERT_EQ(where.Cells(kWhereName, 1), "K");
  where.SetCells(kWhereEqual, 1, ":P1");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_FALSE(editor->pnlWhere->grdParam->isHidden());
  EXPECT_FALSE(editor->fraData->cdsData.Active());
  editor->pnlWhere->grdParam->SetCells(1, 1, "2");
  editor->pnlWhere->btnExec->trigger();
  EXPECT_EQ(editor->fraData->cdsData.RecordCount(), 1);

  // The plan page takes the panel and its conditions.
  where.SetCells(kWhereEqual, 1, "1");
  editor->pagObject->setCurrentWidget(editor->tabExplan);
  ASSERT_EQ(editor->pagObject->currentWidget(), editor->tabExplan);
  EXPECT_EQ(editor->pnlWhere->parentWidget(), static_cast<QWidget*>(editor->splExplan));
  EXPECT_EQ(editor->fraExplan->SQLText, "SELECT \"K\", \"NM\", \"IV\", \"AM\" FROM \"S1\".\"V\" WHERE K = 1 ");
  EXPECT_GT(editor->fraExplan->lstPlan->topLevelItemCount(), 0);
  editor->pagObject->setCurrentWidget(editor->tabData);
  EXPECT_EQ(editor->pnlWhere->parentWidget(), static_cast<QWidget*>(editor->splData));
  EXPECT_EQ(editor->fraData->cdsData.RecordCount(), 1);
  editor->Discard();
}

TEST_F(ViewEditorTest, ReportsFollowViewDefinitions) {
  AppOption.ShowColumnSource = false;
  TfrmObject* window = LogonWithView();
  std::string columns, select;
  for (int i = 1; i <= 45; ++i) {
    columns += i > 1 ? ",C" : "C";
    columns += std::to_string(i);
    select += (i > 1 ? ", K" : "K");
  }
  window->ExecSQL("CREATE VIEW S1.W (" + columns + ") AS SELECT " + select + " FROM S1.T");
  window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_COMMENT SELECT T.DB_CODE, T.SCHEMA_CODE, T.TABLE_CODE, "
                  "C.COLUMN_CODE, 0, 'CL', '=A1' FROM RDBII_SYSTEM.RDBII_TABLE T, RDBII_SYSTEM.RDBII_COLUMN C "
                  "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'W' AND C.COLUMN_NAME = 'C1'");
  QDir().mkpath(QString::fromStdString(ShareDir + "xlsdef"));
  // The template named .xls is taken with the output's extension.
  Python("wb = openpyxl.Workbook()\nwb.active['D1'] = 'form'\nwb.save(p)", ShareDir + "xlsdef/vform.xlsx");
  Definition("view", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="VIEW" XLSFILE="vform.xls" BODYTOP="10" BODYCOUNT="20">
<HEADER NAME="SCHEMA" ROW="1" COL="1"/><HEADER NAME="VIEWNAME" ROW="1" COL="2"/><HEADER NAME="DDL" ROW="2" COL="1"/>
<BODY NAME="SEQ" ROW="1" COL="1"/><BODY NAME="COLUMNNAME" ROW="1" COL="2"/><BODY NAME="COMMENT" ROW="2" COL="2"/>
</XLSDEF></OVDOC>)");
  Definition("table", R"(<OVDOC OVDOC-VERSION="2"><XLSDEF TYPE="TABLE" BODYTOP="1" BODYCOUNT="1"/></OVDOC>)");

  TfrmView* editor = Open(*window, kDefineMode, "W");
  ASSERT_NE(editor, nullptr);
  Lines items;
  for (QAction* item : editor->popOutput->actions()) items.push_back(item->text().toStdString());
  EXPECT_EQ(items, (Lines{"印刷(&P)", "ファイル保存(&S)", "view"}));
  const std::string target = env.Path("out") + "/w.xlsx";
  editor->WriteReportFile("view", target);
  EXPECT_EQ(Python(R"(
ws = openpyxl.load_workbook(p).active
print(ws["A1"].value, ws["B1"].value, ws["D1"].value, ws["A2"].value.split("\r\n")[0])
for r in (10, 11, 12, 98, 99, 100):
    print(r, ws.cell(r, 1).value, ws.cell(r, 2).value))",
                   target),
            "S1 W form CREATE VIEW S1.W AS\n"
            "10 1 C1\n"
            "11 None '=A1\n"
            "12 2 C2\n"
            "98 45 C45\n"
            "99 None None\n"
            "100 None None");

  // The connection window's report: the stored extension, made unique.
  const TObjectReport* report = ObjectReport(kViewKind);
  ASSERT_NE(report, nullptr);
  const std::string folder = env.Path("each") + "/";
  AppOption.ExcelExt = ".XLSX";
  report->CreateReportFile(*window, "view", "S1", "W", folder);
  report->CreateReportFile(*window, "view", "S1", "W", folder);
  QStringList written = QDir(QString::fromStdString(folder)).entryList(QDir::Files, QDir::Name);
  ASSERT_EQ(written.size(), 2);
  EXPECT_EQ(written[0].toStdString(), "W.XLSX");
  EXPECT_EQ(written[1].toStdString(), "W01.XLSX");
  // The menu proposes the lower-case extension.
  QAction* item = nullptr;
  for (QAction* action : editor->mnuObject->actions())
    if (action->text() == "view") item = action;
  ASSERT_NE(item, nullptr);
  AppOption.ExcelDir = folder;
  env.Dialogs().QueueFile(env.Path("out") + "/menu.xlsx");
  item->trigger();
  ASSERT_FALSE(env.Dialogs().files.empty());
  EXPECT_EQ(env.Dialogs().files.back().fileName, folder + "W.xlsx");
  EXPECT_EQ(Boxes().back(), "ファイルが出力されました。");
  editor->Discard();
}

}  // namespace
}  // namespace testing_objedit
