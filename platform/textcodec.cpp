#include "platform/textcodec.h"

#include <QStringDecoder>

#include "platform/textwidth.h"

namespace platform {
namespace {

constexpr char kFallbackEncoding[] = "CP932";
// The converter gives bytes it cannot decode as SUB (U+001A), which the
// text reader would take as the end of the file on the next read.
constexpr char16_t kSubstitute = u'\x1A';

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
  QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  // Where the bytes held no SUB, every SUB stands for an undecodable byte.
  if (bytes.find(static_cast<char>(kSubstitute)) == std::string::npos)
    text.replace(QChar(kSubstitute), QChar(QChar::ReplacementCharacter));
  return text.toStdString();
}

}  // namespace platform
