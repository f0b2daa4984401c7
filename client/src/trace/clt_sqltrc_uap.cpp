#include "clt_sqltrc_uap.h"

#include <arpa/inet.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <new>

#include "CLTCOMCTX.h"
#include "CLTTRC.h"
#include "CLTTRCEL.h"
#include "clt_sqltrc_buf.h"

namespace {

constexpr char kClientVersion[] = "08-04   ";
constexpr char kPlatform[] = "WIN32";
constexpr char kPlatformLib[] = "WIN_32";
// The client revision has no source: it prints empty.
constexpr char kRevision[] = "";
constexpr size_t kBlockRoom = 8192;
constexpr int16_t kLevelShort = 0;
constexpr int16_t kLevelLong = 1;
constexpr uint32_t kKilo = 1024;
constexpr int16_t kDbaccsUnset = -1;

constexpr char kOldHeader[] =
    " NO      OP    SEC   SQL   SQLSTATE SQLWARN           START-TIME END-TIME\n"
    "         -CODE  -NO   CODE\n"
    "\n";
constexpr char kNewHeaderExec[] =
    "CNCT  CLPID CLTID NO     OP   SEC  SQL  SQL   START-TIME   END-TIME     OP   EXEC-TIME  \n"
    "NO                       CODE NO   CODE WARN                            TION            \n"
    "----- ----- ----- ------ ---- ---- ---- ----- ------------ ------------ ---- -----------\n";
constexpr char kNewHeader[] =
    "CNCT  CLPID CLTID NO     OP   SEC  SQL  SQL   START-TIME   END-TIME     OP  \n"
    "NO                       CODE NO   CODE WARN                            TION\n"
    "----- ----- ----- ------ ---- ---- ---- ----- ------------ ------------ ----\n";

// A block formatted in one piece and written with one write.
class block {
 public:
  void add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    const int n = vsnprintf(text_ + used_, sizeof text_ - used_, format, args);
    va_end(args);
    if (n > 0) used_ = std::min(used_ + static_cast<size_t>(n), sizeof text_ - 1);
  }
  // The write's result; a negative one ends the head.
  int32_t write_to(int fd) {
    const size_t length = used_;
    used_ = 0;
    const ssize_t n = write(fd, text_, length);
    return n == static_cast<ssize_t>(length) ? static_cast<int32_t>(n) : -1;
  }

 private:
  char text_[kBlockRoom];
  size_t used_ = 0;
};

const char* trimmed(const char* text, size_t size, char* out) {
  size_t n = strnlen(text, size);
  while (n > 0 && text[n - 1] == ' ') --n;
  memcpy(out, text, n);
  out[n] = '\0';
  return out;
}

const char* three_state(char c) { return c == 'Y' ? "YES" : c == 'N' ? "NO" : ""; }
const char* two_state(char c) { return c == 'Y' ? "YES" : "NO"; }
const char* dblog(int32_t v) { return v == 0 ? "ALL" : v == 1 ? "NO" : v == 2 ? "NON" : ""; }
const char* dflnval(char c) { return c == 'N' ? "NOUSE" : c == 'Y' ? "USE" : ""; }
const char* srvtype(int16_t v) { return v == 0 ? "WS" : v == 1 ? "PC" : v == CLT_SRVTYPE_ZUM4 ? "ZUM4" : ""; }
const char* cnvmode(uint8_t v) {
  static const char* const kNames[] = {"NOUSE",     "AUTO",      "EUCHJ",     "UJIS",    "EUCHJ2",
                                       "UJIS2",     "UTF8",      "UTF8MS",    "UTF8_TXT", "UTF8MS_TXT",
                                       "UCS2_UTF8", "UCS2_UJIS", "UCS2_HJ",   "UTF8_EX", "UTF8_EX2"};
  return v < std::size(kNames) ? kNames[v] : "";
}
const char* prmtrc(char c) {
  switch (c) {
    case 'I': return "IN";
    case 'N': return "NO";
    case 'O': return "OUT";
    case 'T': return "INOUT";
    case 'Y': return "YES";
    default: return "";
  }
}
const char* cnstrntname(char c) { return c == 'L' ? "LEADING" : c == 'T' ? "TRAILING" : ""; }
const char* hjmode(char c) { return c == '1' ? "TYPE1" : c == '2' ? "TYPE2" : ""; }
const char* lockskip(char c) { return c == 'Y' ? "YES" : c == '\0' ? "NO" : ""; }

struct head_values {
  clt_main* main;
  const clt_env* env;
  clt_global_data* ctx;
  const clt_sqltrc_buf* b;
  bool connected;
  char server_version[CLT_SERVER_VERSION_SIZE + 1];
  char client_version[sizeof kClientVersion];
  char start[32];
  char dbaccs[16];
  char substrlen[16];
  char cltgrp[2];
  char cursorlvl[2];
  char taapinfmode[2];
};

