// The table editor on the stand-in: a table with a key, defaults, comments,
// an index and a trigger loaded into the grid and the tree, edited, written
// as its CREATE text, and reached from the running program through 定義情報.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QTest>

#include <sstream>

#include "app/core/fobjddlcore.h"
#include "app/fmainact.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/fstoragecore.h"
#include "objedit/findex.h"
#include "objedit/ftable.h"
#include "objedit/rgrant.h"
#include "objedit/rstorage.h"
#include "sqlwork/fsql.h"
#include "sqlwork/sqlregister.h"
#include "tests/objedit/frames_fixture.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"

namespace testing_objedit {
namespace {

constexpr const char* kTableOf = " FROM RDBII_SYSTEM.RDBII_TABLE T WHERE T.SCHEMA_NAME = 'S1' AND T.TABLE_NAME = 'T'";

// A column line's head: the text and its padding blanks.
std::string Padded(const char* text, size_t blanks) { return std::string(text).append(blanks, ' '); }

// A table read before and after its CREATE text ran in place of it.
struct Recreated {
  TTableDefinition before, after;
  TfrmTable* editor = nullptr;  // on the new table
};

class TableEditorTest : public FramesTest {
 protected:
  // S1.T: C1 CHAR(4) key, C2 INTEGER default 0 with a comment, C3
  // NUMERIC(7,2) with a stored NULL default (column codes apart from the
  // positions); index IX on C2, trigger TR on T, view V on T, the table
  // comment "表"; SELECT granted to user U2 and to user S1 (named like the
  // schema), INSERT to role R1.
  TfrmObject* LogonWithTable() {
    TfrmObject* window = Logon();
    window->ExecSQL("CREATE TABLE S1.T (C1 CHAR(4) NOT NULL, C2 INTEGER DEFAULT 0, C3 NUMERIC(7,2), "
                    "PRIMARY KEY(C1))");
    window->ExecSQL("CREATE INDEX S1.T.IX KEY(C2) ON DBSPACE1");
    window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_COMMENT SELECT T.DB_CODE, T.SCHEMA_CODE, T.TABLE_CODE, 0, 0, "
                    "'TV', '表'" + std::string(kTableOf));
    window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_COMMENT SELECT T.DB_CODE, T.SCHEMA_CODE, T.TABLE_CODE, "
                    "C.COLUMN_CODE, 0, 'CL', '件数' FROM RDBII_SYSTEM.RDBII_TABLE T, RDBII_SYSTEM.RDBII_COLUMN C "
                    "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.SCHEMA_NAME = 'S1' AND T.TABLE_NAME = 'T' AND "
                    "C.COLUMN_NAME = 'C2'");
    window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_TRIGGER (TRIG_DB_CODE, TRIG_SCHEMA_NAME, TRIG_NAME, "
                    "EVENT_OBJ_SCH_CODE, EVENT_OBJ_TBL_CODE) SELECT T.DB_CODE, 'S1', 'TR', T.SCHEMA_CODE, "
                    "T.TABLE_CODE" + std::string(kTableOf));
    window->ExecSQL("CREATE VIEW S1.V AS SELECT C1 FROM S1.T");
    for (const char* user : {"U2", "S1"})
      symfoware::AddUser(window->Module().Connection.Session().Database(), user, "pw");
    window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_ROLE VALUES (990, 'R1', 'ADMIN', '')");
    window->ExecSQL("GRANT SELECT ON TABLE S1.T TO U2");
    window->ExecSQL("GRANT SELECT ON TABLE S1.T TO S1");
    window->ExecSQL("GRANT INSERT ON TABLE S1.T TO ROLE R1");
    symfoware::ClearStatementJournal();
    return window;
  }
  static TfrmTable* Open(TfrmObject& window, const std::string& name, uint8_t mode = 0) {
    const TOpenArgs args{"S1", name, kTableKind, mode, 0, ""};
    return qobject_cast<TfrmTable*>(TovObjectEditor::CreateEditor<TfrmTable>(window, args));
  }
  static Lines Row(const TfrmTable& editor, int row) {
    Lines cells;
    for (int col = 0; col < kTableGridCols; ++col) cells.push_back(editor.grdColumn->Cells(col, row));
    return cells;
  }
  // The tree as "<root>/<child>|<column texts>" lines.
  static Lines ConstTree(const TfrmTable& editor) {
    Lines out;
    for (int i = 0; i < editor.lstConst->topLevelItemCount(); ++i) {
      QTreeWidgetItem* root = editor.lstConst->topLevelItem(i);
      out.push_back(root->text(0).toStdString());
      for (int j = 0; j < root->childCount(); ++j) {
        auto* node = static_cast<TovTreeNode*>(root->child(j));
        std::string line = std::string(" ").append(node->text(0).toStdString());
        for (int k = 0; k < node->SubItemCount(); ++k)
          if (k != 2) line.append("|").append(node->SubItem(k).toStdString());  // the code is the catalogue's
        out.push_back(line);
      }
    }
    return out;
  }
  // The table S1.<name> as the editor reads it, and read again after its
  // CREATE text has been run in place of it; column codes are left out, as
  // the new table has new ones.
  static Recreated Recreate(TfrmObject& window, const std::string& name) {
    Recreated out;
    TfrmTable* editor = Open(window, name);
    if (!editor) return out;
    out.before = editor->Definition();
    Lines create;
    editor->BuildCreateDDL(create);
    editor->Discard();
    window.ExecSQL("DROP TABLE S1." + name + " CASCADE");
    create.resize(static_cast<size_t>(std::find(create.begin(), create.end(), ";") - create.begin()));
    window.ExecSQL(CrLfText(create));
    out.editor = Open(window, name);
    if (!out.editor) return out;
    out.after = out.editor->Definition();
    for (TTableDefinition* table : {&out.before, &out.after})
      for (TTableColumn& column : table->Columns) column.ColumnCode.clear();
    return out;
  }
  static Lines SourceText(const TfrmTable& editor) {
    Lines lines;
    for (int i = 0; i < editor.txtSource->Lines().GetCount(); ++i) lines.push_back(editor.txtSource->Lines().Get(i));
    return lines;
  }
};

