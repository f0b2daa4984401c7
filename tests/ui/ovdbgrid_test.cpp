#include "ui/ovdbgrid.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QPainter>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "tests/standin/odbc_fixture.h"
#include "ui/core/ovresolver.h"

namespace {

// Writes through the real resolver unless told to fail.
class SwitchResolver : public TovResolver {
 public:
  explicit SwitchResolver(TovSQLConnection& connection) : real_(connection) {}
  void ApplyUpdate(TUpdateKind kind, const std::vector<TovField>& fields, const TRecordValues& original,
                   const TRecordValues& current) override {
    if (fail) throw EDatabaseError("refused");
    real_.ApplyUpdate(kind, fields, original, current);
  }
  bool fail = false;

 private:
  TovSQLResolver real_;
};

// A stand-in table of five records of five fields, shown in a grid.
template <class Grid>
class GridFixture {
 public:
  GridFixture() {
    odbc_.CreateStandin("ADMIN", "secret");
    connection_.UserName = "ADMIN";
    connection_.Password = "secret";
    connection_.DataSource = "ORVTEST";
    connection_.Connect();
    Exec("CREATE SCHEMA S");
    Exec("CREATE TABLE S.T (A INTEGER, B VARCHAR(10), C VARCHAR(10), D VARCHAR(10), E VARCHAR(10))");
    for (int i = 1; i <= 5; ++i) {
      const std::string n = std::to_string(i);
      Exec("INSERT INTO S.T VALUES (" + n + ", 'b" + n + "', 'c" + n + "', 'd" + n + "', NULL)");
    }
    query_.SetSQL("SELECT A, B, C, D, E FROM S.T ORDER BY A");
    data_.Open(query_, &resolver_);
    grid.resize(600, 400);
    grid.SetOptions(grid.Options() | dgMultiSelect);
    grid.SetDataSet(&data_);
    grid.show();
  }
  void Exec(const std::string& sql) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    q.ExecSQL();
  }
  int Rows() {
    TovSQLQuery q(&connection_);
    q.SetSQL("SELECT COUNT(*) FROM S.T");
    q.Open();
    return q.Value(0).toInt();
  }
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(&grid, static_cast<Qt::Key>(key), mods);
  }

  testing_odbc::OdbcFixture odbc_;
  TovSQLConnection connection_;
  TovSQLQuery query_{&connection_};
  SwitchResolver resolver_{connection_};
  TovClientDataSet data_;
  Grid grid;
};

using VFixture = GridFixture<TovDBGridV>;
using HFixture = GridFixture<TovDBGridH>;

}  // namespace

