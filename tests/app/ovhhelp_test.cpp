#include "app/ovhhelp.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <vector>

#include "platform/helpviewer.h"
#include "tests/platform/testapp.h"

namespace {

struct RecordingViewer : platform::HelpViewer {
  bool opens = true;
  std::vector<std::string> opened, statuses;
  struct Popup {
    std::string text;
    int x, y;
  };
  std::vector<Popup> popups;
  bool OpenHelpFile(const std::string& helpFile) override {
    opened.push_back(helpFile);
    return opens;
  }
  void ShowPopup(const std::string& text, int x, int y) override { popups.push_back({text, x, y}); }
  void ShowStatus(const std::string& text) override { statuses.push_back(text); }
};

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApp();
    auto owned = std::make_unique<RecordingViewer>();
    viewer = owned.get();
    previous = platform::SetHelpViewer(std::move(owned));
    help = std::make_unique<THTMLHelp>();
  }
  void TearDown() override {
    help.reset();
    platform::SetHelpViewer(std::move(previous));
  }
  std::string Path(const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); }

  QTemporaryDir dir;
  RecordingViewer* viewer = nullptr;
  std::unique_ptr<platform::HelpViewer> previous;
  std::unique_ptr<THTMLHelp> help;
};

TEST_F(HelpTest, WithoutAHelpFileTheChmBesideTheExecutableIsOpened) {
  EXPECT_EQ(THTMLHelp::Application(), help.get());
  const QFileInfo exe(QCoreApplication::applicationFilePath());
  const std::string expected = exe.dir().filePath(exe.completeBaseName() + ".chm").toStdString();
  EXPECT_EQ(help->HelpFileName(), expected);
  for (int command : {HELP_CONTEXT, HELP_INDEX, HELP_FINDER}) {
    bool callHelp = true;
    EXPECT_FALSE(help->HelpHandler(command, 100, callHelp));
    EXPECT_FALSE(callHelp);
  }
  EXPECT_EQ(viewer->opened, std::vector<std::string>(3, expected));
  EXPECT_TRUE(viewer->statuses.empty());
}

TEST_F(HelpTest, AMissingHelpFileIsSaidInTheStatusBar) {
  viewer->opens = false;
  help->SetHelpFile(Path("orv.chm"));
  bool callHelp = true;
  EXPECT_FALSE(help->HelpHandler(HELP_CONTEXT, 100, callHelp));
  ASSERT_EQ(viewer->statuses.size(), 1u);
  EXPECT_EQ(viewer->statuses[0], "ヘルプファイル " + Path("orv.chm") + " が見つかりません。");
}

TEST_F(HelpTest, OtherHelpFilesAreLeftToTheDefaultHandling) {
  help->SetHelpFile(Path("orv.hlp"));
  bool callHelp = true;
  EXPECT_FALSE(help->HelpHandler(HELP_CONTEXT, 100, callHelp));
  EXPECT_TRUE(callHelp);
  EXPECT_TRUE(viewer->opened.empty());
  help->SetHelpFile(Path("ORV.CHM"));
  EXPECT_FALSE(help->HelpHandler(HELP_CONTEXT, 100, callHelp));
  EXPECT_FALSE(callHelp);
  EXPECT_EQ(viewer->opened.size(), 1u);
}

TEST_F(HelpTest, ContextPopupShowsTheTopicTextAtTheSetPosition) {
  std::ofstream(Path("cshelp.txt")) << ".topic 100\nメイン画面\n\n.topic 210\n接続先の\n一覧\n.topic 300\n";
  help->SetHelpFile(Path("orv.chm"));
  bool callHelp = true;
  help->HelpHandler(HELP_SETPOPUP_POS, (40 << 16) | 120, callHelp);
  EXPECT_EQ(help->PopupX(), 120);
  EXPECT_EQ(help->PopupY(), 40);
  help->HelpHandler(HELP_CONTEXTPOPUP, 210, callHelp);
  help->HelpHandler(HELP_CONTEXTPOPUP, 999, callHelp);  // no such topic: nothing
  help->HelpHandler(HELP_CONTEXTPOPUP, 300, callHelp);  // empty topic: nothing
  ASSERT_EQ(viewer->popups.size(), 1u);
  EXPECT_EQ(viewer->popups[0].text, "接続先の\n一覧");
  EXPECT_EQ(viewer->popups[0].x, 120);
  EXPECT_EQ(viewer->popups[0].y, 40);
  EXPECT_TRUE(viewer->opened.empty());
}

TEST_F(HelpTest, F1AsksForTheNearestHelpContext) {
  help->SetHelpFile(Path("orv.chm"));
  QWidget window;
  window.setProperty(kHelpContextProperty, 100);
  auto* layout = new QVBoxLayout(&window);
  auto* edit = new QLineEdit(&window);
  layout->addWidget(edit);
  window.show();
  QApplication::setActiveWindow(&window);
  edit->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  QTest::keyClick(edit, Qt::Key_F1);
  EXPECT_EQ(viewer->opened, std::vector<std::string>{Path("orv.chm")});
  QTest::keyClick(edit, Qt::Key_A);
  EXPECT_EQ(viewer->opened.size(), 1u);
  EXPECT_EQ(edit->text(), QString("a"));
}

}  // namespace
