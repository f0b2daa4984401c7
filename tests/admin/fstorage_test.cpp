// The database space usage list as the running program opens it from
// "管理(&A)" and from the tree pop-up, on the stand-in sample: rdbspcinf in
// KB and MB, the usage bars, the column choice kept, the editor it opens,
// the scripts and the drops in passes; and the whole path of a space made
// from it, listed, granted and dropped.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "admin/core/ftbscore.h"
#include "admin/fstorage.h"
#include "admin/ftbs.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovreg.h"
#include "tests/admin/admin_fixture.h"
#include "tests/platform/escape_at.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"

namespace testing_admin {
namespace {

class StorageListTest : public AdminProgram {
 protected:
  StorageListTest() {
    connection = Logon();
    AppOption.Separator = ";";
    QDir().mkpath(QString::fromStdString(AppOption.TempDir));
    list = OpenFromMenu<TfrmStorage>(kAdminStorageAction);
  }
  ~StorageListTest() override { SetScriptOutputDialog(nullptr); }

  Lines Row(const std::string& name) const {
    for (int i = 0; i < list->lstObject->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = list->lstObject->topLevelItem(i);
      if (row->text(0).toStdString() != name) continue;
      Lines texts;
      for (int c = 0; c < list->lstObject->columnCount(); ++c) texts.push_back(row->text(c).toStdString());
      return texts;
    }
    return {};
  }
  Lines Names() const {
    Lines names;
    for (int i = 0; i < list->lstObject->topLevelItemCount(); ++i)
      names.push_back(list->lstObject->topLevelItem(i)->text(0).toStdString());
    return names;
  }
  Lines Headers() const {
    Lines titles;
    for (int c = 0; c < list->lstObject->columnCount(); ++c)
      titles.push_back(list->lstObject->headerItem()->text(c).toStdString());
    return titles;
  }
  void Select(const Lines& names) {
    list->lstObject->clearSelection();
    for (int i = 0; i < list->lstObject->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = list->lstObject->topLevelItem(i);
      if (std::find(names.begin(), names.end(), row->text(0).toStdString()) != names.end()) row->setSelected(true);
    }
  }
  // Makes spaces as rdbddlex does, through the program's runner.
  void MakeSpaces(const Lines& names) {
    for (const std::string& name : names) {
      TTbsInput input;
      input.Name = name;
      input.Device = "/data/" + name;
      input.Size = "1";
      ASSERT_TRUE(RunRdbddlex(AppOption.TempDir, kCreateControlFile, TbsCreateLines(input), "ORVSAMPLE",
                              SpaceToolRunner(*connection)))
          << name;
    }
  }
  static std::string Read(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "missing " + path;
  }

  TfrmObject* connection = nullptr;
  TfrmStorage* list = nullptr;
};

TEST_F(StorageListTest, TheSpacesInKilobytesAndMegabytes) {
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->windowTitle().toStdString(), "データベーススペース情報 - ORVUSER @ ORVSAMPLE");
  EXPECT_EQ(Headers(), (Lines{"領域名", "デバイス", "サイズ", "Static allocate", "Dynamic allocate", "空き容量", "使用率"}));
  EXPECT_EQ(list->cmbSize->currentText().toStdString(), "KB");
  const Lines kb = Row("DBSPACE1");
  ASSERT_EQ(kb.size(), 7u);
  EXPECT_EQ(kb[1], "/standin/dbspace/DBSPACE1");
  EXPECT_EQ(kb[2], "102400");
  EXPECT_EQ(kb[4], "0");
  EXPECT_EQ(std::stoll(kb[3]) + std::stoll(kb[5]), 102400) << "static and free fill the space";

  list->cmbSize->setCurrentText("MB");
  const Lines mb = Row("DBSPACE1");
  ASSERT_EQ(mb.size(), 7u);
  EXPECT_EQ(mb[2], "100.000");
  EXPECT_EQ(mb[6], kb[6]) << "the ratio does not depend on the unit";
  EXPECT_TRUE(Boxes().empty());

