#include "app/core/fobjreportcore.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

#include "app/core/ovkinds.h"

namespace {

TReportDefinition Read(const QTemporaryDir& dir, const std::string& text) {
  const std::string path = dir.path().toStdString() + "/d.def";
  std::ofstream(path, std::ios::binary) << text;
  return ReadReportDefinition(path);
}

TEST(ReportDefinition, RefusesWhatItCannotReadWithItsMessage) {
  QTemporaryDir dir;
  struct Case {
    std::string text;
    std::string error;
  };
  const std::string def = "<XLSDEF XLSFILE=\"f.xlsx\" BODYTOP=\"3\" BODYCOUNT=\"2\"/>";
  const Case cases[] = {
      {"<OVDOC>" + def + "</OVDOC>", kUnsupportedVersion},
      {"<OVDOC OVDOC-VERSION=\"3\">" + def + "</OVDOC>", kUnsupportedVersion},
      {"<OVDOC OVDOC-VERSION=\"x\">" + def + "</OVDOC>", kUnsupportedVersion},
      {"<OTHER OVDOC-VERSION=\"2\">" + def + "</OTHER>", kUnsupportedVersion},
      {"<OVDOC OVDOC-VERSION=\"2\">" + def, kUnknownFormat},
      {"<OVDOC OVDOC-VERSION=\"2\"><XLSDEF BODYCOUNT=\"2\"/></OVDOC>", InvalidIntegerText("")},
      {"<OVDOC OVDOC-VERSION=\"2\"><XLSDEF BODYTOP=\"0\" BODYCOUNT=\"2\"/></OVDOC>", InvalidIntegerText("0")},
      {"<OVDOC OVDOC-VERSION=\"2\"><XLSDEF BODYTOP=\"1\" BODYCOUNT=\"two\"/></OVDOC>", InvalidIntegerText("two")},
  };
  for (const Case& c : cases) {
    try {
      Read(dir, c.text);
      ADD_FAILURE() << c.text;
    } catch (const std::exception& e) {
      EXPECT_EQ(e.what(), c.error) << c.text;
    }
  }
  EXPECT_THROW(ReadReportDefinition(dir.path().toStdString() + "/missing.def"), EDocFormatError);
}

TEST(ReportDefinition, ReadsEveryXlsDefWithItsPlacements) {
  QTemporaryDir dir;
  const TReportDefinition d = Read(
      dir,
      "<OVDOC OVDOC-VERSION=\"2\">"
      "<XLSDEF XLSFILE=\"first.xlsx\" BODYTOP=\"9\" BODYCOUNT=\"9\"><HEADER NAME=\"OBJECTTYPE\" ROW=\"1\" COL=\"2\"/></XLSDEF>"
      "<OTHER/>"
      "<XLSDEF XLSFILE=\"list.xlsx\" BODYTOP=\"4\" BODYCOUNT=\"2\">"
      "<BODY NAME=\"SEQ\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"COMMENT\" ROW=\"2\" COL=\"3\"/>"
      "<BODY NAME=\"NOSUCH\" ROW=\"1\" COL=\"4\"/><BODY NAME=\"SEQ\" ROW=\"0\" COL=\"4\"/><BODY NAME=\"SEQ\" ROW=\"x\"/>"
      "<NOTE/><HEADER NAME=\"SCHEMA\" ROW=\"2\" COL=\"6\"/></XLSDEF></OVDOC>");
  EXPECT_EQ(d.XlsFile, "list.xlsx");
  EXPECT_EQ(d.BodyTop, 4);
  EXPECT_EQ(d.BodyCount, 2);
  EXPECT_EQ(d.Header, (std::vector<TReportPlacement>{{1, 2, kItemObjectType}, {2, 6, kItemSchema}}));
  EXPECT_EQ(d.Body, (std::vector<TReportPlacement>{{1, 1, kItemSeq}, {2, 3, kItemComment}, {1, 4, 0}}));
  const TReportSizes sizes = ReportSizes(d);
  EXPECT_EQ(sizes.WidestColumn, 6);
  EXPECT_EQ(sizes.RowsPerObject, 2);
  // Five objects, two a block: two copies below the first block.
  EXPECT_EQ(BodyBlockCopies(d, sizes, 5), (std::vector<int32_t>{8, 12}));
  EXPECT_TRUE(BodyBlockCopies(d, sizes, 2).empty());
  // Two rows an object: object j fills rows 2j and 2j + 1.
  const auto grid = BodyGrid(d, sizes, 2, [](size_t j, uint8_t item) -> std::optional<std::string> {
    if (item == kItemSeq) return std::to_string(j + 1);
    if (item == kItemComment) return "c" + std::to_string(j);
    return std::nullopt;
  });
  ASSERT_EQ(grid.size(), 4u);
  ASSERT_EQ(grid[0].size(), 6u);
  EXPECT_EQ(grid[0][0], "1");
  EXPECT_EQ(grid[1][2], "c0");
  EXPECT_EQ(grid[2][0], "2");
  EXPECT_EQ(grid[3][2], "c1");
  EXPECT_FALSE(grid[0][3]);
}

TEST(ObjectListReport, EntriesGroupIntoSheetsOfUniqueNames) {
  std::vector<TListReportEntry> entries = {{"VIEW", "B", "v2"}, {"TABLE", "A", "t2"}, {"VIEW", "B", "V1"},
                                           {"TABLE", "A", "T1"}, {"TABLE", "A", "t3"}};
  SortReportEntries(entries);
  EXPECT_EQ(entries.front(), (TListReportEntry{"TABLE", "A", "T1"}));
  EXPECT_EQ(entries.back(), (TListReportEntry{"VIEW", "B", "v2"}));
  EXPECT_EQ(ReportGroups(entries),
            (std::vector<TReportGroup>{{"TABLE", "A", "TABLE.A", 0, 3}, {"VIEW", "B", "VIEW.B", 3, 2}}));

  // Two keys equal in their first 31 columns keep two sheets.
  const std::string longSchema(40, 'S');
  std::vector<TListReportEntry> longer = {{"TABLE", longSchema + "1", "X"}, {"TABLE", longSchema + "2", "Y"}};
  const std::vector<TReportGroup> groups = ReportGroups(longer);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].SheetName, ("TABLE." + longSchema).substr(0, 31));
  EXPECT_EQ(groups[1].SheetName, ("TABLE." + longSchema).substr(0, 28) + "(2)");
  // Characters a file name cannot hold leave the key.
  EXPECT_EQ(ReportGroups({{"TABLE", "A/B*C", "X"}})[0].SheetName, "TABLE.ABC");
}

TEST(ObjectListReport, CatalogueStatementsByKind) {
  for (int kind : {okIndex, okTrigger, okSequence}) EXPECT_FALSE(CommentQuery(kind)) << kind;
  for (int kind : {okTable, okView, okProcedure, okFunction}) {
    const auto sql = CommentQuery(kind);
    ASSERT_TRUE(sql) << kind;
    EXPECT_EQ(sql->find('\''), sql->find("'TV'")) << "values are bound, never pasted";
  }
  EXPECT_TRUE(CreateTimeQuery(okIndex)->Codes);
  EXPECT_EQ(CreateTimeQuery(okTrigger)->SQL,
            "SELECT CREATE_TIME FROM RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_DB_NAME = :DB AND TRIG_SCHEMA_NAME = "
            ":SCHEMA AND TRIG_NAME = :NAME");
}

}  // namespace
