// The input binding and the output checks: the caller's variable lists
// checked against the type table, the request and reply bounds they
// compute, and the buffers grown to them.
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTLIBMN.h"
#include "CLTSQLBR.h"
#include "CLTSQLBS.h"
#include "clt_cnv.h"
#include <gtest/gtest.h>
#include "zk_harness.h"

namespace {

constexpr uint32_t kLevel26 = ~26u;
constexpr uint32_t kLevel9 = ~9u;
// Fixed request bound of an OPEN: base, request head, the OPEN's part.
constexpr uint32_t kOpenFixed = 55 + 99 + 145;
// Fixed reply bound of a statement: base, tail and the common part.
constexpr uint32_t kReplyFixed = 62 + 339 + 92;

// An SQLDA of n variables in storage of its own.
struct sqlda_buf {
  std::vector<uint8_t> storage;
  explicit sqlda_buf(int32_t n, int16_t sqld = -1) : storage(offsetof(SQLDA, sqlvar) + sizeof(SQLVAR) * std::max(n, 1)) {
    get()->sqln = static_cast<int16_t>(n);
    get()->sqld = sqld < 0 ? static_cast<int16_t>(n) : sqld;
  }
  SQLDA* get() { return reinterpret_cast<SQLDA*>(storage.data()); }
  SQLVAR& var(int32_t i) { return get()->sqlvar[i]; }
};

// A variable's value and indicator storage, kept with the test.
struct host {
  uint8_t data[64] = {};
  int32_t ind = 0;
};

void set(SQLVAR& v, uint8_t code, int16_t len, host& h, int16_t xdim = 1) {
  v.sqlcod = code;
  v.XDIM = xdim;
  v.len.s.sqllen = len;
  v.SQLDATA = h.data;
  v.SQLIND = &h.ind;
}

void set_decimal(SQLVAR& v, uint8_t code, uint8_t precision, uint8_t scale, host& h) {
  set(v, code, 0, h);
  v.len.d.sqlprcsn = precision;
  v.len.d.sqlscale = scale;
}

class Binding : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  zk::request r{"OPEN"};
  zk::context_scope context;
  std::vector<std::string>& log = zk::errlog_lines();

  void SetUp() override {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    clt_svc.errlog_vmsg = zk::capture_errlog;
    log.clear();
    ASSERT_EQ(clt_first_call_init(&r.area), 0);
    main()->funccode = CLT_FC_OPEN;
    main()->srv_level = static_cast<int32_t>(kLevel26);
    main()->byteorder = 0;
  }
  void TearDown() override {
    if (clt_cur()->main != nullptr) clt_last_call_term(&r.area);
    unsetenv("PDMEMTRCFILE");
  }

  clt_main* main() const { return clt_global.main; }
  clt_com_conn* com() const { return clt_main_com(clt_global.main); }
  bool logged(const std::string& text) const {
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
  }
};

// Bytes one variable adds to an OPEN's USING list.
TEST_F(Binding, EachTypeAddsItsBytesToTheRequestBound) {
  struct row {
    const char* what;
    uint8_t code;
    int16_t len;
    int32_t ind;
    uint32_t bytes;
  };
  const row rows[] = {
      {"4-byte integer", 0xF0, 4, 0, 7},
      {"nullable integer", 0xF1, 4, 0, 3 + 7},
      {"NULL integer: its indicator only", 0xF1, 4, -1, 3},
      {"NUL-ended text", 0x30, 10, 0, 13},
      {"longest NUL-ended text", 0x30, 32000, 0, 32003},
      {"variable-length text", 0xA0, 20, 0, 23},
      {"national text", 0xB0, 20, 0, 43},
      {"2-byte integer", 0xF4, 2, 0, 3},
      {"8-byte integer", 0xE0, 8, 0, 15},
      {"handle", 0x94, 4, 0, 7},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.what);
    sqlda_buf list(1);
    host h;
    h.ind = t.ind;
    memcpy(h.data, "abc", 4);
    set(list.var(0), t.code, t.len, h);
    r.area.sqliasda = list.get();
    ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
    EXPECT_EQ(com()->req_len, kOpenFixed + 16 + 19 + t.bytes);
  }
  // Decimals take half their precision and one byte.
  sqlda_buf list(1);
  host h;
  set_decimal(list.var(0), 0xE4, 38, 38, h);
  r.area.sqliasda = list.get();
  ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
  EXPECT_EQ(com()->req_len, kOpenFixed + 16 + 19 + 20);
}

