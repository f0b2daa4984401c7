// ovdbgrid: the data grids over a client data set. TovDBGridV shows one
// record per row and one field per column; TovDBGridH is the same grid with
// the axes exchanged. Both are one axis-neutral grid (records along one
// axis, fields along the other) that differ only where the transposed grid
// is not the mirror. Stepping to another record applies the data set's
// cached changes; a new record is appended at the end only when that apply
// reported no error. Only the records that fit are read.
#pragma once

#include <QLineEdit>
#include <QPoint>
#include <QWidget>

#include <memory>
#include <string>

#include "ui/core/oveditcmd.h"
#include "ui/core/ovclientds.h"
#include "ui/core/ovdbgridcore.h"

class QScrollBar;

enum TDBGridOption : unsigned {
  dgEditing = 1U << 0,
  dgAlwaysShowEditor = 1U << 1,
  dgTitles = 1U << 2,
  dgIndicator = 1U << 3,
  dgColumnResize = 1U << 4,
  dgColLines = 1U << 5,
  dgRowLines = 1U << 6,
  dgTabs = 1U << 7,
  dgRowSelect = 1U << 8,
  dgAlwaysShowSelection = 1U << 9,
  dgConfirmDelete = 1U << 10,
  dgCancelOnExit = 1U << 11,
  dgMultiSelect = 1U << 12,
};
using TDBGridOptions = unsigned;
inline constexpr TDBGridOptions kDefaultGridOptions = dgEditing | dgAlwaysShowEditor | dgTitles | dgIndicator |
                                                      dgColumnResize | dgColLines | dgRowLines | dgTabs |
                                                      dgConfirmDelete | dgCancelOnExit;

// The selection covers whole records rather than the field range; one flag
// for all vertical grids and one for all transposed grids.
extern bool WholeRecordsV;
extern bool WholeRecordsH;

class TovDBGridBase;

// The cell editor: hands Enter, and Left or Right at a fully selected text,
// to the grid; copy goes to the grid while records are selected.
class TDBGridInplaceEdit : public QLineEdit {
 public:
  explicit TDBGridInplaceEdit(TovDBGridBase* grid);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }

 private:
  TovDBGridBase* grid_;
};

class TovDBGridBase : public QWidget, public TovEditCommands, private TovDataLink {
 public:
  ~TovDBGridBase() override;

  // The data set shown (the data source); nothing for none.
  void SetDataSet(TovClientDataSet* data);
  TovClientDataSet* DataSet() const { return data_; }
  TDBGridOptions Options() const { return options_; }
  void SetOptions(TDBGridOptions options);
  // No cell may be edited.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

  TBookmarkList& SelectedRecords() { return selected_; }
  int MappedFieldCount() const { return static_cast<int>(map_.MappedFieldCount()); }
  // The field position shown at a data index, -1 for none.
  int MappedField(int dataIndex) const { return map_.MappedPosition(dataIndex); }
  int CurrentDataIndex() const { return currentField_; }
  const TovField* CurrentField() const;
  // Grid cell of the last handled mouse press (column, row).
  QPoint MouseCell() const { return mouseCell_; }
  // The current cell's text as the editor shows it.
  std::string EditText() const;
  bool EditorShowing() const;
  TDBGridInplaceEdit* Editor() const { return editor_; }
  // Records that fit, and the record in the first slot (0-based).
  int VisibleRecords() const;
  size_t TopRecord() const { return top_; }

  // Selects every record (the main window's Select All).
  void SelectAllRecords();
  // Writes the editor's text into the current field when it was changed.
  void StoreEditText();
  // The grid's key handling (the editor hands keys here too).
  void HandleKey(int key, Qt::KeyboardModifiers modifiers);

  // Edit commands.
  void Undo(bool) override {}
  void CutToClipboard() override {}
  void CopyToClipboard() override;
  void PasteFromClipboard() override;
  void ClearSelection() override;
  void SelectAll() override;
  void ReplaceSelection(const std::string& text) override;
  // True when the grid is read-only or its data set cannot be changed.
  bool ReadOnly() const override;
  bool HasSelection() const override;
  // Text selected in the in-place editor; records are not text until copied.
  std::string SelectedText() const override;
  bool CanUndo() const override { return false; }

 protected:
  explicit TovDBGridBase(bool transposed, QWidget* parent);

