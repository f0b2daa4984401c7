#include "ui/core/fprintcore.h"

#include <algorithm>

#include "platform/textwidth.h"

namespace {
constexpr int kBandLines = 2;  // title and page number bands, in line heights

// Length in bytes of the character at `pos`; an invalid byte counts alone.
size_t CharLength(std::string_view text, size_t pos) {
  char32_t code = 0;
  size_t length = DecodeUtf8(text, pos, code);
  return length == 0 ? 1 : length;
}
}  // namespace

std::string ExpandTabs(std::string_view line, int tabWidth) {
  std::string out;
  int column = 0;
  for (size_t pos = 0; pos < line.size();) {
    char32_t code = 0;
    size_t length = DecodeUtf8(line, pos, code);
    if (length == 0) length = 1;
    if (line[pos] == '\t' && tabWidth > 0) {
      int blanks = tabWidth - column % tabWidth;
      out.append(static_cast<size_t>(blanks), ' ');
      column += blanks;
    } else {
      out.append(line.substr(pos, length));
      column += IsWideChar(code) ? 2 : 1;
    }
    pos += length;
  }
  return out;
}

std::vector<std::string> WrapLine(std::string_view line, int width, const TTextMeasure& measure,
                                  const TPrintFont& font) {
  std::vector<std::string> rows;
  std::string_view rest = line;
  // Each row takes one character at least, so a body of no width still ends.
  while (!rest.empty() && measure.Width(rest, font) > width) {
    size_t fit = 0;        // bytes that fit
    size_t afterBlank = 0;  // bytes up to the last blank that fits
    for (size_t pos = 0; pos < rest.size();) {
      size_t next = pos + CharLength(rest, pos);
      if (fit > 0 && measure.Width(rest.substr(0, next), font) > width) break;
      fit = next;
      if (rest[pos] == ' ') afterBlank = next;
      pos = next;
    }
    size_t cut = afterBlank > 0 ? afterBlank : fit;
    rows.emplace_back(rest.substr(0, cut));
    rest.remove_prefix(cut);
  }
  if (!rest.empty() || rows.empty()) rows.emplace_back(rest);
  return rows;
}

void TPrintJob::Begin() {
  data_.BeginDoc();
  firstPage_ = true;
}

void TPrintJob::End() { data_.EndDoc(); }

void TPrintJob::PrintLines(const std::string& title, const std::vector<std::string>& lines, bool restart,
                           const TPrintLayoutSettings& settings) {
  const int base = !restart || firstPage_ ? 0 : data_.PageCount();
  const int bodyWidth = printer_.BodyWidth(settings.LeftMargin, settings.RightMargin);
  const int bodyHeight = printer_.BodyHeight(settings.TopMargin, settings.BottomMargin);
  const int lineHeight = std::max(1, measure_.LineHeight(settings.Font));
  const size_t rowsPerPage = static_cast<size_t>(std::max(1, bodyHeight / lineHeight));

  // A page break falls between rows, so the line break there is not carried;
  // what does not fit goes on to as many pages as it needs.
  std::vector<std::string> rows;
  for (const std::string& line : lines) {
    for (std::string& row : WrapLine(ExpandTabs(line, settings.TabWidth), bodyWidth, measure_, settings.Font)) {
      rows.push_back(std::move(row));
      if (rows.size() == rowsPerPage) {
        PrintPage(title, rows, base, bodyWidth, bodyHeight, settings.Font);
        rows.clear();
      }
    }
  }
  if (!rows.empty()) {
    PrintPage(title, rows, base, bodyWidth, bodyHeight, settings.Font);
  }
}

void TPrintJob::PrintPage(const std::string& title, const std::vector<std::string>& rows, int base, int bodyWidth,
                          int bodyHeight, const TPrintFont& font) {
  if (firstPage_) {
    firstPage_ = false;
  } else {
    data_.NewPage();
  }
  TPrintCanvas& canvas = data_.Canvas();
  canvas.Font = font;
  const int h = measure_.LineHeight(font);
  canvas.TextRect({0, -kBandLines * h, bodyWidth, 0}, TPrintAlign::Center, title);
  canvas.TextRect({0, bodyHeight, bodyWidth, bodyHeight + kBandLines * h}, TPrintAlign::Center,
                  std::to_string(data_.PageCount() - base));
  int top = 0;
  for (const std::string& row : rows) {
    canvas.TextRect({0, top, bodyWidth, top + h}, TPrintAlign::Left, row);
    top += h;
  }
}

std::vector<int> PrintedPages(const TPrintPassSettings& s, int pageCount) {
  const int copies = std::max(1, s.Copies);
  int passes = 1;
  int repeats = 1;
  if (!s.PrinterCollates) {
    if (s.Collate) {
      passes = copies;
    } else if (!s.PrinterCopies) {
      repeats = copies;
    }
  }
  std::vector<int> sheets;
  for (int pass = 0; pass < passes; ++pass) {
    for (int i = 0; i < pageCount; ++i) {
      if (s.RangeSelect && ((s.RangeFrom != 0 && i < s.RangeFrom - 1) || (s.RangeTo != 0 && i > s.RangeTo - 1))) {
        continue;
      }
      sheets.insert(sheets.end(), static_cast<size_t>(repeats), i);
    }
  }
  return sheets;
}
