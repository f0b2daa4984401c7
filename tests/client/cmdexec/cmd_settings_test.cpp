// Settings of command execution and the environment groups they come from.
#include <limits.h>

#include "CLTUTLEV.h"
#include "cltasenv.h"
#include "cmd_support.h"

namespace {

using cmd_test::name_of;
using cmd_test::work_block;

std::string env_error(const std::string& variable, const std::string& reason) {
  return "KFPA11724-E Environment definition error, variable=" + variable + ", reason=" + reason + "\n";
}

// A registry root with one group key and its value lines.
std::string registry(const std::string& group, const std::string& values) {
  return "# Tessavar registry store 1\nkey \"Software\" \"VELMORA\" \"Marlo.INI\" \"" + group + "\"\n" + values;
}

class cmd_settings : public cmd_test::scratch {
 protected:
  void SetUp() override {
    scratch::SetUp();
    set("PDASTHOST", "hostA,hostB");
    set("PDASTPORT", "5001");
    set("PDUSER", "dbusr/dbpw");
    set("PDSYSTEMID", "SYS1");
  }
};

TEST_F(cmd_settings, ReadsEverySettingWithItsDefaults) {
  work_block w;
  ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0) << w.text();
  const clt_cmd_ctx& c = *w.ctx;
  char cwd[PATH_MAX];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_STREQ(c.trace_dir, cwd);
  EXPECT_STREQ(c.host_list, "hostA,hostB");
  EXPECT_EQ(c.port, 5001);
  EXPECT_STREQ(c.system_id, "SYS1");
  EXPECT_EQ(c.group_kind, '0');
  EXPECT_EQ(c.wait_time, 0u);
  EXPECT_EQ(c.cmd_trace_size, -1);
  EXPECT_EQ(c.soc_trace_size, 0);
  EXPECT_EQ(c.soc_trace_data_size, 0);
  EXPECT_STREQ(c.apname, "Unknown");
  // Only PDUSER given: the server host's logon uses it too.
  EXPECT_EQ(name_of(c.ast_user), "dbusr");
  EXPECT_EQ(name_of(c.ast_password), "dbpw");
  EXPECT_EQ(name_of(c.user), "dbusr");
  EXPECT_EQ(name_of(c.password), "dbpw");
  EXPECT_EQ(w.output_length, 0u);
}

TEST_F(cmd_settings, CheckedValuesAndTheirMessages) {
  const std::string long_path(257, 'p');
  const std::string long_host(512, 'h');
  struct {
    const char* name;
    const char* value;  // null: unset
    std::string message;
  } cases[] = {
      {"PDASTPORT", "65536", env_error("PDASTPORT", "OUT OF RANGE")},
      {"PDASTPORT", "5000", env_error("PDASTPORT", "OUT OF RANGE")},
      {"PDASTPORT", "99999999999", env_error("PDASTPORT", "OUT OF RANGE")},
      {"PDASTPORT", nullptr, env_error("PDASTPORT", "NO VALUE")},
      {"PDASTPORT", "", env_error("PDASTPORT", "NO VALUE")},
      {"PDASTPORT", "50o1", env_error("PDASTPORT", "INVALID CHAR")},
      {"PDASTPORT", "-5001", env_error("PDASTPORT", "INVALID CHAR")},
      {"PDCMDWAITTIME", "30", env_error("PDCMDWAITTIME", "OUT OF RANGE")},
      {"PDCMDWAITTIME", "43201", env_error("PDCMDWAITTIME", "OUT OF RANGE")},
      {"PDCMDWAITTIME", "1m", env_error("PDCMDWAITTIME", "INVALID CHAR")},
      {"PDCMDTRACE", "4095", env_error("PDCMDTRACE", "OUT OF RANGE")},
      {"PDCMDTRACE", "2000000001", env_error("PDCMDTRACE", "OUT OF RANGE")},
      {"PDSYSTEMID", "SYS", env_error("PDSYSTEMID", "INVALID CHAR")},
      {"PDSYSTEMID", "SYSTE", env_error("PDSYSTEMID", "INVALID CHAR")},
      {"PDSYSTEMID", nullptr, env_error("PDSYSTEMID", "NO VALUE")},
      {"PDCLTPATH", long_path.c_str(), env_error("PDCLTPATH", "OUT OF RANGE")},
      {"PDASTHOST", long_host.c_str(), env_error("PDASTHOST", "OUT OF RANGE")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + (c.value ? c.value : "(unset)"));
    const std::string saved = getenv(c.name) ? getenv(c.name) : "";
    if (c.value != nullptr) {
      set(c.name, c.value);
    } else {
      unsetenv(c.name);
    }
    work_block w;
    EXPECT_EQ(clt_cmd_getenv(w.ctx.get()), -1);
    EXPECT_EQ(w.text(), c.message);
    EXPECT_EQ(w.output_length, c.message.size() + 1);
    if (saved.empty()) {
      unsetenv(c.name);
    } else {
      set(c.name, saved);
    }
  }
}

