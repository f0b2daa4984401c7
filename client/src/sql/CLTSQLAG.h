// Column value conversion: the values that a reply returns go into the
// caller's host variables, copied or converted by data type code, with
// character data converted from the server's code set (slot 2), the
// indicators filled and truncation reported in the SQLCA.
//
// clt_out_conv converts one row in the descriptor form (every column
// carries the offsets of its value and indicator). The rules that the
// SQLDA-form converter shares with it (character families, decimal text,
// byte order, the address text of flagged columns) are declared here too.
//
// Every converter reads the reply twice: a checking pass that writes
// nothing, then the storing pass. A reply that is refused (-733) leaves
// every variable as it was.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "CLTSQLDA.h"
#include "zelkit.h"
#include "zk_records.h"

constexpr size_t CLT_ADDRESS_TEXT_SIZE = 16;  // "255.255.255.255" and its zero

// The descriptor form of a data part: the column count, then one 16-byte
// descriptor per column (offsets from the data part and the descriptor).
enum : uint32_t {
  CLT_DATA_COLUMNS = 14,
  CLT_DATA_DESCRIPTORS = 16,
  CLT_DESC_SIZE = 16,
  CLT_DESC_CODE = 1,
  CLT_DESC_LENGTH = 4,   // u16, the decimal's precision byte, or a u32
  CLT_DESC_SCALE = 5,
  CLT_DESC_STEP = 6,     // between rows of column arrays
  CLT_DESC_VALUE = 8,
  CLT_DESC_INDICATOR = 12,
};

// The character families and their target rules.
enum class clt_char_family {
  var_prefixed,  // variable character into a u16-prefixed host
  var_nul,       // variable character into a 0x30/0x31 host
  fixed,         // 0xA4, 0xC4
  nvar,          // 0xB0, 0xB8
  nfixed,        // 0xB4
};

// The bytes a single conversion pass is about to write, kept before each
// write (copying, not converting) so that a refused value puts them back.
class clt_col_undo {
 public:
  void clear() {
    bytes_used_ = 0;
    pieces_used_ = 0;
  }
  // Every value of every row comes here: the stores only grow, so that a
  // write costs a bounds check and a copy, not a vector insert.
  void keep(void* at, size_t n) {
    if (pieces_used_ == pieces_.size() || n > bytes_.size() - bytes_used_) [[unlikely]] grow(n);
    pieces_[pieces_used_++] = piece{static_cast<uint8_t*>(at), n};
    memcpy(bytes_.data() + bytes_used_, at, n);
    bytes_used_ += n;
  }
  // The last write first: a byte written twice gets its first contents.
  void restore() const {
    size_t end = bytes_used_;
    for (size_t k = pieces_used_; k-- > 0;) {
      const piece& p = pieces_[k];
      end -= p.n;
      memcpy(p.at, bytes_.data() + end, p.n);
    }
  }

 private:
  static constexpr size_t kFirstPieces = 16;
  struct piece {
    uint8_t* at;
    size_t n;
  };
  [[gnu::noinline]] void grow(size_t n) {
    if (pieces_used_ == pieces_.size()) pieces_.resize(2 * pieces_.size() + kFirstPieces);
    if (n > bytes_.size() - bytes_used_) bytes_.resize(std::max(2 * bytes_.size(), bytes_used_ + n));
  }
  std::vector<uint8_t> bytes_;
  std::vector<piece> pieces_;
  size_t bytes_used_ = 0;
  size_t pieces_used_ = 0;
};

