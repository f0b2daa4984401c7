#include "platform/helpviewer.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QMainWindow>
#include <QPoint>
#include <QStatusBar>
#include <QUrl>
#include <QWhatsThis>

namespace platform {
namespace {

class DesktopHelpViewer : public HelpViewer {
 public:
  bool OpenHelpFile(const std::string& helpFile) override {
    const QString path = QString::fromStdString(helpFile);
    if (!QFileInfo(path).isFile()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
  }

  void ShowPopup(const std::string& text, int x, int y) override {
    QWhatsThis::showText(QPoint(x, y), QString::fromStdString(text));
  }

  void ShowStatus(const std::string& text) override {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* main = qobject_cast<QMainWindow*>(top)) {
        main->statusBar()->showMessage(QString::fromStdString(text));
        return;
      }
    }
  }
};

std::unique_ptr<HelpViewer>& Installed() {
  static std::unique_ptr<HelpViewer> viewer = std::make_unique<DesktopHelpViewer>();
  return viewer;
}

}  // namespace

HelpViewer& Help() { return *Installed(); }

std::unique_ptr<HelpViewer> SetHelpViewer(std::unique_ptr<HelpViewer> viewer) {
  auto previous = std::move(Installed());
  Installed() = std::move(viewer);
  return previous;
}

}  // namespace platform
