// The writing side of request packets, shared by the builders: numbers in
// the server's byte order, the header's fields and the extension chain
// with its audit elements.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>

#include "zk_req_records.h"
#include "CLTUTL.h"
#include "zk_codes.h"
#include "zk_records.h"

namespace clt_pkt {

constexpr uint8_t kTermNoZero = 2;
constexpr uint8_t kTermDefault = 1;
constexpr uint32_t kExtHeader = 6;
constexpr uint32_t kAuditLevel = 24;
constexpr int32_t kAuditSlots = 4;
constexpr int16_t kNullLength = -1;
constexpr uint16_t kAuditNull = 65535;

// Writes numbers in the server's order: big-endian unless the server
// uses the client's own order.
class packet {
 public:
  packet(uint8_t* base, uint16_t byteorder) : p_(base), big_(byteorder == 0) {}
  void u32(uint32_t off, uint32_t v) {
    if (big_) {
      p_[off] = static_cast<uint8_t>(v >> 24);
      p_[off + 1] = static_cast<uint8_t>(v >> 16);
      p_[off + 2] = static_cast<uint8_t>(v >> 8);
      p_[off + 3] = static_cast<uint8_t>(v);
    } else {
      memcpy(p_ + off, &v, sizeof v);
    }
  }
  void i32(uint32_t off, int32_t v) { u32(off, static_cast<uint32_t>(v)); }
  void u16(uint32_t off, uint16_t v) {
    if (big_) {
      p_[off] = static_cast<uint8_t>(v >> 8);
      p_[off + 1] = static_cast<uint8_t>(v);
    } else {
      memcpy(p_ + off, &v, sizeof v);
    }
  }
  void i16(uint32_t off, int16_t v) { u16(off, static_cast<uint16_t>(v)); }
  void byte(uint32_t off, uint8_t v) { p_[off] = v; }
  void bytes(uint32_t off, const void* src, size_t n) { memcpy(p_ + off, src, n); }
  void zero(uint32_t from, uint32_t to) { memset(p_ + from, 0, to - from); }
  uint8_t at(uint32_t off) const { return p_[off]; }

 private:
  uint8_t* p_;
  bool big_;
};

inline uint32_t round_to(uint32_t n, uint32_t m) { return (n + m - 1) / m * m; }

// Rounds a running length up to a multiple of m, clearing the gap so that
// no stale byte of the buffer travels.
inline uint32_t pad_to(packet& w, uint32_t n, uint32_t m) {
  const uint32_t off = round_to(n, m);
  w.zero(n, off);
  return off;
}

// Length of a blank-padded field up to its last non-blank character.
inline int32_t trimmed(const char* field, int32_t size) {
  while (size > 0 && field[size - 1] == ' ') --size;
  return size;
}

inline uint8_t term_byte(const rdb_sql_area* area) { return area->termbyte == kTermNoZero ? kTermNoZero : kTermDefault; }

// Bytes 12 to 51 of the header: 1, 0, the part count, 52, no parts.
inline void header_from_12(packet& w, uint16_t parts) {
  w.byte(offsetof(clt_req_header, one), 1);
  w.byte(offsetof(clt_req_header, zero), 0);
  w.u16(offsetof(clt_req_header, parts), parts);
  w.u32(offsetof(clt_req_header, header_len), CLT_REQ_HEADER_SIZE);
  w.zero(offsetof(clt_req_header, slots), CLT_REQ_HEADER_SIZE);
}

inline void header_whole(packet& w, uint16_t parts) {
  w.i32(offsetof(clt_req_header, level), CLT_REQ_CLIENT_LEVEL);
  w.u32(offsetof(clt_req_header, version), CLT_REQ_CLIENT_VERSION);
  header_from_12(w, parts);
}

inline void set_total(packet& w, uint32_t total) { w.u32(offsetof(clt_req_header, total), total); }
inline void set_parts(packet& w, uint16_t parts) { w.u16(offsetof(clt_req_header, parts), parts); }
inline void set_slot(packet& w, int slot, uint32_t off) {
  w.u32(static_cast<uint32_t>(offsetof(clt_req_header, slots) + sizeof(uint32_t) * static_cast<uint32_t>(slot)), off);
}

// The error-log counter, the request sequence number and the thread word.
inline void trio(packet& w, uint32_t off, const clt_req_ctx& c) {
  w.u32(off, c.errlog_count);
  w.u32(off + 4, c.conn->reqseq);
  w.u32(off + 8, c.conn->thread_id);
}


// One extension element; returns its end.
inline uint32_t ext_element(packet& w, uint32_t off, uint16_t kind, int16_t length, const void* data) {
  w.u16(off, kind);
  w.u16(off + 2, 0);
  w.i16(off + 4, length);
  if (length > 0) w.bytes(off + kExtHeader, data, static_cast<size_t>(length));
  return off + kExtHeader + (length > 0 ? static_cast<uint32_t>(length) : 0);
}

// The extension chain of slot 5: the first element adds a part and sets
// the slot, each further one writes its distance into the one before.
class ext_chain {
 public:
  ext_chain(packet& w, uint16_t* parts) : w_(w), parts_(parts) {}
  // Where the next element begins, at the next even offset of len.
  uint32_t open(uint32_t len) {
    const uint32_t off = pad_to(w_, len, 2);
    if (prev_ == 0) {
      ++*parts_;
      set_slot(w_, CLT_REQ_SLOT_EXT, off);
    } else {
      w_.u16(prev_ + 2, static_cast<uint16_t>(off - prev_));
    }
    prev_ = off;
    return off;
  }

