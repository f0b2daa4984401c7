#include "CLTMEM.h"

#include <fcntl.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "CLTCOMCTX.h"
#include "zk_seam.h"
#include "CLTUTL.h"
#include "cltclock.h"

namespace {

constexpr char kMemTraceVariable[] = "PDMEMTRCFILE";
constexpr char kMemTraceDefault[] = "/tmp/pdmem.trc";
constexpr size_t kTraceLineSize = 256;

bool memtrc_on() {
  clt_global_data* ctx = clt_cur();
  return ctx && ctx->memtrc == CLT_MEMTRC_ON;
}

}  // namespace

void* cltmem_alloc(uint32_t size, int32_t /*reserved*/, const char* source, int32_t line) {
  void* block = malloc(size);
  if (memtrc_on()) {
    char text[kTraceLineSize];
    snprintf(text, sizeof(text), "ALLOC:CLTMEM_HANDLE=%08" PRIxPTR ";SIZE=%" PRIu32 ";%s:%" PRId32 "\n",
             reinterpret_cast<uintptr_t>(block), size, clt_module_name(source), line);
    clt_trc_mem(text);
  }
  return block;
}

void cltmem_free(void* block, const char* source, int32_t line) {
  if (memtrc_on()) {
    char text[kTraceLineSize];
    snprintf(text, sizeof(text), "FREE: CLTMEM_HANDLE=%08" PRIxPTR ";%s:%" PRId32 "\n",
             reinterpret_cast<uintptr_t>(block), clt_module_name(source), line);
    clt_trc_mem(text);
  }
  free(block);
}

void* cltmem_alloc_plain(uint32_t size, int32_t /*reserved*/) { return malloc(size); }

void cltmem_free_plain(void* block) { free(block); }

void cltmem_zero(void* block, uint32_t size) { memset(block, 0, size); }

const char* clt_memtrc_path() {
  // Only the run-time library's environment names it, not the settings.
  const char* path = getenv(kMemTraceVariable);
  return path != nullptr ? path : kMemTraceDefault;
}

void clt_memtrc_switch(clt_global_data* ctx) {
  int fd = open(clt_memtrc_path(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd >= 0) {
    close(fd);
    ctx->memtrc = CLT_MEMTRC_ON;
  } else {
    ctx->memtrc = CLT_MEMTRC_OFF;
  }
}

void clt_sleep_ms(uint32_t milliseconds) {
  if (milliseconds == 0) return;
  clt_clock_sleep_ms(milliseconds);
}

void clt_get_timeb(clt_timeb* out) {
  clt_clock_reading now;
  clt_clock_now(&now);
  out->seconds = static_cast<uint32_t>(now.seconds);
  out->milliseconds = now.milliseconds;
}
