#include "app/core/ovmsg.h"

#include <QCoreApplication>
#include <QVariant>

bool SendFormMessage(QObject* window, int message, intptr_t wParam, intptr_t lParam) {
  if (!window) return false;
  TWindowMessage event(message, wParam, lParam);
  return QCoreApplication::sendEvent(window, &event);
}

void SetFormOwner(QObject* form, QObject* owner) { form->setProperty(kOwnerProperty, QVariant::fromValue(owner)); }

QObject* FormOwnerObject(const QObject* form) { return form->property(kOwnerProperty).value<QObject*>(); }
