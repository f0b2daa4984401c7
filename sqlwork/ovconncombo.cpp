#include "sqlwork/ovconncombo.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QVariant>

#include "app/core/ovmainwin.h"
#include "app/ovforms.h"
#include "platform/qstr.h"

namespace {

QWidget* EntryWindow(const QComboBox& combo, int index) {
  return qobject_cast<QWidget*>(combo.itemData(index).value<QObject*>());
}

}  // namespace

void FillConnectionCombo(QComboBox& combo, TovMainWindow* main) {
  const QSignalBlocker blocker(combo);
  combo.clear();
  if (!main) return;
  for (const TConnectionEntry& entry : main->ConnectionEntries())
    combo.addItem(Q(entry.Label), QVariant::fromValue<QObject*>(entry.ConnectionWindow));
}

void FillConnectionCombo(QComboBox& combo, TovMainWindow* main, const QWidget* window) {
  FillConnectionCombo(combo, main);
  const QSignalBlocker blocker(combo);
  combo.setCurrentIndex(EntryOfWindow(combo, window));
}

TovConnectionWindow* ConnectionOfEntry(const QComboBox& combo, int index) {
  if (index < 0 || index >= combo.count()) return nullptr;
  return AsConnectionWindow(EntryWindow(combo, index));
}

int EntryOfWindow(const QComboBox& combo, const QWidget* window) {
  for (int i = 0; i < combo.count(); ++i)
    if (window && EntryWindow(combo, i) == window) return i;
  return -1;
}
