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
