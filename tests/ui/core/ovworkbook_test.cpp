#include "ui/core/ovworkbook.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/core/zarur.h"
#include "tests/ui/core/workbook_fixture.h"

namespace {
class Workbook : public testing_workbook::WorkbookFixture {};

TEST_F(Workbook, ASheetCopiedBeforeAnotherKeepsFormatsMergedCellsAndWidths) {
  auto book = TovWorkbook::Open(MakeForm());
  ASSERT_EQ(book->SheetCount(), 2);
  TovWorksheet copy = book->CopySheet(0, 1);
  EXPECT_EQ(copy.Name(), "Form (2)");
  copy.SetName("Copy");
  copy.SetText(2, 1, "added");
  book->SaveAs(Path("out.xlsx"));
  EXPECT_EQ(Python(R"(
wb = openpyxl.load_workbook(p)
ws = wb["Copy"]
print(wb.sheetnames, wb.active.title)
print(ws["A1"].value, ws["A1"].font.b, ws["A1"].font.sz, ws["A1"].fill.fgColor.rgb, ws["A3"].fill.fgColor.rgb)
print(sorted(str(r) for r in ws.merged_cells.ranges), ws.column_dimensions["B"].width, ws["D3"].value, ws["A2"].value)
book = zipfile.ZipFile(p).read("xl/workbook.xml").decode()
print(ws.print_area, wb["Form"].print_area, wb["Form"]["A2"].value, "'Copy'!$A$1:$E$10" in book)
)",
                   Path("out.xlsx")),
            "['Form', 'Copy', 'Other'] Copy\n"
            "見出し True 14.0 00FFFF00 0000FF00\n"
            "['A1:C1', 'B3:C4'] 30.0 7 added\n"
            "['$A$1:$E$10'] ['$A$1:$E$10'] None True");
}

TEST_F(Workbook, ARangeCopiesWithItsFormatsAndMergedCells) {
  auto book = TovWorkbook::Open(MakeForm());
  TovWorksheet sheet = book->Sheet(0);
  // The report's block: rows 3 to 4 repeated below.
  for (int block = 1; block <= 2; ++block) sheet.CopyRange({3, 1, 4, 5}, 3 + 2 * block, 1);
  sheet.CopyRange({3, 1, 3, 1}, 1, 8, &*book->FindSheet("other"));
  book->SaveAs(Path("out.xlsx"));
  EXPECT_EQ(Python(R"(
wb = openpyxl.load_workbook(p)
ws = wb["Form"]
print(ws["A5"].value, ws["A5"].fill.fgColor.rgb, ws["D7"].value, ws["A9"].value)
print(sorted(str(r) for r in ws.merged_cells.ranges))
print(wb["Other"]["H1"].value, wb["Other"]["H1"].fill.fgColor.rgb, wb["Other"]["A1"].value)
)",
                   Path("out.xlsx")),
            "block 0000FF00 7 None\n"
            "['A1:C1', 'B3:C4', 'B5:C6', 'B7:C8']\n"
            "block 0000FF00 keep me");
}

TEST_F(Workbook, TwoDimensionalArraysAndCellValues) {
  auto book = TovWorkbook::Add();
  TovWorksheet sheet = book->ActiveSheet();
  EXPECT_EQ(sheet.Name(), "Sheet1");
  const TCellValue none;
  sheet.SetValues(2, 2, {{TCellValue::OfNumber(1), TCellValue::OfText("COL_A")},
                         {TCellValue::OfNumber(2.5), none, TCellValue::OfText("tab\tand\nbreak & <tag>")}});
  sheet.SetValue(1, 1, TCellValue::OfText("ctrl\x01_x0041_"));
  sheet.SetValue(1, 2, {TCellValue::TKind::Boolean, 1, {}});
  EXPECT_EQ(sheet.Value(3, 2), TCellValue::OfNumber(2.5));
  EXPECT_EQ(sheet.Value(1, 1), TCellValue::OfText("ctrl\x01_x0041_"));
  EXPECT_EQ(sheet.Value(3, 3), none);
  book->SaveAs(Path("new.xlsx"));
  EXPECT_EQ(Python(R"(
wb = openpyxl.load_workbook(p)
ws = wb.active
print(wb.sheetnames, [[c.value for c in row] for row in ws.iter_rows(min_row=2, max_row=3, min_col=2, max_col=4)])
print(repr(ws["A1"].value), ws["B1"].value)
)",
                   Path("new.xlsx")),
            "['Sheet1'] [[1, 'COL_A', None], [2.5, None, 'tab\\tand\\nbreak & <tag>']]\n"
            // openpyxl shows the format's escapes as they are written.
            "'ctrl_x0001__x005F_x0041_' True");
  auto again = TovWorkbook::Open(Path("new.xlsx"));
  EXPECT_EQ(again->Sheet(0).Value(1, 1), TCellValue::OfText("ctrl\x01_x0041_"));
  EXPECT_EQ(again->Sheet(0).Value(2, 3), TCellValue::OfText("COL_A"));
}

