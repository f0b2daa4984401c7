// The second server protocol's bytes: its messages against their layout
// tables, the reply packets the client builds, the walk through a reply
// with every malformed offset it must refuse, the transaction-state
// table, the describe fix-up and the size sums of output variables.
#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

#include "cltrdana.h"
#include "cltrdmsg.h"
#include "wire_support.h"

namespace {

using bytes = std::vector<uint8_t>;

// An expected message: zeros, with the fields of the layout tables
// written in by offset.
struct golden {
  bytes b;
  explicit golden(size_t n) : b(n, 0) {}
  void be32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
  }
  void be16(size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
  }
  void text(size_t at, const std::string& t) { memcpy(b.data() + at, t.data(), t.size()); }
  void put(size_t at, const bytes& v) { memcpy(b.data() + at, v.data(), v.size()); }
};

const uint8_t kAddr[4] = {192, 168, 1, 2};

clt_rd_msg_base base(const char* dcservice = nullptr) {
  clt_rd_msg_base m{};
  m.recv_size = 8192;
  m.client_addr = kAddr;
  m.link_flag[0] = 1;
  m.link_flag[1] = 1;
  m.dcservice = dcservice;
  return m;
}

// A request packet of `size` bytes: its total at 8, the request code at
// 56, and for CONNECT the identifier "SCOTT" complemented at 90.
bytes request(size_t size, const char* code) {
  golden r(size);
  r.be32(8, static_cast<uint32_t>(size));
  r.text(52, "PRE1");
  r.text(56, code);
  if (std::string(code) == "CNCT") {
    for (size_t i = 0; i < 30; ++i) r.b[90 + i] = static_cast<uint8_t>(~static_cast<uint8_t>(i < 5 ? "SCOTT"[i] : ' '));
  }
  return r.b;
}

TEST(RdWire, TheThreeControlMessagesAre48Bytes) {
  const struct {
    uint16_t kind;
    const char* hex;
  } rows[] = {
      {CLT_RD_KIND_COMMIT,
       "00000030 03ec 0000 0014 0000 ffffffff 00000000  00002000 00000000 ffff 0000 0000 0000 c0a80102 ffffffff 00000000"},
      {CLT_RD_KIND_ROLLBACK,
       "00000030 03ed 0000 0014 0000 ffffffff 00000000  00002000 00000000 ffff 0000 0000 0000 c0a80102 ffffffff 00000000"},
      {CLT_RD_KIND_DISCONNECT_END,
       "00000030 03e9 0000 0014 0000 ffffffff 00000000  00002000 00000000 ffff 0000 0001 0000 c0a80102 ffffffff 00000000"},
  };
  for (const auto& r : rows) {
    bytes out(64, 0xEE);
    EXPECT_EQ(clt_rd_control_message(out.data(), r.kind, base()), CLT_RD_CONTROL_SIZE);
    out.resize(CLT_RD_CONTROL_SIZE);
    EXPECT_EQ(out, wire::from_hex(r.hex)) << r.kind;
  }
}

// Prefix, block 1 and block 2 of a large message: its kind, block 1's
// marker byte, block 2's three offsets, and where its "*HRH" block lies.
golden large_head(size_t total, uint16_t kind, uint8_t marker, uint16_t to_hrh, uint16_t to_id, uint16_t statement,
                  size_t hrh) {
  golden g(total);
  g.be32(0, static_cast<uint32_t>(total));
  g.be16(4, kind);
  g.be16(8, 20);
  g.be32(12, 0xFFFFFFFF);
  g.be32(20, 8192);
  g.be16(28, 28);
  g.b[33] = marker;
  g.put(36, {192, 168, 1, 2});
  g.be32(40, 0xFFFFFFFF);
  g.text(48, "*XRD");
  g.be32(52, 40);
  g.be32(56, 1);
  g.be16(60, to_hrh);
  g.be16(62, 0xFFFF);
  g.be16(64, to_id);
  g.be16(66, statement);
  g.be32(68, static_cast<uint32_t>(total - hrh));
  g.b[72] = 1;
  g.b[74] = 1;
  g.text(hrh, "*HRH");
  g.be32(hrh + 4, 1);
  g.be32(hrh + 8, 64);
  g.text(hrh + 12, "0804");
  return g;
}

