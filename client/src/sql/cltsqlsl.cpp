#include "cltsqlsl.h"

#include <string.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTSQLBS.h"
#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "clt_cnv_frame.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "cltsqlsl";
constexpr char kTag[CLT_LOC_TAG_SIZE] = "##aopcl";
constexpr char kYes = 'Y';
constexpr char kNo = 'N';
constexpr int16_t kCsnaLayout = 0x0802;
constexpr uint32_t kLengthWord = 4;
constexpr uint32_t kLobRsvHead = 8;  // reserved word and length word
constexpr uint32_t kWideIndicator = 4;
constexpr uint32_t kNarrowIndicator = 2;

// Statement kinds of a PREPARE whose statements the list keeps.
constexpr uint16_t kListedKinds[] = {0x4000, 0x4100, 0x4204, 0x4900, 0x4A04};

// A name of the area: a length word, then the text.
struct area_name {
  int16_t length;
  char text[CLT_LOC_NAME_SIZE];
};

clt_main* main_of() { return clt_cur_main(); }
clt_loc_entry* head_of(const clt_main* main) { return static_cast<clt_loc_entry*>(main->loc_list); }

uint16_t name_length(const void* name) {
  if (name == nullptr) return 0;
  const auto* n = static_cast<const area_name*>(name);
  return static_cast<uint16_t>(std::clamp<int16_t>(n->length, 0, CLT_LOC_NAME_SIZE));
}

// Whether an entry's name equals the area's (same length and bytes); an
// absent name equals nothing.
bool same_name(uint16_t length, const char* text, const void* name) {
  const uint16_t n = name_length(name);
  return length != 0 && n == length && memcmp(text, static_cast<const area_name*>(name)->text, n) == 0;
}

void take_name(uint16_t* length, char* text, const void* name) {
  *length = name_length(name);
  memset(text, 0, CLT_LOC_NAME_SIZE);
  if (*length != 0) memcpy(text, static_cast<const area_name*>(name)->text, *length);
}

// The identification a cursor without an extended name is known by.
bool same_statement(const clt_loc_entry* e, const rdb_sql_area* area) {
  return e->stmtid == area->stmtid && memcmp(e->name1, area->name1, CLT_LOC_NAME_SIZE) == 0 &&
         memcmp(e->name2, area->name2, CLT_LOC_NAME_SIZE) == 0;
}

bool matches_find(const clt_loc_entry* e, const rdb_sql_area* area) {
  if (e->ext_curs_length == 0 && e->section == area->section && same_statement(e, area)) return true;
  return same_name(e->ext_curs_length, e->ext_curs, area->extcursname) ||
         same_name(e->ext_stmt_length, e->ext_stmt, area->extstmtname);
}

bool matches_release(const clt_loc_entry* e, const rdb_sql_area* area) {
  if (e->ext_curs_length != 0) return same_name(e->ext_curs_length, e->ext_curs, area->extcursname);
  return e->section == area->section && same_statement(e, area);
}

void free_vars(SQLDA* vars) {
  for (int32_t i = 0; i < std::max<int16_t>(vars->sqld, 0); ++i) {
    SQLVAR& v = vars->sqlvar[i];
    if (v.SQLDATA != nullptr) cltmem_free(v.SQLDATA, kModule, __LINE__);
    if (v.SQLIND != nullptr) cltmem_free(v.SQLIND, kModule, __LINE__);
  }
  cltmem_free(vars, kModule, __LINE__);
}

void free_copies(clt_loc_entry* e) {
  if (e->vars != nullptr) free_vars(e->vars);
  if (e->open_block != nullptr) cltmem_free(e->open_block, kModule, __LINE__);
  if (e->csna != nullptr) cltmem_free(e->csna, kModule, __LINE__);
  e->vars = nullptr;
  e->open_block = nullptr;
  e->csna = nullptr;
}

void close_cursor(clt_loc_entry* e) {
  e->fetched = kNo;
  e->end = kNo;
  e->open = kNo;
}

// An entry whose content came from another: closed, and without the
// copies the other one owns.
void close_without_copies(clt_loc_entry* e) {
  close_cursor(e);
  e->vars = nullptr;
  e->open_block = nullptr;
  e->csna = nullptr;
}

void free_entry(clt_main* main, clt_loc_entry* e) {
  if (main->loc_current == e) main->loc_current = nullptr;
  free_copies(e);
  cltmem_free(e, kModule, __LINE__);
}

