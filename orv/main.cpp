#include <QApplication>
#include <QFont>

#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fobject.h"
#include "app/core/zarur.h"
#include "platform/gui/qtplatform.h"

namespace {
// The fonts the settings name, as this platform has them.
constexpr const char* kWindowsGothic = "ＭＳ ゴシック";
const QStringList kGothicSubstitutes = {"IPAGothic", "IPAゴシック", "Noto Sans Mono CJK JP"};
}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  platform::InstallQtPlatform();
  InitFolders();
  QApplication::setApplicationName(kApplicationTitle);
  QFont::insertSubstitutions(kWindowsGothic, kGothicSubstitutes);
  TfrmMain frmMain;
  InstallConnectionWindows(&frmMain);
  SetLogonProcedure([](TfrmMain& main, const TLogonRequest& request) { LogonAtStart(request, &main); });
  frmMain.show();
  return QApplication::exec();
}
