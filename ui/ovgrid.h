// ovgrid: the program's editable text grid, with an edit style per column,
// three keyboard behaviours, check-box cells, a snapshot that tells what the
// user changed, and an in-place editor that completes from a pick list.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <QPointer>
#include <QTableView>
#include <QVariant>

#include <functional>
#include <string>
#include <vector>

#include "ui/core/oveditcmd.h"
#include "ui/core/ovgridcore.h"

class QListWidget;
class QToolButton;
class TovStringGrid;
class TGridModel;

class TovInplaceEditor : public QLineEdit {
  Q_OBJECT

 public:
  enum class TButton { None, Ellipsis, PickList };

  // Rows the drop-down list shows.
  static constexpr int kDropDownRows = 20;

  TovInplaceEditor(TovStringGrid& grid, TButton button, QWidget* parent);

  TButton Button() const { return button_; }
  QToolButton* EditButton() const { return editButton_; }
  QListWidget* PickList() const { return list_; }
  bool ListVisible() const;
  // Opens the pick list with the items the grid's owner gives.
  void DropDown();
  // Closes the pick list; with acceptance its selected item becomes the text.
  void CloseUp(bool accept);

  // The key-down rules that come before the editor's own handling; true
  // when the key was taken.
  bool KeyDown(QKeyEvent& e);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  std::vector<std::string> PickItems() const;
  TovStringGrid& grid_;
  TButton button_;
  QToolButton* editButton_ = nullptr;
  QListWidget* list_ = nullptr;
};

class TovStringGrid;

// Row 0 of the grid, live: what it changes, the row shows.
class TovGridHeader {
 public:
  explicit TovGridHeader(TovStringGrid& grid) : grid_(grid) {}
  int Count() const;
  std::string Strings(int index) const;
  void SetStrings(int index, const std::string& text);
  std::vector<std::string> Texts() const;
  // Empties every cell of the row.
  void Clear();
  // Puts the text into the first empty cell; a full row gets a new column.
  void Add(const std::string& text);
  // Replaces the row's texts; cells past the list become empty.
  void Assign(const std::vector<std::string>& texts);

 private:
  TovStringGrid& grid_;
};

class TovStringGrid : public QTableView, public TovItemEditCommands {
  Q_OBJECT

 public:
  explicit TovStringGrid(QWidget* parent = nullptr);
  ~TovStringGrid() override;

  // ---- the cells; rows and columns count the fixed ones ----
  int RowCount() const;
  int ColCount() const;
  void SetRowCount(int value);
  void SetColCount(int value);
  int FixedRows() const;
  int FixedCols() const;
  // The fixed rows and columns show as the grid's titles, one of each at most.
  void SetFixedRows(int value);
  void SetFixedCols(int value);
  std::string Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& text);
  QVariant Objects(int col, int row) const;
  void SetObjects(int col, int row, const QVariant& object);
  int Row() const;
  int Col() const;
  void SetRow(int row);
  void SetCol(int col);
  // Current cell to (col, row).
  void FocusCell(int col, int row);

  // ---- behaviour ----
  TovGridEditorMode GridMode() const { return gridMode_; }
  void SetGridMode(TovGridEditorMode mode);
  // The column's style; none for a column beyond the styles.
  std::optional<TovGridEditStyle> EditStyle(int col) const;
  void SetEditStyle(int col, TovGridEditStyle style);
  bool FlatCheckBox() const { return flatCheckBox_; }
  void SetFlatCheckBox(bool value);
  TovGridHeader& Header() { return header_; }
  TovInplaceEditor* InplaceEditor() const { return editor_; }
  bool Editing() const { return editor_ && state() == EditingState; }

  bool CellChecked(int col, int row) const;
  void SetCellChecked(int col, int row, bool ticked);
  void DrawCheckBox(QPainter& painter, int col, int row, bool enabled, const QRect& rect) const;

  // The store of an edited text: the owner hears it first.
  void SetEditText(int col, int row, const std::string& value);

  void ClearData();
  void InsertRow(int index);
  void MoveRow(int from, int to);
  void InsertColumn(int index);
  void DeleteRow(int row);

  void SaveData();
  bool Modified() const;
  bool CellModified(int col, int row) const;
  bool CellIsEmpty(int col, int row) const;

  // ---- edit commands: copy takes the current cell; its editor answers the rest ----
  void CopyToClipboard() override;
  void SelectAll() override {}
  bool HasSelection() const override { return currentIndex().isValid(); }

  // ---- events ----
  std::function<void(TovStringGrid& sender, int col, int row, TovInplaceEditor& editor)> OnShowEditor;
  std::function<void(int col, int row, std::vector<std::string>& items)> OnGetPickListitems;
  std::function<void(TovStringGrid& sender, int col, int row, int index)> OnSelectListItems;
  std::function<void(TovStringGrid& sender)> OnEditButtonClick;
  std::function<void(TovStringGrid& sender, int col, int row, const std::string& value)> OnBeforeSetEditText;
  // A data cell's own background colour; none paints it as usual.
  std::function<std::optional<QColor>(int col, int row)> OnCellBackground;

  // What Enter does here (from the grid or its editor).
  void EnterKey(bool shift);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void updateGeometries() override;

 private:
  friend class TGridDelegate;
  friend class TovInplaceEditor;
  QModelIndex IndexOf(int col, int row) const;
  void ShowEditorFor(int col, int row);
  void EditorCreated(TovInplaceEditor* editor);
  // Stores the editor's text when it differs from the cell's.
  void StoreEditorText();
  void ApplyFixed();
  void PageScroll(QScrollBar& bar, int action);
  void ToggleCurrentCheck();

  TGridModel* model_;
  TovGridHeader header_{*this};
  std::vector<TovGridEditStyle> styles_;
  TGridSnapshot snapshot_;
  TovGridEditorMode gridMode_ = geNormal;
  bool flatCheckBox_ = false;
  QPointer<TovInplaceEditor> editor_;
  // Set while the editor's text is being loaded from a cell or stored into it.
  bool syncing_ = false;
  // Set while rows change under an editor that is shown again afterwards.
  bool holdEditor_ = false;
};
