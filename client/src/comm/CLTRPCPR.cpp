#include "CLTRPCPR.h"

#include <string.h>

#include <algorithm>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTSQLDA.h"
#include "CLTTRCEL.h"
#include "zk_codes.h"
#include "zk_seam.h"
#include "CLTUTL.h"
#include "zk_packet.h"

using namespace clt_pkt;

namespace {

constexpr const char* kModule = "CLTRPCPR";
constexpr const char* kStateVarCount = "07008";
constexpr const char* kStateVarType = "07001";
constexpr const char* kStateVarInto = "07002";

constexpr uint8_t kComplement = 0xFF;
constexpr uint32_t kTrioLevel = 21;
constexpr int32_t kOptionMin = 1;
constexpr int32_t kOptionMax = 53;
constexpr uint32_t kOptionValue9 = 9;
constexpr uint32_t kOptionValue46 = 46;
constexpr uint32_t kOption50 = 50;
constexpr uint32_t kOption51 = 51;
constexpr int32_t kFuncRnDs = 32;
constexpr int32_t kFuncRnSc = 33;
constexpr int32_t kFuncDisc = 14;
constexpr int32_t kFuncDist = 22;
constexpr int32_t kFuncDisr = 30;
constexpr char kRdnodeMark = 'S';
constexpr uint8_t kApbReport = 12;
constexpr uint8_t kApinfBits = 0x0C;
constexpr uint8_t kApinfBitsWide = 0x2C;
constexpr uint8_t kReportBitP = 0x04;
constexpr uint8_t kLowByte = 0xFF;

// Body offsets of CONNECT.
enum : uint32_t {
  kCnPrefix = 52, kCnCode = 56, kCnAfterPwd = 60, kCnAuthid = 90, kCnPasswd = 120, kCnErckskip = 150,
  kCnTerm = 151, kCnSwaittime = 152, kCnApname = 156, kCn186 = 186, kCnLocklimit = 188, kCnOption = 192,
  kCnSqllvl = 196, kCnSqadebug = 200, kCnOptValue = 204, kCnIsllvl = 234, kCnStmtValue = 236, kCnDblog = 240,
  kCnDflnval = 241, kCnRdcltcode = 244, kCn246 = 246, kCnExwarn = 247, kCnAddOptlvl = 248, kCnAggr = 252,
  kCnDlkprio = 256, kCn260 = 260, kCnSqloptlvl = 264, kCnEmprate = 268, kCnVwoptmode = 272, kCnLockskip = 276,
  kCnObjcache = 277, kCnPlgixmk = 278, kCnSpacelvl = 279, kCnCwaittime = 280, kCnPlugin = 284,
  kCnPlgpfsz = 288, kCnPlgpfszexp = 292, kCnStjtrnout = 296, kCnUapBits = 297, kCnSqltrace = 298,
  kCnCmmtbfddl = 299, kCnHashtbl = 300, kCnDbaccs = 304, kCnPrpcrcls = 306, kCnHubmode = 307,
  kCnWrnpntShort = 308, kCnUapenvfile = 310, kCnWrtln = 319, kCnWrtlncomsz = 320, kCnChkaryins = 324,
  kCnDborguap = 325, kCnBesconhti = 326, kCnBlkbuff = 328, kCnBinaryblkf = 332, kCnForupd = 333,
  kCnCnstrnt = 334, kCnBesconhold = 335, kCnWrnpntSec = 336, kCnWrnpntUsec = 340, kCnOltp = 344,
  kCnExcludesv = 345, kCnReason = 346, kCnExerlogsz = 348, kCn352 = 352, kCnExerloguse = 353,
  kCnDbbuflru = 354, kCnDdldeaprp = 355, kCnSqltextsize = 356, kCnHjhashing = 360, kCnGettid = 361,
  kCnDelrsvwd = 362, kCnRowid = 371, kCnSubstrlen = 372, kCnBlkfupd = 374, kCnAryerrpos = 375,
  kCnCalcmdwait = 376, kCnStdSqlstate = 380,
};
constexpr uint16_t kCn186Value = 2;
constexpr uint32_t kCn260Value = 51;
constexpr uint8_t kCn352Value = 8;
constexpr size_t kShortFileField = 9;

// Body offsets of the control requests.
enum : uint32_t { kCtPrefix = 52, kCtCode = 56, kCtTerm = 90, kCtZero = 92, kCtTrio = 96, kCtEnd = 108 };
// SET SESSION AUTHORIZATION.
enum : uint32_t {
  kSaPrefix = 52, kSaCode = 56, kSaIdLen = 60, kSaId = 62, kSaPwLen = 92, kSaPw = 94, kSaTrio = 124, kSaEnd = 136
};
// SET OPTION.
enum : uint32_t { kSoCode = 52, kSoNumber = 56, kSoValue = 60, kSo50 = 90, kSoEnd = 92 };
// Server information.
enum : uint32_t { kSiCode = 52, kSiItem = 56, kSiEnd = 68 };
// Error log.
enum : uint32_t { kElPrefix = 52, kElCode = 56, kElEnd = 60 };
// EXECUTE UTL.
enum : uint32_t { kEuPrefix = 52, kEuCode = 56, kEuWord = 60, kEuTrio = 64, kEuLen = 76, kEuText = 78, kEuEnd = 638 };
constexpr uint32_t kEuWordValue = 24;
constexpr int16_t kEuVars = 3;
constexpr uint8_t kCodeVarchar = 0xC0;
constexpr uint8_t kCodeInteger = 0xF0;
constexpr int16_t kResultMax = 4;
// JAR and library files.
enum : uint32_t {
  kJrTotal = 0, kJrKind = 4, kJrDataLen = 8, kJrDataOff = 12, kJrPrefix = 16, kJrCode = 20, kJrWord = 24,
  kJrFileLen = 28, kJrTrio = 32, kJrNameLen = 44, kJrName = 46,
};
constexpr uint32_t kJrWordValue = 28;
constexpr int32_t kFuncJari = 41;
constexpr int32_t kFuncJarr = 42;
constexpr int32_t kFuncClin = 52;
constexpr int32_t kFuncClrp = 53;
constexpr uint8_t kCnvNone = 0;
constexpr uint8_t kCnvAuto = 1;
constexpr int32_t kCnvToServer = 1;
constexpr int32_t kCnvGrowth = 3;
constexpr uint32_t kCnvStore = 0;
// Function code 51.
enum : uint32_t { kCcPrefix = 52, kCcCode = 56, kCcSection = 60, kCcStmtid = 64, kCcName1 = 68, kCcName2 = 72,
                  kCcNames = 76 };

// The running call's control block offers its request area, settings,
// application name, PDUSER and audit slots; the request buffer, the
// connection's request state and the saved identity come with the
// executors that set them up.
clt_req_ctx from_context() {
  clt_req_ctx c{};
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->main == nullptr) return c;
  clt_main* main = ctx->main;
  c.main = main;
  c.area = main->area;
  c.env = clt_main_env(main);
  c.reply = clt_main_reply(main);
  c.apname = clt_main_uap(main)->apname;
  c.pduser = clt_text(main, CLT_TEXT_USER);
  c.pdpassword = clt_text(main, CLT_TEXT_PASSWORD);
  c.audit = ctx->audit;
  c.audit_long = &ctx->audit_long;
  return c;
}
clt_req_locator g_locator = from_context;

