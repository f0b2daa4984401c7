#include "cltsqlbf.h"

#include <string.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTSQLAN.h"
#include "CLTSQLBR.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltsqlbf";
constexpr char kTag[CLT_BLKF_TAG_SIZE] = "##blkft";
constexpr char kYes = 'Y';
constexpr char kNo = 'N';
constexpr uint32_t kCsnaCodeSize = 2;
constexpr uint16_t kFlagRoom = INT16_MAX;  // the most variables an SQLDA describes

clt_blkf_entry* head_of(const clt_main* main) { return static_cast<clt_blkf_entry*>(main->blkf_list); }

int32_t no_memory(rdb_sql_area* area, int32_t line, uint32_t size) {
  return clt_report(area, kModule, line, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                    CLT_MEMORY_AREA_PROCESS, size);
}

// The request's extended cursor name: a length word, then the text.
struct ext_name {
  int16_t length;
  char text[CLT_BLKF_NAME_SIZE];
};

uint16_t ext_length_of(const ext_name* name) { return static_cast<uint16_t>(std::max<int16_t>(name->length, 0)); }

size_t ext_bytes(uint16_t length) { return std::min<size_t>(length, CLT_BLKF_NAME_SIZE); }

bool matches(const clt_blkf_entry* e, const rdb_sql_area* area) {
  if (e->ext_flag == kYes) {
    const auto* name = static_cast<const ext_name*>(area->extcursname);
    return name != nullptr && ext_length_of(name) == e->ext_length &&
           memcmp(name->text, e->ext_name, ext_bytes(e->ext_length)) == 0;
  }
  return e->section == area->section && e->stmtid == area->stmtid &&
         memcmp(e->name1, area->name1, CLT_BLKF_NAME_SIZE) == 0 &&
         memcmp(e->name2, area->name2, CLT_BLKF_NAME_SIZE) == 0;
}

void free_entry(clt_blkf_entry* e) {
  for (void* owned : {static_cast<void*>(e->block), static_cast<void*>(e->sqlda), static_cast<void*>(e->flags),
                      static_cast<void*>(e->csna)}) {
    if (owned != nullptr) cltmem_free(owned, kModule, __LINE__);
  }
  cltmem_free(e, kModule, __LINE__);
}

// A copy of `size` bytes of `source` into *copy; -1 after reporting.
int32_t copy_block(rdb_sql_area* area, int32_t line, const void* source, uint32_t size, void** copy) {
  *copy = cltmem_alloc(size, 0, kModule, line);
  if (*copy == nullptr) return no_memory(area, line, size);
  memcpy(*copy, source, size);
  return 0;
}

constexpr size_t kCsnaCounts[] = {CLT_CSNA_CODES, CLT_CSNA_CODES_USED, CLT_CSNA_NAMES, CLT_CSNA_NAMES_USED};
constexpr size_t kCsnaNamePart = 2 + CLT_BLKF_NAME_SIZE;

int32_t csna_used(const void* csna, size_t used, size_t room) {
  return std::max<int32_t>(std::min(clt_csna_count(csna, used), clt_csna_count(csna, room)), 0);
}

}  // namespace

clt_flag_copy clt_blkf_flags(const clt_blkf_entry* e, uint16_t columns) {
  const uint16_t within = std::min<uint16_t>(columns, kFlagRoom);
  return clt_flag_copy{e->flags, static_cast<uint16_t>(e->flags != nullptr ? within : 0)};
}

int32_t clt_blkf_keep_flags(rdb_sql_area* area, clt_blkf_entry* e, const clt_flag_copy& kept) {
  e->flags = kept.bytes;
  constexpr uint16_t room = kFlagRoom;
  if (kept.bytes == nullptr || kept.count >= room) return 0;
  auto* wide = static_cast<uint8_t*>(cltmem_alloc(room, 0, kModule, __LINE__));
  if (wide == nullptr) return no_memory(area, __LINE__, room);
  memcpy(wide, kept.bytes, kept.count);
  memset(wide + kept.count, 0, room - kept.count);
  cltmem_free(kept.bytes, kModule, __LINE__);
  e->flags = wide;
  return 0;
}

bool clt_blkf_csna_same(const clt_blkf_entry* e, const void* csna) {
  const void* kept = e->csna;
  if (kept == nullptr || csna == nullptr) return kept == csna;
  for (size_t at : kCsnaCounts) {
    if (clt_csna_count(kept, at) != clt_csna_count(csna, at)) return false;
  }
  const auto* a = static_cast<const uint8_t*>(csna);
  const auto* b = static_cast<const uint8_t*>(kept);
  // The copy holds what the counts allocate; the in-use counts stay within.
  const int32_t indexes = csna_used(csna, CLT_CSNA_CODES_USED, CLT_CSNA_CODES);
  if (memcmp(a + CLT_CSNA_ENTRIES, b + CLT_CSNA_ENTRIES, kCsnaCodeSize * static_cast<size_t>(indexes)) != 0) {
    return false;
  }
  const size_t names = CLT_CSNA_ENTRIES + kCsnaCodeSize * static_cast<size_t>(std::max<int16_t>(clt_csna_count(csna, CLT_CSNA_CODES), 0));
  for (int32_t k = 0; k < csna_used(csna, CLT_CSNA_NAMES_USED, CLT_CSNA_NAMES); ++k) {
    for (size_t part : {size_t{0}, kCsnaNamePart}) {
      const size_t at = names + CLT_WIRE_CSNA_NAME * static_cast<size_t>(k) + part;
      uint16_t la, lb;
      memcpy(&la, a + at, sizeof la);
      memcpy(&lb, b + at, sizeof lb);
      if (la != lb || memcmp(a + at + 2, b + at + 2, std::min<size_t>(la, CLT_BLKF_NAME_SIZE)) != 0) return false;
    }
  }
  return true;
}

