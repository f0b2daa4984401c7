#include "app/core/ovreg.h"

#include <algorithm>
#include <functional>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "editor/core/EditorProp.h"

namespace {
constexpr const char* kGuiSubKey = "GUI\\";
constexpr const char* kLeftValue = "Left";
constexpr const char* kTopValue = "Top";
constexpr const char* kWidthValue = "Width";
constexpr const char* kHeightValue = "Height";
}  // namespace

std::string OptionKey(const std::string& subkey) {
  return subkey.empty() ? std::string(kOptionKey) : std::string(kOptionKey) + "\\" + subkey;
}

std::string GuiKey(const std::string& name) { return OptionKey(kGuiSubKey + name); }

TWindowSize ReadWindowSize(const TovRegistry& reg, const TWindowSize& current, const TWindowSize& minimum) {
  const auto read = [&reg](const char* name, int32_t fallback, int32_t least) {
    const int32_t value = reg.ReadIntegerDef(name, fallback);
    return value < least ? fallback : value;
  };
  return {read(kWidthValue, current.Width, minimum.Width), read(kHeightValue, current.Height, minimum.Height)};
}

void WriteWindowSize(TovRegistry& reg, const TWindowSize& size) {
  reg.WriteInteger(kWidthValue, size.Width);
  reg.WriteInteger(kHeightValue, size.Height);
}

TWindowBounds ReadWindowBounds(const TovRegistry& reg, const TWindowBounds& current) {
  const TWindowSize size = ReadWindowSize(reg, {current.Width, current.Height});
  return {reg.ReadIntegerDef(kLeftValue, current.Left), reg.ReadIntegerDef(kTopValue, current.Top), size.Width,
          size.Height};
}

void WriteWindowBounds(TovRegistry& reg, const TWindowBounds& bounds) {
  reg.WriteInteger(kLeftValue, bounds.Left);
  reg.WriteInteger(kTopValue, bounds.Top);
  WriteWindowSize(reg, {bounds.Width, bounds.Height});
}

// ---- TovRegistry ----

TovRegistry AppRegistry;

bool TovRegistry::ReadBoolDef(const std::string& name, bool def) const {
  try {
    return ReadBool(name);
  } catch (const platform::RegistryError&) {
    return def;
  }
}

double TovRegistry::ReadFloatDef(const std::string& name, double def) const {
  try {
    return ReadFloat(name);
  } catch (const platform::RegistryError&) {
    return def;
  }
}

int32_t TovRegistry::ReadIntegerDef(const std::string& name, int32_t def) const {
  try {
    return ReadInteger(name);
  } catch (const platform::RegistryError&) {
    return def;
  }
}

std::string TovRegistry::ReadStringDef(const std::string& name, const std::string& def) const {
  try {
    std::string value = ReadString(name);
    return value.empty() ? def : value;
  } catch (const platform::RegistryError&) {
    return def;
  }
}

bool& TovOption::TypeFlag(int index) {
  bool* flags[kTypeFlagCount] = {&TypeTable, &TypeIndex, &TypeView, &TypeProc, &TypeFunc, &TypeTrigger, &TypeSeq};
  return *flags[index];
}

// ---- string lists ----

std::string ListToText(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> TextToList(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

namespace {

// ---- field tables: one row per registry value, in the stored order ----

template <class R>
struct Field {
  std::function<void(const TovRegistry&, R&)> load;
  std::function<void(TovRegistry&, const R&)> save;  // empty: read only
};

template <class R>
Field<R> Bool(const char* name, bool R::*m, bool def) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = reg.ReadBoolDef(name, def); },
          [=](TovRegistry& reg, const R& r) { reg.WriteBool(name, r.*m); }};
}

template <class R>
Field<R> Int(const char* name, int32_t R::*m, int32_t def) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = reg.ReadIntegerDef(name, def); },
          [=](TovRegistry& reg, const R& r) { reg.WriteInteger(name, r.*m); }};
}

// An enumeration held in one byte, stored as a DWORD.
template <class R>
Field<R> Byte(const char* name, uint8_t R::*m, uint8_t def) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = static_cast<uint8_t>(reg.ReadIntegerDef(name, def)); },
          [=](TovRegistry& reg, const R& r) { reg.WriteInteger(name, r.*m); }};
}