TEST_F(Workbook, SheetsAreAddedBeforeTheActiveOneAndDeleted) {
  auto book = TovWorkbook::Open(MakeForm());
  book->Sheet(1).Activate();
  TovWorksheet added = book->AddSheet();
  EXPECT_EQ(added.Name(), "Sheet1");
  EXPECT_EQ(book->ActiveSheetIndex(), 1);
  book->DeleteSheet(0);
  EXPECT_EQ(book->ActiveSheet().Name(), "Sheet1");
  book->SaveAs(Path("out.xlsx"));
  EXPECT_EQ(Python(R"(
wb = openpyxl.load_workbook(p)
print(wb.sheetnames, wb.active.title, wb["Other"]["A1"].value, list(wb.defined_names.definedName))
print(sorted(n for n in zipfile.ZipFile(p).namelist() if "worksheets/" in n))
)",
                   Path("out.xlsx")),
            "['Sheet1', 'Other'] Sheet1 keep me []\n"
            "['xl/worksheets/sheet2.xml', 'xl/worksheets/sheet3.xml']");
  EXPECT_THROW(book->DeleteSheet(5), EWorkbookError);
  book->DeleteSheet(0);
  try {
    book->DeleteSheet(0);
    ADD_FAILURE() << "the last sheet was deleted";
  } catch (const EWorkbookError& e) {
    EXPECT_STREQ(e.what(), "ブックには少なくとも1枚のシートが必要です。");
  }
}

TEST_F(Workbook, PastedTextIsTypedAsInputUnlessItsColumnOrRowIsText) {
  const std::string saved = ShortDateFormat;
  ShortDateFormat = "yyyy/MM/dd";
  auto book = TovWorkbook::Add();
  TovWorksheet sheet = book->ActiveSheet();
  sheet.SetColumnNumberFormat(8, kTextNumberFormat);
  sheet.SetRowNumberFormat(4, kTextNumberFormat);
  sheet.SetColumnWidth(2, 20);
  sheet.PasteText(1, 1,
                  "12\t-0.5\t007\t123456789012345678\t2024-01-31\t2024/02/29 13:45:10\tabc\t123\r\n"
                  "1e3\t0\t\"a\tb\"\"c\"\t1234567890.12345\t1899-12-31\t2024-13-01\t\t0012\r\n"
                  "\r\n"
                  "45\t2024-01-31\r\n");
  ShortDateFormat = saved;
  EXPECT_EQ(sheet.NumberFormat(1, 8), "@");
  EXPECT_EQ(sheet.NumberFormat(1, 5), "yyyy/mm/dd");
  EXPECT_DOUBLE_EQ(sheet.ColumnWidth(2), 20);
  book->SaveAs(Path("paste.xlsx"));
  EXPECT_EQ(Python(R"(
ws = openpyxl.load_workbook(p).active
for row in ws.iter_rows(min_row=1, max_row=4, max_col=8):
    print([c.value if c.value is None or isinstance(c.value, (str, datetime.datetime)) else repr(c.value) for c in row])
print(ws["E1"].number_format, ws["F1"].number_format, ws["H1"].number_format, ws["A4"].number_format)
print(ws.column_dimensions["B"].width, ws.column_dimensions["H"].width > 8)
)",
                   Path("paste.xlsx")),
            "['12', '-0.5', '007', '123456789012345678', datetime.datetime(2024, 1, 31, 0, 0), "
            "datetime.datetime(2024, 2, 29, 13, 45, 10), 'abc', '123']\n"
            "['1000', '0', 'a\\tb\"c', '1234567890.12345', '1899-12-31', '2024-13-01', None, '0012']\n"
            "[None, None, None, None, None, None, None, None]\n"
            "['45', '2024-01-31', None, None, None, None, None, None]\n"
            "yyyy/mm/dd yyyy/mm/dd hh:mm:ss @ @\n"
            "20.7109375 True");
}

