// The shared-memory channel to a server on this host, through p_rdb_exsql
// alone: PDIPC=MEMORY offers it at CONNECT, every later request goes
// through the sections, a request that does not fit is announced and
// sent over the socket, and each way the channel or its server can fail
// ends as its table says.
#include <stdlib.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CLTLIBCT.h"
#include "CLTSQLSC.h"
#include "cltshm.h"
#include "marlo_reply.h"
#include "marlo_server.h"
#include "wire_support.h"
#include "zk_harness.h"
#include "zk_loghook.h"
#include "zk_wiring.h"

namespace {

using bytes = std::vector<uint8_t>;

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kCommitFn[] = "p_f_sqa_ccommit";
constexpr char kRollbackFn[] = "p_f_sqa_crollback";
constexpr char kDisconnectFn[] = "p_f_sqa_cdisconnect";
constexpr char kSetupFn[] = "p_f_sqa_csetup";
constexpr char kErrorlogFn[] = "p_f_sqa_cerrorlog";
constexpr uint32_t kLevel26 = ~26u;
constexpr size_t kHeader = 24;
constexpr size_t kPacket = 64;

const std::vector<const char*> kSettings = {"PDMEMTRCFILE", "PDHOST",        "PDFESHOST",      "PDSERVICEGRP",
                                            "PDCWAITTIME",  "PDAUTOCONNECT", "PDIPC",          "PDSENDMEMSIZE",
                                            "PDRECVMEMSIZE", "PDCLTRCVPORT", "PDCLTPATH",      "PDCONNECTWAITTIME", "PDTRCSOC"};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

bool is_socket_form(const marlo::request& q) { return q.form == "rpc" || q.form == "compact" || q.form == "frame"; }

clt_main* main_block() { return clt_global.main; }

class Channel : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;
  std::vector<std::string>& log = zk::errlog_lines();

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    setenv("PDCONNECTWAITTIME", "40", 1);
    setenv("PDIPC", "MEMORY", 1);
    sa_set_round_us(wire::kRoundUs);
    zk_wire_services();
    wired_errlog = clt_svc.errlog_vmsg;
    clt_svc.errlog_vmsg = zk::capture_errlog;
    log.clear();
  }
  void (*wired_errlog)(const char*, va_list) = nullptr;

  void TearDown() override {
    end();
    sa_set_round_us(0);
    for (const char* name : kSettings) unsetenv(name);
  }

  // The connection and its control block go, as at the end of a program.
  void end() {
    zk::context_scope context;
    if (clt_global.main != nullptr) {
      clt_close_link(nullptr);
      zk::request r{"DISC"};
      clt_last_call_term(&r.area);
    }
  }

  void start(marlo::script s = {}) {
    s.services.push_back(kGroup);
    s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", 777, kLevel26);
    s.bodies[kDisconnectFn] = marlo::reply_body(false, 0, "00000", "");
    if (s.bodies.count(kCommitFn) == 0) s.bodies[kCommitFn] = marlo::reply_body(false, 0, "00000", "");
    server = std::make_unique<marlo::server>(std::move(s));
    ASSERT_TRUE(server->ok());
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
  }

  // The server with its channel behaving as `shm` says, and CONNECT done.
  void start_connected(const marlo::shm_options& shm) {
    marlo::script s;
    s.shm = shm;
    start(std::move(s));
    zk::request cnct{"CNCT"};
    ASSERT_EQ(connect(cnct), 0) << cnct.message();
  }

  static int32_t connect(zk::request& r) {
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    return r.exsql();
  }

  // The requests after CONNECT.
  std::vector<marlo::request> after_connect() const {
    std::vector<marlo::request> all = server->requests();
    auto at = std::find_if(all.begin(), all.end(), [](const marlo::request& q) { return q.function == kConnectFn; });
    return at == all.end() ? all : std::vector<marlo::request>(at + 1, all.end());
  }

  bool notice_arrives() const {
    constexpr int kTries = 200;
    constexpr std::chrono::milliseconds kPause{10};
    for (int i = 0; i < kTries; ++i) {
      const std::vector<marlo::request> all = server->requests();
      if (std::any_of(all.begin(), all.end(), [](const marlo::request& q) { return q.form == "notice"; })) return true;
      std::this_thread::sleep_for(kPause);
    }
    return false;
  }

  bool logged(const std::string& text) const {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }

  // Whether the channel's objects are open in the control block.
  static bool channel_open() {
    zk::context_scope context;
    if (main_block() == nullptr) return false;
    const clt_shm_conn& shm = clt_main_com(main_block())->shm;
    return shm.own.view != nullptr || shm.peer.view != nullptr;
  }
  // The numbers of the client's and the server's objects.
  static std::pair<int32_t, int32_t> object_numbers() {
    zk::context_scope context;
    if (main_block() == nullptr) return {-1, -1};
    const clt_shm_conn& shm = clt_main_com(main_block())->shm;
    return {shm.own_number, shm.peer_number};
  }
  // How many of a number's two objects exist.
  static int objects_of(int32_t number) {
    char section[CLT_SHM_NAME_SIZE];
    char event[CLT_SHM_NAME_SIZE];
    clt_shmobj_names(number, section, event);
    return (access((std::string("/dev/shm") + section).c_str(), F_OK) == 0 ? 1 : 0) +
           (access((std::string("/dev/shm/sem.") + (event + 1)).c_str(), F_OK) == 0 ? 1 : 0);
  }
  static bool link_open() {
    zk::context_scope context;
    return main_block() != nullptr && main_block()->session_open != 0;
  }
};

