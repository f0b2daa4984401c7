#include "ui/fxlssql.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "app/core/fmaincore.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "platform/windowinput.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/grid_fixture.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/ui/core/workbook_fixture.h"
#include "ui/core/ovworkbook.h"
#include "ui/ovstdctl.h"
#include "ui/rdata.h"

namespace {

constexpr const char* kDone = "ファイルに出力しました。";
constexpr const char* kSql = "SELECT ID, V, C, D, TS, DE FROM S.ALLTYPES WHERE ID IN (1, 2, 3) ORDER BY ID";

// A window holding a result frame: field 1's comment, and a renewal that
// opens what the test asks for.
class RenewingHost : public TDataOwner {
 public:
  TKind OwnerKind() const override { return TKind::SqlWindow; }
  std::string RecordLimitText() const override { return {}; }
  std::string FieldComment(int field) const override { return field == 1 ? "文字列" : ""; }
  void RenewResult() override {
    ++renewals;
    if (renew) renew();
  }
  int renewals = 0;
  std::function<void()> renew;
};

// Esc pressed at the given poll of a long loop.
class EscapeAt : public platform::WindowInput {
 public:
  explicit EscapeAt(int poll) : poll_(poll) {}
  bool PollEscape() override { return ++polls_ == poll_; }
  bool ProgramWindowActive() override { return true; }
  void FlushFocusedControl() override {}

 private:
  int poll_;
  int polls_ = 0;
};

class XlsFrame : public testing_workbook::WorkbookFixture {
 protected:
  void SetUp() override {
    testing_grids::ConnectStandin(odbc_, connection_);
    testing_grids::CreateGridFixture(connection_);
    saved_ = AppOption;
    AppOption.TempDir = settings_.Path("temp") + "/";
    AppOption.ExcelDir = dir_.path().toStdString() + "/";
    AppOption.ExcelExt = kExcelExt;
    AppOption.ExcelDialog = false;
    AppOption.ExcelRefresh = false;
    AppOption.ExcelMode = kExcelVertical;
    AppOption.ExcelTitle = kPasteTitleNames;
    AppOption.ExcelTop = AppOption.ExcelLeft = 0;
    AppOption.ExcelSheet.clear();
    AppOption.ExcelForm.clear();
    frame_ = std::make_unique<TfraData>(host_, &connection_);
    frame_->ColWidthKey = "SQL";
    host_.renew = [this] { Open(); };
  }
  void TearDown() override {
    frame_.reset();
    AppOption = saved_;
  }
  void Open(const std::string& sql = kSql) {
    frame_->SetSQL(sql);
    frame_->PrepareSQL();
    frame_->OpenData();
  }
  // Runs the output; `fill` sets the options dialog before its OK.
  void Output(const std::function<void(TfrmXlsSQL&)>& fill) {
    QTimer::singleShot(0, [fill] { FillDialog(fill); });
    frame_->btnExcelClick();
  }
  static void FillDialog(const std::function<void(TfrmXlsSQL&)>& fill) {
    auto* dialog = dynamic_cast<TfrmXlsSQL*>(QApplication::activeModalWidget());
    if (dialog == nullptr) {
      QTimer::singleShot(1, [fill] { FillDialog(fill); });
      return;
    }
    fill(*dialog);
    dialog->btnOk->click();
    // A dialog its checks keep open is cancelled, so the test goes on.
    if (dialog->isVisible()) dialog->reject();
  }
  std::vector<std::string> Messages() {
    std::vector<std::string> texts;
    for (const platform::MessageRequest& m : settings_.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }
  bool Exists(const std::string& path) const { return QFile::exists(QString::fromStdString(path)); }

  testing_odbc::OdbcFixture odbc_;
  testing_support::TempSettings settings_;
  TovSQLConnection connection_;
  RenewingHost host_;
  TovOption saved_;
  std::unique_ptr<TfraData> frame_;
};

constexpr const char* kDumpActive = R"(
wb = openpyxl.load_workbook(p)
ws = wb.active
print(ws.title, [c.number_format for c in ws[4]][1:4])
for row in ws.iter_rows():
    cells = [f"{c.coordinate}={c.value!r}" for c in row if c.value is not None]
    if cells: print(" ".join(cells))
)";

TEST_F(XlsFrame, TheDialogsChoicesPlaceCommentTitlesAndVisibleFieldsAlike) {
  Open();
  // Titles and data both skip the hidden field: the comment of field 1
  // heads the first column.
  frame_->cdsData.FieldDef(0).Visible = false;
  QApplication::clipboard()->setText("the user's own");
  const std::string target = Path("out.xlsx");
  Output([&](TfrmXlsSQL& dialog) {
    EXPECT_EQ(dialog.txtSaveFile->text().toStdString(), Path("SQL.XLSX"));
    EXPECT_TRUE(dialog.chkRefresh->isEnabled());
    dialog.txtSaveFile->setText(QString::fromStdString(target));
    dialog.txtSheet->setText("結果");
    dialog.txtRow->setText("3");
    dialog.cmbColumn->setCurrentIndex(1);
    dialog.rdoExcelTitle->button(kPasteTitleComments)->setChecked(true);
  });
  EXPECT_EQ(Messages(), std::vector<std::string>{kDone});
  EXPECT_EQ(host_.renewals, 0);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "the user's own");
  EXPECT_EQ(Python(kDumpActive, target),
            "結果 ['@', '@', 'yyyy/mm/dd']\n"
            "B3='文字列' C3='C' D3='D' E3='TS' F3='DE'\n"
            "B4='tab\\there' C4='ab' D4=datetime.datetime(2024, 1, 31, 0, 0) "
            "E4=datetime.datetime(2024, 1, 31, 12, 34, 56) F4=0.5\n"
            "B6='crlf\\nx' C6='q\"' D6=datetime.datetime(1999, 12, 31, 0, 0) "
            "E6=datetime.datetime(2000, 1, 1, 0, 0) F6=-0.5");
  EXPECT_EQ(AppOption.ExcelSheet, "結果");
  EXPECT_EQ(AppOption.ExcelTop, 2);
  EXPECT_EQ(AppOption.ExcelLeft, 1);
  EXPECT_EQ(AppOption.ExcelTitle, kPasteTitleComments);
}

