// The records of request building: the 52-byte header every packet but
// the JAR request begins with, and the running request as the builders
// see it.
#pragma once

#include <stdint.h>

#include "zk_records.h"

constexpr uint32_t CLT_REQ_HEADER_SIZE = 52;
constexpr int32_t CLT_REQ_CLIENT_LEVEL = -27;
constexpr uint32_t CLT_REQ_CLIENT_VERSION = 0x00080400;
constexpr uint32_t CLT_REQ_CONNECT_SIZE = 384;
constexpr int CLT_REQ_SLOTS = 8;
constexpr int CLT_REQ_SLOT_RDNODE = 3;
constexpr int CLT_REQ_SLOT_EXT = 5;
constexpr uint32_t CLT_JAR_HEADER_SIZE = 16;

// Block kinds of clt_req_jar.
enum : int32_t { CLT_JAR_FIRST_BLOCK = 1 };

// The 52-byte header; numbers in the server's byte order.
struct clt_req_header {
  uint8_t level[4];
  uint8_t version[4];
  uint8_t total[4];
  uint8_t one;
  uint8_t zero;
  uint8_t parts[2];
  uint8_t header_len[4];
  uint8_t slots[CLT_REQ_SLOTS][4];
};
static_assert(sizeof(clt_req_header) == CLT_REQ_HEADER_SIZE, "request header is 52 bytes");

// Extension element kinds.
enum : uint16_t {
  CLT_EXT_DCSERVICE = 1,
  CLT_EXT_AUDIT_FIRST = 11,  // audit items 1 to 3 of mode 0 are 11 to 13, the mode-2 item 14
};

// The running request as the builders see it.
struct clt_req_ctx {
  uint8_t* packet;                           // where the request is built
  uint32_t packet_size;                      // its size, which no value may pass
  rdb_sql_area* area;
  clt_main* main;
  clt_req_conn* conn;
  const clt_reply_conn* reply;               // the FETCH's reply form
  const clt_env* env;
  const char* apname;                        // application name of the application section
  const char* pduser;                        // PDUSER user name and password
  const char* pdpassword;
  clt_req_identity* identity;
  const clt_audit_item* audit;               // audit slots 1 to 3
  const clt_audit_item_long* audit_long;     // audit slot 4
  uint16_t errlog_count;                     // error-log message counter
};
