// The tree, the list and the dispatch inside a real connection window on
// the sample data source.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QTest>
#include <QTreeWidget>

#include <memory>
#include <sstream>

#include "app/fmain.h"
#include "app/fobjddl.h"
#include "app/fobject.h"
#include "app/fobjtree.h"
#include "app/ovforms.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovwhere.h"
#include "app/core/zarur.h"
#include "platform/gui/qtplatform.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/testapp.h"
#include "tests/standin/tools_sample.h"

namespace {

class TableEditor : public TovForm {
 public:
  TableEditor(TovConnectionWindow& owner, const TOpenArgs& args) : TovForm(owner), Args(args) {}
  TOpenArgs Args;
};

class ObjectWindowTest : public ::testing::Test {
 protected:
  ObjectWindowTest() {
    TestApp();
    InitFolders();
    main = std::make_unique<TfrmMain>();  // loads the settings
    main->show();
    AppOption.TypeTable = AppOption.TypeView = AppOption.TypeSeq = true;
    AppOption.TreeData = true;
    AppOption.TempDir = env.Path("temp");
  }
  ~ObjectWindowTest() override {
    main.reset();
    QCoreApplication::processEvents();
  }

  TfrmObject* Logon() {
    return new TfrmObject(main.get(), testing_tools::kSamplePassword, testing_tools::kSampleUser,
                          testing_tools::kSampleDataSource);
  }

  static QTreeWidgetItem* Node(TfrmObject* window, const std::string& schema, const std::string& kind) {
    QTreeWidgetItem* root = window->lstTree->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i) {
      QTreeWidgetItem* s = root->child(i);
      if (s->text(0).toStdString() != schema) continue;
      for (int k = 0; k < s->childCount(); ++k)
        if (s->child(k)->text(0).toStdString() == kind) return s->child(k);
    }
    return nullptr;
  }

  static std::vector<std::string> Names(TfrmObject* window) {
    std::vector<std::string> names;
    for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i)
      names.push_back(window->lstObject->topLevelItem(i)->text(0).toStdString());
    return names;
  }

  testing_tools::SampleDataSource sample;
  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main;
};

TEST_F(ObjectWindowTest, LogonBuildsTheTreeAndASelectedNodeFillsTheListAfterTheDelay) {
  TfrmObject* window = Logon();
  QTreeWidgetItem* root = window->lstTree->topLevelItem(0);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0), "ORVSAMPLE");
  EXPECT_EQ(root->childCount(), 3);
  EXPECT_EQ(window->lstObject->columnCount(), 0);  // the build fills nothing

  window->lstTree->setCurrentItem(Node(window, "SALES", "TABLE"));
  EXPECT_EQ(window->lstObject->topLevelItemCount(), 0);
  QTRY_COMPARE(window->lstObject->topLevelItemCount(), 2);
  EXPECT_EQ(window->ColumnKey, "TABLE");

  // The reload message refills with the find box.
  AppOption.Find = AppOption.FindAuto = true;
  window->cmbFind->setEditText("CUST");
  SendFormMessage(window, kMsgReload);
  EXPECT_EQ(Names(window), (std::vector<std::string>{"CUSTOMER"}));
  window->cmbFind->setEditText("ORD");
  QTest::keyClick(window->cmbFind->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(Names(window), (std::vector<std::string>{"ORDERS"}));
}

TEST_F(ObjectWindowTest, OpenObjectAndGrantsGoThroughTheWindow) {
  RegisterObjectEditor(
      okTable, [](TovConnectionWindow& owner, const TOpenArgs& args) { return new TableEditor(owner, args); },
      nullptr);
  TfrmObject* window = Logon();
  auto* editor = dynamic_cast<TableEditor*>(window->OpenObject(okTablePartition, "SALES", "ORDERS.P1", 0, 0, 10));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Args.Name, "ORDERS");
  EXPECT_EQ(editor->ConnectionWindow, window);
  EXPECT_EQ(FormOwner(editor), window);  // the window's close query asks it

  window->lstTree->setCurrentItem(Node(window, "STOCK", "TABLE"));
  window->FillObjectList(false);
  for (int i = 0; i < window->lstObject->topLevelItemCount(); ++i)
    if (window->lstObject->topLevelItem(i)->text(0) == "ITEM")
      window->lstObject->setCurrentItem(window->lstObject->topLevelItem(i));
  AppOption.Separator = ";";
  ScriptOption.Schema = kSchemaAlways;
  std::ostringstream grants;
  window->WriteGrantDDL("STOCK", grants);
  const std::string guest = "GRANT SELECT ON TABLE STOCK.ITEM TO GUEST\r\n;\r\n";
  EXPECT_EQ(grants.str().substr(0, guest.size()), guest);
  RegisterObjectEditor(okTable, nullptr, nullptr);
}

