#include "objedit/core/fstoragecore.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <stdexcept>
#include <utility>

#include "app/core/fobjectcore.h"
#include "app/core/fobjectreport.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"

namespace {

using Lines = std::vector<std::string>;

// Table-level labels.
constexpr const char* kTypeLabel = "Type          ...... ";
constexpr const char* kTemporaryType = "GLOBAL TEMPORARY";
constexpr const char* kStructureTitle = "Data structure information";
constexpr const char* kStructureTypeLabel = "Type                ...... ";
constexpr const char* kDataPageLabel = "Page size(DATA)     ...... ";
constexpr const char* kPrimePageLabel = "Page size(PRIME)    ...... ";
constexpr const char* kOverflowPageLabel = "Page size(OVERFLOW) ...... ";
constexpr const char* kOrderLabel = "Order               ...... ";
constexpr const char* kOrderOff = "0";
constexpr const char* kPrecedenceLabel = "Precedence          ...... 1";
constexpr const char* kClusterTitle = "Cluster key information";
constexpr const char* kNotUniqueLabel = "Type      ...... NOT UNIQUE";
constexpr const char* kRuleTitle = "Rule information";
constexpr const char* kDivideTitle = "Divide condition";
constexpr const char* kListMark = ")=(";
constexpr const char* kRangeMark = ")BETWEEN(";
constexpr const char* kUsedSpaceTitle = "Used database space information";
constexpr const char* kPreserveNo = "Preserve option    ...... NO";
constexpr const char* kPreserveYes = "Preserve option    ...... YES";
constexpr const char* kDsiTitle = "DSI information";
constexpr const char* kHeading = "No.";
constexpr const char* kYes = "YES";

// DSI blocks. A table block line is "No. n" padded to the label's column.
constexpr const char* kDsiNameLabel = "DSI name ...... ";
constexpr size_t kBlockLabelColumn = 14;  // 0-based: byte 15
constexpr const char* kDivideValueLabel = "Divide value";
constexpr const char* kAlarmTitle = "Alarm information";
constexpr const char* kAlarmLabel = "Alarm point     ...... ";
constexpr const char* kExpandLabel = "expand point    ...... ";
constexpr const char* kAllocationSizeLabel = "allocation size ...... ";
constexpr const char* kStandByTitle = "Stand by Database space information";
constexpr const char* kAllocationTitle = "Allocation information";
constexpr const char* kTargetLabel = "Allocation target ...... ";
constexpr const char* kScopeTitle = "Scope information";
constexpr const char* kBaseDsiTitle = "Base DSI information";
constexpr size_t kBaseDsiItemOffset = 2;  // a heading line comes between
constexpr const char* kDsiDegenerateLabel = "Index degenerate  ...... ";
constexpr const char* kDsiRealignmentLabel = "Index realignment ...... ";

// The index DSO.
constexpr const char* kDsoNameLabel = "DSO name ...... ";
constexpr const char* kBasePageLabel = "Page size(BASE)     ...... ";
constexpr const char* kIndexPageLabel = "Page size(INDEX)    ...... ";
constexpr const char* kDegenerateLabel = "Index degenerate    ...... ";
constexpr const char* kRealignmentLabel = "Index realignment   ...... ";

constexpr const char* kUnitSuffix = "B";
constexpr const char* kKiloUnit = "KB";
// Sizes in KB of the units that are summed across units.
constexpr std::array<std::pair<const char*, long long>, 3> kUnitKilobytes{
    {{"KB", 1}, {"MB", 1024}, {"GB", 1024 * 1024}}};

bool StartsWith(const std::string& line, const char* label) { return line.starts_with(label); }
bool Contains(const std::string& line, const char* label) { return line.find(label) != std::string::npos; }
// The value after a starts-with label, trimmed.
std::string ValueAfter(const std::string& line, const char* label) {
  return Trim(line.substr(std::string(label).size()));
}
// The text after the first blank, trimmed; empty when there is none.
std::string ItemOf(const std::string& line) {
  const size_t blank = line.find(' ');
  return blank == std::string::npos ? std::string() : Trim(line.substr(blank));
}
// The number of a size value ("800(K byte)"), number only.
std::string SizeNumber(const std::string& value) { return Trim(value.substr(0, value.find('('))); }
TStorageSize SizeOf(const std::string& value) {
  const size_t open = value.find('(');
  if (open == std::string::npos) return {Trim(value), kUnitSuffix};
  return {Trim(value.substr(0, open)), Trim(value.substr(open + 1, 1)) + kUnitSuffix};
}

// The report's lines, trimmed; the last line is never part of a section.
class TReport {
 public:
  explicit TReport(const Lines& lines) {
    lines_.reserve(lines.size());
    for (const std::string& line : lines) lines_.push_back(Trim(line));
  }
  const std::string& operator[](size_t i) const { return lines_[i]; }
  size_t Size() const { return lines_.size(); }
  // The end of every section: the last line.
  size_t Last() const { return lines_.empty() ? 0 : lines_.size() - 1; }
  // The first line in [from, to) that matches, or `to`.
  size_t Find(size_t from, size_t to, const std::function<bool(const std::string&)>& match) const {
    for (size_t i = from; i < to; ++i)
      if (match(lines_[i])) return i;
    return to;
  }
  size_t EmptyFrom(size_t from) const {
    return Find(from, Last(), [](const std::string& line) { return line.empty(); });
  }
  // The item lines of the list that starts at `from`, headings skipped.
  Lines Items(size_t from) const {
    Lines items;
    const size_t end = EmptyFrom(from);
    for (size_t i = from; i < end; ++i)
      if (!StartsWith(lines_[i], kHeading)) items.push_back(ItemOf(lines_[i]));
    return items;
  }

