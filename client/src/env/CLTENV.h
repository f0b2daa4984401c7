// Client settings record of a connection and its readers.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"
#include "zk_seam.h"

// Text areas of the control block that hold the longer setting texts, in
// their order within the application section.
enum clt_env_text_area {
  CLT_TXT_USER,       // PDUSER user name
  CLT_TXT_PASSWORD,   // PDUSER password
  CLT_TXT_HOST,       // PDHOST, the working host list
  CLT_TXT_CLTPATH,    // PDCLTPATH
  CLT_TXT_REPPATH,    // PDREPPATH
  CLT_TXT_TRCPATH,    // PDTRCPATH
  CLT_TXT_WRTLNPATH,  // PDWRTLNPATH
  CLT_TXT_TAAPINF,    // PDTAAPINFPATH
  CLT_TXT_COUNT
};
inline constexpr int32_t CLT_ENV_TEXT_SIZES[CLT_TXT_COUNT] = {33, 33, 524, 301, 301, 301, 301, 257};

inline constexpr int32_t CLT_PLUGIN_ENV_SIZE = 96;

// Plug-in environment block: a 16-bit length (bytes in use, counting the
// length word, rounded up to 16) and "%s=%s" items each ending in NUL.
struct clt_plugin_env {
  uint16_t length;
  char items[CLT_PLUGIN_ENV_SIZE - sizeof(uint16_t)];
};
static_assert(sizeof(clt_plugin_env) == CLT_PLUGIN_ENV_SIZE);

inline constexpr int32_t CLT_ERRSKIP_MAX = 10;
inline constexpr int32_t CLT_OPTLVL_TEXT_MAX = 575;

// Marks of settings that were not given (clt_env.not_given).
inline constexpr uint32_t CLT_NOTGIVEN_CWAITTIME = 1u << 0;
inline constexpr uint32_t CLT_NOTGIVEN_CALCMDWAITTIME = 1u << 4;

// The settings section of the connection control block: eye-catcher
// "CLT_ENV ", bookkeeping, then one field per setting in reading order.
// Zero-filled at creation; a field that the reading never reached keeps 0
// or empty. The control block records where the text areas lie.
struct clt_env {
  char eyecatcher[8];

  // Which ini file the lookups of the connection read.
  char pddir_ini;                   // 'Y' when PDDIR names an existing Marlo.ini
  char pddir_ini_path[256];
  const char* own_ini_file;         // the ODBC data source's settings file, or null
  uint32_t not_given;               // CLT_NOTGIVEN_* marks

  // Trace-control file values (.#pdtrc).
  int32_t trcctl_size;              // -1: no trace-control size
  int32_t trcctl_bits;
  int16_t trcctl_keep_open;
  char trcctl_app[31];