TEST(DBGridV, RecordStepsApplyAndAppend) {
  struct Case {
    const char* name;
    int start;
    bool editFirst;
    bool failApply;
    std::vector<int> keys;
    int recNo;
    TDataSetState state;
    int changes;
  } cases[] = {
      {"down steps", 2, false, false, {Qt::Key_Down}, 3, TDataSetState::dsBrowse, 0},
      {"down at the last appends", 5, false, false, {Qt::Key_Down}, 6, TDataSetState::dsInsert, 0},
      {"down again at an untouched new record stays", 5, false, false, {Qt::Key_Down, Qt::Key_Down}, 6,
       TDataSetState::dsInsert, 0},
      {"up cancels the untouched new record", 5, false, false, {Qt::Key_Down, Qt::Key_Up}, 5,
       TDataSetState::dsBrowse, 0},
      {"failed apply: no append", 5, true, true, {Qt::Key_Down}, 5, TDataSetState::dsBrowse, 1},
      {"applied edit, then append", 5, true, false, {Qt::Key_Down}, 6, TDataSetState::dsInsert, 0},
      {"esc drops every cached change", 5, true, true, {Qt::Key_Down, Qt::Key_Escape}, 5, TDataSetState::dsBrowse, 0},
      {"page up and home do not apply", 5, true, true, {Qt::Key_PageUp}, 1, TDataSetState::dsBrowse, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VFixture f;
    f.resolver_.fail = c.failApply;
    f.data_.SetRecNo(c.start);
    if (c.editFirst) {
      f.data_.SetFieldText(1, "changed");
      f.data_.Post();
    }
    for (int key : c.keys) f.Key(key);
    EXPECT_EQ(f.data_.RecNo(), c.recNo);
    EXPECT_EQ(f.data_.State(), c.state);
    EXPECT_EQ(f.data_.ChangeCount(), c.changes);
  }
}

TEST(DBGridV, EnterTabAndRowSelect) {
  VFixture f;
  EXPECT_EQ(f.grid.CurrentDataIndex(), 0);
  f.Key(Qt::Key_Return);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 1) << "Enter is Right";
  f.Key(Qt::Key_End);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 4);
  f.Key(Qt::Key_Return);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 4) << "stays at the last column";
  EXPECT_EQ(f.data_.RecNo(), 1);
  f.Key(Qt::Key_Tab);
  EXPECT_EQ(f.data_.RecNo(), 2) << "Tab past the last column goes to the next record";
  EXPECT_EQ(f.grid.CurrentDataIndex(), 0);
  f.grid.SetOptions(f.grid.Options() | dgRowSelect);
  EXPECT_FALSE(f.grid.Options() & dgEditing);
  f.Key(Qt::Key_Return);
  EXPECT_EQ(f.data_.RecNo(), 3);
  f.Key(Qt::Key_Left);
  EXPECT_EQ(f.data_.RecNo(), 2);
}

TEST(DBGridV, EditorStoresOnStepAndShowsBlobsAndNulls) {
  VFixture f;
  f.Key(Qt::Key_Right);
  ASSERT_TRUE(f.grid.EditorShowing());
  EXPECT_EQ(f.grid.EditText(), "b1");
  f.grid.Editor()->setFocus();
  QTest::keyClicks(f.grid.Editor(), "new");
  QTest::keyClick(f.grid.Editor(), Qt::Key_Down);
  EXPECT_EQ(f.data_.RecNo(), 2);
  QTest::keyClick(f.grid.Editor(), Qt::Key_Tab);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 2) << "Tab in the editor moves inside the grid";
  EXPECT_EQ(f.data_.ChangeCount(), 0) << "applied on the step";
  TovSQLQuery q(&f.connection_);
  q.SetSQL("SELECT B FROM S.T WHERE A = 1");
  q.Open();
  EXPECT_EQ(q.AsString(0), "new");
  f.Key(Qt::Key_End);
  EXPECT_EQ(f.grid.EditText(), "") << "a null";
}

TEST(DBGridV, DeleteAsksFirst) {
  VFixture f;
  platform::ScopedScriptedDialogs dialogs;
  dialogs->QueueMessage(IDCANCEL);
  f.Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(dialogs->messages.at(0).text, "レコードを削除しますか？");
  EXPECT_EQ(f.Rows(), 5);
  f.grid.SelectAllRecords();
  dialogs->QueueMessage(IDOK);
  f.Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(dialogs->messages.at(1).text, "選択されたレコードをすべて削除してよいですか？");
  EXPECT_TRUE(f.data_.IsEmpty());
  EXPECT_EQ(f.data_.ApplyUpdates(0), 0);
  EXPECT_EQ(f.Rows(), 0);
}

