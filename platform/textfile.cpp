#include "platform/textfile.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

#include <stdexcept>
#include <utility>

#include "platform/textcodec.h"

namespace platform {
namespace {

// The end-of-file mark of old Windows text files.
constexpr char kEndOfFile = '\x1A';

std::runtime_error FileError(const std::string& path, const QFileDevice& file) {
  return std::runtime_error(path + ": " + file.errorString().toStdString());
}

}  // namespace

std::string ReadTextFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw FileError(path, file);
  std::string bytes(static_cast<size_t>(file.size()), '\0');
  const qint64 read = file.read(bytes.data(), static_cast<qint64>(bytes.size()));
  if (read < 0 || file.error() != QFileDevice::NoError) throw FileError(path, file);
  bytes.resize(static_cast<size_t>(read));
  // A file that grew, or one without a size (a pipe), is read to its end.
  const QByteArray rest = file.readAll();
  if (file.error() != QFileDevice::NoError) throw FileError(path, file);
  bytes.append(rest.constData(), static_cast<size_t>(rest.size()));
  if (!bytes.empty() && bytes.back() == kEndOfFile) bytes.pop_back();
  return DecodeUtf8OrCp932(std::move(bytes));
}

void WriteTextFile(const std::string& path, const std::string& text) {
  QSaveFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) throw FileError(path, file);
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !file.commit())
    throw FileError(path, file);
}

}  // namespace platform
