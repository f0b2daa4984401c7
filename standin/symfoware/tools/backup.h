// The stand-in's backup and recovery tools: the retained and inhibited
// state of each DSI, kept as marker files in its data-source folder; dump
// files holding a table DSI's rows (or every local catalogue for the
// dictionary); their description; and the recovery from them.
#pragma once

#include <string>
#include <vector>

#include "standin/symfoware/tools/reports.h"

namespace symfoware::tools {

// A tool's arguments: options with and without values, and the bare words.
struct ToolArguments {
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> bare;

  bool Has(const std::string& option) const;
  std::string Value(const std::string& option) const;
};
// Splits argv; the options named in `withValue` take the next word.
ToolArguments ParseToolArguments(int argc, char* argv[], const std::vector<std::string>& withValue);

// A backup or recovery tool by name: rdbrtr, rdbrls, rdbinh, rdbpmt,
// rdbdmp, rdbdmpdic, rdbdvinf, rdbrcv, rdbrcvdic, rdbstop, rdbstart.
bool IsBackupTool(const std::string& tool);
// The options of the tool that take a value.
std::vector<std::string> BackupToolValueOptions(const std::string& tool);
Report RunBackupTool(const std::string& tool, const ToolArguments& args, const std::vector<LocalDatabase>& databases);

// The trimmed lines of a control file that are neither blank nor comments
// ("#"); throws std::runtime_error when it cannot be read.
std::vector<std::string> MeaningfulLines(const std::string& path);

// "NAME@DIR" as a path; any other text as it is.
std::string DumpPath(const std::string& spec);

// The table behind a table DSI "DB.DSI" of a local database.
struct DsiTable {
  const LocalDatabase* database = nullptr;
  std::string dsi;
  std::string schema;
  std::string table;
};
// Throws std::runtime_error with the tool's message when there is none.
DsiTable FindDsiTable(const std::vector<LocalDatabase>& databases, const std::string& target);

}  // namespace symfoware::tools
