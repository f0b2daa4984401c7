/* zelkit: client library of the Marlo database server.
 * The caller's records and the exported entry points. */
#ifndef ZELKIT_H
#define ZELKIT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The library builds with hidden visibility; only these are exported. */
#define ZELKIT_API __attribute__((visibility("default")))

/* Three exports remove their own arguments; that only exists on i386. */
#if defined(__i386__)
#define ZELKIT_CALLEE_POPS __attribute__((stdcall))
#else
#define ZELKIT_CALLEE_POPS
#endif

/* SQL communication area: 336 bytes on every build. */
typedef struct SQLCA {
  char sqlcaid[8];       /* "SQLCA   " */
  int32_t sqlcabc;       /* 336 */
  int32_t SQLCODE;
  int16_t sqlerrml;      /* bytes of sqlerrmc in use */
  char sqlerrmc[254];    /* tokens separated by 0xFF */
  char sqlerrp[8];
  int32_t sqlerrd[6];
  char sqlwarn[16];      /* [0] 'W' when any warning flag is set */
  char sqlsrcfile[10];   /* reporting module, no terminator */
  char sqlrsv[2];
  int32_t sqlsrcline;
} SQLCA;

/* One host variable of an SQL descriptor area. */
typedef struct SQLVAR {
  uint8_t sqlrsv;
  uint8_t sqlcod;        /* data type code; odd codes are nullable */
  int16_t XDIM;          /* element count of a repetition variable */
  union {
    struct {
      int16_t sqllen;
      uint16_t SYS;      /* element stride of array rows; 0 = not given */
    } s;
    struct {
      uint8_t sqlprcsn;
      uint8_t sqlscale;
    } d;
    uint32_t sqllen32;   /* length of the large-object codes */
  } len;
  void* SQLDATA;
  void* SQLIND;
} SQLVAR;

/* SQL descriptor area: a header and sqln variables. */
typedef struct SQLDA {
  char sqldaid[8];
  uint32_t sqldabc;
  int16_t sqln;
  int16_t sqld;
  SQLVAR sqlvar[1];
} SQLDA;

/* Statement text of a request: length, then the text. */
typedef struct rdb_sql_text {
  int32_t length;
  char text[1];
} rdb_sql_text;

/* The caller's request area. Offsets in the comments are those of the
 * 32-bit layout; pointer fields widen on 64-bit builds. */
typedef struct rdb_sql_area {
  char prefix[4];            /* +0   "*RBD", "*RBU" caller marks */
  char rsv004[6];
  char authid[30];           /* +10  authorization identifier */
  char passwd[30];           /* +40  password */
  char cnctbody[30];         /* +70  copied into the CONNECT body */
  uint16_t section;          /* +100 section number */
  char reqcode[4];           /* +102 request code, e.g. "CNCT" */
  uint16_t stmtword;         /* +106 */
  uint8_t stmtattr;          /* +108 */
  uint8_t blkf_perm1;        /* +109 block-fetch permission bytes */
  uint8_t blkf_perm2;        /* +110 */
  uint8_t rowif;             /* +111 'S' asks for the row interface */
  char rsv112[4];
  rdb_sql_text* sqltext;     /* +116 */
  SQLCA* sqlca;              /* +120 */
  SQLDA* sqliasda;           /* +124 input variable list */
  void* colnames1;           /* +128 column-name area of the first list */
  char rsv132[12];
  uint16_t stmtsection;      /* +144 section of the cursor's statement */
  int16_t fetchrows;         /* +146 array elements, 0 = no arrays */
  char rsv148[8];
  uint32_t optvalue;         /* +156 option value of SET OPTION */
  char optname[30];          /* +160 option value text / declaration name */
  uint8_t elemsize;          /* +190 array elements lie SYS apart */
  uint8_t attrkind;          /* +191 type option of "SET " */
  SQLDA* sqliasda2;          /* +192 output variable list */
  void* attrarea;            /* +196 */
  char rsv200[4];
  uint8_t setvars;           /* +204 'Y': description as well */
  uint8_t rsv205;
  uint8_t desckind;          /* +206 */
  char rsv207[10];
  uint8_t prpcrcls;          /* +217 'Y'/'N' overrides PDPRPCRCLS */
  uint8_t keep;              /* +218 */
  uint8_t termbyte;          /* +219 2: message text padded with blanks */
  int16_t outcount;          /* +220 */
  char sqlstate[5];          /* +222 */
  /* Fields the library places here, in the area's free bytes. */
  uint8_t result;            /* +227 result byte of the reply's status part */
  uint8_t mode;              /* +228 'Y' at CONNECT: transaction mode 1; blanked after every request */
  uint8_t aryinsans;         /* +229 PDCHKARYINSERT answer of PREPARE: 'Y', 'N', 'U' */
  char rsv230[2];
  uint32_t trcword;          /* +232 trace word, cleared by the reply analysis */
  char srvversion[10];       /* +236 server version from CONNECT */
  char rsv246[26];
  uint8_t declkind;          /* +272 */
  uint8_t cnctattr;          /* +273 'Y': connection kind 1 */
  uint8_t rdnodeflag;        /* +274 */
  uint8_t hold;              /* +275 */
  char rdnode[30];           /* +276 */
  char name1[30];            /* +306 */
  uint32_t stmtid;           /* +336 */
  char name2[30];            /* +340 */
  int16_t version;           /* +370 layout version 0xMMmm */
  char rsv372[4];
  void* srvinfbuf;           /* +376 server-information result buffer */
  uint32_t srvinfitem;       /* +380 */
  uint32_t stmtvalue;        /* +384 */
  char rsv388[8];
  int16_t arycount;          /* +396 elements of an array insert */
  int16_t arymax;            /* +398 declared maximum, 0 = none */
  uint16_t setopt50;         /* +400 */
  char rsv402[18];
  void* extstmtname;         /* +420 layout 0x0702 and later */
  void* extcursname;         /* +424 */
  void* name49a;             /* +428 */
  void* name49b;             /* +432 */
  void* colnames2;           /* +436 */
  void* sqlcsna1;            /* +440 layout 0x0802 and later */
  void* sqlcsna2;            /* +444 */
  void* namepair;            /* +448 */
} rdb_sql_area;

