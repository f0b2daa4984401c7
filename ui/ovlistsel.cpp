#include "ui/ovlistsel.h"

#include <algorithm>

int TListSelection::SelectedCount() const {
  int count = 0;
  for (int i = 0; i < list_.topLevelItemCount(); ++i) count += list_.topLevelItem(i)->isSelected() ? 1 : 0;
  return count;
}

int TListSelection::NextSelected(int from) const {
  for (int i = std::max(from, 0); i < list_.topLevelItemCount(); ++i)
    if (list_.topLevelItem(i)->isSelected()) return i;
  return -1;
}

TObjectItem TListSelection::Item(int index) const {
  current = list_.topLevelItem(index);
  return itemOf_(*current);
}

void TListSelection::Deselect(int index) { list_.topLevelItem(index)->setSelected(false); }

void TListSelection::Remove(int index) { delete list_.takeTopLevelItem(index); }

void TListSelection::MakeVisible(int index) { list_.scrollToItem(list_.topLevelItem(index)); }
