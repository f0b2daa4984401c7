#include "CLTTRCSV.h"

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

#include <initializer_list>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTTRCEL.h"
#include "clt_sqltrc_buf.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTTRCSQ";

constexpr char kOptimizerHead[] = "Result of SQL Optimizer :\n";
constexpr char kExecutionHead[] = "Result of SQL Execution :\n";
constexpr uint32_t kResultHeadLen = sizeof kOptimizerHead - 1;
static_assert(sizeof kOptimizerHead == sizeof kExecutionHead, "both heads have one length");

// The statistics record: where each item's word lies, and what the item level allows.
constexpr uint32_t kOldStatsArea = 336;
constexpr uint32_t kWaitSeconds = 0, kWaitMicros = 4;
constexpr uint32_t kItemLevelAt = 336;
constexpr uint32_t kItemLevelLate = 2;     // above: [94] to [112]
constexpr uint32_t kItemLevelHashJoin = 20;  // above: [113] to [115]
constexpr int32_t kLevelSchedule = -18;    // [92] and [93] from this level word down
constexpr int32_t kLevelLateItems = -19;   // [94] to [115]
constexpr uint32_t kMillis = 1000;
constexpr int kWaitItem = 9;
constexpr int kAverageItem = 98;
constexpr int kInsertsItem = 94, kFlushesItem = 95;
constexpr size_t kRecordRoom = 4096;

struct item {
  int number;
  const char* name;
};
using line = std::initializer_list<item>;

const line kRecord1[] = {
    {{9, "WAITT"}, {10, "CTIME"}},
    {{11, "ROREQ"}, {12, "ROHITS"}},
    {{13, "SOREQ"}, {14, "SOHITS"}, {15, "SOCRT"}, {16, "SOMAX"}},
    {{17, "COMT"}, {18, "ROLB"}, {19, "FROW"}, {20, "DROW"}, {21, "IROW"}},
    {{22, "UROW"}, {23, "SET"}, {24, "OPEN"}, {25, "FETC"}, {26, "CLOS"}},
    {{27, "DESC"}, {28, "SEL"}, {29, "INS"}, {30, "UPD"}, {31, "DEL"}},
    {{32, "LOCK"}, {33, "CRTT"}, {34, "DRPT"}, {35, "ALTT"}, {36, "CRTI"}},
    {{37, "DRPI"}, {38, "CMTT"}, {39, "CMTC"}, {40, "CRTS"}, {41, "DRPS"}},
    {{42, "GRTR"}, {43, "GRTS"}, {44, "GRTA"}, {45, "GRTC"}, {46, "GRTD"}},
    {{47, "RVKR"}, {48, "RVKS"}, {49, "RVKA"}, {50, "RVKC"}, {51, "RVKD"}},
    {{52, "CRTV"}, {53, "DRPV"}, {54, "PRGT"}, {55, "CRTP"}, {56, "DRPP"}},
    {{57, "ALTP"}, {58, "CALL"}, {59, "DESI"}, {60, "MISC"}},
    {{61, "MAXIO"}, {62, "MAXIOM"}, {63, "MINIO"}, {64, "MINIOM"}},
    {{65, "IOTIM"}, {66, "IOTIMM"}},
};
const line kRecord2[] = {
    {{67, "DIDRC"}, {68, "DIDUC"}, {69, "DIDHC"}, {70, "DIDRD"}, {71, "DIDWT"}},
    {{72, "LBRFC"}, {73, "LBUPC"}, {74, "LBRHC"}, {75, "LBUHC"}, {76, "LBRDC"}},
    {{77, "LBWTC"}, {78, "BFSHC"}, {79, "BRDWC"}, {80, "BWTWC"}},
    {{81, "BLKWC"}, {82, "MWFN"}, {83, "MWFEC"}, {84, "MWFVL"}},
    {{85, "WFRDC"}, {86, "WFWTC"}, {87, "WBFOC"}},
    {{88, "MWHTS"}, {89, "MBSL1"}, {90, "MBSL2"}, {91, "MBSL3"}},
};
const line kSchedule = {{92, "SCHSKD"}, {93, "SCHCHG"}};
const line kRecord3[] = {
    {{94, "CINSM"}, {95, "CAFLS"}, {96, "CAFWR"}, {97, "CFMAX"}, {98, "CFAVG"}},
    {{99, "LDIRC"}, {100, "LDIUC"}, {101, "LDIHC"}, {102, "LDIRD"}},
    {{103, "LDIWT"}, {104, "LBFSHC"}},
    {{105, "ARREQ"}, {106, "ARWC"}, {107, "ARWT"}, {108, "ARWTM"}},
    {{109, "ARWTA"}, {110, "ARWTMA"}, {111, "ARSTA"}, {112, "ARSTMA"}},
};
const line kHashJoin = {{113, "HJMAX"}, {114, "HJCMC"}, {115, "HJHTC"}};

