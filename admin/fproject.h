// fproject: TfrmProject, the schema filter "表示スキーマ設定": which of the
// login user's schemas the object tree shows in its listed-schemas mode,
// kept per data source in the registry.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;
class TovConnectionWindow;

class TfrmProject : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmProject(TovConnectionWindow& connection);

  QListWidget* chkUserList;
  QPushButton* btnOk;
  QPushButton* btnCancel;

  void LoadChecks();
  void SaveChecks();
  void btnOkClick();

 private:
  void setupUi();
  TovConnectionWindow& connection_;
};

// Shows the filter for the connection; true when the user chose schemas
// with OK, which are then stored.
bool ShowSchemaFilter(TovConnectionWindow& connection);
