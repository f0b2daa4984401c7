#include "marlo_block.h"

#include <string.h>

#include "marlo_values.h"

namespace marlo {

namespace {

// The request packet: rows per block, and the block word (minus the rows
// of a block fetch).
constexpr size_t kRowsPerBlock = 90;
constexpr size_t kBlockWord = 98;
constexpr size_t kListSlot = 20;  // the first list's part
constexpr size_t kListSqln = 12;

// The reply body and the parts this side writes.
constexpr size_t kBodyTotal = 0;
constexpr size_t kBodyStatus = 8;
constexpr size_t kBodyData = 16;
constexpr size_t kStatusRows = 14;
constexpr size_t kMarkAt = 36 + 32 + 7;  // the SQLCA identifier's eighth character of a reply body
constexpr size_t kDescHead = 16;
constexpr size_t kDescSize = 16;
constexpr uint32_t kVariant5 = 5;

using writer = reply_writer;

bool wide_indicator(uint8_t code) { return code == 0x90 || code == 0x94 || code == 0x9A || code == 0x9E; }

// Codes whose rows give the offset of their value; the others lie a
// fixed step apart.
bool varying(uint8_t code) {
  return code == 0xA0 || code == 0xA8 || code == 0xC0 || code == 0xC8 || code == 0xB0 || code == 0xB8 ||
         code == 0x90 || code == 0x30;
}

// The column's code (even) and declared length as the request gives them.
uint8_t code_of(const fetch_entry& d) { return static_cast<uint8_t>(d.code & 0xFE); }
uint16_t length_of(bool le, const fetch_entry& d) { return byte_order{le}.u16(d.len); }

// The step between rows of a fixed-size code and its slot size.
size_t fixed_step(bool le, const fetch_entry& d) {
  switch (code_of(d)) {
    case 0xF4: return 2;
    case 0xF0: case 0x70: case 0x94: case 0x9A: case 0x9E: case 0xE2: return 4;
    case 0xE0: return 8;
    case 0x78: return 3;
    case 0x7C: case 0x44: case 0xA4: case 0xC4: return length_of(le, d);
    case 0xB4: return 2u * length_of(le, d);
    default: return d.len[0] / 2u + 1;  // the decimal codes
  }
}

// Fixed text fills its slot with blanks, as the column holds it.
bool blank_filled(uint8_t code) { return code == 0xA4 || code == 0xC4 || code == 0xB4 || code == 0x44; }

// The code a descriptor of a block names: the variable's own, nullable bit
// included.
uint8_t described(const fetch_entry& d) { return code_of(d) == 0x30 ? static_cast<uint8_t>(0xC0 | (d.code & 1)) : d.code; }

// One value in the descriptor form: its bytes and the length field. Fixed
// text names the column's length, and its slot holds it blank-filled.
std::string value_bytes(bool le, const fetch_entry& d, const cell& v, uint8_t len[4], std::vector<uint8_t>* out) {
  uint8_t code = 0;
  if (std::string why = descriptor_column(le, d, v, false, &code, len, out); !why.empty()) return why;
  if (blank_filled(code_of(d))) {
    out->resize(fixed_step(le, d), ' ');
    byte_order{le}.put16(len, length_of(le, d));
  }
  return "";
}

// Column arrays: per column the rows' values (a fixed step apart, or
// through an offset per row), then an indicator array.
std::string column_arrays(writer& w, size_t data, const std::vector<fetch_entry>& d,
                          const std::vector<std::vector<cell>>& rows) {
  for (size_t i = 0; i < d.size(); ++i) {
    const uint8_t code = code_of(d[i]);
    const size_t at = data + kDescHead + kDescSize * i;
    uint8_t len[4] = {};
    w.b[at + 1] = described(d[i]);
    w.align();
    const size_t values = w.b.size();
    if (varying(code)) {
      w.b.resize(values + 4 * rows.size(), 0);
      for (size_t r = 0; r < rows.size(); ++r) {
        std::vector<uint8_t> v;
        if (std::string why = value_bytes(w.le, d[i], rows[r][i], len, &v); !why.empty()) return why;
        if (rows[r][i].null) continue;
        w.align();
        w.at(values + 4 * r, static_cast<uint32_t>(w.b.size() - data), 4);
        w.b.insert(w.b.end(), v.begin(), v.end());
      }
    } else {
      const size_t step = fixed_step(w.le, d[i]);
      for (const std::vector<cell>& row : rows) {
        std::vector<uint8_t> v;
        if (std::string why = value_bytes(w.le, d[i], row[i], len, &v); !why.empty()) return why;
        v.resize(step, 0);
        w.b.insert(w.b.end(), v.begin(), v.end());
      }
    }
    // A block of no rows still names fixed text's length.
    if (blank_filled(code)) w.at(at + 4, length_of(w.le, d[i]), 2);
    else memcpy(w.b.data() + at + 4, len, 4);
    // The slot size shares the length field's last two bytes.
    if (!varying(code)) w.at(at + 6, static_cast<uint16_t>(fixed_step(w.le, d[i])), 2);
    w.at(at + 8, static_cast<uint32_t>(values - data), 4);
    if ((d[i].code & 1) != 0) {
      w.align();
      w.at(at + 12, static_cast<uint32_t>(w.b.size() - data), 4);
      for (const std::vector<cell>& row : rows) {
        w.n(static_cast<uint64_t>(indicator_of(w.le, d[i], row[i])), wide_indicator(code) ? 4 : 2);
      }
    }
  }
  return "";
}

// Row records: each row's next-record offset, value-offset table and
// indicators, then its values.
std::string row_records(writer& w, size_t data, const std::vector<fetch_entry>& d,
                        const std::vector<std::vector<cell>>& rows) {
  for (size_t i = 0; i < d.size(); ++i) w.b[data + kDescHead + kDescSize * i + 1] = described(d[i]);
  for (const std::vector<cell>& row : rows) {
    w.align();
    const size_t record = w.b.size();
    w.n(0, 4);
    w.n(0, 4);
    for (size_t i = 0; i < d.size(); ++i) {
      if ((d[i].code & 1) == 0) continue;
      w.n(static_cast<uint64_t>(indicator_of(w.le, d[i], row[i])), wide_indicator(d[i].code & 0xFE) ? 4 : 2);
    }
    w.align();
    const size_t table = w.b.size();
    w.at(record + 4, static_cast<uint32_t>(table - data), 4);
    w.b.resize(table + 4 * d.size(), 0);
    for (size_t i = 0; i < d.size(); ++i) {
      uint8_t len[4] = {};
      std::vector<uint8_t> v;
      if (std::string why = value_bytes(w.le, d[i], row[i], len, &v); !why.empty()) return why;
      memcpy(w.b.data() + data + kDescHead + kDescSize * i + 4, len, 4);
      if (row[i].null) continue;
      w.align();
      w.at(table + 4 * i, static_cast<uint32_t>(w.b.size() - data), 4);
      w.b.insert(w.b.end(), v.begin(), v.end());
    }
    w.align();
    w.at(record, static_cast<uint32_t>(w.b.size() - data), 4);
  }
  return "";
}

}  // namespace

bool fetch_list_sqln(bool le, const std::vector<uint8_t>& p, uint16_t* sqln) {
  const byte_order o{le};
  if (p.size() < kListSlot + 4) return false;
  const size_t list = o.u32(p.data() + kListSlot);
  if (list == 0 || list + kListSqln + 2 > p.size()) return false;
  *sqln = o.u16(p.data() + list + kListSqln);
  return true;
}

uint16_t block_rows_asked(bool le, const std::vector<uint8_t>& p) {
  if (p.size() < kBlockWord + 2) return 0;
  const byte_order o{le};
  const auto word = static_cast<int16_t>(o.u16(p.data() + kBlockWord));
  return word < 0 ? o.u16(p.data() + kRowsPerBlock) : 0;
}

std::string block_reply(bool le, bool descriptors, bool variant5, int extra_rows, uint16_t sqln,
                        const std::vector<fetch_entry>& d,
                        const std::vector<std::vector<cell>>& rows, const fetch_options& options,
                        std::vector<uint8_t>* head) {
  writer w{le, *head};
  for (const fetch_entry& e : d) {
    if (e.xdim >= 2) return "repetition columns do not come in blocks";
  }
  w.align();
  const size_t data = w.b.size();
  w.at(kBodyData, static_cast<uint32_t>(data), 4);
  const bool carry = w.b[kMarkAt] == ' ';
  if (descriptors) {
    w.b.resize(data + kDescHead + kDescSize * d.size(), 0);
    w.at(data + 12, sqln, 2);
    w.at(data + 14, static_cast<uint16_t>(d.size()), 2);
    std::string why = variant5 ? row_records(w, data, d, rows) : column_arrays(w, data, d, rows);
    if (!why.empty()) return why;
  } else {
    w.n(d.size(), 2);
    for (const std::vector<cell>& row : rows) {
      if (std::string why = sqlda_row(le, d, row, carry, &w.b); !why.empty()) return why;
    }
  }
  append_extension(le, options.flags, descriptors && variant5 ? kVariant5 : 0, &w.b);
  const size_t status = byte_order{le}.u32(w.b.data() + kBodyStatus);
  w.at(status + kStatusRows, static_cast<uint16_t>(static_cast<int>(rows.size()) + extra_rows), 2);
  w.at(kBodyTotal, static_cast<uint32_t>(w.b.size()), 4);
  return "";
}

}  // namespace marlo
