#include "ui/rdata.h"

#include <gtest/gtest.h>

#include <limits>

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/inifile.h"
#include "platform/windowinput.h"
#include "tests/platform/escape_at.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/grid_fixture.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/ui/test_data_host.h"
#include "tests/ui/test_main_window.h"
#include "ui/fmemo.h"
#include "ui/ovdbgrid.h"
#include "ui/zarurctl.h"

namespace {

// The program's own defaults of DataColWidthV and DataColWidthH.
constexpr int kProgramColWidthV = 30;
constexpr int kProgramColWidthH = 20;

class DataFrame : public testing::Test {
 protected:
  void SetUp() override {
    testing_grids::ConnectStandin(odbc_, connection_);
    testing_grids::CreateGridFixture(connection_);
    saved_ = AppOption;
    AppOption.TempDir = settings_.Path("temp") + "/";
    AppOption.AutoCommit = true;
    AppOption.UpdateMode = false;
    AppOption.PasteDialog = false;
    AppOption.DataColWidthV = kProgramColWidthV;
    AppOption.DataColWidthH = kProgramColWidthH;
    AppOption.ShowNull = true;
    AppOption.DataShowMode = 0;
    frame_ = std::make_unique<TfraData>(host_, &connection_);
    frame_->resize(800, 500);
    frame_->show();
  }
  void TearDown() override {
    frame_.reset();
    AppOption = saved_;
  }
  void Open(const std::string& sql) {
    frame_->SetSQL(sql);
    frame_->PrepareSQL();
    frame_->OpenData();
  }
  // Opens with editing on, as after a press of btnUpdate.
  void OpenWritable(const std::string& sql) {
    frame_->btnUpdate->setChecked(true);
    Open(sql);
  }
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const platform::MessageRequest& m : settings_.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }
  // The first value of a statement run apart from the frame.
  std::string Value(const std::string& sql) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    q.Open();
    return q.Eof() ? "(none)" : q.AsString(size_t{0});
  }
  // Makes the field at the data index the visible grid's current one.
  void GoToField(TovDBGridBase& grid, int dataIndex) {
    const Qt::Key forward = &grid == frame_->grdData1 ? Qt::Key_Right : Qt::Key_Down;
    const Qt::Key back = &grid == frame_->grdData1 ? Qt::Key_Left : Qt::Key_Up;
    while (grid.CurrentDataIndex() < dataIndex) grid.HandleKey(forward, Qt::NoModifier);
    while (grid.CurrentDataIndex() > dataIndex) grid.HandleKey(back, Qt::NoModifier);
  }

  testing_odbc::OdbcFixture odbc_;
  testing_support::TempSettings settings_;
  TovSQLConnection connection_;
  TTestDataHost host_;
  TovOption saved_;
  std::unique_ptr<TfraData> frame_;
};

TEST_F(DataFrame, OpensWithTheRowLimitOfTheEditorsOnly) {
  struct Case {
    TDataOwner::TKind kind;
    std::vector<std::string> lines;
    int records;
  } cases[] = {
      {TDataOwner::TKind::TableEditor,
       {"SELECT ID FROM S.ALLTYPES", " WITH OPTION LIMIT (50)", " WITH OPTION LOCK_MODE(SHARE LOCK)"},
       50},
      {TDataOwner::TKind::SqlWindow, {"SELECT ID FROM S.ALLTYPES", " WITH OPTION LOCK_MODE(SHARE LOCK)"}, 255},
  };
  for (const Case& c : cases) {
    host_.kind = c.kind;
    host_.limit = "50";
    Open("SELECT ID FROM S.ALLTYPES");
    EXPECT_EQ(StatementLines(frame_->qryData.SQL()), c.lines);
    EXPECT_EQ(frame_->cdsData.RecordCount(), c.records);
    EXPECT_TRUE(frame_->btnCopy->isEnabled());
    EXPECT_FALSE(frame_->btnIns->isEnabled()) << "read-only while btnUpdate is up";
  }
}

TEST_F(DataFrame, TheOwnersParameterValuesSurviveTheClausesASortAndEditing) {
  host_.limit = "50";
  frame_->SetSQL("SELECT ID, V FROM S.ALLTYPES WHERE ID = :ID OR ID = :ID2");
  frame_->PrepareSQL();
  frame_->qryData.Parameters()[0].Value = 3;
  frame_->qryData.Parameters()[1].Value = 1;
  frame_->OpenData();
  EXPECT_EQ(frame_->cdsData.RecordCount(), 2);
  frame_->SortByField(0);
  frame_->SortByField(0);
  ASSERT_EQ(frame_->cdsData.RecordCount(), 2);
  frame_->cdsData.First();
  EXPECT_EQ(frame_->cdsData.AsString(0), "3") << "sorted downwards";
  frame_->btnUpdate->setChecked(true);
  frame_->btnUpdateClick();
  EXPECT_EQ(frame_->cdsData.RecordCount(), 2);
  // An owner's own run of the after-open step drops what is pending.
  frame_->cdsData.SetFieldText(1, "pending");
  frame_->qryDataAfterOpenClose();
  EXPECT_EQ(frame_->cdsData.ChangeCount(), 0);
  EXPECT_EQ(frame_->cdsData.AsString(1), "crlf\r\nx");
}