template <class R>
Field<R> Str(const char* name, std::string R::*m, std::string def = {}) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = reg.ReadStringDef(name, def); },
          [=](TovRegistry& reg, const R& r) { reg.WriteString(name, r.*m); }};
}

template <class R>
Field<R> LoadOnlyStr(const char* name, std::string R::*m) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = reg.ReadStringDef(name, {}); }, nullptr};
}

template <class R>
Field<R> List(const char* name, std::vector<std::string> R::*m) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = TextToList(reg.ReadStringDef(name, {})); },
          [=](TovRegistry& reg, const R& r) { reg.WriteString(name, ListToText(r.*m)); }};
}

template <class R>
Field<R> Float(const char* name, double R::*m, double def) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = reg.ReadFloatDef(name, def); },
          [=](TovRegistry& reg, const R& r) { reg.WriteFloat(name, r.*m); }};
}

// A password held in plain text and stored scrambled.
template <class R>
Field<R> Scrambled(const char* name, std::string R::*m) {
  return {[=](const TovRegistry& reg, R& r) { r.*m = UnscramblePassword(reg.ReadStringDef(name, {})); },
          [=](TovRegistry& reg, const R& r) { reg.WriteString(name, ScramblePassword(r.*m)); }};
}

constexpr const char* kMsGothic = "ＭＳ ゴシック";
constexpr int32_t kObjectKindTable = 45;
constexpr int32_t kClWindowText = static_cast<int32_t>(0xFF000008u);
constexpr int32_t kClWindow = static_cast<int32_t>(0xFF000005u);
constexpr int32_t kClNone = 0x1FFFFFFF;
constexpr int32_t kTeal = 0x808000;
constexpr int32_t kSilver = 0xC0C0C0;
constexpr int32_t kGreen = 0x008000;
constexpr int32_t kBlue = 0xFF0000;