// The connect message's head: prefix, block 1, block 2, the
// identification block and the "*HRH" block before the request.
golden connect_head(size_t total, uint32_t hrh_to_end, uint32_t service_at, uint16_t node_len, const std::string& node) {
  golden g = large_head(total, 0x157D, 1, 200, 40, 0, 248);
  g.be16(88, 64);
  g.be16(90, 5);
  g.be16(92, 0xFFFF);
  g.text(96, std::string("Marlo Client\0", 13));
  g.text(128, "2804");
  g.b[132] = 4;
  g.be16(136, 128);
  g.be16(138, node_len);
  g.be16(140, 0xFFFF);
  g.text(152, "SCOTT" + std::string(25, ' '));
  g.text(216, node + std::string(32 - node.size(), ' '));
  g.be32(276, hrh_to_end);
  g.be32(280, 64);
  g.be32(296, service_at);
  return g;
}

TEST(RdWire, TheConnectMessageWithAndWithoutNodeAndService) {
  const bytes req = request(120, "CNCT");
  {
    SCOPED_TRACE("no node name, no DCSERVICE");
    bytes out(120 + CLT_RD_MESSAGE_ROOM, 0);
    const uint32_t n = clt_rd_connect_message(out.data(), base(), "", 0, req.data(), 120);
    golden g = connect_head(432, 184, 0, 0, "");
    g.put(312, req);
    out.resize(n);
    EXPECT_EQ(out, g.b);
  }
  {
    SCOPED_TRACE("node name and a DCSERVICE of 5 characters: a block of 2 + 8 + 2 bytes");
    bytes out(120 + CLT_RD_MESSAGE_ROOM, 0);
    const uint32_t n = clt_rd_connect_message(out.data(), base("DCSV1"), "NODE01", 6, req.data(), 120);
    golden g = connect_head(444, 184 + 2 + 5, 184, 6, "NODE01");
    g.put(312, req);
    g.be16(432, 5);
    g.text(434, "DCSV1");
    out.resize(n);
    EXPECT_EQ(out, g.b);
  }
  {
    SCOPED_TRACE("a DCSERVICE of 32 characters is not sent");
    const std::string long_service(32, 'S');
    bytes out(120 + CLT_RD_MESSAGE_ROOM, 0);
    const uint32_t n = clt_rd_connect_message(out.data(), base(long_service.c_str()), "", 0, req.data(), 120);
    golden g = connect_head(432, 184, 0, 0, "");
    g.put(312, req);
    out.resize(n);
    EXPECT_EQ(out, g.b);
  }
  {
    SCOPED_TRACE("DCSERVICE after a request that does not end on a multiple of 4, in the client's byte order");
    const bytes odd = request(121, "CNCT");
    clt_rd_msg_base b = base("D");
    b.client_order = true;
    bytes out(121 + CLT_RD_MESSAGE_ROOM, 0);
    const uint32_t n = clt_rd_connect_message(out.data(), b, "", 0, odd.data(), 121);
    ASSERT_EQ(n, 436u + 2 + 4 + 2);
    EXPECT_EQ(out[436], 1);
    EXPECT_EQ(out[437], 0);
    EXPECT_EQ(out[438], 'D');
  }
}

golden statement_head(size_t total, bool sizes, uint32_t request_len) {
  golden g = large_head(total, 0x157F, 1, 40, 0xFFFF, 0xFFFF, 88);
  g.be32(116, 64 + request_len);
  g.be32(120, sizes ? 80 : 64);
  g.be32(132, sizes ? 64 : 0);
  return g;
}

TEST(RdWire, TheStatementMessageWithAndWithoutTheSizeBlock) {
  const bytes req = request(60, "FETC");
  const uint32_t sums[3] = {70, 0, 20};
  bytes out(60 + CLT_RD_MESSAGE_ROOM, 0);
  uint32_t n = clt_rd_statement_message(out.data(), base(), sums, 1, req.data(), 60);
  golden with = statement_head(228, true, 60);
  with.be32(152, 16);
  with.be32(156, 70);
  with.be32(160, 0);
  with.be32(164, 20);
  with.put(168, req);
  EXPECT_EQ(bytes(out.begin(), out.begin() + n), with.b);

  n = clt_rd_statement_message(out.data(), base(), nullptr, 7, req.data(), 60);
  golden without = statement_head(212, false, 60);
  without.put(152, req);
  EXPECT_EQ(bytes(out.begin(), out.begin() + n), without.b);
}