TEST_F(Workbook, AKeptFormWorkbookKeepsItsStylesOtherSheetsAndUntouchedParts) {
  const std::string form = MakeForm();
  auto book = TovWorkbook::Open(form);
  TovWorksheet sheet = *book->FindSheet("FORM");
  sheet.SetText(2, 1, "2024-01-31");
  sheet.Select(1, 1);
  book->SaveAs(Path("out.xlsx"));
  const std::string compare = R"(
a, b = zipfile.ZipFile(p), zipfile.ZipFile(p.replace("out.xlsx", "form.xlsx"))
print([n for n in b.namelist() if n not in a.namelist()])
print(sorted(n for n in b.namelist() if n in a.namelist() and a.read(n) != b.read(n)))
wb = openpyxl.load_workbook(p)
ws = wb["Form"]
print(ws["A1"].font.b, ws["A1"].fill.fgColor.rgb, ws["A2"].value, wb["Other"]["B2"].value, ws.column_dimensions["B"].width)
)";
  EXPECT_EQ(Python(compare, Path("out.xlsx")),
            "[]\n"
            "['[Content_Types].xml', 'xl/_rels/workbook.xml.rels', 'xl/styles.xml', 'xl/workbook.xml', "
            "'xl/worksheets/sheet1.xml']\n"
            "True 00FFFF00 2024-01-31 00:00:00 12.5 30.0");
}

TEST_F(Workbook, AFailedSaveKeepsTheOldTarget) {
  const std::string target = Path("target.xlsx");
  auto small = TovWorkbook::Add();
  small->ActiveSheet().SetText(1, 1, "old");
  small->SaveAs(target);
  QFile file(QString::fromStdString(target));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray before = file.readAll();
  file.close();

  // A workbook larger than the files this process may write.
  auto big = TovWorkbook::Add();
  for (int row = 1; row <= 3000; ++row) {
    big->ActiveSheet().SetValue(row, 1, TCellValue::OfText(std::to_string(row * 7919L * 104729L) + "x" +
                                                           std::to_string(row * 31337L)));
  }
  {
    testing_workbook::ScopedFileSizeLimit limit(static_cast<size_t>(before.size()) * 4);
    EXPECT_THROW(big->SaveAs(target), EWorkbookError);
  }
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), before);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"target.xlsx"});
}

TEST_F(Workbook, XlsFilesAndForbiddenSheetNamesAreRefused) {
  const std::string refused =
      "old.xls はExcel 97-2003形式(.xls)のため読み書きできません。.xlsx形式のファイルを指定して下さい。";
  auto expectError = [](auto step, const std::string& message) {
    try {
      step();
      ADD_FAILURE() << "no error, expected " << message;
    } catch (const EWorkbookError& e) {
      EXPECT_EQ(e.what(), message);
    }
  };
  auto book = TovWorkbook::Add(2);
  expectError([&] { TovWorkbook::Open(Path("old.xls")); }, refused);
  expectError([&] { book->SaveAs(Path("old.xls")); }, refused);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(Path("old.xls"))));
  // A compound file under a new name is an old workbook all the same.
  QFile compound(QString::fromStdString(Path("renamed.xlsx")));
  ASSERT_TRUE(compound.open(QIODevice::WriteOnly));
  compound.write(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  compound.close();
  expectError([&] { TovWorkbook::Open(Path("renamed.xlsx")); },
              "renamed.xlsx はExcel 97-2003形式(.xls)のため読み書きできません。.xlsx形式のファイルを指定して下さい。");
  QFile text(QString::fromStdString(Path("text.xlsx")));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a package");
  text.close();
  expectError([&] { TovWorkbook::Open(Path("text.xlsx")); }, "text.xlsx はExcelブック(.xlsx)として読めません。");
  expectError([&] { TovWorkbook::Open(Path("missing.xlsx")); }, Path("missing.xlsx") + " が存在しません。");

  for (const char* name : {"", "a:b", "a/b", "a\\b", "a?b", "a*b", "[x]", "'quoted'", "History",
                           "12345678901234567890123456789012"}) {
    expectError([&] { book->Sheet(0).SetName(name); }, std::string("\"") + name + "\" はシート名に使用できません。");
  }
  expectError([&] { book->Sheet(0).SetName("sheet2"); }, "シート名 \"sheet2\" はすでに使われています。");
  book->Sheet(0).SetName("売上（2024年）");
  EXPECT_EQ(book->Sheet(0).Name(), "売上（2024年）");
  EXPECT_STREQ(kExcelExt, ".XLSX");
}

