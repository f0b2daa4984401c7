// Statements sent to the stand-in: any text is rewritten, and the result
// grows at most by the bounded factor of its longest rewrite.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "standin/symfoware/rewriter.h"

namespace {
// The longest growth: a one-byte name pair "a.b.NEXTVAL" (11 bytes) becomes
// "NEXTVAL('A', 'B')" (17), with quotes doubled in the names.
constexpr size_t kGrowthFactor = 4;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string sql(reinterpret_cast<const char*>(data), size);
  const std::string rewritten = symfoware::RewriteStatement(sql);
  if (rewritten.size() > kGrowthFactor * size + 1) std::abort();
  return 0;
}
