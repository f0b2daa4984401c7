// SQL optimisation option lists, character-conversion modes and the
// plug-in environment block of the client settings.
#pragma once

#include <stdint.h>

#include "zk_records.h"

// Results of clt_parse_optlist.
inline constexpr int32_t CLT_OPT_BAD_ITEM = -1;    // empty item or unknown keyword
inline constexpr int32_t CLT_OPT_BAD_NUMBER = -2;  // negative or beyond 32 bits
inline constexpr int32_t CLT_OPT_BAD_ARGS = -128;
inline constexpr int32_t CLT_OPT_LIST_COUNT = 3;
inline constexpr int32_t CLT_OPT_IDENT_MAX = 30;   // identifier buffers hold 31 bytes

// Parses the comma-separated option list `text` (blanks already removed)
// against keyword list `list` (0 PDSQLOPTLVL, 1 PDADDITIONALOPTLVL, 2 spare)
// into the OR of its items. `identifier` receives the refused item.
int32_t clt_parse_optlist(const char* text, int16_t list, uint32_t* result, char* identifier);

// Character-conversion modes of PDCLTCNVMODE.
struct clt_cnv_mode {
  const char* keyword;
  uint8_t code;
  const char* plugin_item;  // conversion item of the plug-in block
};
inline constexpr clt_cnv_mode CLT_CNV_MODES[] = {
    {"NOUSE", 0, "CM=N"},       {"AUTO", 1, "CM=A"},       {"EUCHJ", 2, "CM=H"},
    {"UJIS", 3, "CM=J"},        {"EUCHJ2", 4, "CM=h"},     {"UJIS2", 5, "CM=j"},
    {"UTF8", 6, "CM=U"},        {"UTF8MS", 7, "CM=M"},     {"UTF8_TXT", 8, "CM=T"},
    {"UTF8MS_TXT", 9, "CM=t"},  {"UCS2_UTF8", 10, "CM=2U"}, {"UCS2_UJIS", 11, "CM=2J"},
    {"UCS2_HJ", 12, "CM=2H"},   {"UTF8_EX", 13, "CM=U"},   {"UTF8_EX2", 14, "CM=U"},
};
// The conversion item of a mode code.
const char* clt_cnv_plugin_item(uint8_t code);

// Builds the plug-in environment block into `out` from the plug-in settings
// (looked up with no settings file of a data source; `env` decides about the
// PDDIR ini file), followed by `conv_item` unless it is null. 0, or -1 when
// the items do not fit; `out` is then all zero.
int32_t clt_build_plugin_env(const clt_env* env, clt_plugin_env* out, const char* conv_item);