  // The tree pop-up brings the logon's list forward.
  connection->Action("actStorage")->trigger();
  EXPECT_EQ(Windows<TfrmStorage>().size(), 1u);
}

TEST_F(StorageListTest, AFailedReportLeavesTheListEmpty) {
  ASSERT_NE(list, nullptr);
  for (const char* fail : {"rdbspcinf:nospace", "rdbspcinf:silent"}) {
    env.Dialogs().messages.clear();
    setenv("SYMFOWARE_TOOL_FAIL", fail, 1);
    list->actRefresh->trigger();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    EXPECT_EQ(list->lstObject->topLevelItemCount(), 0) << fail;
    EXPECT_EQ(Boxes(), Lines{"コマンド情報を取得できませんでした。"}) << fail;
  }
}

// Three quarters used: blue over three quarters of the cell, magenta after.
TEST_F(StorageListTest, TheUsageBarIsDrawn) {
  ASSERT_NE(list, nullptr);
  ASSERT_GT(list->lstObject->topLevelItemCount(), 0);
  const int usage = list->lstObject->columnCount() - 1;
  const struct {
    const char* text;
    int blueUpTo;  // the blue part's width, in pixels of 100
  } cases[] = {{"0.75", 75}, {"0.00", 0}, {"xyz", 0}, {"1.00", 100}};
  for (const auto& c : cases) {
    list->lstObject->topLevelItem(0)->setText(usage, c.text);
    QImage image(100, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      QStyleOptionViewItem option;
      option.rect = image.rect();
      option.palette = list->lstObject->palette();
      option.fontMetrics = list->lstObject->fontMetrics();
      list->lstObject->itemDelegateForColumn(usage)->paint(&painter, option,
                                                            list->lstObject->model()->index(0, usage));
    }
    const QColor blue(0, 0, 255), magenta(255, 0, 255);
    EXPECT_EQ(image.pixelColor(50, 0), list->lstObject->palette().base().color()) << c.text << ": the edge";
    EXPECT_EQ(image.pixelColor(50, 2), magenta) << c.text << ": the outer band";
    if (c.blueUpTo > 0) {
      EXPECT_EQ(image.pixelColor(c.blueUpTo - 1, 10), blue) << c.text;
    }
    if (c.blueUpTo < 100) {
      EXPECT_EQ(image.pixelColor(c.blueUpTo, 10), magenta) << c.text;
    }
  }
}

TEST_F(StorageListTest, HiddenColumnsAreKept) {
  ASSERT_NE(list, nullptr);
  const QList<QAction*> items = list->mnuColumns->actions();
  ASSERT_EQ(items.size(), 7);
  EXPECT_FALSE(items[0]->isEnabled()) << "the name is always shown";
  items[1]->trigger();
  EXPECT_EQ(Headers(), (Lines{"領域名", "サイズ", "Static allocate", "Dynamic allocate", "空き容量", "使用率"}));
  EXPECT_EQ(Row("DBSPACE1")[1], "102400") << "the cells follow their columns";
  EXPECT_FALSE(list->mnuColumns->actions()[1]->isChecked());
  list->lstObject->setColumnWidth(0, 222);
  list->actExit->trigger();
  QCoreApplication::processEvents();
  {
    platform::KeyScope key(AppRegistry);
    ASSERT_TRUE(AppRegistry.OpenKey(GuiKey("STORAGE"), false));
    EXPECT_FALSE(AppRegistry.ReadBoolDef("TBSVisible1", true));
    EXPECT_TRUE(AppRegistry.ReadBoolDef("TBSVisible2", false));
    EXPECT_EQ(AppRegistry.ReadIntegerDef("TBSSize0", 0), 222);
    EXPECT_EQ(AppRegistry.ReadIntegerDef("TBSSize1", 0), 200) << "a hidden column keeps its width";
  }
  list = OpenFromMenu<TfrmStorage>(kAdminStorageAction);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Headers().size(), 6u);
  EXPECT_EQ(list->lstObject->columnWidth(0), 222);
}

TEST_F(StorageListTest, ScriptsOfTheSelectedSpaces) {
  ASSERT_NE(list, nullptr);
  const std::string folder = env.Path("out") + "/";
  std::string target = folder;
  SetScriptOutputDialog([&](TovConnectionWindow&, std::string& chosen, std::string&) {
    chosen = target;
    return true;
  });
  const std::string space1 =
      "CREATE DBSPACE DBSPACE1\r\n  ALLOCATE FILE /standin/dbspace/DBSPACE1\r\n  ATTRIBUTE SPACE (102400K)\r\n;\r\n";
  ScriptOption.SubDir = false;
  Select({"DBSPACE1", "DBSPACE2"});
  list->actScript->trigger();
  EXPECT_EQ(Boxes(), Lines{"スクリプトが出力されました。"});
  EXPECT_EQ(Read(folder + "DBSPACE1.SQL"), space1);
  EXPECT_EQ(Read(folder + "DBSPACE2.SQL").rfind("CREATE DBSPACE DBSPACE2\r\n", 0), 0u);
  EXPECT_TRUE(list->lstObject->selectedItems().isEmpty()) << "written rows are deselected";

  ScriptOption.SubDir = true;
  Select({"DBSPACE1"});
  list->actScript->trigger();
  EXPECT_EQ(Read(folder + "TABLESPACE/DBSPACE1.SQL"), space1);

  target = env.Path("all.sql");
  ScriptOption.OneScript = true;
  for (int round = 0; round < 2; ++round) {
    Select({"DBSPACE1"});
    list->actScript->trigger();
  }
  EXPECT_EQ(Read(target), space1 + space1) << "the one script grows";
  ScriptOption.OneScript = false;
}

