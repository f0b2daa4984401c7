#include "ui/ovchklst.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A shown list of three items.
struct Form {
  QDialog window;
  TovCheckListBox* list = new TovCheckListBox(&window);
  std::vector<char> events;
  Form() {
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(list);
    list->addItems({"SELECT", "INSERT", "UPDATE"});
    list->OnClickCheckL = [this](TovCheckListBox&) { events.push_back('L'); };
    list->OnClickCheckR = [this](TovCheckListBox&) { events.push_back('R'); };
    window.show();
    QApplication::setActiveWindow(&window);
    list->setFocus();
  }
  void ClickBox(TCheckClick box, int index) {
    const QRect item = list->visualItemRect(list->item(index));
    const int slot = list->SlotWidth();
    const int x = item.left() + slot / 2 + (box == TCheckClick::R ? slot : 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(x, item.center().y()));
  }
};

}  // namespace

TEST(CheckList, ClicksOnTheBoxesKeepThemTiedAndFireInOrder) {
  constexpr auto L = TCheckClick::L;
  constexpr auto R = TCheckClick::R;
  struct Case {
    TCheckBoxState startL, startR;
    bool allowGrayed, enabledL, enabledR;
    TCheckClick box;
    TCheckBoxState endL, endR;
    const char* events;
  } cases[] = {
      {cbUnchecked, cbUnchecked, false, true, true, R, cbChecked, cbChecked, "RL"},
      {cbChecked, cbChecked, false, true, true, L, cbUnchecked, cbUnchecked, "LR"},
      {cbUnchecked, cbUnchecked, false, true, true, L, cbChecked, cbUnchecked, "L"},
      {cbChecked, cbUnchecked, false, true, true, R, cbChecked, cbChecked, "R"},
      {cbUnchecked, cbUnchecked, true, true, true, L, cbGrayed, cbUnchecked, "L"},
      {cbGrayed, cbUnchecked, true, true, true, L, cbChecked, cbUnchecked, "L"},
      {cbChecked, cbChecked, true, true, true, L, cbUnchecked, cbUnchecked, "LR"},
      {cbGrayed, cbGrayed, true, true, true, R, cbChecked, cbChecked, "RL"},
      {cbChecked, cbChecked, false, true, false, R, cbChecked, cbChecked, ""},
      {cbChecked, cbChecked, false, true, false, L, cbUnchecked, cbUnchecked, "LR"},
      {cbUnchecked, cbUnchecked, false, false, true, L, cbUnchecked, cbUnchecked, ""},
      {cbUnchecked, cbUnchecked, false, false, true, R, cbChecked, cbChecked, "RL"},
  };
  for (const Case& c : cases) {
    const int at = static_cast<int>(&c - cases);
    Form f;
    f.list->AllowGrayed = c.allowGrayed;
    f.list->SetStateL(1, c.startL);
    f.list->SetStateR(1, c.startR);
    f.list->SetItemEnabledL(1, c.enabledL);
    f.list->SetItemEnabledR(1, c.enabledR);
    EXPECT_TRUE(f.events.empty()) << "setters fire nothing";
    f.ClickBox(c.box, 1);
    EXPECT_EQ(f.list->StateL(1), c.endL) << at;
    EXPECT_EQ(f.list->StateR(1), c.endR) << at;
    EXPECT_EQ(std::string(f.events.begin(), f.events.end()), c.events) << at;
    EXPECT_EQ(f.list->StateL(0), cbUnchecked) << "other items stay";
  }
}

TEST(CheckList, GrayedCycleAndTheEventsSeeBothBoxesSet) {
  Form f;
  f.list->AllowGrayed = true;
  f.list->SetStateR(0, cbChecked);
  std::vector<std::pair<TCheckBoxState, TCheckBoxState>> seen;
  f.list->OnClickCheckL = [&](TovCheckListBox& l) { seen.emplace_back(l.StateL(0), l.StateR(0)); };
  const TCheckBoxState cycle[] = {cbGrayed, cbChecked, cbUnchecked};
  for (TCheckBoxState next : cycle) {
    f.ClickBox(TCheckClick::L, 0);
    EXPECT_EQ(f.list->StateL(0), next);
  }
  EXPECT_EQ(f.list->StateR(0), cbUnchecked);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen.front(), std::make_pair(cbGrayed, cbChecked)) << "grayed L keeps R";
  EXPECT_EQ(seen.back(), std::make_pair(cbUnchecked, cbUnchecked)) << "the tie is done before the events";
}

