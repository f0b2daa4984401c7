#include "cltenv3.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "CLTUTLEV.h"

namespace {

constexpr const char* kModule = "cltenv3";

constexpr int32_t kPathMax = 256;
constexpr int16_t kSrvZum4 = 2;
constexpr int32_t kRepP = 4;
constexpr int32_t kApbOptReport = 12;
constexpr int32_t kSqlTextFull = 2000000;
constexpr int32_t kSqlTextDefault = 4096;
constexpr size_t kFesGrpMax = 1024;
constexpr size_t kFesHostMax = 523;
constexpr size_t kFesGroupMax = 31;
constexpr const char* kBindRetryUnlimited = "-1";
constexpr int32_t kBindRetryMax = 1000;
constexpr const char* kTaapinfNames[2] = {"pdtaapinf1", "pdtaapinf2"};
// The exclusive-address socket option is a Windows one; this platform
// never reports the NT family, so the flag stays off.
constexpr int16_t kExclusiveAddrPlatform = 0;

int32_t fail(const clt_env_conn& c, int32_t line, const char* name, const char* reason) {
  clt_env_report(c, kModule, line, name, reason);
  return -1;
}

int32_t text(const clt_env_conn& c, const char* name, char* buf) {
  return clt_getenv_str_in(c.env, name, buf, CLT_ENV_VALUE_SIZE, clt_env_file(c), CLT_ENV_VALUE_SIZE);
}

int32_t rd_wrtlnfilsz(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_trace_size(c, r, module, &v, &given) != 0) return -1;
  clt_env& e = *c.env;
  e.pdwrtlnfilsz = v;
  e.wrtln_on = given ? 'Y' : 'N';
  if (given) e.pdipc = 'N';
  return 0;
}

bool wrtln_on(const clt_env_conn& c) { return c.env->wrtln_on == 'Y'; }

int32_t rd_wrtlnpath(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char* area = clt_env_text(c, CLT_TXT_WRTLNPATH);
  area[0] = '\0';
  if (!wrtln_on(c)) return 0;
  char buf[CLT_ENV_VALUE_SIZE];
  const int32_t len = text(c, r.name, buf);
  if (len > kPathMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  std::strcpy(area, len > 0 ? buf : clt_env_text(c, CLT_TXT_CLTPATH));
  return 0;
}

bool zum4(const clt_env_conn& c) { return c.env->pdsrvtype == kSrvZum4; }
bool not_zum4(const clt_env_conn& c) { return c.env->pdsrvtype != kSrvZum4; }
bool autoreconnect_on(const clt_env_conn& c) { return c.env->pdautoreconnect == 'Y'; }
bool besconhold_on(const clt_env_conn& c) { return c.env->pdbesconhold == 'Y'; }
bool odblocator_on(const clt_env_conn& c) { return c.env->pdodblocator == 'Y'; }
bool taapinf_on(const clt_env_conn& c) { return c.env->taapinf_on == '1'; }
bool taapinf_readable(const clt_env_conn& c) { return c.env->pdapbopt != kApbOptReport; }

int32_t rd_autoreconnect(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  clt_env_rule kw = r;
  kw.kind = clt_rule_kind::keyword;
  if (clt_env_read_rule(c, kw, module) != 0) return -1;
  // Connections of kinds 1 and 3 never reconnect automatically.
  if (c.kind == 1 || c.kind == 3) c.env->pdautoreconnect = 'N';
  return 0;
}

int32_t rd_sqltextsize(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  clt_env& e = *c.env;
  clt_env_rule d = r;
  d.def = (e.pduapreplvl & kRepP) != 0 ? kSqlTextFull : kSqlTextDefault;
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_num(c, d, module, &v, &given) != 0) return -1;
  e.pdsqltextsize = v;
  e.sqltextsize_default = given ? 0 : 1;
  return 0;
}

int32_t rd_rctrace(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_trace_size(c, r, module, &v, &given) != 0) return -1;
  c.env->pdrctrace = v;
  return 0;
}

int32_t rd_fesgrp(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  e.pdfesgrp[0] = '\0';
  const int32_t len = text(c, r.name, buf);
  if (static_cast<size_t>(len) > kFesGrpMax || clt_env_check_fesgrp(buf) != 0)
    return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  std::strcpy(e.pdfesgrp, buf);
  return 0;
}

