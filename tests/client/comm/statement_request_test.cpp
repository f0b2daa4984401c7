// Statement requests: whole packets written from the layouts in both byte
// orders and at the levels where the body and the parts change, input
// values of each form, extended names and the refused lists.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "CLTRPCPR.h"
#include "CLTSQLDA.h"
#include "clt_cnv.h"
#include "clt_req_statement.h"
#include "zk_seam.h"
#include "zk_codes.h"

namespace {

constexpr uint8_t kGuard = 0xEE;

// An expected packet, written field by field in the server's order.
class golden {
 public:
  golden(bool big, size_t size) : big_(big), b_(size, 0) {}
  void u32(size_t off, uint32_t v) {
    for (int i = 0; i < 4; ++i) b_[off + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (big_ ? 24 - 8 * i : 8 * i));
  }
  void u16(size_t off, uint16_t v) {
    b_[off] = static_cast<uint8_t>(big_ ? v >> 8 : v);
    b_[off + 1] = static_cast<uint8_t>(big_ ? v : v >> 8);
  }
  void text(size_t off, const std::string& s) { memcpy(b_.data() + off, s.data(), s.size()); }
  void byte(size_t off, uint8_t v) { b_[off] = v; }
  std::vector<uint8_t> upto(size_t end) const { return std::vector<uint8_t>(b_.begin() + 8, b_.begin() + static_cast<long>(end)); }

