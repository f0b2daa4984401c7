// Test support of the row converters: a running connection with its
// control block, reply bodies built in either byte order, and host
// variables held between guard bytes.
#pragma once

#include <arpa/inet.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CLTCNTL.h"
#include "CLTLIBCT.h"
#include "CLTMEM.h"
#include "CLTRPCSS.h"
#include "clt_cnv.h"
#include "zk_harness.h"

namespace rows {

using bytes = std::vector<uint8_t>;

constexpr uint8_t kGuard = 0xCC;
constexpr size_t kGuardSize = 8;
constexpr uint32_t kDirectory = 36;
constexpr int32_t kLevel26 = ~26;

inline bytes text(const std::string& s) { return bytes(s.begin(), s.end()); }
inline bytes cat(std::initializer_list<bytes> parts) {
  bytes out;
  for (const bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// Numbers in the server's byte order.
struct order {
  bool le;
  bytes u16(uint16_t v) const {
    return le ? bytes{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)}
              : bytes{static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  }
  bytes u32(uint32_t v) const {
    bytes b(4);
    for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(le ? v >> (8 * i) : v >> (24 - 8 * i));
    return b;
  }
  bytes u64(uint64_t v) const {
    bytes b(8);
    for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(le ? v >> (8 * i) : v >> (56 - 8 * i));
    return b;
  }
  void put32(bytes& b, size_t at, uint32_t v) const {
    const bytes x = u32(v);
    std::copy(x.begin(), x.end(), b.begin() + static_cast<ptrdiff_t>(at));
  }
  void put16(bytes& b, size_t at, uint16_t v) const {
    const bytes x = u16(v);
    std::copy(x.begin(), x.end(), b.begin() + static_cast<ptrdiff_t>(at));
  }
};

// Host-order bytes of a number, as a variable holds it.
template <typename T>
bytes host(T v) {
  bytes b(sizeof v);
  memcpy(b.data(), &v, sizeof v);
  return b;
}

// A variable's storage between guard bytes; the storage starts as guard too.
struct variable {
  bytes storage;
  size_t room;
  explicit variable(size_t n = 64) : storage(n + 2 * kGuardSize, kGuard), room(n) {}
  uint8_t* data() { return storage.data() + kGuardSize; }
  bytes first(size_t n) const {
    return bytes(storage.begin() + kGuardSize, storage.begin() + static_cast<ptrdiff_t>(kGuardSize + n));
  }
  bool guards_kept() const {
    for (size_t i = 0; i < kGuardSize; ++i) {
      if (storage[i] != kGuard || storage[kGuardSize + room + i] != kGuard) return false;
    }
    return true;
  }
  // The bytes from n on are as they were.
  bool untouched_from(size_t n) const {
    for (size_t i = n; i < room; ++i) {
      if (storage[kGuardSize + i] != kGuard) return false;
    }
    return true;
  }
};

// An SQLDA of n variables in storage of its own.
struct sqlda_buf {
  bytes storage;
  explicit sqlda_buf(int32_t n) : storage(offsetof(SQLDA, sqlvar) + sizeof(SQLVAR) * std::max(n, 1)) {
    memcpy(get()->sqldaid, "SQLDA   ", 8);
    get()->sqln = static_cast<int16_t>(n);
    get()->sqld = static_cast<int16_t>(n);
  }
  SQLDA* get() { return reinterpret_cast<SQLDA*>(storage.data()); }
  SQLVAR& var(int32_t i) { return get()->sqlvar[i]; }
};

// An SQLCSNA naming the character set of some variables: one name entry
// per named variable.
struct csna_buf {
  bytes storage;
  csna_buf(int16_t vars, const std::vector<std::pair<int16_t, std::pair<std::string, std::string>>>& named)
      : storage(32 + 2 * static_cast<size_t>(vars) + 64 * named.size(), 0) {
    auto put16 = [&](size_t at, int16_t v) { memcpy(storage.data() + at, &v, sizeof v); };
    put16(12, vars);
    put16(14, vars);
    put16(16, static_cast<int16_t>(named.size()));
    put16(18, static_cast<int16_t>(named.size()));
    int16_t entry = 1;
    for (const auto& [var, names] : named) {
      put16(32 + 2 * static_cast<size_t>(var), entry);
      const size_t at = 32 + 2 * static_cast<size_t>(vars) + 64 * static_cast<size_t>(entry - 1);
      put16(at, static_cast<int16_t>(names.first.size()));
      memcpy(storage.data() + at + 2, names.first.data(), names.first.size());
      put16(at + 32, static_cast<int16_t>(names.second.size()));
      memcpy(storage.data() + at + 34, names.second.data(), names.second.size());
      ++entry;
    }
  }
};

// A connection with its control block, as the library makes it.
class connection : public ::testing::Test {
 protected:
  zk::services_scope services;
  zk::temp_dir dir;
  zk::request r{"FETC"};
  zk::context_scope context;
  pd_clt_sess sess{};

  void SetUp() override {
    setenv("PDMEMTRCFILE", dir.file("pdmem.trc").c_str(), 1);
    ASSERT_EQ(clt_first_call_init(&r.area), 0);
    main()->funccode = CLT_FC_FETC;
    main()->srv_level = kLevel26;
    main()->byteorder = 0;
    r.area.version = 0x802;
    mode(CLT_CNV_NOUSE);
    memcpy(r.sqlca.sqlcaid, "SQLCA   ", 8);
    memset(r.sqlca.sqlwarn, ' ', sizeof r.sqlca.sqlwarn);
    memcpy(r.area.sqlstate, "00000", 5);
    reply()->sqlca_mark = ' ';
  }
  void TearDown() override {
    clt_global.runtime.rpc.sess = nullptr;
    if (clt_cur()->main != nullptr) clt_last_call_term(&r.area);
    unsetenv("PDMEMTRCFILE");
  }

  clt_main* main() const { return clt_global.main; }
  clt_env* env() const { return clt_main_env(clt_global.main); }
  clt_reply_conn* reply() const { return clt_main_reply(clt_global.main); }
  void mode(uint8_t m) {
    env()->pdcltcnvmode = m;
    clt_cnv_setup(env(), m);
  }
  void order_of(bool le) { main()->byteorder = le ? 1 : 0; }
  // The server address that the RPC session keeps.
  void server_address(const char* dotted) {
    sess.server.sin_family = AF_INET;
    inet_pton(AF_INET, dotted, &sess.server.sin_addr);
    clt_global.runtime.rpc.sess = &sess;
  }
  // The type list of CONNECT with one entry.
  void pad_entry(const std::string& first, const std::string& second, const bytes& pad) {
    bytes list(2 + 80, 0);
    const int16_t count = 1;
    memcpy(list.data(), &count, 2);
    auto name = [&](size_t at, const std::string& s) {
      const uint16_t n = static_cast<uint16_t>(s.size());
      memcpy(list.data() + at, &n, 2);
      memcpy(list.data() + at + 2, s.data(), s.size());
    };
    name(2, first);
    name(2 + 32, second);
    const uint16_t n = static_cast<uint16_t>(pad.size());
    memcpy(list.data() + 2 + 64, &n, 2);
    memcpy(list.data() + 2 + 66, pad.data(), pad.size());
    reply()->type_list = static_cast<uint8_t*>(cltmem_alloc(static_cast<uint32_t>(list.size()), 0, "test", __LINE__));
    memcpy(reply()->type_list, list.data(), list.size());
  }
  std::string warnings() const { return std::string(r.sqlca.sqlwarn, 2); }
};

constexpr size_t kIndicators = 8;
constexpr int16_t kIndicatorGuard = 0x5555;

// Variables 0 and 1 as plain integers, fresh and between their guards.
inline void plain_pair(sqlda_buf& list, variable* vars, int16_t (*inds)[kIndicators]) {
  for (int i = 0; i < 2; ++i) {
    vars[i] = variable();
    list.var(i).SQLDATA = vars[i].data();
    list.var(i).sqlcod = 0xF0;
    list.var(i).len.s.sqllen = 4;
    list.var(i).XDIM = 1;
    inds[i][0] = kIndicatorGuard;
  }
}

// The reply was refused by `module` before any of the pair was written.
inline void expect_refused_untouched(const zk::request& r, const char* module, const variable* vars,
                                     const int16_t (*inds)[kIndicators]) {
  EXPECT_EQ(r.sqlcode(), -733);
  const std::string head = std::string("KFPA11733-E Error occurred in Marlo, inf1=") + module + ", inf2=";
  EXPECT_EQ(r.message().rfind(head, 0), 0u) << r.message();
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(vars[i].untouched_from(0)) << i;
    EXPECT_TRUE(vars[i].guards_kept());
    EXPECT_EQ(inds[i][0], kIndicatorGuard);
  }
}

using encode = std::function<bytes(const order&)>;

inline encode raw(bytes b) {
  return [b](const order&) { return b; };
}
inline std::function<void(SQLVAR&)> sqllen(int16_t n) {
  return [n](SQLVAR& v) { v.len.s.sqllen = n; };
}
inline std::function<void(SQLVAR&)> decimal(uint8_t p, uint8_t s) {
  return [p, s](SQLVAR& v) {
    v.len.d.sqlprcsn = p;
    v.len.d.sqlscale = s;
  };
}

// A connection and a list of four variables, each between guards and
// with an indicator area of its own.
class row_lists : public connection {
 protected:
  sqlda_buf list{4};
  variable vars[4];
  int16_t inds[4][kIndicators] = {};

  void SetUp() override {
    connection::SetUp();
    for (int i = 0; i < 4; ++i) {
      list.var(i).SQLDATA = vars[i].data();
      list.var(i).SQLIND = inds[i];
      list.var(i).XDIM = 1;
      for (int16_t& x : inds[i]) x = kIndicatorGuard;
    }
    r.area.sqliasda = list.get();
  }
  void fresh(int i) {
    vars[i] = variable();
    list.var(i).SQLDATA = vars[i].data();
  }
  // A case of its own in mode `m`: the SQLCA and SQLSTATE as before a
  // request, the first variable fresh with the given code and length.
  void fresh_case(uint8_t m, uint8_t code, int16_t n) {
    mode(m);
    r.sqlca.SQLCODE = 0;
    memset(r.sqlca.sqlwarn, ' ', sizeof r.sqlca.sqlwarn);
    memcpy(r.area.sqlstate, "00000", 5);
    fresh(0);
    list.var(0).sqlcod = code;
    list.var(0).len.s.sqllen = n;
  }
  // The first variable holds `want` and nothing past `room` changed.
  void expect_stored(const bytes& want, size_t room) {
    EXPECT_EQ(r.sqlcode(), 0) << r.message();
    EXPECT_EQ(vars[0].first(want.size()), want);
    EXPECT_TRUE(vars[0].untouched_from(room));
    EXPECT_TRUE(vars[0].guards_kept());
  }
  // The first variable holds `want` after a cut, with the warnings.
  void expect_cut(const bytes& want, int16_t indicator) {
    EXPECT_EQ(vars[0].first(want.size()), want);
    EXPECT_TRUE(vars[0].guards_kept());
    EXPECT_EQ(inds[0][0], indicator);
    EXPECT_EQ(warnings(), "WW");
    EXPECT_EQ(r.sqlstate(), "01000");
  }
};

// A reply body: the directory, a data part at its end, an extension part
// with column flag bytes when given.
inline bytes body_with(const order& o, const bytes& data, const bytes& flags = {}) {
  bytes b(kDirectory, 0);
  o.put32(b, 16, kDirectory);
  b.insert(b.end(), data.begin(), data.end());
  if (!flags.empty()) {
    while (b.size() % 4 != 0) b.push_back(0);
    const uint32_t ext = static_cast<uint32_t>(b.size());
    o.put32(b, 28, ext);
    bytes part = o.u32(8);
    part.resize(8, 0);
    part.insert(part.end(), flags.begin(), flags.end());
    b.insert(b.end(), part.begin(), part.end());
  }
  o.put32(b, 0, static_cast<uint32_t>(b.size()));
  return b;
}

}  // namespace rows
