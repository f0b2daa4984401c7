// Settings of command execution: read once per call of p_rdb_cmd_execute,
// without a control block, first from the environment group that the
// caller names (a registry key or an ini file), then from the common
// sources.
#pragma once

#include <stdint.h>

struct clt_cmd_ctx;

// Buffer of every text lookup.
inline constexpr int32_t CLT_GRP_VALUE_SIZE = 576;
// The group's registry key exists under neither root.
inline constexpr int32_t CLT_GRP_NO_GROUP = -510;
inline constexpr const char* CLT_GRP_KEY_PREFIX = "Software\\VELMORA\\Marlo.INI\\";

// Group kinds.
inline constexpr char CLT_GRP_REGISTRY = '0';
inline constexpr char CLT_GRP_FILE = '1';

// Reads and checks the settings into the work block. 0, or -1 after the
// messages were put into the caller's output.
int32_t clt_cmd_getenv(clt_cmd_ctx* ctx);

// Number lookup: 0 with *value stored, or CLT_ENV_ABSENT, CLT_ENV_INVALID,
// CLT_ENV_RANGE, CLT_ENV_BAD_BASE or CLT_GRP_NO_GROUP.
int32_t clt_grp_getenv_num(const char* name, uint32_t* value, int32_t base, const clt_cmd_ctx* ctx);
// Text lookup into buf (size bytes, NUL-terminated): the value's length,
// 0 when absent.
int32_t clt_grp_getenv_str(const char* name, char* buf, int32_t size, const clt_cmd_ctx* ctx);
