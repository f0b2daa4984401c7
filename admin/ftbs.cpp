#include "admin/ftbs.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

#include "admin/ftoolwin.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "objedit/core/fddlexeccore.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr const char* kSizeUnitKB = "KB";
constexpr const char* kSizeUnitMB = "MB";
constexpr const char* kDeviceFilter = "すべてのファイル(*.*)|*.*";
constexpr int kDsiImage = 71;
// The grant area's halves keep these gaps, as the form was laid out.
constexpr int kUserPanelGap = 3;
constexpr int kRolePanelGap = 5;
constexpr int kHalves = 2;

struct TDsiColumn {
  const char* Caption;
  int Width;
  bool Right;
};
constexpr TDsiColumn kDsiColumns[] = {{"DSI名", 140, false},        {"使用種別", 100, false},
                                      {"スキーマ名", 100, false},   {"テーブル名", 100, false},
                                      {"所属するDSO名", 120, false}, {"サイズ(KB)", 120, true}};

TTbsCheckItem CheckItem(const TovCheckListBox& list, int index) {
  TTbsCheckItem item;
  item.Name = list.item(index)->text().toStdString();
  item.Enabled = list.ItemEnabledL(index);
  item.Left = list.CheckedL(index);
  item.Right = list.CheckedR(index);
  return item;
}

// A report that failed or lacks its lines ends the load.
[[noreturn]] void RefuseReport() {
  MsgBox(kReportFailed, MB_ICONERROR);
  throw EAbort();
}

void CommitOpenTransaction(TovConnectionWindow& connection) {
  TovSQLConnection& sql = connection.Module().Connection;
  if (sql.InTransaction()) sql.CommitTrans();
}

}  // namespace

TToolRunner SpaceToolRunner(TovConnectionWindow& connection, std::vector<std::string>* output) {
  return [&connection, output](const std::string& commandLine) {
    CommitOpenTransaction(connection);
    std::vector<std::string> lines;
    const bool ok = RunCommand(commandLine, lines, true);
    if (output) *output = std::move(lines);
    return ok;
  };
}

bool DropDBSpace(TovConnectionWindow& connection, const std::string& name) {
  if (connection.Level() >= kFirstSqlDropLevel) {
    connection.ExecSQL(TbsDropLine(name));
    return true;
  }
  return RunRdbddlex(AppOption.TempDir, kDropControlFile, {TbsDropLine(name)},
                     connection.Module().GetDataSourceName(), SpaceToolRunner(connection));
}

const TEditorKind TfrmTBS::kKind{kTbsKind, "データベーススペース - ", false, kTbsSizeKey, "DROP DBSPACE ", false};

TfrmTBS::TfrmTBS(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kPlainPageModes) { setupUi(); }

void TfrmTBS::setupUi() {
  // The source page exists for the protocol but is never shown.
  RemovePage(TEditorPage::Source);
  auto* layout = new QVBoxLayout(tabDefine);
  layout->addWidget(DefinitionPanel());

  chkUser = new TovCheckListBox(tabDefine);
  chkUser->setObjectName("chkUser");
  chkRole = new TovCheckListBox(tabDefine);
  chkRole->setObjectName("chkRole");
  for (TovCheckListBox* list : {chkUser, chkRole}) {
    list->OnClickCheckL = [this](TovCheckListBox&) {
      if (!loading_) MarkChanged();
    };
    list->OnClickCheckR = list->OnClickCheckL;
  }
  pnlGrant = new QSplitter(tabDefine);
  pnlGrant->setObjectName("pnlGrant");
  pnlGrant->addWidget(TitledPane(pnlGrant, "ユーザー", chkUser));
  pnlGrant->addWidget(TitledPane(pnlGrant, "ロール", chkRole));
  layout->addWidget(pnlGrant, 1);

  tabDsi = DsiPage();
  AddPage(TEditorPage::Storage, tabDsi, "格納DSI");
}

