// The block-fetch buffer list: one entry per cursor, matched by its
// identification or its extended name, and the release rules of CLOSE,
// COMMIT, ROLLBACK and DISCONNECT.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTLIBCT.h"
#include "CLTMEM.h"
#include "CLTSQLAN.h"
#include "CLTUTL.h"
#include "cltsqlbf.h"
#include <gtest/gtest.h>
#include "zk_harness.h"

namespace {

constexpr uint32_t kLevel26 = ~26u;

using zk::ext_name;
using zk::make_ext;

class BlockList : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  zk::request r{"FETC"};
  zk::context_scope context;
  // One integer into-variable; the list's check sizes its reply.
  std::vector<uint8_t> da_storage = std::vector<uint8_t>(offsetof(SQLDA, sqlvar) + sizeof(SQLVAR));
  int32_t value = 0;
  int32_t ind = 0;

  void SetUp() override {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    ASSERT_EQ(clt_first_call_init(&r.area), 0);
    main()->funccode = CLT_FC_FETC;
    main()->srv_level = static_cast<int32_t>(kLevel26);
    main()->blkf_flag = 0;
    clt_main_env(main())->pdblkf = 10;
    SQLDA* da = sqlda();
    memcpy(da->sqldaid, "SQLDA   ", 8);
    da->sqln = da->sqld = 1;
    da->sqlvar[0].sqlcod = 0xF0;
    da->sqlvar[0].XDIM = 1;
    da->sqlvar[0].len.s.sqllen = 4;
    da->sqlvar[0].SQLDATA = &value;
    da->sqlvar[0].SQLIND = &ind;
    r.area.sqliasda = da;
  }
  void TearDown() override {
    if (clt_cur()->main != nullptr) clt_last_call_term(&r.area);
    unsetenv("PDMEMTRCFILE");
  }

  clt_main* main() const { return clt_global.main; }
  SQLDA* sqlda() { return reinterpret_cast<SQLDA*>(da_storage.data()); }
  clt_blkf_entry* current() const { return static_cast<clt_blkf_entry*>(main()->blkf_current); }
  std::vector<clt_blkf_entry*> entries() const {
    std::vector<clt_blkf_entry*> out;
    for (auto* e = static_cast<clt_blkf_entry*>(main()->blkf_list); e != nullptr; e = e->next) out.push_back(e);
    return out;
  }
  // Points the request at cursor (section, stmtid, name).
  void cursor(uint16_t section, uint32_t stmtid, const char* name) {
    r.area.section = section;
    r.area.stmtid = stmtid;
    memset(r.area.name1, ' ', sizeof r.area.name1);
    memcpy(r.area.name1, name, strlen(name));
    memset(r.area.name2, ' ', sizeof r.area.name2);
  }
  clt_blkf_entry* add(uint16_t section, uint32_t stmtid, const char* name) {
    cursor(section, stmtid, name);
    EXPECT_EQ(clt_blkf_add(&r.area), 0) << r.message();
    return current();
  }
  clt_blkf_entry* find(uint16_t section, uint32_t stmtid, const char* name) {
    cursor(section, stmtid, name);
    EXPECT_EQ(clt_blkf_find(&r.area), 0);
    return current();
  }
};

TEST_F(BlockList, AddTakesOverTheReplyBuffer) {
  clt_com_call& call = clt_cur()->runtime.com;
  clt_com_conn* com = clt_main_com(main());
  clt_blkf_entry* e = add(3, 77, "C1");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(entries(), std::vector<clt_blkf_entry*>{e});
  EXPECT_STREQ(e->tag, "##blkft");
  EXPECT_EQ(e->rows_setting, 10);
  EXPECT_EQ(e->section, 3);
  EXPECT_EQ(e->stmtid, 77u);
  EXPECT_EQ(e->ext_flag, 'N');
  EXPECT_EQ(e->cumulative, 0u);
  EXPECT_EQ(e->block_counter, 0u);
  // The check sized a buffer for the reply; the entry owns it now and the
  // next exchange allocates a new one.
  EXPECT_NE(e->block, nullptr);
  EXPECT_EQ(e->reply_buf_size, CLT_REPLY_STEP);
  EXPECT_GT(e->reply_size, 0u);
  EXPECT_EQ(call.reply_buf, nullptr);
  EXPECT_EQ(call.reply_cur, nullptr);
  EXPECT_EQ(com->reply_buf_size, 0u);
  EXPECT_EQ(com->reply_len, 0u);
}

