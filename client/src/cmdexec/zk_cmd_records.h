// The records that the command-execution units share: the work block of
// one call of p_rdb_cmd_execute and the records of the command service's
// protocol.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Lengths of the settings texts.
inline constexpr size_t CLT_CMD_NAME_MAX = 30;      // user names and passwords
inline constexpr size_t CLT_CMD_SYSTEMID_LEN = 4;
inline constexpr size_t CLT_CMD_HOST_MAX = 511;
inline constexpr size_t CLT_CMD_PATH_SIZE = 300;
inline constexpr size_t CLT_CMD_APNAME_MAX = 30;
inline constexpr int32_t CLT_CMD_TRC_FILES = 4;      // two pairs of two files
inline constexpr size_t CLT_CMD_TRC_NAME_SIZE = CLT_CMD_PATH_SIZE + 16;

// Protocol states of a call.
enum : int32_t {
  CLT_AST_SEND_LOGON = 1,
  CLT_AST_RECV_LOGON = 2,
  CLT_AST_SEND_COMMAND = 3,
  CLT_AST_RECV_COMMAND = 4,
};

// Record layouts; every number travels big-endian.
inline constexpr uint32_t CLT_AST_HEADER_SIZE = 32;
inline constexpr uint32_t CLT_AST_LOGON_SIZE = 184;
inline constexpr uint16_t CLT_AST_FORMAT = 0x0201;
inline constexpr uint32_t CLT_AST_TYPE_LOGON = 1;
inline constexpr uint32_t CLT_AST_TYPE_COMMAND = 0x70;

// Header fields by offset.
enum : uint32_t {
  CLT_AST_OFF_RECLEN = 0,
  CLT_AST_OFF_HDRLEN = 4,
  CLT_AST_OFF_FORMAT = 6,
  CLT_AST_OFF_TYPE = 8,
  CLT_AST_OFF_TIME = 12,
  CLT_AST_OFF_CHAIN = 16,
  CLT_AST_OFF_MARK = 18,
  CLT_AST_OFF_TOTAL = 24,
  CLT_AST_OFF_SEQ = 28,
};
inline constexpr uint8_t CLT_AST_MARK_VALUE = 16;
inline constexpr uint32_t CLT_AST_SEQ_LOGON = 1;
inline constexpr uint32_t CLT_AST_SEQ_COMMAND = 2;

// Reply fields by offset.
inline constexpr uint32_t CLT_AST_OFF_RESULT = 32;      // logon result, command return code
inline constexpr uint32_t CLT_AST_OFF_OUTFLAG = 36;
inline constexpr uint32_t CLT_AST_OFF_OUTLEN = 48;
inline constexpr uint32_t CLT_AST_OFF_OUTPUT = 52;
inline constexpr uint8_t CLT_AST_CHAIN_SINGLE = 0;
inline constexpr uint8_t CLT_AST_CHAIN_LAST = 'l';

// A user name or password: length, then the bytes without a terminator.
struct clt_cmd_name {
  uint16_t length;
  char text[CLT_CMD_NAME_MAX];
};

// A message: length, then the text.
inline constexpr size_t CLT_AST_MSG_SIZE = 512;
struct clt_ast_token {
  uint16_t length;
  char text[CLT_AST_MSG_SIZE];
};

struct clt_ast_msgblock;

// The work block of one call. Allocated with room for the command record
// behind it, zero-filled.
struct clt_cmd_ctx {
  char eyecatcher[8];  // "CLT_CMD"

  // The caller's arguments.
  const char* command;
  int32_t output_size;
  uint32_t* output_length;
  char* output;
  int32_t* return_code;
  const char* group;  // null or "" when no group is named
  uint32_t reserved;

  int32_t state;
  int32_t sock;
  uint32_t local_addr;   // network order; only the socket trace shows it
  uint32_t host_addr;    // the connected host, network order

  uint8_t logon_record[CLT_AST_LOGON_SIZE];
  uint8_t* command_record;  // right behind the block
  uint32_t command_record_len;
  uint8_t* logon_reply;
  uint32_t logon_reply_len;
  uint8_t* command_reply;
  uint32_t command_reply_len;
  uint8_t staging[CLT_AST_HEADER_SIZE];

  // Settings.
  char system_id[CLT_CMD_SYSTEMID_LEN + 1];
  char group_kind;                  // '1' when the group is an ini file
  uint16_t port;
  clt_cmd_name ast_user;            // the server host's logon
  clt_cmd_name ast_password;
  clt_cmd_name user;                // the database's
  clt_cmd_name password;
  int32_t soc_trace_size;           // 0: socket trace off
  int32_t soc_trace_data_size;
  uint32_t wait_time;               // PDCMDWAITTIME, 0 = no limit
  int32_t cmd_trace_size;           // -1: no command trace
  char trace_dir[CLT_CMD_PATH_SIZE + 1];
  char host_list[CLT_CMD_HOST_MAX + 1];
  char host[CLT_CMD_HOST_MAX + 1];  // the host being tried
  char apname[CLT_CMD_APNAME_MAX + 1];

  // Traces.
  uint16_t soc_trace_state;         // 1 on, 2 record buffer missing, 3 off
  uint8_t* soc_trace_record;
  uint32_t soc_trace_seq;
  char trace_files[CLT_CMD_TRC_FILES][CLT_CMD_TRC_NAME_SIZE];
  clt_ast_msgblock* msgblock;
  char* trace_scratch;
};
