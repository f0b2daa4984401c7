// The cross-reference frame on the stand-in's catalogue: in the test
// editor's 相関 page for a table, and in a bare window of another kind.
#include "objedit/rcross.h"

#include <gtest/gtest.h>

#include <QToolButton>

#include "app/fobjddl.h"
#include "app/fobject.h"
#include "app/fobjtree.h"
#include "tests/objedit/frames_fixture.h"
#include "tests/objedit/test_editor.h"
#include "ui/ovcomctrls.h"

namespace testing_objedit {
namespace {

class CrossFrameTest : public FramesTest {
 protected:
  CrossFrameTest() { RegisterTestEditor(); }

  TfrmTestEditor* OpenTable(TfrmObject& connection, const std::string& name) {
    return qobject_cast<TfrmTestEditor*>(OpenObject(connection, okTable, "S1", name, kCrossMode, 0, 0));
  }
  // A frame in a window of the kind, loaded for the object.
  TfraCross* LoadIn(TfrmObject& connection, int kind, const std::string& name) {
    auto* form = new TovForm(connection);
    form->SetImageIndex(kind);
    auto* frame = new TfraCross(form);
    frame->Load("S1", name);
    return frame;
  }
  // The level queries each side ran since the journal was cleared.
  static std::pair<int, int> Queries() {
    std::pair<int, int> count{0, 0};
    for (const symfoware::TJournalEntry& e : symfoware::StatementJournal()) {
      count.first += e.Statement.find("REFERENCING_OBJ") != std::string::npos;
      count.second += e.Statement.find("REFERENCED_OBJ") != std::string::npos;
    }
    return count;
  }

  static constexpr uint8_t kCrossMode = 3;
};

TEST_F(CrossFrameTest, TreesNestBothWaysOneQueryPerNodeAndLeaveTheCatalogueOut) {
  TfrmObject* connection = LogonWithObjects();
  TfrmTestEditor* editor = OpenTable(*connection, "T1");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->ActivePage(), TEditorPage::Cross);
  EXPECT_EQ(Tree(*editor->fraCross->lstTree1), (Lines{"S1.T1 45"}));
  EXPECT_EQ(Tree(*editor->fraCross->lstTree2),
            (Lines{"S1.T1 45", " S1.P1 51", " S1.TR1 57", " S1.V1 47", "  S1.V2 47"}));
  EXPECT_TRUE(editor->fraCross->lstTree2->topLevelItem(0)->child(0)->isExpanded());
  // The root and every node within the depth: one query each.
  EXPECT_EQ(Queries(), (std::pair<int, int>{1, 5}));

