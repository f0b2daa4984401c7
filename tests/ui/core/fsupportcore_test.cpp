#include "ui/core/fsupportcore.h"

#include <gtest/gtest.h>

#include <fstream>

TEST(SupportReport, LinesInOrderWithOnePathEntryALine) {
  using V = std::vector<std::string>;
  const std::string indent(23, ' ');
  struct Case {
    std::string path;
    V pathLines;
  } cases[] = {
      {"/usr/bin", {"  PATH環境変数       : /usr/bin"}},
      {"/usr/bin:/Opt/Bin", {"  PATH環境変数       : /usr/bin", indent + "/Opt/Bin"}},
      {"/usr/bin:", {"  PATH環境変数       : /usr/bin", indent}},
      {"", {"  PATH環境変数       : "}},
  };
  for (const Case& c : cases) {
    V lines = SupportReportLines({"1.2.3", "/Home/Orv/orv", "Debian", "Users", c.path});
    V expected = {"【Orvanto情報】",
                  "  バージョン         : 1.2.3",
                  "  プログラムのパス   : /Home/Orv/orv",
                  "\n【OS情報】",
                  "  OS                 : Debian",
                  "  ユーザ権限         : Users"};
    expected.insert(expected.end(), c.pathLines.begin(), c.pathLines.end());
    EXPECT_EQ(lines, expected) << c.path;
  }
}

TEST(SupportReport, UserRights) {
  EXPECT_EQ(UserRightsName(0, {"root"}), "Administrator");
  EXPECT_EQ(UserRightsName(1000, {"users", "sudo"}), "Administrator");
  EXPECT_EQ(UserRightsName(1000, {"users", "sudoers"}), "Users");
  EXPECT_EQ(UserRightsName(1000, {}), "Users");
  std::string current = CurrentUserRights();
  EXPECT_TRUE(current == "Administrator" || current == "Users") << current;
}

TEST(SupportReport, OsNameFromOsRelease) {
  EXPECT_EQ(OsNameFromOsRelease("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsNameFromOsRelease("ID=x\nNAME=Plain\n"), "Plain");
  EXPECT_EQ(OsNameFromOsRelease("ID=x\n"), "Unknown");
  EXPECT_EQ(ReadOsName("/nonexistent/os-release"), "Unknown");
  std::string path = testing::TempDir() + "/os-release";
  std::ofstream(path) << "PRETTY_NAME='Test OS'\n";
  EXPECT_EQ(ReadOsName(path), "Test OS");
}