std::vector<Field<TovOption>> RootFields() {
  using O = TovOption;
  return {
      Int("TreeSort", &O::TreeSort, 0),
      Bool("ShowLevel0", &O::ShowLevel0, true),
      Bool("ShowLevel1", &O::ShowLevel1, true),
      Bool("TypeTable", &O::TypeTable, true),
      Bool("TypeIndex", &O::TypeIndex, true),
      Bool("TypeView", &O::TypeView, true),
      Bool("TypeProc", &O::TypeProc, true),
      Bool("TypeFunc", &O::TypeFunc, true),
      Bool("TypeTrigger", &O::TypeTrigger, true),
      Bool("TypeSeq", &O::TypeSeq, true),
      Byte("OpenMode", &O::OpenMode, 0),
      Bool("UserFirst", &O::UserFirst, false),
      Bool("TreeData", &O::TreeData, false),
      Bool("Progress", &O::Progress, true),
      Bool("RowSelect", &O::RowSelect, false),
      Bool("DelErr", &O::DelErr, false),
      Bool("Find", &O::Find, true),
      Bool("FindAuto", &O::FindAuto, true),
      Bool("DefaultAutoQuote", &O::DefaultAutoQuote, false),
      Bool("ShowDDL", &O::ShowDDL, false),
      Bool("CloseDDL", &O::CloseDDL, true),
      Bool("BackupData", &O::BackupData, true),
      Bool("ShowStorageSource", &O::ShowStorageSource, true),
      Bool("ShowColumnSource", &O::ShowColumnSource, true),
      Bool("SaveBeforeSource", &O::SaveBeforeSource, false),
      Bool("SaveBeforeSrcDialog", &O::SaveBeforeSrcDialog, false),
      Bool("SaveBeforeSrcRenum", &O::SaveBeforeSrcRenum, false),
      Bool("SaveBeforeSrcHead", &O::SaveBeforeSrcHead, false),
      Str("SaveBeforeSrcDir", &O::SaveBeforeSrcDir, ShareDir),
      Bool("SaveAfterSource", &O::SaveAfterSource, false),
      Bool("SaveAfterSrcDialog", &O::SaveAfterSrcDialog, false),
      Bool("SaveAfterSrcRenum", &O::SaveAfterSrcRenum, false),
      Bool("SaveAfterSrcHead", &O::SaveAfterSrcHead, false),
      Str("SaveAfterSrcDir", &O::SaveAfterSrcDir, ShareDir),
      Int("DataFontSize", &O::DataFontSize, 10),
      Str("DataFontName", &O::DataFontName, kMsGothic),
      Int("DataShowMode", &O::DataShowMode, 0),
      Int("DataColWidthV", &O::DataColWidthV, 30),
      Int("DataColWidthH", &O::DataColWidthH, 20),
      Bool("ShowWhereGrid", &O::ShowWhereGrid, true),
      Bool("WhereAutoQuote", &O::WhereAutoQuote, true),
      Bool("ShowNull", &O::ShowNull, true),
      Int("DefTopRecord", &O::DefTopRecord, 1000),
      Str("DateFormat", &O::DateFormat, "yyyy/MM/dd"),
      Str("Separator", &O::Separator, ";"),
      Int("SQLBuf", &O::SQLBuf, 32),
      Bool("UsePartial", &O::UsePartial, true),
      Int("DiagramFontSize", &O::DiagramFontSize, 9),
      Str("DiagramFontName", &O::DiagramFontName, kMsGothic),
      Int("GridFontSize", &O::GridFontSize, 9),
      Str("GridFontName", &O::GridFontName, kMsGothic),
      Byte("PasteTitle", &O::PasteTitle, 0),
      Int("PasteColumn", &O::PasteColumn, 0),
      Bool("PasteDialog", &O::PasteDialog, false),
      Str("FileDir", &O::FileDir, UserDir),
      Str("ExcelDir", &O::ExcelDir, UserDir),
      Str("ScrExecDir", &O::ScrExecDir),
      Str("ExcelSheet", &O::ExcelSheet),
      Str("ExcelForm", &O::ExcelForm),
      Int("ExcelTop", &O::ExcelTop, 0),
      Int("ExcelLeft", &O::ExcelLeft, 0),
      Str("ExcelFormMatrix", &O::ExcelFormMatrix, ShareDir + "xlsdef/ovmatrix.xls"),
      Int("ExcelMatrixRow", &O::ExcelMatrixRow, 60),
      Int("ExcelMatrixCol", &O::ExcelMatrixCol, 30),
      Byte("ExcelTitle", &O::ExcelTitle, 0),
      Int("ExcelMode", &O::ExcelMode, 0),
      Bool("ExcelRefresh", &O::ExcelRefresh, false),
      Bool("ExcelDialog", &O::ExcelDialog, false),
      Int("CrossLevel", &O::CrossLevel, 3),
      Int("DataGenCommit", &O::DataGenCommit, 50),
      Int("OutputBuf", &O::OutputBuf, 65535),
      // OracleHome sits here in the key, beside the record.
      {[](const TovRegistry& reg, O&) { OracleHome = reg.ReadStringDef("OracleHome", {}); },
       [](TovRegistry& reg, const O&) { reg.WriteString("OracleHome", OracleHome); }},
      Bool("UpdateToCommit", &O::UpdateToCommit, true),
      Bool("UpdateMode", &O::UpdateMode, true),
      Bool("ScriptErrStop", &O::ScriptErrStop, false),
      Bool("ScriptCompDel", &O::ScriptCompDel, false),
      Bool("UserLowerName", &O::UserLowerName, false),
      Bool("CodeAssist", &O::CodeAssist, true),
      Str("TempDir", &O::TempDir, ShareDir + "temp/"),
      Bool("AutoCommit", &O::AutoCommit, true),
      Byte("PerformMode", &O::PerformMode, 1),
      Int("PerformDay", &O::PerformDay, 30),
      Bool("PerformDialog", &O::PerformDialog, true),
      LoadOnlyStr("ExcelExt", &O::ExcelExt),
      Int("SleepTime", &O::SleepTime, 70),
  };
}

std::vector<Field<TovPrintOption>> PrintFields() {
  using P = TovPrintOption;
  return {Byte("Orientation", &P::Orientation, 0), Int("LeftMargin", &P::LeftMargin, 20),
          Int("TopMargin", &P::TopMargin, 20),     Int("RightMargin", &P::RightMargin, 20),
          Int("BottomMargin", &P::BottomMargin, 20), Str("FontName", &P::FontName, kMsGothic),
          Int("FontSize", &P::FontSize, 10)};
}

