// The connection window's report output in real windows on the sample
// data source, read back with an independent reader.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTreeWidget>

#include <memory>
#include <stdexcept>

#include "app/appregister.h"
#include "app/core/fmainactcore.h"
#include "app/core/fobjreportcore.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fmainact.h"
#include "app/fobject.h"
#include "app/fobjtree.h"
#include "app/ovforms.h"
#include "platform/qstr.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/testapp.h"
#include "tests/standin/tools_sample.h"
#include "tests/ui/core/workbook_fixture.h"
#include "ui/core/ovworkbook.h"

namespace {

using Lines = std::vector<std::string>;

class ReportTest : public testing_workbook::WorkbookFixture {
 public:
  ReportTest() {
    TestApp();
    InitFolders();
    ClearActionHandlers();
    main = std::make_unique<TfrmMain>();
    main->show();
    RegisterApp(*main);
    SetLogonProcedure(nullptr);
    AppOption.TypeTable = AppOption.TypeView = true;
    AppOption.TreeSort = kTreeBySchema;
    AppOption.ExcelDir = Path("out") + "/";
    QDir().mkpath(Q(ShareDir + "xlsdef"));
    window = new TfrmObject(main.get(), testing_tools::kSamplePassword, testing_tools::kSampleUser,
                            testing_tools::kSampleDataSource);
  }
  ~ReportTest() override {
    RegisterObjectReport(okTable, {});
    RegisterObjectReport(okView, {});
    SetLogonProcedure(nullptr);
    SetLogonReceiver(nullptr);
    main.reset();
    ClearActionHandlers();
  }

