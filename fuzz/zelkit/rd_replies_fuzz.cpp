// The second server protocol's reply check: the walk from a reply to its
// blocks and reply packet, the status byte's place and the describe
// fix-up, on bytes a server sent. The reply lies in a buffer of exactly
// its size; whatever the walk accepts must lie inside it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "cltrdana.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> reply(data, data + size);
  clt_rd_reply_map map{};
  const uint32_t received = static_cast<uint32_t>(size);
  if (clt_rd_map_reply(reply.data(), received, &map) != 0) return 0;
  if (uint64_t{map.packet} + map.packet_len > received || map.block3 >= received || map.server >= received) abort();
  // The packet alone, as the caller's reply area would hold it.
  std::vector<uint8_t> packet(reply.begin() + map.packet, reply.begin() + map.packet + map.packet_len);
  const uint32_t flags_at = clt_rd_status_flags_at(packet.data(), map.packet_len);
  if (flags_at >= map.packet_len && flags_at != 0) abort();
  clt_rd_fix_describe(packet.data(), map.packet_len);
  return 0;
}