  // The field range of the selection and whether it covers whole records.
  int fieldStart_ = 0;
  int fieldEnd_ = 0;
  bool& WholeRecords() const { return transposed_ ? WholeRecordsH : WholeRecordsV; }

  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // With dgTabs the Tab keys move inside the grid.
  bool focusNextPrevChild(bool next) override;

  // Width of a field's column (vertical) or of every record column
  // (transposed); the grid asks when it lays out.
  virtual int FieldExtent(int dataIndex) const = 0;
  virtual int RecordExtent() const = 0;
  // The user sized a line to the width.
  virtual void SizeChanged(int dataIndex, int width) = 0;
  virtual void LayoutFields() = 0;

  int RowHeight() const;
  int TitleExtent() const { return titleExtent_; }
  int IndicatorExtent() const;
  void Relayout();

  int titleExtent_ = 0;

 private:
  friend class TDBGridInplaceEdit;
  struct TCellHit {
    int record = -1;  // slot, -1 for the indicator or title band
    int field = -1;   // data index, -1 for the title or indicator band
    bool inside = false;
  };

  // TovDataLink
  void ActiveChanged(bool active) override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void EditingChanged() override;
  void RecordChanged(int field) override;

  QRect CellRect(int slot, int field) const;
  TCellHit HitTest(QPoint point) const;
  int SizingLine(QPoint point) const;
  void RefreshFromData();
  void SyncTop();
  void UpdateRecordScrollBar();
  void OnScroll(int action);
  void UpdateEditor();
  void HideEditor();
  void ShowEditor();
  bool MayModify() const;
  bool CanAppend() const;
  bool AtEnd() const;
  void StepRecord(bool select, int direction);
  void NextRecord(bool select);
  void PriorRecord(bool select);
  void MoveToField(int field);
  void ClearRecordSelection();
  bool ConfirmRecordDelete();
  void DiscardChanges();
  void SelectCurrent(bool selected);
  void DrawIndicator(QPainter& painter, const QRect& rect, size_t record) const;

  bool transposed_;
  TovClientDataSet* data_ = nullptr;
  TDBGridOptions options_ = kDefaultGridOptions;
  bool readOnly_ = false;
  TGridFieldMap map_;
  TBookmarkList selected_;
  std::unique_ptr<TBookmark> anchor_;
  bool selecting_ = false;
  size_t top_ = 0;
  int currentField_ = 0;
  int firstField_ = 0;
  bool linkModified_ = false;
  bool loadingEditor_ = false;
  QPoint mouseCell_;
  // Shift and Ctrl of the key or press being handled.
  Qt::KeyboardModifiers modifiers_;
  int sizing_ = -1;
  TDBGridInplaceEdit* editor_;
  QScrollBar* recordBar_;
};

class TovDBGridV : public TovDBGridBase {
 public:
  explicit TovDBGridV(QWidget* parent = nullptr);
  int ColStart() const { return fieldStart_; }
  int ColEnd() const { return fieldEnd_; }
  void SetColStart(int value) { fieldStart_ = value; }
  void SetColEnd(int value) { fieldEnd_ = value; }
  // Width of a data column in pixels.
  int ColumnWidth(int dataIndex) const { return FieldExtent(dataIndex); }
  void SetColumnWidth(int dataIndex, int width) { SizeChanged(dataIndex, width); }

 protected:
  int FieldExtent(int dataIndex) const override;
  int RecordExtent() const override { return RowHeight(); }
  void SizeChanged(int dataIndex, int width) override;
  void LayoutFields() override;

 private:
  std::vector<int> widths_;
};

class TovDBGridH : public TovDBGridBase {
 public:
  static constexpr int kDefaultColWidth = 64;
  explicit TovDBGridH(QWidget* parent = nullptr);
  int RowStart() const { return fieldStart_; }
  int RowEnd() const { return fieldEnd_; }
  void SetRowStart(int value) { fieldStart_ = value; }
  void SetRowEnd(int value) { fieldEnd_ = value; }
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int width);
  // Width of the title column.
  int TitleWidth() const { return TitleExtent(); }

 protected:
  int FieldExtent(int) const override { return RowHeight(); }
  int RecordExtent() const override { return defaultColWidth_; }
  void SizeChanged(int dataIndex, int width) override;
  void LayoutFields() override;

 private:
  int defaultColWidth_ = kDefaultColWidth;
};
