#include "editor/DAziverPaint.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "editor/DAziverImages.h"
#include "platform/gui/wingdi.h"

namespace {

// Row marks that colour a row's background, and the colours.
constexpr uint16_t kYellowMark = 1 << 1;
constexpr uint16_t kRedMark = 1 << 2;
constexpr TColor kYellow = 0x0000FFFF;
constexpr TColor kRed = 0x000000FF;
constexpr TColor kBothMarks = 0x00C0C0;
constexpr TColor kEdgeLight = 0x00FFFFFF;
constexpr TColor kEdgeDark = 0x00808080;
constexpr int kDigitMarks = 10;
constexpr int kRowMarks = 16;
constexpr int kEdge = 2;
constexpr int kTickHalf = 3;
constexpr int kTickOther = 6;
constexpr int kImageTop = 2;
constexpr int kEofCells = 6;
constexpr char kEofText[] = "[EOF]";
constexpr char32_t kIdeographicSpace = 0x3000;

// The lowest set bit of `marks` in [first, last), or -1.
int LowestMark(uint16_t marks, int first, int last) {
  for (int bit = first; bit < last; ++bit) {
    if (marks & (1u << bit)) return bit;
  }
  return -1;
}

}  // namespace

TEditorPainter::TEditorPainter(const TEditorPaintFrame& frame, QPainter& painter)
    : F(frame),
      P(painter),
      FRows(frame.Rows),
      FFont(platform::FontFace(frame.Options.Font().Name, frame.Options.Font().Size)),
      FCw(frame.CellWidth),
      FCh(frame.CellHeight),
      FRowHeight(frame.RowHeight),
      FTextLeft(frame.TextLeft),
      FTextTop(frame.TextTop),
      FX(frame.TextLeft - frame.TopCol * frame.CellWidth),
      FWidth(frame.Width) {}

QColor TEditorPainter::Qc(TColor color) const { return platform::ColorToQColor(color); }

int TEditorPainter::RowTop(int row) const { return FTextTop + (row - F.TopRow) * FRowHeight; }

QFont TEditorPainter::StyledFont(TFontStyles style) const {
  QFont font = FFont;
  font.setBold(style & fsBold);
  font.setItalic(style & fsItalic);
  font.setUnderline(style & fsUnderline);
  font.setStrikeOut(style & fsStrikeOut);
  return font;
}

void TEditorPainter::Paint(const QRect& clip) {
  P.setClipRect(clip);
  P.fillRect(clip, Qc(F.Options.Color()));
  const int first = F.TopRow + std::max(0, clip.top() - FTextTop) / FRowHeight;
  const int last = F.TopRow + std::max(0, clip.bottom() - FTextTop) / FRowHeight;
  if (F.Options.Ruler().Values().Visible) PaintRuler(clip);
  if (F.Options.Imagebar().Values().Visible) PaintImagebar(first, last);
  if (F.Options.Leftbar().Values().Visible) PaintLeftbar(first, last);
  P.setClipRect(QRect(FTextLeft, FTextTop, FWidth - FTextLeft, F.Height - FTextTop) & clip);
  const int count = FRows.GetCount();
  for (int row = first; row <= last; ++row) {
    if (row < count) {
      PaintRow(row);
    } else if (row == count && F.Options.Marks().EofMark().Visible() && (count == 0 || FRows.Rows(count - 1) == raCrlf)) {
      DrawEofMark(FX, RowTop(row));
    }
  }
  TEditorMark& underline = F.Options.Marks().Underline();
  if (underline.Visible() && F.Selection.State() == stNone) {
    const int y = RowTop(F.CaretRow) + FCh;
    P.setPen(Qc(underline.Color()));
    P.drawLine(FTextLeft, y, FWidth, y);
  }
  if (F.CaretDrawn) P.fillRect(F.CaretRect, Qc(F.Options.Font().Color));
}

void TEditorPainter::PaintRuler(const QRect& clip) {
  const TEditorRuler::TValues& ruler = F.Options.Ruler().Values();
  const int height = FTextTop - F.Options.Margin().Values().Top;
  const QRect area = QRect(FTextLeft, 0, FWidth - FTextLeft, height) & clip;
  P.setClipRect(area);
  DrawGauge(height, Qc(ruler.Color), Qc(ruler.BkColor));
  // The caret column's cell: the gauge again in the mark colours, inverted.
  const int markHeight = height - (ruler.Edge ? kEdge : 1) - 1;
  P.setClipRect(QRect(FX + F.CaretCol * FCw + 1, 1, FCw - 1, markHeight) & area);
  DrawGauge(height, Qc(ruler.BkColor), Qc(ruler.MarkColor));
  P.setClipRect(clip);
}

