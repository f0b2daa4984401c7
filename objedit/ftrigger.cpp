#include "objedit/ftrigger.h"

#include <QGridLayout>

#include <algorithm>

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovconnwin.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/fsourcecore.h"
#include "objedit/ffldlist.h"
#include "objedit/rcross.h"
#include "objedit/rgrant.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kFieldImage = 12;
constexpr int kTriggerHelp = 11200;
constexpr const char* kTableKindName = "TABLE";

constexpr const char* kTriggerSql =
    "SELECT TRIM(TRIG_SCHEMA_NAME), TRIM(TRIG_NAME), TRIM(COND_TIMING), TRIM(EVENT_MANIPURATION), "
    "TRIM(EVENT_OBJ_SCH_NAME), TRIM(EVENT_OBJ_TBL_NAME), TRIM(COND_REF_OLD_TABLE), TRIM(COND_REF_NEW_TABLE), "
    "ACTION_CONDITION, 'ENABLED' STATUS, ' ' DESCRIPTION, ACTION_STMT_LIST, TRIM(ACTION_ORIENTATION) FROM "
    "RDBII_SYSTEM.RDBII_TRIGGER  WHERE TRIM(TRIG_DB_NAME) = :DATABASE AND TRIM(TRIG_SCHEMA_NAME) = :OWNER AND "
    "TRIM(TRIG_NAME) = :NAME WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kTriggerColumnsSql =
    "SELECT TRIM(B.TRIG_SCHEMA_NAME), TRIM(B.TRIG_NAME), TRIM(B.EVENT_OBJ_SCH_NAME), TRIM(B.EVENT_OBJ_TBL_NAME), "
    "TRIM(C.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_TRIG_COLUMNS A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TRIGGER B ON "
    "A.TRIG_DB_CODE = B.TRIG_DB_CODE AND A.TRIG_SCHEMA_CODE = B.TRIG_SCHEMA_CODE AND A.TRIG_CODE = B.TRIG_CODE "
    "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COLUMN C ON B.EVENT_OBJ_SCH_CODE = C.SCHEMA_CODE AND "
    "B.EVENT_OBJ_TBL_CODE = C.TABLE_CODE AND A.EVENT_OBJ_COL_CODE = C.COLUMN_CODE WHERE TRIM(B.TRIG_DB_NAME) = "
    ":DATABASE AND TRIM(B.TRIG_SCHEMA_NAME) = :OWNER AND TRIM(B.TRIG_NAME) = :NAME AND "
    "TRIM(B.COL_LIST_IS_IMPLCT) = 'NO' WITH OPTION LOCK_MODE(NO LOCK)";

// Columns of the trigger query.
enum TTriggerColumn {
  kTimingColumn = 2,
  kEventColumn = 3,
  kTableOwnerColumn = 4,
  kTableNameColumn = 5,
  kOldColumn = 6,
  kNewColumn = 7,
  kConditionColumn = 8,
  kStatementsColumn = 11,
  kOrientationColumn = 12,
};
constexpr size_t kTriggerColumnName = 4;

bool Holds(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

TovStrEdit* UpperEdit(QWidget* parent, const char* name) {
  auto* edit = new TovStrEdit(parent);
  edit->setObjectName(name);
  edit->SetCharCase(ecUpperCase);
  return edit;
}

TovRadioButton* Radio(QWidget* parent, const char* name, const char* caption) {
  auto* button = new TovRadioButton(Q(caption), parent);
  button->setObjectName(name);
  return button;
}

}  // namespace

const TEditorKind TfrmTrigger::kKind{okTrigger, "TRIGGER - ", true, kTriggerSizeKey, "DROP TRIGGER ", false};

TfrmTrigger::TfrmTrigger(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kTriggerPageModes) {
  setupUi();
  SetHelpContext(kTriggerHelp);
}

void TfrmTrigger::CodeAssist(int x, int y) {
  CodeAssistFor(ActivePage() == TEditorPage::Define ? *txtBody : *txtSource, qrySQL, x, y);
}

