// DAziver: the editor control. It shows the display rows of a row list that
// several controls may share, on a fixed cell grid (every character at its
// own cell, a wide one centred on two), with the ruler, the image bar and
// the left bar around the text, and draws its own blinking caret. Caret,
// scrolling and selection arithmetic live in the core's caret model; this
// control turns their requests into pixels.
#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

#include "editor/DAziverPaint.h"
#include "editor/core/DAziverLines.h"
#include "editor/core/DAziverSelection.h"
#include "editor/core/EditorProp.h"
#include "editor/core/heSearch.h"
#include "ui/core/oveditcmd.h"

class QMimeData;

enum TBorderStyle { bsNone, bsSingle };

class TEditor;

// Repaints what a change of the text touched.
class TEditorScreen {
 public:
  explicit TEditorScreen(TEditor& editor) : FEditor(editor) {}
  virtual ~TEditorScreen() = default;
  virtual void Update();

 private:
  TEditor& FEditor;
};

// Drag of a selection, and the cursor kinds of the mouse over the control.
enum TDragState { dsNone, dsPending, dsDragging };
enum TCursorKind { ckText, ckLeftMargin, ckTopMargin, ckInSelection, ckDragMove, ckDragCopy, ckNone };

class TEditor : public QAbstractScrollArea,
                public TEditorView,
                public TEditorCaretPort,
                public TEditorProperties,
                public virtual TovEditCommands {
  Q_OBJECT

 public:
  static constexpr int kDefaultWidth = 185;
  static constexpr int kDefaultHeight = 89;
  static constexpr int kMinUndoListMax = TEditorUndoObj::kDefaultUndoLimit;

  explicit TEditor(QWidget* parent = nullptr);
  ~TEditor() override;

  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  TEditorStrings& Lines() { return *FLines; }
  const TEditorStrings& Lines() const { return *FLines; }
  TFountain* Fountain() const { return FFountain; }
  void SetFountain(TFountain* value);
  // Image lists of the image bar, not owned; null: the built-in images.
  TImageList* ImageDigits() const { return FImageDigits; }
  void SetImageDigits(TImageList* value) { SetImageList(FImageDigits, value); }
  TImageList* ImageMarks() const { return FImageMarks; }
  void SetImageMarks(TImageList* value) { SetImageList(FImageMarks, value); }
  bool ReadOnly() const override { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }
  int UndoListMax() const { return FList->UndoObj().UndoLimit(); }
  void SetUndoListMax(int value);
  int ScrollMax() const { return FScrollMax; }
  bool Modified() const { return FModified; }
  void SetModified(bool value) { FModified = value; }
  bool WantReturns = true;
  bool WantTabs = true;
  // Shows and edits the text of `other`, with its undo history.
  void ShareText(TEditor& other);

  TEditorCaretModel& CaretModel() { return *FCaretModel; }
  TEditorSelection& Selection() { return *FSelection; }
  const TEditorSelection& Selection() const { return *FSelection; }
  // The row list as the control shows it.
  const TEditorScreenStrings& Rows() const { return *FList; }
  void SetRowCol(int row, int col);
  int SelStart() const { return FSelection->SelStart(); }
  int SelLength() const { return FSelection->SelLength(); }
  std::string SelText() const { return FSelection->SelText(); }
  void SetSelStart(int value);
  void SetSelLength(int value);
  void SelectAll() override;
  void SetSelectionMode(TSelectionMode mode) { FSelection->SetSelectionMode(mode); }
  void SetTopCol(int col) { FCaretModel->SetTopCol(col); }
  // View and caret `n` rows on, the caret hidden meanwhile.
  void PageMove(int n);
  int TopCol() const { return FCaretModel->TopCol(); }

  // Layout, in pixels of the viewport.
  int TextLeft() const;
  int TextTop() const;
  int CellWidth() const { return FCellWidth; }
  int CellHeight() const { return FCellHeight; }
  int LeftbarWidth() const { return FLeftbarWidth; }
  int NumberDigits() const { return FNumberDigits; }
  // Whether the caret is drawn now (focused and in its blink phase).
  bool CaretDrawn() const { return FCaretShown && FBlinkOn; }
  QRect CaretRect() const;
  void UpdateMetrics();
  void UpdateScrollRanges();

  std::function<void()> OnCaretMoved;
  std::function<void()> OnChange;
  // Every change of the text, the program's own included (OnChange hears
  // only the user's).
  std::function<void()> OnTextChange;
  TDrawLineEvent OnDrawLine;
  std::function<void(bool)> OnSelectionChange;
  std::function<void()> OnSelectionModeChange;
  std::function<void()> OnTopColChange;
  std::function<void()> OnTopRowChange;

  // TEditorView.
  int Row() const override { return FCaretModel->Row(); }
  int Col() const override { return FCaretModel->Col(); }
  void SetRow(int row) override;
  void SetCol(int col) override;
  int TopRow() const override { return FCaretModel->TopRow(); }
  void SetTopRow(int row) override { FCaretModel->SetTopRow(row); }
  void MoveCaretToOffset(int row, int offset) override { FCaretModel->MoveCaretToOffset(row, offset); }
  void CaretHide() override;
  void CaretShow() override;
  void CaretBeginUpdate() override;
  void CaretEndUpdate() override;
  void CaretMoved() override;
  void CleanSelection() override { FSelection->CleanSelection(); }
  bool Focused() const override { return hasFocus(); }
  bool Loading() const override { return false; }
  void SetLinesUpdating(bool updating) override;
  void InvalidateRow(int row) override;
  void Refresh() override;
  void DoChange() override;
  int RowHeight() const override;
  int ScreenHeight() const override { return viewport()->height(); }
  TFountain* ActiveFountain() override;
  bool InitBracketsFull() const override { return FSpeed->InitBracketsFull; }
  const TDelimiters& Delimiters() const override { return DefaultDelimiters(); }
  int TabSpaceCount() const override { return FCaret->TabSpaceCount(); }
  TEditorScreenStrings& ScreenStrings() override { return *FList; }

  // TEditorCaretPort.
  void RulerMarkMoved(int oldCol, int newCol) override;
  void TopRowChanged(int oldRow) override;
  void TopColChanged(int oldCol) override;
  void RepaintRows(int first, int last) override;
  void SelectionChanged(bool selected) override;
  void SelectionModeChanged() override;

  // TEditorProperties.
  TColor Color() const override { return FColor; }
  void SetColor(TColor value) override;
  TEditorCaret& Caret() override { return *FCaret; }
  TEditorFont Font() const override { return FFont; }
  void SetFont(const TEditorFont& value) override;
  TEditorHitStyle HitStyle() const override { return FSelection->HitStyle(); }
  void SetHitStyle(TEditorHitStyle value) override { FSelection->SetHitStyle(value); }
  TEditorImagebar& Imagebar() override { return *FImagebar; }
  TEditorLeftbar& Leftbar() override { return *FLeftbar; }
  TEditorMargin& Margin() override { return *FMargin; }
  TEditorMarks& Marks() override { return *FMarks; }
  TStringList& ReserveWordList() override { return FView->Fountain().ReserveWordList(); }
  void SetReserveWordList(const std::vector<std::string>& words) override;
  TEditorRuler& Ruler() override { return *FRuler; }
  TScrollStyle ScrollBars() const override { return FScrollBars; }
  void SetScrollBars(TScrollStyle value) override;
  TEditorSpeed& Speed() override { return *FSpeed; }
  TEditorViewInfo& View() override { return *FView; }
  bool WordWrap() const override { return FList->WordWrap(); }
  void SetWordWrap(bool value) override { FList->SetWordWrap(value); }
  TEditorWrapOption& WrapOption() override { return FList->WrapOption(); }

  // ---- Editing commands (DAziverCommands.cpp) ----
  // Typing: replaces the selection or goes in at the caret (callers test ReadOnly).
  void InsertText(const std::string& s);
  // Replaces the selection or goes in at the caret; the writer of SelText.
  void SetSelTextBuf(const std::string& text);
  void DeleteSelection();
  void Clear();
  // A rectangular paste: line j into row start + j at the start column.
  void PasteBox(const std::string& text);
  // Drag and drop of the selection to a row and column.
  void MoveSelectionTo(int row, int col);
  void CopySelectionTo(int row, int col);
  bool CanSelMove() const;
  void IndentSelection();
  void UnindentSelection();
  void ToggleLineComment();
  // Searches from the selection or caret in chunks of rows; a match becomes the hit.
  bool FindText(const std::string& pattern, TSearchOptions options);
  // The token under a client point: its text and kind (empty and 0 when none).
  std::pair<std::string, int> GetTokenAt(QPoint point, bool useFountain, bool keepState);
  // Selects the token under the point; the SQL editor puts its own word rule here.
  virtual void SelectTokenAt(QPoint point, bool useFountain, bool keepState);
  void SelectWordAtCaret();
  void Undo();
  void Redo();
  bool CanUndo() const override { return FList->UndoObj().CanUndo(); }
  bool CanRedo() const { return FList->UndoObj().CanRedo(); }
  TEditorUndoObj& GetUndoObj() { return FList->UndoObj(); }
  void PutRowMarks(int row, uint16_t marks);
  void PutRowMark(int row, int mark);
  void DeleteRowMark(int row, int mark);
  void GotoRowMark(int mark);
  // Client point of the caret: the code-assist popup opens there.
  QPoint GetCaretPoint() const;

  // TovEditCommands: the main window's edit actions, as the clipboard and
  // edit messages behave (cut and copy without a selection empty the clipboard).
  void Undo(bool redo) override;
  void CutToClipboard() override;
  void CopyToClipboard() override;
  void PasteFromClipboard() override;
  void ClearSelection() override;
  void ReplaceSelection(const std::string& text) override { EmReplaceSel(text); }
  std::string SelectedText() const override { return SelText(); }
  bool HasSelection() const override { return FSelection->Selected(); }

  // ---- The edit-control operations (DAziverInput.cpp) ----
  // Offsets are bytes of the UTF-8 text, a line break 2, a wrapped row's end 0.
  // Start in the low word, end in the high word; each also written out when given.
  int EmGetSel(int* start = nullptr, int* end = nullptr) const;
  // (0, -1) selects all, start -1 removes the selection.
  void EmSetSel(int start, int end);
  void EmScrollCaret();
  bool EmGetModify() const { return Modified(); }
  void EmSetModify(bool modified);
  int EmGetLineCount() const { return FList->GetCount(); }
  int EmLineIndex(int row) const;
  int EmLineLength(int offset) const;
  void EmReplaceSel(const std::string& text);
  // At most bufferSize bytes of the row, never half a character; 0 for no such row.
  int EmGetLine(int row, int bufferSize, std::string& text) const;
  bool EmCanUndo() const { return !FReadOnly && CanUndo(); }
  bool EmUndo();
  int EmLineFromChar(int offset) const;
  void EmEmptyUndoBuffer();
  int EmGetFirstVisibleLine() const { return TopRow(); }
  void EmSetReadOnly(bool readOnly) { SetReadOnly(readOnly); }
  // x in the low word, y in the high word.
  int EmPosFromChar(int offset) const;
  // Row in the high word, offset in the low word; -1 outside the client area.
  int EmCharFromPos(int x, int y) const;

  // The clipboard format of a box selection ("TEditor Box Type").
  static constexpr char kBoxMimeType[] = "application/x-teditor-box-type";

 protected:
  // Key and character handling; a derived editor runs its own keys first.
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  // A navigation key, Delete or F6; false when the key is none of them.
  virtual bool KeyDown(QKeyEvent& event);
  // Backspace, TAB, Return and typed characters.
  virtual void KeyChar(QKeyEvent& event);
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  // Sends the code-assist request to the form that owns the editor.
  void CodeAssistRequest();
  // While the left button is held on the text or a drag is pending or
  // running, other mouse input and keys wait (Esc and Ctrl steer a drag).
  bool MouseHeld() const { return FMouseDown || FDragState != dsNone; }
  // Where the text lies in the viewport, for mapping points to rows.
  TEditorGeometry Geometry() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 private:
  friend class TEditorScreen;
  // Every option object and the fountain report here.
  void PropertyChanged(TObject* sender);
  void BindOption(TNotifyPersistent& option);
  void AttachFountain(TFountain* fountain, bool attach);
  // Stores the list, let go of when it is destroyed; the image bar repaints.
  void SetImageList(QPointer<TImageList>& field, TImageList* value);
  bool UpdateNumberDigits();
  void UpdateBarWidths();
  void InvalidateRows(int first, int last);
  void InvalidateTextBelow(int row);
  void InvalidateLeftbar(int first, int last);
  // The y of a row's top in the viewport.
  int RowTop(int row) const;
  // Moves the pixels inside `rect`; Qt repaints what the move uncovers.
  void ScrollArea(int dx, int dy, const QRect& rect);
  void ShowCaretNow();
  void HideCaretNow();
  void Blink();
  // Scroll-bar signals into the caret model's steps.
  void ScrollBarAction(Qt::Orientation orientation, int action);

  // Commands and input (DAziverCommands.cpp, DAziverInput.cpp).
  // Hides the caret, removes a selection or hit, replaces the rows and puts
  // the caret `target` bytes after the start of `anchor`.
  void ApplyEdit(int first, int count, const std::string& text, int anchor, int target, bool rows);
  void ReplaceSelectionText(const std::string& s);
  // Indent or unindent the selected rows.
  void ShiftSelection(bool indent);
  void PutSelectionOnClipboard();
  // A match found in a chunk of rows starting at `first`.
  void ShowFound(int first, const TCellString& chunk, const TSearchSelection& found);
  bool FindForward(const TCellString& pattern, TSearchOptions options);
  bool FindBackward(const TCellString& pattern, TSearchOptions options);
  void NavigationKey(int key, bool ctrl);
  void DeleteKey();
  void BackspaceKey();
  void TabKey(bool shift);
  void ReturnKey(bool shift);
  void SetCursorKind(TCursorKind kind);
  void DropSelection(QPoint point, bool copy);
  void CancelDrag();
  TRowCol MouseRowCol(QPoint point, bool nearest) const;

  TBorderStyle FBorderStyle = bsSingle;
  TColor FColor;
  TEditorFont FFont;
  TScrollStyle FScrollBars = ssNone;
  bool FReadOnly = false;
  bool FModified = false;
  int FScrollMax = 0;
  TFountain* FFountain = nullptr;
  QPointer<TImageList> FImageDigits;
  QPointer<TImageList> FImageMarks;
  std::unique_ptr<TEditorCaret> FCaret;
  std::unique_ptr<TEditorMarks> FMarks;
  std::unique_ptr<TEditorMargin> FMargin;
  std::unique_ptr<TEditorImagebar> FImagebar;
  std::unique_ptr<TEditorLeftbar> FLeftbar;
  std::unique_ptr<TEditorRuler> FRuler;
  std::unique_ptr<TEditorSpeed> FSpeed;
  std::unique_ptr<TEditorViewInfo> FView;
  TEditorScreenStrings* FList;
  std::unique_ptr<TEditorStrings> FLines;
  std::unique_ptr<TEditorScreen> FScreen;
  std::unique_ptr<TEditorCaretModel> FCaretModel;
  std::unique_ptr<TEditorSelection> FSelection;
  int FCellWidth = 1;
  int FCellHeight = 1;
  int FLeftbarWidth = 0;
  int FImagebarWidth = 0;
  int FRulerHeight = 0;
  int FNumberDigits = 0;
  int FCaretHideCount = 0;
  int FUnderlineLock = 0;
  bool FCaretShown = false;
  bool FBlinkOn = true;
  // Where the caret was drawn since it was last wiped.
  QRect FPaintedCaret;
  QTimer FBlink;
  bool FKeyRepeating = false;
  bool FMouseDown = false;
  bool FImeComposing = false;
  TDragState FDragState = dsNone;
  TCursorKind FCursorKind = ckNone;
  QPoint FMouseDownPoint;
};
