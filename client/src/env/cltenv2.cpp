#include "cltenv2.h"

#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTUTLEV.h"
#include "zelkit.h"
#include "zk_codes.h"

namespace {

struct opt_keyword {
  const char* name;
  uint32_t value;
};

constexpr opt_keyword kSqlOptions[] = {
    {"FORCE_MERGE_JOIN", 1},
    {"SELECT_APSL_JOIN", 2},
    {"FORCE_NEST_JOIN", 4},
    {"SELECT_APSL_TABLE", 8},
    {"SELECT_APSL", 10},
    {"FLTS_INC_DATA_BES", 16},
    {"PRIOR_NEST_JOIN", 32},
    {"FLTS_MAX_NUMBER", 64},
    {"PRIOR_OR_INDEXES", 128},
    {"SORT_DATA_BES", 256},
    {"DETER_AND_INDEXES", 512},
    {"RAPID_GROUPING", 1024},
    {"FLTS_ONLY_DATA_BES", 2048},
    {"FLTS_SEPARATE_COLLECT_SVR", 2064},
    {"FORCE_TABLE_SCAN", 4096},
    {"PRIOR_INDEX", 8192},
    {"FORCE_PLURAL_INDEXES", 32768},
    {"DETER_WORK_TABLE_FOR_UPDATE", 131072},
    {"DERIVATIVE_COND", 262144},
    {"APPLY_ENHANCED_KEY_COND", 524288},
    {"PICKUP_MULTIPLE_ROWS_PLUGIN", 1048576},
    {"MOVE_UP_DERIVED_COND", 2097152},
};

constexpr opt_keyword kAdditionalOptions[] = {
    {"COST_BASE_2", 1},
    {"APPLY_HASH_JOIN", 2},
    {"PRIOR_HASH_JOIN", 8},
    {"PRIOR_HASH_SUBQ", 16},
    {"APPLY_JOIN_COND_FOR_VALUE_EXP", 32},
    {"DETER_DIV_SCAN", 8388608},
    {"LIMIT_EXEC_TREE", 16777216},
    {"DETER_JOIN_SQL", 67108864},
    {"FORCE_CROSS_JOIN_SQL", 134217728},
    {"DETER_SUBQ_SQL", 268435456},
    {"ALLOW_LAZY_SUBQ", 536870912},
    {"DETER_FSVR_DERIVATIVE_COND", 1073741824},
};

constexpr opt_keyword kSpareOptions[] = {
    {"BACKWARD_CUTOFF_UPDATE", 1},
};

struct opt_list {
  const opt_keyword* entries;
  size_t count;
};
constexpr opt_list kOptLists[CLT_OPT_LIST_COUNT] = {
    {kSqlOptions, std::size(kSqlOptions)},
    {kAdditionalOptions, std::size(kAdditionalOptions)},
    {kSpareOptions, std::size(kSpareOptions)},
};

constexpr const char* kOptNone = "NONE";
constexpr size_t kOptItemMax = 1048;

void set_ident(char* identifier, const char* item, size_t len) {
  const size_t n = len < CLT_OPT_IDENT_MAX ? len : CLT_OPT_IDENT_MAX;
  std::memcpy(identifier, item, n);
  identifier[n] = '\0';
}

// 1 when the item is a whole decimal number (value in *out), 0 when it is
// not a number, -1 when it is a number outside 0 to 2^32 - 1.
int number_item(const char* item, size_t len, uint32_t* out) {
  char buf[kOptItemMax];
  if (len >= sizeof buf) return 0;
  std::memcpy(buf, item, len);
  buf[len] = '\0';
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(buf, &end, 10);
  if (end == buf || *end != '\0') return 0;
  if (errno == ERANGE || n < 0 || n > static_cast<long long>(UINT32_MAX)) return -1;
  *out = static_cast<uint32_t>(n);
  return 1;
}

}  // namespace

