#include "platform/gui/wingdi.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

constexpr uint32_t kSystemColorFlag = 0xFF000000;
constexpr uint32_t kSystemIndexMask = 0xFF;
constexpr uint32_t kByteMask = 0xFF;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;

// The system colour indexes the program stores, with their palette roles.
struct TSystemColor {
  uint32_t Index;
  QPalette::ColorRole Role;
};
constexpr TSystemColor kSystemColors[] = {
    {5, QPalette::Base},          // COLOR_WINDOW
    {8, QPalette::Text},          // COLOR_WINDOWTEXT
    {13, QPalette::Highlight},    // COLOR_HIGHLIGHT
    {14, QPalette::HighlightedText},
    {15, QPalette::Button},       // COLOR_BTNFACE
    {16, QPalette::Mid},          // COLOR_BTNSHADOW
    {18, QPalette::ButtonText},   // COLOR_BTNTEXT
};

struct TFontSubstitute {
  const char* Stored;
  const char* Face;
};
// The one place stored names meet installed faces.
constexpr TFontSubstitute kFontSubstitutes[] = {
    {"FixedSys", "DejaVu Sans Mono"},
    {"ＭＳ ゴシック", "IPAGothic"},
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ 明朝", "IPAMincho"},
};

}  // namespace

QColor ColorToQColor(uint32_t color) {
  if ((color & kSystemColorFlag) == kSystemColorFlag) {
    const uint32_t index = color & kSystemIndexMask;
    for (const TSystemColor& s : kSystemColors) {
      if (s.Index == index) return QGuiApplication::palette().color(s.Role);
    }
    return QGuiApplication::palette().color(QPalette::Window);
  }
  return QColor(static_cast<int>(color & kByteMask), static_cast<int>((color >> kGreenShift) & kByteMask),
                static_cast<int>((color >> kBlueShift) & kByteMask));
}

QFont FontFace(const std::string& name, int pointSize) {
  QString face = QString::fromStdString(name);
  for (const TFontSubstitute& s : kFontSubstitutes) {
    if (name == s.Stored) face = QString::fromUtf8(s.Face);
  }
  QFont font(face, pointSize);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  return font;
}

}  // namespace platform