TEST(RdWire, AnOpnrWhoseTwoFieldsAgreeGoesAsOpen) {
  bytes req = request(100, "OPNR");
  req[60] = 0;
  req[61] = 3;
  req[94] = 0;
  req[95] = 3;
  bytes out(100 + CLT_RD_MESSAGE_ROOM, 0);
  clt_rd_statement_message(out.data(), base(), nullptr, 17, req.data(), 100);
  const size_t at = 152;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data() + at + 56), 4), "OPEN");
  EXPECT_EQ(out[at + 94], 0);
  EXPECT_EQ(out[at + 95], 0);
  EXPECT_EQ(out[at + 61], 3);
  // The caller's packet stays as it was built.
  EXPECT_EQ(std::string(reinterpret_cast<char*>(req.data() + 56), 4), "OPNR");

  req[95] = 4;
  clt_rd_statement_message(out.data(), base(), nullptr, 17, req.data(), 100);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data() + at + 56), 4), "OPNR");
  EXPECT_EQ(out[at + 95], 4);
  // Another function code keeps its packet as it is.
  req[95] = 3;
  clt_rd_statement_message(out.data(), base(), nullptr, 4, req.data(), 100);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.data() + at + 56), 4), "OPNR");
}

TEST(RdWire, TheDisconnectMessageSendsRollbackReleaseAsDisc) {
  const bytes req = request(60, "DISR");
  bytes out(60 + CLT_RD_MESSAGE_ROOM, 0);
  const uint32_t n = clt_rd_disconnect_message(out.data(), base(), req.data(), 60, true);
  golden g = large_head(212, 0x157E, 0, 40, 0xFFFF, 0, 88);
  g.be32(116, 124);
  g.be32(120, 64);
  g.put(152, req);
  g.text(152 + 56, "DISC");
  EXPECT_EQ(bytes(out.begin(), out.begin() + n), g.b);
}

TEST(RdWire, TheClientBuiltPackets) {
  // Commit and rollback: the status byte from the transaction state.
  const struct {
    bool commit;
    uint8_t state;
    uint8_t status;
  } ends[] = {{true, 0, 0},   {true, 1, ' '},  {true, 2, ' '},  {true, 3, 16}, {true, 4, 0},
              {false, 0, 0},  {false, 1, ' '}, {false, 2, 16},  {false, 3, 16}};
  for (const auto& e : ends) EXPECT_EQ(clt_rd_end_status(e.commit, e.state), e.status) << e.commit << " " << int{e.state};

  bytes out(CLT_RD_PACKET_SIZE + 8, 0xEE);
  clt_rd_commit_packet(out.data(), 16);
  golden c(CLT_RD_PACKET_SIZE);
  c.be32(0, 380);
  c.be32(8, 36);
  c.be32(12, 56);
  c.text(36, "00000 ");
  c.b[43] = 16;
  c.text(56, "SQLCA   ");
  c.text(100, std::string(10, ' '));
  EXPECT_EQ(bytes(out.begin(), out.begin() + CLT_RD_PACKET_SIZE), c.b);
  EXPECT_EQ(out[CLT_RD_PACKET_SIZE], 0xEE);

  SQLCA sqlca{};
  const std::string msg = "JXZ1874I . R. DBS ERROR,TEXT=X";
  sqlca.sqlerrml = static_cast<int16_t>(msg.size());
  memcpy(sqlca.sqlerrmc, msg.data(), msg.size());
  clt_rd_error_packet(out.data(), sqlca, 0x01020304);
  golden e(CLT_RD_PACKET_SIZE);
  e.be32(0, 380);
  e.be32(8, 36);
  e.be32(12, 56);
  e.text(36, "R0000 ");
  e.text(56, "SQLCA   ");
  e.be32(64, 68);
  e.be32(68, static_cast<uint32_t>(-874));
  e.text(98, "  cltrdsql.c");
  const uint32_t position = 0x01020304;
  memcpy(e.b.data() + 112, &position, 4);
  e.be16(124, static_cast<uint16_t>(msg.size()));
  e.text(126, msg);
  EXPECT_EQ(bytes(out.begin(), out.begin() + CLT_RD_PACKET_SIZE), e.b);
  EXPECT_EQ(out[CLT_RD_PACKET_SIZE], 0xEE);
}