TEST_F(XlsFrame, TheSaveDialogAloneWritesFromA1IntoANewWorkbook) {
  AppOption.ExcelDialog = true;
  AppOption.ExcelMode = kExcelHorizontal;
  AppOption.ExcelTitle = kPasteTitleNone;
  AppOption.ExcelSheet = "ignored";
  AppOption.ExcelTop = 5;
  ExcelFileFilter = "Excelファイル(*.xlsx)";
  Open("SELECT ID, V FROM S.ALLTYPES WHERE ID IN (1, 3) ORDER BY ID");
  const std::string target = Path("chosen.xlsx");
  settings_.Dialogs().QueueFile(target);
  frame_->btnExcelClick();
  ASSERT_EQ(settings_.Dialogs().files.size(), 1u);
  EXPECT_EQ(settings_.Dialogs().files[0].fileName, Path("SQL.XLSX"));
  EXPECT_EQ(settings_.Dialogs().files[0].filter, "Excelファイル(*.xlsx);;すべてのファイル(*.*)");
  EXPECT_EQ(Messages(), std::vector<std::string>{kDone});
  EXPECT_EQ(Python(R"(
ws = openpyxl.load_workbook(p).active
print(ws.title, [[c.value for c in row] for row in ws.iter_rows()])
)",
                   target),
            "Sheet1 [[1, 3], ['tab\\there', 'crlf\\nx']]");
  ExcelFileFilter.clear();
}

