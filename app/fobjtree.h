// fobjtree: the object tree and the object list of the connection window:
// showing the tree model (fobjtreecore) and filling the list from its
// query, with progress and Esc.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/core/fobjtreecore.h"
#include "app/core/zarur.h"

class QComboBox;
class QTreeWidget;
class QTreeWidgetItem;
class TovListView;
class TovConnectionWindow;
class TovMainWindow;
class TovSQLQuery;

// Replaces the tree's nodes; a node's image is kept as its item data.
void ShowTreeModel(QTreeWidget& tree, const TTreeNode& root);
// The selected node of the tree: its level, text and parent's text.
TTreeSelection TreeSelectionOf(const QTreeWidget& tree);
// The image of a tree or list item, and setting it (kept as item data).
void SetItemImage(QTreeWidgetItem& item, int image);
int ItemImage(const QTreeWidgetItem& item);

// The widths of the list's columns, in column order.
std::vector<int> ColumnWidthsOf(const QTreeWidget& list);

// Hooks of a fill: Esc polling and progress, both at the pace, and per row
// the current value of a sequence.
struct TFillHooks {
  std::function<bool()> EscapePressed;
  std::function<void(int done)> Progress;
  std::function<std::string(const std::string& schema, const std::string& name)> CurrentValue;
  int PaceMillis = kProgressPaceMillis;
};

// Adds one item per row of the open query until its end or Esc: caption
// field 1, image the kind of field 0, sub-items fields 2 onwards. Whenever
// the pace is due, the rows made so far go into the list, Progress hears
// how many the list holds and Esc is polled. Returns the number of items
// added; on an error the rows read so far are in the list.
int FillListRows(TovSQLQuery& query, QTreeWidget& list, const TListLayout& layout, const TFillHooks& hooks);

// The tree of a connection window, built from the catalogue and settings.
void BuildObjectTree(TovConnectionWindow& connection, QTreeWidget& tree, int schemaFilter);

// The controls and state of a connection window that the list fill uses.
struct TObjectListView {
  QTreeWidget* Tree = nullptr;
  TovListView* List = nullptr;
  QComboBox* Find = nullptr;
  TovSQLQuery* Query = nullptr;  // the window's own list query
  TovMainWindow* Main = nullptr;  // for progress; may be none
  int SchemaFilter = kFilterAllSchemas;
  std::string* ColumnKey = nullptr;
};

// Refills the list for the selected tree node; with skipFind the find box
// is ignored. A failing query raises after the cleanup, the rows read kept.
void FillObjectList(TovConnectionWindow& connection, const TObjectListView& view, bool skipFind);
