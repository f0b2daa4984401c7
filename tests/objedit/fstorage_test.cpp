// The storage readers in the running program: a connection window opened on
// the stand-in sample after the registration routines, as the program does.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <memory>
#include <string>
#include <vector>

#include "app/fobject.h"
#include "objedit/core/fstoragecore.h"
#include "objedit/objregister.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"
#include "tests/standin/tools_sample.h"

namespace {

using Lines = std::vector<std::string>;

class StorageProgramTest : public ::testing::Test {
 protected:
  StorageProgramTest() {
    main_ = testing_support::StartProgramMain();
    RegisterObjEdit();
    AppOption.TempDir = settings_.Path("temp") + "/";
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }
  ~StorageProgramTest() override { testing_support::StopProgramMain(main_); }

  TfrmObject* LogonSample() {
    return new TfrmObject(main_.get(), testing_tools::kSamplePassword, testing_tools::kSampleUser,
                          testing_tools::kSampleDataSource);
  }

  testing_support::TempSettings settings_;
  testing_tools::SampleDataSource sample_;
  std::unique_ptr<TfrmMain> main_;
};

TEST_F(StorageProgramTest, ASampleTablesStorageAgreesWithTheWindowsLists) {
  TfrmObject* window = LogonSample();
  ASSERT_FALSE(window->IsRemote());
  std::optional<TTableStorage> storage;
  ASSERT_EQ(LoadTableStorage(*window, "SALES", "ORDERS", storage), TReportResult::Read);
  ASSERT_TRUE(storage);
  Lines dso;
  window->GetTableDSOList(dso, "SALES", "ORDERS");
  EXPECT_EQ(dso, Lines{storage->DsoName});
  Lines dsis;
  window->GetTableDSIList(dsis, "SALES", "ORDERS");
  ASSERT_EQ(storage->Dsis.size(), dsis.size());
  for (size_t i = 0; i < dsis.size(); ++i) EXPECT_EQ(storage->Dsis[i].Name, dsis[i]);
  EXPECT_FALSE(storage->Allocations.empty());

  Lines list{"stale"};
  EXPECT_EQ(LoadDsiList(*window, " SALES ", "ORDERS ", list), TReportResult::Read);
  EXPECT_EQ(list, dsis);
  EXPECT_EQ(LoadDsiList(*window, "SALES", " ", list), TReportResult::Skipped);
  EXPECT_EQ(list, Lines{});

  TIndexStorage index;
  EXPECT_EQ(LoadIndexStorage(*window, "SALES", "ORDERS", "ORDERS_CUST", index), TReportResult::Read);
  EXPECT_FALSE(index.Dsis.empty());
  EXPECT_FALSE(index.BasePageSize.empty());

  testing_support::TempSettings::Set("SYMFOWARE_TOOL_FAIL", "code");
  storage.reset();
  EXPECT_EQ(LoadTableStorage(*window, "SALES", "ORDERS", storage), TReportResult::Failed);
  EXPECT_FALSE(storage);
  EXPECT_EQ(settings_.Dialogs().messages.size(), 1u);
}


TStorageDsi TableDsi(const std::string& name, const std::string& value = {}, const std::string& scope = {}) {
  TStorageDsi dsi;
  dsi.Name = name;
  dsi.DivideValue = value;
  dsi.Scope = scope;
  return dsi;
}

TStorageDsi Expanding(TStorageDsi dsi) {
  dsi.Alarm = {"800", "KB"};
  dsi.Expand = {"900", "KB"};
  dsi.Allocation = {"1", "MB"};
  return dsi;
}

// One record per storage kind, as the reader gives it back: stand-by spaces
// of a DSI come before its allocations, ORDER is read only for SEQUENTIAL.
std::vector<TTableStorage> RecordsOfEveryKind() {
  std::vector<TTableStorage> records;
  TTableStorage s;
  s.Kind = kStorageSequential;
  s.DsoName = "RT1_DSO";
  s.DataPageSize = "4";
  s.Precedence = true;
  s.Dsis = {TableDsi("RT1_D1")};
  s.Allocations = {{"RT1_D1", kAllocData, "DBSPACE1", "10", "MB"}, {"RT1_D1", kAllocData, "DBSPACE2", "20", "MB"}};
  records.push_back(s);

  s = {};
  s.Kind = kStorageSequentialList;
  s.DsoName = "RT2_DSO";
  s.DataPageSize = "8";
  s.Order = false;
  s.DivideColumns = "A";
  s.Dsis = {TableDsi("RT2_D1", "10", "RT2_SC"), TableDsi("RT2_D2", "20"), TableDsi("RT2_D3", "30", "RT2_SC")};
  s.Allocations = {{"RT2_D1", kAllocData, "DBSPACE1", "64", "KB"},
                   {"RT2_D2", kAllocData, "DBSPACE1", "64", "KB"},
                   {"RT2_D3", kAllocData, "DBSPACE2", "64", "KB"}};
  records.push_back(s);

  s = {};
  s.Kind = kStorageSequentialRange;
  s.DsoName = "RT3_DSO";
  s.DataPageSize = "16";
  s.DivideColumns = "A, B";
  s.Dsis = {Expanding(TableDsi("RT3_D1", "1, 2"))};
  s.Allocations = {{"RT3_D1", kAllocExpand, "DBSPACE2", "", ""}, {"RT3_D1", kAllocData, "DBSPACE1", "1", "MB"}};
  records.push_back(s);

  s = {};
  s.Kind = kStorageRandom;
  s.DsoName = "RT4_DSO";
  s.PrimePageSize = "4";
  s.OverflowPageSize = "8";
  s.ClusterKey = "A, B";
  s.NotUnique = true;
  s.Rule = "HASH(A)";
  s.Dsis = {TableDsi("RT4_D1")};
  s.Allocations = {{"RT4_D1", kAllocPrime, "DBSPACE1", "10", "MB"},
                   {"RT4_D1", kAllocPrime, "DBSPACE2", "5", "MB"},
                   {"RT4_D1", kAllocOverflow, "DBSPACE2", "512", "KB"}};
  records.push_back(s);

  s = {};
  s.Kind = kStorageRandomList;
  s.DsoName = "RT5_DSO";
  s.PrimePageSize = "2";
  s.OverflowPageSize = "2";
  s.ClusterKey = "A";
  s.DivideColumns = "C";
  s.Dsis = {Expanding(TableDsi("RT5_D1", "'X'")), TableDsi("RT5_D2", "'Y'")};
  s.Allocations = {{"RT5_D1", kAllocExpand, "DBSPACE2", "", ""},
                   {"RT5_D1", kAllocPrime, "DBSPACE1", "256", "KB"},
                   {"RT5_D1", kAllocOverflow, "DBSPACE1", "128", "KB"},
                   {"RT5_D2", kAllocPrime, "DBSPACE2", "256", "KB"},
                   {"RT5_D2", kAllocOverflow, "DBSPACE2", "128", "KB"}};
  records.push_back(s);

  s = {};
  s.Kind = kStorageRandomRange;
  s.DsoName = "RT6_DSO";
  s.PrimePageSize = "32";
  s.OverflowPageSize = "32";
  s.DivideColumns = "A";
  s.Dsis = {TableDsi("RT6_D1", "1"), TableDsi("RT6_D2", "100")};
  s.Allocations = {{"RT6_D1", kAllocPrime, "DBSPACE1", "1", "MB"}, {"RT6_D2", kAllocPrime, "DBSPACE1", "1", "MB"}};
  records.push_back(s);

  s = {};
  s.Kind = kStorageObject;
  s.DsoName = "RT7_DSO";
  s.DataPageSize = "32";
  s.Dsis = {TableDsi("RT7_D1")};
  s.Allocations = {{"RT7_D1", kAllocData, "DBSPACE1", "2", "MB"}};
  records.push_back(s);
  return records;
}

TEST_F(StorageProgramTest, EveryStorageKindReadsBackAsItWasWritten) {
  TfrmObject* window = LogonSample();
  AppOption.Separator = ";";
  int n = 0;
  for (const TTableStorage& record : RecordsOfEveryKind()) {
    const std::string table = "RT" + std::to_string(++n);
    SCOPED_TRACE(table);
    window->ExecSQL("CREATE TABLE SALES." + table + " (A INTEGER, B INTEGER, C CHAR(1))");
    Lines ddl;
    BuildTableStorageDDL(record, "SALES.", table, AppOption.Separator, ddl);
    window->ExecScript(ddl, false);
    std::optional<TTableStorage> read;
    ASSERT_EQ(LoadTableStorage(*window, "SALES", table, read), TReportResult::Read);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, record);
    Lines dsis;
    window->GetTableDSIList(dsis, "SALES", table);
    EXPECT_EQ(dsis.size(), record.Dsis.size());
  }
  // Nothing is left behind in the work folder.
  EXPECT_TRUE(QDir(QString::fromStdString(AppOption.TempDir)).entryList(QDir::Files).isEmpty());
}