void write_head(block& out, const head_values& v) {
  const clt_req_identity* id = std::launder(reinterpret_cast<const clt_req_identity*>(v.ctx->runtime.identity));
  if (v.env->pdtrclvl == kLevelShort) {
    out.add("  ** UAP TRACE **\n");
  } else {
    out.add("  ** UAP TRACE (CLT:%s(%s) SVR:%s) %s(%s)**\n", v.client_version, kRevision, v.server_version, kPlatform,
            kPlatformLib);
  }
  out.add("\n  USER APPLICATION PROGRAM FILE NAME : %s\n  USERID : %s\n  UAP START TIME : %s\n", v.b->apname,
          id->plain_id, v.start);
}

void add_environment_head(block& out, const head_values& v) {
  const clt_env* e = v.env;
  out.add("  UAP ENVIRONMENT :\n    LANG(%s)\n    USER(%s)\n    HOST(%s)\n    NAMEPORT(%u)\n    FESHOST(%s)\n",
          e->rdlocale, v.b->user, e->pdhost, e->nameport_disp, e->pdfeshost_copy);
}
void add_blkf_line(block& out, const clt_env* e) {
  out.add("    BLKF(%d)  RDABLKF(%d)  LCKLMT(%ld) ISLLVL(%d) DBLOG(%s) DFLNVAL(%s)\n", e->pdblkf, e->pdrdablkf,
          static_cast<long>(e->pdlocklimit), e->pdisllvl, dblog(e->pddblog), dflnval(e->pddflnval));
}
void add_lockskip_line(block& out, const head_values& v) {
  const clt_env* e = v.env;
  out.add("    LOCKSKIP(%s)  CLTGRP(%s)  DSQLOBJCACHE(%s)  PLGIXMK(%s)\n", lockskip(e->pdlockskip), v.cltgrp,
          three_state(e->pddsqlobjcache), three_state(e->pdplgixmk));
}

void write_level1(block& out, const head_values& v) {
  const clt_env* e = v.env;
  add_environment_head(out, v);
  out.add("    SVCGRP(%s)  SWAIT(%ld)  CWAIT(%ld)  SWATCH(%ld)\n", e->pdservicegrp_copy, static_cast<long>(e->pdswaittime),
          static_cast<long>(e->pdcwaittime), static_cast<long>(e->pdswatchtime));
  add_blkf_line(out, e);
  out.add("    AGGR(%ld)  DLKPRIO(%ld)  EXWARN(%s)  OPTLVL(%ld)  VWOPTMODE(%ld)\n", static_cast<long>(e->pdaggr),
          static_cast<long>(e->pddlkprio), three_state(e->pdexwarn), static_cast<long>(e->pdsqloptlvl),
          static_cast<long>(e->pdvwoptmode));
  add_lockskip_line(out, v);
  out.add("  CONNECTION STATUS :\n    CURHOST(%s)  CURPORT(%u)  SVRPID(%ld)  CLTPID(%ld)\n\n",
          v.connected ? e->pdfeshost : "", static_cast<unsigned>(ntohs(v.main->srv_port)),
          static_cast<long>(v.main->srv_pid), static_cast<long>(v.main->clt_pid));
}

void write_level2_b(block& out, const head_values& v) {
  const clt_env* e = v.env;
  out.add("    SVCGRP(%s)  SVCPORT(%s)  SRVTYPE(%s)\n", e->pdservicegrp_copy, e->serviceport_disp, srvtype(e->pdsrvtype));
  out.add("    SWAIT(%ld)  CWAIT(%ld)  SWATCH(%ld)\n", static_cast<long>(e->pdswaittime), static_cast<long>(e->pdcwaittime),
          static_cast<long>(e->pdswatchtime));
  add_blkf_line(out, e);
  out.add("    AGGR(%ld)  DLKPRIO(%ld)  EXWARN(%s)  VWOPTMODE(%ld)\n", static_cast<long>(e->pdaggr),
          static_cast<long>(e->pddlkprio), three_state(e->pdexwarn), static_cast<long>(e->pdvwoptmode));
  add_lockskip_line(out, v);
  out.add("    CLTRCVPORT(%s) CLTRCVADDR(%s) PLGPFSZ(%d)\n", e->pdcltrcvport, e->rcvaddr_disp, static_cast<int>(e->pdplgpfsz));
  out.add("    PLGPFSZEXP(%d) SPACELVL(%d) STJTRNOUT(%s)\n", static_cast<int>(e->pdplgpfszexp), e->pdspacelvl,
          three_state(e->pdstjtrnout));
  out.add("    OPTLVL(%s)\n    ADDITIONALOPTLVL(%s)\n", e->sqloptlvl_text, e->addoptlvl_text);
  out.add("    UAPREPLVL(%s) REPPATH(%s)\n    TRCPATH(%s)\n", e->uapreplvl_text, v.b->rep_dir ? v.b->rep_dir : "",
          v.ctx->trcctl_dir ? v.ctx->trcctl_dir : "");
  out.add("    IPC(%s) SENDMEMSIZE(%d) RECVMEMSIZE(%d)\n", e->pdipc == 'Y' ? "MEMORY" : "",
          static_cast<int>(e->pdsendmemsize / kKilo), static_cast<int>(e->pdrecvmemsize / kKilo));
  out.add("    HASHTBLSIZE(%ld) CMMTBFDDL(%s) PRPCRCLS(%s) DBACCS%s\n", static_cast<long>(e->pdhashtblsize),
          three_state(e->pdcmmtbfddl), three_state(e->pdprpcrcls), v.dbaccs);
  out.add("    SQLTRCOPENMODE(%s) AUTOCONNECT(%s) CWAITTIMEWRNPNT(%s) TCPCONOPT(%d)\n", e->sqltrcopenmode_disp,
          e->autoconnect_disp, e->wrnpnt_text, e->pdtcpconopt);
}

