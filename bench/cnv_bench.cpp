// cnv_bench: zelkit's character-code converters against glibc's iconv.
//
//   cnv_bench [MEGABYTES] [--scale N]        (default 4)
//
// Makes MEGABYTES of mixed Japanese text in Shift_JIS (ASCII, half-width
// katakana, kana and JIS X 0208 kanji, none of which needs a replacement)
// in runs of one to eight characters of a kind, and its EUC-JP, UTF-8 and
// UTF-16LE forms through iconv. Then converts each form in each direction
// with the library and with iconv, checks that both give the same bytes,
// and prints the medians of runs taken in turns, the library's time's ratio
// to iconv's and the throughput of each.
#include <iconv.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_harness.h"
#include "clt_cnv.h"

namespace {

using bytes = std::vector<uint8_t>;

constexpr int kDefaultMegabytes = 4;
constexpr double kMegabyte = bench::kMegabyte;
constexpr size_t kGrowth = 4;  // the most any direction grows a text

// Shares of the mix, in parts of kShareTotal.
constexpr uint32_t kShareTotal = 16;
constexpr uint32_t kAsciiShare = 5;
constexpr uint32_t kKatakanaShare = 2;
constexpr uint32_t kKanaShare = 4;  // the rest: kanji
constexpr uint32_t kLongestRun = 8;

// JIS X 0208 rows used: hiragana and katakana, and the level-1 kanji rows
// that are full.
constexpr int kHiraganaRow = 4;
constexpr int kHiraganaCells = 83;
constexpr int kKatakanaRow = 5;
constexpr int kKatakanaCells = 86;
constexpr int kFirstKanjiRow = 16;
constexpr int kLastKanjiRow = 46;
constexpr int kCells = 94;

// A small deterministic generator, so that every run converts the same text.
struct lcg {
  uint32_t state = 12345;
  uint32_t next(uint32_t n) {
    state = state * 1103515245u + 12345u;
    return (state >> 16) % n;
  }
};

void put_jis_as_sjis(bytes& out, int row, int cell) {
  const uint16_t code = clt_cnv_jis_to_sjis(static_cast<uint8_t>(row + 0x20), static_cast<uint8_t>(cell + 0x20));
  out.push_back(static_cast<uint8_t>(code >> 8));
  out.push_back(static_cast<uint8_t>(code));
}

// One character of the kind drawn.
void put_character(bytes& out, lcg& g, uint32_t kind) {
  if (kind < kAsciiShare) {
    // Printable ASCII but the backslash and the tilde, which JIS X 0201 reads otherwise.
    uint8_t b;
    do {
      b = static_cast<uint8_t>(0x20 + g.next(0x5F));
    } while (b == 0x5C || b == 0x7E);
    out.push_back(b);
  } else if (kind < kAsciiShare + kKatakanaShare) {
    out.push_back(static_cast<uint8_t>(0xA1 + g.next(0xDF - 0xA1 + 1)));
  } else if (kind < kAsciiShare + kKatakanaShare + kKanaShare) {
    if (g.next(2) == 0) {
      put_jis_as_sjis(out, kHiraganaRow, 1 + static_cast<int>(g.next(kHiraganaCells)));
    } else {
      put_jis_as_sjis(out, kKatakanaRow, 1 + static_cast<int>(g.next(kKatakanaCells)));
    }
  } else {
    const int row = kFirstKanjiRow + static_cast<int>(g.next(kLastKanjiRow - kFirstKanjiRow + 1));
    put_jis_as_sjis(out, row, 1 + static_cast<int>(g.next(kCells)));
  }
}

bytes make_sjis(size_t size) {
  bytes out;
  out.reserve(size + 2);
  lcg g;
  while (out.size() < size) {
    // Text comes in runs of one kind: words, phrases, numbers.
    const uint32_t kind = g.next(kShareTotal);
    const uint32_t run = 1 + g.next(kLongestRun);
    for (uint32_t i = 0; i < run; ++i) put_character(out, g, kind);
  }
  return out;
}

// A whole text through iconv.
class iconv_converter {
 public:
  iconv_converter(const char* from, const char* to) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      fprintf(stderr, "iconv cannot convert %s to %s\n", from, to);
      exit(1);
    }
  }
  ~iconv_converter() { iconv_close(cd_); }
  iconv_converter(const iconv_converter&) = delete;
  iconv_converter& operator=(const iconv_converter&) = delete;

  size_t run(const bytes& in, bytes& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
    size_t left = in.size();
    char* dst = reinterpret_cast<char*>(out.data());
    size_t room = out.size();
    if (iconv(cd_, &src, &left, &dst, &room) == static_cast<size_t>(-1) || left != 0) {
      fprintf(stderr, "iconv stopped with %zu bytes left\n", left);
      exit(1);
    }
    return out.size() - room;
  }

 private:
  iconv_t cd_;
};

bytes through_iconv(const char* from, const char* to, const bytes& in) {
  iconv_converter c(from, to);
  bytes out(in.size() * kGrowth);
  out.resize(c.run(in, out));
  return out;
}

