// Every client setting read as a user writes them: the input up to its
// first zero byte is marlo.ini, the rest holds lines NAME=value for the
// process environment. Only setting names (PD..., DCSERVICE, RD_DEBUG1)
// are set, and each run removes what it set.
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <numeric>
#include <string>
#include <vector>

#include "CLTENV.h"
#include "CLTUTLEV.h"
#include "iniread.h"
#include "zk_fuzz.h"

namespace {

constexpr int32_t kAreasSize = std::accumulate(std::begin(CLT_ENV_TEXT_SIZES), std::end(CLT_ENV_TEXT_SIZES), 0);

// A settings record followed by its text areas, as in the control block.
struct block {
  clt_env env;
  char areas[kAreasSize];
};

void no_report(const clt_env_conn&, int32_t, const char*, int32_t, const char*) {}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zkfuzz::clear_settings_environment();
  ini_set_profile_dir(zkfuzz::scratch_folder().c_str());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const char* end = text + size;
  const char* split = std::find(text, end, '\0');
  std::ofstream(zkfuzz::scratch_folder() + "/" + CLT_ENV_DEFAULT_INI, std::ios::binary | std::ios::trunc)
      .write(text, split - text);

  std::vector<std::string> set;
  for (const char* line = split == end ? end : split + 1; line < end;) {
    const char* stop = std::find(line, end, '\n');
    const std::string entry(line, stop);
    line = stop == end ? end : stop + 1;
    const size_t eq = entry.find('=');
    if (eq == std::string::npos || entry.find('\0') != std::string::npos) continue;
    const std::string name = entry.substr(0, eq);
    if (!zkfuzz::setting_name(name)) continue;
    setenv(name.c_str(), entry.c_str() + eq + 1, 1);
    set.push_back(name);
  }

  zkfuzz::running_call run;
  auto b = std::make_unique<block>();
  std::memset(b.get(), 0, sizeof(block));
  std::memcpy(b->env.eyecatcher, "CLT_ENV ", sizeof b->env.eyecatcher);
  rdb_sql_area area{};
  std::memcpy(area.reqcode, "CNCT", sizeof area.reqcode);
  char uap_name[CLT_APNAME_MAX + 1] = {};
  clt_env_conn conn{};
  conn.env = &b->env;
  char* at = b->areas;
  for (int i = 0; i < CLT_TXT_COUNT; ++i) {
    conn.texts[i] = at;
    at += CLT_ENV_TEXT_SIZES[i];
  }
  conn.area = &area;
  conn.uap_name = uap_name;
  conn.report = no_report;
  clt_read_env_conn(conn);

  for (const std::string& n : set) unsetenv(n.c_str());
  return 0;
}
