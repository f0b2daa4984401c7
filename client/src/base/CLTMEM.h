// Memory of zelkit, its optional trace, and the sleep and clock that
// every retry loop uses.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct clt_global_data;

constexpr uint8_t CLT_MEMTRC_ON = 'Y';
constexpr uint8_t CLT_MEMTRC_OFF = 'N';

// Traced pair: the caller's module and line go into the memory trace.
void* cltmem_alloc(uint32_t size, int32_t reserved, const char* source, int32_t line);
void cltmem_free(void* block, const char* source, int32_t line);

// Untraced pair for code that runs without a current context.
void* cltmem_alloc_plain(uint32_t size, int32_t reserved);
void cltmem_free_plain(void* block);

void cltmem_zero(void* block, uint32_t size);

// Switches the context's memory trace on when the file that PDMEMTRCFILE
// names can be opened for appending; the file is never created.
void clt_memtrc_switch(clt_global_data* ctx);
// The memory-trace file: PDMEMTRCFILE of the process environment, or the default.
const char* clt_memtrc_path();

void clt_sleep_ms(uint32_t milliseconds);

struct clt_timeb {
  uint32_t seconds;        // since 1 January 1970, UTC
  uint16_t milliseconds;
};
void clt_get_timeb(clt_timeb* out);
