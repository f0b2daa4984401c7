// DAziverPaint: one paint of the editor control: the corner, the ruler, the
// image bar, the left bar and the text rows on the cell grid, with the row
// marks, the selection, the end and blank marks and the caret.
#pragma once

#include <QPainter>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/DAziverImages.h"
#include "editor/core/DAziverSelection.h"
#include "editor/core/EditorProp.h"

// Called after a row, or the part of it in or out of the selection, is
// drawn: the painter, the part's rectangle, the x of column 0, whether the
// part is selected, the row, its display text (a wrapped row's with the next
// row's) and the row's top.
using TDrawLineEvent =
    std::function<void(QPainter&, const QRect&, int x, bool selected, int row, const std::string& text, int y)>;

// What one paint reads of the control.
struct TEditorPaintFrame {
  TEditorScreenStrings& Rows;
  TEditorSelection& Selection;
  TEditorProperties& Options;
  TFountain* Fountain;
  int CellWidth;
  int CellHeight;
  int RowHeight;
  int TextLeft;
  int TextTop;
  int TopRow;
  int TopCol;
  int Width;
  int Height;
  int LeftbarWidth;
  int NumberDigits;
  int CaretRow;
  int CaretCol;
  bool CaretDrawn;
  QRect CaretRect;
  const TDrawLineEvent& OnDrawLine;
  // The control's image lists; null: the built-in images.
  const TImageList* ImageDigits;
  const TImageList* ImageMarks;
};

class TEditorPainter {
 public:
  TEditorPainter(const TEditorPaintFrame& frame, QPainter& painter);
  void Paint(const QRect& clip);

 private:
  struct TCellStyle {
    QColor Fore;
    QColor Back;
    TFontStyles Style = 0;
  };

  QColor Qc(TColor color) const;
  // A stored colour, or the fallback where it is unset.
  QColor Or(TColor color, TColor fallback) const { return Qc(color == clNone ? fallback : color); }
  int RowTop(int row) const;
  void PaintRuler(const QRect& clip);
  // Ticks, numbers and edge of the visible ruler in the colours given.
  void DrawGauge(int height, const QColor& fore, const QColor& back);
  void PaintImagebar(int first, int last);
  void PaintLeftbar(int first, int last);
  void PaintRow(int row);
  // The columns [first, last) of a row that the selection covers.
  bool SelectedCols(int row, int& first, int& last) const;
  void PaintRowPart(int row, const QRect& rect, bool selected);
  std::vector<TCellStyle> CellStyles(int row, const TCellString& display, bool selected, const TCellStyle& base);
  void DrawCells(const TCellString& display, const std::vector<TCellStyle>& styles, const TCellStyle& base, int y);
  void DrawEndMarks(int row, int length, int y, const QColor& color);
  void DrawBlankMarks(const TCellString& display, int y);
  void DrawEofMark(int x, int y);
  QFont StyledFont(TFontStyles style) const;

  const TEditorPaintFrame& F;
  QPainter& P;
  TEditorScreenStrings& FRows;
  QFont FFont;
  int FCw;
  int FCh;
  int FRowHeight;
  int FTextLeft;
  int FTextTop;
  int FX;  // x of column 0
  int FWidth;
  // One scanner and token list for the whole paint.
  std::unique_ptr<TFountainParser> FParser;
  std::vector<TRowToken> FTokens;
};
