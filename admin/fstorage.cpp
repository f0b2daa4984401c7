#include "admin/fstorage.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>
#include <QVBoxLayout>

#include <sstream>

#include "admin/ftbs.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "platform/qstr.h"
#include "sqlwork/core/fnametblcore.h"
#include "sqlwork/sqlactions.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovlistsel.h"

namespace {

constexpr char kStorageTitle[] = "データベーススペース情報";
constexpr const char* kUnitMB = "MB";
constexpr const char* kUnitKB = "KB";
constexpr int kDesignWidth = 760;
constexpr int kDesignHeight = 400;
constexpr int kTextMargin = 5;
constexpr int kBarInset = 2;
constexpr QColor kFreeColor = QColor(255, 0, 255);
constexpr QColor kUsedColor = QColor(0, 0, 255);
// The descriptor's tag, kept on the list's header item.
constexpr int kTagRole = Qt::UserRole;

constexpr TActionSpec kNew = {"新規(&N)", "新規|新規に作成します。", kTbsKind};
constexpr TActionSpec kOpen = {"開く(&O)", "開く|選択中のオブジェクトの定義情報を表示します。", 17};
constexpr TActionSpec kScript = {"スクリプト出力(&S)", "スクリプト出力|選択中のオブジェクトのスクリプトを出力します。", 18};
constexpr TActionSpec kDelete = {"削除(&D)", "削除|選択中のオブジェクトを削除します。", 41};
constexpr TActionSpec kRefresh = {"最新(&R)", "最新|リストの内容を最新の状態に変更します。", 16};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};


std::string ValueName(const char* stem, size_t tag) { return stem + std::to_string(tag); }

}  // namespace

void TUsageCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  const QPalette& palette = option.palette;
  const QString text = index.data(Qt::DisplayRole).toString();
  painter->save();
  painter->fillRect(option.rect, selected ? palette.highlight() : palette.base());
  if (bar_) {
    QRect cell = option.rect.adjusted(0, kBarInset, 0, -kBarInset);
    painter->fillRect(cell, kFreeColor);
    cell.adjust(0, kBarInset, 0, -kBarInset);
    cell.setWidth(UsageBarWidth(text.toStdString(), cell.width()));
    if (cell.width() > 0) painter->fillRect(cell, kUsedColor);
  } else {
    painter->setPen(selected ? palette.highlightedText().color() : palette.text().color());
    const QRect area = option.rect.adjusted(kTextMargin, 0, -kTextMargin, 0);
    Qt::Alignment align = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) & Qt::AlignHorizontal_Mask;
    if (!align) align = Qt::AlignLeft;
    painter->drawText(area, static_cast<int>(align | Qt::AlignVCenter | Qt::TextSingleLine),
                      option.fontMetrics.elidedText(text, Qt::ElideRight, area.width()));
  }
  painter->restore();
}

void TfrmStorage::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmStorage>(kStorageTitle, connection)) return;
  new TfrmStorage(connection);
}

TfrmStorage::TfrmStorage(TovConnectionWindow& connection) : TfrmAdmin(connection, kStorageTitle) {
  setObjectName("frmStorage");
  SetDesignSize(kDesignWidth, kDesignHeight);
  for (size_t tag = 0; tag < stCount; ++tag) Columns[tag] = kStorageColumns[tag];
  // The columns are known before the first load, which the combo starts.
  ReadColumns();
  setupUi();
  CreateTaskButton();
  SetImageIndex(kTbsKind);
  setWindowIcon(imgMain().Icon(kTbsKind));
  StartOn(connection);
  TaskButtonClick();
}

