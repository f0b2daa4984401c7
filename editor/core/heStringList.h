// heStringList: the editor's own line list. Each item carries, beside its
// text, a state string, an object and two 32-bit data words (the row words).
// A loaded text stays one block of bytes that its items point into; an
// item gets a cell string of its own only when it is set or read, so
// opening a large file makes no string per line.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/heCells.h"
#include "editor/core/heClasses.h"

// The class library's string-list error.
class EStringListError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

// The error of an index outside a list.
EStringListError ListIndexError(int index);

struct TheStringItem {
  static constexpr size_t kNoSpan = SIZE_MAX;
  // The item's own text, or the cells of its bytes in the block once read.
  mutable std::unique_ptr<TCellString> FString;
  std::unique_ptr<std::string> FState;  // null: empty
  TObject* FObject = nullptr;
  size_t FOffset = kNoSpan;  // the bytes in the block, kNoSpan for a text of its own
  size_t FLength = 0;
  uint32_t FDataA = 0;
  uint32_t FDataB = 0;
};

class TheStringList : public TPersistent {
 public:
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

  ~TheStringList() override;

  virtual void Changed();
  virtual void Changing();

  virtual const TCellString& Get(int index) const;
  // The item's UTF-8 bytes, valid until the item or the list changes.
  std::string_view Bytes(int index) const;
  // The item's text without keeping a cell string for it: its own when it
  // has one, else `scratch` filled with it.
  const TCellString& Peek(int index, TCellString& scratch) const;
  virtual int GetCapacity() const { return FCapacity; }
  virtual int GetCount() const { return static_cast<int>(FList.size()); }
  virtual void Put(int index, TCellString s);
  virtual void SetCapacity(int capacity);
  virtual int Add(TCellString s);
  virtual void Clear();
  virtual void Delete(int index);
  virtual void Exchange(int index1, int index2);
  virtual void Insert(int index, TCellString s);
  // Clears the list and keeps `text` as the block that AddSpan items point into.
  void LoadText(std::string text);
  // Appends an item of the block's bytes [offset, offset + length).
  int AddSpan(size_t offset, size_t length);
  // Whether the item is bytes of the block, and where they start.
  bool SpanOf(int index, size_t& offset) const;

  // A list made anew from items of the old one, kept as they are (text,
  // data words, state and object, without a copy of the text), and new
  // items. An item kept is no longer the old list's.
  class TBuilder {
   public:
    void Keep(int index);
    void AddSpan(size_t offset, size_t length);
    void Add(TCellString s);
    int Count() const { return static_cast<int>(FNew.size()); }

   private:
    friend class TheStringList;
    explicit TBuilder(std::vector<TheStringItem>& old) : FOld(old) {}
    std::vector<TheStringItem>& FOld;
    std::vector<TheStringItem> FNew;
  };
  // Replaces the items by those `build` appends; the old ones may be read
  // by index until they are kept.
  void Rebuild(const std::function<void(TBuilder&)>& build);
  const std::string& Text() const { return FText; }

  // The base list's update bracket: the outermost pair reaches SetUpdateState.
  void BeginUpdate();
  void EndUpdate();

  // Item fields written without notification.
  TObject* Objects(int index) const { return Item(index).FObject; }
  void SetObjects(int index, TObject* object) { Item(index).FObject = object; }
  const std::string& States(int index) const;
  void SetStates(int index, const std::string& state);
  uint32_t DataA(int index) const { return Item(index).FDataA; }
  void SetDataA(int index, uint32_t value) { Item(index).FDataA = value; }
  uint32_t DataB(int index) const { return Item(index).FDataB; }
  void SetDataB(int index, uint32_t value) { Item(index).FDataB = value; }

 protected:
  virtual void SetUpdateState(bool updating);

 private:
  void CheckIndex(int index, int last) const;
  TheStringItem& Item(int index);
  const TheStringItem& Item(int index) const;
  void Grow();

  std::vector<TheStringItem> FList;  // the items; room for FCapacity
  std::string FText;                 // the block of a loaded text
  int FCapacity = 0;
  int FUpdateCount = 0;
  int FBaseUpdateCount = 0;
};
