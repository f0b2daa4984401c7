// Transport session: its tables, one-shot and kept exchanges with a
// loopback peer written here, retries, and every refused frame.
#include <chrono>
#include <thread>

#include "CLTMEM.h"
#include "CLTTACT.h"
#include "wire_support.h"

namespace {

using wire::listener;

std::vector<uint8_t> frame(uint8_t flags, uint8_t kind, uint32_t body_len, const std::vector<uint8_t>& body) {
  clt_frame_header h{};
  clt_frame_build(&h, 0, (flags & CLT_FRAME_FLAG_CLOSE) != 0, kind, body_len, 0);
  std::vector<uint8_t> out(reinterpret_cast<uint8_t*>(&h), reinterpret_cast<uint8_t*>(&h) + sizeof h);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<uint8_t> pattern(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(seed + i * 3);
  return v;
}

struct received_frame {
  clt_frame_header header{};
  std::vector<uint8_t> body;
};

bool read_frame(int fd, received_frame* f) {
  if (!wire::read_all(fd, &f->header, sizeof f->header)) return false;
  f->body.resize(clt_frame_body_len(&f->header));
  return f->body.empty() || wire::read_all(fd, f->body.data(), f->body.size());
}

class WireTransport : public wire::call_test {
 protected:
  void SetUp() override {
    call_test::SetUp();
    env.rcvaddr = htonl(INADDR_LOOPBACK);
  }
  void TearDown() override {
    if (call.tact_table != nullptr) clt_tact_close(0, 0);
    call_test::TearDown();
  }

  sockaddr_in own() {
    sockaddr_in a{};
    EXPECT_EQ(clt_tact_getaddr(&a, 0), 0);
    return a;
  }

  int32_t send_body(const sockaddr_in& to, std::vector<uint8_t>& body, int32_t flags, uint32_t* len_out = nullptr) {
    sockaddr_in peer = to;
    com_piece p{body.data(), static_cast<uint32_t>(body.size())};
    clt_tact_req req{&peer, 1, &p, -1, 0};
    int32_t rc = clt_tact_send(&req, flags);
    if (len_out != nullptr) *len_out = req.len_out;
    return rc;
  }

  // A peer that connects back to the transport's own port and writes the bytes.
  std::thread reply_from_peer(std::vector<uint8_t> bytes) {
    const sockaddr_in me = own();
    return std::thread([me, bytes = std::move(bytes)] {
      int back = wire::raw_connect(me);
      wire::write_all(back, bytes.data(), bytes.size());
      close(back);
    });
  }

  int used_entries() {
    clt_sock_table* t = call.tact_table;
    int n = 0;
    for (uint32_t off = t->used_head; off != 0;
         off = reinterpret_cast<clt_sock_entry*>(reinterpret_cast<uint8_t*>(t) + off)->next) {
      ++n;
    }
    return n;
  }
};

TEST(WireTransportTables, ActionsAndResults) {
  const uint16_t actions[3][7] = {{0, 1, 1, 1, 1, 1, 1}, {1, 2, 4, 6, 8, 9, 10}, {1, 3, 5, 7, 1, 1, 1}};
  for (uint16_t s = 0; s < 3; ++s) {
    for (uint16_t e = 0; e < 7; ++e) EXPECT_EQ(clt_tact_action(s, e), actions[s][e]) << s << "," << e;
  }
  EXPECT_EQ(clt_tact_action(3, 0), 9);
  EXPECT_EQ(clt_tact_action(0, 7), 9);
  struct row {
    int32_t code;
    uint16_t phase;
    int32_t result;
  } rows[] = {
      {-402, 1, -299}, {-403, 3, -201}, {-403, 5, -299}, {-404, 5, -202}, {-405, 1, -205}, {-405, 3, -299},
      {-406, 1, -207}, {-406, 2, -207}, {-406, 4, -207}, {-406, 3, -299}, {-407, 1, -206}, {-407, 4, -206},
      {-407, 0, -299}, {-417, 1, -299}, {-199, 4, -299}, {-415, 3, -212}, {-415, 4, -299}, {-416, 4, -214},
      {-416, 0, -214},
  };
  for (const row& r : rows) EXPECT_EQ(clt_tact_result_of(r.code, r.phase), r.result) << r.code << "@" << r.phase;
}

TEST_F(WireTransport, OperationsNeedAnOpenSessionOnce) {
  std::vector<uint8_t> body = pattern(4, 1);
  sockaddr_in to = wire::loopback(1);
  EXPECT_EQ(send_body(to, body, 0), CLT_TACT_E_STATE);
  com_piece p{body.data(), 4};
  clt_tact_req req{nullptr, 1, &p, 1, 0};
  EXPECT_EQ(clt_tact_recv(&req, 0), CLT_TACT_E_STATE);
  EXPECT_EQ(clt_tact_close(0, 0), CLT_TACT_E_STATE);
  sockaddr_in a{};
  EXPECT_EQ(clt_tact_getaddr(&a, 0), CLT_TACT_E_STATE);

  ASSERT_EQ(clt_tact_open(0, 0), 0);
  EXPECT_EQ(clt_tact_open(0, 0), CLT_TACT_E_STATE);
  EXPECT_EQ(clt_tact_getaddr(nullptr, 0), CLT_TACT_E_REQUEST);
  clt_tact_req empty{&to, 0, nullptr, 1, 0};
  EXPECT_EQ(clt_tact_send(&empty, 0), CLT_TACT_E_REQUEST);
  EXPECT_EQ(clt_tact_recv(&empty, 0), CLT_TACT_E_REQUEST);

  clt_sock_table* t = call.tact_table;
  EXPECT_EQ(memcmp(t->eyecatcher, "##vtbse", 8), 0);
  EXPECT_EQ(t->version, 0x10000u);
  EXPECT_EQ(t->count, 4u);
  EXPECT_NE(t->recv_entry, 0u);
  auto* recv = reinterpret_cast<clt_sock_entry*>(reinterpret_cast<uint8_t*>(t) + t->recv_entry);
  EXPECT_EQ(memcmp(recv->eyecatcher, "##vtsoc", 8), 0);
  EXPECT_EQ(recv->state, CLT_TACT_OPEN);
  EXPECT_EQ(recv->pending, CLT_TACT_NO_EVENT);
  EXPECT_EQ(own().sin_addr.s_addr, htonl(INADDR_LOOPBACK));
  EXPECT_EQ(call.tact_work, nullptr);
  EXPECT_EQ(clt_tact_close(0, 0), 0);
  EXPECT_EQ(call.tact_table, nullptr);
}

TEST_F(WireTransport, OpenNeedsConfiguredEntries) {
  env.pdsocnum = 0;
  EXPECT_EQ(clt_tact_open(0, 0), CLT_TACT_E_NOCONFIG);
  env.pdsocnum = INT32_MAX;
  EXPECT_EQ(clt_tact_open(0, 0), CLT_TACT_E_NOTABLE);
  with_conn = false;
  EXPECT_EQ(clt_tact_open(0, 0), CLT_TACT_E_NOCONFIG);
  EXPECT_EQ(call.tact_table, nullptr);
}

TEST_F(WireTransport, OneShotRequestAndReplyThroughTheReceiveSocket) {
  call.mdl_trace_on = 1;
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  const sockaddr_in me = own();
  listener server;
  std::vector<uint8_t> request = pattern(20, 7);
  const std::vector<uint8_t> reply = pattern(30, 50);
  received_frame got;
  std::thread peer([&] {
    int fd = server.accept_one();
    read_frame(fd, &got);
    close(fd);
    int back = wire::raw_connect(me);
    wire::write_all(back, frame(0xC0, 0, 30, reply).data(), 42);
    close(back);
  });
  uint32_t sent = 0;
  EXPECT_EQ(send_body(server.addr(), request, CLT_TACT_FLAG_CLOSE, &sent), 0);
  EXPECT_EQ(sent, 20u);
  EXPECT_EQ(used_entries(), 1);  // the one-shot entry is free again

  uint8_t buf[100] = {};
  sockaddr_in from{};
  com_piece p{buf, sizeof buf};
  clt_tact_req req{&from, 1, &p, -1, 0};
  EXPECT_EQ(clt_tact_recv(&req, CLT_TACT_FLAG_CLOSE), 0) << log_text();
  peer.join();
  EXPECT_EQ(req.len_out, 30u);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 30), reply);
  EXPECT_EQ(from.sin_family, AF_INET);
  EXPECT_NE(from.sin_port, 0);
  EXPECT_EQ(used_entries(), 1);
  EXPECT_EQ(call.tact_table->reply_entry, 0u);