uint32_t word(const bytes& b, size_t at) {
  uint32_t v;
  memcpy(&v, b.data() + at, sizeof v);
  return v;
}

TEST_F(Channel, EveryRequestAfterConnectGoesThroughTheSectionsAndDisconnectEndsThem) {
  start();
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  ASSERT_EQ(cnct.sqlcode(), 0) << cnct.message();
  const std::vector<marlo::request> all = server->requests();
  auto offer = std::find_if(all.begin(), all.end(), [](const marlo::request& q) { return q.function == kConnectFn; });
  ASSERT_NE(offer, all.end());
  EXPECT_EQ(offer->form, "rpc");
  EXPECT_EQ(offer->family, 8);
  EXPECT_TRUE(channel_open());
  const std::pair<int32_t, int32_t> numbers = object_numbers();
  EXPECT_EQ(objects_of(numbers.first), 2);
  EXPECT_EQ(objects_of(numbers.second), 2);

  for (const char* code : {"CMIT", "CMIT", "ROLL"}) {
    zk::request r{code};
    EXPECT_EQ(r.exsql(), 0) << code << " " << r.message();
    EXPECT_EQ(r.sqlcode(), 0) << code;
  }
  zk::request leave{"DISC"};
  EXPECT_EQ(leave.exsql(), 0) << leave.message();
  EXPECT_EQ(leave.sqlcode(), 0);
  EXPECT_FALSE(channel_open());

  const std::vector<marlo::request> seen = after_connect();
  ASSERT_GE(seen.size(), 5u);
  const char* const functions[] = {kCommitFn, kCommitFn, kRollbackFn};
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(seen[i].form, "shm");
    EXPECT_EQ(seen[i].function, functions[i]);
    // The header as it lies in the section (host order), the unused
    // bytes after it, and the request packet at 64.
    const bytes& m = seen[i].message;
    ASSERT_GE(m.size(), kPacket + 4);
    EXPECT_EQ(word(m, 0), 0x00050500u);
    EXPECT_EQ(word(m, 4), i + 1);
    EXPECT_EQ(word(m, 8), 4u);
    EXPECT_EQ(word(m, 12), i < 2 ? 7u : 17u);
    EXPECT_EQ(word(m, 16), m.size());
    EXPECT_GT(word(m, 20), 0u);
    EXPECT_TRUE(std::all_of(m.begin() + kHeader, m.begin() + kPacket, [](uint8_t b) { return b == 0; }));
    const bytes level = {0xFF, 0xFF, 0xFF, 0xE5};
    EXPECT_TRUE(std::equal(level.begin(), level.end(), m.begin() + kPacket)) << "the request header's level word";
  }
  // DISCONNECT: the channel's disconnect, then its own request over the socket.
  EXPECT_EQ(seen[3].form, "shm_disconnect");
  const bytes golden = {0x00, 0x05, 0x05, 0x00, 4, 0, 0, 0, 0, 0, 0, 0, 16, 0, 0, 0, 64, 0, 0, 0, 64, 0, 0, 0};
  ASSERT_GE(seen[3].message.size(), golden.size());
  EXPECT_TRUE(std::equal(golden.begin(), golden.end(), seen[3].message.begin()));
  EXPECT_TRUE(is_socket_form(seen[4]));
  EXPECT_EQ(seen[4].function, kDisconnectFn);
  for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(is_socket_form(seen[i])) << i;
  // Each side unlinked what it made: the client at DISCONNECT, the server
  // when it ends.
  EXPECT_EQ(objects_of(numbers.first), 0);
  server.reset();
  EXPECT_EQ(objects_of(numbers.second), 0);
}

