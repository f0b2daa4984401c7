#include "admin/fimp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstring>
#include <stdexcept>

#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/ovsqllog.h"
#include "app/core/zarur.h"
#include "editor/core/EditorProp.h"
#include "platform/qstr.h"
#include "platform/savefile.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr char kTitle[] = "復元";
constexpr char kSizeKey[] = "IMP";
constexpr int kWindowImage = 8;
constexpr int kDesignWidth = 489;
constexpr int kDesignHeight = 330;
constexpr char kControlFileLabel[] = "バックアップ制御ファイル";
constexpr char kInputFileLabel[] = "入力ファイル";
constexpr char kAnyFilter[] = "すべてのファイル(*.*)|*.*";
constexpr char kFolderCaption[] = "出力先を選択して下さい。";
constexpr char kFolderSeparator[] = ";";
// The desktop's terminal (Debian's alternative) and the script's permissions.
constexpr char kTerminal[] = "x-terminal-emulator";
constexpr char kTerminalRun[] = "-e";
constexpr mode_t kScriptMode = 0700;


void WriteScript(const std::string& path, const std::string& text) {
  QDir().mkpath(QFileInfo(Q(path)).absolutePath());
  QFile::remove(Q(path));
  if (const int error = platform::SaveFileWhole(path, text, kScriptMode))
    throw std::runtime_error(path + ": " + std::strerror(error));
}

// In the desktop's terminal when there is one; otherwise without one, its
// output in the log beside it. Either way it outlives the program.
void StartScript(const std::string& path) {
  const QString terminal = QStandardPaths::findExecutable(kTerminal);
  if (!terminal.isEmpty() && QProcess::startDetached(terminal, {kTerminalRun, Q(path)})) return;
  const QString log = QFileInfo(Q(path)).dir().filePath(kDictionaryScriptLog);
  QFile::remove(log);
  QProcess process;
  process.setProgram(Q(path));
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(log, QIODevice::Append);
  process.setStandardErrorFile(log, QIODevice::Append);
  if (!process.startDetached()) throw std::runtime_error(path + ": " + process.errorString().toStdString());
}

}  // namespace

void TfrmImp::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmImp>(kTitle, connection)) return;
  new TfrmImp(connection);
}

TfrmImp::TfrmImp(TovConnectionWindow& connection) : TfrmToolAdmin(connection, kTitle) {
  setObjectName("frmImp");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  setWindowIcon(imgMain().Icon(kWindowImage));
  StartOn(connection);
  txtImpFile->setText(Q(ImpOption.FileName));
  cmbInDsi->setEditText(Q(ImpOption.InDsi));
  txtWorkDir->setText(Q(ImpOption.WorkDir));
  if (ImpOption.Mode >= 0 && ImpOption.Mode < kBackupModes) rdoMode[ImpOption.Mode]->setChecked(true);
  rdoModeClick();
  TaskButtonClick();
}

void TfrmImp::setupUi() {
  SetupToolBar([this] { btnExecClick(); });
  pagImp = new QTabWidget(this);
  pagImp->setObjectName("pagImp");
  pages_ = pagImp;
  tabSelect = new QWidget(pagImp);
  pagImp->addTab(tabSelect, "選択");
  tabLog = LogPage(*pagImp);
  layout_->addWidget(pagImp, 1);

  auto* page = new QVBoxLayout(tabSelect);
  QGroupBox* group = RadioGroup(tabSelect, kBackupModeGroup, kBackupModeCaptions, rdoMode, "rdoMode");
  for (TovRadioButton* button : rdoMode) connect(button, &QRadioButton::clicked, this, [this] { rdoModeClick(); });
  page->addWidget(group);

  auto* grid = new QGridLayout();
  page->addLayout(grid);
  txtImpFile = FileRow(*grid, 0, lblImpFile, kInputFileLabel, btnImpFile);
  txtImpFile->setObjectName("txtImpFile");
  lblInDsi = new QLabel("DSI", tabSelect);
  cmbInDsi = new TovComboBox(tabSelect);
  cmbInDsi->setObjectName("cmbInDsi");
  lblInDsi->setBuddy(cmbInDsi);
  FillOnDropDown(*cmbInDsi);
  grid->addWidget(lblInDsi, 1, 0);
  grid->addWidget(cmbInDsi, 1, 1);
  txtWorkDir = FileRow(*grid, 2, lblWorkDir, "ワークファイルパス", btnWorkDir);
  txtWorkDir->setObjectName("txtWorkDir");
  grid->addWidget(new QLabel("複数指定の場合は ; 区切りで指定", tabSelect), 3, 1);
  page->addStretch(1);

  connect(btnImpFile, &QToolButton::clicked, this, [this] { btnImpFileClick(); });
  connect(btnWorkDir, &QToolButton::clicked, this, [this] { btnWorkDirClick(); });
}

