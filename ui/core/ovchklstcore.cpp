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
}  // namespace

std::vector<TCheckClick> ToggleCheckL(TovCheckListBoxDataWrapper& item, bool allowGrayed) {
  if (item.DisabledL) return {};
  item.StateL = NextState(item.StateL, allowGrayed);
  std::vector<TCheckClick> events{TCheckClick::L};
  if (item.StateL == cbUnchecked && item.StateR != cbUnchecked) {
    item.StateR = cbUnchecked;
    events.push_back(TCheckClick::R);
  }
  return events;
}

std::vector<TCheckClick> ToggleCheckR(TovCheckListBoxDataWrapper& item, bool allowGrayed) {
  if (item.DisabledR) return {};
  item.StateR = NextState(item.StateR, allowGrayed);
  std::vector<TCheckClick> events{TCheckClick::R};
  if (item.StateR == cbChecked && item.StateL != cbChecked) {
    item.StateL = cbChecked;
    events.push_back(TCheckClick::L);
  }
  return events;
}

uint32_t SnapshotValueOf(const TovCheckListBoxDataWrapper& item) {
  return (static_cast<uint32_t>(item.StateL) << kLeftStateShift) | static_cast<uint32_t>(item.StateR);
}

std::string ListIndexErrorText(int index) {
  return QString::fromUtf8("リストのインデックスが範囲を超えています (%1)").arg(index).toStdString();
}
