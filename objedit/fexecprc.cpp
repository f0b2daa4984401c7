#include "objedit/fexecprc.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

#include "app/core/fmainactcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "objedit/objeditor.h"
#include "platform/qstr.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kExecImage = 28;
constexpr int kExitImage = 42;
constexpr int kHelpContext = 20100;
constexpr int kNameWidth = 200;
constexpr int kTypeWidth = 110;
constexpr int kEditorIndent = 2;
constexpr int kDesignWidth = 560;
constexpr int kDesignHeight = 420;
constexpr int kOutputDesignHeight = 120;
constexpr const char* kOutputHeightValue = "OutputHeight";
// Sections of the header, and the column texts of a node after its name.
enum { kNameSection, kTypeSection, kValueSection, kSections };
enum { kTypeText, kValueText };
constexpr int kModeRole = Qt::UserRole;

constexpr const char* kParamsSql =
    "SELECT A.ORDINAL_POSITION, TRIM(A.COLUMN_NAME), A.COLUMN_TYPE, A.DATA_TYPE, A.NUMERIC_PRECISION, "
    "A.NUMERIC_SCALE, A.CHAR_MAX_LENGTH FROM RDBII_SYSTEM.RDBII_PROC_COL A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_PROC B "
    "ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.PROCEDURE_CODE = B.PROCEDURE_CODE WHERE "
    "TRIM(B.DB_NAME) = :DATABASE AND B.SCHEMA_NAME = :OWNER AND B.PROCEDURE_NAME = :NAME ORDER BY "
    "A.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";
// Columns of that query.
enum { kPositionColumn, kNameColumn, kModeColumn, kTypeColumn, kPrecisionColumn, kScaleColumn, kLengthColumn };

std::string Caption(TovConnectionWindow& owner, const std::string& schema, const std::string& name) {
  return kExecStem + schema + "." + name + " @ " + owner.Module().GetDataSourceName();
}

