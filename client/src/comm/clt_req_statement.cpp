#include "clt_req_statement.h"

#include <string.h>

#include <initializer_list>
#include <string>

#include "CLTSQLDA.h"
#include "CLTUTL.h"
#include "clt_chk_identifier.h"
#include "clt_req_put_vars.h"
#include "zk_codes.h"
#include "zk_packet.h"
#include "zk_seam.h"

using namespace clt_pkt;

namespace {

constexpr const char* kModule = "CLTRPCPR";

constexpr uint32_t kWideBodyLevel = 15;
constexpr uint32_t kArrayLevel = 18;
constexpr uint32_t kBlockBufferLevel = 20;
constexpr uint32_t kArrayResultLevel = 20;
constexpr uint32_t kTrioLevel = 21;
constexpr uint32_t kCsnaLevel = 24;
constexpr uint32_t kNamePairLevel = 26;
constexpr uint32_t kNarrowEnd = 112;
constexpr uint32_t kWideEnd = 132;
constexpr int16_t kKeepVersion = 0x601;
constexpr int16_t kArrayVersion = 0x700;
constexpr int16_t kManyRows = 2;
constexpr uint16_t kNoList = 0xFFFF;
constexpr int32_t kNameRoom = 30;
constexpr uint32_t kListHead = 16;
constexpr uint32_t kCsnaHead = 32;
constexpr uint32_t kCsnaIdentifier = 8;
constexpr uint32_t kCsnaWord = 8;
constexpr uint32_t kCsnaNameSize = 64;
constexpr uint32_t kCsnaNamePart = 32;  // u16 length and 30 bytes
constexpr uint32_t kExtNameSize = 38;
constexpr uint32_t kExt49Size = 36;
constexpr uint32_t kExtNoticeSize = 4;
constexpr uint32_t kSqlTextAlign = 4;
constexpr uint32_t kWorstGap = 3;
constexpr int32_t kCnvGrowth = 3;
constexpr int32_t kCnvToServer = 1;
constexpr uint32_t kCnvStore = 0;
constexpr uint8_t kCnvNone = 0;
constexpr uint8_t kCnvAuto = 1;
constexpr char kGlobalName = 'G';

// Fixed body offsets.
enum : uint32_t {
  kPrefix = 52, kCode = 56, kSection = 60, kStmtWord = 62, kAttr = 64, kDescKind = 67, kTerm = 68, kDescForm = 69,
  kAttrKind = 70, kOption = 71, kTextOff = 72, kStmtId = 76, kName1Off = 80, kName2Off = 84, kOutCount = 88,
  kRowsPerBlock = 90, kRdaBlkf = 92, kStmtSection = 94, kParamArray = 96, kHold = 97, kFetchRows = 98,
  kStmtValue = 100, kReqSeq = 104, kKept = 108, kStmtFlags = 109, kArrayRows = 110, kSqln2 = 112, kSqln1 = 114,
  kArrayResult = 116, kDescBits = 117, kTrio = 120, kCsnaNames2 = 128, kCsnaNames1 = 130,
};
constexpr uint32_t kAttrBytes = 3;

// Part-offset slots.
enum : int { kSlotList1 = 0, kSlotList2 = 2, kSlotDecl = 4, kSlotCsna1 = 6, kSlotCsna2 = 7 };

// Extension element kinds of statement requests.
enum : uint16_t { kExtVar1 = 2, kExtVar2 = 3, kExtNotice = 6, kExtStmtName = 7, kExtCursName = 8, kExt49a = 9,
                  kExt49b = 10 };

// Descriptor bits of a PREPARE that asks for its descriptions.
enum : uint8_t { kBitList2Names = 0x01, kBitAttr = 0x02, kBitList2 = 0x04, kBitList2Csna = 0x08,
                 kBitList1Names = 0x10, kBitList1 = 0x40, kBitList1Csna = 0x80 };
constexpr uint8_t kSetVarsFlag = 0x01;
// Statement flags of a FETCH of a listed cursor: the statement is known,
// and the FETCH carries the OPEN completed without the server (0x02) or
// that OPEN's block in place of the text (0x0A).
constexpr uint8_t kKeptFetch = 0x04;
constexpr uint8_t kDeferredOpen = 0x02;
constexpr uint8_t kDeferredOpenBlock = 0x0A;
constexpr uint8_t kNamePairFlag = 0x10;

// Block-fetch modes handed to the variable encoding.
enum : int32_t { kNoBlockFetch = 0, kBlockFetch = 1, kArrayFetch = 2 };

bool is(int32_t func, std::initializer_list<int32_t> codes) {
  for (int32_t code : codes) {
    if (func == code) return true;
  }
  return false;
}

bool yes(uint8_t b) { return b == 'Y'; }

// An area name: a 16-bit length and the text.
struct ext_name {
  int16_t length;
  char text[1];
};

class builder {
 public:
  builder(const clt_req_ctx& c)
      : c_(c), w_(c.packet, c.main->byteorder), func_(c.main->funccode),
        level_(static_cast<uint32_t>(c.main->srv_level)) {}