// Unlinks and frees every entry for which `drop` holds; the others pass
// through `keep`.
template <class Drop, class Keep>
void sweep(clt_main* main, Drop drop, Keep keep) {
  auto** link = reinterpret_cast<clt_loc_entry**>(&main->loc_list);
  while (*link != nullptr) {
    clt_loc_entry* e = *link;
    if (drop(e)) {
      *link = e->next;
      free_entry(main, e);
    } else {
      keep(e);
      link = &e->next;
    }
  }
}

int32_t no_memory(rdb_sql_area* area, int32_t line, uint64_t size) {
  return clt_report(area, kModule, line, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                    CLT_MEMORY_AREA_PROCESS, static_cast<uint32_t>(size));
}

clt_loc_entry* new_entry(rdb_sql_area* area, int32_t line) {
  auto* e = static_cast<clt_loc_entry*>(cltmem_alloc(sizeof(clt_loc_entry), 0, kModule, line));
  if (e == nullptr) no_memory(area, line, sizeof(clt_loc_entry));
  return e;
}

void link_current(clt_main* main, clt_loc_entry* e) {
  e->next = head_of(main);
  main->loc_list = e;
  main->loc_current = e;
}

// The statement's own fields from the area: identification, hold and
// keep, attributes; the cursor closed and no copies.
void fill_statement(clt_loc_entry* e, const rdb_sql_area* area) {
  e->section = area->section;
  e->stmtid = area->stmtid;
  memcpy(e->name1, area->name1, CLT_LOC_NAME_SIZE);
  memcpy(e->name2, area->name2, CLT_LOC_NAME_SIZE);
  e->hold = area->hold == kYes ? 1 : 0;
  e->kept = area->keep == kYes ? kYes : kNo;
  memcpy(e->attr, &area->stmtattr, CLT_LOC_ATTR_SIZE);
  close_without_copies(e);
  e->held_commit = kNo;
}

// A copy of `from` for another cursor of its statement: the flags closed,
// no copies of an OPEN, linked first and current.
clt_loc_entry* copy_for_cursor(clt_main* main, rdb_sql_area* area, const clt_loc_entry* from, int32_t line) {
  clt_loc_entry* e = new_entry(area, line);
  if (e == nullptr) return nullptr;
  memcpy(e, from, sizeof *e);
  close_without_copies(e);
  e->section = area->section;
  link_current(main, e);
  return e;
}

int32_t terminator_room(const rdb_sql_area* area, const clt_env* env) {
  if (area->termbyte != CLT_TERM_NUL) return 0;
  return clt_cnv_ucs2_mode(env->pdcltcnvmode) ? 2 : 1;
}

// The head of a large object's value: its length word, after the
// reserved word for 0x92 and 0x98.
uint32_t lob_head(clt_kind k) { return k == clt_kind::lob ? kLengthWord : kLobRsvHead; }

// Bytes a value takes in the caller's memory, bounded by what the
// variable declares: a large object whose length word claims more than
// its declared length is refused (-1), as is a negative size.
int64_t value_size(const SQLVAR& v, int32_t terminator) {
  const clt_kind k = clt_kind_of(v.sqlcod);
  const int64_t len = v.len.s.sqllen;
  if (v.XDIM < 1 || v.XDIM > CLT_XDIM_MAX) return -1;
  if (clt_repetition(v)) {
    const int64_t stride = clt_element_stride(v, terminator);
    return stride < 0 ? -1 : kLengthWord + stride * v.XDIM;
  }
  switch (k) {
    case clt_kind::char_nul:
    case clt_kind::fixchar: return len + (terminator != 0 ? 1 : 0);
    case clt_kind::nfixchar: return 2 * len + (terminator != 0 ? 1 : 0);
    case clt_kind::varchar: return len + 2;
    case clt_kind::nvarchar: return 2 * len + 2;
    case clt_kind::packed8:
    case clt_kind::packed6:
    case clt_kind::decimal: return clt_element_stride(v, 0);
    case clt_kind::lob:
    case clt_kind::lob_rsv: {
      const uint32_t head = lob_head(k);
      uint32_t claimed = 0;
      memcpy(&claimed, static_cast<const uint8_t*>(v.SQLDATA) + head - kLengthWord, sizeof claimed);
      if (claimed > v.len.sqllen32) return -1;
      return head + static_cast<int64_t>(claimed);
    }
    default: return len;
  }
}

bool indicator_negative(const SQLVAR& v) {
  if (!clt_nullable(v.sqlcod) || v.SQLIND == nullptr) return false;
  if (clt_repetition(v) || clt_wide_indicator(clt_kind_of(v.sqlcod))) {
    int32_t wide;
    memcpy(&wide, v.SQLIND, sizeof wide);
    return wide < 0;
  }
  int16_t narrow;
  memcpy(&narrow, v.SQLIND, sizeof narrow);
  return narrow < 0;
}

