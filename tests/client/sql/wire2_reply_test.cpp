// Reply analysis: the SQLCA and SQLSTATE from a reply body, the kept
// extension data, descriptions, names and the routing of values; every
// offset of a reply is checked against the bytes received.
#include "CLTRPCPR.h"
#include "CLTSQLAN.h"
#include "wire2_support.h"

namespace {

using wire2::pattern;

constexpr int32_t kFuncFetch = 1;
constexpr int32_t kFuncPrepare = 3;
constexpr int32_t kFuncDescribe = 9;
constexpr int32_t kFuncCommit = 10;
constexpr int32_t kFuncConnect = 13;
// Level words: the complement of the level.
constexpr int32_t kLevel12 = ~12;
constexpr int32_t kLevel24 = ~24;
constexpr int32_t kLevel26 = ~26;

// A reply body of our own layout: directory, status part, SQLCA part and
// whatever parts a test adds, in the server's byte order.
class body_builder {
 public:
  explicit body_builder(bool little_endian) : le_(little_endian), b_(36, 0) {}

  uint32_t add(const std::vector<uint8_t>& part) {
    const uint32_t at = static_cast<uint32_t>(b_.size());
    b_.insert(b_.end(), part.begin(), part.end());
    return at;
  }
  void set32(uint32_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) b_[off + i] = static_cast<uint8_t>(le_ ? v >> (8 * i) : v >> (24 - 8 * i));
  }
  void set16(uint32_t off, uint16_t v) {
    b_[off] = static_cast<uint8_t>(le_ ? v : v >> 8);
    b_[off + 1] = static_cast<uint8_t>(le_ ? v >> 8 : v);
  }
  std::vector<uint8_t> part(size_t n) const { return std::vector<uint8_t>(n, 0); }

  // Status part with the SQLSTATE and flag bytes 7 and 16.
  void status(const char* sqlstate, uint8_t flags7 = 0, uint8_t flags16 = 0) {
    std::vector<uint8_t> p(32, 0);
    memcpy(p.data(), sqlstate, 5);
    p[7] = flags7;
    p[16] = flags16;
    set32(8, add(p));
  }
  // SQLCA part; a message of the given text, or a length that the text
  // does not have.
  void sqlca(int32_t code, const std::string& text, int extra_length = 0) {
    std::vector<uint8_t> p(60, 0);
    memcpy(p.data(), "SQLCA  Q", 8);
    memcpy(p.data() + 44, "SRVMODULE X", 12);
    p[40] = 0x81;
    p[41] = 0x01;
    const uint32_t at = add(p);
    set32(at + 12, static_cast<uint32_t>(code));
    for (int i = 0; i < 6; ++i) set32(at + 16 + 4 * i, static_cast<uint32_t>(i + 1));
    set32(at + 56, 321);
    if (!text.empty()) {
      std::vector<uint8_t> m(2 + text.size(), 0);
      memcpy(m.data() + 2, text.data(), text.size());
      const uint32_t mat = add(m);
      set32(at + 8, mat - at);
      set16(mat, static_cast<uint16_t>(text.size() + static_cast<size_t>(extra_length)));
    }
    set32(12, at);
  }
  std::vector<uint8_t> finish() {
    set32(0, static_cast<uint32_t>(b_.size()));
    return b_;
  }
  std::vector<uint8_t>& bytes() { return b_; }

 private:
  bool le_;
  std::vector<uint8_t> b_;
};

struct convert_call {
  clt_reply_route route;
  uint32_t length;
};

class ReplyAnalysis : public wire::call_test {
 protected:
  SQLCA sqlca{};
  rdb_sql_area area{};
  clt_reply_conn rconn{};
  std::vector<convert_call> converted;

  void SetUp() override {
    wire::call_test::SetUp();
    current_ = this;
    old_ = clt_reply_set_locator([] { return current_ != nullptr ? &current_->rconn : nullptr; });
    old_svc_ = clt_reply_svc;
    clt_reply_svc.convert = [](clt_reply_route route, const uint8_t*, uint32_t length, rdb_sql_area*) {
      current_->converted.push_back(convert_call{route, length});
      return 0;
    };
    area.sqlca = &sqlca;
    main.srv_level = kLevel24;
    main.funccode = kFuncCommit;
  }
  void TearDown() override {
    clt_reply_free(&rconn);
    clt_reply_svc = old_svc_;
    clt_reply_set_locator(old_);
    current_ = nullptr;
    wire::call_test::TearDown();
  }

  std::string message() const { return std::string(sqlca.sqlerrmc, static_cast<size_t>(sqlca.sqlerrml)); }
  int32_t analyse(const std::vector<uint8_t>& body) {
    return clt_reply_analyse(body.data(), static_cast<uint32_t>(body.size()), &area);
  }
  void expect_refused() {
    EXPECT_EQ(sqlca.SQLCODE, -733);
    EXPECT_EQ(message().rfind("KFPA11733-E Error occurred in Marlo, inf1=CLTSQLAN, inf2=", 0), 0u) << message();
    EXPECT_EQ(std::string(area.sqlstate, 5), "R0000");
  }

 private:
  static inline ReplyAnalysis* current_ = nullptr;
  clt_reply_locator old_ = nullptr;
  clt_reply_services old_svc_{};
};

