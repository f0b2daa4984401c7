// fmaincore: what the main window reads and writes without its controls:
// the command line's logon switches, the layout records stored under
// GUI\MAIN with their read and write, and the status texts of progress.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/ovreg.h"

// The logon the command line asks for; an empty user means none.
struct TLogonRequest {
  std::string User;
  std::string Password;
  std::string DataSource;

  friend bool operator==(const TLogonRequest&, const TLogonRequest&) = default;
};

// Reads the "/U=user/password@dsn" switches of the arguments (the program
// name left out); a later switch replaces an earlier one.
TLogonRequest ParseLogonSwitches(const std::vector<std::string>& arguments);

// The status-bar text of a long operation after `done` of `total` items
// (total 0 or less: not known).
std::string ProgressText(int done, int total);
// The object count of a connection window's list: n items, m of them selected.
std::string ObjectCountText(int items, int selected);

// A rectangle as the registry holds it: left, top, right, bottom.
struct TRegRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  friend bool operator==(const TRegRect&, const TRegRect&) = default;
};

struct TToolBarLayout {
  std::string Name;
  TRegRect Rect;
  bool Float = false;
  bool Visible = true;

  friend bool operator==(const TToolBarLayout&, const TToolBarLayout&) = default;
};

inline constexpr int kWindowNormal = 0;
inline constexpr int kWindowMinimized = 1;
inline constexpr int kWindowMaximized = 2;
// View styles of the workspace list (WorkSpaceStyle).
inline constexpr int kWorkSpaceIcons = 0;
inline constexpr int kWorkSpaceDetails = 1;
inline constexpr int kAlignTop = 1;
inline constexpr int kAlignBottom = 2;
inline constexpr int kAlignLeft = 3;
inline constexpr int kAlignRight = 4;

// The main window's layout as stored under GUI\MAIN.
struct TMainLayout {
  int32_t WindowState = kWindowNormal;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  bool WorkSpace = true;
  int32_t WorkSpaceStyle = 0;
  int32_t WorkSpaceAlign = kAlignBottom;
  int32_t WorkSpaceSize = 0;
  bool TaskBar = true;
  bool StatusBar = true;
  std::vector<TToolBarLayout> ToolBars;

  friend bool operator==(const TMainLayout&, const TMainLayout&) = default;
};

inline const std::string kMainLayoutKey = GuiKey("MAIN");

// Reads the layout from the open key over the current one. A "<Name>Rect"
// value of another type or longer than 16 bytes raises the registry's read
// error; every other value falls back to its default. The workspace size is
// limited by the window size read.
TMainLayout ReadMainLayout(const TovRegistry& reg, const TMainLayout& current);
// Writes the layout into the open key.
void WriteMainLayout(TovRegistry& reg, const TMainLayout& layout);
// The workspace size raised to 1 and limited to half the client height (top,
// bottom) or width (left, right).
int32_t LimitWorkSpaceSize(int32_t size, int32_t align, int clientWidth, int clientHeight);

// The file-dialog filter of every spreadsheet save dialog.
extern std::string ExcelFileFilter;
// The save dialog's filter for spreadsheet files: that filter and all files.
std::string ExcelSaveFilter();

