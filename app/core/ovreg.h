// ovreg: the registry wrapper with defaults, the program's registry root,
// and the load and save of the option records under it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"
#include "platform/regstore.h"

class TEditorProp;

// The registry with reads that fall back to the caller's default.
class TovRegistry : public platform::Registry {
 public:
  using platform::Registry::Registry;
  // The default when the value is missing or not an integer.
  bool ReadBoolDef(const std::string& name, bool def) const;
  // The default when the value is missing or not an 8-byte binary.
  double ReadFloatDef(const std::string& name, double def) const;
  // The default when the value is missing or not a DWORD.
  int32_t ReadIntegerDef(const std::string& name, int32_t def) const;
  // The default when the value is of another type or reads as empty.
  std::string ReadStringDef(const std::string& name, const std::string& def) const;
};

// The program's registry root; every key of its settings lies below it.
inline constexpr const char* kOptionKey = "\\Software\\Tessavar\\ORV";
// A key below the root ("" names the root itself).
std::string OptionKey(const std::string& subkey);
// The key a window keeps its layout in: "GUI\<name>" below the root.
std::string GuiKey(const std::string& name);

// A window's size as its layout key holds it.
struct TWindowSize {
  int32_t Width = 0;
  int32_t Height = 0;

  friend bool operator==(const TWindowSize&, const TWindowSize&) = default;
};
// The "Width" and "Height" values of the open key, each falling back to
// the one of `current` when missing or below the one of `minimum` (a size
// stored from a window squeezed smaller than its controls need).
TWindowSize ReadWindowSize(const TovRegistry& reg, const TWindowSize& current, const TWindowSize& minimum = {});
void WriteWindowSize(TovRegistry& reg, const TWindowSize& size);
// A window's position and size: "Left", "Top", "Width" and "Height".
struct TWindowBounds {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;

  friend bool operator==(const TWindowBounds&, const TWindowBounds&) = default;
};
TWindowBounds ReadWindowBounds(const TovRegistry& reg, const TWindowBounds& current);
void WriteWindowBounds(TovRegistry& reg, const TWindowBounds& bounds);
// Stored settings older than this lose their window layouts at start.
inline constexpr int32_t kOptionVersion = 80004;

// Reads every option global from AppRegistry (first start: the defaults),
// and the editor settings (EDITOR, RESERVE) into the main window's editor
// property set, their only holder.
void LoadOptions(TEditorProp& prpEditor);
// Writes every option global back to AppRegistry, EDITOR and RESERVE from
// the editor property set.
void SaveOptions(TEditorProp& prpEditor);
void LoadWorkSpace();
void SaveWorkSpace();

// A string list in its registry form: lines joined by CR LF, with a final one.
std::string ListToText(const std::vector<std::string>& lines);
// Lines split at CR LF, CR or LF; no entry for a final line break.
std::vector<std::string> TextToList(const std::string& text);
