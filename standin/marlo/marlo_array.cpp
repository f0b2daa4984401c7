#include "marlo_array.h"

#include <string.h>

#include "marlo_values.h"

namespace marlo {

namespace {

constexpr size_t kFetchRows = 98;  // the request's array count

// The reply body: directory, status part, descriptor form.
constexpr size_t kBodyTotal = 0;
constexpr size_t kBodyStatus = 8;
constexpr size_t kBodySqlca = 12;
constexpr size_t kBodyData = 16;
constexpr size_t kStatusRows = 14;
constexpr size_t kMarkAt = 7;  // of the SQLCA identifier
constexpr size_t kDataSqln = 12;
constexpr size_t kDataColumns = 14;
constexpr size_t kDescHead = 16;
constexpr size_t kDescSize = 16;
constexpr size_t kDescCode = 1;
constexpr size_t kDescLength = 4;
constexpr size_t kDescStep = 6;
constexpr size_t kDescValue = 8;
constexpr size_t kDescIndicator = 12;
constexpr size_t kLengthField = 4;
constexpr uint32_t kVariantRecords = 5;
constexpr size_t kWide = 4;
constexpr size_t kNarrow = 2;
constexpr uint8_t kNationalFixed = 0xB4;
constexpr size_t kNationalUnit = 2;

// Appends and puts numbers in the server's order.
struct writer {
  byte_order o;
  std::vector<uint8_t>& b;
  size_t append(size_t n) {
    b.resize(b.size() + n, 0);
    return b.size() - n;
  }
  void align() { b.resize((b.size() + 3) & ~size_t{3}, 0); }
  void put16(size_t at, uint16_t v) { o.put16(b.data() + at, v); }
  void put32(size_t at, uint32_t v) { o.put32(b.data() + at, v); }
  void bytes(const std::vector<uint8_t>& v) { b.insert(b.end(), v.begin(), v.end()); }
};

bool varying(uint8_t c) {
  return c == 0xA0 || c == 0xA8 || c == 0xC0 || c == 0xC8 || c == 0xB0 || c == 0xB8 || c == 0x90;
}
bool stepped(uint8_t c) { return c == 0x44 || c == 0xA4 || c == 0xC4 || c == 0xB4; }
bool decimal(uint8_t c) { return c == 0x64 || c == 0x6E || c == 0xE4 || c == 0xE6; }
size_t indicator_size(uint8_t code) {
  const uint8_t c = code & 0xFE;
  return c == 0x90 || c == 0x94 || c == 0x9A || c == 0x9E ? kWide : kNarrow;
}

// The client's element size of a fixed-length code: the server spaces the
// rows' values with it.
size_t element_size(const byte_order& o, const fetch_entry& d, const fetch_options& options) {
  if (options.sys_elements) return o.u16(d.len + 2);
  if (decimal(d.code & 0xFE)) return d.len[0] / 2u + 1;
  return o.u16(d.len);
}

// A column's descriptor and its rows' values in the descriptor form.
struct column_values {
  uint8_t code = 0;
  uint8_t len[kLengthField] = {};
  std::vector<std::vector<uint8_t>> values;  // one per row
};

std::string describe(const byte_order& o, const fetch_entry& d, const std::vector<std::vector<cell>>& rows, size_t i,
                     column_values* c) {
  // The descriptor's code and length field, also for a reply of no rows.
  std::vector<uint8_t> none;
  if (std::string why = descriptor_column(o.little_endian, d, cell::null_cell(), false, &c->code, c->len,
                                          &none);
      !why.empty()) {
    return why;
  }
  for (const std::vector<cell>& row : rows) {
    std::vector<uint8_t> value;
    if (std::string why = descriptor_column(o.little_endian, d, row[i], false, &c->code, c->len, &value);
        !why.empty()) {
      return why;
    }
    c->values.push_back(std::move(value));
  }
  if (c->code == 0x44) {
    // Bytes come as long as the variable, blank-filled, so that every row
    // has the column's length.
    const uint16_t length = o.u16(d.len);
    for (std::vector<uint8_t>& v : c->values) v.resize(length, ' ');
    o.put16(c->len, length);
  }
  // The step between rows: one value's bytes (two a character for national values).
  if (stepped(c->code)) {
    const size_t unit = c->code == kNationalFixed ? kNationalUnit : 1;
    o.put16(c->len + (kDescStep - kDescLength), static_cast<uint16_t>(unit * o.u16(c->len)));
  }
  return "";
}

void put_indicator(writer& w, size_t at, size_t size, int32_t indicator) {
  if (size == kWide) {
    w.put32(at, static_cast<uint32_t>(indicator));
  } else {
    w.put16(at, static_cast<uint16_t>(indicator));
  }
}

// Column arrays: each column's values of all rows, then its indicators.
void column_arrays(writer& w, size_t data, const std::vector<fetch_entry>& d, const std::vector<column_values>& cols,
                   const std::vector<std::vector<cell>>& rows, const fetch_options& options) {
  for (size_t i = 0; i < cols.size(); ++i) {
    const column_values& c = cols[i];
    const size_t desc = data + kDescHead + kDescSize * i;
    w.align();
    w.put32(desc + kDescValue, static_cast<uint32_t>(w.b.size() - data));
    if (varying(c.code)) {
      const size_t table = w.append(sizeof(uint32_t) * rows.size());
      for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r][i].null) continue;
        w.align();
        w.put32(table + sizeof(uint32_t) * r, static_cast<uint32_t>(w.b.size() - data));
        w.bytes(c.values[r]);
      }
    } else {
      const size_t room = stepped(c.code) ? 0 : element_size(w.o, d[i], options);
      for (const std::vector<uint8_t>& v : c.values) {
        w.bytes(v);
        if (v.size() < room) w.append(room - v.size());
      }
    }
    if ((d[i].code & 1) == 0) continue;
    w.align();
    w.put32(desc + kDescIndicator, static_cast<uint32_t>(w.b.size() - data));
    const size_t size = indicator_size(d[i].code);
    const size_t at = w.append(size * rows.size());
    for (size_t r = 0; r < rows.size(); ++r) put_indicator(w, at + size * r, size, indicator_of(w.o.little_endian, d[i], rows[r][i]));
  }
}