TEST_F(DataFrame, TitleSortsFlipAndFollowTheSelectListAfterADrag) {
  Open("SELECT ID, V FROM S.ALLTYPES");
  frame_->SortByField(0);
  EXPECT_EQ(frame_->SortColumn, "1");
  EXPECT_FALSE(frame_->SortDescending);
  frame_->SortByField(0);
  EXPECT_TRUE(frame_->SortDescending);
  frame_->cdsData.First();
  EXPECT_EQ(frame_->cdsData.AsString(0), std::to_string(testing_grids::kFillerFirst + testing_grids::kFillerRows - 1));
  frame_->SortByField(0);
  EXPECT_FALSE(frame_->SortDescending);
  // after the ID column moved behind V, data index 1 still shows ID
  frame_->grdData1->Columns().Move(0, 1);
  frame_->SortByField(1);
  EXPECT_EQ(frame_->SortColumn, "1");
  EXPECT_TRUE(frame_->SortDescending);
}

TEST_F(DataFrame, AggregatesShowTheValueOrTheirMessages) {
  host_.kind = TDataOwner::TKind::TableEditor;
  Open(
      "SELECT ID, SI FROM S.ALLTYPES WHERE ID < 5 WITH OPTION LOCK_MODE(NO "
      "LOCK)");
  frame_->PopupColumn = 1;
  frame_->ShowAggregate(TAggregate::Sum);
  frame_->ShowAggregate(TAggregate::Count);
  frame_->BaseSQL = "SELECT ID, SI FROM S.ALLTYPES WHERE ID > 9999";
  frame_->ShowAggregate(TAggregate::Max);
  frame_->BaseSQL = "SELECT ID, SI FROM S.NOSUCH";
  frame_->ShowAggregate(TAggregate::Min);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"[SI]列の合計 = 4", "[SI]列の件数 = 4", "レコードがありません",
                                                  "集計情報を求めることができません。"}));
}

TEST_F(DataFrame, CopiesTheWholeResultWithCommentTitles) {
  AppOption.PasteTitle = kPasteTitleComments;
  AppOption.PasteColumn = 1;
  Open("SELECT ID, V FROM S.ALLTYPES WHERE ID IN (1, 2, 3)");
  frame_->btnCopyClick();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "ID,文字列\r\n1,\"tab\there\"\r\n2,\r\n3,\"crlf\nx\"\r\n");
  EXPECT_EQ(Messages(), (std::vector<std::string>{"クリップボードに出力しました。"}));
}

TEST_F(DataFrame, ColumnWidthsAreSavedBeforeTheResultCloses) {
  frame_->ColWidthKey = "S.ALLTYPES";
  Open("SELECT ID, V FROM S.ALLTYPES");
  constexpr int kWidth = 77;
  frame_->grdData1->Columns()[1].SetWidth(kWidth);
  Open("SELECT ID, V FROM S.ALLTYPES");
  EXPECT_EQ(frame_->grdData1->Columns()[1].Width(), kWidth);
  platform::IniFile file(ColWidthFileName(AppOption.TempDir, "S.ALLTYPES"));
  EXPECT_EQ(file.ReadInteger(kColWidthSectionV, "V", 0), kWidth);
}

TEST_F(DataFrame, DeleteAsksAndEditingNeedsTheUpdateButton) {
  Open("SELECT ID FROM S.ALLTYPES WHERE ID = 1");
  frame_->btnUpdate->setChecked(true);
  frame_->btnUpdateClick();
  EXPECT_TRUE(frame_->btnDel->isEnabled());
  settings_.Dialogs().QueueMessage(IDCANCEL);
  frame_->btnDelClick();
  EXPECT_EQ(frame_->cdsData.RecordCount(), 1);
  settings_.Dialogs().QueueMessage(IDOK);
  frame_->btnDelClick();
  EXPECT_TRUE(frame_->cdsData.IsEmpty());
  frame_->btnDelClick();  // an empty result asks nothing
  EXPECT_EQ(Messages(), (std::vector<std::string>(2, "レコードを削除しますか？")));
}

using testing_support::WhenShown;

