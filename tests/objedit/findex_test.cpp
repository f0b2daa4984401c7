// The index editor on the stand-in: new and existing indexes at each
// catalogue level, compiled through the preview and the execution window,
// checked in the statement journal and the catalogue.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTimer>
#include <QGroupBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>

#include <sstream>

#include "editor/ovmemo.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "objedit/ffldlist.h"
#include "objedit/findex.h"
#include "objedit/rstorage.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "tests/objedit/objedit_fixture.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class IndexEditorTest : public ObjEditTest {
 protected:
  IndexEditorTest() {
    testing_tools::UseStandinTools();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    AppOption.ShowDDL = true;
    AppOption.CloseDDL = true;
    TfrmIndex::DefIdxSize = {};
  }
  ~IndexEditorTest() override { symfoware::ClearStatementFailures(); }

  // A logon with table S1.T at the given level.
  TfrmObject* Prepared(int level, bool remote = false) {
    TfrmObject* window = Logon();
    window->ExecSQL("CREATE TABLE S1.T (C1 CHAR(4), C2 INTEGER, C3 INTEGER)");
    window->CatalogLevel = level;
    window->Remote = remote;
    symfoware::ClearStatementJournal();
    return window;
  }
  TfrmIndex* NewIndex(TfrmObject& window) {
    TOpenArgs args;
    args.Schema = "S1";
    args.Kind = kIndexKind;
    args.Table = "T";
    return qobject_cast<TfrmIndex*>(TovObjectEditor::CreateEditor<TfrmIndex>(window, args));
  }
  TfrmIndex* Existing(TfrmObject& window, const std::string& name, uint8_t mode = 0) {
    TOpenArgs args{"S1", name, kIndexKind, mode, 0, ""};
    return qobject_cast<TfrmIndex*>(TovObjectEditor::CreateEditor<TfrmIndex>(window, args));
  }
  // A logon with table S1.T whose level the missing level-11 parameter
  // reduced to 10.
  TfrmObject* ReducedLogon() {
    {
      symfoware::SqliteFile catalogue(symfoware::SchemaFilePath(odbc.Path("ORVTEST"), symfoware::kCatalogueSchema));
      QSqlQuery q(catalogue.Database());
      EXPECT_TRUE(q.exec("DELETE FROM RDBII_SYS_PRM WHERE PARAMETER_NAME = 'CHOOSE_TID_UNION'"));
    }
    TfrmObject* window = Logon();
    window->ExecSQL("CREATE TABLE S1.T (C1 CHAR(4), C2 INTEGER, C3 INTEGER)");
    return window;
  }
  // Selects the columns in the table list and adds them to the key.
  static void AddKeys(TfrmIndex& editor, const Lines& columns) {
    for (const std::string& column : columns) {
      editor.lstTabCol->clearSelection();
      const auto items = editor.lstTabCol->findItems(QString::fromStdString(column), Qt::MatchExactly);
      ASSERT_EQ(items.size(), 1) << column;
      items.front()->setSelected(true);
      editor.btnIns->click();
    }
  }
  static Lines Keys(const TfrmIndex& editor) {
    Lines keys;
    for (int i = 0; i < editor.lstIdxCol->count(); ++i) keys.push_back(editor.lstIdxCol->item(i)->text().toStdString());
    return keys;
  }
  Lines IndexKeys(TfrmObject& window, const std::string& index) {
    Lines keys;
    TovSQLQuery& q = window.OpenSQL(
        "SELECT C.COLUMN_NAME FROM RDBII_SYSTEM.RDBII_INDEX I, RDBII_SYSTEM.RDBII_COLUMN_USAGE U, "
        "RDBII_SYSTEM.RDBII_COLUMN C WHERE I.INDEX_DSO_NAME = '" + index + "' AND U.OBJECT_CODE = I.INDEX_DSO_CODE "
        "AND U.LIST_TYPE = 'I' AND C.TABLE_CODE = U.TABLE_CODE AND C.COLUMN_CODE = U.COLUMN_CODE "
        "ORDER BY U.ORDINAL_POSITION");
    for (; !q.Eof(); q.Next()) keys.push_back(q.AsString(size_t{0}));
    return keys;
  }
};