  // What the server received: the frame header and the request.
  EXPECT_EQ(got.header.session_port, me.sin_port);
  EXPECT_EQ(got.header.flags, 0xC0);
  EXPECT_EQ(got.header.kind, 0);
  EXPECT_EQ(clt_frame_body_len(&got.header), 20u);
  EXPECT_EQ(got.body, request);
  EXPECT_EQ(conn.frame_session_port, me.sin_port);
  EXPECT_EQ(conn.sent.header[0], got.header.session_port | 0xC0u << 16);
  EXPECT_EQ(memcmp(&conn.received.header, frame(0xC0, 0, 30, reply).data(), 12), 0);

  bool traced_send = false;
  for (const wire::mdl_record& r : mdl) {
    traced_send |= r.event == 0x180103 && r.phase == 1 && memcmp(r.words, "dnst", 4) == 0;
  }
  EXPECT_TRUE(traced_send);
}

TEST_F(WireTransport, KeptConnectionCarriesRequestsAndReplies) {
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  std::vector<uint8_t> first = pattern(10, 1), second = pattern(4000, 2);
  std::vector<received_frame> got(2);
  const std::vector<uint8_t> reply = pattern(8, 9);
  std::thread peer([&] {
    int fd = server.accept_one();
    read_frame(fd, &got[0]);
    wire::write_all(fd, frame(0x80, 0, 8, reply).data(), 20);
    read_frame(fd, &got[1]);
    close(fd);
  });
  EXPECT_EQ(send_body(server.addr(), first, 0), 0);
  EXPECT_NE(call.tact_table->reply_entry, 0u);
  uint8_t buf[8] = {};
  com_piece p{buf, sizeof buf};
  clt_tact_req req{nullptr, 1, &p, -1, 0};
  EXPECT_EQ(clt_tact_recv(&req, 0), 0) << log_text();
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), reply);
  EXPECT_EQ(send_body(server.addr(), second, 0), 0);
  peer.join();
  EXPECT_EQ(got[0].header.flags, 0x80);
  EXPECT_EQ(got[0].body, first);
  EXPECT_EQ(got[1].body, second);
  // One connection only: the receive entry and the kept peer entry.
  EXPECT_EQ(used_entries(), 2);
  EXPECT_EQ(count_soc(CLT_SOC_CONNECT, 1), 1);
}

