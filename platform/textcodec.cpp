#include "platform/textcodec.h"

#include <QStringDecoder>

#include <cstdint>
#include <cstring>

#include "platform/textwidth.h"

namespace platform {
namespace {

constexpr char kFallbackEncoding[] = "CP932";
// The high bit of each byte of a word: a word without it is ASCII.
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

bool IsAsciiWord(const char* bytes) {
  uint64_t word = 0;
  std::memcpy(&word, bytes, sizeof(word));
  return (word & kHighBits) == 0;
}

bool IsValidUtf8(const std::string& text) {
  char32_t code = 0;
  for (size_t pos = 0; pos < text.size();) {
    // ASCII runs are passed a word at a time: most of an SQL file is ASCII.
    while (pos + sizeof(uint64_t) <= text.size() && IsAsciiWord(text.data() + pos)) pos += sizeof(uint64_t);
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
