#include "clt_exec_further.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTSQLAN.h"
#include "CLTSQLEX.h"
#include "CLTUTL.h"
#include "zk_codes.h"

namespace {

constexpr const char* kModule = "CLTSQLEX";

// Reply body directory and the EXECUTE UTL extension part.
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kBodySqlca = 12;
constexpr uint32_t kBodyExtension = 28;
constexpr uint32_t kBodyDirectory = 32;
constexpr uint32_t kSqlstateSize = 5;
constexpr uint32_t kSrvinfSize = 512;
constexpr uint32_t kUtlOutputAt = 0;
constexpr uint32_t kUtlResultAt = 4;
constexpr uint32_t kUtlExtensionSize = 8;
// The error-log reply's extension part: the word that points at the text.
constexpr uint32_t kErlgTextAt = 36;
constexpr uint32_t kErlgExtensionSize = kErlgTextAt + sizeof(uint32_t);
constexpr char kErlgCode[] = "ERLG";
constexpr uint32_t kWordSize = 4;

constexpr uint32_t kJarHeaderTotal = 0;  // the JAR request's total length word
constexpr int16_t kConnectKindRdnode = 2;
constexpr size_t kShownNameMax = 100;
constexpr char kKindJar[] = "JAR";
constexpr char kKindClib[] = "CLIB";
constexpr mode_t kUtlFileMode = 0666;  // the caller's umask filters it
constexpr uint8_t kLongWait = 1;

int32_t report_reply(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule,
                    line);
}

// A reply whose total length, status and SQLCA parts are given; *limit
// receives the bytes of it that may be read.
bool directory_ok(const clt_main* main, const uint8_t* body, uint32_t received, uint32_t* limit) {
  if (body == nullptr || received < kBodyDirectory) return false;
  const uint32_t total = clt_server32(main, body + kBodyTotal);
  if (total == 0 || clt_server32(main, body + kBodyStatus) == 0 || clt_server32(main, body + kBodySqlca) == 0) return false;
  *limit = total < received ? total : received;
  return true;
}

// Whether `size` bytes at `at` lie within the first `limit` bytes.
bool within(uint32_t at, uint32_t size, uint32_t limit) { return at <= limit && limit - at >= size; }

// SET OPTION and server information: the status part's SQLSTATE (or the
// 512 bytes of server information) into the area, then the SQLCA.
int32_t complete_with_status(const uint8_t* body, uint32_t received, rdb_sql_area* area, bool server_info) {
  const clt_main* main = clt_cur_main();
  uint32_t limit = 0;
  if (!directory_ok(main, body, received, &limit)) return report_reply(area, __LINE__);
  const uint32_t status = clt_server32(main, body + kBodyStatus);
  if (server_info) {
    // Only a status part that holds all 512 bytes is copied.
    if (!within(status, kSrvinfSize, limit)) return report_reply(area, __LINE__);
    memcpy(area->srvinfbuf, body + status, kSrvinfSize);
  } else {
    if (!within(status, kSqlstateSize, limit)) return report_reply(area, __LINE__);
    memcpy(area->sqlstate, body + status, kSqlstateSize);
  }
  if (clt_reply_complete(area->sqlca, body, limit) != 0) return report_reply(area, __LINE__);
  return 0;
}

int32_t setopt_reply(const uint8_t* body, uint32_t received, rdb_sql_area* area) {
  return complete_with_status(body, received, area, false);
}

int32_t srvinf_reply(const uint8_t* body, uint32_t received, rdb_sql_area* area) {
  return complete_with_status(body, received, area, true);
}

bool jar_kind(int32_t fc) { return fc == CLT_FC_JARI || fc == CLT_FC_JARR || fc == CLT_FC_JARU; }

bool carries_file(int32_t fc) {
  return fc == CLT_FC_JARI || fc == CLT_FC_JARR || fc == CLT_FC_CLIN || fc == CLT_FC_CLRP;
}

struct jar_file {
  rdb_sql_area* area;
  const char* kind;  // "JAR" or "CLIB" in the messages
  std::string given;  // the name as the statement gives it
  std::string path;   // made absolute
};

int32_t report_file(const jar_file& f, const std::string& name, const char* func, int error) {
  // A long name is shown by its end.
  const std::string shown = name.size() > kShownNameMax ? name.substr(name.size() - kShownNameMax) : name;
  return clt_report(f.area, kModule, __LINE__, CLT_SQL_FILE_ACCESS, CLT_SQLSTATE_DEFAULT, CLT_MSG_FILE_ACCESS, f.kind,
                    shown.c_str(), func, error);
}

