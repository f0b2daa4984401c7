// Reporting into the SQLCA and the SQLSTATE.
#include <gtest/gtest.h>

#include <string>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTUTL.h"
#include "zk_harness.h"

namespace {

clt_msg_token token_of(const std::string& text) {
  clt_msg_token t{};
  t.length = static_cast<uint16_t>(text.size());
  memcpy(t.text, text.data(), text.size());
  return t;
}

TEST(Sqlca, ResetFillsIdentifierSizeAndBlanks) {
  SQLCA sqlca;
  memset(&sqlca, 0x5A, sizeof(sqlca));
  clt_reset_sqlca(&sqlca);
  EXPECT_EQ(std::string(sqlca.sqlcaid, 8), "SQLCA   ");
  EXPECT_EQ(sqlca.sqlcabc, 336);
  EXPECT_EQ(sqlca.SQLCODE, 0);
  EXPECT_EQ(sqlca.sqlerrml, 0);
  EXPECT_EQ(std::string(sqlca.sqlerrp, 8), std::string(8, ' '));
  EXPECT_EQ(sqlca.sqlerrd[2], 0);
  EXPECT_EQ(sqlca.sqlerrd[3], 0);
  EXPECT_EQ(std::string(sqlca.sqlwarn, 16), std::string(16, ' '));
  EXPECT_EQ(std::string(sqlca.sqlsrcfile, 10), std::string(10, ' '));
  EXPECT_EQ(sqlca.sqlsrcline, 0);
}

TEST(Sqlca, TokensAreJoinedBySeparatorAndPaddedWithBlanks) {
  zk::request r;
  clt_reset_sqlca(&r.sqlca);
  clt_msg_token a = token_of("AB"), b = token_of("CDE");
  clt_set_sqlca(&r.sqlca, "CLTLIBCT", 12, -311, 0, 0, 0, &a, &b, nullptr);
  EXPECT_EQ(r.sqlca.SQLCODE, -311);
  EXPECT_EQ(r.sqlca.sqlerrml, 6);
  EXPECT_EQ(std::string(r.sqlca.sqlerrmc, 7), std::string("AB\xFF" "CDE ", 7));
  EXPECT_EQ(std::string(r.sqlca.sqlerrmc + 6, 248), std::string(248, ' '));
  EXPECT_EQ(r.sqlca.sqlsrcline, 12);
}

TEST(Sqlca, TokensBeyondTheFieldAreCut) {
  zk::request r;
  clt_reset_sqlca(&r.sqlca);
  clt_msg_token a = token_of(std::string(200, 'x')), b = token_of(std::string(200, 'y'));
  clt_set_sqlca(&r.sqlca, "CLTUTL", 1, -1, 0, 0, 0, &a, &b, nullptr);
  EXPECT_EQ(r.sqlca.sqlerrml, 254);
  EXPECT_EQ(r.message(), std::string(200, 'x') + "\xFF" + std::string(53, 'y'));
  EXPECT_EQ(std::string(r.sqlca.sqlerrp, 8), std::string(8, ' '));  // next field untouched
}

TEST(Sqlca, LongFormattedMessageStaysInItsToken) {
  clt_msg_token t;
  std::string huge(1000, 'z');
  clt_set_msg("KFPA11724-E Environment definition error, variable=%s, reason=%s", &t, 0,
              huge.c_str(), "OUT OF RANGE");
  EXPECT_EQ(t.length, sizeof(t.text) - 1);
  EXPECT_EQ(std::string(t.text, 12), "KFPA11724-E ");
}

TEST(Sqlca, SourceFileIsNamePartCutToTenCharacters) {
  struct {
    const char* source;
    std::string stored;
  } cases[] = {
      {"C:\\build\\src\\CLTLIBCT", "CLTLIBCT  "},
      {"ABCDEFGHIJKL", "ABCDEFGHIJ"},
      {" blank first", "          "},
  };
  for (const auto& c : cases) {
    zk::request r;
    clt_reset_sqlca(&r.sqlca);
    clt_set_sqlca(&r.sqlca, c.source, 0, -1, 0, 0, 0, nullptr);
    EXPECT_EQ(r.source_file(), c.stored) << c.source;
  }
}

TEST(Sqlca, CountDetailAndWarnings) {
  zk::request r;
  clt_reset_sqlca(&r.sqlca);
  clt_set_sqlca(&r.sqlca, "X", 0, -10, 0, 0, 0, nullptr);
  EXPECT_EQ(r.sqlca.sqlerrd[3], 8);  // an error without detail

  clt_reset_sqlca(&r.sqlca);
  clt_set_sqlca(&r.sqlca, "X", 0, -10, 5, 77, 0, nullptr);
  EXPECT_EQ(r.sqlca.sqlerrd[2], 5);
  EXPECT_EQ(r.sqlca.sqlerrd[3], 77);

  struct {
    uint16_t warning;
    int byte;  // -1: only the summary byte
  } warnings[] = {{1, 305}, {4, 308}, {5, 310}, {6, 309}, {7, 311}, {8, 313}, {11, 316}, {12, -1}};
  for (const auto& w : warnings) {
    clt_reset_sqlca(&r.sqlca);
    clt_set_sqlca(&r.sqlca, "X", 0, 0, 0, 0, w.warning, nullptr);
    const char* base = reinterpret_cast<const char*>(&r.sqlca);
    EXPECT_EQ(base[304], 'W') << w.warning;
    int marked = 0;
    for (int i = 305; i <= 319; ++i) marked += base[i] == 'W';
    EXPECT_EQ(marked, w.byte < 0 ? 0 : 1) << w.warning;
    if (w.byte > 0) {
      EXPECT_EQ(base[w.byte], 'W') << w.warning;
    }
  }
}

TEST(Sqlca, ZeroSqlcodeKeepsTheResetState) {
  zk::request r;
  clt_reset_sqlca(&r.sqlca);
  clt_set_sqlca(&r.sqlca, "X", 0, 0, 0, 0, 0, nullptr);
  EXPECT_EQ(r.sqlca.SQLCODE, 0);
  EXPECT_EQ(r.sqlca.sqlerrd[3], 0);
}

// Settings double: PDARYERRPOS and the standard-SQLSTATE byte.
int32_t g_aryerrpos = 0;
int32_t env_get_double(const clt_main*, clt_setting which, int32_t) {
  return which == clt_setting::aryerrpos ? g_aryerrpos : 0;
}

struct connection_fixture : ::testing::Test {
  zk::services_scope services;
  zk::context_scope context;
  zk::request first{"CNCT"};
  void SetUp() override {
    clt_svc.env_get = env_get_double;
    ASSERT_EQ(clt_main_create(&first.area), 0);
  }
  void TearDown() override { clt_main_free(); }
};

TEST_F(connection_fixture, ArrayErrorPositionMakesEveryCountMinusOne) {
  g_aryerrpos = 'Y';
  for (int32_t count : {0, 3}) {
    zk::request r;
    clt_reset_sqlca(&r.sqlca);
    clt_set_sqlca(&r.sqlca, "X", 0, -1, count, 0, 0, nullptr);
    EXPECT_EQ(r.sqlca.sqlerrd[2], -1) << count;
  }
}

TEST_F(connection_fixture, SqlstateFollowsTheStandardSwitch) {
  struct {
    int32_t sqlcode;
    const char* deflt;
    const char* off;
    const char* on;
  } cases[] = {
      {-811, "R0000", "R0000", "R0000"}, {-725, "R0000", "R0000", "54202"},
      {-310, "07008", "R0000", "07008"}, {100, "02000", "02000", "02000"},
      {0, "00000", "00000", "00000"},    {-1802, "R0000", "R0000", "52206"},
      {-104, "R0000", "R0000", "42601"},
  };
  clt_main* main = clt_cur_main();
  for (const auto& c : cases) {
    zk::request r;
    r.sqlca.SQLCODE = c.sqlcode;
    main->std_sqlstate = 0;
    clt_set_sqlstate(&r.area, c.deflt);
    EXPECT_EQ(r.sqlstate(), c.off) << c.sqlcode;
    main->std_sqlstate = 'Y';
    clt_set_sqlstate(&r.area, c.deflt);
    EXPECT_EQ(r.sqlstate(), c.on) << c.sqlcode;
  }
}

TEST(Sqlstate, WithoutControlBlockTheDefaultHolds) {
  zk::request r;
  r.sqlca.SQLCODE = -725;
  clt_set_sqlstate(&r.area, "07001");
  EXPECT_EQ(r.sqlstate(), "07001");
}

TEST(Sqlca, ReportRunsTheWholeSequence) {
  zk::request r;
  r.sqlca.sqlerrml = 9999;  // left over by the caller
  EXPECT_EQ(clt_report(&r.area, "CLTLIBCT", 42, -563, "R0000",
                       "KFPA11563-E Unable to execute SQL before CONNECT"),
            -1);
  EXPECT_EQ(r.sqlcode(), -563);
  EXPECT_EQ(r.message(), "KFPA11563-E Unable to execute SQL before CONNECT");
  EXPECT_EQ(r.source_file(), "CLTLIBCT  ");
  EXPECT_EQ(r.sqlca.sqlsrcline, 42);
  EXPECT_EQ(r.sqlca.sqlerrd[3], 8);
  EXPECT_EQ(r.sqlstate(), "R0000");
}

TEST(Sqlca, PutTokenPadsShortSources) {
  char field[10];
  memset(field, '#', sizeof(field));
  clt_put_token(field, 3, 5, "xyz", 1, 3);
  EXPECT_EQ(std::string(field, 10), "##xyz  ###");
}

}  // namespace
