#include "CLTSQLAN.h"

#include <arpa/inet.h>
#include <inttypes.h>
#include <string.h>

#include <algorithm>

#include "zk_bytes.h"
#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTENV.h"
#include "CLTMEM.h"
#include "CLTSQLDA.h"
#include "zk_codes.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "zk_seam.h"
#include "CLTUTL.h"
#include "clt_cnv.h"
#include "cltsqlsl.h"

clt_reply_services clt_reply_svc{};

namespace {

constexpr const char* kModule = "CLTSQLAN";
constexpr const char* kMsgRdNoRows = "JXZ2100I . R. NO ROWS SATISFYING SEARCH CONDITION";
constexpr const char* kMsgLogMemory = "KFPZ02406-E Error occurred in Marlo/client, reason=%s, inf=%d:%s:%d\n";

constexpr uint16_t kSecondProtocol = 2;
constexpr uint8_t kModeNouse = 0;
constexpr uint8_t kModeAuto = 1;
constexpr uint8_t kModeUcs2First = 10;
constexpr uint8_t kModeUcs2Last = 12;
constexpr uint32_t kUcs2Room = 254;
constexpr char kBlank = ' ';
constexpr char kWarn = 'W';
constexpr char kNameRequest = 'S';
constexpr char kYes = 'Y';
constexpr uint8_t kComplementedBlank = 0xDF;

// Function codes the analysis tells apart.
enum : int32_t {
  kFetch = 1,
  kPrepare = 3,
  kDescribe = 9,
  kConnect = 13,
  kHvar = 19,
  kCall = 20,
  kDescType = 35,
  kResultDesc = 38,
  kResultFetch = 39,
  kAui2 = 2,
  kAux = 7,
};

// Body directory.
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kBodySqlca = 12;
constexpr uint32_t kBodyData = 16;
constexpr uint32_t kBodyNames = 20;
constexpr uint32_t kBodyPerColumn = 24;
constexpr uint32_t kBodyExt = 28;
constexpr uint32_t kBodyCharset = 32;

// SQLCA part.
constexpr uint32_t kCaIdent = 0;
constexpr uint32_t kCaMessage = 8;
constexpr uint32_t kCaCode = 12;
constexpr uint32_t kCaErrd = 16;
constexpr uint32_t kCaWarn = 40;
constexpr uint32_t kCaSource = 44;
constexpr uint32_t kCaLine = 56;
constexpr uint32_t kCaSize = 60;
constexpr uint32_t kCaSourceSize = 12;
constexpr uint32_t kCaKind = kCaErrd + 4 * 4 + 2;  // second half of sqlerrd[4]: PREPARE's statement kind
constexpr int kErrdCount = 6;
constexpr int kWarnBits = 8;

// PREPARE directory, relative to its own start.
constexpr uint32_t kPrepInNames = 8;
constexpr uint32_t kPrepTypeNames = 12;
constexpr uint32_t kPrepOutNames = 24;

// Status part.
constexpr uint32_t kStSqlstate = 0;
constexpr uint32_t kStHold = 6;
constexpr uint32_t kStFlags7 = 7;
constexpr uint32_t kStFlags16 = 16;
constexpr uint32_t kStSize = 17;
constexpr uint8_t kSt7Reconnect1 = 0x08;
constexpr uint8_t kSt7Reconnect0 = 0x10;
constexpr uint8_t kSt7CursorsClosed = 0x40;
constexpr uint8_t kSt16Finished = 0x08;
constexpr uint8_t kSt16ArrayInsert = 0x01;
constexpr uint8_t kSt16Notice = 0x04;
constexpr uint32_t kLevelNotice = 21;
constexpr uint32_t kStResult = 5;

// Extension part.
constexpr uint32_t kExtTrace = 4;
constexpr uint32_t kExtApinf = 8;
constexpr uint32_t kExtWriteLine = 16;
constexpr uint32_t kExtSqltrc = 20;
constexpr uint32_t kExtTrcctl = 32;
constexpr uint32_t kExtErrlog = 36;
constexpr uint32_t kExtAuth = 40;
constexpr uint32_t kExtKeep16 = 44;
constexpr uint32_t kExtNames = 48;
constexpr uint32_t kExtTypeNames = 12;
constexpr uint32_t kExtVariant = 24;
constexpr uint32_t kVariant5 = 5;
constexpr uint32_t kExtFirstField = 4;  // the part's first word
constexpr uint32_t kApinfSplit = 132;
constexpr uint32_t kApinfFirstLen = 12;
constexpr uint32_t kApinfHead = 28;
constexpr uint32_t kApinfHeadWord = 24;
constexpr int32_t kReplvlSplit = 0x04;
constexpr uint32_t kAuthSecond = 32;
constexpr uint32_t kNameField = 30;
constexpr uint32_t kNameEntry = 32;
constexpr uint32_t kUcs2NameField = 60;
constexpr uint32_t kUcs2NameEntry = 62;

// Server levels of the gates.
constexpr uint32_t kLevelExt = 13;
constexpr uint32_t kLevelReconnect = 18;
constexpr uint32_t kLevelWriteLine = 18;
constexpr uint32_t kLevelSqltrc = 20;
constexpr uint32_t kLevelErrlog = 21;
constexpr uint32_t kLevelAuth = 22;
constexpr uint32_t kLevelCursors = 24;
constexpr uint32_t kLevelNames = 26;
constexpr uint32_t kLevelArrayCheck = 19;
constexpr uint32_t kLevelArrayCount = 18;
constexpr uint32_t kExtArrayCounts = 28;

// Description part.
constexpr uint32_t kDescSqln = 12;
constexpr uint32_t kDescSqld = 14;
constexpr uint32_t kDescEntries = 16;
constexpr uint32_t kDescEntry = 16;
constexpr int16_t kDescMax = 30000;


// The reply body as far as it was received; numbers in the server's order.
struct view {
  const uint8_t* p = nullptr;
  uint32_t total = 0;
  bool big_endian = true;

