// The head of an SQL trace file at each PDTRCLVL, against golden files:
// the short head, the long head with the level-1 dump before and after
// CONNECT, the level-2 dump with and without the execution time, and the
// bare head when the report level leaves out the SQL trace.
#include <arpa/inet.h>
#include <string.h>
#include <unistd.h>

#include "CLTMEM.h"
#include "sql_trace_support.h"

namespace {

using zk::sql_trace;

std::string golden(const std::string& name, const std::string& dir) {
  std::string text = zk::read_all(std::string(TEST_FIXTURE_DIR) + "/zelkit/trace/" + name);
  const auto replace = [&](const std::string& mark, const std::string& value) {
    for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size())) {
      text.replace(at, mark.size(), value);
    }
  };
  replace("@PID@", std::to_string(getpid()));
  replace("@DIR@", dir);
  return text;
}

// The head is what comes before the first record.
std::string head_of(const std::string& file, const std::string& first_record) {
  return file.substr(0, file.find(first_record));
}

// The statistics record of a DISCONNECT, in the server's byte order.
uint8_t* statistics_record() {
  constexpr uint32_t kSize = 432;
  auto* b = static_cast<uint8_t*>(cltmem_alloc(kSize, 0, "test", __LINE__));
  memset(b, 0, kSize);
  return b;
}

TEST_F(sql_trace, HeadsFollowTheTraceLevel) {
  const std::string old_line = "      1  ";
  const std::string new_line = "(the connection and the process)";
  const std::string statistics = "UAP INFORMATION :";
  struct head_case {
    const char* golden;
    std::vector<std::pair<const char*, const char*>> settings;
    bool connected;
    const std::string& first_record;
  } cases[] = {
      {"head_level0.trc", {{"PDTRCLVL", "0"}}, false, old_line},
      {"head_level1.trc", {{"PDTRCLVL", "1"}}, false, old_line},
      {"head_level1_connected.trc", {{"PDTRCLVL", "1"}}, true, old_line},
      {"head_level2.trc", {{"PDTRCLVL", "2"}}, false, new_line},
      {"head_level2_exectime.trc", {{"PDTRCLVL", "2"}, {"PDSQLEXECTIME", "YES"}, {"PDDBACCS", "3"}}, true, new_line},
      {"head_level2_uap.trc", {{"PDTRCLVL", "2"}, {"PDUAPREPLVL", "u"}}, true, statistics},
  };
  for (head_case& c : cases) {
    SCOPED_TRACE(c.golden);
    restart();
    c.settings.push_back({"PDSQLTRACE", "1000000"});
    c.settings.push_back({"PDUSER", "alice/secret"});
    c.settings.push_back({"PDCLTAPNAME", "APP1"});
    c.settings.push_back({"PDHOST", "host1"});
    c.settings.push_back({"PDSERVICEGRP", "sds01"});
    open(c.settings);
    if (c.connected) {
      snprintf(clt_main_env(main())->pdfeshost, sizeof clt_main_env(main())->pdfeshost, "fes1");
      main()->connected = 1;
      memcpy(main()->srv_version, "07-02     ", CLT_SERVER_VERSION_SIZE);
      main()->srv_port = htons(20001);
      main()->srv_pid = 4711;
      main()->cnct_number = 5;
    }
    // Statistics only: the DISCONNECT's record is the first one written.
    clt_main_reply(main())->disc_trace = statistics_record();
    main()->srv_level = ~26;
    zk::request r{&c.first_record == &statistics ? "DISC" : "CMIT"};
    memset(r.sqlca.sqlwarn, ' ', sizeof r.sqlca.sqlwarn);
    trace(r);
    unsetenv("PDDBACCS");
    std::string first_record = c.first_record;
    if (&c.first_record == &new_line) {
      char columns[16];
      snprintf(columns, sizeof columns, "%5d %5d", static_cast<int>(main()->cnct_number), static_cast<int>(getpid()));
      first_record = columns;
    }
    EXPECT_EQ(head_of(zk::read_all(dir.file("pdsql1.trc")), first_record), golden(c.golden, dir.path));
  }
}

}  // namespace