TEST_F(ReplyAnalysis, TheSqlcaIsFilledInEitherByteOrder) {
  for (bool le : {false, true}) {
    SCOPED_TRACE(le);
    main.byteorder = le ? 1 : 0;
    body_builder b(le);
    b.status("42000");
    b.sqlca(-204, "KFAA30204-E table not found");
    ASSERT_EQ(analyse(b.finish()), 0) << message();
    EXPECT_EQ(sqlca.SQLCODE, -204);
    EXPECT_EQ(message(), "KFAA30204-E table not found");
    EXPECT_EQ(std::string(area.sqlstate, 5), "42000");
    EXPECT_EQ(sqlca.sqlcabc, 336);
    EXPECT_EQ(sqlca.sqlerrd[5], 6);
    EXPECT_EQ(sqlca.sqlsrcline, 321);
    EXPECT_EQ(std::string(sqlca.sqlsrcfile, 10), "SRVMODULE ");
    EXPECT_EQ(std::string(sqlca.sqlwarn, 16), "W      W       W");
    EXPECT_EQ(std::string(sqlca.sqlerrp, 8), "        ");
    EXPECT_EQ(rconn.sqlca_mark, 'Q');
  }
}

TEST_F(ReplyAnalysis, CompletionCodesGetTheClientsOwnTexts) {
  const struct {
    int32_t code;
    const char* text;
  } rows[] = {{0, "KFPA12000-I Processing of SQL completed"}, {100, "KFPA12100-I No rows satisfying search condition"}};
  for (const auto& r : rows) {
    body_builder b(false);
    b.status("00000");
    b.sqlca(r.code, "");
    ASSERT_EQ(analyse(b.finish()), 0);
    EXPECT_EQ(message(), r.text);
  }
  EXPECT_EQ(strlen(rows[1].text), 47u);
}

TEST_F(ReplyAnalysis, RepliesThatDoNotHoldTheirPartsAreRefused) {
  struct row {
    const char* what;
    std::vector<uint8_t> body;
    uint32_t received;
  };
  body_builder good(false);
  good.status("00000");
  good.sqlca(-1, "message");
  const std::vector<uint8_t> ok = good.finish();

  std::vector<uint8_t> empty = ok;
  memset(empty.data(), 0, 4);
  std::vector<uint8_t> long_total = ok;
  long_total[3] = static_cast<uint8_t>(long_total[3] + 1);
  std::vector<uint8_t> no_status = ok;
  memset(no_status.data() + 8, 0, 4);
  std::vector<uint8_t> far_sqlca = ok;
  far_sqlca[14] = 0x7F;
  body_builder long_msg(false);
  long_msg.status("00000");
  long_msg.sqlca(-1, "message", 1);

  const row rows[] = {
      {"empty reply", empty, static_cast<uint32_t>(empty.size())},
      {"total beyond the bytes received", long_total, static_cast<uint32_t>(long_total.size())},
      {"status part missing", no_status, static_cast<uint32_t>(no_status.size())},
      {"SQLCA part outside", far_sqlca, static_cast<uint32_t>(far_sqlca.size())},
      {"message longer than the body", long_msg.finish(), 0},
      {"fewer bytes than a length word", ok, 3},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    sqlca = SQLCA{};
    const uint32_t received = r.received != 0 ? r.received : static_cast<uint32_t>(r.body.size());
    EXPECT_EQ(clt_reply_analyse(r.body.data(), received, &area), -1);
    expect_refused();
  }
}

TEST_F(ReplyAnalysis, ExtensionDataIsKeptInTheConnection) {
  body_builder b(false);
  b.status("00000");
  b.sqlca(0, "");
  std::vector<uint8_t> ext(52, 0);
  const uint32_t e = b.add(ext);
  const uint32_t trace = b.add(pattern(40, 3));
  const uint32_t trcctl = b.add(std::vector<uint8_t>{0, 0, 0, 5, 0, 0, 0, 6, 0, 7, 8, 9});
  std::vector<uint8_t> text{'l', 'o', 'g', 0};
  const uint32_t errlog = b.add(text);
  b.set32(e + 4, trace - e);
  b.set32(e + 32, trcctl - e);
  b.set32(e + 36, errlog - e);
  b.set32(28, e);
  ASSERT_EQ(analyse(b.finish()), 0) << message();
  ASSERT_NE(rconn.trace_block, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(rconn.trace_block, rconn.trace_block + 40), pattern(40, 3));
  EXPECT_EQ(main.srvtrc_value, 5u);
  EXPECT_EQ(main.srvtrc_count, 6u);
  EXPECT_EQ(main.srvtrc_prmsize, 7);
  EXPECT_EQ(main.srvtrc_pending, 0xFF);
  EXPECT_EQ(rconn.errlog_flag, 'Y');
  EXPECT_STREQ(rconn.errlog_text, "log");

  // The same text without its end inside the body is refused.
  std::vector<uint8_t> cut = b.finish();
  cut.resize(cut.size() - 1);
  b.set32(0, static_cast<uint32_t>(cut.size()));
  memcpy(cut.data(), b.bytes().data(), 4);
  EXPECT_EQ(analyse(cut), -1);
  expect_refused();
}