// A repetition value counts the elements in use; its indicator area
// takes 2 bytes an element and 7.
TEST_F(Binding, RepetitionValuesCountTheirElementsInUse) {
  struct row {
    uint8_t code;
    uint32_t count;
    uint32_t bytes;
  };
  for (const row& t : {row{0xF0, 2, 4 * 2 + 7}, row{0xF0, 0, 7}, row{0xF1, 3, (2 * 3 + 7) + 4 * 3 + 7}}) {
    SCOPED_TRACE(t.count);
    sqlda_buf list(1);
    host h;
    set(list.var(0), t.code, 4, h, 3);
    memcpy(h.data, &t.count, sizeof t.count);
    r.area.sqliasda = list.get();
    ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
    EXPECT_EQ(com()->req_len, kOpenFixed + 16 + 19 + t.bytes);
  }
}

TEST_F(Binding, RefusedVariablesNameTheirNumberAndReason) {
  struct row {
    const char* what;
    uint8_t code;
    int16_t len;
    int16_t xdim;
    bool no_data;
    bool no_ind;
    uint32_t count;  // elements of a repetition value
    int32_t sqlcode;
    const char* log;  // the error-log line's type, or null
  };
  const row rows[] = {
      {"no value address", 0xF0, 4, 1, true, false, 0, -340, nullptr},
      {"nullable without indicator", 0xF1, 4, 1, false, true, 0, -340, nullptr},
      {"element count 0", 0xF0, 4, 0, false, false, 0, -311, "type: data length"},
      {"element count 30001", 0xF0, 4, 30001, false, false, 0, -311, "type: data length"},
      {"more elements than XDIM", 0xF0, 4, 3, false, false, 4, -311, "type: data length"},
      {"3-byte code of length 4", 0x78, 4, 1, false, false, 0, -311, "type: data length"},
      {"padded text of 30001", 0x32, 30001, 1, false, false, 0, -311, "type: data length"},
      {"bytes between byte orders", 0x44, 10, 1, false, false, 0, -311, "type: data type"},
      {"unknown code", 0x50, 4, 1, false, false, 0, -311, "type: data type"},
      {"named type code", 0x82, 4, 1, false, false, 0, -311, "type: data type"},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.what);
    log.clear();
    sqlda_buf list(2);
    host ok;
    host h;
    set(list.var(0), 0xF0, 4, ok);
    set(list.var(1), t.code, t.len, h, t.xdim);
    memcpy(h.data, &t.count, sizeof t.count);
    if (t.no_data) list.var(1).SQLDATA = nullptr;
    if (t.no_ind) list.var(1).SQLIND = nullptr;
    r.area.sqliasda = list.get();
    EXPECT_EQ(clt_bind_input(&r.area), -1);
    EXPECT_EQ(r.sqlcode(), t.sqlcode);
    if (t.sqlcode == -340) {
      EXPECT_EQ(r.message(), "KFPA11340-E Invalid address for variable \"    2\" in SQLDATA or SQLIND");
    } else {
      EXPECT_EQ(r.message(), "KFPA11311-E Invalid data type or length of variable \"    2\" (using)");
    }
    EXPECT_EQ(r.source_file().substr(0, 8), "CLTSQLBS");
    EXPECT_EQ(r.sqlstate(), "R0000");
    if (t.log != nullptr) {
      EXPECT_TRUE(logged(t.log)) << (log.empty() ? "" : log.back());
    }
  }
  // A decimal beyond 38 digits or with a scale above its precision.
  for (auto [precision, scale] : {std::pair<uint8_t, uint8_t>{39, 0}, {5, 6}}) {
    sqlda_buf list(1);
    host h;
    set_decimal(list.var(0), 0xE4, precision, scale, h);
    r.area.sqliasda = list.get();
    EXPECT_EQ(clt_bind_input(&r.area), -1);
    EXPECT_EQ(r.sqlcode(), -311);
    EXPECT_TRUE(logged("KFPZ04001-E SQLVAR information, type: decimal, reason: number=1, sqlcod=228, sqlprcsn=" +
                       std::to_string(precision)));
  }
  // Byte strings pass when client and server share a byte order.
  main()->byteorder = 1;
  sqlda_buf list(1);
  host h;
  set(list.var(0), 0x44, 10, h);
  r.area.sqliasda = list.get();
  EXPECT_EQ(clt_bind_input(&r.area), 0) << r.message();
}

