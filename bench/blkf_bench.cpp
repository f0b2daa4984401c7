// blkf_bench: what zelkit's block FETCH costs the client per row, beside
// libpq fetching the same rows from PostgreSQL.
//
//   blkf_bench [ROWS] [--scale N]        (default 1000000)
//
// zelkit: the test server runs in a process of its own on loopback and
// answers from a table of ROWS rows (INTEGER, CHAR(20), DECIMAL(9,2)) made
// by a rule as the cursor reaches them; the client FETCHes every row with
// PDBLKF 1000 in the SQLDA form. libpq: a PostgreSQL server that the
// benchmark starts on a private loopback port, its data folder under the
// build folder, holds the same rows (INTEGER, CHAR(20), NUMERIC(10,2)); the
// client reads them through a cursor, FETCH 1000 at a time, into the same
// host variables. Both count the client thread's own CPU time, so the
// servers' work does not count. The two run in turns with both servers up;
// prints the medians, their ratio (goal: zelkit at most libpq), and, as
// information, the time the same reply bytes take over raw loopback TCP.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pwd.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <libpq-fe.h>

#include "bench/bench_harness.h"
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
constexpr char kPgBinDir[] = BLKF_PG_BINDIR;
constexpr char kPgDataDir[] = BLKF_PG_DATA;
constexpr int kPgPrecision = 10;  // NUMERIC(10,2) holds the same values as DECIMAL(9,2)

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

// One client's run over every row: wall time and its own thread's CPU time.
struct fetch_result {
  double seconds = 0;
  double cpu = 0;
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
  const double cpu_start = now(CLOCK_THREAD_CPUTIME_ID);
  for (size_t n = 0;; ++n) {
    const int32_t rc = p_rdb_exsql(&fetch.area);
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
  out->cpu = now(CLOCK_THREAD_CPUTIME_ID) - cpu_start;
  out->seconds = now(CLOCK_MONOTONIC) - start;
  request disc("DISC");
  disc.run("DISCONNECT");
  return true;
}

// A loopback port that was free a moment ago.
uint16_t free_port() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  uint16_t port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
    port = ntohs(a.sin_port);
  }
  if (fd >= 0) close(fd);
  return port;
}

// A PostgreSQL server of the benchmark's own: its data folder under the
// build folder, listening on a private loopback port. PostgreSQL refuses
// to run as root; started by root it runs as the postgres user.
class postgres {
 public:
  ~postgres() { stop(); }
  bool start() {
    port_ = free_port();
    std::filesystem::remove_all(kPgDataDir);
    std::filesystem::create_directories(kPgDataDir);
    const passwd* pg = geteuid() == 0 ? getpwnam("postgres") : nullptr;
    if (geteuid() == 0 && (pg == nullptr || chown(kPgDataDir, pg->pw_uid, pg->pw_gid) != 0)) return false;
    as_ = pg != nullptr ? "runuser -u postgres -- " : "";
    const std::string data = std::string(kPgDataDir) + "/data";
    if (!run(std::string(kPgBinDir) + "/initdb -A trust -U bench -E UTF8 --no-sync -D " + data)) return false;
    started_ = run(std::string(kPgBinDir) + "/pg_ctl -w -s -D " + data + " -l " + kPgDataDir + "/log -o \"-p " +
                   std::to_string(port_) + " -k " + kPgDataDir + " -c listen_addresses=127.0.0.1 -c fsync=off\" start");
    return started_;
  }
  void stop() {
    if (started_) run(std::string(kPgBinDir) + "/pg_ctl -w -s -m fast -D " + kPgDataDir + "/data stop");
    started_ = false;
  }
  std::string conninfo() const {
    return "host=127.0.0.1 port=" + std::to_string(port_) + " user=bench dbname=postgres";
  }

 private:
  bool run(const std::string& command) const { return system((as_ + command + " > /dev/null").c_str()) == 0; }
  uint16_t port_ = 0;
  std::string as_;
  bool started_ = false;
};

bool pg_ok(PGconn* c, PGresult* r, ExecStatusType want, const char* what) {
  const bool ok = PQresultStatus(r) == want;
  if (!ok) fprintf(stderr, "blkf_bench: PostgreSQL %s failed: %s", what, PQerrorMessage(c));
  PQclear(r);
  return ok;
}

// The benchmark's table in PostgreSQL, the same rows as the test server's.
bool pg_fill(PGconn* c, size_t rows) {
  char fill[256];
  snprintf(fill, sizeof fill,
           "CREATE TABLE bench AS SELECT i::integer AS id, ('row' || i)::char(%zu) AS name, "
           "((i / 100) %% 10000000 + (i %% 100) / 100.0)::numeric(%d,%d) AS pay FROM generate_series(0, %zu) i",
           kNameLength, kPgPrecision, static_cast<int>(kScale), rows - 1);
  return pg_ok(c, PQexec(c, fill), PGRES_COMMAND_OK, "CREATE TABLE");
}