// The identity comes complemented; the second field stays as delivered,
// padded with complemented blanks.
struct identity_call {
  static inline clt_req_identity identity{};
  static inline clt_req_conn conn{};
  static clt_req_ctx locate() {
    clt_req_ctx c{};
    c.identity = &identity;
    c.conn = &conn;
    return c;
  }
};

TEST_F(ReplyAnalysis, ANewIdentityFromTheServerIsKeptForReconnection) {
  const clt_req_locator old = clt_req_set_locator(identity_call::locate);
  const struct {
    uint16_t len1;
    uint16_t len2;
    int32_t result;
  } rows[] = {{4, 3, 0}, {31, 3, -1}, {4, 31, -1}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.len1 * 100 + r.len2);
    identity_call::identity = clt_req_identity{};
    identity_call::conn.sess_auth = 'N';
    body_builder b(false);
    b.status("00000");
    b.sqlca(0, "");
    const uint32_t e = b.add(std::vector<uint8_t>(52, 0));
    std::vector<uint8_t> auth(32 + 2 + 30, 0);
    const uint32_t at = b.add(auth);
    b.set16(at, r.len1);
    for (int i = 0; i < 4; ++i) b.bytes()[at + 2 + i] = static_cast<uint8_t>(~"USER"[i]);
    b.set16(at + 32, r.len2);
    memcpy(&b.bytes()[at + 34], "\x01\x02\x03", 3);
    b.set32(e + 40, at - e);
    b.set32(28, e);
    EXPECT_EQ(analyse(b.finish()), r.result);
    if (r.result != 0) {
      expect_refused();
      EXPECT_EQ(identity_call::conn.sess_auth, 'N');
      continue;
    }
    EXPECT_STREQ(identity_call::identity.plain_id, "USER");
    EXPECT_EQ(identity_call::identity.password[2], 3);
    EXPECT_EQ(identity_call::identity.password[3], 0xDF);
    EXPECT_EQ(identity_call::conn.sess_auth, 'Y');
  }
  clt_req_set_locator(old);
}

// A server level that knows only the first fields sends a shorter
// extension part at the end of the body; it is read as far as it goes.
TEST_F(ReplyAnalysis, AShortExtensionPartAtTheEndOfTheBodyIsRead) {
  body_builder b(false);
  b.status("00000");
  b.sqlca(0, "");
  const uint32_t e = b.add(std::vector<uint8_t>(8, 0));  // up to the trace word only
  b.set32(28, e);
  ASSERT_EQ(analyse(b.finish()), 0) << message();
  EXPECT_EQ(rconn.trace_block, nullptr);
  EXPECT_EQ(sqlca.SQLCODE, 0);
}

TEST_F(ReplyAnalysis, BelowLevel13TheExtensionPartIsNotRead) {
  main.srv_level = kLevel12;
  body_builder b(false);
  b.status("00000");
  b.sqlca(0, "");
  b.set32(28, 0x7FFFFFF0);  // would lie far outside the body
  ASSERT_EQ(analyse(b.finish()), 0) << message();
  EXPECT_EQ(rconn.trace_block, nullptr);
}

TEST_F(ReplyAnalysis, AFinishedReplyLeavesTheSqlcaAlone) {
  body_builder b(false);
  b.status("00000", 0, 0x08);
  b.sqlca(-1, "never read");
  sqlca.SQLCODE = 55;
  ASSERT_EQ(analyse(b.finish()), 0);
  EXPECT_EQ(rconn.finished, 'Y');
  EXPECT_EQ(sqlca.SQLCODE, 55);
}

TEST_F(ReplyAnalysis, ReconnectStateFollowsTheStatusFlags) {
  const struct {
    uint8_t flags7;
    uint16_t state;
  } rows[] = {{0x08, 1}, {0x18, 1}, {0x10, 0}, {0x00, 2}};
  for (const auto& r : rows) {
    body_builder b(false);
    b.status("00000", r.flags7);
    b.sqlca(0, "");
    ASSERT_EQ(analyse(b.finish()), 0);
    EXPECT_EQ(rconn.reconnect_state, r.state) << static_cast<int>(r.flags7);
  }
}

// A description part: header, then entries of 16 bytes.
void description(body_builder& b, int16_t sqln, int16_t sqld) {
  std::vector<uint8_t> d(16 + 16 * static_cast<size_t>(std::max<int16_t>(sqld, 0)), 0);
  memcpy(d.data(), "SQLDA   ", 8);
  const uint32_t at = b.add(d);
  b.set16(at + 12, static_cast<uint16_t>(sqln));
  b.set16(at + 14, static_cast<uint16_t>(sqld));
  for (int i = 0; i < sqld; ++i) {
    const uint32_t e = at + 16 + 16 * static_cast<uint32_t>(i);
    b.bytes()[e + 1] = i == 0 ? 0xE4 : 0xC1;  // a decimal, then a character column
    b.set16(e + 2, 1);
    if (i == 0) {
      b.bytes()[e + 4] = 9;
      b.bytes()[e + 5] = 2;
    } else {
      b.set16(e + 4, static_cast<uint16_t>(10 * i));
    }
  }
}