// A NULL large object with a reserved word is not sized, so its length is
// not checked, unless the server sizes NULL values (level 9 and lower).
TEST_F(Binding, NullLargeObjectLengthCountsOnlyOnOldServers) {
  struct row {
    uint8_t code;
    uint32_t level;
    int32_t rc;
  };
  for (const row& t : {row{0x93, kLevel26, 0}, row{0x93, kLevel9, -1}, row{0x91, kLevel26, -1}}) {
    SCOPED_TRACE(static_cast<int>(t.code));
    main()->srv_level = static_cast<int32_t>(t.level);
    sqlda_buf list(1);
    host h;
    h.ind = -1;
    set(list.var(0), t.code, 0, h);
    list.var(0).len.sqllen32 = 0;
    r.area.sqliasda = list.get();
    EXPECT_EQ(clt_bind_input(&r.area), t.rc) << r.message();
  }
}

TEST_F(Binding, CountsOfAListAreCheckedBeforeItsVariables) {
  struct row {
    int16_t sqln;
    int16_t sqld;
    int32_t rc;
    const char* log;
  };
  for (const row& t : {row{30001, 0, -1, "type: sqln, reason: sqln=30001, sqld=0"},
                       row{-1, 0, -1, "type: sqln, reason: sqln=-1, sqld=0"},
                       row{2, 3, -1, "type: sqld, reason: sqln=2, sqld=3"}, row{0, 0, 0, nullptr}}) {
    SCOPED_TRACE(t.sqln);
    log.clear();
    sqlda_buf list(0);
    list.get()->sqln = t.sqln;
    list.get()->sqld = t.sqld;
    r.area.sqliasda = list.get();
    EXPECT_EQ(clt_bind_input(&r.area), t.rc);
    if (t.rc != 0) {
      EXPECT_EQ(r.sqlcode(), -310);
      EXPECT_EQ(r.message(), "KFPA11310-E Invalid number of variables");
      EXPECT_TRUE(logged(std::string("KFPZ04002-E SQLDA information, ") + t.log));
    } else {
      // An empty list adds its head only.
      EXPECT_EQ(com()->req_len, kOpenFixed + 19);
    }
  }
  // The largest list is valid.
  std::vector<host> hosts(30000);
  sqlda_buf big(30000);
  for (int32_t i = 0; i < 30000; ++i) set(big.var(i), 0xF0, 4, hosts[i]);
  r.area.sqliasda = big.get();
  EXPECT_EQ(clt_bind_input(&r.area), 0) << r.message();
  EXPECT_EQ(com()->req_len, kOpenFixed + 16u * 30000 + 19 + 7u * 30000);
}

