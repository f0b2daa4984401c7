// The statement list's operations on a connection's control block:
// matching, the copies a cursor of another section or another extended
// name gets, the rules of COMMIT and ROLLBACK, the refresh of a PREPARE
// and the copies of a locally completed OPEN.
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CLTCOMCTX.h"
#include "CLTLIBCT.h"
#include "cltsqlsl.h"
#include "zk_harness.h"

namespace {

constexpr uint32_t kLevel26 = ~26u;

using zk::ext_name;
using zk::make_ext;

class StatementListOps : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  zk::request r{"SET "};
  zk::context_scope context;

  void SetUp() override {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    ASSERT_EQ(clt_first_call_init(&r.area), 0);
    main()->srv_level = static_cast<int32_t>(kLevel26);
    clt_main_env(main())->pdcursorlvl = '2';
    statement(3, 0);
  }
  void TearDown() override {
    if (clt_cur()->main != nullptr) clt_last_call_term(&r.area);
    unsetenv("PDMEMTRCFILE");
  }

  clt_main* main() const { return clt_global.main; }
  clt_loc_entry* current() const { return clt_loc_current(); }
  std::vector<clt_loc_entry*> entries() const {
    std::vector<clt_loc_entry*> out;
    for (auto* e = static_cast<clt_loc_entry*>(main()->loc_list); e != nullptr; e = e->next) out.push_back(e);
    return out;
  }
  // Points the request at statement (section, statement section).
  void statement(uint16_t section, uint16_t stmtsection, uint32_t stmtid = 9) {
    r.area.section = section;
    r.area.stmtsection = stmtsection;
    r.area.stmtid = stmtid;
    memset(r.area.name1, ' ', sizeof r.area.name1);
    memset(r.area.name2, ' ', sizeof r.area.name2);
    memcpy(r.area.name2, "S1", 2);
  }
  // An entry made as a PREPARE reply makes it, hold and keep bytes given.
  clt_loc_entry* add(char hold = ' ', char keep = ' ') {
    r.area.hold = static_cast<uint8_t>(hold);
    r.area.keep = static_cast<uint8_t>(keep);
    main()->funccode = CLT_FC_SET;
    EXPECT_EQ(clt_loc_add(&r.area), 0);
    return current();
  }
};

TEST_F(StatementListOps, AnEntryIsTaggedAndFindingNoneLeavesNoCurrentEntry) {
  clt_loc_entry* e = add('Y', 'Y');
  EXPECT_STREQ(e->tag, "##aopcl");
  EXPECT_EQ(e->hold, 1);
  EXPECT_EQ(e->kept, 'Y');
  EXPECT_EQ(std::string(1, e->open) + e->fetched + e->end + e->held_commit, "NNNN");
  statement(4, 0);
  EXPECT_EQ(clt_loc_find(&r.area), -1);
  EXPECT_EQ(current(), nullptr);
  statement(3, 0);
  EXPECT_EQ(clt_loc_find(&r.area), 0);
  EXPECT_EQ(current(), e);
}

// OPEN of function code 17: a cursor of another section gets a copy of
// its statement's entry, closed and without the statement's copies.
TEST_F(StatementListOps, ACursorUnderItsOwnSectionGetsACopyOfItsStatement) {
  clt_loc_entry* statement_entry = add('Y');
  statement_entry->open = 'Y';
  statement(7, 3);
  main()->funccode = CLT_FC_OPNR;
  ASSERT_EQ(clt_loc_bind_cursor(&r.area), 0);
  clt_loc_entry* cursor = current();
  ASSERT_NE(cursor, statement_entry);
  EXPECT_EQ(cursor->section, 7);
  EXPECT_EQ(cursor->stmtsection, 3);
  EXPECT_EQ(cursor->hold, 1);
  EXPECT_EQ(cursor->open, 'N');
  EXPECT_EQ(entries().size(), 2u);
  // The second OPEN finds the cursor's own entry.
  ASSERT_EQ(clt_loc_bind_cursor(&r.area), 0);
  EXPECT_EQ(current(), cursor);
  EXPECT_EQ(entries().size(), 2u);
  statement(8, 5);
  EXPECT_EQ(clt_loc_bind_cursor(&r.area), -1);
}