TEST_F(cmd_settings, AcceptedNumbers) {
  struct {
    const char* wait;
    const char* trace;
    uint32_t wait_time;
    int32_t trace_size;
  } cases[] = {
      {"0", "0", 0, 0}, {"60", "4096", 60, 4096}, {"43200", "2000000000", 43200, 2000000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wait);
    set("PDCMDWAITTIME", c.wait);
    set("PDCMDTRACE", c.trace);
    work_block w;
    ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0) << w.text();
    EXPECT_EQ(w.ctx->wait_time, c.wait_time);
    EXPECT_EQ(w.ctx->cmd_trace_size, c.trace_size);
  }
}

TEST_F(cmd_settings, MissingHostOrUsersGiveTwoMessages) {
  unsetenv("PDASTHOST");
  work_block host;
  EXPECT_EQ(clt_cmd_getenv(host.ctx.get()), -1);
  EXPECT_EQ(host.text(), env_error("PDASTHOST", "NO VALUE") + env_error("PDHOST", "NO VALUE"));
  // The second message goes over the first one's end mark, which is then
  // no longer counted.
  EXPECT_EQ(host.output_length, host.text().size() + 1);

  set("PDHOST", "fallback");
  unsetenv("PDUSER");
  work_block users;
  EXPECT_EQ(clt_cmd_getenv(users.ctx.get()), -1);
  EXPECT_EQ(users.text(), env_error("PDASTUSER", "NO VALUE") + env_error("PDUSER", "NO VALUE"));
  EXPECT_STREQ(users.ctx->host_list, "fallback");
}

