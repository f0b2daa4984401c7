#include "objedit/ffldlist.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/odsql.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "objedit/core/ffldlistcore.h"
#include "objedit/objwindows.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"

namespace {

constexpr const char* kStateKey = "FIELDLIST";
constexpr const char* kWindowState = "WindowState";
constexpr int kStateNormal = 0;
constexpr int kStateMaximised = 2;
constexpr int kIconIndex = 12;
constexpr int kInsAllImage = 31;
constexpr int kInsImage = 32;
constexpr int kDelImage = 33;
constexpr int kDelAllImage = 34;
constexpr int kToolButtonSize = 24;
constexpr int kClientWidth = 420;
constexpr int kClientHeight = 320;

constexpr const char* kColumnsSql =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE B "
    "ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE "
    "WHERE TRIM(B.DB_NAME) = :DATABASE AND B.SCHEMA_NAME = :OWNER AND B.TABLE_NAME = :NAME "
    "ORDER BY A.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";

QToolButton* ToolButton(QToolBar* bar, const char* name, const char* hint, int image) {
  auto* button = new QToolButton(bar);
  button->setObjectName(name);
  button->setToolTip(Q(hint));
  button->setIcon(imgMain().Icon(image));
  button->setFixedSize(kToolButtonSize, kToolButtonSize);
  bar->addWidget(button);
  return button;
}

// Appends the items (top to bottom) to the target, then takes them out of
// the source from the bottom up.
void MoveItems(QListWidget* source, QListWidget* target, bool all) {
  std::vector<int> rows;
  for (int i = 0; i < source->count(); ++i)
    if (all || source->item(i)->isSelected()) rows.push_back(i);
  for (int row : rows) target->addItem(source->item(row)->text());
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) delete source->takeItem(*it);
}

std::vector<std::string> Items(const QListWidget* list) {
  std::vector<std::string> items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
  return items;
}

std::vector<std::string> TableColumns(TovConnectionWindow& connection, const std::string& schema,
                                      const std::string& table) {
  TovSQLQuery qryField(&connection.Module().Connection);
  qryField.SetSQL(kColumnsSql);
  const std::string values[] = {connection.Module().Connection.DataSource, schema, table};
  std::vector<TovParameter>& params = qryField.Parameters();
  for (size_t i = 0; i < params.size() && i < std::size(values); ++i) params[i].Value = Q(values[i]);
  qryField.Open();
  std::vector<std::string> columns;
  for (; !qryField.Eof(); qryField.Next()) columns.push_back(qryField.AsString(size_t{0}));
  qryField.Close();
  return columns;
}

void LoadState(QDialog& form) {
  platform::KeyScope scope(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kStateKey), true)) return;
  const bool maximised =
      AppRegistry.ValueExists(kWindowState) && AppRegistry.ReadInteger(kWindowState) == kStateMaximised;
  if (maximised) {
    form.setWindowState(Qt::WindowMaximized);
    return;
  }
  const TWindowSize size = ReadWindowSize(AppRegistry, {form.width(), form.height()});
  form.resize(size.Width, size.Height);
}

void SaveState(const QDialog& form) {
  platform::KeyScope scope(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kStateKey), true)) return;
  const bool maximised = form.isMaximized();
  AppRegistry.WriteInteger(kWindowState, maximised ? kStateMaximised : kStateNormal);
  if (!maximised) WriteWindowSize(AppRegistry, {form.width(), form.height()});
}

}  // namespace

TfrmFieldList::TfrmFieldList(QWidget* owner) : QDialog(owner) {
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setupUi();
}

void TfrmFieldList::setupUi() {
  setWindowIcon(imgMain().Icon(kIconIndex));
  lstSelect = new QListWidget(this);
  lstSelect->setObjectName("lstSelect");
  lstAll = new QListWidget(this);
  lstAll->setObjectName("lstAll");
  for (QListWidget* list : {lstSelect, lstAll}) {
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->installEventFilter(this);
  }
  auto* bar = new QToolBar(this);
  bar->setOrientation(Qt::Vertical);
  btnInsAll = ToolButton(bar, "btnInsAll", "全て追加", kInsAllImage);
  btnIns = ToolButton(bar, "btnIns", "追加", kInsImage);
  btnDel = ToolButton(bar, "btnDel", "削除", kDelImage);
  btnDelAll = ToolButton(bar, "btnDelAll", "全て削除", kDelAllImage);
  btnSelect = new QPushButton(Q("選択(&S)"), this);
  btnSelect->setObjectName("btnSelect");
  btnExit = new QPushButton(Q("閉じる(&X)"), this);
  btnExit->setObjectName("btnExit");
  connect(btnInsAll, &QToolButton::clicked, this, &TfrmFieldList::btnInsAllClick);
  connect(btnIns, &QToolButton::clicked, this, &TfrmFieldList::btnInsClick);
  connect(btnDel, &QToolButton::clicked, this, &TfrmFieldList::btnDelClick);
  connect(btnDelAll, &QToolButton::clicked, this, &TfrmFieldList::btnDelAllClick);
  connect(lstAll, &QListWidget::itemDoubleClicked, this, &TfrmFieldList::btnInsClick);
  connect(lstSelect, &QListWidget::itemDoubleClicked, this, &TfrmFieldList::btnDelClick);
  connect(btnSelect, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);

  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(Q("表示する項目"), this));
  left->addWidget(lstSelect);
  auto* right = new QVBoxLayout;
  auto* lblAll = new QLabel(Q("選択可能な項目"), this);
  lblAll->setObjectName("lblAll");
  right->addWidget(lblAll);
  right->addWidget(lstAll);
  auto* centre = new QHBoxLayout;
  centre->addLayout(left, 1);
  centre->addWidget(bar, 0, Qt::AlignVCenter);
  centre->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnSelect);
  buttons->addWidget(btnExit);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(centre, 1);
  layout->addLayout(buttons);
  resize(kClientWidth, kClientHeight);
}

void TfrmFieldList::btnInsAllClick() { MoveItems(lstAll, lstSelect, true); }
void TfrmFieldList::btnInsClick() { MoveItems(lstAll, lstSelect, false); }
void TfrmFieldList::btnDelClick() { MoveItems(lstSelect, lstAll, false); }
void TfrmFieldList::btnDelAllClick() { MoveItems(lstSelect, lstAll, true); }

bool TfrmFieldList::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == lstAll && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      btnInsClick();
      return true;
    }
    if (watched == lstSelect && key == Qt::Key_Delete) {
      btnDelClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ShowFieldList(TovConnectionWindow& connection, const std::string& schema, const std::string& table,
                   std::vector<std::string>& list) {
  std::vector<std::string> columns;
  bool read = false;
  RunReported([&] {
    columns = TableColumns(connection, schema, table);
    read = true;
  });
  if (!read) return;
  QWidget* owner = connection.Window();
  TfrmFieldList form(owner);
  form.setWindowTitle(Q(FieldListCaption(schema, table, connection.Module().GetDataSourceName())));
  if (owner) {
    const QPoint client = owner->mapToGlobal(QPoint(0, 0));
    form.move(client.x() + QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight), client.y());
  }
  const TFieldChoice choice = SplitFieldChoice(columns, list);
  for (const std::string& name : choice.Selected) form.lstSelect->addItem(Q(name));
  for (const std::string& name : choice.Available) form.lstAll->addItem(Q(name));
  LoadState(form);
  if (form.exec() == QDialog::Accepted) list = ChosenFieldList(Items(form.lstSelect), list);
  SaveState(form);
}
