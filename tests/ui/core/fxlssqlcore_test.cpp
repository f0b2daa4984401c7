#include "ui/core/fxlssqlcore.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "ui/core/ovworkbook.h"
#include "tests/ui/core/fake_records.h"
#include "tests/ui/core/workbook_fixture.h"

namespace {

using testing_records::FakeRecords;
using Rows = std::vector<std::vector<std::string>>;

// Every sheet of the workbook with its non-empty cells, row by row.
constexpr const char* kDumpCells = R"(
wb = openpyxl.load_workbook(p)
for ws in wb:
    cells = [f"{c.coordinate}={c.value}" for row in ws.iter_rows() for c in row if c.value is not None]
    print(ws.title + ": " + " ".join(cells))
)";

const std::vector<TXlsField> kTwoFields = {{"ID", 5, false}, {"NAME", 300, true}};

class XlsOutput : public testing_workbook::WorkbookFixture {
 protected:
  TXlsOutput Output(const std::string& target, int mode = kExcelVertical) const {
    TXlsOutput output;
    output.Target = Path(target);
    output.Mode = mode;
    return output;
  }
  std::string ReadFile(const std::string& path) const {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
  }
};

TEST_F(XlsOutput, RecordsLandAfterTheTitlesFromTheStartCellInBothDirections) {
  struct Case {
    const char* sheet;
    int mode;
    int title;
    int s;
    int c;
  } cases[] = {
      {"VNames", kExcelVertical, kPasteTitleNames, 0, 0},
      {"VComments", kExcelVertical, kPasteTitleComments, 2, 1},
      {"VNone", kExcelVertical, kPasteTitleNone, 0, 0},
      {"HNames", kExcelHorizontal, kPasteTitleNames, 0, 0},
      {"HComments", kExcelHorizontal, kPasteTitleComments, 1, 2},
      {"HNone", kExcelHorizontal, kPasteTitleNone, 0, 0},
  };
  auto book = TovWorkbook::Add();
  for (const Case& c : cases) {
    TovWorksheet sheet = book->AddSheet();
    sheet.SetName(c.sheet);
    TXlsOutput output = Output("layout.xlsx", c.mode);
    output.Title = c.title;
    output.StartRow = c.s;
    output.StartColumn = c.c;
    FakeRecords records(Rows{{"1", "x"}, {"2", "y"}});
    EXPECT_EQ(WriteResultSheet(sheet, output, kTwoFields, records), 2) << c.sheet;
    EXPECT_EQ(records.progress, (std::vector<int>{1, 2})) << c.sheet;
  }
  book->SaveAs(Path("layout.xlsx"));
  EXPECT_EQ(Python(kDumpCells, Path("layout.xlsx")),
            "HNone: A1=1 B1=2 A2=x B2=y\n"
            "HComments: C2=ID D2=1 E2=2 C3=NAME D3=x E3=y\n"
            "HNames: A1=ID B1=1 C1=2 A2=NAME B2=x C2=y\n"
            "VNone: A1=1 B1=x A2=2 B2=y\n"
            "VComments: B3=ID C3=NAME B4=1 C4=x B5=2 C5=y\n"
            "VNames: A1=ID B1=NAME A2=1 B2=x A3=2 B3=y\n"
            "Sheet1:");
}

TEST_F(XlsOutput, WidthsAreLimitedAndTextFieldsFormatTheirColumnOrRow) {
  auto book = TovWorkbook::Add(2);
  TXlsOutput vertical = Output("formats.xlsx");
  vertical.StartColumn = 1;
  FakeRecords rows(Rows{{"007", "007"}});
  TovWorksheet first = book->Sheet(0);
  WriteResultSheet(first, vertical, kTwoFields, rows);
  TXlsOutput horizontal = Output("formats.xlsx", kExcelHorizontal);
  horizontal.StartColumn = 2;
  FakeRecords columns(Rows{{"007", "007"}});
  TovWorksheet second = book->Sheet(1);
  WriteResultSheet(second, horizontal, {{"ID", 0, false}, {"NAME", 10, true}}, columns);
  book->SaveAs(Path("formats.xlsx"));
  EXPECT_EQ(Python(R"(
wb = openpyxl.load_workbook(p)
v, h = wb["Sheet1"], wb["Sheet2"]
print([round(v.column_dimensions[k].width) for k in "BC"], v["B2"].number_format, v["C2"].number_format)
print(repr(v["B2"].value), repr(v["C2"].value))
print(round(h.column_dimensions["A"].width), h.column_dimensions["C"].width == h.column_dimensions["D"].width)
print(h["D1"].number_format, h["D2"].number_format, repr(h["D1"].value), repr(h["D2"].value))
)",
                   Path("formats.xlsx")),
            "[6, 256] General @\n"
            "'007' '007'\n"
            "21 True\n"
            "General @ '007' '007'");
}

