#include "marlo_replies.h"

#include <string.h>

#include "marlo_server.h"

namespace marlo {

namespace {

constexpr uint32_t kDirStatus = 8;
constexpr uint32_t kDirExtension = 28;
constexpr uint32_t kExtensionSize = 64;
constexpr uint32_t kUtlOutput = 0;
constexpr uint32_t kUtlResult = 4;
constexpr uint32_t kExtAuth = 40;
constexpr uint32_t kAuthSecond = 32;
constexpr uint32_t kAuthSize = 64;

void put16(bool le, uint8_t* p, uint16_t v) {
  p[le ? 0 : 1] = static_cast<uint8_t>(v);
  p[le ? 1 : 0] = static_cast<uint8_t>(v >> 8);
}

// Appends `part` and returns its offset; the total length follows.
uint32_t append(bool le, std::vector<uint8_t>& body, const std::vector<uint8_t>& part) {
  const auto at = static_cast<uint32_t>(body.size());
  body.insert(body.end(), part.begin(), part.end());
  put_body_word(le, body.data(), static_cast<uint32_t>(body.size()));
  return at;
}

}  // namespace

uint32_t body_word(bool little_endian, const uint8_t* p) {
  return little_endian ? (uint32_t{p[3]} << 24 | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0])
                       : (uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3]);
}

void put_body_word(bool little_endian, uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[little_endian ? i : 3 - i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> with_status_flag(bool little_endian, std::vector<uint8_t> body, uint32_t at, uint8_t value) {
  body[body_word(little_endian, body.data() + kDirStatus) + at] |= value;
  return body;
}

std::vector<uint8_t> srvinf_body(bool little_endian, const std::vector<uint8_t>& status) {
  std::vector<uint8_t> body = reply_body(little_endian, 0, "00000", "");
  put_body_word(little_endian, body.data() + kDirStatus, append(little_endian, body, status));
  return body;
}

std::vector<uint8_t> eutl_body(bool little_endian, int32_t result, const std::string& output) {
  std::vector<uint8_t> body = reply_body(little_endian, 0, "00000", "");
  std::vector<uint8_t> ext(kExtensionSize, 0);
  put_body_word(little_endian, ext.data() + kUtlOutput, kExtensionSize);
  put_body_word(little_endian, ext.data() + kUtlResult, static_cast<uint32_t>(result));
  ext.resize(kExtensionSize + 4, 0);
  put_body_word(little_endian, ext.data() + kExtensionSize, static_cast<uint32_t>(output.size()));
  ext.insert(ext.end(), output.begin(), output.end());
  put_body_word(little_endian, body.data() + kDirExtension, append(little_endian, body, ext));
  return body;
}

std::vector<uint8_t> identity_body(bool little_endian, const std::string& id, const std::vector<uint8_t>& password) {
  std::vector<uint8_t> body = reply_body(little_endian, 0, "00000", "");
  std::vector<uint8_t> ext(kExtensionSize + kAuthSize, 0);
  put_body_word(little_endian, ext.data() + kExtAuth, kExtensionSize);
  uint8_t* auth = ext.data() + kExtensionSize;
  put16(little_endian, auth, static_cast<uint16_t>(id.size()));
  for (size_t i = 0; i < id.size(); ++i) auth[2 + i] = static_cast<uint8_t>(~static_cast<uint8_t>(id[i]));
  put16(little_endian, auth + kAuthSecond, static_cast<uint16_t>(password.size()));
  memcpy(auth + kAuthSecond + 2, password.data(), password.size());
  put_body_word(little_endian, body.data() + kDirExtension, append(little_endian, body, ext));
  return body;
}

}  // namespace marlo