int32_t rd_exerlogprmsz(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_num(c, r, module, &v, &given) != 0) return -1;
  c.env->pduapexerlogprmsz = v;
  c.env->uapexerlogprmsz_given = given ? 'Y' : 'N';
  return 0;
}

int32_t rd_nblockwaittime(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_num(c, r, module, &v, &given) != 0) return -1;
  clt_env& e = *c.env;
  e.pdnblockwaittime = static_cast<int16_t>(v);
  if (given) e.pdtimedoutretry = 0;
  if (v > 0) e.pdcltlinger = 0;
  return 0;
}

int32_t rd_taapinfpath(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  char* area = clt_env_text(c, CLT_TXT_TAAPINF);
  area[0] = '\0';
  const int32_t len = text(c, r.name, buf);
  if (len > kPathMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  if (len == 0) return 0;
  std::strcpy(area, buf);
  e.taapinf_on = '1';
  e.pdipc = 'N';
  return 0;
}

int32_t rd_taapinfmode(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  const int32_t len = text(c, r.name, buf);
  const char mode = len == 0 ? '0' : buf[0];
  if (len > 1 || (mode != '0' && mode != '1')) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  e.pdtaapinfmode = mode;
  // Mode "1" gets per-connection names at CONNECT.
  for (size_t i = 0; i < std::size(kTaapinfNames); ++i) e.taapinf_names[i] = mode == '0' ? kTaapinfNames[i] : nullptr;
  return 0;
}

int32_t rd_bindretrycount(const clt_env_conn& c, const clt_env_rule& r, const char*) {
  char buf[CLT_ENV_VALUE_SIZE];
  clt_env& e = *c.env;
  if (text(c, r.name, buf) == 0) {
    e.pdbindretrycount = static_cast<int16_t>(r.def);
    return 0;
  }
  if (std::strcmp(buf, kBindRetryUnlimited) == 0) {
    e.pdbindretrycount = -1;
    return 0;
  }
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(buf, &end, 10);
  if (end == buf || *end != '\0') return fail(c, __LINE__, r.name, CLT_REASON_CHAR);
  if (errno == ERANGE || n < 0 || n > kBindRetryMax) return fail(c, __LINE__, r.name, CLT_REASON_RANGE);
  e.pdbindretrycount = static_cast<int16_t>(n);
  return 0;
}

int32_t rd_calcmdwaittime(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  int32_t v = 0;
  bool given = false;
  if (clt_env_check_num(c, r, module, &v, &given) != 0) return -1;
  clt_env& e = *c.env;
  if (given) {
    e.pdcalcmdwaittime = v;
  } else {
    e.pdcalcmdwaittime = e.pdcwaittime;
    e.not_given |= CLT_NOTGIVEN_CALCMDWAITTIME;
  }
  return 0;
}

int32_t rd_loopbackaddr(const clt_env_conn& c, const clt_env_rule& r, const char* module) {
  clt_env_rule kw = r;
  kw.kind = clt_rule_kind::keyword;
  if (clt_env_read_rule(c, kw, module) != 0) return -1;
  c.env->exclusive_addr = kExclusiveAddrPlatform;
  return 0;
}

constexpr clt_keyword kYesNo[] = {{"YES", 'Y'}, {"NO", 'N'}};
constexpr clt_keyword kYesOnly[] = {{"YES", 'Y'}, {"NO", 0}};
constexpr clt_keyword kConstraint[] = {{"LEADING", 'L'}, {"TRAILING", 'T'}};
constexpr clt_keyword kHashing[] = {{"TYPE1", '1'}, {"TYPE2", '2'}};
constexpr clt_keyword kXaTrc[] = {{"LUMP", 'L'}, {"SEPARATE", 0}};
constexpr clt_keyword kNoOnly[] = {{"NO", 'N'}};
constexpr clt_keyword kCursorLvl[] = {{"0", '0'}, {"1", '1'}, {"2", '2'}};
constexpr clt_keyword kRowid[] = {{"CHAR", 'C'}, {"BINARY", 'B'}};

using K = clt_rule_kind;
#define F CLT_ENV_FIELD
#define YESNO(setting, member, dflt) \
  {.name = setting, .kind = K::keyword, .field = F(member), .def = dflt, .words = kYesNo, .word_count = clt_count(kYesNo)}
#define KEYWORDS(setting, member, dflt, list) \
  {.name = setting, .kind = K::keyword, .field = F(member), .def = dflt, .words = list, .word_count = clt_count(list)}

// PDWRTLNFILSZ to PDSTANDARDSQLSTATE, in reading order.
const clt_env_rule kGroup3[] = {
    {.name = "PDWRTLNFILSZ", .kind = K::custom, .def = -1, .routine = rd_wrtlnfilsz},
    {.name = "PDWRTLNPATH", .kind = K::custom, .routine = rd_wrtlnpath},
    {.name = "PDWRTLNCOMSZ", .kind = K::number, .field = F(pdwrtlncomsz), .low = 1024, .high = 131072, .def = 1024,
     .when = wrtln_on, .otherwise = 1024},
    {.name = "PDUAPENVFILE", .kind = K::text, .field = F(pduapenvfile), .high = 8},
    {.name = "PDTP1SERVICE", .kind = K::keyword, .field = F(pdtp1service), .def = 'N', .words = kYesNo,
     .word_count = clt_count(kYesNo), .when = zum4, .otherwise = 'N'},
    {.name = "PDAUTORECONNECT", .kind = K::custom, .field = F(pdautoreconnect), .def = 'N', .words = kYesNo,
     .word_count = clt_count(kYesNo), .routine = rd_autoreconnect},
    {.name = "PDRCCOUNT", .kind = K::number, .field = F(pdrccount), .low = 0, .high = 200, .def = 5,
     .when = autoreconnect_on, .otherwise = 0},
    {.name = "PDRCINTERVAL", .kind = K::number, .field = F(pdrcinterval), .low = 0, .high = 600, .def = 5,
     .when = autoreconnect_on, .otherwise = 0},
    {.name = "PDCONNECTWAITTIME", .kind = K::number, .field = F(pdconnectwaittime), .low = 1, .high = 300, .def = 0},
    YESNO("PDBESCONHOLD", pdbesconhold, 0),
    {.name = "PDBESCONHTI", .kind = K::number, .field = F(pdbesconhti), .low = 0, .high = 3600, .def = -1,
     .when = besconhold_on, .otherwise = -1},
    {.name = "PDBLKBUFFSIZE", .kind = K::number, .field = F(pdblkbuffsize), .low = 0, .high = 2000000, .def = 0,
     .when = not_zum4, .otherwise = 0},
    YESNO("PDBINARYBLKF", pdbinaryblkf, 'N'),
    KEYWORDS("PDFORUPDATEEXLOCK", pdforupdateexlock, 0, kYesOnly),
    KEYWORDS("PDDBORGUAP", pddborguap, 0, kYesOnly),
    KEYWORDS("PDCNSTRNTNAME", pdcnstrntname, 0, kConstraint),
    {.name = "PDSQLTEXTSIZE", .kind = K::custom, .low = 4096, .high = 2000000, .routine = rd_sqltextsize},
    YESNO("PDSQLEXECTIME", pdsqlexectime, 'N'),
    YESNO("PDCHKARYINSERT", pdchkaryinsert, 'N'),
    YESNO("PDOLTPHPLDCR", pdoltphpldcr, 0),
    {.name = "PDRCTRACE", .kind = K::custom, .field = F(pdrctrace), .def = -1, .when = not_zum4, .otherwise = -1,
     .routine = rd_rctrace},
    {.name = "PDFESGRP", .kind = K::custom, .routine = rd_fesgrp},
    YESNO("PDODBCWRNSKIP", pdodbcwrnskip, 'N'),
    YESNO("PDUAPEXERLOGUSE", pduapexerloguse, 0),
    {.name = "PDUAPEXERLOGPRMSZ", .kind = K::custom, .low = 0, .high = 32008, .def = -1, .routine = rd_exerlogprmsz},
    KEYWORDS("PDDBBUFLRU", pddbbuflru, 'Y', kYesNo),
    YESNO("PDPIPEERRMSGOUT", pdpipeerrmsgout, 'N'),
    {.name = "PDNBLOCKWAITTIME", .kind = K::custom, .low = 0, .high = 120, .def = 0, .routine = rd_nblockwaittime},
    YESNO("PDEXCLUDESV", pdexcludesv, 'N'),
    KEYWORDS("PDHJHASHINGMODE", pdhjhashingmode, 0, kHashing),
    KEYWORDS("PDGETTID", pdgettid, 0, kYesOnly),
    {.name = "PDDELRSVWDFILE", .kind = K::text, .field = F(pddelrsvwdfile), .high = 8},
    YESNO("PDODBLOCATOR", pdodblocator, 'N'),
    {.name = "PDODBSPLITSIZE", .kind = K::number, .field = F(pdodbsplitsize), .low = 4, .high = 2097152, .def = 100,
     .when = odblocator_on, .otherwise = 0},
    KEYWORDS("PDXATRCFILEMODE", pdxatrcfilemode, 0, kXaTrc),
    KEYWORDS("PDHATRNQUEUING", pdhatrnqueuing, 0, kNoOnly),
    YESNO("PDDDLDEAPRP", pdddldeaprp, 'N'),
    YESNO("PDNODELAYACK", pdnodelayack, 'N'),
    KEYWORDS("PDCURSORLVL", pdcursorlvl, '0', kCursorLvl),
    {.name = "PDTAAPINFPATH", .kind = K::custom, .when = taapinf_readable, .routine = rd_taapinfpath},
    {.name = "PDTAAPINFMODE", .kind = K::custom, .field = F(pdtaapinfmode), .when = taapinf_on, .otherwise = '0',
     .routine = rd_taapinfmode},
    {.name = "PDTAAPINFSIZE", .kind = K::number, .field = F(pdtaapinfsize), .low = 10000, .high = 2000000000,
     .def = 409600, .when = taapinf_on, .otherwise = 409600},
    KEYWORDS("PDROWIDDATATYPE", pdrowiddatatype, 'C', kRowid),
    YESNO("PDJETCOMPATIBLE", pdjetcompatible, 'N'),
    {.name = "PDSUBSTRLEN", .kind = K::number, .field = F(pdsubstrlen), .low = 3, .high = 6, .def = 0},
    KEYWORDS("PDBLKFUPD", pdblkfupd, 'Y', kYesNo),
    {.name = "PDBINDRETRYCOUNT", .kind = K::custom, .def = 10, .routine = rd_bindretrycount},
    {.name = "PDBINDRETRYINTERVAL", .kind = K::number, .field = F(pdbindretryinterval), .low = 0, .high = 1000, .def = 0},
    YESNO("PDARYERRPOS", pdaryerrpos, 'N'),
    {.name = "PDCALCMDWAITTIME", .kind = K::custom, .low = 0, .high = 65535, .routine = rd_calcmdwaittime},
    YESNO("PDBLKFERRBREAK", pdblkferrbreak, 'N'),
    YESNO("PDXAAUTORECONNECT", pdxaautoreconnect, 'N'),
    {.name = "PDCLTBINDLOOPBACKADDR", .kind = K::custom, .field = F(pdcltbindloopbackaddr), .def = 'N', .words = kYesNo,
     .word_count = clt_count(kYesNo), .routine = rd_loopbackaddr},
    YESNO("PDSTANDARDSQLSTATE", pdstandardsqlstate, 0),
};

#undef KEYWORDS
#undef YESNO
#undef F

}  // namespace

int32_t clt_env_check_fesgrp(const char* value) {
  const char* p = value;
  while (*p != '\0') {
    const size_t item = std::strcspn(p, ",");
    const char* c1 = static_cast<const char*>(std::memchr(p, ':', item));
    if (c1 == nullptr) return -1;
    const char* c2 = static_cast<const char*>(std::memchr(c1 + 1, ':', static_cast<size_t>(p + item - c1 - 1)));
    if (c2 == nullptr) return -1;
    const size_t host = static_cast<size_t>(c1 - p);
    const size_t group = static_cast<size_t>(c2 - c1 - 1);
    const size_t port = static_cast<size_t>(p + item - c2 - 1);
    if (host == 0 || host > kFesHostMax || group == 0 || group > kFesGroupMax || port == 0) return -1;
    int64_t n = 0;
    if (clt_env_conv_num(c2 + 1, port, 10, &n) != CLT_ENV_OK) return -1;
    p += item;
    if (*p == ',') ++p;  // a ',' at the very end ends the list
  }
  return 0;
}

int32_t clt_read_env2_conn(const clt_env_conn& conn) {
  return clt_env_read_rules(conn, kGroup3, std::size(kGroup3), kModule);
}
