#include "tools/fdatagen.h"

#include <QDateTimeEdit>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>

#include "app/core/ovatexit.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "sqlwork/sqlactions.h"
#include "tools/core/fdatagenport.h"
#include "tools/toolsmodal.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kCaption[] = "データ生成ツール";
constexpr char kSizeKey[] = "DATAGENERATE";
constexpr int kHelpContext = 21200;
constexpr int kWindowImage = 103;
constexpr int kKeyImage = 46;
constexpr int kClientWidth = 720;
constexpr int kClientHeight = 560;
constexpr int kToolButtonWidth = 78;
constexpr int kCountDigits = 8;
constexpr int kNumberDigits = 18;
constexpr int kPercentMax = 100;
constexpr int kMonthAhead = 1;
constexpr char kOptionPage[] = "オプション";
constexpr char kResultPage[] = " 結果";
constexpr char kEscapeHint[] = "[ESC]キーを押すと処理を中断";
constexpr char kRunQuestion[] = "データを生成します。よろしいですか？";
constexpr char kTestQuestion[] =
    "データ生成のテストを行い、生成されるデータを表示します。\r\n(実際にテーブルにはデータは生成されません。)よろしいですか？";
constexpr char kLoadQuestion[] = "前回の設定値を読み込みますか？";
constexpr char kSequenceUnit[] = "増分値";
constexpr char kRoundingUnit[] = "丸め単位";
constexpr char kTemplateExtension[] = ".txt";
constexpr int32_t kServerLevelWithSpaces = 10;

constexpr TActionSpec kExecute = {"実行(&E)", "実行|データを生成します。", 28};
constexpr TActionSpec kTest = {"テスト(&T)", "テスト|生成されるデータを表示します。", 43};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

// The columns of the column list.
enum TListColumn { lcName, lcType, lcNotNull, lcKind, lcSummary, lcCount };
constexpr int kNameWidth = 160;
constexpr int kTypeWidth = 160;
constexpr int kKindWidth = 140;

// The rule pages, one per group of kinds.
enum TRulePage { rpNone, rpNumber, rpDate, rpString, rpValues, rpFixed, rpTemplate, rpLink, rpParent };

TRulePage PageOfKind(int32_t kind) {
  switch (kind) {
    case dgSequence:
    case dgRandomNumber: return rpNumber;
    case dgDateSequence:
    case dgRandomDate: return rpDate;
    case dgRandomString: return rpString;
    case dgPick: return rpValues;
    case dgFixed: return rpFixed;
    case dgTemplate: return rpTemplate;
    case dgLink: return rpLink;
    case dgParent: return rpParent;
    default: return rpNone;
  }
}

bool IsCharacterType(const std::string& type) {
  return type == "CHAR" || type == "NCHAR" || type == "CHAR VARYING" || type == "NCHAR VARYING";
}
bool IsTimestampType(const std::string& type) { return type.rfind("TIMESTAMP", 0) == 0; }

void Fill(TovComboBox* box, const std::vector<std::string>& items, bool leadingEmpty = false) {
  const QString text = box->currentText();
  const QSignalBlocker quiet(box);
  box->clear();
  if (leadingEmpty) box->addItem(QString());
  for (const std::string& item : items) box->addItem(Q(item));
  box->setCurrentText(text);
}

std::string Text(const TovComboBox* box) { return box->currentText().trimmed().toStdString(); }

// A fresh seed per run: the rows of two runs differ.
uint64_t RunSeed() {
  return static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace

TfrmDataGenerate::TfrmDataGenerate(TovConnectionWindow& connection, const std::string& schema,
                                   const std::string& table)
    : TovForm(connection.Window(), TPlace::OwnWindow), schema_(schema), table_(table) {
  setObjectName("frmDataGenerate");
  setWindowTitle(kCaption);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowIcon(imgMain().Icon(kWindowImage));
  SetImageIndex(kWindowImage);
  SetDesignSize(kClientWidth, kClientHeight);
  setupUi();
  SetHelpContext(kHelpContext);
  ConnectControls();
}

TfrmDataGenerate::~TfrmDataGenerate() = default;

void TfrmDataGenerate::setupUi() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  actExecute = MakeAction(this, kExecute);
  actTest = MakeAction(this, kTest);
  actExit = MakeAction(this, kExit);
  tolMain = new QToolBar(this);
  tolMain->setObjectName("tolMain");
  tolMain->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (QAction* action : {actExecute, actTest, actExit}) {
    tolMain->addAction(action);
    tolMain->widgetForAction(action)->setMinimumWidth(kToolButtonWidth);
  }
  auto* names = new QWidget(tolMain);
  auto* nameLayout = new QHBoxLayout(names);
  cmbSchema = new TovComboBox(names);
  cmbSchema->setObjectName("cmbSchema");
  cmbSchema->SetCharCase(ecUpperCase);
  txtName = new TovStrEdit(names);
  txtName->setObjectName("txtName");
  txtName->SetCharCase(ecUpperCase);
  nameLayout->addWidget(new QLabel("スキーマ", names));
  nameLayout->addWidget(cmbSchema);
  nameLayout->addWidget(new QLabel("名前", names));
  nameLayout->addWidget(txtName);
  names->setEnabled(false);
  tolMain->addWidget(names);
  root->addWidget(tolMain);

  pgcMain = new QTabWidget(this);
  pgcMain->setObjectName("pgcMain");
  tabOption = new QWidget(pgcMain);
  auto* option = new QVBoxLayout(tabOption);
  option->addWidget(BuildModeGroup(tabOption));
  lstColumn = new TovListView(tabOption);
  lstColumn->setObjectName("lstColumn");
  lstColumn->setColumnCount(lcCount);
  lstColumn->setHeaderLabels({"項目名", "データ型", "必須", "設定値", "パラメータ"});
  lstColumn->setRootIsDecorated(false);
  lstColumn->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstColumn->setColumnWidth(lcName, kNameWidth);
  lstColumn->setColumnWidth(lcType, kTypeWidth);
  lstColumn->setColumnWidth(lcKind, kKindWidth);
  option->addWidget(lstColumn, 1);
  option->addWidget(BuildRulePanel(tabOption));
  pgcMain->addTab(tabOption, kOptionPage);

  tabResult = new QWidget(pgcMain);
  auto* result = new QVBoxLayout(tabResult);
  txtLog = new TovMemo(tabResult);
  txtLog->setObjectName("txtLog");
  txtLog->SetReadOnly(true);
  result->addWidget(txtLog, 1);
  fraData = new TfraData(*this, &ConnectionWindow->Module().Connection, tabResult);
  fraData->setObjectName("fraData");
  result->addWidget(fraData, 1);
  lblEscape = new QLabel(kEscapeHint, tabResult);
  result->addWidget(lblEscape);
  pgcMain->addTab(tabResult, kResultPage);
  root->addWidget(pgcMain, 1);
}

