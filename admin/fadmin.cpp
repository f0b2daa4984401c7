#include "admin/fadmin.h"

#include <QHeaderView>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/ovmsg.h"
#include "platform/qstr.h"
#include "sqlwork/ovconncombo.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kLabelSeparator[] = " @ ";
constexpr char kCaptionSeparator[] = " - ";
constexpr QColor kOwnRowColor = QColor(0, 0, 255);

}  // namespace

void SetupAdminList(TovListView& list, const std::vector<TAdminColumn>& columns) {
  list.SetListStyle(false);
  list.SetRowSelect(true);
  list.setEditTriggers(QAbstractItemView::NoEditTriggers);
  list.setSelectionMode(QAbstractItemView::SingleSelection);
  list.setColumnCount(static_cast<int>(columns.size()));
  QStringList titles;
  for (const TAdminColumn& column : columns) titles << QString::fromUtf8(column.Caption);
  list.setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    if (columns[i].Width > 0) list.setColumnWidth(i, columns[i].Width);
    if (columns[i].Right) list.headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
  }
  list.header()->setStretchLastSection(columns.back().Width == 0);
}

QTreeWidgetItem* AddAdminRow(TovListView& list, const std::vector<TAdminColumn>& columns,
                             const std::vector<std::string>& texts, bool ownProgram) {
  auto* item = new QTreeWidgetItem(&list);
  for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
    item->setText(i, Q(texts[i]));
    if (columns[i].Right) item->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
    if (ownProgram) item->setForeground(i, kOwnRowColor);
  }
  return item;
}

std::string TfrmAdmin::LabelOf(TovConnectionWindow& connection) {
  TdmSymfoware& module = connection.Module();
  return module.GetUserName() + kLabelSeparator + module.GetDataSourceName();
}

std::string TfrmAdmin::CaptionOf(const char* title, TovConnectionWindow& connection) {
  return std::string(title) + kCaptionSeparator + LabelOf(connection);
}

TfrmAdmin::TfrmAdmin(TovConnectionWindow& connection, const char* title) : TovForm(connection), title_(title) {
  layout_ = new QVBoxLayout(this);
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  tolCmd = new QToolBar(this);
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  layout_->addWidget(tolCmd);
  cmbDBName = new TovComboBox(this);
  cmbDBName->setObjectName("cmbDBName");
  cmbDBName->setEditable(false);
  connect(cmbDBName, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbDBNameChange(); }); });
}

void TfrmAdmin::AddToolAction(QAction* action) {
  tolCmd->addAction(action);
  tolCmd->widgetForAction(action)->setMinimumWidth(kTextButtonWidth);
}

void TfrmAdmin::StartOn(TovConnectionWindow& connection) {
  tolCmd->addWidget(new QLabel(QString::fromUtf8("\u3000データベース"), this));
  tolCmd->addWidget(cmbDBName);
  FillConnectionCombo(*cmbDBName, MainWindow(), connection.Window());
  cmbDBNameChange();
}

void TfrmAdmin::cmbDBNameChange() {
  TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex());
  if (!connection) return;
  SetConnectionWindow(connection);
  // Closing the connection window closes its monitors first.
  SetFormOwner(this, connection->Window());
  Bind(*connection);
  Reload(this);
}

void TfrmAdmin::ShowCaption() {
  if (!ConnectionWindow) return;
  setWindowTitle(Q(CaptionOf(title_, *ConnectionWindow)));
  SetTaskCaption(LabelOf(*ConnectionWindow));
}

void TfrmAdmin::CommitOpenTransaction() {
  if (!ConnectionWindow) return;
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
}

void TfrmAdmin::DBChange(QObject* sender) {
  (void)sender;
  const QString remembered = cmbDBName->currentText();
  FillConnectionCombo(*cmbDBName, MainWindow());
  const int index = cmbDBName->findText(remembered);
  if (cmbDBName->count() == 0 || index < 0) {
    Frame()->close();
    return;
  }
  const QSignalBlocker blocker(cmbDBName);
  cmbDBName->setCurrentIndex(index);
}
