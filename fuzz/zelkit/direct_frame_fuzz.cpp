// The direct frame exchange on a kept connection whose server answers with
// the fuzzer's bytes: control bytes pick the request and the caller's reply
// capacity; the rest is what the server sends before it ends its stream.
#include <stdint.h>

#include <vector>

#include "CLTMEM.h"
#include "CLTSQLDR.h"
#include "zk_codes.h"
#include "zk_fuzz.h"

namespace {

constexpr int32_t kFunctions[] = {CLT_FC_CCMD, 10, 13, 1, 3};
constexpr uint32_t kCapacityUnit = 64;
constexpr uint32_t kRequestSize = 32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  zkfuzz::running_call run;
  run.main.funccode = kFunctions[in.byte() % std::size(kFunctions)];
  const uint32_t capacity = kCapacityUnit * (1u + in.byte());
  run.main.byteorder = in.byte() & 1;
  const std::vector<uint8_t> reply = in.rest();
  zkfuzz::loopback_pair pair(reply);
  if (!pair.ok()) return 0;
  run.conn.cur_socket = pair.client;
  run.conn.recv_socket = pair.client;
  run.call.reply_buf = static_cast<uint8_t*>(cltmem_alloc(capacity, 0, "fuzz", __LINE__));
  run.conn.reply_buf_size = capacity;

  std::vector<uint8_t> request(kRequestSize, 0x5A);
  uint32_t request_len = kRequestSize;
  uint32_t reply_len = capacity;
  const int32_t rc = clt_send_direct(request.data(), &request_len, run.call.reply_buf, &reply_len, nullptr);
  // What came back lies inside the connection's reply buffer.
  if (rc == 0 && (run.call.reply_cur != run.call.reply_buf || reply_len > run.conn.reply_buf_size)) abort();
  if (run.conn.reply_buf_size > zkfuzz::grown_bound(capacity, reply.size())) abort();
  cltmem_free(run.call.reply_buf, "fuzz", __LINE__);
  return 0;
}