// The file name of the statement text: one pair of enclosing quotes
// removed; a name not beginning with "/" is taken from the working
// directory.
int32_t name_file(jar_file* f) {
  const rdb_sql_text* text = f->area->sqltext;
  if (text != nullptr && text->length > 0) f->given.assign(text->text, static_cast<size_t>(text->length));
  std::string name = f->given;
  if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'') name = name.substr(1, name.size() - 2);
  if (!name.empty() && name.front() == '/') {
    f->path = name;
    return 0;
  }
  std::string cwd(PATH_MAX, '\0');
  if (getcwd(cwd.data(), cwd.size()) == nullptr) return report_file(*f, f->given, "getcwd", errno);
  cwd.resize(strlen(cwd.c_str()));
  f->path = cwd + "/" + name;
  return 0;
}

// One exchange of the request built at the request buffer, with the
// JAR request's own length word, and its analysis.
int32_t send_jar_block(rdb_sql_area* area, int32_t number, uint32_t length, const void* data) {
  if (clt_req_jar(number, length, data) != 0) return -1;
  const clt_main* main = clt_cur_main();
  const uint32_t total = clt_server32(main, clt_cur()->runtime.cur_req + kJarHeaderTotal);
  const uint8_t* reply = nullptr;
  uint32_t received = 0;
  if (clt_exec_send(area, total, &reply, &received) != 0) return -1;
  return clt_reply_analyse(reply, received, area);
}