// A reply as the test server writes it: blocks 1 to 3, the server block,
// and a reply packet of `packet_len` bytes.
bytes reply(uint32_t packet_len) {
  golden g(20 + 28 + 40 + 16 + 48 + packet_len);
  g.be32(0, static_cast<uint32_t>(g.b.size()));
  g.be16(4, 2001);
  g.be16(8, 20);
  g.be16(24, 28);
  g.be16(48 + 12, 56);
  g.be16(48 + 16, 40);
  g.b[48 + 25] = 1;
  g.be16(88 + 2, 7);
  g.be32(88 + 4, 99);
  g.be32(104 + 32, 48);
  g.b[104 + 40] = 'Y';
  g.b[104 + 41] = 3;
  g.be32(152, packet_len);
  g.be32(152 + 8, 36);
  return g.b;
}

TEST(RdWire, TheReplyWalkFindsEveryPart) {
  const bytes r = reply(64);
  clt_rd_reply_map m{};
  ASSERT_EQ(clt_rd_map_reply(r.data(), static_cast<uint32_t>(r.size()), &m), 0);
  EXPECT_EQ(m.block2, 48u);
  EXPECT_EQ(m.block3, 104u);
  EXPECT_EQ(m.server, 88u);
  EXPECT_EQ(m.packet, 152u);
  EXPECT_EQ(m.packet_len, 64u);
  EXPECT_EQ(m.implicit_commit, 1);
  EXPECT_EQ(m.server_flag, 'Y');
  EXPECT_EQ(m.trn_byte, 3);
  EXPECT_EQ(clt_rd_status_flags_at(r.data() + m.packet, m.packet_len), 43u);
}

// Every offset that leads outside the bytes received is refused; the
// reply lies in a buffer of exactly its size, so a read past it is seen
// by the address sanitizer.
TEST(RdWire, AReplyWhoseOffsetsLeadOutsideItIsRefused) {
  const struct {
    const char* what;
    size_t at;
    bytes value;
    size_t cut;  // bytes received, 0: all
  } cases[] = {
      {"block 1 at 0", 8, {0, 0}, 0},
      {"block 1 at 0xFFFF", 8, {0xFF, 0xFF}, 0},
      {"block 1 past the end", 8, {0x01, 0x00}, 0},
      {"block 2 at 0", 24, {0, 0}, 0},
      {"block 2 at 0xFFFF", 24, {0xFF, 0xFF}, 0},
      {"block 3 at 0", 60, {0, 0}, 0},
      {"block 3 short of its bytes", 60, {0x00, 0xB0}, 0},
      {"server block past the end", 64, {0x00, 0xC8}, 0},
      {"reply packet at 0", 136, {0, 0, 0, 0}, 0},
      {"reply packet past the end", 136, {0, 0, 0x10, 0}, 0},
      {"reply packet of length 0", 152, {0, 0, 0, 0}, 0},
      {"reply packet longer than the reply", 152, {0, 0, 0, 65}, 0},
      {"reply packet length word cut", 0, {}, 154},
      {"prefix only", 0, {}, 19},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bytes r = reply(64);
    if (!c.value.empty()) memcpy(r.data() + c.at, c.value.data(), c.value.size());
    if (c.cut != 0) r.resize(c.cut);
    clt_rd_reply_map m{};
    EXPECT_NE(clt_rd_map_reply(r.data(), static_cast<uint32_t>(r.size()), &m), 0);
  }
  // A status offset outside the packet leaves no status byte to write.
  bytes r = reply(64);
  r[152 + 11] = 60;
  EXPECT_EQ(clt_rd_status_flags_at(r.data() + 152, 64), 0u);
  r[152 + 11] = 0;
  EXPECT_EQ(clt_rd_status_flags_at(r.data() + 152, 64), 0u);
}

