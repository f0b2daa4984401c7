// fprintcore: text laid out on recorded pages (title above, page number below
// the body, wrapped rows carried across pages) and the passes that send
// pages to the printer for copies, collation and a page range.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/core/ovprintercore.h"

// How wide and tall text shows in a font at the printer's resolution.
class TTextMeasure {
 public:
  virtual ~TTextMeasure() = default;
  virtual int Width(std::string_view text, const TPrintFont& font) const = 0;
  virtual int LineHeight(const TPrintFont& font) const = 0;
};

struct TPrintLayoutSettings {
  double LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;  // millimetres
  TPrintFont Font;
  int TabWidth = 0;  // columns
};

// Tabs to blanks up to the next stop; a wide character takes two columns.
std::string ExpandTabs(std::string_view line, int tabWidth);

// The rows a line shows in `width` pixels: breaks after the last blank that
// fits, else before the character that does not; a character is never split
// and a row holds at least one.
std::vector<std::string> WrapLine(std::string_view line, int width, const TTextMeasure& measure,
                                  const TPrintFont& font);

// One print job on the print data: BeginPrintJob, PrintLines per document
// part, EndPrintJob.
class TPrintJob {
 public:
  TPrintJob(TovPrintdata& data, const TovPrinter& printer, const TTextMeasure& measure)
      : data_(data), printer_(printer), measure_(measure) {}
  void Begin();
  // Starts on a new page unless it is the job's first; with `restart` the
  // numbers of this part count from 1.
  void PrintLines(const std::string& title, const std::vector<std::string>& lines, bool restart,
                  const TPrintLayoutSettings& settings);
  void End();

 private:
  void PrintPage(const std::string& title, const std::vector<std::string>& rows, int base, int bodyWidth,
                 int bodyHeight, const TPrintFont& font);
  TovPrintdata& data_;
  const TovPrinter& printer_;
  const TTextMeasure& measure_;
  bool firstPage_ = false;
};

// What decides the passes over the pages.
struct TPrintPassSettings {
  int Copies = 1;
  bool Collate = false;           // the user's "collate" box
  bool PrinterCollates = false;   // the driver collates and copies itself
  bool PrinterCopies = false;     // the driver makes the copies
  bool RangeSelect = false;
  int RangeFrom = 0;              // 1-based; 0 for none
  int RangeTo = 0;
};

// The 0-based page indexes in the order they are sent as sheets.
std::vector<int> PrintedPages(const TPrintPassSettings& settings, int pageCount);
