// A workbook package as users and other programs hand it to the reports
// (form workbooks, templates): whatever it holds, opening it either fails
// with the layer's error or gives a workbook whose cells read back the same
// after it is saved and opened again. An input that is no archive ("PK")
// is taken as the sheet of a small package, so that the sheet reader is
// reached past the archive's checksums.
#include <zip.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_temp.h"
#include "ui/core/ovworkbook.h"

namespace {
constexpr const char* kArchiveMagic = "PK";
const char* const kFixedParts[][2] = {
    {"[Content_Types].xml",
     "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
     "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
     "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>"},
    {"_rels/.rels",
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
     "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
     "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
    {"xl/workbook.xml",
     "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
     "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
     "<sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
    {"xl/_rels/workbook.xml.rels",
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
     "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
     "worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
};
constexpr const char* kSheetPart = "xl/worksheets/sheet1.xml";

// The fixed parts and the input as the sheet, stored in `path`.
void WritePackage(const std::string& path, const uint8_t* data, size_t size) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (!archive) std::abort();
  auto add = [archive](const char* name, const void* bytes, size_t length) {
    zip_source_t* source = zip_source_buffer(archive, bytes, length, 0);
    if (!source || zip_file_add(archive, name, source, ZIP_FL_ENC_UTF_8) < 0) std::abort();
  };
  for (const auto& part : kFixedParts) add(part[0], part[1], std::char_traits<char>::length(part[1]));
  add(kSheetPart, data, size);
  if (zip_close(archive) != 0) std::abort();
}

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
  std::string input;
  if (size >= 2 && std::string(reinterpret_cast<const char*>(data), 2) == kArchiveMagic) {
    input = fuzz_support::WriteTempFile("input.xlsx", data, size);
  } else {
    input = fuzz_support::WriteTempFile("input.xlsx", nullptr, 0);
    WritePackage(input, data, size);
  }
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
