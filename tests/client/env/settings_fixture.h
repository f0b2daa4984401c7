// Shared fixture of the client settings tests: a scratch environment, a
// temporary profile directory and a settings record with its text areas.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "CLTENV.h"
#include "CLTUTLEV.h"
#include "iniread.h"

extern char** environ;

namespace settings_test {

using Vars = std::vector<std::pair<const char*, std::string>>;

inline constexpr int32_t kAreasSize =
    std::accumulate(std::begin(CLT_ENV_TEXT_SIZES), std::end(CLT_ENV_TEXT_SIZES), 0);

// A settings record followed by its text areas, as in the control block.
struct Block {
  clt_env env;
  char areas[kAreasSize];
};

struct Report {
  int32_t count = 0;
  int32_t sqlcode = 0;
  std::string module;
  std::string message;
};

inline std::string env_error(const char* variable, const char* reason) {
  return std::string("KFPA11724-E Environment definition error, variable=") + variable + ", reason=" + reason;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_settings_environment();
    char tmpl[] = "/tmp/zelkit-settings-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    ini_set_profile_dir(dir_.c_str());
    reset_block();
  }

  void TearDown() override {
    clear_vars();
    ini_set_profile_dir(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // Every setting variable that the test process inherited is dropped so
  // that only what a test sets counts.
  static void clear_settings_environment() {
    std::vector<std::string> names;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name.starts_with("PD") || name == "DCSERVICE" || name == "RD_DEBUG1") names.push_back(name);
    }
    for (const auto& n : names) ::unsetenv(n.c_str());
  }

  void set(const char* name, const std::string& value) {
    ::setenv(name, value.c_str(), 1);
    set_names_.push_back(name);
  }
  void set_all(const Vars& vars) {
    for (const auto& [n, v] : vars) set(n, v);
  }
  void clear_vars() {
    for (const char* n : set_names_) ::unsetenv(n);
    set_names_.clear();
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes a file below the temporary directory (folders created).
  std::string write_file(const std::string& name, const std::string& content) {
    const std::string p = path(name);
    std::filesystem::create_directories(std::filesystem::path(p).parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p;
  }
  // The bare "marlo.ini" of the profile directory, section "marlo".
  void write_ini(const Vars& vars) { write_file(CLT_ENV_DEFAULT_INI, ini_text(vars)); }
  static std::string ini_text(const Vars& vars) {
    std::string s = "[marlo]\n";
    for (const auto& [n, v] : vars) s += std::string(n) + "=" + v + "\n";
    return s;
  }

  void reset_block() {
    block_ = std::make_unique<Block>();
    std::memset(block_.get(), 0, sizeof(Block));
    std::memcpy(block_->env.eyecatcher, "CLT_ENV ", sizeof block_->env.eyecatcher);
    area_ = rdb_sql_area{};
    std::memcpy(area_.authid, "SCOTT                         ", sizeof area_.authid);
    std::memcpy(area_.reqcode, "CNCT", sizeof area_.reqcode);
    std::memset(uap_name_, 0, sizeof uap_name_);
    report_ = Report{};
    conn_ = clt_env_conn{};
    conn_.env = &block_->env;
    char* at = block_->areas;
    for (int i = 0; i < CLT_TXT_COUNT; ++i) {
      conn_.texts[i] = at;
      at += CLT_ENV_TEXT_SIZES[i];
    }
    conn_.area = &area_;
    conn_.uap_name = uap_name_;
    conn_.report = capture;
    conn_.report_data = &report_;
  }

  static void capture(const clt_env_conn& conn, int32_t sqlcode, const char* module, int32_t,
                      const char* message) {
    auto* r = static_cast<Report*>(conn.report_data);
    ++r->count;
    r->sqlcode = sqlcode;
    r->module = module;
    r->message = message;
  }

  int32_t read() { return clt_read_env_conn(conn_); }
  const clt_env& env() const { return block_->env; }
  std::string text_area(clt_env_text_area a) const { return clt_env_text(conn_, a); }

  std::string dir_;
  std::vector<const char*> set_names_;
  std::unique_ptr<Block> block_;
  rdb_sql_area area_{};
  char uap_name_[CLT_APNAME_MAX + 1];
  Report report_;
  clt_env_conn conn_{};
};

}  // namespace settings_test
