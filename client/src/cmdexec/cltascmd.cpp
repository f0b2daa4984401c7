#include "cltascmd.h"

#include <inttypes.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "CLTMEM.h"
#include "zk_bytes.h"
#include "cltasenv.h"
#include "cltastcp.h"
#include "cltclock.h"
#include "clttrcmd.h"
#include "zelkit.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltascmd";
constexpr char kEyecatcher[8] = "CLT_CMD";
constexpr const char* kMsgMemory = "KFPZ02402-E Memory shortage, size=%" PRIu32 ", inf=%s:%d";
constexpr const char* kMsgParameter = "KFPZ02470-E Invalid parameter, parameter number=%s\n";
constexpr const char* kMsgComm = "KFPZ02471-E Communication error occurred, reason=%s\n";
constexpr const char* kMsgServer = "KFPZ02472-E Error occurred in Zadede-Razado, code=%d\n";
constexpr const char* kReasonNotUp = "Zadede-Razado NOT UP";
constexpr const char* kReasonInit = "INIT ERROR,CODE=%d";
constexpr const char* kReasonNetwork = "NETWORK";
constexpr const char* kReasonBusy = "Rododa-Durodu BUSY";
constexpr size_t kMessageSize = 256;
constexpr size_t kReasonSize = 64;
constexpr size_t kParamListSize = 64;

// Results of the export.
constexpr int32_t kDone = 0;
constexpr int32_t kSettingsWrong = -10;
constexpr int32_t kFailed = -20;
constexpr int32_t kBusy = -120;

// Argument numbers in the invalid-parameter message.
enum : int32_t {
  kArgCommand = 1,
  kArgOutputSize = 3,
  kArgOutputLength = 4,
  kArgOutput = 5,
  kArgReturnCode = 6,
  kArgGroup = 7,
  kArgReserved = 8,
};

// Logon record: four {offset, length} pairs, the system id and the four
// 32-byte name fields; offsets count from the end of the header.
constexpr uint32_t kNamePairs = CLT_AST_HEADER_SIZE;
constexpr uint32_t kNamePairSize = 4;
constexpr uint32_t kSystemIdOffset = 48;
constexpr uint32_t kNameFields = 56;
constexpr uint32_t kNameFieldSize = 32;
constexpr uint32_t kNameCount = 4;
static_assert(kNameFields + kNameCount * kNameFieldSize == CLT_AST_LOGON_SIZE);
constexpr uint32_t kSystemIdField = 8;
static_assert(kNamePairs + kNameCount * kNamePairSize == kSystemIdOffset);
static_assert(kSystemIdOffset + kSystemIdField == kNameFields);

constexpr int32_t kMinCommandReply = CLT_AST_OFF_OUTFLAG + sizeof(uint32_t);
constexpr uint32_t kMinLogonReply = CLT_AST_OFF_RESULT + sizeof(uint32_t);
constexpr uint32_t kFirstRecordFields = CLT_AST_OFF_OUTPUT - CLT_AST_HEADER_SIZE;

void put_header(uint8_t* r, uint32_t length, uint32_t type, uint32_t seq) {
  clt_clock_reading now{};
  clt_clock_now(&now);
  put_be32(r + CLT_AST_OFF_RECLEN, length);
  put_be16(r + CLT_AST_OFF_HDRLEN, static_cast<uint16_t>(CLT_AST_HEADER_SIZE));
  put_be16(r + CLT_AST_OFF_FORMAT, CLT_AST_FORMAT);
  put_be32(r + CLT_AST_OFF_TYPE, type);
  put_be32(r + CLT_AST_OFF_TIME, static_cast<uint32_t>(now.seconds));
  r[CLT_AST_OFF_MARK] = CLT_AST_MARK_VALUE;
  put_be32(r + CLT_AST_OFF_SEQ, seq);
}

