// ovchklst: a list box with two tied check boxes in front of every item, a
// left one (L) and a right one (R) that implies it; each box of each item can
// be disabled on its own, and a snapshot tells which items the user changed.
#pragma once

#include <QListWidget>

#include <functional>
#include <stdexcept>

#include "ui/core/ovchklstcore.h"

// The list's error for an item that does not exist.
class EListError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

class TovCheckListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit TovCheckListBox(QWidget* parent = nullptr);

  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  bool AllowGrayed = false;
  // Takes the snapshot whenever the list gets the focus.
  bool AutoSave = false;

  // The program's own value of an item.
  int32_t ItemData(int index) const { return Wrapper(index).Data; }
  void SetItemData(int index, int32_t value);

  bool CheckedL(int index) const { return StateL(index) == cbChecked; }
  bool CheckedR(int index) const { return StateR(index) == cbChecked; }
  void SetCheckedL(int index, bool checked) { SetStateL(index, checked ? cbChecked : cbUnchecked); }
  void SetCheckedR(int index, bool checked) { SetStateR(index, checked ? cbChecked : cbUnchecked); }
  TCheckBoxState StateL(int index) const { return Wrapper(index).StateL; }
  TCheckBoxState StateR(int index) const { return Wrapper(index).StateR; }
  // The setters neither tie the boxes nor fire events.
  void SetStateL(int index, TCheckBoxState state);
  void SetStateR(int index, TCheckBoxState state);
  bool ItemEnabledL(int index) const { return !Wrapper(index).DisabledL; }
  bool ItemEnabledR(int index) const { return !Wrapper(index).DisabledR; }
  void SetItemEnabledL(int index, bool enabled);
  void SetItemEnabledR(int index, bool enabled);

  // The user's toggle of a box, tied to the other one; the click events
  // follow once both boxes are set.
  void ToggleL(int index);
  void ToggleR(int index);

  void SaveState();
  bool ItemModified(int index) const;

  std::function<void(TovCheckListBox& sender)> OnClickCheckL;
  std::function<void(TovCheckListBox& sender)> OnClickCheckR;

  // The width of one box's slot in front of the text.
  int SlotWidth() const;
  // The height of every row; 0 (at first): the height of the font's text.
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int height);

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;

 private:
  TovCheckListBoxDataWrapper Wrapper(int index) const;
  // Changes an item's flags and repaints it when they changed.
  void Change(int index, const std::function<void(TovCheckListBoxDataWrapper&)>& change);
  void Toggle(int index, std::vector<TCheckClick> (*toggle)(TovCheckListBoxDataWrapper&, bool));

  bool flat_ = true;
  int itemHeight_ = 0;
  TCheckListSnapshot snapshot_;
};
