#include "marlo_values.h"

#include <string.h>

namespace marlo {

namespace {

constexpr uint32_t kHead = 16;
constexpr uint32_t kEntry = 16;
constexpr uint32_t kLevelNullOffset = 10;

bool decimal_code(uint8_t c) { return c == 0x64 || c == 0x6E || (c >= 0xE4 && c <= 0xE6); }
// Codes whose indicator is 32 bits wide.
bool wide_indicator(uint8_t code) {
  return code == 0x91 || code == 0x93 || code == 0x95 || code == 0x99 || code == 0x9B || code == 0x9F;
}
bool varying(uint8_t c) { return c == 0xA0 || c == 0xA8 || c == 0xC0 || c == 0xC8 || c == 0xB0 || c == 0xB8; }

// Bytes of the packet, every access checked first.
struct reader {
  const std::vector<uint8_t>& p;
  const byte_order& o;
  bool has(uint64_t at, uint64_t n) const { return at <= p.size() && n <= p.size() - at; }
  const uint8_t* at(uint64_t pos) const { return p.data() + pos; }
};

// The size of a number's or packed decimal's scalar form; 0 for the others.
uint32_t fixed_size(const var_entry& e) {
  const uint8_t c = e.code & 0xFE;
  if (decimal_code(c)) return static_cast<uint32_t>(e.precision / 2 + 1);
  switch (c) {
    case 0x44: case 0x70: case 0x78: case 0x7C: return e.length;
    case 0xE0: return 8;
    case 0xE2: case 0xF0: case 0x94: case 0x9A: case 0x9E: return 4;
    case 0xF4: return 2;
    default: return 0;
  }
}

// The value of a fixed-size form at pos.
std::string fixed_value(const reader& r, const var_entry& e, uint64_t pos, cell* out) {
  const uint8_t c = e.code & 0xFE;
  const uint32_t size = fixed_size(e);
  if (size == 0) return "no fixed form for code " + std::to_string(c);
  if (!r.has(pos, size)) return "value beyond the request";
  const uint8_t* v = r.at(pos);
  if (decimal_code(c)) {
    number n;
    if (!number::unpack(v, size, e.scale, &n)) return "not a packed decimal";
    *out = cell::of(n.text());
  } else if (c == 0xE0) {
    *out = cell::of(std::to_string(static_cast<int64_t>(r.o.u64(v))));
  } else if (c == 0xE2 || c == 0xF0) {
    *out = cell::of(std::to_string(static_cast<int32_t>(r.o.u32(v))));
  } else if (c == 0xF4) {
    *out = cell::of(std::to_string(static_cast<int16_t>(r.o.u16(v))));
  } else if (c == 0x94 || c == 0x9A || c == 0x9E) {
    *out = cell::of(std::to_string(r.o.u32(v)));
  } else {
    *out = cell::of(std::string(reinterpret_cast<const char*>(v), size));
  }
  return "";
}

// A length-prefixed string at pos (national: the prefix counts characters).
std::string string_value(const reader& r, const var_entry& e, uint64_t pos, cell* out, uint32_t* used) {
  if (!r.has(pos, 2)) return "value beyond the request";
  const uint32_t unit = (e.code & 0xFE) == 0xB0 || (e.code & 0xFE) == 0xB8 ? 2 : 1;
  const uint32_t n = r.o.u16(r.at(pos)) * unit;
  if (!r.has(pos + 2, n)) return "value beyond the request";
  *out = cell::of(std::string(reinterpret_cast<const char*>(r.at(pos + 2)), n));
  *used = 2 + n;
  return "";
}

// The width of a fixed-length character value.
uint32_t fixed_width(const var_entry& e) { return (e.code & 0xFE) == 0xB4 ? 2u * e.length : e.length; }

// A large value {u32 0, u32 L, L bytes} at pos.
std::string large_value(const reader& r, uint64_t pos, cell* out) {
  if (!r.has(pos, 8)) return "value beyond the request";
  const uint32_t n = r.o.u32(r.at(pos + 4));
  if (!r.has(pos + 8, n)) return "value beyond the request";
  *out = cell::of(std::string(reinterpret_cast<const char*>(r.at(pos + 8)), n));
  return "";
}

// One scalar value (or repetition element) at pos; *used its bytes.
std::string scalar_value(const reader& r, const var_entry& e, uint64_t pos, cell* out, uint32_t* used) {
  const uint8_t c = e.code & 0xFE;
  if (varying(c)) return string_value(r, e, pos, out, used);
  if (fixed_length(c)) {
    *used = fixed_width(e);
    if (!r.has(pos, *used)) return "value beyond the request";
    *out = cell::of(std::string(reinterpret_cast<const char*>(r.at(pos)), *used));
    return "";
  }
  if (large_code(c)) {
    std::string why = large_value(r, pos, out);
    *used = 8 + static_cast<uint32_t>(out->bytes.size());
    return why;
  }
  *used = fixed_size(e);
  return fixed_value(r, e, pos, out);
}

// The indicator of row `row` (or of a plain value); false when it lies
// outside the request.
bool indicator(const reader& r, uint64_t part, const var_entry& e, uint32_t row, int32_t* out) {
  *out = 0;
  if ((e.code & 1) == 0 || e.indicator_at == 0) return true;
  const uint32_t width = wide_indicator(e.code) ? 4 : 2;
  const uint64_t pos = part + e.indicator_at + static_cast<uint64_t>(row) * width;
  if (!r.has(pos, width)) return false;
  *out = width == 4 ? static_cast<int32_t>(r.o.u32(r.at(pos))) : static_cast<int16_t>(r.o.u16(r.at(pos)));
  return true;
}

std::string read_repetition(const reader& r, uint64_t part, const var_entry& e, input_value* v) {
  std::vector<cell> elements;
  int32_t whole = 0;
  const uint64_t ind = part + e.indicator_at;
  if ((e.code & 1) != 0 && e.indicator_at != 0) {
    if (!r.has(ind, 4)) return "indicator beyond the request";
    whole = static_cast<int32_t>(r.o.u32(r.at(ind)));
  }
  if (whole < 0 || e.value_at == 0) {
    v->rows.push_back(cell::null_cell());
    v->elements.push_back(elements);
    return "";
  }
  const uint64_t base = part + e.value_at;
  if (!r.has(base, 4)) return "value beyond the request";
  const uint32_t count = r.o.u32(r.at(base));
  if (count > e.xdim) return "more elements than the variable holds";
  uint64_t pos = base + 4;
  for (uint32_t i = 0; i < count; ++i) {
    int32_t element = 0;
    if ((e.code & 1) != 0 && e.indicator_at != 0) {
      if (!r.has(ind + 4 + 2 * i, 2)) return "indicator beyond the request";
      element = static_cast<int16_t>(r.o.u16(r.at(ind + 4 + 2 * i)));
    }
    cell c;
    uint32_t used = 0;
    if (element < 0) {
      elements.push_back(cell::null_cell());
      continue;
    }
    if (std::string why = scalar_value(r, e, pos, &c, &used); !why.empty()) return why;
    elements.push_back(c);
    pos += used;
  }
  v->rows.push_back(cell::of(""));
  v->elements.push_back(elements);
  return "";
}

std::string read_array(const reader& r, uint64_t part, const var_entry& e, uint16_t rows, input_value* v) {
  const uint8_t c = e.code & 0xFE;
  const uint64_t base = part + e.value_at;
  for (uint32_t i = 0; i < rows; ++i) {
    int32_t ind = 0;
    if (!indicator(r, part, e, i, &ind)) return "indicator beyond the request";
    cell value;
    uint32_t used = 0;
    std::string why;
    if (c == 0x92 || c == 0x98) {
      // Written once, for every row.
      why = large_value(r, base, &value);
    } else if (ind < 0) {
      value = cell::null_cell();
    } else if (varying(c) || c == 0x90) {
      // A table of row offsets; 0 for a null row.
      if (!r.has(base + 4ull * i, 4)) return "offset table beyond the request";
      const uint32_t at = r.o.u32(r.at(base + 4ull * i));
      if (at == 0) {
        value = cell::null_cell();
      } else {
        why = c == 0x90 ? large_value(r, part + at, &value) : string_value(r, e, part + at, &value, &used);
      }
    } else if (fixed_length(c)) {
      const uint32_t w = fixed_width(e);
      why = scalar_value(r, e, base + static_cast<uint64_t>(w) * i, &value, &used);
    } else {
      why = fixed_value(r, e, base + static_cast<uint64_t>(fixed_size(e)) * i, &value);
    }
    if (!why.empty()) return why;
    if (ind < 0) value = cell::null_cell();
    v->rows.push_back(value);
  }
  return "";
}

}  // namespace

bool large_code(uint8_t c) { return c == 0x90 || c == 0x92 || c == 0x98; }

uint16_t byte_order::u16(const uint8_t* p) const {
  return little_endian ? static_cast<uint16_t>(p[0] | p[1] << 8) : static_cast<uint16_t>(p[0] << 8 | p[1]);
}

uint32_t byte_order::u32(const uint8_t* p) const {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[little_endian ? i : 3 - i]) << (8 * i);
  return v;
}

