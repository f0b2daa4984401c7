// CONNECT through p_rdb_exsql against the Marlo test server: the server
// found from the settings, the reply taken into the control block, the
// code-set check, the retries and the next host, the checks of the reply,
// and the executor frame on the connection CONNECT leaves.
#include <dlfcn.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "CLTSQLAN.h"
#include "CLTSQLEX.h"
#include "CLTSQLSC.h"
#include "clt_cnv.h"
#include "cltclock.h"
#include "conversion_support.h"
#include "marlo_fetch.h"
#include "marlo_server.h"
#include "wire_support.h"
#include "zk_harness.h"
#include "zk_wiring.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr uint32_t kPid = 777;
constexpr uint32_t kLevel26 = ~26u;
constexpr uint32_t kConnectionNumber = 0x1234;
constexpr int32_t kFuncCommit = 10;
constexpr int32_t kStatusMaxUsers = -892;  // RPC status: too many users
constexpr char kCompleted[] = "KFPA12000-I Processing of SQL completed";

const std::vector<const char*> kSettings = {
    "PDMEMTRCFILE", "PDHOST",         "PDFESHOST",      "PDSERVICEGRP", "PDSERVICEPORT", "PDNAMEPORT",
    "PDFESGRP",     "PDCLTCNVMODE",   "PDCLTOPTIONSTR", "PDRETRYCOUNT", "PDUSER",        "PDCWAITTIME",
    "PDCONNECTWAITTIME", "PDCNCTRTYCOUNT", "PDRETRYINTERVAL", "PDHATRNQUEUING", "PDSRVTYPE",
};

int32_t complete(const uint8_t* body, uint32_t received, rdb_sql_area* area) {
  return clt_reply_complete(area->sqlca, body, received);
}

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

std::unique_ptr<marlo::server> start(marlo::script s) {
  if (s.services.empty()) s.services.push_back(kGroup);
  auto server = std::make_unique<marlo::server>(std::move(s));
  EXPECT_TRUE(server->ok());
  return server;
}

// The size of the DISCONNECT trace area that the server announces.
constexpr uint32_t kDiscAreaSize = 400;

marlo::script accepting(const char* code_set = "1j", const char* version = "07-02-00", uint16_t space = 0) {
  marlo::script s;
  std::vector<uint8_t> body = marlo::connect_body(false, code_set, version, kPid, kLevel26, space);
  const uint32_t info = (uint32_t{body[28]} << 24) | (uint32_t{body[29]} << 16) | (uint32_t{body[30]} << 8) | body[31];
  for (int i = 0; i < 4; ++i) body[info + 28 + i] = static_cast<uint8_t>(kDiscAreaSize >> (24 - 8 * i));
  s.bodies[kConnectFn] = body;
  return s;
}

int count(const marlo::server& server, const std::string& function) {
  int n = 0;
  for (const marlo::request& r : server.requests()) n += r.function == function;
  return n;
}

class Connect : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  zk::request r{"CNCT"};
  clt_exec_services saved_exec = clt_exec_svc;

  void SetUp() override {
    for (const char* name : kSettings) unsetenv(name);
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    // Refused connections are retried after the shortest interval.
    setenv("PDRETRYINTERVAL", "30", 1);
    setenv("PDCWAITTIME", "40", 1);
    setenv("PDCONNECTWAITTIME", "40", 1);
    sa_set_round_us(wire::kRoundUs);
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
  }

  void TearDown() override {
    zk::context_scope context;
    if (clt_global.main != nullptr) {
      clt_close_link(&r.area);
      clt_last_call_term(&r.area);
    }
    clt_exec_svc = saved_exec;
    sa_set_round_us(0);
    for (const char* name : kSettings) unsetenv(name);
  }

  // Front-end hosts on loopback at the servers' name ports.
  void front_ends(const std::vector<uint16_t>& ports) {
    std::string list;
    for (uint16_t p : ports) list += (list.empty() ? "" : ",") + std::string("127.0.0.1:") + std::to_string(p);
    setenv("PDFESHOST", list.c_str(), 1);
  }

  clt_main* main() const { return clt_global.main; }
};

