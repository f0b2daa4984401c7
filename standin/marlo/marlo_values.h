// The test server's reading of a statement request's descriptor part:
// the 16-byte head, one 16-byte entry per variable and the encoded input
// values behind them, in the server's byte order. Every offset and length
// is checked against the packet before it is read.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "marlo_tables.h"

namespace marlo {

// Numbers of a request or reply in the server's byte order.
struct byte_order {
  bool little_endian = false;
  uint16_t u16(const uint8_t* p) const;
  uint32_t u32(const uint8_t* p) const;
  uint64_t u64(const uint8_t* p) const;
  void put16(uint8_t* p, uint16_t v) const;
  void put32(uint8_t* p, uint32_t v) const;
};

// One variable's entry as sent.
struct var_entry {
  uint8_t code = 0;       // as sent (0x30 and 0x32 arrive as 0xC0, 0xEA and 0xEC as 0xE4)
  uint16_t xdim = 1;
  uint16_t length = 0;    // sqllen, or the largest converted length
  uint8_t precision = 0;  // decimal codes: byte 4
  uint8_t scale = 0;      // decimal codes: byte 5
  uint32_t length32 = 0;  // 0x90-0x93, 0x98, 0x99
  uint16_t value_size = 0;
  uint32_t value_at = 0;  // from the part start; 0 = none
  uint32_t indicator_at = 0;
};

// An input value as the server takes it: numbers as decimal text,
// everything else as bytes. A repetition value holds its elements.
struct input_value {
  var_entry entry;
  std::vector<cell> rows;  // one per row; one for a plain statement
  std::vector<std::vector<cell>> elements;  // repetition values: per row, the non-null elements
};

struct descriptor {
  uint8_t id[8] = {};
  int16_t sqln = 0;
  int16_t sqld = 0;
  std::vector<var_entry> entries;
};

// What the reader needs of the request around the part.
struct decode_context {
  byte_order order;
  uint32_t level = 26;  // the server level; below 10 a NULL keeps its place
  uint16_t rows = 1;    // rows of an array statement; 1 otherwise
};

// Reads the head and entries of the part at `part`. Empty, or why not.
// Large-object codes: a reserved word and a 32-bit length lead the value.
bool large_code(uint8_t code);

std::string read_descriptor(const std::vector<uint8_t>& packet, uint32_t part, const decode_context& ctx,
                            descriptor* out);
// Reads the values of entries `first` on (the entries before them are
// INTO variables). Empty, or why a value cannot be read.
std::string read_values(const std::vector<uint8_t>& packet, uint32_t part, const descriptor& d, size_t first,
                        const decode_context& ctx, std::vector<input_value>* out);

}  // namespace marlo