TEST(DBGridV, MouseSelectionAndCopy) {
  VFixture f;
  QClipboard* clipboard = QApplication::clipboard();
  const auto click = [&](int slot, int field, Qt::KeyboardModifiers mods = Qt::NoModifier,
                         Qt::MouseButton button = Qt::LeftButton) {
    // Past the 11-pixel indicator column, in the middle of the field's column.
    int x = 5;
    if (field >= 0) {
      x = 11 + f.grid.ColumnWidth(field) / 2;
      for (int i = 0; i < field; ++i) x += f.grid.ColumnWidth(i);
    }
    const int titleHeight = f.grid.fontMetrics().height() + 4;
    const int y = titleHeight + slot * (f.grid.fontMetrics().height() + 4) + 3;
    QTest::mouseClick(&f.grid, button, mods, QPoint(x, y));
  };
  click(1, -1);
  EXPECT_EQ(f.grid.SelectedRecords().Count(), 1U) << "an indicator click takes the whole record";
  EXPECT_TRUE(WholeRecordsV);
  f.grid.CopyToClipboard();
  EXPECT_EQ(clipboard->text(), "2\tb2\tc2\td2\t");
  click(3, -1, Qt::ShiftModifier);
  EXPECT_EQ(f.grid.SelectedRecords().Count(), 3U) << "Shift takes the range";
  f.grid.CopyToClipboard();
  EXPECT_EQ(clipboard->text(), "2\tb2\tc2\td2\t\r\n3\tb3\tc3\td3\t\r\n4\tb4\tc4\td4\t\r\n");
  click(2, -1, Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(f.grid.SelectedRecords().Count(), 3U) << "a right click in the indicator keeps the selection";
  click(0, 2);
  EXPECT_EQ(f.grid.SelectedRecords().Count(), 0U) << "a click clears the selection";
  f.grid.CopyToClipboard();
  EXPECT_EQ(clipboard->text(), "c1");
  click(1, 2, Qt::ControlModifier);
  EXPECT_EQ(f.grid.SelectedRecords().Count(), 1U) << "Ctrl toggles";

  // Shift with Right from field 1 to 3 copies those fields of the record.
  click(0, 1);
  f.Key(Qt::Key_Right, Qt::ShiftModifier);
  f.Key(Qt::Key_Right, Qt::ShiftModifier);
  EXPECT_EQ(f.grid.ColStart(), 1);
  EXPECT_EQ(f.grid.ColEnd(), 3);
  f.grid.SelectedRecords().Clear();
  f.Key(Qt::Key_Right, Qt::ShiftModifier);
  f.grid.SetColEnd(3);
  f.grid.CopyToClipboard();
  EXPECT_EQ(clipboard->text(), "b1\tc1\td1");
}

TEST(DBGridV, WheelActsAsDownAndEditCommandsSelectAll) {
  VFixture f;
  QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(&f.grid, &down);
  EXPECT_EQ(f.data_.RecNo(), 2);
  TovEditCommands& commands = f.grid;
  f.grid.Editor()->selectAll();
  commands.SelectAll();
  EXPECT_EQ(f.grid.SelectedRecords().Count(), 5U);
  EXPECT_EQ(f.grid.ColStart(), 0);
  EXPECT_EQ(f.grid.ColEnd(), 5);
}

TEST(DBGridH, DifferencesFromTheVerticalGrid) {
  HFixture f;
  EXPECT_GE(f.grid.TitleWidth(), 64);
  // Right steps records, Down steps fields.
  f.Key(Qt::Key_Right);
  EXPECT_EQ(f.data_.RecNo(), 2);
  f.Key(Qt::Key_Down);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 1);
  f.Key(Qt::Key_Return);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 2) << "Enter is Down";
  // The wheel moves between field rows.
  QWheelEvent down(QPointF(100, 50), QPointF(100, 50), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(&f.grid, &down);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 3);
  EXPECT_EQ(f.data_.RecNo(), 2);
  // Moving to another field row with Ctrl still selects the record.
  f.Key(Qt::Key_Up, Qt::ControlModifier);
  EXPECT_TRUE(f.grid.SelectedRecords().IsSelected(f.data_.Bookmark()));
  // Sizing one record column sizes all.
  const int indicatorHeight = f.grid.fontMetrics().height() + 4;
  const int edge = f.grid.TitleWidth() + 64 - 1;
  QTest::mousePress(&f.grid, Qt::LeftButton, Qt::NoModifier, QPoint(edge, indicatorHeight / 2));
  QMouseEvent move(QEvent::MouseMove, QPointF(edge + 40, indicatorHeight / 2), QPointF(), Qt::LeftButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f.grid, &move);
  QTest::mouseRelease(&f.grid, Qt::LeftButton, Qt::NoModifier, QPoint(edge + 40, indicatorHeight / 2));
  EXPECT_EQ(f.grid.DefaultColWidth(), 64 - 1 + 40);
  // A right click in the top 17 pixels keeps the selection.
  const size_t selected = f.grid.SelectedRecords().Count();
  ASSERT_GT(selected, 0U);
  QTest::mouseClick(&f.grid, Qt::RightButton, Qt::NoModifier, QPoint(f.grid.TitleWidth() + 150, 10));
  EXPECT_EQ(f.grid.SelectedRecords().Count(), selected);
  // A null shows an empty edit text.
  f.Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 4);
  EXPECT_EQ(f.grid.EditText(), "");
}

