// A WHERE history file as another run or a user left it: the conditions it
// gives back are saved and read again unchanged.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"
#include "app/core/ovwhere.h"
#include "fuzz_temp.h"

namespace {
constexpr char kFirst[] = "SALES";
constexpr char kSecond[] = "ORDERS";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  AppOption.TempDir = fuzz_support::TempFolder() + "/";
  const std::string file = WhereHistoryFile(kFirst, kSecond);
  fuzz_support::WriteTempFile(file.substr(file.rfind('/') + 1), data, size);
  std::vector<std::string> loaded;
  LoadWhereHistory(kFirst, kSecond, loaded);
  if (loaded.size() > static_cast<size_t>(kWhereHistoryMax)) std::abort();
  SaveWhereHistory(kFirst, kSecond, loaded);
  std::vector<std::string> reread;
  LoadWhereHistory(kFirst, kSecond, reread);
  // Stored values beyond the saved ones stay in the file, after them.
  if (reread.size() < loaded.size() || !std::equal(loaded.begin(), loaded.end(), reread.begin())) std::abort();
  return 0;
}
