#include "editor/core/heStringList.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

TCellString T(const char* s) { return TCellString::FromUtf8(s); }

// Counts the events of a list.
struct TEventCounter : TObject {
  int Changing = 0;
  int Changed = 0;
  void OnChanging(TObject*) { ++Changing; }
  void OnChanged(TObject*) { ++Changed; }
  void Watch(TheStringList& list) {
    list.OnChanging = TNotifyEvent::Of<TEventCounter, &TEventCounter::OnChanging>(this);
    list.OnChange = TNotifyEvent::Of<TEventCounter, &TEventCounter::OnChanged>(this);
  }
};

}  // namespace

TEST(LineList, EditsFireChangingThenChanged) {
  TheStringList list;
  TEventCounter events;
  events.Watch(list);
  EXPECT_EQ(list.Add(T("a")), 0);
  list.Insert(0, T("b"));
  list.Put(1, T("c"));
  list.Delete(0);
  EXPECT_EQ(events.Changing, 4);
  EXPECT_EQ(events.Changed, 4);
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.Get(0).Utf8(), "c");

  list.BeginUpdate();
  list.BeginUpdate();
  list.Add(T("d"));
  list.Add(T("e"));
  list.EndUpdate();
  list.EndUpdate();
  EXPECT_EQ(events.Changing, 5) << "one bracket, one pair";
  EXPECT_EQ(events.Changed, 5);
}

TEST(LineList, ClearOfAnEmptyListFiresNothing) {
  TheStringList list;
  TEventCounter events;
  events.Watch(list);
  list.Clear();
  EXPECT_EQ(events.Changing + events.Changed, 0);
  list.Add(T("a"));
  list.Clear();
  EXPECT_EQ(events.Changed, 2);
  EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(LineList, NewItemsAreZeroedAndExchangeKeepsEveryField) {
  TheStringList list;
  TObject object;
  list.Add(T("a"));
  list.Add(T("b"));
  list.SetObjects(0, &object);
  list.SetStates(0, "state");
  list.SetDataA(0, 0x12345678);
  list.SetDataB(0, 0x9ABCDEF0);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Get(1).Utf8(), "a");
  EXPECT_EQ(list.Objects(1), &object);
  EXPECT_EQ(list.States(1), "state");
  EXPECT_EQ(list.DataA(1), 0x12345678U);
  EXPECT_EQ(list.DataB(1), 0x9ABCDEF0U);
  EXPECT_EQ(list.Get(0).Utf8(), "b");
  EXPECT_EQ(list.Objects(0), nullptr);
  EXPECT_EQ(list.States(0), "");
  EXPECT_EQ(list.DataA(0), 0U);
  EXPECT_EQ(list.DataB(0), 0U);

  list.Insert(1, T("new"));
  EXPECT_EQ(list.Objects(1), nullptr);
  EXPECT_EQ(list.DataA(1), 0U);
  EXPECT_EQ(list.DataA(2), 0x12345678U) << "the words move with their item";
}

TEST(LineList, IndexOutsideTheListRaisesAndChangesNothing) {
  TheStringList list;
  TEventCounter events;
  events.Watch(list);
  list.Add(T("a"));
  struct Case {
    const char* name;
    std::function<void()> call;
    const char* message;
  };
  const Case cases[] = {
      {"get", [&] { list.Get(1); }, "リストのインデックスが範囲を超えています (1)"},
      {"put", [&] { list.Put(-1, T("x")); }, "リストのインデックスが範囲を超えています (-1)"},
      {"insert beyond count", [&] { list.Insert(2, T("x")); }, "リストのインデックスが範囲を超えています (2)"},
      {"delete", [&] { list.Delete(1); }, "リストのインデックスが範囲を超えています (1)"},
      {"exchange", [&] { list.Exchange(0, 3); }, "リストのインデックスが範囲を超えています (3)"},
      {"word", [&] { list.DataA(5); }, "リストのインデックスが範囲を超えています (5)"},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.name << " did not raise";
    } catch (const EStringListError& e) {
      EXPECT_STREQ(e.what(), c.message) << c.name;
    }
  }
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.Get(0).Utf8(), "a");
  EXPECT_EQ(events.Changing, 1);
}

TEST(LineList, GrowthSteps) {
  TheStringList list;
  std::vector<int> capacities;
  for (int i = 0; i < 95; ++i) {
    const int before = list.GetCapacity();
    list.Add(T("x"));
    if (list.GetCapacity() != before) capacities.push_back(list.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95}));
}
