// fpreview: the print preview, shown in place of the main window.
#pragma once

#include <QDialog>

#include "ui/core/fpreviewcore.h"

class QAction;
class QLabel;
class QScrollArea;
class QToolBar;

class TfrmPreview : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmPreview(QWidget* owner);

  QToolBar* tolCmd;
  QAction* actPrint;
  QAction* actPrevPage;
  QAction* actNextPage;
  QAction* actZoomUp;
  QAction* actZoomDown;
  QAction* actExit;
  QScrollArea* scrPreview;
  QLabel* imgPreview;

  const TPreviewState& State() const { return state_; }
  void DrawPage();

 private:
  void setupUi();
  TPreviewState state_;
};

// True when the user chose Print.
bool ShowPrintPreview();