std::vector<Field<TScriptOption>> ScriptFields() {
  using S = TScriptOption;
  return {Bool("OneScript", &S::OneScript, false), Bool("SubDir", &S::SubDir, false),
          Bool("SameName", &S::SameName, true),    Str("Path", &S::Path, UserDir),
          List("NameTable", &S::NameTable),        Int("Schema", &S::Schema, 2),
          Bool("Index", &S::Index, false),         Bool("Insert", &S::Insert, false),
          Int("InsertMode", &S::InsertMode, 0),    Bool("Storage", &S::Storage, true),
          Bool("Grant", &S::Grant, false),         Int("GrantMode", &S::GrantMode, 0),
          Bool("NullLine", &S::NullLine, false)};
}

std::vector<Field<TExpOption>> ExpFields() {
  using E = TExpOption;
  return {Str("ExpFile", &E::ExpFile), Int("Mode", &E::Mode, 0), Str("OutDsi", &E::OutDsi),
          Bool("ErrStop", &E::ErrStop, true)};
}

std::string WithoutFinalSlash(std::string folder) {
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

std::vector<Field<TImpOption>> ImpFields() {
  using I = TImpOption;
  return {Str("FileName", &I::FileName, UserDir + "EXPDAT.DMP"), Int("Mode", &I::Mode, 0),
          Str("InDsi", &I::InDsi), Str("WorkDir", &I::WorkDir, WithoutFinalSlash(AppOption.TempDir))};
}

std::vector<Field<TLoadOption>> LoaderFields() {
  using L = TLoadOption;
  return {Int("OutFormat", &L::OutFormat, 0),
          Str("OutFile", &L::OutFile, UserDir + "DataFile.dat"),
          Str("OutDsi", &L::OutDsi),
          Int("OutDataFormat", &L::OutDataFormat, 0),
          Bool("OutNull", &L::OutNull, false),
          Str("InFile", &L::InFile, UserDir + "DataFile.dat"),
          Str("InDsi", &L::InDsi),
          Int("IdxMisiyo", &L::IdxMisiyo, 0),
          Int("InDataFormat", &L::InDataFormat, 0),
          Bool("InNull", &L::InNull, false),
          Bool("DlmEnable", &L::DlmEnable, false),
          Bool("RangeExsist", &L::RangeExsist, false),
          Str("DlmChar", &L::DlmChar, ","),
          Int("QuoteChar", &L::QuoteChar, 0),
          Bool("Error", &L::Error, false),
          Int("ErrRec", &L::ErrRec, 1),
          Str("ErrFile", &L::ErrFile, UserDir + "ErrorFile.txt")};
}

std::vector<Field<TStatsOption>> StatsFields() {
  using S = TStatsOption;
  return {Str("STATSPACK", &S::STATSPACK), Str("SQLPLUS", &S::SQLPLUS), Str("REPORT", &S::REPORT, UserDir + "REPORT.LST"),
          Str("PURGE", &S::PURGE), Str("TRUNCATE", &S::TRUNCATE)};
}

std::vector<Field<TTrcOption>> TraceFields() {
  using T = TTrcOption;
  return {List("Path", &T::Path),          Bool("TKPROF", &T::TKPROF, false),
          Bool("Explan", &T::Explan, true), Str("PlanUser", &T::PlanUser),
          Scrambled("PlanPass", &T::PlanPass), Str("PlanTable", &T::PlanTable),
          Bool("Aggregate", &T::Aggregate, true), Bool("Sys", &T::Sys, false),
          Str("Sort", &T::Sort),            Str("Print", &T::Print),
          Str("TrcPgm", &T::TrcPgm, OracleHome + "/BIN/TKPROF.EXE")};
}

std::vector<Field<TCompOption>> CompFields() {
  using C = TCompOption;
  return {Bool("Equrl", &C::Equrl, true), Bool("NotEqurl", &C::NotEqurl, true), Bool("Only1", &C::Only1, true),
          Bool("Only2", &C::Only2, true)};
}

std::vector<Field<TPerformOption>> PerformFields() {
  return {Float("LastAutoSave", &TPerformOption::LastAutoSave, 0)};
}

std::vector<Field<TDbOption>> DbFields() { return {Str("RdbFile", &TDbOption::RdbFile), Str("SysFile", &TDbOption::SysFile)}; }

std::vector<Field<TLockOption>> LockFields() { return {List("AlertPath", &TLockOption::AlertPath)}; }

std::vector<Field<TFormatOption>> FormatFields() {
  using F = TFormatOption;
  return {Int("Indent", &F::Indent, 4),     Int("ItemReturn", &F::ItemReturn, 0), Int("ReservePos", &F::ReservePos, 0),
          Int("CommaPos", &F::CommaPos, 0), Int("AndPos", &F::AndPos, 0),         Int("ReserveTrans", &F::ReserveTrans, 0),
          Int("ItemTrans", &F::ItemTrans, 0)};
}

std::vector<Field<TDBTestOption>> DBTestFields() {
  using D = TDBTestOption;
  return {Int("Session", &D::Session, 10), Int("SpanTime", &D::SpanTime, 0), Str("UserId", &D::UserId),
          Str("Password", &D::Password), Bool("Error", &D::Error, true)};
}

// The EDITOR values as stored, passed on at once to and from the main
// window's editor property set, which holds them. Colours are 0x00BBGGRR or
// system colours (top byte 0xFF), 0x1FFFFFFF for none.
struct TovEditorOption {
  std::string FontName;
  int32_t FontSize = 0;
  int32_t FontColor = 0;
  int32_t Color = 0;
  bool AutoIndent = false;
  bool BackSpaceUnIndent = false;
  bool FreeCaret = false;
  bool InTab = false;
  bool NextLine = false;
  bool TabIndent = false;
  bool SoftTab = false;
  int32_t TabSize = 0;
  bool SelMove = false;
  bool ShowRecNo = false;
  bool ShowRuler = false;
  int32_t RulerSize = 0;
  int32_t EOFColor = 0;
  int32_t CRColor = 0;
  int32_t ULColor = 0;
  int32_t TABColor = 0;
  int32_t SemiSpaceColor = 0;
  int32_t SpaceColor = 0;
  int32_t CommentColor = 0;
  int32_t CommentBkColor = 0;
  int32_t ConstColor = 0;
  int32_t ConstBkColor = 0;
  int32_t ReserveColor = 0;
  int32_t ReserveBkColor = 0;
  int32_t SearchColor = 0;
  int32_t SearchBkColor = 0;
};

std::vector<Field<TovEditorOption>> EditorFields() {
  using E = TovEditorOption;
  return {Str("FontName", &E::FontName, "FixedSys"),
          Int("FontSize", &E::FontSize, 10),
          Int("FontColor", &E::FontColor, kClWindowText),
          Int("Color", &E::Color, kClWindow),
          Bool("AutoIndent", &E::AutoIndent, false),
          Bool("BackSpaceUnIndent", &E::BackSpaceUnIndent, false),
          Bool("FreeCaret", &E::FreeCaret, false),
          Bool("InTab", &E::InTab, false),
          Bool("NextLine", &E::NextLine, true),
          Bool("TabIndent", &E::TabIndent, false),
          Bool("SoftTab", &E::SoftTab, false),
          Int("TabSize", &E::TabSize, 8),
          Bool("SelMove", &E::SelMove, true),
          Bool("ShowRecNo", &E::ShowRecNo, true),
          Bool("ShowRuler", &E::ShowRuler, true),
          Int("RulerSize", &E::RulerSize, 10),
          Int("EOFColor", &E::EOFColor, kClNone),
          Int("CRColor", &E::CRColor, kTeal),
          Int("ULColor", &E::ULColor, kClNone),
          Int("TABColor", &E::TABColor, kSilver),
          Int("SemiSpaceColor", &E::SemiSpaceColor, kClNone),
          Int("SpaceColor", &E::SpaceColor, kSilver),
          Int("CommentColor", &E::CommentColor, kGreen),
          Int("CommentBkColor", &E::CommentBkColor, kClNone),
          Int("ConstColor", &E::ConstColor, kClNone),
          Int("ConstBkColor", &E::ConstBkColor, kClNone),
          Int("ReserveColor", &E::ReserveColor, kBlue),
          Int("ReserveBkColor", &E::ReserveBkColor, kClNone),
          Int("SearchColor", &E::SearchColor, kClNone),
          Int("SearchBkColor", &E::SearchBkColor, kSilver)};
}


// Reads need no key of their own: a missing key reads every default.
template <class R>
void LoadKey(const std::string& subkey, R& rec, const std::vector<Field<R>>& fields) {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(OptionKey(subkey), false);
  for (const auto& f : fields) f.load(AppRegistry, rec);
}

template <class R>
void SaveKey(const std::string& subkey, const R& rec, const std::vector<Field<R>>& fields) {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(OptionKey(subkey), true);
  for (const auto& f : fields)
    if (f.save) f.save(AppRegistry, rec);
}

constexpr const char* kShortCutKey = "SHORTCUT";
constexpr const char* kReserveKey = "RESERVE";
constexpr const char* kWorkSpaceKey = "WORKSPACE";

// A stored empty text is a short-cut the user removed, not a missing value:
// reading it as missing would bring the removed short-cut back.
void LoadShortCuts() {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(OptionKey(kShortCutKey), false);
  for (auto& sc : ShortCuts)
    if (AppRegistry.GetDataType(sc.Name) == platform::RegDataType::String) sc.Keys = AppRegistry.ReadString(sc.Name);
}

void SaveShortCuts() {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(OptionKey(kShortCutKey), true);
  for (const auto& sc : ShortCuts) AppRegistry.WriteString(sc.Name, sc.Keys);
}

bool CaseInsensitiveLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto low = [](char c) { return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
    return low(x) < low(y);
  });
}

