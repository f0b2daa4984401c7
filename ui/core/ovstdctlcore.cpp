#include "ui/core/ovstdctlcore.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

std::string FilterNumberText(const std::string& text, bool allowMinus) {
  std::string kept;
  bool pointKept = false;
  for (auto it = text.rbegin(); it != text.rend(); ++it) {
    const char c = *it;
    if (c >= '0' && c <= '9') {
      kept.push_back(c);
    } else if (c == '.' && !pointKept) {
      kept.push_back(c);
      pointKept = true;
    }
  }
  std::reverse(kept.begin(), kept.end());
  if (allowMinus && text.find('-') != std::string::npos) kept.insert(kept.begin(), '-');
  return kept;
}

long double TextToFloatDef(const std::string& text, long double def) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return def;
  const size_t last = text.find_last_not_of(' ');
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  if (*begin == '+') ++begin;
  const char* digits = begin != end && *begin == '-' ? begin + 1 : begin;
  // Only a decimal number: the library reader would also take "inf" and "nan".
  if (digits == end || !((*digits >= '0' && *digits <= '9') || *digits == '.')) return def;
  long double value = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return def;
  return value;
}

int RoundToInteger(long double value) {
  if (std::isnan(value)) return 0;
  const long double rounded = std::nearbyint(value);
  if (rounded >= static_cast<long double>(INT_MAX)) return INT_MAX;
  if (rounded <= static_cast<long double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(rounded);
}

std::string IntegerText(const std::string& current, int value) {
  if (current.empty() && value == 0) return "";
  return std::to_string(value);
}

bool IsBlankText(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

TFocusMove EditArrowMove(TArrowKey key, const TCaretPlace& caret) {
  switch (key) {
    case TArrowKey::Left:
      return caret.Position == 0 && !caret.HasSelection ? TFocusMove::Previous : TFocusMove::None;
    case TArrowKey::Up:
      return TFocusMove::Previous;
    case TArrowKey::Right:
      return caret.Position >= caret.Length ? TFocusMove::Next : TFocusMove::None;
    case TArrowKey::Down:
      return TFocusMove::Next;
  }
  return TFocusMove::None;
}

TFocusMove ComboArrowMove(TArrowKey key, bool dropDownList, const TCaretPlace& caret) {
  if (key == TArrowKey::Up || key == TArrowKey::Down) return TFocusMove::None;
  if (dropDownList) return key == TArrowKey::Left ? TFocusMove::Previous : TFocusMove::Next;
  return EditArrowMove(key, caret);
}