TEST_F(IndexEditorTest, BelowLevelTenANewIndexIsCreatedOnItsSpaceAndTheWindowCloses) {
  TfrmObject* window = Prepared(9);
  TfrmIndex* editor = NewIndex(*window);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "INDEX - 新規");
  // Only the database space is offered.
  EXPECT_FALSE(editor->fraStorage->pnlStorageType->isHidden());
  EXPECT_TRUE(editor->fraStorage->pagStorage->isHidden());
  EXPECT_TRUE(editor->fraStorage->pnlDSI->isHidden());
  EXPECT_EQ(editor->fraStorage->cmbTBS->currentText().toStdString(), "DBSPACE1");
  Edit(*editor->txtName, "I");
  AddKeys(*editor, {"C1", "C2"});
  EXPECT_EQ(PreviewedCompile(*editor), (Lines{"CREATE INDEX S1.T.I", "KEY(C1, C2)", "ON DBSPACE1", ";"}));
  EXPECT_EQ(Journal(), (Lines{"CREATE INDEX S1.T.I\r\nKEY(C1, C2)\r\nON DBSPACE1"}));
  EXPECT_EQ(IndexKeys(*window, "I"), (Lines{"C1", "C2"}));
  EXPECT_EQ(Boxes(), Lines{kScriptRunFinished});
  EXPECT_TRUE(Windows<TfrmIndex>().empty());
}

TEST_F(IndexEditorTest, AnIndexOfATemporaryTableOrAtAReducedLevelHasNoOn) {
  TfrmObject* window = Prepared(9);
  window->ExecSQL("CREATE INDEX S1.T.I KEY(C1) ON DBSPACE1");
  window->ExecSQL("UPDATE RDBII_SYSTEM.RDBII_TABLE SET TABLE_TYPE = 'TD' WHERE TABLE_NAME = 'T'");
  TfrmIndex* editor = Existing(*window, "I");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->TableType, "TD");
  AddKeys(*editor, {"C3"});
  EXPECT_EQ(PreviewedCompile(*editor), (Lines{"DROP DSO I CASCADE", ";", "CREATE INDEX S1.T.I", "KEY(C1, C3)", ";"}));
  EXPECT_EQ(IndexKeys(*window, "I"), (Lines{"C1", "C3"}));
  EXPECT_TRUE(Windows<TfrmIndex>().empty());
}