struct DropCase {
  const char* name;
  Lines selected;
  int failAt;           // the journal position of the one drop that fails, -1 none
  const char* failing;  // drops of this space always fail
  bool delErr;
  Lines left;           // of S1 and S2
  Lines stillSelected;  // the failed rows
  Lines boxes;          // after the question
};

// From level 10 a drop is a statement: its errors follow DelErr.
TEST_F(StorageListTest, DropsRunInPassesWhenErrorsAreIgnored) {
  ASSERT_NE(list, nullptr);
  const std::string failed = "JYP9999E test";
  const DropCase cases[] = {
      {"fails once, then succeeds", {"S1", "S2"}, 0, nullptr, true, {}, {}, {"オブジェクトが削除されました。"}},
      {"fails twice", {"S1", "S2"}, -1, "DROP DBSPACE S1", true, {"S1"}, {"S1"}, {failed}},
      {"a single row", {"S1"}, -1, "DROP DBSPACE S1", true, {"S1", "S2"}, {"S1"}, {failed}},
      {"without DelErr the first failure ends", {"S1", "S2"}, 0, nullptr, false, {"S1", "S2"}, {"S1", "S2"},
       {failed}},
  };
  for (const DropCase& c : cases) {
    Lines missing;
    for (const std::string& name : {std::string("S1"), std::string("S2")}) {
      list->Reload(nullptr);
      if (Row(name).empty()) missing.push_back(name);
    }
    MakeSpaces(missing);
    list->Reload(nullptr);
    Select(c.selected);
    AppOption.DelErr = c.delErr;
    symfoware::ClearStatementJournal();
    if (c.failAt >= 0) symfoware::FailStatementAt(static_cast<size_t>(c.failAt), failed);
    if (c.failing) symfoware::FailStatementsMatching(c.failing, failed);
    env.Dialogs().messages.clear();
    env.Dialogs().QueueMessage(IDYES);
    QTest::keyClick(list->lstObject, Qt::Key_Delete);
    symfoware::ClearStatementFailures();
    Lines boxes = Boxes();
    ASSERT_FALSE(boxes.empty()) << c.name;
    EXPECT_EQ(boxes.front(), "オブジェクトを削除しますか？") << c.name;
    boxes.erase(boxes.begin());
    ASSERT_EQ(boxes.size(), c.boxes.size()) << c.name;
    for (size_t i = 0; i < boxes.size(); ++i) EXPECT_NE(boxes[i].find(c.boxes[i]), std::string::npos) << c.name;
    Lines left;
    for (const std::string& name : Names())
      if (name == "S1" || name == "S2") left.push_back(name);
    EXPECT_EQ(left, c.left) << c.name;
    Lines selected;
    for (QTreeWidgetItem* row : list->lstObject->selectedItems()) selected.push_back(row->text(0).toStdString());
    EXPECT_EQ(selected, c.stillSelected) << c.name << ": failed rows stay selected";
  }
}

// Below level 10 rdbddlex drops; its failure was shown by the runner, and
// Esc ends the run before the next row.
TEST_F(StorageListTest, ToolDropsStopAtEscapeAndAtAFailure) {
  ASSERT_NE(list, nullptr);
  connection->CatalogLevel = 9;
  MakeSpaces({"S1", "S2"});
  list->Reload(nullptr);
  Select({"S1", "S2"});
  std::ofstream(env.Path("calls.log"), std::ios::trunc);
  std::unique_ptr<platform::WindowInput> before = platform::SetInput(std::make_unique<testing_support::EscapeAt>(2));
  env.Dialogs().QueueMessage(IDYES);
  list->actDelete->trigger();
  platform::SetInput(std::move(before));
  ASSERT_EQ(ToolCalls().size(), 1u) << "the one drop; the list is not read again";
  EXPECT_EQ(ToolCalls()[0].substr(0, 9), "rdbddlex\t");
  EXPECT_EQ(Row("S1"), Lines{});
  EXPECT_FALSE(Row("S2").empty());
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));

  env.Dialogs().messages.clear();
  Select({"S2"});
  setenv("SYMFOWARE_TOOL_FAIL", "rdbddlex:code", 1);
  env.Dialogs().QueueMessage(IDYES);
  list->actDelete->trigger();
  unsetenv("SYMFOWARE_TOOL_FAIL");
  Lines boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u) << "the question and the runner's message";
  EXPECT_EQ(boxes[1].find("オブジェクトが削除されました。"), std::string::npos);
  EXPECT_FALSE(Row("S2").empty());
  EXPECT_EQ(list->lstObject->selectedItems().size(), 1);
  EXPECT_TRUE(QDir(QString::fromStdString(AppOption.TempDir)).entryList(QDir::Files).isEmpty());
}

