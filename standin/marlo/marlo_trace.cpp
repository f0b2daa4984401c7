#include "marlo_trace.h"

#include <string.h>

namespace marlo {

namespace {

// Slots of the statement reply's extension part.
constexpr uint32_t kExtServerData = 4;
constexpr uint32_t kExtOptimizer = 8;
constexpr uint32_t kExtWriteLine = 16;
constexpr uint32_t kExtExecution = 20;
constexpr uint32_t kExtTraceRequest = 32;
constexpr uint32_t kExtDirectory = 52;
// The DISCONNECT reply's extension part: the statistics area at slot 0.
constexpr uint32_t kDiscDirectory = 12;
constexpr uint32_t kDiscStatistics = 0;
// Access-path data: the word at 132 locates a record whose word at 12 is the data's length.
constexpr size_t kApinfSplitAt = 132;
constexpr size_t kApinfLengthAt = 12;
constexpr size_t kWriteLineLength = 4, kWriteLineCut = 8, kWriteLineText = 12;
constexpr size_t kTraceRequestSize = 12;
constexpr uint8_t kCut = 1;

std::vector<uint8_t> length_prefixed(const byte_order& o, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b(sizeof(uint32_t) + data.size());
  o.put32(b.data(), static_cast<uint32_t>(data.size()));
  memcpy(b.data() + sizeof(uint32_t), data.data(), data.size());
  return b;
}

std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

uint32_t statistics_area(const trace_options& t) {
  return static_cast<uint32_t>(t.statistics.size() * sizeof(uint32_t));
}

void add_trace_parts(const trace_options& t, const byte_order& o, const std::string& function, reply* r) {
  if (r->parts.count(kReplyExtension) != 0) return;
  const bool trace_request =
      t.trace_request && (t.trace_request_function.empty() || t.trace_request_function == function);
  const bool any = t.server_data || !t.access_path.empty() || !t.optimizer.empty() || !t.execution.empty() ||
                   !t.write_line.empty() || trace_request;
  if (!any) return;
  part_builder ext(o, kExtDirectory);
  if (t.server_data) {
    std::vector<uint8_t> b(kServerDataWords * sizeof(uint32_t));
    for (size_t i = 0; i < kServerDataWords; ++i) o.put32(b.data() + i * sizeof(uint32_t), t.server_words[i]);
    ext.add(kExtServerData, b);
  }
  if (!t.access_path.empty() || !t.optimizer.empty()) {
    std::vector<uint8_t> section = t.access_path;
    if (section.size() >= kApinfSplitAt + sizeof(uint32_t)) {
      o.put32(section.data() + kApinfSplitAt, 0);
      o.put32(section.data() + kApinfLengthAt, static_cast<uint32_t>(section.size()));
    }
    section.insert(section.end(), t.optimizer.begin(), t.optimizer.end());
    ext.add(kExtOptimizer, length_prefixed(o, section));
  }
  if (!t.write_line.empty()) {
    std::vector<uint8_t> b(kWriteLineText + t.write_line.size(), 0);
    o.put32(b.data() + kWriteLineLength, static_cast<uint32_t>(t.write_line.size()));
    b[kWriteLineCut] = t.write_line_cut ? kCut : 0;
    memcpy(b.data() + kWriteLineText, t.write_line.data(), t.write_line.size());
    ext.add(kExtWriteLine, b);
  }
  if (!t.execution.empty()) ext.add(kExtExecution, length_prefixed(o, bytes(t.execution)));
  if (trace_request) {
    std::vector<uint8_t> b(kTraceRequestSize, 0);
    o.put32(b.data(), t.trace_size);
    o.put32(b.data() + 4, t.trace_count);
    o.put16(b.data() + 8, t.trace_prmsize);
    b[10] = t.trace_mask;
    b[11] = t.trace_mode;
    ext.add(kExtTraceRequest, b);
  }
  r->parts[kReplyExtension] = ext.bytes();
}

void add_statistics(const trace_options& t, const byte_order& o, reply* r) {
  if (t.statistics.empty()) return;
  std::vector<uint8_t> area(statistics_area(t));
  for (size_t i = 0; i < t.statistics.size(); ++i) o.put32(area.data() + i * sizeof(uint32_t), t.statistics[i]);
  part_builder ext(o, kDiscDirectory);
  ext.add(kDiscStatistics, area);
  r->parts[kReplyExtension] = ext.bytes();
}

}  // namespace marlo
