// ovchklstcore: the plain rules of the two-box check list: the flags of an
// item, the tie between its boxes, and the snapshot.
#pragma once

#include <QRect>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum TCheckBoxState { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };

// What the list keeps per item beside its text.
struct TovCheckListBoxDataWrapper {
  int32_t Data = 0;
  TCheckBoxState StateL = cbUnchecked;
  TCheckBoxState StateR = cbUnchecked;
  bool DisabledL = false;
  bool DisabledR = false;
};

enum class TCheckClick { L, R };

// The user's toggle of one box, with the tie: clearing L clears R, ticking
// R ticks L. Returns the click events in the order they fire; nothing for
// a disabled box.
std::vector<TCheckClick> ToggleCheckL(TovCheckListBoxDataWrapper& item, bool allowGrayed);
std::vector<TCheckClick> ToggleCheckR(TovCheckListBoxDataWrapper& item, bool allowGrayed);

// One snapshot value per item: (left state shl 16) or right state.
uint32_t SnapshotValueOf(const TovCheckListBoxDataWrapper& item);

// The list's error for an index that does not exist.
std::string ListIndexErrorText(int index);

// The states of every item as they were at the last SaveState.
class TCheckListSnapshot {
 public:
  void Save(std::vector<uint32_t> values) { saved_ = std::move(values); }
  // True when the item's value differs from the saved one, or the index lies
  // outside the list (of |count| items) or outside the snapshot.
  bool ItemModified(int index, int count, uint32_t current) const;

 private:
  std::vector<uint32_t> saved_;
};

// A box slot is the glyph and a pixel on each side.
int CheckSlotWidth(int glyphWidth);
// The slot of a box in front of an item's text; the item rectangle is the
// whole row, the slots lie at its reading start (right for right-to-left).
QRect CheckSlotRect(TCheckClick box, const QRect& item, int slotWidth, bool rightToLeft);
// The box under a point of the row, if any.
std::optional<TCheckClick> CheckSlotAt(int x, const QRect& item, int slotWidth, bool rightToLeft);