void LoadReserveWords() {
  {
    platform::KeyScope key(AppRegistry);
    AppRegistry.OpenKey(OptionKey(kReserveKey), false);
    EditorReserveWords = AppRegistry.GetValueNames();
  }
  GetReservedWords(EditorReserveWords);
  std::stable_sort(EditorReserveWords.begin(), EditorReserveWords.end(), CaseInsensitiveLess);
}

void SaveReserveWords() {
  AppRegistry.DeleteKey(OptionKey(kReserveKey));
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(OptionKey(kReserveKey), true);
  for (const auto& word : EditorReserveWords) AppRegistry.WriteString(word, "");
}

// What the program fixes in its editors whatever the settings hold.
constexpr TColor kClBtnFace = 0xFF00000F;
constexpr int kLeftbarMargin = 2;
constexpr int kLeftbarColumn = 5;
constexpr int kTextLeftMargin = 2;
constexpr char kCommentOpen[] = "/*";
constexpr char kCommentClose[] = "*/";

TColor ToColor(int32_t value) { return static_cast<TColor>(value); }
int32_t FromColor(TColor value) { return static_cast<int32_t>(value); }

// A mark shows exactly when it has a colour.
void SetMark(TEditorMark& mark, int32_t color) {
  mark.SetColor(ToColor(color));
  mark.SetVisible(ToColor(color) != clNone);
}

