#include "objedit/rgrant.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmsg.h"
#include "app/core/ovoptions.h"
#include "app/ovforms.h"
#include "objedit/objwindows.h"
#include "platform/qstr.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"

namespace {

constexpr int kNameColumnWidth = 200;
constexpr int kPrivilegeColumnWidth = 90;
constexpr int kCheckRowHeight = 16;
// An item keeps the index of its row: a click on a header sorts the items.
constexpr int kRowRole = Qt::UserRole;
constexpr const char* kShowModeItems[] = {"権限付与済みのユーザーのみ表示", "全てのユーザーを表示"};
// The legend's blanks are ideographic spaces.
constexpr const char* kLegend = "\u3000* : 権限付与済\u3000G : GRANT OPTION\u3000";

}  // namespace

TfraGrant::TfraGrant(QWidget* parent) : QWidget(parent) { setupUi(); }

void TfraGrant::setupUi() {
  pnlTop = new QWidget(this);
  pnlTop->setObjectName("pnlTop");
  rdoShowMode = new QGroupBox(Q(" 表示対象 "), pnlTop);
  rdoShowMode->setObjectName("rdoShowMode");
  showModes_ = new QButtonGroup(rdoShowMode);
  auto* modeLayout = new QVBoxLayout(rdoShowMode);
  int index = 0;
  for (const char* item : kShowModeItems) {
    auto* radio = new QRadioButton(Q(item), rdoShowMode);
    showModes_->addButton(radio, index++);
    modeLayout->addWidget(radio);
  }
  showModes_->button(0)->setChecked(true);
  connect(showModes_, &QButtonGroup::idClicked, this, [this] { rdoShowModeClick(); });

  grpGrantOption = new QGroupBox(Q(" 選択したユーザーの権限 / GRANT OPTION "), pnlTop);
  grpGrantOption->setObjectName("grpGrantOption");
  chkGrant = new TovCheckListBox(grpGrantOption);
  chkGrant->setObjectName("chkGrant");
  chkGrant->setEnabled(false);
  chkGrant->setBackgroundRole(QPalette::Button);
  chkGrant->setAutoFillBackground(true);
  chkGrant->OnClickCheckL = [this](TovCheckListBox&) { chkGrantClick(); };
  chkGrant->OnClickCheckR = [this](TovCheckListBox&) { chkGrantClick(); };
  (new QVBoxLayout(grpGrantOption))->addWidget(chkGrant);

  lblComment = new QLabel(Q(kLegend), pnlTop);
  lblComment->setObjectName("lblComment");
  lblComment->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* groups = new QHBoxLayout;
  groups->addWidget(rdoShowMode);
  groups->addWidget(grpGrantOption, 1);
  auto* topLayout = new QVBoxLayout(pnlTop);
  topLayout->setContentsMargins(0, 0, 0, 0);
  topLayout->addLayout(groups);
  topLayout->addWidget(lblComment);

  lstGrant = new TovListView(this);
  lstGrant->setObjectName("lstGrant");
  lstGrant->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstGrant->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstGrant->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstGrant->setRootIsDecorated(false);
  lstGrant->setHeaderLabels({Q("ユーザー名")});
  lstGrant->header()->resizeSection(0, kNameColumnWidth);
  connect(lstGrant->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection&) { lstGrantSelectItem(!selected.isEmpty()); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pnlTop);
  layout->addWidget(lstGrant, 1);
}

void TfraGrant::BuildColumns() {
  columns_ = GrantPrivilegesOf(objectKind_);
  QStringList headers{Q("ユーザー名")};
  for (const TGrantPrivilege& p : columns_) headers << Q(p.Keyword);
  lstGrant->setHeaderLabels(headers);
  lstGrant->header()->resizeSection(0, kNameColumnWidth);
  for (int c = 1; c < headers.size(); ++c) {
    lstGrant->header()->resizeSection(c, kPrivilegeColumnWidth);
    lstGrant->headerItem()->setTextAlignment(c, Qt::AlignCenter);
  }
  for (const TGrantPrivilege& p : columns_) {
    chkGrant->addItem(Q(p.Item));
    chkGrant->item(chkGrant->count() - 1)->setSizeHint(QSize(0, kCheckRowHeight));
  }
}

int TfraGrant::ShowMode() const { return showModes_->checkedId(); }

void TfraGrant::SetShowMode(int mode) {
  if (QAbstractButton* button = showModes_->button(mode)) button->setChecked(true);
}

