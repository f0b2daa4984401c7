// ovconst: the report item table: the captions the report definition
// editor shows and the keys the report definitions store, for the report
// kinds (rows 0 to 2) and the items of the column layouts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

struct TReportItem {
  const char* Caption;
  const char* Key;
};

inline constexpr int kReportItemCount = 28;

extern const std::array<TReportItem, kReportItemCount> ReportItems;

// Which entry of a row FindReportItem compares.
inline constexpr int kReportItemCaption = 0;
inline constexpr int kReportItemKey = 1;

// The first row whose caption (column 0) or key (column 1) equals the text
// exactly; 0 when none does, the same answer as row 0.
uint8_t FindReportItem(const std::string& text, int column);
