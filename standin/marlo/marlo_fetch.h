// The FETCH side of the test server: a cursor's rows answered in the form
// each FETCH asks for (its own SQLDA's forms, or column descriptions of
// their own), from the description the FETCH carries or, when it carries
// none, the one its cursor kept. Values follow NULL indicators when the
// replies' SQLCA mark is a blank; flagged columns are announced in the
// extension part.
#pragma once

#include <stdint.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace marlo {

// One value: NULL, a number (the integer and handle codes), or bytes in
// the server's code set (character data, packed decimals, binary data).
struct fetch_cell {
  bool null = false;
  int64_t number = 0;
  std::vector<uint8_t> bytes;
};
using fetch_row = std::vector<fetch_cell>;

struct cursor_rows {
  std::vector<fetch_row> rows;
  std::vector<uint8_t> flags;          // column flag bytes; empty: the replies carry none
  char mark = ' ';                     // the replies' SQLCA mark
  uint8_t national_pad[2] = {0xA1, 0xA1};  // fills fixed national values (EUC ideographic space)
};

class fetch_server {
 public:
  fetch_server(bool little_endian, cursor_rows rows);

  // The answer to a request the rows concern: a FETCH gets the cursor's
  // next row (SQLCODE 100 after the last), an OPEN starts the cursor again
  // (and gets the usual success). Empty for every other request.
  std::vector<uint8_t> answer(const std::string& function, const std::vector<uint8_t>& request);

  int fetches() const;

 private:
  struct entry {
    uint8_t code;
    int16_t xdim;
    uint8_t len[4];
  };
  struct cursor {
    std::vector<entry> description;
    size_t next = 0;
  };
  std::vector<uint8_t> fetch(const std::vector<uint8_t>& packet);

  bool le_;
  cursor_rows rows_;
  mutable std::mutex lock_;
  std::map<std::string, cursor> cursors_;
  int fetches_ = 0;
};

// The rows of a table fixture: one row a line, cells separated by '|':
// "NULL", "#" and a decimal number, "x:" and hexadecimal bytes, or the
// text itself; empty lines and lines beginning with '#' ' ' are skipped.
// False with *error set when a cell cannot be read.
bool read_rows(const std::string& text, cursor_rows* out, std::string* error);

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