TEST_F(XlsOutput, TypedValuesKeepEveryDigitAndTextColumnsStayText) {
  const std::vector<TXlsField> fields = {{"N", 8, false},   {"D", 10, false},  {"TS", 19, false},
                                         {"Z", 8, false},   {"BIG", 20, false}, {"T", 4, true},
                                         {"NEG", 8, false}, {"E", 8, false}};
  FakeRecords records(Rows{{"12.5", "2024-01-31", "2024-01-31 12:34:56", "007", "123456789012345678", "42", "-0.25", ""}});
  auto book = TovWorkbook::Add();
  TovWorksheet sheet = book->ActiveSheet();
  WriteResultSheet(sheet, Output("typed.xlsx"), fields, records);
  book->SaveAs(Path("typed.xlsx"));
  EXPECT_EQ(Python(R"(
ws = openpyxl.load_workbook(p).active
print([(type(c.value).__name__, str(c.value)) for c in ws[2]])
)",
                   Path("typed.xlsx")),
            "[('float', '12.5'), ('datetime', '2024-01-31 00:00:00'), ('datetime', '2024-01-31 12:34:56'), "
            "('str', '007'), ('str', '123456789012345678'), ('str', '42'), ('float', '-0.25'), ('NoneType', 'None')]");
}

TEST_F(XlsOutput, QuotedValuesAndLargeResultsArriveWhole) {
  // More than one chunk of rendered records, values with TAB, line breaks
  // and quotes among them.
  std::vector<std::vector<std::string>> rows;
  const std::string filler(200, 'w');
  constexpr int kRows = 700;
  for (int i = 1; i <= kRows; ++i) rows.push_back({std::to_string(i), i == kRows ? "a\tb\r\nc\"d" : filler});
  FakeRecords records(rows);
  EXPECT_EQ(WriteXlsOutput(Output("big.xlsx"), kTwoFields, records), kRows);
  EXPECT_EQ(Python(R"(
ws = openpyxl.load_workbook(p).active
print(ws.max_row, ws.max_column, sum(1 for r in range(2, 702) if ws.cell(r, 1).value == r - 1), repr(ws["B701"].value))
)",
                   Path("big.xlsx")),
            "701 2 700 'a\\tb\\nc\"d'");
}

TEST_F(XlsOutput, AFormWorkbookKeepsItsStylesAndSheetsAndGetsAMissingNamedSheet) {
  const std::string form = MakeForm();
  struct Case {
    const char* target;
    const char* sheet;
    const char* sheets;
    const char* cells;
  } cases[] = {
      {"found.xlsx", "other", "['Form', 'Other'] Other", "Other: A1=keep me B2=12.5 A5=ID B5=NAME A6=1 B6=x"},
      // added before the active sheet, as the spreadsheet program adds one
      {"added.xlsx", "Added", "['Added', 'Form', 'Other'] Added", "Added: A5=ID B5=NAME A6=1 B6=x"},
      {"active.xlsx", "", "['Form', 'Other'] Form", "Form: A1=見出し A3=block D3=7 A5=ID B5=NAME A6=1 B6=x"},
  };
  for (const Case& c : cases) {
    TXlsOutput output = Output(c.target);
    output.Form = form;
    output.Sheet = c.sheet;
    output.StartRow = 4;  // below the form's merged cells
    FakeRecords records(Rows{{"1", "x"}});
    WriteXlsOutput(output, kTwoFields, records);
    const std::string read = Python(R"(
wb = openpyxl.load_workbook(p)
f = wb["Form"]
print(wb.sheetnames, wb.active.title)
print(f["A1"].font.b, f["A1"].fill.fgColor.rgb, sorted(str(r) for r in f.merged_cells.ranges), f.print_area)
ws = wb.active
print(ws.title + ": " + " ".join(f"{c.coordinate}={c.value}" for row in ws.iter_rows() for c in row if c.value is not None))
)",
                                    Path(c.target));
    EXPECT_EQ(read, std::string(c.sheets) + "\nTrue 00FFFF00 ['A1:C1', 'B3:C4'] ['$A$1:$E$10']\n" + c.cells)
        << c.target;
  }
}

TEST_F(XlsOutput, ANewWorkbookTakesTheSheetName) {
  TXlsOutput output = Output("named.xlsx", kExcelHorizontal);
  output.Sheet = "結果";
  FakeRecords records(Rows{{"1", "x"}});
  WriteXlsOutput(output, kTwoFields, records);
  EXPECT_EQ(Python(kDumpCells, Path("named.xlsx")), "結果: A1=ID B1=1 A2=NAME B2=x");
}