void SetColor(TFountainColor& target, int32_t color, int32_t bkColor) {
  target.SetColor(ToColor(color));
  target.SetBkColor(ToColor(bkColor));
}

// The mark kinds in the order of the EDITOR colour values.
constexpr TEditorMarks::TKind kMarkKinds[] = {TEditorMarks::mkEof, TEditorMarks::mkRet, TEditorMarks::mkUnderline,
                                              TEditorMarks::mkTab, TEditorMarks::mkSemiSpace, TEditorMarks::mkSpace};
constexpr int32_t TovEditorOption::*kMarkColors[] = {&TovEditorOption::EOFColor,  &TovEditorOption::CRColor,
                                                     &TovEditorOption::ULColor,   &TovEditorOption::TABColor,
                                                     &TovEditorOption::SemiSpaceColor, &TovEditorOption::SpaceColor};


// The EDITOR values and reserved words onto the property set, with the
// settings the program fixes whatever is stored, and back.
void EditorOptionToProp(const TovEditorOption& option, const std::vector<std::string>& words, TEditorProp& prop) {
  TEditorFont font = prop.Font();
  font.Name = option.FontName;
  font.Size = option.FontSize;
  font.Color = ToColor(option.FontColor);
  prop.SetFont(font);
  prop.SetColor(ToColor(option.Color));
  TEditorCaret& caret = prop.Caret();
  caret.AutoIndent = option.AutoIndent;
  caret.BackSpaceUnIndent = option.BackSpaceUnIndent;
  caret.FreeCaret = option.FreeCaret;
  caret.InTab = option.InTab;
  caret.NextLine = option.NextLine;
  caret.TabIndent = option.TabIndent;
  caret.SoftTab = option.SoftTab;
  caret.SetTabSpaceCount(option.TabSize);
  caret.SelMove = option.SelMove;
  prop.Leftbar().SetVisible(option.ShowRecNo);
  prop.Ruler().SetVisible(option.ShowRuler);
  prop.Ruler().SetGaugeRange(option.RulerSize);
  for (size_t i = 0; i < std::size(kMarkKinds); ++i) SetMark(prop.Marks().Mark(kMarkKinds[i]), option.*kMarkColors[i]);
  TEditorColors& colors = prop.View().Colors();
  SetColor(colors.Comment(), option.CommentColor, option.CommentBkColor);
  SetColor(colors.Str(), option.ConstColor, option.ConstBkColor);
  SetColor(colors.Reserve(), option.ReserveColor, option.ReserveBkColor);
  SetColor(colors.Hit(), option.SearchColor, option.SearchBkColor);
  prop.ReserveWordList().Assign(words);

  caret.AutoCursor = true;
  caret.LockScroll = false;
  caret.KeepCaret = true;
  prop.Imagebar().SetVisible(false);
  prop.Leftbar().SetLeftMargin(kLeftbarMargin);
  prop.Leftbar().SetRightMargin(kLeftbarMargin);
  prop.Leftbar().SetColumn(kLeftbarColumn);
  prop.Leftbar().SetBkColor(kClBtnFace);
  prop.SetScrollBars(ssBoth);
  prop.Margin().SetLeft(kTextLeftMargin);
  prop.View().SetCommenter("--");
  prop.View().SetQuotation("'");
  prop.View().SetDoubleQuotation("\"");
  // One comment pair: a second load must not add another.
  TEditorBracketCollection& brackets = prop.View().Brackets();
  brackets.Clear();
  TFountainBracketItem* comment = brackets.Add();
  comment->SetLeftBracket(kCommentOpen);
  comment->SetRightBracket(kCommentClose);
  SetColor(comment->ItemColor(), option.CommentColor, option.CommentBkColor);
}

