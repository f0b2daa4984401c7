#include <gtest/gtest.h>

#include <QDir>

#include <set>

#include "app/core/zarur.h"
#include "tests/platform/temp_settings.h"

namespace {

TEST(Folders, ResolveWithTrailingSlashAndFallBackToTheProgramFolder) {
  struct Case {
    std::string exe, docs, data;
    std::string program, user, share;
  };
  const Case cases[] = {
      {"/opt/orv/bin/orv", "/home/u/Documents", "/home/u/.local/share", "/opt/orv/bin/", "/home/u/Documents/",
       "/home/u/.local/share/ORV/"},
      {"/orv", "/home/u/Documents/", "/data/", "/", "/home/u/Documents/", "/data/ORV/"},
      {"/opt/orv/orv", "", "/d", "/opt/orv/", "/opt/orv/", "/d/ORV/"},
      {"/opt/orv/orv", "/docs", "", "/opt/orv/", "/docs/", "/opt/orv/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exe + " | " + c.docs + " | " + c.data);
    const TovFolders f = ResolveFolders(c.exe, c.docs, c.data);
    EXPECT_EQ(f.ProgramDir, c.program);
    EXPECT_EQ(f.UserDir, c.user);
    EXPECT_EQ(f.ShareDir, c.share);
  }
}

TEST(Folders, InitFoldersCreatesTheUserAndSharedFolders) {
  testing_support::TempSettings env;
  InitFolders();
  EXPECT_EQ(UserDir, env.Path("docs") + "/");
  EXPECT_EQ(ShareDir, env.Path("data") + "/ORV/");
  EXPECT_TRUE(ProgramDir.ends_with("/tests/app/"));
  EXPECT_TRUE(QDir(QString::fromStdString(UserDir)).exists());
  EXPECT_TRUE(QDir(QString::fromStdString(ShareDir)).exists());
}

// Texts made by an independent implementation of the scheme, with the key
// and the three fillers chosen.
struct Vector {
  std::string password;
  int key, filler1, filler2, filler3;
  std::string text;
};
const Vector kVectors[] = {
    {"Pw", 5, 3, 7, 11,
     "[>[=_;<@~]?#!,.:|>[=_;<@~]?#!,.:|>[=_;<@~]?#!,.:|>[=_;<@~]?#!,.?,_<[?|:.,!#?]~@<;_=[>|:.,!#?]~@<;_=[>|:.,!#?]~@<;"
     "_=[>|:.,!#?]~@<;_=."},
    {"tiger", 0, 15, 0, 15,
     "]<@~]?#!,.:|>[=_;<@~]?#!,.:|>[=_;<@~]?#!,.:|>[=_;<@~]?#!,.:|!.:||]?=,.:>[>|:.,!#?]~@<;_=[>|:.,!#?]~@<;_=[>|:.,!#?]~@"
     "<;_=[>|:.,!#?]~?"},
    {"パス", 15, 0, 9, 2,
     "|@~]?#!,.:|>[=_;<@~]?#!,.:|>[=_;<@~]?#!,.:|>[=_;<@~]?#!,.:|~!@,:??];_;[[?[>|:.,!#?]~@<;_=[>|:.,!#?]~@<;_=[>|:.,!#?]~"
     "@<;_=[>|:.,!#?]@"},
};

TEST(PasswordScrambling, FixedVectorsScrambleAndUnscramble) {
  for (const auto& v : kVectors) {
    SCOPED_TRACE(v.password);
    EXPECT_EQ(ScramblePasswordWith(v.password, v.key, v.filler1, v.filler2, v.filler3), v.text);
    EXPECT_EQ(UnscramblePassword(v.text), v.password);
  }
}

TEST(PasswordScrambling, RandomTextsRoundTripWithTheSpecifiedLength) {
  const std::string alphabet = "]~@<;_=[>|:.,!#?";
  struct Case {
    std::string password;
    size_t length;
    std::string back;
  };
  const Case cases[] = {
      {"x", 132, "x"},
      {std::string(70, 'a'), 144, std::string(70, 'a')},
      {"pass word ", 132, "pass word"},  // the own trailing blank is lost with the padding
      {"  lead", 132, "lead"},
      {"日本語パスワード", 132, "日本語パスワード"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.password);
    std::set<std::string> texts;
    for (int i = 0; i < 6; ++i) {
      const std::string text = ScramblePassword(c.password);
      EXPECT_EQ(text.size(), c.length);
      EXPECT_EQ(text.find_first_not_of(alphabet), std::string::npos);
      EXPECT_EQ(UnscramblePassword(text), c.back);
      texts.insert(text);
    }
    EXPECT_GT(texts.size(), 1u);
  }
}

TEST(PasswordScrambling, EmptyShortAndForeignTextsDoNotFail) {
  EXPECT_EQ(ScramblePassword(""), "");
  EXPECT_EQ(UnscramblePassword(""), "");
  EXPECT_EQ(UnscramblePassword("a"), "");
  EXPECT_EQ(UnscramblePassword("]~@"), "");
  const std::string foreign(132, 'Z');
  const std::string decoded = UnscramblePassword(foreign);  // some bytes, no failure
  EXPECT_LE(decoded.size(), 64u);
}

}  // namespace
