// The trace writer's file pairs and the binary records of the module, RPC
// and socket traces, with the clock pinned.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTTRC.h"
#include "CLTTRCDT.h"
#include "CLTTRCES.h"
#include "cltclock.h"
#include "zk_bytes.h"
#include "zk_harness.h"
#include "zk_loghook.h"

namespace {

constexpr int64_t kSeconds = 1700000000;
constexpr uint16_t kMillis = 250;

const std::vector<const char*> kSettings = {"PDMEMTRCFILE", "PDCLTPATH", "PDTRCMODE", "PDTRCMDL",
                                            "PDTRCRPC",     "PDTRCSOC",  "PDTRCSOCSIZE", "PDUAPERLOG"};

std::vector<uint32_t>& sleeps() {
  static std::vector<uint32_t> list;
  return list;
}
void fixed_now(clt_clock_reading* out) {
  out->seconds = kSeconds;
  out->milliseconds = kMillis;
}
void record_sleep(uint32_t ms) { sleeps().push_back(ms); }
const clt_clock_ops kClock{fixed_now, record_sleep};

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

uint32_t le32(const std::string& s, size_t at) { return get_le32(reinterpret_cast<const uint8_t*>(s.data() + at)); }

// A connection's first call with the settings given, the context held.
class TraceRecords : public ::testing::Test {
 protected:
  zk::temp_dir dir;
  zk::request r{"CMIT"};

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDCLTPATH", dir.path.c_str(), 1);
    clt_clock_install(&kClock);
    sleeps().clear();
  }
  void TearDown() override {
    if (clt_cur() != nullptr) {
      if (clt_global.main != nullptr) clt_last_call_term(&r.area);
      clt_release_context();
    }
    clt_clock_install(nullptr);
    for (const char* name : kSettings) unsetenv(name);
  }
  void open_connection() {
    ASSERT_TRUE(clt_take_context(&clt_global));
    ASSERT_EQ(clt_first_call_init(&r.area), 0);
  }
  std::string file(const char* name) const { return read_file(dir.file(name)); }
};

TEST_F(TraceRecords, ModuleRecordIsFortyEightLittleEndianBytes) {
  setenv("PDTRCMODE", "ALL", 1);
  setenv("PDTRCMDL", "4096", 1);
  open_connection();
  const uint32_t words[3] = {0x11223344, 2, 3};
  clt_trc_mdl(0x180101, 1, words);
  clt_trc_mdl(0x180101, 1, words);
  const std::string got = file("pdmdl1.trc");
  ASSERT_EQ(got.size(), 96u);
  std::vector<uint8_t> want(48, 0);
  put_le32(want.data(), 1);
  put_le32(want.data() + 4, kSeconds);
  put_le32(want.data() + 8, kMillis);
  put_le32(want.data() + 12, static_cast<uint32_t>(getpid()));
  put_le32(want.data() + 28, 0x180101);
  put_le16(want.data() + 32, 1);
  put_le32(want.data() + 36, 0x11223344);
  put_le32(want.data() + 40, 2);
  put_le32(want.data() + 44, 3);
  EXPECT_EQ(got.substr(0, 48), std::string(want.begin(), want.end()));
  EXPECT_EQ(le32(got, 48), 2u) << "the second record's number";
}

