// Client information, facts about the embedded-SQL connection and the
// caller parameter of the next request.
#include <arpa/inet.h>
#include <stdlib.h>

#include "info_support.h"

namespace {

using info_test::take_seen;

constexpr uint8_t kUntouched = 0xEE;
constexpr int16_t kLengthUntouched = -99;

TEST(client_info, AnswersItsFixedValues) {
  uint8_t text[12];
  memset(text, kUntouched, sizeof(text));
  EXPECT_EQ(p_rdb_cltinf(1, text), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text), 10), std::string("08-04   \0\0", 10));
  EXPECT_EQ(text[10], kUntouched);

  struct {
    int32_t item;
    int32_t value;
  } words[] = {{2, 0x80400}, {3, 0x80400}, {4, -27}, {5, 0x10003}};
  for (const auto& w : words) {
    int32_t value = 0;
    EXPECT_EQ(p_rdb_cltinf(w.item, &value), 0) << w.item;
    EXPECT_EQ(value, w.value) << w.item;
  }
}

TEST(client_info, RefusesOtherItemsAndNoBuffer) {
  for (int32_t item : {0, 6, -1, 100}) {
    int32_t value = 0x1234;
    EXPECT_EQ(p_rdb_cltinf(item, &value), -30) << item;
    EXPECT_EQ(value, 0x1234) << item;
  }
  EXPECT_EQ(p_rdb_cltinf(1, nullptr), -30);
}

struct connection_info : ::testing::Test {
  zk::services_scope services;
  zk::script* script = nullptr;
  zk::request connection{"CNCT"};
  uint8_t buffer[64];
  int16_t length = kLengthUntouched;

  void SetUp() override { script = &info_test::install(); }

  int32_t ask(int16_t item, int16_t size) {
    memset(buffer, kUntouched, sizeof(buffer));
    length = kLengthUntouched;
    return p_rdb_get_CltInf(item, size, &length, buffer);
  }
  std::string bytes(size_t n) const { return std::string(reinterpret_cast<const char*>(buffer), n); }

  clt_main* connect() {
    zk::connect(connection);
    take_seen();
    clt_main* main = clt_global.main;
    strcpy(clt_main_env(main)->pdfeshost, "fes1.example");
    main->srv_port = htons(20001);
    memcpy(main->srv_version, "080400A0U1", CLT_SERVER_VERSION_SIZE);
    memcpy(main->srv_codeset, "1j", 2);
    return main;
  }

  // A server-information reply with the code set and bytes 26 and 27.
  static void serve(const char* codeset, uint8_t byte26, uint8_t byte27) {
    std::vector<uint8_t>& reply = info_test::state().srvinf_reply;
    reply.assign(CLT_SRVINF_SIZE, 0);
    memcpy(reply.data() + CLT_SRVINF_CODESET, codeset, 2);
    reply[CLT_SRVINF_BYTE26] = byte26;
    reply[CLT_SRVINF_BYTE27] = byte27;
  }
  static void forget_server_info(clt_main* main) {
    free(main->srvinf);
    main->srvinf = nullptr;
  }
};

TEST_F(connection_info, BeforeConnectOnlyTheConnectionFlagAnswers) {
  EXPECT_EQ(ask(3, 2), 0);
  EXPECT_EQ(bytes(2), std::string("N\0", 2));
  EXPECT_EQ(length, 1);
  for (int16_t item : {1, 2, 4, 5, 6, 9, 10, 11}) {
    EXPECT_EQ(ask(item, 64), -40) << item;
    EXPECT_EQ(buffer[0], kUntouched) << item;
    EXPECT_EQ(length, kLengthUntouched) << item;
  }
  for (int16_t item : {0, 7, 8, 12, -1}) EXPECT_EQ(ask(item, 64), -30) << item;
  EXPECT_TRUE(take_seen().empty());
  EXPECT_EQ(clt_cur(), nullptr);
}