clt_blkf_entry* clt_blkf_current() {
  const clt_main* main = clt_cur_main();
  return main != nullptr ? static_cast<clt_blkf_entry*>(main->blkf_current) : nullptr;
}

int32_t clt_blkf_add(rdb_sql_area* area) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  const clt_env* env = clt_main_env(main);
  auto* e = static_cast<clt_blkf_entry*>(cltmem_alloc(sizeof(clt_blkf_entry), 0, kModule, __LINE__));
  if (e == nullptr) return no_memory(area, __LINE__, sizeof(clt_blkf_entry));
  memset(e, 0, sizeof *e);
  memcpy(e->tag, kTag, sizeof e->tag);
  e->rows_setting = static_cast<uint16_t>(env->pdblkf);
  e->section = area->section;
  memcpy(e->name1, area->name1, CLT_BLKF_NAME_SIZE);
  memcpy(e->name2, area->name2, CLT_BLKF_NAME_SIZE);
  e->stmtid = area->stmtid;
  e->ext_flag = kNo;
  if (area->extcursname != nullptr) {
    const auto* name = static_cast<const ext_name*>(area->extcursname);
    e->ext_flag = kYes;
    e->ext_length = ext_length_of(name);
    memcpy(e->ext_name, name->text, ext_bytes(e->ext_length));
  }
  if (clt_sqlda_check(area) != 0) {
    cltmem_free(e, kModule, __LINE__);
    return -1;
  }
  // The entry keeps the reply buffer the check sized; the next exchange
  // gets a new one.
  clt_com_conn* com = clt_main_com(main);
  clt_com_call& call = ctx->runtime.com;
  e->block = call.reply_buf;
  e->reply_size = com->reply_len;
  e->reply_buf_size = com->reply_buf_size;
  call.reply_buf = nullptr;
  call.reply_cur = nullptr;
  com->reply_len = 0;
  com->reply_buf_size = 0;

  const clt_reply_conn* rc = clt_main_reply(main);
  const SQLDA* da = area->sqliasda;
  if (rc->desc_caching != 0 && da != nullptr) {
    // The header and the variables in use; 16 + 16 x sqld on the 32-bit layout.
    const auto size = static_cast<uint32_t>(offsetof(SQLDA, sqlvar) +
                                            sizeof(SQLVAR) * static_cast<size_t>(std::max<int16_t>(da->sqld, 0)));
    void* copy = nullptr;
    if (copy_block(area, __LINE__, da, size, &copy) != 0) {
      free_entry(e);
      return -1;
    }
    e->sqlda = static_cast<SQLDA*>(copy);
  }
  e->sqlda_form = rc->descriptor_form != 0 ? 0 : 1;
  if (area->sqlcsna1 != nullptr) {
    void* copy = nullptr;
    if (copy_block(area, __LINE__, area->sqlcsna1, clt_csna_size(area->sqlcsna1), &copy) != 0) {
      free_entry(e);
      return -1;
    }
    e->csna = static_cast<uint8_t*>(copy);
  }
  e->next = head_of(main);
  main->blkf_list = e;
  main->blkf_current = e;
  return 0;
}

int32_t clt_blkf_find(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  main->blkf_current = nullptr;
  for (clt_blkf_entry* e = head_of(main); e != nullptr; e = e->next) {
    if (matches(e, area)) {
      main->blkf_current = e;
      break;
    }
  }
  return 0;
}

int32_t clt_blkf_release(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  main->blkf_current = nullptr;
  for (auto** link = reinterpret_cast<clt_blkf_entry**>(&main->blkf_list); *link != nullptr; link = &(*link)->next) {
    clt_blkf_entry* e = *link;
    if (matches(e, area)) {
      *link = e->next;
      free_entry(e);
      break;
    }
  }
  return 0;
}

int32_t clt_blkf_free_unheld(rdb_sql_area*) {
  clt_main* main = clt_cur_main();
  main->blkf_current = nullptr;
  auto** link = reinterpret_cast<clt_blkf_entry**>(&main->blkf_list);
  while (*link != nullptr) {
    clt_blkf_entry* e = *link;
    if (e->hold != 0) {
      link = &e->next;
    } else {
      *link = e->next;
      free_entry(e);
    }
  }
  return 0;
}

int32_t clt_blkf_free_every(rdb_sql_area*) {
  clt_main* main = clt_cur_main();
  clt_blkf_entry* e = head_of(main);
  main->blkf_list = nullptr;
  main->blkf_current = nullptr;
  while (e != nullptr) {
    clt_blkf_entry* next = e->next;
    free_entry(e);
    e = next;
  }
  return 0;
}

int32_t clt_close_cleanup(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  clt_blkf_find(area);
  const bool found = main->blkf_current != nullptr;
  main->blkf_current = nullptr;
  if (found && clt_blkf_configured(main, clt_main_env(main))) clt_blkf_release(area);
  clt_reply_conn* rc = clt_main_reply(main);
  clt_reply_drop_description(rc);
  if (main->funccode == CLT_FC_CLOS) clt_reply_free_work(rc);
  return 0;
}
