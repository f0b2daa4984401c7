// The privilege frame on the stand-in: the test editor's 権限 page for a
// table, its marks from the catalogue, edits through the check list, the
// compile that runs its statements and the reload that reads them back.
#include "objedit/rgrant.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>

#include "app/fobjddl.h"
#include "objedit/fddlexec.h"
#include "tests/objedit/frames_fixture.h"
#include "tests/objedit/test_editor.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"

namespace testing_objedit {
namespace {

// Table columns: ALTER DELETE DROP INDEX INSERT SELECT TRIGGER UPDATE.
constexpr int kDelete = 1;
constexpr int kSelect = 5;
constexpr int kUpdate = 7;

class GrantFrameTest : public FramesTest {
 protected:
  GrantFrameTest() {
    RegisterTestEditor();
    TfrmTestEditor::NextVariant = TCompileVariant::Previewed;
    AppOption.ShowDDL = false;
    AppOption.CloseDDL = true;
  }

  TfrmTestEditor* OpenTable(TfrmObject& connection) {
    return qobject_cast<TfrmTestEditor*>(OpenObject(connection, okTable, "S1", "T1", kGrantMode, 0, 0));
  }
  // The editor on T1's 権限 page, every grantee listed.
  TfrmTestEditor* OpenShowingAll() {
    TfrmTestEditor* editor = OpenTable(*LogonWithObjects());
    if (!editor) return nullptr;
    editor->fraGrant->SetShowMode(1);
    editor->actRefresh->trigger();
    return editor;
  }
  // "<name> <image> <marks>" per row of the list as shown.
  static Lines Shown(TfraGrant& frame) {
    Lines out;
    for (int r = 0; r < frame.lstGrant->topLevelItemCount(); ++r) {
      QTreeWidgetItem* item = frame.lstGrant->topLevelItem(r);
      std::string marks;
      for (int c = 1; c < frame.lstGrant->columnCount(); ++c)
        marks += item->text(c).isEmpty() ? "-" : item->text(c).toStdString();
      out.push_back(item->text(0).toStdString() + " " + std::to_string(frame.Rows()[static_cast<size_t>(r)].Image) +
                    " " + marks);
    }
    return out;
  }
  static void Select(TfraGrant& frame, const Lines& names) {
    frame.lstGrant->clearSelection();
    for (int r = 0; r < frame.lstGrant->topLevelItemCount(); ++r)
      for (const std::string& name : names)
        if (frame.lstGrant->topLevelItem(r)->text(0).toStdString() == name)
          frame.lstGrant->topLevelItem(r)->setSelected(true);
  }

