#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

constexpr const char* kUserDirsFile = "user-dirs.dirs";
constexpr const char* kDocumentsKey = "XDG_DOCUMENTS_DIR=";
constexpr const char* kHomeMarker = "$HOME";

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

bool Absolute(const std::string& path) { return !path.empty() && path[0] == '/'; }

std::string WithoutFinalSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}


// The documents line of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents".
std::string DocumentsFromUserDirs() {
  const std::string config = ConfigHome();
  if (config.empty()) return {};
  QFile file(QString::fromStdString(config + "/" + kUserDirsFile));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QTextStream in(&file);
  while (!in.atEnd()) {
    const std::string line = in.readLine().trimmed().toStdString();
    if (line.rfind(kDocumentsKey, 0) != 0) continue;
    std::string value = line.substr(std::string(kDocumentsKey).size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.rfind(kHomeMarker, 0) == 0) {
      const std::string home = Env("HOME");
      if (!Absolute(home)) return {};
      value = home + value.substr(std::string(kHomeMarker).size());
    }
    return Absolute(value) ? value : std::string();
  }
  return {};
}

}  // namespace

std::string ExecutablePath() {
  std::error_code ec;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::string DocumentsFolder() {
  const std::string env = Env("XDG_DOCUMENTS_DIR");
  if (Absolute(env)) return WithoutFinalSlash(env);
  const std::string listed = DocumentsFromUserDirs();
  if (!listed.empty()) return WithoutFinalSlash(listed);
  const std::string home = Env("HOME");
  return Absolute(home) ? WithoutFinalSlash(home) + "/Documents" : std::string();
}

std::string SharedDataFolder() {
  const std::string data = Env("XDG_DATA_HOME");
  if (Absolute(data)) return WithoutFinalSlash(data);
  const std::string home = Env("HOME");
  return Absolute(home) ? WithoutFinalSlash(home) + "/.local/share" : std::string();
}

bool CreateFolder(const std::string& path) { return QDir().mkpath(QString::fromStdString(path)); }

std::string ConfigHome() {
  const std::string config = Env("XDG_CONFIG_HOME");
  if (Absolute(config)) return config;
  std::string home = Env("HOME");
  if (!Absolute(home)) {
    const passwd* account = getpwuid(getuid());
    home = account != nullptr && account->pw_dir != nullptr ? account->pw_dir : "";
  }
  return Absolute(home) ? WithoutFinalSlash(home) + "/.config" : std::string();
}

}  // namespace platform