TEST_F(cmd_settings, UserForms) {
  const std::string u30(30, 'u');
  const std::string u31(31, 'u');
  struct {
    const char* ast;  // null: unset
    std::string db;   // empty: unset
    const char* ast_user;
    const char* ast_pw;
    const char* user;
    const char* pw;
    std::string message;
  } cases[] = {
      {"ast/apw", "", "ast", "apw", "ast", "apw", ""},
      {"ast/apw", "db/dpw", "ast", "apw", "db", "dpw", ""},
      {nullptr, "'db/dpw'", "db", "dpw", "db", "dpw", ""},
      {nullptr, "db/p/w", "db", "p/w", "db", "p/w", ""},
      {nullptr, "db", "db", "", "db", "", ""},
      {nullptr, "db/", "db", "", "db", "", ""},
      {nullptr, "\"Db\"/\"p w\"", "Db", "p w", "Db", "p w", ""},
      {nullptr, "'\"Db\"/pw'", "Db", "pw", "Db", "pw", ""},
      {nullptr, "\"" + u30 + "\"/pw", u30.c_str(), "pw", u30.c_str(), "pw", ""},
      {nullptr, u31 + "/pw", "", "", "", "", env_error("PDUSER", "OUT OF RANGE")},
      {nullptr, "db/" + u31, "", "", "", "", env_error("PDUSER", "OUT OF RANGE")},
      {nullptr, "/dpw", "", "", "", "", env_error("PDUSER", "NO VALUE")},
      {nullptr, "'/dpw'", "", "", "", "", env_error("PDUSER", "INVALID CHAR")},
      {nullptr, "''", "", "", "", "", env_error("PDUSER", "INVALID CHAR")},
      {nullptr, "'", "", "", "", "", env_error("PDUSER", "INVALID CHAR")},
      {nullptr, "'db/dpw", "", "", "", "", env_error("PDUSER", "INVALID CHAR")},
      {nullptr, "db/\"dpw", "", "", "", "", env_error("PDUSER", "INVALID CHAR")},
      {nullptr, "'db/\"dpw'", "", "", "", "", env_error("PDUSER", "INVALID CHAR")},
      // Dropping both ends of a part that has one quote would cut it.
      {nullptr, "\"db/dpw", "", "", "", "", env_error("PDUSER", "INVALID CHAR")},
      {"'ast/apw", "db/dpw", "", "", "", "", env_error("PDASTUSER", "INVALID CHAR")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.ast ? c.ast : "(unset)") + " " + c.db);
    if (c.ast != nullptr) {
      set("PDASTUSER", c.ast);
    } else {
      unsetenv("PDASTUSER");
    }
    if (!c.db.empty()) {
      set("PDUSER", c.db);
    } else {
      unsetenv("PDUSER");
    }
    work_block w;
    const int32_t rc = clt_cmd_getenv(w.ctx.get());
    EXPECT_EQ(w.text(), c.message);
    if (!c.message.empty()) {
      EXPECT_EQ(rc, -1);
      continue;
    }
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(name_of(w.ctx->ast_user), c.ast_user);
    EXPECT_EQ(name_of(w.ctx->ast_password), c.ast_pw);
    EXPECT_EQ(name_of(w.ctx->user), c.user);
    EXPECT_EQ(name_of(w.ctx->password), c.pw);
  }
}

TEST_F(cmd_settings, SocketTraceSizes) {
  struct {
    const char* trcsoc;    // null: unset
    const char* datasize;  // null: unset
    int32_t size;
    int32_t data;
  } cases[] = {
      {nullptr, nullptr, 0, 0},
      {"1", "32", 2000000000, 36864},  // the data size is not read
      {"100", nullptr, 0, 0},
      {"4096", nullptr, 4096, 256},
      {"4096", "64", 4096, 64},
      {"2000000000", "4096", 2000000000, 4096},
      {"4096", "32", 0, 0},
      {"4096", "4097", 0, 0},
      {"4096", "x", 0, 0},
      {"x", nullptr, 0, 0},
      {"2000000001", nullptr, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.trcsoc ? c.trcsoc : "-") + "/" + (c.datasize ? c.datasize : "-"));
    c.trcsoc ? set("PDTRCSOC", c.trcsoc) : (void)unsetenv("PDTRCSOC");
    c.datasize ? set("PDTRCSOCSIZE", c.datasize) : (void)unsetenv("PDTRCSOCSIZE");
    work_block w;
    ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0) << w.text();
    EXPECT_EQ(w.ctx->soc_trace_size, c.size);
    EXPECT_EQ(w.ctx->soc_trace_data_size, c.data);
  }
}

TEST_F(cmd_settings, ApplicationNameIsCutTo30Characters) {
  set("PDCLTAPNAME", std::string(40, 'a'));
  work_block w;
  ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0);
  EXPECT_EQ(std::string(w.ctx->apname), std::string(30, 'a'));
}