QWidget* TfrmTBS::DefinitionPanel() {
  auto* panel = new QWidget(tabDefine);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  cmbType = new TovComboBox(panel);
  cmbType->setObjectName("cmbType");
  cmbType->addItems({Q(kTbsFileType), Q(kTbsNetworkFileType)});
  cmbType->setEditable(false);
  connect(cmbType, &QComboBox::currentIndexChanged, this, [this] { cmbTypeChange(); });
  grid->addWidget(new QLabel(Q("領域タイプ"), panel), 0, 0);
  grid->addWidget(cmbType, 0, 1);

  txtDevice = new TovStrEdit(panel);
  txtDevice->setObjectName("txtDevice");
  btnDevice = new QToolButton(panel);
  btnDevice->setObjectName("btnDevice");
  btnDevice->setText(Q("..."));
  connect(btnDevice, &QToolButton::clicked, this, [this] { RunReported([this] { btnDeviceClick(); }); });
  grid->addWidget(new QLabel(Q("デバイス"), panel), 1, 0);
  grid->addWidget(txtDevice, 1, 1, 1, 2);
  grid->addWidget(btnDevice, 1, 3);

  lblSize = new QLabel(Q("サイズ"), panel);
  txtSize = new TovNumEdit(panel);
  txtSize->setObjectName("txtSize");
  cmbTani = new TovComboBox(panel);
  cmbTani->setObjectName("cmbTani");
  cmbTani->addItems({Q(kSizeUnitKB), Q(kSizeUnitMB)});
  cmbTani->setEditable(false);
  grid->addWidget(lblSize, 2, 0);
  grid->addWidget(txtSize, 2, 1);
  grid->addWidget(cmbTani, 2, 2);

  pnlCreator = new QWidget(panel);
  auto* creator = new QHBoxLayout(pnlCreator);
  creator->setContentsMargins(0, 0, 0, 0);
  lblCreator = new QLabel(pnlCreator);
  lblCreator->setObjectName("lblCreator");
  lblCreateDate = new QLabel(pnlCreator);
  lblCreateDate->setObjectName("lblCreateDate");
  creator->addWidget(new QLabel(Q("作成者"), pnlCreator));
  creator->addWidget(lblCreator, 1);
  creator->addWidget(new QLabel(Q("作成日時"), pnlCreator));
  creator->addWidget(lblCreateDate, 1);
  grid->addWidget(pnlCreator, 3, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  for (QWidget* control : {static_cast<QWidget*>(cmbType), static_cast<QWidget*>(txtDevice),
                           static_cast<QWidget*>(txtSize), static_cast<QWidget*>(cmbTani)})
    WatchChanges(control);
  return panel;
}

QWidget* TfrmTBS::DsiPage() {
  auto* page = new QWidget(pagObject);
  page->setObjectName("tabDsi");
  auto* layout = new QVBoxLayout(page);
  pnlSizes = new QWidget(page);
  auto* sizes = new QGridLayout(pnlSizes);
  sizes->setContentsMargins(0, 0, 0, 0);
  const std::pair<const char*, QLabel**> rows[] = {
      {"Static allocate size", &lblStatic}, {"Dynamic allocate size", &lblDynamic}, {"空き容量", &lblFree}};
  int row = 0;
  for (const auto& [caption, label] : rows) {
    *label = new QLabel(pnlSizes);
    (*label)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    sizes->addWidget(new QLabel(Q(caption), pnlSizes), row, 0);
    sizes->addWidget(*label, row, 1);
    sizes->addWidget(new QLabel(Q(kSizeUnitKB), pnlSizes), row, 2);
    ++row;
  }
  lblStatic->setObjectName("lblStatic");
  lblDynamic->setObjectName("lblDynamic");
  lblFree->setObjectName("lblFree");
  sizes->setColumnStretch(3, 1);
  layout->addWidget(pnlSizes);

  lstDsi = new TovListView(page);
  lstDsi->setObjectName("lstDsi");
  lstDsi->SetListStyle(false);
  lstDsi->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstDsi->setColumnCount(static_cast<int>(std::size(kDsiColumns)));
  QStringList titles;
  for (const TDsiColumn& column : kDsiColumns) titles << Q(column.Caption);
  lstDsi->setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(std::size(kDsiColumns)); ++i) {
    lstDsi->setColumnWidth(i, kDsiColumns[i].Width);
    if (kDsiColumns[i].Right) lstDsi->headerItem()->setTextAlignment(i, Qt::AlignRight | Qt::AlignVCenter);
  }
  layout->addWidget(lstDsi, 1);
  return page;
}

