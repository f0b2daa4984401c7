// The sequence editor on the stand-in: a sequence read, stepped forward,
// made again without handing out a number twice, created new, compiled
// from its source page and written as a script.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include <sstream>

#include "objedit/fseq.h"
#include "tests/objedit/objedit_fixture.h"
#include "ui/ovstdctl.h"

namespace testing_objedit {
namespace {

class SequenceEditorTest : public ObjEditTest {
 protected:
  TfrmSeq* Open(TfrmObject& window, const std::string& name, uint8_t mode = 0) {
    TOpenArgs args{"S1", name, kSequenceKind, mode, 0, ""};
    return qobject_cast<TfrmSeq*>(TovObjectEditor::CreateEditor<TfrmSeq>(window, args));
  }
  static std::string NextValue(TfrmObject& window, const std::string& sequence) {
    return Value(window, "SELECT " + sequence + ".NEXTVAL FROM RDBII_SYSTEM.RDBII_ASSISTTABLE");
  }
};

TEST_F(SequenceEditorTest, AnExistingSequenceStepsForwardAndMadeAgainContinuesItsNumbering) {
  TfrmObject* window = Logon();
  window->ExecSQL("CREATE SEQUENCE S1.SQ INCREMENT BY 2 START WITH 5 MAXVALUE 1000 MINVALUE 1 CACHE 20, 0 ORDER");
  TfrmSeq* editor = Open(*window, "SQ");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "SEQUENCE - S1.SQ @ ORVTEST");
  EXPECT_EQ(editor->txtLastNo->text().toStdString(), "5");
  EXPECT_EQ(editor->txtInc->text().toStdString(), "2");
  EXPECT_EQ(editor->txtCacheAlloc->text().toStdString(), "20");
  EXPECT_EQ(editor->txtCacheRetent->text().toStdString(), "");  // a stored 0
  EXPECT_TRUE(editor->chkOrder->isChecked());
  EXPECT_FALSE(editor->chkCycle->isChecked());
  // No NEXTVAL yet: no current value.
  EXPECT_EQ(editor->pnlCurrent->text().toStdString(), "(不明)");
  ASSERT_TRUE(editor->btnInc->isEnabled());
  editor->btnInc->click();
  EXPECT_EQ(editor->pnlCurrent->text().toStdString(), "5");
  editor->actInc->trigger();
  EXPECT_EQ(editor->pnlCurrent->text().toStdString(), "7");

  // A change disables the step until it is compiled.
  Edit(*editor->txtMax, "2000");
  EXPECT_FALSE(editor->actInc->isEnabled());
  EXPECT_FALSE(editor->btnInc->isEnabled());
  symfoware::ClearStatementJournal();
  EXPECT_EQ(PreviewedCompile(*editor),
            (Lines{"DROP SEQUENCE S1.SQ", ";", "CREATE SEQUENCE S1.SQ", "INCREMENT BY 2", "START WITH 9",
                   "MAXVALUE 2000", "MINVALUE 1", "CACHE 20, 0", "ORDER", ";"}));
  EXPECT_EQ(Journal().size(), 2u);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(editor->Changed);
  EXPECT_TRUE(editor->actInc->isEnabled());
  EXPECT_EQ(editor->txtMax->text().toStdString(), "2000");
  // The number after the last one issued, not the first value again.
  EXPECT_EQ(NextValue(*window, "S1.SQ"), "9");

  // Script output keeps the catalogue's first value (and names no schema).
  std::ostringstream script;
  TovObjectEditor::CreateScript<TfrmSeq>(*window, {"S1", "SQ", kSequenceKind, "", "", false}, script);
  EXPECT_EQ(script.str(),
            "CREATE SEQUENCE SQ\r\nINCREMENT BY 2\r\nSTART WITH 9\r\nMAXVALUE 2000\r\nMINVALUE 1\r\n"
            "CACHE 20, 0\r\nORDER\r\n;\r\n");
}

TEST_F(SequenceEditorTest, ANewSequenceIsCreatedFromTheDefaultsAndItsSourcePageRunsWithoutADrop) {
  TfrmObject* window = Logon();
  TfrmSeq* editor = Open(*window, "");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "SEQUENCE - 新規");
  EXPECT_TRUE(editor->pnlCurrent->isHidden());
  EXPECT_TRUE(editor->btnInc->isHidden());
  EXPECT_FALSE(editor->actInc->isEnabled());
  EXPECT_FALSE(editor->pagObject->isTabVisible(editor->pagObject->indexOf(editor->tabGrant)));
  Edit(*editor->txtName, "NQ");
  Edit(*editor->txtCacheAlloc, "20");
  editor->chkCycle->click();
  EXPECT_EQ(PreviewedCompile(*editor),
            (Lines{"CREATE SEQUENCE S1.NQ", "INCREMENT BY 1", "START WITH 1", "MAXVALUE 999999999999999999",
                   "MINVALUE 1", "CYCLE", "CACHE 20, 0", ";"}));
  EXPECT_TRUE(Boxes().empty());
  EXPECT_FALSE(editor->IsNew);
  EXPECT_EQ(editor->windowTitle().toStdString(), "SEQUENCE - S1.NQ @ ORVTEST");
  EXPECT_EQ(Value(*window, "SELECT CYCLE_SPEC || CACHE_VAL || '/' || CACHE_MIN_VAL FROM RDBII_SYSTEM.RDBII_SEQUENCE "
                           "WHERE SEQUENCE_NAME = 'NQ'"),
            "Y20/0");

  // From the source page: the text alone, no DROP before it.
  TfrmSeq* source = editor;
  source->pagObject->setCurrentWidget(source->tabSource);
  EXPECT_EQ(source->txtSource->Lines().Get(0), "CREATE SEQUENCE S1.NQ");
  source->txtSource->Lines().SetTextStr("CREATE SEQUENCE S1.NQ2 START WITH 3\r\n;");
  symfoware::ClearStatementJournal();
  EXPECT_EQ(PreviewedCompile(*source), (Lines{"CREATE SEQUENCE S1.NQ2 START WITH 3", ";"}));
  EXPECT_EQ(Journal(), (Lines{"CREATE SEQUENCE S1.NQ2 START WITH 3"}));
  EXPECT_EQ(NextValue(*window, "S1.NQ2"), "3");
}

}  // namespace
}  // namespace testing_objedit