void TfraGrant::Load(const std::string& schema, const std::string& name) {
  TovForm* owner = OwningForm(*this);
  if (!owner) return;
  connection_ = owner->ConnectionWindow;
  schema_ = schema;
  name_ = name;
  if (objectKind_ == 0) {
    objectKind_ = owner->ImageIndex;
    BuildColumns();
  }
  const QSignalBlocker quiet(lstGrant->selectionModel());
  lstGrant->setUpdatesEnabled(false);
  lstGrant->clear();
  rows_.clear();
  items_.clear();
  try {
    TovConnectionWindow& window = *connection_;
    std::vector<std::string> users, roles;
    window.GetUserList(users, true);
    window.GetRoleList(roles);
    const std::string database = window.Module().GetDataSourceName();
    const std::string dbCode = window.GetDBCode(database);
    const std::string schemaCode = window.GetSchemaCode(database, schema);
    const std::string objectCode = ObjectCode(database);
    qryGrant.SetConnection(&window.Module().Connection);
    qryGrant.SetSQL(kGrantSql);
    const std::string values[] = {dbCode, schemaCode, objectCode, dbCode, schemaCode, objectCode};
    for (size_t i = 0; i < std::size(values) && i < qryGrant.Parameters().size(); ++i)
      qryGrant.Parameters()[i].Value = Q(values[i]);
    qryGrant.Open();
    std::vector<TGrantCatalogueRow> catalogue;
    for (; !qryGrant.Eof(); qryGrant.Next())
      catalogue.push_back({qryGrant.AsString(size_t{0}), qryGrant.AsString(1), qryGrant.AsString(2)});
    qryGrant.Close();
    rows_ = BuildGranteeRows(users, roles, window.Module().GetUserName(), columns_, catalogue, ShowMode() == 1);
  } catch (...) {
    lstGrant->setUpdatesEnabled(true);
    chkGrant->setEnabled(false);
    throw;
  }
  for (size_t r = 0; r < rows_.size(); ++r) {
    auto* item = new QTreeWidgetItem(lstGrant);
    items_.push_back(item);
    item->setData(0, kRowRole, static_cast<int>(r));
    item->setText(0, Q(rows_[r].Name));
    item->setIcon(0, imgMain().Icon(rows_[r].Image));
    for (size_t c = 0; c < columns_.size(); ++c) item->setTextAlignment(static_cast<int>(c) + 1, Qt::AlignCenter);
    ShowRow(r);
  }
  lstGrant->setUpdatesEnabled(true);
  chkGrant->setEnabled(false);
}

std::string TfraGrant::ObjectCode(const std::string& database) {
  switch (objectKind_) {
    case okTable:
    case okView:
      return connection_->GetTableCode(database, schema_, name_);
    case okProcedure:
    case okFunction:
      return GetRoutineCode(database, schema_, name_);
    case okTrigger:
      return GetTriggerCode(database, schema_, name_);
    case okSequence:
      return GetSequenceCode(database, schema_, name_);
    default:
      return {};
  }
}

std::string TfraGrant::LookupCode(const char* sql, const std::string& database, const std::string& schema,
                                  const std::string& name) {
  TovSQLQuery& q = connection_->OpenSQLParams(sql, {database, schema, name});
  return q.Eof() ? std::string() : q.AsString(size_t{0});
}

std::string TfraGrant::GetRoutineCode(const std::string& database, const std::string& schema, const std::string& name) {
  return LookupCode(kRoutineCodeSql, database, schema, name);
}

std::string TfraGrant::GetTriggerCode(const std::string& database, const std::string& schema, const std::string& name) {
  return LookupCode(kTriggerCodeSql, database, schema, name);
}

std::string TfraGrant::GetSequenceCode(const std::string& database, const std::string& schema,
                                       const std::string& name) {
  return LookupCode(kSequenceCodeSql, database, schema, name);
}

void TfraGrant::ShowRow(size_t row) {
  QTreeWidgetItem* item = items_[row];
  for (size_t c = 0; c < columns_.size(); ++c) item->setText(static_cast<int>(c) + 1, Q(rows_[row].Marks[c]));
}

std::vector<int> TfraGrant::SelectedRows() const {
  std::vector<int> rows;
  for (int i = 0; i < lstGrant->topLevelItemCount(); ++i)
    if (lstGrant->topLevelItem(i)->isSelected()) rows.push_back(lstGrant->topLevelItem(i)->data(0, kRowRole).toInt());
  return rows;
}

void TfraGrant::rdoShowModeClick() {
  if (TovForm* owner = OwningForm(*this)) SendFormMessage(owner, kMsgReload);
}

void TfraGrant::lstGrantSelectItem(bool selecting) {
  const std::vector<int> selected = SelectedRows();
  chkGrant->setEnabled(!selected.empty());
  if (!selecting) return;
  const TGrantBoxes boxes = SelectionBoxes(rows_, selected, columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    chkGrant->SetStateL(static_cast<int>(i), boxes.Left[i]);
    chkGrant->SetStateR(static_cast<int>(i), boxes.Right[i]);
  }
}

void TfraGrant::chkGrantClick() {
  if (TovForm* owner = OwningForm(*this)) owner->SetChanged(true);
  if (OnChange) OnChange();
  TGrantBoxes boxes;
  for (size_t i = 0; i < columns_.size(); ++i) {
    boxes.Left.push_back(chkGrant->StateL(static_cast<int>(i)));
    boxes.Right.push_back(chkGrant->StateR(static_cast<int>(i)));
  }
  const std::vector<int> selected = SelectedRows();
  ApplyBoxes(rows_, selected, boxes);
  for (int r : selected) ShowRow(static_cast<size_t>(r));
}

void TfraGrant::BuildGrantDDL(std::vector<std::string>& list) const {
  ::BuildGrantDDL(list, objectKind_, schema_, name_, columns_, Rows(), AppOption.Separator);
}

std::vector<TGranteeRow> TfraGrant::Rows() const {
  std::vector<TGranteeRow> shown;
  for (int i = 0; i < lstGrant->topLevelItemCount(); ++i)
    shown.push_back(rows_[static_cast<size_t>(lstGrant->topLevelItem(i)->data(0, kRowRole).toInt())]);
  return shown;
}
