// The SQL window as a new user meets it: runs, results, the bind grid and
// the status bar, driven through the shown window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QEvent>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLayout>
#include <QScrollBar>
#include <QLabel>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

#include <algorithm>
#include <string>

#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/gui/qtplatform.h"
#include "platform/windowinput.h"
#include "sqlwork/fsql.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "ui/ovdbgrid.h"
#include "ui/ovgrid.h"
#include "ui/rdata.h"

namespace {

using testing_sqlwork::SQLWindow;

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
  int Count() const { return count_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++count_;
    return false;
  }

 private:
  int count_ = 0;
};

// Rows enough that a paint per row shows against the pace.
constexpr int kManyRows = 20000;

TEST_F(SQLWindow, CopyingALargeResultDrawsItsProgressAtMostTenTimesASecond) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  connection->ExecSQL("CREATE TABLE S.T (A INTEGER)");
  connection->ExecSQL("INSERT INTO S.T WITH RECURSIVE N(A) AS (SELECT 1 UNION ALL SELECT A + 1 FROM N WHERE A < " +
                      std::to_string(kManyRows) + ") SELECT A FROM N");
  connection->ExecSQL("COMMIT");
  TfrmSQL* form = OpenFromMain();
  SetText(*form, "SELECT A FROM S.T");
  form->actExec->trigger();
  ASSERT_TRUE(form->fraData->cdsData.Active());
  AppOption.PasteDialog = false;

  PaintCounter paints(main->StatusPanel(kStatusMessagePanel));
  env.Dialogs().QueueMessage(IDOK);
  QElapsedTimer clock;
  clock.start();
  form->fraData->btnCopy->trigger();
  const qint64 elapsed = clock.elapsed();
  EXPECT_EQ(Boxes().back(), "クリップボードに出力しました。");
  EXPECT_EQ(QApplication::clipboard()->text().count('\n'), kManyRows + 1) << "the rows and their titles";
  // The reset, the first and the last count besides one per interval.
  constexpr int kAlwaysDrawn = 3;
  EXPECT_LE(paints.Count(), elapsed / kProgressPaceMillis + kAlwaysDrawn) << elapsed << " ms";
}

// The window at a size where the editor shows every row of a short script.
void ShowRoomy(TfrmSQL& form) {
  constexpr QSize kRoomy(800, 600);
  form.parentWidget()->resize(kRoomy);
  form.splSQL->setSizes({kRoomy.height() / 2, kRoomy.height() / 2});
  QApplication::processEvents();
}

// The colour the editor shows at the right end of a row, past its text.
QRgb RowEndColour(TovMemo& editor, int row) {
  constexpr int kInsideEdge = 5;
  const QImage image = editor.viewport()->grab().toImage();
  return image.pixel(image.width() - kInsideEdge, editor.TextTop() + row * editor.RowHeight() + editor.RowHeight() / 2);
}

// The rows of the failed statement are selected and drawn as selected,
// through to the right edge as a user's selection of whole rows is.
TEST_F(SQLWindow, TheFailedStatementsRowsAreDrawnSelected) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  ShowRoomy(*form);
  SetText(*form, "SELECT 1 FROM RDBII_SYSTEM.RDBII_TABLE\r\n;\r\nSELECT 1 FROM,\r\n 2\r\n;\r\nSELECT 3 FROM X");
  env.Dialogs().QueueMessage(IDOK);
  form->actExec->trigger();
  ASSERT_EQ(form->txtSQL->SelText(), "SELECT 1 FROM,\r\n 2\r\n");
  const QRgb plain = RowEndColour(*form->txtSQL, 0);
  EXPECT_NE(RowEndColour(*form->txtSQL, 2), plain);
  EXPECT_NE(RowEndColour(*form->txtSQL, 3), plain);
  EXPECT_EQ(RowEndColour(*form->txtSQL, 5), plain);
}

// The bind grid that appears for a marker shows its titles and the name's
// row at once, without a drag of the splitter.
TEST_F(SQLWindow, TheBindGridShowsItsTitlesAndRowsWhenItAppears) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  ShowRoomy(*form);
  SetText(*form, "SELECT 1 FROM RDBII_SYSTEM.RDBII_TABLE WHERE 1 = :ID");
  form->actExec->trigger();
  QApplication::processEvents();
  TovStringGrid& grid = *form->grdParam;
  ASSERT_TRUE(grid.isVisible());
  const QRect room = grid.viewport()->rect();
  for (int column : {0, 1}) {
    SCOPED_TRACE(column);
    EXPECT_EQ(grid.horizontalHeader()->sectionViewportPosition(column), grid.columnViewportPosition(column));
    EXPECT_TRUE(room.intersects(grid.visualRect(grid.model()->index(0, column))));
  }
  EXPECT_EQ(grid.horizontalHeader()->sectionViewportPosition(0), 0) << "the name column starts at the left";
}