TEST_F(WireTransport, FreedEntryServesTheNextPeer) {
  env.pdsocnum = 2;
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener a, b;
  std::vector<uint8_t> body = pattern(16, 3);
  std::thread peers([&] {
    for (const listener* l : {&a, &b}) {
      int fd = l->accept_one();
      received_frame f;
      read_frame(fd, &f);
      close(fd);
    }
  });
  EXPECT_EQ(send_body(a.addr(), body, CLT_TACT_FLAG_CLOSE), 0);
  EXPECT_EQ(send_body(b.addr(), body, CLT_TACT_FLAG_CLOSE), 0);
  peers.join();

  // A kept connection holds the only peer entry: another peer finds none.
  std::thread kept([&] {
    int fd = a.accept_one();
    received_frame f;
    read_frame(fd, &f);
    close(fd);
  });
  EXPECT_EQ(send_body(a.addr(), body, 0), 0);
  kept.join();
  EXPECT_EQ(send_body(b.addr(), body, 0), CLT_TACT_E_NOENTRY);
}

TEST_F(WireTransport, RefusedConnectsAreRetriedByTheSettings) {
  struct row {
    int32_t retry_count;
    char no_retry;
    uint32_t fes_group;
    uint16_t reconnect_state;
    int attempts;
  } rows[] = {
      {3, 'Y', 0, 0, 3}, {1, 'Y', 0, 0, 1}, {0, 'Y', 0, 0, 1},
      {3, 'N', 0, 0, 1}, {3, 'Y', 2, 0, 1}, {3, 'Y', 0, 4, 1},
  };
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  const sockaddr_in nobody = wire::loopback(wire::refused_port());
  std::vector<uint8_t> body = pattern(4, 0);
  for (const row& r : rows) {
    env.pdretrycount = r.retry_count;
    env.pdretryinterval = 250000;
    conn.connect_no_retry = r.no_retry;
    conn.fes_group_index = r.fes_group;
    conn.reconnect_state = r.reconnect_state;
    soc.clear();
    sleeps.clear();
    EXPECT_EQ(send_body(nobody, body, CLT_TACT_FLAG_CLOSE), CLT_TACT_E_REFUSED);
    EXPECT_EQ(count_soc(CLT_SOC_CONNECT, 1), r.attempts) << r.retry_count << r.no_retry;
    EXPECT_EQ(sleeps, std::vector<uint32_t>(static_cast<size_t>(r.attempts - 1), 250u));
    EXPECT_EQ(main.srv_port, nobody.sin_port);
  }
  EXPECT_TRUE(logged("reason=NETWORK, inf=CLTTACT:")) << log_text();
  EXPECT_EQ(used_entries(), 1);
}