TEST_F(IndexEditorTest, AtLevelElevenANewIndexTakesTheDefaultStorageAndIsReloadedAsItsDso) {
  TfrmObject* window = Prepared(11);
  window->ExecSQL("UPDATE RDBII_SYSTEM.RDBII_SYS_PRM SET PARAMETER_VALUE = '4,8,64,32,16,48' "
                  "WHERE PARAMETER_NAME = 'DEFAULT_INDEX_SIZE'");
  TfrmIndex* editor = NewIndex(*window);
  ASSERT_NE(editor, nullptr);
  TfraStorage& frame = *editor->fraStorage;
  EXPECT_TRUE(frame.pnlStorageType->isHidden());
  EXPECT_FALSE(frame.pagStorage->isHidden());
  EXPECT_EQ(frame.pagStorage->currentWidget(), frame.tabIndex);
  EXPECT_EQ(frame.cmbPageSizeIdxData->currentText().toStdString(), "4");
  EXPECT_EQ(frame.cmbPageSizeIdxIndex->currentText().toStdString(), "8");
  Edit(*editor->txtName, "IX");
  AddKeys(*editor, {"C2", "C1"});
  const Lines expected{"CREATE DSO IX",
                       "INDEX ON S1.T(C2, C1)",
                       "TYPE BTREE(PAGESIZE1(4), PAGESIZE2(8))",
                       ";",
                       "CREATE DSI IX INDEX DSO IX",
                       "ALLOCATE BASE ON DBSPACE1 SIZE 64K",
                       ",INDEX ON DBSPACE1 SIZE 32K",
                       ",FORMAT EXPAND ON DBSPACE1 CAPACITY 48K SIZE 16K",
                       ";"};
  EXPECT_EQ(PreviewedCompile(*editor), expected);
  EXPECT_EQ(IndexKeys(*window, "IX"), (Lines{"C2", "C1"}));
  // Reloaded from the report as the DSO it became.
  ASSERT_EQ(Windows<TfrmIndex>().size(), 1u);
  EXPECT_EQ(editor->txtName->text().toStdString(), "IX");
  EXPECT_FALSE(editor->IsNew);
  EXPECT_FALSE(editor->Changed);
  const TIndexStorage read = frame.IndexStorage();
  EXPECT_EQ(read.BasePageSize, "4");
  EXPECT_EQ(read.IndexPageSize, "8");
  ASSERT_EQ(read.Dsis.size(), 1u);
  EXPECT_EQ(read.Dsis[0].Allocation, (TStorageSize{"16", "KB"}));
  EXPECT_EQ(read.Allocations.size(), 3u);
  EXPECT_EQ(frame.grdDSIsub->RowCount(), 5);  // header, three rows, spare row
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(IndexEditorTest, FiveDefaultValuesGiveNoDefaults) {
  TfrmObject* window = Prepared(11);
  window->ExecSQL("UPDATE RDBII_SYSTEM.RDBII_SYS_PRM SET PARAMETER_VALUE = '2,2,16,16,8' "
                  "WHERE PARAMETER_NAME = 'DEFAULT_INDEX_SIZE'");
  TfrmIndex* editor = NewIndex(*window);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(TfrmIndex::DefIdxSize, TDefIdxSize{});
  EXPECT_EQ(editor->fraStorage->cmbPageSizeIdxData->currentIndex(), -1);
  Edit(*editor->txtName, "IX");
  editor->initIdxStrage();
  const TIndexStorage storage = editor->fraStorage->IndexStorage();
  ASSERT_EQ(storage.Allocations.size(), 3u);  // "" is no "0": a stand-by row too
  EXPECT_EQ(storage.Allocations[0].Size, "");
}

TEST_F(IndexEditorTest, AChangedKeyOrderDropsTheDsoFirstAndAFailedRunKeepsTheWindow) {
  TfrmObject* window = Prepared(11);
  window->ExecSQL("CREATE INDEX S1.T.IX KEY(C1, C2) ON DBSPACE1");
  symfoware::ClearStatementJournal();
  TfrmIndex* editor = Existing(*window, "IX");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(Keys(*editor), (Lines{"C1", "C2"}));
  EXPECT_FALSE(editor->NeedsDrop());
  editor->lstIdxCol->item(0)->setSelected(true);
  editor->btnDel->click();
  AddKeys(*editor, {"C1"});
  EXPECT_TRUE(editor->Changed);
  EXPECT_TRUE(editor->NeedsDrop());

  symfoware::FailStatementsMatching("^CREATE DSI", "JYP2001E 領域がありません");
  const Lines previewed = PreviewedCompile(*editor, true);
  ASSERT_GE(previewed.size(), 4u);
  EXPECT_EQ(Lines(previewed.begin(), previewed.begin() + 4), (Lines{"DROP DSO IX CASCADE", ";", "CREATE DSO IX",
                                                                   "INDEX ON S1.T(C2, C1)"}));
  ASSERT_EQ(Windows<TfrmIndex>().size(), 1u);
  EXPECT_EQ(Keys(*editor), (Lines{"C2", "C1"}));
  EXPECT_TRUE(editor->Changed);
  EXPECT_EQ(Journal(), (Lines{"DROP DSO IX CASCADE", "CREATE DSO IX\r\nINDEX ON S1.T(C2, C1)\r\n"
                              "TYPE BTREE(PAGESIZE1(4), PAGESIZE2(4))",
                              "failed: CREATE DSI IX INDEX DSO IX\r\nALLOCATE BASE ON DBSPACE1 SIZE 256K\r\n"
                              ",INDEX ON DBSPACE1 SIZE 256K\r\n,FORMAT EXPAND OFF"}));
  editor->SetChanged(false);
}

TEST_F(IndexEditorTest, DeleteDropsTheDsoAndScriptIsTheSourcePage) {
  TfrmObject* window = Prepared(11);
  window->ExecSQL("CREATE INDEX S1.T.IX KEY(C2) ON DBSPACE1");
  TfrmIndex* editor = Existing(*window, "IX", 1);
  ASSERT_NE(editor, nullptr);
  symfoware::ClearStatementJournal();
  const std::string source = editor->txtSource->Lines().GetTextStr();
  std::ostringstream script;
  window->GenerateDDL(kIndexKind, "S1", "IX", script, "", "");
  EXPECT_FALSE(script.str().empty()) << source;
  EXPECT_EQ(script.str(), source);
  EXPECT_EQ(source.rfind("CREATE DSO IX\r\nINDEX ON S1.T(C2)\r\n", 0), 0u) << source;

  env.Dialogs().QueueMessage(IDYES);
  editor->actDelete->trigger();
  QApplication::processEvents();
  EXPECT_EQ(Journal(), (Lines{"DROP DSO IX CASCADE"}));
  EXPECT_TRUE(IndexKeys(*window, "IX").empty());
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
  EXPECT_TRUE(Windows<TfrmIndex>().empty());
}

TEST_F(IndexEditorTest, AnExistingIndexOnAnOldRemoteServerIsNotRead) {
  TfrmObject* window = Prepared(9, true);
  window->ExecSQL("CREATE INDEX S1.T.IX KEY(C2) ON DBSPACE1");
  EXPECT_THROW(Existing(*window, "IX"), EAbort);
  EXPECT_EQ(Boxes(), Lines{kOldRemoteIndex});
  EXPECT_TRUE(Windows<TfrmIndex>().empty());
}

TEST_F(IndexEditorTest, AtAReducedLevelAnIndexHasNoOnAndNoStoragePage) {
  TfrmObject* window = ReducedLogon();
  ASSERT_TRUE(window->LevelReduced());
  ASSERT_EQ(window->Level(), 10);
  TfrmIndex* editor = NewIndex(*window);
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->pagObject->isTabVisible(editor->pagObject->indexOf(editor->tabStorage)));
  Edit(*editor->txtName, "I");
  AddKeys(*editor, {"C3"});
  EXPECT_EQ(PreviewedCompile(*editor), (Lines{"CREATE INDEX S1.T.I", "KEY(C3)", ";"}));
  EXPECT_EQ(IndexKeys(*window, "I"), Lines{"C3"});
  EXPECT_EQ(Boxes(), Lines{kScriptRunFinished});
  EXPECT_TRUE(Windows<TfrmIndex>().empty());
}

