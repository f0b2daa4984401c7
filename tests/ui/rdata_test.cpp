#include "ui/rdata.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "platform/inifile.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/grid_fixture.h"
#include "tests/standin/odbc_fixture.h"
#include "ui/ovdbgrid.h"

namespace {

class TestHost : public TDataOwner {
 public:
  TKind OwnerKind() const override { return kind; }
  std::string RecordLimitText() const override { return limit; }
  std::string FieldComment(int field) const override { return field == 1 ? "文字列" : ""; }
  void RenewResult() override {
    ++renewals;
    if (renew) renew();
  }
  TKind kind = TKind::TableEditor;
  std::string limit;
  int renewals = 0;
  std::function<void()> renew;
};

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
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const platform::MessageRequest& m : settings_.Dialogs().messages) texts.push_back(m.text);
    return texts;
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

}  // namespace
