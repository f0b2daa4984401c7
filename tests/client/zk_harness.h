// Calls zelkit as an embedded-SQL program or an ODBC driver would: a
// request area with its SQLCA, the call, and the results read back.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "CLTLIBMN.h"
#include "zk_seam.h"
#include "zelkit.h"

namespace zk {

// An extended statement or cursor name as the caller passes it: a
// length word, then the text.
struct ext_name {
  int16_t length;
  char text[30];
};

inline ext_name make_ext(const char* text) {
  ext_name n{};
  n.length = static_cast<int16_t>(strnlen(text, sizeof n.text));
  memcpy(n.text, text, static_cast<size_t>(n.length));
  return n;
}

struct request {
  rdb_sql_area area{};
  SQLCA sqlca{};
  std::vector<char> text_storage;

  explicit request(const char* code = "OPEN") {
    memcpy(area.reqcode, code, sizeof(area.reqcode));
    area.sqlca = &sqlca;
    memset(area.sqlstate, ' ', sizeof(area.sqlstate));
  }
  request(const request&) = delete;
  request& operator=(const request&) = delete;

  // A statement text; `length` overrides the length word when given.
  void statement(const std::string& text, int32_t length) {
    text_storage.assign(sizeof(int32_t) + text.size() + 1, '\0');
    memcpy(text_storage.data(), &length, sizeof(length));
    memcpy(text_storage.data() + sizeof(int32_t), text.data(), text.size());
    area.sqltext = reinterpret_cast<rdb_sql_text*>(text_storage.data());
  }
  void statement(const std::string& text) { statement(text, static_cast<int32_t>(text.size())); }

  int32_t exsql() { return p_rdb_exsql(&area); }
  int32_t exodbc(rdb_odbc_buf* odbc) { return p_rdb_exodbc(0, &area, odbc); }

  int32_t sqlcode() const { return sqlca.SQLCODE; }
  std::string message() const {
    int16_t n = sqlca.sqlerrml;
    if (n < 0) n = 0;
    if (n > static_cast<int16_t>(sizeof(sqlca.sqlerrmc))) n = sizeof(sqlca.sqlerrmc);
    return std::string(sqlca.sqlerrmc, static_cast<size_t>(n));
  }
  std::vector<std::string> tokens() const {
    std::vector<std::string> out;
    std::string cur;
    for (char c : message()) {
      if (c == '\xFF') {
        out.push_back(cur);
        cur.clear();
      } else {
        cur += c;
      }
    }
    out.push_back(cur);
    return out;
  }
  std::string sqlstate() const { return std::string(area.sqlstate, sizeof(area.sqlstate)); }
  std::string source_file() const {
    return std::string(sqlca.sqlsrcfile, sizeof(sqlca.sqlsrcfile));
  }
};

// Restores the service table when a test ends.
struct services_scope {
  clt_services saved = clt_svc;
  services_scope() = default;
  services_scope(const services_scope&) = delete;
  services_scope& operator=(const services_scope&) = delete;
  ~services_scope() { clt_svc = saved; }
};

// Makes a context current for code that runs behind an export.
struct context_scope {
  explicit context_scope(clt_global_data* ctx = &clt_global) { clt_take_context(ctx); }
  context_scope(const context_scope&) = delete;
  context_scope& operator=(const context_scope&) = delete;
  ~context_scope() { clt_release_context(); }
};

// A temporary folder of the test's own, removed with everything in it.
struct temp_dir {
  std::string path;
  temp_dir();
  ~temp_dir();
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  std::string file(const std::string& name) const { return path + "/" + name; }
};

// A loopback port held bound but never listening: a connection to it is
// refused, and no test running beside this one can take it meanwhile.
class refused_port {
 public:
  refused_port();
  ~refused_port();
  refused_port(const refused_port&) = delete;
  refused_port& operator=(const refused_port&) = delete;
  uint16_t port() const { return port_; }

 private:
  int fd_;
  uint16_t port_ = 0;
};

// Sockets open in this process, a test server's among them.
int open_sockets();
// The count of open sockets once it has come back to `expected`, or what
// it still is after a while: a server closes its side of a connection
// only when it sees the end.
int sockets_settled_at(int expected);

// Lines that the service doubles received.
std::vector<std::string>& errlog_lines();
std::vector<std::string>& memtrc_lines();
void capture_errlog(const char* format, va_list args);
void capture_memtrc(const char* line);

}  // namespace zk