 private:
  Lines lines_;
};

long long SizeInteger(const std::string& text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty())
    throw std::runtime_error("'" + text + "' は有効な整数値ではありません。");
  return value;
}
long long KilobytesPer(const std::string& unit) {
  for (const auto& [name, kilobytes] : kUnitKilobytes)
    if (unit == name) return kilobytes;
  throw std::runtime_error("'" + unit + "' は有効な単位ではありません。");
}

// Adds an allocation entry ("SPACE1 1024(K byte)"), summing it into the row
// of the same DSI, kind and space. Sizes of different units are summed in KB.
void AddAllocation(std::vector<TStorageAllocation>& rows, const std::string& dsi, const std::string& kind,
                   const std::string& item) {
  const size_t blank = item.find(' ');
  const std::string space = item.substr(0, blank);
  const TStorageSize size = blank == std::string::npos ? TStorageSize{} : SizeOf(item.substr(blank));
  auto same = std::find_if(rows.begin(), rows.end(), [&](const TStorageAllocation& row) {
    return row.Dsi == dsi && row.Kind == kind && row.Space == space;
  });
  if (same == rows.end()) {
    rows.push_back({dsi, kind, space, size.Value, size.Unit});
    return;
  }
  if (same->Unit == size.Unit) {
    same->Size = std::to_string(SizeInteger(same->Size) + SizeInteger(size.Value));
    return;
  }
  same->Size = std::to_string(SizeInteger(same->Size) * KilobytesPer(same->Unit) +
                              SizeInteger(size.Value) * KilobytesPer(size.Unit));
  same->Unit = kKiloUnit;
}

// Whether the line names the DSI after "DSI name ...... " and nothing else.
bool NamesAfter(const std::string& line, const char* label, const std::string& name) {
  const size_t at = line.find(label);
  return at != std::string::npos && Trim(line.substr(at + std::string(label).size())) == name;
}
// A "No." heading line that carries `label` at the block label's column.
bool HeadingWithLabel(const std::string& line, const char* label) {
  return StartsWith(line, kHeading) && line.size() >= kBlockLabelColumn &&
         line.compare(kBlockLabelColumn, std::string(label).size(), label) == 0;
}
bool IsTableBlockLine(const std::string& line) { return HeadingWithLabel(line, kDsiNameLabel); }
bool IsTableBlockOf(const std::string& line, const std::string& name) {
  return IsTableBlockLine(line) && Trim(line.substr(kBlockLabelColumn + std::string(kDsiNameLabel).size())) == name;
}
bool IsIndexBlockLine(const std::string& line) { return Contains(line, kDsiNameLabel); }

// Reads the blocks of one DSI into its row and the allocation rows.
class TBlockReader {
 public:
  TBlockReader(const TReport& report, bool index, std::vector<TStorageAllocation>& allocations)
      : r_(report), index_(index), allocations_(allocations) {}