int IntOf(const std::string& text) {
  try {
    return text.empty() ? 0 : std::stoi(text);
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

TfrmExecProc* TfrmExecProc::CreateRun(TovConnectionWindow& owner, const std::string& schema, const std::string& name,
                                      int kind) {
  AbortForOpenTwin<TfrmExecProc>(Caption(owner, schema, name));
  auto* form = new TfrmExecProc(owner, schema, name, kind);
  try {
    form->LoadParams();
  } catch (...) {
    form->Discard();
    throw;
  }
  ShowTwin(*form);
  return form;
}

TfrmExecProc::TfrmExecProc(TovConnectionWindow& owner, const std::string& schema, const std::string& name, int kind)
    : TovForm(owner), ObjectKind(kind), schema_(schema), name_(name) {
  setupUi();
  CreateTaskButton();
  SetImageIndex(kExecImage);
  SetHelpContext(kHelpContext);
  SetDesignSize(kDesignWidth, kDesignHeight);
  setWindowTitle(Q(Caption(owner, schema, name)));
  SetTaskCaption(name);
  AddQuery(&qryExec);
  cmbSchema->setCurrentText(Q(schema));
  txtName->setText(Q(name));
  // Only packages have subprograms to choose from.
  if (kind == okProcedure || kind == okFunction || kind == okTrigger) {
    pnlObj->hide();
    cmbObj->clear();
  }
}

void TfrmExecProc::setupUi() {
  btnExec = MakeAction(this, "btnExec", "実行(&E)", "", kExecImage);
  btnExit = MakeAction(this, "btnExit", "終了(&X)", "", kExitImage);
  connect(btnExec, &QAction::triggered, this, [this] { RunReported([this] { btnExecClick(); }); });
  connect(btnExit, &QAction::triggered, this, [this] { Frame()->close(); });
  auto* tolCmd = new QToolBar(this);
  tolCmd->setObjectName("tolCmd");
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addAction(btnExec);
  tolCmd->addAction(btnExit);

  pnlName = new QWidget(this);
  pnlName->setObjectName("pnlName");
  cmbSchema = new TovComboBox(pnlName);
  cmbSchema->setObjectName("cmbSchema");
  txtName = new TovStrEdit(pnlName);
  txtName->setObjectName("txtName");
  const TEditCharCase nameCase = LowerNames ? ecNormal : ecUpperCase;
  cmbSchema->SetCharCase(nameCase);
  txtName->SetCharCase(nameCase);
  auto* names = new QHBoxLayout(pnlName);
  names->addWidget(new QLabel(Q("スキーマ"), pnlName));
  names->addWidget(cmbSchema, 1);
  names->addWidget(new QLabel(Q("名前"), pnlName));
  names->addWidget(txtName, 1);
  pnlName->setEnabled(false);

  pnlObj = new QWidget(this);
  pnlObj->setObjectName("pnlObj");
  cmbObj = new TovComboBox(pnlObj);
  cmbObj->setObjectName("cmbObj");
  auto* obj = new QHBoxLayout(pnlObj);
  obj->addWidget(new QLabel(Q(" サブプログラム"), pnlObj));
  obj->addWidget(cmbObj, 1);

  auto* params = new QWidget(this);
  sections_ = new QStandardItemModel(0, kSections, this);
  sections_->setHorizontalHeaderLabels({Q("名前"), Q("タイプ"), Q("値")});
  hedParam = new QHeaderView(Qt::Horizontal, params);
  hedParam->setObjectName("hedParam");
  hedParam->setModel(sections_);
  hedParam->resizeSection(kNameSection, kNameWidth);
  hedParam->resizeSection(kTypeSection, kTypeWidth);
  hedParam->setStretchLastSection(true);
  lstParam = new TovTreeView(params);
  lstParam->setObjectName("lstParam");
  lstParam->SetHeaderControl(hedParam);
  lstParam->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The selected node: white text on the menu-highlight colour.
  QPalette selection = lstParam->palette();
  selection.setColor(QPalette::Highlight, palette().color(QPalette::Highlight));
  selection.setColor(QPalette::HighlightedText, Qt::white);
  lstParam->setPalette(selection);
  lstParam->OnScroll = [this](TovTreeView&) { PlaceEditor(); };
  connect(lstParam, &QTreeWidget::currentItemChanged, this, [this] { lstParamChange(); });
  connect(hedParam, &QHeaderView::sectionResized, this, [this] { PlaceEditor(); });
  lstParam->installEventFilter(this);
  txtParam = new TovStrEdit(lstParam->viewport());
  txtParam->setObjectName("txtParam");
  txtParam->hide();
  txtParam->installEventFilter(this);
  auto* paramLayout = new QVBoxLayout(params);
  paramLayout->setContentsMargins(0, 0, 0, 0);
  paramLayout->setSpacing(0);
  paramLayout->addWidget(hedParam);
  paramLayout->addWidget(lstParam, 1);

  txtOutput = new TovMemo(this);
  txtOutput->setObjectName("txtOutput");
  txtOutput->SetReadOnly(true);
  txtOutput->Lines().Assign({kExecOutputHead});
  splOutput = new QSplitter(Qt::Vertical, this);
  splOutput->addWidget(params);
  splOutput->addWidget(txtOutput);
  splOutput->setSizes({kDesignHeight - kOutputDesignHeight, kOutputDesignHeight});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tolCmd);
  layout->addWidget(pnlName);
  layout->addWidget(pnlObj);
  layout->addWidget(splOutput, 1);
}

void TfrmExecProc::LoadParams() {
  txtParam->hide();
  EditNode = nullptr;
  const QSignalBlocker quiet(lstParam);
  TSqlWaitCursor wait;
  lstParam->clear();
  const std::vector<std::string> values{ConnectionWindow->Module().Connection.DataSource, schema_, name_};
  for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kParamsSql, values); !q.Eof(); q.Next()) {
    const int mode = IntOf(q.AsString(kModeColumn));
    // A routine of another kind shows its return value alone.
    if (ObjectKind != okProcedure && ObjectKind != okFunction && mode != kParamReturn) continue;
    const std::string name =
        ExecParamName(ObjectKind, mode, IntOf(q.AsString(kPositionColumn)), q.AsString(kNameColumn));
    const std::string type = ParamTypeText(IntOf(q.AsString(kTypeColumn)), q.AsString(kLengthColumn),
                                           q.AsString(kPrecisionColumn), q.AsString(kScaleColumn));
    auto* node = new TovTreeNode(lstParam, {Q(name)});
    node->setIcon(0, imgMain().Icon(ExecParamImage(mode)));
    node->setData(0, kModeRole, mode);
    node->AddSubItem(Q(type));
    node->AddSubItem(QString());
  }
  lstParam->expandAll();
}

std::vector<TExecParam> TfrmExecProc::Params() const {
  std::vector<TExecParam> params;
  for (int i = 0; i < lstParam->topLevelItemCount(); ++i) {
    auto* node = static_cast<TovTreeNode*>(lstParam->topLevelItem(i));
    params.push_back({node->text(0).toStdString(), node->SubItem(kTypeText).toStdString(),
                      node->SubItem(kValueText).toStdString(), node->data(0, kModeRole).toInt()});
  }
  return params;
}

void TfrmExecProc::PrepareCall() {
  const std::vector<TExecParam> params = Params();
  qryExec.Close();
  qryExec.SetParamCheck(true);
  qryExec.SetSQL(ExecStatement(ObjectKind, schema_, name_, params));
  if (ObjectKind != okProcedure) return;
  // The markers are the output and input-output nodes, in order.
  const std::vector<TExecBinding> bindings = ExecBindings(params);
  std::vector<TovParameter>& markers = qryExec.Parameters();
  for (size_t i = 0; i < markers.size() && i < bindings.size(); ++i) {
    markers[i].Direction = bindings[i].InOut ? TParamDirection::InputOutput : TParamDirection::Output;
    markers[i].Size = bindings[i].Size;
    markers[i].Value = bindings[i].InOut ? QVariant(Q(bindings[i].Value)) : QVariant();
  }
}

