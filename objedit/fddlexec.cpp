#include "objedit/fddlexec.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/objwindows.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr const char* kCaption = "スクリプト実行";
constexpr const char* kBoundsKey = "LOG";
constexpr const char* kAbandonQuestion = "処理を中断しますか？";
constexpr const char* kCancelCaption = "中止(&A)";
constexpr const char* kFinishedCaption = "終了(&X)";
constexpr int kIconIndex = 10;
constexpr int kClientWidth = 600;
constexpr int kClientHeight = 400;

std::vector<TfrmDDLExec*>& OpenWindows() {
  static std::vector<TfrmDDLExec*> windows;
  return windows;
}

}  // namespace

TfrmDDLExec::TfrmDDLExec() : QWidget(nullptr, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  setupUi();
  OpenWindows().push_back(this);
}

TfrmDDLExec::~TfrmDDLExec() { std::erase(OpenWindows(), this); }

std::vector<TfrmDDLExec*> TfrmDDLExec::Windows() { return OpenWindows(); }

void TfrmDDLExec::setupUi() {
  setWindowTitle(Q(kCaption));
  setWindowIcon(imgMain().Icon(kIconIndex));
  txtLog = new TovMemo(this);
  txtLog->setObjectName("txtLog");
  txtLog->SetReadOnly(true);
  chkErrorStop = new TovCheckBox(Q("エラー発生時に処理を中断する"), this);
  chkErrorStop->setObjectName("chkErrorStop");
  chkErrorStop->setChecked(true);
  btnOK = new QPushButton(Q("継続(&U)"), this);
  btnOK->setObjectName("btnOK");
  btnCancel = new QPushButton(Q(kCancelCaption), this);
  btnCancel->setObjectName("btnCancel");
  connect(btnOK, &QPushButton::clicked, this, [this] {
    if (Mode == TDDLRun::Continuable) RunReported([this] { RunBatches(); });
  });
  connect(btnCancel, &QPushButton::clicked, this, &TfrmDDLExec::btnCancelClick);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chkErrorStop);
  buttons->addStretch();
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(txtLog, 1);
  layout->addLayout(buttons);
  resize(kClientWidth, kClientHeight);
}

void TfrmDDLExec::Run(TovConnectionWindow& connection, std::vector<std::string>& list, TDDLRun run) {
  auto* form = new TfrmDDLExec;
  form->Mode = run;
  if (run == TDDLRun::StopAtError) {
    form->chkErrorStop->setChecked(true);
    form->chkErrorStop->setEnabled(false);
    form->btnOK->setVisible(false);
  }
  if (QWidget* main = MainFormWidget()) {
    main->setCursor(Qt::WaitCursor);
    main->setEnabled(false);
  }
  ApplyControlOptions(form->txtLog);
  form->txtLog->SetReadOnly(true);
  // The log is plain text: every colour the font's, no bracket pairs.
  form->txtLog->View().Fountain().SetAllColor(form->txtLog->Font().Color);
  form->txtLog->View().Brackets().Clear();
  form->Connection = &connection;
  form->List = &list;
  form->ErrorCount = 0;
  CentreOnMainForm(*form);
  LoadFormBounds(*form, kBoundsKey);
  form->show();
  form->RunBatches();
}

void TfrmDDLExec::Wait() {
  while (!OpenWindows().empty()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TfrmDDLExec::AddLog(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) txtLog->Lines().Add(line);
  // The newest line in view: the caret at the start of the last line.
  txtLog->SetRowCol(std::max(0, txtLog->Lines().GetCount() - 1), 0);
}

void TfrmDDLExec::RunBatches() {
  btnOK->setEnabled(false);
  txtLog->setFocus();
  while (std::optional<std::vector<std::string>> batch = TakeDDLBatch(*List, AppOption.Separator)) {
    AddLog(*batch);
    try {
      Connection->ExecSQL(CrLfText(*batch));
      AddLog({kDDLSucceeded, ""});
    } catch (const std::exception& e) {
      std::vector<std::string> lines{kDDLFailed};
      for (const std::string& line : MessageLines(e.what())) lines.push_back(line);
      lines.push_back("");
      AddLog(lines);
      ++ErrorCount;
      if (chkErrorStop->isChecked()) {
        btnOK->setEnabled(Mode == TDDLRun::Continuable);
        btnOK->setFocus();
        throw EAbort();
      }
    }
  }
  Finish();
}

void TfrmDDLExec::Finish() {
  AddLog({kDDLCompleted, DDLErrorCountLine(ErrorCount)});
  btnCancel->setText(Q(kFinishedCaption));
  btnCancel->setFocus();
  Finished = true;
  if (ErrorCount == 0 && AppOption.CloseDDL) close();
}

void TfrmDDLExec::btnCancelClick() {
  QCoreApplication::processEvents();
  close();
}

void TfrmDDLExec::closeEvent(QCloseEvent* event) {
  if (!Finished) {
    if (MsgBox(kAbandonQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
      event->ignore();
      return;
    }
    Finished = true;
  }
  if (QWidget* main = MainFormWidget()) {
    main->unsetCursor();
    main->setEnabled(true);
  }
  SaveFormBounds(*this, kBoundsKey);
  std::erase(OpenWindows(), this);
  event->accept();
}