TEST_F(connection_info, BadArgumentsAreRefused) {
  EXPECT_EQ(ask(3, 0), -30);
  EXPECT_EQ(ask(3, -1), -30);
  EXPECT_EQ(p_rdb_get_CltInf(3, 2, nullptr, buffer), -30);
  EXPECT_EQ(p_rdb_get_CltInf(3, 2, &length, nullptr), -30);
  EXPECT_EQ(clt_cur(), nullptr);
}

TEST_F(connection_info, ConnectedItemsAndTheirMinimumSizes) {
  connect();
  uint16_t port = 20001;
  std::string port_bytes(reinterpret_cast<const char*>(&port), sizeof(port));
  int32_t kind = 2;  // the version's ninth character is 'U'
  std::string kind_bytes(reinterpret_cast<const char*>(&kind), sizeof(kind));
  struct {
    int16_t item;
    int16_t size;
    int32_t result;
    std::string written;
    int16_t length;
  } cases[] = {
      {1, 64, 0, std::string("fes1.example\0", 13), 12},
      {1, 12, 0, "fes1.example", 12},  // exactly the name: no zero byte
      {1, 11, -30, "", kLengthUntouched},
      {2, 2, 0, port_bytes, 2},
      {2, 1, -30, "", kLengthUntouched},
      {3, 2, 0, std::string("Y\0", 2), 1},
      {3, 1, -30, "", kLengthUntouched},
      {4, 10, 0, "080400A0U1", 10},
      {4, 9, -30, "", kLengthUntouched},
      {5, 4, 0, kind_bytes, 4},
      {5, 3, -30, "", kLengthUntouched},
      {6, 2, 0, "1j", 2},
      {6, 1, -30, "", kLengthUntouched},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "item " << c.item << " size " << c.size);
    EXPECT_EQ(ask(c.item, c.size), c.result);
    EXPECT_EQ(bytes(c.written.size()), c.written);
    EXPECT_EQ(buffer[c.written.size()], kUntouched);
    EXPECT_EQ(length, c.length);
  }
  EXPECT_TRUE(take_seen().empty());
  EXPECT_EQ(clt_cur(), nullptr);
}

TEST_F(connection_info, ServerKind) {
  clt_main* main = connect();
  struct {
    int32_t srvtype;
    const char* version;
    int32_t kind;
  } cases[] = {{2, "080400A0U1", 3}, {2, "080400A001", 3}, {0, "080400A0U1", 2}, {0, "080400A001", 1}};
  for (const auto& c : cases) {
    script->settings[clt_setting::srvtype] = c.srvtype;
    memcpy(main->srv_version, c.version, CLT_SERVER_VERSION_SIZE);
    int32_t kind = 0;
    EXPECT_EQ(p_rdb_get_CltInf(5, 4, &length, &kind), 0);
    EXPECT_EQ(kind, c.kind) << c.srvtype << " " << c.version;
  }
}

TEST_F(connection_info, ServerInformationIsFetchedOncePerConnection) {
  connect();
  serve("1j", 3, 'Y');
  int marker = 0;
  connection.area.srvinfbuf = &marker;

  EXPECT_EQ(ask(9, 1), 0);
  EXPECT_EQ(buffer[0], 3);
  EXPECT_EQ(length, 1);
  auto seen = take_seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].op, clt_runtime_op::exec_srvinf);
  EXPECT_EQ(seen[0].srvinfitem, CLT_SRVINF_ITEM_GENERAL);
  // The request ran on an area of the library's own: the caller's last
  // area is left as it was.
  EXPECT_EQ(connection.area.srvinfbuf, &marker);
  EXPECT_EQ(std::string(connection.area.reqcode, 4), "CNCT");

  EXPECT_EQ(ask(10, 1), 0);
  EXPECT_EQ(buffer[0], 'Y');
  int32_t flags = 0;
  EXPECT_EQ(p_rdb_get_CltInf(11, 4, &length, &flags), 0);
  EXPECT_EQ(flags, 7);
  EXPECT_EQ(length, 4);
  EXPECT_TRUE(take_seen().empty());
  EXPECT_EQ(clt_cur(), nullptr);
}

