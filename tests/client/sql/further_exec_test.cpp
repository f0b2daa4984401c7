// The smaller executors through the exports against the test server:
// SET OPTION, server information, the RD-node requests, SET SESSION
// AUTHORIZATION, JAR files, EXECUTE UTL and the CCMD that follows a
// finished statement.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "CLTCLINF.h"
#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTSQLSC.h"
#include "marlo_replies.h"
#include "marlo_server.h"
#include "zk_harness.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kJarInstallFn[] = "p_f_sqa_cjar_install";
constexpr char kJarRemoveFn[] = "p_f_sqa_cjar_uninst";
constexpr char kUtlFn[] = "p_f_sqa_cexecute_utl";
constexpr char kSrvinfFn[] = "p_f_sqa_csvrinf";
constexpr uint32_t kLevel26 = ~26u;
constexpr uint32_t kBlock = 102400;
constexpr uint32_t kJarFirstBlockMark = 16;  // the first block's kind word
constexpr uint32_t kJarDataLen = 8;
constexpr uint32_t kJarKind = 4;
constexpr uint32_t kJarNameLen = 44;
constexpr uint32_t kJarName = 46;
constexpr size_t kSrvinfSize = 512;

const std::vector<const char*> kSettings = {"PDMEMTRCFILE", "PDHOST", "PDFESHOST", "PDSERVICEGRP", "PDAUTOCONNECT"};

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

uint32_t be32(const std::vector<uint8_t>& d, size_t at) {
  return uint32_t{d[at]} << 24 | uint32_t{d[at + 1]} << 16 | uint32_t{d[at + 2]} << 8 | d[at + 3];
}

class Further : public ::testing::Test {
 protected:
  zk::temp_dir dir;
  std::unique_ptr<marlo::server> server;

  void TearDown() override {
    zk::request leave{"DISC"};
    leave.exsql();
    for (const char* name : kSettings) unsetenv(name);
  }

  // Starts the server with the bodies given and connects to it.
  void connect(marlo::script s) {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    setenv("PDSERVICEGRP", kGroup, 1);
    setenv("PDHOST", "127.0.0.1", 1);
    setenv("PDAUTOCONNECT", "OFF", 1);
    s.services.push_back(kGroup);
    s.bodies[kConnectFn] = marlo::connect_body(false, "1j", "07-02-00", 777, kLevel26);
    server = std::make_unique<marlo::server>(std::move(s));
    ASSERT_TRUE(server->ok());
    setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(server->name_port())).c_str(), 1);
    zk::request r{"CNCT"};
    blank(r.area.authid, sizeof r.area.authid, "scott");
    blank(r.area.passwd, sizeof r.area.passwd, "tiger");
    blank(r.area.cnctbody, sizeof r.area.cnctbody, "");
    ASSERT_EQ(r.exsql(), 0) << r.message();
  }

  std::vector<marlo::request> seen(const std::string& function) const {
    std::vector<marlo::request> out;
    for (const marlo::request& q : server->requests()) {
      if (q.function == function) out.push_back(q);
    }
    return out;
  }

  std::string write_file(const std::string& name, size_t size) const {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>('a' + i % 23);
    std::ofstream(dir.file(name), std::ios::binary) << data;
    return data;
  }
};

TEST_F(Further, SetOptionFillsTheSqlcaAndLeavesNoOptionInTheArea) {
  connect(marlo::script{});
  zk::request r{"    "};
  EXPECT_EQ(p_rdb_setopt(1, &r.area), 0) << r.message();
  EXPECT_EQ(r.sqlcode(), 0);
  EXPECT_EQ(r.sqlstate(), "00000");
  EXPECT_EQ(r.area.optvalue, 0u);
  EXPECT_EQ(seen("p_f_sqa_csetopt").size(), 1u);
}

