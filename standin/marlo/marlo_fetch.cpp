#include "marlo_fetch.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <sstream>

#include "marlo_server.h"

namespace marlo {

namespace {

constexpr char kFetchFn[] = "p_f_sqa_cfetch";
constexpr char kOpenFn[] = "p_f_sqa_copen";
constexpr char kOpen2Fn[] = "p_f_sqa_copen2";
constexpr char kFetchCode[] = "FETC";
constexpr char kOpenCode[] = "OPEN";
constexpr char kOpen2Code[] = "OPN2";

// The request packet: where its fields lie from the packet's start.
constexpr size_t kPacketCode = 56;
constexpr size_t kPacketSlot0 = 20;
constexpr size_t kPacketSection = 60;
constexpr size_t kPacketForm = 69;
constexpr size_t kPacketStmtId = 76;
constexpr size_t kPacketName1 = 80;
constexpr size_t kPacketName2 = 84;
constexpr size_t kListHead = 16;
constexpr size_t kListSqld = 14;
constexpr size_t kEntrySize = 16;

// The reply body: its directory and the parts this side adds.
constexpr size_t kBodyTotal = 0;
constexpr size_t kBodyData = 16;
constexpr size_t kBodyExt = 28;
constexpr size_t kMarkAt = 36 + 32 + 7;  // the SQLCA identifier's eighth character of reply_body
constexpr size_t kExtFields = 52;         // the extension part's offsets, all left 0 but the flag bytes'
constexpr size_t kDescHead = 16;
constexpr int16_t kNull = -1;

// Numbers in the server's order, appended or put in place.
struct out {
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

uint64_t read_n(bool le, const uint8_t* p, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t{p[i]} << (le ? 8 * i : 8 * (bytes - 1 - i));
  return v;
}

// `v` cut or filled with `fill` to n bytes.
std::vector<uint8_t> sized(std::vector<uint8_t> v, size_t n, uint8_t fill = 0) {
  v.resize(n, fill);
  return v;
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
bool wide_indicator(uint8_t c) { return c == 0x90 || c == 0x94 || c == 0x9A || c == 0x9E; }

// The value in the SQLDA form.
void sqlda_value(out& o, const shape& s, const fetch_cell& v) {
  if (counted_text(s.code)) {
    o.n(v.bytes.size(), 2);
    o.bytes(v.bytes);
  } else if (national(s.code)) {
    o.n(v.bytes.size() / 2, 2);
    o.bytes(v.bytes);
  } else if (s.code == 0x64 || s.code == 0x6E || s.code == 0xE4 || s.code == 0xE6) {
    o.bytes(sized(v.bytes, s.p / 2u + 1));
  } else if (s.code == 0x70) {
    o.bytes(sized(v.bytes, 4));
  } else if (s.code == 0x78) {
    o.bytes(sized(v.bytes, 3));
  } else if (s.code == 0x7C) {
    o.bytes(sized(v.bytes, s.length));
  } else if (s.code == 0x90) {
    o.n(0, 4);
    o.n(v.bytes.size(), 4);
    o.bytes(v.bytes);
  } else if (s.code == 0xE0) {
    o.n(static_cast<uint64_t>(v.number), 8);
  } else if (s.code == 0xF4) {
    o.n(static_cast<uint64_t>(v.number), 2);
  } else {
    o.n(static_cast<uint64_t>(v.number), 4);
  }
}

// The column description and value in the descriptor form: the length
// field the value's code takes and the value itself.
std::vector<uint8_t> descriptor_value(bool le, const shape& s, const fetch_cell& v, const uint8_t pad[2], uint8_t len[4]) {
  std::vector<uint8_t> b;
  out o{le, b};
  std::vector<uint8_t> field(4, 0);
  out f{le, field};
  if (s.code == 0xA4 || s.code == 0xC4) {
    o.bytes(sized(v.bytes, s.length, ' '));
    f.at(0, s.length, 2);
  } else if (s.code == 0xB4) {
    std::vector<uint8_t> text = v.bytes;
    while (text.size() < 2u * s.length) text.insert(text.end(), pad, pad + 2);
    o.bytes(sized(text, 2u * s.length));
    f.at(0, s.length, 2);
  } else if (s.code == 0x44) {
    o.bytes(v.bytes);
    f.at(0, v.bytes.size(), 2);
  } else if (s.code == 0x90) {
    sqlda_value(o, s, v);
    f.at(0, s.length32, 4);
  } else {
    sqlda_value(o, s, v);
    if (s.code == 0x64 || s.code == 0x6E || s.code == 0xE4 || s.code == 0xE6) {
      field[0] = s.p;
      field[1] = s.scale;
    } else if (counted_text(s.code) || national(s.code)) {
      f.at(0, s.length, 2);
    } else {
      f.at(0, b.size(), 2);
    }
  }
  memcpy(len, field.data(), 4);
  return b;
}

std::string text_at(const std::vector<uint8_t>& p, size_t at) {
  if (at == 0 || at >= p.size()) return {};
  const auto end = std::find(p.begin() + static_cast<ptrdiff_t>(at), p.end(), 0);
  return std::string(p.begin() + static_cast<ptrdiff_t>(at), end);
}

// The cursor a request names: its section, statement identifier and names.
std::string cursor_key(bool le, const std::vector<uint8_t>& p) {
  return std::to_string(read_n(le, p.data() + kPacketSection, 2)) + "/" +
         std::to_string(read_n(le, p.data() + kPacketStmtId, 4)) + "/" +
         text_at(p, read_n(le, p.data() + kPacketName1, 4)) + "/" + text_at(p, read_n(le, p.data() + kPacketName2, 4));
}

// The request packet within what the server received: it starts its
// request code 56 bytes before; empty when the code is not there.
std::vector<uint8_t> packet_of(const std::vector<uint8_t>& data, const char* code) {
  const auto at = std::search(data.begin(), data.end(), code, code + strlen(code));
  if (at == data.end() || at - data.begin() < static_cast<ptrdiff_t>(kPacketCode)) return {};
  return std::vector<uint8_t>(at - static_cast<ptrdiff_t>(kPacketCode), data.end());
}

}  // namespace

fetch_server::fetch_server(bool little_endian, cursor_rows rows) : le_(little_endian), rows_(std::move(rows)) {}

int fetch_server::fetches() const {
  std::lock_guard<std::mutex> g(lock_);
  return fetches_;
}

std::vector<uint8_t> fetch_server::answer(const std::string& function, const std::vector<uint8_t>& request) {
  std::lock_guard<std::mutex> g(lock_);
  if (function == kFetchFn) {
    ++fetches_;
    return fetch(packet_of(request, kFetchCode));
  }
  if (function == kOpenFn || function == kOpen2Fn) {
    std::vector<uint8_t> p = packet_of(request, function == kOpenFn ? kOpenCode : kOpen2Code);
    if (p.size() < kPacketName2 + 4) return {};
    cursors_[cursor_key(le_, p)].next = 0;
    std::vector<uint8_t> b = reply_body(le_, 0, "00000", "");
    b[kMarkAt] = static_cast<uint8_t>(rows_.mark);
    return b;
  }
  return {};
}

std::vector<uint8_t> fetch_server::fetch(const std::vector<uint8_t>& p) {
  if (p.size() < kPacketName2 + 4) return reply_body(le_, -1, "42000", "KFAA30001-E Malformed FETCH");
  cursor& c = cursors_[cursor_key(le_, p)];
  const size_t list = read_n(le_, p.data() + kPacketSlot0, 4);
  if (list != 0 && list + kListHead <= p.size()) {
    const size_t n = read_n(le_, p.data() + list + kListSqld, 2);
    c.description.clear();
    for (size_t i = 0; i < n && list + kListHead + kEntrySize * (i + 1) <= p.size(); ++i) {
      const uint8_t* e = p.data() + list + kListHead + kEntrySize * i;
      entry d{e[1], static_cast<int16_t>(read_n(le_, e + 2, 2)), {e[4], e[5], e[6], e[7]}};
      c.description.push_back(d);
    }
  }
  // A FETCH without a description reuses the one its cursor kept.
  if (c.description.empty()) return reply_body(le_, -1, "42000", "KFAA30002-E FETCH without a description");
  std::vector<uint8_t> b = reply_body(le_, c.next < rows_.rows.size() ? 0 : 100, c.next < rows_.rows.size() ? "00000" : "02000", "");
  b[kMarkAt] = static_cast<uint8_t>(rows_.mark);
  out o{le_, b};
  if (c.next >= rows_.rows.size()) return b;
  const fetch_row& values = rows_.rows[c.next++];
  const bool descriptors = p[kPacketForm] == 'Y';
  const size_t columns = std::min(values.size(), c.description.size());
  o.align();
  const size_t data = b.size();
  o.at(kBodyData, data, 4);
  const bool carry = rows_.mark == ' ';
  if (descriptors) {
    b.resize(data + kDescHead + kEntrySize * columns, 0);
    o.at(data + 12, columns, 2);
    o.at(data + 14, columns, 2);
  } else {
    o.n(columns, 2);
  }
  for (size_t i = 0; i < columns; ++i) {
    const entry& d = c.description[i];
    const shape s{static_cast<uint8_t>(d.code & 0xFE), static_cast<uint16_t>(read_n(le_, d.len, 2)), d.len[0],
                  static_cast<uint32_t>(read_n(le_, d.len, 4)), d.len[1]};
    const bool nullable = (d.code & 1) != 0;
    const fetch_cell& v = values[i];
    const fetch_cell empty{};
    const int ind = wide_indicator(s.code) ? 4 : 2;
    if (!descriptors) {
      if (nullable) o.n(static_cast<uint64_t>(v.null ? kNull : 0), ind);
      if (!v.null || (nullable && carry)) sqlda_value(o, s, v.null ? empty : v);
      continue;
    }
    const size_t at = data + kDescHead + kEntrySize * i;
    uint8_t len[4] = {};
    const std::vector<uint8_t> value = descriptor_value(le_, s, v.null ? empty : v, rows_.national_pad, len);
    b[at + 1] = s.code == 0x30 ? 0xC0 : s.code;
    memcpy(b.data() + at + 4, len, 4);
    if (!v.null) {
      o.align();
      o.at(at + 8, b.size() - data, 4);
      o.bytes(value);
    }
    if (nullable) {
      o.align();
      o.at(at + 12, b.size() - data, 4);
      o.n(static_cast<uint64_t>(v.null ? kNull : 0), (d.code == 0x91 || d.code == 0x95 || d.code == 0x9B || d.code == 0x9F) ? 4 : 2);
    }
  }
  if (!rows_.flags.empty()) {
    o.align();
    const size_t ext = b.size();
    o.at(kBodyExt, ext, 4);
    b.resize(ext + kExtFields, 0);
    o.at(ext, kExtFields, 4);
    o.bytes(rows_.flags);
  }
  o.at(kBodyTotal, b.size(), 4);
  return b;
}

bool read_rows(const std::string& text, cursor_rows* out, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    if (line.empty() || line.rfind("# ", 0) == 0) continue;
    fetch_row r;
    std::istringstream cells(line);
    std::string c;
    while (std::getline(cells, c, '|')) {
      fetch_cell v;
      char* end = nullptr;
      if (c == "NULL") {
        v.null = true;
      } else if (c.rfind("#", 0) == 0) {
        v.number = strtoll(c.c_str() + 1, &end, 10);
        if (c.size() == 1 || *end != '\0') {
          *error = "line " + std::to_string(number) + ": not a number: " + c;
          return false;
        }
      } else if (c.rfind("x:", 0) == 0) {
        if (c.size() % 2 != 0 || c.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos) {
          *error = "line " + std::to_string(number) + ": not hexadecimal bytes: " + c;
          return false;
        }
        for (size_t i = 2; i < c.size(); i += 2) v.bytes.push_back(static_cast<uint8_t>(std::stoi(c.substr(i, 2), nullptr, 16)));
      } else {
        v.bytes.assign(c.begin(), c.end());
      }
      r.push_back(v);
    }
    out->rows.push_back(r);
  }
  return true;
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
