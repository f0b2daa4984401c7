// No service slot of the shipped library stays empty once its first call
// has run, except those whose providing part is not built yet. The slots
// are read in the library's own memory, so a slot that only the test
// library fills is caught.
#include <gtest/gtest.h>

#include <stddef.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "CLTRPCSS.h"
#include "CLTSQLAN.h"
#include "CLTSQLEX.h"
#include "CLTSQLSC.h"
#include "shipped_library.h"
#include "zk_harness.h"
#include "zk_seam.h"

namespace {

struct slot {
  const char* table;      // the record's symbol in the library
  const char* name;
  size_t offset;
  const char* not_built;  // why the slot stays empty for now; null: it must be filled
};

#define ZK_SLOT(table, type, field, reason) slot{#table, #field, offsetof(type, field), reason}

const std::vector<slot> kSlots = {
    ZK_SLOT(clt_svc, clt_services, errlog_open, nullptr),
    ZK_SLOT(clt_svc, clt_services, errlog_close, nullptr),
    ZK_SLOT(clt_svc, clt_services, errlog_vmsg, nullptr),
    ZK_SLOT(clt_svc, clt_services, trc_open_buf, nullptr),
    ZK_SLOT(clt_svc, clt_services, trc_close_buf, nullptr),
    ZK_SLOT(clt_svc, clt_services, trc_close_rpcsoc, nullptr),
    ZK_SLOT(clt_svc, clt_services, trc_mem, nullptr),
    ZK_SLOT(clt_svc, clt_services, trcctl_read, nullptr),
    ZK_SLOT(clt_svc, clt_services, trace, nullptr),
    ZK_SLOT(clt_svc, clt_services, sqltrc_start_time, nullptr),
    ZK_SLOT(clt_svc, clt_services, req_free_buffers, nullptr),
    ZK_SLOT(clt_svc, clt_services, pd_clt_close, nullptr),
    ZK_SLOT(clt_svc, clt_services, runtime, nullptr),
    ZK_SLOT(clt_svc, clt_services, loc_state, nullptr),
    ZK_SLOT(clt_svc, clt_services, loc_mark_open, nullptr),
    ZK_SLOT(clt_svc, clt_services, cnv_convert, nullptr),
    ZK_SLOT(clt_svc, clt_services, env_get, nullptr),
    ZK_SLOT(clt_svc, clt_services, env_put, nullptr),
    ZK_SLOT(clt_exec_svc, clt_exec_services, bind_input, nullptr),
    ZK_SLOT(clt_exec_svc, clt_exec_services, sqlda_check, nullptr),
    ZK_SLOT(clt_link_svc, clt_link_services, rd_open, nullptr),
    ZK_SLOT(clt_link_svc, clt_link_services, rd_exec, nullptr),
    ZK_SLOT(clt_link_svc, clt_link_services, rd_close, nullptr),
    ZK_SLOT(clt_link_svc, clt_link_services, rd_free_buffers, nullptr),
    ZK_SLOT(clt_link_svc, clt_link_services, shm_close_peer, nullptr),
    ZK_SLOT(clt_link_svc, clt_link_services, shm_close_own, nullptr),
    ZK_SLOT(clt_link_svc, clt_link_services, get_fes, nullptr),
    ZK_SLOT(clt_reply_svc, clt_reply_services, convert, nullptr),
    ZK_SLOT(clt_rpc_nam_svc, clt_rpc_name_services, open, nullptr),
    ZK_SLOT(clt_rpc_nam_svc, clt_rpc_name_services, close, nullptr),
    ZK_SLOT(clt_rpc_nam_svc, clt_rpc_name_services, lookup, nullptr),
    ZK_SLOT(clt_rpc_nam_svc, clt_rpc_name_services, indirect_lookup, nullptr),
};

struct table {
  const char* symbol;
  size_t size;
};
const std::vector<table> kTables = {
    {"clt_svc", sizeof(clt_services)},
    {"clt_exec_svc", sizeof(clt_exec_services)},
    {"clt_link_svc", sizeof(clt_link_services)},
    {"clt_reply_svc", sizeof(clt_reply_services)},
    {"clt_rpc_nam_svc", sizeof(clt_rpc_name_services)},
};
constexpr size_t kSlotSize = sizeof(void (*)());

bool filled(const shipped::library& lib, const slot& s) {
  const auto* table = static_cast<const unsigned char*>(lib.hidden(s.table));
  void (*pointer)() = nullptr;
  memcpy(&pointer, table + s.offset, sizeof pointer);
  return pointer != nullptr;
}

// A COMMIT without a connection: the first call runs and is refused.
void first_call(const shipped::library& lib) {
  zk::request commit{"CMIT"};
  lib.exsql(&commit.area);
}

TEST(ShippedLibrary, NoServiceSlotStaysEmptyAfterTheFirstCall) {
  zk::temp_dir dir;
  setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
  setenv("PDAUTOCONNECT", "OFF", 1);
  shipped::library lib;
  ASSERT_EQ(lib.error(), "");
  // Every slot of every table is listed: a table holds nothing but slots.
  for (const table& t : kTables) {
    ASSERT_NE(lib.hidden(t.symbol), nullptr) << t.symbol;
    size_t listed = 0;
    for (const slot& s : kSlots) listed += strcmp(s.table, t.symbol) == 0 ? 1 : 0;
    EXPECT_EQ(listed * kSlotSize, t.size) << t.symbol;
  }
  // Before the first call nothing is wired: the test reads the library's
  // own slots, not a copy.
  for (const slot& s : kSlots) EXPECT_FALSE(filled(lib, s)) << s.table << "." << s.name;
  first_call(lib);
  for (const slot& s : kSlots) {
    if (s.not_built == nullptr) {
      EXPECT_TRUE(filled(lib, s)) << s.table << "." << s.name << " stays empty";
    } else {
      EXPECT_FALSE(filled(lib, s)) << s.table << "." << s.name << " is filled now; take it off the list ("
                                   << s.not_built << ")";
    }
  }
}

}  // namespace