// The RD-node name part at the next even offset: its end, or -1 after
// reporting a name of blanks.
int32_t rdnode_part(packet& w, const clt_req_ctx& c, uint32_t len, uint16_t* parts) {
  const int32_t n = trimmed(c.area->rdnode, sizeof c.area->rdnode);
  if (n == 0) return clt_report(c.area, kModule, __LINE__, CLT_SQL_RDNODE, CLT_SQLSTATE_DEFAULT, CLT_MSG_RDNODE);
  const uint32_t off = round_to(len, 2);
  w.u16(off, static_cast<uint16_t>(n));
  w.bytes(off + 2, c.area->rdnode, static_cast<size_t>(n));
  set_slot(w, CLT_REQ_SLOT_RDNODE, off);
  *parts = 2;
  return static_cast<int32_t>(off + 2 + static_cast<uint32_t>(n));
}

void copy_text(packet& w, uint32_t off, const char* text, size_t field) {
  const size_t n = strnlen(text, field - 1);
  w.zero(off, static_cast<uint32_t>(off + field));
  w.bytes(off, text, n);
}

uint8_t uap_report_bits(const clt_env& env) {
  if (env.pdapbopt == kApbReport) return kApbReport;
  uint8_t bits = static_cast<uint8_t>((env.pduapreplvl & kLowByte) | (env.trcctl_bits & kLowByte));
  if (env.taapinf_on == '1') bits |= (bits & kReportBitP) != 0 ? kApinfBitsWide : kApinfBits;
  return bits;
}

