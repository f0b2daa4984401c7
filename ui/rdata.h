// rdata: the result-grid frame. It runs one SELECT of its owner with the
// sort, row-limit and lock clauses it adds, and shows the records in the
// vertical or the transposed data grid, with editing, sorting, aggregates
// and clipboard output of the whole result.
#pragma once

#include <QFrame>
#include <QPoint>
#include <functional>
#include <memory>
#include <string>

#include "app/core/odsql.h"
#include "ui/core/ovclientds.h"
#include "ui/core/ovresolver.h"
#include "ui/core/rdatacore.h"
#include "ui/ovdbgrid.h"

class QAction;
class QDateTimeEdit;
class QMenu;
class QScrollArea;
class QToolBar;

// What the frame needs of the window it is placed in.
class TDataOwner {
 public:
  enum class TKind { Other, TableEditor, ViewEditor, SqlWindow };
  virtual ~TDataOwner() = default;
  virtual TKind OwnerKind() const = 0;
  // The row-limit edit `txtRecord` of the table and view editors.
  virtual std::string RecordLimitText() const = 0;
  // The comment of the named field from the owner's column grid; empty
  // when none. By name: the shown fields may be a subset in another order.
  virtual std::string FieldComment(const std::string& field) const = 0;
  // Renews the frame's result before a spreadsheet output: the SQL window
  // runs its execute command, the editors and the name table re-read it as
  // their Reload answer, the data generator leaves it. The frame itself
  // stays; it looks at its result afterwards.
  virtual void RenewResult() = 0;
};

class TfraData : public QFrame {
 public:
  // When the frame makes its widgets: at once, or when it is first shown,
  // so that a window with many result pages pays only for those looked at.
  enum class TBuild { Now, WhenShown };
  TfraData(TDataOwner& owner, TovSQLConnection* connection, QWidget* parent = nullptr, TBuild build = TBuild::Now);
  ~TfraData() override;

  std::string BaseSQL;
  std::string ColWidthKey;
  std::string SortColumn;
  bool SortDescending = false;
  bool VerticalShown = true;

  // The widgets and their actions; null until built.
  TovDBGridV* grdData1 = nullptr;
  TovDBGridH* grdData2 = nullptr;
  QScrollArea* scrButton = nullptr;
  QToolBar* tolLeft = nullptr;
  QAction* btnUpdate = nullptr;
  QAction* btnGridType = nullptr;
  QAction* btnExcel = nullptr;
  QAction* btnCopy = nullptr;
  QAction* btnIns = nullptr;
  QAction* btnDel = nullptr;
  QAction* btnFirst = nullptr;
  QAction* btnPrev = nullptr;
  QAction* btnNext = nullptr;
  QAction* btnLast = nullptr;
  QMenu* popRecord = nullptr;
  QAction* mnuIns = nullptr;
  QAction* mnuCopy = nullptr;
  QAction* mnuPaste = nullptr;
  QAction* mnuDel = nullptr;
  QMenu* popColumn = nullptr;
  QAction* mnuSort = nullptr;
  QMenu* mnugroup = nullptr;
  // Date input over a grid cell, shown by the cell's ellipsis button.
  QDateTimeEdit* dtpInputDate = nullptr;
  TovSQLQuery qryData;
  TovSQLQuery qryLob;
  TovClientDataSet cdsData;
  // The grid column or row the column pop-up menu acts on.
  int PopupColumn = 0;
  int PopupRow = 0;

  bool Built() const { return grdData1 != nullptr; }
  // Makes the widgets of a frame built when shown, showing its result.
  void BuildWidgets();
  // Whether editing is on (btnUpdate down), built or not; off also ends
  // the grids' cell editing.
  bool UpdateMode() const { return updateMode_; }
  void SetUpdateMode(bool on);
  // The grids' cell editing; kept for grids not yet built.
  void SetEditing(bool on);

  // Both queries and the writing of edits go to this connection; the
  // queries are closed.
  void SetConnection(TovSQLConnection* connection);
  void SetSQL(const std::string& text);
  void PrepareSQL();
  void OpenData();
  void qryDataAfterOpenClose();
  // Saves the column widths; run before qryData closes.
  void qryDataBeforeClose();
  void btnCopyClick();
  // Writes the whole result to a spreadsheet workbook; defined with the
  // output's dialog in fxlssql.cpp.
  void btnExcelClick();
  void btnGridTypeClick();
  void btnUpdateClick();
  void btnInsClick();
  void btnDelClick();
  void mnuPasteClick();
  // Sorts by the field at a data index of the visible grid.
  void SortByField(int dataIndex);
  void ShowAggregate(TAggregate kind);
  // The ellipsis button (or a double click) of the visible grid's current
  // cell: the memo dialog for texts and memos, the calendar for dates.
  void grdData1EditButtonClick();
  // The cell buttons: the ellipsis for texts and memos, and for dates.
  void SetButtonStyles();
  void SetDateButtonStyles();

 protected:
  // The calendar of dtpInputDate closing up.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  TovDBGridBase& VisibleGrid() const;
  void DrawCell(const TovDBGridBase& grid, const TovDBGridBase::TDrawCellInfo& info, bool transposed);
  // The grid shown (VerticalShown) and both grids on the data set.
  void ShowGridType();
  // The commands' states, column widths and cell buttons for the result.
  void ShowResultState();
  // Ctrl+0 in a grid: the current field becomes null.
  bool SetNullKey(TovDBGridBase& grid, int key, Qt::KeyboardModifiers modifiers);
  void EditText(TovDBGridBase& grid, const TovField& field);
  void PickDate(TovDBGridBase& grid, const TovField& field);
  void dtpInputdateChange();
  void dtpInputDateCloseUp();
  // PrepareSQL and OpenData keeping the parameter values the owner gave.
  void Reopen();
  void RestoreParameterValues(const std::vector<TovParameter>& values);
  void ShowPopup(TovDBGridBase& grid, QPoint at);
  void ApplyColumnWidths();
  void CloseData();
  void Navigate(void (TovClientDataSet::*move)());
  std::function<std::string(int)> FieldComments() const;
  // Shows the number of the record being written out of `count`.
  static std::function<void(int)> ProgressTo(int count);
  // Writes the pending changes, the progress in the status bar; false when
  // Esc stopped it, the rest staying pending.
  bool ApplyWithProgress();
  // Shows the main window's object count again when a whole-result output
  // ends, whatever happened.
  struct TObjectCountBack {
    TObjectCountBack() = default;
    ~TObjectCountBack();
    TObjectCountBack(const TObjectCountBack&) = delete;
    TObjectCountBack& operator=(const TObjectCountBack&) = delete;
  };

  TDataOwner& owner_;
  std::unique_ptr<TovSQLResolver> resolver_;
  bool updateMode_ = false;
  bool editing_ = false;
};