TEST_F(ObjectWindowTest, AFillEndsWithTheObjectCountAndTheSelectionUpdatesIt) {
  TfrmObject* window = Logon();
  window->lstTree->setCurrentItem(Node(window, "SALES", "TABLE"));
  window->FillObjectList(false);
  EXPECT_EQ(main->StatusPanel(kStatusMessagePanel)->text(), "2個のオブジェクトがあります。");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  window->lstObject->topLevelItem(1)->setSelected(true);
  EXPECT_EQ(main->StatusPanel(kStatusMessagePanel)->text(), "2個中 1個のオブジェクトを選択中。");
}

// What is typed and a close asked for while the list fills are neither lost
// nor taken in the middle of the fill.
TEST_F(ObjectWindowTest, InputAndACloseDuringAFillAreTakenAfterIt) {
  platform::SetInput(platform::MakeQtWindowInput());
  TfrmObject* window = Logon();
  main->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
  window->lstTree->setCurrentItem(Node(window, "SALES", "TABLE"));
  QLineEdit* find = window->cmbFind->lineEdit();
  QString typed;
  QObject::connect(find, &QLineEdit::textChanged, [&](const QString& text) { typed = text; });
  QPointer<TfrmObject> guard(window);
  QCoreApplication::postEvent(find, new QKeyEvent(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x"));
  QCoreApplication::postEvent(main->windowHandle(), new QCloseEvent);
  window->FillObjectList(false);
  EXPECT_EQ(window->lstObject->topLevelItemCount(), 2);
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(typed, "");
  QCoreApplication::processEvents();
  EXPECT_EQ(typed, "X");
  EXPECT_FALSE(main->isVisible());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(guard.isNull());  // closed through its own close
}

// A fill lets timers and messages through between rows; one of them that
// asks for a fill gets it after the running one, never inside it.
TEST_F(ObjectWindowTest, AFillAskedForDuringAFillRunsAfterIt) {
  platform::SetInput(platform::MakeQtWindowInput());
  TfrmObject* window = Logon();
  window->lstTree->setCurrentItem(Node(window, "SALES", "TABLE"));
  QCoreApplication::postEvent(window, new QEvent(static_cast<QEvent::Type>(kMsgReload)));
  int fills = 0;  // each fill empties the list first
  QObject::connect(window->lstObject->model(), &QAbstractItemModel::modelReset, [&] { ++fills; });
  ASSERT_NO_THROW(window->FillObjectList(false));
  EXPECT_EQ(fills, 1);
  EXPECT_EQ(Names(window), (std::vector<std::string>{"CUSTOMER", "ORDERS"}));
  QCoreApplication::processEvents();
  EXPECT_EQ(fills, 2);
  EXPECT_EQ(Names(window), (std::vector<std::string>{"CUSTOMER", "ORDERS"}));
}

TEST_F(ObjectWindowTest, FindBoxIsUpperCaseKeepsWhatWasTypedAndStartsUnfiltered) {
  AppOption.Find = AppOption.FindAuto = true;
  SaveWhereHistory("%", "%", {"ORDERSX", "CUST"});
  TfrmObject* window = Logon();
  EXPECT_EQ(window->cmbFind->count(), 2);
  EXPECT_EQ(window->cmbFind->currentText(), "");  // a restart leaves no filter
  window->lstTree->setCurrentItem(Node(window, "SALES", "TABLE"));
  window->FillObjectList(false);
  EXPECT_EQ(Names(window), (std::vector<std::string>{"CUSTOMER", "ORDERS"}));

  QLineEdit* find = window->cmbFind->lineEdit();
  find->setFocus();
  QTest::keyClicks(find, "ord");
  EXPECT_EQ(find->text(), "ORD");
  QTest::keyClick(find, Qt::Key_Return);
  EXPECT_EQ(window->cmbFind->currentText(), "ORD");
  EXPECT_EQ(Names(window), (std::vector<std::string>{"ORDERS"}));
  EXPECT_EQ(window->cmbFind->itemText(0), "ORD");
}

}  // namespace
