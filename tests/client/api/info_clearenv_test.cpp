// Erasing the client settings from the environment. Each test changes the
// process environment for good and relies on a process of its own.
#include <stdlib.h>

#include <fstream>

#include "CLTUTLEV.h"
#include "iniread.h"
#include "info_support.h"

namespace {

constexpr char kMarker[] = "qWzkTeprVu";

std::string lookup(const char* name) {
  char value[CLT_ENV_VALUE_SIZE];
  int32_t length = clt_getenv_str_in(nullptr, name, value, sizeof(value), nullptr, sizeof(value));
  return std::string(value, static_cast<size_t>(length));
}

// A settings file "marlo.ini" in a folder of the test's own.
struct settings_file {
  zk::temp_dir dir;
  explicit settings_file(const std::string& lines) {
    std::ofstream(dir.file("marlo.ini")) << "[marlo]\n" << lines;
    ini_set_profile_dir(dir.path.c_str());
  }
  ~settings_file() { ini_set_profile_dir(nullptr); }
};

TEST(clear_environment, ErasesTheListedSettingsOnly) {
  const char* listed[] = {"PDCLTPATH", "PDHOST", "PDUSER", "Marlo_PDXAMODE", "PDSTANDARDSQLSTATE",
                          "PDCLTSIGPIPE"};
  const char* kept[] = {"PDDIR", "PDMEMTRCFILE", "PDAUTORECONNECT", "PDCACHE", "PDCLTLINGER",
                        "PDERRSTD", "PDPLUGINNSUB", "PDRDNETERR722", "PDSOCNUM"};
  for (const char* name : listed) setenv(name, "set", 1);
  for (const char* name : kept) setenv(name, "kept", 1);

  EXPECT_EQ(p_rdb_clearenv(), 0);
  for (const char* name : listed) EXPECT_STREQ(getenv(name), kMarker) << name;
  for (const char* name : CLT_ERASE_LIST) EXPECT_STREQ(getenv(name), kMarker) << name;
  for (const char* name : kept) EXPECT_STREQ(getenv(name), "kept") << name;

  // Again, and after the caller has set one of them anew.
  setenv("PDHOST", "again", 1);
  EXPECT_EQ(p_rdb_clearenv(), 0);
  EXPECT_STREQ(getenv("PDHOST"), kMarker);
  EXPECT_STREQ(getenv("PDUSER"), kMarker);
}

TEST(clear_environment, LookupsFallBackToTheSettingsFile) {
  settings_file file("PDHOST=inihost\n");
  setenv("PDHOST", "envhost", 1);
  setenv("PDUSER", "scott", 1);
  EXPECT_EQ(lookup("PDHOST"), "envhost");

  EXPECT_EQ(p_rdb_clearenv(), 0);
  EXPECT_EQ(lookup("PDHOST"), "inihost");
  EXPECT_EQ(lookup("PDUSER"), "");
  int32_t port = 0;
  EXPECT_EQ(clt_getenv_num_in(nullptr, "PDNAMEPORT", &port, 10, nullptr), CLT_ENV_ABSENT);

  // A setting the caller gives again counts again.
  setenv("PDHOST", "again", 1);
  EXPECT_EQ(lookup("PDHOST"), "again");
}

TEST(clear_environment, RunsBesideARequestAndServesTheNextConnection) {
  settings_file file("PDHOST=inihost\n");
  setenv("PDHOST", "envhost", 1);
  zk::services_scope services;
  info_test::install();
  zk::request first{"CNCT"};
  zk::connect(first);
  EXPECT_STREQ(clt_text(clt_global.main, CLT_TEXT_HOST), "envhost");

  int32_t result = 1;
  int32_t running = info_test::run_request_while_held("FETC", [&] { result = p_rdb_clearenv(); });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(running, 0);
  EXPECT_EQ(info_test::state().refusal_seen, 0u);
  // The connection keeps the settings it read.
  EXPECT_STREQ(clt_text(clt_global.main, CLT_TEXT_HOST), "envhost");

  zk::request disc{"DISC"};
  ASSERT_EQ(disc.exsql(), 0);
  ASSERT_EQ(clt_global.main, nullptr);
  zk::request second{"CNCT"};
  zk::connect(second);
  EXPECT_STREQ(clt_text(clt_global.main, CLT_TEXT_HOST), "inihost");
}

}  // namespace
