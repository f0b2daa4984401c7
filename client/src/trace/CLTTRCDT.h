// The module, RPC and socket traces of the communication layers, written
// as little-endian binary records into their pairs, and the memory trace
// of the allocator, a text line per allocation and release.
#pragma once

#include <stdint.h>

constexpr uint32_t CLT_TRC_HEADER_SIZE = 44;        // RPC and socket records
constexpr uint32_t CLT_RPC_RECORD_SIZE = 256;
constexpr uint32_t CLT_RPC_DATA_MAX = CLT_RPC_RECORD_SIZE - CLT_TRC_HEADER_SIZE;
constexpr uint32_t CLT_RPC_TRC_ID = 0x180000;
constexpr uint32_t CLT_RPC_TRC_OPEN = 1;
constexpr uint32_t CLT_RPC_TRC_CALL = 3;

// The call block of an RPC call record.
constexpr uint32_t CLT_RPC_CALL_BLOCK_SIZE = 196;
constexpr uint32_t CLT_RPC_CB_GROUP = 0;
constexpr uint32_t CLT_RPC_CB_FUNCTION = 32;
constexpr uint32_t CLT_RPC_CB_NAME_SIZE = 32;
constexpr uint32_t CLT_RPC_CB_REQ_LEN = 64;
constexpr uint32_t CLT_RPC_CB_REQ = 68;
constexpr uint32_t CLT_RPC_CB_REPLY_LEN = 128;
constexpr uint32_t CLT_RPC_CB_REPLY = 132;
constexpr uint32_t CLT_RPC_CB_HEAD = 60;           // bytes of request and reply kept
constexpr uint32_t CLT_RPC_CB_FLAGS = 192;

// Socket-trace data kinds.
constexpr int32_t CLT_SOC_DATA_PIECES = 1;  // data is a piece list, length its count
constexpr int32_t CLT_SOC_DATA_PLAIN = 2;

// Sets up the RPC and socket traces once per session; frees them.
void clt_trc_open_rpcsoc();
void clt_trc_free_rpcsoc();
void clt_trc_rpc(uint32_t word1, uint32_t word2, uint32_t word3, const void* data, uint32_t length, int32_t reserved);
int32_t clt_trc_rpc_on();
// Fills a call block of an RPC call record.
void clt_trc_rpc_call_block(uint8_t* block, const char* group, const char* function, const uint8_t* request,
                            uint32_t request_len, const uint8_t* reply, uint32_t reply_len, int32_t flags);
void clt_trc_mdl_record(uint32_t event, uint16_t phase, const uint32_t words[3]);
void clt_trc_soc_record(int32_t call, int32_t phase, int32_t wsa_error, int32_t sock, int32_t length,
                        int32_t extra, const void* data, int32_t data_kind);
void clt_trc_mem_line(const char* text);