QWidget* TfrmDataGenerate::BuildModeGroup(QWidget* parent) {
  auto* group = new QGroupBox(" データ生成方法 ", parent);
  auto* layout = new QGridLayout(group);
  rdoNormal = new QRadioButton("通常のデータ生成", group);
  rdoNormal->setObjectName("rdoNormal");
  rdoNormal->setChecked(true);
  txtCount = new TovNumEdit(group);
  txtCount->setObjectName("txtCount");
  txtCount->setMaxLength(kCountDigits);
  layout->addWidget(rdoNormal, 0, 0);
  layout->addWidget(new QLabel("作成件数", group), 0, 1);
  layout->addWidget(txtCount, 0, 2);
  // The parent-dependent controls stay hidden: a settings document chooses that mode.
  pnlMaster = new QWidget(group);
  auto* master = new QGridLayout(pnlMaster);
  rdoMaster = new QRadioButton("親テーブルのデータに従属するデータを作成", pnlMaster);
  cmbMasterSchema = new TovComboBox(pnlMaster);
  cmbMasterSchema->setObjectName("cmbMasterSchema");
  cmbMasterTable = new TovComboBox(pnlMaster);
  cmbMasterTable->setObjectName("cmbMasterTable");
  txtCountFrom = new TovNumEdit(pnlMaster);
  txtCountFrom->setMaxLength(kCountDigits);
  txtCountTo = new TovNumEdit(pnlMaster);
  txtCountTo->setMaxLength(kCountDigits);
  master->addWidget(rdoMaster, 0, 0, 1, 4);
  master->addWidget(new QLabel("親テーブル名", pnlMaster), 1, 0);
  master->addWidget(cmbMasterSchema, 1, 1);
  master->addWidget(cmbMasterTable, 1, 2);
  master->addWidget(new QLabel("親テーブル１件あたりの子テーブルの件数", pnlMaster), 2, 0);
  master->addWidget(txtCountFrom, 2, 1);
  master->addWidget(new QLabel("～", pnlMaster), 2, 2);
  master->addWidget(txtCountTo, 2, 3);
  pnlMaster->setVisible(false);
  layout->addWidget(pnlMaster, 1, 0, 1, 3);
  return group;
}

QWidget* TfrmDataGenerate::BuildRulePanel(QWidget* parent) {
  auto* panel = new QWidget(parent);
  auto* layout = new QVBoxLayout(panel);
  auto* head = new QHBoxLayout;
  cmbSetType = new TovComboBox(panel);
  cmbSetType->setObjectName("cmbSetType");
  cmbSetType->setEditable(false);
  cmbSetType->setEnabled(false);
  updNull = new QSpinBox(panel);
  updNull->setObjectName("updNull");
  updNull->setRange(0, kPercentMax);
  head->addWidget(new QLabel("設定値", panel));
  head->addWidget(cmbSetType, 1);
  head->addWidget(new QLabel("NULL比率(%)", panel));
  head->addWidget(updNull);
  layout->addLayout(head);
  pnlPages = new QStackedWidget(panel);
  pnlPages->setObjectName("pnlPages");
  layout->addWidget(pnlPages);
  BuildPages();
  return panel;
}

