// blkf_bench: block FETCH through p_rdb_exsql against the test server,
// beside the same reply bytes over a raw loopback TCP connection.
//
//   blkf_bench [ROWS]        (default 1000000)
//
// The test server runs in a process of its own on loopback and answers
// over the direct frame from a table of ROWS rows (INTEGER, CHAR(20),
// DECIMAL(9,2)) made by a rule as the cursor reaches them. The client
// FETCHes every row with PDBLKF 1000 in the SQLDA form. The anchor, in the
// same run: one process asks another over loopback TCP for the same number
// of bytes in blocks of the same sizes (each with its frame and reply
// header), request by request. Prints both throughputs, the ratio (goal:
// at least 50%) and the client thread's CPU time per FETCH served from a
// kept block (goal: at most 2 us).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "marlo_block.h"
#include "marlo_server.h"
#include "zelkit.h"

namespace {

constexpr size_t kDefaultRows = 1000000;
constexpr int kBlockRows = 1000;
constexpr char kGroup[] = "sds01";
constexpr char kTable[] = "BENCH";
constexpr size_t kNameLength = 20;
constexpr uint8_t kPrecision = 9;
constexpr uint8_t kScale = 2;
constexpr size_t kFrameHeader = 12;
constexpr size_t kReplyHeader = 64;
constexpr size_t kRequestBytes = 256;  // about what a FETCH request of a described cursor takes
constexpr double kMegabyte = 1024.0 * 1024.0;
constexpr double kGoalRatio = 0.5;
constexpr double kGoalCpuUs = 2.0;

double now(clockid_t clock) {
  timespec t{};
  clock_gettime(clock, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The rule of the table: ID i, NAME "row" and i, PAY i % 10000000 hundredths.
std::vector<marlo::cell> row_of(size_t i) {
  char name[32];
  snprintf(name, sizeof name, "row%zu", i);
  char pay[32];
  snprintf(pay, sizeof pay, "%zu.%02zu", (i / 100) % 10000000, i % 100);
  return {marlo::cell::of(std::to_string(i)), marlo::cell::of(name), marlo::cell::of(pay)};
}

marlo::table bench_table() {
  marlo::table t;
  t.name = kTable;
  t.columns = {marlo::column::of("ID", 0xF0, 4), marlo::column::of("NAME", 0xA4, kNameLength),
               marlo::column::of("PAY", 0xE4, 0, kPrecision, kScale)};
  for (marlo::column& c : t.columns) c.nullable = false;
  return t;
}

// The variables' description as the FETCH request carries it, big-endian.
std::vector<marlo::fetch_entry> described() {
  return {{0xF0, 1, {0, 4, 0, 0}}, {0xA4, 1, {0, kNameLength, 0, 0}}, {0xE4, 1, {kPrecision, kScale, 0, 0}}};
}

// The reply bodies' sizes of the blocks the server sends for `rows` rows.
std::vector<size_t> block_sizes(size_t rows) {
  std::vector<size_t> sizes;
  const std::vector<marlo::fetch_entry> d = described();
  for (size_t first = 0; first <= rows; first += kBlockRows) {
    const size_t n = std::min<size_t>(kBlockRows, rows - first);
    std::vector<std::vector<marlo::cell>> block;
    for (size_t i = 0; i < n; ++i) block.push_back(row_of(first + i));
    std::vector<uint8_t> body = marlo::reply_body(false, first + n >= rows ? 100 : 0, "00000", "");
    body[36 + 32 + 7] = ' ';
    marlo::block_reply(false, false, false, 0, 0, d, block, {}, &body);
    sizes.push_back(body.size());
    if (first + n >= rows) break;
  }
  return sizes;
}

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

// A request area with its SQLCA.
struct request {
  rdb_sql_area area{};
  SQLCA sqlca{};
  std::string text;
  explicit request(const char* code) {
    memcpy(area.reqcode, code, sizeof area.reqcode);
    area.sqlca = &sqlca;
    area.version = 0x802;
    blank(area.name1, sizeof area.name1, "C1");
    blank(area.name2, sizeof area.name2, "S1");
    area.section = 1;
  }
  void statement(const std::string& t) {
    text.assign(sizeof(int32_t), '\0');
    const auto n = static_cast<int32_t>(t.size());
    memcpy(text.data(), &n, sizeof n);
    text += t;
    area.sqltext = reinterpret_cast<rdb_sql_text*>(text.data());
  }
  bool run(const char* what) {
    const int32_t rc = p_rdb_exsql(&area);
    if (rc < 0 || sqlca.SQLCODE < 0) {
      fprintf(stderr, "blkf_bench: %s failed: %.*s\n", what, sqlca.sqlerrml, sqlca.sqlerrmc);
      return false;
    }
    return true;
  }
};

// The test server in a child process; its name port, or 0.
uint16_t start_server(size_t rows, pid_t* child, int* stop) {
  int ready[2];
  int hold[2];
  if (pipe(ready) != 0 || pipe(hold) != 0) return 0;
  *child = fork();
  if (*child == 0) {
    close(ready[0]);
    close(hold[1]);
    marlo::script s;
    s.services.push_back(kGroup);
    s.sql_service = true;
    s.tables.declare(bench_table());
    s.block.generated[kTable] = marlo::generated_rows{rows, row_of};
    marlo::server srv(s);
    const uint16_t port = srv.ok() ? srv.name_port() : 0;
    if (write(ready[1], &port, sizeof port) != sizeof port) _exit(1);
    char c;
    while (read(hold[0], &c, 1) > 0) {
    }
    _exit(0);
  }
  close(ready[1]);
  close(hold[0]);
  *stop = hold[1];
  uint16_t port = 0;
  if (read(ready[0], &port, sizeof port) != sizeof port) port = 0;
  close(ready[0]);
  return port;
}

struct fetch_result {
  double seconds = 0;
  double served_cpu = 0;  // thread CPU seconds of FETCHes served from a kept block
  size_t served = 0;
  size_t rows = 0;
};

bool fetch_all(uint16_t port, fetch_result* out) {
  setenv("PDSERVICEGRP", kGroup, 1);
  setenv("PDHOST", "127.0.0.1", 1);
  setenv("PDFESHOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
  setenv("PDAUTOCONNECT", "OFF", 1);
  setenv("PDBLKF", std::to_string(kBlockRows).c_str(), 1);
  setenv("PDDFLNVAL", "USE", 1);  // a blank mark: FETCH asks for the SQLDA form
  request cn("CNCT");
  blank(cn.area.authid, sizeof cn.area.authid, "bench");
  blank(cn.area.passwd, sizeof cn.area.passwd, "bench");
  blank(cn.area.cnctbody, sizeof cn.area.cnctbody, "");
  if (!cn.run("CONNECT")) return false;
  std::vector<uint8_t> desc(offsetof(SQLDA, sqlvar) + 8 * sizeof(SQLVAR), 0);
  auto* dd = reinterpret_cast<SQLDA*>(desc.data());
  memcpy(dd->sqldaid, "SQLDA   ", 8);
  dd->sqln = 8;
  request prep("SET ");
  prep.statement(std::string("SELECT * FROM ") + kTable);
  prep.area.sqliasda = dd;
  if (!prep.run("PREPARE")) return false;
  request open("OPEN");
  if (!open.run("OPEN")) return false;

  std::vector<uint8_t> list(offsetof(SQLDA, sqlvar) + 3 * sizeof(SQLVAR), 0);
  auto* da = reinterpret_cast<SQLDA*>(list.data());
  memcpy(da->sqldaid, "SQLDA   ", 8);
  da->sqln = da->sqld = 3;
  int32_t id = 0;
  char name[kNameLength + 1];
  uint8_t pay[kPrecision / 2 + 1];
  da->sqlvar[0].sqlcod = 0xF0;
  da->sqlvar[0].len.s.sqllen = 4;
  da->sqlvar[0].SQLDATA = &id;
  da->sqlvar[1].sqlcod = 0xA4;
  da->sqlvar[1].len.s.sqllen = kNameLength;
  da->sqlvar[1].SQLDATA = name;
  da->sqlvar[2].sqlcod = 0xE4;
  da->sqlvar[2].len.d.sqlprcsn = kPrecision;
  da->sqlvar[2].len.d.sqlscale = kScale;
  da->sqlvar[2].SQLDATA = pay;
  for (int i = 0; i < 3; ++i) da->sqlvar[i].XDIM = 1;
  request fetch("FETC");
  fetch.area.sqliasda = da;
  fetch.area.blkf_perm1 = 1;
  fetch.area.blkf_perm2 = 1;

  const double start = now(CLOCK_MONOTONIC);
  double block_start = 0;
  for (size_t n = 0;; ++n) {
    // The first FETCH of a block asks the server; the rest of the block
    // is served from it.
    const bool asks = n % kBlockRows == 0;
    if (asks && n != 0) {
      out->served_cpu += now(CLOCK_THREAD_CPUTIME_ID) - block_start;
      out->served += kBlockRows - 1;
    }
    const int32_t rc = p_rdb_exsql(&fetch.area);
    if (asks) block_start = now(CLOCK_THREAD_CPUTIME_ID);
    if (rc != 0 || fetch.sqlca.SQLCODE != 0) {
      if (fetch.sqlca.SQLCODE != 100) {
        fprintf(stderr, "blkf_bench: FETCH failed: %.*s\n", fetch.sqlca.sqlerrml, fetch.sqlca.sqlerrmc);
        return false;
      }
      break;
    }
    if (static_cast<size_t>(id) != n) {
      fprintf(stderr, "blkf_bench: row %zu came as %d\n", n, id);
      return false;
    }
    ++out->rows;
  }
  out->seconds = now(CLOCK_MONOTONIC) - start;
  request disc("DISC");
  disc.run("DISCONNECT");
  return true;
}

bool full(int fd, void* p, size_t n, bool sending) {
  auto* b = static_cast<uint8_t*>(p);
  while (n > 0) {
    const ssize_t k = sending ? send(fd, b, n, MSG_NOSIGNAL) : recv(fd, b, n, 0);
    if (k <= 0) return false;
    b += k;
    n -= static_cast<size_t>(k);
  }
  return true;
}

// The anchor: a process that answers each request of kRequestBytes with
// the next block's bytes, over loopback TCP. Seconds, or a negative value.
double raw_transfer(const std::vector<size_t>& sizes) {
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listener, 1) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    return -1;
  }
  size_t largest = 0;
  for (size_t s : sizes) largest = std::max(largest, s + kFrameHeader + kReplyHeader);
  const pid_t child = fork();
  if (child == 0) {
    const int fd = accept(listener, nullptr, nullptr);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::vector<uint8_t> reply(largest, 0x5A);
    std::vector<uint8_t> req(kRequestBytes);
    for (size_t s : sizes) {
      if (!full(fd, req.data(), req.size(), false) || !full(fd, reply.data(), s + kFrameHeader + kReplyHeader, true)) {
        _exit(1);
      }
    }
    _exit(0);
  }
  close(listener);
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return -1;
  std::vector<uint8_t> req(kRequestBytes, 0x11);
  std::vector<uint8_t> reply(largest);
  const double start = now(CLOCK_MONOTONIC);
  for (size_t s : sizes) {
    if (!full(fd, req.data(), req.size(), true) || !full(fd, reply.data(), s + kFrameHeader + kReplyHeader, false)) {
      return -1;
    }
  }
  const double seconds = now(CLOCK_MONOTONIC) - start;
  close(fd);
  int status = 0;
  waitpid(child, &status, 0);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t rows = argc > 1 ? static_cast<size_t>(strtoull(argv[1], nullptr, 10)) : kDefaultRows;
  if (rows == 0) {
    fputs("usage: blkf_bench [ROWS]\n", stderr);
    return 2;
  }
  const std::vector<size_t> sizes = block_sizes(rows);
  size_t bytes = 0;
  for (size_t s : sizes) bytes += s + kFrameHeader + kReplyHeader;

  pid_t server = 0;
  int stop = -1;
  const uint16_t port = start_server(rows, &server, &stop);
  if (port == 0) {
    fputs("blkf_bench: the test server did not start\n", stderr);
    return 1;
  }
  fetch_result f;
  const bool fetched = fetch_all(port, &f);
  close(stop);
  int status = 0;
  waitpid(server, &status, 0);
  if (!fetched) return 1;
  if (f.rows != rows) {
    fprintf(stderr, "blkf_bench: %zu rows of %zu\n", f.rows, rows);
    return 1;
  }
  const double raw = raw_transfer(sizes);
  if (raw <= 0) {
    fputs("blkf_bench: the raw transfer failed\n", stderr);
    return 1;
  }
  const double mb = static_cast<double>(bytes) / kMegabyte;
  const double ratio = raw / f.seconds;
  const double cpu_us = f.served != 0 ? f.served_cpu / static_cast<double>(f.served) * 1e6 : 0;
  printf("blkf_bench: %zu rows, %zu blocks, %.1f MB of replies\n", rows, sizes.size(), mb);
  printf("  block FETCH through p_rdb_exsql: %8.3f s  %8.1f MB/s  %10.0f rows/s\n", f.seconds, mb / f.seconds,
         static_cast<double>(rows) / f.seconds);
  printf("  raw loopback TCP, same blocks:   %8.3f s  %8.1f MB/s\n", raw, mb / raw);
  printf("  ratio %.1f%% (goal at least %.0f%%)\n", 100.0 * ratio, 100.0 * kGoalRatio);
  printf("  client CPU per FETCH served from a kept block: %.3f us over %zu FETCHes (goal at most %.1f us)\n", cpu_us,
         f.served, kGoalCpuUs);
  return 0;
}