/* The ODBC driver's per-connection buffer. */
typedef struct rdb_odbc_buf {
  char rsv000[292];
  void* ctxhandle;           /* +292 handle from p_rdb_initodbc */
  uint32_t nameport;         /* +296 0 = from the settings */
  char host[66];             /* +300 */
  uint16_t statcache;        /* +366 PDODBSTATCACHE */
  uint8_t paramflag;         /* +368 */
  char rsv369[3];
  void* parampointer;        /* +372 */
  char rsv376[2];
  uint16_t escape;           /* +378 PDODBESCAPE */
  uint8_t cnctreply;         /* +380 CONNECT reply byte */
  uint8_t optD;              /* +381 option letter D */
  char rsv382[2];
  const char* inifile;       /* +384 settings file of the data source */
  uint8_t optU;              /* +388 option letter U */
  uint8_t gdataopt;          /* +389 PDGDATAOPT */
  uint16_t rowsleft;         /* +390 */
  uint8_t wrnskip;           /* +392 PDODBCWRNSKIP */
  char rsv393[3];
} rdb_odbc_buf;

ZELKIT_API int32_t p_rdb_exsql(rdb_sql_area* area);
ZELKIT_API int32_t p_rdb_exodbc(int32_t reserved, rdb_sql_area* area, rdb_odbc_buf* odbc);
ZELKIT_API int32_t p_rdb_initodbc(int32_t reserved, void** handle);
ZELKIT_API int32_t p_rdb_termodbc(int32_t reserved, void* handle);
ZELKIT_API int32_t ZELKIT_CALLEE_POPS p_rdb_setopt(uint32_t value, rdb_sql_area* area);
ZELKIT_API int32_t p_rdb_odbsetopt(int32_t reserved, uint32_t value, rdb_sql_area* area,
                                   rdb_odbc_buf* odbc);
ZELKIT_API int32_t ZELKIT_CALLEE_POPS p_rdb_srvinf(uint32_t item, rdb_sql_area* area);
ZELKIT_API int32_t ZELKIT_CALLEE_POPS p_rdb_cltinf(int32_t item, void* result);
ZELKIT_API int32_t p_rdb_get_CltInf(int16_t item, int16_t size, int16_t* length, void* buffer);
ZELKIT_API int32_t p_rdb_getparam(void* pointer);
ZELKIT_API int32_t p_rdb_setaudinf(rdb_sql_area* area, int32_t mode);
ZELKIT_API int32_t p_rdb_clearenv(void);
ZELKIT_API int32_t p_rdb_abort(void);
ZELKIT_API int32_t p_rdb_get_plugin_env(void* result);
ZELKIT_API int32_t p_rdb_cmd_execute(const char* command, int32_t output_size,
                                     uint32_t* output_length, char* output,
                                     int32_t* return_code, const char* group,
                                     uint32_t reserved);

#ifdef __cplusplus
}
#endif

#endif