TEST_F(DataFrame, TextsAndWideTextsAreEditedInTheMemoDialog) {
  OpenWritable("SELECT ID, V, N FROM S.ALLTYPES WHERE ID = 1");
  TovDBGridV& grid = *frame_->grdData1;
  EXPECT_EQ(grid.Columns()[0].ButtonStyle, TColumnButtonStyle::cbsNone);
  EXPECT_EQ(grid.Columns()[1].ButtonStyle, TColumnButtonStyle::cbsEllipsis);
  EXPECT_EQ(grid.Columns()[2].ButtonStyle, TColumnButtonStyle::cbsEllipsis) << "a wide string too";
  struct Case {
    int field;
    bool ok;
    std::string typed;
    std::string shown;
    std::string value;
    TDataSetState state;
  } cases[] = {
      {1, false, "ignored", "tab\there", "tab\there", TDataSetState::dsBrowse},
      {1, true, "tab\there", "tab\there", "tab\there", TDataSetState::dsBrowse},  // unchanged: no edit
      {2, true, "新しい\r\n文", "日本", "新しい\r\n文", TDataSetState::dsEdit},
  };
  for (const Case& c : cases) {
    GoToField(grid, c.field);
    std::string shown;
    WhenShown<TfrmMemo>([&](TfrmMemo& form) {
      shown = form.txtComment->Lines().GetTextStr();
      form.txtComment->Lines().SetTextStr(c.typed);
      (c.ok ? form.btnOk : form.btnCancel)->click();
    });
    frame_->grdData1EditButtonClick();
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(frame_->cdsData.AsString(c.field), c.value);
    EXPECT_EQ(frame_->cdsData.State(), c.state);
  }
  // The cell's own button opens it as well.
  frame_->cdsData.Cancel();
  GoToField(grid, 1);
  ASSERT_TRUE(grid.EditorShowing());
  QToolButton* ellipsis = grid.Editor()->findChild<QToolButton*>();
  ASSERT_NE(ellipsis, nullptr);
  ASSERT_TRUE(ellipsis->isVisibleTo(&grid));
  WhenShown<TfrmMemo>([](TfrmMemo& form) {
    form.txtComment->Lines().SetTextStr("by button");
    form.btnOk->click();
  });
  ellipsis->click();
  EXPECT_EQ(frame_->cdsData.AsString(1), "by button");
}

TEST_F(DataFrame, ADoubleClickEditsOnlyWhileTheUpdateButtonIsDown) {
  OpenWritable("SELECT ID, V FROM S.ALLTYPES WHERE ID = 2");
  TovDBGridV& grid = *frame_->grdData1;
  GoToField(grid, 1);
  WhenShown<TfrmMemo>([](TfrmMemo& form) {
    form.txtComment->Lines().SetTextStr("double");
    form.btnOk->click();
  });
  QTest::mouseDClick(grid.Editor(), Qt::LeftButton);
  EXPECT_EQ(frame_->cdsData.AsString(1), "double");
  frame_->cdsData.Cancel();
  frame_->btnUpdate->setChecked(false);
  QTest::mouseDClick(&grid, Qt::LeftButton, {}, grid.CellRect(2, 1).center());
  frame_->grdData1EditButtonClick();  // neither opens the dialog
  EXPECT_TRUE(frame_->cdsData.IsNull(1));
}

TEST_F(DataFrame, TheCalendarDropsDownOverADateCellAndWritesThePickedDate) {
  OpenWritable("SELECT ID, D, TS FROM S.ALLTYPES WHERE ID IN (1, 2) ORDER BY ID");
  TovDBGridV& grid = *frame_->grdData1;
  QDateTimeEdit& picker = *frame_->dtpInputDate;
  EXPECT_EQ(grid.Columns()[1].ButtonStyle, TColumnButtonStyle::cbsEllipsis);
  EXPECT_EQ(grid.Columns()[2].ButtonStyle, TColumnButtonStyle::cbsEllipsis);
  frame_->btnGridTypeClick();
  EXPECT_EQ(frame_->grdData2->Rows()[0].ButtonStyle, TColumnButtonStyle::cbsNone);
  EXPECT_EQ(frame_->grdData2->Rows()[1].ButtonStyle, TColumnButtonStyle::cbsEllipsis) << "kept across the switch";
  frame_->btnGridTypeClick();
  GoToField(grid, 1);
  frame_->grdData1EditButtonClick();
  ASSERT_FALSE(picker.isHidden());
  EXPECT_EQ(picker.dateTime(), QDateTime(QDate(2024, 1, 31), QTime(0, 0)));
  EXPECT_TRUE(picker.calendarWidget()->isVisible()) << "dropped down";
  const QRect cell = grid.CellRect(2, 1);
  const QPoint at = grid.mapTo(frame_.get(), cell.topLeft());
  EXPECT_EQ(picker.geometry(), QRect(at.x() + 1, at.y() + 1, cell.width() + 1, cell.height() + 2));
  EXPECT_EQ(frame_->cdsData.State(), TDataSetState::dsBrowse) << "showing is no change";
  picker.setDateTime(QDateTime(QDate(2025, 2, 3), QTime(0, 0)));
  EXPECT_EQ(frame_->cdsData.AsString(1), "2025-02-03");
  picker.calendarWidget()->window()->hide();
  EXPECT_TRUE(picker.isHidden()) << "closing up hides the picker";
  frame_->cdsData.Post();

  // The next record's empty date time starts today at midnight.
  frame_->cdsData.Next();
  GoToField(grid, 2);
  frame_->grdData1EditButtonClick();
  EXPECT_EQ(picker.dateTime(), QDateTime(QDate::currentDate(), QTime(0, 0)));
  picker.setDateTime(QDateTime(QDate(2025, 2, 3), QTime(10, 20, 30)));
  EXPECT_EQ(frame_->cdsData.AsString(2), "2025-02-03 10:20:30");
  picker.calendarWidget()->window()->hide();
  frame_->cdsData.Post();
  EXPECT_EQ(frame_->cdsData.ApplyUpdates(0), 0);
  EXPECT_EQ(Value("SELECT D FROM S.ALLTYPES WHERE ID = 1"), "2025-02-03");
  EXPECT_EQ(Value("SELECT TS FROM S.ALLTYPES WHERE ID = 2"), "2025-02-03 10:20:30");
}