void TfrmDataGenerate::BuildPages() {
  const auto page = [this] {
    auto* widget = new QWidget(pnlPages);
    pnlPages->addWidget(widget);
    return widget;
  };
  page();  // rpNone

  QWidget* number = page();
  auto* n = new QGridLayout(number);
  txtNumFrom = new TovNumEdit(number);
  txtNumTo = new TovNumEdit(number);
  txtMarume = new TovNumEdit(number);
  for (TovNumEdit* edit : {txtNumFrom, txtNumTo, txtMarume}) {
    edit->SetAllowMinus(true);
    edit->setMaxLength(kNumberDigits);
  }
  txtNumFrom->setObjectName("txtNumFrom");
  txtNumTo->setObjectName("txtNumTo");
  txtMarume->setObjectName("txtMarume");
  lblMarume = new QLabel(kSequenceUnit, number);
  chkZeros = new TovCheckBox("全桁埋める ( 前ゼロを追加 )", number);
  chkZeros->setObjectName("chkZeros");
  chkPrefix = new TovCheckBox("接頭句をつける", number);
  chkPrefix->setObjectName("chkPrefix");
  txtPrefix = new TovStrEdit(number);
  txtPrefix->setObjectName("txtPrefix");
  n->addWidget(new QLabel("値範囲", number), 0, 0);
  n->addWidget(txtNumFrom, 0, 1);
  n->addWidget(new QLabel("～", number), 0, 2);
  n->addWidget(txtNumTo, 0, 3);
  n->addWidget(lblMarume, 1, 0);
  n->addWidget(txtMarume, 1, 1);
  n->addWidget(chkZeros, 2, 0, 1, 2);
  n->addWidget(chkPrefix, 3, 0);
  n->addWidget(txtPrefix, 3, 1);

  QWidget* date = page();
  auto* d = new QGridLayout(date);
  dtpDateFrom = new QDateTimeEdit(date);
  dtpDateFrom->setObjectName("dtpDateFrom");
  dtpDateTo = new QDateTimeEdit(date);
  dtpDateTo->setObjectName("dtpDateTo");
  for (QDateTimeEdit* edit : {dtpDateFrom, dtpDateTo}) edit->setCalendarPopup(true);
  cmbDateType = new TovComboBox(date);
  cmbDateType->setObjectName("cmbDateType");
  cmbDateType->setEditable(false);
  for (const std::string& name : DataGenDateKindNames) cmbDateType->addItem(Q(name));
  d->addWidget(new QLabel("値範囲", date), 0, 0);
  d->addWidget(dtpDateFrom, 0, 1);
  d->addWidget(new QLabel("～", date), 0, 2);
  d->addWidget(dtpDateTo, 0, 3);
  d->addWidget(new QLabel("設定内容", date), 1, 0);
  d->addWidget(cmbDateType, 1, 1, 1, 3);

  QWidget* string = page();
  auto* s = new QGridLayout(string);
  cmbStrType = new TovComboBox(string);
  cmbStrType->setObjectName("cmbStrType");
  cmbStrType->setEditable(false);
  for (const std::string& name : DataGenStringKindNames) cmbStrType->addItem(Q(name));
  chkStrFull = new TovCheckBox("全桁埋める", string);
  chkStrFull->setObjectName("chkStrFull");
  lblStrDigit = new QLabel("最大桁数", string);
  txtStrDigit = new TovNumEdit(string);
  txtStrDigit->setObjectName("txtStrDigit");
  s->addWidget(new QLabel("設定内容", string), 0, 0);
  s->addWidget(cmbStrType, 0, 1);
  s->addWidget(chkStrFull, 1, 0);
  s->addWidget(lblStrDigit, 2, 0);
  s->addWidget(txtStrDigit, 2, 1);

  QWidget* values = page();
  auto* v = new QVBoxLayout(values);
  v->addWidget(new QLabel("項目にセットする値の一覧を作成して下さい。", values));
  grdIn = new TovStringGrid(values);
  grdIn->setObjectName("grdIn");
  grdIn->SetColCount(1);
  grdIn->SetFixedCols(0);
  grdIn->SetFixedRows(0);
  grdIn->SetRowCount(1);
  grdIn->SetGridMode(geAccess);
  v->addWidget(grdIn);

  QWidget* fixed = page();
  auto* f = new QVBoxLayout(fixed);
  f->addWidget(new QLabel("固定値・SELECT文・FUNCTION名を入力して下さい。", fixed));
  f->addWidget(new QLabel("※１ 文字型の固定値を指定する場合は、値をシングルクォーテーション(')で囲む必要があります", fixed));
  f->addWidget(new QLabel("※２ SELECT 文を指定する場合は、文を ( ) で囲む必要があります。", fixed));
  txtVariable = new TovMemo(fixed);
  txtVariable->setObjectName("txtVariable");
  f->addWidget(txtVariable);

  QWidget* words = page();
  auto* w = new QGridLayout(words);
  cmbTemplate1 = new TovComboBox(words);
  cmbTemplate1->setObjectName("cmbTemplate1");
  cmbTemplate2 = new TovComboBox(words);
  cmbTemplate2->setObjectName("cmbTemplate2");
  for (TovComboBox* box : {cmbTemplate1, cmbTemplate2}) box->setEditable(false);
  txtTemplateSep = new TovStrEdit(words);
  txtTemplateSep->setObjectName("txtTemplateSep");
  w->addWidget(new QLabel("テンプレート1", words), 0, 0);
  w->addWidget(cmbTemplate1, 0, 1);
  w->addWidget(new QLabel("テンプレート2", words), 1, 0);
  w->addWidget(cmbTemplate2, 1, 1);
  w->addWidget(new QLabel("区切り文字", words), 2, 0);
  w->addWidget(txtTemplateSep, 2, 1);

  QWidget* link = page();
  auto* l = new QGridLayout(link);
  cmbLinkOwner = new TovComboBox(link);
  cmbLinkOwner->setObjectName("cmbLinkOwner");
  cmbLinkTable = new TovComboBox(link);
  cmbLinkTable->setObjectName("cmbLinkTable");
  cmbLinkColumn = new TovComboBox(link);
  cmbLinkColumn->setObjectName("cmbLinkColumn");
  for (TovComboBox* box : {cmbLinkOwner, cmbLinkTable, cmbLinkColumn}) box->SetCharCase(ecUpperCase);
  l->addWidget(new QLabel("リンクテーブル名", link), 0, 0);
  l->addWidget(cmbLinkOwner, 0, 1);
  l->addWidget(cmbLinkTable, 0, 2);
  l->addWidget(new QLabel("項目名", link), 1, 0);
  l->addWidget(cmbLinkColumn, 1, 1, 1, 2);

  QWidget* parentPage = page();
  auto* p = new QGridLayout(parentPage);
  cmbColumn = new TovComboBox(parentPage);
  cmbColumn->setObjectName("cmbColumn");
  cmbColumn->setEditable(false);
  p->addWidget(new QLabel("項目名", parentPage), 0, 0);
  p->addWidget(cmbColumn, 0, 1);
}

