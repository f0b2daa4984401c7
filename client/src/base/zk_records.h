// The records of zelkit that lower layers embed and higher layers fill:
// the connection control block with its sections (settings, application,
// socket layer and transport, request builders, RPC session, reply
// analysis) and the per-call context. Records only; the routines that own
// each record live with their layer.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "cltshm.h"
#include "zelkit.h"

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

// The user conversion function of the external-character library:
// (kind, source bytes, target bytes); its result is not used.
typedef int (*clt_cnv_user_fn)(int kind, const unsigned char* source, unsigned char* target);

// Conversion slots: 1 converts client data into the server's code set, 2
// server data into the client's. The fixed part is set at CONNECT; each
// conversion records its arguments in its slot.
enum : int32_t { CLT_CNV_SLOT_CLIENT = 1, CLT_CNV_SLOT_SERVER = 2, CLT_CNV_SLOTS = 2 };
struct clt_cnv_slot {
  uint32_t type;                    // converter type (6, 7, 10 to 15)
  uint16_t replacement;             // written high byte first
  uint8_t single_replacement;       // '#'
  uint32_t flags;                   // CLT_CNV_FLAG_*
  uint32_t convert;                 // 1 after the set-up
  int32_t* source_length;
  const uint8_t* source;
  int32_t* target_size;
  uint8_t* target;
  int32_t* output_length;
  uint32_t* replaced;               // bit 0: a replacement was written
  uint32_t mode;                    // CLT_CNV_STORE or CLT_CNV_MEASURE
  uint32_t factor;                  // length factor of server-side lengths
};

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
  clt_cnv_slot cnv_slot[CLT_CNV_SLOTS];
  uint32_t cnv_state[CLT_CNV_SLOTS];  // 1 once CONNECT set the slot up
  int32_t cnv_current;              // slot of the conversion in progress
  clt_cnv_user_fn gaiji_func;       // null when none could be loaded
  void* gaiji_handle;               // the library of PDCLTGAIJIDLL
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

struct clt_com_conn;
struct clt_req_conn;
struct clt_rpc_conn;
struct clt_reply_conn;
struct clt_row_plans;

constexpr size_t CLT_STMT_KEEP_SIZE = 257;  // kept statement head with its zero byte
constexpr size_t CLT_SERVER_VERSION_SIZE = 10;
constexpr size_t CLT_REQUEST_BUFFERS = 4;
constexpr size_t CLT_TRC_NAMES = 4;
constexpr size_t CLT_KEPT_FDS = 4;
constexpr size_t CLT_APNAME_SIZE = 31;
constexpr size_t CLT_REQTRC_AREAS = 2;
constexpr size_t CLT_REQTRC_AREA_SIZE = 48;
constexpr size_t CLT_MSG_COPY_SIZE = 254;
constexpr size_t CLT_FETCH_STATES = 3;

// An entry of the statement list (sql/cltsqlsl): one per prepared cursor
// statement and per cursor. The request builder reads the entry of a
// FETCH that carries a locally completed OPEN.
constexpr size_t CLT_LOC_TAG_SIZE = 8;
constexpr size_t CLT_LOC_NAME_SIZE = 30;
constexpr size_t CLT_LOC_ATTR_SIZE = 3;

struct clt_loc_entry {
  char tag[CLT_LOC_TAG_SIZE];  // "##aopcl"
  uint16_t ext_stmt_length;    // 0: no extended statement name
  char ext_stmt[CLT_LOC_NAME_SIZE];
  uint16_t ext_curs_length;    // 0: no extended cursor name
  char ext_curs[CLT_LOC_NAME_SIZE];
  uint32_t stmtid;
  uint16_t section;            // of the request that made the entry
  uint16_t stmtsection;        // of the statement a cursor uses
  char name1[CLT_LOC_NAME_SIZE];
  char name2[CLT_LOC_NAME_SIZE];
  uint8_t hold;                // non-zero: the cursor stays open over COMMIT
  char kept;                   // 'Y': the statement outlives its transaction
  uint8_t attr[CLT_LOC_ATTR_SIZE];
  char fetched;                // 'Y' after the first FETCH
  char end;                    // 'Y' after a FETCH returned SQLCODE 100
  char open;                   // 'Y' while the cursor is open
  char held_commit;            // 'Y' after a COMMIT while held
  SQLDA* vars;                 // the OPEN's variables with their values, or null
  uint8_t* open_block;         // the OPEN's length-prefixed block (code 5), or null
  clt_loc_entry* next;
  uint8_t* csna;               // the OPEN's character-set name area, or null
};
#if UINTPTR_MAX == UINT32_MAX
static_assert(sizeof(clt_loc_entry) == 168);
#endif

