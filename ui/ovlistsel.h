// ovlistsel: a list view's top-level items as the walks over a selection
// (app/core/fobjcmdcore) see them; the caller says what object an item is.
#pragma once

#include <QTreeWidget>

#include <functional>

#include "app/core/fobjcmdcore.h"

class TListSelection : public TSelectionList {
 public:
  using TItemOf = std::function<TObjectItem(const QTreeWidgetItem&)>;
  TListSelection(QTreeWidget& list, TItemOf itemOf) : list_(list), itemOf_(std::move(itemOf)) {}

  int SelectedCount() const override;
  int NextSelected(int from) const override;
  TObjectItem Item(int index) const override;
  void Deselect(int index) override;
  void Remove(int index) override;
  void MakeVisible(int index) override;

  // The item last handed out.
  mutable QTreeWidgetItem* current = nullptr;

 private:
  QTreeWidget& list_;
  TItemOf itemOf_;
};
