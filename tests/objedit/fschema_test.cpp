// The schema editor on the stand-in: a new schema with its comment, a
// comment changed by dropping and creating the schema again, refused while
// the schema holds a table, and the delete with its CASCADE option.
#include <gtest/gtest.h>

#include "objedit/fschema.h"
#include "tests/objedit/objedit_fixture.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class SchemaEditorTest : public ObjEditTest {
 protected:
  TfrmSchema* Open(TfrmObject& window, const std::string& name) {
    TOpenArgs args{"", name, kSchemaKind, 0, 0, ""};
    return qobject_cast<TfrmSchema*>(TovObjectEditor::CreateEditor<TfrmSchema>(window, args));
  }
  static std::string Comment(TfrmObject& window, const std::string& schema) {
    return Value(window,
                 "SELECT C.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COMMENT C, RDBII_SYSTEM.RDBII_SCHEMA S WHERE "
                 "C.SCHEMA_CODE = S.SCHEMA_CODE AND C.COMMENT_TYPE = 'SC' AND S.SCHEMA_NAME = '" + schema + "'");
  }
};

TEST_F(SchemaEditorTest, ACommentKeepsItsCaseAndAChangeIsRefusedWhileTheSchemaHoldsATable) {
  TfrmObject* window = Logon();
  TfrmSchema* editor = Open(*window, "");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "SCHEMA - 新規");
  Edit(*editor->txtName, "s2");
  Edit(*editor->txtComment, "Sales data");
  EXPECT_EQ(PreviewedCompile(*editor), (Lines{"CREATE SCHEMA S2", " COMMENT 'Sales data'", ";"}));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(editor->windowTitle().toStdString(), "SCHEMA - S2 @ ORVTEST");
  EXPECT_EQ(Comment(*window, "S2"), "Sales data");

  // An empty schema takes a new comment by being made again.
  Edit(*editor->txtComment, "Sales 'old' data");
  EXPECT_EQ(PreviewedCompile(*editor),
            (Lines{"DROP SCHEMA S2", ";", "CREATE SCHEMA S2", " COMMENT 'Sales ''old'' data'", ";"}));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_EQ(Comment(*window, "S2"), "Sales 'old' data");
  EXPECT_EQ(editor->txtComment->text().toStdString(), "Sales 'old' data");

  // Holding a table, the DROP is refused and nothing is lost.
  window->ExecSQL("CREATE TABLE S2.T (C1 INTEGER)");
  window->ExecSQL("INSERT INTO S2.T VALUES (1)");
  Edit(*editor->txtComment, "Other");
  EXPECT_EQ(PreviewedCompile(*editor, true).front(), "DROP SCHEMA S2");
  EXPECT_EQ(Comment(*window, "S2"), "Sales 'old' data");
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM S2.T"), "1");

  // The source page puts the DROP before the edited text.
  TfrmSchema* other = Open(*window, "S1");
  ASSERT_NE(other, nullptr);
  other->pagObject->setCurrentWidget(other->tabSource);
  EXPECT_EQ(other->txtSource->Lines().Get(0), "CREATE SCHEMA S1");
  other->txtSource->Lines().SetTextStr("CREATE SCHEMA S1 COMMENT 'x'\r\n;");
  EXPECT_EQ(PreviewedCompile(*other), (Lines{"DROP SCHEMA S1", ";", "CREATE SCHEMA S1 COMMENT 'x'", ";"}));
  EXPECT_EQ(Comment(*window, "S1"), "x");
}

TEST_F(SchemaEditorTest, DeleteOffersCascadeClearAndWithItDropsWhatTheSchemaHolds) {
  TfrmObject* window = Logon();
  window->ExecSQL("CREATE SCHEMA S3");
  window->ExecSQL("CREATE TABLE S3.T (C1 INTEGER)");
  window->ExecSQL("CREATE SEQUENCE S3.Q");
  TfrmSchema* editor = Open(*window, "S3");
  ASSERT_NE(editor, nullptr);
  // Without CASCADE the server refuses and the window stays.
  env.Dialogs().QueueMessage(IDYES, {false});
  editor->actDelete->trigger();
  ASSERT_GE(env.Dialogs().messages.size(), 2u);
  EXPECT_EQ(env.Dialogs().messages[0].text, "オブジェクトを削除しますか？");
  ASSERT_EQ(env.Dialogs().messages[0].checks.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].checks[0].caption, "CASCADE オプション");
  EXPECT_FALSE(env.Dialogs().messages[0].checks[0].checked);
  EXPECT_NE(env.Dialogs().messages[1].text.find("JYP9021E"), std::string::npos);
  EXPECT_EQ(Windows<TfrmSchema>().size(), 1u);
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES, {true});
  editor->actDelete->trigger();
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE SCHEMA_NAME = 'S3'"), "0");
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = 'S3'"), "0");
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_SEQUENCE WHERE SCHEMA_NAME = 'S3'"), "0");
  // Made again, the schema starts empty.
  window->ExecSQL("CREATE SCHEMA S3");
  window->ExecSQL("CREATE TABLE S3.T (C2 INTEGER)");
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM S3.T"), "0");
}

}  // namespace
}  // namespace testing_objedit