TEST_F(DataFrame, CtrlZeroMakesTheCurrentFieldNullInEitherGrid) {
  struct Case {
    bool transposed;
    bool editor;
    Qt::KeyboardModifiers modifiers;
    bool updateDown;
    bool nulled;
  } cases[] = {
      {false, true, Qt::ControlModifier, true, true},
      {false, false, Qt::ControlModifier | Qt::KeypadModifier, true, true},
      {true, true, Qt::ControlModifier, true, true},
      {false, true, Qt::ControlModifier, false, false},
  };
  for (const Case& c : cases) {
    OpenWritable("SELECT ID, V FROM S.ALLTYPES WHERE ID = 1");
    if (c.transposed) frame_->btnGridTypeClick();
    TovDBGridBase& grid = frame_->VerticalShown ? static_cast<TovDBGridBase&>(*frame_->grdData1)
                                                : static_cast<TovDBGridBase&>(*frame_->grdData2);
    GoToField(grid, 1);
    frame_->btnUpdate->setChecked(c.updateDown);
    QTest::keyClick(c.editor ? static_cast<QWidget*>(grid.Editor()) : &grid, Qt::Key_0, c.modifiers);
    EXPECT_EQ(frame_->cdsData.IsNull(1), c.nulled) << c.transposed << c.editor;
    EXPECT_EQ(frame_->cdsData.State(), c.nulled ? TDataSetState::dsEdit : TDataSetState::dsBrowse);
    if (c.nulled) {
      EXPECT_EQ(grid.Editor()->text(), QString()) << "the editor shows the null";
    }
    frame_->cdsData.Cancel();
    if (c.transposed) frame_->btnGridTypeClick();
  }
}

TEST_F(DataFrame, BlobsStayWritableInTheTableEditorOnlyAndEditingOffLeavesTheCellEditor) {
  for (const TDataOwner::TKind kind : {TDataOwner::TKind::TableEditor, TDataOwner::TKind::SqlWindow}) {
    host_.kind = kind;
    OpenWritable("SELECT ID, B FROM S.ALLTYPES WHERE ID = 1");
    EXPECT_EQ(frame_->cdsData.Fields()[1].ReadOnly, kind != TDataOwner::TKind::TableEditor);
    EXPECT_TRUE(frame_->grdData1->EditorShowing());
    frame_->btnUpdate->setChecked(false);
    frame_->btnUpdateClick();
    EXPECT_FALSE(frame_->grdData1->EditorShowing());
    EXPECT_FALSE(frame_->grdData1->Options() & dgEditing);
  }
}

TEST_F(DataFrame, AResultWithoutATableCannotBeMadeWritable) {
  Open("SELECT ID, V FROM S.ALLVIEW WHERE ID = 1");
  frame_->btnUpdate->setChecked(true);
  frame_->btnUpdateClick();
  EXPECT_EQ(Messages(), (std::vector<std::string>{"この結果セットには書き込み出来ません。"}));
  EXPECT_FALSE(frame_->btnUpdate->isChecked());
  EXPECT_FALSE(frame_->btnIns->isEnabled());
  EXPECT_FALSE(frame_->mnuPaste->isEnabled());
}

