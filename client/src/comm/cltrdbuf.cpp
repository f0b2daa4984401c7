#include "cltrdbuf.h"

#include <string.h>

#include "CLTMEM.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltrdbuf";

// Grows one buffer to at least `needed` bytes (whole steps); a buffer
// that is large enough stays.
int32_t grow(clt_rd_buffer* b, uint64_t needed, rdb_sql_area* area) {
  const uint64_t size = clt_round_step(needed);
  if (b->data != nullptr && b->size >= size) return 0;
  if (size > static_cast<uint64_t>(CLT_SIZE_MAX)) {
    clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
               CLT_MEMORY_AREA_PROCESS, UINT32_MAX);
    return CLT_RD_E_REPORTED;
  }
  void* fresh = cltmem_alloc(static_cast<uint32_t>(size), 0, kModule, __LINE__);
  if (fresh == nullptr) {
    clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
               CLT_MEMORY_AREA_PROCESS, static_cast<uint32_t>(size));
    return CLT_RD_E_REPORTED;
  }
  if (b->data != nullptr) cltmem_free(b->data, kModule, __LINE__);
  b->data = static_cast<uint8_t*>(fresh);
  b->size = static_cast<uint32_t>(size);
  return 0;
}

void release(clt_rd_buffer* b) {
  if (b->data != nullptr) cltmem_free(b->data, kModule, __LINE__);
  b->data = nullptr;
  b->size = 0;
}

}  // namespace

int32_t clt_rd_prepare_buffers(clt_rd_link* link, uint32_t request_len, uint32_t reply_capacity, rdb_sql_area* area) {
  if (grow(&link->send, uint64_t{request_len} + CLT_RD_BUFFER_MARGIN, area) != 0) return CLT_RD_E_REPORTED;
  if (grow(&link->recv, uint64_t{reply_capacity} + CLT_RD_BUFFER_MARGIN, area) != 0) return CLT_RD_E_REPORTED;
  memset(link->send.data, 0, link->send.size);
  memset(link->recv.data, 0, link->recv.size);
  return 0;
}

int32_t clt_rd_prepare_third(clt_rd_link* link, uint32_t needed, rdb_sql_area* area) {
  return grow(&link->third, needed, area);
}

void clt_rd_free_link_buffers(clt_rd_link* link) {
  release(&link->send);
  release(&link->recv);
  release(&link->third);
}