void TfrmDataGenerate::ConnectControls() {
  connect(actExecute, &QAction::triggered, this, [this] { RunReported([this] { actExecuteExecute(); }); });
  connect(actTest, &QAction::triggered, this, [this] { RunReported([this] { btnTestClick(); }); });
  connect(actExit, &QAction::triggered, this, &QWidget::close);
  connect(lstColumn, &QTreeWidget::currentItemChanged, this, [this] {
    RunReported([this] { SelectColumn(lstColumn->indexOfTopLevelItem(lstColumn->currentItem())); });
  });
  connect(cmbSetType, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { SetTypeChanged(); }); });
  const auto store = [this] { RunReported([this] { StoreColumnRule(); }); };
  const auto restyle = [this] {
    RunReported([this] {
      if (loading_) return;
      ApplyKindControls();
      StoreColumnRule();
    });
  };
  connect(updNull, &QSpinBox::valueChanged, this, store);
  for (TovNumEdit* edit : {txtNumFrom, txtNumTo, txtMarume, txtStrDigit}) connect(edit, &QLineEdit::textChanged, this, store);
  for (TovStrEdit* edit : {txtPrefix, txtTemplateSep}) connect(edit, &QLineEdit::textChanged, this, store);
  for (TovCheckBox* box : {chkZeros, chkPrefix, chkStrFull}) connect(box, &QCheckBox::toggled, this, restyle);
  connect(cmbStrType, &QComboBox::currentIndexChanged, this, restyle);
  connect(cmbDateType, &QComboBox::currentIndexChanged, this, store);
  for (QDateTimeEdit* edit : {dtpDateFrom, dtpDateTo}) connect(edit, &QDateTimeEdit::dateTimeChanged, this, store);
  for (TovComboBox* box : {cmbTemplate1, cmbTemplate2, cmbLinkOwner, cmbLinkTable, cmbLinkColumn, cmbColumn})
    connect(box, &QComboBox::currentTextChanged, this, store);
  txtVariable->OnChange = store;
  grdIn->OnBeforeSetEditText = [this](TovStringGrid&, int, int row, const std::string& value) {
    // Typing into the last row opens the next one.
    if (row == grdIn->RowCount() - 1 && !value.empty()) grdIn->SetRowCount(grdIn->RowCount() + 1);
  };
  connect(grdIn->model(), &QAbstractItemModel::dataChanged, this, store);
  // "0" is no greatest length; the fill flag clears it.
  connect(txtStrDigit, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (text == "0") txtStrDigit->clear();
  });
  connect(chkStrFull, &QCheckBox::toggled, this, [this](bool on) {
    if (on) txtStrDigit->clear();
  });
  FillDropDowns();
}

void TfrmDataGenerate::FillDropDowns() {
  TovConnectionWindow* connection = ConnectionWindow;
  cmbMasterSchema->OnDropDown = [this, connection] {
    std::vector<std::string> users;
    connection->GetUserList(users, false);
    Fill(cmbMasterSchema, users);
  };
  cmbMasterTable->OnDropDown = [this, connection] {
    std::vector<std::string> tables;
    connection->GetObjectNames(tables, Text(cmbMasterSchema), "TABLE");
    Fill(cmbMasterTable, tables);
  };
  cmbLinkOwner->OnDropDown = [this, connection] {
    std::vector<std::string> schemas;
    connection->GetSchemaList(schemas, false);
    Fill(cmbLinkOwner, schemas);
  };
  cmbLinkTable->OnDropDown = [this, connection] {
    std::vector<std::string> tables;
    std::vector<std::string> views;
    connection->GetObjectNames(tables, Text(cmbLinkOwner), "TABLE");
    connection->GetObjectNames(views, Text(cmbLinkOwner), "VIEW");
    tables.insert(tables.end(), views.begin(), views.end());
    Fill(cmbLinkTable, tables);
  };
  const auto columnsOf = [connection](const std::string& schema, const std::string& table) {
    std::vector<std::string> names;
    TovSQLQuery& q = connection->OpenSQLParams(
        kDataGenColumnSQL, {connection->Module().GetDataSourceName(), schema, table});
    for (q.First(); !q.Eof(); q.Next())
      if (!q.Value(0).isNull()) names.push_back(q.AsString(size_t{0}));
    return names;
  };
  cmbLinkColumn->OnDropDown = [this, columnsOf] {
    Fill(cmbLinkColumn, columnsOf(Text(cmbLinkOwner), Text(cmbLinkTable)));
  };
  connect(cmbMasterTable, &QComboBox::currentTextChanged, this, [this, columnsOf] {
    RunReported([&] { Fill(cmbColumn, columnsOf(Text(cmbMasterSchema), Text(cmbMasterTable))); });
  });
}

void TfrmDataGenerate::showEvent(QShowEvent* event) {
  TovForm::showEvent(event);
  if (settingsOffered_) return;
  settingsOffered_ = true;
  RunReported([this] { LoadSettings(); });
}

void TfrmDataGenerate::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }
void TfrmDataGenerate::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }

bool TfrmDataGenerate::InKey(const std::string& column) const {
  return std::find(primaryKey_.begin(), primaryKey_.end(), column) != primaryKey_.end() || InUnique(column);
}

bool TfrmDataGenerate::InUnique(const std::string& column) const {
  return std::find(unique_.begin(), unique_.end(), column) != unique_.end();
}

