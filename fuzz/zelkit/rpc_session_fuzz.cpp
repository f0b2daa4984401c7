// The RPC session's message reader: a server connects back to the
// client's receive port and sends the fuzzer's bytes as a reply message,
// in one frame or in segments. Control bytes pick the byte order and the
// room of the connection's reply buffer, which may grow to the message.
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "CLTMEM.h"
#include "CLTRPCSS.h"
#include "CLTTACT.h"
#include "zk_fuzz.h"

namespace {

constexpr uint32_t kRoomUnit = 64;
constexpr uint8_t kGrowable = 0x01;
constexpr uint8_t kLittleEndian = 0x02;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  zkfuzz::running_call run;
  const uint8_t form = in.byte();
  const uint32_t room = kRoomUnit * (1u + in.byte());
  run.main.byteorder = (form & kLittleEndian) != 0 ? 1 : 0;
  if (pd_clt_sess_open(0) != 0) return 0;
  sockaddr_in me{};
  clt_tact_getaddr(&me, 0);
  const std::vector<uint8_t> sent = in.rest();
  zkfuzz::peer_sends(me, sent);

  std::vector<uint8_t> header(PD_MSG_HEADER_SIZE);
  run.call.reply_may_grow = (form & kGrowable) != 0 ? 1 : 0;
  run.call.reply_buf = static_cast<uint8_t*>(cltmem_alloc(room, 0, "fuzz", __LINE__));
  run.conn.reply_buf_size = room;
  com_piece pieces[2] = {{header.data(), PD_MSG_HEADER_SIZE}, {run.call.reply_buf, room}};
  sockaddr_in from{};
  pd_clt_recv(&from, pieces, 2, 1, 0);
  // The lengths given back never claim more than the pieces hold.
  if (pieces[0].len > PD_MSG_HEADER_SIZE || pieces[1].len > run.conn.reply_buf_size) abort();
  if (run.conn.reply_buf_size > zkfuzz::grown_bound(room, sent.size())) abort();
  pd_clt_sess_close(0);
  cltmem_free(run.call.reply_buf, "fuzz", __LINE__);
  return 0;
}