void TfrmTBS::resizeEvent(QResizeEvent* e) {
  TovObjectEditor::resizeEvent(e);
  const int half = (pnlGrant->width() + 1) / kHalves;
  pnlGrant->setSizes({half - kUserPanelGap, half - kRolePanelGap});
}

bool TfrmTBS::PageShownWhileNew(TEditorPage page) const { return page == TEditorPage::Define; }

void TfrmTBS::cmbTypeChange() {
  const bool chosen = cmbType->currentIndex() >= 0;
  for (QWidget* control : {static_cast<QWidget*>(lblSize), static_cast<QWidget*>(txtSize),
                           static_cast<QWidget*>(cmbTani)})
    control->setEnabled(chosen);
}

void TfrmTBS::btnDeviceClick() {
  platform::FileRequest request;
  request.kind = platform::FileDialogKind::Save;
  request.fileName = txtDevice->text().toStdString();
  request.filter = FileFilter(kDeviceFilter);
  if (const std::optional<std::string> path = platform::Dialogs().ShowFile(request)) {
    txtDevice->setText(Q(*path));
    MarkChanged();
  }
}

std::string TfrmTBS::DataSource() const { return ConnectionWindow->Module().GetDataSourceName(); }

TTbsInput TfrmTBS::Input() const {
  TTbsInput input;
  input.Name = ObjectName();
  input.Network = cmbType->currentText().toStdString() == kTbsNetworkFileType;
  input.Device = txtDevice->text().toStdString();
  input.Size = Trim(txtSize->text().toStdString());
  input.Megabytes = cmbTani->currentText().toStdString() == kSizeUnitMB;
  input.SizeEnabled = txtSize->isEnabled();
  return input;
}

void TfrmTBS::PrepareLoad() {
  loading_ = true;
  std::vector<std::string> names;
  ConnectionWindow->GetUserList(names, true);
  chkUser->clear();
  for (const std::string& name : names) chkUser->addItem(Q(name));
  // PUBLIC is the last item; it never passes the privilege on.
  chkUser->SetItemEnabledR(chkUser->count() - 1, false);
  ConnectionWindow->GetRoleList(names);
  chkRole->clear();
  for (const std::string& name : names) chkRole->addItem(Q(name));
  for (int i = 0; i < chkRole->count(); ++i) chkRole->SetItemEnabledR(i, false);
  if (IsNew) {
    cmbType->setCurrentText(Q(kTbsFileType));
    txtDevice->clear();
    txtSize->clear();
    cmbTani->setCurrentText(Q(kSizeUnitMB));
  }
}

std::vector<std::string> TfrmTBS::RunReport(const std::function<bool(const TToolRunner&)>& run) {
  std::vector<std::string> lines;
  if (!run(SpaceToolRunner(*ConnectionWindow, &lines))) RefuseReport();
  return lines;
}

bool TfrmTBS::LoadObject() {
  const std::string name = ObjectName();
  TTbsReport report;
  const std::vector<std::string> definition = RunReport([&](const TToolRunner& run) {
    return RunWithControlFile(
        AppOption.TempDir, kPrtControlFile, {"DBSPACE(" + name + ")"},
        [&](const std::string& path) { return RdbprtSpaceCommand(DataSource(), path); }, run);
  });
  if (!ReadTbsDefinition(definition, report)) RefuseReport();
  const std::vector<std::string> usage =
      RunReport([&](const TToolRunner& run) { return run(RdbspcinfPCommand(DataSource(), name)); });
  if (!ReadTbsUsage(usage, report.Definition)) RefuseReport();
  bool any = false;
  for (const std::string& entry : report.Definition) any = any || !entry.empty();
  if (!any) return false;
  MergeDsiSizes(report.Dsis);
  if (ActivePage() == TEditorPage::Define) ShowDefinition(report);
  if (ActivePage() == TEditorPage::Storage) ShowDsis(report);
  return true;
}

