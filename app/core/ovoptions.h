// ovoptions: the program's option records and their globals, without the
// registry that loads and saves them (ovreg), so that the utility routines
// can read an option without depending on the registry code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Program options, the values of the root key.
struct TovOption {
  int32_t TreeSort = 0;
  bool ShowLevel0 = false;
  bool ShowLevel1 = false;
  // Object kinds shown in the tree; TypeFlag addresses them by index 0-6.
  bool TypeTable = false;
  bool TypeIndex = false;
  bool TypeView = false;
  bool TypeProc = false;
  bool TypeFunc = false;
  bool TypeTrigger = false;
  bool TypeSeq = false;
  uint8_t OpenMode = 0;
  bool UserFirst = false;
  bool TreeData = false;
  bool Progress = false;
  bool RowSelect = false;
  bool DelErr = false;
  bool Find = false;
  bool FindAuto = false;
  bool DefaultAutoQuote = false;
  bool ShowDDL = false;
  bool CloseDDL = false;
  bool BackupData = false;
  bool ShowStorageSource = false;
  bool ShowColumnSource = false;
  bool SaveBeforeSource = false;
  bool SaveBeforeSrcDialog = false;
  bool SaveBeforeSrcRenum = false;
  bool SaveBeforeSrcHead = false;
  std::string SaveBeforeSrcDir;
  bool SaveAfterSource = false;
  bool SaveAfterSrcDialog = false;
  bool SaveAfterSrcRenum = false;
  bool SaveAfterSrcHead = false;
  std::string SaveAfterSrcDir;
  int32_t DataFontSize = 0;
  std::string DataFontName;
  int32_t DataShowMode = 0;
  int32_t DataColWidthV = 0;
  int32_t DataColWidthH = 0;
  bool ShowWhereGrid = false;
  bool WhereAutoQuote = false;
  bool ShowNull = false;
  int32_t DefTopRecord = 0;
  std::string DateFormat;
  std::string Separator;
  int32_t SQLBuf = 0;
  bool UsePartial = false;
  int32_t DiagramFontSize = 0;
  std::string DiagramFontName;
  int32_t GridFontSize = 0;
  std::string GridFontName;
  uint8_t PasteTitle = 0;
  int32_t PasteColumn = 0;
  bool PasteDialog = false;
  std::string FileDir;
  std::string ExcelDir;
  std::string ScrExecDir;
  std::string ExcelSheet;
  std::string ExcelForm;
  int32_t ExcelTop = 0;
  int32_t ExcelLeft = 0;
  std::string ExcelFormMatrix;
  int32_t ExcelMatrixRow = 0;
  int32_t ExcelMatrixCol = 0;
  uint8_t ExcelTitle = 0;
  int32_t ExcelMode = 0;
  bool ExcelRefresh = false;
  bool ExcelDialog = false;
  int32_t CrossLevel = 0;
  int32_t DataGenCommit = 0;
  int32_t OutputBuf = 0;
  bool UpdateToCommit = false;
  bool UpdateMode = false;
  bool ScriptErrStop = false;
  bool ScriptCompDel = false;
  bool UserLowerName = false;
  bool CodeAssist = false;
  std::string TempDir;
  bool AutoCommit = false;
  uint8_t PerformMode = 0;
  int32_t PerformDay = 0;
  bool PerformDialog = false;
  std::string ExcelExt;  // read at start, never saved
  int32_t SleepTime = 0;

  static constexpr int kTypeFlagCount = 7;
  bool& TypeFlag(int index);

  friend bool operator==(const TovOption&, const TovOption&) = default;
};

// Page set-up of text printing, subkey PRINTOPTION.
struct TovPrintOption {
  uint8_t Orientation = 0;
  int32_t LeftMargin = 0;
  int32_t TopMargin = 0;
  int32_t RightMargin = 0;
  int32_t BottomMargin = 0;
  std::string FontName;
  int32_t FontSize = 0;

  friend bool operator==(const TovPrintOption&, const TovPrintOption&) = default;
};

// The script-output setting Schema: when generated SQL names the schema.
inline constexpr int kSchemaAlways = 0;
inline constexpr int kSchemaUnlessLoginUser = 1;
inline constexpr int kSchemaUnlessOwner = 2;
inline constexpr int kSchemaNever = 3;

// Object script output, subkey TEXTOUT.
struct TScriptOption {
  bool OneScript = false;
  bool SubDir = false;
  bool SameName = false;
  std::string Path;
  std::vector<std::string> NameTable;  // "<data source>=<table>" lines
  int32_t Schema = 0;
  bool Index = false;
  bool Insert = false;
  int32_t InsertMode = 0;
  bool Storage = false;
  bool Grant = false;
  int32_t GrantMode = 0;
  bool NullLine = false;

  friend bool operator==(const TScriptOption&, const TScriptOption&) = default;
};

// Backup window defaults, subkey EXPORT.
struct TExpOption {
  std::string ExpFile;
  int32_t Mode = 0;
  std::string OutDsi;
  bool ErrStop = false;

