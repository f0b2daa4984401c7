#include "clt_cnv_frame.h"

clt_cnv_run clt_cnv_start(const clt_env& env, const clt_cnv_slot& slot, bool bounded_when_measuring) {
  const bool store = slot.mode == CLT_CNV_STORE;
  return clt_cnv_run{.env = env,
                     .slot = slot,
                     .src = slot.source,
                     .n = *slot.source_length,
                     .dst = slot.target,
                     .size = *slot.target_size,
                     .store = store,
                     .bounded = store || bounded_when_measuring};
}

bool clt_cnv_user(const clt_env& env, const clt_cnv_slot& slot, int kind, const uint8_t* source,
                  uint8_t* target) {
  if (env.gaiji_func != nullptr) {
    env.gaiji_func(kind, source, target);
    return false;
  }
  target[0] = static_cast<uint8_t>(slot.replacement >> 8);
  target[1] = static_cast<uint8_t>(slot.replacement);
  return true;
}

int32_t clt_cnv_utf8_size(uint32_t cp) {
  if (cp < 0x80) return 1;
  if (cp < 0x800) return 2;
  if (cp < 0x10000) return 3;
  return 4;
}

void clt_cnv_put_utf8(clt_cnv_run& r, uint32_t cp, int32_t size) {
  switch (size) {
    case 1:
      r.put(static_cast<uint8_t>(cp));
      break;
    case 2:
      r.put(static_cast<uint8_t>(0xC0 | cp >> 6));
      r.put(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
      break;
    case 3:
      r.put(static_cast<uint8_t>(0xE0 | cp >> 12));
      r.put(static_cast<uint8_t>(0x80 | (cp >> 6 & 0x3F)));
      r.put(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
      break;
    default:
      r.put(static_cast<uint8_t>(0xF0 | cp >> 18));
      r.put(static_cast<uint8_t>(0x80 | (cp >> 12 & 0x3F)));
      r.put(static_cast<uint8_t>(0x80 | (cp >> 6 & 0x3F)));
      r.put(static_cast<uint8_t>(0x80 | (cp & 0x3F)));
      break;
  }
}

bool clt_cnv_read_utf8(const clt_cnv_run& r, int32_t longest, uint32_t* cp, int32_t* used) {
  constexpr uint32_t kFirstSupplementary = 0x10000;
  constexpr uint32_t kLastCodePoint = 0x10FFFF;
  const uint8_t b0 = r.src[r.pos];
  int32_t len = 1;
  if (b0 >= 0xC0 && b0 < 0xFE) len = b0 < 0xE0 ? 2 : b0 < 0xF0 ? 3 : b0 < 0xF8 ? 4 : b0 < 0xFC ? 5 : 6;
  const int32_t left = r.left();
  *used = len < left ? len : left;
  if (b0 < 0x80) {
    *cp = b0;
    return true;
  }
  if (b0 < 0xC0 || b0 >= 0xFE || len > longest || len > left) return false;
  uint32_t value = b0 & (0x7Fu >> len);
  for (int32_t i = 1; i < len; ++i) {
    const uint8_t b = r.src[r.pos + i];
    if ((b & 0xC0) != 0x80) return false;
    value = value << 6 | (b & 0x3Fu);
  }
  if (len == 4 && (value < kFirstSupplementary || value > kLastCodePoint)) return false;
  *cp = value;
  return true;
}
