#include <QDir>
#include <QFileInfo>
#include <QTest>

#include "admin/fexp.h"
#include "admin/fimp.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "tests/admin/admin_fixture.h"
#include "ui/ovstdctl.h"

namespace {

using testing_admin::Lines;

class BackupAndRestore : public testing_admin::AdminProgram {
 protected:
  // The rows of a table, counted through the connection.
  long long Count(TfrmObject& window, const std::string& table) {
    TovSQLQuery& q = window.OpenSQL("SELECT COUNT(*) AS N FROM " + table);
    const long long count = q.FieldByName("N").toLongLong();
    q.Close();
    return count;
  }
  std::string Folder(const std::string& name) {
    const std::string path = env.Path(name);
    QDir().mkpath(QString::fromStdString(path));
    return path;
  }
  static Lines LogLines(TfrmToolAdmin& form) {
    Lines lines;
    for (const QString& line : QString::fromStdString(form.txtLog->Text()).split('\n', Qt::SkipEmptyParts))
      lines.push_back(line.trimmed().toStdString());
    return lines;
  }
};

TEST_F(BackupAndRestore, ABackedUpDsiComesBackAfterItsRowsWereDeleted) {
  TfrmObject* window = Logon();
  TfrmExp* exp = OpenFromMenu<TfrmExp>("actAdminExport");
  ASSERT_NE(exp, nullptr);
  EXPECT_EQ(exp->windowTitle().toStdString(), "バックアップ - ORVUSER @ ORVSAMPLE");
  EXPECT_EQ(exp->cmbDBName->currentText().toStdString(), "ORVUSER @ ORVSAMPLE");
  // A second opening brings the first forward.
  AdminMenuItem("actAdminExport")->trigger();
  EXPECT_EQ(Windows<TfrmExp>().size(), 1u);

  const std::string dump = Folder("back ups") + "/it's CUSTOMER.DMP";
  exp->rdoMode[bmDsi]->click();
  exp->txtExpFile->setText(QString::fromStdString(dump));
  exp->cmbOutDsi->showPopup();  // the connection's DSIs
  EXPECT_GE(exp->cmbOutDsi->findText("CUSTOMER_DSI"), 0);
  exp->cmbOutDsi->hidePopup();
  exp->cmbOutDsi->setEditText("CUSTOMER_DSI");
  exp->chkErrStop->setChecked(false);
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  exp->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"エクスポートを開始します。よろしいですか？", "エクスポートを完了しました。"}));
  const Lines calls = ToolCalls();
  ASSERT_GE(calls.size(), 3u);
  // The path with its blank and quote arrives as one argument.
  EXPECT_EQ(Lines(calls.end() - 3, calls.end()),
            (Lines{"rdbrtr\t-i\tORVSAMPLE.CUSTOMER_DSI",
                   "rdbdmp\t-i\tORVSAMPLE.CUSTOMER_DSI\t-f\tit's CUSTOMER.DMP@" + env.Path("back ups") + "\t-N\t-e\t-y",
                   "rdbrls\t-i\tORVSAMPLE.CUSTOMER_DSI"}));
  EXPECT_EQ(exp->pagExp->currentWidget(), exp->tabLog);
  EXPECT_NE(exp->txtLog->Text().find("CUSTOMER_DSI"), std::string::npos);
  EXPECT_EQ(ExpOption.OutDsi, "CUSTOMER_DSI");
  EXPECT_EQ(ExpOption.ExpFile, dump);

  window->ExecSQL("DELETE FROM SALES.CUSTOMER");
  window->ExecSQL("COMMIT");
  ASSERT_EQ(Count(*window, "SALES.CUSTOMER"), 0);

  TfrmImp* imp = OpenFromMenu<TfrmImp>("actAdminImport");
  ASSERT_NE(imp, nullptr);
  EXPECT_EQ(imp->windowTitle().toStdString(), "復元 - ORVUSER @ ORVSAMPLE");
  env.Dialogs().messages.clear();
  imp->rdoMode[bmDsi]->click();
  imp->txtImpFile->setText(QString::fromStdString(dump));
  imp->txtWorkDir->setText(QString::fromStdString(Folder("work one") + ";" + Folder("work2")));
  // A dump of another DSI is refused before anything runs.
  imp->cmbInDsi->setEditText("ORDERS_DSI");
  env.Dialogs().QueueMessage(IDOK);
  imp->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"入力ファイルの形式が正しくありません。"}));
  EXPECT_EQ(ToolCalls().back(), "rdbdvinf\t-r\t" + dump + "\t-h\t-a");

  env.Dialogs().messages.clear();
  imp->cmbInDsi->setEditText("CUSTOMER_DSI");
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  imp->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"インポートを開始します。よろしいですか？", "インポートを完了しました。"}));
  const Lines after = ToolCalls();
  EXPECT_EQ(Lines(after.end() - 2, after.end()),
            (Lines{"rdbinh\t-i\tORVSAMPLE.CUSTOMER_DSI",
                   "rdbrcv\t-L\t-i\tORVSAMPLE.CUSTOMER_DSI\t-f\tit's CUSTOMER.DMP@" + env.Path("back ups") + "\t-w\t" +
                       env.Path("work one") + ";" + env.Path("work2")}));
  EXPECT_EQ(Count(*window, "SALES.CUSTOMER"), 3);
  TovSQLQuery& q = window->OpenSQL("SELECT CUST_NAME, KANA FROM SALES.CUSTOMER WHERE CUST_ID = 3");
  EXPECT_EQ(q.AsString("CUST_NAME"), "Sunrise Trading");
  EXPECT_TRUE(q.FieldByName("KANA").isNull());
  q.Close();
  EXPECT_EQ(ImpOption.InDsi, "CUSTOMER_DSI");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(BackupAndRestore, ARetainThatSpeaksStopsTheBackupAndARecoveryThatFailsGivesAccessBack) {
  Logon();
  TfrmExp* exp = OpenFromMenu<TfrmExp>("actAdminExport");
  ASSERT_NE(exp, nullptr);
  exp->rdoMode[bmDsi]->click();
  exp->txtExpFile->setText(QString::fromStdString(Folder("bk") + "/ITEM.DMP"));
  exp->cmbOutDsi->setEditText("ITEM_DSI");
  setenv("SYMFOWARE_TOOL_FAIL", "rdbrtr:talk", 1);
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  exp->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"エクスポートを開始します。よろしいですか？", "エクスポートの実行に失敗しました。"}));
  EXPECT_EQ(ToolCalls().back(), "rdbrtr\t-i\tORVSAMPLE.ITEM_DSI");
  EXPECT_EQ(LogLines(*exp), (Lines{"rdbrtr: 処理しました"}));

  // A DSI that is retained already refuses a second retain.
  unsetenv("SYMFOWARE_TOOL_FAIL");
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  env.Dialogs().QueueMessage(IDOK);
  exp->btnExec->trigger();
  ASSERT_EQ(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[1], "コマンドの実行に失敗しました。\r\nrdbrtrが異常終了しました 復帰コード 08");
  EXPECT_EQ(Boxes()[2], "エクスポートの実行に失敗しました。");

  TfrmImp* imp = OpenFromMenu<TfrmImp>("actAdminImport");
  ASSERT_NE(imp, nullptr);
  env.Dialogs().messages.clear();
  imp->rdoMode[bmExtent]->click();
  imp->txtImpFile->setText(QString::fromStdString(Folder("bk") + "/missing.txt"));
  imp->cmbInDsi->setEditText("ITEM_DSI");
  imp->txtWorkDir->setText(QString::fromStdString(Folder("work")));
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  env.Dialogs().QueueMessage(IDOK);
  imp->btnExec->trigger();
  const Lines boxes = Boxes();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1], "コマンドの実行に失敗しました。\r\nrdbrcvが異常終了しました 復帰コード 08");
  EXPECT_EQ(boxes[2], "インポートの実行に失敗しました。");
  EXPECT_EQ(ToolCalls().back(), "rdbpmt\t-i\tORVSAMPLE.ITEM_DSI");
}

