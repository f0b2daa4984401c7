// The shipped library writes its own error log: a failed CONNECT leaves
// its KFPZ line in pderr1.trc of the trace directory.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <sstream>
#include <string>

#include "shipped_library.h"
#include "zk_harness.h"

namespace {

TEST(ShippedErrorLog, AFailedConnectLeavesItsLinesInTheTraceDirectory) {
  zk::temp_dir dir;
  setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
  setenv("PDCLTPATH", dir.path.c_str(), 1);
  setenv("PDAUTOCONNECT", "OFF", 1);
  // Nothing listens on the name port: the CONNECT fails.
  setenv("PDHOST", "127.0.0.1", 1);
  setenv("PDUSER", "scott/tiger", 1);
  const zk::refused_port port;
  setenv("PDNAMEPORT", std::to_string(port.port()).c_str(), 1);
  shipped::library lib;
  ASSERT_EQ(lib.error(), "");
  zk::request r{"CNCT"};
  memset(r.area.authid, ' ', sizeof r.area.authid);
  memset(r.area.passwd, ' ', sizeof r.area.passwd);
  memset(r.area.cnctbody, ' ', sizeof r.area.cnctbody);
  EXPECT_EQ(lib.exsql(&r.area), -10) << r.message();
  std::ifstream in(dir.file("pderr1.trc"));
  std::stringstream log;
  log << in.rdbuf();
  EXPECT_NE(log.str().find("> "), std::string::npos) << log.str();
  EXPECT_NE(log.str().find("KFPZ0"), std::string::npos) << log.str();
  EXPECT_NE(log.str().find(">>"), std::string::npos) << log.str();
}

}  // namespace
