// objtoolcore: the plain rules of the connection window's three object-tool
// dialogs: the stored schema filter, the statistics command and the word
// the search dialog answers.
#pragma once

#include <string>
#include <vector>

// ---- schema filter ----

// The registry value "Schema" under OBJECTTREE\<data source>.
inline constexpr const char* kSchemaFilterValue = "Schema";
// The checked names in list order, each ended by CR LF.
std::string SchemaFilterText(const std::vector<std::string>& names);

// ---- statistics ----

inline constexpr const char* kRdbupsTool = "rdbups";

// The unit of "最適化の単位".
enum class TAnalyzeUnit { Table, Dso, Dsi };

struct TRdbupsTarget {
  TAnalyzeUnit Unit = TAnalyzeUnit::Table;
  std::string DataSource;
  std::string Schema;  // empty: none
  std::string Name;    // empty: the enabled combo's text names the target
  std::string ComboText;
  bool Recovery = false;
};
// "rdbups -t|-g|-i <DS>.[<schema>.]<name>[ -R]", the target quoted so that
// the runner splits it back as one argument.
std::string RdbupsCommand(const TRdbupsTarget& target);

// ---- search ----

// The word the search dialog returns: upper-cased, wide letters included,
// unless the search keeps case.
std::string GrepWord(const std::string& text, bool caseSensitive);
// True when the word holds something besides blanks.
bool GrepWordGiven(const std::string& text);