TEST_F(TraceRecords, RpcCallAndSocketRecordsKeepTheirDataCut) {
  setenv("PDTRCMODE", "ALL", 1);
  setenv("PDTRCRPC", "65536", 1);
  setenv("PDTRCSOC", "4096", 1);
  setenv("PDTRCSOCSIZE", "1024", 1);
  open_connection();
  clt_trc_open_rpcsoc();
  uint8_t block[CLT_RPC_CALL_BLOCK_SIZE];
  const uint8_t request[100] = {1, 2, 3};
  clt_trc_rpc_call_block(block, "sds01", "p_f_sqa_ccommit", request, sizeof request, nullptr, 0, 4);
  clt_trc_rpc(CLT_RPC_TRC_ID, CLT_RPC_TRC_CALL, 0, block, sizeof block, 0);
  const std::string rpc = file("pdrpc1.trc");
  ASSERT_EQ(rpc.size(), 240u);
  EXPECT_EQ(le32(rpc, 0), 240u);
  EXPECT_EQ(le32(rpc, 28), 0x180000u);
  EXPECT_EQ(le32(rpc, 32), 3u);
  EXPECT_EQ(le32(rpc, 40), 196u);
  EXPECT_EQ(rpc.substr(44, 6), std::string("sds01\0", 6));
  EXPECT_EQ(rpc.substr(76, 16), std::string("p_f_sqa_ccommit\0", 16));
  EXPECT_EQ(le32(rpc, 44 + 64), 100u);
  EXPECT_EQ(rpc[44 + 68], 1);
  EXPECT_EQ(le32(rpc, 44 + 192), 4u);

  std::vector<uint8_t> sent(10000, 0x5A);
  clt_trc_soc(19, 2, 0, 7, static_cast<int32_t>(sent.size()), 0, sent.data(), CLT_SOC_DATA_PLAIN);
  const std::string soc = file("pdsoc1.trc");
  ASSERT_EQ(soc.size(), 1068u);
  std::vector<uint8_t> head(44, 0);
  put_le32(head.data(), 1068);
  put_le32(head.data() + 4, 1);
  put_le32(head.data() + 8, kSeconds);
  put_le32(head.data() + 12, kMillis);
  put_le32(head.data() + 16, static_cast<uint32_t>(getpid()));
  put_le16(head.data() + 28, 19);
  put_le16(head.data() + 30, 2);
  put_le32(head.data() + 36, 7);
  put_le32(head.data() + 40, 10000);
  EXPECT_EQ(soc.substr(0, 44), std::string(head.begin(), head.end()));
  EXPECT_EQ(soc.substr(44), std::string(1024, 'Z'));
  for (const char* name : {"pdrpc1.trc", "pdrpc2.trc", "pdsoc1.trc", "pdsoc2.trc", "pdsoc.lck"}) {
    struct stat st {};
    ASSERT_EQ(stat(dir.file(name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << name;
  }
}

// Every kind by the file slot its records go to; kinds no trace produces
// go to the module trace's pair.
TEST(TraceKinds, EachKindGoesToTheSlotOfItsPair) {
  const struct {
    int32_t kind;
    int32_t slot;
  } kinds[] = {{1, 1}, {2, 3}, {3, 0}, {4, 2}, {5, 1}, {6, 1}, {7, 4}, {8, 5}, {9, 1}, {15, 1}, {16, 6}, {17, 7}};
  for (const auto& k : kinds) EXPECT_EQ(clt_trc_kind_file(k.kind), k.slot) << "kind " << k.kind;
}

TEST_F(TraceRecords, TheModeFilterPassesEachKindItAllows) {
  struct row {
    const char* mode;
    bool errlog, module, socket;
  };
  setenv("PDTRCMDL", "4096", 1);
  setenv("PDTRCSOC", "4096", 1);
  for (const row& t : {row{"ERR", true, false, true}, row{"ALL", true, true, true}, row{"NONE", false, false, true}}) {
    SCOPED_TRACE(t.mode);
    setenv("PDTRCMODE", t.mode, 1);
    open_connection();
    clt_trc_open_rpcsoc();
    clt_errlog_msg("KFPZ02406-E Error occurred in Marlo/client, reason=%s, inf=%s:%d\n", "NETWORK", "X", 1);
    const uint32_t words[3] = {};
    clt_trc_mdl(0x180001, 1, words);
    clt_trc_soc(18, 1, 0, 3, 0, 0, nullptr, 0);
    EXPECT_EQ(!file("pderr1.trc").empty(), t.errlog);
    EXPECT_EQ(!file("pdmdl1.trc").empty(), t.module);
    EXPECT_EQ(!file("pdsoc1.trc").empty(), t.socket);
    clt_last_call_term(&r.area);
    clt_release_context();
    for (const char* name : {"pderr1.trc", "pdmdl1.trc", "pdsoc1.trc"}) unlink(dir.file(name).c_str());
  }
}

TEST(TracePair, TheFileChoiceFollowsSizeAndTime) {
  struct row {
    const char* name;
    clt_trc_file f1, f2;
    int32_t limit;
    bool switch_empties;
    int32_t index;
    bool empty_first;
  };
  const std::vector<row> rows = {
      {"limit 0", {5000, 10}, {0, 20}, 0, false, 0, false},
      {"equal times, both below", {10, 5}, {0, 5}, 1000, false, 0, false},
      {"equal times, file 1 full", {1000, 5}, {0, 5}, 1000, false, 1, false},
      {"equal times, both full", {1000, 5}, {1000, 5}, 1000, false, 0, true},
      {"newer file below", {1000, 5}, {10, 6}, 1000, false, 1, false},
      {"newer full, other below", {10, 5}, {1000, 6}, 1000, false, 0, false},
      {"newer full, other below, SQL pair", {10, 5}, {1000, 6}, 1000, true, 0, true},
      {"newer full, other full", {1000, 6}, {1000, 5}, 1000, false, 1, true},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.name);
    const clt_trc_file files[2] = {t.f1, t.f2};
    const clt_trc_choice c = clt_trc_choose(files, t.limit, t.switch_empties);
    EXPECT_EQ(c.index, t.index);
    EXPECT_EQ(c.empty_first, t.empty_first);
  }
}

TEST_F(TraceRecords, TheErrorLogAlternatesAtItsLimitByModificationTime) {
  setenv("PDUAPERLOG", "4096", 1);
  open_connection();
  const std::string p1 = dir.file("pderr1.trc");
  const std::string p2 = dir.file("pderr2.trc");
  auto set_time = [](const std::string& path, time_t t) {
    const timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  };
  std::ofstream(p1) << std::string(4096, 'a');
  std::ofstream(p2) << "b\n";
  set_time(p1, 100);
  set_time(p2, 100);
  clt_errlog_msg("KFPZ02406-E Error occurred in Marlo/client, reason=%s, inf=%s:%d\n", "NETWORK", "X", 1);
  EXPECT_EQ(read_file(p1).size(), 4096u) << "equal times and file 1 full: file 2";
  EXPECT_GT(read_file(p2).size(), 2u);
  // File 2 newer and full: file 1, full too, is emptied and written.
  std::ofstream(p2, std::ios::app) << std::string(4096, 'b');
  set_time(p1, 100);
  set_time(p2, 200);
  clt_errlog_msg("KFPZ02406-E Error occurred in Marlo/client, reason=%s, inf=%s:%d\n", "MEMORY", "X", 2);
  const std::string one = read_file(p1);
  EXPECT_EQ(one.rfind("> ", 0), 0u);
  EXPECT_NE(one.find("reason=MEMORY"), std::string::npos);
}

TEST_F(TraceRecords, ASocketLockHeldByAnotherProcessDropsTheRecordUntilItsHolderDies) {
  setenv("PDTRCSOC", "4096", 1);
  open_connection();
  clt_trc_open_rpcsoc();
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open(dir.file(CLT_TRC_LOCK_FILE).c_str(), O_RDWR | O_CREAT, 0600);
    struct flock lk {};
    lk.l_type = F_WRLCK;
    lk.l_whence = SEEK_SET;
    if (fd < 0 || fcntl(fd, F_SETLK, &lk) != 0) _exit(1);
    [[maybe_unused]] ssize_t n = write(ready[1], "x", 1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  clt_trc_soc(18, 1, 0, 3, 0, 0, nullptr, 0);
  EXPECT_EQ(read_file(dir.file("pdsoc1.trc")), "") << "dropped while the lock is held";
  EXPECT_EQ(sleeps(), std::vector<uint32_t>(CLT_TRC_LOCK_TRIES - 1, CLT_TRC_LOCK_WAIT_MS));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  clt_trc_soc(18, 1, 0, 3, 0, 0, nullptr, 0);
  EXPECT_EQ(read_file(dir.file("pdsoc1.trc")).size(), 44u) << "the lock died with its holder";
  close(ready[0]);
  close(ready[1]);
}

TEST_F(TraceRecords, TheStreamDumpWritesPlaceholdersOnceTheBuffersAreGone) {
  setenv("PDTRCMODE", "ALL", 1);
  open_connection();
  clt_com_conn* com = clt_main_com(clt_global.main);
  com->sent.count = 2;
  com->sent.seconds = 77;
  com->sent.len[1] = 5;
  com->received.count = 1;
  clt_global.main->srv_pid = 9;
  clt_trc_stream_dump();
  const std::string got = read_file(dir.file("pdess1.trc"));
  ASSERT_EQ(got.size(), 48u + 13u + 48u);
  std::vector<uint8_t> head(48, 0);
  put_le32(head.data(), static_cast<uint32_t>(getpid()));
  put_le32(head.data() + 16, 9);
  put_le32(head.data() + 20, 77);
  put_le32(head.data() + 28, 2);
  put_le32(head.data() + 32, 12);
  EXPECT_EQ(got.substr(0, 48), std::string(head.begin(), head.end()));
  EXPECT_EQ(got.substr(48, 13), std::string("\x09\0\0\0DATA FREE", 13));
  EXPECT_EQ(le32(got, 61 + 28), 1u);
}

}  // namespace