// ALLOCATE CURSOR with extended names: the statement's entry takes the
// first cursor; a second cursor of the statement gets a copy.
TEST_F(StatementListOps, ExtendedCursorsOfOneStatementGetEntriesOfTheirOwn) {
  ext_name stmt = make_ext("S1"), c1 = make_ext("C1"), c2 = make_ext("C2");
  r.area.extstmtname = &stmt;
  clt_loc_entry* e = add();
  main()->funccode = CLT_FC_ALCR;
  r.area.extcursname = &c1;
  ASSERT_EQ(clt_loc_bind_ext_cursor(&r.area), 0);
  EXPECT_EQ(current(), e);
  EXPECT_EQ(std::string(e->ext_curs, e->ext_curs_length), "C1");
  statement(5, 0);
  r.area.extcursname = &c2;
  ASSERT_EQ(clt_loc_bind_ext_cursor(&r.area), 0);
  clt_loc_entry* second = current();
  ASSERT_NE(second, e);
  EXPECT_EQ(second->section, 5);
  EXPECT_EQ(std::string(second->ext_curs, second->ext_curs_length), "C2");
  // Each cursor finds its own entry by its name.
  r.area.extstmtname = nullptr;
  EXPECT_EQ(clt_loc_find(&r.area), 0);
  EXPECT_EQ(current(), second);
  r.area.extcursname = &c1;
  EXPECT_EQ(clt_loc_find(&r.area), 0);
  EXPECT_EQ(current(), e);
  // DEALLOCATE PREPARE of the statement's name frees both.
  r.area.extstmtname = &stmt;
  EXPECT_EQ(clt_loc_free_ext(&r.area), 0);
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(current(), nullptr);
}

// COMMIT and ROLLBACK by hold attribute (any non-zero value holds),
// kept flag and held-over-COMMIT flag.
TEST_F(StatementListOps, CommitAndRollbackKeepHeldAndKeptStatements) {
  struct row {
    uint8_t hold;
    char kept;
    bool after_commit;    // the entry is still there after COMMIT
    bool after_rollback;  // ... and after the ROLLBACK that follows
  } rows[] = {
      {0, 'N', false, false},
      {0, 'Y', true, true},
      {1, 'N', true, true},
      {2, 'N', true, true},
  };
  for (const row& c : rows) {
    SCOPED_TRACE(static_cast<int>(c.hold) * 10 + (c.kept == 'Y'));
    clt_loc_entry* e = add();
    e->hold = c.hold;
    e->kept = c.kept;
    e->open = 'Y';
    e->fetched = 'Y';
    EXPECT_EQ(clt_loc_free_closed(&r.area), 0);
    ASSERT_EQ(!entries().empty(), c.after_commit);
    if (c.after_commit) {
      // Held cursors stay open over COMMIT; kept ones are closed.
      EXPECT_EQ(e->open, c.hold != 0 ? 'Y' : 'N');
      EXPECT_EQ(e->held_commit, c.hold != 0 ? 'Y' : 'N');
    }
    EXPECT_EQ(clt_loc_free_unheld(&r.area), 0);
    ASSERT_EQ(!entries().empty(), c.after_rollback);
    if (c.after_rollback) {
      EXPECT_EQ(e->open, 'N');
    }
    clt_loc_free_all(&r.area);
  }
  // A held cursor that saw no COMMIT goes with ROLLBACK.
  add('Y');
  EXPECT_EQ(clt_loc_free_unheld(&r.area), 0);
  EXPECT_TRUE(entries().empty());
}