TEST_F(TableEditorTest, LoadsColumnsKeysDefaultsCommentsAndTheTree) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window, "T");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "TABLE - S1.T @ ORVTEST");
  EXPECT_EQ(editor->txtComment->text().toStdString(), "表");
  ASSERT_EQ(editor->grdColumn->RowCount(), 5);  // header, three columns, the entry row
  EXPECT_EQ(Row(*editor, 1), (Lines{"1", "C1", "CHAR", "4", "1", "", ""}));
  EXPECT_EQ(Row(*editor, 2), (Lines{"", "C2", "INTEGER", "", "", "0", "件数"}));
  EXPECT_EQ(Row(*editor, 3), (Lines{"", "C3", "NUMERIC", "7,2", "", "", ""}));  // a stored NULL shows empty
  EXPECT_EQ(Row(*editor, 4), Lines(kTableGridCols));
  const std::vector<TTableColumn> columns = editor->Columns();
  ASSERT_EQ(columns.size(), 3u);
  for (size_t k = 0; k < columns.size(); ++k) {
    EXPECT_EQ(columns[k].ReadPosition, static_cast<int>(k) + 1);
    EXPECT_EQ(columns[k].ColumnCode,
              Value(*window, "SELECT C.COLUMN_CODE FROM RDBII_SYSTEM.RDBII_COLUMN C, RDBII_SYSTEM.RDBII_TABLE T "
                             "WHERE C.TABLE_CODE = T.TABLE_CODE AND T.TABLE_NAME = 'T' AND C.COLUMN_NAME = '" +
                                 columns[k].Name + "'"));
    EXPECT_NE(columns[k].ColumnCode, std::to_string(k + 1));  // codes apart from positions
  }
  EXPECT_EQ(ConstTree(*editor),
            (Lines{"CONSTRAINT", "INDEX", " IX|INDEX|C2|S1", "TRIGGER", " TR|TRIGGER||S1"}));
  // Kind and parameters show under the header's sections; the selection keeps its colours unfocused.
  QHeaderView& header = *editor->hedConst;
  ASSERT_EQ(header.count(), 3);
  EXPECT_EQ(header.model()->headerData(2, Qt::Horizontal).toString().toStdString(), "パラメータ");
  EXPECT_EQ(header.sectionSize(0), 180);
  EXPECT_EQ(header.sectionSize(1), 120);
  EXPECT_EQ(editor->lstConst->HeaderControl(), &header);
  const QPalette& colours = editor->lstConst->palette();
  EXPECT_EQ(colours.color(QPalette::Inactive, QPalette::HighlightedText), QColor(Qt::white));
  EXPECT_EQ(colours.color(QPalette::Inactive, QPalette::Highlight), colours.color(QPalette::Active, QPalette::Highlight));
  EXPECT_FALSE(editor->Changed);
  EXPECT_TRUE(editor->pagObject->isTabVisible(editor->pagObject->indexOf(editor->tabStorage)));
  EXPECT_FALSE(editor->NeedsRebuild());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TableEditorTest, SourcePageAndTheScriptWriterGiveTheCreateText) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window, "T", 1);
  ASSERT_NE(editor, nullptr);
  const Lines source = SourceText(*editor);
  ASSERT_GE(source.size(), 8u);
  EXPECT_EQ(Lines(source.begin(), source.begin() + 6),
            (Lines{"CREATE TABLE S1.T", "(", Padded("    C1", 29) + "CHAR(4) NOT NULL,",
                   Padded("    C2", 29) + "INTEGER DEFAULT 0 COMMENT '件数',",
                   Padded("    C3", 29) + "NUMERIC(7,2),", "    PRIMARY KEY(C1)"}));
  EXPECT_EQ(source[7], "COMMENT '表'");

  ScriptOption.Schema = kSchemaAlways;
  std::ostringstream script;
  GenerateDDL(*window, kTableKind, "S1", "T", script, "", "");
  Lines written = source;
  DeleteEmptyLines(written);
  EXPECT_EQ(script.str(), CrLfText(written));

  std::ostringstream copy;
  GenerateDDL(*window, kTableKind, "S1", "T", copy, "S2", "U");
  EXPECT_EQ(copy.str().substr(0, copy.str().find("\r\n")).substr(0, 13), "CREATE TABLE ");
  EXPECT_NE(copy.str().find("U\r\n("), std::string::npos);

  std::ostringstream missing;
  GenerateDDL(*window, kTableKind, "S1", "NONE", missing, "", "");
  EXPECT_TRUE(missing.str().empty());
  EXPECT_EQ(Boxes(), Lines{"定義情報を読み込めませんでした。"});
}

