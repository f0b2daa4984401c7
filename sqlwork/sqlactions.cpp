#include "sqlwork/sqlactions.h"

#include <QAction>

#include "app/core/fmainactcore.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"

QAction* MakeAction(QObject* parent, const TActionSpec& spec) {
  auto* action = new QAction(QString::fromUtf8(spec.Caption), parent);
  if (spec.Image != kNoActionImage) action->setIcon(imgMain().Icon(spec.Image));
  const std::string hint = spec.Hint;
  action->setToolTip(Q(ShortHint(hint)));
  action->setStatusTip(Q(LongHint(hint)));
  return action;
}

std::string LongHint(const std::string& hint) { return hint.substr(hint.find('|') + 1); }