// Per-request buffers of the control block, freed at every request.
enum clt_request_buffer { CLT_REQBUF_APINF = 0 };

// Per-connection trace names: SQL trace 1 and 2, trace-control 1 and 2.
enum clt_trc_name { CLT_TRCNAME_SQL1, CLT_TRCNAME_SQL2, CLT_TRCNAME_CTL1, CLT_TRCNAME_CTL2 };

// Trace files kept open between records, in the order of clt_trc_name.
constexpr int32_t CLT_FD_CLOSED = -1;

// The fixed text areas of the application section, in their order.
enum clt_text_area {
  CLT_TEXT_USER,
  CLT_TEXT_PASSWORD,
  CLT_TEXT_HOST,
  CLT_TEXT_CLTPATH,
  CLT_TEXT_REPPATH,
  CLT_TEXT_TRCPATH,
  CLT_TEXT_WRTLNPATH,
  CLT_TEXT_TAAPINFPATH,
  CLT_TEXT_AREAS
};

// Connection kinds.
enum : uint16_t {
  CLT_KIND_EMBEDDED = 0,
  CLT_KIND_EMBEDDED_MARKED = 1,  // area byte +273 'Y'
  CLT_KIND_ODBC = 2,
};

// Header section: the connection's state.
struct clt_main {
  char eyecatcher[8];             // "CLT_MAIN"
  uint32_t reqstatus;             // 1 at the start of a request, +2 at its end
  uint16_t connected;
  uint16_t session_open;
  uint32_t env_offset;            // of the "CLT_ENV " section
  uint32_t uap_offset;            // of the "CLT_UAP " section
  uint32_t com_offset;            // of the socket layer's and transport's section
  uint32_t req_offset;            // of the request builders' section
  uint32_t rpc_offset;            // of the RPC session's section
  uint32_t reply_offset;          // of the reply analysis's section
  rdb_sql_area* area;             // the running request area
  uint16_t kind;
  int32_t funccode;
  void* blkf_list;                // block-fetch buffer entries, newest first
  void* blkf_current;             // the running request's entry, or null
  uint16_t byteorder;             // 1: server uses the client's byte order
  uint32_t srv_pid;
  uint16_t srv_port;              // network byte order
  int16_t icnct_mode;             // internal-connect mode
  uint16_t cancel_requested;
  uint16_t cancellable;
  uint16_t cancel_recorded;
  uint16_t blkf_flag;
  uint8_t param_flag;             // set by p_rdb_getparam
  void* param_pointer;
  char srv_codeset[2];
  uint8_t cnct_reply;
  char srv_version[CLT_SERVER_VERSION_SIZE];
  int16_t icnct_phase;
  uint32_t clt_pid;
  uint32_t cnct_number;
  uint32_t reqcounter;
  int32_t stmt_length;            // kept statement head: 0 to 256
  char stmt_text[CLT_STMT_KEEP_SIZE];
  int32_t srv_level;              // negative; 0 until CONNECT
  uint32_t disc_area_size;        // size of the DISCONNECT trace area the CONNECT reply announced
  uint16_t rows_left;
  uint16_t array_rows;            // rows that the last array FETCH returned
  const char* build_date;
  void* srvinf;                   // 512-byte server information
  uint8_t srvinf_byte26;
  uint8_t srvinf_byte27;
  uint8_t srvtrc_active;
  void* reqbuf[CLT_REQUEST_BUFFERS];
  char* trc_names[CLT_TRC_NAMES];
  char srvtrc_level[5];
  uint8_t srvtrc_first;
  int32_t kept_fd[CLT_KEPT_FDS];
  uint8_t ary_checked;
  uint8_t no_reconnect;           // 'Y': a request must not be repeated
  uint32_t rcnct_start;
  uint32_t maint_wait_limit;
  uint32_t maint_time[2];
  int16_t maint_code;
  uint16_t in_maintenance;
  uint16_t maint_state;
  uint8_t saved_sqlca_set;
  SQLCA saved_sqlca;
  uint8_t aryins_flag;            // array-insert state
  uint32_t aryins_word;
  uint8_t srvtrc_pending;         // 255 when the server asked
  uint8_t srvtrc_stopped;
  uint32_t srvtrc_value;
  uint32_t srvtrc_count;
  uint16_t srvtrc_prmsize;
  uint8_t srvtrc_mask;
  uint8_t srvtrc_mode;
  void* rcnct_trc;
  void* loc_list;
  void* loc_current;
  uint32_t cnct_time_sec;
  uint32_t cnct_time_msec;
  uint8_t lib_install;
  uint8_t std_sqlstate;           // 'Y': standard SQLSTATEs
  uint16_t trn_mode;              // transaction mode: 1 area mode byte 'Y' at CONNECT, 2 ODBC
  uint8_t srv_attr;               // server attribute byte of the CONNECT reply
  int16_t ary_count;              // array count of the last array statement, kept by the analysis
  uint8_t wrtln_pending;
  // Per-request trace areas of the transports, read by the stream dump.
  uint8_t reqtrc[CLT_REQTRC_AREAS][CLT_REQTRC_AREA_SIZE];
  // The client message before its conversion, for the application error log.
  uint16_t msg_copy_length;
  char msg_copy[CLT_MSG_COPY_SIZE];
  uint8_t fetch_state[CLT_FETCH_STATES];  // FETCH on servers before level 9
  // The national space of the client's code set, from CONNECT; the column
  // converters pad with it.
  uint8_t national_space[2];
  // Where the text areas of the settings lie within the block.
  uint32_t text_area_offset[CLT_TEXT_AREAS];
};