// AUI2 binds the variables after its output count; an array statement
// sizes one row per variable and multiplies.
TEST_F(Binding, InsertListsAndArrayStatements) {
  main()->funccode = CLT_FC_AUI2;
  sqlda_buf list(2);
  host a;
  host b;
  set(list.var(0), 0xF0, 4, a);
  set(list.var(1), 0x30, 9, b);
  memcpy(b.data, "abc", 4);
  r.area.sqliasda = list.get();
  constexpr uint32_t kAui2Fixed = kOpenFixed + 35;
  r.area.outcount = 2;
  ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
  EXPECT_EQ(com()->req_len, kAui2Fixed + 16 * 2 + 19);
  r.area.outcount = 1;
  ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
  EXPECT_EQ(com()->req_len, kAui2Fixed + 16 * 2 + 19 + 12);

  r.area.outcount = 0;
  r.area.version = 0x0700;
  r.area.arycount = 3;
  ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
  // Rows of 4 + 12 bytes, allowances 3 + 1, one variable-length column.
  EXPECT_EQ(com()->req_len, kAui2Fixed + 16 * 2 + 19 + 16 * 3 + (4 * 3 + 3) * 1 + 4);
}

TEST_F(Binding, TheRequestBufferGrowsInStepsAndNeverShrinks) {
  sqlda_buf list(1);
  host h;
  set(list.var(0), 0x30, 5000, h);
  r.area.sqliasda = list.get();
  ASSERT_EQ(clt_bind_input(&r.area), 0);
  EXPECT_EQ(com()->req_buf_size, 8192u);
  uint8_t* first = clt_global.runtime.req_buf;
  ASSERT_NE(first, nullptr);
  // Smaller and equal requests keep the buffer.
  list.var(0).len.s.sqllen = 10;
  ASSERT_EQ(clt_bind_input(&r.area), 0);
  EXPECT_EQ(clt_global.runtime.req_buf, first);
  EXPECT_EQ(com()->req_buf_size, 8192u);
  list.var(0).len.s.sqllen = static_cast<int16_t>(8192 - (kOpenFixed + 16 + 19 + 3));
  ASSERT_EQ(clt_bind_input(&r.area), 0);
  EXPECT_EQ(com()->req_len, 8192u);
  EXPECT_EQ(clt_global.runtime.req_buf, first);
  list.var(0).len.s.sqllen += 1;
  ASSERT_EQ(clt_bind_input(&r.area), 0);
  EXPECT_EQ(com()->req_buf_size, 12288u);

  // A large object that would pass the largest request is refused.
  set(list.var(0), 0x90, 0, h);
  list.var(0).len.sqllen32 = 0x7FFFFFF0u;
  EXPECT_EQ(clt_bind_input(&r.area), -1);
  EXPECT_EQ(r.sqlcode(), -729);
  EXPECT_EQ(r.message(), "KFPA11729-E Insufficient memory on PROCESS, size=2147483647");
}

// With a converting mode, character values count as long as they become.
TEST_F(Binding, ConvertedTextsAreMeasured) {
  clt_main_env(main())->pdcltcnvmode = 6;
  sqlda_buf list(1);
  host h;
  set(list.var(0), 0x30, 10, h);
  // Four SJIS hiragana: 8 bytes, 12 of UTF-8.
  memcpy(h.data, "\x82\xa0\x82\xa2\x82\xa4\x82\xa6", 9);
  r.area.sqliasda = list.get();
  clt_cnv_setup(clt_main_env(main()), 6);
  ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
  EXPECT_EQ(com()->req_len, kOpenFixed + 16 + 19 + 12 + 3);
  // Without a conversion to measure, the most it could make.
  clt_main_env(main())->cnv_state[0] = 0;
  ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
  EXPECT_EQ(com()->req_len, kOpenFixed + 16 + 19 + 24 + 3);
}

