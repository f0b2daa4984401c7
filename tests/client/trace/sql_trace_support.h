// A connection's first call with SQL-trace settings, the clock and the
// counter pinned, and requests traced as the dispatcher traces them.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTTRCSQ.h"
#include "cltclock.h"
#include "zk_harness.h"
#include "zk_records.h"

namespace zk {

constexpr int64_t kTraceSeconds = 1700000000;  // 2023/11/14 22:13:20 UTC
constexpr uint16_t kTraceMillis = 250;
constexpr int64_t kFrequency = 1000000;

inline int64_t& counter_ticks() {
  static int64_t ticks = 0;
  return ticks;
}
inline void pinned_now(clt_clock_reading* out) {
  out->seconds = kTraceSeconds;
  out->milliseconds = kTraceMillis;
}
inline void no_sleep(uint32_t) {}
inline void pinned_counter(clt_counter_reading* out) {
  out->ticks = counter_ticks();
  out->frequency = kFrequency;
}
inline const clt_clock_ops kPinnedClock{pinned_now, no_sleep};

inline std::string read_all(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class sql_trace : public ::testing::Test {
 protected:
  static constexpr const char* kSettings[] = {
      "PDMEMTRCFILE", "PDCLTPATH",     "PDSQLTRACE",   "PDTRCLVL",  "PDSQLEXECTIME", "PDUAPREPLVL", "PDPRMTRC",
      "PDPRMTRCSIZE", "PDSQLTEXTSIZE", "PDREPPATH",    "PDTRCPATH", "PDUSER",        "PDCLTAPNAME", "PDHOST",
      "PDSERVICEGRP", "PDFESHOST",     "PDAUTOCONNECT", "PDSQLTRCOPENMODE", "PDWRTLNFILSZ", "PDDBACCS", "PDTAAPINFPATH", "PDTAAPINFMODE", "TZ"};
  temp_dir dir;
  request first{"CMIT"};

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("TZ", "UTC", 1);
    tzset();
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    clt_clock_install(&kPinnedClock);
    clt_counter_install(pinned_counter);
    counter_ticks() = 0;
  }
  void TearDown() override {
    if (clt_cur() != nullptr) {
      if (clt_global.main != nullptr) {
        clt_sqltrc_close();
        clt_last_call_term(&first.area);
      }
      clt_release_context();
    }
    clt_clock_install(nullptr);
    clt_counter_install(nullptr);
    for (const char* name : kSettings) unsetenv(name);
    tzset();
  }
  // The settings, then the first call and the trace's buffer.
  void open(const std::vector<std::pair<const char*, const char*>>& settings) {
    for (const auto& [name, value] : settings) setenv(name, value, 1);
    ASSERT_TRUE(clt_take_context(&clt_global));
    ASSERT_EQ(clt_first_call_init(&first.area), 0);
    clt_sqltrc_open();
    ASSERT_NE(clt_global.sqltrc_block, nullptr);
  }
  // A fresh connection for the next case of a table, the SQL files emptied.
  void restart() {
    TearDown();
    unlink(dir.file("pdsql1.trc").c_str());
    unlink(dir.file("pdsql2.trc").c_str());
    SetUp();
  }
  clt_main* main() const { return clt_global.main; }
  clt_sqltrc_buf* buffer() const { return static_cast<clt_sqltrc_buf*>(clt_global.sqltrc_block); }
  // One request traced, `elapsed` counter ticks long.
  void trace(request& r, int64_t elapsed = 0) {
    main()->area = &r.area;
    counter_ticks() = 0;
    clt_sqltrc_stamp(false);
    counter_ticks() = elapsed;
    clt_sqltrc_stamp(true);
    clt_sqltrc_write();
  }
  // Both files of the kind-7 pair, file 1 first.
  std::string sql_files() const { return read_all(dir.file("pdsql1.trc")) + read_all(dir.file("pdsql2.trc")); }
};

}  // namespace zk