  int32_t build() {
    const rdb_sql_area& a = *c_.area;
    find_kept_statement();
    len_ = 0;
    if (!fits(at_least(kWideBodyLevel) ? kWideEnd : kNarrowEnd)) return too_long(__LINE__);
    len_ = at_least(kWideBodyLevel) ? kWideEnd : kNarrowEnd;
    parts_ = func_ == CLT_FC_DEST ? 2 : 1;
    header_from_12(w_, parts_);
    w_.zero(CLT_REQ_HEADER_SIZE, len_);
    fixed_body(a);
    if (!fits(2 * (kNameRoom + 1))) return too_long(__LINE__);
    names(a);
    if (sql_text(a) != 0) return -1;
    if (declaration(a) != 0) return -1;
    if (lists(a) != 0) return -1;
    if (extensions(a) != 0) return -1;
    set_parts(w_, parts_);
    set_total(w_, len_);
    return 0;
  }

 private:
  bool at_least(uint32_t n) const { return clt_srv_level_at_least(level_, n); }

  // A FETCH of a cursor the statement list knows; with PDCURSORLVL '2'
  // and an OPEN completed without the server, the FETCH carries it.
  void find_kept_statement() {
    if (func_ != CLT_FC_FETC || !clt_cursor_list_kept(c_.main, c_.env) ||
        clt_runtime(clt_runtime_op::loc_find, c_.area) != 0) {
      return;
    }
    kept_ = static_cast<const clt_loc_entry*>(c_.main->loc_current);
    if (kept_ == nullptr || c_.env->pdcursorlvl != '2' || kept_->fetched != 'N') return;
    carried_open_ = kept_->open == 'Y';
    deferred_ = kept_;
  }
  const uint8_t* open_block() const { return deferred_ != nullptr ? deferred_->open_block : nullptr; }
  const SQLDA* deferred_vars() const { return deferred_ != nullptr ? deferred_->vars : nullptr; }