TEST_F(cmd_settings, IniFileGroupComesFirst) {
  const std::string file = dir + "/group.ini";
  cmd_test::write_file(file, "[marlo]\nPDASTPORT=6000\nPDASTHOST=inihost\nPDCLTAPNAME=fromgroup\n");
  cmd_test::write_file(dir + "/marlo.ini", "[marlo]\nPDCMDWAITTIME=120\nPDASTPORT=7000\n");
  work_block w(file.c_str());
  ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0) << w.text();
  EXPECT_EQ(w.ctx->group_kind, '1');
  EXPECT_EQ(w.ctx->port, 6000);
  EXPECT_STREQ(w.ctx->host_list, "inihost");
  EXPECT_STREQ(w.ctx->apname, "fromgroup");
  // Not in the group: the environment, then the common settings file.
  EXPECT_STREQ(w.ctx->system_id, "SYS1");
  EXPECT_EQ(w.ctx->wait_time, 120u);
}

TEST_F(cmd_settings, IniFileGroupThatCannotBeOpened) {
  const std::string missing = dir + "/" + std::string(120, 'd') + "/group.ini";
  work_block w(missing.c_str());
  EXPECT_EQ(clt_cmd_getenv(w.ctx.get()), -1);
  EXPECT_EQ(w.text(), "KFPA11824-E Environment group file access error occurred, file name=" +
                          missing.substr(missing.size() - 100) + ", func=fopen, errno=2\n");
}

TEST_F(cmd_settings, RegistryGroupOfTheCurrentUser) {
  // The password after "/" is kept complemented: ~'p' = \x8f, ~'w' = \x88.
  cmd_test::write_file(user_registry(), registry("G1",
                                                 "sz \"PDASTHOST\" \"reghost\"\n"
                                                 "sz \"PDASTPORT\" \"7000\"\n"
                                                 "sz \"PDUSER\" \"reg/\\x8f\\x88\"\n"
                                                 "dword \"PDCMDWAITTIME\" 120\n"
                                                 "sz \"PDCMDTRACE\" \"\"\n"));
  cmd_test::write_file(machine_registry(), registry("G1", "sz \"PDSYSTEMID\" \"MACH\"\n"));
  set("PDCMDTRACE", "4096");
  work_block w("G1");
  ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0) << w.text();
  EXPECT_EQ(w.ctx->group_kind, '0');
  EXPECT_STREQ(w.ctx->host_list, "reghost");
  EXPECT_EQ(w.ctx->port, 7000);
  EXPECT_EQ(name_of(w.ctx->user), "reg");
  EXPECT_EQ(name_of(w.ctx->password), "pw");
  // The key of the current user hides the local machine's; values it does
  // not hold as text come from the environment.
  EXPECT_STREQ(w.ctx->system_id, "SYS1");
  EXPECT_EQ(w.ctx->wait_time, 0u);
  EXPECT_EQ(w.ctx->cmd_trace_size, 4096);
}

TEST_F(cmd_settings, RegistryGroupOfTheLocalMachine) {
  cmd_test::write_file(user_registry(), registry("OTHER", "sz \"PDASTPORT\" \"6001\"\n"));
  cmd_test::write_file(machine_registry(), registry("g1", "sz \"pdastport\" \"7001\"\n"));
  work_block w("G1");
  ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0) << w.text();
  EXPECT_EQ(w.ctx->port, 7001);
}

TEST_F(cmd_settings, RegistryPasswordFromItsBinaryValue) {
  struct {
    const char* values;
    const char* user;
    const char* pw;
  } cases[] = {
      {"sz \"PDUSER\" \"reg\"\nbinary \"PDUSYSTEM1\" \"8f88\"\n", "reg", "pw"},
      {"sz \"PDUSER\" \"reg\"\nbinary \"PDUSYSTEM1\" \"\"\n", "reg", ""},
      {"sz \"PDUSER\" \"reg\"\n", "reg", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.values);
    cmd_test::write_file(user_registry(), registry("G1", c.values));
    work_block w("G1");
    ASSERT_EQ(clt_cmd_getenv(w.ctx.get()), 0) << w.text();
    EXPECT_EQ(name_of(w.ctx->user), c.user);
    EXPECT_EQ(name_of(w.ctx->password), c.pw);
  }
}