  friend bool operator==(const TExpOption&, const TExpOption&) = default;
};

// Restore window defaults, subkey IMPORT.
struct TImpOption {
  std::string FileName;
  int32_t Mode = 0;
  std::string InDsi;
  std::string WorkDir;

  friend bool operator==(const TImpOption&, const TImpOption&) = default;
};

// Unload and load window defaults, subkey LOADER.
struct TLoadOption {
  int32_t OutFormat = 0;
  std::string OutFile;
  std::string OutDsi;
  int32_t OutDataFormat = 0;
  bool OutNull = false;
  std::string InFile;
  std::string InDsi;
  int32_t IdxMisiyo = 0;
  int32_t InDataFormat = 0;
  bool InNull = false;
  bool DlmEnable = false;
  bool RangeExsist = false;
  std::string DlmChar;
  int32_t QuoteChar = 0;
  bool Error = false;
  int32_t ErrRec = 0;
  std::string ErrFile;

  friend bool operator==(const TLoadOption&, const TLoadOption&) = default;
};

// Subkey STATSPACK, stored and restored only.
struct TStatsOption {
  std::string STATSPACK;
  std::string SQLPLUS;
  std::string REPORT;
  std::string PURGE;
  std::string TRUNCATE;

  friend bool operator==(const TStatsOption&, const TStatsOption&) = default;
};

// SQL-trace analysis, subkey TRACE. PlanPass is held in plain text and
// stored scrambled.
struct TTrcOption {
  std::vector<std::string> Path;
  bool TKPROF = false;
  bool Explan = false;
  std::string PlanUser;
  std::string PlanPass;
  std::string PlanTable;
  bool Aggregate = false;
  bool Sys = false;
  std::string Sort;
  std::string Print;
  std::string TrcPgm;

  friend bool operator==(const TTrcOption&, const TTrcOption&) = default;
};

// Object comparison filter, subkey COMP.
struct TCompOption {
  bool Equrl = false;
  bool NotEqurl = false;
  bool Only1 = false;
  bool Only2 = false;

  friend bool operator==(const TCompOption&, const TCompOption&) = default;
};

// Subkey PERFORM, stored and restored only.
struct TPerformOption {
  double LastAutoSave = 0;  // a date-time

  friend bool operator==(const TPerformOption&, const TPerformOption&) = default;
};

// Database information window, subkey DBINFO.
struct TDbOption {
  std::string RdbFile;
  std::string SysFile;

  friend bool operator==(const TDbOption&, const TDbOption&) = default;
};

// Subkey LOCK, stored and restored only.
struct TLockOption {
  std::vector<std::string> AlertPath;

  friend bool operator==(const TLockOption&, const TLockOption&) = default;
};

// SQL formatter, subkey FORMAT.
struct TFormatOption {
  int32_t Indent = 0;
  int32_t ItemReturn = 0;
  int32_t ReservePos = 0;
  int32_t CommaPos = 0;
  int32_t AndPos = 0;
  int32_t ReserveTrans = 0;
  int32_t ItemTrans = 0;

  friend bool operator==(const TFormatOption&, const TFormatOption&) = default;
};

// Subkey DBTEST, stored and restored only (Password in plain text).
struct TDBTestOption {
  int32_t Session = 0;
  int32_t SpanTime = 0;
  std::string UserId;
  std::string Password;
  bool Error = false;

  friend bool operator==(const TDBTestOption&, const TDBTestOption&) = default;
};

// One keyboard short-cut of a main-window action, subkey SHORTCUT: the value
// name and the short-cut as text ("Ctrl+S"), empty for none.
struct TovShortCut {
  std::string Name;
  std::string Keys;

  friend bool operator==(const TovShortCut&, const TovShortCut&) = default;
};

// One entry of the workspace list, subkey WORKSPACE\<n>.
struct TovWorkSpace {
  int32_t ObjectType = 0;
  std::string Title;
  std::string Schema;
  std::string ObjectName;
  std::string Connect;

  friend bool operator==(const TovWorkSpace&, const TovWorkSpace&) = default;
};

extern TovOption AppOption;
extern std::string OracleHome;
extern TovPrintOption PrintOption;
extern TScriptOption ScriptOption;
extern TExpOption ExpOption;
extern TImpOption ImpOption;
extern TLoadOption LoadOption;
extern TStatsOption StatsOption;
extern TTrcOption TrcOption;
extern TCompOption CompOption;
extern TPerformOption PerformOption;
extern TDbOption DbOption;
extern TLockOption LockOption;
extern TFormatOption FormatOption;
extern TDBTestOption DBTestOption;
// The 68 short-cuts in load order; before LoadOptions they hold the
// short-cuts the actions have in the main window's form.
extern std::vector<TovShortCut> ShortCuts;
extern std::vector<TovWorkSpace> WorkSpaces;

// The short-cuts of the main window's form.
const std::vector<TovShortCut>& DefaultShortCuts();

