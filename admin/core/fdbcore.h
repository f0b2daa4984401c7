// fdbcore: the database information window without its widgets: the
// readers of the RDB configuration file, its buffer file and the system
// parameter file, the log-file report, and the server's defaults.
#pragma once

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

// A file that cannot be read as asked; the text is the message shown.
class EDbInfoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The configuration keys in their order; the last one names the folder of
// the buffer file.
inline constexpr int kConfigValueKeys = 9;
inline constexpr std::array<const char*, kConfigValueKeys + 1> kConfigKeys = {
    "RDBCORE",   "RDBPM",     "RDBREPORT", "RDBREPORTSIZE", "RDBPRJCODE",
    "RDBEXTMEM", "RDBCNTNUM", "RDBDBSNUM", "RDBNETDBSNUM",  "RDBSYSBUF"};

struct TRdbConfig {
  std::array<std::string, kConfigValueKeys> Values;
  std::string BufferFile;  // empty without RDBSYSBUF
};

// The values of a configuration file's lines (a later line wins).
TRdbConfig ParseRdbConfig(const std::vector<std::string>& lines);
// Checks and reads a .cfg file; EDbInfoError with the message of a missing
// file or a wrong extension.
TRdbConfig ReadRdbConfig(const std::string& path);
// The buffer memory of a buffer file's "BUFFER<n>K = <count>" lines, in
// kilobytes; EDbInfoError when a size or count is no number.
long long BufferKilobytes(const std::vector<std::string>& lines);
// Kilobytes as megabytes with one decimal ("7.8"), in every locale.
std::string BufferMegabytes(long long kilobytes);
// Empty values take the server's defaults of the catalogue level.
void ApplyConfigDefaults(std::array<std::string, kConfigValueKeys>& values, int level);

struct TParameter {
  std::string Name;
  std::string Value;

  friend bool operator==(const TParameter&, const TParameter&) = default;
};
// The parameters of a system parameter file's lines, those whose upper-cased
// line holds `find` (all when it is empty).
std::vector<TParameter> ParseEnvFile(const std::vector<std::string>& lines, const std::string& find);
// Checks and reads a .env file (EDbInfoError as for the configuration).
std::vector<TParameter> ReadEnvFile(const std::string& path, const std::string& find);
// A catalogue parameter is listed when its upper-cased name holds `find`.
bool ParameterMatches(const std::string& name, const std::string& find);

inline constexpr const char* kLogCommand = "rdblog -V -t";
inline constexpr const char* kNoLogStatus = "-----";
struct TLogFile {
  std::string Path;
  std::string Size;  // kilobytes, or the text as cut when it is no number
};
struct TLogReport {
  bool Found = false;  // some line holds the status label
  std::string Status;  // upper-cased, kNoLogStatus when there is none
  std::vector<TLogFile> Files;  // AI and BI logs, with sizes
  std::string IndexPath;        // empty when the report names none
};
TLogReport ParseLogReport(const std::vector<std::string>& lines);
// "2G", "10M", "512K" in kilobytes; any other text as it is.
std::string LogSizeKilobytes(const std::string& size);
// Bytes as kilobytes, "%12.1n": one decimal, "," between thousands, right-
// justified in twelve characters, in every locale.
std::string CatalogueLogKilobytes(double bytes);