TEST_F(XlsOutput, EscHalfWayKeepsAndSavesWhatWasWritten) {
  FakeRecords records(Rows{{"1", "a"}, {"2", "b"}, {"3", "c"}}, 2);
  EXPECT_EQ(WriteXlsOutput(Output("esc.xlsx"), kTwoFields, records), 2);
  EXPECT_EQ(Python(kDumpCells, Path("esc.xlsx")), "Sheet1: A1=ID B1=NAME A2=1 B2=a A3=2 B3=b");
}

TEST_F(XlsOutput, AFailedSaveKeepsTheOldTarget) {
  const std::string target = Path("target.xlsx");
  FakeRecords small(Rows{{"1", "old"}});
  WriteXlsOutput(Output("target.xlsx"), kTwoFields, small);
  const std::string before = ReadFile(target);
  // A result larger than the files this process may write.
  std::vector<std::vector<std::string>> rows(3000, {"123456789", std::string(64, 'z')});
  FakeRecords big(rows);
  {
    testing_workbook::ScopedFileSizeLimit limit(before.size() * 4);
    EXPECT_THROW(WriteXlsOutput(Output("target.xlsx"), kTwoFields, big), EWorkbookError);
  }
  EXPECT_EQ(ReadFile(target), before);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"target.xlsx"});
}

TEST_F(XlsOutput, XlsFilesAndForbiddenSheetNamesAreRefusedBeforeWriting) {
  struct Case {
    const char* target;
    const char* form;
    const char* sheet;
    std::string refusal;
  } cases[] = {
      {"ok.xlsx", "", "", ""},
      {"ok.xlsx", "", "データ", ""},
      {"old.xls", "", "", "old.xls はExcel 97-2003形式(.xls)のため読み書きできません。.xlsx形式のファイルを指定して下さい。"},
      {"ok.xlsx", "form.XLS", "",
       "form.XLS はExcel 97-2003形式(.xls)のため読み書きできません。.xlsx形式のファイルを指定して下さい。"},
      {"ok.xlsx", "", "a/b", "\"a/b\" はシート名に使用できません。"},
      {"ok.xlsx", "", "12345678901234567890123456789012", "\"12345678901234567890123456789012\" はシート名に使用できません。"},
  };
  for (const Case& c : cases) {
    TXlsOutput output = Output(c.target);
    output.Form = c.form;
    output.Sheet = c.sheet;
    EXPECT_EQ(XlsOutputRefusal(output), c.refusal) << c.target << c.sheet;
  }
}

TEST(XlsExtent, AResultRunningPastTheSheetsLastRowOrColumnIsRefused) {
  const std::string pastRow = "出力する結果がシートの最終行(1048576行目)を超えます。";
  const std::string pastColumn = "出力する結果がシートの最終列(XFD列)を超えます。";
  struct Case {
    int mode;
    int title;
    int s;
    int c;
    int fields;
    int records;
    std::string refusal;
  } cases[] = {
      {kExcelVertical, kPasteTitleNames, 0, 0, 3, kMaxSheetRows - 1, ""},
      {kExcelVertical, kPasteTitleNames, 0, 0, 3, kMaxSheetRows, pastRow},
      {kExcelVertical, kPasteTitleNone, 0, 0, 3, kMaxSheetRows, ""},
      {kExcelVertical, kPasteTitleNone, 65535, 0, 3, kMaxSheetRows - 65535, ""},
      {kExcelVertical, kPasteTitleNone, 65535, 0, 3, kMaxSheetRows - 65534, pastRow},
      {kExcelVertical, kPasteTitleNames, 0, 255, kMaxSheetColumns - 255, 1, ""},
      {kExcelVertical, kPasteTitleNames, 0, 255, kMaxSheetColumns - 254, 1, pastColumn},
      {kExcelHorizontal, kPasteTitleNames, 0, 0, 3, kMaxSheetColumns - 1, ""},
      {kExcelHorizontal, kPasteTitleNames, 0, 2, 3, kMaxSheetColumns - 2, pastColumn},
      {kExcelHorizontal, kPasteTitleNone, 65535, 0, kMaxSheetRows - 65535, 1, ""},
      {kExcelHorizontal, kPasteTitleNone, 65535, 0, kMaxSheetRows - 65534, 1, pastRow},
  };
  for (const Case& c : cases) {
    TXlsOutput output;
    output.Mode = c.mode;
    output.Title = c.title;
    output.StartRow = c.s;
    output.StartColumn = c.c;
    EXPECT_EQ(XlsExtentRefusal(output, c.fields, c.records), c.refusal)
        << c.mode << " " << c.s << " " << c.c << " " << c.fields << " " << c.records;
  }
}

}  // namespace
