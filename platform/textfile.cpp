#include "platform/textfile.h"

#include <QFile>

#include <cstring>
#include <stdexcept>
#include <utility>

#include "platform/savefile.h"
#include "platform/textcodec.h"

namespace platform {
namespace {

// The end-of-file mark of old Windows text files.
constexpr char kEndOfFile = '\x1A';
// Files are read in blocks of this size; the first block decides whether
// a file looks binary.
constexpr int64_t kBlockSize = 8192;

std::runtime_error FileError(const std::string& path, const std::string& reason) {
  return std::runtime_error(path + ": " + reason);
}

std::runtime_error FileError(const std::string& path, const QFileDevice& file) {
  return FileError(path, file.errorString().toStdString());
}

void OpenForReading(QFile& file, const std::string& path) {
  if (!file.open(QIODevice::ReadOnly)) throw FileError(path, file);
}

}  // namespace

std::string ReadTextFile(const std::string& path) { return *ReadTextFile(path, ReadProgress()); }

std::optional<std::string> ReadTextFile(const std::string& path, const ReadProgress& progress) {
  QFile file(QString::fromStdString(path));
  OpenForReading(file, path);
  const int64_t total = file.size();
  std::string bytes;
  bytes.reserve(static_cast<size_t>(total));
  // A file that grew, or one without a size (a pipe), is read to its end.
  for (;;) {
    const size_t start = bytes.size();
    bytes.resize(start + kBlockSize);
    const qint64 read = file.read(bytes.data() + start, kBlockSize);
    if (read < 0 || file.error() != QFileDevice::NoError) throw FileError(path, file);
    bytes.resize(start + static_cast<size_t>(read));
    const size_t mark = bytes.find(kEndOfFile, start);
    if (mark != std::string::npos) bytes.resize(mark);
    if (read == 0 || mark != std::string::npos) break;
    if (progress && !progress(static_cast<int64_t>(bytes.size()), total)) return std::nullopt;
  }
  return DecodeUtf8OrCp932(std::move(bytes));
}

bool StartsAsBinary(const std::string& path) {
  QFile file(QString::fromStdString(path));
  OpenForReading(file, path);
  const QByteArray block = file.read(kBlockSize);
  if (file.error() != QFileDevice::NoError) throw FileError(path, file);
  return block.contains('\0');
}

void WriteTextFile(const std::string& path, const std::string& text) {
  if (const int error = SaveFileWhole(path, text); error != 0) throw FileError(path, std::strerror(error));
}

}  // namespace platform