// The ODBC variant runs on the driver's own connection.
TEST_F(Further, OdbcSetOptionRunsOnTheDriversConnection) {
  connect(marlo::script{});
  void* handle = nullptr;
  ASSERT_EQ(p_rdb_initodbc(0, &handle), 0);
  rdb_odbc_buf odbc{};
  odbc.ctxhandle = handle;
  zk::request cnct{"CNCT"};
  blank(cnct.area.authid, sizeof cnct.area.authid, "scott");
  blank(cnct.area.passwd, sizeof cnct.area.passwd, "tiger");
  blank(cnct.area.cnctbody, sizeof cnct.area.cnctbody, "");
  ASSERT_EQ(cnct.exodbc(&odbc), 0) << cnct.message();
  zk::request r{"    "};
  EXPECT_EQ(p_rdb_odbsetopt(0, 1, &r.area, &odbc), 0) << r.message();
  EXPECT_EQ(r.sqlcode(), 0);
  EXPECT_EQ(r.area.optvalue, 0u);
  EXPECT_EQ(seen("p_f_sqa_csetopt").size(), 1u);
  zk::request leave{"DISC"};
  leave.exodbc(&odbc);
  EXPECT_EQ(p_rdb_termodbc(0, handle), 0);
}

TEST_F(Further, ServerInformationFillsExactly512BytesAndAShortPartIsRefused) {
  std::vector<uint8_t> info(kSrvinfSize);
  for (size_t i = 0; i < info.size(); ++i) info[i] = static_cast<uint8_t>(i);
  marlo::script s;
  s.bodies[kSrvinfFn] = marlo::srvinf_body(false, info);
  connect(s);
  std::vector<uint8_t> buffer(kSrvinfSize + 8, 0xEE);
  zk::request r{"    "};
  r.area.srvinfbuf = buffer.data();
  EXPECT_EQ(p_rdb_srvinf(1, &r.area), 0) << r.message();
  EXPECT_TRUE(std::equal(info.begin(), info.end(), buffer.begin()));
  EXPECT_TRUE(std::all_of(buffer.begin() + kSrvinfSize, buffer.end(), [](uint8_t b) { return b == 0xEE; }));
}

TEST_F(Further, AServerInformationPartShorterThan512BytesIsRefused) {
  marlo::script s;
  s.bodies[kSrvinfFn] = marlo::srvinf_body(false, std::vector<uint8_t>(kSrvinfSize - 1, 1));
  connect(s);
  std::vector<uint8_t> buffer(kSrvinfSize, 0xEE);
  zk::request r{"    "};
  r.area.srvinfbuf = buffer.data();
  EXPECT_EQ(p_rdb_srvinf(1, &r.area), -10);
  EXPECT_EQ(r.sqlcode(), -733);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0xEE; }));
}