// The tab of result page `index` clicked as a user does.
void ClickResultTab(TfrmSQL& form, int index) {
  QTabBar& tabs = *form.pagData->tabBar();
  QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(index).center());
  QApplication::processEvents();
}

size_t DataGrids(const QWidget& window) {
  const QList<QWidget*> widgets = window.findChildren<QWidget*>();
  return static_cast<size_t>(
      std::count_if(widgets.begin(), widgets.end(), [](QWidget* w) { return dynamic_cast<TovDBGridBase*>(w); }));
}

TfraData& ResultFrame(TfrmSQL& form, int index) {
  return *dynamic_cast<TfraData*>(form.pagData->widget(index)->layout()->itemAt(0)->widget());
}

// A result page makes its grids and tool bar when first shown: one never
// looked at costs none, and one shown after the run shows its records with
// the commands, editing state and grid direction of its result.
TEST_F(SQLWindow, AResultPageMakesItsGridWhenFirstShownAndShowsItsResult) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  connection->ExecSQL("CREATE TABLE S.T (A INTEGER, B VARCHAR(10))");
  for (const char* row : {"1, 'one'", "2, 'two'", "3, 'three'"})
    connection->ExecSQL(std::string("INSERT INTO S.T VALUES (") + row + ")");
  connection->ExecSQL("COMMIT");
  AppOption.UpdateMode = true;
  AppOption.PasteTitle = kPasteTitleNames;
  TfrmSQL* form = OpenFromMain();
  ShowRoomy(*form);
  SetText(*form, "SELECT A FROM S.T WHERE A = 1\r\n;\r\nSELECT A, B FROM S.T ORDER BY A\r\n;\r\n"
                 "SELECT COUNT(*) AS N FROM S.T\r\n;\r\nSELECT B FROM S.T WHERE A = 2");
  form->actExec->trigger();
  QApplication::processEvents();
  ASSERT_EQ(form->pagData->count(), 4);
  QTabBar& tabs = *form->pagData->tabBar();
  for (int i = 0; i < tabs.count(); ++i) {
    EXPECT_TRUE(tabs.isTabVisible(i)) << i;
    EXPECT_FALSE(tabs.tabRect(i).isEmpty()) << i;
  }
  EXPECT_EQ(tabs.tabText(3).toStdString(), "結果4");
  for (int page : {1, 2, 3}) EXPECT_FALSE(ResultFrame(*form, page).Built()) << page;
  EXPECT_EQ(DataGrids(*form), 2u) << "the first page's grids alone";

  // A writable result: editing on as the option gives it, every record shown.
  ClickResultTab(*form, 1);
  TfraData& rows = ResultFrame(*form, 1);
  ASSERT_TRUE(rows.Built());
  EXPECT_EQ(DataGrids(*form), 4u) << "the shown page's grids alone joined";
  ASSERT_TRUE(rows.grdData1->isVisible());
  EXPECT_FALSE(rows.grdData2->isVisible());
  EXPECT_TRUE(rows.tolLeft->isVisible());
  EXPECT_GT(rows.grdData1->width(), 0);
  EXPECT_TRUE(rows.btnUpdate->isChecked());
  EXPECT_TRUE(rows.btnIns->isEnabled());
  EXPECT_TRUE(rows.mnugroup->isEnabled()) << "the aggregates (件数 among them)";
  EXPECT_TRUE(rows.grdData1->Options() & dgEditing);
  EXPECT_GE(rows.grdData1->VisibleRecords(), 3);
  rows.grdData1->SelectAllRecords();
  rows.grdData1->CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "1\tone\r\n2\ttwo\r\n3\tthree\r\n");

  // A count has no table to write to: editing went off while unbuilt.
  ClickResultTab(*form, 2);
  TfraData& count = ResultFrame(*form, 2);
  ASSERT_TRUE(count.Built());
  EXPECT_FALSE(count.btnUpdate->isChecked());
  EXPECT_FALSE(count.btnIns->isEnabled());
  EXPECT_FALSE(count.grdData1->Options() & dgEditing);
  EXPECT_EQ(count.grdData1->Columns()[0].Title().Caption(), "N");
  EXPECT_FALSE(ResultFrame(*form, 3).Built()) << "the last page was never shown";

  // Transposed grids carry over to the pages of the next run; a run that
  // stops at a failure still shows the tabs of the pages before it. The
  // run from a result page goes back to the first.
  form->fraData->btnGridTypeClick();
  SetText(*form, "SELECT A FROM S.T WHERE A = 1\r\n;\r\nSELECT B FROM S.T WHERE A = 3\r\n;\r\nSELECT X FROM S.NOSUCH");
  env.Dialogs().QueueMessage(IDOK);
  form->actExec->trigger();
  ASSERT_EQ(form->pagData->count(), 2);
  EXPECT_EQ(form->pagData->currentIndex(), 0);
  EXPECT_TRUE(tabs.isTabVisible(1));
  ClickResultTab(*form, 1);
  TfraData& transposed = ResultFrame(*form, 1);
  ASSERT_TRUE(transposed.Built());
  EXPECT_FALSE(transposed.VerticalShown);
  EXPECT_TRUE(transposed.grdData2->isVisible());
  EXPECT_FALSE(transposed.grdData1->isVisible());
  EXPECT_EQ(transposed.grdData2->Rows()[0].Title().Caption(), "B");
  transposed.grdData2->SelectAllRecords();
  transposed.grdData2->CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "three");
}