// One way the exchange fails, and what the caller gets.
struct failure_case {
  const char* what;
  marlo::shm_options shm;
  const char* wait;      // PDCWAITTIME, or null
  int32_t sqlcode;
  const char* message;   // the SQLCA's message starts with it
  const char* log;       // a line of the error log holds it, or null
};

marlo::shm_options fault(marlo::shm_fault how) { return marlo::shm_options{.how = how}; }
marlo::shm_options status(int32_t value) {
  return marlo::shm_options{.how = marlo::shm_fault::status, .status = value};
}

TEST_F(Channel, EachFailureEndsAsItsRowSaysAndClosesTheLinkAndTheChannelOnce) {
  const failure_case cases[] = {
      {"status -331", status(-331), nullptr, -932, "KFPA11932-E Number of connect users exceeded max users", nullptr},
      {"status -304", status(-304), nullptr, -723, "KFPA11723-E Communication error occurred, reason=CLIENT MEMORY",
       nullptr},
      {"status -330", status(-330), nullptr, -722,
       "KFPA11722-E Communication error occurred, reason=SERVER PROCESS DOWN", nullptr},
      {"status -301", status(-301), nullptr, -720, "KFPA11720-E Error occurred in Marlo/client", nullptr},
      {"status -356 is not the channel's", status(-356), nullptr, -720, "KFPA11720-E", nullptr},
      {"total below 64", marlo::shm_options{.how = marlo::shm_fault::short_total, .short_total = 63}, nullptr, -723,
       "KFPA11723-E Communication error occurred, reason=Marlo DATA ERROR", nullptr},
      {"fourth stale signal", marlo::shm_options{.how = marlo::shm_fault::stale, .stale_signals = 4}, nullptr, -720, "KFPA11720-E",
       "KFPZ02405-E System call error, func=WaitForSingleObject:0"},
      {"server gone", fault(marlo::shm_fault::go_away), nullptr, -722,
       "KFPA11722-E Communication error occurred, reason=SERVER PROCESS DOWN",
       "KFPZ02444-E Communication error, func=select, errno=1"},
      {"no reply within PDCWAITTIME", fault(marlo::shm_fault::silent), "2", -732,
       "KFPA11732-E Time over, no response from Marlo", nullptr},
  };
  for (const failure_case& c : cases) {
    SCOPED_TRACE(c.what);
    log.clear();
    if (c.wait != nullptr) setenv("PDCWAITTIME", c.wait, 1);
    ASSERT_NO_FATAL_FAILURE(start_connected(c.shm));
    zk::request commit{"CMIT"};
    commit.exsql();
    EXPECT_EQ(commit.sqlcode(), c.sqlcode) << commit.message();
    EXPECT_EQ(commit.message().rfind(c.message, 0), 0u) << commit.message();
    if (c.log != nullptr) {
      EXPECT_TRUE(logged(c.log)) << c.log;
    }
    EXPECT_FALSE(link_open());
    EXPECT_FALSE(channel_open());
    if (c.sqlcode == -732) {
      // The connection manager heard of the request that timed out (the
      // notice expects no answer: the server may take a moment to read it).
      EXPECT_TRUE(notice_arrives());
    }
    // The link is closed already: DISCONNECT ends the connection here.
    const size_t before = server->requests().size();
    zk::request leave{"DISC"};
    EXPECT_EQ(leave.exsql(), 0) << leave.message();
    EXPECT_EQ(leave.sqlcode(), 0);
    EXPECT_EQ(server->requests().size(), before);
    unsetenv("PDCWAITTIME");
    end();
  }
}

// The server's -366 says it has reported the failure itself: the channel
// adds no message of its own, and the request still fails (the dispatcher
// names a failure that came without a message).
TEST_F(Channel, AServerThatReportedTheFailureItselfGetsNoMessageOfTheChannel) {
  ASSERT_NO_FATAL_FAILURE(start_connected(status(-366)));
  zk::request commit{"CMIT"};
  EXPECT_NE(commit.exsql(), 0);
  EXPECT_LT(commit.sqlcode(), 0);
  EXPECT_EQ(commit.message().find("cltrpcsw"), std::string::npos) << commit.message();
  EXPECT_FALSE(channel_open());
}