TEST_F(Connect, CompletesAgainstTheServerAndKeepsWhatItSays) {
  auto server = start(accepting());
  front_ends({server->name_port()});
  // An audit item given before the connection goes with the next request.
  clt_global.audit[0].length = 3;
  EXPECT_EQ(r.exsql(), 0) << r.message();
  EXPECT_EQ(clt_global.audit[0].set, 1);
  EXPECT_EQ(clt_global.audit[1].set, 0);
  EXPECT_EQ(clt_global.audit_long.set, 0);
  EXPECT_EQ(r.sqlcode(), 0);
  EXPECT_EQ(r.message(), kCompleted);
  EXPECT_EQ(r.sqlstate(), "00000");
  ASSERT_NE(main(), nullptr);
  EXPECT_EQ(main()->connected, 1);
  EXPECT_EQ(main()->session_open, 1);
  EXPECT_EQ(static_cast<uint32_t>(main()->srv_level), kLevel26);
  EXPECT_EQ(std::string(main()->srv_version, 8), "07-02-00");
  EXPECT_EQ(std::string(main()->srv_codeset, 2), "1j");
  EXPECT_EQ(main()->cnct_number, kConnectionNumber);
  EXPECT_EQ(main()->srv_pid, kPid);
  EXPECT_EQ(main()->disc_area_size, kDiscAreaSize);
  EXPECT_EQ(main()->funccode, 13);
  EXPECT_EQ(clt_main_rpc(main())->direct, 'Y');
  EXPECT_EQ(clt_main_com(main())->features & 0x01, 0x01);
  EXPECT_EQ(clt_global.connected_before, 1);
  EXPECT_EQ(clt_global.runtime.cur_req, nullptr);
  // The mark of the server's SQLCA identifier "SQLCA  S".
  EXPECT_EQ(clt_main_reply(main())->sqlca_mark, 'S');

  // The request is the CONNECT packet of the caller's identity.
  ASSERT_EQ(count(*server, kConnectFn), 1);
  const std::vector<uint8_t> golden = wire::fixture_hex("connect_be.hex");
  std::vector<uint8_t> sent;
  for (const marlo::request& q : server->requests()) {
    if (q.function == kConnectFn) sent = q.data;
  }
  ASSERT_GE(sent.size(), 150u);
  EXPECT_EQ(std::vector<uint8_t>(sent.begin(), sent.begin() + 8), std::vector<uint8_t>(golden.begin(), golden.begin() + 8));
  EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 90, sent.begin() + 150),
            std::vector<uint8_t>(golden.begin() + 90, golden.begin() + 150));
}

// PDSRVTYPE "PC": the server uses the client's byte order both ways.
TEST_F(Connect, AServerInTheClientsByteOrder) {
  setenv("PDSRVTYPE", "PC", 1);
  marlo::script s;
  s.little_endian = true;
  s.bodies[kConnectFn] = marlo::connect_body(true, "1j", "07-02-00", kPid, kLevel26);
  auto server = start(s);
  front_ends({server->name_port()});
  EXPECT_EQ(r.exsql(), 0) << r.message();
  ASSERT_NE(main(), nullptr);
  EXPECT_EQ(main()->byteorder, 1);
  EXPECT_EQ(static_cast<uint32_t>(main()->srv_level), kLevel26);
  EXPECT_EQ(main()->srv_pid, kPid);
  std::vector<uint8_t> sent;
  for (const marlo::request& q : server->requests()) {
    if (q.function == kConnectFn) sent = q.data;
  }
  ASSERT_GE(sent.size(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(sent.begin(), sent.begin() + 4), (std::vector<uint8_t>{0xE5, 0xFF, 0xFF, 0xFF}));
}

TEST_F(Connect, ARefusingServerLeavesItsSqlcaAndNoLink) {
  marlo::script s;
  s.bodies[kConnectFn] = marlo::reply_body(false, -554, "28000", "KFPA11554-E Invalid authorization identifier");
  auto server = start(s);
  front_ends({server->name_port()});
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -554);
  EXPECT_EQ(r.message(), "KFPA11554-E Invalid authorization identifier");
  EXPECT_EQ(r.sqlstate(), "28000");
  if (main() != nullptr) {
    EXPECT_EQ(main()->session_open, 0);
    EXPECT_EQ(main()->connected, 0);
  }
  EXPECT_EQ(clt_global.connected_before, 0);
}

// The next front-end host is tried after a transport failure only.
TEST_F(Connect, TheNextHostAfterAnUnreachableServerButNotAfterARefusal) {
  struct row {
    bool first_down;
    int32_t sqlcode;
    int second_requests;
  };
  for (const row& t : {row{true, 0, 1}, row{false, -554, 0}}) {
    SCOPED_TRACE(t.first_down);
    marlo::script refusing;
    refusing.bodies[kConnectFn] = marlo::reply_body(false, -554, "28000", "KFPA11554-E refused");
    auto first = start(refusing);
    auto second = start(accepting());
    const uint16_t first_port = t.first_down ? wire::refused_port() : first->name_port();
    front_ends({first_port, second->name_port()});
    r.exsql();
    EXPECT_EQ(r.sqlcode(), t.sqlcode) << r.message();
    EXPECT_EQ(count(*second, kConnectFn), t.second_requests);
    zk::context_scope context;
    if (clt_global.main != nullptr) {
      clt_close_link(&r.area);
      clt_last_call_term(&r.area);
    }
  }
}

