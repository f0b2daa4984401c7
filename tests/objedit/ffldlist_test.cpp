#include "objedit/ffldlist.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <functional>

#include "app/core/ovreg.h"
#include "tests/objedit/objedit_fixture.h"
#include "tests/platform/whenshown.h"

namespace testing_objedit {
namespace {

using testing_support::WhenShown;

Lines Items(const QListWidget* list) {
  Lines items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
  return items;
}

void Select(QListWidget* list, const std::string& name) {
  list->clearSelection();
  list->findItems(QString::fromStdString(name), Qt::MatchExactly).front()->setSelected(true);
}

class FieldListTest : public ObjEditTest {
 protected:
  TfrmObject* LogonWithTable() {
    TfrmObject* connection = Logon();
    connection->ExecSQL("CREATE TABLE S1.T1 (A INTEGER, B INTEGER, C INTEGER)");
    return connection;
  }
  // The caller's list after a session of the dialog with `steps`.
  Lines Choose(TfrmObject& connection, Lines list, std::function<void(TfrmFieldList&)> steps) {
    WhenShown<TfrmFieldList>(steps);
    ShowFieldList(connection, "S1", "T1", list);
    return list;
  }
};

TEST_F(FieldListTest, ChoicesComeBackInTheOrderTheyWereAdded) {
  TfrmObject* connection = LogonWithTable();
  std::string caption;
  Lines selected, available;
  const Lines chosen = Choose(*connection, {"b"}, [&](TfrmFieldList& form) {
    caption = form.windowTitle().toStdString();
    selected = Items(form.lstSelect);
    available = Items(form.lstAll);
    Select(form.lstSelect, "B");
    QTest::keyClick(form.lstSelect, Qt::Key_Delete);
    Select(form.lstAll, "C");
    form.btnIns->click();
    Select(form.lstAll, "A");
    QTest::keyClick(form.lstAll, Qt::Key_Return);
    form.btnSelect->click();
  });
  EXPECT_EQ(caption, "項目一覧 - S1.T1 @ ORVTEST");
  EXPECT_EQ(selected, Lines{"B"});
  EXPECT_EQ(available, (Lines{"A", "C"}));
  EXPECT_EQ(chosen, (Lines{"C", "A"}));
}

TEST_F(FieldListTest, NothingChosenCancelAndAllChosenLeaveTheCallersList) {
  TfrmObject* connection = LogonWithTable();
  const Lines callers{"\"B\"", "NOSUCH"};
  struct Case {
    const char* name;
    std::function<void(TfrmFieldList&)> steps;
  };
  const Case cases[] = {
      {"all moved back", [](TfrmFieldList& form) {
         form.btnDelAll->click();
         form.btnSelect->click();
       }},
      {"cancel", [](TfrmFieldList& form) {
         form.btnInsAll->click();
         form.btnExit->click();
       }},
  };
  for (const Case& c : cases) EXPECT_EQ(Choose(*connection, callers, c.steps), callers) << c.name;
  // Every column chosen opens as none chosen.
  Lines selected;
  Choose(*connection, {"A", "B", "C"}, [&](TfrmFieldList& form) {
    selected = Items(form.lstSelect);
    EXPECT_EQ(Items(form.lstAll), (Lines{"A", "B", "C"}));
    form.btnExit->click();
  });
  EXPECT_TRUE(selected.empty());
}

TEST_F(FieldListTest, AFailingCatalogueReadShowsItsMessageAndNoDialog) {
  TfrmObject* connection = LogonWithTable();
  connection->ExecSQL("ALTER TABLE RDBII_SYSTEM.RDBII_COLUMN RENAME TO RDBII_COLUMN_AWAY");
  Lines list{"A"};
  ShowFieldList(*connection, "S1", "T1", list);
  EXPECT_EQ(list, Lines{"A"});
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("RDBII_COLUMN"), std::string::npos) << Boxes()[0];
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(FieldListTest, AStoredMinimisedStateOpensNormalWithTheStoredSize) {
  TfrmObject* connection = LogonWithTable();
  constexpr int kWidth = 500, kHeight = 360, kMinimised = 1;
  {
    platform::KeyScope scope(AppRegistry);
    ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("FIELDLIST"), true));
    AppRegistry.WriteInteger("WindowState", kMinimised);
    AppRegistry.WriteInteger("Width", kWidth);
    AppRegistry.WriteInteger("Height", kHeight);
  }
  QSize size;
  bool normal = false;
  Choose(*connection, {}, [&](TfrmFieldList& form) {
    size = form.size();
    normal = form.windowState() == Qt::WindowNoState;
    form.btnExit->click();
  });
  EXPECT_TRUE(normal);
  EXPECT_EQ(size, QSize(kWidth, kHeight));
}

}  // namespace
}  // namespace testing_objedit