  // Whether need more bytes fit behind the running length, an alignment
  // gap included; no part is written beyond the request buffer.
  bool fits(uint64_t need) const { return uint64_t{len_} + need + kWorstGap <= c_.packet_size; }
  int32_t too_long(int line) {
    return clt_report(c_.area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule,
                      static_cast<int32_t>(line));
  }
  bool set_y() const { return func_ == CLT_FC_SET && yes(c_.area->setvars); }
  bool describes() const { return is(func_, {CLT_FC_SET, CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_DEST, CLT_FC_RSDC}); }
  bool fetch() const { return func_ == CLT_FC_FETC || func_ == CLT_FC_RSFT; }
  bool array_statement() const {
    return (func_ == CLT_FC_AUI2 || func_ == CLT_FC_AUX) && c_.area->version >= kArrayVersion &&
           c_.area->arycount >= kManyRows;
  }
  bool list1_sent() const {
    return fetch() || is(func_, {CLT_FC_AUI2, CLT_FC_OPEN, CLT_FC_OPN2, CLT_FC_DESC, CLT_FC_OPNR, CLT_FC_HVAR,
                                 CLT_FC_RSDC}) ||
           both_lists();
  }
  bool both_lists() const {
    return is(func_, {CLT_FC_AUX, CLT_FC_AUXI, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_AUI3});
  }
  // A FETCH whose description the server already holds sends none.
  bool description_kept() const {
    return fetch() && c_.reply != nullptr && c_.reply->desc_caching == 1 && c_.reply->desc_changed != 1;
  }
  bool heads_only() const { return is(func_, {CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_RSDC}); }
  const void* csna1() const { return at_least(kCsnaLevel) ? c_.area->sqlcsna1 : nullptr; }
  const void* csna2() const { return at_least(kCsnaLevel) ? c_.area->sqlcsna2 : nullptr; }

  void rows_and_block(int16_t* rows, int16_t* word) {
    const clt_env& e = *c_.env;
    const int16_t fetch_rows = c_.area->fetchrows;
    *rows = e.pdblkf;
    *word = 0;
    if (fetch() && fetch_rows < kManyRows) {
      const bool off = c_.main->blkf_flag != 0;
      if ((e.pdblkf >= kManyRows || (e.pdblkbuffsize > 0 && at_least(kBlockBufferLevel))) && !off) {
        *word = static_cast<int16_t>(-e.pdblkf);
        mode_ = kBlockFetch;
      } else {
        *rows = 1;
      }
    } else if (fetch()) {
      *rows = 1;
      *word = fetch_rows;
      mode_ = kArrayFetch;
    } else if (array_statement()) {
      *rows = 1;
    }
  }

  uint8_t desc_bits(const rdb_sql_area& a) const {
    uint8_t bits = 0;
    if (c_.main->param_flag != 0) {
      if (a.sqliasda != nullptr) bits |= kBitList1;
      if (a.sqliasda2 != nullptr) bits |= kBitList2;
    }
    if (csna1() != nullptr) bits |= kBitList1Csna;
    if (csna2() != nullptr) bits |= kBitList2Csna;
    if (a.desckind == 'S' && a.colnames1 != nullptr) bits |= kBitList1Names;
    if (a.desckind == 'S' && a.colnames2 != nullptr) bits |= kBitList2Names;
    if ((a.attrkind == 'A' || a.attrkind == 'T') && a.sqliasda2 != nullptr && a.attrarea != nullptr) bits |= kBitAttr;
    return bits;
  }

  static uint16_t csna_names(const void* csna) {
    return csna != nullptr ? static_cast<uint16_t>(clt_csna_count(csna, CLT_CSNA_NAMES)) : kNoList;
  }