// Application section: the application name and the long setting texts.
struct clt_uap {
  char eyecatcher[8];             // "CLT_UAP "
  char apname[CLT_APNAME_SIZE];
  char user[33];
  char password[33];
  char host[524];
  char cltpath[301];
  char reppath[301];
  char trcpath[301];
  char wrtlnpath[301];
  char taapinfpath[257];
  uint16_t utility;               // 1 when the front-end lookup named the conversion utility
};

constexpr size_t CLT_TRC_NAME_SIZE = 30;

struct clt_sock_table;
struct clt_sock_entry;
struct clt_tact_req;

// Most pieces that one transport entry sends or receives: the frame
// header and up to five body pieces.
constexpr int32_t CLT_TACT_PIECES = 6;
constexpr int32_t CLT_FRAME_HEADER_SIZE = 12;
constexpr int32_t CLT_REPLY_VALUES = 5;

// Frame and piece copies of the last message sent or reply received,
// kept for the communication trace.
struct clt_com_trace_copy {
  uint32_t header[3];
  uint8_t* addr[CLT_TACT_PIECES];
  uint32_t len[CLT_TACT_PIECES];
  uint32_t count;
  uint32_t seconds;
  uint16_t millis;
};

// The shared-memory channel: the request section and event that the
// client made (named by its receive port), the server's reply section and
// event, and the sequence numbers of both directions.
struct clt_shm_conn {
  uint8_t oversize;           // 1: the running request goes over the socket
  int32_t own_number;         // the number the own objects were named with
  clt_shm_section own;
  clt_shm_event own_event;
  int32_t peer_number;
  clt_shm_section peer;
  clt_shm_event peer_event;
  uint32_t send_seq;
  uint32_t recv_seq;
};

