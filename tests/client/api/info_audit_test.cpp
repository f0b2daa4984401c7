// Audit information for the next requests: checks of the two variables
// and the slots they fill.
#include <new>

#include "info_support.h"

namespace {

constexpr int16_t kNoIndicator = 1;  // the case has no indicator variable

// A request area whose input list holds the item number and the text.
struct audit_request {
  zk::request r{"    "};
  alignas(SQLDA) unsigned char storage[sizeof(SQLDA) + 2 * sizeof(SQLVAR)] = {};
  SQLDA* list;
  int32_t item = 1;
  char data[300] = {};
  int16_t indicator = 0;

  audit_request() : list(new (storage) SQLDA{}) {
    list->sqln = 2;
    list->sqld = 2;
    var(0).sqlcod = 0xF0;
    var(0).len.s.sqllen = sizeof(int32_t);
    var(0).SQLDATA = &item;
    var(1).sqlcod = 0x30;
    var(1).len.s.sqllen = 255;
    var(1).SQLDATA = data;
    r.area.sqliasda = list;
  }
  SQLVAR& var(int i) { return *(list->sqlvar + i); }

  void text(const std::string& value) { memcpy(data, value.c_str(), value.size() + 1); }
  void counted(const std::string& value, int16_t length) {
    var(1).sqlcod = 0xC0;
    memcpy(data, &length, sizeof(length));
    memcpy(data + sizeof(length), value.data(), value.size());
  }
  void with_indicator(int16_t value) {
    if (value == kNoIndicator) return;
    indicator = value;
    var(1).SQLIND = &indicator;
  }
};

std::string slot_text(const char* text, uint16_t length) {
  return length == CLT_AUDIT_NULL_LENGTH ? std::string() : std::string(text, length);
}

struct audit_slot {
  uint16_t set;
  uint16_t length;
  std::string text;
};

audit_slot slot(int number) {
  if (number == 4) {
    const auto& s = clt_global.audit_long;
    return {s.set, s.length, slot_text(s.text, s.length)};
  }
  const auto& s = clt_global.audit[number - 1];
  return {s.set, s.length, slot_text(s.text, s.length)};
}

std::vector<unsigned char> audit_bytes() {
  const auto* first = reinterpret_cast<const unsigned char*>(&clt_global.audit);
  const auto* end = reinterpret_cast<const unsigned char*>(&clt_global.audit_long + 1);
  return {first, end};
}

TEST(audit_information, StoresTheTextInTheSlotOfItsItem) {
  struct {
    int32_t mode;
    int32_t item;
    std::function<void(audit_request&)> fill;
    int16_t indicator;
    int slot;
    uint16_t length;
    std::string text;
  } cases[] = {
      {0, 1, [](audit_request& a) { a.text("ACCT01"); }, kNoIndicator, 1, 6, "ACCT01"},
      {0, 1, [](audit_request& a) { a.text(std::string(100, 'a')); }, 0, 1, 100, std::string(100, 'a')},
      {0, 2, [](audit_request& a) { a.text(""); }, kNoIndicator, 2, 0, ""},
      {0, 2, [](audit_request& a) { a.var(1).sqlcod = 0x31; a.text("dropped"); }, -1, 2, 65535, ""},
      // A null value needs no data at all.
      {0, 3, [](audit_request& a) { a.var(1).SQLDATA = nullptr; }, -1, 3, 65535, ""},
      {0, 3, [](audit_request& a) { a.counted("hello", 5); }, 0, 3, 5, "hello"},
      {0, 3, [](audit_request& a) { a.counted("hi", 2); a.var(1).sqlcod = 0xC1; }, kNoIndicator, 3, 2, "hi"},
      {2, 1, [](audit_request& a) { a.text(std::string(255, 'z')); }, kNoIndicator, 4, 255, std::string(255, 'z')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " item " << c.item << " slot " << c.slot);
    audit_request a;
    a.item = c.item;
    c.fill(a);
    a.with_indicator(c.indicator);
    memset(a.r.sqlca.sqlerrd, 7, sizeof(a.r.sqlca.sqlerrd));
    memset(a.r.sqlca.sqlwarn, 'W', sizeof(a.r.sqlca.sqlwarn));
    EXPECT_EQ(p_rdb_setaudinf(&a.r.area, c.mode), 0);
    audit_slot s = slot(c.slot);
    EXPECT_EQ(s.set, 1);
    EXPECT_EQ(s.length, c.length);
    EXPECT_EQ(s.text, c.text);
    EXPECT_EQ(a.r.sqlcode(), 0);
    EXPECT_EQ(a.r.message(), "KFPA12000-I Processing of SQL completed");
    EXPECT_EQ(a.r.source_file(), "CLTLIBMN  ");
    EXPECT_EQ(a.r.sqlstate(), "R0000");
    for (int32_t d : a.r.sqlca.sqlerrd) EXPECT_EQ(d, 0);
    EXPECT_EQ(std::string(a.r.sqlca.sqlwarn, 16), std::string(16, ' '));
    EXPECT_EQ(std::string(a.r.sqlca.sqlerrp, 8), std::string(8, ' '));
    EXPECT_EQ(clt_cur(), nullptr);
  }
}

TEST(audit_information, NullValueClearsTheSlotText) {
  audit_request a;
  a.item = 2;
  a.text("first");
  ASSERT_EQ(p_rdb_setaudinf(&a.r.area, 0), 0);
  audit_request b;
  b.item = 2;
  b.with_indicator(-1);
  ASSERT_EQ(p_rdb_setaudinf(&b.r.area, 0), 0);
  EXPECT_EQ(clt_global.audit[1].length, 65535);
  EXPECT_EQ(std::string(clt_global.audit[1].text, 5), std::string(5, '\0'));
}

TEST(audit_information, FaultyVariablesAreReportedAndStoreNothing) {
  const std::string type1 = "KFPA11311-E Invalid data type or length of variable \"    1\" (using)";
  const std::string type2 = "KFPA11311-E Invalid data type or length of variable \"    2\" (using)";
  const std::string address1 = "KFPA11340-E Invalid address for variable \"    1\" in SQLDATA or SQLIND";
  const std::string address2 = "KFPA11340-E Invalid address for variable \"    2\" in SQLDATA or SQLIND";
  const std::string count = "KFPA11310-E Invalid number of variables";
  struct {
    const char* name;
    int32_t mode;
    std::function<void(audit_request&)> fill;
    int32_t sqlcode;
    std::string message;
    const char* sqlstate;
    const char* log;  // the error-log line, or none
  } cases[] = {
      {"item 2 with mode 2", 2, [](audit_request& a) { a.item = 2; }, -340, address1, "R0000", nullptr},
      {"item 4", 0, [](audit_request& a) { a.item = 4; }, -340, address1, "R0000", nullptr},
      {"item 0", 0, [](audit_request& a) { a.item = 0; }, -340, address1, "R0000", nullptr},
      {"item without data", 0, [](audit_request& a) { a.var(0).SQLDATA = nullptr; }, -340, address1, "R0000", nullptr},
      {"text first", 0, [](audit_request& a) { a.var(0).sqlcod = 0x30; }, -311, type1, "07001",
       "KFPZ04001-E SQLVAR information, type: data type, reason: number=1, sqlcod=48\n"},
      {"integer second", 0, [](audit_request& a) { a.var(1).sqlcod = 0xF0; }, -311, type2, "07001",
       "KFPZ04001-E SQLVAR information, type: data type, reason: number=2, sqlcod=240\n"},
      {"other text code", 0, [](audit_request& a) { a.var(1).sqlcod = 0x32; }, -311, type2, "07001",
       "KFPZ04001-E SQLVAR information, type: data type, reason: number=2, sqlcod=50\n"},
      // The real length of the line is the 16-bit value at the start of the data: "aa" is 24929.
      {"101 characters", 0, [](audit_request& a) { a.text(std::string(101, 'a')); }, -311, type2, "07001",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=2, sqlcod=48, sqllen=255 ,real length=24929\n"},
      {"256 characters", 2, [](audit_request& a) { a.text(std::string(256, 'a')); }, -311, type2, "07001",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=2, sqlcod=48, sqllen=255 ,real length=24929\n"},
      {"beyond the declared length", 0,
       [](audit_request& a) {
         a.var(1).len.s.sqllen = 5;
         a.text("abcdefgh");
       },
       -311, type2, "07001",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=2, sqlcod=48, sqllen=5 ,real length=25185\n"},
      {"negative counted length", 0, [](audit_request& a) { a.counted("", -5); }, -311, type2, "07001",
       "KFPZ04001-E SQLVAR information, type: real length, reason: number=2, sqlcod=192, sqllen=255 ,real length=-5\n"},
      {"text without data", 0, [](audit_request& a) { a.var(1).SQLDATA = nullptr; }, -340, address2, "R0000", nullptr},
      {"one variable", 0, [](audit_request& a) { a.list->sqld = 1; }, -310, count, "07008",
       "KFPZ04002-E SQLDA information, type: sqln, reason: sqln=2, sqld=1\n"},
      {"three variables", 0,
       [](audit_request& a) {
         a.list->sqln = 3;
         a.list->sqld = 3;
       },
       -310, count, "07008", "KFPZ04002-E SQLDA information, type: sqln, reason: sqln=3, sqld=3\n"},
      {"list shorter than its count", 0, [](audit_request& a) { a.list->sqln = 1; }, -310, count, "07008",
       "KFPZ04002-E SQLDA information, type: sqln, reason: sqln=1, sqld=2\n"},
  };
  zk::services_scope services;
  clt_svc.errlog_vmsg = zk::capture_errlog;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    audit_request a;
    a.text("unused");
    c.fill(a);
    std::vector<unsigned char> before = audit_bytes();
    zk::errlog_lines().clear();
    EXPECT_EQ(p_rdb_setaudinf(&a.r.area, c.mode), -10);
    EXPECT_EQ(zk::errlog_lines(), c.log != nullptr ? std::vector<std::string>{c.log} : std::vector<std::string>{});
    EXPECT_EQ(a.r.sqlcode(), c.sqlcode);
    EXPECT_EQ(a.r.message(), c.message);
    EXPECT_EQ(a.r.sqlstate(), c.sqlstate);
    EXPECT_EQ(a.r.source_file(), "CLTLIBMN  ");
    EXPECT_EQ(audit_bytes(), before);
    EXPECT_EQ(clt_cur(), nullptr);
  }
}

TEST(audit_information, BadArgumentsLeaveTheSqlcaAlone) {
  EXPECT_EQ(p_rdb_setaudinf(nullptr, 0), -30);
  struct {
    const char* name;
    std::function<void(audit_request&)> fill;
    int32_t mode;
  } cases[] = {
      {"no variable list", [](audit_request& a) { a.r.area.sqliasda = nullptr; }, 0},
      {"mode 1", [](audit_request&) {}, 1},
      {"mode 3", [](audit_request&) {}, 3},
      {"mode -1", [](audit_request&) {}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    audit_request a;
    c.fill(a);
    SQLCA before = a.r.sqlca;
    EXPECT_EQ(p_rdb_setaudinf(&a.r.area, c.mode), -30);
    EXPECT_EQ(memcmp(&before, &a.r.sqlca, sizeof(before)), 0);
    EXPECT_EQ(clt_cur(), nullptr);
  }
  audit_request no_sqlca;
  no_sqlca.r.area.sqlca = nullptr;
  EXPECT_EQ(p_rdb_setaudinf(&no_sqlca.r.area, 0), -30);
}

TEST(audit_information, RefusedWhileARequestRuns) {
  zk::services_scope services;
  info_test::install();
  zk::request connection{"CNCT"};
  zk::connect(connection);
  audit_request a;
  a.text("late");
  std::vector<unsigned char> before = audit_bytes();
  int32_t result = 0;
  int32_t running = info_test::run_request_while_held("FETC", [&] {
    result = p_rdb_setaudinf(&a.r.area, 0);
  });
  EXPECT_EQ(result, -80);
  EXPECT_EQ(a.r.sqlcode(), -725);
  EXPECT_EQ(a.r.message(), "KFPA11725-E Other SQL executing cannot execute next SQL");
  EXPECT_EQ(audit_bytes(), before);
  // The running request goes on undisturbed.
  EXPECT_EQ(running, 0);
  EXPECT_EQ(info_test::state().refusal_seen, 0u);
  EXPECT_EQ(clt_cur(), nullptr);
}

}  // namespace
