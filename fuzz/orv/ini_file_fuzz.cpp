// An ini file as users and other programs leave it (UTF-8 or CP932, any
// line ends): every value read is written to a new file and must read back
// exactly, as the WHERE history and column widths rely on.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_temp.h"
#include "platform/inifile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const platform::IniFile ini(fuzz_support::WriteTempFile("input.ini", data, size));
  const std::string copyPath = fuzz_support::WriteTempFile("copy.ini", nullptr, 0);
  {
    platform::IniFile copy(copyPath);
    for (const std::string& section : ini.ReadSections())
      for (const std::string& key : ini.ReadSection(section)) {
        copy.WriteString(section, key, ini.ReadString(section, key, ""));
        ini.ReadInteger(section, key, 0);
      }
    copy.UpdateFile();
  }
  const platform::IniFile reread(copyPath);
  for (const std::string& section : ini.ReadSections()) {
    if (reread.ReadSection(section) != ini.ReadSection(section)) std::abort();
    for (const std::string& key : ini.ReadSection(section))
      if (reread.ReadString(section, key, "") != ini.ReadString(section, key, "")) std::abort();
  }
  return 0;
}