// The second server protocol's link: one TCP connection, its three
// message buffers and the state its replies leave (comm/cltrd*).
struct clt_rd_buffer {
  uint8_t* data;
  uint32_t size;
};
constexpr size_t CLT_RD_SUMS = 3;
constexpr size_t CLT_RD_SERVER_NAME_SIZE = 8;
struct clt_rd_link {
  int32_t socket;
  uint8_t client_addr[4];      // first address of the local host name, network order
  clt_rd_buffer send;
  clt_rd_buffer recv;
  clt_rd_buffer third;         // the disconnect reply's copy
  uint8_t link_flag[2];        // carried in block 2, set before each request
  uint32_t sums[CLT_RD_SUMS];  // variable-length, fixed-length and indicator sums
  uint8_t open;                // 1 after a successful open
  uint8_t greeted;             // the server's greeting arrived
  uint8_t implicit_commit;     // the last statement's reply ended the transaction
  uint8_t release_pending;     // what that ends waits for no block FETCH to run
  uint8_t trn_state;           // 0 to 3, kept across statements
  char server_flag;            // 'Y' or 'N', from the CONNECT reply
  char server_name[CLT_RD_SERVER_NAME_SIZE + 1];
};

// Fields of the connection used by the socket layer, the message frame
// and the transport besides those that the control block itself holds
// (cancel flag, function code, server port).
struct clt_com_conn {
  int32_t cur_socket;         // written by com_send and com_recv
  int32_t recv_socket;        // written by com_recv
  uint16_t listen_port;       // network order, from com_open in receive-port mode
  uint8_t loopback;           // 1: the server host is an IPv4 loopback address
  char connect_no_retry;      // 'N' while the connection-end notice runs
  uint32_t fes_group_index;   // non-zero while CONNECT tries a PDFESGRP item
  uint16_t reconnect_state;   // 4 while an automatic reconnect runs
  char no_reqcode;            // 'Y': option letter R, no request-code form
  uint8_t features;           // server feature bits
  uint32_t protocol;          // 2 enables the request-code form
  uint16_t reqcode_override;  // 1: every request uses one fixed request code
  uint32_t reply_capacity;    // reply bytes the caller can take, for the request-code frame
  uint32_t reply_values[CLT_REPLY_VALUES];
  uint32_t req_buf_size;      // request buffer, as the input binding sized it
  uint32_t req_len;
  uint32_t reply_buf_size;
  uint32_t reply_len;
  uint8_t shm_channel;        // 1: the shared-memory channel carries requests
  clt_shm_conn shm;
  clt_rd_link rd;             // the second server protocol
  uint16_t frame_session_port;
  clt_com_trace_copy sent;
  clt_com_trace_copy received;
};

// Per-call fields of the socket layer and the transport.
struct clt_com_call {
  int32_t wsa_error;          // WinSock error of the last adapter call
  uint32_t mdl_data[3];       // module-trace data words
  uint8_t* staging;           // 4108-byte staging buffer of com_send, owned by the RPC session
  int32_t session_end;        // 1 while the session's closing message is sent
  uint8_t waiting_reply;      // 1 while a receive waits
  int64_t reply_until_us;     // while a reply is awaited: when its wait ends (monotonic), 0 = no bound
  int32_t mdl_trace_on;
  int32_t soc_trace_on;
  // Transport session.
  clt_sock_table* tact_work;  // table being worked on, null outside an operation
  clt_sock_table* tact_table; // the connection's table
  clt_sock_entry* tact_entry;
  clt_tact_req* tact_req;
  uint32_t tact_mode;
  int32_t tact_result;
  int32_t tact_recv_count;
  int32_t tact_truncated;
  uint16_t tact_phase;
  uint16_t tact_class;
  // The connection's reply buffer, which a receive may replace by a larger one.
  uint8_t* reply_buf;
  uint8_t* reply_cur;
  int32_t reply_may_grow;
};

constexpr int32_t CLT_AUTH_FIELD_SIZE = 30;
constexpr int32_t CLT_UTL_STMT_MAX = 512;

// What the builders read and change of the connection besides the
// control block's own byte-order flag, server level word and function code.
// Bits of clt_req_conn's build_state.
enum : uint16_t { CLT_REQ_BUILDING = 0x04, CLT_REQ_BUILT = 0x08 };

