#include "editor/core/heStringList.h"

#include <algorithm>
#include <utility>

#include <QString>

namespace {

const char* const kListIndexError = "リストのインデックスが範囲を超えています (%1)";
// Growth steps when the list is full.
constexpr int kLargeCapacity = 64;
constexpr int kMediumCapacity = 8;
constexpr int kLargeGrowthDivisor = 4;
constexpr int kMediumGrowth = 16;
constexpr int kSmallGrowth = 4;

}  // namespace

EStringListError ListIndexError(int index) {
  return EStringListError(QString(kListIndexError).arg(index).toStdString());
}

TheStringList::~TheStringList() {
  OnChange = {};
  OnChanging = {};
}

void TheStringList::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TheStringList::Changing() {
  if (FUpdateCount == 0 && OnChanging) OnChanging(this);
}

void TheStringList::CheckIndex(int index, int last) const {
  if (index < 0 || index > last) throw ListIndexError(index);
}

TheStringItem& TheStringList::Item(int index) {
  CheckIndex(index, GetCount() - 1);
  return FList[static_cast<size_t>(index)];
}

const TheStringItem& TheStringList::Item(int index) const {
  CheckIndex(index, GetCount() - 1);
  return FList[static_cast<size_t>(index)];
}

const TCellString& TheStringList::Get(int index) const { return Item(index).FString; }

void TheStringList::Put(int index, TCellString s) {
  TheStringItem& item = Item(index);
  Changing();
  item.FString = std::move(s);
  Changed();
}

void TheStringList::SetCapacity(int capacity) {
  FCapacity = std::max(capacity, GetCount());
  if (static_cast<size_t>(FCapacity) < FList.capacity()) FList.shrink_to_fit();
  FList.reserve(static_cast<size_t>(FCapacity));
}

void TheStringList::Grow() {
  int delta = kSmallGrowth;
  if (FCapacity > kLargeCapacity) delta = FCapacity / kLargeGrowthDivisor;
  else if (FCapacity > kMediumCapacity) delta = kMediumGrowth;
  SetCapacity(FCapacity + delta);
}

int TheStringList::Add(TCellString s) {
  const int index = GetCount();
  Insert(index, std::move(s));
  return index;
}

void TheStringList::Insert(int index, TCellString s) {
  CheckIndex(index, GetCount());
  Changing();
  if (GetCount() == FCapacity) Grow();
  FList.insert(FList.begin() + index, TheStringItem{std::move(s), {}, nullptr, 0, 0});
  Changed();
}

void TheStringList::Delete(int index) {
  CheckIndex(index, GetCount() - 1);
  Changing();
  FList.erase(FList.begin() + index);
  Changed();
}

void TheStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, GetCount() - 1);
  CheckIndex(index2, GetCount() - 1);
  Changing();
  std::swap(FList[static_cast<size_t>(index1)], FList[static_cast<size_t>(index2)]);
  Changed();
}

void TheStringList::Clear() {
  if (GetCount() == 0) return;
  Changing();
  FList = {};
  FCapacity = 0;
  Changed();
}

void TheStringList::BeginUpdate() {
  if (FBaseUpdateCount++ == 0) SetUpdateState(true);
}

void TheStringList::EndUpdate() {
  if (--FBaseUpdateCount == 0) SetUpdateState(false);
}

void TheStringList::SetUpdateState(bool updating) {
  if (updating) {
    Changing();
    ++FUpdateCount;
  } else {
    --FUpdateCount;
    Changed();
  }
}
