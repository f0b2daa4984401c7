// The error-time stream dump: after a request that failed, the pieces of
// the last message sent and of the last reply received, written over the
// older file of "pdess1.trc"/"pdess2.trc".
#pragma once

#include <stdint.h>

constexpr uint32_t CLT_ESS_DATA_SIZE = 4096;
constexpr uint32_t CLT_ESS_BUF_SIZE = CLT_ESS_DATA_SIZE + 44;
constexpr int32_t CLT_ESS_LIMIT = 65535;
constexpr uint32_t CLT_ESS_HEADER_SIZE = 48;
constexpr char CLT_ESS_FREED[] = "DATA FREE";

void clt_trc_open_ess();
void clt_trc_close_ess();
void clt_trc_stream_dump();
