#include "admin/dialogbuttons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TDialogButtons AddDialogButtons(QDialog& dialog, QVBoxLayout& layout, const QString& okCaption, bool okDefault) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  TDialogButtons buttons{new QPushButton(okCaption, &dialog), new QPushButton(QString::fromUtf8("キャンセル"), &dialog)};
  buttons.Ok->setObjectName("btnOk");
  if (okDefault) buttons.Ok->setDefault(true);
  buttons.Cancel->setObjectName("btnCancel");
  row->addWidget(buttons.Ok);
  row->addWidget(buttons.Cancel);
  layout.addLayout(row);
  QObject::connect(buttons.Cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
  return buttons;
}