TEST_F(Connect, CodeSetOfTheServerAgainstTheConversionMode) {
  struct row {
    const char* mode;
    const char* server_code;
    int32_t sqlcode;
    std::string message;
    uint8_t mode_after;
  };
  std::vector<row> rows = {
      {"UCS2_HJ", "9x", -1802, "KFPA19802-E Incompatible character code set,Marlo=UNKNOWN, PDCLTCNVMODE=UCS2_HJ", 0},
      {"AUTO", "3j", 0, kCompleted, 2},
      {"AUTO", "5u", 0, kCompleted, 6},
      {"AUTO", "1j", 0, kCompleted, 0},
  };
  // Each UCS-2 mode against every server code set but its own.
  struct code_set {
    const char* code;
    const char* name;
  };
  const code_set kCodeSets[] = {{"1j", "SJIS"}, {"2j", "UJIS"},   {"3j", "EUC-HJ"},
                                {"5u", "UTF-8"}, {"0a", "LANG-C"}, {"zz", "UNKNOWN"}};
  const code_set kUcs2Modes[] = {{"5u", "UCS2_UTF8"}, {"2j", "UCS2_UJIS"}, {"3j", "UCS2_HJ"}};
  for (const code_set& mode : kUcs2Modes) {
    for (const code_set& server : kCodeSets) {
      if (std::string(server.code) == mode.code) continue;
      rows.push_back({mode.name, server.code, -1802,
                      std::string("KFPA19802-E Incompatible character code set,Marlo=") + server.name +
                          ", PDCLTCNVMODE=" + mode.name,
                      0});
    }
  }
  for (const row& t : rows) {
    SCOPED_TRACE(std::string(t.mode) + " " + t.server_code);
    setenv("PDCLTCNVMODE", t.mode, 1);
    auto server = start(accepting(t.server_code));
    front_ends({server->name_port()});
    EXPECT_EQ(r.exsql(), t.sqlcode != 0 ? CLT_RC_ERROR : 0);
    EXPECT_EQ(r.sqlcode(), t.sqlcode);
    EXPECT_EQ(r.message(), t.message);
    zk::context_scope context;
    if (t.sqlcode != 0) {
      // Refused on our side: no link stays open.
      EXPECT_TRUE(main() == nullptr || main()->session_open == 0);
    } else {
      ASSERT_NE(main(), nullptr);
      EXPECT_EQ(clt_main_env(main())->pdcltcnvmode, t.mode_after);
    }
    if (clt_global.main != nullptr) {
      clt_close_link(&r.area);
      clt_last_call_term(&r.area);
    }
  }
}

// The national space each server sends: SJIS, EUC, the head of UTF-8's
// three bytes, and a blank pair.
uint16_t national_space(const char* code_set) {
  const std::string c = code_set;
  if (c == "1j") return 0x8140;
  if (c == "2j" || c == "3j") return 0xA1A1;
  if (c == "5u") return 0xE380;
  return 0x2020;
}

