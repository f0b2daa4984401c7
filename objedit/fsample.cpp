#include "objedit/fsample.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovkinds.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "objedit/core/fsourcecore.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"

namespace {

constexpr int kExitImage = 42;
constexpr const char* kSampleKey = "SAMPLE";
constexpr int kNormalState = 0;
constexpr int kMaximizedState = 2;
constexpr int kDesignWidth = 480;
constexpr int kDesignHeight = 360;

}  // namespace

TfrmSample::TfrmSample(QWidget* owner) : QWidget(owner, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName("frmSample");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(Q("サンプル"));
  resize(kDesignWidth, kDesignHeight);
  auto* bar = new QToolBar(this);
  btnExit = new QToolButton(bar);
  btnExit->setObjectName("btnExit");
  btnExit->setText(Q("終了(&X)"));
  btnExit->setIcon(imgMain().Icon(kExitImage));
  btnExit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  bar->addWidget(btnExit);
  connect(btnExit, &QToolButton::clicked, this, &QWidget::close);
  txtSample = new TovMemo(this);
  txtSample->setObjectName("txtSample");
  txtSample->SetReadOnly(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(bar);
  layout->addWidget(txtSample, 1);
}

TfrmSample::~TfrmSample() {
  SavePosition();
  if (OnDestroy) OnDestroy();
}

void TfrmSample::LoadPosition() {
  TovRegistry reg;
  if (!reg.OpenKey(GuiKey(kSampleKey), true)) return;
  const int state = reg.ReadIntegerDef("WindowState", kNormalState);
  if (state == kMaximizedState) {
    setWindowState(Qt::WindowMaximized);
    return;
  }
  const int caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
  const QPoint at = QCursor::pos() - QPoint(caption, caption);
  move(at);
  const TWindowSize size = ReadWindowSize(reg, {width(), height()});
  resize(size.Width, size.Height);
}

void TfrmSample::SavePosition() {
  TovRegistry reg;
  if (!reg.OpenKey(GuiKey(kSampleKey), true)) return;
  const bool maximized = isMaximized();
  reg.WriteInteger("WindowState", maximized ? kMaximizedState : kNormalState);
  if (!maximized) WriteWindowBounds(reg, {x(), y(), width(), height()});
}

bool TfrmSample::LoadFile(const std::string& path) {
  if (!QFileInfo(Q(path)).isFile()) return false;
  txtSample->SetReadOnly(false);
  txtSample->Lines().LoadFromFile(path);
  txtSample->SetReadOnly(true);
  txtSample->GetUndoObj().Clear();
  return true;
}

void InstallSamples() {
  if (ShareDir == ProgramDir) return;
  for (const char* file : {kProcedureSampleFile, kFunctionSampleFile}) {
    const QString shipped = Q(ProgramDir + file);
    const QString shared = Q(ShareDir + file);
    if (!QFileInfo(shipped).isFile() || QFileInfo::exists(shared)) continue;
    QDir().mkpath(QFileInfo(shared).absolutePath());
    QFile::copy(shipped, shared);
  }
}

std::string SampleFilePath(int kind) {
  return ShareDir + (kind == okFunction ? kFunctionSampleFile : kProcedureSampleFile);
}