TEST_F(Channel, ThreeStaleSignalsAreIgnoredAndTheSequenceGoesOn) {
  ASSERT_NO_FATAL_FAILURE(start_connected(marlo::shm_options{.how = marlo::shm_fault::stale, .stale_signals = 3}));
  for (int i = 0; i < 3; ++i) {
    zk::request commit{"CMIT"};
    EXPECT_EQ(commit.exsql(), 0) << i << " " << commit.message();
  }
  std::vector<uint32_t> sequences;
  for (const marlo::request& q : after_connect()) {
    if (q.form == "shm") sequences.push_back(word(q.message, 4));
  }
  EXPECT_EQ(sequences, (std::vector<uint32_t>{1, 2, 3}));
}

TEST_F(Channel, AServerGoneIsNoticedWithinASecond) {
  // Real one-second slices here.
  sa_set_round_us(0);
  ASSERT_NO_FATAL_FAILURE(start_connected(fault(marlo::shm_fault::go_away)));
  zk::request commit{"CMIT"};
  const auto begin = std::chrono::steady_clock::now();
  commit.exsql();
  const auto took = std::chrono::steady_clock::now() - begin;
  EXPECT_EQ(commit.sqlcode(), -722) << commit.message();
  // One slice, and room for a slow machine.
  EXPECT_LT(took, std::chrono::milliseconds(1900));
}

// A request or a reply that does not fit its section is announced there
// and goes over the socket.
TEST_F(Channel, ARequestOrReplyTooLargeForItsSectionIsAnnouncedAndSentOverTheSocket) {
  struct size_case {
    const char* what;
    const char* setting;
    const char* reqcode;
  };
  const size_case cases[] = {
      {"long statement text", "PDSENDMEMSIZE", "SET "},
      {"large SQLDA to describe into", "PDRECVMEMSIZE", "DESC"},
  };
  for (const size_case& c : cases) {
    SCOPED_TRACE(c.what);
    setenv(c.setting, "4", 1);
    start();
    zk::request cnct{"CNCT"};
    ASSERT_EQ(connect(cnct), 0) << cnct.message();
    zk::request small{"CMIT"};
    EXPECT_EQ(small.exsql(), 0) << small.message();

    zk::request big{c.reqcode};
    big.statement(std::string(5000, 'x'));
    bytes list(offsetof(SQLDA, sqlvar) + 1000 * sizeof(SQLVAR), 0);
    SQLDA* da = reinterpret_cast<SQLDA*>(list.data());
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = 1000;
    // DESCRIBE describes into the first list.
    big.area.sqliasda = da;
    big.exsql();
    const std::vector<marlo::request> seen = after_connect();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0].form, "shm");
    EXPECT_EQ(seen[1].form, "shm_notice");
    const bytes golden = {0x00, 0x05, 0x05, 0x00, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 64, 0, 0, 0, 64, 0, 0, 0};
    ASSERT_GE(seen[1].message.size(), golden.size());
    EXPECT_TRUE(std::equal(golden.begin(), golden.end(), seen[1].message.begin()));
    EXPECT_TRUE(is_socket_form(seen[2])) << seen[2].form;
    unsetenv(c.setting);
    end();
  }
}

constexpr int kPortAttempts = 5;

// A receive port whose number names the client's objects. It lies below
// the system's ephemeral range, so no client or server of a test running
// beside this one is given it (and meets the names made here).
constexpr int kFirstPrivatePort = 20000;
constexpr int kPrivatePorts = 10000;
uint16_t free_port() {
  static int next = static_cast<int>(getpid()) * 97 % kPrivatePorts;
  for (int tried = 0; tried < kPrivatePorts; ++tried) {
    const auto port = static_cast<uint16_t>(kFirstPrivatePort + next++ % kPrivatePorts);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = wire::loopback(port);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    if (free) return port;
  }
  return 0;
}

