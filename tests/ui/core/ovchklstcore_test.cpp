#include "ui/core/ovchklstcore.h"

#include <gtest/gtest.h>

namespace {
using E = std::vector<TCheckClick>;
constexpr auto L = TCheckClick::L;
constexpr auto R = TCheckClick::R;
}  // namespace

TEST(CheckListToggle, BoxesStayTiedAndEventsFireInOrder) {
  struct Case {
    TCheckBoxState startL, startR;
    bool allowGrayed, disabledL, disabledR;
    TCheckClick box;
    TCheckBoxState endL, endR;
    E events;
  } cases[] = {
      {cbUnchecked, cbUnchecked, false, false, false, R, cbChecked, cbChecked, {R, L}},
      {cbChecked, cbChecked, false, false, false, L, cbUnchecked, cbUnchecked, {L, R}},
      {cbUnchecked, cbUnchecked, true, false, false, L, cbGrayed, cbUnchecked, {L}},
      {cbGrayed, cbUnchecked, true, false, false, L, cbChecked, cbUnchecked, {L}},
      {cbChecked, cbGrayed, true, false, false, L, cbUnchecked, cbUnchecked, {L, R}},
      {cbUnchecked, cbUnchecked, true, false, false, R, cbUnchecked, cbGrayed, {R}},
      {cbGrayed, cbGrayed, true, false, false, R, cbChecked, cbChecked, {R, L}},
      {cbChecked, cbChecked, false, false, true, R, cbChecked, cbChecked, {}},
      {cbChecked, cbChecked, false, false, true, L, cbUnchecked, cbUnchecked, {L, R}},
      {cbUnchecked, cbUnchecked, false, true, false, L, cbUnchecked, cbUnchecked, {}},
      {cbUnchecked, cbUnchecked, false, true, false, R, cbChecked, cbChecked, {R, L}},
  };
  for (const Case& c : cases) {
    TovCheckListBoxDataWrapper item;
    item.StateL = c.startL;
    item.StateR = c.startR;
    item.DisabledL = c.disabledL;
    item.DisabledR = c.disabledR;
    const E events = c.box == L ? ToggleCheckL(item, c.allowGrayed) : ToggleCheckR(item, c.allowGrayed);
    EXPECT_EQ(item.StateL, c.endL) << &c - cases;
    EXPECT_EQ(item.StateR, c.endR) << &c - cases;
    EXPECT_EQ(events, c.events) << &c - cases;
  }
}

TEST(CheckListSnapshot, PacksBothStates) {
  TovCheckListBoxDataWrapper item;
  item.StateL = cbGrayed;
  item.StateR = cbChecked;
  EXPECT_EQ(SnapshotValueOf(item), 0x00020001u);
  EXPECT_EQ(ListIndexErrorText(7), "リストのインデックスが範囲を超えています (7)");
}

TEST(CheckListSnapshot, ItemModifiedOutsideListOrSnapshot) {
  TCheckListSnapshot snapshot;
  snapshot.Save({0x00010000u, 0u});
  EXPECT_FALSE(snapshot.ItemModified(0, 3, 0x00010000u));
  EXPECT_TRUE(snapshot.ItemModified(1, 3, 0x00000001u));
  EXPECT_TRUE(snapshot.ItemModified(2, 3, 0u)) << "outside the snapshot";
  EXPECT_TRUE(snapshot.ItemModified(3, 3, 0u)) << "outside the list";
  EXPECT_TRUE(snapshot.ItemModified(-1, 3, 0u));
}

TEST(CheckListSlots, BoxesLieAtTheReadingStart) {
  const QRect item(0, 10, 100, 16);
  const int slot = CheckSlotWidth(13);
  EXPECT_EQ(slot, 15);
  EXPECT_EQ(CheckSlotRect(L, item, slot, false), QRect(0, 10, 15, 16));
  EXPECT_EQ(CheckSlotRect(R, item, slot, false), QRect(15, 10, 15, 16));
  EXPECT_EQ(CheckSlotRect(L, item, slot, true), QRect(85, 10, 15, 16));
  EXPECT_EQ(CheckSlotRect(R, item, slot, true), QRect(70, 10, 15, 16));
  struct Case {
    int x;
    bool rtl;
    std::optional<TCheckClick> box;
  } cases[] = {{0, false, L}, {14, false, L}, {15, false, R}, {29, false, R}, {30, false, std::nullopt},
               {99, true, L}, {84, true, R},  {69, true, std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(CheckSlotAt(c.x, item, slot, c.rtl), c.box) << c.x << c.rtl;
}
