#include "platform/savefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {
namespace {

// The temporary file of a save is "<target>.orvsave.<6 letters or digits>":
// a pattern no user names a file by, so removing its leftovers is safe.
constexpr char kSaveInfix[] = ".orvsave.";
constexpr int kSuffixLength = 6;
constexpr char kSuffixCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kCreateTries = 100;
// Files created new get these permissions under the umask, as any editor's.
constexpr mode_t kNewFileMode = 0666;
// A save in progress touches its file with every write; one untouched this
// long belongs to a save that ended without finishing (another process may
// be saving the same file just now).
constexpr qint64 kStaleSeconds = 10 * 60;

std::string RandomSuffix() {
  std::string suffix;
  for (int i = 0; i < kSuffixLength; ++i)
    suffix += kSuffixCharacters[QRandomGenerator::global()->bounded(static_cast<int>(sizeof kSuffixCharacters - 1))];
  return suffix;
}

void RemoveStaleSaves(const std::string& path) {
  const QFileInfo target(QString::fromStdString(path));
  const QRegularExpression pattern(QRegularExpression::anchoredPattern(
      QRegularExpression::escape(target.fileName() + kSaveInfix) + QString("[A-Za-z0-9]{%1}").arg(kSuffixLength)));
  const QDateTime limit = QDateTime::currentDateTime().addSecs(-kStaleSeconds);
  const QFileInfoList entries =
      target.dir().entryInfoList({target.fileName() + kSaveInfix + "*"}, QDir::Files | QDir::Hidden | QDir::System);
  for (const QFileInfo& entry : entries)
    if (pattern.match(entry.fileName()).hasMatch() && entry.lastModified() < limit)
      QFile::remove(entry.absoluteFilePath());
}

// A new temporary file beside `path`, open for writing; -1 with errno set
// when none can be made.
int CreateTemporary(const std::string& path, std::string& temp) {
  for (int attempt = 0; attempt < kCreateTries; ++attempt) {
    temp = path + kSaveInfix + RandomSuffix();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

int WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EINTR) return errno;
    if (n > 0) done += static_cast<size_t>(n);
  }
  return 0;
}

// A link is kept: the file it leads to is the one replaced.
std::string LinkTarget(const std::string& path) {
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

}  // namespace

int SaveFileWhole(const std::string& linkOrPath, std::string_view bytes, std::optional<mode_t> mode) {
  const std::string path = LinkTarget(linkOrPath);
  RemoveStaleSaves(path);
  struct stat old {};
  if (!mode && ::stat(path.c_str(), &old) == 0) mode = old.st_mode & ALLPERMS;
  std::string temp;
  const int fd = CreateTemporary(path, temp);
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes);
  if (error == 0 && mode && ::fchmod(fd, *mode) != 0) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) ::unlink(temp.c_str());
  return error;
}

}  // namespace platform