// What a converter reads of the running connection, gathered once a call.
struct clt_col_env {
  rdb_sql_area* area;
  clt_main* main;
  bool convert_mode;   // PDCLTCNVMODE converts (not NOUSE, AUTO, UTF8_TXT, UTF8MS_TXT)
  bool ucs2;           // a UCS-2 mode
  bool fill_skipped;   // EUCHJ2 or UJIS2: varying targets are not blank-filled
  bool wide_factor;    // slot 2's length factor is 3
  bool reverse;        // the server's byte order differs from the client's
  bool big_endian;     // the server's byte order
  bool second;         // the second server protocol
  bool no_terminator;  // terminator byte 2
  int32_t term_size;   // bytes of a terminator when one is written
  int32_t term_room;   // bytes a terminator takes in an element stride
  bool carry_data;     // null values carry data
  bool option_n;       // PDCLTOPTIONSTR holds N: array elements lie SYS apart
  const uint8_t* csna;
  const uint8_t* pad_table;
  uint8_t national_space[2];
  char address[CLT_ADDRESS_TEXT_SIZE];  // empty until clt_col_take_address
  int32_t address_len;
  bool dry;            // the checking pass: nothing is written
  clt_col_undo* undo;  // the single pass: every write is kept first; or null
  // The end of the array element that a value goes into, or null: no
  // write of the value passes it (an element size from SYS may be
  // smaller than the value, a terminator outside the stride lies beyond).
  uint8_t* window_end;
};

// Bounds the writes of a value, for the scope, to its element's end.
struct clt_col_window {
  clt_col_env& e;
  clt_col_window(clt_col_env& env, uint8_t* end) : e(env) { e.window_end = end; }
  ~clt_col_window() { e.window_end = nullptr; }
  clt_col_window(const clt_col_window&) = delete;
  clt_col_window& operator=(const clt_col_window&) = delete;
};

// The environment of the running call for the given list's SQLCSNA and
// the SQLCA mark that decides whether null values carry data.
void clt_col_env_of(rdb_sql_area* area, bool second_list, char sqlca_mark, clt_col_env* e);

// The address text of flagged columns: taken once a reply has flag bytes.
void clt_col_take_address(clt_col_env* e);

// The 64-byte SQLCSNA name entry of column i, or null (CS flag N).
const uint8_t* clt_col_names(const clt_col_env& e, int32_t column);

// The outcome of one character value.
struct clt_char_out {
  int32_t length;      // stored length in bytes
  bool cut;            // cut by the conversion or the variable: warnings set
  int32_t measured;    // the whole length after a cut, capped, in the family's unit
  bool pad_cut;        // a pad unit did not fit: the warning bytes set
  int32_t pad_length;  // the length reached plus the pad unit, capped
};

// Stores one character value (with the address text in front when
// `prefixed`) at `target` by the family's rules; `names` is the column's
// SQLCSNA entry or null. False when a copy into a "MASTER" UTF-16
// variable of odd sqllen would need padding: nothing is stored then and
// the caller reports -306.
bool clt_col_char(const clt_col_env& e, clt_char_family f, const SQLVAR& v, const uint8_t* names,
                  const uint8_t* value, int32_t n, bool prefixed, uint8_t* target, clt_char_out* out);

// The bytes that the terminator takes after a fixed character value.
int32_t clt_col_char_terminator(const clt_col_env& e);

// A packed decimal of precision p as its decimal text: with the sign
// character in front (p + 1 bytes, hosts 0xEA/0xEB) or with the sign in
// the zone of the last digit (p bytes, hosts 0xEC/0xED).
void clt_col_decimal_text(const uint8_t* packed, uint8_t p, bool sign_in_front, uint8_t* out);

// `n` bytes copied, reversed when the server's byte order differs.
void clt_col_swapped(const clt_col_env& e, uint8_t* dst, const uint8_t* src, size_t n);

// A server-order number at p. Inline, as the writes below: every value
// of every row takes them.
inline uint16_t clt_col_u16(const clt_col_env& e, const uint8_t* p) {
  return e.big_endian ? static_cast<uint16_t>(p[0] << 8 | p[1]) : static_cast<uint16_t>(p[1] << 8 | p[0]);
}
inline uint32_t clt_col_u32(const clt_col_env& e, const uint8_t* p) {
  const uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
  return e.big_endian ? b0 << 24 | b1 << 16 | b2 << 8 | b3 : b3 << 24 | b2 << 16 | b1 << 8 | b0;
}

// How many of n bytes at dst lie before the element's end.
inline size_t clt_col_in_window(const clt_col_env& e, const void* dst, size_t n) {
  if (e.window_end == nullptr) return n;
  const auto* at = static_cast<const uint8_t*>(dst);
  return at >= e.window_end ? 0 : std::min<size_t>(n, static_cast<size_t>(e.window_end - at));
}