TEST_F(WireTransport, SilentServerTimesOutOnTheKeptConnection) {
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  std::vector<uint8_t> body = pattern(4, 0);
  ASSERT_EQ(send_body(server.addr(), body, 0), 0);
  int fd = server.accept_one();
  uint8_t buf[8];
  com_piece p{buf, sizeof buf};
  clt_tact_req req{nullptr, 1, &p, 2, 0};
  EXPECT_EQ(clt_tact_recv(&req, 0), CLT_TACT_E_TIMEOUT);
  EXPECT_EQ(call.tact_table->reply_entry, 0u);
  EXPECT_EQ(used_entries(), 1);
  close(fd);
}

TEST_F(WireTransport, CancelWhileWaitingForTheReply) {
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  std::vector<uint8_t> body = pattern(4, 0);
  ASSERT_EQ(send_body(server.addr(), body, 0), 0);
  int fd = server.accept_one();
  std::thread aborter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    clt_com_cancel_set(&main, 1);
  });
  uint8_t buf[8];
  com_piece p{buf, sizeof buf};
  clt_tact_req req{nullptr, 1, &p, -1, 0};
  EXPECT_EQ(clt_tact_recv(&req, 0), CLT_TACT_E_CANCELLED);
  aborter.join();
  EXPECT_EQ(clt_com_cancel_get(&main), 0);
  EXPECT_EQ(used_entries(), 1);
  close(fd);
}

TEST_F(WireTransport, ResetDuringSendIsALostConnection) {
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  std::vector<uint8_t> body = pattern(4096, 0);
  ASSERT_EQ(send_body(server.addr(), body, 0), 0);
  int fd = server.accept_one();
  received_frame f;
  read_frame(fd, &f);
  wire::reset_close(fd);
  int32_t rc = 0;
  for (int i = 0; i < 8 && rc == 0; ++i) rc = send_body(server.addr(), body, 0);
  EXPECT_EQ(rc, CLT_TACT_E_NETWORK);
  EXPECT_TRUE(logged("reason=NETWORK, inf=CLTTACT:")) << log_text();
  EXPECT_EQ(call.tact_table->reply_entry, 0u);
}

// A reply that the peer sends back through the receive socket.
struct bad_reply {
  const char* what;
  std::vector<uint8_t> bytes;
  int32_t result;
  uint32_t len_out;
};

