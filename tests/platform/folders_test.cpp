#include "platform/folders.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <fstream>

#include "tests/platform/temp_settings.h"

namespace {

TEST(Folders, DocumentsFollowTheXdgRulesInOrder) {
  testing_support::TempSettings env;
  const std::string home = env.Path("home");
  EXPECT_EQ(platform::DocumentsFolder(), env.Path("docs"));

  unsetenv("XDG_DOCUMENTS_DIR");
  EXPECT_EQ(platform::DocumentsFolder(), home + "/Documents");

  QDir().mkpath(QString::fromStdString(env.Path("config")));
  std::ofstream(env.Path("config") + "/user-dirs.dirs") << "# xdg\nXDG_DESKTOP_DIR=\"$HOME/Desk\"\n"
                                                         << "XDG_DOCUMENTS_DIR=\"$HOME/文書\"\n";
  EXPECT_EQ(platform::DocumentsFolder(), home + "/文書");

  unsetenv("HOME");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(platform::DocumentsFolder(), "");
}

TEST(Folders, SharedDataFallsBackToHomeThenToNothing) {
  testing_support::TempSettings env;
  EXPECT_EQ(platform::SharedDataFolder(), env.Path("data"));
  testing_support::TempSettings::Set("XDG_DATA_HOME", "relative/not/used");
  EXPECT_EQ(platform::SharedDataFolder(), env.Path("home") + "/.local/share");
  unsetenv("XDG_DATA_HOME");
  unsetenv("HOME");
  EXPECT_EQ(platform::SharedDataFolder(), "");
}

TEST(Folders, ExecutablePathIsThisTestProgram) {
  const std::string path = platform::ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.rfind('/') + 1), "platform_tests");
}

}  // namespace