// The running program: the list from the menu makes a space in the editor,
// lists it, the editor grants ALLOCATE, the list drops it.
TEST_F(StorageListTest, ASpaceMadeFromTheListIsListedGrantedAndDropped) {
  ASSERT_NE(list, nullptr);
  AppOption.TempDir = env.Path("work dir") + "/";
  QDir().mkpath(QString::fromStdString(AppOption.TempDir));
  std::ofstream(env.Path("calls.log"), std::ios::trunc);
  list->actNew->trigger();
  ASSERT_EQ(Windows<TfrmTBS>().size(), 1u);
  TfrmTBS* editor = Windows<TfrmTBS>().front();
  editor->txtName->setText("SPACE9");
  editor->txtDevice->setText("/data/space 9");
  editor->txtSize->setText("3");
  editor->txtSize->textEdited("3");
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{"オブジェクトが作成されました。"});
  const Lines calls = ToolCalls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "rdbddlex\t-d\tORVSAMPLE\t" + AppOption.TempDir + "rdbddlexC.txt")
      << "every value is one argument";
  EXPECT_NE(std::find(calls.begin(), calls.end(), "rdbspcinf\t-p\tORVSAMPLE.SPACE9"), calls.end());

  list->actRefresh->trigger();
  const Lines row = Row("SPACE9");
  ASSERT_EQ(row.size(), 7u);
  EXPECT_EQ(row[1], "/data/space 9");
  EXPECT_EQ(row[2], "3072");

  env.Dialogs().messages.clear();
  symfoware::ClearStatementJournal();
  const int auditor = [&] {
    for (int i = 0; i < editor->chkUser->count(); ++i)
      if (editor->chkUser->item(i)->text() == "AUDITOR") return i;
    return -1;
  }();
  ASSERT_GE(auditor, 0);
  editor->chkUser->ToggleR(auditor);
  editor->actCompile->trigger();
  EXPECT_EQ(Journal(), Lines{"GRANT ALLOCATE ON DBSPACE SPACE9 TO AUDITOR WITH GRANT OPTION"});
  EXPECT_EQ(Boxes(), Lines{"権限を更新しました。"});
  editor->actExit->trigger();

  env.Dialogs().messages.clear();
  Select({"SPACE9"});
  env.Dialogs().QueueMessage(IDYES);
  list->actDelete->trigger();
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
  EXPECT_TRUE(Row("SPACE9").empty());
  Lines spaces;
  connection->GetDBSpaceList(spaces);
  EXPECT_EQ(std::find(spaces.begin(), spaces.end(), "SPACE9"), spaces.end());

  // Open runs the editor of each selected row; a name with a blank stays
  // one argument of the tools.
  ASSERT_TRUE(RunRdbddlex(AppOption.TempDir, kCreateControlFile,
                          {"CREATE DBSPACE \"MY SPACE\"", "  ALLOCATE FILE /data/my space", "  ATTRIBUTE SPACE (1M)"},
                          "ORVSAMPLE", SpaceToolRunner(*connection)));
  list->actRefresh->trigger();
  std::ofstream(env.Path("calls.log"), std::ios::trunc);
  Select({"DBSPACE1", "MY SPACE"});
  QTest::keyClick(list->lstObject, Qt::Key_Return);
  EXPECT_EQ(Windows<TfrmTBS>().size(), 2u);
  EXPECT_TRUE(list->lstObject->selectedItems().isEmpty());
  const Lines opened = ToolCalls();
  EXPECT_NE(std::find(opened.begin(), opened.end(), "rdbspcinf\t-p\tORVSAMPLE.MY SPACE"), opened.end());
  EXPECT_NE(std::find(opened.begin(), opened.end(),
                      "rdbprt\t-m\tDEF\t-d\tORVSAMPLE\t-p\t-f\t" + AppOption.TempDir + "rdbprt.txt"),
            opened.end());
  EXPECT_EQ(Windows<TfrmTBS>().back()->txtDevice->text().toStdString(), "/data/my space");
}

}  // namespace
}  // namespace testing_admin
