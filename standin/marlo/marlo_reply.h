// SQL reply bodies as the test server writes them: the directory of u32
// offsets, the status part, the SQLCA part with its message, and the
// further parts each at its directory slot, in the server's byte order.
#pragma once

#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "marlo_values.h"

namespace marlo {

// Directory slots of the reply body.
enum : uint32_t {
  kReplyData = 16,      // description or data part; PREPARE: its directory
  kReplyNames = 20,
  kReplyPerColumn = 24,
  kReplyExtension = 28, // CONNECT: the connection information
  kReplyCharset = 32,
};

// Bytes 6, 7 and 16 of the status part.
struct status_bytes {
  uint8_t hold = 0;
  uint8_t flags7 = 0;
  uint8_t flags16 = 0;
};

struct reply {
  std::string sqlstate = "00000";
  uint8_t result = 0;
  status_bytes status;
  int32_t sqlcode = 0;
  std::string message;
  int32_t errd[6] = {};
  uint16_t statement_kind = 0;          // the second half of sqlerrd[4]
  char mark = 'S';                      // the SQLCA identifier's last character
  uint8_t warnings[2] = {};             // sqlwarn0 (0x80 of the first) to sqlwarn15, one bit each
  std::map<uint32_t, std::vector<uint8_t>> parts;  // by directory slot
  // The server information a request of it gets: the status part as a
  // whole, its own fields above written over it.
  std::vector<uint8_t> server_info;
};

std::vector<uint8_t> encode_reply(const reply& r, const byte_order& o);

// Builds a part of u32 offsets relative to its own start, followed by
// the parts it points at.
class part_builder {
 public:
  part_builder(const byte_order& o, uint32_t directory_size) : o_(o), bytes_(directory_size, 0) {}
  // Appends `part` on a multiple of 4 and stores its offset at `slot`.
  void add(uint32_t slot, const std::vector<uint8_t>& part);
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  byte_order o_;
  std::vector<uint8_t> bytes_;
};

}  // namespace marlo
