// Front-end lookup: at CONNECT without a fixed front end, the server's
// connection manager "_pdrdm" names the front-end host, service group and
// port the connection is to use.
#pragma once

#include <stdint.h>

struct com_piece;

constexpr uint32_t CLT_FES_QUESTION_SIZE = 31;
constexpr uint32_t CLT_FES_ANSWER_SIZE = 200;
constexpr uint32_t CLT_FES_HOST = 96;
constexpr uint32_t CLT_FES_HOST_SIZE = 65;
constexpr uint32_t CLT_FES_GROUP = 161;
constexpr uint32_t CLT_FES_GROUP_SIZE = 32;
constexpr uint32_t CLT_FES_PORT = 194;
constexpr uint32_t CLT_FES_STATUS = 196;

// The server's object-conversion utility: a "*RBU" area under this
// application name asks for the front end by the utility's command name.
constexpr char CLT_FES_UTILITY_APNAME[] = "MARLO-OBJCONVERT";
constexpr char CLT_FES_UTILITY_COMMAND[] = "mrlobjcnv";
constexpr uint8_t CLT_FES_UTILITY_MARK = 0xFF;

// Answer statuses.
constexpr int32_t CLT_FES_FOUND = 0;
constexpr int32_t CLT_FES_NOT_YET = -5403;
constexpr int32_t CLT_FES_NONE = -5500;
constexpr int32_t CLT_FES_SHUTDOWN = -5600;

// The connection-manager call the lookup asks through, shaped as pd_clt_rdm_call.
using clt_fes_call = int32_t (*)(const char* service, com_piece* out, int32_t out_count, com_piece* in,
                                 int32_t in_count, int32_t flags);

// 0 when the front end was found; -1 after a failure reported in the SQLCA.
int32_t clt_get_fes();
// The lookup through another call: tests drive each of its results here.
int32_t clt_get_fes_through(clt_fes_call call);