TEST_F(Connect, EveryModeSetsBothSlotsAndKeepsTheNationalSpace) {
  struct slot_row {
    uint32_t type;
    uint16_t replacement;
    uint32_t flags;
  };
  struct row {
    const char* mode;
    const char* server_code;
    uint8_t mode_after;
    slot_row client, server;
    uint32_t factor;
    uint16_t space;  // as kept, high byte first
  };
  const slot_row kSjisEuc{6, 0xA1F4, 0}, kEucSjis{7, 0x8194, 0};
  const slot_row kSjisUtf8{10, 0xFF03, 0}, kUtf8Sjis{11, 0x8194, 0};
  const slot_row kSjisUtf8Ms{10, 0xFF03, 0x100}, kUtf8SjisMs{11, 0x8194, 0x100};
  const slot_row kUcs2Euc{14, 0xA1F4, 0}, kEucUcs2{15, 0xFF03, 0};
  const row rows[] = {
      {"NOUSE", "1j", 0, kSjisEuc, kEucSjis, 1, 0x8140},
      // Only the UCS-2 modes hold the server to a code set.
      {"EUCHJ", "5u", 2, kSjisEuc, kEucSjis, 3, 0x8194},
      {"AUTO", "3j", 2, kSjisEuc, kEucSjis, 3, 0x8140},
      {"AUTO", "2j", 3, kSjisEuc, kEucSjis, 3, 0x8140},
      {"AUTO", "5u", 6, kSjisUtf8, kUtf8Sjis, 3, 0x8194},
      {"AUTO", "1j", 0, kSjisEuc, kEucSjis, 1, 0x8140},
      {"AUTO", "0a", 0, kSjisEuc, kEucSjis, 1, 0x2020},
      {"AUTO", "zz", 0, kSjisEuc, kEucSjis, 1, 0x2020},
      {"EUCHJ", "3j", 2, kSjisEuc, kEucSjis, 3, 0x8140},
      {"UJIS", "2j", 3, kSjisEuc, kEucSjis, 3, 0x8140},
      {"EUCHJ2", "3j", 4, kSjisEuc, kEucSjis, 3, 0x8140},
      {"UJIS2", "2j", 5, kSjisEuc, kEucSjis, 3, 0x8140},
      {"UTF8", "5u", 6, kSjisUtf8, kUtf8Sjis, 3, 0x8194},
      {"UTF8MS", "5u", 7, kSjisUtf8Ms, kUtf8SjisMs, 3, 0x8194},
      {"UTF8_TXT", "5u", 8, kSjisUtf8, kUtf8Sjis, 1, 0xE380},
      {"UTF8MS_TXT", "5u", 9, kSjisUtf8Ms, kUtf8SjisMs, 1, 0xE380},
      {"UCS2_UTF8", "5u", 10, {12, 0xFF03, 0}, {13, 0xFF03, 0}, 1, 0xE380},
      {"UCS2_UJIS", "2j", 11, kUcs2Euc, kEucUcs2, 1, 0xA1A1},
      {"UCS2_HJ", "3j", 12, kUcs2Euc, kEucUcs2, 1, 0xA1A1},
      {"UTF8_EX", "5u", 13, {10, 0xFF03, 0x200}, {11, 0x8194, 0x200}, 3, 0x8194},
      {"UTF8_EX2", "5u", 14, kSjisUtf8, {11, 0x8194, 0x200}, 3, 0x8194},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(std::string(t.mode) + " " + t.server_code);
    setenv("PDCLTCNVMODE", t.mode, 1);
    auto server = start(accepting(t.server_code, "07-02-00", national_space(t.server_code)));
    front_ends({server->name_port()});
    EXPECT_EQ(r.exsql(), 0);
    EXPECT_EQ(r.sqlcode(), 0) << r.message();
    zk::context_scope context;
    ASSERT_NE(main(), nullptr);
    const clt_env* env = clt_main_env(main());
    EXPECT_EQ(env->pdcltcnvmode, t.mode_after);
    const slot_row* expected[] = {&t.client, &t.server};
    for (int i = 0; i < CLT_CNV_SLOTS; ++i) {
      const clt_cnv_slot& slot = env->cnv_slot[i];
      EXPECT_EQ(env->cnv_state[i], 1u);
      EXPECT_EQ(slot.type, expected[i]->type) << "slot " << i + 1;
      EXPECT_EQ(slot.replacement, expected[i]->replacement) << "slot " << i + 1;
      EXPECT_EQ(slot.flags, expected[i]->flags) << "slot " << i + 1;
      EXPECT_EQ(slot.single_replacement, '#');
      EXPECT_EQ(slot.convert, 1u);
    }
    EXPECT_EQ(env->cnv_slot[0].factor, 1u);
    EXPECT_EQ(env->cnv_slot[1].factor, t.factor);
    EXPECT_EQ(main()->national_space[0] << 8 | main()->national_space[1], t.space);
    EXPECT_EQ(clt_global.msgconv == 'Y', clt_cnv_ucs2_mode(t.mode_after));
    clt_close_link(&r.area);
    clt_last_call_term(&r.area);
  }
}

TEST_F(Connect, DirectFrameFromServerVersion0702UnlessOptionP) {
  struct row {
    const char* version;
    const char* options;
    char direct;
  };
  for (const row& t : {row{"07-01-00", "", 0}, row{"07-02-00", "", 'Y'}, row{"08-00-00", "", 'Y'},
                       row{"07-02-00", "P", 0}}) {
    SCOPED_TRACE(std::string(t.version) + " " + t.options);
    setenv("PDCLTOPTIONSTR", t.options, 1);
    auto server = start(accepting("1j", t.version));
    front_ends({server->name_port()});
    r.exsql();
    ASSERT_EQ(r.sqlcode(), 0) << r.message();
    zk::context_scope context;
    EXPECT_EQ(clt_main_rpc(main())->direct, t.direct);
    clt_close_link(&r.area);
    clt_last_call_term(&r.area);
  }
}

TEST_F(Connect, MalformedFrontEndGroupFailsBeforeAnyServerIsAsked) {
  auto server = start(accepting());
  setenv("PDFESGRP", ("127.0.0.1:" + std::string(kGroup)).c_str(), 1);
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -724);
  EXPECT_EQ(r.message(), "KFPA11724-E Environment definition error, variable=PDFESGRP, reason=INVALID CHAR");
  EXPECT_EQ(count(*server, kConnectFn), 0);
}

TEST_F(Connect, FrontEndGroupNamesHostGroupAndPort) {
  auto server = start(accepting());
  unsetenv("PDSERVICEGRP");
  setenv("PDNAMEPORT", std::to_string(server->name_port()).c_str(), 1);
  setenv("PDFESGRP", ("nowhere.invalid:grp:" + std::to_string(server->name_port()) + ",127.0.0.1:" +
                      std::string(kGroup) + ":" + std::to_string(server->name_port())).c_str(), 1);
  EXPECT_EQ(r.exsql(), 0) << r.message();
  EXPECT_EQ(count(*server, kConnectFn), 1);
  zk::context_scope context;
  EXPECT_EQ(clt_main_com(main())->fes_group_index, 0u);
  EXPECT_STREQ(clt_main_env(main())->pdservicegrp, kGroup);
}

