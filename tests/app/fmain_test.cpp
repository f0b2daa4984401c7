#include "app/fmain.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include "ui/ovcomctrls.h"
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include <fstream>
#include <memory>
#include <sstream>

#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "app/fmainact.h"
#include "app/ovhhelp.h"
#include "platform/gui/desktophelp.h"
#include "platform/helpviewer.h"
#include "tests/platform/temp_settings.h"

namespace {

using platform::RegistryError;

TEST(LogonSwitches, ParseUserPasswordAndDataSource) {
  struct Case {
    std::vector<std::string> args;
    TLogonRequest want;
  };
  const Case cases[] = {
      {{"/U=scott/tiger@DSN1"}, {"scott", "tiger", "DSN1"}},
      {{"/u=scott"}, {"scott", "", ""}},
      {{"/U=scott@DSN1"}, {"scott", "", "DSN1"}},
      {{"/U=scott/tiger"}, {"scott", "tiger", ""}},
      {{"/U=a@b/c"}, {"a@b", "c", "b/c"}},  // "@" before "/"
      {{"/U=Scott/Ti@ger@D"}, {"Scott", "Ti", "ger@D"}},
      {{"/U="}, {"", "", ""}},
      {{"/U=first/x@A", "/u=second"}, {"second", "", ""}},  // the later one wins
      {{"/U=first/x@A", "other", "/X=y", "/U"}, {"first", "x", "A"}},
      {{}, {"", "", ""}},
      {{"/U=利用者/パス@データ"}, {"利用者", "パス", "データ"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.front());
    EXPECT_EQ(ParseLogonSwitches(c.args), c.want);
  }
}

TEST(ProgressText, CountsWithAndWithoutATotal) {
  EXPECT_EQ(ProgressText(0, 0), " [ESC]キーを押すと処理を中断");
  EXPECT_EQ(ProgressText(5, 0), "5件処理中... [ESC]キーを押すと処理を中断");
  EXPECT_EQ(ProgressText(5, -1), "5件処理中... [ESC]キーを押すと処理を中断");
  EXPECT_EQ(ProgressText(0, 10), "0 / 10 [ESC]キーを押すと処理を中断");
  EXPECT_EQ(ProgressText(5, 10), "5 / 10 [ESC]キーを押すと処理を中断");
}

TEST(MainLayout, WorkSpaceSizeIsRaisedToOneAndLimitedToHalfTheClient) {
  struct Case {
    int32_t size, align;
    int32_t want;
  };
  const Case cases[] = {
      {0, kAlignBottom, 1}, {-20, kAlignTop, 1},    {150, kAlignBottom, 150}, {400, kAlignBottom, 301},
      {400, kAlignLeft, 400}, {500, kAlignRight, 450}, {900, 0, 900},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " align " + std::to_string(c.align));
    EXPECT_EQ(LimitWorkSpaceSize(c.size, c.align, 901, 603), c.want);
  }
}

TMainLayout SampleCurrent() {
  TMainLayout l;
  l.Left = 10;
  l.Top = 20;
  l.Width = 800;
  l.Height = 600;
  l.WorkSpaceSize = 100;
  l.ToolBars = {{"pnlDB", {0, 0, 200, 26}, false, true}, {"pnlEdit", {200, 0, 300, 26}, false, true}};
  return l;
}

class LayoutStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, true)); }
  void TearDown() override { reg.CloseKey(); }
  testing_support::TempSettings env;
  TovRegistry reg;
};

TEST_F(LayoutStoreTest, MissingValuesKeepTheCurrentLayoutAndTheTableDefaults) {
  TMainLayout current = SampleCurrent();
  current.WorkSpace = false;
  current.ToolBars[1].Visible = false;
  TMainLayout want = SampleCurrent();
  EXPECT_EQ(ReadMainLayout(reg, current), want);
}