  void Read(size_t from, TStorageDsi& row) {
    const auto isBlockLine = index_ ? IsIndexBlockLine : IsTableBlockLine;
    for (size_t i = from; i < r_.Last(); ++i) {
      const bool ofThisDsi = index_ ? NamesAfter(r_[i], kDsiNameLabel, row.Name) : IsTableBlockOf(r_[i], row.Name);
      if (!ofThisDsi) continue;
      const size_t end = r_.Find(i + 1, r_.Last(), isBlockLine);
      ReadBlock(i + 1, end, row);
      i = end - 1;
    }
    if (index_) row.Option = OptionOf(realignment_, degenerate_);
  }

  static std::string OptionOf(const std::string& realignment, const std::string& degenerate) {
    if (realignment == kYes) return kIndexRealignment;
    return degenerate == kYes ? kIndexDegenerate : kIndexNoOption;
  }

 private:
  void ReadBlock(size_t from, size_t end, TStorageDsi& row) {
    for (size_t i = from; i < end; ++i) {
      const std::string& line = r_[i];
      if (!index_ && Contains(line, kDivideValueLabel) && i + 1 < r_.Last()) {
        const std::string& next = r_[i + 1];
        const size_t open = next.find('(');
        const size_t close = open == std::string::npos ? open : next.find(')', open);
        if (close != std::string::npos) row.DivideValue = Trim(next.substr(open + 1, close - open - 1));
      } else if (Contains(line, kAlarmTitle)) {
        i = ReadAlarm(i + 1, std::min(end, r_.EmptyFrom(i + 1)), row) - 1;
      } else if (index_ ? StartsWith(line, kAllocationTitle) : Contains(line, kAllocationTitle)) {
        // The section also ends at a second allocation title, which would
        // otherwise count its entries twice; the scope inside stays visible.
        const size_t stop = r_.Find(
            i + 1, end, [](const std::string& l) { return Contains(l, kAlarmTitle) || Contains(l, kAllocationTitle); });
        ReadAllocations(i + 1, stop, row.Name);
      } else if (!index_ && Contains(line, kScopeTitle)) {
        const Lines scopes = r_.Items(i + 1);
        if (!scopes.empty()) row.Scope = scopes.front();
      } else if (index_ && StartsWith(line, kBaseDsiTitle) && i + kBaseDsiItemOffset < r_.Last()) {
        row.TableDsi = ItemOf(r_[i + kBaseDsiItemOffset]);
      } else if (index_ && StartsWith(line, kDsiDegenerateLabel)) {
        degenerate_ = ValueAfter(line, kDsiDegenerateLabel);
      } else if (index_ && StartsWith(line, kDsiRealignmentLabel)) {
        realignment_ = ValueAfter(line, kDsiRealignmentLabel);
      }
    }
  }

  size_t ReadAlarm(size_t from, size_t end, TStorageDsi& row) {
    for (size_t i = from; i < end; ++i) {
      const std::string& line = r_[i];
      if (StartsWith(line, kAlarmLabel)) {
        row.Alarm = SizeOf(ValueAfter(line, kAlarmLabel));
      } else if (StartsWith(line, kExpandLabel)) {
        row.Expand = SizeOf(ValueAfter(line, kExpandLabel));
      } else if (StartsWith(line, kAllocationSizeLabel)) {
        row.Allocation = SizeOf(ValueAfter(line, kAllocationSizeLabel));
      } else if (StartsWith(line, kStandByTitle)) {
        for (const std::string& space : r_.Items(i + 1))
          allocations_.push_back({row.Name, kAllocExpand, space, {}, {}});
      }
    }
    return end;
  }

  void ReadAllocations(size_t from, size_t end, const std::string& dsi) {
    std::string kind;
    for (size_t i = from; i < end; ++i) {
      const std::string& line = r_[i];
      if (HeadingWithLabel(line, kTargetLabel)) {
        kind = Trim(line.substr(kBlockLabelColumn + std::string(kTargetLabel).size()));
      } else if (index_ ? StartsWith(line, kUsedSpaceTitle) : Contains(line, kUsedSpaceTitle)) {
        for (const std::string& item : r_.Items(i + 1)) AddAllocation(allocations_, dsi, kind, item);
      }
    }
  }

  const TReport& r_;
  bool index_;
  std::vector<TStorageAllocation>& allocations_;
  std::string degenerate_;
  std::string realignment_;
};