TEST(DBGridV, DateTimeWidthAndBlobEditText) {
  testing_odbc::OdbcFixture odbc;
  odbc.CreateStandin("ADMIN", "secret");
  TovSQLConnection connection;
  connection.UserName = "ADMIN";
  connection.Password = "secret";
  connection.DataSource = "ORVTEST";
  connection.Connect();
  const auto exec = [&](const std::string& sql, const QVariant& value = QVariant()) {
    TovSQLQuery q(&connection);
    q.SetSQL(sql);
    if (!q.Parameters().empty()) q.Parameters()[0].Value = value;
    q.ExecSQL();
  };
  exec("CREATE SCHEMA S");
  exec("CREATE TABLE S.L (STAMP TIMESTAMP, DATA BLOB)");
  exec("INSERT INTO S.L VALUES ('2024-01-02 03:04:05', :D)", QByteArray(150, '\xab'));
  const std::string savedFormat = ShortDateFormat;
  ShortDateFormat = "yyyy/MM/dd";
  TovSQLQuery query(&connection);
  query.SetSQL("SELECT STAMP, DATA FROM S.L");
  TovClientDataSet data;
  data.Open(query, nullptr);
  EXPECT_EQ(data.Fields()[0].DisplayWidth, 18);
  TovDBGridV grid;
  grid.resize(600, 300);
  grid.SetDataSet(&data);
  EXPECT_EQ(data.Fields()[0].DisplayWidth, 16) << "the date format, a blank and the time format";
  QTest::keyClick(&grid, Qt::Key_Right);
  std::string hex;
  for (int i = 0; i < 100; ++i) hex += "AB";
  EXPECT_EQ(grid.EditText(), hex) << "the first 100 bytes in hexadecimal";
  ShortDateFormat = savedFormat;
}

TEST(DBGridV, EditCommandsCopyPasteAndClearRecords) {
  VFixture f;
  TovEditCommands& commands = f.grid;
  f.grid.SelectedRecords().SetSelected(f.data_.Bookmark(), true);
  commands.ClearSelection();
  EXPECT_EQ(f.data_.ApplyUpdates(0), 0);
  EXPECT_EQ(f.Rows(), 4) << "clear deletes the selected records";

  f.grid.SelectAllRecords();
  EXPECT_EQ(commands.SelectedText(), "") << "records are not text until copied";
  commands.CopyToClipboard();
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("2\tb2\tc2\td2\t\r\n"));
  f.grid.SelectedRecords().Clear();
  f.data_.Last();
  commands.PasteFromClipboard();
  EXPECT_EQ(f.data_.State(), TDataSetState::dsInsert) << "an empty record waits after the pasted ones";
  f.Key(Qt::Key_Up);
  EXPECT_EQ(f.data_.ApplyUpdates(0), 0);
  EXPECT_EQ(f.Rows(), 8) << "every copied record pasted back";

  // A text without TAB or CR LF goes into the cell editor only.
  QApplication::clipboard()->setText("x");
  f.data_.First();
  f.Key(Qt::Key_Right);
  f.grid.Editor()->selectAll();
  commands.PasteFromClipboard();
  EXPECT_EQ(f.grid.Editor()->text(), "x");
  f.Key(Qt::Key_Escape);
  EXPECT_EQ(f.data_.ChangeCount(), 0);
  EXPECT_EQ(f.data_.AsString(1), "b2");
}

