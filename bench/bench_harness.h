// bench_harness: what every benchmark shares. Its side and its anchor run
// in turns (BENCH_RUNS times each, 5 by default) so that both see the same
// load of the machine; the medians, their ratio and the spread of the
// paired ratios are printed. `--scale N` multiplies the benchmark's size;
// the cost per unit of each run is kept in a file (BENCH_UNITS, or one in
// the temporary folder) so that the scaled run prints it beside the
// normal run's and warns when it grew. Resident memory of the process, now
// and at its peak, for the goals that name memory.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <malloc.h>

namespace bench {

inline constexpr int kDefaultRuns = 5;
inline constexpr double kGrowthWarning = 1.3;  // cost per unit may grow this much at the larger size
inline constexpr long kKilobyte = 1024;
inline constexpr double kMegabyte = 1024.0 * 1024.0;
inline constexpr char kScaleOption[] = "--scale";

struct TOptions {
  std::string Name;  // the benchmark's, from its program name
  int Scale = 1;
  int Runs = kDefaultRuns;
};

// Takes "--scale N" out of the arguments, so that the rest read as before,
// and BENCH_RUNS from the environment.
inline TOptions ParseOptions(int& argc, char** argv) {
  TOptions options;
  options.Name = std::filesystem::path(argv[0]).filename().string();
  if (const char* runs = std::getenv("BENCH_RUNS")) options.Runs = std::max(1, std::atoi(runs));
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == kScaleOption) {
      options.Scale = i + 1 < argc ? std::atoi(argv[++i]) : 0;
      if (options.Scale < 1) {
        std::fprintf(stderr, "%s: %s needs a positive number\n", options.Name.c_str(), kScaleOption);
        std::exit(2);
      }
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
  return options;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Wall-clock seconds of `work`.
inline double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A field of /proc/self/status in bytes.
inline long StatusBytes(std::string_view field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + field.size()) * kKilobyte;
  return 0;
}
inline long ResidentBytes() { return StatusBytes("VmRSS:"); }
inline long PeakResidentBytes() { return StatusBytes("VmHWM:"); }
// Resident memory once the heap's free pages went back to the system, so
// that what an earlier run freed does not hide the next run's growth.
inline long SettledResidentBytes() {
  malloc_trim(0);
  return ResidentBytes();
}
// Starts a new peak from the present resident size.
inline void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }
inline double Megabytes(double bytes) { return bytes / kMegabyte; }

// A cost in seconds as the unit that reads best.
inline std::string ShownCost(double seconds) {
  constexpr struct {
    double Factor;
    const char* Name;
  } kUnits[] = {{1e9, "ns"}, {1e6, "us"}, {1e3, "ms"}, {1, "s"}};
  constexpr double kMostShown = 1000;
  for (const auto& unit : kUnits) {
    if (seconds * unit.Factor < kMostShown || unit.Factor == 1) {
      char text[32];
      std::snprintf(text, sizeof text, "%.3g %s", seconds * unit.Factor, unit.Name);
      return text;
    }
  }
  return {};
}

// The file where the normal run leaves its costs per unit for the scaled one.
inline std::filesystem::path UnitsFile() {
  const char* file = std::getenv("BENCH_UNITS");
  return file != nullptr && *file != '\0' ? std::filesystem::path(file)
                                          : std::filesystem::temp_directory_path() / "bench_units.txt";
}

inline std::map<std::string, double> ReadUnits() {
  std::map<std::string, double> costs;
  std::ifstream in(UnitsFile());
  for (std::string line; std::getline(in, line);) {
    const size_t tab = line.rfind('\t');
    if (tab != std::string::npos) costs[line.substr(0, tab)] = std::atof(line.c_str() + tab + 1);
  }
  return costs;
}

