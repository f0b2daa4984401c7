// The main window's workspace list: the stored favourite objects of the
// open connections, filled from the registry on every refresh, fed by drags
// from a connection window's object list, and opened again from here. The
// entry rules are workspacecore's; every change is saved at once.
#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovreg.h"
#include "app/core/workspacecore.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fobject.h"
#include "app/fobjtree.h"
#include "app/ovforms.h"
#include "platform/qstr.h"
#include "ui/ovcomctrls.h"

namespace {

constexpr const char* kWorkSpaceHint =
    "頻繁に利用するオブジェクトを登録する事で、すばやくオブジェクト情報を参照できます。";
// The title an item had when the list was filled: an edit that ends with
// another text renames the entry.
constexpr int kTitleRole = Qt::UserRole + 1;
constexpr int kNameColumn = 1;
constexpr int kSchemaColumn = 2;
constexpr int kConnectColumn = 3;
constexpr uint8_t kPageDefinition = 0;
constexpr uint8_t kPageSource = 1;
constexpr uint8_t kPageData = 2;

struct TColumnDef {
  const char* Caption;
  int Width;
};
constexpr TColumnDef kColumns[] = {{"タイトル", 200}, {"オブジェクト名", 160}, {"スキーマ", 160}, {"データベース", 160}};

struct TAlignItem {
  const char* Name;
  const char* Caption;
  int32_t Align;
};
constexpr TAlignItem kAlignItems[] = {{"mnuWSAlignTop", "上(&T)", kAlignTop},
                                      {"mnuWSAlignBottom", "下(&B)", kAlignBottom},
                                      {"mnuWSAlignLeft", "左(&L)", kAlignLeft},
                                      {"mnuWSAlignRight", "右(&R)", kAlignRight}};

TWorkSpaceItem EntryOf(const QTreeWidgetItem& item) {
  return {ItemImage(item), item.text(kNameColumn).toStdString(), item.text(kSchemaColumn).toStdString(),
          item.text(kConnectColumn).toStdString()};
}

// The selected items in list order.
std::vector<QTreeWidgetItem*> SelectedItems(const QTreeWidget& list) {
  std::vector<QTreeWidgetItem*> items;
  for (int i = 0; i < list.topLevelItemCount(); ++i)
    if (QTreeWidgetItem* item = list.topLevelItem(i); item->isSelected()) items.push_back(item);
  return items;
}

}  // namespace

void TfrmMain::setupWorkSpace() {
  QStringList captions;
  for (const TColumnDef& column : kColumns) captions << column.Caption;
  lstWorkSpace->setColumnCount(static_cast<int>(captions.size()));
  lstWorkSpace->setHeaderLabels(captions);
  for (int i = 0; i < lstWorkSpace->columnCount(); ++i) lstWorkSpace->setColumnWidth(i, kColumns[i].Width);
  lstWorkSpace->setRootIsDecorated(false);
  lstWorkSpace->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstWorkSpace->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstWorkSpace->setDragEnabled(true);
  lstWorkSpace->setAcceptDrops(true);
  lstWorkSpace->viewport()->setAcceptDrops(true);
  lstWorkSpace->setWhatsThis(kWorkSpaceHint);
  lstWorkSpace->SetDragData(
      [this] {
        std::vector<TDraggedObject> objects;
        for (const QTreeWidgetItem* item : SelectedItems(*lstWorkSpace)) {
          const TWorkSpaceItem entry = EntryOf(*item);
          objects.push_back({entry.Connect, entry.Schema, entry.ObjectName, entry.ObjectType});
        }
        return EncodeDraggedObjects(objects);
      },
      kObjectDragFormat);
  lstWorkSpace->viewport()->installEventFilter(this);
  lstWorkSpace->installEventFilter(this);
  connect(lstWorkSpace, &QTreeWidget::itemDoubleClicked, this,
          [this] { WorkSpaceOpen(static_cast<uint8_t>(AppOption.OpenMode)); });
  connect(lstWorkSpace, &QTreeWidget::itemChanged, this, &TfrmMain::WorkSpaceTitleEdited);

  popWorkSpace = new QMenu(this);
  popWorkSpace->setObjectName("popWorkSpace");
  const auto item = [this](const char* name, const char* caption, std::function<void()> run) {
    QAction* action = popWorkSpace->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, std::move(run));
    return action;
  };
  item("mnuWSOpenDefine", "定義情報を開く(&O)", [this] { WorkSpaceOpen(kPageDefinition); });
  item("mnuWSOpenSource", "ソースを開く(&S)", [this] { WorkSpaceOpen(kPageSource); });
  item("mnuWSOpenData", "データを開く(&T)", [this] { WorkSpaceOpen(kPageData); });
  item("mnuWSOpenDataTop", "データを開く(件数指定)(&M)", [this] { WorkSpaceOpenDataTop(); });
  item("mnuWSExec", "実行(&E)", [this] { WorkSpaceExec(); });
  item("mnuWSRename", "名前の変更(&R)", [this] { WorkSpaceRename(); });
  popWorkSpace->addSeparator();
  item("mnuWSDelete", "ワークスペースからオブジェクトを削除する(&D)", [this] { WorkSpaceDelete(); });
  popWorkSpace->addSeparator();
  QMenu* align = popWorkSpace->addMenu("表示位置(&A)");
  align->menuAction()->setObjectName("mnuWSAlign");
  auto* alignGroup = new QActionGroup(align);
  for (const TAlignItem& place : kAlignItems) {
    QAction* action = align->addAction(place.Caption);
    action->setObjectName(place.Name);
    action->setCheckable(true);
    alignGroup->addAction(action);
    connect(action, &QAction::triggered, this, [this, place] { WorkSpaceAlign(place.Align); });
  }
  auto* styleGroup = new QActionGroup(popWorkSpace);
  for (const bool icons : {true, false}) {
    QAction* action = item(icons ? "mnuWSIcon" : "mnuWSReport", icons ? "アイコン表示(&V)" : "リスト表示(&L)",
                           [this, icons] { SetWorkSpaceStyle(icons); });
    action->setCheckable(true);
    styleGroup->addAction(action);
  }
  connect(popWorkSpace, &QMenu::aboutToShow, this, &TfrmMain::popWorkSpacePopup);
  lstWorkSpace->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstWorkSpace, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popWorkSpace->popup(lstWorkSpace->viewport()->mapToGlobal(pos)); });
}

