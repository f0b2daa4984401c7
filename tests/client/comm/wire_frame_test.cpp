// Message frame: header bytes, request codes, the checks of received
// headers and sizes, and the local reply header.
#include <bit>

#include "CLTFRAME.h"
#include "CLTTACT.h"
#include "wire_support.h"

namespace {

using wire::call_test;

std::vector<uint8_t> bytes_of(const void* p, size_t n) {
  const auto* b = static_cast<const uint8_t*>(p);
  return std::vector<uint8_t>(b, b + n);
}

TEST(WireFrame, HeadersMatchTheirByteLayouts) {
  clt_frame_header h{};
  clt_frame_build(&h, htons(8080), false, 0, 300, 0);
  EXPECT_EQ(bytes_of(&h, sizeof h), wire::fixture_hex("frame_rpc.hex"));
  clt_frame_build(&h, htons(0x1234), true, 0x89, 4096, 65536);
  EXPECT_EQ(bytes_of(&h, sizeof h), wire::fixture_hex("frame_reqcode_close.hex"));
  clt_frame_build(&h, htons(80), false, CLT_FRAME_KIND_CLOSING, 0, 0);
  EXPECT_EQ(bytes_of(&h, sizeof h), wire::fixture_hex("frame_closing.hex"));
  EXPECT_EQ(clt_frame_body_len(&h), 0u);
}

TEST(WireFrame, RequestCodesByFunctionCode) {
  struct row {
    int32_t func;
    int32_t code;
  } rows[] = {
      {1, 0x80},  {2, 0x81},  {3, 0x86},  {4, 0x8A},  {9, 0x8E},  {11, 0x91}, {13, 0x89}, {14, 0x90},
      {15, 0xA1}, {20, 0x8C}, {23, 0x95}, {30, 0x90}, {34, 0x93}, {44, 0xAC}, {46, 0xAE}, {48, 0xB0},
      {51, 0xB6}, {54, 0xB9}, {0, -1},    {27, -1},   {28, -1},   {29, -1},   {45, -1},   {55, -1},
      {-3, -1},
  };
  for (const row& r : rows) EXPECT_EQ(clt_rpc_reqcode(r.func, 0), r.code) << r.func;
  EXPECT_EQ(clt_rpc_reqcode(45, 1), 0xAD);
  EXPECT_EQ(clt_rpc_reqcode(13, 1), 0xAD);
}

TEST(WireFrame, RequestCodeFormNeedsEveryCondition) {
  clt_com_conn ok{};
  ok.features = 0x07;
  ok.protocol = 2;
  EXPECT_TRUE(clt_frame_reqcode_form(&ok, 13, 0));
  EXPECT_TRUE(clt_frame_reqcode_form(&ok, 13, CLT_TACT_MODE_CLOSE));
  EXPECT_FALSE(clt_frame_reqcode_form(nullptr, 13, 0));
  EXPECT_FALSE(clt_frame_reqcode_form(&ok, 13, CLT_TACT_MODE_CLOSING));
  clt_com_conn c = ok;
  c.no_reqcode = 'Y';
  EXPECT_FALSE(clt_frame_reqcode_form(&c, 13, 0));
  c = ok;
  c.features = 0x03;
  EXPECT_FALSE(clt_frame_reqcode_form(&c, 13, 0));
  c = ok;
  c.protocol = 1;
  EXPECT_FALSE(clt_frame_reqcode_form(&c, 13, 0));
  c = ok;
  EXPECT_FALSE(clt_frame_reqcode_form(&c, 45, 0));
  c.reqcode_override = 1;
  EXPECT_TRUE(clt_frame_reqcode_form(&c, 45, 0));
}

using WireFrameCheck = call_test;

TEST_F(WireFrameCheck, ReceivedHeadersAreCheckedByCountAndKind) {
  struct row {
    int32_t received;
    uint8_t kind;
    uint32_t body;
    int32_t result;
    const char* reason;  // null: no message
  } rows[] = {
      {0, 0x00, 10, -212, "SIZE ZERO"},
      {-1, 0x00, 10, -212, "SIZE ZERO"},
      {5, 0x00, 10, -213, "SIZE SHORT"},
      {13, 0x00, 10, -213, "SIZE OVER"},
      {12, 0x05, 10, -1, "INF2 ERROR"},
      {12, 0x01, 0, -1, "INF2 ERROR"},
      {12, 0x08, 0, 0, nullptr},
      {12, 0x40, 0, 0, nullptr},
      {12, 0x00, 0, -213, "INF2 ERROR"},
      {12, 0x89, 0, -213, "INF2 ERROR"},
      {12, 0x00, 0x80000000u, -213, "INF2 ERROR"},
      {12, 0x00, 1, 0, nullptr},
      {12, 0x89, 4096, 0, nullptr},
  };
  sockaddr_in recv_addr = wire::loopback(0x1F90);
  for (const row& r : rows) {
    log.clear();
    clt_frame_header h{};
    clt_frame_build(&h, 0, false, r.kind, r.body, 0);
    uint32_t body = 77;
    EXPECT_EQ(clt_frame_check_header(&h, r.received, &recv_addr, &body), r.result) << r.received << "/" << +r.kind;
    if (r.reason == nullptr) {
      EXPECT_TRUE(log.empty());
      EXPECT_EQ(body, r.body);
    } else {
      char want[128];
      snprintf(want, sizeof want, "KFPZ02420-E Protocol error, IPaddr=%lx, port=%d, reason=%s",
               static_cast<unsigned long>(recv_addr.sin_addr.s_addr), recv_addr.sin_port, r.reason);
      EXPECT_TRUE(logged(want)) << log_text();
    }
  }
}

TEST_F(WireFrameCheck, SizeAfterTheBody) {
  struct row {
    uint8_t kind;
    int32_t received;
    uint32_t body;
    bool truncated;
    int32_t result;
    uint32_t len_out;
  } rows[] = {
      {0x00, 300, 300, false, 0, 300},
      {0x89, 300, 300, false, 0, 364},  // the local reply header counts
      {0x00, 0, 0, false, 0, 0},
      {0x00, 100, 300, true, -208, 100},
      {0x00, 100, 300, false, -206, 0},
      {0x00, 0, 300, true, -206, 0},
  };
  for (const row& r : rows) {
    log.clear();
    uint32_t len = 12345;
    EXPECT_EQ(clt_frame_check_size(r.kind, r.received, r.body, CLT_REPLY_HEADER_SIZE, r.truncated, nullptr, &len),
              r.result);
    EXPECT_EQ(len, r.len_out);
    EXPECT_EQ(logged("KFPZ02421-E Invalid size, received size="), r.result == -206) << log_text();
  }
}

TEST_F(WireFrameCheck, LocalReplyHeaderWordsAndShortPiece) {
  if constexpr (std::endian::native != std::endian::little) GTEST_SKIP() << "fixture of a little-endian client";
  clt_com_conn c{};
  const uint32_t values[CLT_REPLY_VALUES] = {0x11111111, 0x22222222, 0x33333333, 0x44444444, 0x55555555};
  memcpy(c.reply_values, values, sizeof values);
  uint8_t area[80];
  memset(area, 0xEE, sizeof area);
  com_piece first{area, 70};
  EXPECT_EQ(clt_rpc_reply_header(&c, &first), 0);
  EXPECT_EQ(bytes_of(area, CLT_REPLY_HEADER_SIZE), wire::fixture_hex("reply_header_le.hex"));
  EXPECT_EQ(area[64], 0xEE);

  com_piece short_piece{area, 63};
  EXPECT_EQ(clt_rpc_reply_header(&c, &short_piece), -199);
  EXPECT_TRUE(logged("reason=UNEXPECT, inf=CLTFRAME:")) << log_text();
}

}  // namespace