TEST_F(LayoutStoreTest, WrittenLayoutReadsBack) {
  TMainLayout l = SampleCurrent();
  l.WorkSpace = false;
  l.WorkSpaceStyle = 3;
  l.WorkSpaceAlign = kAlignLeft;
  l.WorkSpaceSize = 220;
  l.TaskBar = false;
  l.ToolBars[0] = {"pnlDB", {-5, 300, 195, 326}, true, false};
  WriteMainLayout(reg, l);
  EXPECT_EQ(ReadMainLayout(reg, SampleCurrent()), l);
  EXPECT_EQ(reg.GetDataSize("pnlDBRect"), 16);
  EXPECT_EQ(reg.GetValueNames().front(), "WindowState");
}

TEST_F(LayoutStoreTest, MinimizedStartsNormalWithTheStoredBoundsAndMaximizedReadsNone) {
  reg.WriteInteger("WindowState", kWindowMinimized);
  reg.WriteInteger("Left", 33);
  reg.WriteInteger("Width", 640);
  TMainLayout l = ReadMainLayout(reg, SampleCurrent());
  EXPECT_EQ(l.WindowState, kWindowNormal);
  EXPECT_EQ(l.Left, 33);
  EXPECT_EQ(l.Width, 640);
  EXPECT_EQ(l.Height, 600);
  reg.WriteInteger("WindowState", kWindowMaximized);
  l = ReadMainLayout(reg, SampleCurrent());
  EXPECT_EQ(l.WindowState, kWindowMaximized);
  EXPECT_EQ(l.Left, 10);
  EXPECT_EQ(l.Width, 800);
}

TEST_F(LayoutStoreTest, WorkSpaceSizeIsLimitedByTheStoredWindowSize) {
  reg.WriteInteger("Height", 300);
  reg.WriteInteger("WorkSpaceSize", 400);
  EXPECT_EQ(ReadMainLayout(reg, SampleCurrent()).WorkSpaceSize, 150);
  reg.WriteInteger("WorkSpaceSize", 0);
  EXPECT_EQ(ReadMainLayout(reg, SampleCurrent()).WorkSpaceSize, 1);
}

TEST_F(LayoutStoreTest, ToolBarRectOfAnotherTypeOrTooLongRaisesAndAShortOneReplacesLeadingValues) {
  const unsigned char shortRect[8] = {7, 0, 0, 0, 9, 0, 0, 0};
  reg.WriteBinaryData("pnlEditRect", shortRect, sizeof shortRect);
  const TMainLayout l = ReadMainLayout(reg, SampleCurrent());
  EXPECT_EQ(l.ToolBars[1].Rect, (TRegRect{7, 9, 300, 26}));

  reg.WriteString("pnlDBRect", "0,0,10,10");
  EXPECT_THROW(ReadMainLayout(reg, SampleCurrent()), RegistryError);
  const unsigned char longRect[17] = {};
  reg.WriteBinaryData("pnlDBRect", longRect, sizeof longRect);
  EXPECT_THROW(ReadMainLayout(reg, SampleCurrent()), RegistryError);
}

// Stored layouts survive the start only with settings of the current version.
void StoreCurrentVersion(TovRegistry& reg) {
  ASSERT_TRUE(reg.OpenKey(kOptionKey, true));
  reg.WriteInteger("Version", kOptionVersion);
}

// The main window on the offscreen platform, with the given command line.
class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() {
    InitFolders();
    AppOption = {};
    SQLLogFiles.clear();
  }
  void Start(std::vector<std::string> args = {}) {
    args_ = {"app_tests"};
    for (auto& a : args) args_.push_back(std::move(a));
    argv_.clear();
    for (auto& a : args_) argv_.push_back(a.data());
    argc_ = static_cast<int>(argv_.size());
    app_ = std::make_unique<QApplication>(argc_, argv_.data());
    main_ = std::make_unique<TfrmMain>();
  }
  void ShowAndClose() {
    main_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
    QCoreApplication::processEvents();
    main_->close();
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void TearDown() override {
    main_.reset();
    app_.reset();
  }

  testing_support::TempSettings env;
  std::vector<std::string> args_;
  std::vector<char*> argv_;
  int argc_ = 0;
  std::unique_ptr<QApplication> app_;
  std::unique_ptr<TfrmMain> main_;
};