  bool has(uint32_t off, uint32_t n) const { return off <= total && n <= total - off; }
  uint32_t u32(uint32_t off) const { return big_endian ? get_be32(p + off) : get_le32(p + off); }
  uint16_t u16(uint32_t off) const {
    return big_endian ? static_cast<uint16_t>(p[off] << 8 | p[off + 1]) : static_cast<uint16_t>(p[off + 1] << 8 | p[off]);
  }
  // A u32 that must lie inside the body; false when it does not.
  bool u32_at(uint32_t off, uint32_t* out) const {
    if (!has(off, sizeof(uint32_t))) return false;
    *out = u32(off);
    return true;
  }
  // The position `off` bytes past `base`, reckoned as the server reckons
  // it, in 32 bits (a part may stand before the part that points at it),
  // and checked against the body. Reads go through the checked position
  // only, never through base and offset added to a pointer one by one.
  bool at(uint32_t base, uint32_t off, uint32_t* pos) const {
    const uint32_t p = base + off;
    if (p > total) return false;
    *pos = p;
    return true;
  }
  // The u32 `off` bytes past `base`.
  bool u32_at(uint32_t base, uint32_t off, uint32_t* out) const {
    uint32_t pos = 0;
    return at(base, off, &pos) && u32_at(pos, out);
  }
};

clt_reply_conn* no_conn() { return nullptr; }
clt_reply_locator g_locator = no_conn;

// A view of a received body: its total length must lie within what came.
bool make_view(const uint8_t* body, uint32_t received, view* v) {
  clt_com_ctx com = clt_com_cur();
  v->p = body;
  v->big_endian = com.main == nullptr || com.main->byteorder == 0;
  if (body == nullptr || received < sizeof(uint32_t)) return false;
  v->total = received;
  const uint32_t total = v->u32(kBodyTotal);
  if (total > received) return false;
  v->total = total;
  return true;
}

bool level_at_least(const clt_main* main, uint32_t n) {
  return main != nullptr && clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), n);
}

uint8_t cnv_mode(const clt_env* env) { return env != nullptr ? env->pdcltcnvmode : kModeNouse; }
bool ucs2_mode(uint8_t mode) { return mode >= kModeUcs2First && mode <= kModeUcs2Last; }
bool plain_mode(uint8_t mode) { return mode == kModeNouse || mode == kModeAuto; }

int32_t refuse(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule, line);
}

int32_t client_error(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule, line);
}

// Converts a text through slot 2 into a field of `room` bytes, blank-filled
// first; a text longer than the field keeps the characters that fit. The
// text is copied unchanged when it cannot be converted.
uint16_t convert_text(const uint8_t* text, uint32_t len, char* field, uint32_t room) {
  memset(field, kBlank, room);
  int32_t source_length = static_cast<int32_t>(len);
  int32_t target_size = static_cast<int32_t>(room);
  int32_t out = 0;
  uint32_t replaced = 0;
  if (clt_cnv_convert(CLT_CNV_SLOT_SERVER, &source_length, reinterpret_cast<const char*>(text), &target_size, field,
                      &out, &replaced, CLT_CNV_STORE) >= 0 &&
      static_cast<uint32_t>(out) <= room) {
    return static_cast<uint16_t>(out);
  }
  const uint32_t n = std::min(len, room);
  memcpy(field, text, n);
  return static_cast<uint16_t>(n);
}

// Replaces a kept block by a new copy; false when there is no memory.
bool keep_block(uint8_t** slot, uint32_t size, rdb_sql_area* area, int32_t line) {
  if (*slot != nullptr) cltmem_free(*slot, kModule, line);
  *slot = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, line));
  if (*slot != nullptr) return true;
  clt_report(area, kModule, line, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY, CLT_MEMORY_AREA_PROCESS, size);
  return false;
}

void put_host32(uint8_t* p, uint32_t v) { memcpy(p, &v, sizeof v); }

// The blocks of the extension part at E+4, E+8 and E+20.
bool keep_extension_blocks(const view& v, uint32_t ext, clt_main* main, clt_env* env, clt_reply_conn* rc,
                           rdb_sql_area* area) {
  uint32_t off = 0;
  uint32_t pos = 0;
  if (v.u32_at(ext, kExtTrace, &off) && off != 0) {
    if (!v.at(ext, off, &pos) || !v.has(pos, CLT_REPLY_TRACE_BLOCK)) return refuse(area, __LINE__) == 0;
    if (!keep_block(&rc->trace_block, CLT_REPLY_TRACE_BLOCK, area, __LINE__)) return false;
    memcpy(rc->trace_block, v.p + pos, CLT_REPLY_TRACE_BLOCK);
  }
  if (v.u32_at(ext, kExtApinf, &off) && off != 0) {
    uint32_t at = 0;
    uint32_t len = 0;
    uint32_t data_at = 0;
    if (!v.at(ext, off, &at) || !v.u32_at(at, &len) || !v.at(at, sizeof len, &data_at) || !v.has(data_at, len)) {
      return refuse(area, __LINE__) == 0;
    }
    const uint8_t* data = v.p + data_at;
    const char* path = main != nullptr ? clt_text(main, CLT_TEXT_TAAPINFPATH) : nullptr;
    const bool to_file = path != nullptr && path[0] != '\0';
    uint32_t first = len;
    // Either SQL trace's report level may ask for the optimizer result.
    if (to_file && ((env->pduapreplvl | env->trcctl_bits) & kReplvlSplit) != 0 && level_at_least(main, 23)) {
      uint32_t rec = 0;
      uint32_t rec_at = 0;
      if (!v.u32_at(data_at, kApinfSplit, &rec) || !v.at(data_at, rec, &rec_at) ||
          !v.u32_at(rec_at, kApinfFirstLen, &first) || first > len) {
        return refuse(area, __LINE__) == 0;
      }
    }
    if (to_file) {
      if (!keep_block(&rc->apinf, first + kApinfHead, area, __LINE__)) return false;
      memset(rc->apinf, 0, kApinfHead);
      put_host32(rc->apinf, first + kApinfHeadWord);
      memcpy(rc->apinf + kApinfHead, data, first);
    }
    if (!to_file || first < len) {
      const uint32_t rest = to_file ? len - first : len;
      if (!keep_block(&rc->apinf2, rest + sizeof len, area, __LINE__)) return false;
      memcpy(rc->apinf2, v.p + at, sizeof len);
      if (to_file) {
        const uint32_t be = v.big_endian ? htonl(rest) : rest;
        memcpy(rc->apinf2, &be, sizeof be);
      }
      memcpy(rc->apinf2 + sizeof len, data + (to_file ? first : 0), rest);
    }
  }
  if (level_at_least(main, kLevelSqltrc) && v.u32_at(ext, kExtSqltrc, &off) && off != 0) {
    uint32_t len = 0;
    uint32_t data_at = 0;
    if (!v.at(ext, off, &pos) || !v.u32_at(pos, &len) || !v.at(pos, sizeof len, &data_at) || !v.has(data_at, len)) {
      return refuse(area, __LINE__) == 0;
    }
    if (!keep_block(&rc->sqltrc, len + sizeof len, area, __LINE__)) return false;
    memcpy(rc->sqltrc, v.p + pos, len + sizeof len);
  }
  return true;
}