void TEditorPainter::DrawGauge(int height, const QColor& fore, const QColor& back) {
  const TEditorRuler::TValues& ruler = F.Options.Ruler().Values();
  P.fillRect(FTextLeft, 0, FWidth, height, back);
  P.setPen(fore);
  const int range = ruler.GaugeRange;
  // The gauge ends at the first number past the last drawn column.
  const int end = ((kMaxDrawnCol - 1) / range + 1) * range;
  const int lastCol = std::min(F.TopCol + FWidth / FCw + 1, end - 1);
  for (int col = F.TopCol - F.TopCol % range; col <= lastCol; ++col) {
    const int x = FX + col * FCw;
    const int k = col % range;
    P.drawLine(x, k == 0 ? 0 : k == range / 2 ? kTickHalf : kTickOther, x, height - 1);
    if (k == 0) DrawRulerNumber(P, x + 1, 0, col, fore);
  }
  if (ruler.Edge) {
    const int right = std::min(FWidth, FX + end * FCw);
    P.setPen(Qc(kEdgeLight));
    P.drawLine(FTextLeft, height - kEdge, right, height - kEdge);
    P.setPen(Qc(kEdgeDark));
    P.drawLine(FTextLeft, height - 1, right, height - 1);
  }
}

void TEditorPainter::PaintImagebar(int first, int last) {
  const TEditorImagebar::TValues& image = F.Options.Imagebar().Values();
  const TEditorLeftbar::TValues& bar = F.Options.Leftbar().Values();
  const int width = F.LeftbarWidth > 0 ? FTextLeft - F.Options.Margin().Values().Left - F.LeftbarWidth
                                          : FTextLeft - F.Options.Margin().Values().Left;
  const QColor back = bar.Visible && bar.BkColor != clNone ? Qc(bar.BkColor) : Qc(F.Options.Color());
  for (int row = first; row <= last; ++row) {
    const int y = RowTop(row);
    P.fillRect(0, y, width, FRowHeight, back);
    if (row >= FRows.GetCount()) continue;
    const uint16_t marks = FRows.RowMarks(row);
    const int digit = LowestMark(marks, 0, kDigitMarks);
    const int x = image.LeftMargin;
    if (digit >= 0 && !(F.ImageDigits != nullptr && F.ImageDigits->Draw(P, x, y + kImageTop, digit))) {
      DrawDigitImage(P, x, y + kImageTop, digit);
    }
    const int mark = LowestMark(marks, kDigitMarks, kRowMarks) - kDigitMarks;
    const int markX = x + image.DigitWidth;
    if (mark >= 0 && !(F.ImageMarks != nullptr && F.ImageMarks->Draw(P, markX, y + kImageTop, mark))) {
      DrawMarkImage(P, markX, y + kImageTop, mark);
    }
  }
}

void TEditorPainter::PaintLeftbar(int first, int last) {
  const TEditorLeftbar::TValues& bar = F.Options.Leftbar().Values();
  const int left = FTextLeft - F.Options.Margin().Values().Left - F.LeftbarWidth;
  const int count = FRows.GetCount();
  const bool afterLast = count > 0 && FRows.Rows(count - 1) == raCrlf;
  P.setFont(FFont);
  for (int row = first; row <= last; ++row) {
    const int y = RowTop(row);
    P.fillRect(left, y, F.LeftbarWidth, FRowHeight, Qc(bar.BkColor));
    if (!bar.ShowNumber) continue;
    const bool shown = row == 0 || row < count || (row == count && afterLast);
    const bool lineStart = bar.ShowNumberMode == nmRow || row == 0 || row >= count || FRows.Rows(row - 1) == raCrlf;
    if (!shown || !lineStart) continue;
    const int number = (bar.ShowNumberMode == nmLine ? RowToLine(FRows, row) : row) + (bar.ZeroBase ? 0 : 1);
    QString text = QString::number(number);
    if (bar.ZeroLead) text = text.rightJustified(F.NumberDigits, QLatin1Char('0'));
    P.setPen(Qc(bar.Color));
    P.drawText(left + bar.LeftMargin, y, F.NumberDigits * FCw, FCh, Qt::AlignRight | Qt::AlignVCenter, text);
  }
  const int edge = left + F.LeftbarWidth - kEdge;
  const int bottom = F.Height;
  P.setPen(Qc(bar.Edge ? kEdgeLight : bar.BkColor));
  P.drawLine(edge, FTextTop, edge, bottom);
  P.setPen(Qc(bar.Edge ? kEdgeDark : bar.Color));
  P.drawLine(edge + 1, FTextTop, edge + 1, bottom);
}