TEST_F(TableEditorTest, AMissingTableLeavesNoWindow) {
  TfrmObject* window = LogonWithTable();
  EXPECT_THROW(Open(*window, "NONE"), EAbort);
  EXPECT_EQ(Boxes(), Lines{"定義情報を読み込めませんでした。"});
  EXPECT_TRUE(Windows<TfrmTable>().empty());
}

TEST_F(TableEditorTest, GridEditsKeepTheEntryRowAndDecideTheStatements) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window, "T");
  ASSERT_NE(editor, nullptr);
  TovStringGrid& grid = *editor->grdColumn;

  // Typing into the entry row appends a fresh one.
  grid.SetEditText(kColName, 4, "C4");
  grid.SetEditText(kColType, 4, "DATE");
  EXPECT_EQ(grid.RowCount(), 6);
  EXPECT_EQ(Row(*editor, 5), Lines(kTableGridCols));
  EXPECT_TRUE(editor->Changed);
  EXPECT_FALSE(editor->NeedsRebuild());
  Lines statements;
  editor->BuildAlterDDL(statements);
  EXPECT_EQ(statements, (Lines{"ALTER TABLE S1.T", Padded("ADD(C4", 29) + "DATE)", ";"}));

  // The entry row is never deleted nor moved; 主キー ticks 必須.
  grid.FocusCell(kColName, 5);
  editor->btnColDelete->trigger();
  EXPECT_EQ(grid.RowCount(), 6);
  editor->actColDown->trigger();
  EXPECT_EQ(grid.Cells(kColName, 5), "");
  grid.SetEditText(kColKey, 2, "1");
  EXPECT_EQ(grid.Cells(kColNotNull, 2), "1");
  EXPECT_TRUE(editor->NeedsRebuild());
  grid.SetEditText(kColKey, 2, "");
  grid.SetEditText(kColNotNull, 2, "");

  // A moved column re-creates the table.
  grid.FocusCell(kColName, 3);
  editor->actColUp->trigger();
  EXPECT_EQ(grid.Cells(kColName, 2), "C3");
  EXPECT_EQ(grid.Objects(kColName, 2).toInt(), 3);  // the row keeps where it was read
  EXPECT_TRUE(editor->NeedsRebuild());
  statements.clear();
  editor->BuildCreateDDL(statements);
  EXPECT_EQ(statements[2].substr(0, 6), "    C1");
  EXPECT_EQ(statements[3].substr(0, 6), "    C3");

  // The cell rules: 長さ only for a sized type, 型 only for a named row.
  EXPECT_FALSE(editor->grdColumnSelectCell(kColSize, 3));  // INTEGER
  EXPECT_TRUE(editor->grdColumnSelectCell(kColSize, 2));   // NUMERIC
  EXPECT_FALSE(editor->grdColumnSelectCell(kColType, 5));
  EXPECT_FALSE(editor->grdColumnSelectCell(kColKey, 1));
  editor->SetChanged(false);
}

