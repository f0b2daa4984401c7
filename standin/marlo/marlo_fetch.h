// The FETCH side of the test server: a cursor's row written in the form
// each FETCH asks for, from the description the FETCH carries or, when it
// carries none, the one its cursor kept; flagged columns are announced in
// the extension part. CONNECT replies with a type list.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "marlo_tables.h"

namespace marlo {

// Numbers in the server's order appended to a reply, or put in place.
struct reply_writer {
  bool le;
  std::vector<uint8_t>& b;
  void n(uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(le ? v >> (8 * i) : v >> (8 * (bytes - 1 - i))));
  }
  void at(size_t off, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
      b[off + static_cast<size_t>(i)] = static_cast<uint8_t>(le ? v >> (8 * i) : v >> (8 * (bytes - 1 - i)));
    }
  }
  void bytes(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); }
  void align() {
    while (b.size() % 4 != 0) b.push_back(0);
  }
};

// One entry of the description a FETCH carries: the code, XDIM and
// length field of a variable of the client's list.
struct fetch_entry {
  uint8_t code;
  int16_t xdim;
  uint8_t len[4];
};

// What a server adds to its FETCH replies: the column flag bytes (empty:
// none).
struct fetch_options {
  std::vector<uint8_t> flags;
  // Array replies in the descriptor form come as row records (conversion
  // variant 5) instead of column arrays.
  bool row_records = false;
  // The client's array elements lie SYS apart (its element-size flag or
  // option letter N), which the FETCH request does not say.
  bool sys_elements = false;
};

// Takes the description a FETCH request (`packet` from its start) carries
// into *kept; a FETCH without one leaves the kept one.
// A FETCH that carries its cursor's OPEN has the OPEN's list in slot 0
// and its own in slot 2.
void read_fetch_description(bool little_endian, const std::vector<uint8_t>& packet, std::vector<fetch_entry>* kept,
                            bool second_slot = false);

// True when a FETCH request asks for its row in the descriptor form.
bool descriptor_form(const std::vector<uint8_t>& packet);

// A character value longer than its variable (the length the FETCH
// describes) goes cut to that length, as a server cuts it; its indicator
// then carries the full length (bytes, characters for the national
// codes). The indicator of `v`: -1 for NULL, that length, or 0.
int32_t indicator_of(bool little_endian, const fetch_entry& d, const cell& v);
// Whether a value of `rows` (an element included) goes cut: the reply
// then warns.
bool any_cut(bool little_endian, const std::vector<fetch_entry>& d, const std::vector<std::vector<cell>>& rows);

// Appends `row` to `head` (a reply body of SQLCODE 0) by the description
// `d`: in the SQLDA form (the client's own SQLDA's forms) or the descriptor
// form (column descriptions of its own, as FETCH asks for it and as the
// execute family's outputs always come). Values follow NULL indicators
// when the reply's SQLCA mark is a blank. Empty, or why a value does not
// suit its variable.
std::string row_reply(bool little_endian, bool descriptors, const std::vector<fetch_entry>& d,
                      const std::vector<cell>& row, const fetch_options& options, std::vector<uint8_t>* head);

// Appends the values of `row` in the SQLDA form to *b, as one row of a
// data part; values follow NULL indicators when `carry`. Empty, or why a
// value does not suit its variable.
std::string sqlda_row(bool little_endian, const std::vector<fetch_entry>& d, const std::vector<cell>& row, bool carry,
                      std::vector<uint8_t>* b);

// One value in the descriptor form: the code and length field of its
// column descriptor and the value's bytes; `carry`: NULL elements of a
// repetition carry data. Empty, or why not.
std::string descriptor_column(bool little_endian, const fetch_entry& d, const cell& v, bool carry, uint8_t* code,
                              uint8_t len[4], std::vector<uint8_t>* value);

// Appends an extension part to the reply body *b when there are column
// flag bytes or a conversion variant, and points the directory at it.
void append_extension(bool little_endian, const std::vector<uint8_t>& flags, uint32_t variant, std::vector<uint8_t>* b);

// One entry of the CONNECT reply's type list: the two names and the pad
// bytes of fixed-length values of that character set.
struct type_entry {
  std::string first;
  std::string second;
  std::vector<uint8_t> pad;
};

// A CONNECT body (marlo::connect_body) whose connection information points
// at a type list; `count` overrides the list's count when not negative.
std::vector<uint8_t> connect_body_with_types(bool little_endian, const char* code_set, uint32_t level_word,
                                             const std::vector<type_entry>& list, int count = -1);

}  // namespace marlo