void TfrmDataGenerate::LoadColumns() {
  TSqlWaitCursor wait;
  cols_.clear();
  lstColumn->clear();
  const std::string database = ConnectionWindow->Module().GetDataSourceName();
  TovSQLQuery& columns = ConnectionWindow->OpenSQLParams(kDataGenColumnSQL, {database, schema_, table_});
  for (columns.First(); !columns.Eof(); columns.Next()) {
    std::vector<QVariant> row;
    for (size_t i = 0; i < columns.Fields().size(); ++i) row.push_back(columns.Value(i));
    std::optional<TColParams> col = DataGenColumnFromRow(row);
    if (!col) continue;
    auto* item = new QTreeWidgetItem(lstColumn);
    item->setText(lcName, Q(col->ColumnName));
    item->setText(lcType, Q(col->TypeText));
    item->setText(lcNotNull, col->NotNull ? "Y" : "");
    item->setTextAlignment(lcNotNull, Qt::AlignCenter);
    cols_.push_back(std::move(*col));
  }
  std::vector<std::pair<std::string, std::string>> constraints;
  TovSQLQuery& keys = ConnectionWindow->OpenSQLParams(kDataGenConstraintSQL, {database, schema_, table_});
  for (keys.First(); !keys.Eof(); keys.Next())
    constraints.emplace_back(TrimBlanks(keys.AsString(size_t{0})), keys.AsString(size_t{1}));
  for (const auto& [type, code] : constraints) {
    std::vector<std::string>* list = type == "PK" ? &primaryKey_ : type == "UK" ? &unique_ : nullptr;
    if (!list) continue;
    list->clear();
    TovSQLQuery& names = ConnectionWindow->OpenSQLParams(kDataGenKeyColumnSQL, {database, schema_, table_, code});
    for (names.First(); !names.Eof(); names.Next()) list->push_back(names.AsString(size_t{0}));
  }
  for (size_t i = 0; i < cols_.size(); ++i)
    if (std::find(primaryKey_.begin(), primaryKey_.end(), cols_[i].ColumnName) != primaryKey_.end())
      lstColumn->topLevelItem(static_cast<int>(i))->setIcon(lcName, imgMain().Icon(kKeyImage));
  FillTemplateLists();
}

void TfrmDataGenerate::FillTemplateLists() {
  std::vector<std::string> names;
  for (const TDocFile& file : ListDocFiles(DocFolder(ShareDir, kDataGenFolder), kTemplateExtension))
    names.push_back(file.Name);
  for (TovComboBox* box : {cmbTemplate1, cmbTemplate2}) Fill(box, names, true);
}

void TfrmDataGenerate::AssignDefaultRules() {
  const QDateTime now = QDateTime::currentDateTime();
  for (TColParams& col : cols_) {
    col.Rule = TDataGenColumn{};
    col.Rule.Name = col.ColumnName;
    AssignDefaultRule(col, InKey(col.ColumnName), now);
  }
}

