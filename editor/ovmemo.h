// ovmemo: TovMemo, the SQL editor control every window of the program uses:
// the editor control with SQL word selection, one row per wheel notch, undo
// and redo on request, the code-completion popup TovCodeAssist that its
// owner form fills, and keyboard macros over the program's one macro list.
#pragma once

#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QTreeWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "editor/DAziver.h"
#include "editor/core/ovcodeassistcore.h"
#include "editor/core/ovmacro.h"

class QLineEdit;
class QSizeGrip;
class TovCodeAssist;

class TovMemo : public TEditor, public TovEditorCommands {
  Q_OBJECT

 public:
  // The popup's size and column widths at first.
  static constexpr int kAssistWidth = 256;
  static constexpr int kAssistHeight = 150;
  static constexpr std::array<int, 2> kAssistColumnWidths = {125, 90};

  explicit TovMemo(QWidget* parent = nullptr);
  ~TovMemo() override;

  // Stored for the forms; the control does nothing with them.
  QPointer<QWidget> CaretPosPanel;
  QPointer<QStatusBar> CaretPosBar;

  TovMacroList* MacroList() const { return FMacroList; }
  void SetMacroList(TovMacroList* list) { FMacroList = list; }
  QMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }

  // The word code completion completes: the word left of the caret, dots
  // included; "." alone after a blank, a quote or a dot.
  std::string GetCaretWord();
  // Selects the SQL word at a client point; nothing on a delimiter. The
  // scanner is not asked, whatever the flags say.
  void SelectTokenAt(QPoint point, bool useFountain, bool keepState) override;
  // Selects whole rows from `from` to `to`.
  void SelectRows(int from, int to);

  // The open code-completion popup, or none.
  TovCodeAssist* CodeAssist() const { return FCodeAssist; }
  // Remembers the popup's size and columns, frees it and gives the focus
  // back; nothing when no popup is open.
  void CloseCodeAssist();
  QSize AssistSize() const { return {FAssistWidth, FAssistHeight}; }
  int AssistColumnWidth(int column) const { return FAssistColumnWidths.at(static_cast<size_t>(column)); }
  // The font's height in pixels.
  int FontPixelSize() const;

  void StartMacroRecord() override;
  void StopMacroRecord() override;
  void CancelMacroRecord();
  void PlayMacro() override;
  void StopMacroPlay();

  // TovEditorCommands: the main window's edit actions on an SQL editor.
  std::string Text() const override { return Lines().GetTextStr(); }
  int SelStart() const override { return TEditor::SelStart(); }
  int SelEnd() const override { return TEditor::SelStart() + SelLength(); }
  void SetSelection(int start, int end) override;
  bool BoxSelection() const override { return Selection().Mode() == smBox; }
  void SetBoxSelection(bool on) override { SetSelectionMode(on ? smBox : smNormal); }
  bool FindText(const std::string& text, bool forward, bool matchCase) override;
  int CaretRowCount() const override;
  void JumpToLine(int line) override;
  void ScrollToFirstColumn() override { SetTopCol(0); }
  void ToggleLineComment() override { TEditor::ToggleLineComment(); }
  void IndentSelection() override { TEditor::IndentSelection(); }
  void UnindentSelection() override { TEditor::UnindentSelection(); }
  bool MacroRecording() const override { return FMacroList && FMacroList->Recording(); }
  bool HasMacro() const override { return FMacroList && FMacroList->State() == msRecorded && FMacroList->Count() > 0; }

  // What the popup does to the memo: replaces the typed prefix around the
  // caret (`before` bytes before it, `after` bytes after it) by `text`.
  void ReplaceAroundCaret(int before, int after, const std::string& text);

 protected:
  bool event(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  friend class TovCodeAssist;
  void RecordMacro(QEvent* event);

  TovMacroList* FMacroList = nullptr;
  QPointer<QMenu> FPopupMenu;
  QPointer<TovCodeAssist> FCodeAssist;
  int FAssistWidth = kAssistWidth;
  int FAssistHeight = kAssistHeight;
  std::array<int, 2> FAssistColumnWidths = kAssistColumnWidths;
  // Wheel turn not yet a whole notch.
  int FWheelRest = 0;
};

// The code-completion popup of a memo, placed on the memo's form at the
// caret. The form adds its columns and candidates, then filters; the popup
// mirrors what the user types into the memo, so the memo shows the prefix.
class TovCodeAssist : public QTreeWidget {
  Q_OBJECT

 public:
  static constexpr int kMinWidth = 200;
  static constexpr int kMinHeight = 100;
  static constexpr int kDownMore = 1;
  static constexpr int kPageDownMore = 8;
  static constexpr int kScrollMore = 6;
  static constexpr int kWheelMore = 8;

  // Hidden until the caller shows it; (x, y) is the caret point the memo
  // sent with its request.
  TovCodeAssist(TovMemo& memo, QWidget* form, int x, int y);

  // A column captioned `caption`, as wide as the memo last left it.
  void AddColumn(const std::string& caption);
  void AddCandidate(const std::string& name, const std::string& type, int imageIndex);
  // The images of the candidates' indexes.
  void SetSmallImages(std::function<QIcon(int)> images) { FImages = std::move(images); }
  void SetPrefix(const std::string& text);
  std::string Prefix() const;
  const TCodeAssistCandidates& Candidates() const { return FCandidates; }
  void FilterItems();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void ListMore(int count);
  void AddListItem(const TCodeAssistItem& item);
  // Sends the key on to the memo.
  void ToMemo(QKeyEvent* event);
  // Types into the prefix, filters again and types into the memo.
  void TypeIntoPrefix(const QString& text, QEvent* event);
  void Accept(QKeyEvent* event);

  TovMemo& FMemo;
  QLineEdit* FPrefix;
  QSizeGrip* FGrip;
  QStringList FColumns;
  TCodeAssistCandidates FCandidates;
  std::function<QIcon(int)> FImages;
};

// Focuses the editor and shows 1-based `line` with rows above and below it,
// the caret at its start.
void JumpToLine(TEditor& editor, int line);
// The caret to `offset` bytes from the start of `row`.
void MemoMoveCaretToOffset(TEditor& editor, int row, int offset);