 private:
  bool big_;
  std::vector<uint8_t> b_;
};

uint32_t up(uint32_t n, uint32_t m) { return (n + m - 1) / m * m; }

using bytes = std::vector<uint8_t>;

bytes be(uint32_t v, int n) {
  bytes b;
  for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  return b;
}
bytes cat(std::initializer_list<bytes> parts) {
  bytes b;
  for (const bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}
bytes txt(const std::string& s) { return bytes(s.begin(), s.end()); }

void blank(char* field, size_t n, const char* text = "") {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

// A list of up to four variables.
struct list4 {
  SQLDA da;
  SQLVAR more[3];
  SQLVAR& var(int i) { return i == 0 ? da.sqlvar[0] : more[i - 1]; }
};

struct name_area {
  int16_t length;
  char text[40];
};

class StatementRequest : public ::testing::Test {
 protected:
  std::vector<uint8_t> buf = std::vector<uint8_t>(4096, kGuard);
  uint32_t buf_size = 2048;  // the part the builder may use; the rest guards
  rdb_sql_area area{};
  SQLCA sqlca{};
  clt_main main{};
  clt_req_conn conn{};
  clt_reply_conn reply{};
  std::unique_ptr<clt_env> env = std::make_unique<clt_env>();
  clt_audit_item audit[3]{};
  clt_audit_item_long audit_long{};
  list4 l1{}, l2{};
  std::vector<uint8_t> text_store;

  void SetUp() override {
    current_ = this;
    old_ = clt_req_set_locator(locate);
    area.sqlca = &sqlca;
    memcpy(area.prefix, "PRE1", 4);
    blank(area.name1, sizeof area.name1);
    blank(area.name2, sizeof area.name2);
    blank(area.optname, sizeof area.optname);
    area.termbyte = 1;
    env->pdblkf = 1;
    env->pdrdablkf = 0xFFFF;
    conn.reqseq = 77;
    for (clt_audit_item& a : audit) a.length = CLT_AUDIT_NULL_LENGTH;
    audit_long.length = CLT_AUDIT_NULL_LENGTH;
    for (list4* l : {&l1, &l2}) {
      memcpy(l->da.sqldaid, "SQLDA   ", 8);
      l->da.sqldabc = 16 + 16 * 4;
      l->da.sqln = 4;
    }
  }
  void TearDown() override {
    clt_req_set_locator(old_);
    current_ = nullptr;
  }

  void request(int32_t func, const char* code, uint32_t level, bool big = true) {
    main.funccode = func;
    memcpy(area.reqcode, code, 4);
    main.srv_level = static_cast<int32_t>(~level);
    main.byteorder = big ? 0 : 1;
  }
  void sql(const std::string& s) {
    text_store.assign(sizeof(int32_t) + s.size(), 0);
    const auto n = static_cast<int32_t>(s.size());
    memcpy(text_store.data(), &n, sizeof n);
    memcpy(text_store.data() + sizeof n, s.data(), s.size());
    area.sqltext = reinterpret_cast<rdb_sql_text*>(text_store.data());
  }

  uint32_t get32(size_t off) const {
    return main.byteorder == 0 ? (uint32_t{buf[off]} << 24 | uint32_t{buf[off + 1]} << 16 | uint32_t{buf[off + 2]} << 8 | buf[off + 3])
                               : (uint32_t{buf[off + 3]} << 24 | uint32_t{buf[off + 2]} << 16 | uint32_t{buf[off + 1]} << 8 | buf[off]);
  }
  uint32_t total() const { return get32(8); }
  std::vector<uint8_t> built() const { return std::vector<uint8_t>(buf.begin() + 8, buf.begin() + total()); }
  std::vector<uint8_t> at(size_t off, size_t n) const {
    return std::vector<uint8_t>(buf.begin() + static_cast<long>(off), buf.begin() + static_cast<long>(off + n));
  }
  bool guards_kept() const {
    for (size_t i = total(); i < buf.size(); ++i) {
      if (buf[i] != kGuard) return false;
    }
    return true;
  }

  static inline StatementRequest* current_ = nullptr;
  clt_req_locator old_ = nullptr;

  static clt_req_ctx locate() {
    StatementRequest* t = current_;
    clt_req_ctx c{};
    c.packet = t->buf.data();
    c.packet_size = t->buf_size;
    c.area = &t->area;
    c.main = &t->main;
    c.conn = &t->conn;
    c.reply = &t->reply;
    c.env = t->env.get();
    c.audit = t->audit;
    c.audit_long = &t->audit_long;
    c.errlog_count = 7;
    return c;
  }
};

// A PREPARE that asks for its descriptions, at the levels where the body
// widens, the kept flag, the audit items and the name-pair flag start.
TEST_F(StatementRequest, PrepareWholePacketAtEachLevelAndByteOrder) {
  for (const bool big : {true, false}) {
    for (const uint32_t level : {14u, 15u, 24u, 26u}) {
      SCOPED_TRACE(std::to_string(level) + (big ? " big" : " little"));
      std::fill(buf.begin(), buf.end(), kGuard);
      request(CLT_FC_SET, "SET ", level, big);
      area.section = 5;
      area.stmtword = 0x0102;
      area.stmtattr = 1;
      area.blkf_perm1 = 2;
      area.blkf_perm2 = 3;
      area.desckind = 'S';
      area.attrkind = 'A';
      area.setvars = 'Y';
      area.prpcrcls = 'Y';
      area.stmtid = 0x11223344;
      area.stmtvalue = 0x01020304;
      area.stmtsection = 9;
      area.hold = 'Y';
      area.keep = 'Y';
      area.version = 0x0700;
      blank(area.name1, sizeof area.name1, "STMT1");
      sql("SELECT * FROM T");
      area.sqliasda = &l1.da;
      l1.da.sqln = 2;
      area.sqliasda2 = &l2.da;
      l2.da.sqln = 3;
      int marker = 0;
      area.colnames1 = &marker;
      area.attrarea = &marker;
      area.namepair = &marker;
      main.param_flag = 1;
      name_area ext{3, "abc"};
      area.extstmtname = &ext;
      audit[0].set = 1;
      audit[0].length = 4;
      memcpy(audit[0].text, "AUD1", 4);

      ASSERT_EQ(clt_req_statement(), 0);

      golden g(big, 512);
      const bool wide = level >= 15;
      uint32_t len = wide ? 132 : 112;
      g.byte(12, 1);
      g.u32(16, 52);
      g.text(52, "PRE1");
      g.text(56, "SET ");
      g.u16(60, 5);
      g.u16(62, 0x0102);
      g.text(64, "\x01\x02\x03");
      g.byte(67, 'S');
      g.byte(68, 1);
      g.byte(69, 'N');
      g.byte(70, 'A');
      g.byte(71, 'Y');
      g.u32(76, 0x11223344);
      g.u16(90, 1);
      g.u16(92, 0xFFFF);
      g.u16(94, 9);
      g.byte(96, 'Y');
      g.byte(97, 1);
      g.u32(100, 0x01020304);
      g.u32(104, 77);
      if (wide) g.byte(108, 'Y');
      g.byte(109, level >= 26 ? 0x11 : 0x01);
      if (wide) {
        g.u16(112, 3);
        g.u16(114, 2);
        g.byte(116, 'N');
        g.byte(117, 0x40 | 0x04 | 0x10 | 0x02);
        if (level >= 21) g.u32(120, 7);
        g.u16(128, 0xFFFF);
        g.u16(130, 0xFFFF);
      }
      g.u32(80, len);
      g.text(len, std::string("STMT1\0", 6));
      len += 6;
      len = up(len, 4);
      g.u32(72, len - 52);
      g.u32(len, 15);
      g.text(len + 4, "SELECT * FROM T");
      len += 4 + 15;
      len = up(len, 2);
      g.u32(40, len);
      g.u16(len, 7);
      g.byte(len + 4, 'G');
      g.u16(len + 6, 3);
      g.text(len + 8, "ABC");
      const uint32_t ext7 = len;
      len += 38;
      uint16_t parts = 2;
      if (level >= 24) {
        g.u16(ext7 + 2, static_cast<uint16_t>(len - ext7));
        g.u16(len, 11);
        g.u16(len + 4, 4);
        g.text(len + 6, "AUD1");
        len += 10;
      }
      g.u16(14, parts);
      g.u32(8, len);
      const std::vector<uint8_t> want = g.upto(len), got = built();
      EXPECT_EQ(got, want);
      for (size_t i = 0; i < std::min(got.size(), want.size()); ++i) {
        if (got[i] != want[i]) {
          ADD_FAILURE() << "first difference at " << i + 8;
          break;
        }
      }
      EXPECT_TRUE(guards_kept());
      EXPECT_EQ(std::string(ext.text, 3), "abc");  // the caller's name stays as written
      EXPECT_EQ(conn.build_state & (CLT_REQ_BUILDING | CLT_REQ_BUILT), CLT_REQ_BUILDING | CLT_REQ_BUILT);
    }
  }
}

// INSERT with a declaration name, the notice element and both names of
// ALLOCATE CURSOR; two blank names add nothing.
TEST_F(StatementRequest, BlankNamesDeclarationAndNoticeElement) {
  request(CLT_FC_AUI2, "AUI2", 15);
  area.declkind = 'D';
  blank(area.optname, sizeof area.optname, "DECL1");
  conn.pending_notice = 1;
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(get32(80), 0u);
  EXPECT_EQ(get32(84), 0u);
  EXPECT_EQ(get32(36), 132u);  // declaration part right after the body
  EXPECT_EQ(at(132, 7), (std::vector<uint8_t>{0, 5, 'D', 'E', 'C', 'L', '1'}));
  EXPECT_EQ(get32(40), 140u);
  EXPECT_EQ(at(140, 4), (std::vector<uint8_t>{0, 6, 0, 0}));
  EXPECT_EQ(total(), 144u);
  EXPECT_EQ(conn.pending_notice, 0);
  EXPECT_EQ(at(14, 2), (std::vector<uint8_t>{0, 3}));

  request(CLT_FC_ALCR, "ALCR", 15);
  name_area a{2, "S1"}, b{3, "C_1"};
  area.name49a = &a;
  area.name49b = &b;
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(get32(40), 132u);
  EXPECT_EQ(at(132, 8), (std::vector<uint8_t>{0, 9, 0, 36, 0, 2, 'S', '1'}));
  EXPECT_EQ(at(168, 9), (std::vector<uint8_t>{0, 10, 0, 0, 0, 3, 'C', '_', '1'}));
  EXPECT_EQ(total(), 204u);
}

// A character-set name area: variable entries packed to those in use, name
// entries with their lengths in server order; DESCRIBE sends the counts
// allocated only. Below level 24 nothing of it is sent.
TEST_F(StatementRequest, CharacterSetNamePartsFromLevel24) {
  uint8_t csna[32 + 2 * 3 + 64 * 2] = {};
  memcpy(csna, "SQLCSNA ", 8);
  const uint32_t word = 0x0A0B0C0D;
  memcpy(csna + 8, &word, 4);
  const int16_t counts[4] = {3, 2, 2, 1};
  memcpy(csna + 12, counts, sizeof counts);
  const uint16_t entries[3] = {0, 1, 9};
  memcpy(csna + 32, entries, sizeof entries);
  uint8_t* name = csna + 32 + 6;
  const uint16_t three = 3, four = 4;
  memcpy(name, &three, 2);
  memcpy(name + 2, "SCH", 3);
  memcpy(name + 32, &four, 2);
  memcpy(name + 34, "UTF8", 4);

  request(CLT_FC_AUI2, "AUI2", 24);
  area.sqliasda = &l1.da;
  area.sqlcsna1 = csna;
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(get32(44), 132u);
  bytes want = cat({txt("SQLCSNA "), be(word, 4), be(2, 2), be(2, 2), be(1, 2), be(1, 2), bytes(12, 0), be(0, 2),
                    be(1, 2), be(3, 2), txt("SCH"), bytes(27, 0), be(4, 2), txt("UTF8"), bytes(26, 0)});
  EXPECT_EQ(at(132, want.size()), want);
  EXPECT_EQ(get32(20), 232u);
  EXPECT_EQ(at(14, 2), be(3, 2));

  request(CLT_FC_DESC, "DESC", 24);
  ASSERT_EQ(clt_req_statement(), 0);
  want = cat({txt("SQLCSNA "), be(word, 4), be(3, 2), be(0, 2), be(2, 2), be(0, 2), bytes(12, 0)});
  EXPECT_EQ(at(132, 32), want);
  EXPECT_EQ(get32(20), 164u);

  request(CLT_FC_DESC, "DESC", 23);
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(get32(44), 0u);
  EXPECT_EQ(get32(20), 132u);
}

// A request buffer too small for a part fails with -720 and nothing is
// written past it, whichever part it is.
TEST_F(StatementRequest, NothingIsWrittenBeyondTheRequestBuffer) {
  name_area ext{3, "abc"};
  for (uint32_t size = 100; size < 260; size += 7) {
    SCOPED_TRACE(size);
    std::fill(buf.begin(), buf.end(), kGuard);
    sqlca = SQLCA{};
    buf_size = size;
    request(CLT_FC_SET, "SET ", 24);
    blank(area.name1, sizeof area.name1, "STMT1");
    sql("SELECT * FROM T WHERE C = 1");
    area.extstmtname = &ext;
    audit[2].set = 1;
    audit[2].length = 20;
    const int32_t rc = clt_req_statement();
    if (rc == 0) {
      EXPECT_LE(total(), size);
    } else {
      EXPECT_EQ(sqlca.SQLCODE, -720);
    }
    for (size_t i = size; i < buf.size(); ++i) ASSERT_EQ(buf[i], kGuard) << i;
  }
}

// DESCRIBE TYPE: the head part of its second list counts from the start,
// the first list's two names travel as elements 2 and 3 and are checked
// against 30 bytes and their declared length.
TEST_F(StatementRequest, DescribeTypeSendsItsTwoNamesAsElements) {
  struct vc {
    uint16_t len;
    char text[40];
  } schema{3, "SCH"}, type{4, "TYP1"};
  request(CLT_FC_DEST, "DEST", 15);
  area.sqliasda = &l1.da;
  l1.da.sqld = 2;
  l1.var(0) = SQLVAR{};
  l1.var(0).sqlcod = 0xC0;
  l1.var(0).len.s.sqllen = 30;
  l1.var(0).SQLDATA = &schema;
  l1.var(1) = l1.var(0);
  l1.var(1).SQLDATA = &type;
  area.sqliasda2 = &l2.da;
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(at(14, 2), (std::vector<uint8_t>{0, 3}));
  EXPECT_EQ(get32(20), 132u);
  EXPECT_EQ(at(132 + 14, 2), (std::vector<uint8_t>{0, 0}));
  EXPECT_EQ(get32(40), 148u);
  EXPECT_EQ(at(148, 9), cat({be(2, 2), be(10, 2), be(3, 2), txt("SCH")}));
  EXPECT_EQ(at(158, 10), cat({be(3, 2), be(0, 2), be(4, 2), txt("TYP1")}));
  EXPECT_EQ(total(), 168u);

  type.len = 31;
  l1.var(1).len.s.sqllen = 40;
  EXPECT_EQ(clt_req_statement(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -311);
  EXPECT_EQ(std::string(area.sqlstate, 5), "07001");
}

// DESCRIBE sends the list's head only, with sqld 0.
TEST_F(StatementRequest, DescribeSendsTheHeadWithoutEntries) {
  request(CLT_FC_DESC, "DESC", 15);
  area.sqliasda = &l1.da;
  l1.da.sqld = 3;
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(get32(20), 132u);
  EXPECT_EQ(at(132, 16), (std::vector<uint8_t>{'S', 'Q', 'L', 'D', 'A', ' ', ' ', ' ', 0, 0, 0, 80, 0, 4, 0, 0}));
  EXPECT_EQ(total(), 148u);
}

TEST_F(StatementRequest, FetchRowsPerBlockAndFetchRowWord) {
  struct row {
    int16_t pdblkf;
    int16_t fetchrows;
    uint8_t block_fetch_off;
    std::vector<uint8_t> rows_and_word;  // offsets 90 to 99
  };
  const row rows[] = {
      {100, 0, 0, {0, 100, 0xFF, 0xFF, 0, 0, 'N', 0, 0xFF, 0x9C}},
      {100, 50, 0, {0, 1, 0xFF, 0xFF, 0, 0, 'N', 0, 0, 50}},
      {100, 0, 1, {0, 1, 0xFF, 0xFF, 0, 0, 'N', 0, 0, 0}},
      {1, 0, 0, {0, 1, 0xFF, 0xFF, 0, 0, 'N', 0, 0, 0}},
  };
  for (const row& r : rows) {
    request(CLT_FC_FETC, "FETC", 15);
    env->pdblkf = r.pdblkf;
    area.fetchrows = r.fetchrows;
    main.blkf_flag = r.block_fetch_off;
    ASSERT_EQ(clt_req_statement(), 0);
    EXPECT_EQ(at(90, 10), r.rows_and_word) << r.pdblkf << " " << r.fetchrows;
  }
}

TEST_F(StatementRequest, ExtendedNamesAreCheckedBeforeAnythingIsSent) {
  struct row {
    int32_t func;
    bool cursor;
    int16_t length;
    const char* text;
    int32_t sqlcode;
  };
  const row rows[] = {
      {CLT_FC_CLOS, true, 31, "ABCDEFGHIJABCDEFGHIJABCDEFGHIJK", -107},
      {CLT_FC_CLOS, true, 0, "", -1801},
      {CLT_FC_CLOS, true, 4, "1ABC", -1801},
      {CLT_FC_SET, false, 3, "a b", -1801},
      {CLT_FC_ALCR, false, -1, "", 0},  // ALCR's first name alone sends nothing
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.text);
    std::fill(buf.begin(), buf.end(), kGuard);
    sqlca = SQLCA{};
    request(r.func, "XXXX", 15);
    name_area n{r.length, {}};
    memcpy(n.text, r.text, strlen(r.text));
    area.extstmtname = r.cursor || r.func == CLT_FC_ALCR ? nullptr : &n;
    area.extcursname = r.cursor ? &n : nullptr;
    area.name49a = r.func == CLT_FC_ALCR ? &n : nullptr;
    EXPECT_EQ(clt_req_statement(), r.sqlcode == 0 ? 0 : -1);
    EXPECT_EQ(sqlca.SQLCODE, r.sqlcode);
    EXPECT_EQ(conn.build_state & CLT_REQ_BUILT, CLT_REQ_BUILT);
  }
  request(CLT_FC_CLOS, "CLOS", 15);
  name_area n{31, "ABCDEFGHIJABCDEFGHIJABCDEFGHIJK"};
  area.extcursname = &n;
  area.extstmtname = nullptr;
  area.name49a = nullptr;
  EXPECT_EQ(clt_req_statement(), -1);
  EXPECT_NE(std::string(sqlca.sqlerrmc, static_cast<size_t>(sqlca.sqlerrml)).find("ABCDEFGHIJABCDEFGHIJABCDEFGHIJ"),
            std::string::npos);

  // Names of ALLOCATE CURSOR beyond their room are refused, not copied.
  request(CLT_FC_ALCR, "ALCR", 15);
  area.extcursname = nullptr;
  name_area a{2, "S1"}, b{31, "ABCDEFGHIJABCDEFGHIJABCDEFGHIJK"};
  area.name49a = &a;
  area.name49b = &b;
  EXPECT_EQ(clt_req_statement(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -107);
  b.length = -2;
  EXPECT_EQ(clt_req_statement(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -1801);
}

}  // namespace

namespace {

// One input variable of an INSERT: its description, the host bytes and
// indicator, and what the list part carries for it.
struct value_case {
  const char* name;
  uint8_t code;
  int16_t sqllen;  // or precision in the low byte
  bytes host;
  int32_t ind;     // used for nullable codes
  uint32_t level;
  bytes entry;     // entry bytes 1 to 7
  uint32_t value_off;  // from the part start, 0 = none
  bytes value;
  uint32_t ind_off;
};

class StatementValues : public StatementRequest {
 protected:
  // INSERT at the level with no names or text: the list part at the end of the body.
  uint32_t insert_one(const value_case& v, bool big) {
    std::fill(buf.begin(), buf.end(), kGuard);
    request(CLT_FC_AUI2, "AUI2", v.level, big);
    area.sqliasda = &l1.da;
    l1.da.sqld = 1;
    SQLVAR& var = l1.var(0);
    var = SQLVAR{};
    var.sqlcod = v.code;
    if (v.code == 0xEA || v.code == 0xEC || v.code == 0xE4) {
      var.len.d.sqlprcsn = static_cast<uint8_t>(v.sqllen);
    } else if (v.code == 0x90) {
      var.len.sqllen32 = static_cast<uint32_t>(v.sqllen);
    } else {
      var.len.s.sqllen = v.sqllen;
    }
    host_ = v.host;
    var.SQLDATA = host_.data();
    ind16_ = static_cast<int16_t>(v.ind);
    ind32_ = v.ind;
    var.SQLIND = (v.code & 1) == 0 ? nullptr : v.code == 0x91 ? static_cast<void*>(&ind32_) : &ind16_;
    return v.level >= 15 ? 132 : 112;
  }
  bytes host_;
  int16_t ind16_ = 0;
  int32_t ind32_ = 0;
};

TEST_F(StatementValues, EachFormOfTheValueTableInServerOrder) {
  double one = 1.0;
  bytes one_host(8);
  memcpy(one_host.data(), &one, 8);
  const int32_t int_host = 0x01020304;
  bytes int_bytes(4);
  memcpy(int_bytes.data(), &int_host, 4);
  const int16_t small_host = 0x0506;
  bytes small_bytes(2);
  memcpy(small_bytes.data(), &small_host, 2);
  const uint16_t three = 3;
  bytes vc_host(2 + 10, 'z');
  memcpy(vc_host.data(), &three, 2);
  memcpy(vc_host.data() + 2, "abc", 3);
  bytes blob_host(4 + 3);
  const uint32_t l3 = 3;
  memcpy(blob_host.data(), &l3, 4);
  memcpy(blob_host.data() + 4, "xyz", 3);

  const value_case cases[] = {
      {"integer", 0xF0, 4, int_bytes, 0, 10, {0xF0, 0, 0, 0, 4, 0, 0}, 32, {1, 2, 3, 4}, 0},
      {"smallint", 0xF4, 2, small_bytes, 0, 10, {0xF4, 0, 0, 0, 2, 0, 0}, 32, {5, 6}, 0},
      {"varchar sends its text, zeros past it", 0xC0, 10, vc_host, 0, 10, {0xC0, 0, 0, 0, 10, 0, 0}, 32,
       cat({be(3, 2), txt("abc"), bytes(7, 0)}), 0},
      {"zero-terminated string as VARCHAR, zeros past it", 0x30, 5, txt(std::string("ab\0qq", 5)), 0, 10,
       {0xC0, 0, 0, 0, 5, 0, 0}, 32, cat({be(2, 2), txt("ab"), bytes(3, 0)}), 0},
      {"blank-padded string", 0x32, 5, txt("ab   "), 0, 10, {0xC0, 0, 0, 0, 5, 0, 0}, 32,
       cat({be(2, 2), txt("ab   ")}), 0},
      {"fixed character", 0xC4, 4, txt("wxyz"), 0, 10, {0xC4, 0, 0, 0, 4, 0, 0}, 32, txt("wxyz"), 0},
      {"sign text packs with sign D", 0xEA, 4, txt("-1234"), 0, 10, {0xE4, 0, 0, 4, 0, 0, 0}, 32, {0x01, 0x23, 0x4D}, 0},
      {"sign text odd precision", 0xEA, 3, txt("+123"), 0, 10, {0xE4, 0, 0, 3, 0, 0, 0}, 32, {0x12, 0x3C}, 0},
      {"zoned digits, minus zone", 0xEC, 4, txt("123\x74"), 0, 10, {0xE4, 0, 0, 4, 0, 0, 0}, 32, {0x01, 0x23, 0x4D}, 0},
      {"double reversed for a big-endian server", 0xE0, 8, one_host, 0, 10, {0xE0, 0, 0, 0, 8, 0, 0}, 32,
       {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}, 0},
      {"large binary", 0x90, 100, blob_host, 0, 10, {0x90, 0, 0, 0, 0, 0, 100}, 32, cat({be(0, 4), be(3, 4), txt("xyz")}),
       0},
      {"null at level 10: no value", 0xF1, 4, int_bytes, -1, 10, {0xF1, 0, 0, 0, 4, 0, 0}, 0, {}, 32},
      {"null below level 10 keeps its place", 0xF1, 4, int_bytes, -1, 9, {0xF1, 0, 0, 0, 4, 0, 0}, 32, {0, 0, 0, 0}, 36},
      {"not null with its indicator", 0xF5, 2, small_bytes, 0, 10, {0xF5, 0, 0, 0, 2, 0, 0}, 32, {5, 6}, 34},
      {"null varchar below level 10 writes length 0", 0xC1, 10, vc_host, -1, 9, {0xC1, 0, 0, 0, 10, 0, 0}, 32,
       bytes(12, 0), 44},
  };
  for (const value_case& v : cases) {
    SCOPED_TRACE(v.name);
    const uint32_t part = insert_one(v, true);
    ASSERT_EQ(clt_req_statement(), 0);
    ASSERT_EQ(get32(20), part);
    EXPECT_EQ(at(part + 16 + 1, 7), v.entry);
    EXPECT_EQ(get32(part + 16 + 8), v.value_off);
    if (v.value_off != 0) {
      EXPECT_EQ(at(part + v.value_off, v.value.size()), v.value);
    }
    EXPECT_EQ(get32(part + 16 + 12), v.ind_off);
    if (v.ind_off != 0) {
      EXPECT_EQ(at(part + v.ind_off, 2), be(static_cast<uint16_t>(v.ind), 2));
    }
    EXPECT_TRUE(guards_kept());
  }
}

TEST_F(StatementValues, ClientOrderServerGetsHostNumbersAsTheyAre) {
  const int32_t host = 0x01020304;
  bytes hb(4);
  memcpy(hb.data(), &host, 4);
  insert_one({"integer", 0xF0, 4, hb, 0, 10, {}, 0, {}, 0}, false);
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(at(112 + 32, 4), (bytes{4, 3, 2, 1}));
  EXPECT_EQ(at(112 + 16, 4), (bytes{0xEE, 0xF0, 0, 0}));  // the reserved byte is not written
}

TEST_F(StatementValues, RefusedVariablesAreReportedBeforeSending) {
  struct row {
    const char* name;
    uint8_t code;
    int16_t sqllen;
    bytes host;
    int32_t sqlcode;
    const char* state;
  };
  bytes long_vc(2 + 4, 'a');
  const uint16_t five = 5;
  memcpy(long_vc.data(), &five, 2);
  const row rows[] = {
      {"string without its zero", 0x30, 3, txt("abcd"), -311, "07001"},
      {"varchar longer than declared", 0xC0, 4, long_vc, -311, "07001"},
      {"unknown code", 0x50, 4, txt("abcd"), -311, "07001"},
      {"second-protocol large binary", 0x98, 4, bytes(16, 0), -311, "07001"},
      {"value beyond the request buffer", 0xC4, 3000, bytes(3000, 'q'), -720, "R0000"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    sqlca = SQLCA{};
    insert_one({r.name, r.code, r.sqllen, r.host, 0, 10, {}, 0, {}, 0}, true);
    EXPECT_EQ(clt_req_statement(), -1);
    EXPECT_EQ(sqlca.SQLCODE, r.sqlcode);
    EXPECT_EQ(std::string(area.sqlstate, 5), r.state);
    for (size_t i = buf_size; i < buf.size(); ++i) ASSERT_EQ(buf[i], kGuard) << i;
  }
}

// A VARCHAR repetition value of three elements whose second is null: the
// count, then the two others with their own lengths only.
TEST_F(StatementValues, RepetitionValueSkipsItsNullElements) {
  struct host_value {
    uint32_t n;
    struct {
      uint16_t len;
      char text[6];
    } e[4];
  } hv{3, {{2, "ab"}, {5, "zzzzz"}, {3, "cde"}, {0, ""}}};
  struct host_ind {
    int32_t column;
    int16_t e[4];
  } hi{0, {0, -1, 0, 0}};
  request(CLT_FC_AUI2, "AUI2", 15);
  area.sqliasda = &l1.da;
  l1.da.sqld = 1;
  SQLVAR& v = l1.var(0);
  v = SQLVAR{};
  v.sqlcod = 0xC1;
  v.XDIM = 4;
  v.len.s.sqllen = 5;
  v.len.s.SYS = sizeof hv.e[0];
  v.SQLDATA = &hv;
  v.SQLIND = &hi;
  ASSERT_EQ(clt_req_statement(), 0);
  const uint32_t part = 132;
  EXPECT_EQ(at(part + 16 + 1, 7), (bytes{0xC1, 0, 4, 0, 5, 0, 7}));
  EXPECT_EQ(get32(part + 16 + 8), 32u);
  EXPECT_EQ(at(part + 32, 4 + 4 + 5), cat({be(3, 4), be(2, 2), txt("ab"), be(3, 2), txt("cde")}));
  EXPECT_EQ(get32(part + 16 + 12), 48u);  // the next multiple of 4
  EXPECT_EQ(at(part + 48, 10), cat({be(0, 4), be(0, 2), be(0xFFFF, 2), be(0, 2)}));
  EXPECT_EQ(total(), part + 58);

  hv.n = 5;  // more elements than the host holds
  EXPECT_EQ(clt_req_statement(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -311);
}

// An array INSERT of three rows: numbers for every row, VARCHAR rows
// through an offset table (0 for the null row), fixed strings in slots.
TEST_F(StatementValues, ArrayStatementRowsWithTheirIndicators) {
  request(CLT_FC_AUI2, "AUI2", 18);
  area.version = 0x0700;
  area.arycount = 3;
  area.sqliasda = &l1.da;
  l1.da.sqld = 3;
  int32_t ints[3] = {1, 2, 3};
  int16_t int_ind[3] = {0, -1, 0};
  struct vc {
    uint16_t len;
    char text[4];
  } vcs[3] = {{1, "a"}, {3, "zzz"}, {2, "bc"}};
  int16_t vc_ind[3] = {0, -1, 0};
  char fixed[3][3] = {{'x', 'y', 0}, {'p', 'q', 0}, {'u', 'v', 0}};  // terminator byte 1: rows 3 apart
  l1.var(0) = SQLVAR{};
  l1.var(0).sqlcod = 0xF1;
  l1.var(0).len.s.sqllen = 4;
  l1.var(0).SQLDATA = ints;
  l1.var(0).SQLIND = int_ind;
  l1.var(1) = SQLVAR{};
  l1.var(1).sqlcod = 0xC1;
  l1.var(1).len.s.sqllen = 3;
  l1.var(1).len.s.SYS = sizeof(vc);
  l1.var(1).SQLDATA = vcs;
  l1.var(1).SQLIND = vc_ind;
  l1.var(2) = SQLVAR{};
  l1.var(2).sqlcod = 0xC4;
  l1.var(2).len.s.sqllen = 2;
  l1.var(2).SQLDATA = fixed;
  ASSERT_EQ(clt_req_statement(), 0);
  const uint32_t part = 132;
  EXPECT_EQ(at(110, 2), be(3, 2));
  const uint32_t values = part + 16 + 48;  // 196
  EXPECT_EQ(get32(part + 16 + 8), values - part);
  EXPECT_EQ(at(values, 12), cat({be(1, 4), be(2, 4), be(3, 4)}));  // the null row's number goes too
  EXPECT_EQ(get32(part + 16 + 12), values + 12 - part);
  EXPECT_EQ(at(values + 12, 6), cat({be(0, 2), be(0xFFFF, 2), be(0, 2)}));
  const uint32_t table = values + 20;  // after the indicators, on a multiple of 4
  EXPECT_EQ(get32(part + 32 + 8), table - part);
  const uint32_t slots = table + 12;  // slots of 4 + 2 bytes
  EXPECT_EQ(get32(table), slots - part);
  EXPECT_EQ(get32(table + 4), 0u);
  EXPECT_EQ(get32(table + 8), slots + 12 - part);
  EXPECT_EQ(at(slots, 3), cat({be(1, 2), txt("a")}));
  EXPECT_EQ(at(slots + 12, 4), cat({be(2, 2), txt("bc")}));
  const uint32_t fixed_at = slots + 18 + 6;  // after the VARCHAR indicators
  EXPECT_EQ(get32(part + 48 + 8), fixed_at - part);
  EXPECT_EQ(at(fixed_at, 6), txt("xypquv"));
}

// Without a terminator byte zero-terminated rows lie sqllen apart: a full
// row is all text and nothing past the last row is read.
TEST_F(StatementValues, ArrayRowsOfStringsWithoutTerminatorRoom) {
  request(CLT_FC_AUI2, "AUI2", 18);
  area.version = 0x0700;
  area.arycount = 2;
  area.termbyte = 2;
  area.sqliasda = &l1.da;
  l1.da.sqld = 1;
  auto rows = std::make_unique<char[]>(4);  // exactly the two rows, so ASan sees a read past them
  memcpy(rows.get(), "abc", 4);
  l1.var(0) = SQLVAR{};
  l1.var(0).sqlcod = 0x30;
  l1.var(0).len.s.sqllen = 2;
  l1.var(0).SQLDATA = rows.get();
  ASSERT_EQ(clt_req_statement(), 0);
  const uint32_t table = 132 + 32;
  EXPECT_EQ(at(132 + 17, 1), bytes{0xC0});
  EXPECT_EQ(get32(table), 40u);
  EXPECT_EQ(at(table + 8, 4), cat({be(2, 2), txt("ab")}));
  EXPECT_EQ(at(table + 12, 3), cat({be(1, 2), txt("c")}));
  memcpy(rows.get(), "abcd", 4);  // the last row has no zero and no room: all text too
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(at(table + 12, 4), cat({be(2, 2), txt("cd")}));
}

// FETCH INTO: described with the sizes that the reply's conversion needs,
// capped; a short element stride of an array fetch is an INTO fault.
TEST_F(StatementValues, IntoVariablesAreEnlargedForConversionAndChecked) {
  request(CLT_FC_FETC, "FETC", 15);
  env->cnv_slot[CLT_CNV_SLOT_SERVER - 1].factor = 3;
  area.sqliasda = &l1.da;
  l1.da.sqld = 2;
  l1.var(0) = SQLVAR{};
  l1.var(0).sqlcod = 0xC4;
  l1.var(0).len.s.sqllen = 20000;
  l1.var(1) = SQLVAR{};
  l1.var(1).sqlcod = 0xC0;
  l1.var(1).len.s.sqllen = 10;
  ASSERT_EQ(clt_req_statement(), 0);
  EXPECT_EQ(at(132 + 16 + 4, 4), (bytes{0x75, 0x30, 0, 0}));  // 30000, not 60000; no size without block fetch
  EXPECT_EQ(at(132 + 32 + 4, 2), (bytes{0, 30}));

  area.fetchrows = 10;  // array fetch: VARCHAR rows SYS apart
  l1.var(1).len.s.SYS = 11;
  EXPECT_EQ(clt_req_statement(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -311);
  EXPECT_EQ(std::string(area.sqlstate, 5), "07002");
}

}  // namespace

namespace {

clt_env* g_cnv_env = nullptr;
int32_t through_test_env(int32_t slot, int32_t* source_length, const char* source, int32_t* target_size, char* target,
                         int32_t* output_length, uint32_t* replaced, uint32_t mode) {
  return clt_cnv_convert_env(*g_cnv_env, slot, source_length, source, target_size, target, output_length, replaced,
                             mode);
}

// Character values on a UTF-8 connection: converted into the packet, the
// length fields following the converted bytes.
class StatementConverted : public StatementValues {
 protected:
  void SetUp() override {
    StatementValues::SetUp();
    saved_ = clt_svc;
    env->pdcltcnvmode = CLT_CNV_UTF8;
    clt_cnv_setup(env.get(), CLT_CNV_UTF8);
    g_cnv_env = env.get();
    clt_svc.cnv_convert = through_test_env;
  }
  void TearDown() override {
    clt_svc = saved_;
    g_cnv_env = nullptr;
    StatementValues::TearDown();
  }
  bytes expected(const bytes& source) {
    bytes out(3 * source.size() + 4);
    int32_t n = static_cast<int32_t>(source.size()), room = static_cast<int32_t>(out.size()), m = 0;
    uint32_t replaced = 0;
    EXPECT_EQ(clt_cnv_convert_env(*env, CLT_CNV_SLOT_CLIENT, &n, reinterpret_cast<const char*>(source.data()), &room,
                                  reinterpret_cast<char*>(out.data()), &m, &replaced, CLT_CNV_STORE),
              0);
    out.resize(static_cast<size_t>(m));
    return out;
  }
  clt_services saved_{};
};

TEST_F(StatementConverted, StringFormsCarryTheConvertedBytesAndLength) {
  const bytes kana = {0x82, 0xA0, 0x82, 0xA2};  // two double-byte characters of the client
  const bytes want = expected(kana);
  ASSERT_GT(want.size(), kana.size());
  bytes vc(2 + 4);
  const uint16_t four = 4;
  memcpy(vc.data(), &four, 2);
  memcpy(vc.data() + 2, kana.data(), 4);
  bytes z = kana;
  z.push_back(0);
  struct row {
    const char* name;
    uint8_t code;
    bytes host;
    bool prefixed;
  };
  const row rows[] = {
      {"varchar raised above its sqllen", 0xC0, vc, true},
      {"zero-terminated string", 0x30, z, true},
      {"fixed character", 0xC4, kana, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    const uint32_t part = insert_one({r.name, r.code, 4, r.host, 0, 10, {}, 0, {}, 0}, true);
    ASSERT_EQ(clt_req_statement(), 0);
    EXPECT_EQ(at(part + 16 + 4, 2), be(static_cast<uint32_t>(want.size()), 2));
    EXPECT_EQ(get32(part + 16 + 8), 32u);
    const bytes value = r.prefixed ? cat({be(static_cast<uint32_t>(want.size()), 2), want}) : want;
    EXPECT_EQ(at(part + 32, value.size()), value);
    EXPECT_EQ(total(), part + 32 + value.size());
  }
}

TEST_F(StatementConverted, SqlTextLengthIsTheConvertedLength) {
  request(CLT_FC_SET, "SET ", 15);
  sql("SELECT '\x82\xA0'");
  ASSERT_EQ(clt_req_statement(), 0);
  const bytes want = expected(txt("SELECT '\x82\xA0'"));
  EXPECT_EQ(get32(132), want.size());
  EXPECT_GT(want.size(), 10u);
  EXPECT_EQ(at(136, want.size()), want);
}

// Array rows on a UTF-8 connection: measured first, the widest converted
// row sets the slot width and the entry's length.
TEST_F(StatementConverted, ArrayRowsAreMeasuredThenConverted) {
  const bytes kana = expected({0x82, 0xA0});
  ASSERT_EQ(kana.size(), 3u);
  request(CLT_FC_AUI2, "AUI2", 18);
  area.version = 0x0700;
  area.arycount = 2;
  area.sqliasda = &l1.da;
  l1.da.sqld = 2;
  struct vc {
    uint16_t len;
    char text[2];
  } vcs[2] = {{2, {'\x82', '\xA0'}}, {2, {'a', 'b'}}};
  char fixed[2][2] = {{'\x82', '\xA0'}, {'a', 'b'}};
  l1.var(0) = SQLVAR{};
  l1.var(0).sqlcod = 0xC0;
  l1.var(0).len.s.sqllen = 2;
  l1.var(0).len.s.SYS = sizeof(vc);
  l1.var(0).SQLDATA = vcs;
  l1.var(1) = SQLVAR{};
  l1.var(1).sqlcod = 0xC4;
  l1.var(1).len.s.sqllen = 2;
  l1.var(1).SQLDATA = fixed;
  area.termbyte = 2;
  ASSERT_EQ(clt_req_statement(), 0) << sqlca.SQLCODE << " " << std::string(sqlca.sqlerrmc, 70);
  const uint32_t part = 132, table = part + 48;
  EXPECT_EQ(at(part + 16 + 4, 2), be(3, 2));
  EXPECT_EQ(get32(table), 56u);  // slots of 4 + 2 bytes behind the table
  EXPECT_EQ(at(table + 8, 5), cat({be(3, 2), kana}));
  EXPECT_EQ(get32(table + 4), 62u);
  EXPECT_EQ(at(table + 14, 4), cat({be(2, 2), txt("ab")}));
  EXPECT_EQ(at(part + 32 + 4, 2), be(3, 2));
  const uint32_t fixed_at = table + 20;
  EXPECT_EQ(get32(part + 32 + 8), fixed_at - part);
  EXPECT_EQ(at(fixed_at, 6), cat({kana, txt("ab"), bytes{0}}));
  EXPECT_EQ(total(), fixed_at + 6);
}

TEST_F(StatementConverted, RepetitionElementsAreConvertedOneByOne) {
  const bytes kana = expected({0x82, 0xA0});
  struct host_value {
    uint32_t n;
    struct {
      uint16_t len;
      char text[2];
    } e[2];
  } hv{2, {{2, {'\x82', '\xA0'}}, {2, {'a', 'b'}}}};
  struct fixed_value {
    uint32_t n;
    char e[2][2];
  } fv{2, {{'\x82', '\xA0'}, {'a', 'b'}}};
  request(CLT_FC_AUI2, "AUI2", 15);
  area.termbyte = 2;
  area.sqliasda = &l1.da;
  l1.da.sqld = 2;
  l1.var(0) = SQLVAR{};
  l1.var(0).sqlcod = 0xC0;
  l1.var(0).XDIM = 2;
  l1.var(0).len.s.sqllen = 2;
  l1.var(0).len.s.SYS = sizeof hv.e[0];
  l1.var(0).SQLDATA = &hv;
  l1.var(1) = SQLVAR{};
  l1.var(1).sqlcod = 0xC4;
  l1.var(1).XDIM = 2;
  l1.var(1).len.s.sqllen = 2;
  l1.var(1).SQLDATA = &fv;
  ASSERT_EQ(clt_req_statement(), 0) << sqlca.SQLCODE;
  const uint32_t part = 132;
  EXPECT_EQ(at(part + 16 + 4, 2), be(3, 2));
  EXPECT_EQ(at(part + 48, 4 + 5 + 4), cat({be(2, 4), be(3, 2), kana, be(2, 2), txt("ab")}));
  EXPECT_EQ(at(part + 32 + 4, 2), be(3, 2));
  EXPECT_EQ(get32(part + 32 + 8), 64u);  // 48 + 13 bytes, on a multiple of 4
  EXPECT_EQ(at(part + 64, 4 + 6), cat({be(2, 4), kana, txt("ab"), bytes{0}}));
}

TEST_F(StatementConverted, NationalValueOfOddConvertedLengthIsRefused) {
  bytes nv(2 + 2);
  const uint16_t one = 1;
  memcpy(nv.data(), &one, 2);
  nv[2] = 0x82;
  nv[3] = 0xA0;
  ASSERT_EQ(expected({0x82, 0xA0}).size() % 2, 1u);
  insert_one({"national varchar", 0xB0, 1, nv, 0, 10, {}, 0, {}, 0}, true);
  EXPECT_EQ(clt_req_statement(), -1);
  EXPECT_EQ(sqlca.SQLCODE, -306);
}

}  // namespace