void TfrmDataGenerate::LoadSettings() {
  const std::string path = DataGenPath(ShareDir, table_);
  bool loaded = false;
  if (QFile::exists(Q(path)) && MsgBox(kLoadQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) {
    TDataGenDocument doc = Settings();
    for (TDataGenColumn& rule : doc.Columns) {
      TDataGenColumn cleared;
      cleared.Name = rule.Name;
      rule = std::move(cleared);
    }
    // Whatever the file holds up to a failure is kept; the failure is not shown.
    try {
      ReadDataGenDocument(path, doc);
    } catch (const std::exception&) {
    }
    mode_ = doc.Mode;
    txtCount->SetInteger(doc.Count);
    cmbMasterSchema->setCurrentText(Q(doc.MastOwner));
    cmbMasterTable->setCurrentText(Q(doc.MastTable));
    txtCountFrom->SetInteger(doc.CountF);
    txtCountTo->SetInteger(doc.CountT);
    for (size_t i = 0; i < cols_.size() && i < doc.Columns.size(); ++i) cols_[i].Rule = doc.Columns[i];
    loaded = true;
  }
  if (!loaded) AssignDefaultRules();
  rdoMaster->setChecked(mode_ == 1);
  rdoNormal->setChecked(mode_ != 1);
  for (int row = static_cast<int>(cols_.size()) - 1; row >= 0; --row) {
    lstColumn->setCurrentItem(lstColumn->topLevelItem(row));
    SelectColumn(row);
    StoreColumnRule();
  }
}

TDataGenDocument TfrmDataGenerate::Settings() const {
  TDataGenDocument doc;
  doc.Mode = mode_;
  doc.Count = txtCount->AsInteger();
  doc.MastOwner = Text(cmbMasterSchema);
  doc.MastTable = Text(cmbMasterTable);
  doc.CountF = txtCountFrom->AsInteger();
  doc.CountT = txtCountTo->AsInteger();
  for (const TColParams& col : cols_) {
    doc.Columns.push_back(col.Rule);
    doc.Columns.back().Name = col.ColumnName;
  }
  return doc;
}

void TfrmDataGenerate::SaveSettings() {
  // A settings file that cannot be written costs only the next offer.
  try {
    WriteDataGenDocument(ShareDir, table_, Settings());
  } catch (const std::exception&) {
  }
}

void TfrmDataGenerate::SelectColumn(int row) {
  if (row < 0 || row >= static_cast<int>(cols_.size())) return;
  const TColParams& col = cols_[static_cast<size_t>(row)];
  shownKinds_ = AllowedKinds(col, InKey(col.ColumnName), mode_ == 1);
  {
    const QSignalBlocker quiet(cmbSetType);
    cmbSetType->clear();
    for (int32_t kind : shownKinds_) cmbSetType->addItem(Q(DataGenRuleNames[static_cast<size_t>(kind)]));
  }
  cmbSetType->setEnabled(true);
  ShowColumnRule();
}

void TfrmDataGenerate::ShowColumnRule() {
  const int row = lstColumn->indexOfTopLevelItem(lstColumn->currentItem());
  if (row < 0 || row >= static_cast<int>(cols_.size())) return;
  const TColParams& col = cols_[static_cast<size_t>(row)];
  const TDataGenColumn& rule = col.Rule;
  loading_ = true;
  AtExit done([this] { loading_ = false; });
  const auto kind = std::find(shownKinds_.begin(), shownKinds_.end(), rule.SetType);
  cmbSetType->setCurrentIndex(kind == shownKinds_.end() ? 0 : static_cast<int>(kind - shownKinds_.begin()));
  updNull->setValue(rule.NullPar);
  const auto number = [](double value) { return value == 0 ? QString() : Q(DataGenNumberText(value)); };
  txtNumFrom->setText(number(rule.NumFrom));
  txtNumTo->setText(number(rule.NumTo));
  txtMarume->setText(number(rule.Marume));
  chkZeros->setChecked(rule.StrFull);
  chkPrefix->setChecked(rule.FlgPrefix);
  txtPrefix->setText(Q(rule.StrPrefix));
  cmbStrType->setCurrentIndex(std::max(rule.StrType, 0));
  chkStrFull->setChecked(rule.StrFull);
  txtStrDigit->setText(Q(rule.StrDigit));
  cmbDateType->setCurrentIndex(rule.DateType);
  if (rule.DateFrom.isValid()) dtpDateFrom->setDateTime(rule.DateFrom);
  if (rule.DateTo.isValid()) dtpDateTo->setDateTime(rule.DateTo);
  grdIn->SetRowCount(static_cast<int>(rule.Variable.size()) + 1);
  for (int i = 0; i < grdIn->RowCount(); ++i)
    grdIn->SetCells(0, i, i < static_cast<int>(rule.Variable.size()) ? rule.Variable[static_cast<size_t>(i)] : "");
  std::string fixedText;
  if (rule.SetType == dgFixed)
    for (const std::string& line : rule.Variable) fixedText += (fixedText.empty() ? "" : "\n") + line;
  txtVariable->Lines().SetTextStr(fixedText);
  cmbTemplate1->setCurrentText(Q(rule.Temp1));
  cmbTemplate2->setCurrentText(Q(rule.Temp2));
  txtTemplateSep->setText(Q(rule.TempSep));
  cmbLinkOwner->setCurrentText(Q(rule.LinkOwner));
  cmbLinkTable->setCurrentText(Q(rule.LinkTable));
  cmbLinkColumn->setCurrentText(Q(rule.LinkColumn));
  cmbColumn->setCurrentText(Q(rule.LinkColumn));
  pnlPages->setCurrentIndex(PageOfKind(rule.SetType));
  ApplyKindControls();
}

int32_t TfrmDataGenerate::CurrentKind() const {
  const int index = cmbSetType->currentIndex();
  return index < 0 || index >= static_cast<int>(shownKinds_.size()) ? dgNone : shownKinds_[static_cast<size_t>(index)];
}

void TfrmDataGenerate::SetTypeChanged() {
  if (loading_) return;
  const int32_t kind = CurrentKind();
  {
    loading_ = true;
    AtExit done([this] { loading_ = false; });
    pnlPages->setCurrentIndex(PageOfKind(kind));
    if (kind == dgSequence || kind == dgRandomNumber) {
      txtNumTo->setEnabled(kind == dgRandomNumber);
      lblMarume->setText(kind == dgSequence ? kSequenceUnit : kRoundingUnit);
    } else if (kind == dgDateSequence) {
      cmbDateType->setCurrentIndex(kDataGenDateOnly);
    } else if (kind == dgRandomString && cmbStrType->currentIndex() < 0) {
      cmbStrType->setCurrentIndex(dsLetters);
    } else if (kind == dgFixed || kind == dgNone) {
      updNull->setValue(0);
    }
  }
  ApplyKindControls();
  StoreColumnRule();
}

void TfrmDataGenerate::ApplyKindControls() {
  const int row = lstColumn->indexOfTopLevelItem(lstColumn->currentItem());
  if (row < 0 || row >= static_cast<int>(cols_.size())) return;
  const TColParams& col = cols_[static_cast<size_t>(row)];
  const std::string& type = col.TypeName;
  const int32_t kind = CurrentKind();
  const bool wasLoading = loading_;
  loading_ = true;
  AtExit done([this, wasLoading] { loading_ = wasLoading; });
  txtNumTo->setEnabled(kind == dgRandomNumber);
  lblMarume->setText(kind == dgSequence ? kSequenceUnit : kRoundingUnit);
  updNull->setEnabled(!col.NotNull && !InUnique(col.ColumnName) && kind != dgNone && kind != dgFixed);
  if (!updNull->isEnabled()) updNull->setValue(0);
  const bool digitsShown = cmbStrType->currentIndex() <= dsFullWidth;
  lblStrDigit->setVisible(digitsShown);
  txtStrDigit->setVisible(digitsShown);
  txtStrDigit->setEnabled(!chkStrFull->isChecked());
  lblStrDigit->setEnabled(!chkStrFull->isChecked());
  chkZeros->setEnabled(!DataGenIsNumericType(type));
  const bool prefixShown = IsCharacterType(type);
  chkPrefix->setVisible(prefixShown);
  txtPrefix->setVisible(prefixShown);
  txtPrefix->setEnabled(chkPrefix->isChecked());
  if (type == "DATE") cmbDateType->setCurrentIndex(kDataGenDateOnly);
  cmbDateType->setEnabled(kind != dgDateSequence && (type == "TIME" || IsTimestampType(type)));
  dtpDateFrom->setEnabled(type == "DATE" || IsTimestampType(type));
  dtpDateTo->setEnabled(dtpDateFrom->isEnabled());
  dtpDateTo->setVisible(kind != dgDateSequence);
  for (QLineEdit* edit : std::initializer_list<QLineEdit*>{txtNumTo, txtStrDigit, txtPrefix})
    if (!edit->isEnabled()) edit->clear();
  if (kind == dgLink && Text(cmbLinkOwner).empty()) cmbLinkOwner->setCurrentText(Q(schema_));
}

std::vector<std::string> TfrmDataGenerate::GridLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < grdIn->RowCount(); ++i) lines.push_back(grdIn->Cells(0, i));
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

