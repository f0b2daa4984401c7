// The command service's connection: connect to the current host, send the
// record of the current state, receive one reply, close. Messages go to
// the command trace only.
#pragma once

#include <stdint.h>

struct clt_cmd_ctx;

// Results besides 0.
enum : int32_t {
  CLT_AST_E_FAILED = -1,       // a name, socket or wait call failed
  CLT_AST_E_MEMORY = -70,      // no reply buffer
  CLT_AST_E_TIMEOUT = -2407,   // the wait limit ran out
  CLT_AST_E_CONNECT = -2415,
  CLT_AST_E_NETWORK = -2418,   // send or receive failed, or the peer closed
  CLT_AST_E_REPLY = -2466,     // a reply longer than it announced
};

// Connection attempts while the local address is in use.
inline constexpr int32_t CLT_AST_CONNECT_TRIES = 4000;
// One wait period of a reply: 60 rounds of the socket layer's wait (one
// second each outside tests).
inline constexpr int64_t CLT_AST_PERIOD_ROUNDS = 60;

int32_t clt_ast_connect(clt_cmd_ctx* ctx);
int32_t clt_ast_send(clt_cmd_ctx* ctx);
int32_t clt_ast_recv(clt_cmd_ctx* ctx);
int32_t clt_ast_close(clt_cmd_ctx* ctx);
