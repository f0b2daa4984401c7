#include "platform/textcodec.h"

#include <QStringDecoder>

#include "platform/textwidth.h"

namespace platform {
namespace {

constexpr char kFallbackEncoding[] = "CP932";
bool IsValidUtf8(const std::string& text) {
  char32_t code = 0;
  for (size_t pos = 0; pos < text.size();) {
    pos = SkipAscii(text, pos);
    if (pos == text.size()) break;
    const size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

}  // namespace

std::string DecodeUtf8OrCp932(std::string bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  QStringDecoder decoder(kFallbackEncoding);
  if (!decoder.isValid()) return bytes;
  const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return text.toStdString();
}

}  // namespace platform
