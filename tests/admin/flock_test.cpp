#include "admin/flock.h"

#include <QAction>

#include "admin/fsession.h"
#include "tests/admin/admin_fixture.h"
#include "ui/ovcomctrls.h"

namespace {

using testing_admin::Lines;

class LockMonitor : public testing_admin::AdminProgram {
 protected:
  static Lines Row(TovListView& list, int index) {
    Lines texts;
    QTreeWidgetItem* item = list.topLevelItem(index);
    for (int i = 0; i < item->columnCount(); ++i) texts.push_back(item->text(i).toStdString());
    return texts;
  }
};

TEST_F(LockMonitor, LocksGroupedByDsiFromTheMenu) {
  Logon();
  TfrmLock* form = OpenFromMenu<TfrmLock>("actAdminLock");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "ロック情報 - ORVUSER @ ORVSAMPLE");
  TovListView& list = *form->lstLock;
  ASSERT_EQ(list.topLevelItemCount(), 4);
  EXPECT_EQ(Row(list, 0), (Lines{"ORVSAMPLE.CUSTOMER", "4711", "12", "GRANT", "ORVUSER", "ODBC", "orv/orv", "ROW", "EX"}));
  EXPECT_EQ(Row(list, 3), (Lines{"ORVSAMPLE.ORDERS", "5120", "15", "GRANT", "GUEST", "ODBC", "orv/orv", "ROW", "SH"}));
  EXPECT_EQ(list.topLevelItem(0)->foreground(0).color(), QColor(0, 0, 255));
  EXPECT_NE(list.topLevelItem(3)->foreground(0).color(), QColor(0, 0, 255));  // this program, another user
  EXPECT_EQ(ToolCalls().back(), "rdblkinf\t-l\t-e");

  // A failing report leaves the list empty after the runner's message.
  setenv("SYMFOWARE_TOOL_FAIL", "rdblkinf:code", 1);
  env.Dialogs().QueueMessage(IDOK);
  form->btnRollback->trigger();
  EXPECT_EQ(list.topLevelItemCount(), 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("復帰コード 12"), std::string::npos);
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

// The connection window's tree pop-up reaches the monitors through the
// handlers RegisterAdmin registers; the window follows the combo and closes
// with its connection.
TEST_F(LockMonitor, FromTheTreePopUpFollowingTheConnection) {
  TfrmObject* connection = Logon();
  connection->Action("actLock")->trigger();
  connection->Action("actSession")->trigger();
  ASSERT_EQ(Windows<TfrmLock>().size(), 1u);
  ASSERT_EQ(Windows<TfrmSession>().size(), 1u);
  connection->Action("actLock")->trigger();
  EXPECT_EQ(Windows<TfrmLock>().size(), 1u);

  TfrmObject* second = Logon();
  TfrmLock* form = Windows<TfrmLock>().front();
  form->DBChange(nullptr);
  ASSERT_EQ(form->cmbDBName->count(), 2);
  form->cmbDBName->setCurrentIndex(1);
  EXPECT_EQ(form->ConnectionWindow, static_cast<TovConnectionWindow*>(second));
  EXPECT_EQ(form->lstLock->topLevelItemCount(), 4);

  qobject_cast<QMdiSubWindow*>(second->parentWidget())->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
  EXPECT_TRUE(Windows<TfrmLock>().empty());
  EXPECT_EQ(Windows<TfrmSession>().size(), 1u);
}

}  // namespace
