// The SQL formatter over any text, under each layout: the code outside
// comments and quoted texts keeps its non-blank characters (case aside),
// comments theirs, and quoted texts every byte.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/core/ovformat.h"
#include "app/core/ovoptions.h"
#include "bench/sql_corpus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the options.
  const uint8_t pick = data[0];
  FormatOption = TFormatOption{.Indent = pick & 7,
                               .ItemReturn = (pick >> 3) & 1,
                               .ReservePos = (pick >> 4) & 1,
                               .CommaPos = (pick >> 5) & 1,
                               .AndPos = (pick >> 6) & 1,
                               .ReserveTrans = (pick >> 7) & 1,
                               .ItemTrans = (pick >> 7) & 1};
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (!(sql_corpus::Keep(FormatSQL(text)) == sql_corpus::Keep(text))) std::abort();
  return 0;
}