TEST_F(MainWindowTest, ClosingSavesLayoutSettingsAndHistoryIndex) {
  const std::string temp = ShareDir + "temp/";
  QDir().mkpath(QString::fromStdString(temp));
  std::ofstream(temp + "SQLLOG.IDX") << "SQLLOG3.SQL\r\nSQLLOG1.SQL\r\n";
  Start();
  EXPECT_EQ(main_->windowTitle(), "Orvanto for Symfoware");
  EXPECT_EQ(SQLLogFiles, (std::vector<std::string>{"SQLLOG3.SQL", "SQLLOG1.SQL"}));
  EXPECT_EQ(ShortDateFormat, "yyyy/MM/dd");
  EXPECT_EQ(ExcelFileFilter, "Excelファイル(*.xlsx)");
  main_->pnlTool2->hide();
  SQLLogFiles.insert(SQLLogFiles.begin(), "SQLLOG4.SQL");
  ShowAndClose();

  env.Restart();
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, false));
  EXPECT_EQ(reg.ReadInteger("WindowState"), kWindowNormal);
  EXPECT_EQ(reg.ReadInteger("Width"), main_->width());
  EXPECT_EQ(reg.ReadInteger("Height"), main_->height());
  EXPECT_TRUE(reg.ReadBool("TaskBar"));
  EXPECT_TRUE(reg.ReadBool("StatusBar"));
  EXPECT_EQ(reg.ReadInteger("WorkSpaceAlign"), kAlignBottom);
  for (const char* bar : {"pnlDB", "pnlEdit", "pnlTool", "pnlTool2", "pnlAdmin", "pnlNewObj"}) {
    SCOPED_TRACE(bar);
    EXPECT_EQ(reg.GetDataSize(std::string(bar) + "Rect"), 16);
    EXPECT_FALSE(reg.ReadBool(std::string(bar) + "Float"));
    EXPECT_EQ(reg.ReadBool(std::string(bar) + "Visible"), std::string(bar) != "pnlTool2");
  }
  ASSERT_TRUE(reg.OpenKey(kOptionKey, false));
  EXPECT_EQ(reg.ReadInteger("Version"), kOptionVersion);
  EXPECT_EQ(reg.ReadInteger("SleepTime"), 70);
  EXPECT_FALSE(reg.ValueExists("ExcelExt"));
  reg.CloseKey();
  EXPECT_EQ(ReadFile(temp + "SQLLOG.IDX"), "SQLLOG4.SQL\r\nSQLLOG3.SQL\r\nSQLLOG1.SQL\r\n");
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(MainWindowTest, SecondStartRestoresTheSavedLayout) {
  {
    TovRegistry reg;
    StoreCurrentVersion(reg);
    ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, true));
    reg.WriteInteger("WindowState", kWindowMinimized);
    reg.WriteInteger("Left", 40);
    reg.WriteInteger("Top", 50);
    reg.WriteInteger("Width", 700);
    reg.WriteInteger("Height", 500);
    reg.WriteBool("TaskBar", false);
    reg.WriteBool("StatusBar", false);
    reg.WriteBool("WorkSpace", false);
    reg.WriteInteger("WorkSpaceAlign", kAlignLeft);
    reg.WriteInteger("WorkSpaceSize", 900);
    reg.WriteBool("pnlEditVisible", false);
    reg.CloseKey();
  }
  Start();
  EXPECT_FALSE(main_->isMinimized());
  EXPECT_EQ(main_->width(), 700);
  EXPECT_EQ(main_->height(), 500);
  EXPECT_TRUE(main_->scrTask->isHidden());
  EXPECT_TRUE(main_->stsMain->isHidden());
  EXPECT_TRUE(main_->lstWorkSpace->isHidden());
  EXPECT_TRUE(main_->pnlEdit->isHidden());
  EXPECT_FALSE(main_->pnlDB->isHidden());
  EXPECT_EQ(main_->splWorkSpace->orientation(), Qt::Horizontal);
  EXPECT_EQ(main_->splWorkSpace->indexOf(main_->lstWorkSpace), 0);
  ShowAndClose();
  env.Restart();
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, false));
  EXPECT_FALSE(reg.ReadBool("TaskBar"));
  EXPECT_FALSE(reg.ReadBool("WorkSpace"));
  EXPECT_EQ(reg.ReadInteger("WorkSpaceAlign"), kAlignLeft);
  EXPECT_EQ(reg.ReadInteger("WorkSpaceSize"), 350);
  EXPECT_FALSE(reg.ReadBool("pnlEditVisible"));
  reg.CloseKey();
}

