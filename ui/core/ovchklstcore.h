// ovchklstcore: the plain rules of the two-box check list: the flags of an
// item, the tie between its boxes, and the snapshot.
#pragma once

#include <cstdint>
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
