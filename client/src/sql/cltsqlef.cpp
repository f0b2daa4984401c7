#include "cltsqlef.h"

#include <string.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTSQLDA.h"
#include "CLTSQLAN.h"
#include "CLTUTL.h"
#include "cltsqlbf.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "cltsqlef";
constexpr char kYes = 'Y';
constexpr char kBlank = ' ';
constexpr uint32_t kConnectionMark = 2;  // CONNECT has set up the byte order
constexpr uint32_t kLongBinary = 32000;
constexpr uint32_t kSqldaHead = sizeof(clt_fetch_desc_head::sqlda);
static_assert(offsetof(SQLDA, sqlvar) == kSqldaHead, "the SQLDA's header is 16 bytes on every build");

bool level_at_least(const clt_main* main, uint32_t n) {
  return clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), n);
}

int32_t variables(const SQLDA* da) { return da != nullptr ? std::max<int16_t>(da->sqld, 0) : 0; }

// The 16 bytes of a variable that the image keeps; the comparison reads
// its code, XDIM, sqllen and SYS.
void image_of(const SQLVAR& v, uint8_t* out) {
  memset(out, 0, CLT_FETCH_DESC_VAR);
  memcpy(out, &v, std::min(sizeof v, size_t{CLT_FETCH_DESC_VAR}));
}

// Whether the caller's SQLDA or cursor differs from the saved description.
bool description_changed(const uint8_t* saved, const rdb_sql_area* area) {
  const auto* head = reinterpret_cast<const clt_fetch_desc_head*>(saved);
  // The whole identification: two cursors under one section number with
  // SQLDAs of one shape would otherwise share a description.
  if (memcmp(head->name1, area->name1, sizeof head->name1) != 0 ||
      memcmp(head->name2, area->name2, sizeof head->name2) != 0 || head->stmtid != area->stmtid ||
      head->section != area->section) {
    return true;
  }
  const SQLDA* da = area->sqliasda;
  SQLDA saved_head{};
  memcpy(&saved_head, head->sqlda, kSqldaHead);
  if (da == nullptr || saved_head.sqln != da->sqln || saved_head.sqld != da->sqld) return true;
  const int32_t count = variables(da);
  const uint8_t* image = saved + sizeof *head;
  for (int32_t i = 0; i < count; ++i, image += CLT_FETCH_DESC_VAR) {
    SQLVAR was{};
    memcpy(&was, image, std::min(sizeof was, size_t{CLT_FETCH_DESC_VAR}));
    const SQLVAR& now = da->sqlvar[i];
    if (was.sqlcod != now.sqlcod || was.len.s.sqllen != now.len.s.sqllen || was.XDIM != now.XDIM ||
        was.len.s.SYS != now.len.s.SYS) {
      return true;
    }
  }
  return false;
}

// Keeps the description that the FETCH carried for the next one.
int32_t save_description(clt_reply_conn* rc, rdb_sql_area* area) {
  const SQLDA* da = area->sqliasda;
  const uint32_t size = CLT_FETCH_DESC_HEAD + CLT_FETCH_DESC_VAR * static_cast<uint32_t>(variables(da));
  auto* saved = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, __LINE__));
  if (saved == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, size);
  }
  clt_fetch_desc_head head{};
  memcpy(head.name1, area->name1, sizeof head.name1);
  memcpy(head.name2, area->name2, sizeof head.name2);
  head.stmtid = area->stmtid;
  head.section = area->section;
  if (da != nullptr) memcpy(head.sqlda, da, kSqldaHead);
  memcpy(saved, &head, sizeof head);
  for (int32_t i = 0; i < variables(da); ++i) {
    image_of(da->sqlvar[i], saved + sizeof head + CLT_FETCH_DESC_VAR * static_cast<uint32_t>(i));
  }
  if (rc->fetch_desc != nullptr) cltmem_free(rc->fetch_desc, kModule, __LINE__);
  rc->fetch_desc = saved;
  return 0;
}

// Whether the cursor has a current block-fetch buffer. The list's find
// answers 0 when it made the cursor's entry current.
bool cursor_has_block(const clt_main* main, rdb_sql_area* area) {
  if (main->blkf_list == nullptr) return false;
  clt_blkf_find(area);
  return main->blkf_current != nullptr;
}

}  // namespace

int32_t clt_exec_array(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  clt_env* env = clt_main_env(main);
  clt_reply_conn* rc = clt_main_reply(main);
  rc->descriptor_form = 0;
  rc->desc_changed = 0;
  bool forced = false;
  bool no_block_fetch = false;
  const bool second = env->pdsrvtype == CLT_SRVTYPE_SECOND;
  if (env->opt_s == kYes || rc->sqlca_mark != kBlank ||
      (clt_main_com(main)->protocol != kConnectionMark && env->opt_l != kYes)) {
    forced = true;
    rc->descriptor_form = 1;
    rc->desc_changed = 1;
  }
  const SQLDA* da = area->sqliasda;
  const int32_t count = variables(da);
  for (int32_t i = 0; i < count; ++i) {
    const SQLVAR& v = da->sqlvar[i];
    const clt_kind k = clt_kind_of(v.sqlcod);
    if (k == clt_kind::lob_rsv) {
      rc->descriptor_form = 1;
      no_block_fetch = true;
    }
    if (k == clt_kind::lob) {
      if (!second) rc->descriptor_form = 1;
      if (v.len.sqllen32 > kLongBinary && (!level_at_least(main, CLT_LEVEL_BLOCK_BUFFER) || env->pdbinaryblkf != kYes)) {
        no_block_fetch = true;
      }
    }
  }
  if (area->fetchrows >= CLT_MULTIPLE && second) {
    forced = true;
    rc->desc_changed = 1;
  }
  if (!forced) {
    if (rc->fetch_desc == nullptr || description_changed(rc->fetch_desc, area)) rc->desc_changed = 1;
    if (rc->desc_changed == 1) clt_reply_drop_description(rc);
  }
  rc->desc_caching = forced ? 0 : 1;

  int32_t rc_exec = 0;
  if (clt_blkf_configured(main, env)) {
    const bool off = area->blkf_perm1 == 0 || area->blkf_perm2 == 0 || area->fetchrows != 0 || no_block_fetch;
    main->blkf_flag = off ? 1 : 0;
    if (!off) {
      rc_exec = clt_runtime(clt_runtime_op::exec_fetch, area);
    } else if (area->fetchrows != 0 && cursor_has_block(main, area)) {
      return clt_report(area, kModule, __LINE__, CLT_SQL_ELEMENT_COUNT, CLT_SQLSTATE_DEFAULT, CLT_MSG_ELEMENT_COUNT);
    } else {
      rc_exec = clt_runtime(clt_runtime_op::exec_general, area);
    }
  } else {
    rc_exec = clt_runtime(clt_runtime_op::exec_general, area);
  }
  if (rc_exec != 0) return -1;
  if (forced || rc->desc_changed != 1 || area->sqlca->SQLCODE < 0) return 0;
  return save_description(rc, area);
}