  void fixed_body(const rdb_sql_area& a) {
    w_.bytes(kPrefix, a.prefix, sizeof a.prefix);
    w_.bytes(kCode, a.reqcode, sizeof a.reqcode);
    w_.u16(kSection, a.section);
    w_.u16(kStmtWord, a.stmtword);
    w_.bytes(kAttr, &a.stmtattr, kAttrBytes);
    if (describes()) {
      w_.byte(kDescKind, a.desckind == 'S' ? 'S' : ' ');
      w_.byte(kAttrKind, a.attrkind);
    }
    w_.byte(kTerm, term_byte(&a));
    w_.byte(kDescForm, c_.reply != nullptr && c_.reply->descriptor_form != 0 ? 'Y' : 'N');
    if (func_ == CLT_FC_SET && (a.prpcrcls == 'Y' || a.prpcrcls == 'N')) w_.byte(kOption, a.prpcrcls);
    w_.u32(kStmtId, a.stmtid);
    w_.i16(kOutCount, a.outcount);
    int16_t rows = 0, word = 0;
    rows_and_block(&rows, &word);
    w_.i16(kRowsPerBlock, rows);
    w_.u16(kRdaBlkf, c_.env->pdrdablkf);
    w_.u16(kStmtSection, a.stmtsection);
    const bool param_array = c_.main->param_flag != 0;
    if (set_y() || is(func_, {CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_RSDC})) {
      w_.byte(kParamArray, param_array ? 'Y' : 'N');
    } else if (func_ != CLT_FC_SET) {
      w_.byte(kParamArray, 'N');
    }
    if (is(func_, {CLT_FC_SET, CLT_FC_OPN2, CLT_FC_ALCR}) && yes(a.hold)) w_.byte(kHold, 1);
    w_.i16(kFetchRows, word);
    w_.u32(kStmtValue, a.stmtvalue);
    w_.u32(kReqSeq, c_.conn->reqseq);
    if (func_ == CLT_FC_SET && at_least(kWideBodyLevel)) {
      w_.byte(kKept, a.version >= kKeepVersion && yes(a.keep) ? 'Y' : 'N');
    }
    if (func_ == CLT_FC_SET) {
      uint8_t flags = set_y() ? kSetVarsFlag : 0;
      if (at_least(kNamePairLevel) && a.namepair != nullptr) flags |= kNamePairFlag;
      w_.byte(kStmtFlags, flags);
    }
    if (kept_ != nullptr) kept_statement_fields();
    if ((func_ == CLT_FC_AUI2 || func_ == CLT_FC_AUX) && at_least(kArrayLevel) && array_statement()) {
      w_.i16(kArrayRows, a.arycount);
    }
    if (!at_least(kWideBodyLevel)) return;
    if (set_y()) {
      w_.u16(kSqln2, a.sqliasda2 != nullptr ? static_cast<uint16_t>(a.sqliasda2->sqln) : kNoList);
      w_.u16(kSqln1, a.sqliasda != nullptr ? static_cast<uint16_t>(a.sqliasda->sqln) : kNoList);
      w_.byte(kDescBits, desc_bits(a));
      w_.u16(kCsnaNames2, csna_names(csna2()));
      w_.u16(kCsnaNames1, csna_names(csna1()));
    }
    const bool array_result = (func_ == CLT_FC_AUI2 || func_ == CLT_FC_AUX) && at_least(kArrayResultLevel) &&
                              c_.conn->array_result != 0;
    w_.byte(kArrayResult, array_result ? 'Y' : 'N');
    if (at_least(kTrioLevel)) {
      w_.u32(kTrio, c_.errlog_count);
      w_.u32(kTrio + 4, c_.conn->thread_id);
    }
  }

  // Offset 109 and, for a FETCH that carries its cursor's OPEN, the
  // fields that OPEN would have sent.
  void kept_statement_fields() {
    uint8_t flags = kKeptFetch;
    if (carried_open_) {
      const bool block = kept_->open_block != nullptr;
      flags = static_cast<uint8_t>(flags + (block ? kDeferredOpenBlock : kDeferredOpen));
      if (block) {
        w_.bytes(kAttr, kept_->attr, kAttrBytes);
        w_.byte(kHold, kept_->hold);
        w_.byte(kKept, static_cast<uint8_t>(kept_->kept));
      }
      w_.u16(kStmtSection, kept_->stmtsection);
    }
    w_.byte(kStmtFlags, flags);
  }

  void name(const char* field, uint32_t slot) {
    const int32_t n = trimmed(field, kNameRoom);
    if (n == 0) return;
    w_.bytes(len_, field, static_cast<size_t>(n));
    w_.byte(len_ + static_cast<uint32_t>(n), 0);
    w_.u32(slot, len_);
    len_ += static_cast<uint32_t>(n) + 1;
  }

  void names(const rdb_sql_area& a) {
    name(a.name1, kName1Off);
    name(a.name2, kName2Off);
  }