  // --- first group: PDDIR to PDCLTEMPRATE ---
  char pdhost[512];                 // record copy; the working list is in CLT_TXT_HOST
  char pdfeshost[524];              // working copy, emptied without PDSERVICEGRP
  char pdfeshost_copy[524];
  char pdservicegrp[32];            // working copy, emptied without PDFESHOST
  char pdservicegrp_copy[32];
  char pdcltapname[31];
  uint16_t pdnameport;              // as configured
  uint16_t nameport_cur;            // port of the next CONNECT attempt
  uint16_t nameport_disp;           // copy for the UAP trace head
  int32_t pdcwaittime;
  int32_t pdswaittime;
  int32_t pdsqltrace;               // -1: SQL trace off
  char sqltrace_flag;               // 'Y' when PDSQLTRACE was given
  int32_t pduaperlog;
  char uaperlog_given;              // 'Y' when PDUAPERLOG was given
  int32_t pdlocklimit;
  int16_t pdblkf;
  uint16_t pdrdablkf;
  char pderckskip;
  char pderrstd;
  int32_t pdsqllvl;
  int16_t pdisllvl;
  int32_t pdtrcmdl;
  int32_t pdtrcsoc;                 // file size; 0: socket trace off
  int32_t trcsoc_datasize;          // PDTRCSOCSIZE, bytes of data per record
  int32_t pdtrcrpc;
  int32_t pdsocnum;
  int32_t pdcache;
  int32_t pdsqadebug;
  int32_t pddblog;
  char pddflnval;
  char rdcltcode[2];                // server code of PDRDCLTCODE, zeros when none
  char rdlocale[16];
  int32_t pdretryinterval;          // microseconds
  int32_t pdretrycount;
  int32_t pdtimedoutretry;
  int16_t pdodbstatcache;
  int16_t pdodbescape;
  int16_t pdtrclvl;
  char pdexwarn;
  int32_t pdaggr;
  int32_t pddlkprio;
  int32_t pdswatchtime;
  int32_t pdsqloptlvl;              // -1: not given
  char sqloptlvl_text[CLT_OPTLVL_TEXT_MAX + 1];
  int32_t pdadditionaloptlvl;       // -1: not given
  char addoptlvl_text[CLT_OPTLVL_TEXT_MAX + 1];
  int32_t pduapreplvl;              // report bits u 1, s 2, p 4, r 16
  char uapreplvl_text[5];
  int32_t pdapbopt;                 // 12 when PDAPBOPT begins with "p"
  int32_t libinst_xfer_size;
  int32_t pdvwoptmode;
  char pdlockskip;
  int32_t pdcltemprate;

  // --- second group: PDDSQLOBJCACHE to PDCNCTRTYWAITTIME ---
  char pddsqlobjcache;
  char pdplgixmk;
  int32_t pdhashtblsize;
  uint8_t pdcltcnvmode;
  char pdcltgaijidll[80];
  char pdcltgaijifunc[80];
  char pdcltnodelay;
  int32_t pdcltlinger;
  char dcservice[32];
  int16_t pdsrvtype;                // 0 WS, 1 PC, 2 ZUM4
  char pdserviceport[16];           // working copy
  char serviceport_disp[16];
  char opt_d, opt_e, opt_l, opt_n, opt_p, opt_r, opt_s, opt_t, opt_u, opt_x;
  char pdcltgrp;
  int32_t pdcltsndbufsize;
  int32_t pdcltrcvbufsize;
  clt_plugin_env plugin_env;
  char pdcltrcvport[16];
  uint16_t rcvport_low;
  uint16_t rcvport_high;
  char rcvaddr_disp[16];
  uint32_t rcvaddr;                 // network byte order
  char rcvaddr_host[256];
  int32_t pdplgpfsz;
  int32_t pdplgpfszexp;
  uint8_t pdspacelvl;
  char pdstjtrnout;
  uint16_t rdnode_len;
  char rdnode[31];
  uint8_t rd_debug1;
  uint8_t pdrdneterr722;
  char pdprmtrc;
  int32_t pdprmtrcsize;
  int16_t pdtrcmode;
  int32_t pderrskipcode[CLT_ERRSKIP_MAX];
  char pdgdataopt;
  char pdipc;
  uint32_t pdsendmemsize;           // bytes
  uint32_t pdrecvmemsize;           // bytes
  char pdcmmtbfddl;
  int16_t pddbaccs;
  int16_t pdsqltrcopenmode;
  char sqltrcopenmode_disp[5];
  int16_t pdautoconnect;
  char autoconnect_disp[4];
  char pdprpcrcls;
  uint8_t pdtcpconopt;
  int16_t wrnpnt_short;
  int32_t wrnpnt_sec;
  int32_t wrnpnt_usec;
  char wrnpnt_text[16];
  char pdhubmode;
  int16_t pdcnctrtycount;
  int16_t pdcnctrtywaittime;