TEST_F(IndexEditorTest, NothingToRunKeepsTheInputWhereACompileWouldEndTheWindow) {
  // Reduced, yet a level past 10 writes the DSO form, which an empty table
  // schema leaves without statements.
  TfrmObject* window = ReducedLogon();
  ASSERT_TRUE(window->LevelReduced());
  window->CatalogLevel = 11;
  symfoware::ClearStatementJournal();
  TfrmIndex* editor = NewIndex(*window);
  ASSERT_NE(editor, nullptr);
  Edit(*editor->txtName, "I");
  AddKeys(*editor, {"C3"});
  editor->cmbTableOwner->setCurrentText("");
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{kNothingChanged});
  EXPECT_TRUE(Journal().empty());
  // Not reloaded: the input stays.
  ASSERT_EQ(Windows<TfrmIndex>().size(), 1u);
  EXPECT_FALSE(editor->IsNew);
  EXPECT_EQ(Keys(*editor), Lines{"C3"});
  EXPECT_EQ(editor->txtName->text().toStdString(), "I");
}

TEST_F(IndexEditorTest, SaveWritesTheCreateTextAndKeepsTheFolder) {
  TfrmObject* window = Prepared(9);
  window->ExecSQL("CREATE INDEX S1.T.IX KEY(C2) ON DBSPACE1");
  TfrmIndex* editor = Existing(*window, "IX", 3);
  ASSERT_NE(editor, nullptr);
  // Page mode 3 starts on the storage page.
  EXPECT_EQ(editor->pagObject->currentWidget(), editor->tabStorage);
  // The table boxes drop down the schemas and the tables of the schema.
  window->ExecSQL("CREATE TABLE S1.A (X INTEGER)");
  editor->cmbTableName->showPopup();
  editor->cmbTableName->hidePopup();
  ASSERT_EQ(editor->cmbTableName->count(), 2);
  EXPECT_EQ(editor->cmbTableName->itemText(0).toStdString(), "A");
  EXPECT_EQ(editor->cmbTableName->currentText().toStdString(), "T");
  AppOption.FileDir = env.Path("in") + "/";
  const std::string path = env.Path("out") + "/IX.sql";
  QDir().mkpath(QString::fromStdString(env.Path("out")));
  env.Dialogs().QueueFile(path);
  editor->actSave->trigger();
  ASSERT_EQ(env.Dialogs().files.size(), 1u);
  EXPECT_EQ(env.Dialogs().files[0].fileName, env.Path("in") + "/S1.IX.sql");
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), "CREATE INDEX S1.T.IX\r\nKEY(C2)\r\nON DBSPACE1\r\n;\r\n");
  EXPECT_EQ(Boxes(), Lines{kScriptSaved});
  EXPECT_EQ(AppOption.FileDir, env.Path("out") + "/");
  // A changed index is neither saved nor printed.
  AddKeys(*editor, {"C1"});
  editor->actSave->trigger();
  EXPECT_EQ(env.Dialogs().files.size(), 1u);
  editor->SetChanged(false);
}

