#include "objedit/fsource.h"

#include <QAction>
#include <QEvent>
#include <QFileInfo>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "app/core/ovformat.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/findexcore.h"
#include "objedit/fexecprc.h"
#include "objedit/fsample.h"
#include "objedit/rcross.h"
#include "objedit/rgrant.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "platform/textfile.h"
#include "ui/fprint.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kExecImage = 28;
constexpr int kOutputImage = 36;
constexpr int kPrintImage = 98;
constexpr int kSaveImage = 18;
constexpr int kSampleImage = 99;
constexpr int kProcedureHelp = 10800;
constexpr int kFunctionHelp = 10900;
// The catalogue holds routine texts from this level on.
constexpr int kCatalogueTextLevel = 10;
constexpr const char* kSaveTitle = "名前を付けて保存";

constexpr const char* kProcSourceSql =
    "SELECT A.DESC_VALUE FROM RDBII_SYSTEM.RDBII_DESCRIPTION A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_PROC_EX B ON "
    "A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.OBJECT_CODE = B.PROCEDURE_CODE WHERE "
    "TRIM(B.DB_NAME) = :DATABASE AND B.SCHEMA_NAME = :OWNER AND B.PROCEDURE_NAME = :NAME AND A.DESC_TYPE = 'P' "
    "WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kFuncSourceSql =
    "SELECT A.ROUTINE_NAME, A.LIBRARY_PATH, B.COLUMN_TYPE, B.DATA_TYPE, B.NULLABLE, B.CHAR_MAX_LENGTH, "
    "B.NUMERIC_PRECISION, B.NUMERIC_SCALE, C.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_PROC_EX A LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_PROC_COL B ON A.PROCEDURE_CODE = B.PROCEDURE_CODE LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_COMMENT C ON A.DB_CODE = C.DB_CODE AND A.SCHEMA_CODE = C.SCHEMA_CODE AND "
    "A.PROCEDURE_CODE = C.TABLE_CODE WHERE TRIM(A.DB_NAME) = :DATABASE AND A.SCHEMA_NAME = :OWNER AND "
    "A.PROCEDURE_NAME = :NAME AND A.PROCEDURE_TYPE = 2 ORDER BY B.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";

}  // namespace

const TEditorKind TfrmProcedureSource::kKind{okProcedure, "PROCEDURE - ", true, kSourceSizeKey, "DROP PROCEDURE ",
                                             false};
const TEditorKind TfrmFunctionSource::kKind{okFunction, "FUNCTION - ", true, kSourceSizeKey, "DROP FUNCTION ", false};

TfrmSource::TfrmSource(TovConnectionWindow& owner, const TEditorKind& kind)
    : TovObjectEditor(owner, kind, kRoutinePageModes) {
  setupUi();
  SetHelpContext(kind.ImageIndex == okFunction ? kFunctionHelp : kProcedureHelp);
}

void TfrmSource::setupUi() {
  RemovePage(TEditorPage::Define);
  AddFramePages(tabGrant, fraGrant, tabCross, fraCross);

  actExec = MakeAction(this, "actExec", "実行(&E)", "プログラムを実行します。", kExecImage);
  actOutput = MakeAction(this, "actOutput", "出力(&P)", "プログラムの内容を外部に出力します。", kOutputImage);
  actPrint = MakeAction(this, "actPrint", "印刷(&P)", "オブジェクトの情報を印刷します。", kPrintImage);
  actSave = MakeAction(this, "actSave", "ファイル保存(&S)", "プログラムソースをファイルに保存します。", kSaveImage);
  actSample = MakeAction(this, "actSample", "サンプル", "サンプルコードを表示します。", kSampleImage);
  popOutput = new QMenu(this);
  popOutput->addAction(actPrint);
  popOutput->addAction(actSave);
  actOutput->setMenu(popOutput);
  tolCmd->insertAction(actDelete, actExec);
  tolCmd->insertAction(actDelete, actOutput);
  if (auto* button = qobject_cast<QToolButton*>(tolCmd->widgetForAction(actOutput)))
    button->setPopupMode(QToolButton::InstantPopup);
  tolCmd->addAction(actSample);
  mnuObject->addSeparator();
  mnuObject->addAction(actPrint);
  mnuObject->addAction(actSave);
  connect(actExec, &QAction::triggered, this, [this] { RunReported([this] { actExecExecute(); }); });
  connect(actPrint, &QAction::triggered, this, [this] { RunReported([this] { actPrintExecute(); }); });
  connect(actSave, &QAction::triggered, this, [this] { RunReported([this] { actSaveExecute(); }); });
  connect(actSample, &QAction::triggered, this, [this] { RunReported([this] { ShowSample(); }); });

  txtName->AutoSave = true;
  cmbSchema->AutoSave = true;
  txtName->installEventFilter(this);
  cmbSchema->installEventFilter(this);
}

