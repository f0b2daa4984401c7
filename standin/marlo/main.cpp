// marlo_testserver: the test server as a program. It prints its ports
// and serves until its standard input ends. With --tables it answers
// statements from the tables that the fixture file declares.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "marlo_server.h"

namespace {

constexpr const char* kUsage =
    "usage: marlo_testserver [--little-endian] [--service NAME]... "
    "[--fault refuse|close-early|short|corrupt|silent|busy] [--fault-count N] [--tables FILE] [--level N] "
    "[--code-set XX]\n";

constexpr uint32_t kPid = 4242;
constexpr size_t kMarkAt = 36 + 32 + 7;  // the SQLCA identifier's eighth character of reply_body

// A reply of the server with a blank SQLCA mark: FETCH then asks for the
// SQLDA form, and values follow NULL indicators.
std::vector<uint8_t> blank_mark(std::vector<uint8_t> body) {
  body[kMarkAt] = ' ';
  return body;
}

bool parse_fault(const std::string& name, marlo::fault* out) {
  static const struct {
    const char* name;
    marlo::fault how;
  } kFaults[] = {{"refuse", marlo::fault::refuse}, {"close-early", marlo::fault::close_early},
                 {"short", marlo::fault::short_reply}, {"corrupt", marlo::fault::corrupt_reply},
                 {"silent", marlo::fault::silent}, {"busy", marlo::fault::busy}};
  for (const auto& f : kFaults) {
    if (name == f.name) {
      *out = f.how;
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  marlo::script s;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--little-endian") {
      s.little_endian = true;
    } else if (arg == "--service" && has_value) {
      s.services.emplace_back(argv[++i]);
    } else if (arg == "--fault" && has_value && parse_fault(argv[i + 1], &s.how)) {
      ++i;
    } else if (arg == "--fault-count" && has_value) {
      s.fault_count = atoi(argv[++i]);
    } else if (arg == "--tables" && has_value) {
      s.sql_service = true;
      const std::string why = s.tables.load(argv[++i]);
      if (!why.empty()) {
        fprintf(stderr, "marlo_testserver: %s\n", why.c_str());
        return 2;
      }
    } else if (arg == "--level" && has_value) {
      s.level = static_cast<uint32_t>(atoi(argv[++i]));
    } else if (arg == "--code-set" && has_value && strlen(argv[i + 1]) == 2) {
      s.code_set = argv[++i];
    } else {
      fputs(kUsage, stderr);
      return 2;
    }
  }
  if (!s.sql_service) {
    // Without tables: a connection at the level and code set given, every
    // statement answered with success; all with a blank mark.
    s.bodies["p_f_sqa_cconnect"] =
        blank_mark(marlo::connect_body(s.little_endian, s.code_set.c_str(), "07-02-00", kPid, ~s.level));
    s.default_body = blank_mark(marlo::reply_body(s.little_endian, 0, "00000", ""));
  }
  marlo::server srv(s);
  if (!srv.ok()) {
    fputs("marlo_testserver: no loopback ports\n", stderr);
    return 1;
  }
  printf("name=%u sql=%u\n", srv.name_port(), srv.sql_port());
  fflush(stdout);
  char buf[64];
  while (read(STDIN_FILENO, buf, sizeof buf) > 0) {
  }
  return 0;
}