void TfrmDataGenerate::StoreColumnRule() {
  if (loading_) return;
  QTreeWidgetItem* item = lstColumn->currentItem();
  const int row = lstColumn->indexOfTopLevelItem(item);
  if (row < 0 || row >= static_cast<int>(cols_.size())) return;
  TColParams& col = cols_[static_cast<size_t>(row)];
  TDataGenColumn rule;
  rule.Name = col.ColumnName;
  rule.SetType = CurrentKind();
  switch (rule.SetType) {
    case dgSequence:
    case dgRandomNumber:
      rule.NumFrom = static_cast<double>(txtNumFrom->AsFloat());
      rule.NumTo = static_cast<double>(txtNumTo->AsFloat());
      rule.Marume = static_cast<double>(txtMarume->AsFloat());
      rule.StrFull = chkZeros->isEnabled() && chkZeros->isChecked();
      rule.FlgPrefix = chkPrefix->isVisible() && chkPrefix->isChecked();
      rule.StrPrefix = rule.FlgPrefix ? txtPrefix->text().toStdString() : std::string();
      break;
    case dgRandomString:
      rule.StrType = cmbStrType->currentIndex();
      rule.StrFull = chkStrFull->isChecked();
      rule.StrDigit = txtStrDigit->text().toStdString();
      break;
    case dgDateSequence:
    case dgRandomDate:
      rule.DateType = cmbDateType->currentIndex();
      rule.DateFrom = dtpDateFrom->dateTime();
      rule.DateTo = dtpDateTo->dateTime();
      break;
    case dgPick: rule.Variable = GridLines(); break;
    case dgFixed: {
      for (int i = 0; i < txtVariable->Lines().GetCount(); ++i) rule.Variable.push_back(txtVariable->Lines().Get(i));
      break;
    }
    case dgTemplate:
      rule.Temp1 = Text(cmbTemplate1);
      rule.Temp2 = Text(cmbTemplate2);
      rule.TempSep = txtTemplateSep->text().toStdString();
      break;
    case dgLink:
      rule.LinkOwner = Text(cmbLinkOwner);
      rule.LinkTable = Text(cmbLinkTable);
      rule.LinkColumn = Text(cmbLinkColumn);
      break;
    case dgParent: rule.LinkColumn = Text(cmbColumn); break;
    default: break;
  }
  rule.NullPar = updNull->value();
  col.Rule = std::move(rule);
  item->setText(lcKind, Q(DataGenRuleNames[static_cast<size_t>(col.Rule.SetType)]));
  item->setText(lcSummary, Q(ColumnRuleSummary(col)));
}

bool TfrmDataGenerate::FixedValueWorks(const std::string& expression) {
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  connection.BeginTrans();
  AtExit rollback([&connection] {
    RunReported([&connection] {
      if (connection.InTransaction()) connection.RollbackTrans();
      connection.BeginTrans();
    });
  });
  try {
    TovSQLQuery probe(&connection);
    probe.SetParamCheck(false);
    probe.SetSQL(FixedValueProbeSQL(expression));
    probe.Open();
    probe.Close();
    return true;
  } catch (const EDatabaseError&) {
    return false;
  }
}

bool TfrmDataGenerate::CheckInput() {
  const std::optional<TDataGenProblem> problem =
      InputCheck(Settings(), cols_, [this](const std::string& expression) { return FixedValueWorks(expression); });
  if (!problem) return true;
  MsgBox(problem->Message, MB_OK | MB_ICONWARNING);
  if (problem->Focus == TDataGenFocus::StrDigit) {
    txtStrDigit->setFocus();
    return false;
  }
  pgcMain->setCurrentWidget(tabOption);
  switch (problem->Focus) {
    case TDataGenFocus::Count: txtCount->setFocus(); break;
    case TDataGenFocus::MasterTable: cmbMasterTable->setFocus(); break;
    case TDataGenFocus::ChildCount: txtCountFrom->setFocus(); break;
    default:
      if (problem->Column >= 0) lstColumn->setCurrentItem(lstColumn->topLevelItem(problem->Column));
      lstColumn->setFocus();
      break;
  }
  return false;
}

void TfrmDataGenerate::ShowLog(bool log) {
  txtLog->setVisible(log);
  fraData->setVisible(!log);
  pgcMain->setCurrentWidget(tabResult);
}

void TfrmDataGenerate::AppendLog(const std::string& line) {
  txtLog->Lines().Add(line);
  txtLog->SetRowCol(std::max(0, txtLog->Lines().GetCount() - 1), 0);
}