struct clt_req_conn {
  int16_t connect_kind;      // 0 statement, 1 automatic, 2 RD node, 3 and 4 reconnection
  uint16_t connect_reason;   // 0, 2 automatic connect or reconnection, 3 max-users wait
  uint16_t conn_attr;        // connection attribute word
  char sess_auth;            // 'N' at creation, 'Y' after SET SESSION AUTHORIZATION
  char option_set;           // 'N' at creation, 'Y' after an option was set
  uint32_t reqseq;           // request sequence number
  uint32_t thread_id;        // client thread identifier word, always 0
  uint16_t build_state;      // CLT_REQ_BUILDING while a statement request is built, CLT_REQ_BUILT after
  uint8_t pending_notice;    // 1: the next statement request carries the notice element
  uint8_t array_result;      // 1: array INSERTs ask for their per-row result counts
  // EXECUTE UTL: the statement copy, the output file name (allocated by
  // the builder, freed by its executor) and the result variable.
  uint16_t utl_len;
  char utl_stmt[CLT_UTL_STMT_MAX];
  char* utl_file;
  void* utl_result;
  // JAR and library requests: the file name and the file's total length
  // as the executor gives them.
  const char* jar_name;
  uint16_t jar_name_len;
  uint32_t jar_total;
};

// The identity kept in the per-call context for reconnection.
struct clt_req_identity {
  char plain_id[CLT_AUTH_FIELD_SIZE + 1];    // empty: none saved
  uint8_t password[CLT_AUTH_FIELD_SIZE];     // complemented, as last sent
};

struct nam_cntl;

// Fields of the connection used by the RPC session that the control
// block clt_main does not hold (byte order, function code, connection
// number, server version and process id come from clt_main).
struct clt_rpc_conn {
  uint32_t state;             // bits 16 and 17 around a call, 10 and 11 around an indirect lookup
  uint8_t busy;               // 1 after a busy reply
  int16_t busy_retries;
  uint32_t cnct_number;       // from the replies' message headers
  uint32_t retry_wait;        // seconds, from the reply header
  int32_t value;              // value word of the last reply
  uint16_t fes_lost;
  int16_t fes_lost_reason;
  uint32_t progress[2];       // call-progress flag words
  char failure_mark;          // 'F' when the link failed
  uint16_t fes_looked_up;     // 1 when the front end came from the lookup
  uint16_t reconnect;         // 1: the server is lost for the reconnect logic
  int16_t reconnect_reason;   // 1, 3 or 4
  char fes_state;             // 'Y' when the connection-state service answered 100
  char direct;                // 'Y' enables the direct frame; cleared at close
  uint8_t long_wait;          // replies wait PDCALCMDWAITTIME
  uint8_t fes_not_found;      // the front-end host was not found through the lookup
  uint8_t app_section;        // the application section flag
  uint16_t shm_object;        // server object number of the shared-memory channel
  uint8_t shm_wanted;         // 1: the connection wants the shared-memory channel
};

struct pd_clt_sess;
struct pd_clt_bsess;

// Per-call fields of the RPC session and the name service, and what the
// session needs of the SQL runtime: the CONNECT request built again after
// the server was found, in place, giving its new length (null: the
// request goes as it was built).
struct clt_rpc_call {
  pd_clt_sess* sess;
  pd_clt_bsess* bsess;
  nam_cntl* nam;
  uint8_t* staging;  // the staging buffer of the socket layer that the session allocated
  int32_t (*rebuild_connect)(uint8_t* request, uint32_t* length);
};

constexpr uint32_t CLT_REPLY_EXT44_SIZE = 16;

// A kept copy of a reply's column flag bytes, one per column.
struct clt_flag_copy {
  uint8_t* bytes;
  uint16_t count;
};