void write_level2_c(block& out, const head_values& v) {
  const clt_env* e = v.env;
  clt_main* main = v.main;
  out.add("    WRTLNFILSZ(%d) WRTLNCOMSZ(%d)\n", static_cast<int>(e->pdwrtlnfilsz), static_cast<int>(e->pdwrtlncomsz));
  out.add("    WRTLNPATH(%s) UAPENVFILE(%s)\n", clt_text(main, CLT_TEXT_WRTLNPATH), e->pduapenvfile);
  out.add("    TP1SERVICE(%s) AUTORECONNECT(%s) RCCOUNT(%d) RCINTERVAL(%d)\n", three_state(e->pdtp1service),
          three_state(e->pdautoreconnect), e->pdrccount, e->pdrcinterval);
  out.add("    KALVL(%d) KATIME(%d) CLTCNVMODE(%s)\n", 0, 0, cnvmode(e->pdcltcnvmode));
  out.add("    PRMTRC(%s) PRMTRCSIZE(%d) BESCONHOLD(%s) BESCONHTI(%d)\n", prmtrc(e->pdprmtrc),
          static_cast<int>(e->pdprmtrcsize), three_state(e->pdbesconhold), e->pdbesconhti);
  out.add("    BLKBUFFSIZE(%d) BINARYBLKF(%s) FORUPDATEEXLOCK(%s) DBORGUAP(%s)\n", static_cast<int>(e->pdblkbuffsize),
          two_state(e->pdbinaryblkf), two_state(e->pdforupdateexlock), two_state(e->pddborguap));
  out.add("    CNSTRNTNAME(%s) SQLTEXTSIZE(%d) RCTRACE(%d)\n", cnstrntname(e->pdcnstrntname),
          static_cast<int>(e->pdsqltextsize), static_cast<int>(e->pdrctrace));
  out.add("    FESGRP(%s)\n", e->pdfesgrp);
  out.add("    NBLOCKWAITTIME(%d) CONNECTWAITTIME(%d) DBBUFLRU(%s)\n", e->pdnblockwaittime,
          static_cast<int>(e->pdconnectwaittime), two_state(e->pddbbuflru));
  out.add("    UAPEXERLOGUSE(%s) UAPEXERLOGPRMSZ(%d) HJHASHINGMODE(%s)\n", three_state(e->pduapexerloguse),
          static_cast<int>(e->pduapexerlogprmsz), hjmode(e->pdhjhashingmode));
  out.add("    DDLDEAPRP(%s) DELRSVWDFILE(%s) HATRNQUEUING(%s)\n", two_state(e->pdddldeaprp), e->pddelrsvwdfile,
          e->pdhatrnqueuing == 'N' ? "NO" : "");
  out.add("    ODBSPLITSIZE(%d) NODELAYACK(%s) CURSORLVL(%s)\n", static_cast<int>(e->pdodbsplitsize),
          two_state(e->pdnodelayack), v.cursorlvl);
  out.add("    TAAPINFPATH(%s) TAAPINFMODE(%s) TAAPINFSIZE(%d)\n",
          e->taapinf_on == '1' ? clt_text(main, CLT_TEXT_TAAPINFPATH) : "", v.taapinfmode,
          static_cast<int>(e->pdtaapinfsize));
  out.add("    JETCOMPATIBLE(%s) SUBSTRLEN(%s) BLKFUPD(%s) ARYERRPOS(%s)\n", two_state(e->pdjetcompatible), v.substrlen,
          two_state(e->pdblkfupd), two_state(e->pdaryerrpos));
  out.add("    CALCMDWAITTIME(%ld) BLKFERRBREAK(%s) XAAUTORECONNECT(%s)\n", static_cast<long>(e->pdcalcmdwaittime),
          two_state(e->pdblkferrbreak), two_state(e->pdxaautoreconnect));
  out.add("    CLTBINDLOOPBACKADDR(%s) STANDARDSQLSTATE(%s)\n", two_state(e->pdcltbindloopbackaddr),
          three_state(e->pdstandardsqlstate));
}

