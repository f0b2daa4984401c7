// SQL text as typed: the spans cover it without gap or overlap, and each
// ":NAME" marker becomes exactly one "?".
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/sqlmarkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  size_t at = 0;
  for (const platform::SqlSpan& span : platform::SplitSqlSpans(sql)) {
    if (span.begin != at || span.end <= span.begin) std::abort();
    at = span.end;
  }
  if (at != sql.size()) std::abort();
  const platform::PositionalSql positional = platform::ConvertMarkers(sql);
  size_t nameBytes = 0;
  for (const std::string& name : positional.names) {
    if (name.empty()) std::abort();
    nameBytes += name.size();
  }
  // Each marker gave its colon and name for one "?".
  if (positional.text.size() != sql.size() - nameBytes) std::abort();
  return 0;
}