void create_in_child_and_die(int32_t number) {
  const pid_t child = fork();
  if (child == 0) {
    clt_shm_section section{};
    clt_shm_event event{};
    clt_shm_failure why;
    if (clt_shmobj_create(number, 4096, &section, &event, &why) != 0) _exit(1);
    kill(getpid(), SIGKILL);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
}

TEST_F(Channel, ANameHeldByALiveProcessLeavesTheConnectionOnTheSocketAndALeftoverIsMadeAgain) {
  // Held: this process made the objects and keeps them. Tests running
  // beside this one may take a port between its choice and its use.
  clt_shm_section section{};
  clt_shm_event event{};
  clt_shm_failure why;
  uint16_t port = 0;
  int made = -1;
  for (int attempt = 0; attempt < kPortAttempts && made != 0; ++attempt) {
    port = free_port();
    made = clt_shmobj_create(port, 4096, &section, &event, &why);
  }
  ASSERT_EQ(made, 0) << why.err;
  setenv("PDCLTRCVPORT", std::to_string(port).c_str(), 1);
  start();
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  EXPECT_EQ(cnct.sqlcode(), 0);
  EXPECT_TRUE(logged("KFPZ02405-E System call error, func=CreateFileMapping:/marlo_mmm_map" + std::to_string(port) +
                     ", errno=17"));
  zk::request commit{"CMIT"};
  EXPECT_EQ(commit.exsql(), 0) << commit.message();
  std::vector<marlo::request> seen = after_connect();
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(is_socket_form(seen[0])) << seen[0].form;
  end();
  char section_name[CLT_SHM_NAME_SIZE];
  char event_name[CLT_SHM_NAME_SIZE];
  clt_shmobj_names(port, section_name, event_name);
  int32_t err = 0;
  clt_shmobj_close_event(&event, event_name);
  clt_shmobj_close_section(&section, section_name, &err);

  // Left by a process that was killed: made again, and the channel works.
  // A port of its own: the one before may still be held by the system.
  const uint16_t next_port = free_port();
  setenv("PDCLTRCVPORT", std::to_string(next_port).c_str(), 1);
  create_in_child_and_die(next_port);
  EXPECT_EQ(objects_of(next_port), 2) << "the killed process left both objects";
  server.reset();
  start();
  zk::request again{"CNCT"};
  ASSERT_EQ(connect(again), 0) << again.message();
  zk::request next{"CMIT"};
  EXPECT_EQ(next.exsql(), 0) << next.message();
  seen = after_connect();
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].form, "shm");
}

TEST_F(Channel, AServerThatDeclinesLeavesTheSocketAndOneWhoseSideCannotBeOpenedFailsConnect) {
  marlo::script declining;
  declining.shm = fault(marlo::shm_fault::decline);
  start(std::move(declining));
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  EXPECT_FALSE(channel_open());
  zk::request commit{"CMIT"};
  EXPECT_EQ(commit.exsql(), 0) << commit.message();
  std::vector<marlo::request> seen = after_connect();
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(is_socket_form(seen[0])) << seen[0].form;
  end();

  marlo::script missing;
  missing.shm = fault(marlo::shm_fault::no_section);
  start(std::move(missing));
  zk::request failing{"CNCT"};
  connect(failing);
  EXPECT_EQ(failing.sqlcode(), -723);
  EXPECT_EQ(failing.message(), "KFPA11723-E Communication error occurred, reason=CLIENT MEMORY");
  EXPECT_TRUE(logged("OpenFileMapping:/marlo_mmm_map")) << "the error log names the object";
  EXPECT_FALSE(channel_open());
  EXPECT_FALSE(link_open());
}

TEST_F(Channel, AbortEndsTheWaitWithCancel) {
  ASSERT_NO_FATAL_FAILURE(start_connected(fault(marlo::shm_fault::silent)));
  zk::request open{"OPEN"};
  open.statement("SELECT C1 FROM T1");
  std::thread aborter([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    p_rdb_abort();
  });
  open.exsql();
  aborter.join();
  EXPECT_EQ(open.sqlcode(), -735);
  EXPECT_EQ(open.message(), "KFPA11735-E FES(SDS) canceled");
  EXPECT_FALSE(channel_open());
}

