// p_rdb_exsql against the Marlo test server on loopback whose answers are
// the fuzzer's bytes: a 16-bit length and the CONNECT reply body, a 16-bit
// length and the COMMIT reply body, then the name query's answer (empty:
// the server's own). The server always names itself, so no request
// leaves the machine; each run ends the connection and the library's
// state, as a program that ends would.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "marlo_server.h"
#include "sockadapt.h"
#include "zelkit.h"
#include "zk_fuzz.h"

namespace {

constexpr char kGroup[] = "sds01";
constexpr char kConnectFn[] = "p_f_sqa_cconnect";
constexpr char kCommitFn[] = "p_f_sqa_ccommit";
// A round of the socket layer's waits; settings count in rounds.
constexpr int64_t kRoundUs = 500;

void blank(char* field, size_t n, const char* text) {
  memset(field, ' ', n);
  memcpy(field, text, strnlen(text, n));
}

struct request {
  rdb_sql_area area{};
  SQLCA sqlca{};
  explicit request(const char* code) {
    memcpy(area.reqcode, code, sizeof area.reqcode);
    area.sqlca = &sqlca;
    memset(area.sqlstate, ' ', sizeof area.sqlstate);
  }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  zkfuzz::server_settings(kGroup);
  setenv("PDCONNECTWAITTIME", "20", 1);
  setenv("PDRETRYCOUNT", "1", 1);
  setenv("PDRETRYINTERVAL", "30", 1);
  sa_set_round_us(kRoundUs);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zkfuzz::input in(data, size);
  marlo::script s;
  s.services.push_back(kGroup);
  s.bodies[kConnectFn] = in.take(in.u16());
  s.bodies[kCommitFn] = in.take(in.u16());
  s.name_answer = in.rest();
  marlo::server server(std::move(s));
  if (!server.ok()) return 0;
  setenv("PDNAMEPORT", std::to_string(server.name_port()).c_str(), 1);

  request connect("CNCT");
  blank(connect.area.authid, sizeof connect.area.authid, "scott");
  blank(connect.area.passwd, sizeof connect.area.passwd, "tiger");
  blank(connect.area.cnctbody, sizeof connect.area.cnctbody, "");
  if (p_rdb_exsql(&connect.area) == 0) {
    request commit("CMIT");
    p_rdb_exsql(&commit.area);
  }

  zkfuzz::end_program();
  return 0;
}