// Items 9 to 11 ask the server once per connection, on an area of the
// library's own.
TEST_F(Further, ClientInformationAsksTheServerOncePerConnection) {
  std::vector<uint8_t> info(kSrvinfSize, 0);
  info[CLT_SRVINF_BYTE26] = 3;
  info[CLT_SRVINF_BYTE27] = 'Y';
  marlo::script s;
  s.bodies[kSrvinfFn] = marlo::srvinf_body(false, info);
  connect(s);
  struct row {
    int16_t item;
    int16_t length;
    uint8_t first;  // the answer's first byte
  };
  const row rows[] = {{9, 1, 3}, {10, 1, 'Y'}, {11, 4, 0}, {9, 1, 3}};
  for (const row& t : rows) {
    SCOPED_TRACE(t.item);
    uint8_t value[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    int16_t length = 0;
    EXPECT_EQ(p_rdb_get_CltInf(t.item, sizeof value, &length, value), 0);
    EXPECT_EQ(length, t.length);
    if (t.length == 1) {
      EXPECT_EQ(value[0], t.first);
    }
  }
  EXPECT_EQ(seen(kSrvinfFn).size(), 1u);
}

TEST_F(Further, RdNodeRequestsReachTheirFunctions) {
  connect(marlo::script{});
  const std::pair<const char*, const char*> cases[] = {
      {"RNCN", "p_f_sqa_ccnct_rdnode"}, {"RNDS", "p_f_sqa_cdisc_rdnode"}, {"RNSC", "p_f_sqa_cset_connect"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    zk::request r{c.first};
    EXPECT_EQ(r.exsql(), 0) << r.message();
    EXPECT_EQ(seen(c.second).size(), 1u);
  }
  zk::context_scope context;
  EXPECT_EQ(clt_main_req(clt_global.main)->connect_kind, 2);
}

// The identity the server gives back goes with the next requests.
TEST_F(Further, SessionAuthorizationKeepsTheIdentityTheServerReturns) {
  marlo::script s;
  s.bodies["p_f_sqa_cset_session"] = marlo::identity_body(false, "NEWUSER", std::vector<uint8_t>(30, 0x55));
  connect(s);
  zk::request r{"SAUH"};
  blank(r.area.authid, sizeof r.area.authid, "other");
  blank(r.area.passwd, sizeof r.area.passwd, "pw");
  EXPECT_EQ(r.exsql(), 0) << r.message();
  zk::context_scope context;
  const auto* identity = reinterpret_cast<const clt_req_identity*>(clt_global.runtime.identity);
  EXPECT_STREQ(identity->plain_id, "NEWUSER");
  EXPECT_EQ(identity->password[0], 0x55);
  EXPECT_EQ(clt_main_req(clt_global.main)->sess_auth, 'Y');
}

TEST_F(Further, JarFilesGoOutInNumberedBlocks) {
  connect(marlo::script{});
  struct row {
    const char* text;  // as the statement names it
    const char* file;
    size_t size;
    std::vector<uint32_t> blocks;
  };
  const std::string quoted = "'" + dir.file("q.jar") + "'";
  const row rows[] = {
      {"e.jar", "e.jar", 0, {}},
      {"one.jar", "one.jar", kBlock, {kBlock}},
      {"three.jar", "three.jar", 2 * kBlock + 1, {kBlock, kBlock, 1}},
      {quoted.c_str(), "q.jar", 5, {5}},
  };
  char back[PATH_MAX];
  ASSERT_NE(getcwd(back, sizeof back), nullptr);
  ASSERT_EQ(chdir(dir.path.c_str()), 0);
  for (const row& t : rows) {
    SCOPED_TRACE(t.text);
    const std::string data = write_file(t.file, t.size);
    const size_t before = seen(kJarInstallFn).size();
    zk::request r{"JARI"};
    r.statement(t.text);
    EXPECT_EQ(r.exsql(), 0) << r.message();
    std::vector<marlo::request> sent = seen(kJarInstallFn);
    sent.erase(sent.begin(), sent.begin() + static_cast<long>(before));
    ASSERT_EQ(sent.size(), t.blocks.size());
    std::string received;
    for (size_t i = 0; i < sent.size(); ++i) {
      const std::vector<uint8_t>& d = sent[i].data;
      ASSERT_GE(d.size(), 16u);
      EXPECT_EQ(be32(d, kJarKind), i == 0 ? kJarFirstBlockMark : 0u);
      EXPECT_EQ(be32(d, kJarDataLen), t.blocks[i]);
      const uint32_t at = be32(d, 12);
      received.append(reinterpret_cast<const char*>(d.data()) + at, be32(d, kJarDataLen));
      if (i == 0) {
        const uint16_t n = static_cast<uint16_t>(d[kJarNameLen] << 8 | d[kJarNameLen + 1]);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(d.data()) + kJarName, n), t.file);
      }
    }
    EXPECT_EQ(received, data);
  }
  ASSERT_EQ(chdir(back), 0);
}

