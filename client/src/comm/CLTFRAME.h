// Message frame: the 12-byte header in front of every TCP message to and
// from the server, its request codes, the checks of a received frame and
// the reply header written locally for a request-code reply.
#pragma once

#include <stdint.h>

#include "CLTCOMD.h"

struct clt_com_conn;
struct sockaddr_in;

// Multi-byte fields are held big-endian; the session port is the
// receive socket's port as held in its socket address.
struct clt_frame_header {
  uint16_t session_port;
  uint8_t flags;
  uint8_t kind;
  uint8_t body_len[4];
  uint8_t reply_cap[4];
};
static_assert(sizeof(clt_frame_header) == 12, "frame header is 12 bytes");

constexpr uint8_t CLT_FRAME_FLAG_BASE = 0x80;
constexpr uint8_t CLT_FRAME_FLAG_CLOSE = 0x40;
constexpr uint8_t CLT_FRAME_KIND_CLOSING = 1;
constexpr uint8_t CLT_FRAME_KIND_REQCODE = 0x80;
constexpr uint32_t CLT_FRAME_BODY_MAX = 4096;
constexpr uint32_t CLT_REPLY_HEADER_SIZE = 64;
// Transport mode bit of a session's closing message.
constexpr uint32_t CLT_TACT_MODE_CLOSING = 16;

// Result codes of the frame checks.
enum : int32_t {
  CLT_FRAME_E_KIND = -1,
  CLT_FRAME_E_REPLY_HEADER = -199,
  CLT_FRAME_E_SIZE = -206,
  CLT_FRAME_E_TRUNCATED = -208,
  CLT_FRAME_E_ZERO = -212,
  CLT_FRAME_E_SHORT = -213,
};

// The frame request code of a function code, or -1 when it has none;
// with the override word 1 every request has the same code.
int32_t clt_rpc_reqcode(int32_t func_code, uint16_t override_word);

// Whether a message goes in the request-code form: a control block that
// allows it, a server with all three feature bits, protocol 2, not the
// closing message (mode bit 16), and a request code for the function.
bool clt_frame_reqcode_form(const clt_com_conn* conn, int32_t func_code, uint32_t mode);

// Writes a header. kind is the request code, or 0 / 1 in the RPC form.
void clt_frame_build(clt_frame_header* header, uint16_t session_port, bool close_after, uint8_t kind,
                     uint32_t body_len, uint32_t reply_cap);

uint32_t clt_frame_body_len(const clt_frame_header* header);

// Checks a header after 12 bytes were asked for: received is the count
// that came. 0 with the body length, or -212, -213, -1; the failures are
// logged with the receive socket's address.
int32_t clt_frame_check_header(const clt_frame_header* header, int32_t received, const sockaddr_in* recv_addr,
                               uint32_t* body_len);

// Writes the local reply header into the first 64 bytes of the first
// receive piece; -199 when the piece is shorter.
int32_t clt_rpc_reply_header(const clt_com_conn* conn, const com_piece* first);

// Checks the body count against the header. 0 with the length for the
// caller (the local reply header counts for a request-code reply), -208
// with the count received when the body was cut to the pieces, -206
// with 0 otherwise.
int32_t clt_frame_check_size(uint8_t kind, int32_t received, uint32_t body_len, uint32_t first_piece_len,
                             bool truncated, const sockaddr_in* recv_addr, uint32_t* len_out);
