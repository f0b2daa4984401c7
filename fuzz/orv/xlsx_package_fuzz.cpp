// A workbook package as users and other programs hand it to the reports
// (form workbooks, templates): whatever it holds, opening it either fails
// with the layer's error or gives a workbook whose cells read back the same
// after it is saved and opened again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_temp.h"
#include "ui/core/ovworkbook.h"

namespace {
// The corner of every sheet that is compared.
constexpr int kRows = 12;
constexpr int kColumns = 8;

std::vector<TCellValue> Corner(TovWorkbook& book) {
  std::vector<TCellValue> values;
  for (int s = 0; s < book.SheetCount(); ++s) {
    TovWorksheet sheet = book.Sheet(s);
    for (int r = 1; r <= kRows; ++r)
      for (int c = 1; c <= kColumns; ++c) values.push_back(sheet.Value(r, c));
  }
  return values;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = fuzz_support::WriteTempFile("input.xlsx", data, size);
  const std::string copy = fuzz_support::WriteTempFile("copy.xlsx", nullptr, 0);
  std::vector<TCellValue> before;
  try {
    auto book = TovWorkbook::Open(input);
    before = Corner(*book);
    TovWorksheet sheet = book->Sheet(0);
    sheet.NumberFormat(1, 1);
    sheet.ColumnWidth(1);
    // Changing a sheet makes every changed part be written anew.
    sheet.SetText(kRows + 1, 1, "2024-01-31");
    book->SaveAs(copy);
  } catch (const EWorkbookError&) {
    return 0;
  }
  auto again = TovWorkbook::Open(copy);
  if (Corner(*again) != before) std::abort();
  return 0;
}
