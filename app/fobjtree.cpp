#include "app/fobjtree.h"

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>

#include "app/core/odsql.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovwhere.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"

namespace {

constexpr int kImageRole = Qt::UserRole;
constexpr const char* kWhereHistoryName = "%";
// Fields of a row: 0 kind, 1 name, 2 onwards the sub-items.
constexpr int kFirstSubItemField = 2;

}  // namespace

// The kind code is also the item's icon in the main image list.
void SetItemImage(QTreeWidgetItem& item, int image) {
  item.setData(0, kImageRole, image);
  item.setIcon(0, imgMain().Icon(image));
}

namespace {

QTreeWidgetItem* AddItems(const TTreeNode& node, QTreeWidgetItem* item, QTreeWidgetItem*& selected) {
  item->setText(0, Q(node.Text));
  SetItemImage(*item, node.Image);
  for (const TTreeNode& child : node.Children) AddItems(child, new QTreeWidgetItem(item), selected);
  if (node.Selected && !selected) selected = item;
  return item;
}

void ApplyExpansion(const TTreeNode& node, QTreeWidgetItem* item) {
  item->setExpanded(node.Expanded);
  for (size_t i = 0; i < node.Children.size(); ++i)
    ApplyExpansion(node.Children[i], item->child(static_cast<int>(i)));
}

}  // namespace

void ShowTreeModel(QTreeWidget& tree, const TTreeNode& root) {
  const QSignalBlocker blocker(&tree);
  tree.setUpdatesEnabled(false);
  tree.clear();
  QTreeWidgetItem* selected = nullptr;
  QTreeWidgetItem* top = AddItems(root, new QTreeWidgetItem(&tree), selected);
  ApplyExpansion(root, top);
  if (selected) {
    tree.setCurrentItem(selected);
    tree.scrollToItem(selected, QAbstractItemView::PositionAtTop);
  }
  tree.setUpdatesEnabled(true);
}

int ItemImage(const QTreeWidgetItem& item) { return item.data(0, kImageRole).toInt(); }

std::vector<int> ColumnWidthsOf(const QTreeWidget& list) {
  std::vector<int> widths;
  for (int i = 0; i < list.columnCount(); ++i) widths.push_back(list.columnWidth(i));
  return widths;
}

namespace {

QTreeWidgetItem* MakeListItem(TovSQLQuery& query, const TListLayout& layout, const TFillHooks& hooks) {
  auto* item = new QTreeWidgetItem;
  item->setText(0, query.Value(1).toString());
  SetItemImage(*item, static_cast<int>(ObjectKindFromName(query.AsString(0))));
  for (size_t field = kFirstSubItemField; field < query.Fields().size(); ++field) {
    const int f = static_cast<int>(field);
    // Most fields go to the list as they come; only two are worked on.
    QString text;
    if (f == layout.CreateTimeField)
      text = Q(CreateTimeText(query.AsString(field)));
    else if (f == layout.CurrentValueField && hooks.CurrentValue)
      text = Q(hooks.CurrentValue(query.AsString(kFirstSubItemField), query.AsString(1)));
    else
      text = query.Value(field).toString();
    item->setText(f - 1, text);
    if (f - 1 < static_cast<int>(layout.Columns.size()) && layout.Columns[static_cast<size_t>(f - 1)].RightAligned)
      item->setTextAlignment(f - 1, Qt::AlignRight | Qt::AlignVCenter);
  }
  return item;
}

}  // namespace

// Items are made apart from the list and handed to it in one insertion per
// pace: a list told of every row repaints and re-lays itself out per row.
int FillListRows(TovSQLQuery& query, QTreeWidget& list, const TListLayout& layout, const TFillHooks& hooks) {
  TProgressPace pace(hooks.PaceMillis);
  QList<QTreeWidgetItem*> pending;
  int added = 0;
  const auto flush = [&] {
    if (pending.isEmpty()) return;
    list.addTopLevelItems(pending);
    added += static_cast<int>(pending.size());
    pending.clear();
    if (hooks.Progress) hooks.Progress(added);
  };
  try {
    for (query.First(); !query.Eof(); query.Next()) {
      if (pace.Due()) {
        flush();
        if (hooks.EscapePressed && hooks.EscapePressed()) break;
      }
      pending.append(MakeListItem(query, layout, hooks));
    }
  } catch (...) {
    flush();
    throw;
  }
  flush();
  return added;
}

void BuildObjectTree(TovConnectionWindow& connection, QTreeWidget& tree, int schemaFilter) {
  TTreeInput input;
  const std::string user = connection.Module().GetUserName();
  input.DataSource = connection.Module().GetDataSourceName();
  input.LoginSchema = LoginSchemaName(user);
  connection.GetSchemaList(input.Schemas, false);
  std::sort(input.Schemas.begin(), input.Schemas.end());
  input.Schemas = LoginSchemaFirst(input.Schemas, input.LoginSchema, AppOption.UserFirst);
  input.StoredSchemas = ReadStoredSchemaList(input.DataSource);
  input.SchemaFilter = schemaFilter;
  input.TreeSort = AppOption.TreeSort;
  input.Kinds = ShownObjectKinds(AppOption);
  ShowTreeModel(tree, BuildTreeModel(input));
}