TEST_F(TableEditorTest, TypeAndLengthCellsTakeNoInputMethod) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window, "T");
  ASSERT_NE(editor, nullptr);
  TovStringGrid& grid = *editor->grdColumn;
  for (const auto& [col, enabled] :
       {std::pair{kColType, false}, {kColSize, false}, {kColComment, true}, {kColType, false}}) {
    grid.FocusCell(col, 3);
    QTest::keyClicks(&grid, "7");
    ASSERT_NE(grid.InplaceEditor(), nullptr);
    EXPECT_EQ(grid.InplaceEditor()->testAttribute(Qt::WA_InputMethodEnabled), enabled) << col;
    QTest::keyClick(grid.InplaceEditor(), Qt::Key_Escape);
  }
}

TEST_F(TableEditorTest, TreeOpensAndDeletesAnIndex) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window, "T");
  ASSERT_NE(editor, nullptr);
  QTreeWidgetItem* index = editor->lstConst->topLevelItem(1)->child(0);
  editor->lstConst->setCurrentItem(editor->lstConst->topLevelItem(0));
  editor->popConstPopup();
  EXPECT_FALSE(editor->mnuConstOpen->isEnabled());
  EXPECT_FALSE(editor->mnuConstDelete->isEnabled());
  editor->lstConst->setCurrentItem(index);
  editor->popConstPopup();
  EXPECT_TRUE(editor->mnuConstOpen->isEnabled());
  EXPECT_TRUE(editor->mnuConstDelete->isEnabled());

  editor->mnuConstOpen->trigger();
  ASSERT_EQ(Windows<TfrmIndex>().size(), 1u);
  EXPECT_EQ(Windows<TfrmIndex>().front()->windowTitle().toStdString(), "INDEX - S1.IX @ ORVTEST");

  env.Dialogs().QueueMessage(IDYES);
  editor->lstConst->setCurrentItem(editor->lstConst->topLevelItem(1)->child(0));
  editor->mnuConstDelete->trigger();
  EXPECT_EQ(Journal(), Lines{"DROP DSO IX CASCADE"});
  EXPECT_EQ(Boxes(), (Lines{"インデックスを削除しますか？", "インデックスが削除されました。"}));
  EXPECT_EQ(editor->lstConst->topLevelItem(1)->childCount(), 0);
}

TEST_F(TableEditorTest, DeleteOffersCascadeClearAndAViewNeedsIt) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window, "T");
  ASSERT_NE(editor, nullptr);
  env.Dialogs().QueueMessage(IDYES);  // the item left as it is offered: clear
  editor->actDelete->trigger();
  EXPECT_EQ(Journal(), Lines{"failed: DROP TABLE S1.T"});
  EXPECT_EQ(Windows<TfrmTable>().size(), 1u);
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES, {true});
  editor->actDelete->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(Journal().back(), "DROP TABLE S1.T CASCADE");
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = 'S1'"), "0");
}

TEST_F(TableEditorTest, ANewTableOnARemoteConnectionTakesTheFirstSpace) {
  TfrmObject* window = Logon();
  window->Remote = true;
  TfrmTable* editor = Open(*window, "");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "TABLE - 新規");
  EXPECT_EQ(editor->fraStorage->cmbTBS->currentText().toStdString(), "DBSPACE1");
  EXPECT_EQ(editor->grdColumn->RowCount(), 2);
  EXPECT_EQ(ConstTree(*editor), (Lines{"CONSTRAINT", "INDEX", "TRIGGER"}));
  editor->txtName->setText("N");
  editor->grdColumn->SetEditText(kColName, 1, "A");
  editor->grdColumn->SetEditText(kColType, 1, "INTEGER");
  Lines statements;
  editor->BuildCreateDDL(statements);
  EXPECT_EQ(statements, (Lines{"CREATE TABLE S1.N", "(", Padded("    A", 30) + "INTEGER", ")",
                               "ON DBSPACE1", ";"}));
  editor->SetChanged(false);
}

