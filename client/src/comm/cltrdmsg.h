// Messages of the second server protocol as they go on the wire, all
// numbers big-endian: the 20-byte prefix and block 1 of every message,
// block 2 and the "*HRH" block of the large ones (connect, disconnect,
// statement) around the request packet, the identification block of the
// connect message, the statement's size block and the DCSERVICE block;
// and the 380-byte reply packets that the client builds itself where
// the server sends none.
#pragma once

#include <stdint.h>

#include "zelkit.h"

// Message kinds.
enum : uint16_t {
  CLT_RD_KIND_CONNECT = 0x157D,
  CLT_RD_KIND_DISCONNECT = 0x157E,
  CLT_RD_KIND_STATEMENT = 0x157F,
  CLT_RD_KIND_DISCONNECT_END = 0x03E9,
  CLT_RD_KIND_COMMIT = 0x03EC,
  CLT_RD_KIND_ROLLBACK = 0x03ED,
};

constexpr uint32_t CLT_RD_CONTROL_SIZE = 48;
constexpr uint32_t CLT_RD_PACKET_SIZE = 380;
constexpr uint32_t CLT_RD_AUTH_SIZE = 30;
constexpr uint32_t CLT_RD_NODE_MAX = 30;
// The client's version digits and the identification's version text.
constexpr char CLT_RD_VERSION_DIGITS[] = "0804";

// What every message carries besides its request.
struct clt_rd_msg_base {
  uint32_t recv_size;           // the client's receive buffer
  const uint8_t* client_addr;   // 4 bytes, network order
  uint8_t link_flag[2];
  const char* dcservice;        // null, empty or longer than 31: no DCSERVICE block
  bool client_order;            // the DCSERVICE length in the client's byte order
};

// Bytes a large message needs beyond its request, at most.
constexpr uint32_t CLT_RD_MESSAGE_ROOM = 400;

// The 48-byte control messages: end of disconnect, commit, rollback.
uint32_t clt_rd_control_message(uint8_t* out, uint16_t kind, const clt_rd_msg_base& b);
// The connect message around the CONNECT request (whose complemented
// authorization id it carries in plain text) and the client node name.
uint32_t clt_rd_connect_message(uint8_t* out, const clt_rd_msg_base& b, const char* node, uint16_t node_len,
                                const uint8_t* request, uint32_t request_len);
// The disconnect message; as_disc rewrites the request code to "DISC".
uint32_t clt_rd_disconnect_message(uint8_t* out, const clt_rd_msg_base& b, const uint8_t* request,
                                   uint32_t request_len, bool as_disc);
// The statement message; sums (three words) null: no size block. An
// "OPNR" (function code 17) whose body fields at 8 and 42 are equal goes
// as "OPEN" with 0 at 42.
uint32_t clt_rd_statement_message(uint8_t* out, const clt_rd_msg_base& b, const uint32_t* sums, int32_t func_code,
                                  const uint8_t* request, uint32_t request_len);

// The status byte of a commit or rollback packet from the transaction state.
uint8_t clt_rd_end_status(bool commit, uint8_t trn_state);
// The packet that commit and rollback replies stand for.
void clt_rd_commit_packet(uint8_t* out, uint8_t status_byte);
// The packet of a remote error: the SQLCA's message with -874 and the
// position number (host order).
void clt_rd_error_packet(uint8_t* out, const SQLCA& sqlca, uint32_t position);
