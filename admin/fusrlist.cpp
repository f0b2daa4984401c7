#include "admin/fusrlist.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <sstream>

#include "admin/core/fusercore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/fschema.h"
#include "platform/qstr.h"
#include "sqlwork/ovconncombo.h"
#include "sqlwork/sqlactions.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovlistsel.h"

namespace {

constexpr char kSizeKey[] = "USERLIST";
constexpr int kWindowImage = 3;
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 400;
// The image a row was given, kept beside its icon.
constexpr int kRowImageRole = Qt::UserRole + 1;

constexpr TActionSpec kNew = {"新規(&N)", "新規|新規に作成します。", kUserPageImage};
constexpr TActionSpec kOpen = {"開く(&O)", "開く|選択中のオブジェクトの定義情報を表示します。", 17};
constexpr TActionSpec kScript = {"スクリプト出力(&S)", "スクリプト出力|選択中のオブジェクトのスクリプトを出力します。", 18};
constexpr TActionSpec kDelete = {"削除(&D)", "削除|選択中のオブジェクトを削除します。", 41};
constexpr TActionSpec kRefresh = {"最新(&R)", "最新|リストの内容を最新の状態に変更します。", 16};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

void SetRowImage(QTreeWidgetItem& row, int image) {
  row.setData(0, kRowImageRole, image);
  row.setIcon(0, imgMain().Icon(image));
}

// The editors' kind code of a page's rows.
int EditorKindOf(int pageImage) { return pageImage == kUserPageImage ? kUserKind : pageImage; }

}  // namespace

void TfrmUserList::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmUserList>(kUserListTitle, connection)) return;
  new TfrmUserList(connection);
}

TfrmUserList::TfrmUserList(TovConnectionWindow& connection) : TfrmAdmin(connection, kUserListTitle) {
  setObjectName("frmUserList");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  StartOn(connection);
  TaskButtonClick();
}

void TfrmUserList::setupUi() {
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
  mnuObject = menuBar->addMenu(Q("ユーザー情報(&O)"));
  mnuObject->setObjectName("mnuObject");
  for (QAction* action : {actNew, actOpen, actScript, actDelete}) mnuObject->addAction(action);
  layout_->setMenuBar(menuBar);
  for (QAction* action : {actNew, actOpen, actDelete, actRefresh, actExit}) AddToolAction(action);

  pagUsrList = new QTabBar(this);
  pagUsrList->setObjectName("pagUsrList");
  for (const TUserListPage& page : UserListPages()) {
    const int index = pagUsrList->addTab(imgMain().Icon(page.Image), Q(page.Caption));
    pagUsrList->setTabData(index, page.Image);
  }
  layout_->addWidget(pagUsrList);
  connect(pagUsrList, &QTabBar::currentChanged, this, [this] {
    actNew->setIcon(imgMain().Icon(PageImage()));
    RunReported([this] { Reload(this); });
  });

  lstObject = new TovListView(this);
  lstObject->setObjectName("lstObject");
  lstObject->SetListStyle(false);
  lstObject->SetSortState(1);  // by name until a column title is clicked
  lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstObject, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { mnuObject->popup(lstObject->viewport()->mapToGlobal(at)); });
  connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { actOpen->trigger(); });
  lstObject->installEventFilter(this);
  layout_->addWidget(lstObject, 1);
  UpdateActions();
}

int TfrmUserList::PageImage() const { return pagUsrList->tabData(pagUsrList->currentIndex()).toInt(); }

int TfrmUserList::RowImage(const QTreeWidgetItem& row) { return row.data(0, kRowImageRole).toInt(); }

void TfrmUserList::Bind(TovConnectionWindow& connection) {
  DBCode = connection.GetDBCode(connection.Module().GetDataSourceName());
}

void TfrmUserList::DBChange(QObject* sender) {
  TfrmAdmin::DBChange(sender);
  // Only while the bound connection is still listed: otherwise the window
  // is closing.
  TovConnectionWindow* shown = ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex());
  if (shown && shown == ConnectionWindow) Bind(*shown);
}

void TfrmUserList::UpdateActions() {
  const bool selected = !lstObject->selectedItems().isEmpty();
  for (QAction* action : {actOpen, actScript, actDelete}) action->setEnabled(selected);
}

bool TfrmUserList::eventFilter(QObject* watched, QEvent* event) {
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

void TfrmUserList::Reload(QObject*) {
  if (!ConnectionWindow) return;
  TovMainWindow* main = MainWindow();
  const TSqlWaitCursor cursor;
  ShowCaption();
  const TUserListPage& page = UserListPage(PageImage());
  lstObject->clear();
  lstObject->setColumnCount(static_cast<int>(page.Columns.size()));
  QStringList titles;
  for (const TUserListColumn& column : page.Columns) titles << Q(column.Caption);
  lstObject->setHeaderLabels(titles);
  for (size_t i = 0; i < page.Columns.size(); ++i) lstObject->setColumnWidth(static_cast<int>(i), page.Columns[i].Width);
  if (main) main->ShowProgress(0, 0);
  const bool repaint = AppOption.Progress;
  lstObject->setUpdatesEnabled(repaint);
  try {
    const std::vector<std::string> values =
        page.Image == kSchemaPageImage ? std::vector<std::string>{DBCode} : std::vector<std::string>{};
    TovSQLQuery& q = ConnectionWindow->OpenSQLParams(page.Sql, values);
    for (; !q.Eof() && !IsEscapePressed(); q.Next()) {
      auto* row = new QTreeWidgetItem(lstObject);
      row->setText(0, Q(Trim(q.AsString(size_t{0}))));
      SetRowImage(*row, UserListRowImage(page.Image));
      for (size_t column = 1; column < page.Columns.size(); ++column)
        row->setText(static_cast<int>(column), Q(UserListCellText(page.Image, column, Trim(q.AsString(column)))));
      if (repaint) lstObject->repaint();
    }
    q.Close();
  } catch (...) {
    lstObject->setUpdatesEnabled(true);
    if (main) main->ShowObjectCount();
    UpdateActions();
    throw;
  }
  lstObject->CustomSort();
  const std::string login = ConnectionWindow->Module().GetUserName();
  for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = lstObject->topLevelItem(i);
    SetRowImage(*row, UserListMarkedImage(page.Image, row->text(0).toStdString(), login));
  }
  lstObject->setUpdatesEnabled(true);
  if (main) main->ShowObjectCount();
  UpdateActions();
}

