#include "objedit/core/findexcore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

TEST(IndexEditorRules, DefaultSizesTakeSixValuesOrKeepTheirOwn) {
  TDefIdxSize sizes;
  ReadDefIdxSize(" 4, 8 ,64,32,0,0 ", sizes);
  EXPECT_EQ(sizes, (TDefIdxSize{"4", "8", "64", "32", "0", "0"}));
  ReadDefIdxSize("2,2,16,16,8", sizes);  // five values: kept
  EXPECT_EQ(sizes, (TDefIdxSize{"4", "8", "64", "32", "0", "0"}));
  ReadDefIdxSize("", sizes);
  EXPECT_EQ(sizes.BasePageSize, "4");
  ReadDefIdxSize("1,2,3,4,5,6,7", sizes);
  EXPECT_EQ(sizes, (TDefIdxSize{"1", "2", "3", "4", "5", "6"}));
}

TEST(IndexEditorRules, TheCreateFormByLevelAndConnection) {
  EXPECT_TRUE(UsesCreateIndexForm(9, false, false));
  EXPECT_TRUE(UsesCreateIndexForm(10, true, false));
  EXPECT_TRUE(UsesCreateIndexForm(11, false, true));
  EXPECT_FALSE(UsesCreateIndexForm(10, false, false));
  EXPECT_FALSE(UsesCreateIndexForm(11, false, false));
}

TEST(IndexEditorRules, WhenACompileEndsTheWindow) {
  struct Case {
    int level;
    bool reduced, remote, closes;
  };
  for (const Case c : {Case{9, false, false, true}, Case{10, true, false, true}, Case{11, false, true, true},
                       Case{10, false, false, false}, Case{11, false, false, false},
                       // A DSO form, still ended: the reduced level holds at any level.
                       Case{11, true, false, true}})
    EXPECT_EQ(IndexCompileCloses(c.level, c.reduced, c.remote), c.closes) << c.level << c.reduced << c.remote;
}

TEST(IndexEditorRules, CreateIndexLines) {
  AppOption.UserLowerName = false;
  TCreateIndex index{"S.", "T", "I", {"C1", "C2"}, "BS", "D1", false};
  EXPECT_EQ(CreateIndexLines(index), (Lines{"CREATE INDEX S.T.I", "KEY(C1, C2)", "ON D1"}));
  index.TableType = "TD";
  EXPECT_EQ(CreateIndexLines(index), (Lines{"CREATE INDEX S.T.I", "KEY(C1, C2)"}));
  index.TableType = "TP";
  EXPECT_EQ(CreateIndexLines(index).size(), 2u);
  index.TableType = "BS";
  index.Reduced = true;
  EXPECT_EQ(CreateIndexLines(index).size(), 2u);
  // Key order as listed, names quoted where they need it.
  index = {"", "t", "I", {"C2", "c1"}, "BS", "D1", false};
  EXPECT_EQ(CreateIndexLines(index), (Lines{"CREATE INDEX \"t\".I", "KEY(C2, \"c1\")", "ON D1"}));
}

TEST(IndexEditorRules, DefaultStorageOfANewIndex) {
  const TDefIdxSize expanding{"4", "8", "64", "32", "16", "48"};
  TIndexStorage s;
  InitIndexStorage(s, "IX", expanding, "DBSPACE1");
  EXPECT_EQ(s.DsoName, "IX");
  EXPECT_EQ(s.BasePageSize, "4");
  EXPECT_EQ(s.IndexPageSize, "8");
  ASSERT_EQ(s.Dsis.size(), 1u);
  EXPECT_EQ(s.Dsis[0].Expand, (TStorageSize{"48", "KB"}));
  EXPECT_EQ(s.Dsis[0].Allocation, (TStorageSize{"16", "KB"}));
  EXPECT_EQ(s.Allocations, (std::vector<TStorageAllocation>{{"IX", "BASE", "DBSPACE1", "64", "KB"},
                                                            {"IX", "INDEX", "DBSPACE1", "32", "KB"},
                                                            {"IX", "EXPAND", "DBSPACE1", "", ""}}));
  TIndexStorage plain;
  InitIndexStorage(plain, "IX", {"4", "8", "64", "32", "0", "0"}, "");
  EXPECT_EQ(plain.Allocations.size(), 2u);
  EXPECT_EQ(plain.Dsis[0].Expand, TStorageSize{});
  // What the user set stays; a nameless index gets no rows.
  TIndexStorage kept = s;
  kept.BasePageSize = "16";
  InitIndexStorage(kept, "IX", {"1", "1", "1", "1", "1", "1"}, "X");
  EXPECT_EQ(kept.BasePageSize, "16");
  EXPECT_EQ(kept.Allocations, s.Allocations);
  TIndexStorage nameless;
  InitIndexStorage(nameless, "", expanding, "DBSPACE1");
  EXPECT_TRUE(nameless.Dsis.empty());
  EXPECT_TRUE(nameless.Allocations.empty());
}

TEST(IndexEditorRules, ADropComesFirstForAnyChangeThatRebuilds) {
  EXPECT_FALSE(IndexNeedsDrop({}));
  bool TIndexDropTest::*const fields[] = {&TIndexDropTest::IsNew,           &TIndexDropTest::ScriptMode,
                                          &TIndexDropTest::SourcePage,      &TIndexDropTest::StorageChanged,
                                          &TIndexDropTest::TableOwnerChanged, &TIndexDropTest::TableNameChanged,
                                          &TIndexDropTest::KeysChanged};
  for (auto field : fields) {
    TIndexDropTest t;
    t.*field = true;
    EXPECT_TRUE(IndexNeedsDrop(t));
  }
  EXPECT_EQ(DropIndexStatement("IX"), "DROP DSO IX CASCADE");
  EXPECT_EQ(IndexSaveFileName("/d/", "S", "IX"), "/d/S.IX.sql");
}

}  // namespace