TEST_F(Connect, TooManyUsersIsRetriedUpToPdretrycountAttempts) {
  struct row {
    const char* retries;
    int attempts;
  };
  for (const row& t : {row{"0", 1}, row{"1", 1}, row{"3", 3}}) {
    SCOPED_TRACE(t.retries);
    setenv("PDRETRYCOUNT", t.retries, 1);
    marlo::script s = accepting();
    s.status = static_cast<uint32_t>(kStatusMaxUsers);
    auto server = start(s);
    front_ends({server->name_port()});
    r.exsql();
    EXPECT_EQ(r.sqlcode(), -932) << r.message();
    EXPECT_EQ(count(*server, kConnectFn), t.attempts);
    zk::context_scope context;
    if (clt_global.main != nullptr) clt_last_call_term(&r.area);
  }
}

// The host list, the default way: an unreachable host is passed over and
// the next one keeps the connection.
TEST_F(Connect, HostListTriesTheNextHost) {
  auto server = start(accepting());
  // The test server listens on 127.0.0.1 only; 127.0.0.2 refuses.
  setenv("PDHOST", "127.0.0.2,127.0.0.1", 1);
  setenv("PDNAMEPORT", std::to_string(server->name_port()).c_str(), 1);
  setenv("PDSERVICEPORT", std::to_string(server->sql_port()).c_str(), 1);
  EXPECT_EQ(r.exsql(), 0) << r.message();
  zk::context_scope context;
  ASSERT_NE(main(), nullptr);
  EXPECT_STREQ(clt_main_env(main())->pdhost, "127.0.0.1");
  EXPECT_EQ(clt_main_com(main())->loopback, 1);
  EXPECT_EQ(count(*server, kConnectFn), 1);
}

// While the server has too many users, CONNECT waits as long as the
// server asks, a second at a time, and tries again.
class MaxUsersWait : public Connect {
 protected:
  static inline int64_t seconds_ = 1000000;
  static void now(clt_clock_reading* out) {
    out->seconds = seconds_;
    out->milliseconds = 0;
  }
  static void sleep(uint32_t ms) { seconds_ += ms / 1000; }
  std::vector<std::string>& log = zk::errlog_lines();

  void SetUp() override {
    Connect::SetUp();
    static const clt_clock_ops ops{now, sleep};
    clt_clock_install(&ops);
    clt_svc.errlog_vmsg = zk::capture_errlog;
    log.clear();
  }
  void TearDown() override {
    clt_clock_install(nullptr);
    Connect::TearDown();
  }
  bool logged(const std::string& text) const {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
};

TEST_F(MaxUsersWait, WaitsAsTheServerAsksAndEndsWithTimeOverAtThePdcwaittimeLimit) {
  struct row {
    const char* cwait;
    const char* queuing;
    int32_t sqlcode;
    int attempts;
  };
  // The server asks for 3 seconds: one attempt, then one a second.
  const row rows[] = {{"3", "", -732, 4}, {"0", "", -932, 4}, {"3", "NO", -932, 1}};
  for (const row& t : rows) {
    SCOPED_TRACE(std::string(t.cwait) + " " + t.queuing);
    setenv("PDRETRYCOUNT", "1", 1);
    setenv("PDCWAITTIME", t.cwait, 1);
    if (t.queuing[0] != '\0') setenv("PDHATRNQUEUING", t.queuing, 1);
    marlo::script s = accepting();
    s.status = static_cast<uint32_t>(kStatusMaxUsers);
    s.retry_wait = 3;
    auto server = start(s);
    front_ends({server->name_port()});
    log.clear();
    r.exsql();
    EXPECT_EQ(r.sqlcode(), t.sqlcode) << r.message();
    EXPECT_EQ(count(*server, kConnectFn), t.attempts);
    EXPECT_EQ(logged("KFPZ02445-I Client information, Type=Reconnect, Inf=MAX_USERS_OVER,time=3"), t.attempts > 1);
    zk::context_scope context;
    if (clt_global.main != nullptr) clt_last_call_term(&r.area);
  }
  unsetenv("PDHATRNQUEUING");
}

// Replies whose directory is empty or whose parts lie outside the reply.
TEST_F(Connect, InconsistentRepliesAreRefusedAndCloseTheLink) {
  const std::vector<uint8_t> good = marlo::connect_body(false, "1j", "07-02-00", kPid, kLevel26);
  auto with = [&](uint32_t offset, uint32_t value) {
    std::vector<uint8_t> b = good;
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
    return b;
  };
  const std::vector<std::vector<uint8_t>> bodies = {
      with(8, 0),                                        // no status part
      with(12, 0),                                       // no SQLCA part
      with(8, static_cast<uint32_t>(good.size()) - 4),   // status part cut by the end
      with(28, static_cast<uint32_t>(good.size()) - 8),  // connection information cut by the end
      with(28, static_cast<uint32_t>(good.size()) - 28), // no room for the DISCONNECT area size
      with(28, 0),                                       // no connection information
  };
  for (size_t i = 0; i < bodies.size(); ++i) {
    SCOPED_TRACE(i);
    marlo::script s;
    s.bodies[kConnectFn] = bodies[i];
    auto server = start(s);
    front_ends({server->name_port()});
    r.exsql();
    EXPECT_EQ(r.sqlcode(), -733);
    EXPECT_EQ(r.tokens().front().rfind("KFPA11733-E Error occurred in Marlo, inf1=CLTSQLEX, inf2=", 0), 0u)
        << r.message();
    zk::context_scope context;
    EXPECT_TRUE(main() == nullptr || main()->session_open == 0);
    if (clt_global.main != nullptr) clt_last_call_term(&r.area);
  }
}

TEST_F(Connect, WithoutTheBuffersNothingIsSent) {
  auto server = start(accepting());
  front_ends({server->name_port()});
  // The binding ran but made no request buffer.
  clt_exec_svc.bind_input = [](rdb_sql_area*) { return 0; };
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -729);
  EXPECT_EQ(r.message(), "KFPA11729-E Insufficient memory on PROCESS, size=0");
  // Nothing sizes the buffers at all.
  clt_exec_svc.bind_input = nullptr;
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -720);
  EXPECT_EQ(count(*server, kConnectFn), 0);
}