TEST_F(MainWindowTest, AFloatingToolBarKeepsItsPlace) {
  {
    TovRegistry reg;
    StoreCurrentVersion(reg);
    ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, true));
    const unsigned char rect[16] = {100, 0, 0, 0, 120, 0, 0, 0, 44, 1, 0, 0, 150, 0, 0, 0};
    reg.WriteBinaryData("pnlAdminRect", rect, sizeof rect);
    reg.WriteBool("pnlAdminFloat", true);
    reg.CloseKey();
  }
  Start();
  EXPECT_TRUE(main_->pnlAdmin->isWindow());
  EXPECT_EQ(main_->pnlAdmin->pos(), QPoint(100, 120));
  ShowAndClose();
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, false));
  EXPECT_TRUE(reg.ReadBool("pnlAdminFloat"));
  unsigned char back[16] = {};
  reg.ReadBinaryData("pnlAdminRect", back, sizeof back);
  EXPECT_EQ(back[0], 100);
  EXPECT_EQ(back[4], 120);
  reg.CloseKey();
}

TEST_F(MainWindowTest, ABadToolBarRectIsReportedAndTheWindowStillComesUp) {
  {
    TovRegistry reg;
    StoreCurrentVersion(reg);
    ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, true));
    reg.WriteInteger("Width", 640);
    reg.WriteString("pnlDBRect", "wrong");
    reg.CloseKey();
  }
  Start();
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].caption, "Orvanto for Symfoware");
  EXPECT_NE(env.Dialogs().messages[0].text.find("'pnlDBRect'"), std::string::npos);
  EXPECT_EQ(ExcelFileFilter, "Excelファイル(*.xlsx)");
  ShowAndClose();
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kMainLayoutKey, false));
  EXPECT_EQ(reg.GetDataType("pnlDBRect"), platform::RegDataType::Binary);  // repaired at close
  reg.CloseKey();
}

TEST_F(MainWindowTest, ADamagedSettingsFileStartsOnDefaultsAndIsKept) {
  const std::string damaged = "# Tessavar registry store 1\nkey \"Software\"\ndword \"cut";
  QDir().mkpath(QString::fromStdString(env.Path("config") + "/Tessavar"));
  std::ofstream(env.UserStore()) << damaged;
  Start();
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_NE(env.Dialogs().messages[0].text.find(".damaged"), std::string::npos);
  EXPECT_EQ(AppOption.SleepTime, 70);
  ShowAndClose();
  EXPECT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(ReadFile(env.UserStore() + ".damaged"), damaged);
  env.Restart();
  TovRegistry reg;
  ASSERT_TRUE(reg.OpenKey(kOptionKey, false));
  EXPECT_EQ(reg.ReadInteger("Version"), kOptionVersion);
  reg.CloseKey();
}

TEST_F(MainWindowTest, FirstPaintReadsTheCommandLineLogon) {
  Start({"/U=first@X", "--other", "/u=scott/tiger@DSN1"});
  EXPECT_EQ(main_->CommandLineLogon(), TLogonRequest{});
  main_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
  QTRY_COMPARE(main_->CommandLineLogon().User, std::string("scott"));
  EXPECT_EQ(main_->CommandLineLogon(), (TLogonRequest{"scott", "tiger", "DSN1"}));
  main_->close();
}