// The server holds error-log text for a request that came through the
// sections: the application error line is followed by that text.
TEST_F(Channel, TheNoticeOfAChannelReplyFetchesTheServersTextIntoTheErrorLog) {
  clt_svc.errlog_vmsg = wired_errlog;
  setenv("PDCLTPATH", dir.path.c_str(), 1);
  const std::string text = "server side detail of the failure";
  marlo::reply failed;
  failed.sqlcode = -204;
  failed.sqlstate = "42S02";
  failed.message = "KFPA11204-E T1 not found";
  failed.status.flags16 = 0x04;
  marlo::reply erlg;
  bytes ext(40, 0);
  ext[39] = 40;  // word +36: the text right after the part's own words
  ext.insert(ext.end(), text.begin(), text.end());
  ext.push_back(0);
  erlg.parts[marlo::kReplyExtension] = ext;
  marlo::script s;
  s.bodies[kSetupFn] = marlo::encode_reply(failed, marlo::byte_order{false});
  s.bodies[kErrorlogFn] = marlo::encode_reply(erlg, marlo::byte_order{false});
  start(std::move(s));
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  zk::request prepare{"SET "};
  prepare.statement("SELECT C1 FROM T1");
  prepare.exsql();
  EXPECT_EQ(prepare.sqlcode(), -204);
  // The SQLCA is the statement's, not the fetch's.
  EXPECT_EQ(prepare.message(), "KFPA11204-E T1 not found");

  const std::vector<marlo::request> seen = after_connect();
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen[0].form, "shm");
  EXPECT_EQ(seen[1].form, "shm_notice");
  EXPECT_EQ(seen[2].function, kErrorlogFn);
  EXPECT_TRUE(is_socket_form(seen[2]));
  std::ifstream in(dir.file("pderr1.trc"));
  std::stringstream content;
  content << in.rdbuf();
  const std::string logtext = content.str();
  const size_t line = logtext.find(">>");
  ASSERT_NE(line, std::string::npos) << logtext;
  EXPECT_NE(logtext.find("\n" + text + "\n", line), std::string::npos) << logtext;

  // Each such request fetches its own text.
  zk::request again{"SET "};
  again.statement("SELECT C1 FROM T1");
  again.exsql();
  const std::vector<marlo::request> later = after_connect();
  EXPECT_EQ(std::count_if(later.begin(), later.end(), [](const marlo::request& q) { return q.function == kErrorlogFn; }),
            2);
}

// The socket trace shows each exchange of the channel: the signal with
// the request's bytes, the wait with the reply's.
std::vector<wire::soc_record>& soc_records() {
  static std::vector<wire::soc_record> records;
  return records;
}
void capture_soc(int32_t call, int32_t phase, int32_t error, int32_t sock, int32_t length, int32_t, const void*,
                 int32_t) {
  soc_records().push_back({call, phase, error, sock, length});
}

TEST_F(Channel, TheSocketTraceShowsTheSignalAndTheWaitOfEachExchange) {
  setenv("PDTRCSOC", "8192", 1);
  // The trace files go to the test's folder.
  setenv("PDCLTPATH", dir.path.c_str(), 1);
  const clt_log_writers old = clt_log_set_writers(clt_log_writers{nullptr, capture_soc});
  soc_records().clear();
  start();
  zk::request cnct{"CNCT"};
  ASSERT_EQ(connect(cnct), 0) << cnct.message();
  zk::request commit{"CMIT"};
  EXPECT_EQ(commit.exsql(), 0) << commit.message();
  clt_log_set_writers(old);
  unsetenv("PDTRCSOC");
  const std::vector<marlo::request> seen = after_connect();
  ASSERT_FALSE(seen.empty());
  const uint32_t total = static_cast<uint32_t>(seen[0].message.size());
  std::vector<std::pair<int32_t, int32_t>> shm_calls;
  for (const wire::soc_record& r : soc_records()) {
    if (r.call == CLT_SOC_SHM_SIGNAL || r.call == CLT_SOC_SHM_WAIT) {
      shm_calls.emplace_back(r.call, r.phase);
      if (r.call == CLT_SOC_SHM_SIGNAL && r.phase == 1) {
        EXPECT_EQ(static_cast<uint32_t>(r.length), total);
      }
      if (r.call == CLT_SOC_SHM_WAIT && r.phase == 2) {
        EXPECT_GE(r.length, 64);
      }
    }
  }
  const std::vector<std::pair<int32_t, int32_t>> expected = {
      {CLT_SOC_SHM_SIGNAL, 1}, {CLT_SOC_SHM_SIGNAL, 2}, {CLT_SOC_SHM_WAIT, 1}, {CLT_SOC_SHM_WAIT, 2}};
  EXPECT_EQ(shm_calls, expected);
}

}  // namespace
