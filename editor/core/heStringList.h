// heStringList: the editor's own line list. Each item carries, beside its
// text, a state string, an object and two 32-bit data words (the row words).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
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
  TCellString FString;
  std::string FState;
  TObject* FObject = nullptr;
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
  virtual int GetCapacity() const { return FCapacity; }
  virtual int GetCount() const { return static_cast<int>(FList.size()); }
  virtual void Put(int index, TCellString s);
  virtual void SetCapacity(int capacity);
  virtual int Add(TCellString s);
  virtual void Clear();
  virtual void Delete(int index);
  virtual void Exchange(int index1, int index2);
  virtual void Insert(int index, TCellString s);

  // The base list's update bracket: the outermost pair reaches SetUpdateState.
  void BeginUpdate();
  void EndUpdate();

  // Item fields written without notification.
  TObject* Objects(int index) const { return Item(index).FObject; }
  void SetObjects(int index, TObject* object) { Item(index).FObject = object; }
  const std::string& States(int index) const { return Item(index).FState; }
  void SetStates(int index, const std::string& state) { Item(index).FState = state; }
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
  int FCapacity = 0;
  int FUpdateCount = 0;
  int FBaseUpdateCount = 0;
};