TEST_F(TableEditorTest, TheCreateTextRunAndReadBackGivesTheSameTable) {
  TfrmObject* window = LogonWithTable();
  const Recreated t = Recreate(*window, "T");
  ASSERT_NE(t.editor, nullptr);
  EXPECT_EQ(t.after.Comment, "表");
  EXPECT_EQ(t.after.Comment, t.before.Comment);
  EXPECT_EQ(t.after.Columns, t.before.Columns);
  EXPECT_EQ(t.after.Space, t.before.Space);
  EXPECT_EQ(Row(*t.editor, 2), (Lines{"", "C2", "INTEGER", "", "", "0", "件数"}));
}

TEST_F(TableEditorTest, IntervalColumnsKeepTheirQualifiersThroughTheCreateText) {
  TfrmObject* window = Logon();
  window->ExecSQL("CREATE TABLE S1.TI (A INTERVAL DAY(3) TO SECOND NOT NULL, B INTERVAL YEAR(4), "
                  "C INTERVAL minute(2) to second, D INTERVAL MONTH, PRIMARY KEY(A))");
  EXPECT_EQ(Value(*window, "SELECT DATA_TYPE || NUMERIC_RADIX || '/' || NUMERIC_PRECISION FROM "
                           "RDBII_SYSTEM.RDBII_COLUMN WHERE COLUMN_NAME = 'A' AND DATA_TYPE = 'IT'"),
            "IT10/3");
  const Recreated t = Recreate(*window, "TI");
  ASSERT_NE(t.editor, nullptr);
  EXPECT_EQ(Row(*t.editor, 1), (Lines{kChecked, "A", "INTERVAL DAY(3) TO SECOND", "", kChecked, "", ""}));
  EXPECT_EQ(Row(*t.editor, 2), (Lines{"", "B", "INTERVAL YEAR", "4", "", "", ""}));
  EXPECT_EQ(Row(*t.editor, 3), (Lines{"", "C", "INTERVAL MINUTE(2) TO SECOND", "", "", "", ""}));
  EXPECT_EQ(Row(*t.editor, 4), (Lines{"", "D", "INTERVAL MONTH", "2", "", "", ""}));
  EXPECT_EQ(t.after.Columns, t.before.Columns);
}

TEST_F(TableEditorTest, AGlobalTemporaryTableIsDescribedAndLoaded) {
  TfrmObject* window = Logon();
  window->ExecSQL("CREATE GLOBAL TEMPORARY TABLE S1.TT\r\n(\r\n    A INTEGER COMMENT 'a'\r\n)\r\n"
                  "ON COMMIT PRESERVE ROWS\r\nCOMMENT 't'\r\nON DBSPACE1 10");
  EXPECT_EQ(Value(*window, "SELECT TABLE_TYPE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = 'TT'"), "TP");
  TfrmTable* editor = Open(*window, "TT");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(Row(*editor, 1), (Lines{"", "A", "INTEGER", "", "", "", "a"}));
  EXPECT_EQ(editor->txtComment->text().toStdString(), "t");
  window->ExecSQL("CREATE GLOBAL TEMPORARY TABLE S1.TD (A INTEGER) ON COMMIT DELETE ROWS");
  EXPECT_EQ(Value(*window, "SELECT TABLE_TYPE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = 'TD'"), "TD");
  EXPECT_THROW(window->ExecSQL("CREATE GLOBAL TEMPORARY TABLE S1.TX (A INTEGER) ON COMMIT DELETE ROWS ON NOSPACE 1"),
               std::exception);
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = 'TX'"), "0");
}

