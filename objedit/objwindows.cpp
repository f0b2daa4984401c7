#include "objedit/objwindows.h"

#include <QWidget>

#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "ui/zarurctl.h"

namespace {

TWindowBounds BoundsOf(const QWidget& window) {
  const QRect r = window.geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

QWidget* MainFormWidget() {
  TovMainWindow* main = ControlOptionsWindow();
  return main ? main->Window() : nullptr;
}

void CentreOnMainForm(QWidget& window) {
  if (QWidget* main = MainFormWidget())
    window.move(main->geometry().center() - QPoint(window.width() / 2, window.height() / 2));
}

void LoadFormBounds(QWidget& window, const std::string& key) {
  const std::string path = GuiKey(key);
  platform::KeyScope scope(AppRegistry);
  if (!AppRegistry.KeyExists(path) || !AppRegistry.OpenKey(path, false)) return;
  const TWindowBounds b = ReadWindowBounds(AppRegistry, BoundsOf(window));
  window.setGeometry(b.Left, b.Top, b.Width, b.Height);
}

void SaveFormBounds(const QWidget& window, const std::string& key) {
  platform::KeyScope scope(AppRegistry);
  if (AppRegistry.OpenKey(GuiKey(key), true)) WriteWindowBounds(AppRegistry, BoundsOf(window));
}


TovForm* OwningForm(const QWidget& frame) {
  for (QWidget* w = frame.parentWidget(); w; w = w->parentWidget())
    if (auto* form = qobject_cast<TovForm*>(w)) return form;
  return nullptr;
}