void save_identity(const clt_req_ctx& c, const uint8_t plain[CLT_AUTH_FIELD_SIZE],
                   const uint8_t password[CLT_AUTH_FIELD_SIZE]) {
  if (c.identity == nullptr) return;
  const int32_t n = trimmed(reinterpret_cast<const char*>(plain), CLT_AUTH_FIELD_SIZE);
  memcpy(c.identity->plain_id, plain, static_cast<size_t>(n));
  c.identity->plain_id[n] = '\0';
  memcpy(c.identity->password, password, CLT_AUTH_FIELD_SIZE);
}

void complement(uint8_t* field, size_t n) {
  for (size_t i = 0; i < n; ++i) field[i] ^= kComplement;
}

// Identifier and password of a CONNECT by the identity rule.
void connect_identity(const clt_req_ctx& c, uint8_t id[CLT_AUTH_FIELD_SIZE], uint8_t pw[CLT_AUTH_FIELD_SIZE]) {
  const int16_t kind = c.conn->connect_kind;
  const bool saved = c.identity != nullptr && c.identity->plain_id[0] != '\0';
  if (saved && (kind == 3 || kind == 4 || (kind == 1 && c.conn->sess_auth != 'N'))) {
    memset(id, ' ', CLT_AUTH_FIELD_SIZE);
    memcpy(id, c.identity->plain_id, strnlen(c.identity->plain_id, CLT_AUTH_FIELD_SIZE));
    complement(id, CLT_AUTH_FIELD_SIZE);
    memcpy(pw, c.identity->password, CLT_AUTH_FIELD_SIZE);
    return;
  }
  const int32_t area_id = trimmed(c.area->authid, sizeof c.area->authid);
  if (kind != 1 && area_id > 0) {
    clt_req_encode_auth(id, c.area->authid, area_id, false);
    clt_req_encode_auth(pw, c.area->passwd, trimmed(c.area->passwd, sizeof c.area->passwd), false);
  } else {
    const char* user = c.pduser != nullptr ? c.pduser : "";
    const char* password = c.pdpassword != nullptr ? c.pdpassword : "";
    clt_req_encode_auth(id, user, static_cast<int32_t>(strlen(user)), false);
    clt_req_encode_auth(pw, password, static_cast<int32_t>(strlen(password)), false);
  }
  uint8_t plain[CLT_AUTH_FIELD_SIZE];
  memcpy(plain, id, sizeof plain);
  complement(plain, sizeof plain);
  save_identity(c, plain, pw);
}