TEST_F(BlockList, CopiesOfTheDescriptorAreas) {
  clt_reply_conn* rc = clt_main_reply(main());
  struct row {
    const char* what;
    uint8_t caching;
    uint8_t descriptor_form;
    bool csna;
  };
  const row rows[] = {
      {"cached description, SQLDA form", 1, 0, false},
      {"description sent each time, descriptor form", 0, 1, false},
      {"with a character-set name area", 1, 0, true},
  };
  // Two code entries and one name entry.
  std::vector<uint8_t> csna(32 + 2 * 2 + 64, 0);
  const int16_t codes = 2, names = 1;
  memcpy(csna.data() + 12, &codes, 2);
  memcpy(csna.data() + 16, &names, 2);
  memcpy(csna.data() + 32 + 2 * 2, "UTF-8", 5);  // the last byte copied
  csna.back() = 0x5A;
  uint32_t stmt = 1;
  for (const row& t : rows) {
    SCOPED_TRACE(t.what);
    rc->desc_caching = t.caching;
    rc->descriptor_form = t.descriptor_form;
    r.area.sqlcsna1 = t.csna ? csna.data() : nullptr;
    clt_blkf_entry* e = add(1, stmt++, "C");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->sqlda_form, t.descriptor_form == 0 ? 1 : 0);
    if (t.caching != 0) {
      ASSERT_NE(e->sqlda, nullptr);
      EXPECT_EQ(memcmp(e->sqlda, sqlda(), offsetof(SQLDA, sqlvar) + sizeof(SQLVAR)), 0);
    } else {
      EXPECT_EQ(e->sqlda, nullptr);
    }
    if (t.csna) {
      ASSERT_NE(e->csna, nullptr);
      EXPECT_EQ(memcmp(e->csna, csna.data(), csna.size()), 0);
    } else {
      EXPECT_EQ(e->csna, nullptr);
    }
  }
}

TEST_F(BlockList, AFailedVariableCheckLinksNoEntry) {
  sqlda()->sqlvar[0].sqlcod = 0x32;  // no such type
  cursor(1, 1, "C");
  EXPECT_EQ(clt_blkf_add(&r.area), -1);
  EXPECT_EQ(r.sqlcode(), -311);
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(current(), nullptr);
}

TEST_F(BlockList, CursorsAreMatchedByTheirIdentification) {
  clt_blkf_entry* a = add(5, 1, "C1");
  clt_blkf_entry* b = add(5, 2, "C1");  // same section, other statement
  clt_blkf_entry* c = add(5, 1, "C2");  // same section and statement, other name
  ASSERT_NE(a, b);
  EXPECT_EQ(entries(), (std::vector<clt_blkf_entry*>{c, b, a}));
  EXPECT_EQ(find(5, 1, "C1"), a);
  EXPECT_EQ(find(5, 2, "C1"), b);
  EXPECT_EQ(find(5, 1, "C2"), c);
  EXPECT_EQ(find(6, 1, "C1"), nullptr);
  // The second name counts as well.
  cursor(5, 1, "C1");
  r.area.name2[0] = 'X';
  EXPECT_EQ(clt_blkf_find(&r.area), 0);
  EXPECT_EQ(current(), nullptr);
}