TEST_F(DataFrame, InsertNavigationAndDeleteOfSelectedRecords) {
  OpenWritable("SELECT ID, V FROM S.ALLTYPES WHERE ID < 4 ORDER BY ID");
  TovClientDataSet& data = frame_->cdsData;
  TBookmarkList& selected = frame_->grdData1->SelectedRecords();
  struct Step {
    QAction* button;
    int recNo;
  } steps[] = {{frame_->btnLast, 3}, {frame_->btnPrev, 2}, {frame_->btnFirst, 1}, {frame_->btnNext, 2}};
  for (const Step& step : steps) {
    selected.SetSelected(data.Bookmark(), true);
    step.button->trigger();
    EXPECT_EQ(data.RecNo(), step.recNo);
    EXPECT_EQ(selected.Count(), 0) << "a move clears the selection";
  }
  frame_->mnuIns->trigger();
  EXPECT_EQ(data.State(), TDataSetState::dsInsert);
  data.SetFieldText(0, "900");
  data.SetFieldText(1, "new");
  frame_->btnIns->trigger();  // the pending insert is written first
  EXPECT_EQ(Value("SELECT V FROM S.ALLTYPES WHERE ID = 900"), "new");
  data.Cancel();

  for (data.First(); !data.Eof(); data.Next())
    if (data.AsString(0) == "1" || data.AsString(0) == "2") selected.SetSelected(data.Bookmark(), true);
  settings_.Dialogs().QueueMessage(IDOK);
  frame_->mnuDel->trigger();
  EXPECT_EQ(Value("SELECT COUNT(*) FROM S.ALLTYPES WHERE ID IN (1, 2)"), "0");
  EXPECT_EQ(Value("SELECT COUNT(*) FROM S.ALLTYPES WHERE ID = 3"), "1");
  EXPECT_EQ(data.RecordCount(), 1) << "opened again";
  EXPECT_TRUE(frame_->btnDel->isEnabled());
}

TEST_F(DataFrame, PasteEntersTheEditorModeOfTheVisibleGrid) {
  OpenWritable("SELECT ID, V FROM S.ALLTYPES WHERE ID = 1");
  frame_->btnGridTypeClick();
  TovDBGridH& grid = *frame_->grdData2;
  grid.SetOptions(grid.Options() & ~dgAlwaysShowEditor);
  grid.SetEditorMode(false);
  ASSERT_FALSE(grid.EditorShowing());
  GoToField(grid, 1);
  QApplication::clipboard()->setText("pasted");
  frame_->mnuPaste->trigger();
  EXPECT_TRUE(grid.EditorShowing());
  grid.StoreEditText();
  EXPECT_EQ(frame_->cdsData.AsString(1), "pasted") << "in place of the selected cell text";
}

// The main window's message panel as the outputs leave it.
class TStatusWindow : public TTestMainWindow {
 public:
  TStatusWindow() { SetControlOptionsWindow(this); }
  ~TStatusWindow() override { SetControlOptionsWindow(nullptr); }
  void ShowProgress(int done, int total) override {
    log.push_back(std::to_string(done) + "/" + std::to_string(total));
  }
  void ShowObjectCount() override { log.push_back("count"); }
  std::vector<std::string> log;
};

TEST_F(DataFrame, EscHalfWayCopiesWhatWasWrittenAndTheStatusShowsTheObjectsAgain) {
  TStatusWindow main;
  constexpr int kEscAtPoll = 3;
  std::unique_ptr<platform::WindowInput> saved =
      platform::SetInput(std::make_unique<testing_support::EscapeAt>(kEscAtPoll));
  AppOption.PasteTitle = kPasteTitleNames;
  AppOption.PasteColumn = 0;
  Open("SELECT ID FROM S.ALLTYPES WHERE ID < 4 ORDER BY ID");
  frame_->btnCopy->trigger();
  platform::SetInput(std::move(saved));
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "ID\r\n1\r\n2\r\n");
  EXPECT_EQ(main.log, (std::vector<std::string>{"0/0", "1/3", "2/3", "count"}));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"クリップボードに出力しました。"}));
}

TEST_F(DataFrame, WrittenChangesCommitUnderAutoCommitAndStayOpenWithoutIt) {
  for (const bool autoCommit : {false, true}) {
    AppOption.AutoCommit = autoCommit;
    OpenWritable("SELECT ID, V FROM S.ALLTYPES WHERE ID = 1");
    EXPECT_EQ(connection_.InTransaction(), !autoCommit) << "a transaction begun at open without AutoCommit";
    frame_->cdsData.SetFieldText(1, autoCommit ? "committed" : "rolled back");
    frame_->cdsData.Post();
    EXPECT_EQ(frame_->cdsData.ApplyUpdates(0), 0);
    EXPECT_TRUE(connection_.InTransaction()) << "a new one begun after the commit";
    connection_.RollbackTrans();
    EXPECT_EQ(Value("SELECT V FROM S.ALLTYPES WHERE ID = 1"), autoCommit ? "committed" : "tab\there");
  }
}

