// The SQL window's builder as the program shows it: opened from the main
// window's action, the pane shown by its button, tables chosen in the table
// chooser or dragged from the object lists, joins edited in the join
// dialog, the kind menu and the grid's tool bar.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QDragEnterEvent>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QMimeData>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

#include "app/core/fobjtreecore.h"
#include "sqlwork/fsqlbldc.h"
#include "sqlwork/ftablelist.h"
#include "sqlwork/ovsqlbld.h"
#include "tests/platform/whenshown.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "ui/ovcomctrls.h"

namespace testing_sqlwork {
namespace {

using testing_support::WhenShown;

class Builder : public SQLWindow {
 protected:
  // A logon whose schema ADMIN holds EMP and DEPT (keys ENO and DNO), the
  // view EMPV and the table TEMP; the SQL window opened from the main
  // window on it, its builder shown.
  TfrmSQL* Open() {
    connection = Logon();
    for (const char* sql :
         {"CREATE SCHEMA ADMIN", "CREATE TABLE ADMIN.EMP (ENO INTEGER NOT NULL PRIMARY KEY, SAL INTEGER, DEPT CHAR(4))",
          "CREATE TABLE ADMIN.DEPT (DNO CHAR(4) NOT NULL PRIMARY KEY, DNAME CHAR(20))",
          "CREATE TABLE ADMIN.TEMP (T INTEGER)", "CREATE VIEW ADMIN.EMPV (ENO) AS SELECT ENO FROM ADMIN.EMP",
          "COMMIT"})
      connection->ExecSQL(sql);
    TfrmSQL* form = OpenFromMain();
    if (!form) return nullptr;
    QTest::mouseClick(form->btnShowDesign, Qt::LeftButton);
    return form;
  }
  static TovSQLDesigner& Model(TfrmSQL& form) { return form.SQLDesign->Model(); }
  static Lines BoxNames(TfrmSQL& form) {
    Lines names;
    for (const auto& table : Model(form).Tables()) names.push_back(table->Schema + "." + table->Table);
    return names;
  }
  // The object list of the connection window showing the schema's tables.
  void ShowObjects(const std::string& kind, const Lines& select) {
    connection->cmbTreeChange(kFilterAllSchemas);
    const QSignalBlocker blocker(connection->lstTree);
    QTreeWidgetItem* root = connection->lstTree->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i)
      if (root->child(i)->text(0) == "ADMIN")
        for (int k = 0; k < root->child(i)->childCount(); ++k)
          if (root->child(i)->child(k)->text(0).toStdString() == kind)
            connection->lstTree->setCurrentItem(root->child(i)->child(k));
    connection->FillObjectList(true);
    for (int i = 0; i < connection->lstObject->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = connection->lstObject->topLevelItem(i);
      item->setSelected(std::count(select.begin(), select.end(), item->text(0).toStdString()) > 0);
    }
  }
  // A drag of the list's selection arriving on a widget: enter, then drop.
  static bool DragOnto(const TovListView& list, QWidget& target) {
    std::unique_ptr<QMimeData> data(list.DragMimeData());
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &drop);
    return true;
  }

  TfrmObject* connection = nullptr;
};

TEST_F(Builder, TheButtonShowsThePaneAtItsHeightsAndReadsTheText) {
  TfrmObject* logon = Logon();
  logon->ExecSQL("CREATE SCHEMA ADMIN");
  logon->ExecSQL("CREATE TABLE ADMIN.EMP (ENO INTEGER NOT NULL PRIMARY KEY, SAL INTEGER)");
  TfrmSQL* form = OpenFromMain();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->pnlBuild->isHidden());
  SetText(*form, "SELECT e.ENO FROM ADMIN.EMP e");
  QTest::mouseClick(form->btnShowDesign, Qt::LeftButton);
  ASSERT_FALSE(form->pnlBuild->isHidden());
  const int quarter = (form->height() - form->tolCmd->height()) / 4;
  EXPECT_EQ(form->splSQL->sizes()[0], 3 * quarter);
  EXPECT_EQ(form->splBuild->sizes()[0], 2 * quarter);
  EXPECT_EQ(form->splDesign->sizes()[0], quarter);
  // Showing read the text: a box aliased e and its row.
  ASSERT_EQ(form->SQLDesign->Views().size(), 1u);
  EXPECT_EQ(form->SQLDesign->Views()[0]->txtAlias->text().toStdString(), "e");
  EXPECT_EQ(form->grdColumn->Cells(0, 1), "e.ENO");
  EXPECT_EQ(Editor(*form), "SELECT e.ENO FROM ADMIN.EMP e");

  // Hidden again the pane stays as it is; the shown state is kept.
  QTest::mouseClick(form->btnShowDesign, Qt::LeftButton);
  EXPECT_TRUE(form->pnlBuild->isHidden());
  QTest::mouseClick(form->btnShowDesign, Qt::LeftButton);
  CloseFrame(form);
  TfrmSQL* again = OpenFromMain();
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(again->btnShowDesign->isChecked());
  EXPECT_FALSE(again->pnlBuild->isHidden());
}