void write_level2_status(block& out, const head_values& v) {
  const clt_env* e = v.env;
  clt_main* main = v.main;
  const char* name = !v.connected ? "" : e->pdsrvtype == CLT_SRVTYPE_ZUM4 ? e->rdnode : e->pdservicegrp;
  out.add("  CONNECTION STATUS :\n    CURHOST(%s)\n    CURPORT(%u) SVRNAME(%s)\n", v.connected ? e->pdfeshost : "",
          static_cast<unsigned>(ntohs(main->srv_port)), name);
  out.add("    CNCTNO(%ld) SVRPID(%ld) CLTPID(%ld) CLTTID(%ld) CLTCNCTHDL(0x%x) \n\n", static_cast<long>(main->cnct_number),
          static_cast<long>(main->srv_pid), static_cast<long>(main->clt_pid), 0L, 0u);
}

// A one-character setting as text, empty when unset.
void one_char(char* out, char c) {
  out[0] = c;
  out[1] = '\0';
}

}  // namespace

int32_t clt_sqltrc_uap(int fd, int32_t index) {
  clt_global_data* ctx = clt_cur();
  const clt_sqltrc_buf* b = clt_sqltrc_cur();
  if (ctx == nullptr || ctx->main == nullptr || b == nullptr) return -1;
  clt_main* main = ctx->main;
  head_values v{};
  v.main = main;
  v.env = clt_main_env(main);
  v.ctx = ctx;
  v.b = b;
  v.connected = main->connected != 0;
  main->clt_pid = clt_getpid();
  clt_main_req(main)->thread_id = 0;
  if (!v.connected) {
    main->srv_port = 0;
    main->srv_pid = 0;
  }
  trimmed(v.connected ? main->srv_version : "", v.connected ? CLT_SERVER_VERSION_SIZE : 0, v.server_version);
  trimmed(kClientVersion, sizeof kClientVersion - 1, v.client_version);
  uint32_t start = b->uap_start;
  clt_tm tm{};
  clt_localtime(&start, &tm);
  snprintf(v.start, sizeof v.start, "%04d/%02d/%02d %02d:%02d:%02d", static_cast<int>(clt_log_year(tm)), tm.mon + 1,
           tm.mday, tm.hour, tm.min, tm.sec);
  if (v.env->pddbaccs == kDbaccsUnset) {
    snprintf(v.dbaccs, sizeof v.dbaccs, "()");
  } else {
    snprintf(v.dbaccs, sizeof v.dbaccs, "(%d)", v.env->pddbaccs);
  }
  if (v.env->pdsubstrlen != 0) snprintf(v.substrlen, sizeof v.substrlen, "%d", v.env->pdsubstrlen);
  one_char(v.cltgrp, v.env->pdcltgrp);
  one_char(v.cursorlvl, v.env->pdcursorlvl);
  one_char(v.taapinfmode, v.env->pdtaapinfmode);

  block out;
  write_head(out, v);
  int32_t rc = out.write_to(fd);
  if (rc < 0) return rc;
  if (v.env->pdtrclvl == kLevelShort || v.env->pdtrclvl == kLevelLong) {
    if (v.env->pdtrclvl == kLevelShort) {
      out.add("\n");
    } else {
      write_level1(out, v);
    }
    if ((rc = out.write_to(fd)) < 0) return rc;
    out.add("%s", kOldHeader);
    return out.write_to(fd);
  }
  const int32_t flags = clt_sqltrc_flags(main, index == CLT_TRC_SLOT_SQL ? 0 : 1);
  if (flags != 0 && (flags & CLT_REP_SQL) == 0) return rc;
  add_environment_head(out, v);
  if ((rc = out.write_to(fd)) < 0) return rc;
  write_level2_b(out, v);
  if ((rc = out.write_to(fd)) < 0) return rc;
  write_level2_c(out, v);
  if ((rc = out.write_to(fd)) < 0) return rc;
  out.add("\n");
  if ((rc = out.write_to(fd)) < 0) return rc;
  write_level2_status(out, v);
  if ((rc = out.write_to(fd)) < 0) return rc;
  out.add("%s", v.env->pdsqlexectime == 'Y' ? kNewHeaderExec : kNewHeader);
  return out.write_to(fd);
}
