#include "tools/toolsmodal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "app/ovforms.h"

void ShowModalForm(TovForm& form, const QWidget* centreOn) {
  QPointer<TovForm> alive(&form);
  form.setWindowModality(Qt::ApplicationModal);
  form.show();
  // Placed once shown: its layout may widen it past its design size.
  QRect frame = form.frameGeometry();
  if (centreOn) {
    frame.moveCenter(centreOn->frameGeometry().center());
    form.move(frame.topLeft());
  } else if (const QScreen* shown = form.screen()) {
    frame.moveCenter(shown->availableGeometry().center());
    form.move(frame.topLeft());
  }
  QEventLoop loop;
  QObject::connect(&form, &QObject::destroyed, &loop, &QEventLoop::quit);
  if (alive) loop.exec();
}

void WireDialogButtons(TovForm& form, QPushButton* ok, QPushButton* cancel, QPushButton* help,
                       std::function<void()> okClick) {
  QObject::connect(ok, &QPushButton::clicked, &form, [okClick = std::move(okClick)] { RunReported(okClick); });
  QObject::connect(cancel, &QPushButton::clicked, &form, &QWidget::close);
  // F1 on the button asks for the help of the form it sits in.
  QObject::connect(help, &QPushButton::clicked, &form, [help] {
    help->setFocus();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(help, &f1);
  });
}