TEST_F(BackupAndRestore, TheBackupWindowKeepsItsWidth) {
  Logon();
  platform::KeyScope key(AppRegistry);
  ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("EXPORT"), true));
  AppRegistry.WriteInteger("Width", 900);
  AppRegistry.WriteInteger("Height", 420);
  AppRegistry.CloseKey();
  TfrmExp* exp = OpenFromMenu<TfrmExp>("actAdminExport");
  ASSERT_NE(exp, nullptr);
  exp->parentWidget()->show();
  QCoreApplication::processEvents();
  EXPECT_EQ(exp->width(), 489);
}

}  // namespace

namespace {

TEST_F(BackupAndRestore, TheDictionaryRestoreWritesItsScriptStartsItAndEndsTheProgram) {
  Logon();
  TfrmExp* exp = OpenFromMenu<TfrmExp>("actAdminExport");
  ASSERT_NE(exp, nullptr);
  const std::string dump = Folder("dic") + "/DIC.DMP";
  exp->rdoMode[bmDictionary]->click();
  EXPECT_FALSE(exp->cmbOutDsi->isEnabled());
  exp->txtExpFile->setText(QString::fromStdString(dump));
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  exp->btnExec->trigger();
  ASSERT_EQ(Boxes().back(), "エクスポートを完了しました。");

  TfrmImp* imp = OpenFromMenu<TfrmImp>("actAdminImport");
  ASSERT_NE(imp, nullptr);
  imp->rdoMode[bmDictionary]->click();
  imp->txtImpFile->setText(QString::fromStdString(dump));
  const std::string script = AppOption.TempDir + "ovimp.sh";
  // No: nothing is written.
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDNO);
  imp->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"インポートを開始します。よろしいですか？",
                            "Symfowareサーバーの停止を行うためOrvantoを終了いたします。\r\n続行してよろしいですか？"}));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(script)));

  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  env.Dialogs().QueueMessage(IDOK);
  imp->btnExec->trigger();
  EXPECT_EQ(Boxes(), (Lines{"インポートを開始します。よろしいですか？",
                            "Symfowareサーバーの停止を行うためOrvantoを終了いたします。\r\n続行してよろしいですか？",
                            "Orvantoを終了いたします。\r\n復元の完了後、再度Orvantoを起動の上、接続してください。",
                            "インポートを完了しました。"}));
  const QFileInfo written(QString::fromStdString(script));
  ASSERT_TRUE(written.exists());
  EXPECT_EQ(written.permissions() & (QFile::ExeOwner | QFile::ExeOther), QFile::ExeOwner);
  EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(AppOption.TempDir + "SQLLOG.IDX")));
  // Without a terminal the script runs by itself, its output in its log.
  const QString log = QString::fromStdString(AppOption.TempDir + "ovimp.log");
  QString text;
  for (int i = 0; i < 100 && !text.contains("ディクショナリの復元処理が終了しました"); ++i) {
    QTest::qWait(100);
    QFile file(log);
    if (file.open(QIODevice::ReadOnly)) text = QString::fromUtf8(file.readAll());
  }
  EXPECT_TRUE(text.contains("rdbrcvdic: ディクショナリを")) << text.toStdString();
  EXPECT_TRUE(text.contains("ディクショナリの復元処理が終了しました")) << text.toStdString();
}

}  // namespace
