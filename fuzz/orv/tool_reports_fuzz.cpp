// What the Symfoware tools print, as orv reads it: the output bytes cut
// into lines and decoded as the runner does, then read by the reader the
// first byte selects. Every report also goes through the return-code test.
#include <cstdint>
#include <string>
#include <vector>

#include "app/core/fobjectcore.h"
#include "app/core/ovrunner.h"
#include "platform/process.h"

namespace {

enum Reader : uint8_t { kDefinition, kDsiInformation, kDatabaseList, kReaders };
constexpr size_t kStreams = 2;  // standard output and standard error

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const auto reader = static_cast<Reader>(data[0] % kReaders);
  platform::OutputLines output(kStreams);
  output.Add(0, std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  std::vector<std::string> lines;
  for (const std::string& line : output.Finish()) lines.push_back(platform::DecodeToolOutput(line));
  FailingReturnCodeLine(lines);
  switch (reader) {
    case kDefinition:
      BaseDsoName(lines);
      TableDsiNames(lines);
      break;
    case kDsiInformation: {
      std::vector<std::string> names;
      AddDataDsiNames(lines, names);
      SortUnique(names);
      break;
    }
    case kDatabaseList:
      ListsLocalDatabase(lines, "ORVSAMPLE");
      break;
    case kReaders:
      break;
  }
  return 0;
}
