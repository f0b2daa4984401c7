// Block fetch in the test server: a FETCH that asks for a block (its
// request gives the rows per block) gets up to that many rows in one
// reply: column arrays, or row records under conversion variant 5, in the
// descriptor form; the rows back to back in the SQLDA form. A script sets
// a block's SQLCODE and release flags; large cursors come from a rule.
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "marlo_fetch.h"
#include "marlo_tables.h"

namespace marlo {

// What one block answers in place of the engine's own SQLCODE.
struct block_script {
  int32_t sqlcode = 0;
  uint8_t flags7 = 0;        // status byte 7: 0x02, 0x04 release flags
  std::string message;       // of a negative SQLCODE
};

// A table whose rows a rule makes as the cursor reaches them.
struct generated_rows {
  size_t count = 0;
  std::function<std::vector<cell>(size_t)> row;  // the row at an index, in the table's column order
};

struct block_options {
  bool variant5 = false;     // descriptor-form blocks as row records
  int32_t errd2 = 0;         // sqlerrd[2] of every block
  std::map<size_t, block_script> scripted;  // by the cursor's block number, from 0
  int extra_rows = 0;        // rows the status part counts beyond those the block holds
  std::map<std::string, generated_rows> generated;  // by table name
};

// The sqln of the list a FETCH request describes into *sqln; false when
// the request carries no list (the server reuses the one it kept).
bool fetch_list_sqln(bool little_endian, const std::vector<uint8_t>& packet, uint16_t* sqln);

// The rows a FETCH request asks for as a block; 0 when it asks for one row.
uint16_t block_rows_asked(bool little_endian, const std::vector<uint8_t>& packet);

// Appends the block's data part (its descriptors under the list's `sqln`,
// and an extension part for the flag bytes or variant 5) to `head`, a
// reply body, and sets the status part's row count to the rows plus
// `extra_rows`. Empty, or why a value does not
// suit its variable.
std::string block_reply(bool little_endian, bool descriptors, bool variant5, int extra_rows, uint16_t sqln,
                        const std::vector<fetch_entry>& d, const std::vector<std::vector<cell>>& rows,
                        const fetch_options& options, std::vector<uint8_t>* head);

}  // namespace marlo