TEST_F(BlockList, AnExtendedNameMatchesWhateverTheSection) {
  ext_name name = make_ext("LONG_CURSOR");
  r.area.extcursname = &name;
  clt_blkf_entry* e = add(5, 1, "C1");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->ext_flag, 'Y');
  EXPECT_EQ(e->ext_length, 11);
  EXPECT_EQ(find(9, 42, "OTHER"), e);
  struct row {
    const char* name;
    bool matches;
  };
  const row rows[] = {{"LONG_CURSOR", true}, {"LONG_CURSOS", false}, {"LONG_CURSO", false}, {"LONG_CURSORS", false}};
  for (const row& t : rows) {
    SCOPED_TRACE(t.name);
    ext_name other = make_ext(t.name);
    r.area.extcursname = &other;
    EXPECT_EQ(find(5, 1, "C1") == e, t.matches);
  }
  // Without an extended name the request does not find it by section either.
  r.area.extcursname = nullptr;
  EXPECT_EQ(find(5, 1, "C1"), nullptr);
}

TEST_F(BlockList, ReleaseFreesOnlyItsOwnEntry) {
  clt_blkf_entry* a = add(1, 1, "A");
  clt_blkf_entry* b = add(1, 2, "B");
  // A cursor without an entry: nothing changes.
  cursor(1, 3, "C");
  EXPECT_EQ(clt_blkf_release(&r.area), 0);
  EXPECT_EQ(entries(), (std::vector<clt_blkf_entry*>{b, a}));
  cursor(1, 1, "A");
  EXPECT_EQ(clt_blkf_release(&r.area), 0);
  EXPECT_EQ(entries(), std::vector<clt_blkf_entry*>{b});
  EXPECT_EQ(current(), nullptr);
}

TEST_F(BlockList, CommitKeepsHeldCursorsRollbackFreesAll) {
  clt_blkf_entry* a = add(1, 1, "A");
  clt_blkf_entry* b = add(1, 2, "B");
  clt_blkf_entry* c = add(1, 3, "C");
  clt_blkf_entry* d = add(1, 4, "D");
  a->hold = 1;
  c->hold = 1;
  EXPECT_EQ(clt_blkf_free_unheld(&r.area), 0);
  EXPECT_EQ(entries(), (std::vector<clt_blkf_entry*>{c, a}));
  EXPECT_EQ(current(), nullptr);
  (void)b;
  (void)d;
  // The kept entries are found again.
  EXPECT_EQ(find(1, 3, "C"), c);
  // Through the runtime, as the transaction and reply paths reach it.
  EXPECT_EQ(clt_blkf_free_all(&r.area), 0);
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(main()->blkf_list, nullptr);
  EXPECT_EQ(current(), nullptr);
}

TEST_F(BlockList, CloseCleanupReleasesTheCursorAndItsBlocks) {
  clt_reply_conn* rc = clt_main_reply(main());
  clt_blkf_entry* a = add(1, 1, "A");
  add(1, 2, "B");
  struct row {
    const char* what;
    int16_t pdblkf;
    int32_t funccode;
    bool released;
    bool work_blocks_freed;
  };
  const row rows[] = {
      {"block fetch configured, CLOSE", 10, CLT_FC_CLOS, true, true},
      {"block fetch not configured, other request", 1, CLT_FC_OPEN, false, false},
  };
  for (const row& t : rows) {
    SCOPED_TRACE(t.what);
    clt_main_env(main())->pdblkf = t.pdblkf;
    main()->funccode = t.funccode;
    rc->fetch_desc = static_cast<uint8_t*>(cltmem_alloc(CLT_FETCH_DESC_HEAD, 0, "test", __LINE__));
    rc->trace_block = static_cast<uint8_t*>(cltmem_alloc(40, 0, "test", __LINE__));
    const size_t before = entries().size();
    cursor(1, 2, "B");
    EXPECT_EQ(clt_runtime(clt_runtime_op::close_cleanup, &r.area), 0);
    EXPECT_EQ(entries().size(), t.released ? before - 1 : before);
    EXPECT_EQ(current(), nullptr);
    EXPECT_EQ(rc->fetch_desc, nullptr);
    EXPECT_EQ(rc->trace_block == nullptr, t.work_blocks_freed);
    if (rc->trace_block != nullptr) {
      cltmem_free(rc->trace_block, "test", __LINE__);
      rc->trace_block = nullptr;
    }
  }
  EXPECT_EQ(entries(), std::vector<clt_blkf_entry*>{a});
}

}  // namespace
