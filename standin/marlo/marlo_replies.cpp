#include "marlo_replies.h"

#include <string.h>

#include "marlo_server.h"
#include "marlo_values.h"

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

// Appends `part` and returns its offset; the total length follows.
uint32_t append(bool le, std::vector<uint8_t>& body, const std::vector<uint8_t>& part) {
  const auto at = static_cast<uint32_t>(body.size());
  body.insert(body.end(), part.begin(), part.end());
  byte_order{le}.put32(body.data(), static_cast<uint32_t>(body.size()));
  return at;
}

}  // namespace

std::vector<uint8_t> with_status_flag(bool little_endian, std::vector<uint8_t> body, uint32_t at, uint8_t value) {
  body[byte_order{little_endian}.u32(body.data() + kDirStatus) + at] |= value;
  return body;
}

std::vector<uint8_t> srvinf_body(bool little_endian, const std::vector<uint8_t>& status) {
  std::vector<uint8_t> body = reply_body(little_endian, 0, "00000", "");
  byte_order{little_endian}.put32(body.data() + kDirStatus, append(little_endian, body, status));
  return body;
}

std::vector<uint8_t> eutl_body(bool little_endian, int32_t result, const std::string& output) {
  std::vector<uint8_t> body = reply_body(little_endian, 0, "00000", "");
  std::vector<uint8_t> ext(kExtensionSize, 0);
  byte_order{little_endian}.put32(ext.data() + kUtlOutput, kExtensionSize);
  byte_order{little_endian}.put32(ext.data() + kUtlResult, static_cast<uint32_t>(result));
  ext.resize(kExtensionSize + 4, 0);
  byte_order{little_endian}.put32(ext.data() + kExtensionSize, static_cast<uint32_t>(output.size()));
  ext.insert(ext.end(), output.begin(), output.end());
  byte_order{little_endian}.put32(body.data() + kDirExtension, append(little_endian, body, ext));
  return body;
}

std::vector<uint8_t> identity_body(bool little_endian, const std::string& id, const std::vector<uint8_t>& password) {
  std::vector<uint8_t> body = reply_body(little_endian, 0, "00000", "");
  std::vector<uint8_t> ext(kExtensionSize + kAuthSize, 0);
  byte_order{little_endian}.put32(ext.data() + kExtAuth, kExtensionSize);
  uint8_t* auth = ext.data() + kExtensionSize;
  byte_order{little_endian}.put16(auth, static_cast<uint16_t>(id.size()));
  for (size_t i = 0; i < id.size(); ++i) auth[2 + i] = static_cast<uint8_t>(~static_cast<uint8_t>(id[i]));
  byte_order{little_endian}.put16(auth + kAuthSecond, static_cast<uint16_t>(password.size()));
  memcpy(auth + kAuthSecond + 2, password.data(), password.size());
  byte_order{little_endian}.put32(body.data() + kDirExtension, append(little_endian, body, ext));
  return body;
}

}  // namespace marlo