// The same rows through libpq: a cursor, FETCH kBlockRows at a time, each
// row into the host variables that zelkit fills.
bool pg_fetch_all(PGconn* c, fetch_result* out) {
  bool ok = pg_ok(c, PQexec(c, "BEGIN"), PGRES_COMMAND_OK, "BEGIN") &&
            pg_ok(c, PQexec(c, "DECLARE c NO SCROLL CURSOR FOR SELECT id, name, pay FROM bench"), PGRES_COMMAND_OK,
                  "DECLARE");
  const std::string next = "FETCH " + std::to_string(kBlockRows) + " FROM c";
  int32_t id = 0;
  char name[kNameLength + 1];
  char pay[kPgPrecision + 3];
  const double start = now(CLOCK_MONOTONIC);
  const double cpu_start = now(CLOCK_THREAD_CPUTIME_ID);
  while (ok) {
    PGresult* r = PQexec(c, next.c_str());
    if (PQresultStatus(r) != PGRES_TUPLES_OK) {
      ok = pg_ok(c, r, PGRES_TUPLES_OK, "FETCH");
      break;
    }
    const int n = PQntuples(r);
    for (int i = 0; i < n; ++i) {
      id = static_cast<int32_t>(strtol(PQgetvalue(r, i, 0), nullptr, 10));
      memcpy(name, PQgetvalue(r, i, 1), std::min<size_t>(static_cast<size_t>(PQgetlength(r, i, 1)), kNameLength));
      snprintf(pay, sizeof pay, "%s", PQgetvalue(r, i, 2));
      if (static_cast<size_t>(id) != out->rows) {
        fprintf(stderr, "blkf_bench: PostgreSQL row %zu came as %d\n", out->rows, id);
        ok = false;
        break;
      }
      ++out->rows;
    }
    PQclear(r);
    if (n == 0) break;
  }
  out->cpu = now(CLOCK_THREAD_CPUTIME_ID) - cpu_start;
  out->seconds = now(CLOCK_MONOTONIC) - start;
  return ok && pg_ok(c, PQexec(c, "COMMIT"), PGRES_COMMAND_OK, "COMMIT");
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

// One fetch of every row by a side: its client CPU seconds; a failure or a
// short count stops the benchmark.
double checked_cpu(const char* side, size_t rows, bool fetched, const fetch_result& r) {
  if (!fetched || r.rows != rows) {
    fprintf(stderr, "blkf_bench: %s fetched %zu rows of %zu\n", side, r.rows, rows);
    exit(1);
  }
  return r.cpu;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  const size_t rows = (argc > 1 ? static_cast<size_t>(strtoull(argv[1], nullptr, 10)) : kDefaultRows) *
                      static_cast<size_t>(options.Scale);
  if (rows == 0) {
    fputs("usage: blkf_bench [ROWS] [--scale N]\n", stderr);
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
  postgres pg;
  if (!pg.start()) {
    fputs("blkf_bench: the PostgreSQL server did not start\n", stderr);
    return 1;
  }
  PGconn* c = PQconnectdb(pg.conninfo().c_str());
  if (PQstatus(c) != CONNECTION_OK || !pg_fill(c, rows)) {
    fprintf(stderr, "blkf_bench: PostgreSQL connection failed: %s", PQerrorMessage(c));
    PQfinish(c);
    return 1;
  }
  const double mb = static_cast<double>(bytes) / kMegabyte;
  printf("blkf_bench: %zu rows in blocks of %d, %.1f MB of zelkit replies; client CPU time\n", rows, kBlockRows, mb);
  bench::Compare(
      options, "block FETCH",
      {"zelkit",
       [&] {
         fetch_result f;
         const bool fetched = fetch_all(port, &f);
         return checked_cpu("zelkit", rows, fetched, f);
       },
       static_cast<double>(rows)},
      {"libpq cursor, FETCH " + std::to_string(kBlockRows),
       [&] {
         fetch_result p;
         const bool fetched = pg_fetch_all(c, &p);
         return checked_cpu("libpq", rows, fetched, p);
       },
       static_cast<double>(rows)},
      "row", "<= 1");
  PQfinish(c);
  pg.stop();
  close(stop);
  int status = 0;
  waitpid(server, &status, 0);
  const double raw = raw_transfer(sizes);
  if (raw <= 0) {
    fputs("blkf_bench: the raw transfer failed\n", stderr);
    return 1;
  }
  printf("    raw loopback TCP, the same reply bytes: %.3f s  %.1f MB/s\n", raw, mb / raw);
  return 0;
}
