// ovdbgrid: the data grids over a client data set. TovDBGridV shows one
// record per row and one field per column; TovDBGridH is the same grid with
// the axes exchanged. Both are one axis-neutral grid (records along one
// axis, fields along the other) that differ only where the transposed grid
// is not the mirror. Stepping to another record applies the data set's
// cached changes; a new record is appended at the end only when that apply
// reported no error. Only the records that fit are read.
#pragma once

#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QPixmap>
#include <QPoint>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/core/oveditcmd.h"
#include "ui/core/ovclientds.h"
#include "ui/core/ovdbgridcore.h"

class QCompleter;
class QPainter;
class QScrollBar;
class QStringListModel;
class QToolButton;

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
class TGridItem;

// Writes a cell's text: the rectangle filled with the painter's brush, the
// text in the painter's font and pen, dx pixels in from the side it is
// aligned to (3 from the right) and dy below the top, clipped to the cell.
void DrawCellText(QPainter& painter, const QRect& rect, int dx, TAlignment alignment, const QString& text, int dy);

// The indicator images by index (arrow, edit, insert, selected, selected
// current), 6 x 11 pixels for the vertical grid and 11 x 6 for the
// transposed one; white (unset) is transparent.
enum TIndicatorImage { kImageArrow, kImageEdit, kImageInsert, kImageMultiDot, kImageMultiArrow, kIndicatorImages };
QPixmap IndicatorImage(bool transposed, TIndicatorImage image);

enum class TColumnButtonStyle { cbsAuto, cbsEllipsis, cbsNone };

// The title of a column or field row; each setting keeps its default until
// assigned: the field's display label (the field name without a field), the
// grid's FixedColor and TitleFont, left alignment.
class TColumnTitle {
 public:
  explicit TColumnTitle(TGridItem& item) : item_(item) {}
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  QColor Color() const;
  void SetColor(const QColor& color);
  QFont Font() const;
  void SetFont(const QFont& font);
  TAlignment Alignment() const { return alignment_.value_or(TAlignment::taLeftJustify); }
  void SetAlignment(TAlignment alignment);
  bool CaptionAssigned() const { return caption_.has_value(); }
  void ResetToDefaults();

 private:
  TGridItem& item_;
  std::optional<std::string> caption_;
  std::optional<QColor> color_;
  std::optional<QFont> font_;
  std::optional<TAlignment> alignment_;
};
using TRowTitle = TColumnTitle;

// A column of the vertical grid or a field row of the transposed grid. The
// grid makes one per field (default items) unless items were added
// (customized, stored). Unassigned settings come from the grid and the
// field; a default item passes its alignment, read-only flag and title
// caption on to its field while the grid shows an open data set.
class TGridItem {
 public:
  static constexpr unsigned kDefaultDropDownRows = 7;
  TGridItem(TovDBGridBase& grid, bool stored);
  virtual ~TGridItem() = default;
  TGridItem(const TGridItem&) = delete;
  TGridItem& operator=(const TGridItem&) = delete;

  TovDBGridBase& Grid() const { return grid_; }
  // Position in the grid's collection.
  int Index() const;
  // The field shown, looked up by name while none is bound; none without.
  const TovField* Field() const;
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& name);
  QColor Color() const;
  void SetColor(const QColor& color);
  QFont Font() const;
  void SetFont(const QFont& font);
  TAlignment Alignment() const;
  void SetAlignment(TAlignment alignment);
  bool ReadOnly() const;
  void SetReadOnly(bool readOnly);
  const std::vector<std::string>& PickList() const { return pickList_; }
  void SetPickList(std::vector<std::string> items);
  unsigned DropDownRows = kDefaultDropDownRows;
  TColumnButtonStyle ButtonStyle = TColumnButtonStyle::cbsAuto;
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  TColumnTitle& Title() { return title_; }
  const TColumnTitle& Title() const { return title_; }
  // Made by the user or the program rather than derived from a field.
  bool Stored() const { return stored_; }
  // Every setting back to its default, the pick list emptied.
  virtual void ResetToDefaults();
  // The data set's field when the grid shows an open one (for settings a
  // default item passes on), else none.
  TovField* LiveField() const;

 protected:
  void Changed();

 private:
  friend class TovDBGridBase;
  void Bind(int position);
  // A default item with a field sets the field's own setting, others their own.
  template <class T>
  void Assign(T TovField::*setting, std::optional<T>& own, T value);

  TovDBGridBase& grid_;
  bool stored_;
  mutable int field_ = -1;
  std::string fieldName_;
  std::optional<QColor> color_;
  std::optional<QFont> font_;
  std::optional<TAlignment> alignment_;
  std::optional<bool> readOnly_;
  std::vector<std::string> pickList_;
  bool visible_ = true;
  TColumnTitle title_;
};

// A column of TovDBGridV, with its width.
class TColumn : public TGridItem {
 public:
  using TGridItem::TGridItem;
  // The assigned width, else the default; -1 when the column is hidden.
  int Width() const;
  // A default column with a field also writes the width back into the
  // field's display width.
  void SetWidth(int width);
  // In the column's font: display width x (width of "0") + 4, with titles
  // at least the caption's width in the title font + 4; 64 without a grid
  // field.
  int DefaultWidth() const;
  void ResetToDefaults() override;

