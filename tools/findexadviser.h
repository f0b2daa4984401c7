// findexadviser: TfrmIndexAdviser, the index adviser "インデックスアドバイザ":
// one SELECT, UPDATE or DELETE statement, the indexes of its tables marked
// used or unused by its access plan, and indexes proposed from its
// conditions, which can be renamed, created through the DDL preview and
// execution windows, or tested: the statement's traced time before and after
// creating the index, which is dropped again.
#pragma once

#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "app/ovforms.h"
#include "tools/core/findexadvisercore.h"

class QAction;
class QHeaderView;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class TovComboBox;
class TovMemo;
class TovNumEdit;
class TovTreeNode;
class TovTreeView;
struct TovSQLParts;

class TfrmIndexAdviser : public TovForm {
  Q_OBJECT

 public:
  // A new adviser on the connection (several may be open).
  static TfrmIndexAdviser* Open(TovConnectionWindow& connection);

  QToolBar* tolCmd;
  TovComboBox* cmbDBName;
  TovNumEdit* txtColCount;
  TovMemo* txtSQL;
  QSplitter* splPanels;  // statement, existing indexes, proposals
  QHeaderView* hedIndex;
  TovTreeView* lstIndex;
  QHeaderView* hedNewIndex;
  TovTreeView* lstNewIndex;
  QToolButton* btnCreate;
  QToolButton* btnTest;
  QMenu* popIndex;
  QAction* mnuIndexOpen;
  QAction* mnuIndexDelete;
  QMenu* popNewIndex;
  QAction* actExec;
  QAction* actPrev;
  QAction* actNext;
  QAction* actLog;
  QAction* actExit;
  QAction* actCreate;
  QAction* actTest;
  QAction* actNameChange;
  // The history entry shown; -1 for none.
  int LogIndex = -1;

  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void CodeAssist(int x, int y) override;
  void cmbDBNameChange();
  void txtColCountChange();
  void actExecExecute();
  void actPrevExecute();
  void actNextExecute();
  void actLogExecute();
  void mnuIndexOpenClick();
  void mnuIndexDeleteClick();
  void actCreateExecute();
  void actTestExecute();
  void actNameChangeExecute();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  explicit TfrmIndexAdviser(TovConnectionWindow& connection);
  void setupUi();
  void UpdateActions();
  void LoadLogEntry(int index);
  // The schema and table of a table entry as the statement names them, and
  // the text of its level-0 rows.
  struct TTableRef {
    std::string Schema;
    std::string Table;
    std::string Row;
    std::string Alias;
  };
  TTableRef TableRef(const std::string& written, const std::string& alias) const;
  bool TableExists(const TTableRef& ref);
  void ShowExistingIndexes(const TovSQLParts& parts, const std::vector<TovIndexList>& used);
  void ShowProposals(const TovSQLParts& parts);
  TovTreeNode* SelectedProposal() const;
  TovTreeNode* SelectedIndex() const;
  std::vector<std::string> ProposalDDL(const TovTreeNode& proposal);
  // Runs the statement in a transaction that is rolled back, and returns
  // its time from the client SQL trace.
  std::string MeasureStatement();
  std::string ReadTraceTime();

  std::string statementText_;
  TovSQLQuery qryTest;
  TovSQLQuery qryAssist;
};
