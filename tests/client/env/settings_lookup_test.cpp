// Setting lookups, the ini reader and the value parsers.
#include <arpa/inet.h>

#include <string>

#include "CLTCOMD.h"
#include "CLTUTL.h"
#include "cltenv2.h"
#include "cltenv3.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

class LookupTest : public SettingsTest {
 protected:
  std::string str(const char* name, const clt_env* e = nullptr, const char* file = nullptr) {
    char buf[CLT_ENV_VALUE_SIZE];
    const int32_t n = clt_getenv_str_in(e, name, buf, sizeof buf, file, sizeof buf);
    EXPECT_EQ(static_cast<size_t>(n), std::strlen(buf));
    return buf;
  }
  int32_t num(const char* name, int32_t* v, int32_t base = 10) {
    return clt_getenv_num_in(nullptr, name, v, base, nullptr);
  }
};

TEST_F(LookupTest, IniReaderMatchesNamesInAnyCaseAndTrimsValues) {
  write_file("odd.ini",
             "\xEF\xBB\xBF; comment\r\n[other]\r\nPDHOST=wrong\r\n[ Marlo ]\r\n  pdhost =  srv1  \r\n"
             "PDHOST=second\r\n# note\r\nPDUSER=\r\n");
  char buf[64];
  EXPECT_EQ(ini_read_string(path("odd.ini").c_str(), "marlo", "PDHOST", buf, sizeof buf), 4u);
  EXPECT_STREQ(buf, "srv1");
  EXPECT_EQ(ini_read_string(path("odd.ini").c_str(), "MARLO", "PDUSER", buf, sizeof buf), 0u);
  EXPECT_EQ(ini_read_string(path("odd.ini").c_str(), "marlo", "PDNONE", buf, sizeof buf), 0u);
  EXPECT_EQ(ini_read_string(path("missing.ini").c_str(), "marlo", "PDHOST", buf, sizeof buf), 0u);
  // Values are cut to the buffer, which stays terminated.
  EXPECT_EQ(ini_read_string(path("odd.ini").c_str(), "marlo", "PDHOST", buf, 3), 2u);
  EXPECT_STREQ(buf, "sr");
}

TEST_F(LookupTest, BareIniNameIsLookedUpInTheProfileDirectory) {
  write_ini({{"PDHOST", "inihost"}});
  EXPECT_EQ(str("PDHOST"), "inihost");
  ini_set_profile_dir(nullptr);
  EXPECT_STREQ(ini_profile_dir(), INI_PROFILE_DIR);
}

TEST_F(LookupTest, EnvironmentComesBeforeTheIniFile) {
  write_ini({{"PDHOST", "inihost"}, {"PDNAMEPORT", "5"}});
  set("PDHOST", "envhost");
  EXPECT_EQ(str("PDHOST"), "envhost");
  // An empty environment value is passed over by the text lookup ...
  set("PDNAMEPORT", "");
  EXPECT_EQ(str("PDNAMEPORT"), "5");
  // ... but ends the number lookup as empty.
  int32_t v = 77;
  EXPECT_EQ(num("PDNAMEPORT", &v), CLT_ENV_ABSENT);
  EXPECT_EQ(v, 77);
}

TEST_F(LookupTest, EraseMarkerCountsAsNotSet) {
  write_ini({{"PDHOST", "inihost"}});
  set("PDHOST", CLT_ENV_ERASE_MARK);
  set("PDUSER", CLT_ENV_ERASE_MARK);
  set("PDCWAITTIME", CLT_ENV_ERASE_MARK);
  EXPECT_EQ(str("PDHOST"), "inihost");
  EXPECT_EQ(str("PDUSER"), "");
  int32_t v = 0;
  EXPECT_EQ(num("PDCWAITTIME", &v), CLT_ENV_ABSENT);
  // Only the exact marker erases.
  set("PDUSER", std::string(CLT_ENV_ERASE_MARK) + "x");
  EXPECT_EQ(str("PDUSER"), std::string(CLT_ENV_ERASE_MARK) + "x");
}

TEST_F(LookupTest, OverlongEnvironmentValueIsPassedOver) {
  write_ini({{"PDHOST", "inihost"}});
  set("PDHOST", std::string(1047, 'h'));
  EXPECT_EQ(str("PDHOST").size(), 1047u);
  set("PDHOST", std::string(1048, 'h'));
  EXPECT_EQ(str("PDHOST"), "inihost");
}