TEST(CheckList, ClickOnTheTextTogglesNothing) {
  Form f;
  const QRect item = f.list->visualItemRect(f.list->item(0));
  QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {},
                    QPoint(item.left() + 2 * f.list->SlotWidth() + 5, item.center().y()));
  EXPECT_EQ(f.list->StateL(0), cbUnchecked);
  EXPECT_TRUE(f.events.empty());
}

TEST(CheckList, SpaceTogglesTheLeftBoxOfTheCurrentItem) {
  Form f;
  f.list->setCurrentRow(2);
  QTest::keyClick(f.list, Qt::Key_Space);
  EXPECT_TRUE(f.list->CheckedL(2));
  EXPECT_FALSE(f.list->CheckedR(2));
  f.list->SetCheckedR(2, true);
  QTest::keyClick(f.list, Qt::Key_Space);
  EXPECT_FALSE(f.list->CheckedL(2));
  EXPECT_FALSE(f.list->CheckedR(2));
  EXPECT_EQ(std::string(f.events.begin(), f.events.end()), "LLR");
}

TEST(CheckList, ABadIndexRaisesTheListsMessage) {
  Form f;
  for (int index : {-1, 3, 10}) {
    try {
      f.list->StateL(index);
      ADD_FAILURE() << index;
    } catch (const EListError& e) {
      EXPECT_EQ(std::string(e.what()), "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
    }
  }
  EXPECT_THROW(f.list->SetCheckedR(3, true), EListError);
  EXPECT_THROW(f.list->SetItemEnabledL(7, false), EListError);
  f.list->ToggleL(3);
  f.list->ToggleR(-1);
  EXPECT_TRUE(f.events.empty()) << "a toggle outside the list does nothing";
}

TEST(CheckList, FlagsAndDataStayWithTheirItems) {
  Form f;
  EXPECT_EQ(f.list->StateR(1), cbUnchecked);
  EXPECT_TRUE(f.list->ItemEnabledL(1));
  f.list->SetStateL(1, cbGrayed);
  f.list->SetStateR(1, cbChecked);
  f.list->SetItemEnabledR(1, false);
  f.list->SetItemData(1, 42);
  f.list->insertItem(0, "DELETE");
  f.list->setLayoutDirection(Qt::RightToLeft);
  EXPECT_EQ(f.list->StateL(2), cbGrayed);
  EXPECT_EQ(f.list->StateR(2), cbChecked);
  EXPECT_FALSE(f.list->ItemEnabledR(2));
  EXPECT_TRUE(f.list->ItemEnabledL(2));
  EXPECT_EQ(f.list->ItemData(2), 42);
  EXPECT_EQ(f.list->StateL(1), cbUnchecked);
}

TEST(CheckList, RightToLeftPutsTheBoxesOnTheRight) {
  Form f;
  f.list->setLayoutDirection(Qt::RightToLeft);
  const QRect item = f.list->visualItemRect(f.list->item(0));
  const int slot = f.list->SlotWidth();
  QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, QPoint(item.right() - slot / 2, item.center().y()));
  EXPECT_TRUE(f.list->CheckedL(0));
  QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {},
                    QPoint(item.right() - slot - slot / 2, item.center().y()));
  EXPECT_TRUE(f.list->CheckedR(0));
}

TEST(CheckList, SnapshotTellsWhichItemsChanged) {
  Form f;
  f.list->SetCheckedL(0, true);
  f.list->SaveState();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(f.list->ItemModified(i)) << i;
  f.list->SetStateR(1, cbGrayed);
  EXPECT_TRUE(f.list->ItemModified(1));
  f.list->SetStateR(1, cbUnchecked);
  EXPECT_FALSE(f.list->ItemModified(1));
  f.list->addItem("DELETE");
  EXPECT_TRUE(f.list->ItemModified(3)) << "added after the snapshot";
  EXPECT_TRUE(f.list->ItemModified(4)) << "outside the list";
  EXPECT_TRUE(f.list->ItemModified(-1));

  f.list->AutoSave = true;
  f.list->SetCheckedL(2, true);
  f.list->clearFocus();
  f.list->setFocus();
  EXPECT_FALSE(f.list->ItemModified(2)) << "entering with AutoSave takes the snapshot";
}