 private:
  std::optional<int> width_;
};

// A field row of TovDBGridH; row heights belong to the grid.
class TRow : public TGridItem {
 public:
  using TGridItem::TGridItem;
};

// The columns or rows of a grid: "default" (derived from the data set's
// visible fields, rebuilt at each layout) while empty or made by the grid,
// "customized" once an item was added.
template <class TItem>
class TDBGridItems {
 public:
  explicit TDBGridItems(TovDBGridBase& grid) : grid_(grid) {}
  int Count() const;
  TItem& operator[](int index) const;
  // A stored item at the end; a default collection is emptied first.
  TItem& Add();
  void Delete(int index);
  bool Customized() const;
  // Customized: rebuilt as stored items from every field of the data set;
  // default: emptied (the grid derives its items again).
  void SetCustomized(bool customized);
  // The item at from takes the index to.
  void Move(int from, int to);

 private:
  TovDBGridBase& grid_;
};

// The cell editor: hands Enter, and Left or Right at a fully selected text,
// to the grid; copy goes to the grid while records are selected.
class TDBGridInplaceEdit : public QLineEdit {
 public:
  explicit TDBGridInplaceEdit(TovDBGridBase* grid);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool focusNextPrevChild(bool) override { return false; }

 private:
  TovDBGridBase* grid_;
};

class TovDBGridBase : public QWidget, public TovEditCommands, private TovDataLink {
 public:
  ~TovDBGridBase() override;

  // Font of the title band; the grid's font until assigned.
  QFont TitleFont() const { return titleFont_.value_or(font()); }
  void SetTitleFont(const QFont& font);
  // Colour of the indicator and title bands.
  QColor FixedColor() const { return fixedColor_.value_or(palette().button().color()); }
  void SetFixedColor(const QColor& color);
  // A width the user gives a default column is written back into its
  // field's display width.
  bool UpdateFields = true;

  // Layout: nested update and layout sections; a layout asked for while
  // one is held, or while the data set's controls are disabled, runs once
  // they are free.
  void BeginUpdate() { ++updateLock_; }
  void EndUpdate() { --updateLock_; }
  void BeginLayoutLock();
  void EndLayoutLock();
  bool TryLayoutLock();
  void UpdateLayout();

  // A title or data cell clicked (left button released on it; a data cell
  // passes the current item), and an item moved by the user (data indexes;
  // OnColumnMoved and OnRowMoved name it in the two grids).
  std::function<void(TGridItem&)> OnTitleClick;
  std::function<void(TGridItem&)> OnCellClick;
  std::function<void(int from, int to)> OnItemMoved;
  // After a data cell was drawn (OnDrawColumnCell, OnDrawRowCell): the
  // painter, the cell, its data index and item, the record (0-based in the
  // data set) and whether it is highlighted.
  struct TDrawCellInfo {
    QPainter& Canvas;
    QRect Rect;
    int DataIndex;
    TGridItem& Item;
    size_t Record;
    bool Highlighted;
  };
  std::function<void(const TDrawCellInfo&)> OnDrawItemCell;
  // The grid writes the cells' texts itself.
  bool DefaultDrawing = true;
  // The ellipsis button of the current cell (cbsEllipsis) was pressed.
  std::function<void()> OnEditButtonClick;
  // A double click on the grid or its cell editor.
  std::function<void()> OnDblClick;
  // A key pressed in the grid or its cell editor, before either handles
  // it; true when the key was taken.
  std::function<bool(int key, Qt::KeyboardModifiers modifiers)> OnKeyDown;

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
  // Shows the cell editor with the focus (where the cell may be edited),
  // or leaves it unless the editor is always shown.
  void SetEditorMode(bool on);
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
  // The item at a data index; none outside.
  TGridItem* Item(int dataIndex) const;
  // Band sizes in grid lines: the indicator and the titles (1 each when
  // shown). Grid positions count them as the data grids' users do.
  int IndicatorOffset() const { return (options_ & dgIndicator) ? 1 : 0; }
  int TitleOffset() const { return (options_ & dgTitles) ? 1 : 0; }
  // Grid column (vertical) or grid row (transposed) to data index and back.
  int GridToDataIndex(int line) const { return line - IndicatorOffset(); }
  int DataToGridIndex(int dataIndex) const { return dataIndex + IndicatorOffset(); }
  // The rectangle of a grid cell by grid column and row (bands included).
  QRect CellRect(int column, int row) const;

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
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  // With dgTabs the Tab keys move inside the grid.
  bool focusNextPrevChild(bool next) override;

  // Width of a field's column (vertical) or height of its row
  // (transposed), 0 when hidden; the extent of every record.
  virtual int FieldExtent(int dataIndex) const = 0;
  virtual int RecordExtent() const = 0;
  // The user sized a line to the width.
  virtual void SizeChanged(int dataIndex, int width) = 0;
  virtual void LayoutFields() = 0;
  virtual std::unique_ptr<TGridItem> MakeItem(bool stored) = 0;

