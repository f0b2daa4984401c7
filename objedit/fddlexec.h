// fddlexec: the DDL execution window "スクリプト実行": runs a statement list
// batch by batch on a connection window, logs each batch with its outcome,
// and stops at the first failure while "エラー発生時に処理を中断する" is
// checked. It is modeless over the disabled main window; the caller waits
// for it to close with Wait, so that the run behaves modally while the
// window's own buttons stay usable.
#pragma once

#include <QWidget>

#include "app/core/ovddlhooks.h"

#include <string>
#include <vector>

class QPushButton;
class TovCheckBox;
class TovConnectionWindow;
class TovMemo;

class TfrmDDLExec : public QWidget {
  Q_OBJECT

 public:
  TfrmDDLExec();
  ~TfrmDDLExec() override;

  // RunDDLExec: a new window runs `list` on `connection` at once, taking
  // batches off its head. A stop at a failure raises EAbort with the window
  // still open and the rest of the list left in it; the list must outlive
  // the window, so callers call Wait before it goes.
  // With TDDLRun::StopAtError the error-stop box is ticked and locked and
  // "継続" stays off: a failure ends the run.
  static void Run(TovConnectionWindow& connection, std::vector<std::string>& list,
                  TDDLRun run = TDDLRun::Continuable);
  // WaitDDLExec: processes events until no execution window is left.
  static void Wait();
  // The execution windows open now.
  static std::vector<TfrmDDLExec*> Windows();

  // Runs batches until the list is empty or one fails while chkErrorStop is
  // checked (then EAbort).
  void RunBatches();

  TovMemo* txtLog = nullptr;
  TovCheckBox* chkErrorStop = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;
  TovConnectionWindow* Connection = nullptr;
  std::vector<std::string>* List = nullptr;
  bool Finished = false;
  int ErrorCount = 0;
  TDDLRun Mode = TDDLRun::Continuable;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void setupUi();
  void AddLog(const std::vector<std::string>& lines);
  void btnCancelClick();
  void Finish();
};