TEST_F(Further, RemovalSendsOneRequestAndAMissingFileIsReportedBeforeSending) {
  connect(marlo::script{});
  zk::request remove{"JARU"};
  remove.statement(dir.file("absent.jar"));
  EXPECT_EQ(remove.exsql(), 0) << remove.message();
  EXPECT_EQ(seen(kJarRemoveFn).size(), 1u);

  for (const char* code : {"JARI", "CLIN"}) {
    SCOPED_TRACE(code);
    zk::request install{code};
    install.statement(dir.file("absent.jar"));
    EXPECT_EQ(install.exsql(), -10);
    EXPECT_EQ(install.sqlcode(), -824);
    const std::string kind = code[0] == 'J' ? "JAR" : "CLIB";
    EXPECT_EQ(install.message(), "KFPA11824-E " + kind + " file access error occurred, file name=" +
                                     dir.file("absent.jar") + ", func=open, errno=2");
  }
  EXPECT_EQ(seen(kJarInstallFn).size(), 0u);
  EXPECT_EQ(seen("p_f_sqa_clib_install").size(), 0u);
}

// The three variables of EXECUTE UTL: statement, output file, result.
struct utl_vars {
  std::vector<uint8_t> storage = std::vector<uint8_t>(offsetof(SQLDA, sqlvar) + 3 * sizeof(SQLVAR));
  uint8_t stmt[64] = {};
  uint8_t file[256] = {};
  int32_t result = -1;

  explicit utl_vars(const std::string& path) {
    SQLDA* da = get();
    da->sqln = da->sqld = 3;
    const std::string text = "UTIL";
    set(da->sqlvar[0], 0xC0, sizeof stmt - 2, stmt, text);
    set(da->sqlvar[1], 0xC0, sizeof file - 2, file, path);
    da->sqlvar[2].sqlcod = 0xF0;
    da->sqlvar[2].XDIM = 1;
    da->sqlvar[2].len.s.sqllen = 4;
    da->sqlvar[2].SQLDATA = &result;
  }
  static void set(SQLVAR& v, uint8_t code, int16_t len, uint8_t* data, const std::string& value) {
    v.sqlcod = code;
    v.XDIM = 1;
    v.len.s.sqllen = len;
    const auto n = static_cast<uint16_t>(value.size());
    memcpy(data, &n, sizeof n);
    memcpy(data + 2, value.data(), n);
    v.SQLDATA = data;
  }
  SQLDA* get() { return reinterpret_cast<SQLDA*>(storage.data()); }
};

TEST_F(Further, ExecuteUtlReplacesTheOutputFileAndGivesTheResult) {
  marlo::script s;
  const std::string output = "line 1\r\nline 2\n";
  s.bodies[kUtlFn] = marlo::eutl_body(false, 42, output);
  connect(s);
  const std::string path = dir.file("out.txt");
  std::ofstream(path) << std::string(1000, 'x');
  utl_vars vars(path);
  zk::request r{"EUTL"};
  r.area.sqliasda = vars.get();
  EXPECT_EQ(r.exsql(), 0) << r.message();
  EXPECT_EQ(vars.result, 42);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), output);
}

TEST_F(Further, ExecuteUtlIntoAnUnwritableFolderIsReported) {
  marlo::script s;
  s.bodies[kUtlFn] = marlo::eutl_body(false, 1, "text");
  connect(s);
  utl_vars vars(dir.file("missing/out.txt"));
  zk::request r{"EUTL"};
  r.area.sqliasda = vars.get();
  EXPECT_EQ(r.exsql(), -10);
  EXPECT_EQ(r.sqlcode(), -1800);
  EXPECT_EQ(r.message(), "KFPA19800-E Output file open error occurred in EXECUTE UTL statment, errno=2");
}

TEST_F(Further, AFinishedStatementContinuesWithCcmd) {
  marlo::script s;
  s.bodies["p_f_sqa_copen"] = marlo::with_status_flag(false, marlo::reply_body(false, 0, "00000", ""),
                                                      marlo::kStatusByte16, marlo::kStatusFinished);
  connect(s);
  zk::request r{"OPEN"};
  r.statement("SELECT 1");
  EXPECT_EQ(r.exsql(), 0) << r.message();
  EXPECT_EQ(seen("p_f_sqa_cccmd").size(), 1u);
  zk::request again{"OPEN"};
  again.statement("SELECT 1");
  EXPECT_EQ(again.exsql(), 0) << again.message();
  EXPECT_EQ(seen("p_f_sqa_cccmd").size(), 2u);
}

}  // namespace