uint64_t byte_order::u64(const uint8_t* p) const {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[little_endian ? i : 7 - i]) << (8 * i);
  return v;
}

void byte_order::put16(uint8_t* p, uint16_t v) const {
  for (int i = 0; i < 2; ++i) p[little_endian ? i : 1 - i] = static_cast<uint8_t>(v >> (8 * i));
}

void byte_order::put32(uint8_t* p, uint32_t v) const {
  for (int i = 0; i < 4; ++i) p[little_endian ? i : 3 - i] = static_cast<uint8_t>(v >> (8 * i));
}

std::string read_descriptor(const std::vector<uint8_t>& packet, uint32_t part, const decode_context& ctx,
                            descriptor* out) {
  const reader r{packet, ctx.order};
  if (!r.has(part, kHead)) return "descriptor head beyond the request";
  descriptor d;
  memcpy(d.id, r.at(part), sizeof d.id);
  d.sqln = static_cast<int16_t>(ctx.order.u16(r.at(part + 12)));
  d.sqld = static_cast<int16_t>(ctx.order.u16(r.at(part + 14)));
  if (d.sqld < 0 || !r.has(part + kHead, static_cast<uint64_t>(d.sqld) * kEntry)) return "entries beyond the request";
  for (int16_t i = 0; i < d.sqld; ++i) {
    const uint8_t* p = r.at(part + kHead + static_cast<uint64_t>(i) * kEntry);
    var_entry e;
    e.code = p[1];
    e.xdim = ctx.order.u16(p + 2);
    const uint8_t c = e.code & 0xFE;
    if (decimal_code(c)) {
      e.precision = p[4];
      e.scale = p[5];
    } else if (large_code(c)) {
      e.length32 = ctx.order.u32(p + 4);
    } else {
      e.length = ctx.order.u16(p + 4);
    }
    if (!large_code(c)) e.value_size = ctx.order.u16(p + 6);
    e.value_at = ctx.order.u32(p + 8);
    e.indicator_at = ctx.order.u32(p + 12);
    d.entries.push_back(e);
  }
  *out = d;
  return "";
}