TEST_F(DataFrame, AFailedChangeIsShownAndEveryPendingChangeDiscarded) {
  Open("SELECT ID FROM S.ALLTYPES");  // the transaction state of a plain open
  ASSERT_FALSE(connection_.InTransaction());
  OpenWritable("SELECT ID, V FROM S.ALLTYPES WHERE ID IN (3, 4) ORDER BY ID");
  TovClientDataSet& data = frame_->cdsData;
  data.SetFieldText(1, "changed");
  data.Post();
  data.Last();  // one of two identical rows: no single row to change
  data.SetFieldText(1, "twin changed");
  data.Post();
  EXPECT_EQ(data.ApplyUpdates(-1), 1);
  ASSERT_EQ(settings_.Dialogs().messages.size(), 1U);
  EXPECT_EQ(settings_.Dialogs().messages[0].flags & MB_ICONWARNING, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_TRUE(connection_.InTransaction()) << "begun by the update error";
  EXPECT_EQ(data.ChangeCount(), 0);
  data.Last();
  EXPECT_EQ(data.AsString(1), "twin");
  data.First();
  EXPECT_EQ(data.AsString(1), "changed") << "the change written before stays";
}

// What a paint left in a cell: the span of its ink and whether any of it
// is blue.
struct TCellInk {
  int left = std::numeric_limits<int>::max();
  int right = -1;
  bool blue = false;
  bool Any() const { return right >= 0; }
};

TCellInk CellInk(const QImage& image, const QRect& cell) {
  // Inside the cell's lines; the ground is the colour at its first corner.
  constexpr int kBlueMargin = 80;
  const QRect inner = cell.adjusted(1, 1, -2, -2);
  const QRgb ground = image.pixel(inner.topLeft());
  TCellInk ink;
  for (int y = inner.top(); y <= inner.bottom(); ++y)
    for (int x = inner.left(); x <= inner.right(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (pixel == ground) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      if (qBlue(pixel) > qRed(pixel) + kBlueMargin && qBlue(pixel) > qGreen(pixel) + kBlueMargin) ink.blue = true;
    }
  return ink;
}

TEST_F(DataFrame, CellsArePaintedWithBlueNullsAndAlignedByTypeAndMode) {
  enum class TLook { Empty, Left, Right, BlueLeft, BlueRight };
  struct Case {
    bool transposed;
    int mode;
    bool showNull;
    size_t record;
    int field;
    TLook look;
  } cases[] = {
      {false, 0, true, 1, 1, TLook::BlueLeft},  // null text
      {false, 0, false, 1, 1, TLook::Empty},    // the grid's own drawing of a null
      {false, 0, true, 0, 2, TLook::Right},     // 0.5
      {false, 0, true, 1, 0, TLook::Right},     // an integer
      {false, 0, true, 0, 1, TLook::Left},      // a text
      {true, 0, true, 1, 2, TLook::BlueLeft},
      {true, 0, true, 0, 2, TLook::Right},
      {true, 1, true, 0, 2, TLook::Left},
      {true, 2, true, 0, 1, TLook::Right},
      {true, 2, false, 1, 1, TLook::BlueRight},  // the modes mark nulls whatever ShowNull says
  };
  Open("SELECT ID, V, DE FROM S.ALLTYPES WHERE ID IN (1, 2) ORDER BY ID");
  for (const Case& c : cases) {
    AppOption.ShowNull = c.showNull;
    AppOption.DataShowMode = c.mode;
    if (c.transposed == frame_->VerticalShown) frame_->btnGridTypeClick();
    TovDBGridBase& grid = c.transposed ? static_cast<TovDBGridBase&>(*frame_->grdData2)
                                       : static_cast<TovDBGridBase&>(*frame_->grdData1);
    const int recordLine = grid.TitleOffset() + static_cast<int>(c.record);
    const int fieldLine = grid.DataToGridIndex(c.field);
    const QRect cell = c.transposed ? grid.CellRect(recordLine, fieldLine) : grid.CellRect(fieldLine, recordLine);
    // A real paint of the grid, as the window system asks for it.
    const TCellInk ink = CellInk(grid.grab().toImage(), cell);
    const std::string label = std::to_string(c.transposed) + "/" + std::to_string(c.mode) + "/" +
                              std::to_string(c.record) + "/" + std::to_string(c.field);
    constexpr int kNear = 6;  // texts start 2 in from the left and end 3 in from the right
    switch (c.look) {
      case TLook::Empty:
        EXPECT_FALSE(ink.Any()) << label;
        break;
      case TLook::Left:
      case TLook::BlueLeft:
        EXPECT_LE(ink.left, cell.left() + kNear) << label;
        EXPECT_LT(ink.right, cell.right() - kNear) << label;
        break;
      case TLook::Right:
      case TLook::BlueRight:
        EXPECT_GT(ink.left, cell.left() + kNear) << label;
        EXPECT_GE(ink.right, cell.right() - kNear) << label;
        break;
    }
    EXPECT_EQ(ink.blue, c.look == TLook::BlueLeft || c.look == TLook::BlueRight) << label;
  }
}

TEST_F(DataFrame, WidthsRoundTripUnderJapaneseCaptionsAndTheTransposedDefault) {
  const std::string sql = "SELECT ID AS \"番号\", V AS \"名前\" FROM S.ALLTYPES";
  constexpr int kNumberWidth = 55, kNameWidth = 88, kDefaultWidth = 123;
  frame_->ColWidthKey = "S.表";
  Open(sql);
  frame_->grdData1->Columns()[0].SetWidth(kNumberWidth);
  frame_->grdData1->Columns()[1].SetWidth(kNameWidth);
  frame_->grdData2->SetDefaultColWidth(kDefaultWidth);
  Open(sql);  // saved as the result closes, read as it opens
  EXPECT_EQ(frame_->grdData1->Columns()[0].Width(), kNumberWidth);
  EXPECT_EQ(frame_->grdData1->Columns()[1].Width(), kNameWidth);
  const platform::IniFile file(ColWidthFileName(AppOption.TempDir, "S.表"));
  EXPECT_EQ(file.ReadInteger(kColWidthSectionV, "番号", 0), kNumberWidth);
  EXPECT_EQ(file.ReadInteger(kColWidthSectionH, "(ALL)", 0), kDefaultWidth);

  // Read back by a frame of its own, as the next start of the table editor does.
  TfraData next(host_, &connection_);
  next.ColWidthKey = "S.表";
  next.SetSQL(sql);
  next.PrepareSQL();
  next.OpenData();
  EXPECT_EQ(next.grdData1->Columns()[1].Width(), kNameWidth);
  EXPECT_EQ(next.grdData2->DefaultColWidth(), kDefaultWidth);
}

TEST_F(DataFrame, AHundredColumnsOrMoreKeepTheirWidthsAndAreNotSaved) {
  constexpr int kNarrowCap = 2;  // letters: narrower than any column
  AppOption.DataColWidthV = kNarrowCap;
  frame_->ColWidthKey = "S.WIDE";
  for (const int columns : {kMaxSizedColumns - 1, kMaxSizedColumns}) {
    std::string sql = "SELECT ID AS C0";
    for (int i = 1; i < columns; ++i) sql += ", ID AS C" + std::to_string(i);
    Open(sql + " FROM S.ALLTYPES");
    QFile::remove(QString::fromStdString(ColWidthFileName(AppOption.TempDir, "S.WIDE")));
    Open(sql + " FROM S.ALLTYPES");  // saving, if it happens, happens as the first closes
    const int cap = QFontMetrics(frame_->grdData1->font()).horizontalAdvance(QString(kNarrowCap, u'A'));
    TColumn& last = frame_->grdData1->Columns()[columns - 1];
    EXPECT_EQ(last.Width(), columns < kMaxSizedColumns ? cap : last.DefaultWidth()) << columns;
    const platform::IniFile file(ColWidthFileName(AppOption.TempDir, "S.WIDE"));
    EXPECT_EQ(file.ReadInteger(kColWidthSectionV, "C0", 0), columns < kMaxSizedColumns ? cap : 0) << columns;
  }
}

// A window that holds the frame as the table editor does.
class TDataHostWindow : public QWidget, public TTestDataHost {
 public:
  explicit TDataHostWindow(TovSQLConnection& connection) : frame(new TfraData(*this, &connection, this)) {
    setObjectName("frmTable");
    setWindowTitle("S.ALLTYPES");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(frame);
  }
  TfraData* frame;
};

TEST_F(DataFrame, AHostWindowGivesEveryCommandThroughTheToolBarAndMenus) {
  constexpr int kHostWidth = 900, kHostHeight = 360;
  TDataHostWindow host(connection_);
  host.resize(kHostWidth, kHostHeight);
  host.show();
  TfraData& f = *host.frame;
  TovClientDataSet& data = f.cdsData;
  TovDBGridV& grid = *f.grdData1;
  f.ColWidthKey = "S.ALLTYPES";
  f.SetSQL("SELECT ID, C, V, N, SI, DE, D, TS FROM S.ALLTYPES WHERE ID < 5 WITH OPTION LOCK_MODE(NO LOCK)");
  f.PrepareSQL();
  f.OpenData();
  const auto press = [&](QAction* button) { QTest::mouseClick(f.tolLeft->widgetForAction(button), Qt::LeftButton); };
  // The window system's request for a pop-up menu, as a right click makes it.
  const auto rightClick = [](QWidget* where, QPoint at) {
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, where->mapToGlobal(at));
    QApplication::sendEvent(where, &request);
  };
  // Opens a pop-up menu by a right click and chooses an item of it.
  const auto choose = [&](QWidget* where, QPoint at, QMenu* menu, QAction* item) {
    rightClick(where, at);
    ASSERT_TRUE(menu->isVisible());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  };
  const QPoint title = grid.CellRect(grid.DataToGridIndex(0), 0).center();
  const QPoint indicator = grid.CellRect(0, grid.TitleOffset()).center();

  QTest::mouseClick(&grid, Qt::LeftButton, {}, title);
  EXPECT_EQ(f.SortColumn, "1");
  EXPECT_FALSE(f.SortDescending);
  choose(&grid, title, f.popColumn, f.mnuSort);
  EXPECT_TRUE(f.SortDescending);
  rightClick(&grid, title);
  QTest::mouseClick(f.popColumn, Qt::LeftButton, {}, f.popColumn->actionGeometry(f.mnugroup->menuAction()).center());
  ASSERT_TRUE(QTest::qWaitFor([&] { return f.mnugroup->isVisible(); }));
  QTest::mouseClick(f.mnugroup, Qt::LeftButton, {}, f.mnugroup->actionGeometry(f.mnugroup->actions()[0]).center());

  press(f.btnGridType);
  EXPECT_FALSE(f.VerticalShown);
  EXPECT_TRUE(f.grdData2->isVisible());
  press(f.btnGridType);
  EXPECT_TRUE(grid.isVisible());

  press(f.btnUpdate);
  ASSERT_TRUE(f.btnIns->isEnabled());
  const std::pair<QAction*, int> moves[] = {{f.btnLast, 5}, {f.btnPrev, 4}, {f.btnFirst, 1}, {f.btnNext, 2}};
  for (const auto& [button, recNo] : moves) {
    press(button);
    EXPECT_EQ(data.RecNo(), recNo);
  }
  choose(&grid, indicator, f.popRecord, f.mnuIns);
  EXPECT_EQ(data.State(), TDataSetState::dsInsert);
  data.SetFieldText(0, "901");
  data.SetFieldText(2, "host");
  press(f.btnIns);
  EXPECT_EQ(Value("SELECT V FROM S.ALLTYPES WHERE ID = 901"), "host");
  data.Cancel();
  for (data.First(); data.AsString(0) != "901";) data.Next();
  settings_.Dialogs().QueueMessage(IDOK);
  press(f.btnDel);
  EXPECT_EQ(Value("SELECT COUNT(*) FROM S.ALLTYPES WHERE ID = 901"), "0");

  data.First();
  choose(&grid, indicator, f.popRecord, f.mnuCopy);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "4");
  press(f.btnUpdate);  // editing off again
  EXPECT_FALSE(f.btnIns->isEnabled());
  AppOption.PasteTitle = kPasteTitleNames;
  press(f.btnCopy);
  EXPECT_TRUE(QApplication::clipboard()->text().startsWith("ID\tC\tV\tN\tSI\tDE\tD\tTS\r\n4\ttw\t"));
  AppOption.ExcelDialog = true;  // the save dialog alone
  AppOption.ExcelRefresh = false;
  AppOption.ExcelExt = ".XLSX";
  const std::string workbook = settings_.Path("host.xlsx");
  settings_.Dialogs().QueueFile(workbook);
  press(f.btnExcel);
  EXPECT_TRUE(QFile::exists(QString::fromStdString(workbook)));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"[ID]列の件数 = 5", "レコードを削除しますか？", "クリップボードに出力しました。",
                                                  "ファイルに出力しました。"}));

  // The window as a user sees it.
  const QString folder = QStringLiteral(TEST_BINARY_DIR "/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  const QImage shot = host.grab().toImage();
  EXPECT_EQ(shot.size(), QSize(kHostWidth, kHostHeight));
  EXPECT_TRUE(shot.save(folder + "/rdata_host.png"));
}

}  // namespace

namespace {

TEST_F(DataFrame, AStatementWithoutResultSetIsRefusedByTheFrameQuery) {
  host_.kind = TDataOwner::TKind::SqlWindow;
  frame_->SetSQL("DELETE FROM S.ALLTYPES WHERE ID = 2");
  frame_->qryData.SetSQL(frame_->BaseSQL);
  try {
    frame_->OpenData();
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("qryData"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(frame_->cdsData.Active());
  TovSQLQuery count(&connection_);
  count.SetSQL("SELECT COUNT(*) FROM S.ALLTYPES WHERE ID = 2");
  count.Open();
  EXPECT_EQ(count.AsString(size_t{0}), "0") << "the statement has run";
}

}  // namespace