int32_t clt_parse_optlist(const char* text, int16_t list, uint32_t* result, char* identifier) {
  if (text == nullptr || result == nullptr || identifier == nullptr || list < 0 || list >= CLT_OPT_LIST_COUNT)
    return CLT_OPT_BAD_ARGS;
  *result = 0;
  identifier[0] = '\0';
  if (*text == '\0' || *text == ',') return CLT_OPT_BAD_ITEM;

  const opt_list& keywords = kOptLists[list];
  const char* p = text;
  for (;;) {
    const size_t raw_len = std::strcspn(p, ",");
    const char* item = p;
    size_t len = raw_len;
    const bool quoted = len >= 2 && item[0] == '"' && item[len - 1] == '"';
    if (quoted) {
      ++item;
      len -= 2;
    }
    uint32_t n = 0;
    const int num = (quoted && len == 0) ? 1 : number_item(item, len, &n);
    if (num < 0) {
      set_ident(identifier, item, len);
      return CLT_OPT_BAD_NUMBER;
    }
    if (num > 0) {
      *result |= n;
    } else {
      if (len > CLT_OPT_IDENT_MAX) {
        set_ident(identifier, item, len);
        return CLT_OPT_BAD_ITEM;
      }
      char upper[CLT_OPT_IDENT_MAX + 1];
      for (size_t i = 0; i < len; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(item[i])));
      upper[len] = '\0';
      bool found = false;
      for (size_t i = 0; i < keywords.count && !found; ++i) {
        if (std::strcmp(upper, keywords.entries[i].name) == 0) {
          *result |= keywords.entries[i].value;
          found = true;
        }
      }
      if (!found && std::strcmp(upper, kOptNone) != 0) {
        set_ident(identifier, item, len);
        return CLT_OPT_BAD_ITEM;
      }
    }
    p += raw_len;
    if (*p == '\0') return 0;
    ++p;  // the ','
    if (*p == '\0' || *p == ',') {
      identifier[0] = '\0';
      return CLT_OPT_BAD_ITEM;
    }
  }
}

const char* clt_cnv_plugin_item(uint8_t code) {
  for (const auto& m : CLT_CNV_MODES)
    if (m.code == code) return m.plugin_item;
  return CLT_CNV_MODES[0].plugin_item;
}

namespace {

// Plug-in settings in the order of their items; the item name is the
// setting name without this prefix length.
constexpr const char* kPluginSettings[] = {"PDPLUGINNSUB"};
constexpr size_t kPluginPrefixLen = 8;
constexpr size_t kPluginAlign = 16;

}  // namespace

int32_t clt_build_plugin_env(const clt_env* env, clt_plugin_env* out, const char* conv_item) {
  std::memset(out, 0, sizeof *out);
  auto* bytes = reinterpret_cast<char*>(out);
  size_t used = sizeof out->length;
  // Writes one item with its NUL; false when it would not fit.
  auto append = [&](const std::string& item) {
    if (used + item.size() + 1 > sizeof *out) return false;
    std::memcpy(bytes + used, item.c_str(), item.size() + 1);
    used += item.size() + 1;
    return true;
  };

  bool fits = true;
  for (const char* setting : kPluginSettings) {
    char buf[CLT_ENV_VALUE_SIZE];
    if (clt_getenv_str_in(env, setting, buf, sizeof buf, nullptr, sizeof buf) == 0) continue;
    const char* value = buf + std::strspn(buf, " ");
    if (*value == '\0') continue;
    if (!(fits = append(std::string(setting + kPluginPrefixLen) + "=" + value))) break;
  }
  if (fits && conv_item != nullptr) fits = append(conv_item);
  const size_t rounded = (used + kPluginAlign - 1) / kPluginAlign * kPluginAlign;
  if (!fits || rounded > sizeof *out) {
    std::memset(out, 0, sizeof *out);
    return -1;
  }
  if (used > sizeof out->length) out->length = static_cast<uint16_t>(rounded);
  return 0;
}

namespace {

constexpr int32_t kResultTooLong = -90;

}  // namespace

int32_t p_rdb_get_plugin_env(void* result) {
  if (result == nullptr) return CLT_RC_BAD_ARGUMENT;
  // Another running call keeps its context pointer: the call is refused.
  if (!clt_take_context(&clt_global)) return CLT_RC_CALL_RUNNING;
  const clt_env* env = clt_global.main != nullptr ? clt_main_env(clt_global.main) : nullptr;
  clt_plugin_env block;
  const int32_t rc = clt_build_plugin_env(env, &block, nullptr);
  std::memcpy(result, &block, sizeof block);
  clt_release_context();
  return rc == 0 ? 0 : kResultTooLong;
}