  static constexpr uint8_t kGrantMode = 4;
};

TEST_F(GrantFrameTest, MarksComeFromTheCatalogueInBothShowModes) {
  TfrmObject* connection = LogonWithObjects();
  TfrmTestEditor* editor = OpenTable(*connection);
  ASSERT_NE(editor, nullptr);
  TfraGrant& frame = *editor->fraGrant;
  Lines headers;
  for (int c = 0; c < frame.lstGrant->columnCount(); ++c)
    headers.push_back(frame.lstGrant->headerItem()->text(c).toStdString());
  EXPECT_EQ(headers,
            (Lines{"ユーザー名", "ALTER", "DELETE", "DROP", "INDEX", "INSERT", "SELECT", "TRIGGER", "UPDATE"}));
  EXPECT_EQ(frame.chkGrant->count(), 8);
  // The owner holds every privilege with the grant option; a role never
  // shows "G".
  EXPECT_EQ(Shown(frame), (Lines{"ADMIN 3 GGGGGGGG", "U2 2 -----G--", "R1 68 ----*--*"}));
  EXPECT_FALSE(frame.chkGrant->isEnabled());

  // Switching the mode reloads the editor, which fills the frame anew.
  frame.rdoShowMode->findChildren<QRadioButton*>().at(1)->click();
  EXPECT_EQ(Shown(frame),
            (Lines{"ADMIN 3 GGGGGGGG", "U2 2 -----G--", "U3 2 --------", "PUBLIC 2 --------", "R1 68 ----*--*"}));
  // A view nobody was given anything on: the owner alone in mode 0.
  connection->ExecSQL("DELETE FROM RDBII_SYSTEM.RDBII_PRIVILEGES WHERE GRANTEE = 'ADMIN'");
  editor->actRefresh->trigger();
  EXPECT_EQ(Shown(frame),
            (Lines{"ADMIN 3 --------", "U2 2 -----G--", "U3 2 --------", "PUBLIC 2 --------", "R1 68 ----*--*"}));
  frame.rdoShowMode->findChildren<QRadioButton*>().at(0)->click();
  EXPECT_EQ(Shown(frame), (Lines{"U2 2 -----G--", "R1 68 ----*--*"}));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(GrantFrameTest, ChangedMarksRunAsStatementsAndReadBackTheSame) {
  TfrmTestEditor* editor = OpenShowingAll();
  ASSERT_NE(editor, nullptr);
  TfraGrant& frame = *editor->fraGrant;

  // Two rows: SELECT held by one of them shows greyed.
  Select(frame, {"U2", "R1"});
  EXPECT_TRUE(frame.chkGrant->isEnabled());
  EXPECT_EQ(frame.chkGrant->StateL(kSelect), cbGrayed);
  EXPECT_EQ(frame.chkGrant->StateR(kSelect), cbGrayed);
  EXPECT_EQ(frame.chkGrant->StateL(kDelete), cbUnchecked);
  // DELETE for both; the greyed SELECT keeps each row's mark.
  frame.chkGrant->ToggleL(kDelete);
  EXPECT_TRUE(editor->Changed);
  EXPECT_TRUE(editor->actCompile->isEnabled());
  // U2 keeps SELECT without the grant option; R1 loses UPDATE; U3 gets
  // SELECT with it; PUBLIC gets UPDATE.
  Select(frame, {"U2"});
  frame.chkGrant->ToggleR(kSelect);
  Select(frame, {"R1"});
  frame.chkGrant->ToggleL(kUpdate);
  Select(frame, {"U3"});
  frame.chkGrant->ToggleR(kSelect);
  Select(frame, {"PUBLIC"});
  frame.chkGrant->ToggleL(kUpdate);
  const Lines edited{"ADMIN 3 GGGGGGGG", "U2 2 -*---*--", "U3 2 -----G--", "PUBLIC 2 -------*", "R1 68 -*--*---"};
  EXPECT_EQ(Shown(frame), edited);

  symfoware::ClearStatementJournal();
  editor->actCompile->trigger();
  EXPECT_EQ(Journal(),
            (Lines{"GRANT DELETE ON TABLE S1.T1 TO U2", "REVOKE GRANT OPTION FOR SELECT ON TABLE S1.T1 FROM U2",
                   "GRANT SELECT ON TABLE S1.T1 TO U3 WITH GRANT OPTION", "GRANT UPDATE ON TABLE S1.T1 TO PUBLIC",
                   "GRANT DELETE ON TABLE S1.T1 TO ROLE R1", "REVOKE UPDATE ON TABLE S1.T1 FROM ROLE R1"}));
  EXPECT_TRUE(TfrmDDLExec::Windows().empty());
  // The compile reloaded the page from the catalogue.
  EXPECT_EQ(Shown(frame), edited);
  EXPECT_FALSE(editor->Changed);
  symfoware::ClearStatementJournal();
  Lines list;
  frame.BuildGrantDDL(list);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(GrantFrameTest, EditsAndStatementsFollowTheListAfterAHeaderClickSortsIt) {
  TfrmTestEditor* editor = OpenShowingAll();
  ASSERT_NE(editor, nullptr);
  TfraGrant& frame = *editor->fraGrant;
  emit frame.lstGrant->header()->sectionClicked(0);
  Select(frame, {"U3", "PUBLIC"});
  frame.chkGrant->ToggleL(kDelete);
  EXPECT_EQ(Shown(frame),
            (Lines{"U3 2 -*------", "U2 2 -----G--", "R1 68 ----*--*", "PUBLIC 2 -*------", "ADMIN 3 GGGGGGGG"}));
  Lines list;
  frame.BuildGrantDDL(list);
  EXPECT_EQ(list, (Lines{"GRANT DELETE ON TABLE S1.T1 TO U3", ";", "GRANT DELETE ON TABLE S1.T1 TO PUBLIC", ";"}));
}

}  // namespace
}  // namespace testing_objedit
