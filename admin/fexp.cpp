#include "admin/fexp.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr char kTitle[] = "バックアップ";
constexpr char kSizeKey[] = "EXPORT";
constexpr int kWindowImage = 7;
// The window keeps this width; only its height is remembered.
constexpr int kFixedWidth = 489;
constexpr int kDesignHeight = 330;
constexpr char kListFileLabel[] = "DSI指定ファイル";
constexpr char kSpaceFileLabel[] = "データベーススペース指定ファイル";

}  // namespace

void TfrmExp::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmExp>(kTitle, connection)) return;
  new TfrmExp(connection);
}

TfrmExp::TfrmExp(TovConnectionWindow& connection) : TfrmToolAdmin(connection, kTitle) {
  setObjectName("frmExp");
  SetDesignSize(kFixedWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  setWindowIcon(imgMain().Icon(kWindowImage));
  StartOn(connection);
  txtExpFile->setText(Q(ExpOption.ExpFile));
  cmbOutDsi->setEditText(Q(ExpOption.OutDsi));
  chkErrStop->setChecked(ExpOption.ErrStop);
  if (ExpOption.Mode >= 0 && ExpOption.Mode < kBackupModes) rdoMode[ExpOption.Mode]->setChecked(true);
  rdoModeClick();
  TaskButtonClick();
}

void TfrmExp::setupUi() {
  SetupToolBar([this] { btnExecClick(); });
  pagExp = new QTabWidget(this);
  pagExp->setObjectName("pagExp");
  pages_ = pagExp;
  tabSelect = new QWidget(pagExp);
  pagExp->addTab(tabSelect, "選択");
  tabLog = LogPage(*pagExp);
  layout_->addWidget(pagExp, 1);

  auto* page = new QVBoxLayout(tabSelect);
  QGroupBox* group = RadioGroup(tabSelect, kBackupModeGroup, kBackupModeCaptions, rdoMode, "rdoMode");
  for (TovRadioButton* button : rdoMode) connect(button, &QRadioButton::clicked, this, [this] { rdoModeClick(); });
  page->addWidget(group);

  auto* grid = new QGridLayout();
  page->addLayout(grid);
  txtExpFile = FileRow(*grid, 0, lblExpFile, "出力先", btnExpFile);
  txtExpFile->setObjectName("txtExpFile");
  lblOutDsi = new QLabel("DSI", tabSelect);
  cmbOutDsi = new TovComboBox(tabSelect);
  cmbOutDsi->setObjectName("cmbOutDsi");
  lblOutDsi->setBuddy(cmbOutDsi);
  FillOnDropDown(*cmbOutDsi);
  grid->addWidget(lblOutDsi, 1, 0);
  grid->addWidget(cmbOutDsi, 1, 1);
  txtCtrlFile = FileRow(*grid, 2, lblCtrlFile, kListFileLabel, btnCtrlFile);
  txtCtrlFile->setObjectName("txtCtrlFile");
  chkErrStop = new TovCheckBox("出力先がすで存在する場合に中断する", tabSelect);
  chkErrStop->setObjectName("chkErrStop");
  page->addWidget(chkErrStop);
  page->addStretch(1);

  connect(btnExpFile, &QToolButton::clicked, this,
          [this] { BrowseFile(*txtExpFile, platform::FileDialogKind::Save, kDumpFileFilter); });
  connect(btnCtrlFile, &QToolButton::clicked, this,
          [this] { BrowseFile(*txtCtrlFile, platform::FileDialogKind::Open, kTextFileFilter); });
}

int TfrmExp::CheckedMode() const { return CheckedIndex(rdoMode); }

void TfrmExp::rdoModeClick() {
  const int mode = CheckedMode();
  const bool file = mode == bmDsi || mode == bmDictionary;
  for (QWidget* w : std::initializer_list<QWidget*>{lblExpFile, txtExpFile, btnExpFile}) w->setEnabled(file);
  if (mode == bmDsiList) lblCtrlFile->setText(kListFileLabel);
  if (mode == bmExtent) lblCtrlFile->setText(kSpaceFileLabel);
  const bool control = mode == bmDsiList || mode == bmExtent;
  for (QWidget* w : std::initializer_list<QWidget*>{lblCtrlFile, txtCtrlFile, btnCtrlFile}) w->setEnabled(control);
  const bool dsi = mode == bmDsi || mode == bmExtent;
  lblOutDsi->setEnabled(dsi);
  cmbOutDsi->setEnabled(dsi);
}

TBackupInput TfrmExp::Input() const {
  TBackupInput in;
  in.Mode = CheckedMode();
  if (ConnectionWindow) in.DataSource = Q(ConnectionWindow->Module().GetDataSourceName()).trimmed().toStdString();
  in.Dsi = cmbOutDsi->currentText().trimmed().toStdString();
  in.ExpFile = txtExpFile->text().toStdString();
  in.CtrlFile = txtCtrlFile->text().toStdString();
  in.ErrStop = chkErrStop->isChecked();
  return in;
}

void TfrmExp::btnExecClick() {
  TBackupInput in = Input();
  if (const std::optional<TInputError> error = CheckBackupInput(in)) {
    QWidget* controls[] = {txtExpFile, cmbOutDsi, txtCtrlFile, txtCtrlFile};
    Refuse(error->Message, *tabSelect, *controls[error->Field]);
    return;
  }
  if (MsgBox(kExportQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  ExpOption.Mode = in.Mode;
  ExpOption.ExpFile = in.ExpFile;
  ExpOption.OutDsi = cmbOutDsi->currentText().toStdString();
  ExpOption.ErrStop = in.ErrStop;
  pagExp->setCurrentWidget(tabLog);
  CommitOpenTransaction();
  SetLog({});
  TToolSequence run;
  try {
    if (in.Mode == bmDsiList) in.ListLines = ListFileLines(in.CtrlFile);
    run = RunBackup(in, ToolRun());
  } catch (...) {
    // The summary comes first, the error's own message after it.
    MsgBox(kExportFailed, MB_ICONWARNING);
    throw;
  }
  SetLog(run.Log);
  MsgBox(run.Success ? kExportDone : kExportFailed, run.Success ? MB_ICONINFORMATION : MB_ICONWARNING);
}

void TfrmExp::LoadWindowSize() {
  resize(kFixedWidth, height());
  LoadWindowSizeFrom(kSizeKey);
  Frame()->resize(FrameSizeFor(*Frame(), *this, QSize(kFixedWidth, height())).width(), Frame()->height());
}

void TfrmExp::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
