#include "ui/core/ovchklstcore.h"

#include <QString>

namespace {
constexpr int kLeftStateShift = 16;
// The pixel on each side of the glyph in its slot.
constexpr int kSlotMargin = 1;

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

bool TCheckListSnapshot::ItemModified(int index, int count, uint32_t current) const {
  if (index < 0 || index >= count || static_cast<size_t>(index) >= saved_.size()) return true;
  return saved_[static_cast<size_t>(index)] != current;
}

int CheckSlotWidth(int glyphWidth) { return glyphWidth + 2 * kSlotMargin; }

QRect CheckSlotRect(TCheckClick box, const QRect& item, int slotWidth, bool rightToLeft) {
  const int offset = box == TCheckClick::L ? 0 : slotWidth;
  const int left = rightToLeft ? item.right() + 1 - offset - slotWidth : item.left() + offset;
  return {left, item.top(), slotWidth, item.height()};
}

std::optional<TCheckClick> CheckSlotAt(int x, const QRect& item, int slotWidth, bool rightToLeft) {
  const int fromStart = rightToLeft ? item.right() - x : x - item.left();
  if (fromStart < 0) return std::nullopt;
  if (fromStart < slotWidth) return TCheckClick::L;
  if (fromStart < 2 * slotWidth) return TCheckClick::R;
  return std::nullopt;
}
