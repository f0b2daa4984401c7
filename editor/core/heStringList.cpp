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

const TCellString& TheStringList::Get(int index) const {
  const TheStringItem& item = Item(index);
  if (!item.FString) {
    item.FString = std::make_unique<TCellString>(TCellString::FromUtf8({FText.data() + item.FOffset, item.FLength}));
  }
  return *item.FString;
}

std::string_view TheStringList::Bytes(int index) const {
  const TheStringItem& item = Item(index);
  if (item.FString) return item.FString->Utf8();
  return {FText.data() + item.FOffset, item.FLength};
}

const TCellString& TheStringList::Peek(int index, TCellString& scratch) const {
  const TheStringItem& item = Item(index);
  if (item.FString) return *item.FString;
  scratch.Assign({FText.data() + item.FOffset, item.FLength});
  return scratch;
}

void TheStringList::Put(int index, TCellString s) {
  TheStringItem& item = Item(index);
  Changing();
  item.FString = std::make_unique<TCellString>(std::move(s));
  item.FOffset = TheStringItem::kNoSpan;
  Changed();
}

const std::string& TheStringList::States(int index) const {
  static const std::string kNoState;
  const TheStringItem& item = Item(index);
  return item.FState ? *item.FState : kNoState;
}

void TheStringList::SetStates(int index, const std::string& state) {
  TheStringItem& item = Item(index);
  if (state.empty()) {
    item.FState.reset();
  } else if (item.FState) {
    *item.FState = state;
  } else {
    item.FState = std::make_unique<std::string>(state);
  }
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
  TheStringItem item;
  item.FString = std::make_unique<TCellString>(std::move(s));
  FList.insert(FList.begin() + index, std::move(item));
  Changed();
}

void TheStringList::LoadText(std::string text) {
  BeginUpdate();
  Clear();
  FText = std::move(text);
  EndUpdate();
}

int TheStringList::AddSpan(size_t offset, size_t length) {
  Changing();
  if (GetCount() == FCapacity) Grow();
  TheStringItem& item = FList.emplace_back();
  item.FOffset = offset;
  item.FLength = length;
  Changed();
  return GetCount() - 1;
}

bool TheStringList::SpanOf(int index, size_t& offset) const {
  const TheStringItem& item = Item(index);
  offset = item.FOffset;
  return item.FOffset != TheStringItem::kNoSpan;
}

void TheStringList::TBuilder::Keep(int index) {
  if (index < 0 || index >= static_cast<int>(FOld.size())) throw ListIndexError(index);
  FNew.push_back(std::move(FOld[static_cast<size_t>(index)]));
}

void TheStringList::TBuilder::AddSpan(size_t offset, size_t length) {
  TheStringItem& item = FNew.emplace_back();
  item.FOffset = offset;
  item.FLength = length;
}

void TheStringList::TBuilder::Add(TCellString s) {
  FNew.emplace_back().FString = std::make_unique<TCellString>(std::move(s));
}

void TheStringList::Rebuild(const std::function<void(TBuilder&)>& build) {
  Changing();
  TBuilder builder(FList);
  builder.FNew.reserve(FList.size());
  build(builder);
  FList = std::move(builder.FNew);
  FCapacity = static_cast<int>(FList.capacity());
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
  FText = {};
  if (GetCount() == 0) return;
  Changing();
  std::vector<TheStringItem>().swap(FList);
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