TEST_F(LookupTest, MissingOrUnreadableIniFileIsNotSet) {
  EXPECT_EQ(str("PDHOST"), "");
  // A folder in place of the file cannot be read as one.
  std::filesystem::create_directories(path(CLT_ENV_DEFAULT_INI));
  EXPECT_EQ(str("PDHOST"), "");
  int32_t v = 0;
  EXPECT_EQ(num("PDHOST", &v), CLT_ENV_ABSENT);
}

TEST_F(LookupTest, IniFileChoice) {
  write_ini({{"PDHOST", "bare"}});
  const std::string own = write_file("dsn/own.ini", ini_text({{"PDHOST", "own"}}));
  const std::string pddir = write_file("pd/conf/emb/Marlo.ini", ini_text({{"PDHOST", "pddir"}}));
  clt_env e{};
  // No control block: the caller's file, else the bare name.
  EXPECT_EQ(str("PDHOST", nullptr, own.c_str()), "own");
  EXPECT_EQ(str("PDHOST", nullptr, nullptr), "bare");
  // A connection with a PDDIR ini file reads it whatever the caller names.
  e.pddir_ini = 'Y';
  std::strcpy(e.pddir_ini_path, pddir.c_str());
  EXPECT_EQ(str("PDHOST", &e, own.c_str()), "pddir");
  e.pddir_ini = 'N';
  EXPECT_EQ(str("PDHOST", &e, own.c_str()), "own");
}

TEST_F(LookupTest, PddirChoosesTheConnectionsIniFile) {
  write_ini({{"PDHOST", "bare"}});
  write_file("pd/conf/emb/Marlo.ini", ini_text({{"PDHOST", "pddir"}}));
  set("PDDIR", path("pd"));
  ASSERT_EQ(read(), 0) << report_.message;
  EXPECT_EQ(env().pddir_ini, 'Y');
  EXPECT_EQ(std::string(env().pddir_ini_path), path("pd/conf/emb/Marlo.ini"));
  EXPECT_STREQ(env().pdhost, "pddir");

  // A PDDIR without conf/emb/Marlo.ini reads the usual file.
  reset_block();
  set("PDDIR", path("empty"));
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(env().pddir_ini, 'N');
  EXPECT_STREQ(env().pdhost, "bare");

  // A PDDIR whose ini path would not fit the path field counts as not set.
  std::string deep = "long";
  while (path(deep).size() < 240) deep += "/" + std::string(20, 'd');
  write_file(deep + "/conf/emb/Marlo.ini", ini_text({{"PDHOST", "deep"}}));
  reset_block();
  set("PDDIR", path(deep));
  ASSERT_EQ(read(), 0);
  EXPECT_EQ(env().pddir_ini, 'N');
  EXPECT_STREQ(env().pdhost, "bare");
}