TEST_F(Connect, FrameCarriesARequestOverTheConnection) {
  marlo::script s = accepting();
  auto server = start(s);
  front_ends({server->name_port()});
  ASSERT_EQ(r.exsql(), 0) << r.message();

  zk::context_scope context;
  zk::request commit{"CMIT"};
  main()->area = &commit.area;
  main()->funccode = kFuncCommit;
  EXPECT_EQ(clt_exec_frame(&commit.area, clt_req_control, complete), 0) << commit.message();
  EXPECT_EQ(commit.sqlcode(), 0);
  EXPECT_EQ(commit.message(), kCompleted);
  EXPECT_EQ(clt_global.runtime.cur_req, nullptr);
  // The direct frame that CONNECT switched on carries it.
  const marlo::request last = server->requests().back();
  EXPECT_EQ(last.form, "frame");
  EXPECT_EQ(last.function, "p_f_sqa_ccommit");
  ASSERT_GE(last.data.size(), 4u);
  EXPECT_EQ(std::vector<uint8_t>(last.data.begin(), last.data.begin() + 4), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xE5}));
}

// Server messages reach the SQLCA in the client's code, the original kept
// for the application error log.
TEST_F(Connect, ServerMessagesAreConvertedForTheClient) {
  constexpr char kCommitFn[] = "p_f_sqa_ccommit";
  constexpr int32_t kServerError = -204;
  struct row {
    const char* mode;
    const char* server_code;
    std::string message;   // in the server's code
    std::string expected;  // in the client's
  };
  const std::string head = "KFPA11204-E ";
  const row rows[] = {
      {"NOUSE", "1j", head + "\x82\xA0", head + "\x82\xA0"},
      {"EUCHJ", "3j", head + "\xA4\xA2\x8E\xB1", head + "\x82\xA0\xB1"},
      {"UTF8", "5u", head + "\xE3\x81\x82", head + "\x82\xA0"},
      {"UCS2_UJIS", "2j", "AB\xA4\xA2", std::string("A\0B\0\x42\x30", 6)},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.mode);
    setenv("PDCLTCNVMODE", t.mode, 1);
    marlo::script s = accepting(t.server_code);
    s.bodies[kCommitFn] = marlo::reply_body(false, kServerError, "42000", t.message);
    auto server = start(s);
    front_ends({server->name_port()});
    ASSERT_EQ(r.exsql(), 0) << r.message();
    zk::request commit{"CMIT"};
    commit.exsql();
    EXPECT_EQ(commit.sqlcode(), kServerError);
    EXPECT_EQ(cnv::show(cnv::bytes(commit.sqlca.sqlerrmc, commit.sqlca.sqlerrmc + commit.sqlca.sqlerrml)),
              cnv::show(cnv::bytes(t.expected.begin(), t.expected.end())));
    {
      zk::context_scope context;
      ASSERT_NE(main(), nullptr);
      if (std::string(t.mode) != "NOUSE") {
        EXPECT_EQ(std::string(main()->msg_copy, main()->msg_copy_length), t.message);
      }
    }
    zk::request disc{"DISC"};
    EXPECT_EQ(disc.exsql(), 0) << disc.message();
  }
}