void TfrmStorage::setupUi() {
  actNew = MakeAction(this, kNew);
  actOpen = MakeAction(this, kOpen);
  actScript = MakeAction(this, kScript);
  actDelete = MakeAction(this, kDelete);
  actRefresh = MakeAction(this, kRefresh);
  actExit = MakeAction(this, kExit);
  actNew->setObjectName("actNew");
  actOpen->setObjectName("actOpen");
  actScript->setObjectName("actScript");
  actDelete->setObjectName("actDelete");
  actRefresh->setObjectName("actRefresh");
  actExit->setObjectName("actExit");
  connect(actNew, &QAction::triggered, this, [this] { RunReported([this] { actNewExecute(); }); });
  connect(actOpen, &QAction::triggered, this, [this] { RunReported([this] { actOpenExecute(); }); });
  connect(actScript, &QAction::triggered, this, [this] { RunReported([this] { actScriptExecute(); }); });
  connect(actDelete, &QAction::triggered, this, [this] { RunReported([this] { actDeleteExecute(); }); });
  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });

  auto* menuBar = new QMenuBar(this);
  mnuObject = menuBar->addMenu(Q("データベーススペース情報(&O)"));
  mnuObject->setObjectName("mnuObject");
  for (QAction* action : {actNew, actOpen, actScript, actDelete}) mnuObject->addAction(action);
  mnuObject->addSeparator();
  mnuColumns = mnuObject->addMenu(Q("列表示"));
  mnuColumns->setObjectName("mnuColumns");
  layout_->setMenuBar(menuBar);
  for (QAction* action : {actNew, actOpen, actScript, actDelete, actRefresh, actExit}) AddToolAction(action);

  cmbSize = new TovComboBox(this);
  cmbSize->setObjectName("cmbSize");
  cmbSize->setEditable(false);
  cmbSize->addItems({Q(kUnitMB), Q(kUnitKB)});
  cmbSize->setCurrentText(Q(kUnitKB));
  tolCmd->addWidget(cmbSize);
  connect(cmbSize, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { Reload(this); }); });

  lstObject = new TovListView(this);
  lstObject->setObjectName("lstObject");
  lstObject->SetListStyle(false);
  lstObject->SetRowSelect(true);
  lstObject->SetSortState(1);  // by name until a column title is clicked
  lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
  textCells_ = new TUsageCellDelegate(lstObject, false);
  barCells_ = new TUsageCellDelegate(lstObject, true);
  connect(lstObject, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { mnuObject->popup(lstObject->viewport()->mapToGlobal(at)); });
  connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { actOpen->trigger(); });
  lstObject->installEventFilter(this);
  layout_->addWidget(lstObject, 1);
  UpdateActions();
}

void TfrmStorage::UpdateActions() {
  const bool selected = !lstObject->selectedItems().isEmpty();
  for (QAction* action : {actOpen, actScript, actDelete}) action->setEnabled(selected);
}

bool TfrmStorage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstObject && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete) {
      actDelete->trigger();
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      actOpen->trigger();
      return true;
    }
  }
  return TfrmAdmin::eventFilter(watched, event);
}

void TfrmStorage::ReadColumns() {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kStorageSizeKey), false)) return;
  for (size_t tag = 0; tag < stCount; ++tag) {
    Columns[tag].Width = AppRegistry.ReadIntegerDef(ValueName(kStorageWidthValue, tag), kStorageColumns[tag].Width);
    Columns[tag].Visible = AppRegistry.ReadBoolDef(ValueName(kStorageVisibleValue, tag), kStorageColumns[tag].Visible);
  }
  Columns[stName].Visible = true;
}

void TfrmStorage::LoadWindowSize() { LoadWindowSizeFrom(kStorageSizeKey); }

void TfrmStorage::SaveWindowSize() {
  SaveWindowSizeTo(kStorageSizeKey);
  for (int column = 0; column < lstObject->columnCount(); ++column)
    Columns[lstObject->headerItem()->data(column, kTagRole).toUInt()].Width = lstObject->columnWidth(column);
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kStorageSizeKey), true)) return;
  for (size_t tag = 0; tag < stCount; ++tag) {
    AppRegistry.WriteInteger(ValueName(kStorageWidthValue, tag), Columns[tag].Width);
    AppRegistry.WriteBool(ValueName(kStorageVisibleValue, tag), Columns[tag].Visible);
  }
}

void TfrmStorage::ColListClick(size_t tag) {
  if (tag == stName) return;
  Columns[tag].Visible = !Columns[tag].Visible;
  Reload(this);
}