void connect_body(packet& w, const clt_req_ctx& c) {
  const clt_env& e = *c.env;
  const rdb_sql_area* a = c.area;
  w.zero(CLT_REQ_HEADER_SIZE, CLT_REQ_CONNECT_SIZE);
  w.bytes(kCnPrefix, a->prefix, sizeof a->prefix);
  const int16_t kind = c.conn->connect_kind;
  w.bytes(kCnCode, (kind == 1 || kind == 3 || kind == 4) ? "CNCT" : a->reqcode, sizeof a->reqcode);
  w.bytes(kCnAfterPwd, a->cnctbody, sizeof a->cnctbody);
  uint8_t id[CLT_AUTH_FIELD_SIZE], pw[CLT_AUTH_FIELD_SIZE];
  connect_identity(c, id, pw);
  w.bytes(kCnAuthid, id, sizeof id);
  w.bytes(kCnPasswd, pw, sizeof pw);
  w.byte(kCnErckskip, e.pderckskip == 'Y' ? 'Y' : 'N');
  w.byte(kCnTerm, term_byte(a));
  w.i32(kCnSwaittime, e.pdswaittime);
  char apname[CLT_AUTH_FIELD_SIZE];
  memset(apname, ' ', sizeof apname);
  if (c.apname != nullptr) memcpy(apname, c.apname, strnlen(c.apname, sizeof apname));
  w.bytes(kCnApname, apname, sizeof apname);
  w.u16(kCn186, kCn186Value);
  w.i32(kCnLocklimit, e.pdlocklimit);
  if (memcmp(a->prefix, "*RBU", sizeof a->prefix) == 0) {
    const uint32_t opt = a->optvalue;
    const bool valid = opt >= kOptionMin && opt <= kOptionMax && opt != kOption50 && opt != kOption51;
    w.u32(kCnOption, valid ? opt : 0);
    if (opt == kOptionValue9 || opt == kOptionValue46) w.bytes(kCnOptValue, a->optname, sizeof a->optname);
    c.conn->option_set = 'Y';
  }
  w.i32(kCnSqllvl, e.pdsqllvl);
  w.i32(kCnSqadebug, e.pdsqadebug);
  w.i16(kCnIsllvl, e.pdisllvl);
  w.u32(kCnStmtValue, a->stmtvalue);
  w.byte(kCnDblog, static_cast<uint8_t>(e.pddblog));
  w.byte(kCnDflnval, static_cast<uint8_t>(e.pddflnval));
  w.bytes(kCnRdcltcode, e.rdcltcode, sizeof e.rdcltcode);
  w.byte(kCn246, 'N');
  w.byte(kCnExwarn, static_cast<uint8_t>(e.pdexwarn));
  w.i32(kCnAddOptlvl, e.pdadditionaloptlvl);
  w.i32(kCnAggr, e.pdaggr);
  w.i32(kCnDlkprio, e.pddlkprio);
  w.u32(kCn260, kCn260Value);
  w.i32(kCnSqloptlvl, e.pdsqloptlvl);
  w.i32(kCnEmprate, e.pdcltemprate);
  w.i32(kCnVwoptmode, e.pdvwoptmode);
  w.byte(kCnLockskip, static_cast<uint8_t>(e.pdlockskip));
  w.byte(kCnObjcache, static_cast<uint8_t>(e.pddsqlobjcache));
  w.byte(kCnPlgixmk, static_cast<uint8_t>(e.pdplgixmk));
  w.byte(kCnSpacelvl, e.pdspacelvl);
  w.i32(kCnCwaittime, (e.not_given & CLT_NOTGIVEN_CWAITTIME) != 0 ? -1 : e.pdcwaittime);
  w.i32(kCnPlgpfsz, e.pdplgpfsz);
  w.i32(kCnPlgpfszexp, e.pdplgpfszexp);
  w.byte(kCnStjtrnout, static_cast<uint8_t>(e.pdstjtrnout));
  w.byte(kCnUapBits, uap_report_bits(e));
  w.byte(kCnSqltrace, e.sqltrace_flag == 'Y' ? 'Y' : 'N');
  w.byte(kCnCmmtbfddl, static_cast<uint8_t>(e.pdcmmtbfddl));
  w.i32(kCnHashtbl, e.pdhashtblsize);
  w.i16(kCnDbaccs, e.pddbaccs);
  w.byte(kCnPrpcrcls, static_cast<uint8_t>(e.pdprpcrcls));
  w.byte(kCnHubmode, static_cast<uint8_t>(e.pdhubmode));
  w.i16(kCnWrnpntShort, e.wrnpnt_short);
  copy_text(w, kCnUapenvfile, e.pduapenvfile, kShortFileField);
  if (e.wrtln_on == 'Y') {
    w.byte(kCnWrtln, 'Y');
    w.i32(kCnWrtlncomsz, e.pdwrtlncomsz);
  }
  w.byte(kCnChkaryins, static_cast<uint8_t>(e.pdchkaryinsert));
  w.byte(kCnDborguap, static_cast<uint8_t>(e.pddborguap));
  w.i16(kCnBesconhti, e.pdbesconhti);
  w.i32(kCnBlkbuff, e.pdblkbuffsize);
  w.byte(kCnBinaryblkf, static_cast<uint8_t>(e.pdbinaryblkf));
  w.byte(kCnForupd, static_cast<uint8_t>(e.pdforupdateexlock));
  w.byte(kCnCnstrnt, static_cast<uint8_t>(e.pdcnstrntname));
  w.byte(kCnBesconhold, static_cast<uint8_t>(e.pdbesconhold));
  w.i32(kCnWrnpntSec, e.wrnpnt_sec);
  w.i32(kCnWrnpntUsec, e.wrnpnt_usec);
  w.byte(kCnOltp, static_cast<uint8_t>(e.pdoltphpldcr));
  w.byte(kCnExcludesv, static_cast<uint8_t>(e.pdexcludesv));
  w.u16(kCnReason, c.conn->connect_reason);
  w.i32(kCnExerlogsz, e.pduapexerlogprmsz);
  w.byte(kCn352, kCn352Value);
  w.byte(kCnExerloguse, static_cast<uint8_t>(e.pduapexerloguse));
  w.byte(kCnDbbuflru, static_cast<uint8_t>(e.pddbbuflru));
  w.byte(kCnDdldeaprp, static_cast<uint8_t>(e.pdddldeaprp));
  w.i32(kCnSqltextsize, e.pdsqltextsize);
  w.byte(kCnHjhashing, static_cast<uint8_t>(e.pdhjhashingmode));
  w.byte(kCnGettid, static_cast<uint8_t>(e.pdgettid));
  copy_text(w, kCnDelrsvwd, e.pddelrsvwdfile, kShortFileField);
  w.byte(kCnRowid, static_cast<uint8_t>(e.pdrowiddatatype));
  w.i16(kCnSubstrlen, e.pdsubstrlen);
  w.byte(kCnBlkfupd, static_cast<uint8_t>(e.pdblkfupd));
  w.byte(kCnAryerrpos, static_cast<uint8_t>(e.pdaryerrpos));
  w.i32(kCnCalcmdwait, (e.not_given & CLT_NOTGIVEN_CALCMDWAITTIME) != 0 ? -1 : e.pdcalcmdwaittime);
  w.byte(kCnStdSqlstate, static_cast<uint8_t>(e.pdstandardsqlstate));
}

}  // namespace