// The external-character library: loaded at CONNECT, released at
// DISCONNECT; one that cannot be loaded is logged and CONNECT goes on.
TEST_F(Connect, TheExternalCharacterLibraryLivesFromConnectToDisconnect) {
  zk_wire_services();
  clt_svc.errlog_vmsg = zk::capture_errlog;
  struct row {
    const char* dll;
    const char* function;
    const char* logged;  // the failed call, or null
  };
  const row rows[] = {{ZK_GAIJI_FIXTURE, "convert", nullptr},
                      {"/nonexistent/libgaiji.so", "convert", "LoadLibrary"},
                      {ZK_GAIJI_FIXTURE, "no_such_function", "GetProcAddress"}};
  for (const row& t : rows) {
    SCOPED_TRACE(t.function);
    zk::errlog_lines().clear();
    setenv("PDCLTCNVMODE", "EUCHJ", 1);
    setenv("PDCLTGAIJIDLL", t.dll, 1);
    setenv("PDCLTGAIJIFUNC", t.function, 1);
    auto server = start(accepting("3j"));
    front_ends({server->name_port()});
    ASSERT_EQ(r.exsql(), 0) << r.message();
    {
      zk::context_scope context;
      const clt_env* env = clt_main_env(main());
      EXPECT_EQ(env->gaiji_func != nullptr, t.logged == nullptr);
      int logged = 0;
      for (const std::string& line : zk::errlog_lines()) {
        if (line.rfind("KFPZ02405-E System call error, func=", 0) == 0) {
          ++logged;
          EXPECT_NE(line.find(std::string("func=") + t.logged + ", errno="), std::string::npos) << line;
        }
      }
      EXPECT_EQ(logged, t.logged == nullptr ? 0 : 1);
    }
    zk::request disc{"DISC"};
    disc.exsql();
    zk::context_scope context;
    if (main() != nullptr) {
      EXPECT_EQ(clt_main_env(main())->gaiji_handle, nullptr);
      EXPECT_EQ(clt_main_env(main())->gaiji_func, nullptr);
    }
    EXPECT_EQ(dlopen(ZK_GAIJI_FIXTURE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded after DISCONNECT";
  }
  // A connection whose block ends without DISCONNECT lets the library go too.
  setenv("PDCLTGAIJIFUNC", "convert", 1);
  setenv("PDCLTGAIJIDLL", ZK_GAIJI_FIXTURE, 1);
  auto server = start(accepting("3j"));
  front_ends({server->name_port()});
  ASSERT_EQ(r.exsql(), 0) << r.message();
  {
    zk::context_scope context;
    clt_close_link(&r.area);
    clt_last_call_term(&r.area);
  }
  EXPECT_EQ(dlopen(ZK_GAIJI_FIXTURE, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded after the block ended";
  unsetenv("PDCLTGAIJIDLL");
  unsetenv("PDCLTGAIJIFUNC");
}


TEST_F(Connect, TheTypeListIsKeptWithItsLengthsInTheClientsOrder) {
  for (bool le : {false, true}) {
    SCOPED_TRACE(le);
    if (le) setenv("PDSRVTYPE", "PC", 1);
    marlo::script s;
    s.little_endian = le;
    s.bodies[kConnectFn] = marlo::connect_body_with_types(le, "1j", kLevel26, {{"MASTER", "UTF-16LE", {0x20, 0x00}},
                                                                             {"OWNER1", "TYPE_A", {0x81, 0x40}}});
    auto server = start(s);
    front_ends({server->name_port()});
    ASSERT_EQ(r.exsql(), 0) << r.message();
    const uint8_t* list = clt_main_reply(main())->type_list;
    ASSERT_NE(list, nullptr);
    auto u16 = [&](size_t at) {
      uint16_t v;
      memcpy(&v, list + at, 2);
      return v;
    };
    EXPECT_EQ(u16(0), 2);
    EXPECT_EQ(u16(2), 6);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(list) + 4, 6), "MASTER");
    EXPECT_EQ(u16(2 + 32), 8);
    EXPECT_EQ(u16(2 + 64), 2);
    EXPECT_EQ(list[2 + 66], 0x20);
    EXPECT_EQ(list[2 + 67], 0x00);
    EXPECT_EQ(u16(2 + 80 + 64), 2);
    EXPECT_EQ(list[2 + 80 + 66], 0x81) << "pad bytes stay as received";
    EXPECT_EQ(list[2 + 80 + 67], 0x40);
    zk::request leave{"DISC"};
    leave.exsql();
    zk::context_scope context;
    if (clt_global.main != nullptr) clt_last_call_term(&r.area);
  }
}

TEST_F(Connect, ATypeListBeyondTheReplyIsRefused) {
  marlo::script s;
  s.bodies[kConnectFn] = marlo::connect_body_with_types(false, "1j", kLevel26, {{"MASTER", "UTF-16LE", {0x20, 0x20}}}, 5);
  auto server = start(s);
  front_ends({server->name_port()});
  EXPECT_NE(r.exsql(), 0);
  EXPECT_EQ(r.sqlcode(), -733);
}

constexpr char kDisconnectFn[] = "p_f_sqa_cdisconnect";

// The status part of a scripted body, found through its directory.
uint8_t* status_part(std::vector<uint8_t>& body) {
  return body.data() + ((uint32_t{body[8]} << 24) | (uint32_t{body[9]} << 16) | (uint32_t{body[10]} << 8) | body[11]);
}

// The control block goes with the refused connection; the area keeps
// what the server said.
TEST_F(Connect, ARefusingServerGivesItsVersionUnlessItHasNone) {
  const struct {
    int32_t sqlcode;
    bool taken;
  } rows[] = {{-554, true}, {-984, false}};
  for (const auto& t : rows) {
    SCOPED_TRACE(t.sqlcode);
    marlo::script s;
    std::vector<uint8_t> body = marlo::reply_body(false, t.sqlcode, "28000", "KFPA11554-E refused");
    uint8_t* st = status_part(body);
    st[5] = 'F';
    memcpy(st + 6, "07-01-05  ", 10);
    st[29] = 0x42;
    s.bodies[kConnectFn] = body;
    auto server = start(s);
    front_ends({server->name_port()});
    memset(r.area.srvversion, 0, sizeof r.area.srvversion);
    EXPECT_EQ(r.exsql(), -10);
    EXPECT_EQ(r.area.result, 'F');
    EXPECT_EQ(std::string(r.area.srvversion, 10), t.taken ? "07-01-05  " : std::string(10, '\0'));
  }
}

TEST_F(Connect, AnAcceptingServerGivesVersionAttributeAndItsStandardSqlstateAnswer) {
  const struct {
    uint32_t level;
    uint8_t answer;
  } rows[] = {{26, 'Y'}, {25, 0}};
  for (const auto& t : rows) {
    SCOPED_TRACE(t.level);
    marlo::script s;
    std::vector<uint8_t> body = marlo::connect_body(false, "1j", "07-02-00", kPid, ~t.level);
    const uint32_t info = (uint32_t{body[28]} << 24) | (uint32_t{body[29]} << 16) | (uint32_t{body[30]} << 8) | body[31];
    body[info + 22] = 0x21;
    body[info + 36] = 'Y';
    s.bodies[kConnectFn] = body;
    auto server = start(s);
    front_ends({server->name_port()});
    r.area.mode = 'Y';
    EXPECT_EQ(r.exsql(), 0) << r.message();
    EXPECT_EQ(std::string(r.area.srvversion, 8), "07-02-00");
    EXPECT_EQ(r.area.mode, ' ') << "every executor blanks the mode byte";
    zk::context_scope context;
    ASSERT_NE(main(), nullptr);
    EXPECT_EQ(main()->srv_attr, 0x21);
    EXPECT_EQ(main()->std_sqlstate, t.answer);
    EXPECT_EQ(main()->trn_mode, 1);
    clt_close_link(&r.area);
    clt_last_call_term(&r.area);
  }
}

// The DISCONNECT reply's extension part: the trace area of the size the
// CONNECT reply announced, the length-prefixed block and the log text.
TEST_F(Connect, DisconnectKeepsTheBlocksOfItsExtensionPart) {
  marlo::script s = accepting();
  std::vector<uint8_t> body = marlo::reply_body(false, 0, "00000", "");
  const uint32_t ext = static_cast<uint32_t>(body.size());
  body.resize(ext + 12 + kDiscAreaSize + 4 + 3 + 4, 0);
  auto put = [&](uint32_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) body[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  put(28, ext);
  put(ext, 12);
  for (uint32_t i = 0; i < kDiscAreaSize; ++i) body[ext + 12 + i] = static_cast<uint8_t>(i);
  const uint32_t block = 12 + kDiscAreaSize;
  put(ext + 4, block);
  put(ext + block, 3);
  memcpy(&body[ext + block + 4], "abc", 3);
  put(ext + 8, block + 7);
  memcpy(&body[ext + block + 7], "log", 4);
  put(0, static_cast<uint32_t>(body.size()));
  s.bodies[kDisconnectFn] = body;
  auto server = start(s);
  front_ends({server->name_port()});
  ASSERT_EQ(r.exsql(), 0) << r.message();
  // The executor itself: the dispatcher releases the block after it.
  zk::request disc{"DISC"};
  zk::context_scope context;
  ASSERT_NE(main(), nullptr);
  main()->funccode = 14;
  EXPECT_EQ(clt_exec_disconnect(&disc.area), 0) << disc.message();
  EXPECT_EQ(count(*server, kDisconnectFn), 1);
  const clt_reply_conn* kept = clt_main_reply(main());
  ASSERT_NE(kept->disc_trace, nullptr);
  EXPECT_EQ(kept->disc_trace[kDiscAreaSize - 1], static_cast<uint8_t>(kDiscAreaSize - 1));
  ASSERT_NE(kept->sqltrc, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(kept->sqltrc) + 4, 3), "abc");
  EXPECT_EQ(kept->errlog_flag, 'Y');
  EXPECT_STREQ(kept->errlog_text, "log");
}

}  // namespace
