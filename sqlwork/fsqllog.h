// fsqllog: TfrmSQLLog, the history dialog "SQL 一覧": the SQL history's
// entries by their first lines with a preview, reordered, removed and
// searched in place, and the entry the user picks handed back to the SQL
// window. The list work itself is in core/fsqllogcore.
#pragma once

#include <QDialog>

#include <vector>

#include "sqlwork/core/fsqllogcore.h"

class QListWidget;
class QSplitter;
class QToolBar;
class QToolButton;
class QWidget;
class TovForm;
class TovMemo;
class TovStrEdit;

class TfrmSQLLog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kItemHeight = 16;
  // The tool bar's width left beside the search panel, at least.
  static constexpr int kToolBarRest = 271;

  explicit TfrmSQLLog(QWidget* owner);

  QToolBar* tolCmd = nullptr;
  QToolButton* btnSelect = nullptr;
  QToolButton* btnExit = nullptr;
  QToolButton* btnUp = nullptr;
  QToolButton* btnDown = nullptr;
  QToolButton* btnDel = nullptr;
  QToolButton* btnFind = nullptr;
  QWidget* pnlFind = nullptr;
  TovStrEdit* txtFind = nullptr;
  QListWidget* lstSQL = nullptr;
  QSplitter* splSQL = nullptr;
  TovMemo* txtSQL = nullptr;

  // The list's lines and marks, parallel to SQLLogFiles.
  const std::vector<TSQLLogItem>& Items() const { return items_; }
  bool Marked(int row) const;
  // Fills the list from SQLLogFiles.
  void FillList();

  void btnSelectClick();
  void btnExitClick();
  void lstSQLClick();
  void btnDelClick();
  void btnUpClick();
  void btnDownClick();
  void btnFindClick();
  void tolCmdResize();
  // The width of the bar's items beside the search panel.
  int ToolBarRest() const;
  void LoadWindowSize();
  void SaveWindowSize();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void done(int result) override;

 private:
  void setupUi();
  void Move(TSQLLogDirection direction);
  void FormClose();
  void FormShow();

  std::vector<TSQLLogItem> items_;
  bool chosen_ = false;
  bool shown_ = false;
};

// Shows the history dialog for an SQL window; the position in SQLLogFiles of
// the chosen entry, or -1.
int ShowSQLLog(TovForm* owner);