clt_req_ctx clt_req_cur(void) { return g_locator(); }

clt_req_locator clt_req_set_locator(clt_req_locator locator) {
  clt_req_locator old = g_locator;
  g_locator = locator != nullptr ? locator : from_context;
  return old;
}

bool clt_srv_level_at_least(uint32_t level_word, uint32_t n) { return level_word <= ~n; }

bool clt_cursor_list_kept(const clt_main* main, const clt_env* env) {
  constexpr uint32_t kLevelCursorList = 23;
  return (env->pdcursorlvl == '1' || env->pdcursorlvl == '2') &&
         clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), kLevelCursorList);
}

int32_t clt_req_var_error(const clt_req_ctx& c, const char* module, int32_t line, const SQLDA* sqlda, int32_t number,
                          bool into, int32_t kind) {
  clt_report(c.area, module, line, CLT_SQL_VARIABLE_TYPE, into ? kStateVarInto : kStateVarType, CLT_MSG_VARIABLE_TYPE,
             static_cast<int>(number), into ? "(into)" : "(using)");
  clt_errlog_sqlvar(kind, number, &sqlda->sqlvar[number - 1]);
  return -1;
}

void clt_req_encode_auth(uint8_t field[CLT_AUTH_FIELD_SIZE], const char* value, int32_t length, bool session_auth) {
  memset(field, ' ', CLT_AUTH_FIELD_SIZE);
  if (length >= 2 && value[0] == '"' && (session_auth || value[length - 1] == '"')) {
    memcpy(field, value + 1, static_cast<size_t>(std::min(length - 2, CLT_AUTH_FIELD_SIZE)));
  } else {
    const int32_t n = std::min(length, CLT_AUTH_FIELD_SIZE);
    for (int32_t i = 0; i < n; ++i) {
      const char ch = value[i];
      field[i] = static_cast<uint8_t>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    }
  }
  complement(field, CLT_AUTH_FIELD_SIZE);
}