// What a write of n bytes at dst is about to change, kept in a single pass.
inline void clt_col_keep(const clt_col_env& e, void* dst, size_t n) {
  if (e.undo != nullptr && n > 0) e.undo->keep(dst, n);
}

// Writes that the checking pass leaves out.
inline void clt_col_put(const clt_col_env& e, void* dst, const void* src, size_t n) {
  n = clt_col_in_window(e, dst, n);
  if (e.dry || n == 0) return;
  clt_col_keep(e, dst, n);
  memcpy(dst, src, n);
}
inline void clt_col_put16(const clt_col_env& e, void* dst, int16_t v) { clt_col_put(e, dst, &v, sizeof v); }
inline void clt_col_put32(const clt_col_env& e, void* dst, int32_t v) { clt_col_put(e, dst, &v, sizeof v); }

// The warning of a cut: sqlwarn0 and sqlwarn1, and with `state` the
// SQLSTATE "01000" while the SQLCODE is 0.
void clt_col_warn(const clt_col_env& e, bool state);

// The column flag bytes of a reply: the ones the reply carries (for a
// FETCH copied into `kept` first), or for a FETCH the kept copy. 0, or
// -1 after -729 was reported. *flags is null when there are none.
int32_t clt_col_flags(const uint8_t* body, uint32_t total, rdb_sql_area* area, uint16_t columns, bool use,
                      clt_flag_copy* kept, const char* module, const uint8_t** flags, uint16_t* count);

// Failure reports of the converters, with the module and line of the
// check: -733 for a reply that is refused, -720 for a call without its
// connection or list. Both return -1.
int32_t clt_col_refuse(rdb_sql_area* area, const char* module, int32_t line);
int32_t clt_col_client_error(rdb_sql_area* area, const char* module, int32_t line);
// KFPA11306-E for the column (0-based) whose fixed character value a
// "MASTER" UTF-16 variable of odd length cannot take.
void clt_col_invalid(rdb_sql_area* area, const char* module, int32_t line, int32_t column);

// The body's total (its first word, at most the bytes received) and the
// offset of its data part; false when the data part does not begin
// within the body.
bool clt_col_body(const clt_col_env& e, const uint8_t* body, uint32_t length, uint32_t* total, uint32_t* data);

// Rows of a block-fetch buffer: where the block keeps each column's value
// and indicator for the row at hand, and the layout whose rules differ
// from clt_out_conv's (column arrays or row records).
enum class clt_block_layout { arrays, records };
struct clt_block_cell {
  uint32_t value;      // offset from the data part; 0: the row has no value
  uint32_t indicator;  // offset from the data part of the indicator, or of a repetition's structure; 0: none
  bool no_structure;   // column arrays: the row's repetition indicator structure is missing
};
struct clt_block_row {
  clt_block_layout layout;
  const clt_block_cell* cells;  // one per column
  bool long_binary;             // column arrays: 0x90 declared above 32000 bytes is allowed
};

// Whether the checks of the column value conversion hold for a column
// descriptor (code in its even form) and its variable; `cs`: the column
// names a character set; `block`: the block row's own checks, null for a
// single row.
bool clt_col_checks(const clt_col_env& e, uint8_t code, int16_t length, uint8_t precision, uint8_t scale,
                    uint32_t length32, const SQLVAR& v, bool cs, const clt_block_row* block);

// Converts one row in the descriptor form into the host-variable list
// (the second SQLDA for "AUX ", "AUXI", "AUXO", "CALL", "GETD" and
// "AUI3"). 0, also after -306; -1 with the SQLCA and SQLSTATE set.
int32_t clt_out_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);

// Converts one block row (data part at `data`, `columns` descriptors)
// into the variables of `da`, reporting as `module`. The contract of
// clt_out_conv: a refused row leaves every variable as it was.
int32_t clt_block_row_conv(const uint8_t* body, uint32_t total, uint32_t data, uint16_t columns, SQLDA* da,
                           clt_col_env& e, const uint8_t* flags, uint16_t flag_count, const clt_block_row& block,
                           const char* module);