// Without a work block there is no message store: the message goes
// straight into the caller's buffer when one is given.
void report_no_memory(uint32_t size, int32_t output_size, const uint32_t* output_length, char* output) {
  if (output_size <= 0 || output_length == nullptr || output == nullptr) return;
  char text[kMessageSize];
  const int n = snprintf(text, sizeof text, kMsgMemory, size, kModule, __LINE__);
  const size_t len = std::min(static_cast<size_t>(n), sizeof text - 2);
  text[len] = '\n';
  text[len + 1] = '\0';
  const size_t with_nul = len + 2;
  if (with_nul <= static_cast<size_t>(output_size)) {
    memcpy(output, text, with_nul);
  } else {
    memcpy(output, text, static_cast<size_t>(output_size) - 1);
  }
}

void put_reason(clt_cmd_ctx* ctx, const char* reason) { clt_ast_put_format(ctx, kMsgComm, reason); }

// The reason and result of a failed exchange.
int32_t exchange_failed(clt_cmd_ctx* ctx, int32_t rc) {
  if (rc == CLT_AST_E_TIMEOUT) {
    put_reason(ctx, kReasonBusy);
    return kBusy;
  }
  put_reason(ctx, kReasonNetwork);
  return kFailed;
}

// Copies n bytes of command output behind what the caller has; a buffer
// that cannot take them all is filled up to its last byte and reported
// full.
void deliver(clt_cmd_ctx* ctx, const uint8_t* data, uint32_t n) {
  const uint32_t size = static_cast<uint32_t>(ctx->output_size);
  const uint32_t used = *ctx->output_length;
  const uint32_t room = size - used;
  if (room < n) {
    if (room > 0) memcpy(ctx->output + used, data, room - 1);
    *ctx->output_length = size;
    return;
  }
  memcpy(ctx->output + used, data, n);
  *ctx->output_length = used + n;
}

bool output_full(const clt_cmd_ctx* ctx) {
  return *ctx->output_length >= static_cast<uint32_t>(ctx->output_size);
}

// The output of a record: `count` bytes from `start`, never past the end
// of the reply.
void deliver_part(clt_cmd_ctx* ctx, int64_t start, int64_t count) {
  const int64_t end = std::min<int64_t>(start + count, ctx->command_reply_len);
  if (count <= 0 || end <= start) return;
  deliver(ctx, ctx->command_reply + start, static_cast<uint32_t>(end - start));
}

void deliver_chain(clt_cmd_ctx* ctx) {
  const uint8_t* r = ctx->command_reply;
  const uint32_t total = ctx->command_reply_len;
  uint32_t record_len = get_be32(r + CLT_AST_OFF_RECLEN);
  deliver_part(ctx, CLT_AST_OFF_OUTPUT,
               int64_t{record_len} - get_be16(r + CLT_AST_OFF_HDRLEN) - kFirstRecordFields);
  uint8_t chain = r[CLT_AST_OFF_CHAIN];
  int64_t pos = record_len;
  // Each record must at least hold its header, so the walk always moves
  // on and stops at the end of what was received.
  while (chain != CLT_AST_CHAIN_LAST && !output_full(ctx) && pos + CLT_AST_HEADER_SIZE <= total) {
    const uint8_t* rec = r + pos;
    record_len = get_be32(rec + CLT_AST_OFF_RECLEN);
    const uint16_t header_len = get_be16(rec + CLT_AST_OFF_HDRLEN);
    if (record_len < CLT_AST_HEADER_SIZE || header_len > record_len) break;
    deliver_part(ctx, pos + header_len, int64_t{record_len} - header_len);
    chain = rec[CLT_AST_OFF_CHAIN];
    pos += record_len;
  }
}