int32_t clt_req_connect(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  packet w(c.packet, c.main->byteorder);
  uint16_t parts = 1;
  header_whole(w, parts);
  connect_body(w, c);
  uint32_t len = CLT_REQ_CONNECT_SIZE;
  if (c.main->funccode == CLT_FC_RNCN && c.area->rdnodeflag == kRdnodeMark) {
    const int32_t end = rdnode_part(w, c, len, &parts);
    if (end < 0) return -1;
    len = static_cast<uint32_t>(end);
  }
  // DCSERVICE goes along unless the connection attribute word is 1 or 3.
  const size_t dc_len = strnlen(c.env->dcservice, sizeof c.env->dcservice);
  if (c.conn->conn_attr != 1 && c.conn->conn_attr != 3 && dc_len > 0) {
    ++parts;
    const uint32_t off = round_to(len, 2);
    set_slot(w, CLT_REQ_SLOT_EXT, off);
    len = ext_element(w, off, CLT_EXT_DCSERVICE, static_cast<int16_t>(dc_len), c.env->dcservice);
  }
  const clt_plugin_env& plugin = c.env->plugin_env;
  if (plugin.length != 0) {
    // The block's length counts its own length word.
    const uint16_t size = std::min<uint16_t>(plugin.length, sizeof plugin);
    const uint32_t off = round_to(len, 4);
    w.u32(kCnPlugin, off - CLT_REQ_HEADER_SIZE);
    w.u16(off, plugin.length);
    w.bytes(off + sizeof plugin.length, plugin.items, size - sizeof plugin.length);
    len = off + size;
  }
  set_parts(w, parts);
  set_total(w, len);
  return 0;
}

int32_t clt_req_control(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  packet w(c.packet, c.main->byteorder);
  uint16_t parts = 1;
  header_from_12(w, parts);
  w.zero(CLT_REQ_HEADER_SIZE, kCtEnd);
  w.bytes(kCtPrefix, c.area->prefix, sizeof c.area->prefix);
  w.bytes(kCtCode, c.area->reqcode, sizeof c.area->reqcode);
  w.byte(kCtTerm, term_byte(c.area));
  w.u32(kCtZero, 0);
  if (clt_srv_level_at_least(static_cast<uint32_t>(c.main->srv_level), kTrioLevel)) trio(w, kCtTrio, c);
  uint32_t len = kCtEnd;
  const int32_t func = c.main->funccode;
  if ((func == kFuncRnDs || func == kFuncRnSc) && c.area->rdnodeflag == kRdnodeMark) {
    const int32_t end = rdnode_part(w, c, len, &parts);
    if (end < 0) return -1;
    len = static_cast<uint32_t>(end);
  }
  const bool disconnect = func == kFuncDisc || func == kFuncDist || func == kFuncDisr;
  if (!disconnect && clt_srv_level_at_least(static_cast<uint32_t>(c.main->srv_level), kAuditLevel)) {
    ext_chain chain(w, &parts);
    len = audit_elements(w, c, chain, len);
  }
  set_parts(w, parts);
  set_total(w, len);
  return 0;
}

int32_t clt_req_session_auth(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  packet w(c.packet, c.main->byteorder);
  header_whole(w, 1);
  w.zero(CLT_REQ_HEADER_SIZE, kSaEnd);
  w.bytes(kSaPrefix, c.area->prefix, sizeof c.area->prefix);
  w.bytes(kSaCode, "SAUH", sizeof c.area->reqcode);
  uint8_t id[CLT_AUTH_FIELD_SIZE], pw[CLT_AUTH_FIELD_SIZE];
  clt_req_encode_auth(id, c.area->authid, trimmed(c.area->authid, sizeof c.area->authid), true);
  clt_req_encode_auth(pw, c.area->passwd, trimmed(c.area->passwd, sizeof c.area->passwd), true);
  w.u16(kSaIdLen, CLT_AUTH_FIELD_SIZE);
  w.bytes(kSaId, id, sizeof id);
  w.u16(kSaPwLen, CLT_AUTH_FIELD_SIZE);
  w.bytes(kSaPw, pw, sizeof pw);
  if (clt_srv_level_at_least(static_cast<uint32_t>(c.main->srv_level), kTrioLevel)) trio(w, kSaTrio, c);
  set_total(w, kSaEnd);
  uint8_t plain[CLT_AUTH_FIELD_SIZE];
  memcpy(plain, id, sizeof plain);
  complement(plain, sizeof plain);
  save_identity(c, plain, pw);
  c.conn->sess_auth = 'Y';
  return 0;
}

int32_t clt_req_setopt(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  const uint32_t opt = c.area->optvalue;
  if (opt < kOptionMin || opt > kOptionMax) {
    return clt_report(c.area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                      kModule, static_cast<int32_t>(__LINE__));
  }
  packet w(c.packet, c.main->byteorder);
  header_from_12(w, 1);
  w.zero(CLT_REQ_HEADER_SIZE, kSoEnd);
  w.bytes(kSoCode, c.area->reqcode, sizeof c.area->reqcode);
  w.u32(kSoNumber, opt);
  if (opt == kOptionValue9 || opt == kOptionValue46) w.bytes(kSoValue, c.area->optname, sizeof c.area->optname);
  if (opt == kOption50) w.bytes(kSo50, &c.area->setopt50, sizeof c.area->setopt50);
  set_total(w, kSoEnd);
  c.conn->option_set = 'Y';
  return 0;
}