// Steps 6 to 10: the further data of the extension part.
bool keep_extension_data(const view& v, uint32_t ext, clt_main* main, clt_env* env, clt_reply_conn* rc,
                         rdb_sql_area* area) {
  uint32_t off = 0;
  uint32_t at = 0;
  if (level_at_least(main, kLevelSqltrc) && v.u32_at(ext, kExtTrcctl, &off) && off != 0) {
    if (!v.at(ext, off, &at) || !v.has(at, CLT_REPLY_TRCCTL_SIZE)) return refuse(area, __LINE__) == 0;
    main->srvtrc_value = v.u32(at);
    main->srvtrc_count = v.u32(at + 4);
    main->srvtrc_prmsize = v.u16(at + 8);
    main->srvtrc_mask = v.p[at + 10];
    main->srvtrc_mode = v.p[at + 11];
    main->srvtrc_pending = 0xFF;
  }
  if (level_at_least(main, kLevelErrlog) && v.u32_at(ext, kExtErrlog, &off) && off != 0) {
    if (!v.at(ext, off, &at) || clt_reply_keep_errlog(rc, v.p + at, v.total - at) != 0) return refuse(area, __LINE__) == 0;
  }
  if (level_at_least(main, kLevelAuth) && v.u32_at(ext, kExtAuth, &off) && off != 0) {
    if (!v.at(ext, off, &at) || !v.has(at, kAuthSecond + sizeof(uint16_t))) return refuse(area, __LINE__) == 0;
    const uint16_t len1 = v.u16(at);
    const uint16_t len2 = v.u16(at + kAuthSecond);
    // Neither field may reach beyond its 30 bytes.
    if (len1 > CLT_AUTH_FIELD_SIZE || len2 > CLT_AUTH_FIELD_SIZE || !v.has(at + kAuthSecond + 2, len2)) {
      return refuse(area, __LINE__) == 0;
    }
    clt_req_ctx req = clt_req_cur();
    if (req.identity != nullptr) {
      for (uint16_t i = 0; i < len1; ++i) req.identity->plain_id[i] = static_cast<char>(~v.p[at + 2 + i]);
      req.identity->plain_id[len1] = '\0';
      memset(req.identity->password, kComplementedBlank, CLT_AUTH_FIELD_SIZE);
      memcpy(req.identity->password, v.p + at + kAuthSecond + 2, len2);
    }
    if (req.conn != nullptr) req.conn->sess_auth = kYes;
  }
  if (level_at_least(main, kLevelAuth) && v.u32_at(ext, kExtKeep16, &off) && off != 0) {
    if (!v.at(ext, off, &at) || !v.has(at, CLT_REPLY_EXT44_SIZE)) return refuse(area, __LINE__) == 0;
    memcpy(rc->ext44, v.p + at, CLT_REPLY_EXT44_SIZE);
    rc->ext44_kept = 1;
  }
  if (level_at_least(main, kLevelNames) && v.u32_at(ext, kExtNames, &off) && off != 0 && area->namepair != nullptr) {
    if (!v.at(ext, off, &at) || !v.has(at, kNameEntry * 2)) return refuse(area, __LINE__) == 0;
    const uint8_t mode = cnv_mode(env);
    auto* out = static_cast<uint8_t*>(area->namepair);
    for (int i = 0; i < 2; ++i) {
      const uint32_t src = at + kNameEntry * static_cast<uint32_t>(i);
      const uint16_t len = std::min<uint16_t>(v.u16(src), kNameField);
      const uint32_t entry = ucs2_mode(mode) ? kUcs2NameEntry : kNameEntry;
      const uint32_t room = ucs2_mode(mode) ? kUcs2NameField : kNameField;
      uint8_t* dst = out + entry * static_cast<uint32_t>(i);
      uint16_t stored = len;
      if (plain_mode(mode)) {
        memcpy(dst + 2, v.p + src + 2, len);
      } else {
        stored = convert_text(v.p + src + 2, len, reinterpret_cast<char*>(dst + 2), room);
      }
      memcpy(dst, &stored, sizeof stored);
    }
  }
  return true;
}

// A description part into the caller's SQLDA.
bool copy_description(const view& v, uint32_t at, SQLDA* da, rdb_sql_area* area) {
  if (!v.has(at, kDescEntries)) return refuse(area, __LINE__) == 0;
  const int16_t sqln = static_cast<int16_t>(v.u16(at + kDescSqln));
  const int16_t sqld = static_cast<int16_t>(v.u16(at + kDescSqld));
  if (sqln < 0 || sqld < 0 || sqln > kDescMax || sqld > kDescMax) return refuse(area, __LINE__) == 0;
  memcpy(da->sqldaid, v.p + at, sizeof da->sqldaid);
  da->sqld = sqld;
  // The entries come only when the reply holds them all and the caller has room.
  if (sqln < sqld || sqld > da->sqln) return true;
  if (!v.has(at + kDescEntries, static_cast<uint32_t>(sqld) * kDescEntry)) return refuse(area, __LINE__) == 0;
  // The entries run on past the declared one-element array.
  SQLVAR* vars = &da->sqlvar[0];
  for (int16_t i = 0; i < sqld; ++i) {
    const uint32_t e = at + kDescEntries + static_cast<uint32_t>(i) * kDescEntry;
    SQLVAR& var = vars[i];
    var.sqlrsv = v.p[e];
    var.sqlcod = v.p[e + 1];
    var.XDIM = static_cast<int16_t>(v.u16(e + 2));
    const uint8_t code = var.sqlcod;
    const bool decimal = code == 0x64 || code == 0x65 || code == 0x6E || code == 0x6F || (code >= 0xE4 && code <= 0xE7);
    const bool long_type = (code >= 0x90 && code <= 0x93) || code == 0x98 || code == 0x99;
    if (decimal) {
      var.len.d.sqlprcsn = v.p[e + 4];
      var.len.d.sqlscale = v.p[e + 5];
      var.len.s.SYS = v.u16(e + 6);
    } else if (long_type) {
      var.len.sqllen32 = v.u32(e + 4);
    } else {
      var.len.s.sqllen = static_cast<int16_t>(v.u16(e + 4));
      var.len.s.SYS = v.u16(e + 6);
    }
    var.SQLDATA = nullptr;
    var.SQLIND = nullptr;
  }
  return true;
}

// The per-column values of a description into the caller's
// registered array, one u32 per variable from position `first` on; zeros
// when the reply has none.
bool copy_per_column(const view& v, uint32_t at, uint32_t first, const SQLDA* da, clt_main* main, rdb_sql_area* area,
                     uint32_t* written) {
  *written = 0;
  if (main->param_flag == 0 || main->param_pointer == nullptr || da == nullptr || da->sqld <= 0) return true;
  // The server's count never takes the copy past the caller's SQLDA.
  const uint32_t count = static_cast<uint32_t>(std::min(da->sqld, std::max<int16_t>(da->sqln, 0)));
  if (at != 0 && !v.has(at, count * sizeof(uint32_t))) return refuse(area, __LINE__) == 0;
  auto* out = static_cast<uint32_t*>(main->param_pointer) + first;
  for (uint32_t i = 0; i < count; ++i) out[i] = at != 0 ? v.u32(at + i * sizeof(uint32_t)) : 0;
  *written = count;
  return true;
}