// A whole text through one slot of the library.
class zelkit_converter {
 public:
  zelkit_converter(uint8_t mode, int32_t slot) : env_(std::make_unique<clt_env>()), slot_(slot) {
    env_->pdcltcnvmode = mode;
    clt_cnv_setup(env_.get(), mode);
  }

  size_t run(const bytes& in, bytes& out) {
    int32_t length = static_cast<int32_t>(in.size());
    int32_t room = static_cast<int32_t>(out.size());
    int32_t produced = 0;
    uint32_t replaced = 0;
    const int32_t rc = clt_cnv_convert_env(*env_, slot_, &length, reinterpret_cast<const char*>(in.data()), &room,
                                           reinterpret_cast<char*>(out.data()), &produced, &replaced, CLT_CNV_STORE);
    if (rc != CLT_CNV_DONE || replaced != 0) {
      fprintf(stderr, "conversion ended with %d, replaced %u\n", rc, replaced);
      exit(1);
    }
    return static_cast<size_t>(produced);
  }

 private:
  std::unique_ptr<clt_env> env_;
  int32_t slot_;
};

struct direction {
  const char* name;
  uint8_t mode;
  int32_t slot;
  const char* from;
  const char* to;
  const bytes* source;
};

bool measure(const bench::TOptions& options, const direction& d) {
  zelkit_converter ours(d.mode, d.slot);
  iconv_converter theirs(d.from, d.to);
  bytes ours_out(d.source->size() * kGrowth);
  bytes theirs_out(d.source->size() * kGrowth);
  const size_t ours_size = ours.run(*d.source, ours_out);
  const size_t theirs_size = theirs.run(*d.source, theirs_out);
  if (ours_size != theirs_size || !std::equal(ours_out.begin(), ours_out.begin() + ours_size, theirs_out.begin())) {
    printf("%-26s results differ from iconv\n", d.name);
    return false;
  }
  const double megabytes = static_cast<double>(d.source->size()) / kMegabyte;
  const bench::TComparison c = bench::Compare(
      options, d.name, {"zelkit", [&] { return bench::Seconds([&] { ours.run(*d.source, ours_out); }); }, megabytes},
      {"iconv", [&] { return bench::Seconds([&] { theirs.run(*d.source, theirs_out); }); }, megabytes}, "MB",
      "<= 0.33 (3x iconv)");
  printf("    zelkit %8.1f MB/s   iconv %8.1f MB/s\n", megabytes / c.OursMedian, megabytes / c.AnchorMedian);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  const int megabytes = (argc > 1 ? atoi(argv[1]) : kDefaultMegabytes) * options.Scale;
  if (megabytes <= 0) {
    fprintf(stderr, "usage: cnv_bench [MEGABYTES]\n");
    return 2;
  }
  const bytes sjis = make_sjis(static_cast<size_t>(megabytes) * static_cast<size_t>(kMegabyte));
  const bytes euc = through_iconv("SHIFT_JIS", "EUC-JP", sjis);
  const bytes utf8 = through_iconv("SHIFT_JIS", "UTF-8", sjis);
  const bytes ucs2 = through_iconv("UTF-8", "UTF-16LE", utf8);
  printf("%d MB of mixed Japanese text (Shift_JIS)\n", megabytes);
  const direction directions[] = {
      {"SJIS to EUC-JP (6)", CLT_CNV_EUCHJ, CLT_CNV_SLOT_CLIENT, "SHIFT_JIS", "EUC-JP", &sjis},
      {"EUC-JP to SJIS (7)", CLT_CNV_EUCHJ, CLT_CNV_SLOT_SERVER, "EUC-JP", "SHIFT_JIS", &euc},
      {"SJIS to UTF-8 (10)", CLT_CNV_UTF8, CLT_CNV_SLOT_CLIENT, "SHIFT_JIS", "UTF-8", &sjis},
      {"UTF-8 to SJIS (11)", CLT_CNV_UTF8, CLT_CNV_SLOT_SERVER, "UTF-8", "SHIFT_JIS", &utf8},
      {"CP932 to UTF-8 (10, MS)", CLT_CNV_UTF8MS, CLT_CNV_SLOT_CLIENT, "CP932", "UTF-8", &sjis},
      {"UTF-8 to CP932 (11, MS)", CLT_CNV_UTF8MS, CLT_CNV_SLOT_SERVER, "UTF-8", "CP932", &utf8},
      {"UCS-2 to UTF-8 (12)", CLT_CNV_UCS2_UTF8, CLT_CNV_SLOT_CLIENT, "UTF-16LE", "UTF-8", &ucs2},
      {"UTF-8 to UCS-2 (13)", CLT_CNV_UCS2_UTF8, CLT_CNV_SLOT_SERVER, "UTF-8", "UTF-16LE", &utf8},
  };
  bool same = true;
  for (const direction& d : directions) same = measure(options, d) && same;
  return same ? 0 : 1;
}
