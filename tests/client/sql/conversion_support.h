// Runs one conversion through a settings record of the test's own, with
// guard bytes around the target, and checks on every call that measuring
// leaves the target untouched and needs what storing produced.
#pragma once

#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "clt_cnv.h"

namespace cnv {

using bytes = std::vector<uint8_t>;

inline bytes hex(const std::string& text) {
  bytes out;
  for (size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return out;
}

inline std::string show(const bytes& b) {
  std::string s;
  char part[4];
  for (uint8_t v : b) {
    snprintf(part, sizeof part, "%02X ", v);
    s += part;
  }
  return s;
}

// One character's source bytes: a two-byte code high byte first, a UCS-2
// unit in the client's order, a code point below U+10000 in UTF-8.
inline bytes two(uint32_t code) { return {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)}; }
inline bytes unit(uint32_t u) { return {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)}; }
inline bytes utf8(uint32_t u) {
  if (u < 0x80) return {static_cast<uint8_t>(u)};
  if (u < 0x800) return {static_cast<uint8_t>(0xC0 | u >> 6), static_cast<uint8_t>(0x80 | (u & 0x3F))};
  return {static_cast<uint8_t>(0xE0 | u >> 12), static_cast<uint8_t>(0x80 | (u >> 6 & 0x3F)),
          static_cast<uint8_t>(0x80 | (u & 0x3F))};
}

inline bool sjis_lead(uint32_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
inline bool sjis_trail(uint32_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }
inline bool surrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDFFF; }

struct outcome {
  int32_t rc;
  bytes out;
  uint32_t replaced;
};

constexpr size_t kGuard = 8;
constexpr uint8_t kGuardByte = 0xCC;

struct converter {
  std::unique_ptr<clt_env> env = std::make_unique<clt_env>();

  explicit converter(uint8_t mode, const char* gaiji_dll = "") {
    env->pdcltcnvmode = mode;
    snprintf(env->pdcltgaijidll, sizeof env->pdcltgaijidll, "%s", gaiji_dll);
    clt_cnv_setup(env.get(), mode);
  }

  outcome run(int32_t slot, const bytes& source, int32_t room, uint32_t mode) {
    std::vector<uint8_t> target(room + 2 * kGuard, kGuardByte);
    int32_t length = static_cast<int32_t>(source.size());
    int32_t size = room;
    int32_t out = -7;
    uint32_t replaced = 0xFFFFFFFEu;
    const int32_t rc = clt_cnv_convert_env(*env, slot, &length, reinterpret_cast<const char*>(source.data()), &size,
                                           reinterpret_cast<char*>(target.data() + kGuard), &out, &replaced, mode);
    for (size_t i = 0; i < kGuard; ++i) {
      EXPECT_EQ(target[i], kGuardByte) << "guard before the target";
      EXPECT_EQ(target[kGuard + room + i], kGuardByte) << "guard after the target";
    }
    if (mode == CLT_CNV_MEASURE) {
      for (int32_t i = 0; i < room; ++i) EXPECT_EQ(target[kGuard + i], kGuardByte) << "measuring stored a byte";
      return {rc, bytes(static_cast<size_t>(out > 0 ? out : 0)), replaced};
    }
    if (out < 0 || out > room) return {rc, {}, replaced};
    for (int32_t i = out; i < room; ++i) EXPECT_EQ(target[kGuard + i], kGuardByte) << "stored past the output";
    return {rc, bytes(target.begin() + kGuard, target.begin() + kGuard + out), replaced};
  }

  // Stores, then measures with the same room: a conversion that stored
  // everything or stopped inside a character measures the same.
  outcome convert(int32_t slot, const bytes& source, int32_t room = -1) {
    if (room < 0) room = static_cast<int32_t>(3 * source.size() + 4);
    const outcome stored = run(slot, source, room, CLT_CNV_STORE);
    const outcome measured = run(slot, source, room, CLT_CNV_MEASURE);
    if (stored.rc != CLT_CNV_FULL) {
      EXPECT_EQ(measured.rc, stored.rc);
      EXPECT_EQ(measured.out.size(), stored.out.size()) << "measured length";
      EXPECT_EQ(measured.replaced, stored.replaced);
    }
    return stored;
  }
};

}  // namespace cnv