// Prints the cost per unit of `seconds` over `units` as `name`'s; the
// normal run keeps it under `key` (which names no size), the scaled run
// prints the normal run's beside it and warns when it grew more than
// kGrowthWarning.
inline void PrintPerUnit(const TOptions& options, const std::string& key, const std::string& name, double seconds,
                         double units, const char* unit) {
  const double cost = seconds / units;
  const std::string label = "per " + std::string(unit) + ", " + name;
  if (options.Scale == 1) {
    std::map<std::string, double> costs = ReadUnits();
    costs[options.Name + "/" + key] = cost;
    std::ofstream out(UnitsFile(), std::ios::trunc);
    for (const auto& [name, value] : costs) out << name << '\t' << value << '\n';
    std::printf("    %-30s %s per %s\n", label.c_str(), ShownCost(cost).c_str(), unit);
    return;
  }
  const std::map<std::string, double> costs = ReadUnits();
  const auto normal = costs.find(options.Name + "/" + key);
  if (normal == costs.end() || normal->second <= 0) {
    std::printf("    %-30s %s per %s at %dx (no normal run to compare)\n", label.c_str(), ShownCost(cost).c_str(),
                unit, options.Scale);
    return;
  }
  const double growth = cost / normal->second;
  std::printf("    %-30s %s per %s at 1x, %s at %dx: %.2fx", label.c_str(), ShownCost(normal->second).c_str(), unit,
              ShownCost(cost).c_str(), options.Scale, growth);
  if (growth > kGrowthWarning) std::printf("  WARNING: cost per unit grows more than %.1fx", kGrowthWarning);
  std::printf("\n");
}

// One side of a comparison: a run returns the seconds it measured (wall
// clock or processor, the same for both sides) over `Units` units.
struct TSide {
  std::string Name;
  std::function<double()> Run;
  double Units = 1;
};

struct TComparison {
  std::vector<double> Ours;
  std::vector<double> Anchor;
  double OursMedian = 0;
  double AnchorMedian = 0;
  double Ratio = 0;  // of the medians' costs per unit
  double Lowest = 0;
  double Highest = 0;
};

// Runs both sides in turns, `options.Runs` times each, and prints the
// medians, their ratio, the spread of the runs' ratios and the costs per
// unit. When the sides' units differ the ratios are of costs per unit.
// `label` names no size, so that the scaled run finds the normal run's.
inline TComparison Compare(const TOptions& options, const std::string& label, const TSide& ours,
                           const TSide& anchor, const char* unit, const std::string& goal = {}) {
  TComparison result;
  for (int run = 0; run < options.Runs; ++run) {
    result.Ours.push_back(ours.Run());
    result.Anchor.push_back(anchor.Run());
  }
  const double unitsRatio = anchor.Units / ours.Units;
  result.OursMedian = Median(result.Ours);
  result.AnchorMedian = Median(result.Anchor);
  result.Ratio = result.OursMedian / result.AnchorMedian * unitsRatio;
  std::vector<double> ratios;
  for (size_t i = 0; i < result.Ours.size(); ++i) ratios.push_back(result.Ours[i] / result.Anchor[i] * unitsRatio);
  result.Lowest = *std::min_element(ratios.begin(), ratios.end());
  result.Highest = *std::max_element(ratios.begin(), ratios.end());
  std::printf("%s (x%d, median of %d runs each)\n", label.c_str(), options.Scale, options.Runs);
  std::printf("    %-30s %10.4f s\n", ours.Name.c_str(), result.OursMedian);
  std::printf("    %-30s %10.4f s\n", anchor.Name.c_str(), result.AnchorMedian);
  std::printf("    ratio %.3g  spread %.3g .. %.3g%s%s\n", result.Ratio, result.Lowest, result.Highest,
              goal.empty() ? "" : "  goal ", goal.c_str());
  PrintPerUnit(options, label + ": " + ours.Name, ours.Name, result.OursMedian, ours.Units, unit);
  PrintPerUnit(options, label + ": " + anchor.Name, anchor.Name, result.AnchorMedian, anchor.Units, unit);
  std::fflush(stdout);  // a long benchmark's log shows each comparison as it ends
  return result;
}

}  // namespace bench