TEST_F(WireTransport, RefusedRepliesGetTheirCodes) {
  const std::vector<bad_reply> rows = {
      {"header cut short", std::vector<uint8_t>(5, 0x80), CLT_TACT_E_NETWORK, 0},
      {"error kind", frame(0x80, 0x05, 10, pattern(10, 0)), CLT_FRAME_E_KIND, 0},
      {"empty RPC body", frame(0x80, 0x00, 0, {}), CLT_TACT_E_PROTOCOL, 0},
      {"body cut short", frame(0xC0, 0x00, 50, pattern(20, 0)), CLT_TACT_E_NETWORK, 0},
      {"body larger than the area", frame(0xC0, 0x00, 200, pattern(200, 0)), CLT_TACT_E_TRUNCATED, 64},
      {"marked kind without body", frame(0xC0, 0x08, 0, {}), 0, 0},
      {"exact body", frame(0xC0, 0x00, 64, pattern(64, 5)), 0, 64},
  };
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  for (const bad_reply& r : rows) {
    std::thread peer = reply_from_peer(r.bytes);
    // The area sits between guard bytes that must stay untouched.
    std::vector<uint8_t> area(64 + 2 * 16, 0xA5);
    com_piece p{area.data() + 16, 64};
    clt_tact_req req{nullptr, 1, &p, -1, 99};
    EXPECT_EQ(clt_tact_recv(&req, CLT_TACT_FLAG_CLOSE), r.result) << r.what << "\n" << log_text();
    peer.join();
    EXPECT_EQ(req.len_out, r.len_out) << r.what;
    for (int i = 0; i < 16; ++i) {
      ASSERT_EQ(area[static_cast<size_t>(i)], 0xA5) << r.what;
      ASSERT_EQ(area[area.size() - 1 - static_cast<size_t>(i)], 0xA5) << r.what;
    }
    // Every refused reply leaves a clean table for the next one.
    EXPECT_EQ(used_entries(), 1) << r.what;
    EXPECT_EQ(call.tact_table->reply_entry, 0u) << r.what;
  }
  EXPECT_TRUE(logged("reason=INF2 ERROR")) << log_text();
}

TEST_F(WireTransport, RequestCodeFormLeavesTheCallBlockOut) {
  conn.features = 0x07;
  conn.protocol = 2;
  main.funccode = 13;
  conn.reply_capacity = 1000;
  const uint32_t values[CLT_REPLY_VALUES] = {1, 2, 3, 4, 5};
  memcpy(conn.reply_values, values, sizeof values);
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  std::vector<uint8_t> call_block(96, 0xCB), request = pattern(20, 4);
  const std::vector<uint8_t> reply = pattern(30, 8);
  received_frame got;
  std::thread peer([&] {
    int fd = server.accept_one();
    read_frame(fd, &got);
    wire::write_all(fd, frame(0x80, 0x89, 30, reply).data(), 42);
    close(fd);
  });
  sockaddr_in to = server.addr();
  com_piece out[] = {{call_block.data(), 96}, {request.data(), 20}};
  clt_tact_req send{&to, 2, out, -1, 0};
  ASSERT_EQ(clt_tact_send(&send, 0), 0);
  EXPECT_EQ(send.len_out, 20u);
  uint8_t head[CLT_REPLY_HEADER_SIZE] = {}, buf[100] = {};
  com_piece in[] = {{head, sizeof head}, {buf, sizeof buf}};
  clt_tact_req recv{nullptr, 2, in, -1, 0};
  EXPECT_EQ(clt_tact_recv(&recv, 0), 0) << log_text();
  peer.join();
  EXPECT_EQ(got.header.kind, 0x89);
  EXPECT_EQ(got.body, request);
  uint8_t cap[4] = {0, 0, 0x03, 0xE8};
  EXPECT_EQ(memcmp(got.header.reply_cap, cap, 4), 0);
  EXPECT_EQ(recv.len_out, 94u);
  uint32_t word0 = 0, word10 = 0;
  memcpy(&word0, head, 4);
  memcpy(&word10, head + 40, 4);
  EXPECT_EQ(word0, 0x36000300u);
  EXPECT_EQ(word10, 1u);
  EXPECT_EQ(std::vector<uint8_t>(buf, buf + 30), reply);
}

TEST_F(WireTransport, FrameBodyStopsAt4096Bytes) {
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  received_frame got;
  std::thread peer([&] {
    int fd = server.accept_one();
    read_frame(fd, &got);
    close(fd);
  });
  std::vector<uint8_t> a = pattern(3000, 1), b = pattern(2000, 2);
  sockaddr_in to = server.addr();
  com_piece out[] = {{a.data(), 3000}, {b.data(), 2000}};
  clt_tact_req req{&to, 2, out, -1, 0};
  EXPECT_EQ(clt_tact_send(&req, CLT_TACT_FLAG_CLOSE), 0);
  peer.join();
  EXPECT_EQ(req.len_out, 4096u);
  ASSERT_EQ(got.body.size(), 4096u);
  EXPECT_EQ(std::vector<uint8_t>(got.body.begin(), got.body.begin() + 3000), a);
  EXPECT_EQ(std::vector<uint8_t>(got.body.begin() + 3000, got.body.end()),
            std::vector<uint8_t>(b.begin(), b.begin() + 1096));
}

