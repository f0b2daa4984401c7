// Command trace and command socket trace of p_rdb_cmd_execute.
#include <sys/stat.h>
#include <sys/time.h>
#include <time.h>

#include "cltclock.h"
#include "clttrcmd.h"
#include "cmd_support.h"
#include "zelkit.h"
#include "zk_build.h"

namespace {

using cmd_test::command_body;
using cmd_test::peer;
using cmd_test::read_file;
using cmd_test::record;

constexpr int64_t kPinnedSeconds = 1700000000;

void pinned_now(clt_clock_reading* out) {
  out->seconds = kPinnedSeconds;
  out->milliseconds = 250;
}
void no_sleep(uint32_t) {}
const clt_clock_ops kPinned{pinned_now, no_sleep};

std::string local_time_text() {
  const time_t t = kPinnedSeconds;
  tm lt{};
  localtime_r(&t, &lt);
  char text[64];
  snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday,
           lt.tm_hour, lt.tm_min, lt.tm_sec);
  return text;
}

std::string line_prefix(int line) {
  char text[96];
  snprintf(text, sizeof text, " %5d %5d %s       %5d  ", static_cast<int>(getpid()), 0, local_time_text().c_str(),
           line);
  return text;
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

class cmd_trace : public cmd_test::scratch {
 protected:
  void SetUp() override {
    scratch::SetUp();
    clt_clock_install(&kPinned);
  }
  void TearDown() override {
    clt_clock_install(nullptr);
    scratch::TearDown();
  }
  int32_t run(const char* command) {
    std::vector<char> out(256);
    uint32_t len = 0;
    int32_t code = 0;
    return p_rdb_cmd_execute(command, static_cast<int32_t>(out.size()), &len, out.data(), &code, "", 0);
  }
  std::string path(const char* name) const { return dir + "/" + name; }
};

TEST_F(cmd_trace, CommandTraceHoldsBannerSettingsCommandAndMessages) {
  peer p(peer::service(7, {}));
  set_minimum(p.port);
  set("PDCMDTRACE", "0");
  set("PDCLTAPNAME", "myapp");
  set("PDASTUSER", "astusr/astpw");
  const mode_t old_mask = umask(022);
  EXPECT_EQ(run("pdls -d srv"), -20);
  umask(old_mask);

  const std::string expected =
      std::string("  ** COMMAND TRACE (CLT:08-04   :") + zk_build_date + ") WIN32**\n\n" +
      "  USER APPLICATION PROGRAM FILE NAME : myapp\n  COMMAND START TIME : " + local_time_text() + "\n" +
      "  COMMAND EXECUTE ENVIRONMENT & STATUS:\n    PDASTHOST(127.0.0.1)\n    PDASTPORT(" + std::to_string(p.port) +
      ")\n    PDSYSTEMID(SYS1)\n    PDUSER(dbusr)\n    PDASTUSER(astusr)\n    PDCMDWAITTIME(0)\n    ENVGROUP()\n" +
      "    CLTPID(" + std::to_string(getpid()) + ")  CLTTID(0)\n\n" + line_prefix(0) + "pdls -d srv\n" +
      line_prefix(1) + "KFPZ02471-E Communication error occurred, reason=INIT ERROR,CODE=7\n";
  EXPECT_EQ(read_file(path("pdccmd1.trc")), expected);
  EXPECT_EQ(read_file(path("pdccmd2.trc")), "");
  struct stat st{};
  ASSERT_EQ(stat(path("pdccmd1.trc").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u);
  // Socket trace off: its files are never made.
  EXPECT_FALSE(exists(path("pdcsoc1.trc")));
}

TEST_F(cmd_trace, NoCommandTraceWithoutItsSetting) {
  peer p(peer::service(7, {}));
  set_minimum(p.port);
  EXPECT_EQ(run("cmd"), -20);
  EXPECT_FALSE(exists(path("pdccmd1.trc")));
  EXPECT_FALSE(exists(path("pdccmd2.trc")));
}

TEST_F(cmd_trace, FilesAlternateAtTheLimit) {
  struct {
    const char* name;
    int32_t limit;
    size_t size1;
    size_t size2;
    time_t age1;  // seconds before now
    time_t age2;
    size_t after1;  // sizes after writing 5 bytes
    size_t after2;
  } cases[] = {
      {"older full file 1, newer file 2", 4096, 5000, 100, 20, 10, 5000, 105},
      {"both full, file 2 newer: file 1 emptied", 4096, 5000, 5000, 20, 10, 5, 5000},
      {"both full, file 1 newer: file 2 emptied", 4096, 5000, 5000, 10, 20, 5000, 5},
      {"newer file below the limit", 4096, 100, 200, 10, 20, 105, 200},
      {"same time, file 1 below", 4096, 100, 200, 10, 10, 105, 200},
      {"same time, file 1 full", 4096, 5000, 200, 10, 10, 5000, 205},
      {"no limit: always file 1", 0, 5000, 10, 20, 10, 5005, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    cmd_test::work_block w;
    snprintf(w.ctx->trace_dir, sizeof w.ctx->trace_dir, "%s", dir.c_str());
    w.ctx->cmd_trace_size = c.limit;
    clt_ast_trc_open(w.ctx.get());
    const time_t now = time(nullptr);
    const std::pair<std::string, std::pair<size_t, time_t>> files[] = {{path("pdccmd1.trc"), {c.size1, c.age1}},
                                                                        {path("pdccmd2.trc"), {c.size2, c.age2}}};
    for (const auto& [file, shape] : files) {
      cmd_test::write_file(file, std::string(shape.first, 'x'));
      const timeval times[2] = {{now - shape.second, 0}, {now - shape.second, 0}};
      ASSERT_EQ(utimes(file.c_str(), times), 0);
    }
    clt_ast_trc_write("line\n", 5, CLT_AST_TRC_CMD, w.ctx.get());
    EXPECT_EQ(read_file(path("pdccmd1.trc")).size(), c.after1);
    EXPECT_EQ(read_file(path("pdccmd2.trc")).size(), c.after2);
    clt_ast_trc_close(w.ctx.get());
  }
}

TEST_F(cmd_trace, TrailingSlashOfTheDirectoryMakesNoDifference) {
  cmd_test::work_block w;
  char with[CLT_CMD_TRC_NAME_SIZE];
  char without[CLT_CMD_TRC_NAME_SIZE];
  snprintf(w.ctx->trace_dir, sizeof w.ctx->trace_dir, "/var/trace/");
  clt_ast_trc_path(w.ctx.get(), "pdccmd1.trc", with, sizeof with);
  snprintf(w.ctx->trace_dir, sizeof w.ctx->trace_dir, "/var/trace");
  clt_ast_trc_path(w.ctx.get(), "pdccmd1.trc", without, sizeof without);
  EXPECT_STREQ(with, "/var/trace/pdccmd1.trc");
  EXPECT_STREQ(without, with);
}

struct soc_record {
  clt_ast_soc_head head;
  std::vector<uint8_t> data;
};

std::vector<soc_record> soc_records(const std::string& file) {
  const std::string raw = read_file(file);
  std::vector<soc_record> out;
  size_t pos = 0;
  while (pos + sizeof(clt_ast_soc_head) <= raw.size()) {
    soc_record r;
    memcpy(&r.head, raw.data() + pos, sizeof r.head);
    if (r.head.length < sizeof r.head || pos + r.head.length > raw.size()) break;
    r.data.assign(raw.begin() + static_cast<long>(pos + sizeof r.head), raw.begin() + static_cast<long>(pos + r.head.length));
    out.push_back(r);
    pos += r.head.length;
  }
  EXPECT_EQ(pos, raw.size());
  return out;
}

TEST_F(cmd_trace, SocketTraceRecordsEveryCall) {
  struct {
    const char* trcsoc;
    const char* datasize;
    size_t kept;
  } cases[] = {{"1", nullptr, 184}, {"4096", "64", 64}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trcsoc);
    std::filesystem::remove(path("pdcsoc1.trc"));
    peer p(peer::service(0, record(0, command_body(0, 1, 2, "ok"))));
    set_minimum(p.port);
    set("PDTRCSOC", c.trcsoc);
    if (c.datasize) set("PDTRCSOCSIZE", c.datasize);
    ASSERT_EQ(run("cmd"), 0);
    const std::vector<soc_record> recs = soc_records(path("pdcsoc1.trc"));
    ASSERT_FALSE(recs.empty());
    for (size_t i = 0; i < recs.size(); ++i) {
      EXPECT_EQ(recs[i].head.seq, i + 1);
      EXPECT_EQ(recs[i].head.pid, static_cast<uint32_t>(getpid()));
      EXPECT_EQ(recs[i].head.seconds, static_cast<uint32_t>(kPinnedSeconds));
      EXPECT_EQ(recs[i].head.milliseconds, 250u);
    }
    EXPECT_EQ(recs.front().head.call, CLT_AST_CALL_GETHOSTNAME);
    EXPECT_EQ(recs.front().head.phase, CLT_AST_BEFORE);
    EXPECT_EQ(recs.back().head.call, CLT_AST_CALL_CLOSESOCKET);
    EXPECT_EQ(recs.back().head.phase, CLT_AST_AFTER);
    // The logon as sent, cut to the data size kept.
    const auto logon = std::find_if(recs.begin(), recs.end(), [](const soc_record& r) {
      return r.head.call == CLT_AST_CALL_SEND && r.head.phase == CLT_AST_BEFORE;
    });
    ASSERT_NE(logon, recs.end());
    EXPECT_EQ(logon->head.data_length, CLT_AST_LOGON_SIZE);
    EXPECT_EQ(logon->head.length, sizeof(clt_ast_soc_head) + c.kept);
    EXPECT_EQ(logon->data, std::vector<uint8_t>(p.logon.begin(), p.logon.begin() + static_cast<long>(c.kept)));
    const auto connect = std::find_if(recs.begin(), recs.end(), [](const soc_record& r) {
      return r.head.call == CLT_AST_CALL_CONNECT && r.head.phase == CLT_AST_BEFORE;
    });
    ASSERT_NE(connect, recs.end());
    EXPECT_EQ(connect->head.data_length, 16u);
  }
}

TEST_F(cmd_trace, TooSmallDataSizeSwitchesTheSocketTraceOff) {
  peer p(peer::service(0, record(0, command_body(0, 1, 2, "ok"))));
  set_minimum(p.port);
  set("PDTRCSOC", "4096");
  set("PDTRCSOCSIZE", "32");
  ASSERT_EQ(run("cmd"), 0);
  EXPECT_FALSE(exists(path("pdcsoc1.trc")));
  EXPECT_FALSE(exists(path("pdcsoc2.trc")));
}

}  // namespace
