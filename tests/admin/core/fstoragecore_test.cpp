#include "admin/core/fstoragecore.h"

#include <gtest/gtest.h>

#include <clocale>

namespace {

using Lines = std::vector<std::string>;

const Lines kUsage{"Database space : SPACE1",
                   "Device         : /srv/rdb/space1.dat",
                   "Size           : 2048K",
                   "Static allocate size",
                   "  total   :     1024K",
                   "Dynamic allocate size",
                   "  total   :      512K",
                   "Free size",
                   "  total   :      512K",
                   "Database space : EMPTY",
                   "Device         : /srv/rdb/empty.dat",
                   "Size           : 0K",
                   "Static allocate size",
                   "  total   :        0K",
                   "Dynamic allocate size",
                   "  total   :        0K",
                   "Free size",
                   "  total   :        0K",
                   "",
                   "rdbspcinfが正常終了しました 復帰コード 00",
                   "Database space : LATE"};

TEST(StorageUsage, RowsInKilobytesAndMegabytes) {
  std::vector<TStorageRow> rows;
  ASSERT_TRUE(ReadStorageUsage(kUsage, false, rows));
  ASSERT_EQ(rows.size(), 2u) << "the scan stops at the tool's line";
  EXPECT_EQ(rows[0], (TStorageRow{"SPACE1", "/srv/rdb/space1.dat", "2048", "1024", "512", "512", "0.75"}));
  EXPECT_EQ(rows[1][stUsage], "0.00") << "a space of size 0";
  ASSERT_TRUE(ReadStorageUsage(kUsage, true, rows));
  EXPECT_EQ(rows[0], (TStorageRow{"SPACE1", "/srv/rdb/space1.dat", "2.000", "1.000", "0.500", "0.500", "0.75"}));
  EXPECT_FALSE(ReadStorageUsage({"rdbspcinfが正常終了しました 復帰コード 00"}, false, rows));
  EXPECT_THROW(ReadStorageUsage({"Database space : X", "Size           : abcK"}, true, rows), std::invalid_argument);
}

TEST(StorageUsage, PointWhateverTheLocale) {
  const std::string old = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no comma locale here";
  EXPECT_EQ(StorageSize("1536K", true), "1.500");
  EXPECT_EQ(StorageUsage("2048", "512"), "0.75");
  std::setlocale(LC_NUMERIC, old.c_str());
}

TEST(StorageUsage, BarWidth) {
  EXPECT_EQ(UsageBarWidth("0.75", 100), 75);
  EXPECT_EQ(UsageBarWidth("1.00", 37), 37);
  EXPECT_EQ(UsageBarWidth("x", 100), 0) << "not a number counts as 0";
  EXPECT_EQ(kStorageColumns[stUsage].Width, 100);
}

TEST(StorageUsage, ScriptPaths) {
  const struct {
    bool oneScript, subDir;
    const char* name;
    const char* path;
  } cases[] = {
      {false, false, "SPACE1", "/out/SPACE1.SQL"},
      {false, true, "SPACE1", "/out/TABLESPACE/SPACE1.SQL"},
      {true, true, "SPACE1", "/out/"},
      {false, false, "A/B", "/out/AB.SQL"},  // a name never leaves the folder
  };
  for (const auto& c : cases) EXPECT_EQ(StorageScriptPath(c.oneScript, c.subDir, "/out/", c.name), c.path) << c.name;
}

}  // namespace
