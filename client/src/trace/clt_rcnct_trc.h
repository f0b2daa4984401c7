// The reconnect trace ("pdrcnct1.trc"/"pdrcnct2.trc"): one record for each
// request that saw a reconnection, with its result, its start and end and
// the servers before and after it.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr size_t CLT_RCNCT_SERVER_SIZE = 48;
constexpr size_t CLT_RCNCT_RECORD_SIZE = 512;
constexpr char CLT_RCNCT_RESULT_NONE = ' ';
constexpr char CLT_RCNCT_RESULT_OK = 'S';
constexpr char CLT_RCNCT_RESULT_FAILED = 'F';

struct clt_rcnct_blk {
  char eyecatcher[8];  // "##RCNCT"
  uint32_t start_sec;  // 0: no reconnection in this request
  uint32_t start_msec;
  uint32_t end_sec;
  uint32_t end_msec;
  char old_server[CLT_RCNCT_SERVER_SIZE];
  char new_server[CLT_RCNCT_SERVER_SIZE];
  char record[CLT_RCNCT_RECORD_SIZE];
  char result;
};

// The server text "%s:%d:%d": service group, connection number and server
// process id, cut to 47 characters.
void clt_rcnct_server_text(char out[CLT_RCNCT_SERVER_SIZE], const char* group, uint32_t cnct_number, uint32_t pid);

// The current connection's block; null when the trace is off.
clt_rcnct_blk* clt_rcnct_cur();
void clt_rcnct_trc_open();
void clt_rcnct_trc_reset();
void clt_rcnct_trc_write();
void clt_rcnct_trc_close();
// After a successful CONNECT: the server reached becomes the old server of
// the trace when none is recorded yet.
void clt_rcnct_note_server(const char* group, uint32_t cnct_number, uint32_t pid);