int32_t take_reply(clt_cmd_ctx* ctx) {
  const uint8_t* r = ctx->command_reply;
  if (ctx->command_reply_len < static_cast<uint32_t>(kMinCommandReply)) {
    put_reason(ctx, kReasonNetwork);
    return kFailed;
  }
  const int32_t code = static_cast<int32_t>(get_be32(r + CLT_AST_OFF_RESULT));
  if (get_be32(r + CLT_AST_OFF_OUTFLAG) == 0) {
    if (code != 0) {
      clt_ast_put_format(ctx, kMsgServer, code);
      return kFailed;
    }
    *ctx->return_code = 0;
    if (ctx->output_size > 0) ctx->output[0] = '\0';
    return kDone;
  }
  *ctx->return_code = code;
  if (r[CLT_AST_OFF_CHAIN] == CLT_AST_CHAIN_SINGLE) {
    const int64_t announced =
        ctx->command_reply_len >= CLT_AST_OFF_OUTLEN + sizeof(uint32_t) ? get_be32(r + CLT_AST_OFF_OUTLEN) : 0;
    deliver_part(ctx, CLT_AST_OFF_OUTPUT, announced);
  } else {
    deliver_chain(ctx);
  }
  return kDone;
}

// The records of the current settings and command, built into the block.
void build_logon(clt_cmd_ctx* ctx) {
  uint8_t* r = ctx->logon_record;
  memset(r, 0, CLT_AST_LOGON_SIZE);
  put_header(r, CLT_AST_LOGON_SIZE, CLT_AST_TYPE_LOGON, CLT_AST_SEQ_LOGON);
  const clt_cmd_name* names[kNameCount] = {&ctx->ast_user, &ctx->ast_password, &ctx->user, &ctx->password};
  for (uint32_t i = 0; i < kNameCount; ++i) {
    const uint32_t field = kNameFields + i * kNameFieldSize;
    uint8_t* pair = r + kNamePairs + i * kNamePairSize;
    put_be16(pair, static_cast<uint16_t>(field - CLT_AST_HEADER_SIZE));
    put_be16(pair + sizeof(uint16_t), static_cast<uint16_t>(names[i]->length + 1));  // with the NUL
    memcpy(r + field, names[i]->text, names[i]->length);
  }
  memcpy(r + kSystemIdOffset, ctx->system_id, CLT_CMD_SYSTEMID_LEN);
}

void build_command(clt_cmd_ctx* ctx) {
  uint8_t* r = ctx->command_record;
  memset(r, 0, CLT_AST_HEADER_SIZE);
  put_header(r, ctx->command_record_len, CLT_AST_TYPE_COMMAND, CLT_AST_SEQ_COMMAND);
  memcpy(r + CLT_AST_HEADER_SIZE, ctx->command, ctx->command_record_len - CLT_AST_HEADER_SIZE);
}

// Logon and command over a connected socket.
int32_t converse(clt_cmd_ctx* ctx) {
  ctx->state = CLT_AST_SEND_LOGON;
  build_logon(ctx);
  int32_t rc = clt_ast_send(ctx);
  if (rc == 0) {
    ctx->state = CLT_AST_RECV_LOGON;
    rc = clt_ast_recv(ctx);
  }
  if (rc != 0) return exchange_failed(ctx, rc);
  if (ctx->logon_reply_len < kMinLogonReply) return exchange_failed(ctx, CLT_AST_E_REPLY);
  const int32_t result = static_cast<int32_t>(get_be32(ctx->logon_reply + CLT_AST_OFF_RESULT));
  if (result != 0) {
    char reason[kReasonSize];
    snprintf(reason, sizeof reason, kReasonInit, result);
    put_reason(ctx, reason);
    return kFailed;
  }
  ctx->state = CLT_AST_SEND_COMMAND;
  build_command(ctx);
  rc = clt_ast_send(ctx);
  if (rc == 0) {
    ctx->state = CLT_AST_RECV_COMMAND;
    rc = clt_ast_recv(ctx);
  }
  if (rc != 0) return exchange_failed(ctx, rc);
  return take_reply(ctx);
}

// Connects to the first host of the list that answers.
bool connect_any(clt_cmd_ctx* ctx) {
  const char* item = ctx->host_list;
  for (;;) {
    const size_t len = strcspn(item, ",");
    memcpy(ctx->host, item, len);
    ctx->host[len] = '\0';
    if (clt_ast_connect(ctx) == 0) return true;
    if (item[len] == '\0') return false;
    item += len + 1;
  }
}

