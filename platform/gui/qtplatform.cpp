#include "platform/gui/qtplatform.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLibraryInfo>
#include <QTranslator>
#include <QWidget>

#include "platform/dialogs.h"
#include "platform/gui/desktophelp.h"
#include "platform/gui/escpoll.h"
#include "platform/gui/qtdialogs.h"
#include "platform/helpviewer.h"

namespace platform {
namespace {

class QtWindowInput : public WindowInput {
 public:
  bool PollEscape() override { return platform::PollEscape(); }
  bool ProgramWindowActive() override { return QApplication::activeWindow() != nullptr; }
  void FlushFocusedControl() override {
    QWidget* focused = QApplication::focusWidget();
    if (!focused) return;
    QFocusEvent leave(QEvent::FocusOut, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(focused, &leave);
  }
};

// Qt's own dialogs and buttons speak the program's language, whatever the
// desktop's locale.
constexpr char kQtCatalogue[] = "qt_ja";

void InstallQtTranslations() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (translator->load(kQtCatalogue, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(translator);
  else
    delete translator;
}

}  // namespace

std::unique_ptr<WindowInput> MakeQtWindowInput() { return std::make_unique<QtWindowInput>(); }

void InstallQtPlatform() {
  SetDialogs(MakeQtDialogs());
  SetHelpViewer(MakeDesktopHelpViewer());
  SetInput(MakeQtWindowInput());
  InstallQtTranslations();
}

}  // namespace platform