// A successful reply whose description part stands at offset 16.
void described_body(body_builder& b, int16_t sqln, int16_t sqld) {
  b.status("00000");
  b.sqlca(0, "");
  const uint32_t desc = static_cast<uint32_t>(b.bytes().size());
  description(b, sqln, sqld);
  b.set32(16, desc);
}

struct sqlda3 {
  SQLDA da;
  SQLVAR more[2];
};

TEST_F(ReplyAnalysis, ADescribeFillsTheSqldaAndTheColumnNames) {
  main.funccode = kFuncDescribe;
  sqlda3 out{};
  out.da.sqln = 3;
  area.sqliasda = &out.da;
  uint8_t names[2 + 3 * 32] = {};
  area.colnames1 = names;
  area.desckind = 'S';
  body_builder b(false);
  described_body(b, 2, 2);
  std::vector<uint8_t> n(2 + 2 * 32, 0);
  const uint32_t nat = b.add(n);
  b.set16(nat, 2);
  b.set16(nat + 2, 2);
  memcpy(&b.bytes()[nat + 4], "C1", 2);
  b.set16(nat + 34, 5);
  memcpy(&b.bytes()[nat + 36], "PRICE", 5);
  b.set32(20, nat);
  // Per-column values for the caller's registered array.
  uint32_t params[3] = {0, 0, 0xEEEE};
  main.param_flag = 1;
  main.param_pointer = params;
  const uint32_t pc = b.add(std::vector<uint8_t>(8, 0));
  b.set32(pc, 7);
  b.set32(pc + 4, 9);
  b.set32(24, pc);
  // A character-set part: two codes, one name entry.
  std::vector<uint8_t> cs(32 + 4 + 64, 0);
  const uint32_t csat = b.add(cs);
  b.set16(csat + 12, 2);
  b.set16(csat + 14, 2);
  b.set16(csat + 16, 1);
  b.set16(csat + 18, 1);
  b.set16(csat + 32, 0x3132);
  b.set16(csat + 34, 0x3334);
  b.set16(csat + 36, 4);
  memcpy(&b.bytes()[csat + 38], "UTF8", 4);
  b.set32(32, csat);
  uint8_t csna[32 + 4 + 64] = {};
  const int16_t own[4] = {2, 0, 1, 0};
  memcpy(csna + 12, own, sizeof own);
  area.sqlcsna1 = csna;
  ASSERT_EQ(analyse(b.finish()), 0) << message();
  EXPECT_EQ(params[0], 7u);
  EXPECT_EQ(params[1], 9u);
  EXPECT_EQ(params[2], 0xEEEEu) << "one value per variable";
  uint16_t code2;
  memcpy(&code2, csna + 34, 2);
  EXPECT_EQ(code2, 0x3334);
  uint16_t name_len;
  memcpy(&name_len, csna + 36, 2);
  EXPECT_EQ(name_len, 4);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(csna + 38), 4), "UTF8");
  EXPECT_EQ(out.da.sqld, 2);
  EXPECT_EQ(out.da.sqlvar[0].sqlcod, 0xE4);
  EXPECT_EQ(out.da.sqlvar[0].len.d.sqlprcsn, 9);
  EXPECT_EQ(out.da.sqlvar[0].len.d.sqlscale, 2);
  const SQLVAR* vars = &out.da.sqlvar[0];
  EXPECT_EQ(vars[1].len.s.sqllen, 10);
  EXPECT_EQ(vars[1].XDIM, 1);
  uint16_t count;
  memcpy(&count, names, 2);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(names + 2 + 32 + 2), 5), "PRICE");
  EXPECT_TRUE(converted.empty()) << "a description is copied, not converted";
}

TEST_F(ReplyAnalysis, UserDefinedTypesGetTheirTypeNames) {
  main.funccode = kFuncDescribe;
  area.attrkind = 'T';
  const struct {
    uint16_t owner_length;
    int32_t result;
  } rows[] = {{3, 0}, {9, -1}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.owner_length);
    sqlda3 out{};
    out.da.sqln = 3;
    area.sqliasda = &out.da;
    uint8_t types[2 + 3 * 42];
    memset(types, 0x55, sizeof types);
    area.attrarea = types;
    body_builder b(false);
    b.status("00000");
    b.sqlca(0, "");
    const uint32_t desc = static_cast<uint32_t>(b.bytes().size());
    description(b, 2, 2);
    b.bytes()[desc + 16 + 1] = 0x82;  // the first column is of a user-defined type
    b.set32(16, desc);
    std::vector<uint8_t> part(2 + 2 + 9 + 2 + 6, 0);
    const uint32_t tp = b.add(part);
    b.set16(tp + 2, r.owner_length);
    memcpy(&b.bytes()[tp + 4], "OWNXXXXXX", r.owner_length);
    b.set16(tp + 4 + r.owner_length, 6);
    memcpy(&b.bytes()[tp + 6 + r.owner_length], "MYTYPE", 6);
    const uint32_t e = b.add(std::vector<uint8_t>(52, 0));
    b.set32(e + 12, tp - e);
    b.set32(28, e);
    EXPECT_EQ(analyse(b.finish()), r.result);
    if (r.result != 0) {
      expect_refused();
      continue;
    }
    uint16_t w[4];
    memcpy(&w[0], types, 2);
    memcpy(&w[1], types + 2, 2);
    memcpy(&w[2], types + 2 + 10, 2);
    memcpy(&w[3], types + 2 + 42, 2);
    EXPECT_EQ(w[0], 2) << "one entry per variable";
    EXPECT_EQ(w[1], 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(types + 4), 3), "OWN");
    EXPECT_EQ(w[2], 6);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(types + 14), 6), "MYTYPE");
    EXPECT_EQ(w[3], 0) << "other types have no type names";
  }
}