  // Copies or converts text to the server's code set at off; its length
  // on the wire, or -1 after reporting a failed conversion.
  int32_t put_text(uint32_t off, const char* text, int32_t n, int line) {
    const uint8_t mode = c_.env->pdcltcnvmode;
    if (n <= 0) return 0;
    if (mode == kCnvNone || mode == kCnvAuto) {
      w_.bytes(off, text, static_cast<size_t>(n));
      return n;
    }
    int32_t source = n, room = n * kCnvGrowth, converted = 0;
    uint32_t replaced = 0;
    if (clt_cnv_through_slot(kCnvToServer, &source, text, &room, reinterpret_cast<char*>(c_.packet) + off, &converted,
                             &replaced, kCnvStore) != 0) {
      return clt_report(c_.area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                        kModule, static_cast<int32_t>(line));
    }
    return converted;
  }

  int32_t sql_text(const rdb_sql_area& a) {
    // A carried OPEN's block takes the place of the text.
    const rdb_sql_text* text = open_block() != nullptr ? reinterpret_cast<const rdb_sql_text*>(open_block()) : a.sqltext;
    const bool carries = open_block() != nullptr ||
                         is(func_, {CLT_FC_AUI2, CLT_FC_SET, CLT_FC_OPN2, CLT_FC_AUXI, CLT_FC_CALL, CLT_FC_GETD,
                                    CLT_FC_AUI3});
    if (!carries || text == nullptr) return 0;
    const uint8_t mode = c_.env->pdcltcnvmode;
    const int64_t growth = (mode == kCnvNone || mode == kCnvAuto) ? 1 : kCnvGrowth;
    if (text->length < 0 || !fits(sizeof(uint32_t) + growth * text->length)) return too_long(__LINE__);
    const uint32_t off = pad_to(w_, len_, kSqlTextAlign);
    const int32_t n = put_text(off + sizeof(uint32_t), text->text, text->length, __LINE__);
    if (n < 0) return -1;
    w_.u32(off, static_cast<uint32_t>(n));
    w_.u32(kTextOff, off - kPrefix);
    len_ = off + sizeof(uint32_t) + static_cast<uint32_t>(n);
    return 0;
  }

  int32_t declaration(const rdb_sql_area& a) {
    if (!is(func_, {CLT_FC_AUI2, CLT_FC_OPN2, CLT_FC_CALL}) || a.declkind != 'D') return 0;
    if (!fits(2 + sizeof a.optname)) return too_long(__LINE__);
    const void* blank = memchr(a.optname, ' ', sizeof a.optname);
    const auto n = static_cast<uint16_t>(blank != nullptr ? static_cast<const char*>(blank) - a.optname
                                                          : static_cast<ptrdiff_t>(sizeof a.optname));
    const uint32_t off = pad_to(w_, len_, 2);
    w_.u16(off, n);
    w_.bytes(off + 2, a.optname, n);
    set_slot(w_, kSlotDecl, off);
    ++parts_;
    len_ = off + 2 + n;
    return 0;
  }

