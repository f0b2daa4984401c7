// The block converters on blocks as the test server writes them and on
// corrupt ones: every offset, count and indicator is checked against the
// reply, and a refused block leaves the variables and their guard bytes
// as they were.
#include <functional>
#include <string>
#include <vector>

#include "CLTSQLAF.h"
#include "CLTSQLDA.h"
#include "cltsqlbf.h"
#include "marlo_block.h"
#include "marlo_server.h"
#include "rows_support.h"

namespace {

using rows::bytes;

constexpr uint16_t kSqln = 4;
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kBodyData = 16;
constexpr uint32_t kDescriptors = 16;
constexpr uint32_t kDesc = 16;

uint32_t be32(const bytes& b, size_t at) {
  return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | b[at + 3];
}
void put_be32(bytes& b, size_t at, uint32_t v) { rows::order{false}.put32(b, at, v); }
void put_be16(bytes& b, size_t at, uint16_t v) { rows::order{false}.put16(b, at, v); }

class BlockConversion : public rows::row_lists {
 protected:
  clt_blkf_entry* entry = nullptr;

  void SetUp() override {
    row_lists::SetUp();
    env()->pdblkf = 3;
    main()->blkf_flag = 0;
    // ID INTEGER NOT NULL, NAME VARCHAR(20).
    list.get()->sqld = 2;
    list.var(0).sqlcod = 0xF0;
    list.var(0).len.s.sqllen = 4;
    list.var(1).sqlcod = 0xC1;
    list.var(1).len.s.sqllen = 20;
    reply()->desc_caching = 1;
    reply()->descriptor_form = 1;
    ASSERT_EQ(clt_blkf_add(&r.area), 0) << r.message();
    entry = clt_blkf_current();
    ASSERT_NE(entry, nullptr);
  }

  // A block of `n` rows (ID i, NAME "r<i>") as the server writes it.
  bytes block(bool variant5, int n, int extra_rows = 0, int32_t sqlcode = 0, const marlo::fetch_options& options = {}) const {
    bytes body = marlo::reply_body(false, sqlcode, "00000", sqlcode < 0 ? "KFPA11999-E scripted" : "");
    const std::vector<marlo::fetch_entry> d = {{0xF0, 1, {0, 4, 0, 0}}, {0xC1, 1, {0, 20, 0, 0}}};
    std::vector<std::vector<marlo::cell>> rows;
    for (int i = 0; i < n; ++i) rows.push_back({marlo::cell::of(std::to_string(i)), marlo::cell::of("r" + std::to_string(i))});
    EXPECT_EQ(marlo::block_reply(false, true, variant5, extra_rows, kSqln, d, rows, options, &body), "");
    return body;
  }
  int32_t convert(bool variant5, const bytes& body) {
    r.sqlca.SQLCODE = 0;
    return variant5 ? clt_fetch_conv_var5(body.data(), static_cast<uint32_t>(body.size()), &r.area)
                    : clt_fetch_conv(body.data(), static_cast<uint32_t>(body.size()), &r.area);
  }
  int32_t id() const {
    int32_t v;
    memcpy(&v, vars[0].storage.data() + rows::kGuardSize, sizeof v);
    return v;
  }
  std::string name() const {
    uint16_t n;
    memcpy(&n, vars[1].storage.data() + rows::kGuardSize, sizeof n);
    return std::string(reinterpret_cast<const char*>(vars[1].storage.data() + rows::kGuardSize + 2), n);
  }
};

TEST_F(BlockConversion, BothLayoutsDeliverRowByRow) {
  for (bool variant5 : {false, true}) {
    SCOPED_TRACE(variant5 ? "row records" : "column arrays");
    const bytes body = block(variant5, 3);
    entry->next_row = 0;
    entry->row_record = nullptr;
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(convert(variant5, body), 0) << r.message();
      EXPECT_EQ(id(), i);
      EXPECT_EQ(name(), "r" + std::to_string(i));
      EXPECT_EQ(inds[1][0], 0);
      EXPECT_TRUE(vars[0].guards_kept() && vars[1].guards_kept());
    }
    EXPECT_EQ(main()->rows_left, 0);
  }
}

