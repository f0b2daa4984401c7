// fsqlbldc: TfrmSQLBldConnect, the join dialog of the SQL builder: the
// column on each side of one join, its comparison, or its removal.
#pragma once

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class TovComboBox;
class TovSQLBuildConnect;
class TovSQLDesigner;

class TfrmSQLBldConnect : public QDialog {
  Q_OBJECT

 public:
  TfrmSQLBldConnect(QWidget* owner, TovSQLDesigner& designer, TovSQLBuildConnect& join);

  QGroupBox* grpTable1;
  QGroupBox* grpTable2;
  TovComboBox* cmbColumn1;
  TovComboBox* cmbColumn2;
  QGroupBox* rdoConnectType;
  QButtonGroup* rdoConnectTypeItems;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QPushButton* btnDelete;
  QPushButton* btnHelp;

  // The join's columns and operator into the controls, and back.
  void LoadConnect();
  void StoreConnect();
  void btnDeleteClick();
  // The join went with the delete button.
  bool Deleted() const { return join_ == nullptr; }

 private:
  TovSQLDesigner& designer_;
  TovSQLBuildConnect* join_;
};

// Edits the join; true when closed with OK or the join was deleted.
bool ShowSQLBldConnect(QWidget* owner, TovSQLDesigner& designer, TovSQLBuildConnect& join);