std::vector<std::string> TfrmTBS::ReadRoleGrants() {
  std::vector<std::string> roles;
  for (int i = 0; i < chkRole->count(); ++i) roles.push_back(Trim(chkRole->item(i)->text().toStdString()));
  if (roles.empty()) return {};
  std::vector<std::string> lines;
  // The runner has shown why the report failed.
  if (!RunWithControlFile(
          AppOption.TempDir, kRoleControlFile, {RoleControlText(roles)},
          [](const std::string& path) { return RdbprtRoleCommand(path); }, SpaceToolRunner(*ConnectionWindow, &lines)))
    throw EAbort();
  return ::ReadRoleGrants(lines, DataSource(), ObjectName());
}

void TfrmTBS::ShowDefinition(const TTbsReport& report) {
  const TTbsDefinition& d = report.Definition;
  cmbType->setCurrentText(Q(d[tfFile].starts_with(kNetworkFilePrefix) ? kTbsNetworkFileType : kTbsFileType));
  txtDevice->setText(Q(d[tfFile]));
  std::string size = d[tfAllocate];
  if (!size.empty()) size.pop_back();  // the unit letter
  txtSize->setText(Q(size));
  cmbTani->setCurrentText(Q(kSizeUnitKB));
  lblCreator->setText(Q(d[tfCreator]));
  lblCreateDate->setText(Q(d[tfCreated]));
  for (int i = 0; i < chkUser->count(); ++i) {
    const std::string user = Trim(chkUser->item(i)->text().toStdString());
    chkUser->SetCheckedL(i, false);
    chkUser->SetCheckedR(i, false);
    for (const TTbsGrantee& grantee : report.Grantees) {
      if (grantee.Grantee != user) continue;
      chkUser->SetCheckedL(i, true);
      if (grantee.Grantable != kGrantableYes) continue;
      chkUser->SetCheckedR(i, true);
      // The creator's own grant cannot be taken back.
      if (user == d[tfCreator]) {
        chkUser->SetItemEnabledL(i, false);
        chkUser->SetItemEnabledR(i, false);
      }
    }
  }
  const std::vector<std::string> roles = ReadRoleGrants();
  for (int i = 0; i < chkRole->count(); ++i) {
    const std::string role = Trim(chkRole->item(i)->text().toStdString());
    chkRole->SetCheckedL(i, std::find(roles.begin(), roles.end(), role) != roles.end());
  }
}

void TfrmTBS::ShowDsis(const TTbsReport& report) {
  const TTbsDefinition& d = report.Definition;
  lblStatic->setText(Q(d[tfStatic]));
  lblDynamic->setText(Q(d[tfDynamic]));
  lblFree->setText(Q(d[tfFree]));
  lstDsi->clear();
  for (const TTbsDsi& dsi : report.Dsis) {
    if (dsi.Name.empty()) continue;
    auto* row = new QTreeWidgetItem(lstDsi);
    int column = 0;
    for (const std::string* text : {&dsi.Name, &dsi.Usage, &dsi.Schema, &dsi.Table, &dsi.Dso, &dsi.Size}) {
      row->setText(column, Q(*text));
      if (kDsiColumns[column].Right) row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
      ++column;
    }
    row->setIcon(0, imgMain().Icon(kDsiImage));
  }
}

void TfrmTBS::FinishLoad() {
  pnlCreator->setVisible(!IsNew);
  pnlSizes->setVisible(!IsNew);
  cmbTypeChange();
  for (TovComboBox* combo : {cmbType, cmbTani}) combo->SaveText();
  txtDevice->SaveText();
  txtSize->SaveText();
  UserChecks.clear();
  for (int i = 0; i < chkUser->count(); ++i) UserChecks.emplace_back(chkUser->CheckedL(i), chkUser->CheckedR(i));
  RoleChecks.clear();
  for (int i = 0; i < chkRole->count(); ++i) RoleChecks.push_back(chkRole->CheckedL(i));
  loading_ = false;
}

bool TfrmTBS::NeedsDrop() const {
  const bool changed = cmbType->Modified() || txtDevice->Modified() || txtSize->Modified() || cmbTani->Modified();
  return TbsNeedsDrop(IsNew, ScriptMode, ActivePage() == TEditorPage::Source, changed);
}

