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

class TEditor : public QAbstractScrollArea,
                public TEditorView,
                public TEditorCaretPort,
                public TEditorProperties {
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
  TFountain* Fountain() const { return FFountain; }
  void SetFountain(TFountain* value);
  // Image lists of the image bar, not owned; null: the built-in images.
  TImageList* ImageDigits() const { return FImageDigits; }
  void SetImageDigits(TImageList* value) { SetImageList(FImageDigits, value); }
  TImageList* ImageMarks() const { return FImageMarks; }
  void SetImageMarks(TImageList* value) { SetImageList(FImageMarks, value); }
  bool ReadOnly() const { return FReadOnly; }
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
  void SetRowCol(int row, int col);
  int SelStart() const { return FSelection->SelStart(); }
  int SelLength() const { return FSelection->SelLength(); }
  std::string SelText() const { return FSelection->SelText(); }
  void SetSelStart(int value);
  void SetSelLength(int value);
  void SelectAll();
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
};
