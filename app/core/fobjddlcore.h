// fobjddlcore: the plain rules of opening and scripting objects: the
// arguments an object's editor or script is called with, the GRANT lines
// of an object, and the names of the files of the source history.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ovreg.h"

// What an editor's constructor is handed; the fields a kind does not take
// stay empty.
struct TOpenArgs {
  std::string Schema;
  std::string Name;
  int Kind = 0;
  uint8_t Mode = 0;  // the page to start on: 0 definition, 1 source, 2 data ...
  int TopCount = 0;  // the row limit of a data page
  std::string Table;

  friend bool operator==(const TOpenArgs&, const TOpenArgs&) = default;
};

// What a script constructor is handed.
struct TScriptArgs {
  std::string Schema;
  std::string Name;
  int Kind = 0;
  std::string NewSchema;  // the target of a copy, else empty
  std::string NewName;
  bool IncludeIndexes = false;
  bool IncludeRows = false;  // a table's rows as INSERT statements

  friend bool operator==(const TScriptArgs&, const TScriptArgs&) = default;
};

// The editor kind and the arguments that opening an object passes; none
// for a kind without an editor. Kinds 73 and 74 open the table or index
// named before the first ".".
struct TOpenCall {
  int EditorKind;
  TOpenArgs Args;
};
std::optional<TOpenCall> OpenCallFor(int kind, const std::string& schema, const std::string& name, uint8_t mode,
                                     int topCount);
// The same for writing an object's DDL; none for 73, 74 and unknown kinds.
std::optional<TScriptArgs> ScriptArgsFor(int kind, const std::string& schema, const std::string& name,
                                         const std::string& newSchema, const std::string& newName);

// The object list item whose privileges are written: its image (kind),
// its schema (sub-item 0) and its caption.
struct TGrantItem {
  int Kind = 0;
  std::string Schema;
  std::string Name;
};

// One row of the privilege query.
struct TPrivilegeRow {
  std::string Grantee;
  std::string Privilege;
  std::string IsGrantable;
};

// The GRANT lines of an object, each followed by a separator line; the
// grant option only where the catalogue says the privilege is grantable.
std::vector<std::string> GrantLines(const std::vector<TPrivilegeRow>& rows, const TGrantItem& item,
                                    const std::string& owner, const std::string& userName, int schemaOption,
                                    const std::string& separator);
// The settings of one side of the source history.
struct TSourceHistory {
  bool Enabled = false;
  std::string Dir;
  bool Renumber = false;
  bool Dialog = false;
  bool Head = false;
  std::string DialogTitle;
  std::string HeadText;
};
TSourceHistory BeforeSourceHistory(const TovOption& option);
TSourceHistory AfterSourceHistory(const TovOption& option);

// The folder of an object's history: dir, schema, kind name, each name
// made safe for a file name.
std::string HistoryFolder(const std::string& dir, const std::string& schema, int kind);
// The history file of `base` in `folder`: "<base>.SQL", or with
// renumbering the first "<base>_nn.SQL" (00, 01 ...) that does not exist,
// counting on past 99 so that no file is ever replaced.
std::string HistoryFilePath(const std::string& folder, const std::string& base, bool renumber);
// The name table of a data source from the NameTable setting, ignoring
// case; empty when there is none.
std::string NameTableFor(const std::vector<std::string>& nameTable, const std::string& dataSource);