  // The character-set name part of a list: its identifier, a word, the
  // counts and the entries in use packed together.
  int32_t csna_part(const void* csna, int slot) {
    const auto* s = static_cast<const uint8_t*>(csna);
    const int16_t codes = clt_csna_count(csna, CLT_CSNA_CODES);
    const int16_t names = clt_csna_count(csna, CLT_CSNA_NAMES);
    // Only what the area holds is read, whatever the counts in use say.
    const auto f = static_cast<uint16_t>(std::max<int16_t>(0, std::min(clt_csna_count(csna, CLT_CSNA_CODES_USED), codes)));
    const auto e = static_cast<uint16_t>(std::max<int16_t>(0, std::min(clt_csna_count(csna, CLT_CSNA_NAMES_USED), names)));
    if (!fits(kCsnaHead + 2u * f + kCsnaNameSize * e)) return too_long(__LINE__);
    const uint32_t off = pad_to(w_, len_, sizeof(uint32_t));
    w_.bytes(off, s, kCsnaIdentifier);
    uint32_t word = 0;
    if (slot == kSlotCsna1) {
      memcpy(&word, s + kCsnaWord, sizeof word);
    } else {
      word = kCsnaHead + 2 * f + kCsnaNameSize * e;
    }
    w_.u32(off + kCsnaIdentifier, word);
    const uint32_t counts = off + kCsnaIdentifier + sizeof(uint32_t);
    w_.zero(counts, off + kCsnaHead);
    if (heads_only()) {
      w_.u16(counts, static_cast<uint16_t>(std::max<int16_t>(0, codes)));
      w_.u16(counts + 4, static_cast<uint16_t>(std::max<int16_t>(0, names)));
      len_ = off + kCsnaHead;
    } else {
      w_.u16(counts, f);
      w_.u16(counts + 2, f);
      w_.u16(counts + 4, e);
      w_.u16(counts + 6, e);
      uint32_t at = off + kCsnaHead;
      for (uint16_t i = 0; i < f; ++i, at += 2) w_.u16(at, host_u16(s + CLT_CSNA_ENTRIES + 2u * i));
      const uint8_t* name = s + CLT_CSNA_ENTRIES + 2u * static_cast<uint32_t>(std::max<int16_t>(0, codes));
      for (uint16_t i = 0; i < e; ++i, name += kCsnaNameSize, at += kCsnaNameSize) {
        w_.bytes(at, name, kCsnaNameSize);
        w_.u16(at, host_u16(name));
        w_.u16(at + kCsnaNamePart, host_u16(name + kCsnaNamePart));
      }
      len_ = at;
    }
    set_slot(w_, slot, off);
    ++parts_;
    return 0;
  }

  static uint16_t host_u16(const uint8_t* p) {
    uint16_t v;
    memcpy(&v, p, sizeof v);
    return v;
  }

  // A list's descriptor part: its head, then the variables.
  int32_t list_part(const SQLDA* da, const void* csna, int slot, int32_t into, bool entries, int32_t mode,
                    bool into_list) {
    if (!fits(kListHead)) return too_long(__LINE__);
    const uint32_t off = pad_to(w_, len_, sizeof(uint32_t));
    w_.bytes(off, da->sqldaid, sizeof da->sqldaid);
    w_.u32(off + 8, da->sqldabc);
    w_.i16(off + 12, da->sqln);
    w_.i16(off + 14, entries ? da->sqld : 0);
    set_slot(w_, slot, off);
    // DESCRIBE TYPE counted its head part at the start.
    if (func_ != CLT_FC_DEST) ++parts_;
    len_ = off + kListHead;
    if (!entries || da->sqld <= 0) return 0;
    char token[CLT_PUT_VARS_TOKEN];
    clt_put_vars_fault fault{};
    const int32_t rc = clt_req_put_vars(c_, da, csna, off, into, &len_, token, mode, &fault);
    if (rc == 0) return 0;
    if (rc == CLT_SQL_VARIABLE_TYPE) {
      return clt_req_var_error(c_, kModule, __LINE__, da, fault.number, into_list, fault.kind);
    }
    return clt_report(c_.area, kModule, __LINE__, rc, CLT_SQLSTATE_DEFAULT, "%s", token);
  }

  int32_t lists(const rdb_sql_area& a) {
    // A carried OPEN's variables go first, as the OPEN's list; the FETCH's
    // own list then takes the second slots.
    const bool moved = deferred_vars() != nullptr;
    if (moved) {
      const void* csna = at_least(kCsnaLevel) ? deferred_->csna : nullptr;
      if (csna != nullptr && csna_part(csna, kSlotCsna1) != 0) return -1;
      if (list_part(deferred_vars(), csna, kSlotList1, 0, true, kNoBlockFetch, false) != 0) return -1;
    }
    if (list1_sent() && a.sqliasda != nullptr && !description_kept()) {
      if (csna1() != nullptr && csna_part(csna1(), moved ? kSlotCsna2 : kSlotCsna1) != 0) return -1;
      const int32_t into = fetch() ? a.sqliasda->sqld : func_ == CLT_FC_AUI2 ? a.outcount : 0;
      if (list_part(a.sqliasda, csna1(), moved ? kSlotList2 : kSlotList1, into, !heads_only(), mode_,
                    fetch() || heads_only()) != 0) {
        return -1;
      }
    }
    if (func_ == CLT_FC_DEST && a.sqliasda2 != nullptr) {
      if (list_part(a.sqliasda2, nullptr, kSlotList1, 0, false, kNoBlockFetch, false) != 0) return -1;
    }
    if (both_lists() && a.sqliasda2 != nullptr) {
      if (csna2() != nullptr && csna_part(csna2(), kSlotCsna2) != 0) return -1;
      if (list_part(a.sqliasda2, csna2(), kSlotList2, a.sqliasda2->sqld, true, kNoBlockFetch, true) != 0) return -1;
    }
    return 0;
  }