// Reads up to one block; the count read, or -1.
ssize_t read_block(int fd, uint8_t* block) {
  size_t got = 0;
  while (got < CLT_JAR_BLOCK_SIZE) {
    const ssize_t n = read(fd, block + got, CLT_JAR_BLOCK_SIZE - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

int32_t send_file(const jar_file& f) {
  auto* block = static_cast<uint8_t*>(cltmem_alloc(CLT_JAR_BLOCK_SIZE, 0, kModule, __LINE__));
  if (block == nullptr) {
    return clt_report(f.area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, CLT_JAR_BLOCK_SIZE);
  }
  int32_t rc = 0;
  const int fd = open(f.path.c_str(), O_RDONLY);
  if (fd < 0) {
    rc = report_file(f, f.path, "open", errno);
  } else {
    for (int32_t number = 1;; ++number) {
      const ssize_t n = read_block(fd, block);
      if (n < 0) {
        rc = report_file(f, f.path, "read", errno);
        break;
      }
      if (n == 0) break;
      rc = send_jar_block(f.area, number, static_cast<uint32_t>(n), block);
      if (rc != 0 || f.area->sqlca->SQLCODE < 0) break;
    }
    close(fd);
  }
  cltmem_free(block, kModule, __LINE__);
  return rc;
}

// The file's size by its status, the file opened and closed for it.
int32_t size_file(const jar_file& f, uint32_t* size) {
  const int fd = open(f.path.c_str(), O_RDONLY);
  if (fd < 0) return report_file(f, f.path, "open", errno);
  struct stat st {};
  const int rc = fstat(fd, &st);
  const int error = errno;
  close(fd);
  if (rc != 0) return report_file(f, f.path, "stat", error);
  *size = static_cast<uint32_t>(st.st_size);
  return 0;
}

int32_t run_jar(clt_main* main, clt_req_conn* conn, jar_file& f) {
  if (name_file(&f) != 0) return -1;
  const size_t slash = f.path.rfind('/');
  const std::string base = f.path.substr(slash + 1);
  const auto name_size = static_cast<uint32_t>(base.size() + 1);
  auto* name = static_cast<char*>(cltmem_alloc(name_size, 0, kModule, __LINE__));
  if (name == nullptr) {
    return clt_report(f.area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, name_size);
  }
  memcpy(name, base.c_str(), name_size);
  conn->jar_name = name;
  conn->jar_name_len = static_cast<uint16_t>(base.size());
  conn->jar_total = 0;
  const bool install = carries_file(main->funccode);
  if (install && size_file(f, &conn->jar_total) != 0) return -1;
  if (clt_exec_prepare(f.area) != 0) return -1;
  if (!install) return send_jar_block(f.area, CLT_JAR_FIRST_BLOCK, 0, nullptr);
  return send_file(f);
}

int32_t report_utl(rdb_sql_area* area, const char* func, int error) {
  return clt_report(area, kModule, __LINE__, CLT_SQL_UTL_OUTPUT, CLT_SQLSTATE_DEFAULT, CLT_MSG_UTL_OUTPUT, func, error);
}

// The output text into the file that the statement names, replacing it;
// every byte is written or the failure is reported.
int32_t write_output(rdb_sql_area* area, const char* file, const uint8_t* text, uint32_t length) {
  const int fd = open(file, O_WRONLY | O_CREAT | O_TRUNC, kUtlFileMode);
  if (fd < 0) return report_utl(area, "open", errno);
  uint32_t written = 0;
  while (written < length) {
    const ssize_t n = write(fd, text + written, length - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : EIO;
      close(fd);
      return report_utl(area, "write", error);
    }
    written += static_cast<uint32_t>(n);
  }
  if (close(fd) != 0) return report_utl(area, "write", errno);
  return 0;
}

// A reply whose result lies in its extension part: the SQLCA filled, *limit
// the bytes that may be read and *ext the part's offset, with `size` bytes
// of the part within them. -1 after KFPA11733-E or with the server's
// negative SQLCODE.
int32_t complete_with_extension(const uint8_t* body, uint32_t received, rdb_sql_area* area, uint32_t size,
                                uint32_t* limit, uint32_t* ext) {
  const clt_main* main = clt_cur_main();
  if (body == nullptr || received < kBodyDirectory) return report_reply(area, __LINE__);
  const uint32_t total = clt_server32(main, body + kBodyTotal);
  *limit = total < received ? total : received;
  if (clt_reply_complete(area->sqlca, body, *limit) != 0) return report_reply(area, __LINE__);
  if (area->sqlca->SQLCODE < 0) return -1;
  *ext = clt_server32(main, body + kBodyExtension);
  if (total == 0 || *ext == 0 || !within(*ext, size, *limit)) return report_reply(area, __LINE__);
  return 0;
}

int32_t take_utl_reply(const clt_req_conn* conn, rdb_sql_area* area, const uint8_t* body, uint32_t received) {
  const clt_main* main = clt_cur_main();
  uint32_t limit = 0;
  uint32_t ext = 0;
  if (complete_with_extension(body, received, area, kUtlExtensionSize, &limit, &ext) != 0) return -1;
  const uint32_t output = clt_server32(main, body + ext + kUtlOutputAt);
  // The output block must lie within the reply, its length word first.
  if (output > limit - ext || !within(ext + output, kWordSize, limit)) return report_reply(area, __LINE__);
  const uint32_t at = ext + output;
  const uint32_t length = clt_server32(main, body + at);
  if (!within(at + kWordSize, length, limit)) return report_reply(area, __LINE__);
  const int32_t result = static_cast<int32_t>(clt_server32(main, body + ext + kUtlResultAt));
  if (conn->utl_result != nullptr) memcpy(conn->utl_result, &result, sizeof result);
  return write_output(area, conn->utl_file, body + at + kWordSize, length);
}

// The error-log request's reply: the text its extension part points at
// (from the part's start) becomes the connection's error-log text.
int32_t take_errlog_text(const uint8_t* body, uint32_t received, rdb_sql_area* area) {
  uint32_t limit = 0;
  uint32_t ext = 0;
  if (complete_with_extension(body, received, area, kErlgExtensionSize, &limit, &ext) != 0) return -1;
  clt_main* main = clt_cur_main();
  const uint32_t text = clt_server32(main, body + ext + kErlgTextAt);
  if (text == 0) return 0;
  if (text >= limit - ext) return report_reply(area, __LINE__);
  const uint32_t at = ext + text;
  if (clt_reply_keep_errlog(clt_main_reply(main), body + at, limit - at) != 0) return report_reply(area, __LINE__);
  return 0;
}

}  // namespace

int32_t clt_exec_setopt(rdb_sql_area* area) { return clt_exec_frame(area, clt_req_setopt, setopt_reply); }

int32_t clt_exec_srvinf(rdb_sql_area* area) {
  if (area->srvinfbuf == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                      kModule, static_cast<int32_t>(__LINE__));
  }
  return clt_exec_frame(area, clt_req_srvinf, srvinf_reply);
}

int32_t clt_exec_rdnode(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  if (main->funccode == CLT_FC_RNCN) {
    clt_main_req(main)->connect_kind = kConnectKindRdnode;
    return clt_exec_frame(area, clt_req_connect, clt_reply_analyse);
  }
  return clt_exec_frame(area, clt_req_control, clt_reply_analyse);
}

int32_t clt_exec_session_auth(rdb_sql_area* area) {
  return clt_exec_frame(area, clt_req_session_auth, clt_reply_analyse);
}

int32_t clt_exec_jar(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  clt_req_conn* conn = clt_main_req(main);
  jar_file f{area, jar_kind(main->funccode) ? kKindJar : kKindClib, {}, {}};
  const int32_t rc = run_jar(main, conn, f);
  if (conn->jar_name != nullptr) cltmem_free(const_cast<char*>(conn->jar_name), kModule, __LINE__);
  conn->jar_name = nullptr;
  conn->jar_name_len = 0;
  conn->jar_total = 0;
  clt_exec_clear(area);
  return rc == 0 ? 0 : -1;
}

int32_t clt_exec_execute_utl(rdb_sql_area* area) {
  clt_req_conn* conn = clt_main_req(clt_cur_main());
  int32_t rc = clt_exec_prepare(area);
  if (rc == 0) rc = clt_req_execute_utl();
  const uint8_t* reply = nullptr;
  uint32_t received = 0;
  if (rc == 0) {
    const uint8_t* request = clt_cur()->runtime.cur_req;
    rc = clt_exec_send(area, clt_server32(clt_cur_main(), request + offsetof(clt_req_header, total)), &reply, &received);
  }
  if (rc == 0) rc = take_utl_reply(conn, area, reply, received);
  if (conn->utl_file != nullptr) cltmem_free(conn->utl_file, kModule, __LINE__);
  conn->utl_file = nullptr;
  conn->utl_result = nullptr;
  clt_exec_clear(area);
  return rc == 0 ? 0 : -1;
}

int32_t clt_exec_ccmd(rdb_sql_area* area) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  clt_reply_conn* reply_conn = clt_main_reply(main);
  clt_rpc_conn* rpc = clt_main_rpc(main);
  if (reply_conn->sqltrc != nullptr) cltmem_free(reply_conn->sqltrc, kModule, __LINE__);
  reply_conn->sqltrc = nullptr;
  reply_conn->finished = 0;
  const int32_t saved_func = main->funccode;
  main->funccode = CLT_FC_CCMD;
  int32_t rc = clt_exec_prepare(area);
  if (rc == 0) rc = clt_req_ccmd();
  const uint8_t* reply = nullptr;
  uint32_t received = 0;
  if (rc == 0) {
    // The server completes the statement before it answers.
    rpc->long_wait = kLongWait;
    rc = clt_exec_send(area, clt_server32(main, ctx->runtime.cur_req + offsetof(clt_req_header, total)), &reply,
                       &received);
    rpc->long_wait = 0;
  }
  main->funccode = saved_func;
  if (rc == 0) rc = clt_reply_analyse(reply, received, area);
  if (area->sqlca->SQLCODE == CLT_SQL_FES_CANCELED) ctx->runtime.cancelled = 1;
  clt_exec_clear(area);
  return rc == 0 ? 0 : -1;
}