// The table-level labels, read up to the DSI section.
struct TTableLevel {
  TTableStorage Storage;
  std::string Type;
  std::string StructureType;
  TPartitioning Partitioning = TPartitioning::None;
  bool InStructure = false;
  bool InDivide = false;
  bool DivideFound = false;
  std::vector<std::string> ClusterColumns;
  std::optional<std::string> OrderValue;
};

void ReadTableLine(const TReport& r, size_t i, TTableLevel& t) {
  const std::string& line = r[i];
  if (StartsWith(line, kTypeLabel)) {
    t.Type = ValueAfter(line, kTypeLabel);
    return;
  }
  const bool temporary = t.Type == kTemporaryType;
  if (temporary) {
    if (StartsWith(line, kUsedSpaceTitle)) {
      for (const std::string& item : r.Items(i + 1)) {
        const size_t blank = item.find(' ');
        t.Storage.TemporarySpaces.push_back(
            {Trim(item.substr(0, blank)), blank == std::string::npos ? std::string() : Trim(item.substr(blank))});
      }
    } else if (Contains(line, kPreserveNo)) {
      t.Storage.PreserveRows = false;
    } else if (Contains(line, kPreserveYes)) {
      t.Storage.PreserveRows = true;
    }
    return;
  }
  if (StartsWith(line, kStructureTitle)) {
    t.InStructure = true;
    t.InDivide = false;
  } else if (StartsWith(line, kDivideTitle)) {
    t.InDivide = true;
    t.InStructure = false;
  } else if (t.InDivide && !t.DivideFound && (Contains(line, kListMark) || Contains(line, kRangeMark))) {
    t.DivideFound = true;
    t.Partitioning = Contains(line, kListMark) ? TPartitioning::List : TPartitioning::Range;
    t.Storage.DivideColumns = Trim(line.substr(1, line.find(')') - 1));
  } else if (t.InStructure) {
    TTableStorage& s = t.Storage;
    if (StartsWith(line, kStructureTypeLabel)) {
      t.StructureType = ValueAfter(line, kStructureTypeLabel);
    } else if (StartsWith(line, kDataPageLabel)) {
      s.DataPageSize = SizeNumber(ValueAfter(line, kDataPageLabel));
    } else if (StartsWith(line, kPrimePageLabel)) {
      s.PrimePageSize = ValueAfter(line, kPrimePageLabel);
    } else if (StartsWith(line, kOverflowPageLabel)) {
      s.OverflowPageSize = ValueAfter(line, kOverflowPageLabel);
    } else if (StartsWith(line, kOrderLabel)) {
      t.OrderValue = ValueAfter(line, kOrderLabel);
    } else if (Contains(line, kPrecedenceLabel)) {
      s.Precedence = true;
    } else if (StartsWith(line, kClusterTitle)) {
      for (size_t j = i + 1; j < r.EmptyFrom(i + 1); ++j) {
        if (StartsWith(r[j], kNotUniqueLabel))
          s.NotUnique = true;
        else if (!StartsWith(r[j], kHeading))
          t.ClusterColumns.push_back(ItemOf(r[j]));
      }
    } else if (StartsWith(line, kRuleTitle) && i + 1 < r.Last()) {
      s.Rule = r[i + 1];
    }
  }
}

TStorageDsi DsiNamed(const std::string& name) {
  TStorageDsi row;
  row.Name = name;
  return row;
}

std::string Joined(const std::vector<std::string>& items, const std::string& separator = ", ") {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

size_t DsiSectionStart(const TReport& r) {
  const size_t at = r.Find(0, r.Size(), [](const std::string& line) { return StartsWith(line, kDsiTitle); });
  return at;
}

}  // namespace

int StorageKindOf(const std::string& structureType, TPartitioning partitioning) {
  const int step = partitioning == TPartitioning::None ? 0 : partitioning == TPartitioning::List ? 1 : 2;
  if (structureType == "SEQUENTIAL") return kStorageSequential + step;
  if (structureType == "RANDOM") return kStorageRandom + step;
  if (structureType == "OBJECT") return kStorageObject;
  return kStorageTemporary;
}

