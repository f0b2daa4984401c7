#include <QApplication>
#include <QFont>

#include "admin/adminregister.h"
#include "app/appregister.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "objedit/objregister.h"
#include "platform/gui/qtplatform.h"
#include "sqlwork/sqlregister.h"
#include "tools/toolsregister.h"
#include "ui/uiregister.h"

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
  RegisterApp(frmMain);
  RegisterUi(frmMain);
  RegisterSqlWork();
  RegisterObjEdit();
  RegisterAdmin();
  RegisterTools();
  frmMain.show();
  return QApplication::exec();
}
