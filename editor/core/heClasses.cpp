#include "editor/core/heClasses.h"

#include <algorithm>

void TNotifyPersistent::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TNotifyPersistent::BeginUpdate() { ++FUpdateCount; }

void TNotifyPersistent::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TNotifyPersistent::ChangedProc(TObject* sender) {
  if (sender != this) Changed();
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed() {
  if (FCollection) FCollection->Changed();
}

TCollection::~TCollection() {
  // Items may report into the collection while they go.
  FUpdateCount = 1;
  FItems.clear();
}

TCollectionItem* TCollection::AddItem(std::unique_ptr<TCollectionItem> item) {
  FItems.push_back(std::move(item));
  Changed();
  return FItems.back().get();
}

void TCollection::Delete(int index) {
  Item(index);  // throws for an index outside the items
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  FItems.clear();
  EndUpdate();
}

void TCollection::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TNotifyCollection::ChangedProc(TObject* sender) {
  if (sender != this) Changed();
}

void TNotifyCollection::Update(TCollectionItem*) {
  if (OnChange) OnChange(this);
}

int TMethodList::Add(const TNotifyEvent& method) {
  FItems.push_back(std::make_unique<TNotifyEvent>(method));
  return Count() - 1;
}

void TMethodList::Remove(const TNotifyEvent& method) {
  const auto it = std::find_if(FItems.rbegin(), FItems.rend(), [&](const auto& m) { return *m == method; });
  if (it != FItems.rend()) FItems.erase(std::next(it).base());
}

void TNotifyEventList::Changed() {
  if (UpdateCount() != 0) return;
  for (int i = 0; i < FList.Count(); ++i) FList.Item(i)(FOwner);
}

namespace {

// Letters fold as the "C" locale folds them: ASCII only.
int FoldAscii(int c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

// The text with its ASCII letters folded as CompareText folds them.
std::string Folded(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
  return folded;
}

}  // namespace

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const int ca = FoldAscii(static_cast<unsigned char>(a[i]));
    const int cb = FoldAscii(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool TStringList::Find(std::string_view s, int& index) const {
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int c = CompareText(FItems[static_cast<size_t>(mid)], s);
    if (c == 0) {
      index = mid;
      return true;
    }
    if (c < 0) low = mid + 1;
    else high = mid - 1;
  }
  index = low;
  return false;
}

bool TStringList::Contains(std::string_view s) const {
  if (!s.empty() && (s.size() < FShortest || s.size() > FLongest ||
                     !FFirsts.test(static_cast<size_t>(FoldAscii(static_cast<unsigned char>(s.front())))))) {
    return false;
  }
  return FFolded.contains(Folded(s));
}

int TStringList::Add(const std::string& s) {
  int index = 0;
  if (Find(s, index)) return index;
  FShortest = FItems.empty() ? s.size() : std::min(FShortest, s.size());
  FLongest = std::max(FLongest, s.size());
  if (!s.empty()) FFirsts.set(static_cast<size_t>(FoldAscii(static_cast<unsigned char>(s.front()))));
  FFolded.insert(Folded(s));
  FItems.insert(FItems.begin() + index, s);
  Changed();
  return index;
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  FFolded.clear();
  FFirsts.reset();
  FShortest = 0;
  FLongest = 0;
  Changed();
}

void TStringList::Assign(const std::vector<std::string>& strings) {
  BeginUpdate();
  FItems.clear();
  for (const std::string& s : strings) Add(s);
  EndUpdate();
}

void TStringList::EndUpdate() {
  --FUpdateCount;
  Changed();
}

void TStringList::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange(this);
}

void TFileExtComponent::AfterConstruction() {
  FFileExtList = CreateFileExtList();
  InitFileExtList();
}

std::unique_ptr<TStringList> TFileExtComponent::CreateFileExtList() { return std::make_unique<TStringList>(); }

void TFileExtComponent::SetFileExtList(const std::vector<std::string>& extensions) { FFileExtList->Assign(extensions); }

bool TFileExtComponent::HasFileExt(const std::string& extension) const {
  int index = 0;
  return FFileExtList->Find(extension, index);
}