// A character-set name area: its counts, and names only for texts.
TEST_F(Binding, CharacterSetNamesGoWithTextsOnly) {
  struct csna_buf {
    uint8_t bytes[32 + 2 * 2 + 64] = {};
    void count(size_t at, int16_t v) { memcpy(bytes + at, &v, sizeof v); }
    void code(int i, uint16_t v) { memcpy(bytes + 32 + 2 * i, &v, sizeof v); }
  } csna;
  csna.count(12, 2);
  csna.count(14, 2);
  csna.count(16, 1);
  csna.count(18, 1);
  csna.code(1, 1);
  sqlda_buf list(2);
  host a;
  host b;
  set(list.var(0), 0xF0, 4, a);
  set(list.var(1), 0x30, 8, b);
  r.area.sqliasda = list.get();
  r.area.sqlcsna1 = csna.bytes;
  ASSERT_EQ(clt_bind_input(&r.area), 0) << r.message();
  EXPECT_EQ(com()->req_len, kOpenFixed + 16 * 2 + 19 + 7 + 11 + (64 * 1 + 2 * 2 + 35));
  // A name for the integer is refused.
  set(list.var(1), 0xF0, 4, b);
  EXPECT_EQ(clt_bind_input(&r.area), -1);
  EXPECT_EQ(r.sqlcode(), -311);
  EXPECT_TRUE(logged("type: real length, reason: number=2, sqlcod=240"));
  // More code entries in use than there are.
  csna.count(14, 3);
  set(list.var(1), 0x30, 8, b);
  EXPECT_EQ(clt_bind_input(&r.area), -1);
  EXPECT_EQ(r.sqlcode(), -310);
  // Below level 24 the area is not read.
  main()->srv_level = static_cast<int32_t>(~23u);
  EXPECT_EQ(clt_bind_input(&r.area), 0) << r.message();
}

class Checks : public Binding {};

TEST_F(Checks, IntoListsSizeTheReply) {
  // A FETCH without block fetch: one row of one integer.
  main()->funccode = CLT_FC_FETC;
  main()->blkf_flag = 1;
  sqlda_buf into(1);
  host h;
  set(into.var(0), 0xF0, 4, h);
  r.area.sqliasda = into.get();
  ASSERT_EQ(clt_sqlda_check(&r.area), 0) << r.message();
  EXPECT_EQ(com()->reply_len, kReplyFixed + 16 + 19 + (7 + 1 + 16) + 3);
  EXPECT_EQ(com()->reply_buf_size, 4096u);

  // A FETCH whose list has no variable in use sizes no row part.
  into.get()->sqld = 0;
  ASSERT_EQ(clt_sqlda_check(&r.area), 0) << r.message();
  EXPECT_EQ(com()->reply_len, kReplyFixed);

  // Character values may grow by the length factor that CONNECT set with
  // the slots, threefold up to the type's maximum.
  main()->funccode = CLT_FC_AUX;
  set(into.var(0), 0x30, 20000, h);
  into.get()->sqld = 1;
  r.area.sqliasda = nullptr;
  r.area.sqliasda2 = into.get();
  struct factor_case {
    uint8_t mode;
    bool connected;  // CONNECT has set the slots
    uint32_t value;  // the variable's bytes in the reply
  };
  const factor_case cases[] = {
      {CLT_CNV_UTF8, true, 32003},     {CLT_CNV_EUCHJ, true, 32003}, {CLT_CNV_UTF8_EX2, true, 32003},
      {CLT_CNV_UTF8_TXT, true, 20003}, {CLT_CNV_NOUSE, true, 20003}, {CLT_CNV_UTF8, false, 20003},
  };
  clt_env* env = clt_main_env(main());
  for (const factor_case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    env->pdcltcnvmode = c.mode;
    clt_cnv_setup(env, c.mode);
    if (!c.connected) env->cnv_state[0] = env->cnv_state[1] = 0;
    ASSERT_EQ(clt_sqlda_check(&r.area), 0) << r.message();
    EXPECT_EQ(com()->reply_len, kReplyFixed + 16 + 19 + c.value + 1 + 64);
  }
  EXPECT_EQ(com()->reply_buf_size, 32768u);
}