void PropToEditorOption(TEditorProp& prop, TovEditorOption& option, std::vector<std::string>& words) {
  const TEditorFont font = prop.Font();
  option.FontName = font.Name;
  option.FontSize = font.Size;
  option.FontColor = FromColor(font.Color);
  option.Color = FromColor(prop.Color());
  const TEditorCaret& caret = prop.Caret();
  option.AutoIndent = caret.AutoIndent;
  option.BackSpaceUnIndent = caret.BackSpaceUnIndent;
  option.FreeCaret = caret.FreeCaret;
  option.InTab = caret.InTab;
  option.NextLine = caret.NextLine;
  option.TabIndent = caret.TabIndent;
  option.SoftTab = caret.SoftTab;
  option.TabSize = caret.TabSpaceCount();
  option.SelMove = caret.SelMove;
  option.ShowRecNo = prop.Leftbar().Values().Visible;
  option.ShowRuler = prop.Ruler().Values().Visible;
  option.RulerSize = prop.Ruler().Values().GaugeRange;
  for (size_t i = 0; i < std::size(kMarkKinds); ++i) option.*kMarkColors[i] = FromColor(prop.Marks().Mark(kMarkKinds[i]).Color());
  TEditorColors& colors = prop.View().Colors();
  option.CommentColor = FromColor(colors.Comment().Color());
  option.CommentBkColor = FromColor(colors.Comment().BkColor());
  option.ConstColor = FromColor(colors.Str().Color());
  option.ConstBkColor = FromColor(colors.Str().BkColor());
  option.ReserveColor = FromColor(colors.Reserve().Color());
  option.ReserveBkColor = FromColor(colors.Reserve().BkColor());
  option.SearchColor = FromColor(colors.Hit().Color());
  option.SearchBkColor = FromColor(colors.Hit().BkColor());
  words = prop.ReserveWordList().Strings();
}

}  // namespace

