// Traces of command execution: the command trace (pdccmd1.trc and
// pdccmd2.trc, text) and the command socket trace (pdcsoc1.trc and
// pdcsoc2.trc, binary records), both in the PDCLTPATH directory, each
// pair alternating at its size limit.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zk_cmd_records.h"

// Trace kinds of clt_ast_trc_write.
enum : int32_t {
  CLT_AST_TRC_SOC = 4,
  CLT_AST_TRC_CMD = 9,
};

// Socket-trace states.
enum : uint16_t {
  CLT_AST_SOC_ON = 1,
  CLT_AST_SOC_NOMEM = 2,
  CLT_AST_SOC_OFF = 3,
};

// Data modes of clt_ast_trc_soc.
enum : int32_t {
  CLT_AST_DATA_NONE = 0,
  CLT_AST_DATA_PLAIN = 2,
};

// Call codes and phases of socket-trace records.
enum : uint16_t {
  CLT_AST_CALL_CONNECT = 3,
  CLT_AST_CALL_SELECT = 5,
  CLT_AST_CALL_SOCKET = 6,
  CLT_AST_CALL_GETHOSTBYNAME = 13,
  CLT_AST_CALL_GETHOSTNAME = 14,
  CLT_AST_CALL_CLOSESOCKET = 17,
  CLT_AST_CALL_SEND = 19,
  CLT_AST_CALL_RECV = 20,
};
enum : uint16_t {
  CLT_AST_BEFORE = 1,
  CLT_AST_AFTER = 2,
};

// Head of a socket-trace record, in host byte order; the data follows.
struct clt_ast_soc_head {
  uint32_t length;      // head and data kept
  uint32_t seq;         // 1 for the first record of a call
  uint32_t seconds;
  uint32_t milliseconds;
  uint32_t pid;
  uint8_t rsv[8];
  uint16_t call;
  uint16_t phase;
  uint32_t result;      // result, or the error number of a failed call
  uint32_t sock;
  uint32_t data_length; // all the data passed, also when less is kept
};
static_assert(sizeof(clt_ast_soc_head) == 44);

// The command trace's message block: line counter, process id and the
// line being formatted (prefix, then text).
inline constexpr size_t CLT_AST_PREFIX_ROOM = 64;
inline constexpr size_t CLT_AST_TEXT_MAX = 512;
struct clt_ast_msgblock {
  char eyecatcher[8];  // "##velog"
  uint32_t line;
  uint32_t pid;
  uint32_t zero;
  uint32_t prefix_pos;  // positions within the block
  uint32_t text_pos;
  char area[CLT_AST_PREFIX_ROOM + CLT_AST_TEXT_MAX + 1];
};

// Socket-trace record buffer of the call and the table of file names.
void clt_ast_trc_open(clt_cmd_ctx* ctx);
void clt_ast_trc_close(clt_cmd_ctx* ctx);
// One socket-trace record when the socket trace is on.
void clt_ast_trc_soc(uint16_t call, uint16_t phase, int32_t result, int32_t sock, int32_t length,
                     const void* data, int32_t mode, clt_cmd_ctx* ctx);
// Message block, banner, settings and the command line.
void clt_ast_trc_header(clt_cmd_ctx* ctx);
void clt_ast_trc_msg(clt_cmd_ctx* ctx, const char* format, ...) __attribute__((format(printf, 2, 3)));
void clt_ast_trc_free(clt_cmd_ctx* ctx);
// Appends one block to the pair of a kind; failures lose the block.
void clt_ast_trc_write(const void* data, size_t length, int32_t kind, clt_cmd_ctx* ctx);
// The trace directory, "/" and the file name.
void clt_ast_trc_path(const clt_cmd_ctx* ctx, const char* name, char* out, size_t size);
// Pair index of a kind: 0 the socket pair, 1 the command pair.
int32_t clt_ast_trc_kind(int32_t kind);

// Appends a message to the caller's output, cut to the room left, and
// writes it to the command trace.
void clt_ast_put_message(clt_cmd_ctx* ctx, const clt_ast_token* token);
// Formats a message into a token and puts it.
void clt_ast_put_format(clt_cmd_ctx* ctx, const char* format, ...) __attribute__((format(printf, 2, 3)));