bool TfrmSource::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && (watched == txtName || watched == cmbSchema))
    RunReported([&] { txtNameExit(watched == cmbSchema); });
  return TovObjectEditor::eventFilter(watched, event);
}

std::vector<std::string> TfrmSource::ReportSource() {
  const std::string path = WriteTempFile(kRoutineControlFile, RoutineControlText(SchemaName(), ObjectName()));
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  std::vector<std::string> report;
  if (!RunCommand("rdbprt -d " + connection.DataSource + " -m DEF " + path, report, true))
    throw std::runtime_error(kLoadFailed);
  return ParseRoutineReport(report, Kind().ImageIndex, SchemaName(), ObjectName(), AppOption.Separator);
}

std::vector<std::string> TfrmSource::CatalogueSource() {
  const std::vector<std::string> values{ConnectionWindow->Module().Connection.DataSource, SchemaName(), ObjectName()};
  if (Kind().ImageIndex == okProcedure) {
    TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kProcSourceSql, values);
    if (q.Eof()) return {};
    std::string text = q.AsString(size_t{0});
    FormatSQLBlock(text);
    std::vector<std::string> lines = SourceTextLines(text);
    lines.push_back(AppOption.Separator);
    return lines;
  }
  TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kFuncSourceSql, values);
  TFuncText func{SchemaName(), ObjectName(), "", "", "", {}};
  if (!q.Eof()) {
    func.Symbol = Trim(q.AsString(size_t{0}));
    func.Library = Trim(q.AsString(1));
    func.Comment = q.AsString(8);
  }
  for (; !q.Eof(); q.Next()) {
    if (q.AsString(2).empty()) continue;  // a function without parameter rows
    TFuncParam param;
    param.Mode = std::stoi(q.AsString(2));
    param.DataType = q.AsString(3).empty() ? 0 : std::stoi(q.AsString(3));
    param.Nullable = Trim(q.AsString(4)) != "NO";
    param.Length = q.AsString(5);
    param.Precision = q.AsString(6);
    param.Scale = q.AsString(7);
    func.Params.push_back(param);
  }
  return FunctionTextFromCatalogue(func, AppOption.Separator);
}

std::vector<std::string> TfrmSource::LoadSource() {
  TSqlWaitCursor wait;
  if (IsNew) return {};
  return ConnectionWindow->Level() >= kCatalogueTextLevel ? CatalogueSource() : ReportSource();
}

bool TfrmSource::LoadObject() {
  loaded_ = LoadSource();
  if (loaded_.empty()) return false;
  if (BlankSource(LastSource)) LastSource = loaded_;
  return true;
}

void TfrmSource::FinishLoad() {
  // The text is rebuilt whatever page is active.
  txtSource->Lines().Assign(IsNew ? std::vector<std::string>{} : loaded_);
  txtSource->GetUndoObj().Clear();
  txtSource->SetRowCol(0, 0);
  if (IsNew) return;
  LoadFramePage(*fraGrant, *fraCross);
}

std::vector<std::string> TfrmSource::SourceLines() { return loaded_; }

std::vector<std::string> TfrmSource::BuildStatements(TEditorPage page) {
  std::vector<std::string> list;
  if (page == TEditorPage::Source) list = SourceTextLines(txtSource->Lines().GetTextStr());
  else if (page == TEditorPage::Grant) fraGrant->BuildGrantDDL(list);
  return list;
}

