// The settings of a real connection: read at the first call into the
// control block, errors in the caller's SQLCA, the ODBC data source, and
// the plug-in environment export.
#include <string>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTLIBMN.h"
#include "zk_seam.h"
#include "settings_fixture.h"
#include "zk_harness.h"

namespace settings_test {
namespace {

class ConnectionTest : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    set("PDMEMTRCFILE", path("no-memory-trace"));
  }
  void TearDown() override {
    if (clt_cur() != nullptr && clt_cur()->main != nullptr) clt_last_call_term(&req_.area);
    SettingsTest::TearDown();
  }
  clt_main* main() { return clt_cur_main(); }
  clt_env& cenv() { return *clt_main_env(main()); }

  zk::services_scope services_;
  zk::context_scope context_;
  zk::request req_{"CNCT"};
};

TEST_F(ConnectionTest, BadSettingFailsTheFirstCallWithItsMessage) {
  set("PDCLTAPNAME", "APP1");
  set("PDNAMEPORT", "5000");
  ASSERT_EQ(clt_first_call_init(&req_.area), -1);
  EXPECT_EQ(req_.sqlcode(), CLT_SQLCODE_ENV_ERROR);
  EXPECT_EQ(req_.message(), env_error("PDNAMEPORT", "OUT OF RANGE"));
  EXPECT_EQ(req_.source_file(), std::string("CLTENV    "));
  EXPECT_EQ(req_.sqlstate(), "R0000");
  // The application name is copied only after a complete reading.
  EXPECT_STREQ(clt_main_uap(main())->apname, "");
}

TEST_F(ConnectionTest, SystemCallFailureIsReportedWithItsOwnCode) {
  // A deleted working directory cannot be determined for PDCLTPATH.
  const std::string gone = write_file("gone/x", "");
  const std::string before = std::filesystem::current_path();
  std::filesystem::current_path(path("gone"));
  std::filesystem::remove_all(path("gone"));
  const int32_t rc = clt_first_call_init(&req_.area);
  std::filesystem::current_path(before);
  ASSERT_EQ(rc, -1);
  EXPECT_EQ(req_.sqlcode(), CLT_SQLCODE_SYSCALL);
  EXPECT_EQ(req_.message(), "KFPA11731-E System call error, func=getcwd, errno=" + std::to_string(ENOENT));
}

TEST_F(ConnectionTest, SettingsLandInTheControlBlock) {
  write_file("pd/conf/emb/Marlo.ini", ini_text({{"PDHOST", "pdhost"}, {"PDIPC", "MEMORY"}}));
  set("PDDIR", path("pd"));
  set("PDUSER", "scott/tiger");
  set("PDCLTAPNAME", "PAYROLL");
  set("PDTRCPATH", path("trc"));
  ASSERT_EQ(clt_first_call_init(&req_.area), 0) << req_.message();
  EXPECT_STREQ(cenv().pdhost, "pdhost");
  EXPECT_STREQ(clt_text(main(), CLT_TEXT_HOST), "pdhost");
  EXPECT_STREQ(clt_text(main(), CLT_TEXT_USER), "scott");
  EXPECT_STREQ(clt_text(main(), CLT_TEXT_PASSWORD), "tiger");
  EXPECT_EQ(std::string(clt_text(main(), CLT_TEXT_TRCPATH)), path("trc"));
  EXPECT_STREQ(clt_main_uap(main())->apname, "PAYROLL");

  // Lookups inside the call read the connection's PDDIR ini file; the
  // frame reads the settings it needs through its slots.
  char buf[CLT_ENV_VALUE_SIZE];
  EXPECT_EQ(clt_getenv_str("PDHOST", buf, sizeof buf, nullptr), 6);
  EXPECT_STREQ(buf, "pdhost");
  EXPECT_EQ(clt_env_get(main(), clt_setting::ipc), 'Y');
  clt_env_put(main(), clt_setting::trcctl_size, 0);
  EXPECT_EQ(cenv().trcctl_size, -1);
  EXPECT_EQ(clt_env_get(main(), clt_setting::trcctl_size), 0);
  clt_env_put(main(), clt_setting::trcctl_size, 40000);
  EXPECT_EQ(clt_env_get(main(), clt_setting::trcctl_size), 40000);
}

TEST_F(ConnectionTest, OdbcBufferNamesTheSettingsFile) {
  write_ini({{"PDHOST", "bare"}});
  const std::string own = write_file("dsn.ini", ini_text({{"PDHOST", "dsnhost"}}));
  rdb_odbc_buf odbc{};
  odbc.nameport = 70000;
  odbc.inifile = own.c_str();
  std::memset(odbc.host, 'h', sizeof odbc.host);  // a full field without NUL
  ASSERT_EQ(clt_first_call_init_odbc(&req_.area, &odbc), 0) << req_.message();
  EXPECT_STREQ(cenv().pdhost, "dsnhost");
  EXPECT_EQ(std::string(clt_text(main(), CLT_TEXT_HOST)), std::string(sizeof odbc.host, 'h'));
  EXPECT_EQ(cenv().nameport_cur, 4464);
  EXPECT_EQ(cenv().pdnameport, 20000);
  // Later lookups of the connection pass the same file.
  char buf[CLT_ENV_VALUE_SIZE];
  clt_getenv_str("PDHOST", buf, sizeof buf, cenv().own_ini_file);
  EXPECT_STREQ(buf, "dsnhost");
}

