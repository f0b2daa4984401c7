// Reply bodies of the smaller requests: server information with its
// 512-byte status part, EXECUTE UTL's output block and result, the new
// identity of SET SESSION AUTHORIZATION, and the status flags that ask
// for CCMD or advise on reconnection.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace marlo {

// Flags of the status part.
constexpr uint8_t kStatusReconnectRefused = 0x08;  // byte 7: reconnect advice 1
constexpr uint8_t kStatusReconnectAllowed = 0x10;  // byte 7: reconnect advice 0
constexpr uint8_t kStatusFinished = 0x08;          // byte 16: the statement continues with CCMD
constexpr uint32_t kStatusByte7 = 7;
constexpr uint32_t kStatusByte16 = 16;

// A body with `value` or-ed into byte `at` of its status part.
std::vector<uint8_t> with_status_flag(bool little_endian, std::vector<uint8_t> body, uint32_t at, uint8_t value);

// SQLCODE 0 and a status part of the given bytes (512 for the answer).
std::vector<uint8_t> srvinf_body(bool little_endian, const std::vector<uint8_t>& status);

// SQLCODE 0, the result value and `output` as the output block.
std::vector<uint8_t> eutl_body(bool little_endian, int32_t result, const std::string& output);

// SQLCODE 0 and a new identity: the identifier and the password field
// as the server sends them (the identifier plain; it goes out complemented).
std::vector<uint8_t> identity_body(bool little_endian, const std::string& id, const std::vector<uint8_t>& password);

}  // namespace marlo