void TfrmUserList::OpenEditor(const std::string& name, uint8_t mode) {
  if (!ConnectionWindow) return;
  if (PageImage() == kSchemaPageImage)
    TovObjectEditor::CreateEditor<TfrmSchema>(*ConnectionWindow, {"", name, 0, mode, 0, ""});
  else
    CreateObjectEditor(*ConnectionWindow, EditorKindOf(PageImage()), "", name, mode, 0);
}

void TfrmUserList::actNewExecute() { OpenEditor("", 0); }

void TfrmUserList::actOpenExecute() {
  if (lstObject->selectedItems().isEmpty()) return;
  const TAdminWalk walk(MainWindow());
  TListSelection list(*lstObject, [](const QTreeWidgetItem& row) {
    return TObjectItem{RowImage(row), "", row.text(0).toStdString()};
  });
  WalkSelection(list, true, walk.Hooks(),
                [this](const TObjectItem& item) { OpenEditor(item.Name, static_cast<uint8_t>(AppOption.OpenMode)); });
}

void TfrmUserList::actScriptExecute() {
  if (lstObject->selectedItems().isEmpty() || !ConnectionWindow || !ScriptOutputDialog()) return;
  std::string target;
  std::string nameTable;  // the list's names are not objects of a schema
  if (!ScriptOutputDialog()(*ConnectionWindow, target, nameTable)) return;
  WriteScripts(target);
  MsgBox(kScriptsWritten, MB_ICONINFORMATION);
}

void TfrmUserList::WriteScripts(const std::string& target) {
  const TScriptOption& option = ScriptOption;
  const auto modeOf = [&option](const std::string& path) {
    return ScriptFileMode(QFileInfo::exists(Q(path)), option.SameName);
  };
  if (option.OneScript && modeOf(target) == TFileMode::Create) QFile::remove(Q(target));
  TovConnectionWindow& connection = *ConnectionWindow;
  const int page = PageImage();
  const TAdminWalk walk(MainWindow());
  // The one grant file is prepared by its file mode for the first row
  // written; the later ones append to it.
  bool grantFileStarted = false;
  TListSelection list(*lstObject, [page](const QTreeWidgetItem& row) {
    return TObjectItem{page, "", row.text(0).toStdString()};
  });
  WalkSelection(list, true, walk.Hooks(),
                [&](const TObjectItem& item) {
                  std::ostringstream ddl;
                  // A schema has no script: its file stays empty.
                  if (page != kSchemaPageImage) GenerateDDL(connection, EditorKindOf(page), "", item.Name, ddl, "", "");
                  // Only a user's own object privileges: a role's DDL carries its privileges.
                  std::string grants;
                  if (option.Grant && page == kUserPageImage)
                    grants = CrLfText(UserGrantLines(ReadUserPrivileges(connection, item.Name), item.Name,
                                                     AppOption.Separator));
                  const std::optional<std::string> grantPath = UserListGrantPath(option, target, page, item.Name);
                  if (!grantPath) ddl << grants;
                  const std::string path = UserListScriptPath(option, target, page, item.Name);
                  WriteScriptFile(path, option.OneScript ? TFileMode::Append : modeOf(path), ddl.str());
                  if (!grantPath || page != kUserPageImage) return;
                  const bool oneGrantFile = option.GrantMode != 1;
                  const TFileMode mode = oneGrantFile && grantFileStarted ? TFileMode::Append : modeOf(*grantPath);
                  WriteScriptFile(*grantPath, mode, grants);
                  grantFileStarted = true;
                });
}

void TfrmUserList::actDeleteExecute() {
  if (lstObject->selectedItems().isEmpty() || !ConnectionWindow) return;
  const int page = PageImage();
  TCheckList checks;
  if (page == kSchemaPageImage) checks.push_back({kCascadeOption, false});
  if (MsgBoxWithChecks(kDeleteQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks) != IDYES) return;
  const bool cascade = !checks.empty() && checks.front().checked;
  TovConnectionWindow& connection = *ConnectionWindow;
  TDeleteOutcome outcome;
  {
    const TAdminWalk walk(MainWindow());
    const QSignalBlocker quiet(lstObject);
    TListSelection list(*lstObject, [page](const QTreeWidgetItem& row) {
      return TObjectItem{page, "", row.text(0).toStdString()};
    });
    outcome = DeletePasses(list, AppOption.DelErr,
                           walk.Hooks(),
                           [&](const TObjectItem& item) {
                             for (const std::string& sql : UserListDropStatements(page, item.Name, cascade))
                               connection.ExecSQL(sql);
                           });
  }
  UpdateActions();
  if (outcome.End == TDeleteEnd::Failed) {
    MsgBox(outcome.Error, MB_ICONERROR);
    return;
  }
  // Esc ends the run as its last row does: what was dropped is gone.
  MsgBox(kDeleted, MB_ICONINFORMATION);
  connection.BuildTree();
}

void TfrmUserList::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }

void TfrmUserList::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
