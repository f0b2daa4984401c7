// heClasses: the change protocol of the editor's option objects: one
// OnChange per change or per update bracket, sub-objects reporting into their
// owner, a broadcaster that fans a change out to many listeners, and the
// component base with its file-extension list.
#pragma once

#include <bitset>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class TObject {
 public:
  virtual ~TObject() = default;
};

class TPersistent;

// A class-type published property: its name and the object it holds.
struct TPropInfo {
  std::string Name;
  TPersistent* Value = nullptr;
};

class TPersistent : public TObject {
 public:
  virtual TPersistent* GetOwner() const { return nullptr; }
  // Published properties of class type, in declaration order.
  virtual std::vector<TPropInfo> ObjectProperties() { return {}; }
  // Objects that run virtual operations while they are built (hooks of their
  // construction order) do so here; Make calls it.
  virtual void AfterConstruction() {}
};

// Builds an object whose construction runs virtual hooks (components,
// fountains): build them through Make, never with a bare constructor.
template <class T, class... A>
std::unique_ptr<T> Make(A&&... args) {
  auto object = std::make_unique<T>(std::forward<A>(args)...);
  object->AfterConstruction();
  return object;
}

// A method pointer: code and data, compared as a pair.
struct TNotifyEvent {
  using TCode = void (*)(void* data, TObject* sender);
  TCode Code = nullptr;
  void* Data = nullptr;

  template <class T, void (T::*Method)(TObject*)>
  static TNotifyEvent Of(T* self) {
    return {[](void* data, TObject* sender) { (static_cast<T*>(data)->*Method)(sender); }, self};
  }
  explicit operator bool() const { return Code != nullptr; }
  bool operator==(const TNotifyEvent&) const = default;
  void operator()(TObject* sender) const { Code(Data, sender); }
};

class TNotifyPersistent : public TPersistent {
 public:
  TNotifyEvent OnChange;

  virtual void Changed();
  virtual void BeginUpdate();
  virtual void EndUpdate();
  // The OnChange handler of sub-objects.
  virtual void ChangedProc(TObject* sender);
  TNotifyEvent ChangedProcEvent() { return TNotifyEvent::Of<TNotifyPersistent, &TNotifyPersistent::ChangedProc>(this); }

 protected:
  int UpdateCount() const { return FUpdateCount; }
  // The setters' rule: store, and notify only when the value differs.
  template <class T>
  void Store(T& field, const T& value) {
    if (field == value) return;
    field = value;
    Changed();
  }

 private:
  int FUpdateCount = 0;
};

class TCollection;

class TCollectionItem : public TPersistent {
 public:
  explicit TCollectionItem(TCollection* collection) : FCollection(collection) {}
  TCollection* Collection() const { return FCollection; }
  TPersistent* GetOwner() const override;
  virtual void Assign(const TCollectionItem&) {}

 protected:
  // Reports the item's change through its collection.
  void Changed();

 private:
  TCollection* FCollection;
};

// The class library's collection: owned items, an update bracket and one
// update hook per change outside it.
class TCollection : public TPersistent {
 public:
  ~TCollection() override;
  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* Item(int index) const { return FItems.at(static_cast<size_t>(index)).get(); }
  void Delete(int index);
  void Clear();
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  void Changed();

 protected:
  TCollectionItem* AddItem(std::unique_ptr<TCollectionItem> item);
  virtual void Update(TCollectionItem* item);

 private:
  std::vector<std::unique_ptr<TCollectionItem>> FItems;
  int FUpdateCount = 0;
};

class TNotifyCollection : public TCollection {
 public:
  explicit TNotifyCollection(TPersistent* owner) : FOwner(owner) {}
  TNotifyEvent OnChange;
  TPersistent* GetOwner() const override { return FOwner; }
  virtual void ChangedProc(TObject* sender);
  TNotifyEvent ChangedProcEvent() { return TNotifyEvent::Of<TNotifyCollection, &TNotifyCollection::ChangedProc>(this); }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TPersistent* FOwner;
};

class TMethodList {
 public:
  virtual ~TMethodList() = default;
  virtual int Add(const TNotifyEvent& method);
  // Removes the last entry equal in code and data; an absent one is ignored.
  virtual void Remove(const TNotifyEvent& method);
  virtual void Clear() { FItems.clear(); }
  int Count() const { return static_cast<int>(FItems.size()); }
  const TNotifyEvent& Item(int index) const { return *FItems.at(static_cast<size_t>(index)); }

 private:
  std::vector<std::unique_ptr<TNotifyEvent>> FItems;
};

// Fans one change out to every listener, in the order they were added.
class TNotifyEventList : public TNotifyPersistent {
 public:
  explicit TNotifyEventList(TPersistent* owner) : FOwner(owner) {}
  TPersistent* GetOwner() const override { return FOwner; }
  void Changed() override;
  virtual void Add(const TNotifyEvent& method) { FList.Add(method); }
  virtual void Remove(const TNotifyEvent& method) { FList.Remove(method); }

 private:
  TMethodList FList;
  TPersistent* FOwner;
};

// The class library's sorted string list as the editor uses it: duplicates
// ignored, compared without regard to case, found by halving.
class TStringList : public TPersistent {
 public:
  TNotifyEvent OnChange;
  int Count() const { return static_cast<int>(FItems.size()); }
  const std::string& operator[](int index) const { return FItems.at(static_cast<size_t>(index)); }
  // The index of the string; a duplicate adds nothing.
  int Add(const std::string& s);
  bool Find(std::string_view s, int& index) const;
  // Find without the index, by the items' folded forms; most strings that
  // are not in the list are turned away by their length or first letter.
  bool Contains(std::string_view s) const;
  void Clear();
  void Assign(const std::vector<std::string>& strings);
  std::vector<std::string> Strings() const { return FItems; }
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

 private:
  void Changed();
  std::vector<std::string> FItems;
  int FUpdateCount = 0;
  // Of the items: their folded forms, the folded first bytes, and the
  // shortest and longest length.
  std::unordered_set<std::string> FFolded;
  std::bitset<256> FFirsts;
  size_t FShortest = 0;
  size_t FLongest = 0;
};

// Case-insensitive order of the sorted lists (ASCII letters fold).
int CompareText(std::string_view a, std::string_view b);

class TStoreComponent : public TPersistent {};

class TFileExtComponent : public TStoreComponent {
 public:
  void AfterConstruction() override;
  TStringList& FileExtList() { return *FFileExtList; }
  virtual std::unique_ptr<TStringList> CreateFileExtList();
  virtual void InitFileExtList() {}
  virtual void SetFileExtList(const std::vector<std::string>& extensions);
  virtual bool HasFileExt(const std::string& extension) const;

 private:
  std::unique_ptr<TStringList> FFileExtList;
};
