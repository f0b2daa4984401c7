#include "platform/gui/desktophelp.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMainWindow>
#include <QPoint>
#include <QStatusBar>
#include <QUrl>
#include <QWhatsThis>

#include "platform/qstr.h"

namespace platform {
namespace {

// A message without an end would hide the status bar's fields for good.
constexpr int kStatusMessageMillis = 5000;

class DesktopHelpViewer : public HelpViewer {
 public:
  bool OpenHelpFile(const std::string& helpFile) override {
    const QString path = Q(helpFile);
    if (!QFileInfo(path).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  }

  void ShowPopup(const std::string& text, int x, int y) override { QWhatsThis::showText(QPoint(x, y), Q(text)); }

  void ShowStatus(const std::string& text) override {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* main = qobject_cast<QMainWindow*>(top)) {
        main->statusBar()->showMessage(Q(text), kStatusMessageMillis);
        return;
      }
    }
  }
};

}  // namespace

std::unique_ptr<HelpViewer> MakeDesktopHelpViewer() { return std::make_unique<DesktopHelpViewer>(); }

}  // namespace platform
