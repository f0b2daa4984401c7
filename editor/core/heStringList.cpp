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
  CheckIndex(index, FCount - 1);
  return FList[static_cast<size_t>(index)];
}

const TheStringItem& TheStringList::Item(int index) const {
  CheckIndex(index, FCount - 1);
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
  FList.resize(static_cast<size_t>(std::max(capacity, FCount)));
  FCapacity = static_cast<int>(FList.size());
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
  CheckIndex(index, FCount);
  Changing();
  if (FCount == FCapacity) Grow();
  std::move_backward(FList.begin() + index, FList.begin() + FCount, FList.begin() + FCount + 1);
  FList[static_cast<size_t>(index)] = TheStringItem{std::move(s), {}, nullptr, 0, 0};
  ++FCount;
  Changed();
}

void TheStringList::Delete(int index) {
  CheckIndex(index, FCount - 1);
  Changing();
  std::move(FList.begin() + index + 1, FList.begin() + FCount, FList.begin() + index);
  --FCount;
  FList[static_cast<size_t>(FCount)] = TheStringItem{};
  Changed();
}

void TheStringList::Exchange(int index1, int index2) {
  CheckIndex(index1, FCount - 1);
  CheckIndex(index2, FCount - 1);
  Changing();
  std::swap(FList[static_cast<size_t>(index1)], FList[static_cast<size_t>(index2)]);
  Changed();
}

void TheStringList::Clear() {
  if (FCount == 0) return;
  Changing();
  FList.clear();
  FCount = 0;
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