TEST_F(StorageProgramTest, AnIndexStorageReadsBackAsItWasWritten) {
  TfrmObject* window = LogonSample();
  AppOption.Separator = ";";
  const TTableStorage table = RecordsOfEveryKind()[kStorageRandomList - 1];
  window->ExecSQL("CREATE TABLE SALES.RT5 (A INTEGER, B INTEGER, C CHAR(1))");
  Lines ddl;
  BuildTableStorageDDL(table, "SALES.", "RT5", AppOption.Separator, ddl);
  window->ExecScript(ddl, false);

  TIndexStorage index;
  index.DsoName = "RT5_IX";
  index.BasePageSize = "4";
  index.IndexPageSize = "8";
  index.Option = kIndexRealignment;
  TStorageDsi first = Expanding(TableDsi("RT5_IX_D1"));
  first.TableDsi = "RT5_D2";
  first.Option = kIndexDegenerate;
  TStorageDsi second = TableDsi("RT5_IX_D2");
  second.TableDsi = "RT5_D1";
  second.Option = kIndexNoOption;
  index.Dsis = {first, second};
  index.Allocations = {{"RT5_IX_D1", kAllocExpand, "DBSPACE1", "", ""},
                       {"RT5_IX_D1", kAllocBase, "DBSPACE1", "256", "KB"},
                       {"RT5_IX_D1", kAllocIndex, "DBSPACE2", "128", "KB"},
                       {"RT5_IX_D2", kAllocBase, "DBSPACE2", "256", "KB"},
                       {"RT5_IX_D2", kAllocIndex, "DBSPACE2", "1", "MB"}};
  Lines tableDsis;
  ASSERT_EQ(LoadDsiList(*window, "SALES", "RT5", tableDsis), TReportResult::Read);
  EXPECT_EQ(tableDsis, (Lines{"RT5_D1", "RT5_D2"}));
  ddl.clear();
  BuildIndexStorageDDL(index, "SALES", "RT5", {"B", "A"}, tableDsis, AppOption.Separator, ddl);
  ddl.push_back(AppOption.Separator);
  window->ExecScript(ddl, false);

  TIndexStorage read;
  ASSERT_EQ(LoadIndexStorage(*window, "SALES", "RT5", "RT5_IX", read), TReportResult::Read);
  EXPECT_EQ(read, index);
  // The index exists as the catalogue lists indexes, keys in their order.
  TovSQLQuery& keys = window->OpenSQL(
      "SELECT C.COLUMN_NAME FROM RDBII_SYSTEM.RDBII_INDEX I, RDBII_SYSTEM.RDBII_COLUMN_USAGE U, "
      "RDBII_SYSTEM.RDBII_COLUMN C WHERE I.INDEX_DSO_NAME = 'RT5_IX' AND U.OBJECT_CODE = I.INDEX_DSO_CODE AND "
      "U.LIST_TYPE = 'I' AND C.TABLE_CODE = U.TABLE_CODE AND C.COLUMN_CODE = U.COLUMN_CODE ORDER BY U.ORDINAL_POSITION");
  Lines names;
  for (; !keys.Eof(); keys.Next()) names.push_back(keys.AsString(0));
  EXPECT_EQ(names, (Lines{"B", "A"}));
  // The table's DSI list does not take the index's DSIs.
  window->GetTableDSIList(tableDsis, "SALES", "RT5");
  EXPECT_EQ(tableDsis, (Lines{"RT5_D1", "RT5_D2"}));
}

}  // namespace