bool TEditorPainter::SelectedCols(int row, int& first, int& last) const {
  const TEditorSelection& s = F.Selection;
  const TDisplaySelection& d = s.Display();
  if (!s.Drawn() || row < d.StartRow || row > d.EndRow) return false;
  const bool box = s.Mode() == smBox || d.StartRow == d.EndRow;
  first = box || row == d.StartRow ? d.StartCol : 0;
  last = box || row == d.EndRow ? d.EndCol : INT_MAX / 2;
  return first < last;
}

void TEditorPainter::PaintRow(int row) {
  if (FRows.BracketIndex(row) == kBracketNotComputed) FRows.UpdateRowStates(row, false);
  const int y = RowTop(row);
  const QRect rect(FTextLeft, y, FWidth - FTextLeft, FCh);
  int first = 0;
  int last = 0;
  if (!SelectedCols(row, first, last)) {
    PaintRowPart(row, rect, false);
    return;
  }
  // A selection that runs on to the next row ends past any width; in pixels
  // that end overflows an int, so the edges are taken in 64 bits.
  const auto edge = [&](int col) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{FX} + int64_t{col} * FCw, FTextLeft, std::max(FTextLeft, FWidth)));
  };
  const int x1 = edge(first);
  const int x2 = edge(last);
  PaintRowPart(row, QRect(rect.left(), y, x1 - rect.left(), FCh), false);
  PaintRowPart(row, QRect(x1, y, x2 - x1, FCh), true);
  PaintRowPart(row, QRect(x2, y, rect.right() + 1 - x2, FCh), false);
}

void TEditorPainter::PaintRowPart(int row, const QRect& rect, bool selected) {
  if (rect.width() <= 0) return;
  P.save();
  P.setClipRect(rect, Qt::IntersectClip);
  const bool hit = F.Selection.State() == stHit;
  TEditorColor& pick = F.Options.View().Colors().Owned(hit ? TEditorColors::ecHit : TEditorColors::ecSelect);
  TCellStyle base{Qc(F.Options.Font().Color), Qc(F.Options.Color()), F.Options.Font().Style};
  if (selected) {
    base.Back = Or(pick.BkColor(), F.Options.Font().Color);
    base.Fore = Or(pick.Color(), F.Options.Color());
  } else {
    const uint16_t marks = FRows.RowMarks(row);
    const bool yellow = marks & kYellowMark;
    const bool red = marks & kRedMark;
    if (yellow || red) base.Back = Qc(yellow && red ? kBothMarks : yellow ? kYellow : kRed);
  }
  P.fillRect(rect, base.Back);
  const TCellString& text = FRows.Get(row);
  // The display text stops at the last drawn column; the end marks need the whole width.
  const TCellString display = ExpandTabs(text, FRows.AttrSettings());
  DrawCells(display, CellStyles(row, display, selected, base), base, rect.top());
  if (F.OnDrawLine) {
    std::string scanned = display.Utf8();
    if (FRows.Rows(row) == raWrapped && row + 1 < FRows.GetCount()) {
      scanned += ExpandTabs(FRows.Get(row + 1), FRows.AttrSettings()).Utf8();
    }
    F.OnDrawLine(P, rect, FX, selected, row, scanned, rect.top());
  }
  DrawEndMarks(row, TextWidth(text, FRows.AttrSettings()), rect.top(), base.Fore);
  DrawBlankMarks(display, rect.top());
  P.restore();
}

std::vector<TEditorPainter::TCellStyle> TEditorPainter::CellStyles(int row, const TCellString& display, bool selected,
                                                                    const TCellStyle& base) {
  std::vector<TCellStyle> styles(static_cast<size_t>(display.Length()), base);
  if (!selected && FRows.RowMarks(row) != 0) return styles;
  TFountain* fountain = F.Fountain;
  if (fountain == nullptr) return styles;
  if (!FParser) FParser = fountain->CreateParser();
  ScanRowTokens(FRows, row, display, *FParser, FTokens);
  for (const TRowToken& token : FTokens) {
    if (token.Color == nullptr) continue;
    TCellStyle style = base;
    style.Style = token.Color->Style();
    if (!selected) {
      style.Fore = Or(token.Color->Color(), F.Options.Font().Color);
      style.Back = Or(token.Color->BkColor(), F.Options.Color());
    }
    const int end = std::min(display.Length(), token.Start + token.Length);
    std::fill(styles.begin() + token.Start, styles.begin() + end, style);
  }
  return styles;
}

