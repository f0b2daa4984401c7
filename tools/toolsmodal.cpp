#include "tools/toolsmodal.h"

#include <QEventLoop>
#include <QPointer>

#include "app/ovforms.h"

void ShowModalForm(TovForm& form) {
  QPointer<TovForm> alive(&form);
  form.setWindowModality(Qt::ApplicationModal);
  form.show();
  QEventLoop loop;
  QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
  if (alive) loop.exec();
}