TEST_F(ConnectionTest, FrameReadsTheSettingsInItsOwnTerms) {
  set("PDSQLTRACE", "0");
  set("PDAUTOCONNECT", "OFF");
  set("PDCLTOPTIONSTR", "EU");
  set("PDERRSKIPCODE", "-803,-811");
  ASSERT_EQ(clt_first_call_init(&req_.area), 0) << req_.message();
  // A trace size given as 0 still switches the trace on.
  EXPECT_EQ(clt_env_get(main(), clt_setting::sqltrace), 1);
  EXPECT_EQ(clt_env_get(main(), clt_setting::rctrace), 0);
  EXPECT_EQ(clt_env_get(main(), clt_setting::autoconnect), 'N');
  EXPECT_EQ(clt_env_get(main(), clt_setting::optionletter, 'E'), 'Y');
  EXPECT_EQ(clt_env_get(main(), clt_setting::optionletter, 'D'), 0);
  EXPECT_EQ(clt_env_get(main(), clt_setting::errskipcode, 1), -811);
  EXPECT_EQ(clt_env_get(main(), clt_setting::errskipcode, 2), 0);
  EXPECT_EQ(clt_env_get(main(), clt_setting::cursorlvl), '0');
}

class PluginExportTest : public SettingsTest {};

class RequestTest : public SettingsTest {};

TEST_F(RequestTest, BadSettingFailsTheFirstRequestAndTheNextReadsAgain) {
  set("PDMEMTRCFILE", path("no-memory-trace"));
  set("PDHOST", std::string(600, 'h'));
  zk::request r{"CNCT"};
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), CLT_SQLCODE_ENV_ERROR);
  EXPECT_EQ(r.message(), env_error("PDHOST", "OUT OF RANGE"));
  EXPECT_EQ(clt_global.main, nullptr);

  // The block was freed, so the next request reads the settings anew.
  clear_vars();
  set("PDMEMTRCFILE", path("no-memory-trace"));
  set("PDCLTGRP", "AB");
  zk::request again{"CNCT"};
  EXPECT_EQ(again.exsql(), -10);
  EXPECT_EQ(again.message(), env_error("PDCLTGRP", "OUT OF RANGE"));
}

TEST_F(PluginExportTest, ReturnsTheItemsWithoutConversionItem) {
  unsigned char buf[CLT_PLUGIN_ENV_SIZE];
  auto zeros = [&] { return std::all_of(std::begin(buf), std::end(buf), [](unsigned char b) { return b == 0; }); };

  EXPECT_EQ(p_rdb_get_plugin_env(nullptr), -30);
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(p_rdb_get_plugin_env(buf), 0);
  EXPECT_TRUE(zeros());

  set("PDPLUGINNSUB", "  abc");
  ASSERT_EQ(p_rdb_get_plugin_env(buf), 0);
  uint16_t length = 0;
  std::memcpy(&length, buf, sizeof length);
  EXPECT_EQ(length, 16);
  EXPECT_STREQ(reinterpret_cast<const char*>(buf + 2), "NSUB=abc");

  set("PDPLUGINNSUB", std::string(88, 'v'));
  ASSERT_EQ(p_rdb_get_plugin_env(buf), 0);
  std::memcpy(&length, buf, sizeof length);
  EXPECT_EQ(length, CLT_PLUGIN_ENV_SIZE);

  set("PDPLUGINNSUB", std::string(89, 'v'));
  EXPECT_EQ(p_rdb_get_plugin_env(buf), -90);
  EXPECT_TRUE(zeros());
  // The context pointer is free again for the next request.
  EXPECT_EQ(clt_cur(), nullptr);

  // The value may come from the ini file.
  clear_vars();
  write_ini({{"PDPLUGINNSUB", "fromini"}});
  ASSERT_EQ(p_rdb_get_plugin_env(buf), 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(buf + 2), "NSUB=fromini");
}

TEST_F(PluginExportTest, LeavesARunningCallAlone) {
  zk::context_scope running;
  unsigned char buf[CLT_PLUGIN_ENV_SIZE];
  EXPECT_EQ(p_rdb_get_plugin_env(nullptr), -30);
  EXPECT_EQ(p_rdb_get_plugin_env(buf), -80);
  EXPECT_EQ(clt_cur(), &clt_global);
}

}  // namespace
}  // namespace settings_test