TEST_F(ReplyAnalysis, NamesMustFitTheCallersArea) {
  main.funccode = kFuncDescribe;
  const struct {
    const char* what;
    int16_t sqln;
    uint16_t count;
    uint16_t length;
  } rows[] = {{"more names than sqln", 1, 2, 2}, {"a name longer than 30", 3, 1, 31}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    sqlda3 out{};
    out.da.sqln = r.sqln;
    area.sqliasda = &out.da;
    uint8_t names[2 + 3 * 32] = {};
    area.colnames1 = names;
    area.desckind = 'S';
    body_builder b(false);
    b.status("00000");
    b.sqlca(0, "");
    std::vector<uint8_t> n(2 + 3 * 32, 0);
    const uint32_t nat = b.add(n);
    b.set16(nat, r.count);
    b.set16(nat + 2, r.length);
    b.set32(20, nat);
    EXPECT_EQ(analyse(b.finish()), -1);
    expect_refused();
  }
}

TEST_F(ReplyAnalysis, ACharacterSetPartLargerThanTheCallersAreaKeepsItsLists) {
  main.funccode = kFuncDescribe;
  sqlda3 out{};
  out.da.sqln = 3;
  area.sqliasda = &out.da;
  body_builder b(false);
  described_body(b, 1, 1);
  std::vector<uint8_t> cs(32 + 6, 0);
  const uint32_t csat = b.add(cs);
  b.set16(csat + 12, 3);
  b.set16(csat + 14, 3);
  b.set16(csat + 32, 0x4142);
  b.set32(32, csat);
  uint8_t csna[32 + 4] = {};
  const int16_t own[4] = {2, 0, 0, 0};  // room for two codes only
  memcpy(csna + 12, own, sizeof own);
  area.sqlcsna1 = csna;
  ASSERT_EQ(analyse(b.finish()), 0) << message();
  uint16_t code1;
  memcpy(&code1, csna + 32, 2);
  EXPECT_EQ(code1, 0) << "three codes do not fit two entries";
}

// The caller's allocated counts are the caller's: a reply that claims
// more entries never raises them, so the next reply cannot write past
// the area either.
TEST_F(ReplyAnalysis, CharacterSetRepliesNeverRaiseTheCallersAllocatedCounts) {
  main.funccode = kFuncDescribe;
  sqlda3 out{};
  out.da.sqln = 3;
  area.sqliasda = &out.da;
  constexpr uint16_t kClaimed = 100;
  struct {
    uint8_t csna[32 + 2 * 2];
    uint8_t guard[256];
  } room{};
  memset(room.guard, 0xA5, sizeof room.guard);
  const int16_t own[4] = {2, 0, 0, 0};  // room for two codes, no names
  memcpy(room.csna + 12, own, sizeof own);
  area.sqlcsna1 = room.csna;
  for (const uint16_t inUse : {uint16_t{1}, kClaimed}) {
    body_builder b(false);
    described_body(b, 1, 1);
    std::vector<uint8_t> cs(32 + 2u * kClaimed + 64u * kClaimed, 0x11);
    const uint32_t csat = b.add(cs);
    b.set16(csat + 12, kClaimed);
    b.set16(csat + 14, inUse);
    b.set16(csat + 16, kClaimed);
    b.set16(csat + 18, inUse);
    b.set32(32, csat);
    ASSERT_EQ(analyse(b.finish()), 0) << message();
    int16_t counts[4];
    memcpy(counts, room.csna + 12, sizeof counts);
    EXPECT_EQ(counts[0], 2) << inUse;
    EXPECT_LE(counts[1], counts[0]) << inUse;
    EXPECT_EQ(counts[2], 0) << inUse;
    EXPECT_LE(counts[3], counts[2]) << inUse;
    for (uint8_t g : room.guard) ASSERT_EQ(g, 0xA5) << inUse;
  }
  area.sqliasda = nullptr;  // the list ends with the test
}

TEST_F(ReplyAnalysis, MoreColumnsThanTheCallersSqldaHoldsStayOutOfItsArrays) {
  main.funccode = kFuncDescribe;
  SQLDA one{};
  one.sqln = 1;
  area.sqliasda = &one;
  body_builder b(false);
  described_body(b, 3, 3);
  uint32_t params[1 + 2] = {0, 0xEEEE, 0xEEEE};  // one slot, then guards
  main.param_flag = 1;
  main.param_pointer = params;
  const uint32_t pc = b.add(std::vector<uint8_t>(12, 0));
  b.set32(pc, 7);
  b.set32(pc + 4, 8);
  b.set32(pc + 8, 9);
  b.set32(24, pc);
  ASSERT_EQ(analyse(b.finish()), 0) << message();
  EXPECT_EQ(one.sqld, 3) << "the caller learns how many columns there are";
  EXPECT_EQ(params[0], 7u);
  EXPECT_EQ(params[1], 0xEEEEu);
  EXPECT_EQ(params[2], 0xEEEEu);
}