  int RowHeight() const;
  int TitleExtent() const { return titleExtent_; }
  int IndicatorExtent() const;

  int titleExtent_ = 0;

 private:
  friend class TDBGridInplaceEdit;
  friend class TGridItem;
  template <class TItem>
  friend class TDBGridItems;
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

  QRect SlotRect(int slot, int field) const;
  TCellHit HitTest(QPoint point) const;
  int SizingLine(QPoint point) const;
  void RefreshFromData();
  void LayoutGrid();
  void BindItems();
  void ItemChanged(const TGridItem& item);
  void MoveItem(int from, int to);
  void ShowPickList();
  void EditButtonClick();
  // Hands a key to OnKeyDown; true when it took the key.
  bool KeyTaken(QKeyEvent* event);
  bool StartsTyping(QKeyEvent& event);
  void FocusLeaving();
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
  // To the field; with a direction, hidden fields are passed over that way.
  void MoveToField(int field, int direction = 0);
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
  int moving_ = -1;
  int updateLock_ = 0;
  int layoutLock_ = 0;
  bool layoutPending_ = false;
  std::optional<QFont> titleFont_;
  std::optional<QColor> fixedColor_;
  std::vector<std::unique_ptr<TGridItem>> items_;
  std::vector<QPixmap> indicators_;
  TDBGridInplaceEdit* editor_;
  QScrollBar* recordBar_;
  QCompleter* pickList_;
  QStringListModel* pickModel_;
  QToolButton* editButton_;
};

template <class TItem>
int TDBGridItems<TItem>::Count() const {
  return static_cast<int>(grid_.items_.size());
}

template <class TItem>
TItem& TDBGridItems<TItem>::operator[](int index) const {
  return static_cast<TItem&>(*grid_.items_.at(static_cast<size_t>(index)));
}

template <class TItem>
TItem& TDBGridItems<TItem>::Add() {
  if (!Customized()) grid_.items_.clear();
  grid_.items_.push_back(grid_.MakeItem(true));
  grid_.UpdateLayout();
  return (*this)[Count() - 1];
}

template <class TItem>
void TDBGridItems<TItem>::Delete(int index) {
  grid_.items_.erase(grid_.items_.begin() + index);
  grid_.UpdateLayout();
}

template <class TItem>
bool TDBGridItems<TItem>::Customized() const {
  return !grid_.items_.empty() && grid_.items_.front()->Stored();
}

template <class TItem>
void TDBGridItems<TItem>::SetCustomized(bool customized) {
  if (customized == Customized()) return;
  grid_.items_.clear();
  if (customized && grid_.DataSet() && grid_.DataSet()->Active())
    for (const TovField& f : grid_.DataSet()->Fields()) {
      grid_.items_.push_back(grid_.MakeItem(true));
      grid_.items_.back()->SetFieldName(f.FieldName);
    }
  grid_.UpdateLayout();
}

template <class TItem>
void TDBGridItems<TItem>::Move(int from, int to) {
  grid_.MoveItem(from, to);
}

using TDBGridColumns = TDBGridItems<TColumn>;
using TDBGridRows = TDBGridItems<TRow>;

class TovDBGridV : public TovDBGridBase {
 public:
  explicit TovDBGridV(QWidget* parent = nullptr);
  int ColStart() const { return fieldStart_; }
  int ColEnd() const { return fieldEnd_; }
  void SetColStart(int value) { fieldStart_ = value; }
  void SetColEnd(int value) { fieldEnd_ = value; }
  TDBGridColumns& Columns() { return columns_; }
  // A column moved by the user (data indexes).
  std::function<void(int from, int to)>& OnColumnMoved{OnItemMoved};
  std::function<void(const TDrawCellInfo&)>& OnDrawColumnCell{OnDrawItemCell};
  // Width of a data column in pixels.
  int ColumnWidth(int dataIndex) const { return FieldExtent(dataIndex); }
  void SetColumnWidth(int dataIndex, int width) { SizeChanged(dataIndex, width); }

 protected:
  int FieldExtent(int dataIndex) const override;
  int RecordExtent() const override { return RowHeight(); }
  void SizeChanged(int dataIndex, int width) override;
  void LayoutFields() override;
  std::unique_ptr<TGridItem> MakeItem(bool stored) override;

 private:
  TDBGridColumns columns_{*this};
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
  TDBGridRows& Rows() { return rows_; }
  // A field row moved by the user (data indexes).
  std::function<void(int from, int to)>& OnRowMoved{OnItemMoved};
  std::function<void(const TDrawCellInfo&)>& OnDrawRowCell{OnDrawItemCell};

 protected:
  int FieldExtent(int dataIndex) const override;
  int RecordExtent() const override { return defaultColWidth_; }
  void SizeChanged(int dataIndex, int width) override;
  void LayoutFields() override;
  std::unique_ptr<TGridItem> MakeItem(bool stored) override;

 private:
  int defaultColWidth_ = kDefaultColWidth;
  TDBGridRows rows_{*this};
};
