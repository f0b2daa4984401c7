// The SQL-trace work buffer of a connection and where its records go: the
// two record kinds, their report flags and what each wants.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"

struct clt_main;

constexpr char CLT_SQLTRC_EYECATCHER[8] = "CLT_SQL";
constexpr uint32_t CLT_SQLTRC_TEXT_SIZE = 4188;
// Head flags: files 1 and 2 of kind 7, files 1 and 2 of kind 16.
constexpr size_t CLT_SQLTRC_HEAD_FLAGS = 4;

// Report bits of PDUAPREPLVL and of the trace-control file.
enum : int32_t {
  CLT_REP_UAP = 1,
  CLT_REP_SQL = 2,
  CLT_REP_OPTIMIZER = 4,
  CLT_REP_RESULT = 16,
};

struct clt_sqltrc_buf {
  char eyecatcher[8];
  char apname[31];
  char user[33];
  uint32_t uap_start;
  uint32_t start_sec;
  uint16_t start_msec;
  int64_t start_counter;
  int64_t frequency;
  uint32_t end_sec;
  uint16_t end_msec;
  int64_t end_counter;
  uint32_t exec_usec;
  uint32_t counter;
  int32_t head_written[CLT_SQLTRC_HEAD_FLAGS];
  char* text;              // the record being built: the text area or a larger block
  uint32_t text_size;      // bytes of the text area, which follows the header
  const char* rep_dir;     // PDREPPATH in use for kind 7, null when none
  char* stmt_buf;          // work buffer of statements longer than the text area
  uint32_t stmt_size;
  char* text_area() { return reinterpret_cast<char*>(this + 1); }
};

// PDSQLTRCOPENMODE: a record per opening, or the files kept open.
enum : int16_t { CLT_SQLTRC_OPEN_PER_RECORD = 0, CLT_SQLTRC_OPEN_CNCT = 1 };

// PDCLTCNVMODE's UCS-2 modes and PDSRVTYPE "ZUM4" as the settings keep them.
constexpr uint8_t CLT_CNV_UCS2_FIRST = 10, CLT_CNV_UCS2_LAST = 12;
constexpr int16_t CLT_SRVTYPE_ZUM4 = 2;

// Which records a kind wants for the running request (both kinds at once).
struct clt_sqltrc_wants {
  bool line[2];
  bool detail[2];
  bool stats[2];
};

clt_sqltrc_buf* clt_sqltrc_cur();

// Report flags of kind 7 (index 0) and kind 16 (index 1), and whether each kind is on.
int32_t clt_sqltrc_flags(const clt_main* main, int32_t which);
bool clt_sqltrc_kind_on(const clt_main* main, int32_t which);
// Whether the server's level word is `word` (a negative level) or lower.
bool clt_level_word_at_most(const clt_main* main, int32_t word);
// A 32-bit word of the server, in its byte order unless the connection's flag says the client's.
uint32_t clt_trc_server32(const clt_main* main, const uint8_t* p);
// Hands a record to each kind that `want` names, kind 7 first.
void clt_sqltrc_emit(const char* record, uint32_t length, const bool want[2]);