TEST_F(XlsFrame, AClosedOrStaleResultIsRenewedThroughTheOwner) {
  const std::string target = Path("renewed.xlsx");
  const auto chooseTarget = [&](TfrmXlsSQL& dialog) {
    EXPECT_FALSE(dialog.chkRefresh->isEnabled()) << "a closed result is renewed anyway";
    dialog.txtSaveFile->setText(QString::fromStdString(target));
  };
  // A closed result the owner cannot renew: nothing is written.
  host_.renew = nullptr;
  Output(chooseTarget);
  EXPECT_EQ(Messages(), std::vector<std::string>{"SQL が結果を返しませんでした。"});
  EXPECT_FALSE(Exists(target));
  // The owner opens it again.
  host_.renew = [this] { Open(); };
  Output(chooseTarget);
  EXPECT_EQ(host_.renewals, 2);
  EXPECT_EQ(Messages().back(), kDone);
  EXPECT_EQ(Python("print(openpyxl.load_workbook(p).active.max_row)", target), "4");
  // An open result is renewed when the user asks for the latest data.
  AppOption.ExcelRefresh = true;
  AppOption.ExcelDialog = true;
  settings_.Dialogs().QueueFile(target);
  frame_->btnExcelClick();
  EXPECT_EQ(host_.renewals, 3);
}

TEST_F(XlsFrame, AnOutputTheWorkbookCannotTakeIsRefusedBeforeAnythingRuns) {
  const std::string old = Path("old.xls");
  Output([&](TfrmXlsSQL& dialog) { dialog.txtSaveFile->setText(QString::fromStdString(old)); });
  const std::string target = Path("named.xlsx");
  Output([&](TfrmXlsSQL& dialog) {
    dialog.txtSaveFile->setText(QString::fromStdString(target));
    dialog.txtSheet->setText("a:b");
  });
  EXPECT_EQ(Messages(), (std::vector<std::string>{
                            "old.xls はExcel 97-2003形式(.xls)のため読み書きできません。.xlsx形式のファイルを指定して下さい。",
                            "\"a:b\" はシート名に使用できません。"}));
  EXPECT_EQ(host_.renewals, 0);
  EXPECT_FALSE(Exists(old));
  EXPECT_FALSE(Exists(target));
}

TEST_F(XlsFrame, EscHalfWaySavesTheRecordsWrittenSoFar) {
  Open("SELECT ID FROM S.ALLTYPES ORDER BY ID");
  auto previous = platform::SetInput(std::make_unique<EscapeAt>(4));
  AppOption.ExcelDialog = true;
  const std::string target = Path("esc.xlsx");
  settings_.Dialogs().QueueFile(target);
  frame_->btnExcelClick();
  platform::SetInput(std::move(previous));
  EXPECT_EQ(Messages(), std::vector<std::string>{kDone});
  EXPECT_EQ(Python("print([c.value for c in openpyxl.load_workbook(p).active['A']])", target), "['ID', 1, 2, 3]");
}

// ---- the dialog's checks ----

class XlsDialog : public XlsFrame {
 protected:
  // Presses OK; true when the dialog closed with OK.
  bool Ok(TfrmXlsSQL& dialog) {
    dialog.btnOkClick();
    return dialog.result() == QDialog::Accepted;
  }
};

TEST_F(XlsDialog, TheStartRowMustLieBetween1And65536) {
  struct Case {
    const char* row;
    bool accepted;
  } cases[] = {{"0", false}, {"65537", false}, {"", false}, {"1", true}, {"65536", true}};
  for (const Case& c : cases) {
    TfrmXlsSQL dialog(nullptr);
    dialog.txtSaveFile->setText(QString::fromStdString(Path("new.xlsx")));
    dialog.txtRow->setText(c.row);
    const size_t before = Messages().size();
    EXPECT_EQ(Ok(dialog), c.accepted) << c.row;
    const std::string message = c.accepted ? "" : "行は 1 ～ 65536 の範囲で指定して下さい。";
    EXPECT_EQ(Messages().size() > before ? Messages().back() : "", message) << c.row;
  }
  EXPECT_EQ(AppOption.ExcelTop, 65535);
}

