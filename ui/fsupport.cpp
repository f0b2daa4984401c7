#include "ui/fsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cstdlib>
#include <exception>

#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "ui/core/fsupportcore.h"
#include "ui/fprint.h"
#include "ui/ovimages.h"
#include "ui/ovprinter.h"

namespace {
constexpr const char* kSupportTitle = "サポート情報";
constexpr const char* kOsRelease = "/etc/os-release";
constexpr const char* kReportFont = "ＭＳ ゴシック";
enum : int { kIconOutput = 36, kIconPrint = 98, kIconCopy = 21 };

QAction* NewAction(QObject* owner, const char* caption, const char* hint, int image) {
  auto* action = new QAction(imgMain().Icon(image), caption, owner);
  const QString text = hint;
  action->setToolTip(text.section('|', 0, 0));
  action->setStatusTip(text.section('|', 1));
  return action;
}
}  // namespace

std::vector<std::string> SupportReport() {
  const char* path = std::getenv("PATH");
  return SupportReportLines({ORV_VERSION, QCoreApplication::applicationFilePath().toStdString(), ReadOsName(kOsRelease),
                             CurrentUserRights(), path ? path : ""});
}

TfrmSupport::TfrmSupport(QWidget* owner, const std::vector<std::string>& report) : QDialog(owner) {
  setupUi();
  QStringList lines;
  for (const std::string& line : report) lines.append(Q(line));
  txtSupport->setPlainText(lines.join('\n'));
}

void TfrmSupport::setupUi() {
  setWindowTitle(kSupportTitle);
  auto* layout = new QVBoxLayout(this);
  tolCmd = new QToolBar(this);
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  actOutput = NewAction(this, "出力(&P)", "表の結果を外部に出力します。|表の結果を外部に出力します。", kIconOutput);
  actCopy = NewAction(this, "クリップボード出力(&C)",
                      "表の内容をクリップボードにコピーします。|表の内容をクリップボードにコピーします。", kIconCopy);
  actPrint = NewAction(this, "印刷(&P)", "印刷|オブジェクトの情報を印刷します。", kIconPrint);
  popOutput = new QMenu(this);
  popOutput->addAction(actCopy);
  popOutput->addAction(actPrint);
  btnOutput = new QToolButton(tolCmd);
  btnOutput->setDefaultAction(actOutput);
  btnOutput->setMenu(popOutput);
  btnOutput->setPopupMode(QToolButton::MenuButtonPopup);
  btnOutput->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addWidget(btnOutput);
  layout->addWidget(tolCmd);
  txtSupport = new QPlainTextEdit(this);
  txtSupport->setReadOnly(true);
  txtSupport->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtSupport->setFont(QFont(kReportFont));
  layout->addWidget(txtSupport, 1);
  btnOK = new QPushButton("OK", this);
  layout->addWidget(btnOK, 0, Qt::AlignRight);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(actOutput, &QAction::triggered, btnOutput, &QToolButton::showMenu);
  connect(actCopy, &QAction::triggered, this, &TfrmSupport::actCopyExecute);
  connect(actPrint, &QAction::triggered, this, &TfrmSupport::actPrintExecute);
}

void TfrmSupport::actCopyExecute() {
  QApplication::clipboard()->setText(txtSupport->toPlainText());
  MsgBox("クリップボードに出力しました。", MB_ICONINFORMATION);
}

void TfrmSupport::actPrintExecute() {
  std::vector<std::string> lines;
  for (const QString& line : txtSupport->toPlainText().split('\n')) lines.push_back(line.toStdString());
  // A failure must not leave this window's event loop through Qt.
  try {
    PrintWithDialog(kSupportTitle, [&lines](TfrmPrint&) {
      BeginPrintJob();
      try {
        PrintLines(kSupportTitle, lines, true);
      } catch (...) {
        EndPrintJob();
        throw;
      }
      EndPrintJob();
    });
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
  activateWindow();
}

int ShowSupportInfo() {
  TfrmSupport form(PrintOwnerWindow(), SupportReport());
  return form.exec();
}
