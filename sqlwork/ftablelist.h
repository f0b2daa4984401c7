// ftablelist: TfrmTableList, the table chooser of the SQL builder: the
// tables and views of one schema, searched by part of their name.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "app/core/odsql.h"

class QToolButton;
class TovComboBox;
class TovConnectionWindow;
class TovListBox;
class TovStrEdit;

class TfrmTableList : public QDialog {
  Q_OBJECT

 public:
  TfrmTableList(QWidget* owner, TovConnectionWindow& connection);
  ~TfrmTableList() override;

  TovListBox* lstTable;
  TovComboBox* cmbOwner;
  TovStrEdit* txtFindTable;
  QToolButton* btnOk;
  QToolButton* btnExit;
  QToolButton* btnTable;
  QToolButton* btnView;
  TovSQLQuery qryTable;

  // The catalogue's tables and views of the owner, of the kinds shown.
  void RefreshList();
  // A kind button was pressed (or the owner chosen, without a sender): one
  // kind stays shown, the list is refilled.
  void chkButtonClick(QToolButton* sender);
  // The chosen names, "owner.name" or the bare name without an owner.
  std::vector<std::string> ChosenNames() const;
  void LoadWindowSize();
  void SaveWindowSize();

 protected:
  // The system's refresh message refills the list.
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string dbName_;
};

// The names the user chose from the connection's tables and views; empty
// on cancel.
std::vector<std::string> ShowTableList(QWidget* owner, TovConnectionWindow& connection);
