#include <QDir>
#include <QLabel>
#include <QSignalBlocker>

#include "admin/fexp.h"
#include "admin/floader.h"
#include "editor/ovmemo.h"
#include "tests/admin/admin_fixture.h"
#include "ui/ovstdctl.h"

namespace {

using testing_admin::Lines;

class LoaderWindow : public testing_admin::AdminProgram {
 protected:
  long long Count(TfrmObject& window, const std::string& sql) {
    TovSQLQuery& q = window.OpenSQL(sql);
    const long long count = q.FieldByName("N").toLongLong();
    q.Close();
    return count;
  }
  // A table without a key, so that its rows can be loaded twice, in a DSI.
  void CreateNotes(TfrmObject& window) {
    for (const char* sql :
         {"CREATE TABLE SALES.NOTES (ID INTEGER, MEMO NCHAR VARYING(20), QTY INTEGER)",
          "INSERT INTO SALES.NOTES VALUES (1, '一番', 5)", "INSERT INTO SALES.NOTES VALUES (2, NULL, 6)",
          "INSERT INTO SALES.NOTES VALUES (3, 'say \"hi\", you', NULL)",
          "CREATE DSO NOTES_DSO FROM SALES.NOTES TYPE SEQUENTIAL(PAGESIZE(4), ORDER(1))",
          "CREATE DSI NOTES_DSI DSO NOTES_DSO ALLOCATE DATA ON DBSPACE2 SIZE 10M", "COMMIT"})
      window.ExecSQL(sql);
  }
};

TEST_F(LoaderWindow, UnloadedRowsLoadedBackAreDoubled) {
  TfrmObject* window = Logon();
  CreateNotes(*window);
  TfrmLoader* form = OpenFromMenu<TfrmLoader>("actAdminLoad");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "ロード - ORVUSER @ ORVSAMPLE");
  EXPECT_EQ(form->pagLoader->currentWidget(), form->tabUnload);

  QDir().mkpath(QString::fromStdString(env.Path("data dir")));
  const std::string data = env.Path("data dir") + "/notes \"1\".dat";
  form->rdoOutFormat[ufStandard]->click();
  form->rdoOutDataFormat[ldText]->click();
  form->chkOutNull->setChecked(false);
  form->txtOutFile->setText(QString::fromStdString(data));
  form->cmbOutDsi->setEditText("NOTES_DSI");
  env.Dialogs().QueueMessage(IDYES);
  form->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"データベースの内容をファイルに書き込みみます。よろしいですか？"}));
  EXPECT_EQ(ToolCalls().back(), "rdbunl\t-i\tORVSAMPLE.NOTES_DSI\t-t\t" + data);
  EXPECT_EQ(form->pagLoader->currentWidget(), form->tabLog);
  EXPECT_EQ(form->txtLog->Text(), "rdbunl: 3 件のデータを出力しました\r\nrdbunlが正常終了しました 復帰コード 00\r\n");
  EXPECT_EQ(LoadOption.OutDsi, "NOTES_DSI");

  env.Dialogs().messages.clear();
  form->pagLoader->setCurrentWidget(form->tabLoad);
  form->rdoInDataFormat[ldText]->click();
  EXPECT_TRUE(form->txtDlmChar->isEnabled());
  EXPECT_FALSE(form->chkInNull->isEnabled());
  form->txtInFile->setText(QString::fromStdString(data));
  form->cmbInDsi->setEditText("NOTES_DSI");
  form->txtIdxMisiyo->setText("0");
  form->txtDlmChar->setText(",");
  form->cmbQuoteChar->setCurrentIndex(lqDouble);
  form->chkError->click();
  EXPECT_TRUE(form->txtErrFile->isEnabled());
  form->txtErrRec->setText("");
  form->txtErrFile->setText(QString::fromStdString(env.Path("errors.txt")));
  env.Dialogs().QueueMessage(IDYES);
  form->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"ファイルの内容をデータベースに読み込みます。よろしいですか？"}));
  EXPECT_EQ(ToolCalls().back(), "rdbsaloader\t-ma\t-i\tORVSAMPLE.NOTES_DSI\t-t\t-p\t,\t-r\tALL," +
                                    env.Path("errors.txt") + "\t" + data);
  EXPECT_TRUE(form->txtIdxMisiyo->text().isEmpty());
  EXPECT_EQ(LoadOption.IdxMisiyo, 0);
  EXPECT_EQ(LoadOption.ErrRec, -1);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) AS N FROM SALES.NOTES"), 6);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) AS N FROM SALES.NOTES WHERE MEMO IS NULL"), 2);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) AS N FROM SALES.NOTES WHERE MEMO = 'say \"hi\", you'"), 2);
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(LoaderWindow, TheConnectionWindowsCommandsOpenTheWindows) {
  TfrmObject* window = Logon();
  window->lstTree->setCurrentItem(window->lstTree->topLevelItem(0));
  window->popTreePopup();
  window->Action("actDBExport")->trigger();
  EXPECT_EQ(Windows<TfrmExp>().size(), 1u);
  // The object list's load needs a selection.
  {
    const QSignalBlocker blocker(window->lstTree);
    QTreeWidgetItem* root = window->lstTree->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i)
      if (root->child(i)->text(0) == "SALES") window->lstTree->setCurrentItem(root->child(i)->child(0));
    window->FillObjectList(true);
  }
  window->lstObject->clearSelection();
  window->mnuObjectClick();
  EXPECT_FALSE(window->Action("actLoad")->isEnabled());
  ASSERT_GT(window->lstObject->topLevelItemCount(), 0);
  window->lstObject->topLevelItem(0)->setSelected(true);
  window->mnuObjectClick();
  window->Action("actLoad")->trigger();
  EXPECT_EQ(Windows<TfrmLoader>().size(), 1u);
}

TEST_F(LoaderWindow, StoredOptionsFillTheWindowAndItsRules) {
  LoadOption.IdxMisiyo = 0;
  LoadOption.ErrRec = -1;
  LoadOption.InDataFormat = ldBinaryValid;
  LoadOption.OutFormat = ufSplit;
  LoadOption.Error = false;
  LoadOption.QuoteChar = lqSingle;
  Logon();
  TfrmLoader* form = OpenFromMenu<TfrmLoader>("actAdminLoad");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->txtIdxMisiyo->text().toStdString(), "0");
  EXPECT_TRUE(form->txtErrRec->text().isEmpty());
  EXPECT_FALSE(form->txtDlmChar->isEnabled());
  EXPECT_TRUE(form->chkInNull->isEnabled());
  EXPECT_FALSE(form->txtOutFile->isEnabled());
  EXPECT_TRUE(form->txtCtrlFile->isEnabled());
  EXPECT_EQ(form->lblCtrlFile->text().toStdString(), "分割指定ファイル");
  EXPECT_FALSE(form->txtErrFile->isEnabled());
  EXPECT_EQ(form->cmbQuoteChar->currentText().toStdString(), "シングルクォーテーション");
}

}  // namespace
