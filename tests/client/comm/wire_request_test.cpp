// Request packets: whole CONNECT packets against hex fixtures in both
// byte orders, the identity rules, and the control requests.
#include <memory>

#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "wire_support.h"
#include "zk_harness.h"

namespace {

void blank(char* field, size_t n, const char* text = "") {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

std::vector<uint8_t> comp_field(const std::string& plain) {
  std::vector<uint8_t> f(30, ' ');
  memcpy(f.data(), plain.data(), std::min<size_t>(plain.size(), 30));
  for (uint8_t& b : f) b ^= 0xFF;
  return f;
}

class WireRequest : public ::testing::Test {
 protected:
  std::vector<uint8_t> buf = std::vector<uint8_t>(2048, 0xEE);
  rdb_sql_area area{};
  SQLCA sqlca{};
  clt_main main{};
  clt_req_conn conn{};
  std::unique_ptr<clt_env> env = std::make_unique<clt_env>();
  clt_req_identity identity{};
  clt_audit_item audit[3]{};
  clt_audit_item_long audit_long{};
  std::string pduser = "pduser";
  std::string pdpassword = "pdpass";

  void SetUp() override {
    current_ = this;
    old_ = clt_req_set_locator(locate);
    area.sqlca = &sqlca;
    memcpy(area.prefix, "PRE1", 4);
    memcpy(area.reqcode, "CNCT", 4);
    blank(area.cnctbody, sizeof area.cnctbody, "BODY");
    blank(area.authid, sizeof area.authid, "scott");
    blank(area.passwd, sizeof area.passwd, "tiger");
    blank(area.rdnode, sizeof area.rdnode);
    blank(area.name1, sizeof area.name1);
    blank(area.name2, sizeof area.name2);
    area.termbyte = 2;
    area.stmtvalue = 0x01020304;
    main.funccode = 13;
    conn.sess_auth = 'N';
    conn.option_set = 'N';
    golden_settings();
    for (clt_audit_item& a : audit) a.length = 65535;
    audit_long.length = 65535;
  }
  void TearDown() override {
    clt_req_set_locator(old_);
    current_ = nullptr;
  }

  // The settings of the golden CONNECT packets.
  void golden_settings() {
    clt_env& e = *env;
    e.pderckskip = 'Y';
    e.pdswaittime = 600;
    e.pdlocklimit = 100;
    e.pdsqllvl = 3;
    e.pdisllvl = 2;
    e.pddblog = 1;
    e.pddflnval = 'N';
    memcpy(e.rdcltcode, "3j", 2);
    e.pdexwarn = 'Y';
    e.pdadditionaloptlvl = 5;
    e.pdaggr = 1024;
    e.pddlkprio = 96;
    e.pdsqloptlvl = 7;
    e.pdcltemprate = 8;
    e.pdvwoptmode = 1;
    e.pdlockskip = 'Y';
    e.pddsqlobjcache = 'N';
    e.pdplgixmk = 'Y';
    e.pdspacelvl = 3;
    e.not_given = CLT_NOTGIVEN_CWAITTIME;
    e.pdcwaittime = 99;
    e.pdplgpfsz = 0x100;
    e.pdplgpfszexp = 0x200;
    e.pdstjtrnout = 'Y';
    e.pduapreplvl = 0x05;
    e.trcctl_bits = 0x10;
    e.taapinf_on = '1';
    e.sqltrace_flag = 'Y';
    e.pdcmmtbfddl = 'N';
    e.pdhashtblsize = 8;
    e.pddbaccs = 2;
    e.pdprpcrcls = 'Y';
    e.pdhubmode = 'N';
    e.wrnpnt_short = 5;
    e.wrnpnt_sec = 10;
    e.wrnpnt_usec = 20;
    snprintf(e.pduapenvfile, sizeof e.pduapenvfile, "ENV1");
    e.wrtln_on = 'Y';
    e.pdwrtlncomsz = 1024;
    e.pdchkaryinsert = 'Y';
    e.pddborguap = 'N';
    e.pdbesconhti = 30;
    e.pdblkbuffsize = 64;
    e.pdbinaryblkf = 'Y';
    e.pdforupdateexlock = 'N';
    e.pdcnstrntname = 'L';
    e.pdbesconhold = 'Y';
    e.pdoltphpldcr = 'N';
    e.pdexcludesv = 'Y';
    e.pduapexerloguse = 'Y';
    e.pddbbuflru = 'N';
    e.pdddldeaprp = 'Y';
    e.pdsqltextsize = 4096;
    e.pdhjhashingmode = 'Y';
    e.pdgettid = 'N';
    snprintf(e.pddelrsvwdfile, sizeof e.pddelrsvwdfile, "RSV");
    e.pdrowiddatatype = 'B';
    e.pdsubstrlen = 3;
    e.pdblkfupd = 'N';
    e.pdaryerrpos = 'Y';
    e.pdcalcmdwaittime = 120;
    e.pdstandardsqlstate = 'Y';
    snprintf(e.dcservice, sizeof e.dcservice, "DCSRV1");
  }

  static inline WireRequest* current_ = nullptr;
  clt_req_locator old_ = nullptr;

  uint32_t total() const {
    return main.byteorder == 0 ? (uint32_t{buf[8]} << 24 | uint32_t{buf[9]} << 16 | uint32_t{buf[10]} << 8 | buf[11])
                               : (uint32_t{buf[11]} << 24 | uint32_t{buf[10]} << 16 | uint32_t{buf[9]} << 8 | buf[8]);
  }
  std::vector<uint8_t> built() const { return std::vector<uint8_t>(buf.begin(), buf.begin() + total()); }
  std::vector<uint8_t> at(size_t off, size_t n) const {
    return std::vector<uint8_t>(buf.begin() + static_cast<long>(off), buf.begin() + static_cast<long>(off + n));
  }

 protected:
  static clt_req_ctx without_buffer() {
    clt_req_ctx c = locate();
    c.packet = nullptr;
    return c;
  }
  static clt_req_ctx locate() {
    WireRequest* t = current_;
    clt_req_ctx c{};
    c.packet = t->buf.data();
    c.area = &t->area;
    c.main = &t->main;
    c.conn = &t->conn;
    c.env = t->env.get();
    c.apname = "myapp";
    c.pduser = t->pduser.c_str();
    c.pdpassword = t->pdpassword.c_str();
    c.identity = &t->identity;
    c.audit = t->audit;
    c.audit_long = &t->audit_long;
    c.errlog_count = 7;
    return c;
  }
};

TEST_F(WireRequest, ConnectPacketBigEndian) {
  ASSERT_EQ(clt_req_connect(), 0);
  EXPECT_EQ(built(), wire::fixture_hex("connect_be.hex"));
  EXPECT_EQ(buf[total()], 0xEE);  // nothing written past the packet
  EXPECT_STREQ(identity.plain_id, "SCOTT");
  EXPECT_EQ(std::vector<uint8_t>(identity.password, identity.password + 30), comp_field("TIGER"));
}

TEST_F(WireRequest, ConnectPacketInClientOrderWithOptionAndPlugin) {
  main.byteorder = 1;
  memcpy(area.prefix, "*RBU", 4);
  area.optvalue = 9;
  blank(area.optname, sizeof area.optname, "OPTVAL");
  env->plugin_env.length = 16;
  memcpy(env->plugin_env.items, "PLUGIN=1", 8);
  ASSERT_EQ(clt_req_connect(), 0);
  EXPECT_EQ(built(), wire::fixture_hex("connect_le_rbu_plugin.hex"));
  EXPECT_EQ(conn.option_set, 'Y');
}

TEST_F(WireRequest, ConnectWithoutOptionsIs384Bytes) {
  env->dcservice[0] = '\0';
  ASSERT_EQ(clt_req_connect(), 0);
  EXPECT_EQ(total(), 384u);
  EXPECT_EQ(at(12, 8), (std::vector<uint8_t>{1, 0, 0, 1, 0, 0, 0, 0x34}));
  // DCSERVICE is left out for an attribute word of 1 or 3.
  snprintf(env->dcservice, sizeof env->dcservice, "DCSRV1");
  conn.conn_attr = 3;
  ASSERT_EQ(clt_req_connect(), 0);
  EXPECT_EQ(total(), 384u);
}

TEST_F(WireRequest, RbuOptionsWithoutANumberToSend) {
  memcpy(area.prefix, "*RBU", 4);
  for (uint32_t opt : {0u, 50u, 51u, 54u}) {
    area.optvalue = opt;
    ASSERT_EQ(clt_req_connect(), 0);
    EXPECT_EQ(at(192, 4), std::vector<uint8_t>(4, 0)) << opt;
    EXPECT_EQ(at(204, 30), std::vector<uint8_t>(30, 0)) << opt;
  }
  area.optvalue = 46;
  blank(area.optname, sizeof area.optname, "V46");
  ASSERT_EQ(clt_req_connect(), 0);
  EXPECT_EQ(at(192, 4), (std::vector<uint8_t>{0, 0, 0, 46}));
  EXPECT_EQ(buf[204], 'V');
}

TEST(WireAuth, FieldEncoding) {
  struct row {
    const char* value;
    bool session_auth;
    std::string sent;
  } rows[] = {
      {"abc", false, "ABC"},      {"\"abc\"", false, "abc"}, {"", false, ""},
      {"\"abc", false, "\"ABC"},  {"\"abc", true, "ab"},     {"a1-z", false, "A1-Z"},
      {"\"\"", false, ""},        {"x\"", true, "X\""},
  };
  for (const row& r : rows) {
    uint8_t field[30];
    clt_req_encode_auth(field, r.value, static_cast<int32_t>(strlen(r.value)), r.session_auth);
    EXPECT_EQ(std::vector<uint8_t>(field, field + 30), comp_field(r.sent)) << r.value;
  }
}

TEST_F(WireRequest, IdentityFollowsTheConnectKind) {
  struct row {
    int16_t kind;
    char sess_auth;
    bool area_id;
    std::string id;
    std::string pw;
  } rows[] = {
      {0, 'N', true, "SCOTT", "TIGER"},   {0, 'N', false, "PDUSER", "PDPASS"}, {1, 'N', true, "PDUSER", "PDPASS"},
      {1, 'Y', true, "SAVED", "SAVEDPW"}, {3, 'N', true, "SAVED", "SAVEDPW"}, {4, 'N', false, "SAVED", "SAVEDPW"},
      {2, 'Y', true, "SCOTT", "TIGER"},
  };
  memcpy(area.reqcode, "RNCN", 4);
  for (const row& r : rows) {
    snprintf(identity.plain_id, sizeof identity.plain_id, "SAVED");
    std::vector<uint8_t> pw = comp_field("SAVEDPW");
    memcpy(identity.password, pw.data(), 30);
    conn.connect_kind = r.kind;
    conn.sess_auth = r.sess_auth;
    blank(area.authid, sizeof area.authid, r.area_id ? "scott" : "");
    ASSERT_EQ(clt_req_connect(), 0);
    EXPECT_EQ(at(90, 30), comp_field(r.id)) << r.kind << r.sess_auth;
    EXPECT_EQ(at(120, 30), comp_field(r.pw)) << r.kind << r.sess_auth;
    EXPECT_EQ(std::string(identity.plain_id), r.id);
    // Automatic connects and reconnections say CNCT whatever the area holds.
    const std::vector<uint8_t> code = at(56, 4);
    EXPECT_EQ(std::string(code.begin(), code.end()), (r.kind == 1 || r.kind >= 3) ? "CNCT" : "RNCN");
  }
}

TEST_F(WireRequest, ReconnectionAfterSessionAuthorizationSendsItsIdentity) {
  memcpy(area.reqcode, "SAUH", 4);
  blank(area.authid, sizeof area.authid, "newuser");
  blank(area.passwd, sizeof area.passwd, "newpw");
  ASSERT_EQ(clt_req_session_auth(), 0);
  EXPECT_EQ(total(), 136u);
  EXPECT_EQ(at(56, 6), (std::vector<uint8_t>{'S', 'A', 'U', 'H', 0, 30}));
  EXPECT_EQ(at(62, 30), comp_field("NEWUSER"));
  EXPECT_EQ(at(92, 2), (std::vector<uint8_t>{0, 30}));
  EXPECT_EQ(at(94, 30), comp_field("NEWPW"));
  EXPECT_EQ(conn.sess_auth, 'Y');

  memcpy(area.reqcode, "RNCN", 4);
  blank(area.authid, sizeof area.authid, "scott");
  conn.connect_kind = 3;
  ASSERT_EQ(clt_req_connect(), 0);
  EXPECT_EQ(at(90, 30), comp_field("NEWUSER"));
  EXPECT_EQ(at(120, 30), comp_field("NEWPW"));
  EXPECT_EQ(at(56, 4), (std::vector<uint8_t>{'C', 'N', 'C', 'T'}));
}

TEST_F(WireRequest, RdnodeConnect) {
  main.funccode = 31;
  memcpy(area.reqcode, "RNCN", 4);
  area.rdnodeflag = 'S';
  env->dcservice[0] = '\0';
  EXPECT_EQ(clt_req_connect(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -371);
  EXPECT_EQ(std::string(sqlca.sqlerrmc, static_cast<size_t>(sqlca.sqlerrml)), "KFPA11371-E Invalid RDNODE name");
  EXPECT_EQ(std::string(area.sqlstate, 5), "R0000");

  blank(area.rdnode, sizeof area.rdnode, "NODE7");
  ASSERT_EQ(clt_req_connect(), 0);
  EXPECT_EQ(total(), 384u + 2 + 5);
  EXPECT_EQ(at(14, 2), (std::vector<uint8_t>{0, 2}));
  EXPECT_EQ(at(32, 4), (std::vector<uint8_t>{0, 0, 1, 0x80}));
  EXPECT_EQ(at(384, 7), (std::vector<uint8_t>{0, 5, 'N', 'O', 'D', 'E', '7'}));
  EXPECT_EQ(at(56, 4), (std::vector<uint8_t>{'R', 'N', 'C', 'N'}));
}

TEST_F(WireRequest, ControlRequestsWithAuditAndTrio) {
  main.srv_level = static_cast<int32_t>(~24u);
  conn.reqseq = 0x11;
  memcpy(area.reqcode, "CMIT", 4);
  main.funccode = 10;
  audit[0].set = 1;
  audit[0].length = 3;
  memcpy(audit[0].text, "abc", 3);
  audit[2].set = 1;  // a null item
  audit_long.set = 1;
  audit_long.length = 1;
  audit_long.text[0] = 'z';
  ASSERT_EQ(clt_req_control(), 0);
  const std::vector<uint8_t> want = {
      // header from offset 8: total 131, 1, 0, two parts, 52, slot 5 = 108
      0, 0, 0, 131, 1, 0, 0, 2, 0, 0, 0, 52,
  };
  EXPECT_EQ(at(8, 12), want);
  EXPECT_EQ(at(40, 4), (std::vector<uint8_t>{0, 0, 0, 108}));
  EXPECT_EQ(at(52, 8), (std::vector<uint8_t>{'P', 'R', 'E', '1', 'C', 'M', 'I', 'T'}));
  EXPECT_EQ(buf[90], 2);
  EXPECT_EQ(at(96, 12), (std::vector<uint8_t>{0, 0, 0, 7, 0, 0, 0, 0x11, 0, 0, 0, 0}));
  // Elements 11 (abc), 13 (null) and 14 (z), each at an even offset and
  // chained by distance.
  EXPECT_EQ(at(108, 9), (std::vector<uint8_t>{0, 11, 0, 10, 0, 3, 'a', 'b', 'c'}));
  EXPECT_EQ(at(118, 6), (std::vector<uint8_t>{0, 13, 0, 6, 0xFF, 0xFF}));
  EXPECT_EQ(at(124, 7), (std::vector<uint8_t>{0, 14, 0, 0, 0, 1, 'z'}));
}

TEST_F(WireRequest, DisconnectAndLowLevelsCarryNoAudit) {
  audit[0].set = 1;
  audit[0].length = 3;
  struct row {
    int32_t func;
    uint32_t level;
    uint32_t total;
    bool trio;
  } rows[] = {
      {14, ~26u, 108, true}, {22, ~26u, 108, true}, {30, ~26u, 108, true},
      {10, ~23u, 108, true}, {10, ~20u, 108, false}, {11, ~24u, 117, true},
  };
  for (const row& r : rows) {
    std::fill(buf.begin(), buf.end(), 0xEE);
    main.funccode = r.func;
    main.srv_level = static_cast<int32_t>(r.level);
    ASSERT_EQ(clt_req_control(), 0);
    EXPECT_EQ(total(), r.total) << r.func << "/" << ~r.level;
    EXPECT_EQ(buf[99], r.trio ? 7 : 0) << r.func;
  }
}

TEST_F(WireRequest, SetOptionNumbers) {
  memcpy(area.reqcode, "SOPT", 4);
  for (uint32_t bad : {0u, 54u}) {
    area.optvalue = bad;
    EXPECT_EQ(clt_req_setopt(), -1);
    EXPECT_EQ(sqlca.SQLCODE, -720);
    EXPECT_NE(std::string(sqlca.sqlerrmc, static_cast<size_t>(sqlca.sqlerrml)).find("KFPA11720-E"), std::string::npos);
  }
  EXPECT_EQ(conn.option_set, 'N');
  area.optvalue = 9;
  blank(area.optname, sizeof area.optname, "NINE");
  ASSERT_EQ(clt_req_setopt(), 0);
  EXPECT_EQ(total(), 92u);
  EXPECT_EQ(at(52, 12), (std::vector<uint8_t>{'S', 'O', 'P', 'T', 0, 0, 0, 9, 'N', 'I', 'N', 'E'}));
  EXPECT_EQ(conn.option_set, 'Y');
  area.optvalue = 50;
  area.setopt50 = 0x0102;
  ASSERT_EQ(clt_req_setopt(), 0);
  EXPECT_EQ(at(60, 30), std::vector<uint8_t>(30, 0));
  EXPECT_EQ(at(90, 2), (std::vector<uint8_t>{0x02, 0x01}));  // unconverted
}

TEST_F(WireRequest, MissingRequestBufferIsReported) {
  clt_req_set_locator(without_buffer);
  EXPECT_EQ(clt_req_control(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -720);
  EXPECT_NE(std::string(sqlca.sqlerrmc, static_cast<size_t>(sqlca.sqlerrml)).find("inf1=CLTRPCPR"), std::string::npos);
  EXPECT_EQ(buf[8], 0xEE);
}

TEST_F(WireRequest, SmallRequests) {
  memcpy(area.reqcode, "SINF", 4);
  area.srvinfitem = 0x0A0B;
  ASSERT_EQ(clt_req_srvinf(), 0);
  EXPECT_EQ(total(), 68u);
  EXPECT_EQ(at(52, 16), (std::vector<uint8_t>{'S', 'I', 'N', 'F', 0, 0, 0x0A, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0}));

  memcpy(area.reqcode, "ERLG", 4);
  ASSERT_EQ(clt_req_errorlog(), 0);
  EXPECT_EQ(total(), 60u);
  EXPECT_EQ(at(52, 8), (std::vector<uint8_t>{'P', 'R', 'E', '1', 'E', 'R', 'L', 'G'}));

  area.section = 3;
  area.stmtid = 0x10203;
  blank(area.name2, sizeof area.name2, "N2");
  ASSERT_EQ(clt_req_ccmd(), 0);
  EXPECT_EQ(total(), 79u);
  EXPECT_EQ(at(56, 23), (std::vector<uint8_t>{'C', 'C', 'M', 'D', 0, 3, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0,
                                               76, 'N', '2', 0}));
}

// An SQLDA with three variables, as EXECUTE UTL takes it.
struct utl_list {
  SQLDA da{};
  SQLVAR more[2]{};
  uint8_t stmt[2 + 600]{};
  uint8_t file[2 + 64]{};
  int32_t result = 0;

  utl_list(const std::string& text, const std::string& name) {
    da.sqld = 3;
    da.sqln = 3;
    set(0, 0xC0, 512, stmt, text);
    set(1, 0xC0, 64, file, name);
    SQLVAR& r = var(2);
    r.sqlcod = 0xF0;
    r.XDIM = 1;
    r.len.s.sqllen = 4;
    r.SQLDATA = &result;
  }
  SQLVAR& var(int i) { return i == 0 ? da.sqlvar[0] : more[i - 1]; }
  void set(int i, uint8_t code, int16_t declared, uint8_t* data, const std::string& value) {
    SQLVAR& v = var(i);
    v.sqlcod = code;
    v.XDIM = 1;
    v.len.s.sqllen = declared;
    const uint16_t n = static_cast<uint16_t>(value.size());
    memcpy(data, &n, 2);
    memcpy(data + 2, value.data(), value.size());
    v.SQLDATA = data;
  }
};

TEST_F(WireRequest, ExecuteUtlChecksItsThreeVariables) {
  static_assert(offsetof(utl_list, more) == offsetof(SQLDA, sqlvar) + sizeof(SQLVAR));
  memcpy(area.reqcode, "EUTL", 4);
  utl_list list("LOAD DATA", "out.txt");
  area.sqliasda = &list.da;
  struct row {
    const char* what;
    void (*spoil)(utl_list&);
    int32_t sqlcode;
    const char* state;
    const char* text;
    const char* log;  // the error-log line
  } rows[] = {
      {"two variables", [](utl_list& l) { l.da.sqld = 2; }, -310, "07008", "KFPA11310-E Invalid number of variables",
       "KFPZ04002-E SQLDA information, type: sqln, reason: sqln=3, sqld=2\n"},
      {"statement declared 513", [](utl_list& l) { l.var(0).len.s.sqllen = 513; }, -311, "07001",
       "KFPA11311-E Invalid data type or length of variable \"    1\" (using)",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=1, sqlcod=192, sqllen=513 ,real length=9\n"},
      {"statement longer than declared", [](utl_list& l) { l.var(0).len.s.sqllen = 4; }, -311, "07001", "\"    1\"",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=1, sqlcod=192, sqllen=4 ,real length=9\n"},
      {"file without data", [](utl_list& l) { l.var(1).SQLDATA = nullptr; }, -311, "07001", "\"    2\"",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=2, sqlcod=192, sqllen=64 ,real length=0\n"},
      {"file of another type", [](utl_list& l) { l.var(1).sqlcod = 0xC1; }, -311, "07001", "\"    2\"",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=2, sqlcod=193, sqllen=64 ,real length=7\n"},
      {"result of 8 bytes", [](utl_list& l) { l.var(2).len.s.sqllen = 8; }, -311, "07001", "\"    3\"",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=3, sqlcod=240, sqllen=8 ,real length=0\n"},
      {"result repeated", [](utl_list& l) { l.var(2).XDIM = 2; }, -311, "07001", "\"    3\"",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=3, sqlcod=240, sqllen=4 ,real length=0\n"},
  };
  zk::services_scope services;
  clt_svc.errlog_vmsg = zk::capture_errlog;
  for (const row& r : rows) {
    utl_list bad("LOAD DATA", "out.txt");
    r.spoil(bad);
    area.sqliasda = &bad.da;
    zk::errlog_lines().clear();
    EXPECT_EQ(clt_req_execute_utl(), -1) << r.what;
    EXPECT_EQ(zk::errlog_lines(), std::vector<std::string>{r.log}) << r.what;
    EXPECT_EQ(sqlca.SQLCODE, r.sqlcode) << r.what;
    EXPECT_EQ(std::string(area.sqlstate, 5), r.state) << r.what;
    EXPECT_NE(std::string(sqlca.sqlerrmc, static_cast<size_t>(sqlca.sqlerrml)).find(r.text), std::string::npos)
        << r.what;
    EXPECT_EQ(conn.utl_file, nullptr) << r.what;
  }

  area.sqliasda = &list.da;
  main.srv_level = static_cast<int32_t>(~21u);
  ASSERT_EQ(clt_req_execute_utl(), 0);
  EXPECT_EQ(total(), 638u);
  EXPECT_EQ(at(56, 8), (std::vector<uint8_t>{'E', 'U', 'T', 'L', 0, 0, 0, 24}));
  EXPECT_EQ(buf[67], 7);  // the error-log counter opens the trio
  EXPECT_EQ(at(76, 11), (std::vector<uint8_t>{0, 9, 'L', 'O', 'A', 'D', ' ', 'D', 'A', 'T', 'A'}));
  EXPECT_EQ(at(87, 638 - 87), std::vector<uint8_t>(638 - 87, 0));
  ASSERT_NE(conn.utl_file, nullptr);
  EXPECT_STREQ(conn.utl_file, "out.txt");
  EXPECT_EQ(conn.utl_result, &list.result);
  EXPECT_EQ(std::string(conn.utl_stmt, conn.utl_len), "LOAD DATA");
  // A second build replaces the kept name without losing it.
  ASSERT_EQ(clt_req_execute_utl(), 0);
  cltmem_free(conn.utl_file, "test", __LINE__);
}

int32_t doubling(int32_t, int32_t* len, const char* src, int32_t* room, char* dst, int32_t* out_len, uint32_t*,
                 uint32_t) {
  if (*len * 2 > *room) return 2;
  for (int32_t i = 0; i < *len; ++i) dst[2 * i] = dst[2 * i + 1] = src[i];
  *out_len = *len * 2;
  return 0;
}

TEST_F(WireRequest, JarBlocks) {
  memcpy(area.reqcode, "JARI", 4);
  main.funccode = 41;
  main.srv_level = static_cast<int32_t>(~20u);
  conn.jar_name = "lib.jar";
  conn.jar_name_len = 7;
  conn.jar_total = 1000;
  ASSERT_EQ(clt_req_jar(CLT_JAR_FIRST_BLOCK, 3, "ABC"), 0);
  const std::vector<uint8_t> first = {
      0, 0, 0, 56, 0, 0, 0, 16, 0, 0, 0, 3, 0, 0, 0, 53,      // header
      'P', 'R', 'E', '1', 'J', 'A', 'R', 'I', 0, 0, 0, 28,     // area prefix, code, 28
      0, 0, 3, 0xE8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,       // file length, no trio below level 21
      0, 7, 'l', 'i', 'b', '.', 'j', 'a', 'r', 'A', 'B', 'C',  // name and data
  };
  EXPECT_EQ(at(0, 56), first);

  ASSERT_EQ(clt_req_jar(2, 3, "XYZ"), 0);
  EXPECT_EQ(at(0, 19), (std::vector<uint8_t>{0, 0, 0, 19, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 16, 'X', 'Y', 'Z'}));

  // Removal carries neither data nor a file length.
  memcpy(area.reqcode, "JARU", 4);
  main.funccode = 43;
  ASSERT_EQ(clt_req_jar(CLT_JAR_FIRST_BLOCK, 3, "ABC"), 0);
  EXPECT_EQ(at(0, 16), (std::vector<uint8_t>{0, 0, 0, 53, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(at(28, 4), std::vector<uint8_t>(4, 0));
}

TEST_F(WireRequest, JarFileNameIsConvertedForTheServer) {
  zk::services_scope services;
  memcpy(area.reqcode, "JARU", 4);
  main.funccode = 43;
  conn.jar_name = "ab";
  conn.jar_name_len = 2;
  env->pdcltcnvmode = 6;
  clt_svc.cnv_convert = doubling;
  ASSERT_EQ(clt_req_jar(CLT_JAR_FIRST_BLOCK, 0, nullptr), 0);
  EXPECT_EQ(at(44, 6), (std::vector<uint8_t>{0, 4, 'a', 'a', 'b', 'b'}));
  EXPECT_EQ(at(0, 4), (std::vector<uint8_t>{0, 0, 0, 50}));

  clt_svc.cnv_convert = nullptr;
  EXPECT_EQ(clt_req_jar(CLT_JAR_FIRST_BLOCK, 0, nullptr), -1);
  EXPECT_EQ(sqlca.SQLCODE, -720);
}

}  // namespace