// The frame alone in a table editor's place: the layout of each kind.
TEST_F(IndexEditorTest, TheFrameLaysOutEachKindAndRemembersItsState) {
  TfrmObject* window = Prepared(11);
  TovForm form(*window);
  form.SetImageIndex(kTableOwnerKind);
  TfraStorage frame(form, &form);
  frame.Init("S1", "T");
  EXPECT_EQ(frame.OwnerKind, kTableOwnerKind);
  ASSERT_EQ(frame.cmbStorageType->count(), 9);
  const QWidget* pages[] = {nullptr,         frame.tabSeqNormal,     frame.tabSeqPartition,
                            frame.tabSeqPartition, frame.tabRandNormal, frame.tabRandPartition,
                            frame.tabRandPartition, frame.tabObject,     frame.tabTemp};
  for (int kind = 0; kind < 9; ++kind) {
    SCOPED_TRACE(kind);
    frame.cmbStorageType->setCurrentIndex(kind);
    frame.cmbStorageTypeChange();
    EXPECT_EQ(frame.GetStorageKind(), kind);
    EXPECT_EQ(frame.pagStorage->isHidden(), kind == 0);
    if (pages[kind]) {
      EXPECT_EQ(frame.pagStorage->currentWidget(), pages[kind]);
    }
    EXPECT_EQ(frame.pnlDSI->isHidden(), kind == 0 || kind == 8);
    EXPECT_EQ(frame.cmbTBS->isHidden(), kind != 0);
    EXPECT_EQ(frame.cmbTBS->isEnabled(), kind != 8);
    EXPECT_EQ(frame.pnlStorageType->height(), kind == 8 ? kTypePanelReducedHeight : kTypePanelHeight);
  }
  // "標準" removed: the texts still give the same kinds.
  frame.cmbStorageType->removeItem(0);
  frame.cmbStorageType->setCurrentIndex(0);
  EXPECT_EQ(frame.GetStorageKind(), kStorageSequential);

  // Every kind of edit shows against the snapshot.
  frame.SaveState();
  EXPECT_FALSE(frame.IsChanged());
  const std::function<void()> edits[] = {
      [&] { frame.txtDSOnameSeq->setText("D1"); },
      [&] { frame.cmbPageSizeRandOver->setCurrentIndex(2); },
      [&] { frame.chkPrecedencePartition->setChecked(true); },
      [&] { frame.txtRuleNormal->setText("HASH(C1)"); },
      [&] { frame.grdDSImain->SetEditText(0, 1, "D1"); },
      [&] { frame.rdoSession->setChecked(true); },
      [&] { frame.cmbStorageType->setCurrentIndex(3); },
  };
  for (const auto& edit : edits) {
    edit();
    EXPECT_TRUE(frame.IsChanged());
    frame.SaveState();
  }
  // Typing into the spare row adds another; the only data row stays.
  EXPECT_EQ(frame.grdDSImain->RowCount(), 3);
  frame.grdDSIsub->SetEditText(0, 1, "D1");
  EXPECT_EQ(frame.grdDSIsub->RowCount(), 3);
  // A stand-by row's size and unit are grey and not editable.
  frame.grdDSIsub->SetCells(1, 1, "EXPAND");
  const QModelIndex size = frame.grdDSIsub->model()->index(0, 3);
  EXPECT_EQ(frame.grdDSIsub->model()->data(size, Qt::BackgroundRole).value<QColor>(),
            frame.grdDSIsub->palette().color(QPalette::Button));
  EXPECT_FALSE(frame.grdDSIsub->model()->data(frame.grdDSIsub->model()->index(0, 2), Qt::BackgroundRole).isValid());
  frame.grdDSIsub->SetCells(1, 1, "");
  frame.grdDSIsub->SetRowCount(2);
  frame.btnDSIsubDel->click();
  EXPECT_EQ(frame.grdDSIsub->RowCount(), 2);
  frame.btnDSImainDel->click();
  EXPECT_EQ(frame.grdDSImain->RowCount(), 2);
  // Pick lists of a data cell.
  std::vector<std::string> items;
  frame.grdDSIsub->OnGetPickListitems(1, 1, items);
  EXPECT_EQ(items, (Lines{"PRIME", "OVERFLOW", "EXPAND"}));
  frame.grdDSIsub->OnGetPickListitems(2, 1, items);
  EXPECT_EQ(items, Lines{"DBSPACE1"});
}

