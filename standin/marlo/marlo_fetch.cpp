#include "marlo_fetch.h"

#include <string.h>

#include <algorithm>

#include "marlo_server.h"
#include "marlo_values.h"

namespace marlo {

namespace {

// The request packet: where its fields lie from the packet's start.
constexpr size_t kPacketSlot0 = 20;
constexpr size_t kPacketSlot2 = 28;
constexpr size_t kPacketForm = 69;
constexpr size_t kListHead = 16;
constexpr size_t kListSqld = 14;
constexpr size_t kEntrySize = 16;

// The reply body: its directory and the parts this side adds.
constexpr size_t kBodyTotal = 0;
constexpr size_t kBodyData = 16;
constexpr size_t kBodyExt = 28;
constexpr size_t kMarkAt = 36 + 32 + 7;  // the SQLCA identifier's eighth character of a reply body
constexpr size_t kExtFields = 52;         // the extension part's offsets, all left 0 but the flag bytes'
constexpr size_t kExtVariant = 24;        // a value: the conversion variant
constexpr size_t kDescHead = 16;
constexpr int16_t kNull = -1;

using out = reply_writer;

uint64_t read_n(bool le, const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t{p[i]} << (le ? 8 * i : 8 * (bytes - 1 - i));
  return v;
}

// `v` cut or filled with `fill` to n bytes.
std::vector<uint8_t> sized(const std::string& v, size_t n, uint8_t fill = 0) {
  std::vector<uint8_t> b(v.begin(), v.end());
  b.resize(n, fill);
  return b;
}

std::vector<uint8_t> bytes_of(const std::string& v) { return std::vector<uint8_t>(v.begin(), v.end()); }

// A stored number (its decimal text; a NULL carries 0) as the variable's
// integer or packed decimal. Empty, or why it does not fit.
std::string integer_of(const cell& v, int64_t* out) {
  number n;
  if (v.null) return (*out = 0), "";
  if (!number::parse(v.bytes, &n) || !n.to_integer(out)) return "no integer: " + v.bytes;
  return "";
}
std::string packed_of(const cell& v, uint8_t precision, uint8_t scale, std::vector<uint8_t>* out) {
  number n;
  if (!v.null && !number::parse(v.bytes, &n)) return "no number: " + v.bytes;
  if (!n.pack(precision, scale, out)) return "does not fit DECIMAL(" + std::to_string(precision) + "," + std::to_string(scale) + "): " + v.bytes;
  return "";
}

// The parts of a value as this side sends it, by the code the request
// gave (the client sends 0x30 as 0xC0 and 0xEA, 0xEC as 0xE4).
struct shape {
  uint8_t code;      // even
  uint16_t length;   // bytes 4-5 read as one number
  uint8_t p;
  uint32_t length32;
  uint8_t scale;     // byte 5 of a decimal's length field
};

bool counted_text(uint8_t c) {
  return c == 0x30 || c == 0xA0 || c == 0xA8 || c == 0xC0 || c == 0xC8 || c == 0xA4 || c == 0xC4 || c == 0x44;
}
bool national(uint8_t c) { return c == 0xB0 || c == 0xB8 || c == 0xB4; }
// The codes 0x90 to 0x9F carry an i32 indicator.
bool wide_indicator(uint8_t c) { return c >= 0x90 && c <= 0x9F; }

bool decimal_code(uint8_t c) { return c == 0x64 || c == 0x6E || c == 0xE4 || c == 0xE6; }
bool fixed_text(uint8_t c) { return c == 0xA4 || c == 0xC4 || c == 0xB4; }
// Codes a variable of several elements takes as a repetition column.
bool repeatable(uint8_t c) { return c != 0x44 && (c < 0x90 || c > 0x9F); }

// Character data that a server cuts to its variable's length (the length
// the FETCH describes: bytes, characters for the national codes).
bool cut_code(uint8_t c) {
  return c == 0x30 || c == 0xA0 || c == 0xA8 || c == 0xC0 || c == 0xC8 || c == 0xA4 || c == 0xC4 || national(c);
}
size_t unit_of(const shape& s) { return national(s.code) ? 2 : 1; }
bool is_cut(const shape& s, const cell& v) {
  return !v.null && cut_code(s.code) && v.bytes.size() / unit_of(s) > s.length;
}
// The value's bytes as they go: cut to the variable when longer.
std::vector<uint8_t> text_bytes(const shape& s, const cell& v) {
  const size_t n = is_cut(s, v) ? size_t{s.length} * unit_of(s) : v.bytes.size();
  return std::vector<uint8_t>(v.bytes.begin(), v.bytes.begin() + static_cast<long>(n));
}
// NULL, the full length of a cut value (in the variable's units), or 0.
int32_t indicator(const shape& s, const cell& v) {
  if (v.null) return kNull;
  return is_cut(s, v) ? static_cast<int32_t>(v.bytes.size() / unit_of(s)) : 0;
}

// The value in the SQLDA form; empty, or why it does not suit the variable.
// `counted` false: a fixed-length element of a repetition after the first,
// which carries its bytes only.
std::string sqlda_value(out& o, const shape& s, const cell& v, bool counted = true) {
  if (counted_text(s.code) || national(s.code)) {
    const std::vector<uint8_t> text = text_bytes(s, v);
    if (counted) o.n(text.size() / unit_of(s), 2);
    o.bytes(text);
  } else if (decimal_code(s.code)) {
    std::vector<uint8_t> packed;
    if (std::string why = packed_of(v, s.p, s.scale, &packed); !why.empty()) return why;
    o.bytes(packed);
  } else if (s.code == 0x70) {
    o.bytes(sized(v.bytes, 4));
  } else if (s.code == 0x78) {
    o.bytes(sized(v.bytes, 3));
  } else if (s.code == 0x7C) {
    o.bytes(sized(v.bytes, s.length));
  } else if (large_code(s.code)) {
    o.n(0, 4);
    o.n(v.bytes.size(), 4);
    o.bytes(bytes_of(v.bytes));
  } else {
    int64_t n = 0;
    if (std::string why = integer_of(v, &n); !why.empty()) return why;
    o.n(static_cast<uint64_t>(n), s.code == 0xE0 ? 8 : s.code == 0xF4 ? 2 : 4);
  }
  return "";
}

// The column description and value in the descriptor form: the length
// field the value's code takes and the value itself. Fixed-length values
// go as the column holds them, blank-padded to its length: the length a
// FETCH describes is the client's, grown by its conversion's factor.
std::string descriptor_value(bool le, const shape& s, const cell& v, uint8_t len[4], std::vector<uint8_t>* b) {
  out o{le, *b};
  std::vector<uint8_t> field(4, 0);
  out f{le, field};
  if (fixed_text(s.code)) {
    const size_t unit = unit_of(s);
    const size_t n = v.null || is_cut(s, v) ? s.length : v.bytes.size() / unit;
    o.bytes(sized(v.bytes, n * unit, ' '));
    f.at(0, n, 2);
  } else if (s.code == 0x44) {
    o.bytes(bytes_of(v.bytes));
    f.at(0, v.bytes.size(), 2);
  } else {
    const size_t before = b->size();
    if (std::string why = sqlda_value(o, s, v); !why.empty()) return why;
    if (large_code(s.code)) {
      f.at(0, s.length32, 4);
    } else if (decimal_code(s.code)) {
      field[0] = s.p;
      field[1] = s.scale;
    } else if (counted_text(s.code) || national(s.code)) {
      f.at(0, s.length, 2);
    } else {
      f.at(0, b->size() - before, 2);
    }
  }
  memcpy(len, field.data(), 4);
  return "";
}

shape shape_of(bool le, const fetch_entry& d) {
  return shape{static_cast<uint8_t>(d.code & 0xFE), static_cast<uint16_t>(read_n(le, d.len, 2)), d.len[0],
               static_cast<uint32_t>(read_n(le, d.len, 4)), d.len[1]};
}

bool repetition(const fetch_entry& d, const shape& s) { return d.xdim >= kLeastRepetition && repeatable(s.code); }

// One column of a row in the SQLDA form.
std::string sqlda_column(out& o, const fetch_entry& d, const cell& v, bool carry) {
  const shape s = shape_of(o.le, d);
  const bool nullable = (d.code & 1) != 0;
  if (repetition(d, s)) {
    // On a multiple of 4: the count, the column's and each element's
    // indicator, then the elements that carry data; of fixed-length
    // elements only the first carries its length.
    o.align();
    o.n(v.elements.size(), 4);
    if (nullable) {
      o.n(static_cast<uint64_t>(v.null ? kNull : 0), 4);
      for (const cell& x : v.elements) o.n(static_cast<uint64_t>(indicator(s, x)), 2);
    }
    bool first = true;
    for (const cell& x : v.elements) {
      if (x.null && !(nullable && carry)) continue;
      if (std::string why = sqlda_value(o, s, x, first || !fixed_text(s.code)); !why.empty()) return why;
      first = false;
    }
    return "";
  }
  if (nullable) o.n(static_cast<uint64_t>(indicator(s, v)), wide_indicator(s.code) ? 4 : 2);
  if (!v.null || (nullable && carry)) return sqlda_value(o, s, v);
  return "";
}

}  // namespace

int32_t indicator_of(bool le, const fetch_entry& d, const cell& v) { return indicator(shape_of(le, d), v); }

bool any_cut(bool le, const std::vector<fetch_entry>& d, const std::vector<std::vector<cell>>& rows) {
  for (const std::vector<cell>& row : rows) {
    for (size_t i = 0; i < std::min(row.size(), d.size()); ++i) {
      const shape s = shape_of(le, d[i]);
      if (is_cut(s, row[i])) return true;
      for (const cell& x : row[i].elements) {
        if (is_cut(s, x)) return true;
      }
    }
  }
  return false;
}

std::string sqlda_row(bool le, const std::vector<fetch_entry>& d, const std::vector<cell>& row, bool carry,
                      std::vector<uint8_t>* b) {
  out o{le, *b};
  for (size_t i = 0; i < std::min(row.size(), d.size()); ++i) {
    if (std::string why = sqlda_column(o, d[i], row[i], carry); !why.empty()) return why;
  }
  return "";
}

std::string descriptor_column(bool le, const fetch_entry& d, const cell& v, bool carry, uint8_t* code, uint8_t len[4],
                              std::vector<uint8_t>* value) {
  const shape s = shape_of(le, d);
  *code = s.code == 0x30 ? 0xC0 : s.code;
  if (!repetition(d, s)) return descriptor_value(le, s, v, len, value);
  // The count, then the elements that carry data, each in its column's
  // form; the length field is that of an element that has one.
  const auto sample = std::find_if(v.elements.begin(), v.elements.end(), [](const cell& x) { return !x.null; });
  std::vector<uint8_t> one;
  if (std::string why = descriptor_value(le, s, sample != v.elements.end() ? *sample : cell::null_cell(), len, &one);
      !why.empty()) {
    return why;
  }
  out{le, *value}.n(v.elements.size(), 4);
  for (const cell& x : v.elements) {
    if (x.null && !((d.code & 1) != 0 && carry)) continue;
    uint8_t unused[4] = {};
    if (std::string why = descriptor_value(le, s, x, unused, value); !why.empty()) return why;
  }
  return "";
}

void append_extension(bool le, const std::vector<uint8_t>& flags, uint32_t variant, std::vector<uint8_t>* b) {
  if (flags.empty() && variant == 0) return;
  out o{le, *b};
  o.align();
  const size_t ext = b->size();
  o.at(kBodyExt, ext, 4);
  b->resize(ext + kExtFields, 0);
  o.at(ext + kExtVariant, variant, 4);
  if (flags.empty()) return;
  o.at(ext, kExtFields, 4);
  o.bytes(flags);
}

void read_fetch_description(bool le, const std::vector<uint8_t>& p, std::vector<fetch_entry>* kept, bool second_slot) {
  const size_t slot = second_slot ? kPacketSlot2 : kPacketSlot0;
  if (p.size() < slot + 4) return;
  const size_t list = read_n(le, p.data() + slot, 4);

  if (list == 0 || list + kListHead > p.size()) return;
  const size_t n = read_n(le, p.data() + list + kListSqld, 2);
  kept->clear();
  for (size_t i = 0; i < n && list + kListHead + kEntrySize * (i + 1) <= p.size(); ++i) {
    const uint8_t* e = p.data() + list + kListHead + kEntrySize * i;
    kept->push_back(fetch_entry{e[1], static_cast<int16_t>(read_n(le, e + 2, 2)), {e[4], e[5], e[6], e[7]}});
  }
}

bool descriptor_form(const std::vector<uint8_t>& p) { return p.size() > kPacketForm && p[kPacketForm] == 'Y'; }

std::string row_reply(bool le, bool descriptors, const std::vector<fetch_entry>& kept, const std::vector<cell>& values,
                      const fetch_options& options, std::vector<uint8_t>* head) {
  std::vector<uint8_t>& b = *head;
  out o{le, b};
  const size_t columns = std::min(values.size(), kept.size());
  o.align();
  const size_t data = b.size();
  o.at(kBodyData, data, 4);
  const bool carry = b[kMarkAt] == ' ';
  if (descriptors) {
    b.resize(data + kDescHead + kEntrySize * columns, 0);
    o.at(data + 12, columns, 2);
    o.at(data + 14, columns, 2);
  } else {
    o.n(columns, 2);
  }
  for (size_t i = 0; i < columns; ++i) {
    const fetch_entry& d = kept[i];
    const cell& v = values[i];
    if (!descriptors) {
      if (std::string why = sqlda_column(o, d, v, carry); !why.empty()) return why;
      continue;
    }
    const size_t at = data + kDescHead + kEntrySize * i;
    uint8_t len[4] = {};
    std::vector<uint8_t> value;
    if (std::string why = descriptor_column(le, d, v, carry, &b[at + 1], len, &value); !why.empty()) return why;
    memcpy(b.data() + at + 4, len, 4);
    if (!v.null) {
      o.align();
      o.at(at + 8, b.size() - data, 4);
      o.bytes(value);
    }
    if ((d.code & 1) != 0) {
      // A repetition's: the column's, then one per element.
      const shape s = shape_of(le, d);
      const bool repeated = repetition(d, s);
      o.align();
      o.at(at + 12, b.size() - data, 4);
      o.n(static_cast<uint64_t>(repeated ? (v.null ? kNull : 0) : indicator(s, v)),
          repeated || wide_indicator(s.code) ? 4 : 2);
      if (repeated && !v.null) {
        for (const cell& x : v.elements) o.n(static_cast<uint64_t>(indicator(s, x)), 2);
      }
    }
  }
  append_extension(le, options.flags, 0, &b);
  o.at(kBodyTotal, b.size(), 4);
  return "";
}

std::vector<uint8_t> connect_body_with_types(bool little_endian, const char* code_set, uint32_t level_word,
                                             const std::vector<type_entry>& list, int count) {
  constexpr size_t kInfoPointer = 28;
  constexpr size_t kTypeListField = 32;
  constexpr size_t kTypeEntry = 80;
  constexpr size_t kNamePart = 32;
  constexpr size_t kPadAt = 64;
  constexpr uint32_t kPid = 4242;
  std::vector<uint8_t> b = connect_body(little_endian, code_set, "07-02-00", kPid, level_word);
  out o{little_endian, b};
  const size_t info = read_n(little_endian, b.data() + kInfoPointer, 4);
  const size_t at = b.size();
  o.at(info + kTypeListField, at - info, 4);
  o.n(count < 0 ? list.size() : static_cast<size_t>(count), 2);
  for (const type_entry& e : list) {
    std::vector<uint8_t> entry(kTypeEntry, 0);
    out eo{little_endian, entry};
    const struct {
      size_t off;
      std::vector<uint8_t> bytes;
    } fields[] = {{0, std::vector<uint8_t>(e.first.begin(), e.first.end())},
                  {kNamePart, std::vector<uint8_t>(e.second.begin(), e.second.end())},
                  {kPadAt, e.pad}};
    for (const auto& fld : fields) {
      eo.at(fld.off, fld.bytes.size(), 2);
      std::copy(fld.bytes.begin(), fld.bytes.end(), entry.begin() + static_cast<ptrdiff_t>(fld.off + 2));
    }
    o.bytes(entry);
  }
  o.at(kBodyTotal, b.size(), 4);
  return b;
}

}  // namespace marlo