int32_t clt_exec_errorlog(void) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx != nullptr ? ctx->main : nullptr;
  if (main == nullptr) return -1;
  SQLCA sqlca{};
  rdb_sql_area own{};
  own.sqlca = &sqlca;
  memcpy(own.reqcode, kErlgCode, sizeof own.reqcode);
  rdb_sql_area* const saved_area = main->area;
  const int32_t saved_func = main->funccode;
  main->area = &own;
  main->funccode = CLT_FC_ERLG;
  // The request never goes through the shared-memory sections: the frame
  // announces it there and sends it over the socket.
  const int32_t rc = clt_exec_frame(&own, clt_req_errorlog, take_errlog_text);
  if (sqlca.SQLCODE == CLT_SQL_FES_CANCELED) ctx->runtime.cancelled = 1;
  main->area = saved_area;
  main->funccode = saved_func;
  return rc;
}

int32_t clt_exec_runtime_further(clt_runtime_op which, rdb_sql_area* area) {
  switch (which) {
    case clt_runtime_op::exec_setopt: return clt_exec_setopt(area);
    case clt_runtime_op::exec_srvinf: return clt_exec_srvinf(area);
    case clt_runtime_op::exec_rdnode: return clt_exec_rdnode(area);
    case clt_runtime_op::exec_session_auth: return clt_exec_session_auth(area);
    case clt_runtime_op::exec_jar: return clt_exec_jar(area);
    case clt_runtime_op::exec_execute_utl: return clt_exec_execute_utl(area);
    case clt_runtime_op::exec_ccmd: return clt_exec_ccmd(area);
    case clt_runtime_op::exec_errorlog: return clt_exec_errorlog();
    default: return clt_exec_runtime(which, area);
  }
}
