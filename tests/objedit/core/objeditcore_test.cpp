#include "objedit/core/objeditcore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

const TEditorKind kSequence{58, "SEQUENCE - ", true, "SEQ", "DROP SEQUENCE ", true};
const TEditorKind kRole{68, "ROLE - ", false, "ROLE", "DROP ROLE ", false};

TEST(EditorRules, CaptionsOfExistingAndNewObjects) {
  EXPECT_EQ(EditorCaption(kSequence, "S1", "Q1", "DB1", false), "SEQUENCE - S1.Q1 @ DB1");
  EXPECT_EQ(EditorCaption(kRole, "", "R1", "DB1", false), "ROLE - R1 @ DB1");
  EXPECT_EQ(EditorCaption(kSequence, "S1", "", "DB1", true), "SEQUENCE - 新規");
  EXPECT_EQ(EditorTaskCaption("Q1", false), "Q1");
  EXPECT_EQ(EditorTaskCaption("Q1", true), "新規");
}

TEST(EditorRules, PageModesStartOnTheirPage) {
  EXPECT_EQ(PageOfMode(kTablePageModes, 2), TEditorPage::Data);
  EXPECT_EQ(PageOfMode(kTriggerPageModes, 2), TEditorPage::Define);
  EXPECT_EQ(PageOfMode(kRoutinePageModes, 0), TEditorPage::Source);
  EXPECT_EQ(PageOfMode(kSequencePageModes, 4), TEditorPage::Grant);
  EXPECT_EQ(PageOfMode(kPlainPageModes, 1), TEditorPage::Source);
  EXPECT_EQ(PageOfMode(kTablePageModes, 9), TEditorPage::Define);
  // Past the five modes each editor starts on its own first page.
  EXPECT_EQ(PageOfMode(kRoutinePageModes, 9), TEditorPage::Source);
  EXPECT_EQ(PageOfMode(kIndexPageModes, 5), TEditorPage::Storage);
  EXPECT_EQ(PageOfMode(kIndexPageModes, 2), TEditorPage::Define);
}

TEST(EditorRules, TheSchemaAskedForIsKept) {
  const std::vector<std::string> own{"S1", "S2"};
  EXPECT_EQ(EditorSchema(own, "S2"), "S2");
  // Another user's schema: the object of that schema, never one of the user's.
  EXPECT_EQ(EditorSchema(own, "OTHER"), "OTHER");
  EXPECT_EQ(EditorSchema(own, ""), "S1");
  EXPECT_EQ(EditorSchema({}, ""), "");
}

TEST(EditorRules, DropStatementsQuoteTheirNames) {
  AppOption.UserLowerName = false;
  EXPECT_EQ(DropStatement(kSequence, "S1", "Q1", false), "DROP SEQUENCE S1.Q1");
  EXPECT_EQ(DropStatement(kSequence, "S1", "q 1", true), "DROP SEQUENCE S1.\"q 1\" CASCADE");
  EXPECT_EQ(DropStatement(kRole, "", "R1", false), "DROP ROLE R1");
}

}  // namespace
