// dialogbuttons: the start/OK and キャンセル row at the foot of the
// object-list tools' small dialogs.
#pragma once

class QDialog;
class QPushButton;
class QString;
class QVBoxLayout;

struct TDialogButtons {
  QPushButton* Ok;
  QPushButton* Cancel;  // rejects the dialog
};

// Adds the row, right-aligned, to `layout`; the caller connects Ok.
TDialogButtons AddDialogButtons(QDialog& dialog, QVBoxLayout& layout, const QString& okCaption, bool okDefault);
