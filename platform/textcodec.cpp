#include "platform/textcodec.h"

#include <QStringDecoder>

namespace platform {
namespace {

constexpr char kFallbackEncoding[] = "CP932";

bool IsValidUtf8(const std::string& text) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  // The decoder works when its result is taken.
  const QString decoded = decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
  return !decoder.hasError();
}

}  // namespace

std::string DecodeUtf8OrCp932(const std::string& bytes) {
  if (IsValidUtf8(bytes)) return bytes;
  QStringDecoder decoder(kFallbackEncoding);
  if (!decoder.isValid()) return bytes;
  const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  return text.toStdString();
}

}  // namespace platform
