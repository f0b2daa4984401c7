// Client information, facts about the embedded-SQL connection, the
// caller parameter and the audit information of the next requests, and
// the erasing of the client settings from the environment.
#include "CLTCLINF.h"

#include <arpa/inet.h>
#include <stdlib.h>
#include <string.h>

#include <array>
#include <string_view>

#include "CLTCNTL.h"
#include "CLTLIBMN.h"
#include "CLTSQLDA.h"
#include "CLTTRCEL.h"
#include "zk_seam.h"
#include "CLTUTL.h"
#include "CLTUTLEV.h"
#include "zelkit.h"
#include "zk_codes.h"

namespace {

// Audit reports carry the request module's name, as every embedded-SQL
// report does.
constexpr char kModule[] = "CLTLIBMN";

constexpr int32_t kNotConnected = -40;
constexpr int32_t kNoParameter = -1;

// The context that these exports work on, held for the length of the call.
class static_context {
 public:
  static_context() : held_(clt_take_context(&clt_global)) {}
  ~static_context() { release(); }
  static_context(const static_context&) = delete;
  static_context& operator=(const static_context&) = delete;

  bool held() const { return held_; }
  void release() {
    if (held_) clt_release_context();
    held_ = false;
  }
  bool take() {
    held_ = clt_take_context(&clt_global);
    return held_;
  }

 private:
  bool held_;
};

// --- p_rdb_cltinf ---

constexpr char kVersionText[10] = "08-04   ";  // 8 characters and two zero bytes
constexpr int32_t kVersionWord = 0x80400;
constexpr int32_t kInterfaceLevel = -27;
constexpr int32_t kClientInfo5 = 0x10003;

enum : int32_t {
  kCltVersionText = 1,
  kCltVersionWord = 2,
  kCltVersionWord2 = 3,
  kCltLevel = 4,
  kCltInfo5 = 5,
};

// --- p_rdb_get_CltInf ---

enum : int16_t {
  kItemHost = 1,
  kItemPort = 2,
  kItemConnected = 3,
  kItemVersion = 4,
  kItemServerKind = 5,
  kItemCodeset = 6,
  kItemByte26 = 9,
  kItemByte27 = 10,
  kItemFlags = 11,
};

constexpr size_t kCodesetSize = sizeof(clt_main::srv_codeset);
constexpr int16_t kTextMinimum = -1;  // the host text's own length
constexpr int16_t kFlagMinimum = 2;   // the flag and a zero byte

struct info_item {
  int16_t item;
  bool needs_connection;
  bool needs_srvinf;
  int16_t minimum;
};

constexpr info_item kInfoItems[] = {
    {kItemHost, true, false, kTextMinimum},
    {kItemPort, true, false, sizeof(uint16_t)},
    {kItemConnected, false, false, kFlagMinimum},
    {kItemVersion, true, false, CLT_SERVER_VERSION_SIZE},
    {kItemServerKind, true, false, sizeof(int32_t)},
    {kItemCodeset, true, false, kCodesetSize},
    {kItemByte26, true, true, sizeof(uint8_t)},
    {kItemByte27, true, true, sizeof(uint8_t)},
    {kItemFlags, true, true, sizeof(int32_t)},
};

constexpr int32_t kSrvTypeSecondProtocol = 2;
constexpr int32_t kServerKindSecondProtocol = 3;
constexpr int32_t kServerKindU = 2;
constexpr int32_t kServerKindOther = 1;
constexpr size_t kVersionPlatformChar = 8;
constexpr char kPlatformU = 'U';

constexpr char kUnicodeCodeset[] = "5u";
constexpr uint8_t kByte26One = 1;
constexpr uint8_t kByte26Three = 3;
constexpr int32_t kFlagByte26One = 1;
constexpr int32_t kFlagByte26Three = 3;
constexpr int32_t kFlagByte27Yes = 4;
constexpr uint8_t kYes = 'Y';
constexpr uint8_t kNo = 'N';

const info_item* find_item(int16_t item) {
  for (const info_item& i : kInfoItems) {
    if (i.item == item) return &i;
  }
  return nullptr;
}

const char* host_text(clt_main* main) { return clt_main_env(main)->pdfeshost; }
int16_t host_length(clt_main* main) {
  return static_cast<int16_t>(strnlen(host_text(main), sizeof(clt_env::pdfeshost)));
}

// What an item answers: the bytes that may go into the caller's buffer
// and the length reported.
struct info_reply {
  uint8_t bytes[sizeof(clt_env::pdfeshost) + 1];
  size_t available;
  int16_t length;