TEST_F(ReplyAnalysis, CharacterSetNamesLandBehindTheCallersOwnCodeRoom) {
  main.funccode = kFuncDescribe;
  sqlda3 out{};
  out.da.sqln = 3;
  area.sqliasda = &out.da;
  // The server counts its codes in use as it likes; the names always go
  // behind the room the caller allocated for codes, never further.
  for (const uint16_t codesInUse : {uint16_t{1}, uint16_t{3000}}) {
    body_builder b(false);
    described_body(b, 1, 1);
    const uint32_t codesBytes = codesInUse == 1 ? 2 : 2u * codesInUse;
    std::vector<uint8_t> cs(32 + codesBytes + 64, 0);
    const uint32_t csat = b.add(cs);
    b.set16(csat + 12, codesInUse);
    b.set16(csat + 14, codesInUse);
    b.set16(csat + 16, 1);
    b.set16(csat + 18, 1);
    b.set16(csat + 32 + codesBytes, 4);
    memcpy(&b.bytes()[csat + 32 + codesBytes + 2], "UTF8", 4);
    b.set32(32, csat);
    struct {
      uint8_t csna[32 + 2 * 4 + 64];
      uint8_t guard[64];
    } room{};
    memset(room.guard, 0xA5, sizeof room.guard);
    const int16_t own[4] = {4, 0, 1, 0};  // room for four codes, one name
    memcpy(room.csna + 12, own, sizeof own);
    area.sqlcsna1 = room.csna;
    ASSERT_EQ(analyse(b.finish()), 0) << message();
    uint16_t nameLen = 0;
    memcpy(&nameLen, room.csna + 32 + 8, 2);
    EXPECT_EQ(nameLen, 4) << codesInUse;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(room.csna + 32 + 8 + 2), 4), "UTF8") << codesInUse;
    for (uint8_t g : room.guard) ASSERT_EQ(g, 0xA5) << codesInUse;
  }
  area.sqliasda = nullptr;  // the list ends with the test
}

// An offset inside a part is relative to the part and reckoned in 32 bits:
// added to the part's own offset it may wrap around. Where the sum lands
// inside the body that is where the data is read; where it lands past the
// body the reply is refused. It is never read 4 GB past the reply.
TEST_F(ReplyAnalysis, OffsetsThatWrapAroundThirtyTwoBitsStayInsideTheReply) {
  main.srv_level = kLevel26;
  main.funccode = kFuncDescribe;
  const struct {
    const char* what;
    uint32_t field;  // word of the extension part holding the offset
  } rows[] = {{"trace block", 4},      {"access-path block", 8}, {"type names", 12}, {"SQL-trace block", 20},
              {"trace control", 32},  {"error-log text", 36},   {"identity", 40},   {"kept block", 44},
              {"name pair", 48}};
  constexpr uint32_t kTargetSize = 128;
  for (const auto& r : rows) {
    for (const bool inside : {true, false}) {
      SCOPED_TRACE(std::string(r.what) + (inside ? " inside" : " past the body"));
      sqlda3 out{};
      out.da.sqln = 3;
      area.sqliasda = &out.da;
      area.attrkind = 'T';
      uint8_t types[2 + 3 * 42] = {};
      area.attrarea = types;
      uint8_t pair[2 * 32] = {};
      area.namepair = pair;
      body_builder b(false);
      described_body(b, 1, 1);
      const uint32_t e = b.add(std::vector<uint8_t>(52, 0));
      // Small lengths and a text end wherever the wrapped sum points.
      const uint32_t target = b.add(std::vector<uint8_t>(kTargetSize, 0));
      const uint32_t lands = inside ? target : target + kTargetSize + 1;
      b.set32(e + r.field, static_cast<uint32_t>(0x100000000ull - e + lands));
      b.set32(28, e);
      if (inside) {
        EXPECT_EQ(analyse(b.finish()), 0) << message();
      } else {
        EXPECT_EQ(analyse(b.finish()), -1);
        expect_refused();
      }
    }
  }
  area.sqliasda = nullptr;  // the list ends with the test
}

