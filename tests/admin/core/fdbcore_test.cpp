#include "admin/core/fdbcore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/textfile.h"

namespace {

using Lines = std::vector<std::string>;

enum { kCore, kPm, kReport, kReportSize, kPrjCode, kExtMem, kCntNum, kDbsNum, kNetDbsNum };

TEST(RdbConfig, LinesTakenForTheirKeys) {
  struct Case {
    const char* name;
    Lines lines;
    int key;
    std::string value;
  } cases[] = {
      {"blank form", {"RDBCORE = /srv/core"}, kCore, "/srv/core"},
      {"equals form", {"RDBCORE=/srv/core"}, kCore, "/srv/core"},
      {"commented out", {"#RDBCORE = /srv/core"}, kCore, ""},
      {"comment after the value", {"RDBCORE = /srv/core # core files"}, kCore, "/srv/core"},
      {"hash inside the key's comment", {"RDBPM = 1 # RDBCORE = x"}, kCore, ""},
      {"longer key is not the shorter", {"RDBREPORTSIZE = 100"}, kReport, ""},
      {"longer key is its own", {"RDBREPORTSIZE = 100"}, kReportSize, "100"},
      {"later line wins", {"RDBCNTNUM = 1", "RDBCNTNUM = 2"}, kCntNum, "2"},
      {"equals before the key", {"X=RDBDBSNUM = 4"}, kDbsNum, ""},
      {"case matters", {"rdbcore = /x"}, kCore, ""},
      {"no equals sign", {"RDBCORE /x"}, kCore, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseRdbConfig(c.lines).Values[c.key], c.value) << c.name;
}

TEST(RdbConfig, BufferFileFolder) {
  EXPECT_EQ(ParseRdbConfig({"RDBSYSBUF = /srv/rdb/buf"}).BufferFile, "/srv/rdb/buf/rdbbuf");
  EXPECT_EQ(ParseRdbConfig({"RDBSYSBUF=/srv/rdb/buf/ # here"}).BufferFile, "/srv/rdb/buf/rdbbuf");
  EXPECT_EQ(ParseRdbConfig({"RDBCORE = /x"}).BufferFile, "");
}

TEST(RdbBuffer, PagesTimesCounts) {
  EXPECT_EQ(BufferKilobytes({"BUFFER4K = 1000", "BUFFER8K = 500"}), 8000);
  EXPECT_EQ(BufferMegabytes(8000), "7.8");
  EXPECT_EQ(BufferKilobytes({"# pages", "BUFFER2k=10 # two", "OTHER = 3"}), 20);
  EXPECT_EQ(BufferMegabytes(0), "0.0");
  EXPECT_THROW(BufferKilobytes({"BUFFERXK = 10"}), EDbInfoError);
  EXPECT_THROW(BufferKilobytes({"BUFFER4K = many"}), EDbInfoError);
}

TEST(RdbConfig, DefaultsByLevel) {
  struct Case {
    int level;
    int key;
    const char* value;
  } cases[] = {
      {9, kCntNum, "128"}, {10, kCntNum, "712"}, {11, kCntNum, "712"},      {9, kExtMem, ""},
      {10, kExtMem, "13208"}, {9, kDbsNum, "3"},  {10, kNetDbsNum, "32"},  {9, kPrjCode, "0xdb"},
      {9, kCore, ""},         {10, kReportSize, "10485760"},
  };
  for (const Case& c : cases) {
    std::array<std::string, kConfigValueKeys> values;
    ApplyConfigDefaults(values, c.level);
    EXPECT_EQ(values[c.key], c.value) << c.level << " " << c.key;
  }
  TRdbConfig set = ParseRdbConfig({"RDBCNTNUM = 64"});
  ApplyConfigDefaults(set.Values, 9);
  EXPECT_EQ(set.Values[kCntNum], "64");
}

TEST(EnvFile, ParametersAndSearch) {
  const Lines lines = {"; comment = x", "MAX_CONNECT = (100)", "SQL_LEVEL = SQL95 ; level", "OTHER=A ; blank after the equals", "WORK_PATH = (/a, /b)",
                       "NAME=A B",      "",                     "  ",                       "CONNECT_TIMEOUT = 30"};
  const std::vector<TParameter> all = {
      {"MAX_CONNECT", "100"}, {"SQL_LEVEL", "SQL95"}, {"WORK_PATH", "/a, /b"}, {"CONNECT_TIMEOUT", "30"}};
  EXPECT_EQ(ParseEnvFile(lines, ""), all);
  const std::vector<TParameter> connect = {{"MAX_CONNECT", "100"}, {"CONNECT_TIMEOUT", "30"}};
  EXPECT_EQ(ParseEnvFile(lines, "CONNECT"), connect);
  EXPECT_EQ(ParseEnvFile({"P = (1) (2)"}, "").front().Value, "(1) (2)");
  EXPECT_TRUE(ParameterMatches("max_connect", "CONNECT"));
  EXPECT_FALSE(ParameterMatches("SQL_LEVEL", "CONNECT"));
  EXPECT_TRUE(ParameterMatches("SQL_LEVEL", ""));
}

TEST(DbInfoFiles, MissingFilesAndWrongKinds) {
  QTemporaryDir dir;
  const std::string base = dir.path().toStdString() + "/";
  platform::WriteTextFile(base + "rdb.cfg", "RDBCORE = /core\nRDBSYSBUF = " + base + "\n");
  platform::WriteTextFile(base + "rdb.txt", "RDBCORE = /core\n");
  platform::WriteTextFile(base + "sys.ENV", "MAX_CONNECT = (100)\n");
  EXPECT_EQ(ReadRdbConfig(base + "rdb.cfg").Values[kCore], "/core");
  EXPECT_EQ(ReadRdbConfig(base + "rdb.cfg").BufferFile, base + "rdbbuf");
  EXPECT_EQ(ReadEnvFile(base + "sys.ENV", "").front(), (TParameter{"MAX_CONNECT", "100"}));
  struct Case {
    std::function<void()> read;
    const char* message;
  } cases[] = {
      {[&] { ReadRdbConfig(base + "none.cfg"); }, "RDB構成ファイルの指定が正しくありません"},
      {[&] { ReadRdbConfig(base + "rdb.txt"); }, "RDB構成ファイルではありません"},
      {[&] { ReadRdbConfig(base); }, "RDB構成ファイルの指定が正しくありません"},
      {[&] { ReadEnvFile(base + "none.env", ""); }, "システムパラメタファイルの指定が正しくありません"},
      {[&] { ReadEnvFile(base + "rdb.cfg", ""); }, "システムパラメタファイルではありません"},
  };
  for (const Case& c : cases) {
    try {
      c.read();
      ADD_FAILURE() << c.message;
    } catch (const EDbInfoError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(LogReport, StatusFilesAndSizes) {
  const TLogReport report = ParseLogReport({"Status       :active", "Ai           :10M /srv/rdb/log/ailog",
                                            "Bi           :2G /srv/rdb/log/bilog", "Index        :512K /srv/rdb/log/idx",
                                            "rdblogが正常終了しました 復帰コード 00"});
  EXPECT_TRUE(report.Found);
  EXPECT_EQ(report.Status, "ACTIVE");
  ASSERT_EQ(report.Files.size(), 2u);
  EXPECT_EQ(report.Files[0].Path, "/srv/rdb/log/ailog");
  EXPECT_EQ(report.Files[0].Size, "10240");
  EXPECT_EQ(report.Files[1].Size, "2097152");
  EXPECT_EQ(report.IndexPath, "/srv/rdb/log/idx");
  const TLogReport bare = ParseLogReport({"Status       :"});
  EXPECT_TRUE(bare.Found);
  EXPECT_EQ(bare.Status, "-----");
  EXPECT_FALSE(ParseLogReport({"rdblog: error"}).Found);
  struct Case {
    const char* size;
    const char* kilobytes;
  } sizes[] = {{"2G", "2097152"}, {"10M", "10240"}, {"512K", "512"}, {"12", "12"}, {"xM", "xM"}, {"", ""}};
  for (const Case& c : sizes) EXPECT_EQ(LogSizeKilobytes(c.size), c.kilobytes) << c.size;
}

TEST(LogReport, CatalogueSizes) {
  EXPECT_EQ(CatalogueLogKilobytes(10485760), "    10,240.0");
  EXPECT_EQ(CatalogueLogKilobytes(512), "         0.5");
  EXPECT_EQ(CatalogueLogKilobytes(2147483648.0), " 2,097,152.0");
}

}  // namespace