// A character-set part into the caller's area of the same
// shape. The lists go only as far as the caller's own entry counts.
bool copy_charset(const view& v, uint32_t at, void* target, rdb_sql_area* area) {
  constexpr uint32_t kCodes = 32;
  constexpr uint32_t kNameEntrySize = 64;
  if (target == nullptr) return true;
  if (!v.has(at, kCodes)) return refuse(area, __LINE__) == 0;
  auto* out = static_cast<uint8_t*>(target);
  int16_t own_codes;
  int16_t own_names;
  memcpy(&own_codes, out + 12, sizeof own_codes);
  memcpy(&own_names, out + 16, sizeof own_names);
  const int16_t counts[4] = {static_cast<int16_t>(v.u16(at + 12)), static_cast<int16_t>(v.u16(at + 14)),
                             static_cast<int16_t>(v.u16(at + 16)), static_cast<int16_t>(v.u16(at + 18))};
  for (int16_t c : counts) {
    if (c < 0) return refuse(area, __LINE__) == 0;
  }
  const uint32_t codes_in_use = static_cast<uint32_t>(counts[1]);
  const uint32_t names_in_use = static_cast<uint32_t>(counts[3]);
  const uint32_t names_at = kCodes + codes_in_use * sizeof(uint16_t);
  const bool codes = counts[1] <= counts[0] && counts[1] <= own_codes;
  // The caller's area keeps room for all its allocated code entries before
  // the names; the part packs the codes to those in use.
  const bool names = counts[3] <= counts[2] && counts[3] <= own_names && own_codes >= 0;
  const uint32_t own_names_at = kCodes + static_cast<uint32_t>(std::max<int16_t>(own_codes, 0)) * sizeof(uint16_t);
  uint32_t names_pos = 0;
  if ((codes && !v.has(at + kCodes, codes_in_use * sizeof(uint16_t))) ||
      (names && (!v.at(at, names_at, &names_pos) || !v.has(names_pos, names_in_use * kNameEntrySize)))) {
    return refuse(area, __LINE__) == 0;
  }
  memcpy(out, v.p + at, 8);
  // The allocated counts stay the caller's; the in-use counts never claim
  // more than the caller allocated.
  const int16_t reported[4] = {own_codes, std::min(counts[1], std::max<int16_t>(own_codes, 0)), own_names,
                               std::min(counts[3], std::max<int16_t>(own_names, 0))};
  memcpy(out + 12, reported, sizeof reported);
  if (codes) {
    for (uint32_t i = 0; i < codes_in_use; ++i) {
      const uint16_t code = v.u16(at + kCodes + i * sizeof(uint16_t));
      memcpy(out + kCodes + i * sizeof(uint16_t), &code, sizeof code);
    }
  }
  if (names) {
    for (uint32_t i = 0; i < names_in_use; ++i) {
      const uint32_t src = names_pos + i * kNameEntrySize;
      uint8_t* dst = out + own_names_at + i * kNameEntrySize;
      memcpy(dst, v.p + src, kNameEntrySize);
      for (uint32_t half = 0; half < kNameEntrySize; half += kNameEntry) {
        const uint16_t len = v.u16(src + half);
        memcpy(dst + half, &len, sizeof len);
      }
    }
  }
  return true;
}

// One column name, copied or converted, into the entry at `dst` (u16
// length, then the name's room); names longer than 30 bytes are refused.
bool store_name(const view& v, uint32_t src, uint16_t len, uint8_t* dst, uint8_t mode) {
  if (len > kNameField) return false;
  uint16_t stored = len;
  if (len != 0) {
    if (plain_mode(mode)) {
      memcpy(dst + 2, v.p + src, len);
    } else {
      stored = convert_text(v.p + src, len, reinterpret_cast<char*>(dst + 2), ucs2_mode(mode) ? kUcs2NameField : len);
    }
  }
  memcpy(dst, &stored, sizeof stored);
  return true;
}

// Column names into a column-name area of the non-UCS-2 modes
// (u16 count, then entries of u16 length and 30 bytes).
bool copy_names(const view& v, uint32_t at, const SQLDA* da, void* names, uint8_t mode, rdb_sql_area* area) {
  if (names == nullptr || da == nullptr) return client_error(area, __LINE__) == 0;
  if (!v.has(at, sizeof(uint16_t))) return refuse(area, __LINE__) == 0;
  const uint16_t count = v.u16(at);
  if (count > static_cast<uint16_t>(std::max<int16_t>(da->sqln, 0)) ||
      !v.has(at + 2, static_cast<uint32_t>(count) * kNameEntry)) {
    return refuse(area, __LINE__) == 0;
  }
  const uint32_t entry_size = ucs2_mode(mode) ? kUcs2NameEntry : kNameEntry;
  auto* out = static_cast<uint8_t*>(names);
  memcpy(out, &count, sizeof count);
  for (uint16_t i = 0; i < count; ++i) {
    const uint32_t src = at + 2 + static_cast<uint32_t>(i) * kNameEntry;
    if (!store_name(v, src + 2, v.u16(src), out + 2 + static_cast<uint32_t>(i) * entry_size, mode)) {
      return refuse(area, __LINE__) == 0;
    }
  }
  return true;
}