int32_t clt_req_srvinf(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  packet w(c.packet, c.main->byteorder);
  header_from_12(w, 1);
  w.zero(CLT_REQ_HEADER_SIZE, kSiEnd);
  w.bytes(kSiCode, c.area->reqcode, sizeof c.area->reqcode);
  w.u32(kSiItem, c.area->srvinfitem);
  set_total(w, kSiEnd);
  return 0;
}

int32_t clt_req_errorlog(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  packet w(c.packet, c.main->byteorder);
  header_from_12(w, 1);
  w.bytes(kElPrefix, c.area->prefix, sizeof c.area->prefix);
  w.bytes(kElCode, c.area->reqcode, sizeof c.area->reqcode);
  set_total(w, kElEnd);
  return 0;
}

int32_t clt_req_ccmd(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  packet w(c.packet, c.main->byteorder);
  header_from_12(w, 1);
  w.zero(CLT_REQ_HEADER_SIZE, kCcNames);
  w.bytes(kCcPrefix, c.area->prefix, sizeof c.area->prefix);
  w.bytes(kCcCode, "CCMD", sizeof c.area->reqcode);
  w.u16(kCcSection, c.area->section);
  w.u32(kCcStmtid, c.area->stmtid);
  uint32_t len = kCcNames;
  const char* names[2] = {c.area->name1, c.area->name2};
  const uint32_t slots[2] = {kCcName1, kCcName2};
  for (int i = 0; i < 2; ++i) {
    const int32_t n = trimmed(names[i], sizeof c.area->name1);
    if (n == 0) continue;
    w.u32(slots[i], len);
    w.bytes(len, names[i], static_cast<size_t>(n));
    w.byte(len + static_cast<uint32_t>(n), 0);
    len += static_cast<uint32_t>(n) + 1;
  }
  set_total(w, len);
  return 0;
}

namespace {

// A variable of the EXECUTE UTL list: its type, one element, no stride,
// data present.
bool utl_var_ok(const SQLVAR& v, uint8_t code) {
  return v.sqlcod == code && v.XDIM == 1 && v.len.s.SYS == 0 && v.SQLDATA != nullptr;
}

// The 16-bit length in front of a variable-length host variable.
uint16_t var_length(const SQLVAR& v) {
  uint16_t n = 0;
  memcpy(&n, v.SQLDATA, sizeof n);
  return n;
}

}  // namespace

