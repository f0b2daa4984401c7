// The cross-reference matrix as the connection window opens it: its three
// pages over the sample's catalogue, the clipboard text and the workbook
// written from the template or anew.
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTabWidget>

#include "admin/fmatrix.h"
#include "app/core/ovkinds.h"
#include "tests/admin/objtools_fixture.h"
#include "tests/platform/escape_at.h"
#include "tests/ui/core/workbook_fixture.h"
#include "ui/ovgrid.h"

namespace testing_admin {
namespace {

using testing_workbook::RunPython;
using Grid = std::vector<std::vector<std::string>>;

class CrossMatrix : public ObjectToolsProgram {
 protected:
  TfrmMatrix* Open(const std::string& schema, const std::string& kind, const Lines& names = {}) {
    Select(schema, kind, names);
    QAction* action = Command("actMatrix");
    if (!action || !action->isEnabled()) return nullptr;
    EXPECT_EQ(action->text().toStdString(), "マトリックス表(&M)");
    action->trigger();
    const std::vector<TfrmMatrix*> windows = Windows<TfrmMatrix>();
    return windows.empty() ? nullptr : windows.back();
  }
  // The sheet's used cells, row by row, "" for an empty cell.
  static std::string Sheet(const std::string& path) {
    return RunPython("ws = openpyxl.load_workbook(p).active\n"
                     "for row in ws.iter_rows(values_only=True):\n"
                     "    print('|'.join('' if v is None else str(v) for v in row))",
                     path);
  }
};

TEST_F(CrossMatrix, PagesOfTheSampleTables) {
  TfrmMatrix* form = Open("SALES", "TABLE");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "マトリックス表 - ORVUSER @ ORVSAMPLE");
  EXPECT_EQ(form->pagMatrix->tabText(form->pagMatrix->currentIndex()).toStdString(), "OBJECT＼被参照");
  // What uses the two tables: the procedure, the trigger and the view.
  const Grid used = form->GridRows();
  ASSERT_EQ(used.size(), 4u);
  EXPECT_EQ(used[2][0], "CUSTOMER");
  EXPECT_EQ(used[3][0], "ORDERS");
  EXPECT_EQ(form->grdMatrix->Objects(0, 2).toInt(), okTable);
  Lines columns;
  for (size_t c = 2; c < used[1].size(); ++c) columns.push_back(used[0][c] + "." + used[1][c]);
  EXPECT_EQ(columns, (Lines{"SALES.ADD_ORDER", "SALES.CUSTOMER_ORDERS", "SALES.ORDERS_CHECK"}));
  EXPECT_EQ(used[3][2], "○");

  // The field page: one row per column name and type, the keys marked.
  form->pagMatrix->setCurrentIndex(2);
  const Grid fields = form->GridRows();
  EXPECT_EQ(fields[1][2], "CUSTOMER");
  EXPECT_EQ(fields[1][3], "ORDERS");
  bool custKey = false;
  for (const std::vector<std::string>& row : fields)
    if (row[0] == "CUST_ID") {
      EXPECT_EQ(row[1], "INT");
      EXPECT_EQ(row[2], "◎");
      EXPECT_EQ(row[3], "○");
      custKey = true;
    }
  EXPECT_TRUE(custKey);
}

TEST_F(CrossMatrix, NothingFoundIsThreeByThreeAndTheClipboardCarriesEveryRow) {
  TfrmMatrix* form = Open("STOCK", "TABLE", {"ITEM"});
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->grdMatrix->RowCount(), 3);
  EXPECT_EQ(form->grdMatrix->ColCount(), 3);
  AppOption.PasteDialog = false;
  AppOption.PasteColumn = 0;
  form->actCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "\t\t\r\n\t\t\r\nITEM\tSTOCK\t\r\n");
  EXPECT_EQ(Boxes().back(), "クリップボードに出力しました。");
}

TEST_F(CrossMatrix, EscStopsReadingAndKeepsTheObjectsReadSoFar) {
  Select("SALES", "TABLE", {"CUSTOMER", "ORDERS"});
  // Esc at the second poll: CUSTOMER is read, ORDERS is not.
  std::unique_ptr<platform::WindowInput> before = platform::SetInput(std::make_unique<testing_support::EscapeAt>(2));
  Command("actMatrix")->trigger();
  platform::SetInput(std::move(before));
  const std::vector<TfrmMatrix*> windows = Windows<TfrmMatrix>();
  ASSERT_EQ(windows.size(), 1u);
  TfrmMatrix* form = windows.front();
  const Grid rows = form->GridRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2][0], "CUSTOMER");
}