int32_t check_arguments(clt_cmd_ctx* ctx) {
  const struct {
    bool bad;
    int32_t number;
  } checks[] = {
      {ctx->command == nullptr, kArgCommand},       {ctx->output_size < 0, kArgOutputSize},
      {ctx->output_length == nullptr, kArgOutputLength}, {ctx->output == nullptr, kArgOutput},
      {ctx->return_code == nullptr, kArgReturnCode}, {ctx->group == nullptr, kArgGroup},
      {ctx->reserved != 0, kArgReserved},
  };
  char list[kParamListSize] = "";
  size_t used = 0;
  for (const auto& c : checks) {
    if (!c.bad) continue;
    used += static_cast<size_t>(
        snprintf(list + used, sizeof list - used, used == 0 ? "#%" PRId32 : ",#%" PRId32, c.number));
  }
  if (used == 0 && ctx->command[0] == '\0') {
    snprintf(list, sizeof list, "#%" PRId32, static_cast<int32_t>(kArgCommand));
    used = 1;
  }
  if (used == 0) return kDone;
  clt_ast_put_format(ctx, kMsgParameter, list);
  return CLT_RC_BAD_ARGUMENT;
}

int32_t run(clt_cmd_ctx* ctx) {
  // Messages about the arguments already count from the start of the
  // buffer, not from whatever length the caller left there.
  if (ctx->output_length != nullptr) *ctx->output_length = 0;
  if (const int32_t rc = check_arguments(ctx); rc != kDone) return rc;
  if (clt_cmd_getenv(ctx) != 0) return kSettingsWrong;
  clt_ast_trc_open(ctx);
  clt_ast_trc_header(ctx);
  if (!connect_any(ctx)) {
    put_reason(ctx, kReasonNotUp);
    return kFailed;
  }
  int32_t result = converse(ctx);
  if (clt_ast_close(ctx) != 0 && result == kDone) {
    put_reason(ctx, kReasonNetwork);
    result = kFailed;
  }
  return result;
}

}  // namespace

int32_t p_rdb_cmd_execute(const char* command, int32_t output_size, uint32_t* output_length, char* output,
                          int32_t* return_code, const char* group, uint32_t reserved) {
  const size_t command_len = command != nullptr ? strlen(command) : 0;
  const uint64_t record_len = uint64_t{CLT_AST_HEADER_SIZE} + command_len + 1;
  const uint64_t size = sizeof(clt_cmd_ctx) + record_len;
  // A block beyond 32 bits cannot be had, as an allocation that failed.
  auto* ctx = size <= UINT32_MAX ? static_cast<clt_cmd_ctx*>(cltmem_alloc_plain(static_cast<uint32_t>(size), 0))
                                 : nullptr;
  if (ctx == nullptr) {
    report_no_memory(static_cast<uint32_t>(size), output_size, output_length, output);
    return CLT_RC_NO_MEMORY;
  }
  cltmem_zero(ctx, static_cast<uint32_t>(size));
  memcpy(ctx->eyecatcher, kEyecatcher, sizeof kEyecatcher);
  ctx->command = command;
  ctx->output_size = output_size;
  ctx->output_length = output_length;
  ctx->output = output;
  ctx->return_code = return_code;
  ctx->group = group;
  ctx->reserved = reserved;
  ctx->sock = -1;
  ctx->command_record = reinterpret_cast<uint8_t*>(ctx + 1);
  ctx->command_record_len = static_cast<uint32_t>(record_len);

  const int32_t result = run(ctx);

  clt_ast_trc_close(ctx);
  clt_ast_trc_free(ctx);
  if (ctx->logon_reply != nullptr) cltmem_free_plain(ctx->logon_reply);
  if (ctx->command_reply != nullptr) cltmem_free_plain(ctx->command_reply);
  cltmem_free_plain(ctx);
  return result;
}