TEST(DBGridColumns, TitlesDefaultsAndWidthsWrittenBack) {
  VFixture f;
  TDBGridColumns& columns = f.grid.Columns();
  ASSERT_EQ(columns.Count(), 5);
  EXPECT_FALSE(columns.Customized());
  TColumn& b = columns[1];
  EXPECT_EQ(b.Title().Caption(), "B") << "the field's display label";
  EXPECT_EQ(b.Title().Color(), f.grid.FixedColor());
  EXPECT_EQ(b.Title().Font(), f.grid.TitleFont());
  EXPECT_EQ(b.Color(), f.grid.palette().base().color());
  EXPECT_EQ(columns[0].Alignment(), TAlignment::taRightJustify) << "a number field";
  EXPECT_FALSE(b.ReadOnly());

  // A default column passes its settings on to its field.
  b.Title().SetCaption("名前");
  EXPECT_EQ(f.data_.Fields()[1].DisplayLabel, "名前");
  b.SetAlignment(TAlignment::taCenter);
  EXPECT_EQ(f.data_.Fields()[1].Alignment, TAlignment::taCenter);
  b.SetReadOnly(true);
  EXPECT_TRUE(f.data_.Fields()[1].ReadOnly);
  b.SetReadOnly(false);

  // Its width goes back into the field's display width and survives a layout.
  const int average = QFontMetrics(b.Font()).averageCharWidth();
  b.SetWidth(30 * average);
  EXPECT_EQ(f.data_.Fields()[1].DisplayWidth, (30 * average + average / 2 - 3) / average);
  EXPECT_EQ(f.grid.ColumnWidth(1), 30 * average);
  b.SetColor(Qt::yellow);
  f.grid.UpdateLayout();
  EXPECT_EQ(columns[1].Color(), QColor(Qt::yellow)) << "the same fields keep their columns";
  columns[1].ResetToDefaults();
  EXPECT_EQ(columns[1].Color(), f.grid.palette().base().color());
  EXPECT_EQ(columns[1].Width(), columns[1].DefaultWidth());

  columns[2].SetVisible(false);
  EXPECT_EQ(columns[2].Width(), -1);
  f.Key(Qt::Key_Right);
  f.Key(Qt::Key_Right);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 3) << "a hidden column is passed over";
}

TEST(DBGridColumns, CustomizedColumnsMovingAndTheCopyOrder) {
  VFixture f;
  TDBGridColumns& columns = f.grid.Columns();
  columns.SetCustomized(true);
  ASSERT_EQ(columns.Count(), 5);
  EXPECT_TRUE(columns[0].Stored());
  columns.Delete(4);
  columns.Delete(3);
  TColumn& missing = columns.Add();
  missing.SetFieldName("NOPE");
  EXPECT_EQ(f.grid.MappedFieldCount(), 4);
  EXPECT_EQ(f.grid.MappedField(3), -1) << "a name without a field";
  EXPECT_EQ(missing.Title().Caption(), "NOPE");
  EXPECT_EQ(missing.Width(), 64);
  f.grid.grab();  // draws an empty cell for it

  std::vector<std::pair<int, int>> moved;
  f.grid.OnItemMoved = [&](int from, int to) { moved.emplace_back(from, to); };
  columns.Move(2, 0);
  EXPECT_EQ(columns[0].FieldName(), "C");
  EXPECT_EQ(moved, (std::vector<std::pair<int, int>>{{2, 0}}));
  f.grid.SelectAllRecords();
  f.grid.SetColStart(0);
  f.grid.SetColEnd(1);
  WholeRecordsV = false;
  f.grid.CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text().section("\r\n", 0, 0), "c1\t1") << "the grid's order";

  columns.SetCustomized(false);
  EXPECT_FALSE(columns.Customized());
  EXPECT_EQ(columns.Count(), 5) << "default columns again";
}

