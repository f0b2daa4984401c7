#include "ui/rdata.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QDateTimeEdit>
#include <QDir>
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
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/grid_fixture.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/ui/test_main_window.h"
#include "ui/fmemo.h"
#include "ui/ovdbgrid.h"
#include "ui/zarurctl.h"

namespace {

class TestHost : public TDataOwner {
 public:
  TKind OwnerKind() const override { return kind; }
  std::string RecordLimitText() const override { return limit; }
  std::string FieldComment(int field) const override { return field == 1 ? "文字列" : ""; }
  TKind kind = TKind::TableEditor;
  std::string limit;
};

// The program's own default of DataColWidthV.
constexpr int kProgramColWidthV = 30;

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
  TestHost host_;
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

// Esc pressed at a given poll of a long loop.
class TEscapeAt : public platform::WindowInput {
 public:
  explicit TEscapeAt(int poll) : poll_(poll) {}
  bool PollEscape() override { return ++polls_ == poll_; }
  bool ProgramWindowActive() override { return true; }
  void FlushFocusedControl() override {}

 private:
  int poll_;
  int polls_ = 0;
};

TEST_F(DataFrame, EscHalfWayCopiesWhatWasWrittenAndTheStatusShowsTheObjectsAgain) {
  TStatusWindow main;
  constexpr int kEscAtPoll = 3;
  std::unique_ptr<platform::WindowInput> saved = platform::SetInput(std::make_unique<TEscapeAt>(kEscAtPoll));
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

}  // namespace
