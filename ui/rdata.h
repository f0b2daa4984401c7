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
class QMenu;
class QToolBar;

// What the frame needs of the window it is placed in.
class TDataOwner {
 public:
  enum class TKind { Other, TableEditor, ViewEditor, SqlWindow };
  virtual ~TDataOwner() = default;
  virtual TKind OwnerKind() const = 0;
  // The row-limit edit `txtRecord` of the table and view editors.
  virtual std::string RecordLimitText() const = 0;
  // The comment of field i from the owner's column grid; empty when none.
  virtual std::string FieldComment(int field) const = 0;
  // Renews the frame's result before a spreadsheet output: the SQL window
  // runs its execute command, the editors and the name table re-read it as
  // their Reload answer, the data generator leaves it. The frame itself
  // stays; it looks at its result afterwards.
  virtual void RenewResult() = 0;
};

class TfraData : public QFrame {
 public:
  TfraData(TDataOwner& owner, TovSQLConnection* connection, QWidget* parent = nullptr);
  ~TfraData() override;

  std::string BaseSQL;
  std::string ColWidthKey;
  std::string SortColumn;
  bool SortDescending = false;
  bool VerticalShown = false;

  TovDBGridV* grdData1;
  TovDBGridH* grdData2;
  QToolBar* tolLeft;
  QAction* btnUpdate;
  QAction* btnGridType;
  QAction* btnExcel;
  QAction* btnCopy;
  QAction* btnIns;
  QAction* btnDel;
  QAction* btnFirst;
  QAction* btnPrev;
  QAction* btnNext;
  QAction* btnLast;
  QMenu* popRecord;
  QAction* mnuIns;
  QAction* mnuCopy;
  QAction* mnuPaste;
  QAction* mnuDel;
  QMenu* popColumn;
  QAction* mnuSort;
  QMenu* mnugroup;
  TovSQLQuery qryData;
  TovSQLQuery qryLob;
  TovClientDataSet cdsData;
  // The grid column or row the column pop-up menu acts on.
  int PopupColumn = 0;
  int PopupRow = 0;

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
  // Sorts by the field at a data index of the visible grid.
  void SortByField(int dataIndex);
  void ShowAggregate(TAggregate kind);

 private:
  TovDBGridBase& VisibleGrid() const;
  void DrawCell(const TovDBGridBase& grid, const TovDBGridBase::TDrawCellInfo& info, bool transposed);
  void SetEditing(bool on);
  void ShowPopup(TovDBGridBase& grid, QPoint at);
  void ApplyColumnWidths();
  void CloseData();
  void Navigate(void (TovClientDataSet::*move)());
  std::function<std::string(int)> FieldComments() const;
  // Shows the number of the record being written out of `count`.
  static std::function<void(int)> ProgressTo(int count);

  TDataOwner& owner_;
  std::unique_ptr<TovSQLResolver> resolver_;
};