TEST_F(cmd_settings, GroupWithoutRegistryKeyHidesTheTextSettings) {
  cmd_test::write_file(user_registry(), registry("G1", ""));
  work_block w("NOPE");
  EXPECT_EQ(clt_cmd_getenv(w.ctx.get()), -1);
  EXPECT_EQ(w.text(), env_error("PDASTHOST", "NO VALUE") + env_error("PDHOST", "NO VALUE"));
  uint32_t v = 0;
  EXPECT_EQ(clt_grp_getenv_num("PDASTPORT", &v, 10, w.ctx.get()), CLT_GRP_NO_GROUP);
}

TEST_F(cmd_settings, DamagedRegistryFileHasNoKeys) {
  cmd_test::write_file(user_registry(), registry("G1", "sz \"PDASTPORT\" \"7000\nbroken\n"));
  work_block w("G1");
  uint32_t v = 0;
  EXPECT_EQ(clt_grp_getenv_num("PDASTPORT", &v, 10, w.ctx.get()), CLT_GRP_NO_GROUP);
}

TEST_F(cmd_settings, NumberLookupResults) {
  cmd_test::write_file(dir + "/marlo.ini", "[marlo]\nINIONLY=42\n");
  struct {
    const char* value;  // null: unset
    int32_t base;
    int32_t rc;
    uint32_t number;
  } cases[] = {
      {"12", 10, CLT_ENV_OK, 12},
      {" 12", 10, CLT_ENV_OK, 12},
      {"1f", 16, CLT_ENV_OK, 31},
      {"", 10, CLT_ENV_ABSENT, 0},
      {"1x", 10, CLT_ENV_INVALID, 0},
      {"1-", 10, CLT_ENV_INVALID, 0},
      {"2147483648", 10, CLT_ENV_RANGE, 0},
      {"99999999999999999999", 10, CLT_ENV_RANGE, 0},
      {"12", 8, CLT_ENV_BAD_BASE, 0},
      {nullptr, 10, CLT_ENV_ABSENT, 0},
  };
  work_block w;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    c.value ? set("PDXNUM", c.value) : (void)unsetenv("PDXNUM");
    uint32_t v = 0;
    EXPECT_EQ(clt_grp_getenv_num("PDXNUM", &v, c.base, w.ctx.get()), c.rc);
    EXPECT_EQ(v, c.number);
  }
  uint32_t v = 0;
  EXPECT_EQ(clt_grp_getenv_num("INIONLY", &v, 10, w.ctx.get()), CLT_ENV_OK);
  EXPECT_EQ(v, 42u);
}

TEST_F(cmd_settings, TextLookupSources) {
  cmd_test::write_file(dir + "/marlo.ini", "[marlo]\nPDXTEXT=fromini\n");
  work_block w;
  char buf[CLT_GRP_VALUE_SIZE];
  EXPECT_EQ(clt_grp_getenv_str("PDXTEXT", buf, sizeof buf, w.ctx.get()), 7);
  EXPECT_STREQ(buf, "fromini");
  set("PDXTEXT", "fromenv");
  EXPECT_EQ(clt_grp_getenv_str("PDXTEXT", buf, sizeof buf, w.ctx.get()), 7);
  EXPECT_STREQ(buf, "fromenv");
  // An empty environment value ends the search as absent.
  set("PDXTEXT", "");
  EXPECT_EQ(clt_grp_getenv_str("PDXTEXT", buf, sizeof buf, w.ctx.get()), 0);
  // One that does not fit the buffer is passed over.
  set("PDXTEXT", std::string(CLT_GRP_VALUE_SIZE, 'x'));
  EXPECT_EQ(clt_grp_getenv_str("PDXTEXT", buf, sizeof buf, w.ctx.get()), 7);
  EXPECT_STREQ(buf, "fromini");
}

}  // namespace