std::vector<std::string> TfrmTBS::SourceLines() { return TbsScriptLines(Input(), AppOption.Separator); }

std::vector<std::string> TfrmTBS::BuildStatements(TEditorPage page) {
  std::vector<std::string> list;
  if (!NeedsDrop()) return list;
  if (!IsNew) list = {TbsDropLine(ObjectName()), AppOption.Separator};
  if (page == TEditorPage::Define) {
    const std::vector<std::string> create = TbsScriptLines(Input(), AppOption.Separator);
    list.insert(list.end(), create.begin(), create.end());
  }
  return list;
}

bool TfrmTBS::Refuse(const char* message, QWidget* focus) {
  MsgBox(message, MB_ICONWARNING);
  focus->setFocus();
  return false;
}

void TfrmTBS::Compile(QObject*) {
  FlushActiveControl();
  const TTbsInput input = Input();
  switch (CheckTbsInput(input)) {
    case TTbsCheck::NameMissing:
      Refuse(kTbsNameMissing, txtName);
      return;
    case TTbsCheck::DeviceMissing:
      Refuse(kTbsDeviceMissing, txtDevice);
      return;
    case TTbsCheck::SizeMissing:
      Refuse(kTbsSizeMissing, txtSize);
      return;
    case TTbsCheck::Ok:
      break;
  }
  if (NeedsDrop()) {
    // The tool runs follow the statements built, not words in their text.
    const bool drop = !IsNew;
    const bool create = ActivePage() == TEditorPage::Define;
    if (StatementsEmpty(BuildStatements(ActivePage()))) {
      MsgBox(kNothingChanged, MB_ICONWARNING);
      SetIsNew(false);
      LoadActivePage();
      return;
    }
    TTbsCompileOutcome outcome;
    {
      TSqlWaitCursor wait;
      outcome = RunTbsCompile(AppOption.TempDir, input, drop, create, DataSource(), SpaceToolRunner(*ConnectionWindow));
    }
    switch (outcome) {
      case TTbsCompileOutcome::DropFailed:
        return;  // the window keeps its input, still changed
      case TTbsCompileOutcome::CreateFailed:
        // The space is gone: a new compile makes it again.
        if (drop) SetIsNew(true);
        return;
      case TTbsCompileOutcome::Created:
        MsgBox(kTbsCreated, MB_ICONINFORMATION);
        SetChanged(false);
        SetIsNew(false);
        break;
      case TTbsCompileOutcome::Dropped:
      case TTbsCompileOutcome::NothingToRun:
        break;
    }
  }
  ApplyGrants();
  SetIsNew(false);
  LoadActivePage();
}

void TfrmTBS::ApplyGrants() {
  std::vector<TTbsCheckItem> users, roles;
  for (int i = 0; i < chkUser->count(); ++i) {
    TTbsCheckItem item = CheckItem(*chkUser, i);
    std::tie(item.LoadedLeft, item.LoadedRight) = UserChecks.at(static_cast<size_t>(i));
    users.push_back(item);
  }
  for (int i = 0; i < chkRole->count(); ++i) {
    TTbsCheckItem item = CheckItem(*chkRole, i);
    item.LoadedLeft = RoleChecks.at(static_cast<size_t>(i));
    roles.push_back(item);
  }
  const std::vector<std::string> statements = TbsGrantStatements(ObjectName(), users, roles);
  if (statements.empty()) return;
  try {
    for (const std::string& statement : statements) ConnectionWindow->ExecSQL(statement);
  } catch (const std::exception&) {
    MsgBox(kGrantsFailed, MB_ICONERROR);
    return;
  }
  MsgBox(kGrantsUpdated, MB_ICONINFORMATION);
}

void TfrmTBS::RunDelete(bool) {
  // A failed tool run was shown by the runner; the window stays open.
  if (!DropDBSpace(*ConnectionWindow, ObjectName())) throw EAbort();
}

void RegisterSpaceEditor() {
  RegisterObjectEditor(okTablespace, &TovObjectEditor::CreateEditor<TfrmTBS>,
                       &TovObjectEditor::CreateScript<TfrmTBS>);
}