std::optional<TTableStorage> ReadTableStorage(const std::vector<std::string>& lines) {
  const std::optional<std::string> dso = BaseDsoName(lines);
  if (!dso) return std::nullopt;
  const TReport r(lines);
  const size_t found = DsiSectionStart(r);
  TTableLevel t;
  t.Storage.DsoName = *dso;
  for (size_t i = 0; i < std::min(found, r.Last()); ++i) ReadTableLine(r, i, t);
  TTableStorage& s = t.Storage;
  s.Order = t.OrderValue != kOrderOff;
  s.ClusterKey = Joined(t.ClusterColumns);
  s.Kind = StorageKindOf(t.StructureType, t.Partitioning);

  const size_t dsiStart = found == r.Size() ? 0 : found;
  if (found != r.Size()) {
    for (const std::string& name : r.Items(dsiStart + 1)) s.Dsis.push_back(DsiNamed(name));
  }
  TBlockReader blocks(r, false, s.Allocations);
  for (TStorageDsi& row : s.Dsis) blocks.Read(dsiStart, row);
  return s;
}

TIndexStorage ReadIndexStorage(const std::vector<std::string>& lines, const std::string& dsoName) {
  const TReport r(lines);
  size_t start = 0;
  for (size_t i = 0; i < r.Size(); ++i)
    if (NamesAfter(r[i], kDsoNameLabel, dsoName)) start = i;
  TIndexStorage s;
  s.DsoName = dsoName;
  std::string degenerate;
  std::string realignment;
  size_t listEnd = r.Size();
  for (size_t i = start; i < r.Last(); ++i) {
    const std::string& line = r[i];
    if (StartsWith(line, kBasePageLabel)) {
      s.BasePageSize = ValueAfter(line, kBasePageLabel);
    } else if (StartsWith(line, kIndexPageLabel)) {
      s.IndexPageSize = ValueAfter(line, kIndexPageLabel);
    } else if (StartsWith(line, kDegenerateLabel)) {
      degenerate = ValueAfter(line, kDegenerateLabel);
    } else if (StartsWith(line, kRealignmentLabel)) {
      realignment = ValueAfter(line, kRealignmentLabel);
    } else if (StartsWith(line, kDsiTitle)) {
      for (const std::string& name : r.Items(i + 1)) s.Dsis.push_back(DsiNamed(name));
      listEnd = r.EmptyFrom(i + 1);
      break;
    }
  }
  s.Option = TBlockReader::OptionOf(realignment, degenerate);
  for (TStorageDsi& row : s.Dsis) TBlockReader(r, true, s.Allocations).Read(listEnd, row);
  return s;
}

std::vector<std::string> ReadDsiList(const std::vector<std::string>& lines) {
  const TReport r(lines);
  const size_t title = DsiSectionStart(r);
  std::vector<std::string> names;
  if (title == r.Size()) return names;
  for (const std::string& name : r.Items(title + 1))
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  return names;
}

namespace {

// Runs the table's report on a local connection and hands its lines on.
TReportResult WithTableReport(TovConnectionWindow& window, const std::string& schema, const std::string& table,
                              const std::function<void(const std::vector<std::string>&)>& read) {
  if (window.IsRemote()) return TReportResult::Skipped;
  bool ok = false;
  const std::vector<std::string> lines = TableReport(window, table, TableReportControl(schema, table), ok);
  if (!ok) return TReportResult::Failed;
  read(lines);
  return TReportResult::Read;
}

}  // namespace

TReportResult LoadTableStorage(TovConnectionWindow& window, const std::string& schema, const std::string& table,
                               std::optional<TTableStorage>& storage) {
  return WithTableReport(window, schema, table,
                         [&](const std::vector<std::string>& lines) { storage = ReadTableStorage(lines); });
}

TReportResult LoadIndexStorage(TovConnectionWindow& window, const std::string& schema, const std::string& table,
                               const std::string& dsoName, TIndexStorage& storage) {
  return WithTableReport(window, schema, table,
                         [&](const std::vector<std::string>& lines) { storage = ReadIndexStorage(lines, dsoName); });
}

TReportResult LoadDsiList(TovConnectionWindow& window, const std::string& tableSchema, const std::string& table,
                          std::vector<std::string>& names) {
  names.clear();
  const std::string schema = Trim(tableSchema);
  const std::string name = Trim(table);
  if (schema.empty() || name.empty()) return TReportResult::Skipped;
  return WithTableReport(window, schema, name,
                         [&](const std::vector<std::string>& lines) { names = ReadDsiList(lines); });
}