 private:
  packet& w_;
  uint16_t* parts_;
  uint32_t prev_ = 0;
};

// The most the audit elements take, their alignment included.
inline uint32_t audit_room(const clt_req_ctx& c) {
  uint32_t need = 0;
  for (int32_t slot = 0; slot < kAuditSlots; ++slot) {
    const bool long_slot = slot == kAuditSlots - 1;
    if (long_slot ? c.audit_long == nullptr : c.audit == nullptr) continue;
    if ((long_slot ? c.audit_long->set : c.audit[slot].set) != 1) continue;
    const size_t room = long_slot ? sizeof c.audit_long->text : sizeof c.audit[slot].text;
    const uint16_t length = long_slot ? c.audit_long->length : c.audit[slot].length;
    need += 1 + kExtHeader + (length == kAuditNull ? 0 : static_cast<uint32_t>(std::min<size_t>(length, room)));
  }
  return need;
}

// The audit items that p_rdb_setaudinf marked for sending, kinds 11 to
// 14; returns the end.
inline uint32_t audit_elements(packet& w, const clt_req_ctx& c, ext_chain& chain, uint32_t len) {
  for (int32_t slot = 0; slot < kAuditSlots; ++slot) {
    const bool long_slot = slot == kAuditSlots - 1;
    if (long_slot ? c.audit_long == nullptr : c.audit == nullptr) continue;
    const uint16_t set = long_slot ? c.audit_long->set : c.audit[slot].set;
    if (set != 1) continue;
    const uint16_t length = long_slot ? c.audit_long->length : c.audit[slot].length;
    const char* text = long_slot ? c.audit_long->text : c.audit[slot].text;
    const size_t room = long_slot ? sizeof c.audit_long->text : sizeof c.audit[slot].text;
    const int16_t data_len = length == kAuditNull ? kNullLength : static_cast<int16_t>(std::min<size_t>(length, room));
    len = ext_element(w, chain.open(len), static_cast<uint16_t>(CLT_EXT_AUDIT_FIRST + slot), data_len, text);
  }
  return len;
}

// A request without its buffer or connection state is the library's
// own inconsistency: reported when there is an area to report into.
inline bool ready(const clt_req_ctx& c, const char* module, int line) {
  if (c.packet != nullptr && c.area != nullptr && c.main != nullptr && c.conn != nullptr && c.env != nullptr) {
    return true;
  }
  if (c.area != nullptr) {
    clt_report(c.area, module, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, module,
               static_cast<int32_t>(line));
  }
  return false;
}

}  // namespace clt_pkt
