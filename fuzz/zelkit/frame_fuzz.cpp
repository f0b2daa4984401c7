// The transport session's frame reader: a peer connects back to the
// client's receive port and sends the fuzzer's bytes as one reply. Control
// bytes pick the receive pieces: one area of an exact size, or a head and
// the connection's reply buffer, which may grow to the body.
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "CLTMEM.h"
#include "CLTTACT.h"
#include "zk_fuzz.h"

namespace {

constexpr uint32_t kRoomUnit = 32;
constexpr uint8_t kGrowable = 0x01;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  zkfuzz::running_call run;
  const uint8_t form = in.byte();
  const uint32_t first_room = kRoomUnit * (1u + in.byte() % 16);
  const uint32_t second_room = kRoomUnit * (1u + in.byte());
  if (clt_tact_open(0, 0) != 0) return 0;
  sockaddr_in me{};
  clt_tact_getaddr(&me, 0);
  const std::vector<uint8_t> sent = in.rest();
  zkfuzz::peer_sends(me, sent);

  std::vector<uint8_t> head(first_room);
  std::vector<com_piece> pieces{{head.data(), first_room}};
  if ((form & kGrowable) != 0) {
    run.call.reply_may_grow = 1;
    run.call.reply_buf = static_cast<uint8_t*>(cltmem_alloc(second_room, 0, "fuzz", __LINE__));
    pieces.push_back(com_piece{run.call.reply_buf, second_room});
  }
  sockaddr_in from{};
  clt_tact_req req{&from, static_cast<int32_t>(pieces.size()), pieces.data(), 1, 0};
  const int32_t rc = clt_tact_recv(&req, CLT_TACT_FLAG_CLOSE);
  uint32_t room = 0;
  for (const com_piece& p : pieces) room += p.len;
  if (rc == 0 && req.len_out > room + CLT_REPLY_HEADER_SIZE) abort();
  if (run.conn.reply_buf_size > zkfuzz::grown_bound(second_room, sent.size())) abort();
  clt_tact_close(0, 0);
  if (run.call.reply_buf != nullptr) cltmem_free(run.call.reply_buf, "fuzz", __LINE__);
  return 0;
}