// The type names of user-defined types into the caller's
// type-name area, one entry per variable of the description; the part
// holds two packed names for each variable of type 0x82 or 0x83.
bool copy_type_names(const view& v, uint32_t at, const SQLDA* da, void* target, uint8_t mode, rdb_sql_area* area) {
  constexpr uint8_t kUdt1 = 0x82;
  constexpr uint8_t kUdt2 = 0x83;
  constexpr uint32_t kRoom1 = 8;
  constexpr uint32_t kRoom2 = 30;
  constexpr uint32_t kEntry = 42;
  constexpr uint32_t kUcs2Room1 = 16;
  constexpr uint32_t kUcs2Room2 = 60;
  constexpr uint32_t kUcs2Entry = 80;
  if (target == nullptr || da == nullptr) return client_error(area, __LINE__) == 0;
  const bool ucs2 = ucs2_mode(mode);
  const uint32_t rooms[2] = {ucs2 ? kUcs2Room1 : kRoom1, ucs2 ? kUcs2Room2 : kRoom2};
  const uint32_t limits[2] = {kRoom1, kRoom2};
  const uint32_t entry = ucs2 ? kUcs2Entry : kEntry;
  auto* out = static_cast<uint8_t*>(target);
  // One entry per variable the caller's SQLDA holds, whatever the server counted.
  const int16_t count = std::min(std::max<int16_t>(da->sqld, 0), std::max<int16_t>(da->sqln, 0));
  memcpy(out, &count, sizeof count);
  uint32_t pos = at + sizeof(uint16_t);
  const SQLVAR* vars = &da->sqlvar[0];
  for (int16_t i = 0; i < count; ++i) {
    uint8_t* e = out + sizeof(uint16_t) + static_cast<uint32_t>(i) * entry;
    const bool udt = vars[i].sqlcod == kUdt1 || vars[i].sqlcod == kUdt2;
    uint32_t field = 0;
    for (int n = 0; n < 2; ++n) {
      uint16_t stored = 0;
      if (udt) {
        if (!v.has(pos, sizeof(uint16_t))) return refuse(area, __LINE__) == 0;
        const uint16_t len = v.u16(pos);
        // A name longer than its entry is no name this client can keep.
        if (len > limits[n] || !v.has(pos + sizeof(uint16_t), len)) return refuse(area, __LINE__) == 0;
        char* dst = reinterpret_cast<char*>(e + field + sizeof(uint16_t));
        if (len == 0) {
          stored = 0;
        } else if (plain_mode(mode)) {
          memcpy(dst, v.p + pos + sizeof(uint16_t), len);
          stored = len;
        } else {
          stored = convert_text(v.p + pos + sizeof(uint16_t), len, dst, ucs2 ? rooms[n] : len);
        }
        pos += sizeof(uint16_t) + len;
      }
      memcpy(e + field, &stored, sizeof stored);
      field += sizeof(uint16_t) + rooms[n];
    }
  }
  return true;
}

// The attribute names of DESCRIBE TYPE: a u16 count, then packed entries
// of a u16 length and exactly that many bytes, on every conversion path.
bool copy_packed_names(const view& v, uint32_t at, const SQLDA* da, void* names, uint8_t mode, rdb_sql_area* area) {
  if (names == nullptr || da == nullptr) return client_error(area, __LINE__) == 0;
  if (!v.has(at, sizeof(uint16_t))) return refuse(area, __LINE__) == 0;
  const uint16_t count = v.u16(at);
  // The caller's area has an entry for each variable of its SQLDA and no more.
  if (count > static_cast<uint16_t>(std::max<int16_t>(da->sqln, 0))) return refuse(area, __LINE__) == 0;
  const uint32_t entry_size = ucs2_mode(mode) ? kUcs2NameEntry : kNameEntry;
  auto* out = static_cast<uint8_t*>(names);
  memcpy(out, &count, sizeof count);
  uint32_t pos = at + sizeof(uint16_t);
  for (uint16_t i = 0; i < count; ++i) {
    if (!v.has(pos, sizeof(uint16_t))) return refuse(area, __LINE__) == 0;
    const uint16_t len = v.u16(pos);
    if (!v.has(pos + sizeof(uint16_t), len) ||
        !store_name(v, pos + sizeof(uint16_t), len, out + 2 + static_cast<uint32_t>(i) * entry_size, mode)) {
      return refuse(area, __LINE__) == 0;
    }
    pos += sizeof(uint16_t) + len;
  }
  return true;
}

// The array statement's row count, and its per-row result counts into the
// array the statement registered; the registration ends with the reply.
bool take_array_counts(const view& v, uint32_t ext, clt_main* main, rdb_sql_area* area) {
  if (level_at_least(main, kLevelArrayCount) && area->arycount != 0) main->ary_count = area->arycount;
  clt_req_conn* conn = clt_req_cur().conn;
  if (conn == nullptr || conn->array_result == 0) return true;
  conn->array_result = 0;
  if (!level_at_least(main, kLevelSqltrc) || ext == 0 || main->param_pointer == nullptr) return true;
  auto* out = static_cast<uint32_t*>(main->param_pointer);
  const uint32_t room = static_cast<uint32_t>(std::max<int16_t>(area->arycount, 0));
  uint32_t rel = 0;
  uint32_t at = 0;
  if (!v.u32_at(ext, kExtArrayCounts, &rel) || rel == 0) {
    if (room > 1) memset(out, 0, room * sizeof(uint32_t));
    return true;
  }
  uint32_t count = 0;
  // More counts than the registered array holds are no answer to this statement.
  if (!v.at(ext, rel, &at) || !v.u32_at(at, &count) || count > room || !v.has(at + 4, count * sizeof(uint32_t))) {
    return refuse(area, __LINE__) == 0;
  }
  for (uint32_t i = 0; i < count; ++i) out[i] = v.u32(at + 4 + i * sizeof(uint32_t));
  return true;
}

bool is_describe(int32_t func) {
  return func == kPrepare || func == kDescribe || func == kHvar || func == kDescType || func == kResultDesc;
}

bool uses_second_sqlda(int32_t func) {
  return func == 7 || func == 8 || func == 18 || func == kCall || func == 21 || func == kDescType || func == 46;
}

bool has_output(int32_t func, const rdb_sql_area* area) {
  switch (func) {
    case 1: case 3: case 9: case 18: case 19: case 20: case 21: case 35: case 38: case 39: case 46:
      return true;
    case 7: case 8:
      return area->outcount > 0 || area->sqliasda2 != nullptr;
    default:
      return area->outcount > 0;
  }
}

}  // namespace

clt_reply_conn* clt_reply_cur(void) { return g_locator(); }

int32_t clt_reply_keep_errlog(clt_reply_conn* rc, const uint8_t* text, uint32_t room) {
  const void* end = memchr(text, '\0', room);
  if (end == nullptr) return -1;
  const uint32_t size = static_cast<uint32_t>(static_cast<const uint8_t*>(end) - text) + 1;
  if (rc->errlog_text == nullptr || rc->errlog_size < size) {
    if (rc->errlog_text != nullptr) cltmem_free(rc->errlog_text, kModule, __LINE__);
    rc->errlog_text = static_cast<char*>(cltmem_alloc(size, 0, kModule, __LINE__));
    rc->errlog_size = rc->errlog_text != nullptr ? size : 0;
  }
  if (rc->errlog_text == nullptr) {
    // Only the log hears of it: the text is dropped and the request goes on.
    clt_errlog_msg(kMsgLogMemory, "MEMORY", static_cast<int>(size), kModule, __LINE__);
    rc->errlog_flag = 0;
  } else {
    memcpy(rc->errlog_text, text, size);
    rc->errlog_flag = kYes;
  }
  return 0;
}

clt_reply_locator clt_reply_set_locator(clt_reply_locator locator) {
  clt_reply_locator old = g_locator;
  g_locator = locator != nullptr ? locator : no_conn;
  return old;
}