void LoadOptions(TEditorProp& prpEditor) {
  {
    platform::KeyScope key(AppRegistry);
    AppRegistry.OpenKey(kOptionKey, true);
    if (AppRegistry.ReadIntegerDef("Version", 0) < kOptionVersion) {
      AppRegistry.DeleteKey("GUI");
      AppRegistry.WriteInteger("Version", kOptionVersion);
    }
    for (const auto& f : RootFields()) f.load(AppRegistry, AppOption);
  }

  LoadKey("PRINTOPTION", PrintOption, PrintFields());
  LoadShortCuts();
  LoadKey("TEXTOUT", ScriptOption, ScriptFields());
  LoadKey("EXPORT", ExpOption, ExpFields());
  LoadKey("IMPORT", ImpOption, ImpFields());
  LoadKey("LOADER", LoadOption, LoaderFields());
  LoadKey("STATSPACK", StatsOption, StatsFields());
  LoadKey("TRACE", TrcOption, TraceFields());
  LoadKey("COMP", CompOption, CompFields());
  LoadKey("PERFORM", PerformOption, PerformFields());
  LoadKey("DBINFO", DbOption, DbFields());
  LoadKey("LOCK", LockOption, LockFields());
  LoadKey("FORMAT", FormatOption, FormatFields());
  LoadKey("DBTEST", DBTestOption, DBTestFields());
  LoadReserveWords();
  TovEditorOption option;
  LoadKey("EDITOR", option, EditorFields());
  EditorOptionToProp(option, EditorReserveWords, prpEditor);
}

void SaveOptions(TEditorProp& prpEditor) {
  SaveKey("", AppOption, RootFields());
  SaveKey("PRINTOPTION", PrintOption, PrintFields());
  SaveShortCuts();
  SaveKey("TEXTOUT", ScriptOption, ScriptFields());
  SaveKey("EXPORT", ExpOption, ExpFields());
  SaveKey("IMPORT", ImpOption, ImpFields());
  SaveKey("LOADER", LoadOption, LoaderFields());
  SaveKey("STATSPACK", StatsOption, StatsFields());
  SaveKey("TRACE", TrcOption, TraceFields());
  SaveKey("COMP", CompOption, CompFields());
  SaveKey("PERFORM", PerformOption, PerformFields());
  SaveKey("DBINFO", DbOption, DbFields());
  SaveKey("LOCK", LockOption, LockFields());
  SaveKey("FORMAT", FormatOption, FormatFields());
  SaveKey("DBTEST", DBTestOption, DBTestFields());
  TovEditorOption option;
  PropToEditorOption(prpEditor, option, EditorReserveWords);
  SaveKey("EDITOR", option, EditorFields());
  SaveReserveWords();
}

void LoadWorkSpace() {
  const std::string base = OptionKey(kWorkSpaceKey);
  std::vector<std::string> names;
  {
    platform::KeyScope key(AppRegistry);
    if (AppRegistry.OpenKey(base, false)) names = AppRegistry.GetKeyNames();
  }
  WorkSpaces.assign(names.size(), TovWorkSpace{});
  for (size_t i = 0; i < names.size(); ++i) {
    platform::KeyScope key(AppRegistry);
    if (!AppRegistry.OpenKey(base + "\\" + names[i], false)) continue;
    TovWorkSpace& w = WorkSpaces[i];
    w.ObjectType = AppRegistry.ReadIntegerDef("ObjectType", kObjectKindTable);
    w.Title = AppRegistry.ReadStringDef("Title", {});
    w.Schema = AppRegistry.ReadStringDef("Schema", {});
    w.ObjectName = AppRegistry.ReadStringDef("ObjectName", {});
    w.Connect = AppRegistry.ReadStringDef("Connect", {});
  }
}

void SaveWorkSpace() {
  const std::string base = OptionKey(kWorkSpaceKey);
  AppRegistry.DeleteKey(base);
  for (size_t n = 0; n < WorkSpaces.size(); ++n) {
    const TovWorkSpace& w = WorkSpaces[n];
    platform::KeyScope key(AppRegistry);
    AppRegistry.OpenKey(base + "\\" + std::to_string(n), true);
    AppRegistry.WriteInteger("ObjectType", w.ObjectType);
    AppRegistry.WriteString("Title", w.Title);
    AppRegistry.WriteString("Schema", w.Schema);
    AppRegistry.WriteString("ObjectName", w.ObjectName);
    AppRegistry.WriteString("Connect", w.Connect);
  }
}
