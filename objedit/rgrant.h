// rgrant: TfraGrant, the frame on the 権限 page of the table, view, routine,
// trigger and sequence editors: a row per user, PUBLIC and role, a column
// per privilege of the object's kind, the two-box check list that edits the
// selected rows, and the GRANT and REVOKE statements of the changed cells
// for the editor's compile (the rules: objedit/core/rgrantcore).
#pragma once

#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "objedit/core/rgrantcore.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QRadioButton;
class QTreeWidgetItem;
class TovCheckListBox;
class TovConnectionWindow;
class TovListView;

class TfraGrant : public QWidget {
  Q_OBJECT

 public:
  explicit TfraGrant(QWidget* parent = nullptr);

  // Fills the frame for the object of the owning editor's kind, names
  // unquoted; nothing when the frame is not inside a TovForm. The first
  // load fixes the kind and its columns. Catalogue errors propagate.
  void Load(const std::string& schema, const std::string& name);
  // Appends a statement and a separator line per changed cell.
  void BuildGrantDDL(std::vector<std::string>& list) const;

  // The show mode: 0 grantees holding a privilege, 1 all.
  int ShowMode() const;
  void SetShowMode(int mode);
  // The rows in the list's order, which a click on a header changes.
  std::vector<TGranteeRow> Rows() const;

  // Heard after an edit marked the owning editor changed.
  std::function<void()> OnChange;

  void rdoShowModeClick();
  void lstGrantSelectItem(bool selecting);
  void chkGrantClick();

  std::string GetRoutineCode(const std::string& database, const std::string& schema, const std::string& name);
  std::string GetTriggerCode(const std::string& database, const std::string& schema, const std::string& name);
  std::string GetSequenceCode(const std::string& database, const std::string& schema, const std::string& name);

  QWidget* pnlTop = nullptr;
  QGroupBox* rdoShowMode = nullptr;
  QGroupBox* grpGrantOption = nullptr;
  TovCheckListBox* chkGrant = nullptr;
  QLabel* lblComment = nullptr;
  TovListView* lstGrant = nullptr;
  TovSQLQuery qryGrant;

 private:
  void setupUi();
  void BuildColumns();
  std::string ObjectCode(const std::string& database);
  std::string LookupCode(const char* sql, const std::string& database, const std::string& schema,
                         const std::string& name);
  std::vector<int> SelectedRows() const;
  // Puts the marks of a row into its list item.
  void ShowRow(size_t row);

  QButtonGroup* showModes_ = nullptr;
  TovConnectionWindow* connection_ = nullptr;
  int objectKind_ = 0;
  std::vector<TGrantPrivilege> columns_;
  std::string schema_;
  std::string name_;
  std::vector<TGranteeRow> rows_;
  std::vector<QTreeWidgetItem*> items_;  // one per row
};
