#include "app/core/ovoptions.h"

const std::vector<TovShortCut>& DefaultShortCuts() {
  static const std::vector<TovShortCut> defaults = {
      {"DBCommit", ""},          {"DBRollback", ""},        {"DBLogon", ""},          {"DBLogoff", ""},
      {"FileExit", ""},          {"EditUndo", "Ctrl+Z"},    {"EditRedo", "Ctrl+Y"},   {"EditCut", "Ctrl+X"},
      {"EditCopy", "Ctrl+C"},    {"EditPaste", "Ctrl+V"},   {"EditDelete", ""},       {"EditSelectAll", "Ctrl+A"},
      {"EditSelectMode", ""},    {"EditFind", "Ctrl+F"},    {"EditFindNext", "F3"},   {"EditFindPrev", "Shift+F3"},
      {"EditReplace", "Ctrl+R"}, {"EditJump", "Ctrl+G"},    {"EditFormat", ""},       {"EditComment", "Ctrl+-"},
      {"EditUpperCase", ""},     {"EditLowerCase", ""},     {"EditIndentF", ""},      {"EditIndentR", ""},
      {"EditMacroSave", ""},     {"EditMacroExec", ""},     {"EditOpen", ""},         {"ObjectNew", ""},
      {"ObjectOpen", ""},        {"ObjectOpenDefine", ""},  {"ObjectOpenSource", ""}, {"ObjectOpenData", ""},
      {"ObjectOpenDataTop", ""}, {"ObjectExec", ""},        {"ObjectCompile", ""},    {"ObjectScript", ""},
      {"ObjectPrint", ""},       {"ObjectSynonym", ""},     {"ObjectCross", ""},      {"ObjectMatrix", ""},
      {"ObjectGrant", ""},       {"ObjectAnalyze", ""},     {"ObjectDelete", "Del"},  {"ObjectGrep", ""},
      {"ObjectExport", ""},      {"ObjectLoad", ""},        {"ViewSQL", "Ctrl+S"},    {"ViewScript", ""},
      {"ViewTemplate", "Ctrl+J"}, {"AdminUser", ""},        {"AdminStorage", ""},     {"AdminSession", ""},
      {"AdminLock", ""},         {"AdminJob", ""},          {"AdminDatabase", ""},    {"AdminPerform", ""},
      {"AdminExport", ""},       {"AdminImport", ""},       {"AdminLoad", ""},        {"AdminStatsPack", ""},
      {"ToolCommandSetup", ""},  {"ToolReportSetup", ""},   {"ToolOption", ""},       {"ViewComp", ""},
      {"ToolIndexAdviser", ""},  {"ToolDBTest", ""},        {"ToolEditorOption", ""}, {"ToolScriptOption", ""},
  };
  return defaults;
}

TovOption AppOption;
std::string OracleHome;
TovPrintOption PrintOption;
TScriptOption ScriptOption;
TExpOption ExpOption;
TImpOption ImpOption;
TLoadOption LoadOption;
TStatsOption StatsOption;
TTrcOption TrcOption;
TCompOption CompOption;
TPerformOption PerformOption;
TDbOption DbOption;
TLockOption LockOption;
TFormatOption FormatOption;
TDBTestOption DBTestOption;
std::vector<TovShortCut> ShortCuts = DefaultShortCuts();
std::vector<TovWorkSpace> WorkSpaces;
