// libzelkit.so exports the p_rdb_* entry points and nothing else.
#include <gtest/gtest.h>

#include <stdio.h>

#include <set>
#include <sstream>
#include <string>

namespace {

const std::set<std::string> kEntryPoints = {
    "p_rdb_exsql",     "p_rdb_exodbc",     "p_rdb_initodbc",       "p_rdb_termodbc",
    "p_rdb_setopt",    "p_rdb_odbsetopt",  "p_rdb_srvinf",         "p_rdb_cltinf",
    "p_rdb_get_CltInf", "p_rdb_getparam",  "p_rdb_setaudinf",      "p_rdb_clearenv",
    "p_rdb_abort",     "p_rdb_get_plugin_env", "p_rdb_cmd_execute",
};

TEST(SharedLibrary, ExportsOnlyEntryPoints) {
  std::string command =
      std::string("nm -D --defined-only ") + TEST_BINARY_DIR "/client/libzelkit.so";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> exported;
  char line[512];
  while (fgets(line, sizeof(line), pipe)) {
    std::istringstream fields(line);
    std::string address, kind, name;
    fields >> address >> kind >> name;
    if (name.empty()) {  // undefined-address lines have two fields
      name = kind;
      kind = address;
    }
    // Functions and data; the linker's own version node is absolute.
    if (kind == "T" || kind == "D" || kind == "B" || kind == "R" || kind == "W") {
      exported.insert(name.substr(0, name.find('@')));
    }
  }
  ASSERT_EQ(pclose(pipe), 0);
  EXPECT_EQ(kEntryPoints.size(), 15u);
  for (const std::string& name : exported) {
    EXPECT_TRUE(kEntryPoints.count(name)) << "unexpected export " << name;
  }
  for (const std::string& name : kEntryPoints) {
    EXPECT_TRUE(exported.count(name)) << "missing export " << name;
  }
  EXPECT_EQ(exported, kEntryPoints);
}

}  // namespace