void TfrmTrigger::setupUi() {
  grpHead = new QGroupBox(Q("起動条件"), tabDefine);
  grpHead->setObjectName("grpHead");
  cmbTableOwner = new TRefillingCombo(grpHead, [this] {
    std::vector<std::string> schemas;
    ConnectionWindow->GetSchemaList(schemas, false);
    const QString text = cmbTableOwner->currentText();
    const QSignalBlocker quiet(cmbTableOwner);
    cmbTableOwner->clear();
    for (const std::string& schema : schemas) cmbTableOwner->addItem(Q(schema));
    cmbTableOwner->setCurrentText(text);
  });
  cmbTableOwner->setObjectName("cmbTableOwner");
  cmbTableName = new TRefillingCombo(grpHead, [this] {
    std::vector<std::string> tables;
    ConnectionWindow->GetObjectNames(tables, Trim(cmbTableOwner->currentText().toStdString()), kTableKindName);
    const QString text = cmbTableName->currentText();
    const QSignalBlocker quiet(cmbTableName);
    cmbTableName->clear();
    for (const std::string& table : tables) cmbTableName->addItem(Q(table));
    cmbTableName->setCurrentText(text);
  });
  cmbTableName->setObjectName("cmbTableName");
  for (TovComboBox* combo : {cmbTableOwner, cmbTableName}) {
    combo->setEditable(true);
    combo->SetCharCase(ecUpperCase);
  }
  rdoBefore = Radio(grpHead, "rdoBefore", "前");
  rdoAfter = Radio(grpHead, "rdoAfter", "後");
  auto* timing = new QWidget(grpHead);
  auto* timingLayout = new QHBoxLayout(timing);
  timingLayout->setContentsMargins(0, 0, 0, 0);
  timingLayout->addWidget(rdoBefore);
  timingLayout->addWidget(rdoAfter);
  rdoBefore->setChecked(true);
  rdoInsert = Radio(grpHead, "rdoInsert", "INSERT");
  rdoDelete = Radio(grpHead, "rdoDelete", "DELETE");
  rdoUpdate = Radio(grpHead, "rdoUpdate", "UPDATE");
  auto* events = new QWidget(grpHead);
  auto* eventLayout = new QHBoxLayout(events);
  eventLayout->setContentsMargins(0, 0, 0, 0);
  for (TovRadioButton* button : {rdoInsert, rdoDelete, rdoUpdate}) eventLayout->addWidget(button);
  rdoInsert->setChecked(true);
  lblUpdCol = new QLabel(Q("変更列"), grpHead);
  txtUpdCol = UpperEdit(grpHead, "txtUpdCol");
  btnField = new QToolButton(grpHead);
  btnField->setObjectName("btnField");
  btnField->setIcon(imgMain().Icon(kFieldImage));
  btnField->setToolTip(Q("項目一覧"));
  txtOld = UpperEdit(grpHead, "txtOld");
  txtNew = UpperEdit(grpHead, "txtNew");
  chkRow = new TovCheckBox(Q("行トリガー"), grpHead);
  chkRow->setObjectName("chkRow");
  chkRow->setChecked(true);
  chkRow->setVisible(false);
  lblWhen = new QLabel(Q("\u3000制限"), grpHead);
  txtWhen = UpperEdit(grpHead, "txtWhen");

  auto* grid = new QGridLayout(grpHead);
  grid->addWidget(new QLabel(Q("スキーマ"), grpHead), 0, 0);
  grid->addWidget(cmbTableOwner, 0, 1);
  grid->addWidget(new QLabel(Q("テーブル"), grpHead), 0, 2);
  grid->addWidget(cmbTableName, 0, 3);
  grid->addWidget(new QLabel(Q("タイミング"), grpHead), 1, 0);
  grid->addWidget(timing, 1, 1);
  grid->addWidget(events, 1, 2, 1, 2);
  grid->addWidget(lblUpdCol, 2, 0);
  grid->addWidget(txtUpdCol, 2, 1, 1, 2);
  grid->addWidget(btnField, 2, 3, Qt::AlignLeft);
  grid->addWidget(new QLabel(Q("\u3000相関名"), grpHead), 3, 0);
  auto* names = new QWidget(grpHead);
  auto* namesLayout = new QHBoxLayout(names);
  namesLayout->setContentsMargins(0, 0, 0, 0);
  namesLayout->addWidget(new QLabel(Q("旧"), names));
  namesLayout->addWidget(txtOld);
  namesLayout->addWidget(new QLabel(Q("新"), names));
  namesLayout->addWidget(txtNew);
  grid->addWidget(names, 3, 1, 1, 3);
  grid->addWidget(chkRow, 4, 0);
  grid->addWidget(lblWhen, 4, 0);
  grid->addWidget(txtWhen, 4, 1, 1, 3);
  txtBody = new TovMemo(tabDefine);
  txtBody->setObjectName("txtBody");
  txtBody->OnChange = [this] { MarkChanged(); };
  auto* layout = new QVBoxLayout(tabDefine);
  layout->addWidget(grpHead);
  layout->addWidget(txtBody, 1);

  AddFramePages(tabGrant, fraGrant, tabCross, fraCross);

  for (QWidget* control : std::initializer_list<QWidget*>{cmbTableOwner, cmbTableName, rdoBefore, rdoAfter,
                                                          txtUpdCol, txtOld, txtNew, txtWhen})
    WatchChanges(control);
  for (TovRadioButton* button : {rdoInsert, rdoDelete, rdoUpdate})
    connect(button, &QAbstractButton::clicked, this, [this] { TriggerTypeClick(); });
  connect(chkRow, &QAbstractButton::clicked, this, [this] { chkRowClick(); });
  connect(btnField, &QToolButton::clicked, this, [this] { RunReported([this] { btnFieldClick(); }); });
  txtName->AutoSave = true;
  cmbSchema->AutoSave = true;
  TriggerTypeClick();
  SetChanged(false);
}

