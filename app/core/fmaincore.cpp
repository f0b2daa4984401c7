#include "app/core/fmaincore.h"

#include <algorithm>

std::string ExcelFileFilter;

std::string ExcelSaveFilter() {
  constexpr const char* kAllFilesFilter = "すべてのファイル(*.*)";
  return ExcelFileFilter.empty() ? kAllFilesFilter : ExcelFileFilter + ";;" + kAllFilesFilter;
}

namespace {

constexpr const char* kLogonSwitch = "/U=";
constexpr size_t kLogonSwitchLength = 3;
constexpr const char* kEscHint = " [ESC]キーを押すと処理を中断";
constexpr int kRectBytes = 16;

void PutLE32(unsigned char* at, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

int32_t GetLE32(const unsigned char* at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
  return static_cast<int32_t>(v);
}

}  // namespace

TLogonRequest ParseLogonSwitches(const std::vector<std::string>& arguments) {
  TLogonRequest logon;
  for (const auto& arg : arguments) {
    if (arg.size() < kLogonSwitchLength) continue;
    std::string head = arg.substr(0, kLogonSwitchLength);
    std::transform(head.begin(), head.end(), head.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
    if (head != kLogonSwitch) continue;
    const std::string rest = arg.substr(kLogonSwitchLength);
    logon = {};
    const size_t slash = rest.find('/');
    const size_t at = rest.find('@');
    if (slash == std::string::npos) {
      logon.User = rest.substr(0, at);
    } else {
      logon.User = rest.substr(0, slash);
      logon.Password = rest.substr(slash + 1);
      logon.Password = logon.Password.substr(0, logon.Password.find('@'));
    }
    if (at != std::string::npos) logon.DataSource = rest.substr(at + 1);
  }
  return logon;
}

std::string ProgressText(int done, int total) {
  if (done == 0 && total == 0) return kEscHint;
  if (total <= 0) return std::to_string(done) + "件処理中..." + kEscHint;
  return std::to_string(done) + " / " + std::to_string(total) + kEscHint;
}

std::string ObjectCountText(int items, int selected) {
  if (selected == 0) return std::to_string(items) + "個のオブジェクトがあります。";
  return std::to_string(items) + "個中 " + std::to_string(selected) + "個のオブジェクトを選択中。";
}

int32_t LimitWorkSpaceSize(int32_t size, int32_t align, int clientWidth, int clientHeight) {
  size = std::max(size, 1);
  if (align == kAlignTop || align == kAlignBottom) return std::min(size, clientHeight / 2);
  if (align == kAlignLeft || align == kAlignRight) return std::min(size, clientWidth / 2);
  return size;
}

TMainLayout ReadMainLayout(const TovRegistry& reg, const TMainLayout& current) {
  TMainLayout l = current;
  l.WindowState = reg.ReadIntegerDef("WindowState", kWindowNormal);
  if (l.WindowState == kWindowMinimized) l.WindowState = kWindowNormal;
  if (l.WindowState == kWindowNormal) {
    const TWindowBounds bounds = ReadWindowBounds(reg, {current.Left, current.Top, current.Width, current.Height});
    l.Left = bounds.Left;
    l.Top = bounds.Top;
    l.Width = bounds.Width;
    l.Height = bounds.Height;
  }
  l.WorkSpace = reg.ReadBoolDef("WorkSpace", true);
  l.WorkSpaceStyle = reg.ReadIntegerDef("WorkSpaceStyle", 0);
  l.WorkSpaceAlign = reg.ReadIntegerDef("WorkSpaceAlign", kAlignBottom);
  l.WorkSpaceSize = LimitWorkSpaceSize(reg.ReadIntegerDef("WorkSpaceSize", current.WorkSpaceSize), l.WorkSpaceAlign,
                                       l.Width, l.Height);
  l.TaskBar = reg.ReadBoolDef("TaskBar", true);
  l.StatusBar = reg.ReadBoolDef("StatusBar", true);
  for (auto& bar : l.ToolBars) {
    const std::string rectName = bar.Name + "Rect";
    if (reg.ValueExists(rectName)) {
      // A shorter value replaces only the leading coordinates.
      unsigned char bytes[kRectBytes];
      PutLE32(bytes, bar.Rect.Left);
      PutLE32(bytes + 4, bar.Rect.Top);
      PutLE32(bytes + 8, bar.Rect.Right);
      PutLE32(bytes + 12, bar.Rect.Bottom);
      reg.ReadBinaryData(rectName, bytes, kRectBytes);
      bar.Rect = {GetLE32(bytes), GetLE32(bytes + 4), GetLE32(bytes + 8), GetLE32(bytes + 12)};
    }
    bar.Float = reg.ReadBoolDef(bar.Name + "Float", false);
    bar.Visible = reg.ReadBoolDef(bar.Name + "Visible", true);
  }
  return l;
}

void WriteMainLayout(TovRegistry& reg, const TMainLayout& l) {
  reg.WriteInteger("WindowState", l.WindowState);
  if (l.WindowState == kWindowNormal) {
    WriteWindowBounds(reg, {l.Left, l.Top, l.Width, l.Height});
  }
  reg.WriteBool("TaskBar", l.TaskBar);
  reg.WriteBool("StatusBar", l.StatusBar);
  reg.WriteBool("WorkSpace", l.WorkSpace);
  reg.WriteInteger("WorkSpaceStyle", l.WorkSpaceStyle);
  reg.WriteInteger("WorkSpaceAlign", l.WorkSpaceAlign);
  if (l.WorkSpaceAlign >= kAlignTop && l.WorkSpaceAlign <= kAlignRight) reg.WriteInteger("WorkSpaceSize", l.WorkSpaceSize);
  for (const auto& bar : l.ToolBars) {
    unsigned char bytes[kRectBytes];
    PutLE32(bytes, bar.Rect.Left);
    PutLE32(bytes + 4, bar.Rect.Top);
    PutLE32(bytes + 8, bar.Rect.Right);
    PutLE32(bytes + 12, bar.Rect.Bottom);
    reg.WriteBinaryData(bar.Name + "Rect", bytes, kRectBytes);
    reg.WriteBool(bar.Name + "Visible", bar.Visible);
    reg.WriteBool(bar.Name + "Float", bar.Float);
  }
}
