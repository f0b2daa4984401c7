// The grantee privilege editor on the stand-in, opened as the connection
// window's 権限 opens it: boxes from the catalogue over the selected
// objects, one grant run read back from the catalogue, a role's grant-option
// boxes, the revoke of a listed grant and a role opened from the grantees.
#include "objedit/fgrant.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QSignalBlocker>

#include "app/fobjtree.h"
#include "objedit/frole.h"
#include "platform/windowinput.h"
#include "tests/objedit/frames_fixture.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"
#include "ui/ovtoolbar.h"

namespace testing_objedit {
namespace {

// Box order: ALTER DELETE DROP EXECUTE INDEX INSERT SELECT TRIGGER UPDATE.
constexpr int kSelect = 6;

// Esc is down once the stand-in has run a statement.
class EscapeAfterAStatement : public platform::WindowInput {
 public:
  bool PollEscape() override { return !symfoware::StatementJournal().empty(); }
  bool ProgramWindowActive() override { return true; }
  void FlushFocusedControl() override {}
};

class GranteeEditorTest : public FramesTest {
 protected:
  ~GranteeEditorTest() override { symfoware::ClearStatementFailures(); }
  // The connection window's list on S1's tables with `names` selected.
  static void SelectTables(TfrmObject& connection, const Lines& names) {
    connection.BuildTree();
    // The list is filled here, not by the tree's delayed refill, which would
    // drop the selection whenever it came.
    const QSignalBlocker quiet(connection.lstTree);
    QTreeWidgetItem* root = connection.lstTree->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i)
      if (root->child(i)->text(0) == "S1")
        for (int k = 0; k < root->child(i)->childCount(); ++k)
          if (root->child(i)->child(k)->text(0) == "TABLE")
            connection.lstTree->setCurrentItem(root->child(i)->child(k));
    connection.FillObjectList(true);
    for (int i = 0; i < connection.lstObject->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = connection.lstObject->topLevelItem(i);
      item->setSelected(std::find(names.begin(), names.end(), item->text(0).toStdString()) != names.end());
    }
    connection.mnuObjectClick();
  }
  // Adds an object of another kind to the list's selection, as a row of
  // its own kind would stand there.
  static void AlsoSelect(TfrmObject& connection, const std::string& name, int kind) {
    QTreeWidgetItem* item = connection.lstObject->topLevelItem(0)->clone();
    item->setText(0, QString::fromStdString(name));
    SetItemImage(*item, kind);
    connection.lstObject->addTopLevelItem(item);
    item->setSelected(true);
    connection.mnuObjectClick();
  }
  // Opened through the connection window's action and activated.
  TfrmGrant* OpenGrant(TfrmObject& connection) {
    connection.Action("actGrant")->trigger();
    const std::vector<TfrmGrant*> windows = Windows<TfrmGrant>();
    if (windows.size() != 1) return nullptr;
    // Its frame's activation, through the event loop, reads the selection;
    // it must come before the test's box edits, which it drops.
    QCoreApplication::processEvents();
    return windows.front();
  }
  static void SelectGrantee(TfrmGrant& form, const std::string& name) {
    for (int i = 0; i < form.lstUser->topLevelItemCount(); ++i)
      if (form.lstUser->topLevelItem(i)->text(0).toStdString() == name)
        form.lstUser->setCurrentItem(form.lstUser->topLevelItem(i));
  }
  // Per box: "-" disabled, else the state (0 1 2), left then right.
  static std::string Boxes(const TovCheckListBox& list) {
    std::string out;
    for (int i = 0; i < list.count(); ++i) {
      out += list.ItemEnabledL(i) ? std::to_string(list.StateL(i)) : "-";
      out += list.ItemEnabledR(i) ? std::to_string(list.StateR(i)) : "-";
      out += ' ';
    }
    return out;
  }
  static Lines Granted(const TfrmGrant& form) {
    Lines rows;
    for (int i = 0; i < form.lstGrant->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* item = form.lstGrant->topLevelItem(i);
      rows.push_back(item->text(0).toStdString() + " " + Trim(item->text(1).toStdString()) + " " +
                     item->text(2).toStdString() + " " + item->text(3).toStdString());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  using FramesTest::Boxes;
};

TEST_F(GranteeEditorTest, AGrantRunOverTwoTablesGrantsWhatOneHeldAndReadsItBack) {
  TfrmObject* connection = LogonWithObjects();
  SelectTables(*connection, {"T1", "T2"});
  TfrmGrant* form = OpenGrant(*connection);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "権限付与 - ADMIN @ ORVTEST");
  EXPECT_EQ(Granted(*form), (Lines{"ADMIN ALTER YES S1.T1", "ADMIN ALTER YES S1.T2", "ADMIN DELETE YES S1.T1",
                                   "ADMIN DELETE YES S1.T2", "ADMIN DROP YES S1.T1", "ADMIN DROP YES S1.T2",
                                   "ADMIN INDEX YES S1.T1", "ADMIN INDEX YES S1.T2", "ADMIN INSERT YES S1.T1",
                                   "ADMIN INSERT YES S1.T2", "ADMIN SELECT YES S1.T1", "ADMIN SELECT YES S1.T2",
                                   "ADMIN TRIGGER YES S1.T1", "ADMIN TRIGGER YES S1.T2", "ADMIN UPDATE YES S1.T1",
                                   "ADMIN UPDATE YES S1.T2", "R1 INSERT NO S1.T1", "R1 UPDATE NO S1.T1",
                                   "U2 SELECT YES S1.T1"}));
  // Grantees with their pictures, privileges in rows of their own height.
  for (int i = 0; i < form->lstUser->topLevelItemCount(); ++i)
    EXPECT_FALSE(form->lstUser->topLevelItem(i)->icon(0).isNull()) << i;
  EXPECT_EQ(form->chkGrant->visualItemRect(form->chkGrant->item(0)).height(), 16);
  EXPECT_GE(form->findChild<QToolBar*>("tolCmd")->widgetForAction(form->actExec)->width(), kTextButtonWidth);
  // U2 holds SELECT (with the option) on one of the two: greyed boxes.
  SelectGrantee(*form, "U2");
  EXPECT_EQ(Boxes(*form->chkGrant), "00 00 00 -- 00 00 22 00 00 ");
  // Roles have no grant option.
  SelectGrantee(*form, "R1");
  EXPECT_EQ(Boxes(*form->chkGrant), "0- 0- 0- -- 0- 2- 0- 0- 2- ");

  // An activation drops what was not executed.
  SelectGrantee(*form, "U2");
  form->chkGrant->SetStateL(kSelect, cbChecked);
  form->FormActivate();
  EXPECT_EQ(Boxes(*form->chkGrant), "00 00 00 -- 00 00 22 00 00 ");

  form->chkGrant->SetStateL(kSelect, cbChecked);
  form->chkGrant->SetStateR(kSelect, cbUnchecked);
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  form->actExec->trigger();
  EXPECT_EQ(FramesTest::Boxes(), (Lines{"権限を付与しますか？", "権限を付与しました。"}));
  EXPECT_EQ(Journal(), (Lines{"REVOKE SELECT ON TABLE S1.T1 FROM U2", "GRANT SELECT ON TABLE S1.T1 TO U2",
                              "failed: REVOKE SELECT ON TABLE S1.T2 FROM U2", "GRANT SELECT ON TABLE S1.T2 TO U2"}));
  EXPECT_EQ(Boxes(*form->chkGrant), "00 00 00 -- 00 00 10 00 00 ");
  EXPECT_EQ(Value(*connection, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_PRIVILEGES WHERE GRANTEE = 'U2' AND "
                               "PRIVILEGE_TYPE = 'SELECT' AND IS_GRANTABLE = 'NO'"),
            "2");
}

TEST_F(GranteeEditorTest, ATableAProcedureAndAnIndexEachGetOnlyTheirOwnPrivileges) {
  TfrmObject* connection = LogonWithObjects();
  SelectTables(*connection, {"T2"});
  AlsoSelect(*connection, "P1", okProcedure);
  AlsoSelect(*connection, "I1", okIndex);
  TfrmGrant* form = OpenGrant(*connection);
  ASSERT_NE(form, nullptr);
  // The union of the two kinds: every box.
  SelectGrantee(*form, "U3");
  EXPECT_EQ(Boxes(*form->chkGrant), "00 00 00 00 00 00 00 00 00 ");
  const int kDrop = 2, kExecute = 3;
  for (int item : {kDrop, kExecute, kSelect}) form->chkGrant->SetStateL(item, cbChecked);
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  form->actExec->trigger();
  EXPECT_EQ(Journal(), (Lines{"failed: REVOKE DROP ON TABLE S1.T2 FROM U3", "GRANT DROP ON TABLE S1.T2 TO U3",
                              "failed: REVOKE SELECT ON TABLE S1.T2 FROM U3", "GRANT SELECT ON TABLE S1.T2 TO U3",
                              "failed: REVOKE DROP ON PROCEDURE S1.P1 FROM U3", "GRANT DROP ON PROCEDURE S1.P1 TO U3",
                              "failed: REVOKE EXECUTE ON PROCEDURE S1.P1 FROM U3",
                              "GRANT EXECUTE ON PROCEDURE S1.P1 TO U3"}));
  EXPECT_EQ(FramesTest::Boxes().back(), "権限を付与しました。");
  Lines granted;
  for (const std::string& row : Granted(*form))
    if (row.starts_with("U3 ")) granted.push_back(row);
  EXPECT_EQ(granted, (Lines{"U3 DROP NO S1.P1", "U3 DROP NO S1.T2", "U3 EXECUTE NO S1.P1", "U3 SELECT NO S1.T2"}));
  // Held on one of the three selected objects: greyed.
  EXPECT_EQ(Boxes(*form->chkGrant), "00 00 20 20 00 00 20 00 00 ");
}

TEST_F(GranteeEditorTest, NotHeldIsPassedOverAndAnotherErrorEndsTheRun) {
  TfrmObject* connection = LogonWithObjects();
  SelectTables(*connection, {"T1", "T2"});
  TfrmGrant* form = OpenGrant(*connection);
  ASSERT_NE(form, nullptr);
  // R1 holds INSERT on T1 only: clearing it revokes from T2 what it lacks.
  SelectGrantee(*form, "R1");
  const int kInsert = 5, kUpdate = 8;
  form->chkGrant->SetStateL(kInsert, cbUnchecked);
  form->chkGrant->SetStateL(kUpdate, cbUnchecked);
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  form->actExec->trigger();
  EXPECT_EQ(Journal(), (Lines{"REVOKE INSERT ON TABLE S1.T1 FROM ROLE R1", "REVOKE UPDATE ON TABLE S1.T1 FROM ROLE R1",
                              "failed: REVOKE INSERT ON TABLE S1.T2 FROM ROLE R1",
                              "failed: REVOKE UPDATE ON TABLE S1.T2 FROM ROLE R1"}));
  EXPECT_EQ(FramesTest::Boxes().back(), "権限を付与しました。");

  SelectGrantee(*form, "U3");
  form->chkGrant->SetStateL(kSelect, cbChecked);
  form->chkGrant->SetStateR(kSelect, cbChecked);
  symfoware::FailStatementsMatching("^GRANT SELECT ON TABLE S1\\.T1", "JYP2001E 拒否されました");
  symfoware::ClearStatementJournal();
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  form->actExec->trigger();
  EXPECT_EQ(Journal(), (Lines{"failed: GRANT SELECT ON TABLE S1.T1 TO U3 WITH GRANT OPTION"}));
  ASSERT_EQ(FramesTest::Boxes().size(), 2u);
  EXPECT_NE(FramesTest::Boxes()[1].find("JYP2001E"), std::string::npos);
}

TEST_F(GranteeEditorTest, EscStopsTheRunBeforeTheNextObject) {
  TfrmObject* connection = LogonWithObjects();
  SelectTables(*connection, {"T1", "T2"});
  TfrmGrant* form = OpenGrant(*connection);
  ASSERT_NE(form, nullptr);
  SelectGrantee(*form, "U3");
  form->chkGrant->SetStateL(kSelect, cbChecked);
  form->chkGrant->SetStateR(kSelect, cbChecked);
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  auto previous = platform::SetInput(std::make_unique<EscapeAfterAStatement>());
  form->actExec->trigger();
  platform::SetInput(std::move(previous));
  EXPECT_EQ(Journal(), (Lines{"GRANT SELECT ON TABLE S1.T1 TO U3 WITH GRANT OPTION"}));
  EXPECT_EQ(FramesTest::Boxes().back(), "権限を付与しました。");
  EXPECT_EQ(Boxes(*form->chkGrant), "00 00 00 -- 00 00 22 00 00 ");
}

TEST_F(GranteeEditorTest, ARevokeFromTheListCascadesForUsersOnlyAndARoleOpensItsEditor) {
  TfrmObject* connection = LogonWithObjects();
  SelectTables(*connection, {"T1"});
  TfrmGrant* form = OpenGrant(*connection);
  ASSERT_NE(form, nullptr);
  for (int i = 0; i < form->lstGrant->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = form->lstGrant->topLevelItem(i);
    item->setSelected(item->text(0) == "U2" || (item->text(0) == "R1" && item->text(1).trimmed() == "INSERT"));
  }
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES, {true});
  form->popRevoke->trigger();
  EXPECT_EQ(Journal(), (Lines{"REVOKE INSERT ON TABLE S1.T1 FROM ROLE R1", "REVOKE SELECT ON TABLE S1.T1 FROM U2 CASCADE"}));
  EXPECT_EQ(FramesTest::Boxes().back(), "権限を取り消しました。");
  EXPECT_EQ(Granted(*form).size(), 9u);  // ADMIN's eight and R1's UPDATE

  SelectGrantee(*form, "R1");
  emit form->lstUser->itemDoubleClicked(form->lstUser->currentItem(), 0);
  const std::vector<TfrmRole*> roles = Windows<TfrmRole>();
  ASSERT_EQ(roles.size(), 1u);
  EXPECT_EQ(roles.front()->windowTitle().toStdString(), "ROLE - R1 @ ORVTEST");
  // One window per connection: the action brings it forward.
  connection->Action("actGrant")->trigger();
  EXPECT_EQ(Windows<TfrmGrant>().size(), 1u);
}

}  // namespace
}  // namespace testing_objedit