// Every text a record can hold makes a workbook a spreadsheet program opens:
// characters XML cannot hold go in as the format's escapes, bytes that are
// no UTF-8 as the replacement character.
TEST_F(Workbook, TextsXmlCannotHoldAreEscapedAndSheetNamesWithThemRefused) {
  struct Case {
    std::string text, readBack, openpyxl;
  } cases[] = {
      {"a\uFFFEb", "a\uFFFEb", "a_xFFFE_b"},
      {"\uFFFF", "\uFFFF", "_xFFFF_"},
      {"bad\xFF\xFE" "byte", "bad\uFFFD\uFFFDbyte", "bad\uFFFD\uFFFDbyte"},
      {"cut\xE6\xBC", "cut\uFFFD\uFFFD", "cut\uFFFD\uFFFD"},
      {"\xED\xA0\x80", "\uFFFD\uFFFD\uFFFD", "\uFFFD\uFFFD\uFFFD"},
      {"漢字\U0001F600\uFFFD", "漢字\U0001F600\uFFFD", "漢字\U0001F600\uFFFD"},
  };
  auto book = TovWorkbook::Add();
  TovWorksheet sheet = book->ActiveSheet();
  int row = 1;
  for (const Case& c : cases) sheet.SetValue(row++, 1, TCellValue::OfText(c.text));
  book->SaveAs(Path("chars.xlsx"));
  const std::string shown = Python("for r in openpyxl.load_workbook(p).active.iter_rows(): print(r[0].value)",
                                   Path("chars.xlsx"));
  std::string expected;
  for (const Case& c : cases) expected += (expected.empty() ? "" : "\n") + c.openpyxl;
  EXPECT_EQ(shown, expected);
  auto again = TovWorkbook::Open(Path("chars.xlsx"));
  row = 1;
  for (const Case& c : cases) EXPECT_EQ(again->Sheet(0).Value(row++, 1), TCellValue::OfText(c.readBack)) << c.text;

  for (const char* name : {"a\uFFFF", "\uFFFE", "bad\xFF", "\xED\xA0\x80"}) {
    try {
      book->Sheet(0).SetName(name);
      ADD_FAILURE() << "accepted " << name;
    } catch (const EWorkbookError& e) {
      EXPECT_EQ(e.what(), std::string("\"") + name + "\" はシート名に使用できません。");
    }
  }
}

TEST(WorkbookNames, ColumnsAndCells) {
  struct Case {
    int column;
    const char* name;
  } cases[] = {{1, "A"}, {26, "Z"}, {27, "AA"}, {256, "IV"}, {16384, "XFD"}};
  for (const Case& c : cases) {
    EXPECT_EQ(ColumnName(c.column), c.name);
    EXPECT_EQ(ColumnIndex(c.name), c.column);
  }
  EXPECT_EQ(ColumnIndex("XFE"), 0);
  EXPECT_EQ(ColumnIndex("a"), 0);
  EXPECT_EQ(CellName(3, 2), "B3");
}
}  // namespace

namespace {
TEST_F(Workbook, APackageWithAPrefixedNamespaceAndNoStylesReadsAndSaves) {
  // The harness's seed: prefixes on every element, cells without positions,
  // an escaped CR, no styles part.
  auto book = TovWorkbook::Open(TEST_SOURCE_DIR "/../../fuzz/orv/corpus/xlsx_package/prefixed.xlsx");
  TovWorksheet sheet = book->Sheet(0);
  EXPECT_EQ(sheet.Name(), "P");
  EXPECT_EQ(sheet.Value(2, 2), TCellValue::OfText("a\rb"));
  EXPECT_EQ(sheet.Value(2, 3), (TCellValue{TCellValue::TKind::Boolean, 1, {}}));
  EXPECT_EQ(sheet.Value(3, 1), TCellValue::OfNumber(3.5));
  sheet.SetText(1, 1, "2024-01-31");
  book->AddSheet();
  book->SaveAs(Path("out.xlsx"));
  EXPECT_EQ(Python(R"(
wb = openpyxl.load_workbook(p)
ws = wb["P"]
print(wb.sheetnames, ws["A1"].value, ws["B2"].value, ws["A3"].value, sorted(str(r) for r in ws.merged_cells.ranges))
)",
                   Path("out.xlsx")),
            "['Sheet1', 'P'] 2024-01-31 00:00:00 a_x000D_b 3.5 ['A5:B6']");
}
}  // namespace
