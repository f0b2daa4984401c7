#include "objedit/core/fseqcore.h"

#include <charconv>

#include "app/core/zarur.h"

namespace {

constexpr const char* kNoCache = "0";
constexpr const char* kNoKeepCount = "0";

std::optional<long long> Number(const std::string& text) {
  const std::string trimmed = Trim(text);
  long long value = 0;
  const char* end = trimmed.data() + trimmed.size();
  const auto [ptr, ec] = std::from_chars(trimmed.data(), end, value);
  if (trimmed.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

std::vector<std::string> SequenceCreateLines(const TSequenceDef& def) {
  std::vector<std::string> lines{"CREATE SEQUENCE " + def.SchemaPrefix + QuoteIdent(def.Name)};
  if (!def.Increment.empty()) lines.push_back("INCREMENT BY " + def.Increment);
  if (!def.Start.empty()) lines.push_back("START WITH " + def.Start);
  if (!def.Max.empty()) lines.push_back("MAXVALUE " + def.Max);
  if (!def.Min.empty()) lines.push_back("MINVALUE " + def.Min);
  if (def.Cycle) lines.push_back("CYCLE");
  if (!def.CacheAlloc.empty())
    lines.push_back("CACHE " + def.CacheAlloc + ", " + (def.CacheRetent.empty() ? kNoKeepCount : def.CacheRetent));
  if (def.Order) lines.push_back("ORDER");
  return lines;
}

std::string DropSequenceStatement(const std::string& schema, const std::string& name) {
  return "DROP SEQUENCE " + QuoteIdent(schema) + "." + QuoteIdent(name);
}

std::string CacheShown(const std::string& value) {
  const std::string trimmed = Trim(value);
  return trimmed == kNoCache ? std::string() : trimmed;
}

std::string RecreatedStart(const TSequenceDef& def, const std::string& loadedStart,
                           const std::optional<std::string>& current) {
  if (!current || def.Start != loadedStart) return def.Start;
  const std::optional<long long> now = Number(*current);
  const std::optional<long long> step = Number(def.Increment.empty() ? kDefaultIncrement : def.Increment);
  if (!now || !step) return def.Start;
  long long next = *now + *step;
  const std::optional<long long> min = Number(def.Min), max = Number(def.Max);
  if (def.Cycle && ((max && next > *max) || (min && next < *min))) {
    const std::optional<long long> wrapped = *step > 0 ? min : max;
    if (wrapped) next = *wrapped;
  }
  return std::to_string(next);
}