  // Elements 2 and 3: the first list's variables 1 and 2 in the VARCHAR
  // form, at most 30 bytes and their declared length.
  int32_t describe_type_names(ext_chain& chain) {
    const SQLDA* da = c_.area->sqliasda;
    if (da == nullptr) return 0;
    for (int32_t i = 0; i < 2 && i < da->sqld; ++i) {
      const SQLVAR& v = da->sqlvar[i];
      uint16_t n = 0;
      if (v.SQLDATA != nullptr) memcpy(&n, v.SQLDATA, sizeof n);
      if (v.SQLDATA == nullptr || n > kNameRoom || n > v.len.s.sqllen) {
        return clt_req_var_error(c_, kModule, __LINE__, da, i + 1, false, CLT_VAR_REAL_LENGTH);
      }
      if (!fits(kExtHeader + kCnvGrowth * kNameRoom)) return too_long(__LINE__);
      const uint32_t off = chain.open(len_);
      const int32_t m = put_text(off + kExtHeader, static_cast<const char*>(v.SQLDATA) + sizeof n, n, __LINE__);
      if (m < 0) return -1;
      w_.u16(off, static_cast<uint16_t>(kExtVar1 + i));
      w_.u16(off + 2, 0);
      w_.u16(off + 4, static_cast<uint16_t>(m));
      len_ = off + kExtHeader + static_cast<uint32_t>(m);
    }
    return 0;
  }

  // Element 7 or 8: an extended name, checked and upper-cased in the
  // packet so that the caller's own text stays as written.
  int32_t extended_name(ext_chain& chain, const void* p, uint16_t kind, const char* what) {
    const auto* name = static_cast<const ext_name*>(p);
    if (name->length > kNameRoom) {
      return clt_report(c_.area, kModule, __LINE__, CLT_SQL_IDENTIFIER_LONG, CLT_SQLSTATE_DEFAULT,
                        CLT_MSG_IDENTIFIER_LONG, first30(name->text).c_str());
    }
    if (!fits(kExtNameSize)) return too_long(__LINE__);
    const uint32_t off = chain.open(len_);
    w_.zero(off, off + kExtNameSize);
    w_.u16(off, kind);
    if (name->length > 0) w_.bytes(off + kExtHeader + 2, name->text, static_cast<size_t>(name->length));
    char* text = reinterpret_cast<char*>(c_.packet) + off + kExtHeader + 2;
    if (name->length <= 0 || clt_chk_identifier(c_.env->rdcltcode, text, name->length) != 0) {
      return clt_report(c_.area, kModule, __LINE__, CLT_SQL_INVALID_VALUE, CLT_SQLSTATE_DEFAULT, CLT_MSG_INVALID_VALUE,
                        what);
    }
    w_.byte(off + 4, kGlobalName);
    w_.u16(off + kExtHeader, static_cast<uint16_t>(name->length));
    len_ = off + kExtNameSize;
    return 0;
  }

  static std::string first30(const char* text) { return std::string(text, strnlen(text, kNameRoom)); }