void clt_reply_free_work(clt_reply_conn* conn) {
  for (uint8_t** block : {&conn->trace_block, &conn->apinf, &conn->apinf2, &conn->sqltrc}) {
    if (*block != nullptr) cltmem_free(*block, kModule, __LINE__);
    *block = nullptr;
  }
}

bool clt_blkf_configured(const clt_main* main, const clt_env* env) {
  return env != nullptr &&
         (env->pdblkf >= CLT_MULTIPLE || (env->pdblkbuffsize > 0 && level_at_least(main, CLT_LEVEL_BLOCK_BUFFER)));
}

void clt_reply_drop_description(clt_reply_conn* conn) {
  for (uint8_t** block : {&conn->fetch_desc, &conn->kept_flags.bytes}) {
    if (*block != nullptr) cltmem_free(*block, kModule, __LINE__);
    *block = nullptr;
  }
  conn->kept_flags.count = 0;
}

void clt_reply_free(clt_reply_conn* conn) {
  clt_reply_free_work(conn);
  clt_reply_drop_description(conn);
  for (uint8_t** block : {&conn->disc_trace, &conn->type_list}) {
    if (*block != nullptr) cltmem_free(*block, kModule, __LINE__);
    *block = nullptr;
  }
  if (conn->errlog_text != nullptr) cltmem_free(conn->errlog_text, kModule, __LINE__);
  conn->errlog_text = nullptr;
  conn->errlog_size = 0;
  conn->errlog_flag = 0;
}

int32_t clt_reply_complete(SQLCA* sqlca, const uint8_t* body, uint32_t received) {
  view v;
  if (!make_view(body, received, &v) || sqlca == nullptr) return -1;
  clt_com_ctx com = clt_com_cur();
  clt_main* main = com.main;
  const bool rd = com.env != nullptr && com.env->pdsrvtype == kSecondProtocol;
  uint32_t ca = 0;
  if (!v.u32_at(kBodySqlca, &ca) || ca == 0 || !v.has(ca, kCaSize)) return -1;
  const uint8_t* p = v.p + ca;
  memcpy(sqlca->sqlcaid, p + kCaIdent, sizeof sqlca->sqlcaid);
  clt_reply_conn* rc = clt_reply_cur();
  const char mark = static_cast<char>(p[kCaIdent + 7]);
  if (rc != nullptr && mark != kBlank) rc->sqlca_mark = rd && mark == 'D' ? kBlank : mark;
  memcpy(sqlca->sqlsrcfile, p + kCaSource, kCaSourceSize);
  sqlca->sqlsrcline = static_cast<int32_t>(v.u32(ca + kCaLine));
  sqlca->sqlcabc = CLT_SQLCA_SIZE;
  memset(sqlca->sqlerrp, kBlank, sizeof sqlca->sqlerrp);
  for (int i = 0; i < kErrdCount; ++i) sqlca->sqlerrd[i] = static_cast<int32_t>(v.u32(ca + kCaErrd + 4 * i));
  for (int i = 0; i < 2 * kWarnBits; ++i) {
    const uint8_t bits = p[kCaWarn + i / kWarnBits];
    sqlca->sqlwarn[i] = (bits & (0x80 >> (i % kWarnBits))) != 0 ? kWarn : kBlank;
  }
  const int32_t code = static_cast<int32_t>(v.u32(ca + kCaCode));
  sqlca->SQLCODE = code;
  const char* fixed = code == 0 ? (rd ? CLT_MSG_COMPLETED_SECOND : CLT_MSG_COMPLETED)
                      : code == CLT_SQL_NO_ROWS ? (rd ? kMsgRdNoRows : CLT_MSG_NO_ROWS)
                                               : nullptr;
  if (fixed != nullptr) {
    const size_t n = strlen(fixed);
    memcpy(sqlca->sqlerrmc, fixed, n);
    sqlca->sqlerrml = static_cast<int16_t>(n);
    return 0;
  }
  const uint32_t msg = v.u32(ca + kCaMessage);
  if (msg == 0 || !v.has(ca, msg) || !v.has(ca + msg, sizeof(uint16_t))) return -1;
  const uint16_t len = v.u16(ca + msg);
  if (!v.has(ca + msg + sizeof(uint16_t), len)) return -1;
  const uint8_t* text = v.p + ca + msg + sizeof(uint16_t);
  // A message longer than sqlerrmc is cut to it.
  const uint32_t kept = std::min<uint32_t>(len, sizeof sqlca->sqlerrmc);
  const uint8_t mode = cnv_mode(com.env);
  if (plain_mode(mode) || (main != nullptr && main->funccode == kConnect)) {
    memcpy(sqlca->sqlerrmc, text, kept);
    sqlca->sqlerrml = static_cast<int16_t>(kept);
    return 0;
  }
  if (main != nullptr) {
    memcpy(main->msg_copy, text, kept);
    main->msg_copy_length = static_cast<uint16_t>(kept);
  }
  sqlca->sqlerrml = static_cast<int16_t>(convert_text(text, kept, sqlca->sqlerrmc, ucs2_mode(mode) ? kUcs2Room : kept));
  return 0;
}

bool clt_reply_status(const uint8_t* body, uint32_t received, uint32_t at, uint8_t* out) {
  view v;
  uint32_t st = 0;
  if (!make_view(body, received, &v) || !v.u32_at(kBodyStatus, &st) || st == 0 || !v.has(st, at + 1)) return false;
  *out = v.p[st + at];
  return true;
}

namespace {

constexpr uint32_t kAnalysing = 0x10;
constexpr uint32_t kAnalysed = 0x20;

// The connection's analysis state word, marked as analysing; null
// without an RPC connection.
uint32_t* start_analysis() {
  const clt_rpc_ctx rpc = clt_rpc_parts();
  uint32_t* state = rpc.conn != nullptr ? &rpc.conn->state : nullptr;
  if (state != nullptr) *state = (*state | kAnalysing) & ~kAnalysed;
  return state;
}

// A block of row records: the extension part names conversion variant 5.
bool variant5(const view& v, uint32_t ext, const clt_main* main) {
  uint32_t variant = 0;
  return level_at_least(main, kLevelSqltrc) && ext != 0 && v.u32_at(ext, kExtVariant, &variant) &&
         variant == kVariant5;
}

uint32_t extension_of(const view& v, const clt_main* main) {
  uint32_t ext = 0;
  return level_at_least(main, kLevelExt) && v.u32_at(kBodyExt, &ext) ? ext : 0;
}

}  // namespace

