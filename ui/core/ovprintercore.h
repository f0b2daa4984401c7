// ovprintercore: the selected printer in pixels and millimetres, and the
// recorded pages of a printed document. Pages are a display list of our own
// in printer pixels, so they replay at the resolution of whatever draws them.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// What the platform tells about a printer, in device pixels.
struct TPrinterDescription {
  std::string DeviceName;
  int ResolutionX = 0;  // pixels per inch
  int ResolutionY = 0;
  int PageWidth = 0;  // printable area
  int PageHeight = 0;
  int PhysicalWidth = 0;
  int PhysicalHeight = 0;
  int OffsetLeft = 0;  // of the printable area on the paper
  int OffsetTop = 0;
  int Scale = 0;  // percent; 0 when the printer does not say
  bool ColorSupported = false;
  bool CollateSupported = false;
  bool CopiesSupported = false;
  int MaxCopies = 0;  // 0 when the platform does not say
};

// Eight lengths of the page in millimetres.
struct TPrinterMM {
  double PageWidth = 0, PageHeight = 0, PhysicalWidth = 0, PhysicalHeight = 0;
  double OffsetLeft = 0, OffsetTop = 0, BandRight = 0, BandBottom = 0;
};

inline constexpr int kDefaultPrintScale = 100;
inline constexpr int kDefaultMaxCopies = 999;

class TovPrinter {
 public:
  // Takes over a description and derives the bands, millimetres and limits.
  void Describe(const TPrinterDescription& description);

  const std::string& DeviceName() const { return desc_.DeviceName; }
  int ResolutionX() const { return desc_.ResolutionX; }
  int ResolutionY() const { return desc_.ResolutionY; }
  int PageWidth() const { return desc_.PageWidth; }
  int PageHeight() const { return desc_.PageHeight; }
  int PhysicalWidth() const { return desc_.PhysicalWidth; }
  int PhysicalHeight() const { return desc_.PhysicalHeight; }
  int OffsetLeft() const { return desc_.OffsetLeft; }
  int OffsetTop() const { return desc_.OffsetTop; }
  int BandRight() const { return bandRight_; }
  int BandBottom() const { return bandBottom_; }
  const TPrinterMM& MM() const { return mm_; }
  const TPrinterMM& ScaledMM() const { return scaledMM_; }
  int Scale() const { return scale_; }
  bool ColorSupported() const { return desc_.ColorSupported; }
  bool CollateSupported() const { return desc_.CollateSupported; }
  bool CopiesSupported() const { return desc_.CopiesSupported; }
  int MaxCopies() const { return maxCopies_; }

  int MMToPixelX(double mm) const;
  int MMToPixelY(double mm) const;
  double PixelToMMX(int pixels) const;
  double PixelToMMY(int pixels) const;
  // The page between the margins, never into the unprintable bands.
  int BodyWidth(double leftMM, double rightMM) const;
  int BodyHeight(double topMM, double bottomMM) const;

 private:
  TPrinterDescription desc_;
  int bandRight_ = 0;
  int bandBottom_ = 0;
  TPrinterMM mm_;
  TPrinterMM scaledMM_;
  int scale_ = kDefaultPrintScale;
  int maxCopies_ = kDefaultMaxCopies;
};

inline constexpr int kDefaultPageFontSize = 9;

// A colour as the program stores it: 0x00BBGGRR or a system colour.
using TPrintColor = uint32_t;
inline constexpr TPrintColor kPrintBlack = 0x000000;
inline constexpr TPrintColor kPrintWhite = 0xFFFFFF;

struct TPrintFont {
  std::string Name;
  int Size = kDefaultPageFontSize;  // points
  TPrintColor Color = kPrintBlack;
  friend bool operator==(const TPrintFont&, const TPrintFont&) = default;
};

enum class TPrintPenStyle { Solid, Clear };
struct TPrintPen {
  TPrintColor Color = kPrintBlack;
  int Width = 1;  // pixels; 1 or less is the thinnest line the device draws
  TPrintPenStyle Style = TPrintPenStyle::Solid;
  friend bool operator==(const TPrintPen&, const TPrintPen&) = default;
};

enum class TPrintBrushStyle { Solid, Clear };
struct TPrintBrush {
  TPrintColor Color = kPrintWhite;
  TPrintBrushStyle Style = TPrintBrushStyle::Solid;
  friend bool operator==(const TPrintBrush&, const TPrintBrush&) = default;
};

struct TPrintRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TPrintRect&, const TPrintRect&) = default;
};

enum class TPrintAlign { Left, Center };
enum class TPrintItemKind { Text, Line, Rectangle };

// One drawing of a page, in printer pixels, with the canvas state it was
// drawn in: a text single-line in its rectangle (in the font), a line from
// the rectangle's top left to its bottom right (with the pen), a rectangle
// outlined with the pen and filled with the brush.
struct TPrintItem {
  TPrintItemKind Kind = TPrintItemKind::Text;
  TPrintRect Rect;
  TPrintFont Font;
  TPrintPen Pen;
  TPrintBrush Brush;
  TPrintAlign Align = TPrintAlign::Left;
  std::string Text;
  friend bool operator==(const TPrintItem&, const TPrintItem&) = default;
};

struct TPrintPage {
  int Resolution = 0;  // pixels per inch the items were laid out at
  std::vector<TPrintItem> Items;
};

// Where a page is drawn: the font, pen and brush its next drawings take.
class TPrintCanvas {
 public:
  explicit TPrintCanvas(TPrintPage& page) : page_(&page) {}
  TPrintFont Font;
  TPrintPen Pen;
  TPrintBrush Brush;
  void TextRect(const TPrintRect& rect, TPrintAlign align, const std::string& text);
  void Line(int fromX, int fromY, int toX, int toY);
  void Rectangle(const TPrintRect& rect);
  // Another page's drawings with its top left corner at (x, y), scaled from
  // its resolution to this page's.
  void Draw(int x, int y, const TPrintPage& page);

 private:
  void Add(TPrintItemKind kind, const TPrintRect& rect, TPrintAlign align, const std::string& text);
  TPrintPage* page_;
};

class TovPrintdataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TovPrintdata {
 public:
  explicit TovPrintdata(const TovPrinter& printer) : printer_(printer) {}
  void BeginDoc();
  void NewPage();
  TPrintCanvas& Canvas();
  void EndDoc();
  int PageCount() const { return static_cast<int>(pages_.size()); }
  const TPrintPage& Pages(int index) const;
  bool Printing() const { return open_; }

 private:
  void RequireOpen() const;
  const TovPrinter& printer_;
  std::vector<TPrintPage> pages_;
  std::optional<TPrintCanvas> canvas_;  // the last page's, while open
  bool open_ = false;
};
