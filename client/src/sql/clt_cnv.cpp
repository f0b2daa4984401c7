#include "clt_cnv.h"

#include <dlfcn.h>
#include <errno.h>
#include <string.h>

#include <iterator>

#include "CLTCOMCTX.h"
#include "clt_cnv_sjis.h"
#include "clt_cnv_ucs2.h"
#include "clt_cnv_utf8.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr uint32_t kSetUp = 1;
constexpr uint8_t kSingleReplacement = '#';
constexpr uint16_t kEucReplacement = 0xA1F4;   // EUC "#"
constexpr uint16_t kSjisReplacement = 0x8194;  // SJIS "#"
constexpr uint16_t kWideReplacement = 0xFF03;  // U+FF03 full-width number sign
constexpr uint32_t kWideFactor = 3;
constexpr uint32_t kSameFactor = 1;
constexpr const char* kLoadLibrary = "LoadLibrary";
constexpr const char* kGetProcAddress = "GetProcAddress";

using converter = int32_t (*)(clt_cnv_run&);
struct converter_type {
  uint32_t type;
  converter run;
  bool bounded_when_measuring;  // measuring stops at the room too
};
constexpr converter_type kConverters[] = {
    {6, clt_cnv_sjis, true},       {7, clt_cnv_euc, false},       {10, clt_cnv_sjis_utf8, true},
    {11, clt_cnv_utf8_sjis, false}, {12, clt_cnv_ucs2_utf8, true}, {13, clt_cnv_utf8_ucs2, false},
    {14, clt_cnv_ucs2_euc, false},  {15, clt_cnv_euc_ucs2, false},
};

struct slot_setup {
  uint32_t type;
  uint16_t replacement;
  uint32_t flags;
};
struct mode_setup {
  slot_setup client;
  slot_setup server;
  uint32_t factor;  // slot 2's length factor
};
constexpr slot_setup kSjisToEuc{6, kEucReplacement, 0};
constexpr slot_setup kEucToSjis{7, kSjisReplacement, 0};
constexpr slot_setup kSjisToUtf8{10, kWideReplacement, 0};
constexpr slot_setup kUtf8ToSjis{11, kSjisReplacement, 0};
constexpr slot_setup kSjisToUtf8Ms{10, kWideReplacement, CLT_CNV_FLAG_CP932};
constexpr slot_setup kUtf8ToSjisMs{11, kSjisReplacement, CLT_CNV_FLAG_CP932};
constexpr slot_setup kSjisToUtf8Ex{10, kWideReplacement, CLT_CNV_FLAG_BACKSLASH};
constexpr slot_setup kUtf8ToSjisEx{11, kSjisReplacement, CLT_CNV_FLAG_BACKSLASH};
// Indexed by the mode code.
constexpr mode_setup kModes[] = {
    {kSjisToEuc, kEucToSjis, kSameFactor},                               // NOUSE
    {kSjisToEuc, kEucToSjis, kSameFactor},                               // AUTO
    {kSjisToEuc, kEucToSjis, kWideFactor},                               // EUCHJ
    {kSjisToEuc, kEucToSjis, kWideFactor},                               // UJIS
    {kSjisToEuc, kEucToSjis, kWideFactor},                               // EUCHJ2
    {kSjisToEuc, kEucToSjis, kWideFactor},                               // UJIS2
    {kSjisToUtf8, kUtf8ToSjis, kWideFactor},                             // UTF8
    {kSjisToUtf8Ms, kUtf8ToSjisMs, kWideFactor},                         // UTF8MS
    {kSjisToUtf8, kUtf8ToSjis, kSameFactor},                             // UTF8_TXT
    {kSjisToUtf8Ms, kUtf8ToSjisMs, kSameFactor},                         // UTF8MS_TXT
    {{12, kWideReplacement, 0}, {13, kWideReplacement, 0}, kSameFactor},  // UCS2_UTF8
    {{14, kEucReplacement, 0}, {15, kWideReplacement, 0}, kSameFactor},   // UCS2_UJIS
    {{14, kEucReplacement, 0}, {15, kWideReplacement, 0}, kSameFactor},   // UCS2_HJ
    {kSjisToUtf8Ex, kUtf8ToSjisEx, kWideFactor},                         // UTF8_EX
    {kSjisToUtf8, kUtf8ToSjisEx, kWideFactor},                           // UTF8_EX2
};