// What the analysis keeps of a reply beyond the control block's fields.
struct clt_reply_conn {
  uint8_t* trace_block;      // 40 bytes of per-request server data
  uint8_t* apinf;            // access-path block: length word, 24 free bytes, data
  uint8_t* apinf2;           // second access-path block, length-prefixed
  uint8_t* sqltrc;           // length-prefixed SQL-trace block
  uint8_t* disc_trace;       // the DISCONNECT reply's trace area
  uint8_t ext44[CLT_REPLY_EXT44_SIZE];
  uint8_t ext44_kept;
  char* errlog_text;         // text for the error log
  uint32_t errlog_size;      // bytes allocated for it
  char errlog_flag;          // 'Y' when a text is kept
  char sqlca_mark;           // eighth character of the last SQLCA identifier
  char finished;             // 'Y': the statement continues with the CCMD request
  char notice;               // 'Y': the server holds error-log text for the request (channel replies only)
  uint16_t reconnect_state;  // 0, 1 or 2, for PDAUTORECONNECT
  uint8_t descriptor_form;   // the FETCH values come with their own descriptions
  // FETCH preparation: the request carries the SQLDA's description when
  // changed is 1, or always when caching is 0.
  uint8_t desc_changed;
  uint8_t desc_caching;
  uint8_t* fetch_desc;       // saved FETCH description, CLT_FETCH_DESC_HEAD + 16 x sqld bytes
  clt_flag_copy kept_flags;  // column flag bytes of the last FETCH reply that had them
  // The CONNECT reply's type list: an i16 count, then 80-byte entries
  // whose u16 at 0, 32 and 64 are in client order. The column converters
  // read it as the character-set pad table.
  uint8_t* type_list;
  clt_row_plans* row_plans;  // the kept blocks' row plans (sql/clt_blkf_plan), or null
};
constexpr uint32_t CLT_FETCH_DESC_HEAD = 84;  // two names, the 32- and 16-bit values, the SQLDA header

constexpr size_t CLT_AUDIT_TEXT_SIZE = 100;
constexpr size_t CLT_AUDIT_LONG_TEXT_SIZE = 255;
constexpr size_t CLT_AUDIT_SHORT_SLOTS = 3;
constexpr uint16_t CLT_AUDIT_NULL_LENGTH = 65535;
constexpr size_t CLT_SAVED_IDENTITY_WORDS = 12;
// Room for the fields that the transports and the SQL runtime keep in
// the context: clt_global_runtime and a reserve for the parts not yet
// built.
constexpr size_t CLT_GLOBAL_RUNTIME_SIZE = 880;
// The request builders' clt_req_identity: a 30-character identifier with
// its zero and a 30-byte password field.
constexpr size_t CLT_REQ_IDENTITY_SIZE = 61;
constexpr size_t CLT_REQ_COUNTERS = 4;

// Audit information of p_rdb_setaudinf, slots 1 to 3 and slot 4.
struct clt_audit_item {
  uint16_t set;
  uint16_t length;  // CLT_AUDIT_NULL_LENGTH: null value
  char text[CLT_AUDIT_TEXT_SIZE];
};
struct clt_audit_item_long {
  uint16_t set;
  uint16_t length;
  char text[CLT_AUDIT_LONG_TEXT_SIZE];
};

// Module-trace states.
enum : uint16_t {
  CLT_TRC_READY = 1,
  CLT_TRC_NO_MEMORY = 2,
  CLT_TRC_OFF = 3,
};

// Initial words of the transport state machine.
constexpr uint16_t CLT_TACT_STATE_INITIAL[2] = {1, 2};

// File slots of the trace writer: RPC, module, socket, error log, SQL,
// stream dump, dynamic SQL trace, reconnect.
constexpr int32_t CLT_TRC_SLOTS = 8;

// Trace-file state of the context: the slots' size limits and the record
// buffers, counters and states of the low-level traces.
struct clt_trc_ctx {
  int32_t limit[CLT_TRC_SLOTS];  // bytes; 0 switches slots 0, 1, 2 and 5 off
  int32_t lock_fd;               // socket-trace lock file, 0 when not held (fd + 1)
  int32_t rpcsoc_open;           // 1 once the RPC and socket traces are set up
  uint16_t rpc_state;            // CLT_TRC_READY, _NO_MEMORY, _OFF; 0 not set up
  uint16_t soc_state;
  uint16_t ess_state;            // stream-dump buffer
  uint16_t mdl_phase;            // phase of the latest module record
  uint8_t* rpc_record;
  uint8_t* soc_record;
  uint8_t* ess_buf;
  int32_t soc_data_max;          // PDTRCSOCSIZE
  uint32_t mdl_seq;
  uint32_t rpc_seq;
  uint32_t soc_seq;
  uint32_t mdl_seconds;          // seconds of the latest module record
};