// Widths by rule, after the window or the frame grew and after it shrank.
TEST_F(IndexEditorTest, TheKeyListsAndTheStorageEditsFollowEveryResize) {
  TfrmObject* window = Prepared(11);
  TfrmIndex* editor = NewIndex(*window);
  ASSERT_NE(editor, nullptr);
  TovForm form(*window);
  form.SetImageIndex(kTableOwnerKind);
  TfraStorage frame(form, nullptr);
  frame.Init("S1", "T");
  frame.cmbStorageType->setCurrentIndex(kStorageRandomRange);
  frame.cmbStorageTypeChange();
  frame.show();
  for (const int width : {900, 520}) {
    SCOPED_TRACE(width);
    editor->parentWidget()->resize(width, 500);
    frame.resize(width, 600);
    QCoreApplication::processEvents();
    const int list = editor->tabDefine->width() / 2 - 40;
    EXPECT_EQ(editor->lstIdxCol->width(), list);
    EXPECT_EQ(editor->lstTabCol->width(), list);
    for (TovStrEdit* edit : {frame.txtClusterPartition, frame.txtRulePartition, frame.txtRandWhere})
      EXPECT_EQ(edit->width(), edit->parentWidget()->width() - 149) << edit->objectName().toStdString();
  }
  editor->SetChanged(false);
}

TEST_F(IndexEditorTest, TheColumnListButtonsGoThroughTheChooser) {
  TfrmObject* window = Prepared(11);
  TovForm form(*window);
  form.SetImageIndex(kTableOwnerKind);
  TfraStorage frame(form, &form);
  frame.Init("S1", "T");
  frame.txtClusterNormal->setText("C2, ");
  Lines offered;
  testing_support::WhenShown<TfrmFieldList>([&](TfrmFieldList& chooser) {
    for (int i = 0; i < chooser.lstSelect->count(); ++i) offered.push_back(chooser.lstSelect->item(i)->text().toStdString());
    chooser.lstAll->findItems("C3", Qt::MatchExactly).front()->setSelected(true);
    chooser.btnIns->click();
    chooser.btnSelect->click();
  });
  frame.btnFieldRandNormal->click();
  EXPECT_EQ(offered, Lines{"C2"});
  EXPECT_EQ(frame.txtClusterNormal->text().toStdString(), "C2, C3");
}

TEST_F(IndexEditorTest, TheIndexLayoutByLevelAndConnection) {
  struct Case {
    int level;
    bool remote;
    bool spaceOnly;
  };
  const Case cases[] = {{9, false, true}, {10, false, false}, {11, false, false}, {11, true, true}};
  TfrmObject* window = Prepared(11);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    window->CatalogLevel = c.level;
    window->Remote = c.remote;
    TovForm form(*window);
    form.SetImageIndex(kIndexOwnerKind);
    TfraStorage frame(form, &form);
    frame.Init("S1", "IX");
    EXPECT_TRUE(frame.cmbStorageType->isHidden());
    EXPECT_EQ(frame.pnlStorageType->isHidden(), !c.spaceOnly);
    EXPECT_EQ(frame.pagStorage->isHidden(), c.spaceOnly);
    EXPECT_EQ(frame.pnlDSI->isHidden(), c.spaceOnly);
    EXPECT_EQ(frame.grdDSImain->Header().Strings(7), "表のDSI名");
    EXPECT_EQ(frame.grdDSIsub->EditStyle(1), geDropList);
  }
}

}  // namespace
}  // namespace testing_objedit