TTreeSelection TreeSelectionOf(const QTreeWidget& tree) {
  const QTreeWidgetItem* item = tree.currentItem();
  if (!item) return {};
  TTreeSelection selection;
  selection.Level = 0;
  for (const QTreeWidgetItem* up = item->parent(); up; up = up->parent()) ++selection.Level;
  selection.Text = item->text(0).toStdString();
  if (item->parent()) selection.ParentText = item->parent()->text(0).toStdString();
  return selection;
}

namespace {

void ShowColumns(QTreeWidget& list, const TListLayout& layout) {
  QStringList captions;
  for (const TListColumn& column : layout.Columns) captions << Q(column.Caption);
  list.setColumnCount(static_cast<int>(captions.size()));
  list.setHeaderLabels(captions);
  const std::vector<int> widths = LoadColumnWidths(layout);
  for (size_t i = 0; i < widths.size(); ++i) {
    list.setColumnWidth(static_cast<int>(i), widths[i]);
    if (layout.Columns[i].RightAligned)
      list.headerItem()->setTextAlignment(static_cast<int>(i), Qt::AlignRight | Qt::AlignVCenter);
  }
}

// The pattern of the find box; the text goes to the top of its history.
std::string TakeFindPattern(QComboBox* find, bool skipFind) {
  const std::string text = find ? find->currentText().toStdString() : "";
  const std::string pattern = FindPattern(text, AppOption.Find, AppOption.FindAuto, skipFind);
  if (!find || skipFind || !AppOption.Find || text.empty()) return pattern;
  std::vector<std::string> history;
  for (int i = 0; i < find->count(); ++i) history.push_back(find->itemText(i).toStdString());
  PushFindHistory(history, text);
  const QSignalBlocker blocker(find);
  find->clear();
  for (const std::string& entry : history) find->addItem(Q(entry));
  find->setCurrentIndex(0);
  SaveWhereHistory(kWhereHistoryName, kWhereHistoryName, history);
  return pattern;
}

}  // namespace

namespace {

// What a fill changes, put back however it ends (rows read, Esc, a level
// that shows nothing, an error): the list sorted, painted and heard again,
// its query closed, the object count in the status bar, the default cursor.
class FillScope {
 public:
  explicit FillScope(const TObjectListView& view) : view_(view), blocked_(view.List->signalsBlocked()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~FillScope() {
    TovListView& list = *view_.List;
    list.CustomSort();
    list.setUpdatesEnabled(true);
    view_.Query->Close();
    if (view_.Main) view_.Main->ShowObjectCount();
    list.blockSignals(blocked_);
    QApplication::restoreOverrideCursor();
  }
  FillScope(const FillScope&) = delete;
  FillScope& operator=(const FillScope&) = delete;

 private:
  const TObjectListView& view_;
  bool blocked_;
};

}  // namespace

void FillObjectList(TovConnectionWindow& connection, const TObjectListView& view, bool skipFind) {
  TovListView& list = *view.List;
  FillScope scope(view);
  if (list.columnCount() > 0 && view.ColumnKey && !view.ColumnKey->empty())
    SaveColumnWidths(*view.ColumnKey, ColumnWidthsOf(list));
  list.blockSignals(true);
  view.Query->SetSQL("");
  list.clear();
  list.setColumnCount(0);
  list.blockSignals(false);
  const TTreeSelection node = TreeSelectionOf(*view.Tree);
  const std::string user = connection.Module().GetUserName();
  const TListScope listScope =
      ListScopeOf(node, {AppOption.TreeSort, view.SchemaFilter, AppOption.ShowLevel0, AppOption.ShowLevel1, user});
  if (!listScope.Show) return;
  const std::string dataSource = connection.Module().GetDataSourceName();
  std::vector<std::string> schemaSet;
  if (listScope.StoredSchemaSet)
    schemaSet = ReadStoredSchemaList(dataSource);
  else
    connection.GetSchemaList(schemaSet, false);
  const std::string condition = SchemaCondition(listScope.Schema, schemaSet, user);
  const std::string pattern = TakeFindPattern(view.Find, skipFind);
  const TListLayout layout = ObjectListLayout(listScope.Kind, AppOption.TreeData, connection.Level());
  if (view.ColumnKey) *view.ColumnKey = layout.Key;
  ShowColumns(list, layout);

  list.blockSignals(true);
  if (view.Main) view.Main->ShowProgress(0, 0);
  if (!AppOption.Progress) list.setUpdatesEnabled(false);
  TFillHooks hooks;
  hooks.EscapePressed = IsEscapePressed;
  hooks.Progress = [&](int) {
    if (AppOption.Progress) list.repaint();
  };
  hooks.CurrentValue = [&](const std::string& schema, const std::string& name) -> std::string {
    const TListQuery q = SequenceValueQuery(dataSource, schema, name);
    try {
      TovSQLQuery& result = connection.OpenSQLParams(q.SQL, q.Values);
      return result.Eof() ? "" : result.AsString(size_t{0});
    } catch (const std::exception&) {
      return "";  // an unreadable current value shows empty
    }
  };
  const TListQuery query = ObjectListQuery(layout.Key, connection.Level(), dataSource,
                                           layout.Key == "INDEX" || layout.Key == kSourceLayoutKey
                                               ? connection.GetDBCode(dataSource)
                                               : std::string(),
                                           condition, pattern, listScope.Kind);
  view.Query->SetSQL(query.SQL);
  for (size_t i = 0; i < query.Values.size() && i < view.Query->Parameters().size(); ++i)
    view.Query->Parameters()[i].Value = Q(query.Values[i]);
  view.Query->Open();
  FillListRows(*view.Query, list, layout, hooks);
}