  // Elements 9 and 10 of ALLOCATE CURSOR; a length beyond the element's
  // room is refused as an extended name is.
  int32_t name49(ext_chain& chain, const void* p, uint16_t kind, const char* what) {
    const auto* name = static_cast<const ext_name*>(p);
    if (name->length > kNameRoom) {
      return clt_report(c_.area, kModule, __LINE__, CLT_SQL_IDENTIFIER_LONG, CLT_SQLSTATE_DEFAULT,
                        CLT_MSG_IDENTIFIER_LONG, first30(name->text).c_str());
    }
    if (name->length < 0) {
      return clt_report(c_.area, kModule, __LINE__, CLT_SQL_INVALID_VALUE, CLT_SQLSTATE_DEFAULT, CLT_MSG_INVALID_VALUE,
                        what);
    }
    if (!fits(kExt49Size)) return too_long(__LINE__);
    const uint32_t off = chain.open(len_);
    w_.zero(off, off + kExt49Size);
    w_.u16(off, kind);
    w_.u16(off + 4, static_cast<uint16_t>(name->length));
    w_.bytes(off + kExtHeader, name->text, static_cast<size_t>(name->length));
    len_ = off + kExt49Size;
    return 0;
  }

  int32_t extensions(const rdb_sql_area& a) {
    ext_chain chain(w_, &parts_);
    if (func_ == CLT_FC_DEST && describe_type_names(chain) != 0) return -1;
    if (c_.conn->pending_notice != 0) {
      if (!fits(kExtNoticeSize)) return too_long(__LINE__);
      c_.conn->pending_notice = 0;
      const uint32_t off = chain.open(len_);
      w_.u16(off, kExtNotice);
      w_.u16(off + 2, 0);
      len_ = off + kExtNoticeSize;
    }
    const bool stmt_name = is(func_, {CLT_FC_SET, CLT_FC_AUX, CLT_FC_DESC, CLT_FC_AUXO, CLT_FC_HVAR, CLT_FC_DEST,
                                      CLT_FC_ALCR, CLT_FC_DSET});
    if (stmt_name && a.extstmtname != nullptr &&
        extended_name(chain, a.extstmtname, kExtStmtName, "extended statement name") != 0) {
      return -1;
    }
    const bool curs_name = is(func_, {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_OPEN, CLT_FC_CLOS, CLT_FC_DESC, CLT_FC_ALCR});
    if (curs_name && a.extcursname != nullptr &&
        extended_name(chain, a.extcursname, kExtCursName, "extended cursor name") != 0) {
      return -1;
    }
    if (func_ == CLT_FC_ALCR && a.name49b != nullptr) {
      if (a.name49a != nullptr && name49(chain, a.name49a, kExt49a, "extended statement name") != 0) return -1;
      if (name49(chain, a.name49b, kExt49b, "extended cursor name") != 0) return -1;
    }
    if (at_least(kCsnaLevel)) {
      if (!fits(audit_room(c_))) return too_long(__LINE__);
      len_ = audit_elements(w_, c_, chain, len_);
    }
    return 0;
  }

  const clt_req_ctx& c_;
  packet w_;
  int32_t func_;
  uint32_t level_;
  uint32_t len_ = 0;
  uint16_t parts_ = 1;
  int32_t mode_ = kNoBlockFetch;
  const clt_loc_entry* kept_ = nullptr;      // the FETCH's statement-list entry
  const clt_loc_entry* deferred_ = nullptr;  // the same, when its OPEN travels with the FETCH
  bool carried_open_ = false;                // the OPEN was completed without the server
};

}  // namespace

int32_t clt_req_statement(void) {
  const clt_req_ctx c = clt_req_cur();
  if (c.conn != nullptr) c.conn->build_state = static_cast<uint16_t>((c.conn->build_state & ~CLT_REQ_BUILT) | CLT_REQ_BUILDING);
  int32_t rc = -1;
  if (ready(c, kModule, __LINE__)) rc = builder(c).build();
  if (c.conn != nullptr) c.conn->build_state |= CLT_REQ_BUILT;
  return rc;
}