namespace {

// Continuation lines of an allocation list line up under the first space.
constexpr size_t kDataIndent = 17;
constexpr size_t kPrimeIndent = 21;
constexpr size_t kOverflowIndent = 13;
constexpr size_t kIndexIndent = 10;

std::string UnitLetter(const std::string& unit) {
  if (unit == "KB") return "K";
  if (unit == "MB") return "M";
  return {};
}
std::string Sized(const std::string& size, const std::string& unit) { return size + UnitLetter(unit); }

// The columns of a divide-column or cluster-key edit, each quoted: pieces
// before a comma are kept even when blank, the last one only when not.
std::vector<std::string> EditColumns(const std::string& text) {
  std::vector<std::string> columns;
  size_t from = 0;
  for (size_t comma = text.find(','); comma != std::string::npos; comma = text.find(',', from)) {
    columns.push_back(QuoteIdent(Trim(text.substr(from, comma - from))));
    from = comma + 1;
  }
  const std::string last = Trim(text.substr(from));
  if (!last.empty()) columns.push_back(QuoteIdent(last));
  return columns;
}

bool IsBlank(const std::string& text) { return Trim(text).empty(); }

// The allocation lines of one kind: the first with its head, each further
// one indented under it.
void AddAllocationLines(const std::vector<TStorageAllocation>& rows, const std::string& dsi, const char* kind,
                        const std::string& head, size_t indent, std::vector<std::string>& out) {
  bool first = true;
  for (const TStorageAllocation& row : rows) {
    if (row.Dsi != dsi || row.Kind != kind) continue;
    out.push_back((first ? head : std::string(indent, ' ')) + row.Space + " SIZE " + Sized(row.Size, row.Unit));
    first = false;
  }
}

std::string ExpansionLine(const std::vector<TStorageAllocation>& rows, const TStorageDsi& dsi) {
  std::vector<std::string> spaces;
  for (const TStorageAllocation& row : rows)
    if (row.Dsi == dsi.Name && row.Kind == kAllocExpand) spaces.push_back(row.Space);
  if (spaces.empty()) return ",FORMAT EXPAND OFF";
  std::string line = ",FORMAT EXPAND ON " + Joined(spaces);
  if (!IsBlank(dsi.Alarm.Value)) line += " ALARM " + Sized(dsi.Alarm.Value, dsi.Alarm.Unit);
  if (!IsBlank(dsi.Expand.Value)) line += " CAPACITY " + Sized(dsi.Expand.Value, dsi.Expand.Unit);
  return line + " SIZE " + Sized(dsi.Allocation.Value, dsi.Allocation.Unit);
}

std::string TableTypeLine(const TTableStorage& s) {
  switch (s.Kind) {
    case kStorageSequential:
    case kStorageSequentialList:
    case kStorageSequentialRange:
      return "TYPE SEQUENTIAL(PAGESIZE(" + s.DataPageSize + ")" + (s.Order ? ", ORDER(1)" : ", ORDER(0)") +
             (s.Precedence ? ", PRECEDENCE(1))" : ")");
    case kStorageObject:
      return "TYPE OBJECT(PAGESIZE(" + s.DataPageSize + "))";
    default: {
      std::string line = "TYPE RANDOM(PAGESIZE1(" + s.PrimePageSize + ")" + ", PAGESIZE2(" + s.OverflowPageSize + ")";
      const std::vector<std::string> cluster = EditColumns(s.ClusterKey);
      if (!cluster.empty()) line += ", CLUSTER (" + Joined(cluster) + ")" + (s.NotUnique ? " NOT UNIQUE" : "");
      if (!IsBlank(s.Rule)) line += ", RULE(" + Trim(s.Rule) + ")";
      return line + ")";
    }
  }
}

bool IsPartitioned(int kind) {
  return kind == kStorageSequentialList || kind == kStorageSequentialRange || kind == kStorageRandomList ||
         kind == kStorageRandomRange;
}
bool IsRangePartitioned(int kind) { return kind == kStorageSequentialRange || kind == kStorageRandomRange; }

}  // namespace