uint32_t indicator_size(const SQLVAR& v) {
  if (clt_repetition(v)) return kWideIndicator + kNarrowIndicator * static_cast<uint32_t>(v.XDIM);
  return clt_wide_indicator(clt_kind_of(v.sqlcod)) ? kWideIndicator : kNarrowIndicator;
}

int32_t copy_of(rdb_sql_area* area, int32_t line, const void* source, uint64_t size, uint64_t room, void** out) {
  *out = cltmem_alloc(static_cast<uint32_t>(room), 0, kModule, line);
  if (*out == nullptr) return no_memory(area, line, room);
  memset(*out, 0, room);
  memcpy(*out, source, size);
  return 0;
}

// The OPEN's variables with copies of their values and indicators.
int32_t copy_vars(rdb_sql_area* area, const clt_env* env, SQLDA** out) {
  const SQLDA* da = area->sqliasda;
  if (clt_var_check_sqln(area, kModule, da) != 0 || clt_var_check_sqld(area, kModule, da) != 0) return -1;
  const size_t size = offsetof(SQLDA, sqlvar) + sizeof(SQLVAR) * static_cast<size_t>(da->sqld);
  void* block = nullptr;
  if (copy_of(area, __LINE__, da, size, size, &block) != 0) return -1;
  auto* copy = static_cast<SQLDA*>(block);
  // Until its values are copied no entry points at the caller's memory.
  for (int32_t i = 0; i < da->sqld; ++i) copy->sqlvar[i].SQLDATA = copy->sqlvar[i].SQLIND = nullptr;
  const int32_t terminator = terminator_room(area, env);
  for (int32_t i = 0; i < da->sqld; ++i) {
    const SQLVAR& v = da->sqlvar[i];
    if (v.SQLDATA == nullptr) {
      free_vars(copy);
      return clt_var_fail_address(area, kModule, __LINE__, i + 1);
    }
    const clt_kind k = clt_kind_of(v.sqlcod);
    // A NULL large object's words are not read: its head stays cleared.
    const bool null_lob = clt_long_length(k) && indicator_negative(v);
    const int64_t bytes = null_lob ? 0 : value_size(v, terminator);
    if (bytes < 0 || bytes > CLT_SIZE_MAX) {
      free_vars(copy);
      return clt_var_fail_type(area, kModule, __LINE__, clt_dir::in, i + 1, CLT_VAR_LENGTH, &v);
    }
    // A NUL-terminated string is searched one byte past its length.
    const uint64_t room = null_lob ? lob_head(k) : static_cast<uint64_t>(bytes) + (k == clt_kind::char_nul ? 1 : 0);
    if (copy_of(area, __LINE__, v.SQLDATA, static_cast<uint64_t>(bytes), room, &copy->sqlvar[i].SQLDATA) != 0 ||
        (v.SQLIND != nullptr &&
         copy_of(area, __LINE__, v.SQLIND, indicator_size(v), indicator_size(v), &copy->sqlvar[i].SQLIND) != 0)) {
      free_vars(copy);
      return -1;
    }
  }
  *out = copy;
  return 0;
}

bool listed_kind(uint16_t kind) {
  return std::find(std::begin(kListedKinds), std::end(kListedKinds), kind) != std::end(kListedKinds);
}

// PREPARE of a listed statement: a new entry, or the known one refreshed.
int32_t after_prepare(clt_main* main, rdb_sql_area* area) {
  if (clt_loc_find(area) != 0) return clt_loc_add(area);
  if (area->extstmtname != nullptr) {
    clt_loc_free_ext(area);
    return clt_loc_add(area);
  }
  clt_loc_entry* e = clt_loc_current();
  free_copies(e);
  fill_statement(e, area);
  take_name(&e->ext_stmt_length, e->ext_stmt, nullptr);
  take_name(&e->ext_curs_length, e->ext_curs, nullptr);
  if (e->stmtsection != 0) clt_loc_free_same_name(e);
  main->loc_current = e;
  return 0;
}

}  // namespace

clt_loc_entry* clt_loc_current() {
  const clt_main* main = main_of();
  return main != nullptr ? static_cast<clt_loc_entry*>(main->loc_current) : nullptr;
}

