// The test server's statement service on requests laid out by hand as
// the statement request and input encoding are specified: PREPARE
// answers its directory, the execute family decodes the input values and
// changes the table set, ROLLBACK undoes, OPEN keeps a cursor, status
// bytes follow the script.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "marlo_engine.h"

namespace {

constexpr uint32_t kBodyEnd = 132;  // header and the 80-byte body
const marlo::byte_order kBig{false};

// A statement request of a level-26 client, big-endian.
struct packet {
  std::vector<uint8_t> b = std::vector<uint8_t>(kBodyEnd, 0);

  void u16(uint32_t at, uint16_t v) { kBig.put16(b.data() + at, v); }
  void u32(uint32_t at, uint32_t v) { kBig.put32(b.data() + at, v); }
  void align() { b.resize((b.size() + 3) & ~size_t{3}, 0); }

  packet(const char* reqcode, uint16_t section) {
    b[12] = 1;
    u32(16, 52);
    memcpy(b.data() + 56, reqcode, 4);
    u16(60, section);
  }
  packet& text(const std::string& sql) {
    align();
    u32(72, static_cast<uint32_t>(b.size() - 52));
    b.resize(b.size() + 4, 0);
    u32(static_cast<uint32_t>(b.size() - 4), static_cast<uint32_t>(sql.size()));
    b.insert(b.end(), sql.begin(), sql.end());
    return *this;
  }
  // The statement flags' SET-variables bit: PREPARE describes into SQLDAs.
  packet& set_variables() {
    b[109] |= 0x01;
    return *this;
  }
  packet& rows(uint16_t r) {
    u16(110, r);
    return *this;
  }
  std::vector<uint8_t> done() {
    u32(8, static_cast<uint32_t>(b.size()));
    return b;
  }
};

// One input variable: its entry and the bytes of its value and indicator,
// each placed at the next offset of its alignment.
struct var {
  uint8_t code;
  uint8_t len_hi;  // sqllen high byte, or the precision
  uint8_t len_lo;  // sqllen low byte, or the scale
  std::vector<uint8_t> value;  // empty: offset 0
  uint32_t align;
  std::vector<uint8_t> indicator;  // empty: none
};

// The descriptor part in slot 0: head, entries, then values.
void add_descriptor(packet* p, const std::vector<var>& vars) {
  p->align();
  const uint32_t part = static_cast<uint32_t>(p->b.size());
  p->u32(20, part);
  p->b.resize(part + 16 + 16 * vars.size(), 0);
  memcpy(p->b.data() + part, "SQLDA   ", 8);
  p->u16(part + 12, static_cast<uint16_t>(vars.size()));
  p->u16(part + 14, static_cast<uint16_t>(vars.size()));
  for (size_t i = 0; i < vars.size(); ++i) {
    const var& v = vars[i];
    const uint32_t e = part + 16 + 16 * static_cast<uint32_t>(i);
    p->b[e + 1] = v.code;
    p->u16(e + 2, 1);
    p->b[e + 4] = v.len_hi;
    p->b[e + 5] = v.len_lo;
    if (!v.value.empty()) {
      p->b.resize((p->b.size() + v.align - 1) / v.align * v.align, 0);
      p->u32(e + 8, static_cast<uint32_t>(p->b.size()) - part);
      p->b.insert(p->b.end(), v.value.begin(), v.value.end());
    }
    if (!v.indicator.empty()) {
      p->b.resize((p->b.size() + 1) & ~size_t{1}, 0);
      p->u32(e + 12, static_cast<uint32_t>(p->b.size()) - part);
      p->b.insert(p->b.end(), v.indicator.begin(), v.indicator.end());
    }
  }
}

std::vector<uint8_t> be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
std::vector<uint8_t> be16(uint16_t v) { return {uint8_t(v >> 8), uint8_t(v)}; }
std::vector<uint8_t> varchar(const std::string& s) {
  std::vector<uint8_t> b = be16(static_cast<uint16_t>(s.size()));
  b.insert(b.end(), s.begin(), s.end());
  return b;
}
std::vector<uint8_t> join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> b;
  for (const auto& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

// The reply as the client reads it.
struct reply_view {
  std::vector<uint8_t> b;
  uint32_t u32(uint32_t at) const { return kBig.u32(b.data() + at); }
  uint16_t u16(uint32_t at) const { return kBig.u16(b.data() + at); }
  uint32_t sqlca() const { return u32(12); }
  int32_t sqlcode() const { return static_cast<int32_t>(u32(sqlca() + 12)); }
  std::string message() const {
    const uint32_t m = u32(sqlca() + 8);
    return m == 0 ? "" : std::string(b.begin() + sqlca() + m + 2, b.begin() + sqlca() + m + 2 + u16(sqlca() + m));
  }
  uint8_t status(uint32_t byte) const { return b[u32(8) + byte]; }
  std::string name(uint32_t names, int i) const {
    const uint32_t e = names + 2 + 32 * static_cast<uint32_t>(i);
    return std::string(b.begin() + e + 2, b.begin() + e + 2 + u16(e));
  }
};

marlo::table staff() {
  marlo::table t;
  t.name = "STAFF";
  marlo::column id;
  id.name = "ID";
  id.code = 0xF0;
  id.length = 4;
  id.nullable = false;
  marlo::column name;
  name.name = "NAME";
  name.code = 0xC0;
  name.length = 10;
  name.charset = "MS932";
  marlo::column pay;
  pay.name = "PAY";
  pay.code = 0xE4;
  pay.precision = 9;
  pay.scale = 2;
  t.columns = {id, name, pay};
  t.rows = {{marlo::cell::of("1"), marlo::cell::of("Aoki"), marlo::cell::of("10.00")}};
  return t;
}

struct service {
  marlo::engine e;
  explicit service(marlo::engine_config c = {}) : e(set(), c) {}
  static marlo::table_set set() {
    marlo::table_set s;
    s.declare(staff());
    return s;
  }
  reply_view ask(const char* function, std::vector<uint8_t> request) {
    reply_view r;
    EXPECT_TRUE(e.answer(function, request, &r.b));
    return r;
  }
  const std::vector<std::vector<marlo::cell>>& rows() { return e.tables().find("STAFF")->rows; }
};

constexpr char kInsert[] = "INSERT INTO STAFF (ID, NAME, PAY) VALUES (?, ?, ?)";

TEST(TestServerEngine, PrepareAnswersItsDirectoryWithTheInputDescription) {
  service s;
  // Without the SET-variables bit there is nothing to describe into.
  EXPECT_EQ(s.ask("p_f_sqa_csetup", packet("SET ", 4).text(kInsert).done()).u32(16), 0u);
  const reply_view r = s.ask("p_f_sqa_csetup", packet("SET ", 3).text(kInsert).set_variables().done());
  ASSERT_EQ(r.sqlcode(), 0) << r.message();
  EXPECT_EQ(r.u16(r.sqlca() + 16 + 16 + 2), 0x1100);  // statement kind, second half of sqlerrd[4]
  EXPECT_EQ(r.status(16) & 0x01, 0x01);               // an array insert may follow
  const uint32_t dir = r.u32(16);
  const uint32_t in = dir + r.u32(dir + 4);
  EXPECT_EQ(r.u16(in + 14), 3);
  EXPECT_EQ(r.b[in + 16 + 1], 0xF0);
  EXPECT_EQ(r.b[in + 32 + 1], 0xC1);
  EXPECT_EQ(r.u16(in + 32 + 4), 10);
  EXPECT_EQ(r.b[in + 48 + 1], 0xE5);
  EXPECT_EQ(r.b[in + 48 + 4], 9);
  EXPECT_EQ(r.b[in + 48 + 5], 2);
  EXPECT_EQ(r.name(dir + r.u32(dir + 8), 1), "NAME");
  const uint32_t out = dir + r.u32(dir + 20);
  EXPECT_EQ(r.u16(out + 14), 0);
  // The input character-set part names the charset of NAME alone.
  const uint32_t cs = dir + r.u32(dir + 36);
  EXPECT_EQ(r.u16(cs + 14), 3);
  EXPECT_EQ(r.u16(cs + 32), 0);
  EXPECT_EQ(r.u16(cs + 34), 1);
  EXPECT_EQ(std::string(r.b.begin() + cs + 38 + 32 + 2, r.b.begin() + cs + 38 + 32 + 7), "MS932");
}

TEST(TestServerEngine, ExecuteDecodesTheInputValuesAndRollbackUndoesThem) {
  service s;
  s.ask("p_f_sqa_csetup", packet("SET ", 3).text(kInsert).done());
  packet exec("AUX ", 3);
  add_descriptor(&exec, {{0xF0, 0, 4, be32(7), 4, {}},
                         {0xC1, 0, 10, varchar("Cho"), 2, be16(0)},
                         {0xE5, 9, 2, {0x00, 0x00, 0x01, 0x23, 0x4C}, 1, be16(0)}});
  reply_view r = s.ask("p_f_sqa_caux", exec.done());
  ASSERT_EQ(r.sqlcode(), 0) << r.message();
  EXPECT_EQ(r.u32(r.sqlca() + 16 + 8), 1u);  // sqlerrd[2]
  ASSERT_EQ(s.rows().size(), 2u);
  EXPECT_EQ(s.rows()[1], (std::vector<marlo::cell>{marlo::cell::of("7"), marlo::cell::of("Cho"), marlo::cell::of("12.34")}));

  // NULL by indicator, and with no value at all.
  packet nulls("AUX ", 3);
  add_descriptor(&nulls, {{0xF0, 0, 4, be32(8), 4, {}},
                          {0xC1, 0, 10, {}, 2, be16(0xFFFF)},
                          {0xE5, 9, 2, {0, 0, 0, 0, 0x0C}, 1, be16(0xFFFF)}});
  ASSERT_EQ(s.ask("p_f_sqa_caux", nulls.done()).sqlcode(), 0);
  EXPECT_TRUE(s.rows()[2][1].null);
  EXPECT_TRUE(s.rows()[2][2].null);

  EXPECT_EQ(s.ask("p_f_sqa_crollback", packet("ROLL", 0).done()).sqlcode(), 0);
  EXPECT_EQ(s.rows().size(), 1u);
}

TEST(TestServerEngine, AnArrayInsertTakesEveryRowAndAnswersItsCounts) {
  service s;
  s.ask("p_f_sqa_csetup", packet("SET ", 3).text(kInsert).done());
  packet exec("AUX ", 3);
  exec.rows(2);
  // Strings: a table of row offsets (from the part start), then the slots.
  const uint32_t part = (kBodyEnd + 3) & ~3u;
  const uint32_t names_at = 16 + 3 * 16 + 8;  // after the entries and the two integers
  const std::vector<uint8_t> names =
      join({be32(names_at + 8), be32(0), varchar("Eda"), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}});
  add_descriptor(&exec, {{0xF0, 0, 4, join({be32(20), be32(21)}), 4, {}},
                         {0xC1, 0, 10, names, 4, join({be16(0), be16(0xFFFF)})},
                         {0xE5, 9, 2, {0, 0, 0, 0x50, 0x0C, 0, 0, 0, 0, 0x0C}, 1, join({be16(0xFFFF), be16(0)})}});
  ASSERT_EQ(exec.b.size() > part, true);
  const reply_view r = s.ask("p_f_sqa_caux", exec.done());
  ASSERT_EQ(r.sqlcode(), 0) << r.message();
  ASSERT_EQ(s.rows().size(), 3u);
  EXPECT_EQ(s.rows()[1], (std::vector<marlo::cell>{marlo::cell::of("20"), marlo::cell::of("Eda"), marlo::cell::null_cell()}));
  EXPECT_EQ(s.rows()[2], (std::vector<marlo::cell>{marlo::cell::of("21"), marlo::cell::null_cell(), marlo::cell::of("0.00")}));
  const uint32_t ext = r.u32(28);
  const uint32_t counts = ext + r.u32(ext + 28);
  EXPECT_EQ(r.u32(counts), 2u);
  EXPECT_EQ(r.u32(counts + 4), 1u);
  EXPECT_EQ(r.u32(counts + 8), 1u);
}

TEST(TestServerEngine, OpenKeepsACursorAndDeleteRemovesByItsPredicate) {
  marlo::engine_config c;
  c.statuses["p_f_sqa_copen2"] = marlo::status_bytes{1, 0x02, 0x04};
  service s(c);
  packet open("OPN2", 5);
  open.text("SELECT NAME FROM STAFF WHERE ID = ?");
  add_descriptor(&open, {{0xF4, 0, 2, be16(1), 2, {}}});
  const reply_view r = s.ask("p_f_sqa_copen2", open.done());
  ASSERT_EQ(r.sqlcode(), 0) << r.message();
  EXPECT_EQ(r.status(6), 1);
  EXPECT_EQ(r.status(7), 0x02);
  EXPECT_EQ(r.status(16), 0x04);
  ASSERT_EQ(s.e.cursors().count({5, ""}), 1u);
  EXPECT_EQ(s.e.cursors().at({5, ""}).rows, (std::vector<std::vector<marlo::cell>>{{marlo::cell::of("Aoki")}}));
  EXPECT_EQ(s.ask("p_f_sqa_cclose", packet("CLOS", 5).done()).sqlcode(), 0);
  EXPECT_TRUE(s.e.cursors().empty());
  EXPECT_EQ(s.ask("p_f_sqa_cclose", packet("CLOS", 5).done()).sqlcode(), -501);

  EXPECT_EQ(s.ask("p_f_sqa_cauxi", packet("AUXI", 6).text("DELETE FROM STAFF WHERE ID = 2").done()).sqlcode(), 100);
  EXPECT_EQ(s.ask("p_f_sqa_cauxi", packet("AUXI", 6).text("DELETE FROM STAFF WHERE ID = 1").done()).sqlcode(), 0);
  EXPECT_TRUE(s.rows().empty());
  s.ask("p_f_sqa_ccommit", packet("CMIT", 0).done());
  s.ask("p_f_sqa_crollback", packet("ROLL", 0).done());
  EXPECT_TRUE(s.rows().empty());
}

TEST(TestServerEngine, RefusedRequestsAnswerWithTheServersMessage) {
  service s;
  const struct {
    const char* function;
    std::vector<uint8_t> request;
    int32_t sqlcode;
    const char* message;
  } cases[] = {
      {"p_f_sqa_csetup", packet("SET ", 1).text("SELECT * FROM NONE").done(), -204, "KFPA11204-E Table NONE not found"},
      {"p_f_sqa_csetup", packet("SET ", 1).text("SELECT X FROM STAFF").done(), -205, "KFPA11205-E Column X not found"},
      {"p_f_sqa_csetup", packet("SET ", 1).text("UPDATE STAFF").done(), -104,
       "KFPA11104-E SELECT, INSERT or DELETE expected"},
      {"p_f_sqa_caux", packet("AUX ", 9).done(), -514, "KFPA11514-E no statement prepared under section 9"},
      {"p_f_sqa_cauxi", packet("AUXI", 1).text("INSERT INTO STAFF (NAME) VALUES ('x')").done(), -407,
       "KFPA11407-E column ID is NOT NULL"},
      {"p_f_sqa_cauxi", packet("AUXI", 1).text("INSERT INTO STAFF (ID) VALUES (?)").done(), -313,
       "KFPA11313-E Number of input variables does not match"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const reply_view r = s.ask(c.function, c.request);
    EXPECT_EQ(r.sqlcode(), c.sqlcode);
    EXPECT_EQ(r.message(), c.message);
  }
  EXPECT_EQ(s.rows().size(), 1u);
  std::vector<uint8_t> unused;
  EXPECT_FALSE(s.e.answer("p_f_sqa_csetopt", packet("SOPT", 0).done(), &unused));
}

TEST(TestServerEngine, AValueBeyondTheRequestIsRefusedNotRead) {
  service s;
  s.ask("p_f_sqa_csetup", packet("SET ", 3).text(kInsert).done());
  packet exec("AUX ", 3);
  add_descriptor(&exec, {{0xF0, 0, 4, be32(7), 4, {}}, {0xC1, 0, 10, varchar("Cho"), 2, {}},
                         {0xE5, 9, 2, {0, 0, 1, 0x23, 0x4C}, 1, {}}});
  std::vector<uint8_t> cut = exec.done();
  cut.resize(cut.size() - 3);
  kBig.put32(cut.data() + 8, static_cast<uint32_t>(cut.size()));
  EXPECT_EQ(s.ask("p_f_sqa_caux", cut).sqlcode(), -404);
  EXPECT_EQ(s.rows().size(), 1u);
}

}  // namespace

namespace {

TEST(TestServerEngine, AGeneratedTablesCursorMakesItsRowsAsItGoes) {
  marlo::engine_config c;
  constexpr size_t kMillion = 1000000;
  size_t made = 0;
  c.block.generated["STAFF"] = marlo::generated_rows{kMillion, [&made](size_t i) {
                                                       ++made;
                                                       return std::vector<marlo::cell>{
                                                           marlo::cell::of(std::to_string(i)), marlo::cell::of("n"),
                                                           marlo::cell::of("1.00")};
                                                     }};
  service s(c);
  packet open("OPEN", 5);
  open.text("SELECT NAME, ID FROM STAFF");
  ASSERT_EQ(s.ask("p_f_sqa_copen", open.done()).sqlcode(), 0);
  const marlo::cursor& cur = s.e.cursors().at({5, ""});
  EXPECT_TRUE(cur.rows.empty());
  EXPECT_EQ(cur.count(), kMillion);
  EXPECT_EQ(made, 0u);
  // The selected columns of the row at an index, made when asked for.
  EXPECT_EQ(cur.row(999999), (std::vector<marlo::cell>{marlo::cell::of("n"), marlo::cell::of("999999")}));
  EXPECT_EQ(made, 1u);
}

}  // namespace