std::string read_values(const std::vector<uint8_t>& packet, uint32_t part, const descriptor& d, size_t first,
                        const decode_context& ctx, std::vector<input_value>* out) {
  const reader r{packet, ctx.order};
  out->clear();
  for (size_t i = first; i < d.entries.size(); ++i) {
    const var_entry& e = d.entries[i];
    input_value v;
    v.entry = e;
    const std::string where = "variable " + std::to_string(i + 1) + ": ";
    std::string why;
    if (kind_of(e.code) == kind::none) {
      why = "no value form for code " + std::to_string(e.code);
    } else if (ctx.rows >= 2) {
      why = read_array(r, part, e, ctx.rows, &v);
    } else if (e.xdim >= kLeastRepetition) {
      why = read_repetition(r, part, e, &v);
    } else {
      int32_t ind = 0;
      cell value;
      uint32_t used = 0;
      if (!indicator(r, part, e, 0, &ind)) {
        why = "indicator beyond the request";
      } else if (ind < 0 || e.value_at == 0) {
        // Below level 10 a null value still has its place; it is not read.
        if (e.value_at == 0 && ind >= 0 && ctx.level >= kLevelNullOffset) why = "a value without its offset";
        value = cell::null_cell();
      } else {
        why = scalar_value(r, e, part + e.value_at, &value, &used);
      }
      v.rows.push_back(value);
    }
    if (!why.empty()) return where + why;
    out->push_back(v);
  }
  return "";
}

}  // namespace marlo
