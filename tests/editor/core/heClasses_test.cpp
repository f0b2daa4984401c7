#include "editor/core/heClasses.h"

#include <gtest/gtest.h>

namespace {

// Records who called, in order.
struct TListener : TObject {
  TListener(std::vector<std::pair<int, TObject*>>* log, int id) : Log(log), Id(id) {}
  std::vector<std::pair<int, TObject*>>* Log;
  int Id;
  void Notify(TObject* sender) { Log->push_back({Id, sender}); }
  TNotifyEvent Event() { return TNotifyEvent::Of<TListener, &TListener::Notify>(this); }
};

}  // namespace

TEST(NotifyProtocol, UpdateBracketFiresOnceAtTheEnd) {
  std::vector<std::pair<int, TObject*>> log;
  TListener listener{&log, 1};
  TNotifyPersistent object;
  object.OnChange = listener.Event();
  object.Changed();
  EXPECT_EQ(log.size(), 1U);
  object.BeginUpdate();
  object.Changed();
  object.Changed();
  EXPECT_EQ(log.size(), 1U);
  object.EndUpdate();
  ASSERT_EQ(log.size(), 2U);
  EXPECT_EQ(log.back().second, &object);
}

TEST(NotifyProtocol, SubObjectReachesTheOwnerOnce) {
  std::vector<std::pair<int, TObject*>> log;
  TListener listener{&log, 1};
  TNotifyPersistent owner;
  TNotifyPersistent sub;
  owner.OnChange = listener.Event();
  sub.OnChange = owner.ChangedProcEvent();
  sub.Changed();
  ASSERT_EQ(log.size(), 1U);
  EXPECT_EQ(log[0].second, &owner) << "the owner is the sender";
  owner.ChangedProc(&owner);
  EXPECT_EQ(log.size(), 1U) << "the owner's own ChangedProc does not fire";

  TNotifyCollection collection(&owner);
  collection.OnChange = owner.ChangedProcEvent();
  collection.ChangedProc(&sub);
  EXPECT_EQ(log.size(), 2U);
  collection.ChangedProc(&collection);
  EXPECT_EQ(log.size(), 2U);
  EXPECT_EQ(collection.GetOwner(), &owner);
}

TEST(NotifyProtocol, MethodListRemovesTheLaterOfTwinEntries) {
  std::vector<std::pair<int, TObject*>> log;
  TListener a{&log, 1};
  TListener b{&log, 2};
  TMethodList list;
  EXPECT_EQ(list.Add(a.Event()), 0);
  list.Add(b.Event());
  list.Add(a.Event());
  list.Remove(a.Event());
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0), a.Event());
  EXPECT_EQ(list.Item(1), b.Event());
  TListener absent{&log, 3};
  list.Remove(absent.Event());
  EXPECT_EQ(list.Count(), 2);
}

TEST(NotifyProtocol, BroadcasterCallsListenersInOrderWithItsOwner) {
  std::vector<std::pair<int, TObject*>> log;
  TListener l1{&log, 1}, l2{&log, 2}, l3{&log, 3};
  TPersistent owner;
  TNotifyEventList broadcaster(&owner);
  broadcaster.Add(l1.Event());
  broadcaster.Add(l2.Event());
  broadcaster.Add(l3.Event());
  broadcaster.BeginUpdate();
  broadcaster.ChangedProc(nullptr);
  broadcaster.ChangedProc(nullptr);
  broadcaster.EndUpdate();
  const std::vector<std::pair<int, TObject*>> expected{{1, &owner}, {2, &owner}, {3, &owner}};
  EXPECT_EQ(log, expected);
  broadcaster.Remove(l2.Event());
  log.clear();
  broadcaster.Changed();
  EXPECT_EQ(log, (std::vector<std::pair<int, TObject*>>{{1, &owner}, {3, &owner}}));
}

TEST(FileExtList, SortedCaseInsensitiveWithoutDuplicates) {
  auto component = Make<TFileExtComponent>();
  component->SetFileExtList({".sql", ".TXT", ".SQL", ".ddl"});
  EXPECT_EQ(component->FileExtList().Add(".Sql"), 1) << "a duplicate gives the index of its twin";
  ASSERT_EQ(component->FileExtList().Count(), 3);
  EXPECT_EQ(component->FileExtList()[0], ".ddl");
  EXPECT_EQ(component->FileExtList()[1], ".sql");
  EXPECT_TRUE(component->HasFileExt(".Sql"));
  EXPECT_TRUE(component->HasFileExt(".txt"));
  EXPECT_FALSE(component->HasFileExt(".pas"));
}

TEST(StringList, ContainsFoldsCaseAndSeesOnlyWholeItems) {
  TStringList list;
  list.Assign({"SELECT", "as", "From"});
  const struct {
    const char* word;
    bool held;
  } cases[] = {{"select", true}, {"AS", true},     {"from", true},   {"FROM", true}, {"fro", false},
               {"froms", false}, {"xselect", false}, {"SELECTS", false}, {"a", false},  {"", false},
               {"b", false},     {"_as", false}};
  for (const auto& c : cases) EXPECT_EQ(list.Contains(c.word), c.held) << c.word;
  list.Add("");
  EXPECT_TRUE(list.Contains(""));
  EXPECT_TRUE(list.Contains("as"));
  list.Clear();
  EXPECT_FALSE(list.Contains("select"));
  EXPECT_FALSE(list.Contains(""));
  list.Add("z");
  EXPECT_TRUE(list.Contains("Z"));
  EXPECT_FALSE(list.Contains("select"));
}