TEST(DBGridColumns, PickListAndReadOnlyColumn) {
  VFixture f;
  TColumn& b = f.grid.Columns()[1];
  b.SetPickList({"alpha", "beta"});
  f.Key(Qt::Key_Right);
  ASSERT_TRUE(f.grid.EditorShowing());
  QCompleter* list = f.grid.Editor()->completer();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->maxVisibleItems(), 7);
  f.grid.Editor()->setFocus();
  QTest::keyClick(f.grid.Editor(), Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(list->popup()->isVisible());
  emit list->activated(QStringLiteral("beta"));
  f.Key(Qt::Key_Down);
  EXPECT_EQ(f.data_.ChangeCount(), 0);
  f.data_.First();
  EXPECT_EQ(f.data_.AsString(1), "beta");

  f.grid.Columns()[2].SetReadOnly(true);
  f.Key(Qt::Key_Right);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 2);
  EXPECT_TRUE(f.grid.Editor()->isReadOnly());
  EXPECT_EQ(f.grid.Editor()->completer(), nullptr);
}

TEST(DBGridColumns, LayoutWaitsWhileTheControlsAreDisabled) {
  VFixture f;
  f.data_.DisableControls();
  f.grid.Columns().SetCustomized(true);
  f.grid.Columns().Delete(0);
  EXPECT_EQ(f.grid.MappedFieldCount(), 5) << "not laid out yet";
  f.grid.BeginLayoutLock();
  f.data_.EnableControls();
  EXPECT_EQ(f.grid.MappedFieldCount(), 5) << "the layout lock is held";
  f.grid.EndLayoutLock();
  EXPECT_EQ(f.grid.MappedFieldCount(), 4);
  EXPECT_EQ(f.grid.MappedField(0), 1);
}

TEST(DBGridRows, TitleColumnFromTheRowTitles) {
  HFixture f;
  TDBGridRows& rows = f.grid.Rows();
  ASSERT_EQ(rows.Count(), 5);
  EXPECT_EQ(f.grid.TitleWidth(), 64) << "at least 64 pixels";
  const std::string wide(40, 'W');
  rows[2].Title().SetCaption(wide);
  EXPECT_EQ(f.data_.Fields()[2].DisplayLabel, wide);
  EXPECT_EQ(f.grid.TitleWidth(),
            QFontMetrics(rows[2].Title().Font()).horizontalAdvance(QString::fromStdString(wide)) + 4);
  rows[1].SetVisible(false);
  f.Key(Qt::Key_Down);
  EXPECT_EQ(f.grid.CurrentDataIndex(), 2) << "a hidden row is passed over";
}

TEST(DrawCellText, AlignmentsAndOffsets) {
  struct Case {
    TAlignment alignment;
    int left;  // first column of ink, -1: compute from the right edge
  } cases[] = {{TAlignment::taLeftJustify, 2}, {TAlignment::taRightJustify, -1}, {TAlignment::taCenter, -2}};
  constexpr int kWidth = 100, kHeight = 20;
  for (const Case& c : cases) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setBrush(Qt::white);
    painter.setPen(Qt::black);
    const QString text = QStringLiteral("I");
    DrawCellText(painter, QRect(0, 0, kWidth / 2, kHeight), 2, c.alignment, text, 2);
    const int textWidth = painter.fontMetrics().horizontalAdvance(text);
    painter.end();
    EXPECT_EQ(image.pixelColor(kWidth / 2 + 1, kHeight / 2), QColor(Qt::black)) << "clipped to the cell";
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::white)) << "the cell filled";
    int ink = -1;
    for (int x = 0; x < kWidth / 2 && ink < 0; ++x)
      for (int y = 0; y < kHeight; ++y)
        if (image.pixelColor(x, y).lightness() < 128) {
          ink = x;
          break;
        }
    const int start = c.left >= 0 ? c.left : c.left == -1 ? kWidth / 2 - 1 - textWidth - 3 : kWidth / 4 - textWidth / 2;
    EXPECT_GE(ink, start) << static_cast<int>(c.alignment);
    EXPECT_LE(ink, start + textWidth) << static_cast<int>(c.alignment);
  }
}