TEST_F(WireTransport, MorePiecesThanAFrameHoldsAreRefused) {
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  std::thread peer([&] { close(server.accept_one()); });
  std::vector<uint8_t> small = pattern(8, 1);
  std::vector<com_piece> out(6, com_piece{small.data(), 8});
  sockaddr_in to = server.addr();
  clt_tact_req req{&to, 6, out.data(), -1, 0};
  EXPECT_EQ(clt_tact_send(&req, CLT_TACT_FLAG_CLOSE), CLT_TACT_E_REQUEST);
  peer.join();
  EXPECT_EQ(used_entries(), 1);
}

TEST_F(WireTransport, ClosingMessageHasNoBody) {
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  listener server;
  received_frame got;
  std::thread peer([&] {
    int fd = server.accept_one();
    read_frame(fd, &got);
    close(fd);
  });
  sockaddr_in to = server.addr();
  clt_tact_req req{&to, 0, nullptr, -1, 0};
  EXPECT_EQ(clt_tact_send(&req, CLT_TACT_FLAG_CLOSING | CLT_TACT_FLAG_CLOSE), 0);
  peer.join();
  EXPECT_EQ(got.header.kind, CLT_FRAME_KIND_CLOSING);
  EXPECT_EQ(got.header.flags, 0xC0);
  EXPECT_TRUE(got.body.empty());
  EXPECT_EQ(call.tact_table->reply_entry, 0u);
}

TEST_F(WireTransport, ReplyBufferGrowsToTheBody) {
  call.reply_may_grow = 1;
  call.reply_buf = static_cast<uint8_t*>(cltmem_alloc(4096, 0, "test", __LINE__));
  ASSERT_EQ(clt_tact_open(0, 0), 0);
  const std::vector<uint8_t> body = pattern(10000, 1);
  std::thread peer = reply_from_peer(frame(0xC0, 0, 10000, body));
  uint8_t head[256] = {};
  com_piece in[] = {{head, sizeof head}, {call.reply_buf, 4096}};
  clt_tact_req req{nullptr, 2, in, -1, 0};
  EXPECT_EQ(clt_tact_recv(&req, CLT_TACT_FLAG_CLOSE), 0) << log_text();
  peer.join();
  EXPECT_EQ(req.len_out, 10000u);
  EXPECT_EQ(conn.reply_buf_size, 12288u);
  EXPECT_EQ(in[1].addr, call.reply_buf);
  EXPECT_EQ(in[1].len, 12288u);
  EXPECT_EQ(memcmp(head, body.data(), 256), 0);
  EXPECT_EQ(memcmp(call.reply_buf, body.data() + 256, 10000 - 256), 0);
  cltmem_free(call.reply_buf, "test", __LINE__);
}

TEST_F(WireTransport, OnlyThePieceThatIsTheReplyBufferIsReplaced) {
  call.reply_may_grow = 1;
  uint8_t* const buffer = static_cast<uint8_t*>(cltmem_alloc(4096, 0, "test", __LINE__));
  call.reply_buf = buffer;
  uint8_t caller[1024] = {};
  struct row {
    const char* name;
    uint8_t* piece;
  };
  for (const row& t : {row{"inside the reply buffer", buffer + 1000}, row{"memory of the caller", caller}}) {
    SCOPED_TRACE(t.name);
    ASSERT_EQ(clt_tact_open(0, 0), 0);
    const std::vector<uint8_t> body = pattern(3000, 3);
    std::thread peer = reply_from_peer(frame(0xC0, 0, 3000, body));
    uint8_t head[256] = {};
    com_piece in[] = {{head, sizeof head}, {t.piece, 1024}};
    clt_tact_req req{nullptr, 2, in, -1, 0};
    EXPECT_EQ(clt_tact_recv(&req, CLT_TACT_FLAG_CLOSE), CLT_TACT_E_TRUNCATED) << log_text();
    peer.join();
    EXPECT_EQ(call.reply_buf, buffer);
    EXPECT_EQ(in[1].addr, t.piece);
    EXPECT_EQ(memcmp(t.piece, body.data() + 256, 1024), 0) << "the piece holds what fitted";
    clt_tact_close(0, 0);
  }
  cltmem_free(buffer, "test", __LINE__);
}

}  // namespace