// PREPARE fills the caller's per-column array with the output columns,
// then the input columns right behind the entries the output pass wrote:
// a server that counts more output columns than the caller's SQLDA holds
// moves the input entries neither apart nor past the array.
TEST_F(ReplyAnalysis, PrepareInputEntriesFollowTheOutputEntriesWritten) {
  main.funccode = kFuncPrepare;
  SQLDA output{};
  output.sqln = 1;
  sqlda3 input{};
  input.da.sqln = 2;
  area.sqliasda = &output;
  area.sqliasda2 = &input.da;
  constexpr uint32_t kGuard = 0xEEEE;
  uint32_t params[1 + 2 + 3] = {0, 0, 0, kGuard, kGuard, kGuard};
  main.param_flag = 1;
  main.param_pointer = params;

  body_builder b(false);
  b.status("00000");
  b.sqlca(0, "");
  const uint32_t dir = b.add(std::vector<uint8_t>(44, 0));
  const uint32_t out_desc = static_cast<uint32_t>(b.bytes().size());
  description(b, 3, 3);  // three output columns, more than the caller's one
  const uint32_t out_values = b.add(std::vector<uint8_t>(12, 0));
  for (uint32_t i = 0; i < 3; ++i) b.set32(out_values + 4 * i, 10 + i);
  const uint32_t in_desc = static_cast<uint32_t>(b.bytes().size());
  description(b, 2, 2);
  const uint32_t in_values = b.add(std::vector<uint8_t>(8, 0));
  b.set32(in_values, 20);
  b.set32(in_values + 4, 21);
  b.set32(dir + 20, out_desc - dir);
  b.set32(dir + 32, out_values - dir);
  b.set32(dir + 4, in_desc - dir);
  b.set32(dir + 16, in_values - dir);
  b.set32(16, dir);
  ASSERT_EQ(analyse(b.finish()), 0) << message();
  EXPECT_EQ(output.sqld, 3);
  EXPECT_EQ(input.da.sqld, 2);
  EXPECT_EQ(params[0], 10u);
  EXPECT_EQ(params[1], 20u);
  EXPECT_EQ(params[2], 21u);
  for (int i = 3; i < 6; ++i) EXPECT_EQ(params[i], kGuard) << i;
  area.sqliasda = nullptr;  // the list ends with the test
  area.sqliasda2 = nullptr;
}

TEST_F(ReplyAnalysis, FetchedValuesGoToTheirConverter) {
  main.funccode = kFuncFetch;
  sqlda3 out{};
  out.da.sqln = 3;
  out.da.sqld = 1;
  area.sqliasda = &out.da;
  const struct {
    int16_t rows;
    uint8_t descriptor_form;
    int16_t blkf;
    clt_reply_route route;
  } rows[] = {{1, 0, 0, clt_reply_route::sqlda_single},
              {1, 1, 0, clt_reply_route::output},
              {5, 0, 0, clt_reply_route::sqlda_array},
              {5, 1, 0, clt_reply_route::column},
              {1, 0, 4, clt_reply_route::block}};
  for (const auto& r : rows) {
    converted.clear();
    area.fetchrows = r.rows;
    rconn.descriptor_form = r.descriptor_form;
    env.pdblkf = r.blkf;
    body_builder b(false);
    b.status("00000");
    b.sqlca(0, "");
    b.set32(16, b.add(std::vector<uint8_t>(16, 0)));
    const std::vector<uint8_t> body = b.finish();
    ASSERT_EQ(analyse(body), 0) << message();
    ASSERT_EQ(converted.size(), 1u);
    EXPECT_EQ(converted[0].route, r.route);
    EXPECT_EQ(converted[0].length, body.size());
  }
  area.sqliasda = nullptr;  // the list ends with the test
}

TEST_F(ReplyAnalysis, AFailedFetchStopsAtTheErrorGate) {
  main.funccode = kFuncFetch;
  sqlda3 out{};
  out.da.sqln = 3;
  area.sqliasda = &out.da;
  body_builder b(false);
  b.status("22000");
  b.sqlca(-301, "conversion error");
  b.set32(16, b.add(std::vector<uint8_t>(16, 0)));
  ASSERT_EQ(analyse(b.finish()), 0);
  EXPECT_EQ(sqlca.SQLCODE, -301);
  EXPECT_TRUE(converted.empty());
}

TEST_F(ReplyAnalysis, ValuesWithoutAConverterOrSqldaAreAClientError) {
  main.funccode = kFuncFetch;
  body_builder b(false);
  b.status("00000");
  b.sqlca(0, "");
  b.set32(16, b.add(std::vector<uint8_t>(16, 0)));
  EXPECT_EQ(analyse(b.finish()), -1);
  EXPECT_EQ(sqlca.SQLCODE, -720) << "no SQLDA";
}

TEST_F(ReplyAnalysis, ConnectKeepsTheServersMessageUnconverted) {
  main.funccode = kFuncConnect;
  env.pdcltcnvmode = 6;
  body_builder b(false);
  b.status("08004");
  b.sqlca(-1, "refused");
  const std::vector<uint8_t> body = b.finish();
  ASSERT_EQ(clt_reply_complete(&sqlca, body.data(), static_cast<uint32_t>(body.size())), 0);
  EXPECT_EQ(message(), "refused");
}

}  // namespace

