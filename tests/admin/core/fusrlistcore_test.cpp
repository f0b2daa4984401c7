#include "admin/core/fusrlistcore.h"

#include <gtest/gtest.h>

#include "admin/core/fusercore.h"

namespace {

using Lines = std::vector<std::string>;

TEST(UserListRows, CodesSpelledOutOthersShownAsRead) {
  EXPECT_EQ(UserListCellText(kUserPageImage, 1, "DB"), "DB：Symfoware/RDBで管理");
  EXPECT_EQ(UserListCellText(kUserPageImage, 1, "OS"), "OS：OSで管理");
  EXPECT_EQ(UserListCellText(kUserPageImage, 2, "S"), "S：管理者");
  EXPECT_EQ(UserListCellText(kUserPageImage, 2, "A"), "A：管理者");
  EXPECT_EQ(UserListCellText(kUserPageImage, 2, "U"), "U：利用者");
  EXPECT_EQ(UserListCellText(kUserPageImage, 2, "X"), "X") << "an unknown kind unchanged";
  EXPECT_EQ(UserListCellText(kUserPageImage, 3, "L"), "L");
  EXPECT_EQ(UserListCellText(kRolePageImage, 1, "DB"), "DB") << "an owner named like a code";
}

TEST(UserListRows, TheLoginUserAndItsSchemaStandOut) {
  EXPECT_EQ(UserListMarkedImage(kUserPageImage, "ME", "ME"), 3);
  EXPECT_EQ(UserListMarkedImage(kUserPageImage, "YOU", "ME"), 2);
  EXPECT_EQ(UserListMarkedImage(kSchemaPageImage, "ME", "ME"), 120);
  EXPECT_EQ(UserListMarkedImage(kSchemaPageImage, "S1", "ME"), 4);
  EXPECT_EQ(UserListMarkedImage(kRolePageImage, "ME", "ME"), 68);
  EXPECT_EQ(UserListPage(kRolePageImage).Columns.size(), 3u);
  EXPECT_EQ(UserListPage(kUserPageImage).Columns.size(), 6u);
}

TEST(UserListDrop, StatementsOfEachPage) {
  EXPECT_EQ(UserListDropStatements(kUserPageImage, "a-b", false), (Lines{kUserControl, "DROP USER \"a-b\""}));
  EXPECT_EQ(UserListDropStatements(kRolePageImage, "R1", true), (Lines{"DROP ROLE R1"}));
  EXPECT_EQ(UserListDropStatements(kSchemaPageImage, "S1", false), (Lines{"DROP SCHEMA S1"}));
  EXPECT_EQ(UserListDropStatements(kSchemaPageImage, "S1", true), (Lines{"DROP SCHEMA S1 CASCADE"}));
}

struct PathCase {
  const char* name;
  TScriptOption option;
  int page;
  std::string script;
  std::optional<std::string> grant;
};

TEST(UserListScripts, WhereScriptsAndGrantsGo) {
  const auto option = [](bool one, bool subDir, bool grant, int mode) {
    TScriptOption o;
    o.OneScript = one;
    o.SubDir = subDir;
    o.Grant = grant;
    o.GrantMode = mode;
    return o;
  };
  const PathCase cases[] = {
      {"one file per row", option(false, false, true, 0), kUserPageImage, "/out/U1.SQL", std::nullopt},
      {"kind folder", option(false, true, false, 0), kRolePageImage, "/out/ROLE/U1.SQL", std::nullopt},
      {"no kind folder for a schema", option(false, true, false, 0), kSchemaPageImage, "/out/U1.SQL", std::nullopt},
      {"a grant file per row", option(false, true, true, 1), kUserPageImage, "/out/USER/U1.SQL",
       "/out/GRANT/U1.SQL"},
      {"one grant file in the kind folder", option(false, true, true, 2), kUserPageImage, "/out/USER/U1.SQL",
       "/out/USER/_GRANT.SQL"},
      {"one grant file", option(false, false, true, 2), kUserPageImage, "/out/U1.SQL", "/out/_GRANT.SQL"},
      {"one script holds everything", option(true, true, true, 2), kUserPageImage, "/out/", std::nullopt},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(UserListScriptPath(c.option, "/out/", c.page, "U1"), c.script) << c.name;
    EXPECT_EQ(UserListGrantPath(c.option, "/out/", c.page, "U1"), c.grant) << c.name;
  }
  EXPECT_EQ(UserListScriptPath(option(false, false, false, 0), "/out/", kUserPageImage, "../X"), "/out/..X.SQL")
      << "a name never leaves the folder";
}

}  // namespace
