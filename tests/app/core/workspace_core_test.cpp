#include "app/core/workspacecore.h"

#include <gtest/gtest.h>

#include "app/core/ovkinds.h"

namespace {

const std::string kMe = "ME @ DS";

TovWorkSpace Entry(const std::string& title, const std::string& name, const std::string& connect,
                   int32_t kind = okTable) {
  return {kind, title, "S", name, connect};
}

TEST(WorkSpaceEntries, AddFindRenameRemoveByTheFourValues) {
  std::vector<TovWorkSpace> entries;
  EXPECT_TRUE(AddWorkSpaceEntry(entries, {okTable, "T", "S", kMe}));
  EXPECT_FALSE(AddWorkSpaceEntry(entries, {okTable, "T", "S", kMe})) << "the same object once";
  EXPECT_TRUE(AddWorkSpaceEntry(entries, {okTable, "T", "S", "OTHER @ DS"})) << "another logon";
  EXPECT_TRUE(AddWorkSpaceEntry(entries, {okView, "T", "S", kMe})) << "another kind";
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0], (TovWorkSpace{okTable, "T (S)", "S", "T", kMe}));

  // Identical entries: only the first is renamed or removed.
  entries.push_back(entries[0]);
  EXPECT_FALSE(RenameWorkSpaceEntry(entries, {okTable, "T", "S", kMe}, "T (S)")) << "same text";
  EXPECT_TRUE(RenameWorkSpaceEntry(entries, {okTable, "T", "S", kMe}, "mine"));
  EXPECT_EQ(entries[0].Title, "mine");
  EXPECT_EQ(entries[3].Title, "T (S)");
  EXPECT_FALSE(RenameWorkSpaceEntry(entries, {okTable, "X", "S", kMe}, "none"));
  EXPECT_EQ(FindWorkSpaceEntry(entries, {okTable, "T", "S", "me @ ds"}), -1) << "exact comparison";

  RemoveWorkSpaceEntries(entries, {{okTable, "T", "S", kMe}, {okView, "T", "S", kMe}, {okIndex, "Z", "S", kMe}});
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Connect, "OTHER @ DS");
  EXPECT_EQ(entries[1].Title, "T (S)");
}

TEST(WorkSpaceEntries, ShownForOpenLabelsIgnoringCaseInArrayOrder) {
  const std::vector<TovWorkSpace> entries = {Entry("b", "B", kMe), Entry("x", "X", "X @ DS"),
                                             Entry("a", "A", "me @ ds")};
  const std::vector<TovWorkSpace> shown = ShownWorkSpaceEntries(entries, {kMe});
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].Title, "b");
  EXPECT_EQ(shown[1].Title, "a");
  EXPECT_TRUE(ShownWorkSpaceEntries(entries, {}).empty());
}

TEST(WorkSpacePopup, EnablingByKindAndVisibility) {
  struct Case {
    std::vector<int32_t> kinds;
    bool visible;
    std::map<std::string, bool> expected;
  };
  const std::vector<Case> cases = {
      {{},
       true,
       {{"mnuWSOpenDefine", false}, {"mnuWSOpenSource", false}, {"mnuWSRename", false}, {"mnuWSDelete", false},
        {"mnuWSOpenData", false}, {"mnuWSOpenDataTop", false}, {"mnuWSExec", false}, {"mnuWSAlign", true}}},
      {{okView, okProcedure},
       false,
       {{"mnuWSOpenDefine", true}, {"mnuWSOpenSource", true}, {"mnuWSRename", true}, {"mnuWSDelete", true},
        {"mnuWSOpenData", true}, {"mnuWSOpenDataTop", true}, {"mnuWSExec", false}, {"mnuWSAlign", false}}},
      {{okFunction},
       true,
       {{"mnuWSOpenDefine", true}, {"mnuWSOpenSource", true}, {"mnuWSRename", true}, {"mnuWSDelete", true},
        {"mnuWSOpenData", false}, {"mnuWSOpenDataTop", false}, {"mnuWSExec", true}, {"mnuWSAlign", true}}},
  };
  for (const Case& c : cases) EXPECT_EQ(WorkSpacePopupState(c.kinds, c.visible), c.expected);
}

TEST(DragFormat, RoundTripsAndRefusesForeignData) {
  const std::vector<TDraggedObject> objects = {{kMe, "S", "名前", okTable}, {kMe, "", "", okView}};
  EXPECT_EQ(DecodeDraggedObjects(EncodeDraggedObjects(objects)), objects);
  EXPECT_TRUE(DecodeDraggedObjects(EncodeDraggedObjects({})).empty());
  const QByteArray good = EncodeDraggedObjects(objects);
  for (const QByteArray& bad : {QByteArray(), QByteArray("text/plain"), good.left(good.size() - 1), good + "x"})
    EXPECT_TRUE(DecodeDraggedObjects(bad).empty());
}

}  // namespace