TEST_F(XlsDialog, AMissingFormWorkbookIsNamed) {
  TfrmXlsSQL dialog(nullptr);
  dialog.txtSaveFile->setText(QString::fromStdString(Path("new.xlsx")));
  dialog.txtFormFile->setText(QString::fromStdString(Path("form.xlsx")));
  EXPECT_FALSE(Ok(dialog));
  EXPECT_EQ(Messages(), std::vector<std::string>{Path("form.xlsx") + " が存在しません。"});
}

TEST_F(XlsDialog, AnExistingTargetIsReplacedOnlyOnYes) {
  const std::string target = Path("exists.xlsx");
  QFile file(QString::fromStdString(target));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  AppOption.ExcelSheet = "before";
  TfrmXlsSQL dialog(nullptr);
  dialog.txtSaveFile->setText(QString::fromStdString(target));
  dialog.txtSheet->setText("after");
  settings_.Dialogs().QueueMessage(IDNO);
  EXPECT_FALSE(Ok(dialog));
  EXPECT_EQ(AppOption.ExcelSheet, "before");
  settings_.Dialogs().QueueMessage(IDYES);
  EXPECT_TRUE(Ok(dialog));
  EXPECT_EQ(AppOption.ExcelSheet, "after");
  const platform::MessageRequest& question = settings_.Dialogs().messages.front();
  EXPECT_EQ(question.text, target + " はすでに存在します。\r\n上書きしますか？");
  EXPECT_EQ(question.flags, static_cast<unsigned>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
}

TEST_F(XlsDialog, ControlsComeFromTheSettingsAndChosenNamesGetTheExtension) {
  AppOption.ExcelSheet = "S";
  AppOption.ExcelMode = kExcelHorizontal;
  AppOption.ExcelTitle = kPasteTitleNone;
  AppOption.ExcelRefresh = true;
  AppOption.ExcelTop = 9;
  AppOption.ExcelLeft = 255;
  TfrmXlsSQL dialog(nullptr);
  EXPECT_EQ(dialog.windowTitle().toStdString(), "EXCEL出力(SQL結果)");
  EXPECT_EQ(dialog.txtSheet->text().toStdString(), "S");
  EXPECT_EQ(dialog.rdoExcel->checkedId(), kExcelHorizontal);
  EXPECT_EQ(dialog.rdoExcelTitle->checkedId(), kPasteTitleNone);
  EXPECT_TRUE(dialog.chkRefresh->isChecked());
  EXPECT_EQ(dialog.txtRow->text().toStdString(), "10");
  EXPECT_EQ(dialog.cmbColumn->count(), kXlsStartColumns);
  EXPECT_EQ(dialog.cmbColumn->currentText().toStdString(), "IV");

  struct Case {
    const char* chosen;
    const char* name;
  } cases[] = {{"a", "a.XLSX"}, {"b.xlsx", "b.xlsx"}, {"c.xls", "c.xls"}, {"d.txt", "d.txt.XLSX"}};
  for (const Case& c : cases) {
    dialog.txtSaveFile->setText(QString::fromStdString(Path("dir") + "/"));
    settings_.Dialogs().QueueFile(Path(c.chosen));
    dialog.btnSaveFileClick();
    EXPECT_EQ(settings_.Dialogs().files.back().fileName, Path("dir"));
    EXPECT_EQ(dialog.txtSaveFile->text().toStdString(), Path(c.name));
  }
  settings_.Dialogs().QueueFile(Path("form.xlsx"));
  dialog.btnFormFileClick();
  EXPECT_EQ(settings_.Dialogs().files.back().kind, platform::FileDialogKind::Open);
  EXPECT_EQ(dialog.txtFormFile->text().toStdString(), Path("form.xlsx"));
}

}  // namespace