// Byte offset of an item's word in the statistics record.
uint32_t offset_of(int n) {
  constexpr uint32_t kFirstItems = 8, kWord = 4;
  constexpr uint32_t kLate[] = {236, 240, 252, 264, 268, 244, 248, 256, 260, 272, 276, 280, 288, 292, 284};  // [67]..[81]
  if (n >= 10 && n <= 66) return kFirstItems + kWord * static_cast<uint32_t>(n - 10);
  if (n >= 67 && n <= 81) return kLate[n - 67];
  if (n >= 82 && n <= 91) return 296 + kWord * static_cast<uint32_t>(n - 82);
  if (n == 92 || n == 93) return 340 + kWord * static_cast<uint32_t>(n - 92);
  if (n >= 94 && n <= 97) return 348 + kWord * static_cast<uint32_t>(n - 94);
  if (n >= 99 && n <= 112) return 364 + kWord * static_cast<uint32_t>(n - 99);
  return 420 + kWord * static_cast<uint32_t>(n - 113);
}

// The statistics record as the DISCONNECT kept it; words beyond what it holds read 0.
struct stats {
  const clt_main* main;
  const uint8_t* record;
  uint32_t size;
  uint32_t word(uint32_t off) const {
    return off + sizeof(uint32_t) <= size ? clt_trc_server32(main, record + off) : 0;
  }
  uint32_t value(int n) const {
    if (n == kWaitItem) return word(kWaitSeconds) * kMillis + word(kWaitMicros) / kMillis;
    if (n == kAverageItem) {
      // No inserts leave no average: 0.
      const uint32_t inserts = word(offset_of(kInsertsItem));
      return inserts == 0 ? 0 : word(offset_of(kFlushesItem)) / inserts;
    }
    return word(offset_of(n));
  }
};

// Appends "[n]NAME(value)" items, blank-separated, with or without values.
size_t put_line(char* out, size_t at, const line& items, const stats* s, bool line_feed) {
  bool first = true;
  for (const item& it : items) {
    if (!first) out[at++] = ' ';
    first = false;
    if (s != nullptr) {
      at += static_cast<size_t>(snprintf(out + at, kRecordRoom - at, "[%d]%s(%u)", it.number, it.name, s->value(it.number)));
    } else {
      at += static_cast<size_t>(snprintf(out + at, kRecordRoom - at, "[%d]%s()", it.number, it.name));
    }
  }
  if (line_feed) out[at++] = '\n';
  return at;
}