TEST(IndicatorImages, SizesAndTransparency) {
  for (int i = 0; i < kIndicatorImages; ++i) {
    const QImage v = IndicatorImage(false, static_cast<TIndicatorImage>(i)).toImage();
    const QImage h = IndicatorImage(true, static_cast<TIndicatorImage>(i)).toImage();
    EXPECT_EQ(v.size(), QSize(6, 11));
    EXPECT_EQ(h.size(), QSize(11, 6));
    EXPECT_EQ(v.pixelColor(0, 0).alpha(), 0) << "white is transparent";
  }
  // The arrow points right at its record, or down in the transposed grid.
  const QImage right = IndicatorImage(false, kImageArrow).toImage();
  EXPECT_GT(right.pixelColor(0, 5).alpha(), 0);
  EXPECT_GT(right.pixelColor(3, 5).alpha(), 0);
  EXPECT_EQ(right.pixelColor(3, 3).alpha(), 0);
  const QImage down = IndicatorImage(true, kImageArrow).toImage();
  EXPECT_GT(down.pixelColor(5, 3).alpha(), 0);
  EXPECT_EQ(down.pixelColor(3, 3).alpha(), 0);
}

TEST(DBGridColumns, TitleClickCellClickAndDragToMove) {
  VFixture f;
  const auto middle = [&](int field) {
    int x = 11 + f.grid.ColumnWidth(field) / 2;
    for (int i = 0; i < field; ++i) x += f.grid.ColumnWidth(i);
    return x;
  };
  const int titleY = 4, cellY = f.grid.fontMetrics().height() + 4 + 6;
  std::vector<std::string> titles, cells;
  f.grid.OnTitleClick = [&](TGridItem& item) { titles.push_back(item.FieldName()); };
  f.grid.OnCellClick = [&](TGridItem& item) { cells.push_back(item.FieldName()); };
  std::vector<std::pair<int, int>> moved;
  f.grid.OnColumnMoved = [&](int from, int to) { moved.emplace_back(from, to); };
  QTest::mouseClick(&f.grid, Qt::LeftButton, Qt::NoModifier, QPoint(middle(2), titleY));
  QTest::mouseClick(&f.grid, Qt::LeftButton, Qt::NoModifier, QPoint(middle(3), cellY));
  EXPECT_EQ(titles, std::vector<std::string>{"C"});
  EXPECT_EQ(cells, std::vector<std::string>{"D"});
  EXPECT_TRUE(moved.empty());
  QTest::mousePress(&f.grid, Qt::LeftButton, Qt::NoModifier, QPoint(middle(0), titleY));
  QTest::mouseRelease(&f.grid, Qt::LeftButton, Qt::NoModifier, QPoint(middle(2), titleY));
  EXPECT_EQ(moved, (std::vector<std::pair<int, int>>{{0, 2}}));
  EXPECT_EQ(f.grid.Columns()[2].FieldName(), "A");
  EXPECT_EQ(titles.size(), 1U) << "a drag is no click";
}

TEST(DBGridV, LeavingWithARejectedValueTakesTheFocusBack) {
  QWidget box;  // outlives the grid it holds
  VFixture f;
  f.grid.setParent(&box);
  QLineEdit other(&box);
  other.move(0, 420);
  box.resize(600, 460);
  box.show();
  box.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
  f.grid.setFocus();
  f.Key(Qt::Key_F2);
  ASSERT_TRUE(f.grid.Editor()->hasFocus());
  QTest::keyClicks(f.grid.Editor(), "abc");  // into the INTEGER field A
  platform::ScopedScriptedDialogs dialogs;
  dialogs->QueueMessage(IDOK);
  other.setFocus();
  ASSERT_EQ(dialogs->messages.size(), 1U);
  EXPECT_NE(dialogs->messages[0].text.find("abc"), std::string::npos);
  EXPECT_TRUE(f.grid.hasFocus()) << "the grid takes the focus back";
}