void BuildTableStorageDDL(const TTableStorage& s, const std::string& schemaPrefix, const std::string& name,
                          const std::string& separator, std::vector<std::string>& out) {
  if (s.Kind <= kStorageDefault || s.Kind >= kStorageTemporary) return;
  const std::string dso = Trim(s.DsoName);
  if (!dso.empty()) {
    out.push_back("CREATE DSO " + QuoteIdent(dso));
    // The prefix is quoted already; quoting it again would break a lower-case
    // schema.
    out.push_back("FROM " + Trim(schemaPrefix) + QuoteIdent(Trim(name)));
    out.push_back(TableTypeLine(s));
    const std::vector<std::string> divide = EditColumns(s.DivideColumns);
    if (IsPartitioned(s.Kind) && !divide.empty()) {
      const std::string marks = "(" + Joined(std::vector<std::string>(divide.size(), "?")) + ")";
      const std::string columns = "WHERE (" + Joined(divide) + ")";
      out.push_back(IsRangePartitioned(s.Kind) ? columns + " BETWEEN " + marks + " AND " + marks
                                               : columns + " = " + marks);
    }
    out.push_back(separator);
  }
  std::vector<std::string> scopes;
  for (const TStorageDsi& dsi : s.Dsis) {
    if (IsBlank(dsi.Name)) continue;
    out.push_back("CREATE DSI " + dsi.Name + " DSO " + (dso.empty() ? dso : QuoteIdent(dso)));
    if (!IsBlank(dsi.DivideValue)) out.push_back("USING (" + dsi.DivideValue + ")");
    AddAllocationLines(s.Allocations, dsi.Name, kAllocData, "ALLOCATE DATA ON ", kDataIndent, out);
    AddAllocationLines(s.Allocations, dsi.Name, kAllocPrime, "ALLOCATE    PRIME ON ", kPrimeIndent, out);
    AddAllocationLines(s.Allocations, dsi.Name, kAllocOverflow, ",OVERFLOW ON ", kOverflowIndent, out);
    out.push_back(ExpansionLine(s.Allocations, dsi));
    out.push_back(separator);
    if (!IsBlank(dsi.Scope) && std::find(scopes.begin(), scopes.end(), dsi.Scope) == scopes.end())
      scopes.push_back(dsi.Scope);
  }
  for (const std::string& scope : scopes) {
    std::vector<std::string> members;
    for (const TStorageDsi& dsi : s.Dsis)
      if (!IsBlank(dsi.Name) && dsi.Scope == scope) members.push_back(dsi.Name);
    out.push_back("DROP SCOPE " + scope);
    out.push_back(separator);
    out.push_back("CREATE SCOPE " + scope + " DSI(" + Joined(members) + ")");
    out.push_back(separator);
  }
}

void BuildIndexStorageDDL(const TIndexStorage& s, const std::string& tableSchema, const std::string& table,
                          const std::vector<std::string>& keyColumns, const std::vector<std::string>& tableDsis,
                          const std::string& separator, std::vector<std::string>& out) {
  std::vector<std::string> keys;
  for (const std::string& column : keyColumns) keys.push_back(QuoteIdent(column));
  out.push_back("CREATE DSO " + QuoteIdent(s.DsoName));
  out.push_back("INDEX ON " + QuoteIdent(Trim(tableSchema)) + "." + QuoteIdent(Trim(table)) + "(" + Joined(keys) + ")");
  const std::string option = s.Option == kIndexRealignment  ? ", REALIGNMENT"
                             : s.Option == kIndexDegenerate ? ", DEGENERATE"
                                                            : "";
  out.push_back("TYPE BTREE(PAGESIZE1(" + s.BasePageSize + "), PAGESIZE2(" + s.IndexPageSize + ")" + option + ")");
  for (const TStorageDsi& dsi : s.Dsis) {
    if (IsBlank(dsi.Name)) continue;
    out.push_back(separator);
    out.push_back("CREATE DSI " + QuoteIdent(dsi.Name) + " INDEX DSO " + QuoteIdent(s.DsoName));
    if (dsi.Option == kIndexRealignment) out.push_back("OPTION(REALIGNMENT)");
    if (dsi.Option == kIndexDegenerate) out.push_back("OPTION(DEGENERATE)");
    if (tableDsis.size() > 1) out.push_back("BASE " + dsi.TableDsi);
    AddAllocationLines(s.Allocations, dsi.Name, kAllocBase, "ALLOCATE BASE ON ", kDataIndent, out);
    AddAllocationLines(s.Allocations, dsi.Name, kAllocIndex, ",INDEX ON ", kIndexIndent, out);
    out.push_back(ExpansionLine(s.Allocations, dsi));
  }
}

bool TableStorageWanted(bool scriptMode) { return scriptMode ? ScriptOption.Storage : AppOption.ShowStorageSource; }