// A PREPARE of a known statement refreshes its entry; the entries of the
// same statement under other sections follow it, and DEALLOCATE PREPARE
// frees them all.
TEST_F(StatementListOps, APrepareRefreshesTheStatementAndItsCursorsFollow) {
  statement(3, 3);
  clt_loc_entry* e = add();
  statement(7, 3);
  main()->funccode = CLT_FC_OPNR;
  ASSERT_EQ(clt_loc_bind_cursor(&r.area), 0);
  clt_loc_entry* cursor = current();
  cursor->open = 'Y';
  cursor->hold = 1;
  // The statement prepared again, now held.
  statement(3, 3);
  r.area.hold = 'Y';
  main()->funccode = CLT_FC_SET;
  ASSERT_EQ(clt_loc_after_reply(&r.area, 0, 1, 0x4204), 0);
  EXPECT_EQ(current(), e);
  EXPECT_EQ(e->hold, 1);
  EXPECT_EQ(cursor->section, 7);
  EXPECT_EQ(cursor->open, 'N');
  EXPECT_EQ(entries().size(), 2u);
  // A statement kind the list does not keep changes nothing.
  ASSERT_EQ(clt_loc_after_reply(&r.area, 0, 0, 0x1100), 0);
  EXPECT_EQ(e->hold, 1);
  main()->funccode = CLT_FC_DSET;
  ASSERT_EQ(clt_loc_find(&r.area), 0);
  EXPECT_EQ(clt_loc_free_same_name(current()), 0);
  EXPECT_EQ(clt_loc_release(&r.area), 0);
  EXPECT_TRUE(entries().empty());
}

// The copies of a locally completed OPEN: every value bounded by its
// declared size, indicators kept, a repetition value whole.
TEST_F(StatementListOps, AnOpenKeepsCopiesOfItsValuesAndIndicators) {
  add();
  struct {
    int32_t count = 3;
    int32_t elements[3] = {7, 8, 9};
  } repeated;
  int16_t varchar[6] = {4, 0, 0, 0, 0, 0};
  memcpy(&varchar[1], "abcd", 4);
  int32_t repeated_ind[3] = {0, 0, 0};
  int16_t ind = -1;
  std::vector<uint8_t> storage(offsetof(SQLDA, sqlvar) + 2 * sizeof(SQLVAR), 0);
  auto* da = reinterpret_cast<SQLDA*>(storage.data());
  da->sqln = da->sqld = 2;
  da->sqlvar[0] = SQLVAR{0, 0xF1, 3, {}, &repeated, repeated_ind};
  da->sqlvar[0].len.s.sqllen = 4;
  da->sqlvar[1] = SQLVAR{0, 0xA1, 1, {}, varchar, &ind};
  da->sqlvar[1].len.s.sqllen = 10;
  r.area.sqliasda = da;
  main()->funccode = CLT_FC_OPEN;
  ASSERT_EQ(clt_loc_store_vars(&r.area), 0);
  const SQLDA* copy = current()->vars;
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(copy->sqld, 2);
  EXPECT_NE(copy->sqlvar[0].SQLDATA, &repeated);
  EXPECT_EQ(memcmp(copy->sqlvar[0].SQLDATA, &repeated, sizeof repeated), 0);
  EXPECT_EQ(memcmp(copy->sqlvar[0].SQLIND, repeated_ind, 4 + 2 * 3), 0);
  EXPECT_EQ(memcmp(copy->sqlvar[1].SQLDATA, varchar, 12), 0);
  EXPECT_EQ(*static_cast<const int16_t*>(copy->sqlvar[1].SQLIND), -1);
  // The caller's own values may change now.
  repeated.elements[0] = 70;
  EXPECT_EQ(static_cast<const int32_t*>(copy->sqlvar[0].SQLDATA)[1], 7);
  // A second OPEN replaces the copies.
  ASSERT_EQ(clt_loc_store_vars(&r.area), 0);
  EXPECT_EQ(static_cast<const int32_t*>(current()->vars->sqlvar[0].SQLDATA)[1], 70);
}

}  // namespace