  // The view on a view reads its view and that view's table; the
  // catalogue table V1 also uses is never shown.
  TfraCross* view = LoadIn(*connection, okView, "V2");
  EXPECT_EQ(Tree(*view->lstTree1), (Lines{"S1.V2 47", " S1.V1 47", "  S1.T1 45"}));
  EXPECT_EQ(Tree(*view->lstTree2), (Lines{"S1.V2 47"}));
  // A trigger uses its event table and the tables of its body.
  TfraCross* trigger = LoadIn(*connection, okTrigger, "TR1");
  EXPECT_EQ(Tree(*trigger->lstTree1), (Lines{"S1.TR1 57", " S1.T1 45", " S1.T2 45"}));
  EXPECT_EQ(Tree(*trigger->lstTree2), (Lines{"S1.TR1 57"}));
  TfraCross* procedure = LoadIn(*connection, okProcedure, "P1");
  EXPECT_EQ(Tree(*procedure->lstTree1), (Lines{"S1.P1 51", " S1.T1 45"}));
  // An object the catalogue does not know has its root alone.
  TfraCross* unknown = LoadIn(*connection, okTable, "NONE");
  EXPECT_EQ(Tree(*unknown->lstTree1), (Lines{"S1.NONE 45"}));
  EXPECT_EQ(Tree(*unknown->lstTree2), (Lines{"S1.NONE 45"}));
}

TEST_F(CrossFrameTest, LevelOneAndARaisedButtonTakeEffectAtTheNextLoad) {
  TfrmObject* connection = LogonWithObjects();
  AppOption.CrossLevel = 1;
  TfrmTestEditor* editor = OpenTable(*connection, "T1");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(Tree(*editor->fraCross->lstTree2),
            (Lines{"S1.T1 45", " S1.P1 51", " S1.TR1 57", " S1.V1 47", "  S1.V2 47"}));
  EXPECT_EQ(Tree(*LoadIn(*connection, okView, "V2")->lstTree1), (Lines{"S1.V2 47", " S1.V1 47"}));

  editor->fraCross->btnTree1View->click();
  EXPECT_FALSE(editor->fraCross->btnTree1View->isChecked());
  EXPECT_EQ(Tree(*editor->fraCross->lstTree2).size(), 5u);
  symfoware::ClearStatementJournal();
  editor->actRefresh->trigger();
  // The views go with what lies below them, and no query ran for them.
  EXPECT_EQ(Tree(*editor->fraCross->lstTree2), (Lines{"S1.T1 45", " S1.P1 51", " S1.TR1 57"}));
  EXPECT_EQ(Queries(), (std::pair<int, int>{1, 3}));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CrossFrameTest, ThePopupWorksOnTheFocusedTreesSelectedNode) {
  TfrmObject* connection = LogonWithObjects();
  TfrmTestEditor* editor = OpenTable(*connection, "T1");
  ASSERT_NE(editor, nullptr);
  TfraCross& frame = *editor->fraCross;
  QTreeWidgetItem* root = frame.lstTree2->topLevelItem(0);
  // Without a focused tree nothing happens.
  frame.popCollapseAll->trigger();
  EXPECT_TRUE(root->isExpanded());
  frame.lstTree2->setFocus();
  frame.lstTree2->setCurrentItem(root);
  frame.popCollapseAll->trigger();
  const QList<QTreeWidgetItem*> views = frame.lstTree2->findItems("S1.V1", Qt::MatchExactly | Qt::MatchRecursive);
  ASSERT_EQ(views.size(), 1);
  EXPECT_FALSE(root->isExpanded());
  EXPECT_FALSE(views.front()->isExpanded());
  frame.popExpand->trigger();
  EXPECT_TRUE(root->isExpanded());
  EXPECT_FALSE(views.front()->isExpanded());
  frame.popExpandAll->trigger();
  EXPECT_TRUE(views.front()->isExpanded());
  frame.popCollapse->trigger();
  EXPECT_FALSE(root->isExpanded());
  EXPECT_TRUE(views.front()->isExpanded());
}

TEST_F(CrossFrameTest, TheConnectionWindowsCrossReferenceOpensTheEditorOnItsCrossPage) {
  TfrmObject* connection = LogonWithObjects();
  // The tree read again (S1 came after the logon), the list of its S1
  // tables filled at once, T1 selected.
  connection->BuildTree();
  QTreeWidgetItem* root = connection->lstTree->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i)
    if (root->child(i)->text(0) == "S1")
      for (int k = 0; k < root->child(i)->childCount(); ++k)
        if (root->child(i)->child(k)->text(0) == "TABLE") connection->lstTree->setCurrentItem(root->child(i)->child(k));
  connection->FillObjectList(true);
  for (int i = 0; i < connection->lstObject->topLevelItemCount(); ++i)
    connection->lstObject->topLevelItem(i)->setSelected(connection->lstObject->topLevelItem(i)->text(0) == "T1");
  connection->mnuObjectClick();
  connection->Action("actCross")->trigger();
  const std::vector<TfrmTestEditor*> editors = Windows<TfrmTestEditor>();
  ASSERT_EQ(editors.size(), 1u);
  EXPECT_EQ(editors.front()->ActivePage(), TEditorPage::Cross);
  EXPECT_EQ(Tree(*editors.front()->fraCross->lstTree2),
            (Lines{"S1.T1 45", " S1.P1 51", " S1.TR1 57", " S1.V1 47", "  S1.V2 47"}));
}

TEST_F(CrossFrameTest, OutsideAnEditorALoadDoesNothing) {
  TfraCross frame;
  frame.Load("S1", "T1");
  EXPECT_EQ(frame.lstTree1->topLevelItemCount(), 0);
}

}  // namespace
}  // namespace testing_objedit