  void Definition(const std::string& name, const std::string& body) {
    QFile file(Q(ShareDir + "xlsdef/" + name + ".def"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(("<OVDOC OVDOC-VERSION=\"2\">" + body + "</OVDOC>").c_str());
  }
  // The list holds these items (kind, owner, name), all selected.
  void Select(const std::vector<std::tuple<int, std::string, std::string>>& items) {
    window->lstObject->clear();
    window->lstObject->setColumnCount(3);  // as a filled list has
    for (const auto& [kind, owner, name] : items) {
      auto* item = new QTreeWidgetItem(window->lstObject, {Q(name), Q(owner), Q(ObjectKindName(kind))});
      SetItemImage(*item, kind);
      item->setSelected(true);
    }
  }
  void Run(const std::string& caption) {
    main->actMain->BuildReportMenu();
    for (QAction* item : window->mnuReport->actions())
      if (item->text().toStdString() == caption) return item->trigger();
    ADD_FAILURE() << caption;
  }
  Lines Boxes() {
    Lines texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    env.Dialogs().messages.clear();
    return texts;
  }

  testing_tools::SampleDataSource sample;
  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main;
  TfrmObject* window = nullptr;
};

TEST_F(ReportTest, TheObjectListFillsOneSheetPerKindAndSchemaFromTheForm) {
  Python(R"(
from openpyxl.styles import PatternFill
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Form"
ws["A3"].fill = PatternFill("solid", fgColor="00FF00")
wb.create_sheet("Other")
wb.active = 0
wb.save(p)
)",
         ShareDir + "xlsdef/list.xlsx");
  Definition("一覧",
             "<XLSDEF XLSFILE=\"list.xlsx\" BODYTOP=\"3\" BODYCOUNT=\"1\">"
             "<HEADER NAME=\"OBJECTTYPE\" ROW=\"1\" COL=\"1\"/><HEADER NAME=\"SCHEMA\" ROW=\"1\" COL=\"2\"/>"
             "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"OBJECTNAME\" ROW=\"1\" COL=\"2\"/>"
             "<BODY NAME=\"SCHEMA\" ROW=\"1\" COL=\"3\"/><BODY NAME=\"CDATE\" ROW=\"2\" COL=\"2\"/>"
             "<BODY NAME=\"COMMENT\" ROW=\"2\" COL=\"3\"/></XLSDEF>");
  Select({{okView, "SALES", "CUSTOMER_ORDERS"}, {okTable, "SALES", "ORDERS"}, {okTable, "SALES", "CUSTOMER"},
          {okView, "HR", "DEPT_MEMBERS"}, {okTable, "SALES", "GHOST"}});
  const std::string target = Path("out/一覧.xlsx");
  env.Dialogs().QueueFile(target);
  env.Dialogs().QueueMessage(IDOK);
  Run("一覧");
  EXPECT_EQ(Boxes(), Lines{"一覧 の出力が完了しました。"});
  EXPECT_TRUE(window->lstObject->selectedItems().isEmpty());
  EXPECT_EQ(AppOption.ExcelDir, Path("out") + "/");
  EXPECT_EQ(Python("print(openpyxl.load_workbook(p).sheetnames)", target),
            "['VIEW.HR', 'VIEW.SALES', 'TABLE.SALES', 'Other']");
  // Three tables, one a block: the block's format copied twice below it.
  EXPECT_EQ(Python(R"(
ws = openpyxl.load_workbook(p)["TABLE.SALES"]
rows = [[c.value for c in r] for r in ws.iter_rows(min_row=1, max_row=8, max_col=3)]
rows[3][1] = bool(rows[3][1])
rows[7][1] = bool(rows[7][1])
# The object the catalogue does not know: no time, no comment.
assert rows[5] == [None, None, None], rows[5]
print(rows)
print([ws.cell(row=r, column=1).fill.fgColor.rgb for r in (3, 5, 7)])
print(ws.sheet_view.selection[0].activeCell)
)",
                   target),
            "[['TABLE', 'SALES', None], [None, None, None], "
            "[1, 'CUSTOMER', 'SALES'], [None, True, '顧客マスタ'], [2, 'GHOST', 'SALES'], [None, None, None], "
            "[3, 'ORDERS', 'SALES'], [None, True, '受注明細']]\n"
            "['0000FF00', '0000FF00', '0000FF00']\nA1");
}

TEST_F(ReportTest, SheetsPerObjectTakeTheirNamesAndAnErrorWithholdsTheCompletion) {
  Python("wb = openpyxl.Workbook()\nwb.active.title = 'Template'\nwb.active['A1'] = 'form'\nwb.save(p)",
         ShareDir + "xlsdef/each.xlsx");
  Definition("tables", "<XLSDEF TYPE=\"TABLE\" OUTPUTTYPE=\"1\" XLSFILE=\"each.xlsx\" BODYTOP=\"1\" BODYCOUNT=\"1\"/>");
  std::vector<std::string> written;
  const auto sheetReport = [&](TovConnectionWindow&, const std::string& definition, const std::string& owner,
                               const std::string& name, TovWorksheet& sheet) {
    written.push_back(definition + ":" + owner + "." + name + "@" + sheet.Name());
    if (name == "BAD") throw std::runtime_error("cannot read BAD");
    if (name == "ABORTED") throw EAbort();
    sheet.SetText(2, 1, name);
  };
  RegisterObjectReport(okTable, {nullptr, sheetReport});
  RegisterObjectReport(okView, {nullptr, sheetReport});
  const std::string longName(40, 'N');
  Select({{okTable, "SALES", "ORDERS"}, {okIndex, "SALES", "ORDERS_CUST"}, {okView, "A/B", longName},
          {okTable, "SALES", "ABORTED"}});
  const std::string target = Path("out/tables.xlsx");
  env.Dialogs().QueueFile(target);
  env.Dialogs().QueueMessage(IDOK);
  Run("tables");
  EXPECT_EQ(Boxes(), Lines{"tables の出力が完了しました。"});
  EXPECT_EQ(written.size(), 3u) << "the index is left out";
  const std::string longSheet = ("AB." + longName).substr(0, 31);
  EXPECT_EQ(Python("wb = openpyxl.load_workbook(p)\nprint(wb.sheetnames)\nprint(wb['SALES.ORDERS']['A2'].value, "
                   "wb['SALES.ORDERS']['A1'].value)",
                   target),
            "['SALES.ORDERS', '" + longSheet + "', 'SALES.ABORTED']\nORDERS form");
  EXPECT_EQ(AppOption.ExcelDir, Path("out") + "/");

  // One object's error: the others are written, the error is shown in
  // place of the completion, and the report folder stays.
  AppOption.ExcelDir = Path("elsewhere") + "/";
  QDir().mkpath(Q(AppOption.ExcelDir));
  Select({{okTable, "SALES", "BAD"}, {okTable, "SALES", "CUSTOMER"}});
  const std::string second = Path("out/second.xlsx");
  env.Dialogs().QueueFile(second);
  env.Dialogs().QueueMessage(IDOK);
  Run("tables");
  EXPECT_EQ(Boxes(), Lines{"cannot read BAD"});
  EXPECT_EQ(AppOption.ExcelDir, Path("elsewhere") + "/");
  EXPECT_EQ(Python("print(openpyxl.load_workbook(p).sheetnames)", second), "['SALES.BAD', 'SALES.CUSTOMER']");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ReportTest, FilesPerObjectGoIntoTheChosenFolder) {
  Definition("files", "<XLSDEF TYPE=\"VIEW\" OUTPUTTYPE=\"0\"/>");
  std::vector<std::string> written;
  RegisterObjectReport(okView, {[&](TovConnectionWindow&, const std::string& definition, const std::string& owner,
                                    const std::string& name, const std::string& folder) {
                                  written.push_back(definition + ":" + owner + "." + name + "@" + folder);
                                },
                                nullptr});
  Select({{okView, "SALES", "CUSTOMER_ORDERS"}, {okTable, "SALES", "ORDERS"}});
  env.Dialogs().QueueFile(Path("chosen"));
  env.Dialogs().QueueMessage(IDOK);
  Run("files");
  EXPECT_EQ(written, Lines{"files:SALES.CUSTOMER_ORDERS@" + Path("chosen") + "/"});
  EXPECT_EQ(Boxes(), Lines{"files の出力が完了しました。"});
  EXPECT_EQ(AppOption.ExcelDir, Path("chosen") + "/");
  EXPECT_TRUE(window->lstObject->selectedItems().isEmpty());

  // Nothing selected: nothing asked.
  Run("files");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(ReportTest, BrokenDefinitionsAndOldWorkbooksAreRefusedWithoutACompletion) {
  Definition("broken", "<XLSDEF BODYTOP=\"1\"");
  Definition("count", "<XLSDEF XLSFILE=\"list.xlsx\" BODYTOP=\"1\" BODYCOUNT=\"0\"/>");
  Definition("list", "<XLSDEF XLSFILE=\"none.xlsx\" BODYTOP=\"2\" BODYCOUNT=\"1\"><BODY NAME=\"OBJECTNAME\" ROW=\"1\" COL=\"1\"/></XLSDEF>");
  struct Case {
    std::string definition;
    std::string target;
    std::string message;
  };
  const Case cases[] = {
      {"broken", Path("out/a.xlsx"), "指定されたファイルの形式を認識できません。"},
      {"count", Path("out/b.xlsx"), "'0' は有効な整数値ではありません。"},
  };
  for (const Case& c : cases) {
    Select({{okTable, "SALES", "ORDERS"}});
    env.Dialogs().QueueFile(c.target);
    env.Dialogs().QueueMessage(IDOK);
    Run(c.definition);
    EXPECT_EQ(Boxes(), Lines{c.message}) << c.definition;
    EXPECT_FALSE(QFile::exists(Q(c.target))) << c.definition;
    EXPECT_TRUE(window->lstObject->selectedItems().isEmpty());
  }
  // An ".xls" output gets the workbook layer's message; nothing is written.
  Select({{okTable, "SALES", "ORDERS"}});
  env.Dialogs().QueueFile(Path("out/old.xls"));
  env.Dialogs().QueueMessage(IDOK);
  Run("list");
  Lines boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(".xls"), std::string::npos) << boxes[0];
  EXPECT_FALSE(QFile::exists(Q(Path("out/old.xls"))));
  // Without its form workbook the report starts from a new one.
  Select({{okTable, "SALES", "ORDERS"}});
  env.Dialogs().QueueFile(Path("out/new.xlsx"));
  env.Dialogs().QueueMessage(IDOK);
  Run("list");
  EXPECT_EQ(Boxes(), Lines{"list の出力が完了しました。"});
  EXPECT_EQ(Python("ws = openpyxl.load_workbook(p)['TABLE.SALES']\nprint(ws['A2'].value)", Path("out/new.xlsx")),
            "ORDERS");
}

}  // namespace