int32_t clt_loc_find(rdb_sql_area* area) {
  clt_main* main = main_of();
  main->loc_current = nullptr;
  for (clt_loc_entry* e = head_of(main); e != nullptr; e = e->next) {
    if (matches_find(e, area)) {
      main->loc_current = e;
      return 0;
    }
  }
  return -1;
}

int32_t clt_loc_add(rdb_sql_area* area) {
  clt_main* main = main_of();
  clt_loc_entry* e = new_entry(area, __LINE__);
  if (e == nullptr) return -1;
  memset(e, 0, sizeof *e);
  memcpy(e->tag, kTag, sizeof e->tag);
  fill_statement(e, area);
  e->stmtsection = area->stmtsection;
  take_name(&e->ext_stmt_length, e->ext_stmt, area->extstmtname);
  link_current(main, e);
  return 0;
}

int32_t clt_loc_bind_cursor(rdb_sql_area* area) {
  clt_main* main = main_of();
  main->loc_current = nullptr;
  const clt_loc_entry* statement = nullptr;
  for (clt_loc_entry* e = head_of(main); e != nullptr; e = e->next) {
    if (e->ext_curs_length != 0 || !same_statement(e, area)) continue;
    if (e->section == area->section) {
      e->stmtsection = area->stmtsection;
      main->loc_current = e;
      return 0;
    }
    if (e->section == area->stmtsection) statement = e;
  }
  if (statement == nullptr) return -1;
  clt_loc_entry* e = copy_for_cursor(main, area, statement, __LINE__);
  if (e == nullptr) return CLT_LOC_NO_MEMORY;
  e->stmtsection = area->stmtsection;
  return 0;
}

int32_t clt_loc_bind_ext_cursor(rdb_sql_area* area) {
  clt_main* main = main_of();
  main->loc_current = nullptr;
  const clt_loc_entry* other = nullptr;
  for (clt_loc_entry* e = head_of(main); e != nullptr; e = e->next) {
    if (!same_name(e->ext_stmt_length, e->ext_stmt, area->extstmtname)) continue;
    if (e->ext_curs_length == 0) {
      take_name(&e->ext_curs_length, e->ext_curs, area->extcursname);
      main->loc_current = e;
      return 0;
    }
    if (same_name(e->ext_curs_length, e->ext_curs, area->extcursname)) {
      main->loc_current = e;
      return 0;
    }
    other = e;
  }
  if (other == nullptr) return -1;
  clt_loc_entry* e = copy_for_cursor(main, area, other, __LINE__);
  if (e == nullptr) return CLT_LOC_NO_MEMORY;
  take_name(&e->ext_curs_length, e->ext_curs, area->extcursname);
  return 0;
}

int32_t clt_loc_store_vars(rdb_sql_area* area) {
  clt_main* main = main_of();
  clt_loc_entry* e = clt_loc_current();
  free_copies(e);
  if (main->funccode == CLT_FC_OPEN && area->extcursname != nullptr) {
    take_name(&e->ext_curs_length, e->ext_curs, area->extcursname);
  }
  if (area->sqliasda != nullptr && copy_vars(area, clt_main_env(main), &e->vars) != 0) return -1;
  if (main->funccode == CLT_FC_OPN2 && area->sqltext != nullptr) {
    const uint64_t size = kLengthWord + static_cast<uint64_t>(std::max<int32_t>(area->sqltext->length, 0));
    void* block = nullptr;
    if (copy_of(area, __LINE__, area->sqltext, size, size, &block) != 0) return -1;
    e->open_block = static_cast<uint8_t*>(block);
  }
  if (area->version >= kCsnaLayout && area->sqlcsna1 != nullptr) {
    const uint32_t size = clt_csna_size(area->sqlcsna1);
    void* block = nullptr;
    if (copy_of(area, __LINE__, area->sqlcsna1, size, size, &block) != 0) return -1;
    e->csna = static_cast<uint8_t*>(block);
  }
  return 0;
}

int32_t clt_loc_release(rdb_sql_area* area) {
  clt_main* main = main_of();
  main->loc_current = nullptr;
  for (auto** link = reinterpret_cast<clt_loc_entry**>(&main->loc_list); *link != nullptr; link = &(*link)->next) {
    clt_loc_entry* e = *link;
    if (!matches_release(e, area)) continue;
    if (main->funccode == CLT_FC_DSET) {
      *link = e->next;
      free_entry(main, e);
    } else {
      free_copies(e);
      close_cursor(e);
      main->loc_current = e;
    }
    break;
  }
  return 0;
}