// One result section; false when its memory failed and the record ends here.
bool write_result(clt_sqltrc_buf* b, clt_main* main, const uint8_t* block, int32_t bit, const char* head) {
  bool want[2];
  for (int32_t k = 0; k < 2; ++k) want[k] = clt_sqltrc_kind_on(main, k) && (clt_sqltrc_flags(main, k) & bit) != 0;
  if ((!want[0] && !want[1]) || block == nullptr) return true;
  const uint32_t length = clt_trc_server32(main, block);
  const uint32_t total = kResultHeadLen + length;
  char* out = b->text_area();
  if (total > b->text_size) {
    out = static_cast<char*>(cltmem_alloc(total, 0, kModule, __LINE__));
    if (out == nullptr) {
      clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, static_cast<int32_t>(__LINE__));
      return false;
    }
    b->text = out;
  }
  memcpy(out, head, kResultHeadLen);
  memcpy(out + kResultHeadLen, block + sizeof(uint32_t), length);
  clt_sqltrc_emit(out, total, want);
  if (out != b->text_area()) cltmem_free(out, kModule, __LINE__);
  b->text = b->text_area();
  return true;
}

void write_statistics(clt_sqltrc_buf* b, clt_main* main) {
  bool want[2];
  for (int32_t k = 0; k < 2; ++k) {
    want[k] = clt_sqltrc_kind_on(main, k) && (clt_sqltrc_flags(main, k) & CLT_REP_UAP) != 0;
  }
  const uint8_t* record = clt_main_reply(main)->disc_trace;
  if ((!want[0] && !want[1]) || record == nullptr) return;
  const stats s{main, record, main->disc_area_size != 0 ? main->disc_area_size : kOldStatsArea};
  const clt_env* env = clt_main_env(main);
  char* out = b->text_area();
  size_t at = static_cast<size_t>(snprintf(
      out, kRecordRoom,
      "UAP INFORMATION :\n[1]UAPNAME(%s)\n[2]SVHOST(%s) [3]SVPORT(%u) [4]SVNAME(%s) [5]CNCTNO(%ld)\n"
      "[6]SVPID(%ld) [7]CLPID(%ld) [8]CLTTID(%ld)\n",
      env->pdcltapname, env->pdfeshost, static_cast<unsigned>(ntohs(main->srv_port)), env->pdservicegrp,
      static_cast<long>(main->cnct_number), static_cast<long>(main->srv_pid), static_cast<long>(main->clt_pid),
      static_cast<long>(clt_main_req(main)->thread_id)));
  for (const line& l : kRecord1) at = put_line(out, at, l, &s, true);
  clt_sqltrc_emit(out, static_cast<uint32_t>(at), want);

  at = 0;
  for (const line& l : kRecord2) at = put_line(out, at, l, &s, true);
  at = put_line(out, at, kSchedule, clt_level_word_at_most(main, kLevelSchedule) ? &s : nullptr, true);
  clt_sqltrc_emit(out, static_cast<uint32_t>(at), want);

  at = 0;
  const uint32_t item_level = s.word(kItemLevelAt);
  const bool late = clt_level_word_at_most(main, kLevelLateItems) && item_level > kItemLevelLate;
  for (const line& l : kRecord3) at = put_line(out, at, l, late ? &s : nullptr, true);
  at = put_line(out, at, kHashJoin, late && item_level > kItemLevelHashJoin ? &s : nullptr, true);
  out[at++] = '\n';
  clt_sqltrc_emit(out, static_cast<uint32_t>(at), want);
}

}  // namespace

char clt_hexdump_char(uint8_t byte, char* dest) {
  constexpr uint8_t kLow = 0x20, kHigh = 0x7E;
  snprintf(dest, 4, "%02x ", byte);
  return byte >= kLow && byte <= kHigh ? static_cast<char>(byte) : '.';
}

void clt_sqltrc_results(clt_sqltrc_buf* b, clt_main* main) {
  const clt_reply_conn* rc = clt_main_reply(main);
  if (!write_result(b, main, rc->apinf2, CLT_REP_OPTIMIZER, kOptimizerHead)) return;
  if (!write_result(b, main, rc->sqltrc, CLT_REP_RESULT, kExecutionHead)) return;
  write_statistics(b, main);
}