TEST_F(CrossMatrix, WorkbookFromTheTemplateWithItsBlockRepeated) {
  // A template of one-by-one pages: its block is the green A3 and the
  // yellow C3, repeated down and right for the grid.
  const std::string form = env.Path("xlsdef/ovmatrix.xlsx");
  QDir().mkpath(QString::fromStdString(env.Path("xlsdef")));
  RunPython("from openpyxl.styles import PatternFill\nwb = openpyxl.Workbook()\nws = wb.active\n"
            "ws['A3'].fill = PatternFill('solid', fgColor='00FF00')\n"
            "ws['C3'].fill = PatternFill('solid', fgColor='FFFF00')\nwb.save(p)",
            form);
  AppOption.ExcelFormMatrix = env.Path("xlsdef/ovmatrix.xls");
  AppOption.ExcelMatrixRow = 1;
  AppOption.ExcelMatrixCol = 1;
  TfrmMatrix* window = Open("SALES", "TABLE");
  ASSERT_NE(window, nullptr);
  const Grid rows = window->GridRows();
  ASSERT_EQ(rows.size(), 4u);
  ASSERT_EQ(rows[0].size(), 5u);

  const std::string book = env.Path("out/matrix.xlsx");
  env.Dialogs().QueueFile(book);
  window->actExcel->trigger();
  EXPECT_EQ(Boxes().back(), "ファイルが出力されました。");
  EXPECT_EQ(Sheet(book), "OBJECT＼被参照||SALES|SALES|SALES\n||ADD_ORDER|CUSTOMER_ORDERS|ORDERS_CHECK\n"
                         "CUSTOMER|SALES||○|\nORDERS|SALES|○|○|○");
  EXPECT_EQ(RunPython("ws = openpyxl.load_workbook(p).active\n"
                      "print(' '.join(ws[c].fill.fgColor.rgb[-6:] for c in ['A3', 'A4', 'C3', 'D3', 'E3', 'E4']))",
                      book),
            "00FF00 00FF00 FFFF00 FFFF00 FFFF00 FFFF00");

  // A save that fails leaves the chosen file as it was.
  QFile before(QString::fromStdString(book));
  ASSERT_TRUE(before.open(QIODevice::ReadOnly));
  const QByteArray saved = before.readAll();
  before.close();
  env.Dialogs().QueueFile(book);
  env.Dialogs().QueueMessage(IDOK);
  {
    testing_workbook::ScopedFileSizeLimit limit(512);
    window->actExcel->trigger();
  }
  QFile after(QString::fromStdString(book));
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), saved);
  EXPECT_NE(Boxes().back(), "ファイルが出力されました。");
}

TEST_F(CrossMatrix, ALargeMatrixArrivesWithoutGaps) {
  // Enough tables for well over 65535 bytes of pasted text.
  for (int i = 0; i < 40; ++i) {
    std::string columns;
    for (int c = 0; c < 40; ++c)
      columns += (c ? ", " : "") + std::string("COLUMN_WITH_A_LONG_NAME_") + std::to_string(i) + "_" + std::to_string(c) +
                 " INTEGER";
    window->ExecSQL("CREATE TABLE HR.WIDE_" + std::to_string(100 + i) + " (" + columns + ")");
  }
  AppOption.ExcelFormMatrix.clear();
  TfrmMatrix* form = Open("HR", "TABLE");
  ASSERT_NE(form, nullptr);
  form->pagMatrix->setCurrentIndex(2);
  const Grid rows = form->GridRows();
  size_t bytes = 0;
  for (const std::vector<std::string>& row : rows)
    for (const std::string& cell : row) bytes += cell.size() + 1;
  ASSERT_GT(bytes, 65535u);
  const std::string book = env.Path("large.xlsx");
  env.Dialogs().QueueFile(book);
  form->actExcel->trigger();
  const std::string last = std::to_string(rows.size());
  EXPECT_EQ(RunPython("ws = openpyxl.load_workbook(p).active\n"
                      "print(ws.max_row, ws.cell(" + last + ", 1).value, ws.cell(" + last + ", 2).value)",
                      book),
            last + " " + rows.back()[0] + " " + rows.back()[1]);
}

}  // namespace
}  // namespace testing_admin
