#include "sqlwork/ftmplate.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <fstream>
#include <set>
#include <stdexcept>

#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "tests/platform/temp_settings.h"
#include "ui/ovstdctl.h"

namespace {

using Lines = std::vector<std::string>;

const char kFile[] =
    "%%%QUERIES\n"
    "【 A 】\n"
    "SELECT <B>\n"
    "【 B 】\n"
    "WHERE <A>\n"
    "%%%OTHER\n"
    "【 C 】\n"
    "c\n";

class TemplateWindow : public testing::Test {
 protected:
  TemplateWindow() : saved_(ProgramDir) {
    ProgramDir = env.Path("program") + "/";
    QDir().mkpath(QString::fromStdString(ProgramDir));
  }
  ~TemplateWindow() override {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (qobject_cast<TfrmTemplate*>(w)) delete w;
    ProgramDir = saved_;
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(ProgramDir + name) << text; }
  // The one template window open, or none.
  static TfrmTemplate* Window() {
    TfrmTemplate* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* form = qobject_cast<TfrmTemplate*>(w)) found = form;
    return found;
  }
  static std::string Current(const TfrmTemplate& form) {
    const QTreeWidgetItem* item = form.lstTemplate->currentItem();
    return item ? item->text(0).toStdString() : std::string();
  }
  static Lines Shown(const TfrmTemplate& form) {
    Lines lines;
    for (int i = 0; i < form.txtSQL->Lines().GetCount(); ++i) lines.push_back(form.txtSQL->Lines().Get(i));
    return lines;
  }
  static int Templates(const TfrmTemplate& form) {
    int count = 0;
    for (int i = 0; i < form.lstTemplate->topLevelItemCount(); ++i)
      count += form.lstTemplate->topLevelItem(i)->childCount();
    return count;
  }

  testing_support::TempSettings env;
  std::string saved_;
};

TEST_F(TemplateWindow, OneFileHidesTheSelectorAndShowsTheChosenTemplateWithItsReferences) {
  Write("V1.tpl", kFile);
  ShowTemplateWindow("");
  TfrmTemplate* form = Window();
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->windowTitle().toStdString(), "SQL リファレンス");
  EXPECT_TRUE(form->cmbVersion->isHidden());
  EXPECT_TRUE(form->lblVersion->isHidden());
  EXPECT_EQ(form->lstTemplate->topLevelItemCount(), 2);
  EXPECT_TRUE(form->lstTemplate->topLevelItem(1)->isExpanded());
  EXPECT_EQ(Templates(*form), 3);
  // The first node selected, no text shown.
  EXPECT_EQ(Current(*form), "QUERIES");
  EXPECT_EQ(form->txtSQL->Lines().GetTextStr(), "");

  form->lstTemplate->setCurrentItem(form->lstTemplate->topLevelItem(0)->child(1));
  QTRY_COMPARE(form->txtSQL->Lines().GetCount(), 4);
  EXPECT_EQ(Shown(*form), (Lines{"【 B 】", "WHERE <A>", "【 A 】", "SELECT <B>"}));
  EXPECT_EQ(form->txtSQL->Row(), 0);

  // Leaving the search box after a change filters the tree again.
  form->txtFind->setText("WHERE");
  QFocusEvent out(QEvent::FocusOut);
  QApplication::sendEvent(form->txtFind, &out);
  EXPECT_EQ(Templates(*form), 2);

  // Closing frees the window, which keeps its place.
  QPointer<TfrmTemplate> closed(form);
  form->resize(321, 234);
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(closed.isNull());
  platform::KeyScope key(AppRegistry);
  ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("TEMPLATE"), false));
  EXPECT_EQ(AppRegistry.ReadIntegerDef("Width", 0), 321);
  EXPECT_EQ(AppRegistry.ReadIntegerDef("Height", 0), 234);
}

// The template file the build puts beside the program.
TEST(ShippedTemplates, EveryTemplateNamedOnceAndGrouped) {
  const TTemplateFile file = ReadTemplateFile(TEST_SOURCE_DIR "/../../orv/ORV.tpl");
  ASSERT_FALSE(file.Index.empty());
  std::set<std::string> names;
  for (const TTemplateEntry& entry : file.Index) {
    EXPECT_FALSE(entry.Name.empty()) << file.Lines[entry.Line];
    EXPECT_TRUE(names.insert(entry.Name).second) << entry.Name;
  }
  EXPECT_EQ(TemplateLineKind(file.Lines.front()), TTemplateLine::Group);
  // SELECT shows the forms it refers to.
  const std::vector<std::string> select = TemplateText(file, 0);
  EXPECT_NE(std::find(select.begin(), select.end(), "【 表名 】"), select.end());
}

TEST_F(TemplateWindow, SearchKeepsMatchingTemplatesAndSelectsTheFirstNamedNode) {
  Write("V1.tpl", kFile);
  Write("V2.tpl", kFile);
  struct Case {
    const char* Search;
    int Templates;
    const char* Selected;
    Lines Shown;
  } const cases[] = {
      // Only B holds WHERE; A keeps it through its reference.
      {"where ", 2, "QUERIES", {}},
      {" other", 0, "OTHER", {}},  // a group name: shown by no template
      {"c", 3, "C", {"【 C 】", "c"}},  // SELECT holds a C too
  };
  for (const Case& c : cases) {
    ShowTemplateWindow(c.Search);
    TfrmTemplate* form = Window();
    ASSERT_NE(form, nullptr) << c.Search;
    EXPECT_FALSE(form->cmbVersion->isHidden());
    EXPECT_EQ(form->cmbVersion->currentText().toStdString(), "V2");
    EXPECT_EQ(form->txtFind->text().toStdString(), Trim(UpperCase(c.Search)));
    EXPECT_EQ(Templates(*form), c.Templates) << c.Search;
    EXPECT_EQ(Current(*form), c.Selected) << c.Search;
    EXPECT_EQ(Shown(*form), c.Shown) << c.Search;
    delete form;
  }
}

TEST_F(TemplateWindow, WithoutATemplateFileNoWindowAppears) {
  EXPECT_THROW(ShowTemplateWindow("X"), std::runtime_error);
  EXPECT_EQ(Window(), nullptr);
  EXPECT_FALSE(AppRegistry.KeyExists(GuiKey("TEMPLATE"))) << "a window never shown keeps no place";
}

}  // namespace
