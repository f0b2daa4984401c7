#include "admin/ftoolwin.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "platform/textfile.h"
#include "sqlwork/sqlactions.h"
#include "ui/ovstdctl.h"

namespace {

constexpr TActionSpec kExec = {"実行(&E)", "実行|処理を実行します。", 28};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};
constexpr char kAnyFileWindows[] = "*.*";
constexpr char kAnyFile[] = "*";

}  // namespace

QGroupBox* RadioGroup(QWidget* parent, const char* caption, const char* const* captions, TovRadioButton** buttons,
                      int count, const char* name) {
  auto* group = new QGroupBox(QString::fromUtf8(caption), parent);
  auto* row = new QHBoxLayout(group);
  for (int i = 0; i < count; ++i) {
    buttons[i] = new TovRadioButton(QString::fromUtf8(captions[i]), group);
    buttons[i]->setObjectName(QString("%1_%2").arg(name).arg(i));
    row->addWidget(buttons[i]);
  }
  return group;
}

int CheckedIndex(TovRadioButton* const* buttons, int count) {
  for (int i = 0; i < count; ++i)
    if (buttons[i]->isChecked()) return i;
  return -1;
}

std::vector<std::string> ListFileLines(const std::string& path) {
  std::vector<std::string> lines;
  for (const QString& line : Q(platform::ReadTextFile(path)).split('\n'))
    lines.push_back(line.endsWith('\r') ? line.chopped(1).toStdString() : line.toStdString());
  return lines;
}

std::string FileFilter(const std::string& windowsFilter) {
  const QStringList parts = Q(windowsFilter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = parts[i + 1];
    // "*.*" takes every file on Windows, also one without an extension.
    if (pattern == kAnyFileWindows) pattern = kAnyFile;
    filters << parts[i] + " (" + pattern + ")";
  }
  return filters.join(";;").toStdString();
}

TfrmToolAdmin::TfrmToolAdmin(TovConnectionWindow& connection, const char* title) : TfrmAdmin(connection, title) {}

void TfrmToolAdmin::Reload(QObject* sender) {
  (void)sender;
  ShowCaption();
}

void TfrmToolAdmin::SetupToolBar(const std::function<void()>& execute) {
  btnExec = MakeAction(this, kExec);
  btnExit = MakeAction(this, kExit);
  btnExec->setObjectName("btnExec");
  btnExit->setObjectName("btnExit");
  connect(btnExec, &QAction::triggered, this, [execute] { RunReported(execute); });
  connect(btnExit, &QAction::triggered, this, [this] { Frame()->close(); });
  for (QAction* action : {btnExec, btnExit}) AddToolAction(action);
}

QWidget* TfrmToolAdmin::LogPage(QTabWidget& pages) {
  auto* page = new QWidget(&pages);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  txtLog = new TovMemo(page);
  txtLog->setObjectName("txtLog");
  txtLog->SetReadOnly(true);
  layout->addWidget(txtLog);
  pages.addTab(page, "結果ログ");
  return page;
}

void TfrmToolAdmin::showEvent(QShowEvent* event) {
  TfrmAdmin::showEvent(event);
  // The editor settings arrive with the first showing; the log keeps its
  // long lines whole whatever they say.
  txtLog->SetWordWrap(false);
  txtLog->SetScrollBars(ssBoth);
}

void TfrmToolAdmin::SetLog(const std::vector<std::string>& lines) {
  txtLog->Clear();
  for (const std::string& line : lines) txtLog->Lines().Add(line);
}

TToolRun TfrmToolAdmin::ToolRun() {
  return [this](const std::string& command, std::vector<std::string>& lines, bool failOnEmpty) {
    CommitOpenTransaction();
    return RunCommand(command, lines, failOnEmpty);
  };
}

void TfrmToolAdmin::FillOnDropDown(TovComboBox& combo) {
  combo.OnDropDown = [this, &combo] {
    if (!ConnectionWindow) return;
    RunReported([&] {
      std::vector<std::string> names;
      ConnectionWindow->GetDSIList(names);
      const QString text = combo.currentText();
      combo.clear();
      for (const std::string& name : names) combo.addItem(Q(name));
      combo.setEditText(text);
    });
  };
}

TovStrEdit* TfrmToolAdmin::FileRow(QGridLayout& grid, int row, QLabel*& label, const char* caption,
                                   QToolButton*& browse) {
  QWidget* parent = grid.parentWidget();
  label = new QLabel(QString::fromUtf8(caption), parent);
  auto* edit = new TovStrEdit(parent);
  browse = new QToolButton(parent);
  browse->setText("...");
  label->setBuddy(edit);
  grid.addWidget(label, row, 0);
  grid.addWidget(edit, row, 1);
  grid.addWidget(browse, row, 2);
  return edit;
}

void TfrmToolAdmin::BrowseFile(TovStrEdit& edit, platform::FileDialogKind kind, const char* filter) {
  platform::FileRequest request;
  request.kind = kind;
  const QFileInfo current(edit.text());
  request.directory = current.absolutePath().toStdString();
  request.fileName = edit.text().toStdString();
  request.filter = FileFilter(filter);
  if (const std::optional<std::string> path = platform::Dialogs().ShowFile(request)) edit.setText(Q(*path));
}

void TfrmToolAdmin::Refuse(const std::string& message, QWidget& page, QWidget& control) {
  MsgBox(message, MB_ICONWARNING);
  pages_->setCurrentWidget(&page);
  control.setFocus();
}