void TEditorPainter::DrawCells(const TCellString& display, const std::vector<TCellStyle>& styles,
                               const TCellStyle& base, int y) {
  const int firstCol = std::max(0, F.TopCol - 1);
  const int lastCol = std::min(display.Length(), std::min(kMaxDrawnCol, F.TopCol + FWidth / FCw + 2));
  for (int col = firstCol; col < lastCol; ++col) {
    const TCell cell = display.Cell(col);
    if (cell.Type == TCellType::Trail) continue;
    const int cells = cell.Type == TCellType::Lead ? 2 : 1;
    const TCellStyle& style = styles[static_cast<size_t>(col)];
    const QRect box(FX + col * FCw, y, cells * FCw, FCh);
    if (style.Back != base.Back) P.fillRect(box, style.Back);
    // The tab filler and a real ESC are blanks.
    if (cell.Code == kTabFillChar || cell.Code == ' ' || cell.Code >= kInvalidByteCode) continue;
    P.setFont(StyledFont(style.Style));
    P.setPen(style.Fore);
    const QString glyph = QString::fromStdString(display.Mid(col, cells).Utf8());
    P.drawText(box, Qt::AlignCenter, glyph);
  }
}

void TEditorPainter::DrawEndMarks(int row, int length, int y, const QColor& color) {
  TEditorMarks& marks = F.Options.Marks();
  const int x = FX + std::min(length, kMaxDrawnCol) * FCw;
  if (x >= FWidth) return;
  const int kind = FRows.Rows(row);
  const bool last = row == FRows.GetCount() - 1;
  P.setPen(color);
  const int m = y + FCh / 2;
  const int f = std::max(2, FCw * 3 / 5);
  if (length > kMaxDrawnCol) {
    if (marks.HideMark().Visible()) {
      P.drawPolyline(QPolygon({QPoint(x + FCw - f, m - f), QPoint(x + FCw, m), QPoint(x + FCw - f - 1, m + f + 1)}));
    }
    return;
  }
  if (last && kind == raEof) {
    if (marks.EofMark().Visible()) DrawEofMark(x, y);
  } else if (kind == raCrlf && marks.RetMark().Visible()) {
    const int p = std::max(1, FCh / 8);
    const int a = std::max(p, 3);
    const int cx = x + FCw / 2;
    const int foot = y + FCh - 2 * p;
    P.drawLine(cx, y + 2 * p, cx, foot);
    P.drawLine(cx, foot, cx - a, foot - a);
    P.drawLine(cx, foot, cx + a, foot - a);
  } else if (kind == raWrapped && marks.WrapMark().Visible()) {
    P.drawPolyline(QPolygon({QPoint(x + FCw, m - f), QPoint(x + FCw - f, m), QPoint(x + FCw + 1, m + f + 1)}));
  }
}

void TEditorPainter::DrawBlankMarks(const TCellString& display, int y) {
  TEditorMarks& marks = F.Options.Marks();
  const bool semi = marks.SemiSpaceMark().Visible();
  const bool space = marks.SpaceMark().Visible();
  if (!semi && !space) return;
  const int length = std::min(display.Length(), kMaxDrawnCol);
  QPen pen;
  pen.setStyle(Qt::DotLine);
  for (int col = 0; col < length; ++col) {
    const TCell cell = display.Cell(col);
    const int x = FX + col * FCw;
    if (semi && cell.Code == ' ' && cell.Type == TCellType::Single) {
      pen.setColor(Qc(marks.SemiSpaceMark().Color()));
      P.setPen(pen);
      const int e = std::max(1, FCh / 4);
      const int base = y + FCh - 2 * e;
      P.drawPolyline(QPolygon({QPoint(x + 1, base), QPoint(x + 1, base + e), QPoint(x + FCw - 1, base + e),
                               QPoint(x + FCw - 1, base)}));
    } else if (space && cell.Code == kIdeographicSpace && cell.Type == TCellType::Lead) {
      pen.setColor(Qc(marks.SpaceMark().Color()));
      P.setPen(pen);
      P.drawRect(x + FCw / 2, y + FCh / 4, FCw, FCh / 2);
    }
  }
}

void TEditorPainter::DrawEofMark(int x, int y) {
  const QRect box(x, y, kEofCells * FCw, FCh);
  P.save();
  P.setClipRect(box, Qt::IntersectClip);
  P.fillRect(box, Qc(F.Options.Color()));
  P.setFont(FFont);
  P.setPen(Qc(F.Options.Marks().EofMark().Color()));
  P.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(kEofText));
  P.restore();
}