int TfrmImp::CheckedMode() const { return CheckedIndex(rdoMode); }

void TfrmImp::rdoModeClick() {
  const int mode = CheckedMode();
  lblImpFile->setText(mode == bmDsiList || mode == bmExtent ? kControlFileLabel : kInputFileLabel);
  const bool dsi = mode == bmDsi || mode == bmExtent;
  lblInDsi->setEnabled(dsi);
  cmbInDsi->setEnabled(dsi);
  const bool work = mode == bmDsi || mode == bmDsiList || mode == bmExtent;
  lblWorkDir->setEnabled(work);
  txtWorkDir->setEnabled(work);
}

void TfrmImp::btnImpFileClick() {
  const int mode = CheckedMode();
  BrowseFile(*txtImpFile, platform::FileDialogKind::Open,
             mode == bmDsi || mode == bmDictionary ? kDumpFileFilter : kAnyFilter);
}

void TfrmImp::btnWorkDirClick() {
  platform::FileRequest request;
  request.kind = platform::FileDialogKind::Folder;
  request.caption = kFolderCaption;
  request.directory = txtWorkDir->text().toStdString();
  const std::optional<std::string> folder = platform::Dialogs().ShowFile(request);
  if (!folder) return;
  if (txtWorkDir->text().trimmed().isEmpty())
    txtWorkDir->setText(Q(*folder));
  else
    txtWorkDir->setText(txtWorkDir->text() + kFolderSeparator + Q(*folder));
}

TRestoreInput TfrmImp::Input() const {
  TRestoreInput in;
  in.Mode = CheckedMode();
  if (ConnectionWindow) in.DataSource = Q(ConnectionWindow->Module().GetDataSourceName()).trimmed().toStdString();
  in.DsiText = cmbInDsi->currentText().toStdString();
  in.Dsi = cmbInDsi->currentText().trimmed().toStdString();
  in.File = txtImpFile->text().toStdString();
  in.WorkDir = txtWorkDir->text().toStdString();
  return in;
}

void TfrmImp::btnExecClick() {
  TRestoreInput in = Input();
  if (const std::optional<TInputError> error = CheckRestoreInput(in)) {
    QWidget* controls[] = {txtImpFile, cmbInDsi, txtImpFile, txtWorkDir};
    Refuse(error->Message, *tabSelect, *controls[error->Field]);
    return;
  }
  if (in.Mode == bmDsi || in.Mode == bmDictionary) {
    std::vector<std::string> lines;
    ToolRun()(DumpInformationCommand(in.File), lines, false);
    if (!DumpMatches(lines, in.Mode, in.DsiText)) {
      Refuse(kDumpFormatWrong, *tabSelect, *txtImpFile);
      return;
    }
  }
  if (MsgBox(kImportQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  ImpOption.FileName = in.File;
  ImpOption.InDsi = in.DsiText;
  ImpOption.WorkDir = in.WorkDir;
  ImpOption.Mode = in.Mode;
  pagImp->setCurrentWidget(tabLog);
  CommitOpenTransaction();
  SetLog({});
  if (in.Mode == bmDictionary) {
    RestoreDictionary(in.File);
    return;
  }
  if (in.Mode == bmDsiList) in.ListLines = ListFileLines(in.File);
  const TRestoreRun run = RunRestore(in, ToolRun());
  SetLog(run.Sequence.Log);
  if (run.End == TRestoreEnd::Completed) MsgBox(kImportDone, MB_ICONINFORMATION);
  if (run.End == TRestoreEnd::Failed) MsgBox(kImportFailed, MB_ICONWARNING);
}

void TfrmImp::RestoreDictionary(const std::string& dumpFile) {
  TDictionaryRestorePort port;
  port.Ask = [](const std::string& text, unsigned flags) { return MsgBox(text, static_cast<int>(flags)); };
  port.SaveState = [this] {
    SaveWindowSize();
    if (MainWindow()) SaveOptions(MainWindow()->EditorProperties());
    SaveSQLLogIndex();
  };
  port.WriteScript = WriteScript;
  port.StartScript = StartScript;
  // The program ends without the windows' close handling, as the server
  // it talks to is about to stop.
  port.EndProgram = [] { QCoreApplication::exit(0); };
  if (RunDictionaryRestore(WorkFolder(), dumpFile, port)) MsgBox(kImportDone, MB_ICONINFORMATION);
}

void TfrmImp::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }
void TfrmImp::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