int32_t clt_reply_analyse_row(const uint8_t* body, uint32_t received, rdb_sql_area* area, int32_t block_sqlcode,
                              clt_reply_route* route) {
  clt_main* main = clt_com_cur().main;
  view v;
  uint32_t st = 0;
  uint32_t data = 0;
  uint32_t charset = 0;
  SQLDA* da = area->sqliasda;
  // The first row's analysis took what the rest of the reply carries; the
  // character-set names go to the caller's area with every row.
  if (main == nullptr || !make_view(body, received, &v) || !v.u32_at(kBodyStatus, &st) || st == 0 ||
      !v.has(st, kStSize) || !v.u32_at(kBodyData, &data) || data == 0 || data >= v.total || da == nullptr ||
      da->sqld < 0 || clt_reply_svc.convert == nullptr ||
      (level_at_least(main, kLevelCursors) && v.u32_at(kBodyCharset, &charset) && charset != 0)) {
    return CLT_REPLY_ROW_FULL;
  }
  uint32_t* state = clt_reply_row_begin(main, area, v.p[st + kStResult], block_sqlcode);
  *route = variant5(v, extension_of(v, main), main) ? clt_reply_route::block_variant : clt_reply_route::block;
  const int32_t rc = clt_reply_svc.convert(*route, body, v.total, area) != 0 ? -1 : 0;
  clt_reply_row_end(state);
  return rc;
}

uint32_t* clt_reply_row_begin(clt_main* main, rdb_sql_area* area, uint8_t result, int32_t block_sqlcode) {
  uint32_t* state = start_analysis();
  main->ary_count = 0;
  area->result = result;
  area->trcword = 0;
  area->sqlca->SQLCODE = block_sqlcode;
  clt_global_data* ctx = clt_cur();
  if (ctx != nullptr) memset(ctx->runtime.req_counters, 0, sizeof ctx->runtime.req_counters);
  return state;
}

void clt_reply_row_end(uint32_t* state) {
  if (state != nullptr) *state |= kAnalysed;
}

