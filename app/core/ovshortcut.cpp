#include "app/core/ovshortcut.h"

#include <QString>

#include <array>
#include <vector>

namespace {

constexpr int kKeyMask = 0xFF;

struct TKeyRow {
  int VirtualKey;
  std::string Name;
  Qt::Key Key;
};

constexpr int kVkF1 = 0x70;
constexpr int kFunctionKeys = 24;
constexpr int kVkDigit0 = 0x30;
constexpr int kVkLetterA = 0x41;
constexpr int kLetters = 26;
constexpr int kDigits = 10;

std::vector<TKeyRow> BuildKeyTable() {
  std::vector<TKeyRow> rows = {
      {0x08, "BkSp", Qt::Key_Backspace},   {0x09, "Tab", Qt::Key_Tab},      {0x0D, "Enter", Qt::Key_Return},
      {0x1B, "Esc", Qt::Key_Escape},       {0x20, "Space", Qt::Key_Space},  {0x21, "PgUp", Qt::Key_PageUp},
      {0x22, "PgDn", Qt::Key_PageDown},    {0x23, "End", Qt::Key_End},      {0x24, "Home", Qt::Key_Home},
      {0x25, "Left", Qt::Key_Left},        {0x26, "Up", Qt::Key_Up},        {0x27, "Right", Qt::Key_Right},
      {0x28, "Down", Qt::Key_Down},        {0x2D, "Ins", Qt::Key_Insert},   {0x2E, "Del", Qt::Key_Delete},
      {0xBA, ";", Qt::Key_Semicolon},      {0xBB, "=", Qt::Key_Equal},      {0xBC, ",", Qt::Key_Comma},
      {0xBD, "-", Qt::Key_Minus},          {0xBE, ".", Qt::Key_Period},     {0xBF, "/", Qt::Key_Slash},
      {0xC0, "`", Qt::Key_QuoteLeft},      {0xDB, "[", Qt::Key_BracketLeft}, {0xDC, "\\", Qt::Key_Backslash},
      {0xDD, "]", Qt::Key_BracketRight},   {0xDE, "'", Qt::Key_Apostrophe},
  };
  for (int i = 0; i < kDigits; ++i)
    rows.push_back({kVkDigit0 + i, std::string(1, static_cast<char>('0' + i)), static_cast<Qt::Key>(Qt::Key_0 + i)});
  for (int i = 0; i < kLetters; ++i)
    rows.push_back({kVkLetterA + i, std::string(1, static_cast<char>('A' + i)), static_cast<Qt::Key>(Qt::Key_A + i)});
  for (int i = 0; i < kFunctionKeys; ++i)
    rows.push_back({kVkF1 + i, QString("F%1").arg(i + 1).toStdString(), static_cast<Qt::Key>(Qt::Key_F1 + i)});
  return rows;
}

const std::vector<TKeyRow>& KeyTable() {
  static const std::vector<TKeyRow> table = BuildKeyTable();
  return table;
}

const TKeyRow* RowOfVirtualKey(int vk) {
  for (const auto& row : KeyTable())
    if (row.VirtualKey == vk) return &row;
  return nullptr;
}

bool SameText(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

struct TModifierRow {
  int Code;
  std::string Prefix;
  Qt::KeyboardModifier Qt;
};
const std::array<TModifierRow, 3> kModifiers = {{
    {kScShift, "Shift+", Qt::ShiftModifier},
    {kScCtrl, "Ctrl+", Qt::ControlModifier},
    {kScAlt, "Alt+", Qt::AltModifier},
}};

}  // namespace

int TextToShortCut(const std::string& text) {
  int modifiers = 0;
  std::string rest = text;
  for (bool found = true; found;) {
    found = false;
    for (const auto& m : kModifiers) {
      // "Ctrl++" style keys are not in the table, so a prefix always names
      // a modifier here.
      if (rest.size() > m.Prefix.size() && SameText(rest.substr(0, m.Prefix.size()), m.Prefix)) {
        modifiers |= m.Code;
        rest.erase(0, m.Prefix.size());
        found = true;
      }
    }
  }
  for (const auto& row : KeyTable())
    if (SameText(row.Name, rest)) return modifiers | row.VirtualKey;
  return kScNone;
}

std::string ShortCutToText(int code) {
  const TKeyRow* row = RowOfVirtualKey(code & kKeyMask);
  if (!row) return "";
  std::string text;
  for (const auto& m : kModifiers)
    if (code & m.Code) text += m.Prefix;
  text.append(row->Name);
  return text;
}

QKeySequence ShortCutToKeySequence(int code) {
  const TKeyRow* row = RowOfVirtualKey(code & kKeyMask);
  if (!row) return {};
  Qt::KeyboardModifiers modifiers;
  for (const auto& m : kModifiers)
    if (code & m.Code) modifiers |= m.Qt;
  return QKeySequence(QKeyCombination(modifiers, row->Key));
}

int KeySequenceToShortCut(const QKeySequence& keys) {
  if (keys.count() != 1) return kScNone;
  const QKeyCombination combination = keys[0];
  Qt::KeyboardModifiers left = combination.keyboardModifiers();
  int code = 0;
  for (const auto& m : kModifiers)
    if (left.testFlag(m.Qt)) {
      code |= m.Code;
      left &= ~Qt::KeyboardModifiers(m.Qt);
    }
  if (left != Qt::NoModifier) return kScNone;
  for (const auto& row : KeyTable())
    if (row.Key == combination.key()) return code | row.VirtualKey;
  return kScNone;
}
