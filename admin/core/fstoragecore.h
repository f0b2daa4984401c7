// fstoragecore: the plain rules of the database space usage list: the
// column table, the rdbspcinf -d report in KB or MB, the usage ratio and
// the width of its bar.
#pragma once

#include <array>
#include <string>
#include <vector>

inline constexpr const char* kStorageSizeKey = "STORAGE";
inline constexpr const char* kStorageWidthValue = "TBSSize";
inline constexpr const char* kStorageVisibleValue = "TBSVisible";

struct TStorageColumn {
  const char* Caption;
  int Width;
  bool RightAligned;
  bool Visible;
};
enum TStorageTag : size_t { stName, stDevice, stSize, stStatic, stDynamic, stFree, stUsage, stCount };
inline constexpr std::array<TStorageColumn, stCount> kStorageColumns{{{"領域名", 160, false, true},
                                                                      {"デバイス", 200, false, true},
                                                                      {"サイズ", 80, true, true},
                                                                      {"Static allocate", 130, true, true},
                                                                      {"Dynamic allocate", 130, true, true},
                                                                      {"空き容量", 80, true, true},
                                                                      {"使用率", 100, false, true}}};

using TStorageRow = std::array<std::string, stCount>;
// The rows of rdbspcinf -d, sizes in KB or MB; false when no line names a
// database space. Throws std::invalid_argument on a size that is not a
// number.
bool ReadStorageUsage(const std::vector<std::string>& lines, bool megabytes, std::vector<TStorageRow>& rows);
// A report size without its unit letter, in KB or in MB with three decimals.
std::string StorageSize(const std::string& text, bool megabytes);
// (size - free) / size as "0.00"; a size of 0 is 0.00.
std::string StorageUsage(const std::string& size, const std::string& free);
// The blue part of a bar cell: round(usage * width); a usage that is not
// a number counts as 0.
int UsageBarWidth(const std::string& usage, int width);
// Where a space's script goes: the one script file, or the folder, with
// "TABLESPACE/" under SubDir, and "<name>.SQL".
std::string StorageScriptPath(bool oneScript, bool subDir, const std::string& target, const std::string& name);