void TfrmMain::RefreshWorkSpace(const QWidget* leftOut) {
  std::vector<std::string> labels;
  for (const TConnectionEntry& entry : ConnectionEntries())
    if (entry.ConnectionWindow != leftOut) labels.push_back(entry.Label);
  LoadWorkSpace();
  const QSignalBlocker blocker(lstWorkSpace);
  lstWorkSpace->setUpdatesEnabled(false);
  lstWorkSpace->clear();
  for (const TovWorkSpace& entry : ShownWorkSpaceEntries(WorkSpaces, labels)) {
    auto* item = new QTreeWidgetItem(lstWorkSpace);
    item->setText(0, Q(entry.Title));
    item->setData(0, kTitleRole, Q(entry.Title));
    SetItemImage(*item, entry.ObjectType);
    item->setText(kNameColumn, Q(entry.ObjectName));
    item->setText(kSchemaColumn, Q(entry.Schema));
    item->setText(kConnectColumn, Q(entry.Connect));
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  lstWorkSpace->sortItems(0, Qt::AscendingOrder);
  lstWorkSpace->setUpdatesEnabled(true);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstWorkSpace->viewport()) {
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
      auto* drag = static_cast<QDropEvent*>(event);
      const std::vector<TDraggedObject> objects = DecodeDraggedObjects(drag->mimeData()->data(kObjectDragFormat));
      const bool accepted = !objects.empty() && drag->source() != lstWorkSpace &&
                            FindConnection(objects.front().Connect) != nullptr;
      accepted ? drag->acceptProposedAction() : drag->ignore();
      return true;
    }
    if (event->type() == QEvent::Drop) {
      auto* drop = static_cast<QDropEvent*>(event);
      if (drop->source() != lstWorkSpace && lstWorkSpaceDragDrop(*drop->mimeData())) drop->acceptProposedAction();
      return true;
    }
  }
  if (watched == lstWorkSpace && event->type() == QEvent::KeyPress &&
      !lstWorkSpace->Editing()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      WorkSpaceOpen(static_cast<uint8_t>(AppOption.OpenMode));
      return true;
    }
    if (key == Qt::Key_Delete) {
      WorkSpaceDelete();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

bool TfrmMain::lstWorkSpaceDragDrop(const QMimeData& data) {
  const std::vector<TDraggedObject> objects = DecodeDraggedObjects(data.data(kObjectDragFormat));
  // Only the list of a connection window that is open gives entries.
  if (objects.empty() || !FindConnection(objects.front().Connect)) return false;
  bool added = false;
  for (const TDraggedObject& o : objects)
    added = AddWorkSpaceEntry(WorkSpaces, {o.Kind, o.Name, o.Schema, objects.front().Connect}) || added;
  if (added) {
    SaveWorkSpace();
    RefreshWorkSpace(nullptr);
  }
  return true;
}

void TfrmMain::WorkSpaceOpen(uint8_t mode) {
  for (const QTreeWidgetItem* item : SelectedItems(*lstWorkSpace)) {
    const TWorkSpaceItem entry = EntryOf(*item);
    if (auto* connection = qobject_cast<TfrmObject*>(FindConnection(entry.Connect)))
      connection->OpenObject(entry.ObjectType, entry.Schema, entry.ObjectName, mode, 0, 0);
  }
}

void TfrmMain::WorkSpaceOpenDataTop() {
  for (const QTreeWidgetItem* item : SelectedItems(*lstWorkSpace)) {
    const TWorkSpaceItem entry = EntryOf(*item);
    auto* connection = qobject_cast<TfrmObject*>(FindConnection(entry.Connect));
    if (!connection) continue;
    const std::optional<int> count = AskRowCount(kApplicationTitle);
    if (!count) return;
    connection->OpenObject(entry.ObjectType, entry.Schema, entry.ObjectName, kPageData, 0, *count);
  }
}

void TfrmMain::WorkSpaceExec() {
  const TActionHandler* run = ActionHandler(kExecProcCommand);
  if (!run) return;
  for (const QTreeWidgetItem* item : SelectedItems(*lstWorkSpace)) {
    const TWorkSpaceItem entry = EntryOf(*item);
    TActionRequest request;
    request.Connection = AsConnectionWindow(FindConnection(entry.Connect));
    if (!request.Connection) continue;
    request.Schema = entry.Schema;
    request.Name = entry.ObjectName;
    request.Text = std::to_string(entry.ObjectType);
    try {
      (*run)(request);
    } catch (const std::exception& e) {
      MsgBox(e.what(), MB_ICONERROR);
    }
  }
}

void TfrmMain::WorkSpaceRename() {
  QTreeWidgetItem* item = lstWorkSpace->currentItem();
  if (item && item->isSelected()) lstWorkSpace->editItem(item, 0);
}

void TfrmMain::WorkSpaceTitleEdited(QTreeWidgetItem* item, int column) {
  if (column != 0) return;
  const std::string title = item->text(0).toStdString();
  if (title == item->data(0, kTitleRole).toString().toStdString()) return;
  {
    const QSignalBlocker blocker(lstWorkSpace);
    item->setData(0, kTitleRole, Q(title));
  }
  if (RenameWorkSpaceEntry(WorkSpaces, EntryOf(*item), title)) SaveWorkSpace();
}

void TfrmMain::WorkSpaceDelete() {
  std::vector<TWorkSpaceItem> items;
  for (const QTreeWidgetItem* item : SelectedItems(*lstWorkSpace)) items.push_back(EntryOf(*item));
  RemoveWorkSpaceEntries(WorkSpaces, items);
  SaveWorkSpace();
  RefreshWorkSpace(nullptr);
}

void TfrmMain::WorkSpaceAlign(int32_t align) {
  if (lstWorkSpace->isHidden()) return;
  SetWorkSpacePlace(align, workSpaceSize_);
  if (!mdiArea->subWindowList().isEmpty()) RefreshWorkSpace(nullptr);
}

void TfrmMain::SetWorkSpaceStyle(bool icons) {
  workSpaceStyle_ = icons ? kWorkSpaceIcons : kWorkSpaceDetails;
  lstWorkSpace->SetListStyle(icons);
}

void TfrmMain::popWorkSpacePopup() {
  std::vector<int32_t> kinds;
  const QTreeWidgetItem* current = lstWorkSpace->currentItem();
  if (current && current->isSelected()) kinds.push_back(ItemImage(*current));
  for (const QTreeWidgetItem* item : SelectedItems(*lstWorkSpace))
    if (item != current) kinds.push_back(ItemImage(*item));
  for (const auto& [name, enabled] : WorkSpacePopupState(kinds, !lstWorkSpace->isHidden()))
    if (auto* action = popWorkSpace->findChild<QAction*>(Q(name))) action->setEnabled(enabled);
  for (const TAlignItem& place : kAlignItems)
    popWorkSpace->findChild<QAction*>(place.Name)->setChecked(place.Align == workSpaceAlign_);
  popWorkSpace->findChild<QAction*>("mnuWSIcon")->setChecked(workSpaceStyle_ == kWorkSpaceIcons);
  popWorkSpace->findChild<QAction*>("mnuWSReport")->setChecked(workSpaceStyle_ != kWorkSpaceIcons);
}