TEST_F(BlockConversion, CorruptBlocksAreRefusedBeforeAnyVariableIsWritten) {
  struct corruption {
    const char* what;
    bool variant5;
    std::function<void(bytes&, uint32_t data)> apply;
  };
  const uint32_t id_desc = kDescriptors;
  const uint32_t name_desc = kDescriptors + kDesc;
  const corruption cases[] = {
      {"more rows than PDBLKF", false, [](bytes& b, uint32_t) { put_be16(b, be32(b, kBodyStatus) + 14, 4); }},
      {"a fixed column's values past the reply", false,
       [&](bytes& b, uint32_t data) { put_be32(b, data + id_desc + 8, static_cast<uint32_t>(b.size()) - data - 2); }},
      {"a row's value offset past the reply", false,
       [&](bytes& b, uint32_t data) {
         const uint32_t offsets = be32(b, data + name_desc + 8);
         put_be32(b, data + offsets, static_cast<uint32_t>(b.size()));
       }},
      {"the offset table past the reply", false,
       [&](bytes& b, uint32_t data) { put_be32(b, data + name_desc + 8, 0xFFFFFFF0); }},
      {"an indicator array past the reply", false,
       [&](bytes& b, uint32_t data) { put_be32(b, data + name_desc + 12, static_cast<uint32_t>(b.size()) - data); }},
      {"a value's length past the reply", false,
       [&](bytes& b, uint32_t data) {
         const uint32_t offsets = be32(b, data + name_desc + 8);
         put_be16(b, data + be32(b, data + offsets), 0x7FFF);
       }},
      {"descriptors past the reply", true, [](bytes& b, uint32_t data) { put_be16(b, data + 14, 0x4000); }},
      {"a record's value table past the reply", true,
       [&](bytes& b, uint32_t data) { put_be32(b, data + kDescriptors + 2 * kDesc + 4, 0xFFFFFF00); }},
      {"a record's value past the reply", true,
       [&](bytes& b, uint32_t data) {
         const uint32_t table = be32(b, data + kDescriptors + 2 * kDesc + 4);
         put_be32(b, data + table, static_cast<uint32_t>(b.size()));
       }},
      {"a total beyond the bytes received", false,
       [](bytes& b, uint32_t) { b.resize(b.size() - 8); }},
  };
  for (const corruption& c : cases) {
    SCOPED_TRACE(c.what);
    bytes body = block(c.variant5, 3);
    c.apply(body, be32(body, kBodyData));
    entry->next_row = 0;
    entry->row_record = nullptr;
    for (int i = 0; i < 2; ++i) fresh(i);
    EXPECT_EQ(convert(c.variant5, body), -1);
    rows::expect_refused_untouched(r, "CLTSQLAF", vars, inds);
  }
}

TEST_F(BlockConversion, ALongBinaryNeedsLevel20AndPdbinaryblkfInColumnArrays) {
  struct row {
    int32_t level;
    char binaryblkf;
    bool variant5;
    bool accepted;
  };
  const row rows_[] = {
      {rows::kLevel26, 'N', false, false}, {rows::kLevel26, 'Y', false, true}, {~19, 'Y', false, false},
      {rows::kLevel26, 'N', true, true},
  };
  constexpr uint32_t kDeclared = 40000;
  std::vector<uint8_t> lob(kDeclared + 8, 0);
  list.get()->sqld = 1;
  list.var(0).sqlcod = 0x90;
  list.var(0).len.sqllen32 = kDeclared;
  list.var(0).SQLDATA = lob.data();
  const std::vector<marlo::fetch_entry> d = {{0x90, 1, {0, 0, 0x9C, 0x40}}};
  for (const row& t : rows_) {
    SCOPED_TRACE(std::to_string(~t.level) + " " + t.binaryblkf + (t.variant5 ? " row records" : " column arrays"));
    main()->srv_level = t.level;
    env()->pdbinaryblkf = t.binaryblkf;
    bytes body = marlo::reply_body(false, 0, "00000", "");
    ASSERT_EQ(marlo::block_reply(false, true, t.variant5, 0, kSqln, d, {{marlo::cell::of("xyz")}}, {}, &body), "");
    entry->next_row = 0;
    entry->row_record = nullptr;
    entry->rows = 0;
    memset(lob.data(), 0, lob.size());
    const int32_t rc = convert(t.variant5, body);
    if (t.accepted) {
      ASSERT_EQ(rc, 0) << r.message();
      uint32_t n;
      memcpy(&n, lob.data(), sizeof n);
      EXPECT_EQ(n, 3u);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(lob.data() + 4), 3), "xyz");
    } else {
      EXPECT_EQ(rc, -1);
      EXPECT_EQ(r.sqlcode(), -733);
      EXPECT_EQ(lob[4], 0);
    }
  }
}

TEST_F(BlockConversion, ACodedDateOfAnotherLengthIsRefusedOnEveryProtocol) {
  list.get()->sqld = 1;
  list.var(0).sqlcod = 0x78;
  list.var(0).len.s.sqllen = 4;
  const std::vector<marlo::fetch_entry> d = {{0x78, 1, {0, 4, 0, 0}}};
  for (int16_t type : {int16_t{0}, int16_t{CLT_SRVTYPE_SECOND}}) {
    SCOPED_TRACE(type);
    env()->pdsrvtype = type;
    bytes body = marlo::reply_body(false, 0, "00000", "");
    ASSERT_EQ(marlo::block_reply(false, true, false, 0, kSqln, d, {{marlo::cell::of("abc")}}, {}, &body), "");
    put_be16(body, be32(body, kBodyData) + kDescriptors + 4, 4);
    entry->next_row = 0;
    fresh(0);
    EXPECT_EQ(convert(false, body), -1);
    EXPECT_EQ(r.sqlcode(), -733);
    EXPECT_TRUE(vars[0].untouched_from(0));
  }
}