TTriggerEvent TfrmTrigger::Event() const {
  if (rdoInsert->isChecked()) return TTriggerEvent::Insert;
  if (rdoDelete->isChecked()) return TTriggerEvent::Delete;
  if (rdoUpdate->isChecked()) return TTriggerEvent::Update;
  return TTriggerEvent::None;
}

void TfrmTrigger::TriggerTypeClick() {
  MarkChanged();
  const TTriggerEvent event = Event();
  const bool update = event == TTriggerEvent::Update;
  for (QWidget* control : std::initializer_list<QWidget*>{txtUpdCol, lblUpdCol, btnField}) control->setEnabled(update);
  txtOld->setEnabled(TriggerUsesOld(event));
  txtNew->setEnabled(TriggerUsesNew(event));
  if (!update) txtUpdCol->clear();
}

void TfrmTrigger::chkRowClick() {
  MarkChanged();
  txtWhen->setEnabled(chkRow->isChecked());
  lblWhen->setEnabled(chkRow->isChecked());
}

void TfrmTrigger::btnFieldClick() {
  const std::string oldText = txtUpdCol->text().toStdString();
  const std::vector<std::string> before = SplitColumnList(oldText);
  std::vector<std::string> names = before;
  ShowFieldList(*ConnectionWindow, Trim(cmbTableOwner->currentText().toStdString()),
                Trim(cmbTableName->currentText().toStdString()), names);
  if (names == before) return;
  const std::string text = JoinChosenColumns(names, oldText);
  if (text != oldText) {
    txtUpdCol->setText(Q(text));
    MarkChanged();
  }
}

void TfrmTrigger::Opening(const TOpenArgs& args) {
  if (!args.Name.empty()) return;
  std::vector<std::string> schemas;
  ConnectionWindow->GetSchemaList(schemas, false);
  const QSignalBlocker quietOwner(cmbTableOwner);
  for (const std::string& schema : schemas) cmbTableOwner->addItem(Q(schema));
  const bool listed = std::find(schemas.begin(), schemas.end(), args.Schema) != schemas.end();
  cmbTableOwner->setCurrentText(listed ? Q(args.Schema) : QString());
  const QSignalBlocker quietName(cmbTableName);
  cmbTableName->setCurrentText(Q(args.Table));
}

bool TfrmTrigger::LoadObject() {
  const std::vector<std::string> values{ConnectionWindow->Module().Connection.DataSource, SchemaName(), ObjectName()};
  TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kTriggerSql, values);
  if (q.Eof()) return false;
  const std::string timing = q.AsString(kTimingColumn), event = q.AsString(kEventColumn);
  const std::string owner = q.AsString(kTableOwnerColumn), table = q.AsString(kTableNameColumn);
  const std::string oldName = q.AsString(kOldColumn), newName = q.AsString(kNewColumn);
  const std::string condition = q.AsString(kConditionColumn), statements = q.AsString(kStatementsColumn);
  const bool row = Holds(q.AsString(kOrientationColumn), "ROW");
  if (Holds(timing, "BEFORE")) rdoBefore->setChecked(true);
  if (Holds(timing, "AFTER")) rdoAfter->setChecked(true);
  if (Holds(event, "INSERT")) rdoInsert->setChecked(true);
  if (Holds(event, "DELETE")) rdoDelete->setChecked(true);
  if (Holds(event, "UPDATE")) rdoUpdate->setChecked(true);
  TriggerTypeClick();
  if (rdoUpdate->isChecked()) {
    std::vector<std::string> columns;
    for (TovSQLQuery& c = ConnectionWindow->OpenSQLParams(kTriggerColumnsSql, values); !c.Eof(); c.Next())
      columns.push_back(c.AsString(kTriggerColumnName));
    txtUpdCol->setText(Q(LoadedColumnList(columns)));
  }
  cmbTableOwner->setCurrentText(Q(owner));
  cmbTableName->setCurrentText(Q(table));
  txtOld->setText(Q(oldName));
  txtNew->setText(Q(newName));
  chkRow->setChecked(row);
  chkRowClick();
  txtWhen->setText(row ? Q(condition) : QString());
  txtBody->Lines().SetTextStr(statements);
  txtBody->GetUndoObj().Clear();
  txtBody->SetRowCol(0, 0);
  return true;
}