TEST_F(Builder, ATypedTextIsReadWhenTheGridIsEnteredAndAnUnreadableOneIsLeftAlone) {
  TfrmSQL* form = Open();
  ASSERT_NE(form, nullptr);
  SetText(*form, "SELECT a.ENO, b.DNAME FROM ADMIN.EMP a, ADMIN.DEPT b WHERE a.DEPT = b.DNO");
  form->txtSQL->setFocus();
  form->grdColumn->setFocus();
  EXPECT_EQ(BoxNames(*form), (Lines{"ADMIN.EMP", "ADMIN.DEPT"}));
  EXPECT_EQ(Model(*form).Joins().size(), 1u);
  EXPECT_EQ(form->grdColumn->Cells(0, 2), "b.DNAME");

  const std::string unreadable = "SELECT FROM (";
  SetText(*form, unreadable);
  form->txtSQL->setFocus();
  form->grdColumn->setFocus();
  EXPECT_EQ(Boxes(), (Lines{kCannotShowSQL}));
  EXPECT_TRUE(Model(*form).Tables().empty());
  EXPECT_EQ(Editor(*form), unreadable);
}

TEST_F(Builder, TheChooserListsTheKindsShownAndSearchesAndAddsTheChosenTables) {
  TfrmSQL* form = Open();
  ASSERT_NE(form, nullptr);
  Lines listed;
  Lines afterSearch;
  bool viewPressedAgain = false;
  WhenShown<TfrmTableList>([&](TfrmTableList& dialog) {
    EXPECT_EQ(dialog.windowTitle().toStdString(), "表の選択 - ADMIN @ ORVTEST");
    EXPECT_EQ(dialog.cmbOwner->currentText().toStdString(), "ADMIN");
    for (int i = 0; i < dialog.lstTable->count(); ++i) listed.push_back(dialog.lstTable->item(i)->text().toStdString());
    // Only views; raising the last kind shown presses it again.
    QTest::mouseClick(dialog.btnTable, Qt::LeftButton);
    EXPECT_FALSE(dialog.btnTable->isChecked());
    EXPECT_EQ(dialog.lstTable->count(), 1);
    QTest::mouseClick(dialog.btnView, Qt::LeftButton);
    viewPressedAgain = dialog.btnView->isChecked();
    QTest::mouseClick(dialog.btnTable, Qt::LeftButton);
    QTest::keyClicks(dialog.txtFindTable, "emp");
    QTest::keyClick(dialog.txtFindTable, Qt::Key_Return);
    for (int i = 0; i < dialog.lstTable->count(); ++i)
      afterSearch.push_back(dialog.lstTable->item(i)->text().toStdString());
    for (int i = 0; i < dialog.lstTable->count(); ++i)
      dialog.lstTable->item(i)->setSelected(dialog.lstTable->item(i)->text() != "EMPV");
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
  });
  form->actInsTable->trigger();
  EXPECT_EQ(listed, (Lines{"DEPT", "EMP", "EMPV", "TEMP"}));
  EXPECT_TRUE(viewPressedAgain);
  EXPECT_EQ(afterSearch, (Lines{"EMP", "EMPV", "TEMP"}));
  EXPECT_EQ(BoxNames(*form), (Lines{"ADMIN.EMP", "ADMIN.TEMP"}));
  EXPECT_NE(Editor(*form).find("FROM ADMIN.EMP A"), std::string::npos) << Editor(*form);
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(Builder, TheChoosersKindsCarryOverAndCancelAddsNothing) {
  TfrmSQL* form = Open();
  ASSERT_NE(form, nullptr);
  WhenShown<TfrmTableList>([&](TfrmTableList& dialog) {
    QTest::mouseClick(dialog.btnTable, Qt::LeftButton);
    QTest::mouseClick(dialog.btnExit, Qt::LeftButton);
  });
  form->actInsTable->trigger();
  EXPECT_TRUE(Model(*form).Tables().empty());
  bool tablesShown = true;
  int listed = 0;
  WhenShown<TfrmTableList>([&](TfrmTableList& dialog) {
    tablesShown = dialog.btnTable->isChecked();
    listed = dialog.lstTable->count();
    QTest::mouseClick(dialog.btnExit, Qt::LeftButton);
  });
  form->actInsTable->trigger();
  EXPECT_FALSE(tablesShown);
  EXPECT_EQ(listed, 1);
}

TEST_F(Builder, InUpdateOnlyTheFirstChosenTableIsAddedAndTheKindsKeepOrClearTheBuilder) {
  TfrmSQL* form = Open();
  ASSERT_NE(form, nullptr);
  form->SQLDesign->InsertTable("EMP");
  // CREATE VIEW asks the view's name and keeps the boxes.
  env.Dialogs().QueueInput({true, "V1", {}});
  form->mnuSQLCreate->trigger();
  EXPECT_EQ(Model(*form).SQLType(), sqlKindCreateView);
  EXPECT_EQ(Model(*form).Tables().size(), 1u);
  EXPECT_EQ(Editor(*form).rfind("CREATE VIEW ADMIN.V1 AS", 0), 0u) << Editor(*form);
  form->mnuSQLSelect->trigger();
  EXPECT_EQ(Model(*form).Tables().size(), 1u);
  // UPDATE clears; of three chosen names only the first is taken.
  form->mnuSQLUpdate->trigger();
  EXPECT_TRUE(Model(*form).Tables().empty());
  EXPECT_EQ(Editor(*form), "");
  WhenShown<TfrmTableList>([&](TfrmTableList& dialog) {
    for (int i = 0; i < dialog.lstTable->count(); ++i) dialog.lstTable->item(i)->setSelected(true);
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
  });
  form->actInsTable->trigger();
  EXPECT_EQ(BoxNames(*form), (Lines{"ADMIN.DEPT"}));
  EXPECT_FALSE(form->actInsTable->isEnabled());
  EXPECT_EQ(Editor(*form).rfind("UPDATE ADMIN.DEPT\r\n   SET", 0), 0u) << Editor(*form);
  // The kinds' inactive cells take no typing: UPDATE has no sort word.
  form->grdColumn->FocusCell(bcSort, 1);
  EXPECT_EQ(form->grdColumn->editTriggers(), QAbstractItemView::NoEditTriggers);
  form->grdColumn->FocusCell(bcAlias, 1);
  EXPECT_NE(form->grdColumn->editTriggers(), QAbstractItemView::NoEditTriggers);
  // Deleting the selected box gives the action back.
  form->SQLDesign->SelectTable(Model(*form).Tables()[0].get());
  EXPECT_TRUE(form->actDelTable->isEnabled());
  form->actDelTable->trigger();
  EXPECT_TRUE(Model(*form).Tables().empty());
  EXPECT_TRUE(form->actInsTable->isEnabled());
  EXPECT_FALSE(form->actDelTable->isEnabled());
}

TEST_F(Builder, TheJoinDialogEditsAndDeletesTheJoin) {
  TfrmSQL* form = Open();
  ASSERT_NE(form, nullptr);
  TovSQLDesigner& model = Model(*form);
  form->SQLDesign->InsertTable("EMP");
  form->SQLDesign->InsertTable("DEPT");
  form->SQLDesign->Apply([&] { model.AddJoin(*model.Tables()[0], "DEPT", *model.Tables()[1], "DNO"); });
  TovSQLBuildConnect& join = *model.Joins()[0];

  WhenShown<TfrmSQLBldConnect>([&](TfrmSQLBldConnect& dialog) {
    // The groups name the tables, not their aliases.
    EXPECT_EQ(dialog.grpTable1->title().toStdString(), " EMP の列選択 ");
    EXPECT_EQ(dialog.grpTable2->title().toStdString(), " DEPT の列選択 ");
    EXPECT_EQ(dialog.cmbColumn1->count(), 3);
    EXPECT_EQ(dialog.cmbColumn1->currentText().toStdString(), "DEPT");
    EXPECT_TRUE(dialog.rdoConnectTypeItems->button(joEqual)->isChecked());
    dialog.rdoConnectTypeItems->button(joNotEqual)->click();
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
  });
  form->SQLDesignConnectDblClick(join);
  EXPECT_EQ(join.Operator, joNotEqual);
  EXPECT_NE(Editor(*form).find("A.DEPT <> B.DNO"), std::string::npos) << Editor(*form);

  WhenShown<TfrmSQLBldConnect>([&](TfrmSQLBldConnect& dialog) {
    QTest::mouseClick(dialog.btnDelete, Qt::LeftButton);
  });
  form->SQLDesignConnectDblClick(join);
  EXPECT_TRUE(model.Joins().empty());
  EXPECT_EQ(Editor(*form).find("WHERE"), std::string::npos) << Editor(*form);
}

TEST_F(Builder, TablesAndViewsDraggedFromTheObjectListAndTheWorkspaceBecomeBoxes) {
  TfrmSQL* form = Open();
  ASSERT_NE(form, nullptr);
  ShowObjects("TABLE", {"EMP", "DEPT"});
  ASSERT_TRUE(DragOnto(*connection->lstObject, *form->SQLDesign->viewport()));
  EXPECT_EQ(BoxNames(*form), (Lines{"ADMIN.DEPT", "ADMIN.EMP"}));
  EXPECT_NE(Editor(*form).find("ADMIN.EMP B"), std::string::npos) << Editor(*form);

  // Through the workspace: the view dropped there, then on the canvas.
  ShowObjects("VIEW", {"EMPV"});
  ASSERT_TRUE(DragOnto(*connection->lstObject, *main->lstWorkSpace->viewport()));
  main->lstWorkSpace->selectAll();
  ASSERT_TRUE(DragOnto(*main->lstWorkSpace, *form->SQLDesign->viewport()));
  EXPECT_EQ(BoxNames(*form), (Lines{"ADMIN.DEPT", "ADMIN.EMP", "ADMIN.EMPV"}));
  EXPECT_EQ(Model(*form).Tables()[2]->Alias, "c");
}

TEST_F(Builder, TheGridsToolBarMovesInsertsAndDeletesRows) {
  TfrmSQL* form = Open();
  ASSERT_NE(form, nullptr);
  TovSQLDesigner& model = Model(*form);
  form->SQLDesign->InsertTable("EMP");
  form->SQLDesign->Apply([&] { model.AddColumns(*model.Tables()[0], {"ENO", "SAL"}); });
  ASSERT_EQ(form->grdColumn->RowCount(), 4);
  form->grdColumn->FocusCell(0, 1);
  form->btnUpColumn->trigger();  // row 1 stays
  EXPECT_EQ(form->grdColumn->Cells(0, 1), "a.ENO");
  form->btnDownColumn->trigger();
  EXPECT_EQ(form->grdColumn->Cells(0, 2), "a.ENO");
  EXPECT_EQ(form->grdColumn->Row(), 2);
  form->btnDownColumn->trigger();  // the last data row stays
  EXPECT_EQ(form->grdColumn->Cells(0, 2), "a.ENO");
  EXPECT_NE(Editor(*form).find("SELECT A.SAL\r\n      ,A.ENO"), std::string::npos) << Editor(*form);
  form->btnInsColumn->trigger();
  EXPECT_EQ(form->grdColumn->RowCount(), 5);
  EXPECT_EQ(form->grdColumn->Cells(0, 2), "");
  form->btnDelColumn->trigger();
  EXPECT_EQ(form->grdColumn->RowCount(), 4);
  form->grdColumn->FocusCell(0, 1);
  form->btnDelColumn->trigger();
  EXPECT_EQ(form->grdColumn->RowCount(), 3);
  EXPECT_EQ(form->grdColumn->Cells(0, 1), "a.ENO");
}

}  // namespace
}  // namespace testing_sqlwork