void TfrmDataGenerate::actExecuteExecute() {
  FlushActiveControl();
  if (!CheckInput()) return;
  if (MsgBox(kRunQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  SaveSettings();
  ShowLog(true);
  RunGeneration();
}

void TfrmDataGenerate::RunGeneration() {
  TSqlWaitCursor wait;
  if (mode_ != 1) txtLog->Lines().Clear();
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  const TDataGenDocument settings = Settings();
  LoadTemplateWords(cols_, ShareDir);
  const std::string insert = BuildInsertSQL(cols_, schema_, table_, "");
  const std::vector<std::string> links = BuildLinkQueries(cols_);
  TSeededRandom random(RunSeed());
  TDataGenQueryPort port(
      connection, cols_, links, mode_ == 1 ? DataGenParentSQL(settings.MastOwner, settings.MastTable) : std::string(),
      random,
      {IsEscapePressed, [this](const std::string& line) { AppendLog(line); },
       [](bool& ignoreLater) {
         TCheckList checks{{kDataGenIgnoreErrors, false}};
         const int answer = MsgBoxWithChecks(kDataGenErrorQuestion, MB_YESNO | MB_ICONWARNING, checks);
         ignoreLater = checks.front().checked;
         return answer == IDYES;
       }});
  TovMainWindow* main = MainWindow();
  if (main) main->ShowProgress(0, 0);
  // The finishing steps run however the run ends; their own failure is shown.
  AtExit finish([&] {
    RunReported([&] {
      if (main) main->ShowObjectCount();
      port.FreeQueries();
      if (connection.InTransaction()) connection.RollbackTrans();
      connection.BeginTrans();
    });
  });
  TDataGenRowInput input;
  input.ShortDateFormat = ShortDateFormat;
  if (mode_ == 1)
    RunDependent(cols_, insert, settings.CountF, settings.CountT, AppOption.DataGenCommit, random, input, port);
  else
    RunNormal(cols_, insert, settings.Count, AppOption.DataGenCommit, random, input, port);
}

std::string TfrmDataGenerate::TestTableSpace() {
  // A server without storage management places it on its default space.
  if (ConnectionWindow->LevelReduced()) return {};
  if (ConnectionWindow->Level() >= kServerLevelWithSpaces) {
    TovSQLQuery& q = ConnectionWindow->OpenSQLParams(
        kDataGenTableSpaceSQL, {ConnectionWindow->Module().GetDataSourceName(), schema_, table_});
    if (!q.Eof() && !q.AsString(size_t{0}).empty()) return q.AsString(size_t{0});
  }
  std::vector<std::string> spaces;
  ConnectionWindow->GetDBSpaceList(spaces);
  return spaces.empty() ? std::string() : spaces.front();
}

void TfrmDataGenerate::btnTestClick() {
  FlushActiveControl();
  if (!CheckInput()) return;
  if (MsgBox(kTestQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  SaveSettings();
  ShowLog(false);
  RunTestRows();
}

void TfrmDataGenerate::RunTestRows() {
  TSqlWaitCursor wait;
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  const TDataGenDocument settings = Settings();
  const std::string name = DataGenTestTableName(table_, QDateTime::currentDateTime());
  const std::string target = DataGenTestTarget(schema_, name);
  ConnectionWindow->ExecSQL("COMMIT");
  ConnectionWindow->ExecSQL(DataGenTestCreateSQL(schema_, name, cols_, TestTableSpace()));
  ConnectionWindow->ExecSQL("COMMIT");
  // The temporary table goes whatever happens to the rows.
  AtExit drop([&] {
    RunReported([&] {
      ConnectionWindow->ExecSQL("COMMIT");
      ConnectionWindow->ExecSQL("DROP TABLE " + target);
      ConnectionWindow->ExecSQL("COMMIT");
    });
  });
  LoadTemplateWords(cols_, ShareDir);
  const std::string insert = BuildInsertSQL(cols_, schema_, table_, target);
  const std::vector<std::string> links = BuildLinkQueries(cols_);
  TSeededRandom random(RunSeed());
  TDataGenQueryPort port(
      connection, cols_, links, mode_ == 1 ? DataGenParentSQL(settings.MastOwner, settings.MastTable) : std::string(),
      random, {IsEscapePressed, [](const std::string&) {}, [](bool&) { return false; }});
  AtExit free([&port] { RunReported([&port] { port.FreeQueries(); }); });
  if (!connection.InTransaction()) connection.BeginTrans();
  const TDataGenTestPlan plan{mode_ == 1, settings.Count, settings.CountF, settings.CountT};
  TDataGenRowInput input;
  input.ShortDateFormat = ShortDateFormat;
  if (mode_ == 1) {
    try {
      RunTest(cols_, insert, plan, random, input, port);
    } catch (const std::exception& error) {
      MsgBox(error.what(), MB_OK);
      return;
    }
  } else {
    RunTest(cols_, insert, plan, random, input, port);
  }
  // Read before the commit that empties the temporary table.
  fraData->SetSQL("SELECT * FROM " + target);
  fraData->PrepareSQL();
  fraData->OpenData();
  // All of its at most 100 rows, so that no cursor holds the table it drops.
  fraData->cdsData.RecordCount();
  fraData->SetEditing(false);
}

void ShowDataGenerate(TovConnectionWindow& connection, const std::string& schema, const std::string& table) {
  QPointer<TfrmDataGenerate> form = new TfrmDataGenerate(connection, schema, table);
  AtExit release([&form] { delete form.data(); });
  form->fraData->qryData.Close();
  form->fraData->qryLob.Close();
  form->ShowLog(true);
  form->fraData->setVisible(false);
  for (QAction* button : {form->fraData->btnUpdate, form->fraData->btnExcel, form->fraData->btnCopy,
                          form->fraData->btnIns, form->fraData->btnDel})
    if (button) button->setVisible(false);
  // Title clicks sort nothing here.
  if (form->fraData->grdData1) form->fraData->grdData1->OnTitleClick = nullptr;
  if (form->fraData->grdData2) form->fraData->grdData2->OnTitleClick = nullptr;
  form->cmbSchema->setCurrentText(Q(schema));
  form->cmbMasterSchema->setCurrentText(Q(schema));
  form->txtName->setText(Q(table));
  form->pgcMain->setCurrentWidget(form->tabOption);
  const QDateTime today(QDate::currentDate(), QTime(0, 0));
  form->dtpDateFrom->setDateTime(today);
  form->dtpDateTo->setDateTime(today.addMonths(kMonthAhead));
  form->LoadColumns();
  ApplyControlOptions(form->txtVariable);
  ApplyControlOptions(form->grdIn);
  ApplyControlOptions(form->txtLog);
  form->grdIn->ClearData();
  ShowModalForm(*form, connection.Window());
}