// Row records: the next record, the row's value offsets, the indicators
// of its nullable columns; then the value-offset array and the values.
void row_records(writer& w, size_t data, const std::vector<fetch_entry>& d, const std::vector<column_values>& cols,
                 const std::vector<std::vector<cell>>& rows) {
  size_t previous = 0;
  for (size_t r = 0; r < rows.size(); ++r) {
    w.align();
    const size_t record = w.b.size();
    if (r > 0) w.put32(previous, static_cast<uint32_t>(record - data));
    previous = record;
    w.append(2 * sizeof(uint32_t));
    for (size_t i = 0; i < cols.size(); ++i) {
      if ((d[i].code & 1) == 0) continue;
      const size_t size = indicator_size(d[i].code);
      put_indicator(w, w.append(size), size, indicator_of(w.o.little_endian, d[i], rows[r][i]));
    }
    w.align();
    const size_t offsets = w.append(sizeof(uint32_t) * cols.size());
    w.put32(record + sizeof(uint32_t), static_cast<uint32_t>(offsets - data));
    for (size_t i = 0; i < cols.size(); ++i) {
      if (rows[r][i].null) continue;
      w.align();
      w.put32(offsets + sizeof(uint32_t) * i, static_cast<uint32_t>(w.b.size() - data));
      w.bytes(cols[i].values[r]);
    }
  }
}

}  // namespace

int16_t array_count(bool little_endian, const std::vector<uint8_t>& packet) {
  if (packet.size() < kFetchRows + sizeof(uint16_t)) return 0;
  return static_cast<int16_t>(byte_order{little_endian}.u16(packet.data() + kFetchRows));
}

std::string array_reply(bool little_endian, bool descriptors, const std::vector<fetch_entry>& d,
                        const std::vector<std::vector<cell>>& rows, const fetch_options& options,
                        std::vector<uint8_t>* head) {
  writer w{byte_order{little_endian}, *head};
  const size_t columns = rows.empty() ? d.size() : std::min(rows.front().size(), d.size());
  w.align();
  const size_t data = w.b.size();
  w.put32(kBodyData, static_cast<uint32_t>(data));
  w.put16(w.o.u32(head->data() + kBodyStatus) + kStatusRows, static_cast<uint16_t>(rows.size()));
  if (!descriptors) {
    const bool carry = (*head)[w.o.u32(head->data() + kBodySqlca) + kMarkAt] == ' ';
    w.put16(w.append(sizeof(uint16_t)), static_cast<uint16_t>(columns));
    for (const std::vector<cell>& row : rows) {
      if (std::string why = sqlda_row(little_endian, d, row, carry, head); !why.empty()) return why;
    }
  } else {
    w.append(kDescHead + kDescSize * columns);
    w.put16(data + kDataSqln, static_cast<uint16_t>(columns));
    w.put16(data + kDataColumns, static_cast<uint16_t>(columns));
    std::vector<column_values> cols(columns);
    for (size_t i = 0; i < columns; ++i) {
      if (std::string why = describe(w.o, d[i], rows, i, &cols[i]); !why.empty()) return why;
      const size_t desc = data + kDescHead + kDescSize * i;
      (*head)[desc + kDescCode] = static_cast<uint8_t>(cols[i].code | (d[i].code & 1));
      memcpy(head->data() + desc + kDescLength, cols[i].len, kLengthField);
    }
    if (options.row_records) {
      row_records(w, data, d, cols, rows);
    } else {
      column_arrays(w, data, d, cols, rows, options);
    }
  }
  append_extension(little_endian, options.flags, descriptors && options.row_records ? kVariantRecords : 0, head);
  w.put32(kBodyTotal, static_cast<uint32_t>(head->size()));
  return "";
}

}  // namespace marlo