int32_t clt_req_execute_utl(void) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  const SQLDA* da = c.area->sqliasda;
  if (da == nullptr || da->sqld != kEuVars) {
    clt_report(c.area, kModule, __LINE__, CLT_SQL_VARIABLE_COUNT, kStateVarCount, CLT_MSG_VARIABLE_COUNT);
    if (da != nullptr) clt_errlog_sqlda(CLT_LOG_SQLN, da);
    return -1;
  }
  const SQLVAR& stmt = da->sqlvar[0];
  const SQLVAR& file = da->sqlvar[1];
  const SQLVAR& result = da->sqlvar[2];
  if (!utl_var_ok(stmt, kCodeVarchar) || stmt.len.s.sqllen > CLT_UTL_STMT_MAX || stmt.len.s.sqllen < 0 ||
      var_length(stmt) > stmt.len.s.sqllen) {
    return clt_req_var_error(c, kModule, __LINE__, c.area->sqliasda, 1, false, CLT_VAR_REAL_LENGTH);
  }
  if (!utl_var_ok(file, kCodeVarchar) || file.len.s.sqllen < 0 || var_length(file) > file.len.s.sqllen) {
    return clt_req_var_error(c, kModule, __LINE__, c.area->sqliasda, 2, false, CLT_VAR_REAL_LENGTH);
  }
  if (!utl_var_ok(result, kCodeInteger) || result.len.s.sqllen > kResultMax) return clt_req_var_error(c, kModule, __LINE__, c.area->sqliasda, 3, false, CLT_VAR_REAL_LENGTH);

  const uint16_t name_len = var_length(file);
  const uint32_t name_size = static_cast<uint32_t>(name_len) + 1;
  auto* name = static_cast<char*>(cltmem_alloc(name_size, 0, kModule, __LINE__));
  if (name == nullptr) {
    return clt_report(c.area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, name_size);
  }
  memcpy(name, static_cast<const uint8_t*>(file.SQLDATA) + sizeof(uint16_t), name_len);
  name[name_len] = '\0';
  // A name kept from an earlier EXECUTE UTL that its executor did not take.
  if (c.conn->utl_file != nullptr) cltmem_free(c.conn->utl_file, kModule, __LINE__);
  c.conn->utl_file = name;
  c.conn->utl_result = result.SQLDATA;
  c.conn->utl_len = var_length(stmt);
  memcpy(c.conn->utl_stmt, static_cast<const uint8_t*>(stmt.SQLDATA) + sizeof(uint16_t), c.conn->utl_len);

  packet w(c.packet, c.main->byteorder);
  header_from_12(w, 1);
  w.zero(CLT_REQ_HEADER_SIZE, kEuEnd);
  w.bytes(kEuPrefix, c.area->prefix, sizeof c.area->prefix);
  w.bytes(kEuCode, c.area->reqcode, sizeof c.area->reqcode);
  w.u32(kEuWord, kEuWordValue);
  if (clt_srv_level_at_least(static_cast<uint32_t>(c.main->srv_level), kTrioLevel)) trio(w, kEuTrio, c);
  w.u16(kEuLen, c.conn->utl_len);
  w.bytes(kEuText, c.conn->utl_stmt, c.conn->utl_len);
  set_total(w, kEuEnd);
  return 0;
}

int32_t clt_req_jar(int32_t kind, uint32_t data_len, const void* data) {
  const clt_req_ctx c = clt_req_cur();
  if (!ready(c, kModule, __LINE__)) return -1;
  packet w(c.packet, c.main->byteorder);
  const int32_t func = c.main->funccode;
  const bool carries_data = func == kFuncJari || func == kFuncJarr || func == kFuncClin || func == kFuncClrp;
  uint32_t len = CLT_JAR_HEADER_SIZE;
  if (kind == CLT_JAR_FIRST_BLOCK) {
    w.zero(CLT_JAR_HEADER_SIZE, kJrNameLen);
    w.bytes(kJrPrefix, c.area->prefix, sizeof c.area->prefix);
    w.bytes(kJrCode, c.area->reqcode, sizeof c.area->reqcode);
    w.u32(kJrWord, kJrWordValue);
    w.u32(kJrFileLen, carries_data ? c.conn->jar_total : 0);
    if (clt_srv_level_at_least(static_cast<uint32_t>(c.main->srv_level), kTrioLevel)) trio(w, kJrTrio, c);
    int32_t name_len = c.conn->jar_name != nullptr ? c.conn->jar_name_len : 0;
    const uint8_t mode = c.env->pdcltcnvmode;
    if (name_len > 0 && mode != kCnvNone && mode != kCnvAuto) {
      int32_t converted = 0;
      int32_t room = name_len * kCnvGrowth;
      uint32_t replaced = 0;
      char* target = reinterpret_cast<char*>(c.packet) + kJrName;
      if (clt_cnv_through_slot(kCnvToServer, &name_len, c.conn->jar_name, &room, target, &converted, &replaced,
                               kCnvStore) != 0) {
        return clt_report(c.area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                          kModule, static_cast<int32_t>(__LINE__));
      }
      name_len = converted;
    } else if (name_len > 0) {
      w.bytes(kJrName, c.conn->jar_name, static_cast<size_t>(name_len));
    }
    w.u16(kJrNameLen, static_cast<uint16_t>(name_len));
    len = kJrName + static_cast<uint32_t>(name_len);
  }
  w.u32(kJrKind, kind == CLT_JAR_FIRST_BLOCK ? CLT_JAR_HEADER_SIZE : 0);
  if (carries_data && data_len > 0 && data != nullptr) {
    w.u32(kJrDataLen, data_len);
    w.u32(kJrDataOff, len);
    w.bytes(len, data, data_len);
    len += data_len;
  } else {
    w.u32(kJrDataLen, 0);
    w.u32(kJrDataOff, 0);
  }
  w.u32(kJrTotal, len);
  return 0;
}