  void put(const void* data, size_t size, int16_t reported) {
    memcpy(bytes, data, size);
    available = size;
    length = reported;
  }
  template <typename T>
  void put_value(T value) {
    put(&value, sizeof(value), sizeof(value));
  }
};

int32_t server_kind(const clt_main* main) {
  if (clt_env_get(main, clt_setting::srvtype) == kSrvTypeSecondProtocol) {
    return kServerKindSecondProtocol;
  }
  return main->srv_version[kVersionPlatformChar] == kPlatformU ? kServerKindU : kServerKindOther;
}

// The code-set condition covers byte 26 only; the byte-27 flag always counts.
int32_t srvinf_flags(const clt_main* main) {
  const auto* info = static_cast<const uint8_t*>(main->srvinf);
  int32_t flags = 0;
  if (memcmp(info + CLT_SRVINF_CODESET, kUnicodeCodeset, kCodesetSize) != 0) {
    if (main->srvinf_byte26 == kByte26One) flags += kFlagByte26One;
    if (main->srvinf_byte26 == kByte26Three) flags += kFlagByte26Three;
  }
  if (main->srvinf_byte27 == kYes) flags += kFlagByte27Yes;
  return flags;
}

info_reply answer(clt_main* main, int16_t item) {
  info_reply r{};
  switch (item) {
    case kItemHost: {
      int16_t length = host_length(main);
      r.put(host_text(main), static_cast<size_t>(length), length);
      r.bytes[length] = '\0';
      ++r.available;  // the zero byte goes in when there is room
      break;
    }
    case kItemPort:
      r.put_value(ntohs(main->srv_port));
      break;
    case kItemConnected: {
      const uint8_t flag[] = {main && main->connected == 1 ? kYes : kNo, '\0'};
      r.put(flag, sizeof(flag), 1);
      break;
    }
    case kItemVersion:
      r.put(main->srv_version, CLT_SERVER_VERSION_SIZE, CLT_SERVER_VERSION_SIZE);
      break;
    case kItemServerKind:
      r.put_value(server_kind(main));
      break;
    case kItemCodeset:
      r.put(main->srv_codeset, kCodesetSize, kCodesetSize);
      break;
    case kItemByte26:
      r.put_value(main->srvinf_byte26);
      break;
    case kItemByte27:
      r.put_value(main->srvinf_byte27);
      break;
    case kItemFlags:
      r.put_value(srvinf_flags(main));
      break;
    default:
      break;
  }
  return r;
}

// Asks the server for its information once per connection, through a
// request area of its own: the caller's last area may no longer exist.
// A failed request keeps nothing.
int32_t fetch_server_info(static_context& context) {
  auto* info = static_cast<uint8_t*>(malloc(CLT_SRVINF_SIZE));
  if (!info) return CLT_RC_NO_MEMORY;
  rdb_sql_area own{};
  SQLCA sqlca{};
  own.sqlca = &sqlca;
  own.srvinfbuf = info;
  rdb_sql_area* last = clt_cur_main()->area;
  context.release();
  int32_t result = p_rdb_srvinf(CLT_SRVINF_ITEM_GENERAL, &own);
  bool again = context.take();
  // The running area names no area that ends with this call.
  if (again && clt_cur_main() && clt_cur_main()->area == &own) clt_cur_main()->area = last;
  if (!again) {
    free(info);
    return CLT_RC_CALL_RUNNING;
  }
  // While the context was free another call may have ended the connection.
  clt_main* now = clt_cur_main();
  if (result != 0 || !now || now->connected != 1) {
    free(info);
    return CLT_RC_BAD_ARGUMENT;
  }
  if (now->srvinf) {
    free(info);  // another call fetched it meanwhile
    return 0;
  }
  now->srvinf = info;
  now->srvinf_byte26 = info[CLT_SRVINF_BYTE26];
  now->srvinf_byte27 = info[CLT_SRVINF_BYTE27] ? info[CLT_SRVINF_BYTE27] : kNo;
  return 0;
}

int32_t client_info(int16_t item, int16_t size, int16_t* length, uint8_t* buffer,
                    static_context& context) {
  const info_item* rule = find_item(item);
  if (!rule) return CLT_RC_BAD_ARGUMENT;
  clt_main* main = clt_cur_main();
  bool connected = main && main->connected == 1;
  if (rule->needs_connection && !connected) return kNotConnected;
  int16_t minimum = rule->minimum == kTextMinimum ? host_length(main) : rule->minimum;
  if (size < minimum) return CLT_RC_BAD_ARGUMENT;
  if (rule->needs_srvinf && !main->srvinf) {
    int32_t fetched = fetch_server_info(context);
    if (fetched != 0) return fetched;
    main = clt_cur_main();
  }
  info_reply r = answer(main, item);
  size_t room = static_cast<size_t>(size);
  memcpy(buffer, r.bytes, r.available < room ? r.available : room);
  *length = r.length;
  return 0;
}

// --- p_rdb_setaudinf ---

enum : int32_t { kModeItems = 0, kModeExtended = 2 };

constexpr int16_t kAuditVariables = 2;
constexpr uint8_t kCodeInteger = 0xF0;
constexpr uint8_t kCodeTerminated = 0x30;
constexpr uint8_t kCodeTerminatedNullable = 0x31;
constexpr uint8_t kCodeCounted = 0xC0;
constexpr uint8_t kCodeCountedNullable = 0xC1;
constexpr int16_t kNullIndicator = -1;
constexpr int32_t kExtendedItems = 1;

constexpr char kUsing[] = "(using)";

int32_t items_of(int32_t mode) {
  return mode == kModeItems ? static_cast<int32_t>(CLT_AUDIT_SHORT_SLOTS) : kExtendedItems;
}
int32_t text_limit(int32_t mode) {
  return static_cast<int32_t>(mode == kModeItems ? CLT_AUDIT_TEXT_SIZE : CLT_AUDIT_LONG_TEXT_SIZE);
}

struct audit_value {
  int32_t item = 0;
  bool null_value = false;
  int32_t length = 0;
  const char* text = nullptr;
};

void report_completed(rdb_sql_area* area) {
  clt_msg_token token;
  clt_set_msg(CLT_MSG_COMPLETED, &token, 0);
  SQLCA* sqlca = area->sqlca;
  clt_reset_sqlca(sqlca);
  clt_set_sqlca(sqlca, kModule, __LINE__, 0, 0, 0, 0, &token, nullptr);
  clt_set_sqlstate(area, CLT_SQLSTATE_DEFAULT);
  memset(sqlca->sqlerrp, ' ', sizeof(sqlca->sqlerrp));
  memset(sqlca->sqlerrd, 0, sizeof(sqlca->sqlerrd));
  memset(sqlca->sqlwarn, ' ', sizeof(sqlca->sqlwarn));
}

// A refused variable: the report, and its line of the given kind in the error log.
int32_t report_type(rdb_sql_area* area, int32_t number, const SQLVAR& var, int32_t log_kind) {
  clt_report(area, kModule, __LINE__, CLT_SQL_VARIABLE_TYPE, CLT_SQLSTATE_VAR_TYPE, CLT_MSG_VARIABLE_TYPE, number,
             kUsing);
  clt_errlog_sqlvar(log_kind, number, &var);
  return -1;
}

int32_t report_address(rdb_sql_area* area, int32_t number) {
  return clt_report(area, kModule, __LINE__, CLT_SQL_VARIABLE_ADDRESS, CLT_SQLSTATE_DEFAULT,
                    CLT_MSG_VARIABLE_ADDRESS, number);
}

bool is_text_code(uint8_t code) {
  return code == kCodeTerminated || code == kCodeTerminatedNullable || code == kCodeCounted ||
         code == kCodeCountedNullable;
}

int32_t check_item(rdb_sql_area* area, const SQLVAR& var, int32_t mode, audit_value* value) {
  constexpr int32_t kNumber = 1;
  if (var.sqlcod != kCodeInteger) return report_type(area, kNumber, var, CLT_VAR_TYPE);
  // An item that cannot be read is reported as a bad address.
  if (!var.SQLDATA) return report_address(area, kNumber);
  memcpy(&value->item, var.SQLDATA, sizeof(value->item));
  if (value->item < 1 || value->item > items_of(mode)) return report_address(area, kNumber);
  return 0;
}

int32_t check_text(rdb_sql_area* area, const SQLVAR& var, int32_t mode, audit_value* value) {
  constexpr int32_t kNumber = 2;
  if (!is_text_code(var.sqlcod)) return report_type(area, kNumber, var, CLT_VAR_TYPE);
  int16_t indicator = 0;
  if (var.SQLIND) memcpy(&indicator, var.SQLIND, sizeof(indicator));
  if (indicator == kNullIndicator) {
    value->null_value = true;
    return 0;
  }
  if (!var.SQLDATA) return report_address(area, kNumber);
  const char* data = static_cast<const char*>(var.SQLDATA);
  if (var.sqlcod == kCodeCounted || var.sqlcod == kCodeCountedNullable) {
    int16_t counted = 0;
    memcpy(&counted, data, sizeof(counted));
    value->length = counted;
    value->text = data + sizeof(counted);
  } else {
    // The string is read no further than its declared length.
    int32_t declared = var.len.s.sqllen;
    size_t bound = static_cast<size_t>(declared > 0 ? declared : 0) + 1;
    int32_t length = static_cast<int32_t>(strnlen(data, bound));
    value->length = length > declared ? -1 : length;
    value->text = data;
  }
  if (value->length < 0 || value->length > text_limit(mode)) return report_type(area, kNumber, var, CLT_VAR_REAL_LENGTH);
  return 0;
}

// The variable list must be two variables that the list really holds.
int32_t check_variables(rdb_sql_area* area, int32_t mode, audit_value* value) {
  const SQLDA* da = area->sqliasda;
  if (da->sqld != kAuditVariables || da->sqln < kAuditVariables) {
    clt_report(area, kModule, __LINE__, CLT_SQL_VARIABLE_COUNT, CLT_SQLSTATE_VAR_COUNT, CLT_MSG_VARIABLE_COUNT);
    clt_errlog_sqlda(CLT_LOG_SQLN, da);
    return -1;
  }
  if (check_item(area, da->sqlvar[0], mode, value) != 0) return -1;
  return check_text(area, da->sqlvar[1], mode, value);
}

template <typename Slot>
void store_in(Slot& slot, const audit_value& value) {
  memset(slot.text, 0, sizeof(slot.text));
  if (value.null_value) {
    slot.length = CLT_AUDIT_NULL_LENGTH;
  } else {
    slot.length = static_cast<uint16_t>(value.length);
    memcpy(slot.text, value.text, static_cast<size_t>(value.length));
  }
  slot.set = 1;
}

// --- p_rdb_clearenv ---

// Each "NAME=marker" text lives in a slot of its own for the life of the
// process, since the environment keeps the pointer it is given.
constexpr size_t kEraseSlotSize = 50;
using erase_text = std::array<char, kEraseSlotSize>;

constexpr std::array<erase_text, CLT_ERASE_COUNT> make_erase_texts() {
  std::array<erase_text, CLT_ERASE_COUNT> texts{};
  const std::string_view marker = CLT_ENV_ERASE_MARK;
  for (size_t i = 0; i < CLT_ERASE_COUNT; ++i) {
    const std::string_view name = CLT_ERASE_LIST[i];
    if (name.size() + 1 + marker.size() >= kEraseSlotSize) throw "erase text too long";
    size_t at = 0;
    for (char c : name) texts[i][at++] = c;
    texts[i][at++] = '=';
    for (char c : marker) texts[i][at++] = c;
  }
  return texts;
}

std::array<erase_text, CLT_ERASE_COUNT> g_erase_texts = make_erase_texts();

}  // namespace

