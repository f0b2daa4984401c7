#include "ui/core/ovchklstcore.h"

#include <QString>

namespace {
constexpr int kLeftStateShift = 16;

TCheckBoxState NextState(TCheckBoxState state, bool allowGrayed) {
  switch (state) {
    case cbUnchecked:
      return allowGrayed ? cbGrayed : cbChecked;
    case cbChecked:
      return cbUnchecked;
    case cbGrayed:
      return cbChecked;
  }
  return cbUnchecked;
}
// One box's toggle: when it lands on the tie state, the other box follows.
std::vector<TCheckClick> Toggle(TCheckBoxState& own, bool disabled, TCheckBoxState& other, TCheckBoxState tie,
                                bool allowGrayed, TCheckClick ownClick, TCheckClick otherClick) {
  if (disabled) return {};
  own = NextState(own, allowGrayed);
  std::vector<TCheckClick> events{ownClick};
  if (own == tie && other != tie) {
    other = tie;
    events.push_back(otherClick);
  }
  return events;
}
}  // namespace

std::vector<TCheckClick> ToggleCheckL(TovCheckListBoxDataWrapper& item, bool allowGrayed) {
  return Toggle(item.StateL, item.DisabledL, item.StateR, cbUnchecked, allowGrayed, TCheckClick::L, TCheckClick::R);
}

std::vector<TCheckClick> ToggleCheckR(TovCheckListBoxDataWrapper& item, bool allowGrayed) {
  return Toggle(item.StateR, item.DisabledR, item.StateL, cbChecked, allowGrayed, TCheckClick::R, TCheckClick::L);
}

uint32_t SnapshotValueOf(const TovCheckListBoxDataWrapper& item) {
  return (static_cast<uint32_t>(item.StateL) << kLeftStateShift) | static_cast<uint32_t>(item.StateR);
}

std::string ListIndexErrorText(int index) {
  return QString::fromUtf8("リストのインデックスが範囲を超えています (%1)").arg(index).toStdString();
}