namespace {

uint32_t status_at(body_builder& b) {
  const std::vector<uint8_t>& p = b.bytes();
  return static_cast<uint32_t>(p[8]) << 24 | static_cast<uint32_t>(p[9]) << 16 | static_cast<uint32_t>(p[10]) << 8 | p[11];
}

TEST_F(ReplyAnalysis, TheResultByteArrayInsertAnswerAndCountersComeFromEveryReply) {
  main.funccode = kFuncPrepare;
  env.pdchkaryinsert = 'Y';
  const struct {
    int32_t level;
    uint8_t flags16;
    char answer;
  } rows[] = {{kLevel24, 0x01, 'Y'}, {kLevel24, 0x00, 'N'}, {~18, 0x01, 'U'}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.answer);
    main.srv_level = r.level;
    clt_global_data ctx{};
    ctx.runtime.req_counters[0] = 3;
    ctx.runtime.req_counters[3] = 9;
    clt_cur_global.store(&ctx);
    area.trcword = 77;
    area.aryinsans = 0;
    body_builder b(false);
    b.status("00000", 0, r.flags16);
    b.bytes()[status_at(b) + 5] = 'R';
    b.sqlca(0, "");
    EXPECT_EQ(analyse(b.finish()), 0) << message();
    clt_cur_global.store(nullptr);
    EXPECT_EQ(area.result, 'R');
    EXPECT_EQ(area.trcword, 0u);
    EXPECT_EQ(area.aryinsans, r.answer);
    EXPECT_EQ(ctx.runtime.req_counters[0], 0);
    EXPECT_EQ(ctx.runtime.req_counters[3], 0);
  }
  // Without PDCHKARYINSERT the answer byte stays as it was.
  env.pdchkaryinsert = 'N';
  area.aryinsans = 0;
  body_builder b(false);
  b.status("00000", 0, 0x01);
  b.sqlca(0, "");
  EXPECT_EQ(analyse(b.finish()), 0);
  EXPECT_EQ(area.aryinsans, 0);
}

TEST_F(ReplyAnalysis, ArrayResultCountsFillTheRegisteredArrayOrAreRefused) {
  const clt_req_locator old = clt_req_set_locator(identity_call::locate);
  constexpr uint32_t kGuard = 0xA5A5A5A5;
  main.funccode = 7;
  area.arycount = 3;
  const struct {
    int count;  // counts the reply gives; -1: no E+28
    int32_t result;
    std::vector<uint32_t> expected;
  } rows[] = {{3, 0, {1, 2, 0, kGuard}}, {-1, 0, {0, 0, 0, kGuard}}, {4, -1, {kGuard, kGuard, kGuard, kGuard}}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.count);
    uint32_t counts[4] = {kGuard, kGuard, kGuard, kGuard};
    main.param_pointer = counts;
    identity_call::conn.array_result = 1;
    body_builder b(false);
    b.status("00000");
    b.sqlca(0, "");
    const uint32_t e = b.add(std::vector<uint8_t>(52, 0));
    if (r.count >= 0) {
      const uint32_t list = b.add(std::vector<uint8_t>(4 + 4 * static_cast<size_t>(r.count), 0));
      b.set32(list, static_cast<uint32_t>(r.count));
      for (int i = 0; i < r.count; ++i) b.set32(list + 4 + 4 * static_cast<uint32_t>(i), i == 1 ? 2 : i == 0 ? 1 : 0);
      b.set32(e + 28, list - e);
    }
    b.set32(28, e);
    EXPECT_EQ(analyse(b.finish()), r.result);
    if (r.result != 0) expect_refused();
    EXPECT_EQ(std::vector<uint32_t>(counts, counts + 4), r.expected);
    EXPECT_EQ(identity_call::conn.array_result, 0) << "the registration ends with the reply";
    EXPECT_EQ(main.ary_count, 3);
  }
  main.param_pointer = nullptr;
  clt_req_set_locator(old);
}

TEST_F(ReplyAnalysis, DescribeTypeNamesArePackedEntries) {
  main.funccode = 35;
  area.desckind = 'S';
  const struct {
    uint16_t second_length;
    int32_t result;
  } rows[] = {{4, 0}, {31, -1}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.second_length);
    sqlda3 attrs{};
    attrs.da.sqln = 3;
    area.sqliasda2 = &attrs.da;
    uint8_t names[2 + 3 * 32];
    memset(names, 0x55, sizeof names);
    area.colnames2 = names;
    body_builder b(false);
    b.status("00000");
    b.sqlca(0, "");
    const uint32_t desc = static_cast<uint32_t>(b.bytes().size());
    description(b, 2, 2);
    b.set32(16, desc);
    std::vector<uint8_t> part(2 + 2 + 1 + 2 + r.second_length, 'x');
    const uint32_t np = b.add(part);
    b.set16(np, 2);
    b.set16(np + 2, 1);
    b.bytes()[np + 4] = 'A';
    b.set16(np + 5, r.second_length);
    memcpy(&b.bytes()[np + 7], "ATTR", 4);
    b.set32(20, np);
    EXPECT_EQ(analyse(b.finish()), r.result);
    if (r.result != 0) {
      expect_refused();
      continue;
    }
    uint16_t w[3];
    memcpy(&w[0], names, 2);
    memcpy(&w[1], names + 2, 2);
    memcpy(&w[2], names + 2 + 32, 2);
    EXPECT_EQ(w[0], 2);
    EXPECT_EQ(w[1], 1);
    EXPECT_EQ(names[4], 'A');
    EXPECT_EQ(w[2], 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(names + 36), 4), "ATTR");
  }
  // The names need their area.
  area.colnames2 = nullptr;
  body_builder b(false);
  b.status("00000");
  b.sqlca(0, "");
  const uint32_t desc = static_cast<uint32_t>(b.bytes().size());
  description(b, 0, 0);
  b.set32(16, desc);
  const uint32_t np = b.add(std::vector<uint8_t>(2, 0));
  b.set32(20, np);
  sqlda3 attrs{};
  area.sqliasda2 = &attrs.da;
  EXPECT_EQ(analyse(b.finish()), -1);
  EXPECT_EQ(sqlca.SQLCODE, -720);
}

}  // namespace