void TfrmStorage::BuildColumns() {
  lstObject->clear();
  mnuColumns->clear();
  std::vector<size_t> shown;
  for (size_t tag = 0; tag < stCount; ++tag) {
    QAction* item = mnuColumns->addAction(Q(Columns[tag].Caption));
    item->setCheckable(true);
    item->setChecked(Columns[tag].Visible);
    item->setEnabled(tag != stName);
    connect(item, &QAction::triggered, this, [this, tag] { RunReported([this, tag] { ColListClick(tag); }); });
    if (Columns[tag].Visible) shown.push_back(tag);
  }
  lstObject->setColumnCount(static_cast<int>(shown.size()));
  QTreeWidgetItem* header = lstObject->headerItem();
  for (int column = 0; column < static_cast<int>(shown.size()); ++column) {
    const TStorageColumn& descriptor = Columns[shown[static_cast<size_t>(column)]];
    header->setText(column, Q(descriptor.Caption));
    header->setData(column, kTagRole, static_cast<uint>(shown[static_cast<size_t>(column)]));
    header->setTextAlignment(column, (descriptor.RightAligned ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    lstObject->setColumnWidth(column, descriptor.Width);
    // The name keeps the list's own drawing.
    TUsageCellDelegate* cells = shown[static_cast<size_t>(column)] == stUsage ? barCells_ : textCells_;
    lstObject->setItemDelegateForColumn(column, column == 0 ? nullptr : cells);
  }
}

bool TfrmStorage::ReadUsage(std::vector<TStorageRow>& rows) {
  std::vector<std::string> lines;
  const bool ran =
      SpaceToolRunner(*ConnectionWindow, &lines)(SpaceListCommand(ConnectionWindow->Module().GetDataSourceName()));
  if (ran && ReadStorageUsage(lines, cmbSize->currentText() == kUnitMB, rows)) return true;
  MsgBox(kReportFailed, MB_ICONERROR);
  return false;
}

void TfrmStorage::Reload(QObject*) {
  if (!ConnectionWindow) return;
  const TSqlWaitCursor cursor;
  ShowCaption();
  BuildColumns();
  std::vector<TStorageRow> rows;
  if (!ReadUsage(rows)) {
    UpdateActions();
    return;
  }
  const bool repaint = AppOption.Progress;
  lstObject->setUpdatesEnabled(repaint);
  for (const TStorageRow& texts : rows) {
    auto* row = new QTreeWidgetItem(lstObject);
    row->setIcon(0, imgMain().Icon(kTbsKind));
    for (int column = 0; column < lstObject->columnCount(); ++column) {
      const size_t tag = lstObject->headerItem()->data(column, kTagRole).toUInt();
      row->setText(column, Q(texts[tag]));
      if (Columns[tag].RightAligned) row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (repaint) lstObject->repaint();
  }
  lstObject->setUpdatesEnabled(true);
  lstObject->CustomSort();
  UpdateActions();
}

void TfrmStorage::OpenEditor(const std::string& name, uint8_t mode) {
  if (ConnectionWindow) CreateObjectEditor(*ConnectionWindow, kTbsKind, "", name, mode, 0);
}

void TfrmStorage::actNewExecute() { OpenEditor("", 0); }

void TfrmStorage::actOpenExecute() {
  if (lstObject->selectedItems().isEmpty()) return;
  const TAdminWalk walk(MainWindow());
  TListSelection list(*lstObject, [](const QTreeWidgetItem& row) {
    return TObjectItem{kTbsKind, "", row.text(0).toStdString()};
  });
  WalkSelection(list, true, walk.Hooks(),
                [this](const TObjectItem& item) { OpenEditor(item.Name, static_cast<uint8_t>(AppOption.OpenMode)); });
}

void TfrmStorage::actScriptExecute() {
  if (lstObject->selectedItems().isEmpty() || !ConnectionWindow || !ScriptOutputDialog()) return;
  std::string target;
  std::string nameTable;  // spaces belong to no schema
  if (!ScriptOutputDialog()(*ConnectionWindow, target, nameTable)) return;
  TovConnectionWindow& connection = *ConnectionWindow;
  const TScriptOption& option = ScriptOption;
  {
    const TAdminWalk walk(MainWindow());
    TListSelection list(*lstObject, [](const QTreeWidgetItem& row) {
      return TObjectItem{kTbsKind, "", row.text(0).toStdString()};
    });
    WalkSelection(list, true, walk.Hooks(),
                  [&](const TObjectItem& item) {
                    std::ostringstream ddl;
                    GenerateDDL(connection, kTbsKind, "", item.Name, ddl, "", "");
                    // The one script grows; a file per space is made anew.
                    WriteScriptFile(StorageScriptPath(option.OneScript, option.SubDir, target, item.Name),
                                    option.OneScript ? TFileMode::Append : TFileMode::Create, ddl.str());
                  });
  }
  MsgBox(kScriptsWritten, MB_ICONINFORMATION);
}

void TfrmStorage::actDeleteExecute() {
  if (lstObject->selectedItems().isEmpty() || !ConnectionWindow) return;
  if (MsgBox(kDeleteQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  TovConnectionWindow& connection = *ConnectionWindow;
  TDeleteOutcome outcome;
  // A tool that failed has shown its message already.
  bool toolFailed = false;
  {
    const TAdminWalk walk(MainWindow());
    const QSignalBlocker quiet(lstObject);
    TListSelection list(*lstObject, [](const QTreeWidgetItem& row) {
      return TObjectItem{kTbsKind, "", row.text(0).toStdString()};
    });
    outcome = DeletePasses(list, AppOption.DelErr,
                           walk.Hooks(),
                           [&](const TObjectItem& item) {
                             toolFailed = false;
                             if (DropDBSpace(connection, item.Name)) return;
                             toolFailed = true;
                             throw EAbort();
                           });
  }
  UpdateActions();
  if (outcome.End == TDeleteEnd::Failed) {
    if (!toolFailed) MsgBox(outcome.Error, MB_ICONERROR);
    return;
  }
  MsgBox(kDeleted, MB_ICONINFORMATION);
}