int32_t ZELKIT_CALLEE_POPS p_rdb_cltinf(int32_t item, void* result) {
  if (!result) return CLT_RC_BAD_ARGUMENT;
  switch (item) {
    case kCltVersionText:
      memcpy(result, kVersionText, sizeof(kVersionText));
      return 0;
    case kCltVersionWord:
    case kCltVersionWord2:
      memcpy(result, &kVersionWord, sizeof(kVersionWord));
      return 0;
    case kCltLevel:
      memcpy(result, &kInterfaceLevel, sizeof(kInterfaceLevel));
      return 0;
    case kCltInfo5:
      memcpy(result, &kClientInfo5, sizeof(kClientInfo5));
      return 0;
    default:
      return CLT_RC_BAD_ARGUMENT;
  }
}

int32_t p_rdb_get_CltInf(int16_t item, int16_t size, int16_t* length, void* buffer) {
  if (size < 1 || !length || !buffer) return CLT_RC_BAD_ARGUMENT;
  static_context context;
  if (!context.held()) return CLT_RC_CALL_RUNNING;
  return client_info(item, size, length, static_cast<uint8_t*>(buffer), context);
}

int32_t p_rdb_getparam(void* pointer) {
  if (!pointer) return CLT_RC_BAD_ARGUMENT;
  static_context context;
  if (!context.held()) return kNoParameter;
  clt_main* main = clt_cur_main();
  if (!main) return kNoParameter;
  main->param_flag = 1;
  main->param_pointer = pointer;
  return 0;
}

int32_t p_rdb_setaudinf(rdb_sql_area* area, int32_t mode) {
  static_context context;
  if (!context.held()) {
    // The running request reads the slots; they are not changed under it.
    if (area && area->sqlca) clt_refuse_second_call(area, kModule, __LINE__);
    return CLT_RC_CALL_RUNNING;
  }
  if (!area || !area->sqliasda || !area->sqlca || (mode != kModeItems && mode != kModeExtended)) {
    return CLT_RC_BAD_ARGUMENT;
  }
  report_completed(area);
  audit_value value;
  if (check_variables(area, mode, &value) != 0) return CLT_RC_ERROR;
  if (mode == kModeItems) {
    store_in(clt_global.audit[value.item - 1], value);
  } else {
    store_in(clt_global.audit_long, value);
  }
  return 0;
}

int32_t p_rdb_clearenv(void) {
  // unsetenv drops every entry of a name, duplicates too; the marker then
  // hides the name from every lookup until the caller sets it again.
  for (const char* name : CLT_ERASE_LIST) unsetenv(name);
  for (erase_text& text : g_erase_texts) putenv(text.data());
  return 0;
}