TEST_F(connection_info, ServerInformationFlags) {
  clt_main* main = connect();
  struct {
    const char* codeset;
    uint8_t byte26;
    uint8_t byte27;
    int32_t flags;
    uint8_t item10;
  } cases[] = {
      {"1j", 1, 'Y', 5, 'Y'}, {"1j", 3, 0, 3, 'N'}, {"1j", 0, 'Y', 4, 'Y'}, {"1j", 2, 'N', 0, 'N'},
      {"5u", 3, 'Y', 4, 'Y'}, {"5u", 1, 0, 0, 'N'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.codeset << " " << int(c.byte26) << " " << int(c.byte27));
    forget_server_info(main);
    serve(c.codeset, c.byte26, c.byte27);
    int32_t flags = -1;
    EXPECT_EQ(p_rdb_get_CltInf(11, 4, &length, &flags), 0);
    EXPECT_EQ(flags, c.flags);
    EXPECT_EQ(ask(10, 1), 0);
    EXPECT_EQ(buffer[0], c.item10);
  }
}

TEST_F(connection_info, FailedServerInformationKeepsNothing) {
  clt_main* main = connect();
  serve("1j", 1, 'Y');
  int marker = 0;
  connection.area.srvinfbuf = &marker;
  script->outcomes[clt_runtime_op::exec_srvinf] = {-811, 0};
  EXPECT_EQ(ask(9, 1), -30);
  EXPECT_EQ(buffer[0], kUntouched);
  EXPECT_EQ(main->srvinf, nullptr);
  EXPECT_EQ(connection.area.srvinfbuf, &marker);
  EXPECT_EQ(clt_cur(), nullptr);

  // The next use asks again.
  script->outcomes.erase(clt_runtime_op::exec_srvinf);
  take_seen();
  EXPECT_EQ(ask(9, 1), 0);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(info_test::count_of(take_seen(), clt_runtime_op::exec_srvinf), 1);
}

TEST_F(connection_info, SecondThreadCallsWhileARequestRuns) {
  connect();
  int32_t info = 0;
  int32_t param = 0;
  int32_t cltinf = 0;
  int32_t level = 0;
  int param_target = 0;
  info_test::run_request_while_held("FETC", [&] {
    info = ask(3, 2);
    param = p_rdb_getparam(&param_target);
    cltinf = p_rdb_cltinf(4, &level);
  });
  EXPECT_EQ(info, -80);
  EXPECT_EQ(buffer[0], kUntouched);
  EXPECT_EQ(length, kLengthUntouched);
  EXPECT_EQ(param, -1);
  EXPECT_EQ(clt_global.main->param_pointer, nullptr);
  // The client's own facts need no context.
  EXPECT_EQ(cltinf, 0);
  EXPECT_EQ(level, -27);
  EXPECT_EQ(info_test::state().refusal_seen, 0u);  // neither marks the running request
}

TEST_F(connection_info, ParameterBeforeTheFirstCallIsRefusedHarmlessly) {
  int target = 0;
  EXPECT_EQ(p_rdb_getparam(nullptr), -30);
  EXPECT_EQ(p_rdb_getparam(&target), -1);
  EXPECT_EQ(clt_cur(), nullptr);
  zk::request r{"CNCT"};
  EXPECT_EQ(r.exsql(), 0);
}

TEST_F(connection_info, ParameterServesTheNextDescribeOnly) {
  clt_main* main = connect();
  int target = 0;
  EXPECT_EQ(p_rdb_getparam(&target), 0);
  EXPECT_EQ(main->param_flag, 1);
  EXPECT_EQ(main->param_pointer, &target);
  EXPECT_EQ(clt_cur(), nullptr);

  zk::request describe{"DESC"};
  EXPECT_EQ(describe.exsql(), 0);
  auto seen = take_seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].param_pointer, &target);
  EXPECT_EQ(seen[0].param_flag, 1);
  EXPECT_EQ(main->param_pointer, nullptr);

  EXPECT_EQ(p_rdb_getparam(&target), 0);
  zk::request fetch{"FETC"};
  EXPECT_EQ(fetch.exsql(), 0);
  seen = take_seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].param_pointer, nullptr);
}

}  // namespace
