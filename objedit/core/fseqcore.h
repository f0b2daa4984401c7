// fseqcore: the plain rules of the sequence editor: its CREATE and DROP
// texts, the first value of a sequence made again, and its texts.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/ovkinds.h"

inline constexpr int kSequenceKind = okSequence;

// What the definition page holds; empty texts leave their clause out.
struct TSequenceDef {
  std::string SchemaPrefix;  // quoted schema and ".", or empty
  std::string Name;
  std::string Start;
  std::string Min;
  std::string Max;
  std::string Increment;
  bool Cycle = false;
  bool Order = false;
  std::string CacheAlloc;
  std::string CacheRetent;
};
// "CREATE SEQUENCE", then one line per clause; no separator.
std::vector<std::string> SequenceCreateLines(const TSequenceDef& def);
std::string DropSequenceStatement(const std::string& schema, const std::string& name);

// A catalogue value shown in a cache field: "0" means none and shows empty.
std::string CacheShown(const std::string& value);

// The START WITH of a sequence dropped and made again from the definition
// page: with its first value as loaded and its current value known, the
// value NEXTVAL would give next (wrapping like NEXTVAL under CYCLE), so no
// number is handed out twice; otherwise the first value as typed.
std::string RecreatedStart(const TSequenceDef& def, const std::string& loadedStart,
                           const std::optional<std::string>& current);

inline constexpr const char* kSequenceStem = "SEQUENCE - ";
inline constexpr const char* kSequenceSizeKey = "SEQ";
inline constexpr const char* kUnknownCurrent = "(不明)";
inline constexpr const char* kDefaultStart = "1";
inline constexpr const char* kDefaultMin = "1";
inline constexpr const char* kDefaultMax = "999999999999999999";
inline constexpr const char* kDefaultIncrement = "1";
// The catalogue's flag of CYCLE and ORDER.
inline constexpr const char* kSequenceFlagOn = "Y";