int32_t clt_reply_analyse(const uint8_t* body, uint32_t received, rdb_sql_area* area) {
  clt_com_ctx com = clt_com_cur();
  clt_main* main = com.main;
  clt_env* env = com.env;
  clt_reply_conn* rc = clt_reply_cur();
  if (main == nullptr || env == nullptr || rc == nullptr) return client_error(area, __LINE__);
  uint32_t* state = start_analysis();
  main->ary_count = 0;
  // A reply that says the server closed every cursor frees every kept
  // block; a block FETCH reads its reply from one of them, so the blocks
  // go only once the analysis is done with the reply.
  bool release_blocks = false;
  auto done = [state, &release_blocks, main, env, area](int32_t result) {
    if (release_blocks && clt_blkf_configured(main, env) && main->blkf_list != nullptr &&
        clt_blkf_free_all(area) != 0 && result == 0) {
      result = -1;
    }
    if (state != nullptr) *state |= kAnalysed;
    return result;
  };
  view v;
  if (!make_view(body, received, &v) || v.total == 0) return done(refuse(area, __LINE__));
  const int32_t func = main->funccode;

  const uint32_t ext = extension_of(v, main);
  if (ext != 0) {
    // Older server levels end the part before its later fields; each
    // field is read only where the body holds it.
    if (!v.has(ext, kExtFirstField)) return done(refuse(area, __LINE__));
    if (!keep_extension_blocks(v, ext, main, env, rc, area)) return done(-1);
    uint32_t wrtln = 0;
    if (level_at_least(main, kLevelWriteLine) && env->wrtln_on == kYes && v.u32_at(ext, kExtWriteLine, &wrtln) &&
        wrtln != 0 && func != kFetch) {
      main->wrtln_pending = kYes;
    }
  }
  if ((func == kAui2 || func == kAux) && !take_array_counts(v, ext, main, area)) return done(-1);
  if (ext != 0 && !keep_extension_data(v, ext, main, env, rc, area)) return done(-1);

  uint32_t st = 0;
  if (!v.u32_at(kBodyStatus, &st) || st == 0 || !v.has(st, kStSize)) return done(refuse(area, __LINE__));
  const uint8_t flags7 = v.p[st + kStFlags7];
  const uint8_t flags16 = v.p[st + kStFlags16];
  rc->reconnect_state = !level_at_least(main, kLevelReconnect) ? 2
                        : (flags7 & kSt7Reconnect1) != 0   ? 1
                        : (flags7 & kSt7Reconnect0) != 0   ? 0
                                                           : 2;
  memcpy(area->sqlstate, v.p + st + kStSqlstate, sizeof area->sqlstate);
  area->result = v.p[st + kStResult];
  area->trcword = 0;
  if (func == kPrepare && env->pdchkaryinsert == kYes) {
    area->aryinsans = !level_at_least(main, kLevelArrayCheck) ? 'U' : (flags16 & kSt16ArrayInsert) != 0 ? kYes : 'N';
  }

  // Only a reply that came through the sections tells of error-log text.
  const clt_com_conn* com_conn = clt_main_com(main);
  if ((flags16 & kSt16Notice) != 0 && level_at_least(main, kLevelNotice) && com_conn->shm_channel == 1 &&
      com_conn->shm.oversize == 0) {
    rc->notice = kYes;
  }
  if ((flags16 & kSt16Finished) != 0 && level_at_least(main, kLevelCursors)) {
    rc->finished = kYes;
    return done(0);
  }
  if ((flags7 & kSt7CursorsClosed) != 0 && level_at_least(main, kLevelCursors)) {
    release_blocks = true;
    if ((env->pdcursorlvl == '1' || env->pdcursorlvl == '2') && main->loc_list != nullptr &&
        clt_loc_free_all(area) != 0) {
      return done(-1);
    }
  }
  if (clt_reply_complete(area->sqlca, body, v.total) != 0) return done(refuse(area, __LINE__));
  const int32_t code = area->sqlca->SQLCODE;
  clt_global_data* ctx = clt_cur();
  if (ctx != nullptr) memset(ctx->runtime.req_counters, 0, sizeof ctx->runtime.req_counters);

  const bool fetch = func == kFetch || func == kResultFetch;
  const bool block = fetch && clt_blkf_configured(main, env) && main->blkf_flag == 0;
  // A FETCH that failed keeps no description: the next one sends it again.
  if (code < 0 && fetch && rc->fetch_desc != nullptr) {
    cltmem_free(rc->fetch_desc, kModule, __LINE__);
    rc->fetch_desc = nullptr;
  }
  if (clt_cursor_list_kept(main, env)) {
    uint32_t ca = 0;
    const uint16_t kind = v.u32_at(kBodySqlca, &ca) && v.has(ca, kCaSize) ? v.u16(ca + kCaKind) : 0;
    if (clt_loc_after_reply(area, code, v.p[st + kStHold], kind) != 0) return done(-1);
  }
  if (code < 0) {
    const bool goes_on = (block && !(env->pdblkferrbreak == kYes && (flags7 & 0x04) != 0)) || func == kCall ||
                         (fetch && area->fetchrows >= 2);
    if (!goes_on) return done(0);
  }

  uint32_t data = 0;
  if (v.u32_at(kBodyData, &data) && data != 0 && has_output(func, area)) {
    if (data >= v.total) return done(refuse(area, __LINE__));
    SQLDA* da = uses_second_sqlda(func) ? area->sqliasda2 : area->sqliasda;
    if (da == nullptr || (fetch && da->sqld < 0)) return done(client_error(area, __LINE__));
    const bool charsets = level_at_least(main, kLevelCursors);
    if (is_describe(func) && func != kPrepare) {
      uint32_t per_column = 0;
      uint32_t charset = 0;
      if (!copy_description(v, data, da, area)) return done(-1);
      uint32_t written = 0;
      if (v.u32_at(kBodyPerColumn, &per_column) && !copy_per_column(v, per_column, 0, da, main, area, &written)) {
        return done(-1);
      }
      void* csna = uses_second_sqlda(func) ? area->sqlcsna2 : area->sqlcsna1;
      if (charsets && v.u32_at(kBodyCharset, &charset) && charset != 0 && !copy_charset(v, charset, csna, area)) {
        return done(-1);
      }
    } else if (func == kPrepare) {
      // The PREPARE directory: the output pass, then the input pass into the second SQLDA.
      struct pass {
        uint32_t desc;
        uint32_t per_column;
        uint32_t charset;
        SQLDA* da;
        void* csna;
      };
      const pass passes[] = {{20, 32, 40, da, area->sqlcsna1}, {4, 16, 36, area->sqliasda2, area->sqlcsna2}};
      // The input pass's values follow the entries the output pass wrote.
      uint32_t first = 0;
      for (const pass& ps : passes) {
        uint32_t desc = 0;
        uint32_t per_column = 0;
        uint32_t charset = 0;
        if (!v.u32_at(data, ps.desc, &desc) || !v.u32_at(data, ps.per_column, &per_column) ||
            !v.u32_at(data, ps.charset, &charset)) {
          return done(refuse(area, __LINE__));
        }
        if (desc == 0 || ps.da == nullptr) break;
        uint32_t desc_at = 0;
        uint32_t per_column_at = 0;
        uint32_t charset_at = 0;
        if (!v.at(data, desc, &desc_at) || (per_column != 0 && !v.at(data, per_column, &per_column_at)) ||
            (charset != 0 && !v.at(data, charset, &charset_at))) {
          return done(refuse(area, __LINE__));
        }
        uint32_t written = 0;
        if (!copy_description(v, desc_at, ps.da, area) ||
            !copy_per_column(v, per_column_at, first, ps.da, main, area, &written)) {
          return done(-1);
        }
        if (charsets && charset != 0 && !copy_charset(v, charset_at, ps.csna, area)) return done(-1);
        first += written;
      }
    } else {
      if (!block && rc->descriptor_form != 0 && v.has(data, kDescEntries)) {
        const int16_t sqln = static_cast<int16_t>(v.u16(data + kDescSqln));
        const int16_t sqld = static_cast<int16_t>(v.u16(data + kDescSqld));
        if (sqln > da->sqln || sqln < 0 || sqld < 0 || sqln > kDescMax || sqld > kDescMax) {
          return done(refuse(area, __LINE__));
        }
      }
      const bool var5 = variant5(v, ext, main);
      clt_reply_route route = clt_reply_route::output;
      if (fetch && block) {
        route = var5 ? clt_reply_route::block_variant : clt_reply_route::block;
      } else if (fetch && area->fetchrows < 2) {
        route = rc->descriptor_form != 0 ? clt_reply_route::output : clt_reply_route::sqlda_single;
      } else if (fetch) {
        route = rc->descriptor_form == 0 ? clt_reply_route::sqlda_array
                : var5                   ? clt_reply_route::column_variant
                                         : clt_reply_route::column;
      }
      if (clt_reply_svc.convert == nullptr) return done(client_error(area, __LINE__));
      if (clt_reply_svc.convert(route, body, v.total, area) != 0) return done(-1);
      uint32_t charset = 0;
      void* csna = uses_second_sqlda(func) ? area->sqlcsna2 : area->sqlcsna1;
      if (charsets && v.u32_at(kBodyCharset, &charset) && charset != 0 && !copy_charset(v, charset, csna, area)) {
        return done(-1);
      }
    }
  }
  if (code < 0) return done(0);

  const uint8_t mode = cnv_mode(env);
  if (area->desckind == kNameRequest && (func == kPrepare || func == kDescribe || func == kHvar || func == kResultDesc)) {
    uint32_t names = 0;
    if (func == kPrepare) {
      // Output names with the output SQLDA, input names with the second one.
      const struct {
        uint32_t field;
        const SQLDA* da;
        void* target;
      } lists[] = {{kPrepOutNames, area->sqliasda, area->colnames1}, {kPrepInNames, area->sqliasda2, area->colnames2}};
      for (const auto& list : lists) {
        uint32_t rel = 0;
        if (data == 0 || !v.u32_at(data, list.field, &rel) || rel == 0) continue;
        if (!v.at(data, rel, &names)) return done(refuse(area, __LINE__));
        if (!copy_names(v, names, list.da, list.target, mode, area)) return done(-1);
      }
    } else if (v.u32_at(kBodyNames, &names) && names != 0) {
      if (!copy_names(v, names, area->sqliasda, area->colnames1, mode, area)) return done(-1);
    }
  }
  uint32_t type_attr_names = 0;
  if (area->desckind == kNameRequest && func == kDescType && v.u32_at(kBodyNames, &type_attr_names) &&
      type_attr_names != 0 && !copy_packed_names(v, type_attr_names, area->sqliasda2, area->colnames2, mode, area)) {
    return done(-1);
  }
  const bool type_names = area->attrkind == 'A' || area->attrkind == 'T';
  if (type_names && (func == kPrepare || func == kDescribe || func == kDescType || func == kResultDesc)) {
    uint32_t part = 0;
    uint32_t rel = 0;
    if (func == kPrepare) {
      if (data != 0 && v.u32_at(data, kPrepTypeNames, &rel) && rel != 0 && !v.at(data, rel, &part)) {
        return done(refuse(area, __LINE__));
      }
    } else if (!level_at_least(main, kLevelExt)) {
      v.u32_at(kBodyExt, &part);
    } else if (ext != 0 && v.u32_at(ext, kExtTypeNames, &rel) && rel != 0 && !v.at(ext, rel, &part)) {
      return done(refuse(area, __LINE__));
    }
    if (part != 0) {
      const SQLDA* desc = func == kPrepare || func == kDescType ? area->sqliasda2 : area->sqliasda;
      if (!copy_type_names(v, part, desc, area->attrarea, mode, area)) return done(-1);
    }
  }
  return done(0);
}
