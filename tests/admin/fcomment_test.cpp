// The comment check as the connection window opens it: one row per
// catalogue comment of each selected routine, coloured, its outputs, and
// the routine's source opened from a row.
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>

#include "admin/fcomment.h"
#include "app/core/ovkinds.h"
#include "objedit/fsource.h"
#include "tests/admin/objtools_fixture.h"
#include "tests/ui/core/workbook_fixture.h"
#include "ui/ovgrid.h"

namespace testing_admin {
namespace {

using testing_workbook::RunPython;

class CommentCheck : public ObjectToolsProgram {
 protected:
  // Gives the function a comment of two lines with a TAB, quotes and a
  // comma, which the outputs must carry whole.
  void CommentTheFunction() {
    window->ExecSQL(
        "INSERT INTO RDBII_SYSTEM.RDBII_COMMENT SELECT DB_CODE, SCHEMA_CODE, PROCEDURE_CODE, 0, 0, 'PR', "
        "'rate\t\"x\", y -- note' || char(13) || char(10) || 'second' FROM RDBII_SYSTEM.RDBII_PROC "
        "WHERE PROCEDURE_NAME = 'TAX_RATE'");
  }
  TfrmComment* Open(const std::string& kind, const Lines& names = {}) {
    Select("SALES", kind, names);
    QAction* action = Command("actComment");
    if (!action || !action->isEnabled()) return nullptr;
    EXPECT_EQ(action->text().toStdString(), "コメントチェック(&O)");
    action->trigger();
    const std::vector<TfrmComment*> windows = Windows<TfrmComment>();
    return windows.empty() ? nullptr : windows.back();
  }
  static Lines RowTexts(const TfrmComment& form) {
    Lines rows;
    for (const TCommentRow& row : form.Rows())
      rows.push_back(row.Name + "|" + row.Schema + "|" + row.TypeText + "|" + row.Comment);
    return rows;
  }
};

TEST_F(CommentCheck, EnabledOnlyWhenTheFirstSelectedIsARoutine) {
  Select("SALES", "TABLE");
  EXPECT_FALSE(Command("actComment")->isEnabled());
  Select("SALES", "PROCEDURE");
  EXPECT_TRUE(Command("actComment")->isEnabled());
}

TEST_F(CommentCheck, RowsPerCommentAndTheMissingOneInRed) {
  TfrmComment* procedure = Open("PROCEDURE");
  ASSERT_NE(procedure, nullptr);
  EXPECT_EQ(procedure->windowTitle().toStdString(), "コメントチェック - ORVUSER @ ORVSAMPLE");
  EXPECT_EQ(RowTexts(*procedure), Lines{"ADD_ORDER|SALES|PROCEDURE|受注の登録"});

  TfrmComment* function = Open("FUNCTION");
  ASSERT_NE(function, nullptr);
  ASSERT_EQ(RowTexts(*function), Lines{"TAX_RATE|SALES|FUNCTION|（コメントはありません）"});
  // The missing comment is drawn red in its cell.
  function->resize(900, 300);
  TovStringGrid& grid = *function->grdComment;
  const QRect cell = grid.visualRect(grid.model()->index(0, kCommentColumn));
  const QImage image = grid.viewport()->grab().toImage();
  int red = 0;
  for (int y = cell.top(); y <= cell.bottom(); ++y)
    for (int x = cell.left(); x <= cell.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) ++red;
    }
  EXPECT_GT(red, 10);
  // The window works on its own copy of the selection.
  Select("SALES", "TABLE");
  function->actRefresh->trigger();
  EXPECT_EQ(RowTexts(*function).size(), 1u);
}

TEST_F(CommentCheck, OutputsCarryTheWholeComment) {
  CommentTheFunction();
  TfrmComment* form = Open("FUNCTION");
  ASSERT_NE(form, nullptr);
  ASSERT_EQ(RowTexts(*form), Lines{"TAX_RATE|SALES|FUNCTION|rate\t\"x\", y -- note\r\nsecond"});

  AppOption.PasteDialog = false;
  AppOption.PasteColumn = 0;
  form->actCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "TAX_RATE\tSALES\tFUNCTION\t\"rate\t\"\"x\"\", y -- note second\"\r\n");
  AppOption.PasteColumn = 1;
  form->actCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "TAX_RATE,SALES,FUNCTION,\"rate\t\"\"x\"\", y -- note second\"\r\n");

  const std::string book = env.Path("comment.xlsx");
  env.Dialogs().QueueFile(book);
  form->actExcel->trigger();
  EXPECT_EQ(RunPython("ws = openpyxl.load_workbook(p).active\n"
                      "for row in ws.iter_rows(values_only=True): print('|'.join(str(v) for v in row))\n"
                      "print(int(ws.column_dimensions['D'].width))",
                      book),
            "プログラム名|スキーマ|タイプ|コメント\nTAX_RATE|SALES|FUNCTION|rate\t\"x\", y -- note second\n100");
  EXPECT_EQ(Boxes().back(), "ファイルに出力しました。");
}

TEST_F(CommentCheck, ARowOpensItsSourceOnceAndThenBringsItForward) {
  TfrmComment* form = Open("PROCEDURE");
  ASSERT_NE(form, nullptr);
  form->grdComment->FocusCell(0, 1);
  form->mnuSource->trigger();
  ASSERT_EQ(Windows<TfrmSource>().size(), 1u);
  form->grdComment->FocusCell(0, 1);
  form->mnuSource->trigger();
  EXPECT_EQ(Windows<TfrmSource>().size(), 1u);
}

}  // namespace
}  // namespace testing_admin