TEST(DBGridColumns, DrawEventEllipsisButtonAndDoubleClick) {
  VFixture f;
  std::vector<std::string> drawn;
  f.grid.OnDrawColumnCell = [&](const TovDBGridBase::TDrawCellInfo& cell) {
    if (cell.DataIndex != 4) return;
    const bool null = f.data_.IsNullAt(cell.Record, f.grid.MappedField(cell.DataIndex));
    drawn.push_back(null ? "(NULL)" : f.data_.FieldTextAt(cell.Record, 4));
  };
  f.grid.grab();
  EXPECT_EQ(drawn, std::vector<std::string>(5, "(NULL)")) << "every shown record, its values readable";

  int pressed = 0;
  f.grid.OnEditButtonClick = [&] { ++pressed; };
  f.grid.Columns()[1].ButtonStyle = TColumnButtonStyle::cbsEllipsis;
  f.Key(Qt::Key_Right);
  QToolButton* button = f.grid.Editor()->findChild<QToolButton*>();
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(button->isVisible());
  button->click();
  f.grid.Editor()->setFocus();
  QTest::keyClick(f.grid.Editor(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(pressed, 2);
  f.Key(Qt::Key_Right);
  EXPECT_FALSE(button->isVisible()) << "a plain column has none";

  int doubles = 0;
  f.grid.OnDblClick = [&] { ++doubles; };
  QTest::mouseDClick(&f.grid, Qt::LeftButton, Qt::NoModifier, QPoint(100, 40));
  EXPECT_EQ(doubles, 1);
}

TEST(DBGridV, GridPositionsCountTheBands) {
  VFixture f;
  EXPECT_EQ(f.grid.IndicatorOffset(), 1);
  EXPECT_EQ(f.grid.TitleOffset(), 1);
  EXPECT_EQ(f.grid.GridToDataIndex(3), 2);
  EXPECT_EQ(f.grid.DataToGridIndex(2), 3);
  const int titleHeight = QFontMetrics(f.grid.TitleFont()).height() + 4;
  const QRect first = f.grid.CellRect(1, 1);
  EXPECT_EQ(first.topLeft(), QPoint(11, titleHeight));
  EXPECT_EQ(first.width(), f.grid.ColumnWidth(0));
  EXPECT_EQ(f.grid.CellRect(0, 0).size(), QSize(11, titleHeight)) << "the corner";
  HFixture h;
  EXPECT_EQ(h.grid.CellRect(1, 1).topLeft(), QPoint(h.grid.TitleWidth(), titleHeight));
  EXPECT_EQ(h.grid.CellRect(2, 1).left(), h.grid.TitleWidth() + h.grid.DefaultColWidth());
}

// As the SQL window's edit mode sets the grid: a click on a cell, then
// typing, edits the cell with what was typed; keys that are no characters
// and grids that may not change keep their own handling.
TEST(DBGridV, TypingOnAClickedCellStartsEditingWithTheCharacter) {
  struct Case {
    const char* name;
    bool readOnly;
    Qt::KeyboardModifiers mods;
    std::string stored;
  } cases[] = {
      {"typed on an editable cell", false, Qt::NoModifier, "xy"},
      {"a read-only grid", true, Qt::NoModifier, "b2"},
      {"Ctrl with a letter is a command", false, Qt::ControlModifier, "b2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VFixture f;
    f.grid.SetOptions(f.grid.Options() | dgEditing | dgAlwaysShowEditor);
    f.grid.SetReadOnly(c.readOnly);
    f.grid.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.grid));
    const QRect cell = f.grid.CellRect(2, 2);  // field B of the second record
    QTest::mouseClick(&f.grid, Qt::LeftButton, Qt::NoModifier, cell.center());
    ASSERT_EQ(f.data_.RecNo(), 2);
    ASSERT_EQ(f.grid.CurrentDataIndex(), 1);
    for (const char key : std::string("xy")) QTest::keyClick(QApplication::focusWidget(), key, c.mods);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    TovSQLQuery q(&f.connection_);
    q.SetSQL("SELECT B FROM S.T WHERE A = 2");
    q.Open();
    EXPECT_EQ(q.AsString(0), c.stored);
  }
}
