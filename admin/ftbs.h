// ftbs: TfrmTBS, the editor of one database space: its file, device kind
// and size read from the tools' reports, the ALLOCATE privilege of every
// user and role, and the DSIs stored in it. The space is made and dropped
// by rdbddlex with a control file; only the privileges (and, on newer
// catalogues, the drop) go through SQL. The rules are admin/core/ftbscore.
#pragma once

#include <utility>

#include "admin/core/ftbscore.h"
#include "objedit/objeditor.h"

class QLabel;
class QSplitter;
class QToolButton;
class TovCheckListBox;
class TovListView;
class TovNumEdit;

// The tool runner of a connection: an open transaction is committed, the
// command must print, and its lines go to `output` when given.
TToolRunner SpaceToolRunner(TovConnectionWindow& connection, std::vector<std::string>* output = nullptr);
// Drops the space: by rdbddlex below the SQL drop's catalogue level, else by
// DROP DBSPACE. False when the tool failed (the runner showed why); a
// statement error is raised.
bool DropDBSpace(TovConnectionWindow& connection, const std::string& name);

class TfrmTBS : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;

  explicit TfrmTBS(TovConnectionWindow& owner);

  QWidget* tabDsi = nullptr;
  TovComboBox* cmbType = nullptr;
  TovStrEdit* txtDevice = nullptr;
  QToolButton* btnDevice = nullptr;
  QLabel* lblSize = nullptr;
  TovNumEdit* txtSize = nullptr;
  TovComboBox* cmbTani = nullptr;
  QWidget* pnlCreator = nullptr;
  QLabel* lblCreator = nullptr;
  QLabel* lblCreateDate = nullptr;
  QSplitter* pnlGrant = nullptr;
  TovCheckListBox* chkUser = nullptr;
  TovCheckListBox* chkRole = nullptr;
  QWidget* pnlSizes = nullptr;
  QLabel* lblStatic = nullptr;
  QLabel* lblDynamic = nullptr;
  QLabel* lblFree = nullptr;
  TovListView* lstDsi = nullptr;
  // The boxes of every user (left, right) and role (left) as loaded.
  std::vector<std::pair<bool, bool>> UserChecks;
  std::vector<bool> RoleChecks;

  // The definition page as the controls hold it.
  TTbsInput Input() const;
  // The space is made again: new, a script, or its file, kind or size changed.
  bool NeedsDrop() const;
  void Compile(QObject* sender) override;
  void btnDeviceClick();

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  void PrepareLoad() override;
  void FinishLoad() override;
  void RunDelete(bool cascade) override;
  bool PageShownWhileNew(TEditorPage page) const override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void setupUi();
  QWidget* DefinitionPanel();
  QWidget* DsiPage();
  // The size controls are enabled while a type is chosen.
  void cmbTypeChange();
  std::string DataSource() const;
  // Runs a report; the definition of the space or its sizes; the roles
  // that may allocate in it.
  std::vector<std::string> RunReport(const std::function<bool(const TToolRunner&)>& run);
  std::vector<std::string> ReadRoleGrants();
  void ShowDefinition(const TTbsReport& report);
  void ShowDsis(const TTbsReport& report);
  // The grant and revoke statements of the changed boxes, run at once.
  void ApplyGrants();
  bool Refuse(const char* message, QWidget* focus);

  bool loading_ = false;
};

// Registers the space editor and its script writer (kind 69).
void RegisterSpaceEditor();