int32_t clt_loc_free_same_name(clt_loc_entry* entry) {
  clt_main* main = main_of();
  if (entry == nullptr) return 0;
  const bool deallocate = main->funccode == CLT_FC_DSET;
  auto follows = [entry](const clt_loc_entry* e) {
    return e != entry && e->ext_curs_length == 0 && e->section != entry->section &&
           e->stmtsection == entry->stmtsection && e->stmtid == entry->stmtid &&
           memcmp(e->name1, entry->name1, CLT_LOC_NAME_SIZE) == 0 &&
           memcmp(e->name2, entry->name2, CLT_LOC_NAME_SIZE) == 0;
  };
  sweep(
      main, [&](const clt_loc_entry* e) { return deallocate && follows(e); },
      [&](clt_loc_entry* e) {
        if (!follows(e)) return;
        free_copies(e);
        const uint16_t section = e->section;
        clt_loc_entry* next = e->next;
        memcpy(e, entry, sizeof *e);
        e->section = section;
        e->next = next;
        close_without_copies(e);
      });
  return 0;
}

int32_t clt_loc_free_ext(rdb_sql_area* area) {
  sweep(
      main_of(), [area](const clt_loc_entry* e) { return same_name(e->ext_stmt_length, e->ext_stmt, area->extstmtname); },
      [](clt_loc_entry*) {});
  return 0;
}

// The hold attribute counts as set when it is non-zero, wherever it is read.
int32_t clt_loc_free_unheld(rdb_sql_area*) {
  sweep(
      main_of(), [](const clt_loc_entry* e) { return !(e->kept == kYes || (e->hold != 0 && e->held_commit == kYes)); },
      [](clt_loc_entry* e) {
        free_copies(e);
        close_cursor(e);
      });
  return 0;
}

int32_t clt_loc_free_closed(rdb_sql_area*) {
  sweep(
      main_of(), [](const clt_loc_entry* e) { return e->hold == 0 && e->kept != kYes; },
      [](clt_loc_entry* e) {
        if (e->hold != 0) {
          e->held_commit = kYes;
          return;
        }
        free_copies(e);
        close_cursor(e);
      });
  return 0;
}

int32_t clt_loc_free_all(rdb_sql_area*) {
  clt_main* main = main_of();
  clt_loc_entry* e = head_of(main);
  main->loc_list = nullptr;
  main->loc_current = nullptr;
  while (e != nullptr) {
    clt_loc_entry* next = e->next;
    free_entry(main, e);
    e = next;
  }
  return 0;
}

int32_t clt_loc_state_of(clt_main* main) {
  const auto* e = static_cast<const clt_loc_entry*>(main->loc_current);
  if (e == nullptr) return CLT_LOC_NONE;
  int32_t state = 0;
  if (e->open == kYes) state |= CLT_LOC_OPEN;
  if (e->end == kYes) state |= CLT_LOC_CLOSE_PENDING;
  // The OPEN has not reached the server until the first FETCH carries it.
  if (e->open == kYes && e->fetched == kNo) state |= CLT_LOC_OPEN_PENDING;
  if (e->stmtsection != 0) state |= CLT_LOC_OTHER_SECTIONS;
  return state;
}

void clt_loc_open_current(clt_main* main) {
  auto* e = static_cast<clt_loc_entry*>(main->loc_current);
  if (e == nullptr) return;
  e->open = kYes;
  e->fetched = kNo;
  e->end = kNo;
}

int32_t clt_loc_after_reply(rdb_sql_area* area, int32_t sqlcode, uint8_t hold, uint16_t kind) {
  clt_main* main = main_of();
  switch (main->funccode) {
    case CLT_FC_FETC:
      if (clt_loc_find(area) == 0) {
        clt_loc_entry* e = clt_loc_current();
        if (sqlcode == CLT_SQL_NO_ROWS) e->end = kYes;
        if (e->fetched == kNo) {
          e->fetched = kYes;
          if (e->open_block != nullptr) e->hold = hold;
        }
      }
      return 0;
    case CLT_FC_SET:
      if (!listed_kind(kind)) return 0;
      if (after_prepare(main, area) != 0) return -1;
      clt_loc_current()->hold = hold;
      return 0;
    case CLT_FC_OPN2:
      if (clt_loc_find(area) == 0) clt_loc_current()->hold = hold;
      return 0;
    case CLT_FC_ALCR: {
      if (area->extstmtname == nullptr) return 0;
      const int32_t bound = clt_loc_bind_ext_cursor(area);
      if (bound == CLT_LOC_NO_MEMORY) return -1;
      if (bound == 0) clt_loc_current()->hold = hold;
      return 0;
    }
    default:
      return 0;
  }
}