void TfrmExecProc::btnExecClick() {
  TSqlWaitCursor wait;
  if (EditNode) static_cast<TovTreeNode*>(EditNode)->SetSubItem(kValueText, txtParam->text());
  PrepareCall();
  if (MainWindow()) MainWindow()->SetStatusText(kStatusMessagePanel, kExecRunning);
  std::exception_ptr failure;
  try {
    if (ObjectKind == okProcedure) qryExec.ExecSQL();
    else if (ObjectKind == okFunction) qryExec.Open();
    RunState = rsDone;
  } catch (...) {
    RunState = rsFailed;
    failure = std::current_exception();
  }
  // The values are shown whatever the run did; its error after them.
  ShowResult();
  qryExec.Close();
  if (failure) std::rethrow_exception(failure);
}

void TfrmExecProc::ShowResult() {
  const std::vector<TExecParam> params = Params();
  std::vector<std::optional<std::string>> outputs;
  if (ObjectKind == okProcedure)
    for (const TovParameter& marker : qryExec.Parameters())
      outputs.push_back(marker.Value.isNull() ? std::nullopt : std::optional(marker.Value.toString().toStdString()));
  std::optional<std::string> result;
  if (ObjectKind == okFunction && qryExec.Active() && !qryExec.Eof()) result = qryExec.AsString(size_t{0});
  txtOutput->Lines().Assign(ExecResultLines(ObjectKind, params, outputs, result));
  if (RunState == rsDone) MsgBox(kExecDone, MB_ICONINFORMATION);
  if (MainWindow()) MainWindow()->ShowObjectCount();
}

void TfrmExecProc::lstParamChange() {
  if (EditNode) static_cast<TovTreeNode*>(EditNode)->SetSubItem(kValueText, txtParam->text());
  EditNode = lstParam->currentItem();
  if (!EditNode) {
    txtParam->hide();
    return;
  }
  txtParam->setText(static_cast<TovTreeNode*>(EditNode)->SubItem(kValueText));
  PlaceEditor();
  txtParam->show();
  txtParam->raise();
  txtParam->setFocus();
  txtParam->selectAll();
  hedParam->raise();
}

void TfrmExecProc::PlaceEditor() {
  if (!EditNode) {
    txtParam->hide();
    return;
  }
  const QRect row = lstParam->visualItemRect(EditNode);
  const int left = hedParam->sectionViewportPosition(kValueSection);
  const int right = std::min(lstParam->viewport()->width(), left + hedParam->sectionSize(kValueSection));
  txtParam->setGeometry(left + kEditorIndent, row.top(), std::max(right - left, 0), row.height());
}

void TfrmExecProc::SelectSibling(int step) {
  QTreeWidgetItem* current = lstParam->currentItem();
  if (!current) return;
  const int index = lstParam->indexOfTopLevelItem(current) + step;
  if (index >= 0 && index < lstParam->topLevelItemCount()) lstParam->setCurrentItem(lstParam->topLevelItem(index));
}

bool TfrmExecProc::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn && watched == lstParam && lstParam->currentItem() && txtParam->isVisible())
    txtParam->setFocus();
  if (event->type() == QEvent::KeyPress && (watched == txtParam || watched == lstParam) && lstParam->currentItem()) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool back = key->key() == Qt::Key_Backtab || key->key() == Qt::Key_Up ||
                      (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    const bool forward = !back && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Down);
    if (back || forward) {
      SelectSibling(back ? -1 : 1);
      return true;
    }
  }
  return TovForm::eventFilter(watched, event);
}

void TfrmExecProc::resizeEvent(QResizeEvent* event) {
  TovForm::resizeEvent(event);
  PlaceEditor();
}

void TfrmExecProc::LoadWindowSize() {
  LoadWindowSizeFrom(kExecSizeKey);
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kExecSizeKey), true)) return;
  // The panes share the splitter's height less its handle.
  const QList<int> sizes = splOutput->sizes();
  const int total = sizes.value(0) + sizes.value(1);
  const int output = std::min(AppRegistry.ReadIntegerDef(kOutputHeightValue, txtOutput->height()), total);
  splOutput->setSizes({total - output, output});
}

void TfrmExecProc::SaveWindowSize() {
  SaveWindowSizeTo(kExecSizeKey);
  platform::KeyScope key(AppRegistry);
  if (AppRegistry.OpenKey(GuiKey(kExecSizeKey), true)) AppRegistry.WriteInteger(kOutputHeightValue, txtOutput->height());
}

void RegisterExecProc() {
  RegisterActionHandler(kExecProcCommand, [](const TActionRequest& request) {
    if (!request.Connection) return false;
    try {
      TfrmExecProc::CreateRun(*request.Connection, request.Schema, request.Name, IntOf(request.Text));
    } catch (const EAbort&) {
      // The routine's runner was open already and came forward.
    }
    return true;
  });
}
