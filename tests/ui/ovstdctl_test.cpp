#include "ui/ovstdctl.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "ui/oveditadapter.h"

namespace {

// Three fields in a shown window: first, middle, last.
struct Form {
  QDialog window;
  TovStrEdit* first = new TovStrEdit(&window);
  TovComboBox* middle = new TovComboBox(&window);
  TovNumEdit* last = new TovNumEdit(&window);
  Form() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(first);
    layout->addWidget(middle);
    layout->addWidget(last);
    window.show();
    QApplication::setActiveWindow(&window);
  }
};

}  // namespace

TEST(EditControls, EnterAndArrowsWalkTheFields) {
  Form f;
  f.first->setText("abc");
  f.first->setFocus();
  QTest::keyClick(f.first, Qt::Key_Return);
  EXPECT_TRUE(f.middle->hasFocus());
  QTest::keyClick(f.middle, Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(f.last->hasFocus());
  QTest::keyClick(f.last, Qt::Key_Up);
  EXPECT_TRUE(f.middle->hasFocus());

  f.first->setFocus();
  f.first->setCursorPosition(1);
  QTest::keyClick(f.first, Qt::Key_Left);
  EXPECT_TRUE(f.first->hasFocus()) << "in the middle the caret moves";
  EXPECT_EQ(f.first->cursorPosition(), 0);
  f.first->setSelection(0, 2);
  f.first->setCursorPosition(0);
  f.first->setSelection(2, -2);
  QTest::keyClick(f.first, Qt::Key_Left);
  EXPECT_TRUE(f.first->hasFocus()) << "a selection keeps the focus";
  f.first->end(false);
  QTest::keyClick(f.first, Qt::Key_Right);
  EXPECT_TRUE(f.middle->hasFocus());

  f.middle->setEditable(false);
  f.middle->addItems({"A", "B"});
  f.middle->setFocus();
  QTest::keyClick(f.middle, Qt::Key_Left);
  EXPECT_TRUE(f.first->hasFocus()) << "a drop-down list walks on Left";
}

TEST(EditControls, WantReturnsOffAndWantTabsOn) {
  Form f;
  f.first->WantReturns = false;
  f.first->WantTabs = true;
  f.first->setFocus();
  QTest::keyClick(f.first, Qt::Key_Return);
  QTest::keyClick(f.first, Qt::Key_Tab);
  EXPECT_TRUE(f.first->hasFocus());
}

TEST(EditControls, NumberEditFiltersTypedText) {
  Form f;
  struct Case {
    const char* typed;
    bool allowMinus;
    const char* shown;
  } cases[] = {{"1-2.3.4", false, "123.4"}, {"1-2.3.4", true, "-123.4"}, {"-", true, "-"}, {"-", false, ""}};
  for (const Case& c : cases) {
    f.last->clear();
    f.last->SetAllowMinus(c.allowMinus);
    f.last->setFocus();
    QTest::keyClicks(f.last, c.typed);
    EXPECT_EQ(f.last->text().toStdString(), c.shown) << c.typed;
  }
  f.last->setText("x2.5");
  EXPECT_EQ(f.last->text(), "2.5") << "set text is filtered too";
  EXPECT_EQ(f.last->AsInteger(), 2);
  f.last->setText("3.5");
  EXPECT_EQ(f.last->AsInteger(), 4);
  f.last->clear();
  EXPECT_EQ(f.last->AsInteger(), 0);
  f.last->SetInteger(0);
  EXPECT_EQ(f.last->text(), "");
  f.last->setText("5");
  f.last->SetInteger(0);
  EXPECT_EQ(f.last->text(), "0");
}

TEST(EditControls, CharCaseFollowsTypedAndSetText) {
  Form f;
  f.first->SetCharCase(ecUpperCase);
  f.first->setFocus();
  QTest::keyClicks(f.first, "abc");
  EXPECT_EQ(f.first->text(), "ABC");
  f.first->setText("xY");
  EXPECT_EQ(f.first->text(), "XY");
  f.first->SetCharCase(ecLowerCase);
  EXPECT_EQ(f.first->text(), "xy");
  f.middle->SetCharCase(ecUpperCase);
  f.middle->setFocus();
  QTest::keyClicks(f.middle, "db1");
  EXPECT_EQ(f.middle->currentText(), "DB1");
  f.middle->setEditText("dsn");
  EXPECT_EQ(f.middle->currentText(), "DSN");
  f.middle->SetCharCase(ecNormal);
  QTest::keyClicks(f.middle, "x");
  EXPECT_EQ(f.middle->currentText(), "DSNx");
}

TEST(EditControls, RememberedValues) {
  Form f;
  f.first->setText("  ");
  EXPECT_TRUE(f.first->IsEmpty());
  EXPECT_TRUE(f.first->Modified()) << "blanks against the empty remembered text";
  f.first->SaveText();
  EXPECT_FALSE(f.first->Modified());
  f.last->AutoSave = true;
  f.last->setText("7");
  f.last->setFocus();
  EXPECT_FALSE(f.last->Modified());
  EXPECT_EQ(f.last->selectedText(), "7") << "entering a number edit selects it";

  TovCheckBox box("c", &f.window);
  box.setTristate(true);
  box.setCheckState(Qt::PartiallyChecked);
  EXPECT_TRUE(box.Modified());
  box.SaveState();
  EXPECT_FALSE(box.Modified());
  TovRadioButton radio("r", &f.window);
  radio.setChecked(true);
  EXPECT_TRUE(radio.Modified());
}

TEST(EditControls, GreyWhileDisabled) {
  Form f;
  const QColor face = f.first->palette().color(QPalette::Active, QPalette::Button);
  f.first->setEnabled(false);
  EXPECT_EQ(f.first->palette().color(QPalette::Disabled, QPalette::Base), face);
  EXPECT_EQ(f.middle->palette().color(QPalette::Disabled, QPalette::Base), face);
}

TEST(EditCommands, QtEditsAndCombosAnswerThroughTheAdapter) {
  Form f;
  f.first->setText("hello");
  f.first->setSelection(0, 4);
  auto commands = EditCommandsOf(f.first);
  ASSERT_TRUE(commands);
  EXPECT_TRUE(commands->HasSelection());
  commands->ReplaceSelection("j");
  EXPECT_EQ(f.first->text(), "jo");
  EXPECT_TRUE(commands->CanUndo());
  commands->Undo(false);
  EXPECT_EQ(f.first->text(), "hello");
  commands->SelectAll();
  commands->CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), "hello");
  commands->ClearSelection();
  EXPECT_EQ(f.first->text(), "");
  f.middle->setEditText("db");
  EXPECT_FALSE(EditCommandsOf(f.middle)->ReadOnly());
  f.middle->setEditable(false);
  EXPECT_EQ(EditCommandsOf(f.middle), nullptr);

  TovListBox list(&f.window);
  list.addItems({"a", "b", "c"});
  list.setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto listCommands = EditCommandsOf(&list);
  ASSERT_TRUE(listCommands);
  EXPECT_TRUE(listCommands->ReadOnly());
  listCommands->SelectAll();
  EXPECT_EQ(list.selectedItems().size(), 3);
  list.clearSelection();
  list.setSelectionMode(QAbstractItemView::SingleSelection);
  listCommands->SelectAll();
  EXPECT_EQ(list.selectedItems().size(), 0);
}