  // --- later settings: PDWRTLNFILSZ to PDSTANDARDSQLSTATE ---
  int32_t pdwrtlnfilsz;             // -1: WRITE LINE output off
  char wrtln_on;                    // 'Y' when PDWRTLNFILSZ was given
  int32_t pdwrtlncomsz;
  char pduapenvfile[9];
  char pdtp1service;
  char pdautoreconnect;
  int16_t pdrccount;
  int16_t pdrcinterval;
  int32_t pdconnectwaittime;
  char pdbesconhold;
  int16_t pdbesconhti;
  int32_t pdblkbuffsize;
  char pdbinaryblkf;
  char pdforupdateexlock;
  char pddborguap;
  char pdcnstrntname;
  int32_t pdsqltextsize;
  char sqltextsize_default;         // 1 when PDSQLTEXTSIZE was not given
  char pdsqlexectime;
  char pdchkaryinsert;
  char pdoltphpldcr;
  int32_t pdrctrace;
  char pdfesgrp[1025];
  char pdodbcwrnskip;
  char pduapexerloguse;
  int32_t pduapexerlogprmsz;
  char uapexerlogprmsz_given;
  char pddbbuflru;
  char pdpipeerrmsgout;
  int16_t pdnblockwaittime;
  char pdexcludesv;
  char pdhjhashingmode;
  char pdgettid;
  char pddelrsvwdfile[9];
  char pdodblocator;
  int32_t pdodbsplitsize;
  char pdxatrcfilemode;
  char pdhatrnqueuing;
  char pdddldeaprp;
  char pdnodelayack;
  char pdcursorlvl;
  char taapinf_on;                  // '1' when PDTAAPINFPATH was given
  char pdtaapinfmode;
  const char* taapinf_names[2];     // fixed names of mode "0"; null for mode "1"
  int32_t pdtaapinfsize;
  char pdrowiddatatype;
  char pdjetcompatible;
  int16_t pdsubstrlen;
  char pdblkfupd;
  int16_t pdbindretrycount;
  int16_t pdbindretryinterval;
  char pdaryerrpos;
  int32_t pdcalcmdwaittime;
  char pdblkferrbreak;
  char pdxaautoreconnect;
  char pdcltbindloopbackaddr;
  int16_t exclusive_addr;           // platform flag for the socket layer
  char pdstandardsqlstate;
};

// What a settings reader needs of the connection besides its record; the
// first-call initialisation fills it from the running context.
struct clt_env_conn {
  clt_env* env;
  char* texts[CLT_TXT_COUNT];       // the text areas of the control block
  const rdb_sql_area* area;         // the running request area
  int16_t kind;                     // connection kind (0 to 3)
  char* uap_name;                   // application name of the application section
  // Reports a settings error into the caller's SQLCA.
  void (*report)(const clt_env_conn& conn, int32_t sqlcode, const char* module,
                 int32_t line, const char* message);
  void* report_data;                // for the reporter's own use
};

// The text area `which` of the connection's control block.
inline char* clt_env_text(const clt_env_conn& conn, clt_env_text_area which) { return conn.texts[which]; }

// The settings record of the running call's connection; null when no call
// runs or the context has no control block.
clt_env* clt_current_env(void);

// Reads every setting of the connection described by `conn` into its record.
// 0, or -1 after the first bad setting has been reported.
int32_t clt_read_env_conn(const clt_env_conn& conn);
// The ODBC variant: the data source's settings file, name-service port and
// host text take part.
int32_t clt_read_env_odbc_conn(const clt_env_conn& conn, uint32_t port, const char* host,
                               const char* ini_file);

inline constexpr int32_t CLT_APNAME_MAX = 30;
// Copies PDCLTAPNAME into the application name field `uap_name`
// (CLT_APNAME_MAX bytes; the characters only, without a terminator).
void clt_set_uap_name_to(const clt_env& env, char* uap_name);

// Reads every setting of the current connection into its clt_env.
// 0, or -1 after the error has been reported into the caller's SQLCA.
int32_t clt_read_env(void);
// The same for an ODBC connection whose data-source buffer takes part.
int32_t clt_read_env_odbc(const struct rdb_odbc_buf* odbc);

// The settings record as the frame reads and changes it through its
// env_get and env_put slots.
int32_t clt_env_setting_get(const clt_main* main, clt_setting which, int32_t index);
void clt_env_setting_put(clt_main* main, clt_setting which, int32_t value);