void TfrmSource::Compile(QObject*) {
  FlushActiveControl();
  if (SchemaName().empty()) {
    MsgBox(kSchemaMissing, MB_ICONWARNING);
    cmbSchema->setFocus();
    return;
  }
  if (ObjectName().empty()) {
    MsgBox(kNameMissing, MB_ICONWARNING);
    txtName->setFocus();
    return;
  }
  TovConnectionWindow& connection = *ConnectionWindow;
  const std::string schema = SchemaName(), name = ObjectName();
  const int kind = Kind().ImageIndex;
  const bool sourcePage = ActivePage() == TEditorPage::Source;
  if (RoutineNeedsDrop(IsNew, sourcePage, LastSource)) {
    SaveSourceBefore(connection, schema, name, kind);
    connection.ExecSQL(DropRoutineStatement(kind, schema, name));
  }
  const std::vector<std::string> list = BuildStatements(ActivePage());
  try {
    connection.ExecScript(list, false);
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
    // Brings the routine back as it was before the DROP.
    if (sourcePage && !IsNew && !BlankSource(LastSource)) connection.ExecScript(LastSource, false);
    return;
  }
  MsgBox(kCompiled, MB_ICONINFORMATION);
  SaveSourceAfter(connection, schema, name, kind);
  // Cleared first: the actions are weighed again when IsNew is set.
  SetChanged(false);
  SetIsNew(false);
  if (sourcePage) LastSource = list;
}

void TfrmSource::txtNameExit(bool schemaBox) {
  if (!IsNew && !pnlName->isEnabled()) return;
  std::vector<std::string> lines = SourceTextLines(txtSource->Lines().GetTextStr());
  if (BlankSource(lines)) {
    if (ObjectName().empty() && SchemaName().empty()) return;
    txtSource->Lines().Assign(RoutineSkeleton(Kind().ImageIndex, SchemaName(), ObjectName(), AppOption.Separator));
    return;
  }
  const bool replaced = schemaBox ? ReplaceSourceSchema(lines, cmbSchema->SavedText(), SchemaName())
                                  : ReplaceSourceName(lines, txtName->SavedText(), ObjectName());
  if (replaced) txtSource->Lines().Assign(lines);
}

void TfrmSource::ShowSample() {
  const int kind = Kind().ImageIndex;
  if (!SampleForm) {
    SampleForm = new TfrmSample(this);
    SampleForm->setWindowIcon(imgMain().Icon(kSampleImage));
    SampleForm->setWindowTitle(Q(ObjectKindName(kind) + " - サンプル"));
    SampleForm->LoadPosition();
  }
  if (!SampleForm->LoadFile(SampleFilePath(kind))) {
    MsgBox(kSampleMissing, MB_ICONWARNING);
    SampleForm->close();
    return;
  }
  SampleForm->show();
}

void TfrmSource::ActionsUpdated() {
  const bool enabled = !Changed && !IsNew;
  for (QAction* action : {actOutput, actPrint, actSave}) action->setEnabled(enabled);
  const int kind = Kind().ImageIndex;
  actExec->setEnabled(enabled && (kind == okProcedure || kind == okFunction));
}

void TfrmSource::actExecExecute() {
  TfrmExecProc::CreateRun(*ConnectionWindow, SchemaName(), ObjectName(), Kind().ImageIndex);
}

void TfrmSource::actPrintExecute() {
  const std::string title = SchemaName() + "." + ObjectName();
  const std::vector<std::string> lines = SourceTextLines(txtSource->Lines().GetTextStr());
  PrintWithDialog(title, [&](TfrmPrint&) {
    BeginPrintJob();
    try {
      PrintLines(title, lines, true);
    } catch (...) {
      EndPrintJob();
      throw;
    }
    EndPrintJob();
  });
}

void TfrmSource::actSaveExecute() {
  const platform::FileRequest request{platform::FileDialogKind::Save, kSaveTitle, "",
                                      AppOption.FileDir + SchemaName() + "." + ObjectName() + ".sql",
                                      kSqlFileFilter};
  const std::optional<std::string> path = platform::Dialogs().ShowFile(request);
  if (!path) return;
  platform::WriteTextFile(*path, CrLfText(SourceTextLines(txtSource->Lines().GetTextStr())));
  MsgBox(kScriptSaved, MB_ICONINFORMATION);
  AppOption.FileDir = QFileInfo(Q(*path)).absolutePath().toStdString() + "/";
}

void RegisterSourceEditor() {
  RegisterObjectEditor(okProcedure, &TovObjectEditor::CreateEditor<TfrmProcedureSource>,
                       &TovObjectEditor::CreateScript<TfrmProcedureSource>);
  RegisterObjectEditor(okFunction, &TovObjectEditor::CreateEditor<TfrmFunctionSource>,
                       &TovObjectEditor::CreateScript<TfrmFunctionSource>);
}