// Bytes of a program file: NULs early, and no Ctrl-Z, which would end the text.
std::string BinaryBytes(size_t size) {
  std::string bytes(size, '\0');
  uint32_t seed = 1;
  constexpr uint32_t kMultiplier = 1103515245u;
  constexpr uint32_t kIncrement = 12345u;
  constexpr int kHighByte = 24;
  for (size_t i = 4; i < size; ++i) {
    seed = seed * kMultiplier + kIncrement;
    const char c = static_cast<char>(seed >> kHighByte);
    bytes[i] = c == '\x1A' ? '\x1B' : c;
  }
  bytes.replace(0, 2, "MZ");
  return bytes;
}

TEST_F(SQLWindow, ABinaryFileOpensOnlyWhenTheUserSaysSoAndEscStopsAReading) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  QApplication::setActiveWindow(main.get());
  constexpr size_t kFileSize = 4 << 20;
  WriteFile("program.exe", BinaryBytes(kFileSize));
  const std::string question = env.Path("program.exe") + "\nはテキストファイルではないようです。テキストとして開きますか？";

  env.Dialogs().QueueFiles({env.Path("program.exe")});
  env.Dialogs().QueueMessage(IDNO);
  form->actOpen->trigger();
  EXPECT_EQ(Boxes(), testing_sqlwork::Lines{question});
  EXPECT_EQ(env.Dialogs().messages.back().flags & 0xF0u, static_cast<unsigned>(MB_ICONQUESTION));
  EXPECT_TRUE(Editor(*form).empty());

  // Esc pressed while a long script is read: nothing of it reaches the editor.
  WriteFile("long.sql", std::string(kFileSize, 'x'));
  env.Dialogs().QueueFiles({env.Path("long.sql")});
  QCoreApplication::postEvent(form->txtSQL, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  // The program's own Esc polling, as the shipped program installs it.
  std::unique_ptr<platform::WindowInput> saved = platform::SetInput(platform::MakeQtWindowInput());
  form->actOpen->trigger();
  platform::SetInput(std::move(saved));
  EXPECT_TRUE(Editor(*form).empty());
  EXPECT_EQ(Panel2(), "") << "no progress text stays";

  env.Dialogs().QueueFiles({env.Path("program.exe")});
  env.Dialogs().QueueMessage(IDYES);
  const PaintCounter progress(main->StatusPanel(kStatusMessagePanel));
  form->actOpen->trigger();
  EXPECT_GT(progress.Count(), 0) << "the reading shows its progress";
  EXPECT_EQ(Editor(*form).substr(0, 2), "MZ");
  EXPECT_GT(Editor(*form).size(), kFileSize / 2);
}

// What the window opens and saves unchanged opens again as it was: a final
// Ctrl-Z ends the text, and a byte CP932 cannot decode is no control character.
TEST_F(SQLWindow, AnOpenedScriptSavedUnchangedOpensAgainTheSame) {
  Logon();
  TfrmSQL* form = OpenFromMain();
  WriteFile("old.sql", "-- \x93\xFA\x96\x7B\r\nSELECT 1\xFF\x1A\x1A");
  env.Dialogs().QueueFiles({env.Path("old.sql")});
  form->actOpen->trigger();
  const std::string opened = Editor(*form);
  EXPECT_EQ(opened, "-- 日本\r\nSELECT 1\xEF\xBF\xBD\r\n");
  env.Dialogs().QueueFile(env.Path("saved.sql"));
  form->actSave->trigger();
  env.Dialogs().QueueFiles({env.Path("saved.sql")});
  form->actOpen->trigger();
  EXPECT_EQ(Editor(*form), opened);

  // A save that fails says why.
  const std::string nowhere = env.Path("missing") + "/saved.sql";
  env.Dialogs().QueueFile(nowhere);
  form->actSave->trigger();
  EXPECT_EQ(Boxes().back(), nowhere + ": No such file or directory");
}

}  // namespace