TEST_F(LookupTest, NumberLookupFollowsTheCLibraryRules) {
  struct Case {
    const char* value;
    int32_t base;
    int32_t rc;
    int32_t number;
  };
  const Case cases[] = {
      {" 12", 10, CLT_ENV_OK, 12},        {"+12", 10, CLT_ENV_OK, 12},
      {"12 ", 10, CLT_ENV_INVALID, 0},    {"1 2", 10, CLT_ENV_INVALID, 0},
      {"12a", 10, CLT_ENV_INVALID, 0},    {"-1", 10, CLT_ENV_INVALID, 0},
      {"+-1", 10, CLT_ENV_INVALID, 0},    {"+", 10, CLT_ENV_INVALID, 0},
      {"0x1F", 16, CLT_ENV_OK, 31},       {"1f", 16, CLT_ENV_OK, 31},
      {"0x1F", 10, CLT_ENV_INVALID, 0},   {"2147483647", 10, CLT_ENV_OK, 2147483647},
      {"2147483648", 10, CLT_ENV_RANGE, 0}, {"99999999999999999999", 10, CLT_ENV_RANGE, 0},
      {"12", 8, CLT_ENV_BAD_BASE, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    set("PDTEST", c.value);
    int32_t v = -12345;
    EXPECT_EQ(num("PDTEST", &v, c.base), c.rc);
    EXPECT_EQ(v, c.rc == CLT_ENV_OK ? c.number : -12345);
  }
}

TEST(SettingsParsers, NumberRange) {
  struct Case {
    const char* value;
    int32_t rc, first, second;
  };
  const Case cases[] = {
      {"10-20", CLT_ENV_OK, 10, 20}, {"10", CLT_ENV_OK, 10, -1},     {"10-", CLT_ENV_INVALID, 0, 0},
      {"-10", CLT_ENV_INVALID, 0, 0}, {"10-20-30", CLT_ENV_INVALID, 0, 0}, {"a-1", CLT_ENV_INVALID, 0, 0},
      {"1-99999999999", CLT_ENV_RANGE, 0, 0}, {"", CLT_ENV_INVALID, 0, 0},
      // Only the first 21 characters count.
      {"100000000000000000001-5", CLT_ENV_RANGE, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    int32_t first = 0, second = 0;
    ASSERT_EQ(clt_env_num_range(c.value, &first, &second, 10), c.rc);
    if (c.rc == CLT_ENV_OK) {
      EXPECT_EQ(first, c.first);
      EXPECT_EQ(second, c.second);
    }
  }
  int32_t a = 0, b = 0;
  EXPECT_EQ(clt_env_num_range("10", &a, &b, 2), CLT_ENV_BAD_BASE);
  EXPECT_EQ(clt_env_num_range("ff-100", &a, &b, 16), CLT_ENV_OK);
  EXPECT_EQ(a, 255);
  EXPECT_EQ(b, 256);
}

TEST(SettingsParsers, TimeValue) {
  struct Case {
    const char* value;
    int32_t limit;
    int32_t rc;
    int16_t short_value;
    int32_t seconds, micro;
  };
  const Case cases[] = {
      {"30sec", 0, CLT_ENV_OK, -1, 30, -1},      {"2.5", 0, CLT_ENV_OK, 2, -1, 500000},
      {"99", 0, CLT_ENV_OK, 99, -1, -1},         {"100", 0, CLT_ENV_RANGE, 0, 0, 0},
      {"sec", 0, CLT_ENV_INVALID, 0, 0, 0},      {"1.1234567", 0, CLT_ENV_RANGE, 0, 0, 0},
      {"1234567890123456", 0, CLT_ENV_RANGE, 0, 0, 0}, {"1.5sec", 10, CLT_ENV_OK, -1, 1, 500000},
      {"10sec", 10, CLT_ENV_RANGE, 0, 0, 0},     {"65534sec", 0, CLT_ENV_OK, -1, 65534, -1},
      {"65535sec", 0, CLT_ENV_RANGE, 0, 0, 0},   {"-1", 0, CLT_ENV_RANGE, 0, 0, 0},
      {".5", 0, CLT_ENV_OK, 0, -1, 500000},      {"1.x", 0, CLT_ENV_INVALID, 0, 0, 0},
      {"30SEC", 0, CLT_ENV_INVALID, 0, 0, 0},    {"1.000001", 0, CLT_ENV_OK, 1, -1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    int16_t sv = 0;
    int32_t sec = 0, us = 0;
    ASSERT_EQ(clt_env_parse_time(c.value, c.limit, &sv, &sec, &us), c.rc);
    if (c.rc != CLT_ENV_OK) continue;
    EXPECT_EQ(sv, c.short_value);  // the seconds form stores 65535
    EXPECT_EQ(sec, c.seconds);
    EXPECT_EQ(us, c.micro);
  }
}

TEST(SettingsParsers, HostPortAndListItems) {
  int32_t port = 0;
  EXPECT_EQ(clt_env_port_part("host", &port), CLT_ENV_NOT_FOUND);
  EXPECT_EQ(clt_env_port_part("host:", &port), CLT_ENV_NOT_FOUND);
  EXPECT_EQ(clt_env_port_part("host:,h2:5", &port), CLT_ENV_NOT_FOUND);
  EXPECT_EQ(clt_env_port_part("host:-1", &port), CLT_ENV_INVALID);
  EXPECT_EQ(clt_env_port_part("host:x", &port), CLT_ENV_INVALID);
  EXPECT_EQ(clt_env_port_part("host:9999999999", &port), CLT_ENV_RANGE);
  ASSERT_EQ(clt_env_port_part("host:20000,other:30000", &port), CLT_ENV_OK);
  EXPECT_EQ(port, 20000);

  int32_t n = -1;
  EXPECT_EQ(clt_env_num_part(",5", &n), CLT_ENV_OK);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(clt_env_num_part("5001,x", &n), CLT_ENV_OK);
  EXPECT_EQ(n, 5001);
  EXPECT_EQ(clt_env_num_part("-5", &n), CLT_ENV_INVALID);
  EXPECT_EQ(clt_env_num_part("5a", &n), CLT_ENV_INVALID);
  EXPECT_EQ(clt_env_num_part("99999999999", &n), CLT_ENV_RANGE);

  char out[64];
  EXPECT_EQ(clt_env_list_head("a,b", out), CLT_ENV_OK);
  EXPECT_STREQ(out, "a");
  EXPECT_EQ(clt_env_list_head(",b", out), CLT_ENV_NOT_FOUND);
  EXPECT_EQ(clt_env_host_part("h1:20000,h2", out), CLT_ENV_OK);
  EXPECT_STREQ(out, "h1");
  EXPECT_EQ(clt_env_host_part(":1", out), CLT_ENV_NOT_FOUND);

  char first[64], second[64];
  ASSERT_EQ(clt_env_grp_part("host:grp:20000,x:y:1", first, second, &n), 0);
  EXPECT_STREQ(first, "host");
  EXPECT_STREQ(second, "grp");
  EXPECT_EQ(n, 20000);
  EXPECT_EQ(clt_env_grp_part("host:grp", first, second, &n), -1);
  EXPECT_EQ(clt_env_grp_part("host:grp:12a", first, second, &n), -1);
  EXPECT_EQ(clt_env_grp_part("host,a:b:1", first, second, &n), -1);
}

TEST(SettingsParsers, NumberList) {
  int32_t numbers[CLT_ERRSKIP_MAX] = {};
  ASSERT_EQ(clt_env_num_list("-803,-811", numbers), CLT_ENV_OK);
  EXPECT_EQ(numbers[0], -803);
  EXPECT_EQ(numbers[1], -811);
  EXPECT_EQ(numbers[2], 0);

  int32_t gap[CLT_ERRSKIP_MAX] = {};
  ASSERT_EQ(clt_env_num_list("1,,2", gap), CLT_ENV_OK);
  EXPECT_EQ(gap[0], 1);
  EXPECT_EQ(gap[1], 0);
  EXPECT_EQ(gap[2], 2);

  int32_t ten[CLT_ERRSKIP_MAX] = {};
  EXPECT_EQ(clt_env_num_list("1,2,3,4,5,6,7,8,9,10", ten), CLT_ENV_OK);
  EXPECT_EQ(ten[9], 10);
  int32_t eleven[CLT_ERRSKIP_MAX] = {};
  EXPECT_EQ(clt_env_num_list("1,2,3,4,5,6,7,8,9,10,", eleven), CLT_ENV_RANGE);
  int32_t bad[CLT_ERRSKIP_MAX] = {};
  EXPECT_EQ(clt_env_num_list("12345678901", bad), CLT_ENV_INVALID);
  EXPECT_EQ(clt_env_num_list("12x", bad), CLT_ENV_INVALID);
  // No overflow check: the nearest 32-bit limit is kept.
  int32_t big[CLT_ERRSKIP_MAX] = {};
  EXPECT_EQ(clt_env_num_list("9999999999", big), CLT_ENV_OK);
  EXPECT_EQ(big[0], INT32_MAX);
}

TEST(SettingsParsers, LoopbackAddresses) {
  for (const char* yes : {"127.0.0.1", "127.255.255.255", "127.000.000.001"}) EXPECT_EQ(clt_chk_loopback(yes), 0) << yes;
  for (const char* no : {"127.0.0.256", "127.1.1", "127.0.0.1.1", "128.0.0.1", "127.0.0.1 ", "127.0.0.", "127..0.1",
                         "127.0.0.0001", "localhost"})
    EXPECT_EQ(clt_chk_loopback(no), -1) << no;
}

TEST(SettingsParsers, BindTestTellsLocalAddressesFromRemoteOnes) {
  EXPECT_EQ(clt_bind_test(inet_addr("127.0.0.1")), 0);
  // TEST-NET-1 never belongs to a host.
  EXPECT_EQ(clt_bind_test(inet_addr("192.0.2.1")), 1);
}

TEST(SettingsParsers, FesgrpSyntax) {
  const std::pair<const char*, int32_t> cases[] = {
      {"", 0},
      {"h1:g1:20000,h2:g2:20001", 0},
      {"h1:g1:20000,", 0},
      {"h1:g1: 5", 0},
      {"h1:g1:", -1},
      {"h1::20000", -1},
      {":g1:20000", -1},
      {"h1:g1:20000a", -1},
      {"h1:20000", -1},
      {"h1:g1:1,,h2:g2:2", -1},
  };
  for (const auto& [value, rc] : cases) EXPECT_EQ(clt_env_check_fesgrp(value), rc) << value;
  EXPECT_EQ(clt_env_check_fesgrp(("h:" + std::string(32, 'g') + ":1").c_str()), -1);
  EXPECT_EQ(clt_env_check_fesgrp((std::string(523, 'h') + ":g:1").c_str()), 0);
  EXPECT_EQ(clt_env_check_fesgrp((std::string(524, 'h') + ":g:1").c_str()), -1);
}

TEST(SettingsOptionLists, ItemsCombineIntoOneValue) {
  struct Case {
    const char* text;
    int16_t list;
    int32_t rc;
    uint32_t value;
    const char* ident;
  };
  const Case cases[] = {
      {"FORCE_NEST_JOIN,PRIOR_OR_INDEXES", 0, 0, 132, ""},
      {"force_nest_join", 0, 0, 4, ""},
      {"4,128", 0, 0, 132, ""},
      {"SELECT_APSL,8", 0, 0, 10, ""},
      {"NONE", 0, 0, 0, ""},
      {"NONE", 1, 0, 0, ""},
      {"NONE", 2, 0, 0, ""},
      {"NONE,4", 0, 0, 4, ""},
      {"\"4\"", 0, 0, 4, ""},
      {"\"FORCE_NEST_JOIN\"", 0, 0, 4, ""},
      {"\"\"", 0, 0, 0, ""},
      {"4294967295", 0, 0, 4294967295u, ""},
      {"COST_BASE_2,APPLY_HASH_JOIN", 1, 0, 3, ""},
      {"BACKWARD_CUTOFF_UPDATE", 2, 0, 1, ""},
      {"COST_BASE_2", 0, CLT_OPT_BAD_ITEM, 0, "COST_BASE_2"},
      {"FORCE_NEST_JOIN,", 0, CLT_OPT_BAD_ITEM, 0, ""},
      {",FORCE_NEST_JOIN", 0, CLT_OPT_BAD_ITEM, 0, ""},
      {"4,,8", 0, CLT_OPT_BAD_ITEM, 0, ""},
      {"", 0, CLT_OPT_BAD_ITEM, 0, ""},
      {"unknown_word", 0, CLT_OPT_BAD_ITEM, 0, "unknown_word"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZ12345", 0, CLT_OPT_BAD_ITEM, 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"},
      {"-4", 0, CLT_OPT_BAD_NUMBER, 0, "-4"},
      {"4294967296", 0, CLT_OPT_BAD_NUMBER, 0, "4294967296"},
      {"4", 3, CLT_OPT_BAD_ARGS, 0, ""},
      {"4", -1, CLT_OPT_BAD_ARGS, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " list " + std::to_string(c.list));
    uint32_t value = 99;
    char ident[CLT_OPT_IDENT_MAX + 1] = "junk";
    ASSERT_EQ(clt_parse_optlist(c.text, c.list, &value, ident), c.rc);
    if (c.rc == 0) {
      EXPECT_EQ(value, c.value);
    }
    if (c.rc != CLT_OPT_BAD_ARGS) {
      EXPECT_STREQ(ident, c.ident);
    }
  }
  uint32_t v = 0;
  EXPECT_EQ(clt_parse_optlist("4", 0, &v, nullptr), CLT_OPT_BAD_ARGS);
}

TEST_F(LookupTest, PluginBlockHoldsTheItemsAndTheConversionItem) {
  clt_plugin_env block;
  // Absent or blanks only: only the conversion item.
  ASSERT_EQ(clt_build_plugin_env(nullptr, &block, "CM=N"), 0);
  EXPECT_EQ(block.length, 16);
  EXPECT_STREQ(block.items, "CM=N");
  set("PDPLUGINNSUB", "   ");
  ASSERT_EQ(clt_build_plugin_env(nullptr, &block, "CM=N"), 0);
  EXPECT_STREQ(block.items, "CM=N");

  set("PDPLUGINNSUB", "  abc");
  ASSERT_EQ(clt_build_plugin_env(nullptr, &block, nullptr), 0);
  EXPECT_EQ(block.length, 16);
  EXPECT_STREQ(block.items, "NSUB=abc");
  EXPECT_EQ(block.items[9], '\0');

  struct Case {
    size_t len;
    const char* conv;
    int32_t rc;
  };
  const Case cases[] = {{83, "CM=N", 0}, {84, "CM=N", -1}, {82, "CM=2U", 0}, {83, "CM=2U", -1},
                        {88, nullptr, 0}, {89, nullptr, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.len);
    set("PDPLUGINNSUB", std::string(c.len, 'v'));
    ASSERT_EQ(clt_build_plugin_env(nullptr, &block, c.conv), c.rc);
    if (c.rc == 0) {
      EXPECT_EQ(block.length, CLT_PLUGIN_ENV_SIZE);
    } else {
      const auto* bytes = reinterpret_cast<const unsigned char*>(&block);
      EXPECT_TRUE(std::all_of(bytes, bytes + sizeof block, [](unsigned char b) { return b == 0; }));
    }
  }
}

}  // namespace
}  // namespace settings_test