// What the wire layers and the executors keep of the running call.
struct clt_global_runtime {
  clt_com_call com;              // socket layer and transport; holds the reply buffer
  clt_rpc_call rpc;              // RPC session and name service
  uint8_t* req_buf;              // the connection's request buffer
  uint8_t* cur_req;              // where the current request is built; null between requests
  // Saved identity for reconnection. Its record is declared by the
  // request builders, whose header needs this one first; the bytes here
  // are its storage (CLTCOMCTX checks size and alignment).
  uint8_t identity[CLT_REQ_IDENTITY_SIZE];
  clt_trc_ctx trc;
  uint8_t cancelled;             // 1 after a request was cancelled: DISCONNECT sends nothing
  uint16_t req_counters[CLT_REQ_COUNTERS];  // per-request counters, cleared after each reply
};

struct clt_global_data {
  char eyecatcher[32];           // "Marlo_Client_Global_Data" in the static block
  char tag[8];                   // "CLTSTS "
  uint32_t call_running;         // 1 while p_rdb_exsql dispatches
  uint32_t refused_call;         // 1 when another call was refused meanwhile
  clt_main* main;                // the connection control block
  void* main_alloc;              // the same block as allocated
  void* sqltrc_block;            // SQL-trace buffer
  void* cur_trc_block;           // scratch copy during per-request timing
  void* nam_session;             // name-service session
  void* tact_session;            // transport session
  uint16_t tact_state[2];
  uint16_t mdl_trc_state;        // CLT_TRC_READY, _NO_MEMORY, _OFF
  void* mdl_trc_record;          // 48-byte module-trace record
  void* errlog_block;
  const char* trc_dir;           // first trace directory
  const char* trcctl_dir;        // directory of the trace-control trace
  int32_t mdl_trc_setting[2];    // PDTRCMDL and a second word
  char reqcode[4];               // running request code, blanks when idle
  uint8_t connected_before;
  uint8_t memtrc;                // 'Y' memory trace on, 'N' off
  uint8_t transfer_flag;
  uint32_t saved_identity[CLT_SAVED_IDENTITY_WORDS];
  char end_marker[4];            // "END"
  uint16_t reconnect_advice;     // 0 allowed, 1 refused once, 2 refused
  uint8_t msgconv;               // 'Y': client messages converted
  clt_audit_item audit[CLT_AUDIT_SHORT_SLOTS];
  clt_audit_item_long audit_long;
  clt_global_runtime runtime;
  uint8_t reserve[CLT_GLOBAL_RUNTIME_SIZE - sizeof(clt_global_runtime)];
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(clt_global_data) == 1620);
static_assert(offsetof(clt_global_data, tag) == 32);
static_assert(offsetof(clt_global_data, call_running) == 40);
static_assert(offsetof(clt_global_data, main) == 48);
#endif

// A lookup answer of the name service: the server's address record and
// its information bytes with the service port at NAM_INFO_PORT.
constexpr uint32_t NAM_INFO_SIZE = 32;
constexpr uint32_t NAM_INFO_PORT = 20;  // u16 service port within the information
struct nam_address {
  uint16_t family;
  uint16_t port;  // network order
  uint32_t addr;  // network order
};

// The sections of a control block, where its header says they lie.
inline char* clt_section_at(clt_main* main, uint32_t offset) { return reinterpret_cast<char*>(main) + offset; }
inline clt_env* clt_main_env(clt_main* main) {
  return reinterpret_cast<clt_env*>(clt_section_at(main, main->env_offset));
}

inline clt_uap* clt_main_uap(clt_main* main) {
  return reinterpret_cast<clt_uap*>(clt_section_at(main, main->uap_offset));
}

inline clt_com_conn* clt_main_com(clt_main* main) {
  return reinterpret_cast<clt_com_conn*>(clt_section_at(main, main->com_offset));
}

inline clt_req_conn* clt_main_req(clt_main* main) {
  return reinterpret_cast<clt_req_conn*>(clt_section_at(main, main->req_offset));
}

inline clt_rpc_conn* clt_main_rpc(clt_main* main) {
  return reinterpret_cast<clt_rpc_conn*>(clt_section_at(main, main->rpc_offset));
}

inline clt_reply_conn* clt_main_reply(clt_main* main) {
  return reinterpret_cast<clt_reply_conn*>(clt_section_at(main, main->reply_offset));
}

inline char* clt_text(clt_main* main, clt_text_area which) {
  return clt_section_at(main, main->text_area_offset[which]);
}