TEST(RdWire, TheTransactionStateTable) {
  const uint8_t sp = ' ';
  // Rows s = 0 to 5; columns the kept state 0 to 3: {new state, byte}.
  const uint8_t table[6][4][2] = {
      {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
      {{1, sp}, {1, sp}, {1, sp}, {1, sp}},
      {{2, sp}, {1, sp}, {2, sp}, {2, sp}},
      {{3, 8}, {1, sp}, {2, sp}, {3, 8}},
      {{3, 16}, {1, sp}, {2, sp}, {3, 16}},
      {{3, 16}, {1, sp}, {3, 16}, {3, 16}},
  };
  for (uint8_t s = 0; s < 6; ++s) {
    for (uint8_t state = 0; state < 4; ++state) {
      uint8_t next = 99;
      uint8_t byte = 99;
      ASSERT_TRUE(clt_rd_trn_step(state, s, &next, &byte));
      EXPECT_EQ(next, table[s][state][0]) << int{s} << "/" << int{state};
      EXPECT_EQ(byte, table[s][state][1]) << int{s} << "/" << int{state};
    }
  }
  uint8_t next = 99;
  uint8_t byte = 99;
  EXPECT_FALSE(clt_rd_trn_step(2, 6, &next, &byte));
  EXPECT_EQ(next, 99);
}

// A describe reply: SQLCA part at 16 with its SQLCODE, description at 64
// with sqln, sqld and entries.
bytes describe_reply(int32_t sqlcode, int16_t sqln, int16_t sqld, const std::vector<int16_t>& counts) {
  golden g(64 + 16 + 16 * counts.size());
  g.be32(0, static_cast<uint32_t>(g.b.size()));
  g.be32(12, 16);
  g.be32(16 + 12, static_cast<uint32_t>(sqlcode));
  g.be32(16, 64);
  g.be16(64 + 12, static_cast<uint16_t>(sqln));
  g.be16(64 + 14, static_cast<uint16_t>(sqld));
  for (size_t i = 0; i < counts.size(); ++i) {
    const size_t e = 64 + 16 + 16 * i;
    g.b[e + 1] = 0xF1;
    g.be16(e + 2, static_cast<uint16_t>(counts[i]));
    g.be16(e + 4, 4);
  }
  return g.b;
}

TEST(RdWire, DescribeRepliesAreFixedUpWithinTheirColumns) {
  bytes r = describe_reply(0, 3, 2, {-5, -1});
  ASSERT_EQ(clt_rd_fix_describe(r.data(), static_cast<uint32_t>(r.size())), 0);
  EXPECT_EQ(bytes(r.begin() + 80, r.begin() + 86), (bytes{0, 0, 0, 1, 0, 0}));
  EXPECT_EQ(bytes(r.begin() + 96, r.begin() + 102), (bytes{0, 0xF1, 0xFF, 0xFF, 0, 4}));

  // An error reply, or counts out of their limits, are left as they are.
  for (const bytes& left : {describe_reply(-204, 3, 2, {-5, -5}), describe_reply(0, 1, 2, {-5, -5}),
                            describe_reply(0, 2, 0, {-5, -5})}) {
    bytes copy = left;
    EXPECT_EQ(clt_rd_fix_describe(copy.data(), static_cast<uint32_t>(copy.size())), 0);
    EXPECT_EQ(copy, left);
  }
  // More columns than the reply holds, or no description: refused.
  bytes short_one = describe_reply(0, 3, 3, {-5, -5});
  EXPECT_NE(clt_rd_fix_describe(short_one.data(), static_cast<uint32_t>(short_one.size())), 0);
  bytes none = describe_reply(0, 3, 2, {-5, -5});
  none[19] = 0;
  none[18] = 0;
  EXPECT_NE(clt_rd_fix_describe(none.data(), static_cast<uint32_t>(none.size())), 0);
  bytes no_sqlca = describe_reply(0, 3, 2, {-5, -5});
  no_sqlca[15] = 0;
  EXPECT_NE(clt_rd_fix_describe(no_sqlca.data(), static_cast<uint32_t>(no_sqlca.size())), 0);
}

struct var_spec {
  uint8_t code;
  int16_t len;    // sqllen, or precision for the decimal codes
  int16_t xdim;
  uint32_t len32; // for the large-object codes
};

struct sums_case {
  const char* what;
  std::vector<var_spec> vars;
  int32_t array_count;
  uint32_t sums[3];
};

TEST(RdWire, TheSizeSumsOfOutputVariables) {
  const sums_case cases[] = {
      {"array FETCH of 10, one 0x31 of length 5", {{0x31, 5, 1, 0}}, 10, {70, 0, 20}},
      {"0x64 of precision 7", {{0x64, 7, 1, 0}}, 0, {0, 4, 0}},
      {"0x65 of precision 7 in 3 elements", {{0x65, 7, 3, 0}}, 0, {0, 16, 10}},
      {"VARCHAR 10 in 3 elements", {{0xA0, 10, 3, 0}}, 0, {40, 0, 0}},
      {"fixed 0xA4 of 6, nullable", {{0xA5, 6, 1, 0}}, 0, {6, 0, 2}},
      {"national 0xB1 of 4", {{0xB1, 4, 1, 0}}, 0, {10, 0, 2}},
      {"national 0xB0 of 3 in 2 elements", {{0xB0, 3, 2, 0}}, 0, {20, 0, 0}},
      {"national 0xB4 of 3, and in 2 elements", {{0xB4, 3, 1, 0}, {0xB4, 3, 2, 0}}, 0, {6 + 16, 0, 0}},
      {"0x99 large object of 100", {{0x99, 0, 1, 100}}, 0, {108, 0, 4}},
      {"0x91 binary of 50", {{0x91, 0, 1, 50}}, 0, {0, 58, 4}},
      {"integers in 3 elements", {{0xF1, 4, 3, 0}, {0xE0, 8, 3, 0}, {0xF4, 2, 3, 0}}, 0, {0, 16 + 28 + 10, 10}},
      {"plain integers", {{0xF0, 4, 1, 0}, {0xE0, 8, 1, 0}, {0xF4, 2, 1, 0}, {0x44, 12, 1, 0}}, 0, {0, 26, 0}},
      {"codes 0x78 and 0x7C in 2 elements", {{0x78, 3, 2, 0}, {0x7C, 5, 2, 0}}, 0, {0, 10 + 14, 0}},
      {"an array FETCH of 3 keeps short indicators", {{0xF1, 4, 2, 0}}, 3, {0, 36, 6}},
  };
  for (const sums_case& c : cases) {
    SCOPED_TRACE(c.what);
    bytes storage(offsetof(SQLDA, sqlvar) + c.vars.size() * sizeof(SQLVAR), 0);
    SQLDA* da = reinterpret_cast<SQLDA*>(storage.data());
    int data = 0;
    int16_t ind = 0;
    for (size_t i = 0; i < c.vars.size(); ++i) {
      SQLVAR& v = da->sqlvar[i];
      v.sqlcod = c.vars[i].code;
      v.XDIM = c.vars[i].xdim;
      const uint8_t even = static_cast<uint8_t>(c.vars[i].code & ~1u);
      if (c.vars[i].len32 != 0) {
        v.len.sqllen32 = c.vars[i].len32;
      } else if (even == 0x64) {
        v.len.d.sqlprcsn = static_cast<uint8_t>(c.vars[i].len);
      } else {
        v.len.s.sqllen = c.vars[i].len;
      }
      v.SQLDATA = &data;
      v.SQLIND = &ind;
    }
    uint32_t sums[3] = {1, 1, 1};
    const clt_rd_sum_result r = clt_rd_sum_vars(*da, static_cast<int32_t>(c.vars.size()), c.array_count, sums);
    EXPECT_EQ(r.fault, clt_rd_var_fault::none);
    EXPECT_EQ(std::vector<uint32_t>(sums, sums + 3), std::vector<uint32_t>(c.sums, c.sums + 3));
  }
}

TEST(RdWire, AnOutputVariableThatCannotBeSizedIsNamed) {
  int data = 0;
  int16_t ind = 0;
  const struct {
    const char* what;
    uint8_t code;
    int16_t xdim;
    bool with_data;
    bool with_ind;
    clt_rd_var_fault fault;
  } cases[] = {
      {"no SQLDATA", 0xF0, 1, false, true, clt_rd_var_fault::address},
      {"no elements", 0xF0, 0, true, true, clt_rd_var_fault::count},
      {"more than 30000 elements", 0xF0, 30001, true, true, clt_rd_var_fault::count},
      {"nullable without SQLIND", 0xF1, 1, true, false, clt_rd_var_fault::address},
      {"a code outside the table", 0x50, 1, true, true, clt_rd_var_fault::type},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bytes storage(offsetof(SQLDA, sqlvar) + 2 * sizeof(SQLVAR), 0);
    SQLDA* da = reinterpret_cast<SQLDA*>(storage.data());
    da->sqlvar[0] = SQLVAR{};
    da->sqlvar[0].sqlcod = 0xF0;
    da->sqlvar[0].XDIM = 1;
    da->sqlvar[0].SQLDATA = &data;
    SQLVAR& v = da->sqlvar[1];
    v.sqlcod = c.code;
    v.XDIM = c.xdim;
    v.len.s.sqllen = 4;
    v.SQLDATA = c.with_data ? &data : nullptr;
    v.SQLIND = c.with_ind ? &ind : nullptr;
    uint32_t sums[3] = {};
    const clt_rd_sum_result r = clt_rd_sum_vars(*da, 2, 0, sums);
    EXPECT_EQ(r.fault, c.fault);
    EXPECT_EQ(r.number, 2);
  }
}

}  // namespace