// A help viewer that records what it was asked to open.
struct OpenedHelp : platform::HelpViewer {
  std::vector<std::string>* opened;
  explicit OpenedHelp(std::vector<std::string>* into) : opened(into) {}
  bool OpenHelpFile(const std::string& helpFile) override {
    opened->push_back(helpFile);
    return true;
  }
  void ShowPopup(const std::string&, int, int) override {}
  void ShowStatus(const std::string&) override {}
};

TEST_F(MainWindowTest, TheMainWindowServesHelpSoF1OpensIt) {
  std::vector<std::string> opened;
  auto previous = platform::SetHelpViewer(std::make_unique<OpenedHelp>(&opened));
  Start();
  ASSERT_NE(main_->hlpMain, nullptr);
  EXPECT_EQ(THTMLHelp::Application(), main_->hlpMain);
  main_->show();
  QApplication::setActiveWindow(main_.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  main_->cmbDBName->setFocus();
  QTest::keyClick(main_->cmbDBName, Qt::Key_F1);
  EXPECT_EQ(opened, std::vector<std::string>{main_->hlpMain->HelpFileName()});
  main_.reset();
  platform::SetHelpViewer(std::move(previous));
}

// Without a help file the status bar says so for a while, then shows its
// fields again.
TEST_F(MainWindowTest, AMissingHelpFileIsATimedStatusMessage) {
  auto previous = platform::SetHelpViewer(platform::MakeDesktopHelpViewer());
  Start();
  main_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(main_.get()));
  QLabel* elapsed = main_->StatusPanel(0);
  ASSERT_TRUE(elapsed->isVisible());
  main_->actMain->Action("actHelp")->trigger();
  EXPECT_NE(main_->stsMain->currentMessage().indexOf("が見つかりません。"), -1);
  EXPECT_FALSE(elapsed->isVisible()) << "the message is in front while it lasts";
  constexpr int kLongerThanTheMessage = 8000;
  EXPECT_TRUE(QTest::qWaitFor([&] { return elapsed->isVisible(); }, kLongerThanTheMessage));
  EXPECT_TRUE(main_->stsMain->currentMessage().isEmpty());
  main_.reset();
  platform::SetHelpViewer(std::move(previous));
}

TEST_F(MainWindowTest, ConnectionListFindsWindowsByExactLabel) {
  Start();
  auto addConnection = [&](const char* label) {
    auto* window = new QWidget;
    window->setWindowTitle(label);
    main_->mdiArea->addSubWindow(window)->show();
    main_->cmbDBName->addItem(label, QVariant::fromValue<QObject*>(window));
    return window;
  };
  EXPECT_EQ(main_->CurrentConnection(), nullptr);
  QWidget* a = addConnection("SCOTT @ DSN1");
  QWidget* b = addConnection("ADMIN @ DSN2");
  main_->cmbDBName->setCurrentIndex(1);
  EXPECT_EQ(main_->CurrentConnection(), b);
  EXPECT_EQ(main_->FindConnection("ADMIN @ DSN2"), b);
  EXPECT_EQ(main_->FindConnection("SCOTT @ DSN1"), a);
  EXPECT_EQ(main_->FindConnection("scott @ dsn1"), nullptr);
  EXPECT_EQ(main_->FindChildForm<QWidget>("SCOTT @ DSN1", true), a);
  EXPECT_EQ(main_->mdiArea->activeSubWindow()->widget(), a);
  EXPECT_EQ(main_->FindChildForm<QLabel>("SCOTT @ DSN1", false), nullptr);
  main_->cmbDBNameChange();
  EXPECT_EQ(main_->mdiArea->activeSubWindow()->widget(), b);
  main_->ShowProgress(5, 10);
  EXPECT_EQ(main_->StatusPanel(2)->text(), "5 / 10 [ESC]キーを押すと処理を中断");
  main_->close();
  EXPECT_TRUE(main_->mdiArea->subWindowList().isEmpty() ||
              main_->mdiArea->subWindowList().front()->isHidden());
}

}  // namespace
