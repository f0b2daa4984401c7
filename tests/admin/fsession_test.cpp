#include "admin/fsession.h"

#include <QAction>
#include <QToolBar>

#include "tests/admin/admin_fixture.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace {

using testing_admin::Lines;

class SessionMonitor : public testing_admin::AdminProgram {
 protected:
  static Lines Captions(TovListView& list) {
    Lines captions;
    for (int i = 0; i < list.topLevelItemCount(); ++i) captions.push_back(list.topLevelItem(i)->text(0).toStdString());
    return captions;
  }
  static QTreeWidgetItem* Row(TovListView& list, const char* process) {
    for (int i = 0; i < list.topLevelItemCount(); ++i)
      if (list.topLevelItem(i)->text(0).trimmed() == process) return list.topLevelItem(i);
    return nullptr;
  }
};

TEST_F(SessionMonitor, OpensFromTheMenuAndEndsASession) {
  Logon();
  TfrmSession* form = OpenFromMenu<TfrmSession>("actAdminSession");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "セッション情報 - ORVUSER @ ORVSAMPLE");
  EXPECT_EQ(form->cmbDBName->currentText().toStdString(), "ORVUSER @ ORVSAMPLE");
  TovListView& list = *form->lstSession;
  EXPECT_EQ(Captions(list), (Lines{"       7", "    4711", "    4800", "    5120"}));
  const QColor blue(0, 0, 255);
  EXPECT_EQ(Row(list, "4711")->foreground(0).color(), blue);
  EXPECT_EQ(Row(list, "7")->foreground(0).color(), blue);
  EXPECT_NE(Row(list, "5120")->foreground(0).color(), blue);  // this program, another user
  EXPECT_NE(Row(list, "4800")->foreground(0).color(), blue);

  EXPECT_FALSE(form->actKill->isEnabled());
  list.setCurrentItem(Row(list, "5120"));
  EXPECT_TRUE(form->actKill->isEnabled());
  form->actRefresh->trigger();
  EXPECT_EQ(list.currentItem()->text(0).trimmed().toStdString(), "5120");

  // A second opening brings the first forward.
  AdminMenuItem("actAdminSession")->trigger();
  EXPECT_EQ(Windows<TfrmSession>().size(), 1u);

  list.setCurrentItem(Row(list, "4800"));
  env.Dialogs().QueueMessage(IDNO);
  form->actKill->trigger();
  EXPECT_NE(Row(list, "4800"), nullptr);
  env.Dialogs().QueueMessage(IDYES);
  form->actKill->trigger();
  EXPECT_EQ(Row(list, "4800"), nullptr);
  EXPECT_EQ(Boxes(), (Lines{"指定したプロセスを切断しますか？", "指定したプロセスを切断しますか？"}));
  EXPECT_EQ(ToolCalls().back(), "rdbps\t-e");
  EXPECT_EQ(ToolCalls()[ToolCalls().size() - 2], "rdbterm\t-p\t4800/13");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(SessionMonitor, AnEndingWithoutItsSuccessLineFailsAndTheListIsReread) {
  Logon();
  TfrmSession* form = OpenFromMenu<TfrmSession>("actAdminSession");
  ASSERT_NE(form, nullptr);
  TovListView& list = *form->lstSession;
  setenv("SYMFOWARE_TOOL_FAIL", "rdbterm:nosuccess", 1);
  list.setCurrentItem(Row(list, "4711"));
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  const size_t before = ToolCalls().size();
  QTest::keyClick(&list, Qt::Key_Delete);
  const Lines boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], "コマンドの実行に失敗しました。\r\nrdbtermが正常終了しました 復帰コード 00\r\n");
  EXPECT_EQ(ToolCalls().size(), before + 2);  // the ending, then the list again
  EXPECT_EQ(Row(list, "4711"), nullptr);      // the stand-in ended it all the same
}

TEST_F(SessionMonitor, TheCatalogueFillsTheListWhenTheReportHasNoRows) {
  Logon();
  setenv("SYMFOWARE_TOOL_FAIL", "rdbps:silent", 1);
  TfrmSession* form = OpenFromMenu<TfrmSession>("actAdminSession");
  ASSERT_NE(form, nullptr);
  TovListView& list = *form->lstSession;
  ASSERT_EQ(list.topLevelItemCount(), 1);
  QTreeWidgetItem* row = list.topLevelItem(0);
  EXPECT_EQ(row->text(0).toStdString(), "    4321");
  EXPECT_EQ(row->text(1).toStdString(), "----");
  EXPECT_EQ(row->text(3).toStdString(), "ORVUSER");
  EXPECT_EQ(row->text(6).toStdString(), "orv");
  list.setCurrentItem(row);
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  form->actKill->trigger();
  const Lines calls = ToolCalls();
  EXPECT_EQ(calls[calls.size() - 2], "rdbterm\t-p\t4321");
}

}  // namespace