void TfrmTrigger::FinishLoad() {
  if (IsNew) return;
  LoadFramePage(*fraGrant, *fraCross);
}

void TfrmTrigger::BuildCreateDDL(std::vector<std::string>& lines) {
  const std::string schema = SchemaName();
  TTriggerDef def;
  def.SchemaPrefix = SchemaPrefix(schema);
  def.Name = ObjectName();
  def.Timing = rdoBefore->isChecked() ? TTriggerTiming::Before
               : rdoAfter->isChecked() ? TTriggerTiming::After
                                       : TTriggerTiming::None;
  def.Event = Event();
  def.UpdateColumns = Trim(txtUpdCol->text().toStdString());
  def.TablePrefix = SchemaPrefixFor(Trim(cmbTableOwner->currentText().toStdString()), schema);
  def.Table = Trim(cmbTableName->currentText().toStdString());
  def.OldName = Trim(txtOld->text().toStdString());
  def.NewName = Trim(txtNew->text().toStdString());
  def.Row = chkRow->isChecked();
  def.When = Trim(txtWhen->text().toStdString());
  const std::vector<std::string> body = SourceTextLines(txtBody->Lines().GetTextStr());
  if (!BlankSource(body)) def.Body = body;
  const std::vector<std::string> create = TriggerCreateLines(def, AppOption.Separator);
  lines.insert(lines.end(), create.begin(), create.end());
}

std::vector<std::string> TfrmTrigger::SourceLines() {
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  return lines;
}

std::vector<std::string> TfrmTrigger::BuildStatements(TEditorPage page) {
  std::vector<std::string> list;
  if (!IsNew && (page == TEditorPage::Define || page == TEditorPage::Source))
    list = {DropTriggerStatement(SchemaName(), ObjectName()), AppOption.Separator};
  if (page == TEditorPage::Define) BuildCreateDDL(list);
  else if (page == TEditorPage::Source) {
    const std::vector<std::string> source = SourceTextLines(txtSource->Lines().GetTextStr());
    list.insert(list.end(), source.begin(), source.end());
  } else if (page == TEditorPage::Grant) {
    fraGrant->BuildGrantDDL(list);
  }
  return list;
}

void TfrmTrigger::Compile(QObject*) {
  FlushActiveControl();
  const TEditorPage page = ActivePage();
  const auto refuse = [](const char* message, QWidget* control) {
    MsgBox(message, MB_ICONWARNING);
    control->setFocus();
  };
  if (SchemaName().empty()) return refuse(kSchemaMissing, cmbSchema);
  if (ObjectName().empty()) return refuse(kNameMissing, txtName);
  if (page == TEditorPage::Define && Trim(cmbTableName->currentText().toStdString()).empty())
    return refuse(kTableNameMissing, cmbTableName);
  if (page == TEditorPage::Define && Event() == TTriggerEvent::None) return refuse(kTriggerEventMissing, rdoInsert);
  std::vector<std::string> list = BuildStatements(page);
  if (StatementsEmpty(list)) {
    MsgBox(kNothingChanged, MB_ICONWARNING);
    SetIsNew(false);
    LoadActivePage();
    return;
  }
  const std::string schema = SchemaName(), name = ObjectName();
  if (page != TEditorPage::Source && !ShowDDLPreview(list, schema, name)) return;
  TovConnectionWindow& connection = *ConnectionWindow;
  if (!IsNew) SaveSourceBefore(connection, schema, name, okTrigger);
  connection.ExecScript(list, false);
  MsgBox(kCompiled, MB_ICONINFORMATION);
  SaveSourceAfter(connection, schema, name, okTrigger);
  SetIsNew(false);
  LoadActivePage();
}

void RegisterTriggerEditor() {
  RegisterObjectEditor(okTrigger, &TovObjectEditor::CreateEditor<TfrmTrigger>,
                       &TovObjectEditor::CreateScript<TfrmTrigger>);
}
