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

// Reply buffers grow in steps of this many bytes.
constexpr uint32_t CLT_REPLY_STEP = 4096;

// `n` rounded up to a whole number of steps (in 64 bits: never wraps).
constexpr uint64_t clt_round_step(uint64_t n) { return (n + CLT_REPLY_STEP - 1) / CLT_REPLY_STEP * CLT_REPLY_STEP; }

// The next size of a buffer that grows as a peer's bytes arrive, never
// ahead of them: a header may announce gigabytes that never come. It holds
// at least `need` bytes, doubles what is held (whole steps) so that the
// copies stay linear, and never passes `limit`, the most the reply can take.
constexpr uint32_t clt_grow_size(uint32_t have, uint64_t need, uint64_t limit) {
  const uint64_t doubled = clt_round_step(2 * static_cast<uint64_t>(have) > CLT_REPLY_STEP ? 2 * static_cast<uint64_t>(have)
                                                                                           : CLT_REPLY_STEP);
  const uint64_t size = clt_round_step(need) > doubled ? clt_round_step(need) : doubled;
  const uint64_t cap = limit < UINT32_MAX ? limit : UINT32_MAX;
  return static_cast<uint32_t>(size < cap ? size : cap);
}

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