void set_slot(clt_cnv_slot& slot, const slot_setup& setup, uint32_t factor) {
  slot = clt_cnv_slot{};
  slot.type = setup.type;
  slot.replacement = setup.replacement;
  slot.single_replacement = kSingleReplacement;
  slot.flags = setup.flags;
  slot.convert = kSetUp;
  slot.factor = factor;
}

const converter_type* converter_of(uint32_t type) {
  for (const converter_type& c : kConverters) {
    if (c.type == type) return &c;
  }
  return nullptr;
}

}  // namespace

int32_t clt_cnv_convert_env(clt_env& env, int32_t slot, int32_t* source_length, const char* source,
                            int32_t* target_size, char* target, int32_t* output_length, uint32_t* replaced,
                            uint32_t mode) {
  if (slot < CLT_CNV_SLOT_CLIENT || slot > CLT_CNV_SLOT_SERVER || env.cnv_state[slot - 1] != kSetUp) {
    return CLT_CNV_FAILED;
  }
  clt_cnv_slot& s = env.cnv_slot[slot - 1];
  env.cnv_current = slot;
  s.source_length = source_length;
  s.source = reinterpret_cast<const uint8_t*>(source);
  s.target_size = target_size;
  s.target = reinterpret_cast<uint8_t*>(target);
  s.output_length = output_length;
  s.replaced = replaced;
  s.mode = mode;
  *output_length = 0;
  *replaced = 0;
  if (*source_length < 0) return CLT_CNV_FAILED;
  // An empty text is legal whatever room its caller sized.
  if (*source_length == 0) return CLT_CNV_DONE;
  if (*target_size <= 0) return CLT_CNV_FAILED;
  const converter_type* c = converter_of(s.type);
  if (c == nullptr) return CLT_CNV_FAILED;
  clt_cnv_run r = clt_cnv_start(env, s, c->bounded_when_measuring);
  const int32_t result = c->run(r);
  *output_length = r.out;
  if (r.replaced) *replaced |= CLT_CNV_REPLACED;
  return result;
}

int32_t clt_cnv_convert(int32_t slot, int32_t* source_length, const char* source, int32_t* target_size,
                        char* target, int32_t* output_length, uint32_t* replaced, uint32_t mode) {
  clt_env* env = clt_current_env();
  if (env == nullptr) return CLT_CNV_FAILED;
  return clt_cnv_convert_env(*env, slot, source_length, source, target_size, target, output_length, replaced,
                             mode);
}

void clt_cnv_setup(clt_env* env, uint8_t mode) {
  const mode_setup& m = kModes[mode < std::size(kModes) ? mode : uint8_t{CLT_CNV_NOUSE}];
  set_slot(env->cnv_slot[0], m.client, kSameFactor);
  set_slot(env->cnv_slot[1], m.server, m.factor);
  env->cnv_state[0] = kSetUp;
  env->cnv_state[1] = kSetUp;
}

uint32_t clt_cnv_length_factor(const clt_env& env) {
  const int32_t server = CLT_CNV_SLOT_SERVER - 1;
  return env.cnv_state[server] == kSetUp ? env.cnv_slot[server].factor : kSameFactor;
}

void clt_cnv_load_user(clt_env* env) {
  clt_cnv_release_user(env);
  if (!clt_cnv_gaiji_named(*env)) return;
  errno = 0;
  env->gaiji_handle = dlopen(env->pdcltgaijidll, RTLD_NOW | RTLD_LOCAL);
  if (env->gaiji_handle == nullptr) {
    clt_errlog_msg(CLT_LOG_SYSCALL_ERROR, kLoadLibrary, errno);
    return;
  }
  errno = 0;
  void* function = dlsym(env->gaiji_handle, env->pdcltgaijifunc);
  if (function == nullptr) {
    clt_errlog_msg(CLT_LOG_SYSCALL_ERROR, kGetProcAddress, errno);
    return;
  }
  env->gaiji_func = reinterpret_cast<clt_cnv_user_fn>(function);
}

void clt_cnv_release_user(clt_env* env) {
  env->gaiji_func = nullptr;
  if (env->gaiji_handle != nullptr) dlclose(env->gaiji_handle);
  env->gaiji_handle = nullptr;
}
