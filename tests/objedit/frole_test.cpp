// The role editor on the stand-in: a new role created with a member, its
// members granted and revoked one by one, and its object privileges
// revoked until one fails.
#include <gtest/gtest.h>

#include <QAction>

#include "objedit/frole.h"
#include "tests/objedit/frames_fixture.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class RoleEditorTest : public FramesTest {
 protected:
  ~RoleEditorTest() override { symfoware::ClearStatementFailures(); }
  TfrmRole* Open(TfrmObject& window, const std::string& name) {
    TOpenArgs args{"", name, kRoleKind, 0, 0, ""};
    return qobject_cast<TfrmRole*>(TovObjectEditor::CreateEditor<TfrmRole>(window, args));
  }
  // Each member with "+" when ticked and "#" when locked.
  static Lines Members(const TfrmRole& editor) {
    Lines members;
    for (int i = 0; i < editor.chkUser->count(); ++i) {
      const QListWidgetItem* item = editor.chkUser->item(i);
      members.push_back(item->text().toStdString() + (item->checkState() == Qt::Checked ? "+" : "") +
                        ((item->flags() & Qt::ItemIsEnabled) ? "" : "#"));
    }
    return members;
  }
  static void Toggle(TfrmRole& editor, const std::string& name) {
    QListWidgetItem* item = editor.chkUser->findItems(QString::fromStdString(name), Qt::MatchExactly).front();
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  }
  static Lines Items(const TfrmRole& editor) {
    Lines items;
    for (int i = 0; i < editor.lstObj->count(); ++i) items.push_back(editor.lstObj->item(i)->text().toStdString());
    return items;
  }
};

TEST_F(RoleEditorTest, ANewRoleGetsAMemberAndItsMembersChangeOneByOne) {
  TfrmObject* window = LogonWithObjects();
  TfrmRole* editor = Open(*window, "");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "ROLE - 新規");
  EXPECT_EQ(Members(*editor), (Lines{"ADMIN+#", "U2", "U3", "PUBLIC"}));
  Edit(*editor->txtName, "R2");
  Toggle(*editor, "U2");
  EXPECT_EQ(PreviewedCompile(*editor), (Lines{"CREATE ROLE R2", ";", "GRANT R2 TO U2", ";"}));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(editor->windowTitle().toStdString(), "ROLE - R2 @ ORVTEST");
  // Reloaded as the catalogue has it: the grantor locked, the member ticked.
  EXPECT_EQ(Members(*editor), (Lines{"ADMIN+#", "U2+", "U3", "PUBLIC"}));

  Toggle(*editor, "U2");
  Toggle(*editor, "PUBLIC");
  EXPECT_EQ(PreviewedCompile(*editor), (Lines{"REVOKE R2 FROM U2", ";", "GRANT R2 TO PUBLIC", ";"}));
  EXPECT_EQ(Members(*editor), (Lines{"ADMIN+#", "U2", "U3", "PUBLIC+"}));

  Toggle(*editor, "U3");
  Toggle(*editor, "U3");
  ASSERT_TRUE(editor->Changed);
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), (Lines{"変更箇所が見つかりませんでした。"}));
}

TEST_F(RoleEditorTest, RevokingThreePrivilegesStopsAtTheFailingOneAndListsWhatIsLeft) {
  TfrmObject* window = LogonWithObjects();
  window->ExecSQL("GRANT SELECT ON TABLE S1.T2 TO ROLE R1");
  TfrmRole* editor = Open(*window, "R1");
  ASSERT_NE(editor, nullptr);
  const Lines held = Items(*editor);
  ASSERT_EQ(held.size(), 3u);
  // The source page's script creates the role with its privileges.
  editor->pagObject->setCurrentWidget(editor->tabSource);
  EXPECT_EQ(editor->txtSource->Lines().Get(0), "CREATE ROLE R1");
  EXPECT_EQ(editor->txtSource->Lines().Get(2), "GRANT " + held[0] + " TO ROLE R1");

  editor->lstObj->selectAll();
  symfoware::FailStatementsMatching("^REVOKE " + held[1].substr(0, held[1].find(' ')) + " ON TABLE S1\\." +
                                        held[1].substr(held[1].rfind('.') + 1),
                                    "JYP2001E 拒否されました");
  env.Dialogs().QueueMessage(IDYES);
  editor->popRevoke->trigger();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0], "オブジェクト権限を取り消しますか？");
  EXPECT_NE(Boxes()[1].find("JYP2001E"), std::string::npos);
  EXPECT_EQ(Items(*editor), (Lines{held[1], held[2]}));

  symfoware::ClearStatementFailures();
  env.Dialogs().messages.clear();
  editor->lstObj->selectAll();
  env.Dialogs().QueueMessage(IDYES);
  editor->popRevoke->trigger();
  EXPECT_EQ(Boxes(), (Lines{"オブジェクト権限を取り消しますか？", "権限を取り消しました。"}));
  EXPECT_TRUE(Items(*editor).empty());
}

}  // namespace
}  // namespace testing_objedit
