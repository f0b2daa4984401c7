// The storage readers in the running program: a connection window opened on
// the stand-in sample after the registration routines, as the program does.
#include <gtest/gtest.h>

#include <QCoreApplication>
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

}  // namespace