TEST_F(TableEditorTest, ATemporaryTableKeepsItsKindSpacesAndRowsThroughTheCreateText) {
  testing_tools::UseStandinTools();  // a local connection: storage comes from the definition report
  TfrmObject* window = Logon();
  ASSERT_FALSE(window->IsRemote());
  window->ExecSQL("INSERT INTO RDBII_SYSTEM.RDBII_OBJECT VALUES ('ORVTEST', '2', 'DBSPACE2')");
  window->ExecSQL("CREATE GLOBAL TEMPORARY TABLE S1.TT (A INTEGER NOT NULL, B CHAR(3), PRIMARY KEY(A)) "
                  "ON COMMIT PRESERVE ROWS ON DBSPACE1 10,DBSPACE2 5");
  const Recreated t = Recreate(*window, "TT");
  ASSERT_NE(t.editor, nullptr);
  EXPECT_EQ(t.after.Storage.Kind, kStorageTemporary);
  EXPECT_EQ(t.after.Storage.TemporarySpaces, (std::vector<TTemporarySpace>{{"DBSPACE1", "10"}, {"DBSPACE2", "5"}}));
  EXPECT_TRUE(t.after.Storage.PreserveRows);
  EXPECT_EQ(t.editor->fraStorage->cmbStorageType->currentText().toStdString(), "一時表");
  EXPECT_EQ(t.after.Columns, t.before.Columns);
  EXPECT_EQ(t.after.Storage, t.before.Storage);
  EXPECT_EQ(Value(*window, "SELECT TABLE_TYPE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_NAME = 'TT'"), "TP");

  window->ExecSQL("CREATE GLOBAL TEMPORARY TABLE S1.TD (A INTEGER) ON COMMIT DELETE ROWS ON DBSPACE1 1");
  const Recreated d = Recreate(*window, "TD");
  ASSERT_NE(d.editor, nullptr);
  EXPECT_FALSE(d.after.Storage.PreserveRows);
  EXPECT_EQ(d.after.Storage.TemporarySpaces, (std::vector<TTemporarySpace>{{"DBSPACE1", "1"}}));
  window->ExecSQL("DROP TABLE S1.TD");
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.STANDIN_TEMPORARY_SPACE WHERE TABLE_NAME = 'TD'"), "0");
}

class TableProgramTest : public TableEditorTest {
 protected:
  TableProgramTest() {
    ClearActionHandlers();
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
  }
};

TEST_F(TableProgramTest, DefinitionOfATableNameOpensTheTableEditor) {
  TfrmObject* window = LogonWithTable();
  main->actMain->Action("actViewSQL")->trigger();
  TfrmSQL* sql = Windows<TfrmSQL>().back();
  sql->txtSQL->Lines().SetTextStr("S1.T");
  sql->txtSQL->SelectAll();
  sql->txtSQL->clearFocus();
  sql->txtSQL->setFocus();
  QApplication::processEvents();
  main->actMain->Action("actEditOpen")->trigger();
  ASSERT_EQ(Windows<TfrmTable>().size(), 1u);
  TfrmTable* editor = Windows<TfrmTable>().front();
  EXPECT_EQ(editor->windowTitle().toStdString(), "TABLE - S1.T @ ORVTEST");
  EXPECT_EQ(editor->grdColumn->Cells(kColName, 1), "C1");

  for (QWidget* page : {editor->tabSource, editor->tabStorage, editor->tabGrant, editor->tabCross}) {
    editor->pagObject->setCurrentWidget(page);
    EXPECT_EQ(editor->pagObject->currentWidget(), page);
  }
  Lines grantees;
  for (const TGranteeRow& row : editor->fraGrant->Rows())
    if (row.Listed) grantees.push_back(row.Name);
  std::sort(grantees.begin(), grantees.end());
  EXPECT_EQ(grantees, (Lines{"ADMIN", "R1", "S1", "U2"}));
  editor->pagObject->setCurrentWidget(editor->tabSource);
  ScriptOption.Schema = kSchemaAlways;
  std::ostringstream script;
  GenerateDDL(*window, kTableKind, "S1", "T", script, "", "");
  Lines source = SourceText(*editor);
  DeleteEmptyLines(source);
  EXPECT_EQ(script.str(), CrLfText(source));

  editor->pagObject->setCurrentWidget(editor->tabDefine);
  editor->lstConst->setCurrentItem(editor->lstConst->topLevelItem(1)->child(0));
  editor->mnuConstOpen->trigger();
  EXPECT_EQ(Windows<TfrmIndex>().size(), 1u);
  editor->grdColumn->SetEditText(kColComment, 1, "キー");
  EXPECT_TRUE(editor->Changed);
  editor->SetChanged(false);
}

}  // namespace
}  // namespace testing_objedit