TEST_F(Checks, RefusedIntoVariables) {
  struct row {
    uint8_t code;
    int16_t len;
    int16_t srvtype;
    int32_t rc;
    const char* log;
  };
  const row rows[] = {
      {0x32, 10, 0, -1, "type: data type, reason: number=1, sqlcod=50"},
      {0x78, 4, 0, -1, "type: data length"},
      {0x78, 4, 2, 0, nullptr},
      {0x30, 32001, 0, -1, "type: data length"},
  };
  main()->funccode = CLT_FC_FETC;
  for (const row& t : rows) {
    SCOPED_TRACE(static_cast<int>(t.code));
    log.clear();
    clt_main_env(main())->pdsrvtype = t.srvtype;
    sqlda_buf into(1);
    host h;
    set(into.var(0), t.code, t.len, h);
    r.area.sqliasda = into.get();
    EXPECT_EQ(clt_sqlda_check(&r.area), t.rc) << r.message();
    if (t.rc != 0) {
      EXPECT_EQ(r.sqlcode(), -311);
      EXPECT_EQ(r.message(), "KFPA11311-E Invalid data type or length of variable \"    1\" (into)");
      EXPECT_EQ(r.source_file().substr(0, 8), "CLTSQLBR");
      EXPECT_TRUE(logged(t.log)) << (log.empty() ? "" : log.back());
    }
  }
}

TEST_F(Checks, SetDescribesOnlyWhenAsked) {
  main()->funccode = CLT_FC_SET;
  r.area.setvars = 'N';
  ASSERT_EQ(clt_sqlda_check(&r.area), 0);
  EXPECT_EQ(com()->reply_len, kReplyFixed);
  EXPECT_NE(clt_global.runtime.com.reply_buf, nullptr);
  r.area.setvars = 'Y';
  EXPECT_EQ(clt_sqlda_check(&r.area), -1);
  EXPECT_EQ(r.sqlcode(), -565);
  EXPECT_EQ(r.message(), "KFPA11565-E Invalid SET call parameter sqliasda & sqliasda2");
  sqlda_buf target(4, 0);
  r.area.sqliasda2 = target.get();
  ASSERT_EQ(clt_sqlda_check(&r.area), 0) << r.message();
  EXPECT_EQ(com()->reply_len, kReplyFixed + 16 * 4 + 19);
}

TEST_F(Checks, ConnectAndDisconnectHaveFixedParts) {
  main()->funccode = CLT_FC_CNCT;
  ASSERT_EQ(clt_sqlda_check(&r.area), 0);
  EXPECT_EQ(com()->reply_len, 74u + 128 + 327 + 92);
  // DISCONNECT leaves room for the trace area the CONNECT reply announced.
  main()->funccode = CLT_FC_DISC;
  main()->disc_area_size = 1000;
  ASSERT_EQ(clt_sqlda_check(&r.area), 0);
  EXPECT_EQ(com()->reply_len, 62u + 15 + 1003 + 339 + 92);
  main()->srv_level = static_cast<int32_t>(kLevel9);
  ASSERT_EQ(clt_sqlda_check(&r.area), 0);
  EXPECT_EQ(com()->reply_len, 62u + 15 + 339 + 339 + 92);
}

TEST(StringRoutines, StrnlenFindsTheNulWithinTheLimit) {
  EXPECT_EQ(clt_strnlen("abc", 3), -1);
  EXPECT_EQ(clt_strnlen("abc", 4), 3);
  EXPECT_EQ(clt_strnlen("abc", 0), -1);
  char buf[4] = {'x', 'x', 'x', 'x'};
  clt_bzero(buf, 3);
  EXPECT_EQ(std::string(buf, 4), std::string("\0\0\0x", 4));
}

}  // namespace