TEST_F(BlockConversion, AFailedRowStillMovesTheBlockOn) {
  bytes body = block(false, 3);
  // Row 1's value offset past the reply.
  const uint32_t data = be32(body, kBodyData);
  const uint32_t offsets = be32(body, data + kDescriptors + kDesc + 8);
  put_be32(body, data + offsets + 4, static_cast<uint32_t>(body.size()));
  ASSERT_EQ(convert(false, body), 0) << r.message();
  EXPECT_EQ(id(), 0);
  EXPECT_EQ(convert(false, body), -1);
  EXPECT_EQ(r.sqlcode(), -733);
  ASSERT_EQ(convert(false, body), 0) << r.message();
  EXPECT_EQ(id(), 2);
  EXPECT_EQ(entry->next_row, 3);
}

TEST_F(BlockConversion, FlagBytesOfAnEarlierBlockServeTheBlocksWithoutThem) {
  server_address("127.0.0.1");
  marlo::fetch_options flagged;
  flagged.flags = {0x00, 0x01};
  for (bool variant5 : {false, true}) {
    SCOPED_TRACE(variant5 ? "row records" : "column arrays");
    for (const bytes& body : {block(variant5, 1, 0, 0, flagged), block(variant5, 1)}) {
      entry->next_row = 0;
      entry->row_record = nullptr;
      ASSERT_EQ(convert(variant5, body), 0) << r.message();
      EXPECT_EQ(name(), "127.0.0.1r0");
      EXPECT_TRUE(vars[1].guards_kept());
    }
  }
}

TEST_F(BlockConversion, SqldaFormRowsFollowEachOtherUntilTheSqldaChanges) {
  bytes body = marlo::reply_body(false, 0, "00000", "");
  const std::vector<marlo::fetch_entry> d = {{0xF0, 1, {0, 4, 0, 0}}, {0xC1, 1, {0, 20, 0, 0}}};
  std::vector<std::vector<marlo::cell>> rows;
  for (int i = 0; i < 3; ++i) rows.push_back({marlo::cell::of(std::to_string(i)), marlo::cell::of("s" + std::to_string(i))});
  ASSERT_EQ(marlo::block_reply(false, false, false, 0, kSqln, d, rows, {}, &body), "");
  entry->sqlda_form = 1;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(convert(false, body), 0) << r.message();
    EXPECT_EQ(id(), i);
    EXPECT_EQ(name(), "s" + std::to_string(i));
  }
  EXPECT_EQ(entry->rows, 3);
  struct change {
    const char* what;
    std::function<void(SQLVAR&)> apply;
    bool refused;
  };
  const change changes[] = {
      {"sqllen", [](SQLVAR& v) { v.len.s.sqllen = 21; }, true},
      {"code", [](SQLVAR& v) { v.sqlcod = 0xC0; }, true},
      // A host of the NUL-terminated code takes any length rule of its own.
      {"the NUL-terminated code", [](SQLVAR& v) { v.sqlcod = 0x31; }, false},
  };
  for (const change& c : changes) {
    SCOPED_TRACE(c.what);
    const SQLVAR kept = list.var(1);
    c.apply(list.var(1));
    fresh(0);
    entry->next_row = 2;
    const int32_t rc = convert(false, body);
    list.var(1) = kept;
    if (c.refused) {
      EXPECT_EQ(rc, -1);
      EXPECT_EQ(r.message(), "KFPA11850-E SQLDA was modified after first blocked fetch");
      EXPECT_TRUE(vars[0].untouched_from(0));
    } else {
      EXPECT_EQ(rc, 0) << r.message();
    }
  }
  // Without the copy of the first blocked FETCH's SQLDA nothing compares.
  cltmem_free(entry->sqlda, "test", __LINE__);
  entry->sqlda = nullptr;
  EXPECT_EQ(convert(false, body), -1);
  EXPECT_EQ(r.message(), "KFPA11729-E Insufficient memory on PROCESS, size=64016");
}

TEST_F(BlockConversion, WithoutACurrentEntryTheSizeOfAnEntryIsReported) {
  main()->blkf_current = nullptr;
  const bytes body = block(false, 1);
  EXPECT_EQ(convert(false, body), -1);
  EXPECT_EQ(r.sqlcode(), -729);
  EXPECT_EQ(r.message(), "KFPA11729-E Insufficient memory on PROCESS, size=" + std::to_string(sizeof(clt_blkf_entry)));
}

}  // namespace
