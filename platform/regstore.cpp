#include "platform/regstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/dialogs.h"
#include "platform/folders.h"
#include "platform/savefile.h"

namespace platform {
namespace {

constexpr const char* kHeader = "# Tessavar registry store 1";
constexpr const char* kStoreFolder = "Tessavar";
constexpr const char* kUserFile = "current_user.registry";
constexpr const char* kMachineFile = "local_machine.registry";
constexpr const char* kDamagedSuffix = ".damaged";
constexpr const char* kDefaultConfigDirs = "/etc/xdg";
constexpr uint64_t kMaxDword = 0xFFFFFFFFull;
constexpr unsigned kMessageWarning = 0x30;  // MB_OK | MB_ICONWARNING
constexpr unsigned kMessageError = 0x10;    // MB_OK | MB_ICONERROR
constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string Quote(const std::string& s) {
  static const char* kHex = "0123456789abcdef";
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the tokens of one line: quoted texts and bare words.
class LineReader {
 public:
  LineReader(const std::string& line, int number) : line_(line), number_(number) {}

  bool AtEnd() {
    SkipBlanks();
    return pos_ >= line_.size();
  }

  std::string Word() {
    SkipBlanks();
    const size_t start = pos_;
    while (pos_ < line_.size() && line_[pos_] != ' ') ++pos_;
    if (start == pos_) Fail("a word is missing");
    return line_.substr(start, pos_ - start);
  }

  std::string Quoted() {
    SkipBlanks();
    if (pos_ >= line_.size() || line_[pos_] != '"') Fail("a quoted text is missing");
    ++pos_;
    std::string out;
    while (true) {
      if (pos_ >= line_.size()) Fail("a quoted text is not closed");
      const char c = line_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= line_.size()) Fail("an escape is cut");
      const char e = line_[pos_++];
      switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'x': {
          const int hi = pos_ + 1 < line_.size() ? HexDigit(line_[pos_]) : -1;
          const int lo = hi >= 0 ? HexDigit(line_[pos_ + 1]) : -1;
          if (lo < 0) Fail("a \\x escape is not two hex digits");
          out += static_cast<char>(hi * 16 + lo);
          pos_ += 2;
          break;
        }
        default: Fail("an unknown escape");
      }
    }
  }

  [[noreturn]] void Fail(const std::string& what) const {
    throw RegistryError("line " + std::to_string(number_) + ": " + what);
  }

 private:
  void SkipBlanks() {
    while (pos_ < line_.size() && line_[pos_] == ' ') ++pos_;
  }
  const std::string& line_;
  int number_;
  size_t pos_ = 0;
};

std::string HexOf(const std::string& bytes) {
  static const char* kHex = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out;
}

void WriteKey(const RegKey& key, std::vector<std::string>& path, std::string& out) {
  if (!path.empty()) {
    out += "key";
    for (const auto& p : path) out += " " + Quote(p);
    out += "\n";
    for (const auto& v : key.values) {
      switch (v.type) {
        case RegDataType::Dword: out += "dword " + Quote(v.name) + " " + std::to_string(v.dword) + "\n"; break;
        case RegDataType::String: out += "sz " + Quote(v.name) + " " + Quote(v.data) + "\n"; break;
        case RegDataType::Binary: out += "binary " + Quote(v.name) + " " + Quote(HexOf(v.data)) + "\n"; break;
        case RegDataType::Unknown: break;
      }
    }
  }
  for (const auto& sub : key.subkeys) {
    path.push_back(sub->name);
    WriteKey(*sub, path, out);
    path.pop_back();
  }
}

std::string ReadErrorText(const std::string& name) { return "'" + name + "' のデータ型が正しくありません"; }

std::vector<std::string> SplitKeyPath(const std::string& key) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('\\', start);
    if (end == std::string::npos) end = key.size();
    if (end > start) parts.push_back(key.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace

bool KeyPathFits(const std::vector<std::string>& path) {
  if (path.size() > kMaxKeyDepth) return false;
  size_t bytes = path.empty() ? 0 : path.size() - 1;
  for (const auto& part : path) bytes += part.size();
  return bytes <= kMaxKeyPathBytes;
}

bool SameRegName(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

bool RegNameLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(UpperAscii(x)) < static_cast<unsigned char>(UpperAscii(y));
  });
}

RegKey* RegKey::Sub(const std::string& n) const {
  for (const auto& s : subkeys)
    if (SameRegName(s->name, n)) return s.get();
  return nullptr;
}

RegKey* RegKey::AddSub(const std::string& n) {
  if (RegKey* existing = Sub(n)) return existing;
  auto key = std::make_unique<RegKey>();
  key->name = n;
  auto at = std::upper_bound(subkeys.begin(), subkeys.end(), n,
                             [](const std::string& x, const std::unique_ptr<RegKey>& k) { return RegNameLess(x, k->name); });
  return subkeys.insert(at, std::move(key))->get();
}

bool RegKey::RemoveSub(const std::string& n) {
  auto it = std::find_if(subkeys.begin(), subkeys.end(), [&](const auto& k) { return SameRegName(k->name, n); });
  if (it == subkeys.end()) return false;
  subkeys.erase(it);
  return true;
}

RegValue* RegKey::Value(const std::string& n) {
  for (auto& v : values)
    if (SameRegName(v.name, n)) return &v;
  return nullptr;
}

const RegValue* RegKey::Value(const std::string& n) const { return const_cast<RegKey*>(this)->Value(n); }

RegStore::RegStore(std::string path, bool readOnly) : path_(std::move(path)), readOnly_(readOnly) { Load(); }

std::string RegStore::Serialize() const { return Serialize(root_); }

std::string RegStore::Serialize(const RegKey& root) {
  std::string out = std::string(kHeader) + "\n";
  std::vector<std::string> path;
  WriteKey(root, path, out);
  return out;
}

void RegStore::Parse(const std::string& text, RegKey& root) {
  size_t pos = 0;
  int number = 0;
  RegKey* key = nullptr;
  bool headerSeen = false;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!headerSeen) {
      if (line != kHeader) throw RegistryError("line 1: not a registry store");
      headerSeen = true;
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    LineReader in(line, number);
    const std::string kind = in.Word();
    if (kind == "key") {
      // The whole line is read before the key is made, so a damaged key
      // line adds nothing.
      std::vector<std::string> parts;
      size_t pathBytes = 0;
      do {
        parts.push_back(in.Quoted());
        pathBytes += parts.back().size() + (parts.size() > 1 ? 1 : 0);
        if (parts.size() > kMaxKeyDepth) in.Fail("a key nested deeper than " + std::to_string(kMaxKeyDepth) + " keys");
        if (pathBytes > kMaxKeyPathBytes)
          in.Fail("a key path longer than " + std::to_string(kMaxKeyPathBytes) + " bytes");
      } while (!in.AtEnd());
      key = &root;
      for (const auto& part : parts) key = key->AddSub(part);
      continue;
    }
    if (!key) in.Fail("a value before the first key");
    RegValue value;
    value.name = in.Quoted();
    if (kind == "dword") {
      value.type = RegDataType::Dword;
      const std::string digits = in.Word();
      char* stop = nullptr;
      const unsigned long long n = std::strtoull(digits.c_str(), &stop, 10);
      if (*stop != '\0' || digits[0] == '-' || n > kMaxDword) in.Fail("a bad DWORD");
      value.dword = static_cast<uint32_t>(n);
    } else if (kind == "sz") {
      value.type = RegDataType::String;
      value.data = in.Quoted();
    } else if (kind == "binary") {
      value.type = RegDataType::Binary;
      const std::string hex = in.Quoted();
      if (hex.size() % 2 != 0) in.Fail("an odd number of hex digits");
      for (size_t i = 0; i < hex.size(); i += 2) {
        const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) in.Fail("a bad hex digit");
        value.data += static_cast<char>(hi * 16 + lo);
      }
    } else {
      in.Fail("an unknown record \"" + kind + "\"");
    }
    if (!in.AtEnd()) in.Fail("text after the value");
    if (key->Value(value.name)) in.Fail("a value named twice");
    key->values.push_back(std::move(value));
  }
  if (!headerSeen) throw RegistryError("line 1: not a registry store");
}

namespace {

RegKey* FindKey(RegKey& root, const std::vector<std::string>& path) {
  RegKey* key = &root;
  for (const auto& part : path) {
    key = key->Sub(part);
    if (!key) return nullptr;
  }
  return key;
}

RegKey* MakeKey(RegKey& root, const std::vector<std::string>& path) {
  RegKey* key = &root;
  for (const auto& part : path) key = key->AddSub(part);
  return key;
}

// A change beneath a key that no file could hold is refused, not made.
void RequireFit(const std::vector<std::string>& path) {
  if (!KeyPathFits(path)) throw RegistryError("キーの階層が深すぎるか、キーのパスが長すぎます");
}

std::string DamageText(const std::string& path, const std::string& reason, bool kept, const std::string& aside) {
  std::string text = "設定ファイル「" + path + "」が壊れています。壊れた箇所より前の設定だけを読み込みました。\n";
  text += kept ? "このファイルはそのまま残し、設定は保存しません。\n" : "壊れたファイルは「" + aside + "」として残しました。\n";
  return text + "(" + reason + ")";
}

// Holds an exclusive lock on the store's folder while a save reads and
// replaces the file, so that two copies never interleave their saves.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) throw RegistryError(folder + ": " + std::strerror(errno));
    while (::flock(fd_, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      const std::string reason = std::strerror(errno);
      ::close(fd_);
      throw RegistryError(folder + ": " + reason);
    }
  }
  ~FolderLock() { ::close(fd_); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

// Creates the folder and its missing parents, each private to the user.
void MakePrivateFolder(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), kFolderMode) != 0 && errno != EEXIST)
      throw RegistryError(part + ": " + std::strerror(errno));
    if (slash == std::string::npos) return;
  }
}

// A reader sees the old file or the new one, never a part.
void WriteAtomically(const std::string& path, const std::string& text) {
  if (const int error = SaveFileWhole(path, text, kFileMode); error != 0) throw RegistryError(std::strerror(error));
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

}  // namespace

void RegStore::Apply(const RegChange& change, RegKey& root) {
  switch (change.kind) {
    case RegChange::Kind::CreateKey: MakeKey(root, change.path); return;
    case RegChange::Kind::DeleteKey: {
      if (change.path.empty()) return;
      std::vector<std::string> parentPath(change.path.begin(), change.path.end() - 1);
      if (RegKey* parent = FindKey(root, parentPath)) parent->RemoveSub(change.path.back());
      return;
    }
    case RegChange::Kind::SetValue: {
      RegKey* key = MakeKey(root, change.path);
      if (RegValue* v = key->Value(change.value.name)) {
        // The first spelling of a name stays.
        v->type = change.value.type;
        v->dword = change.value.dword;
        v->data = change.value.data;
      } else {
        key->values.push_back(change.value);
      }
      return;
    }
    case RegChange::Kind::DeleteValue: {
      RegKey* key = FindKey(root, change.path);
      if (!key) return;
      auto& values = key->values;
      values.erase(std::remove_if(values.begin(), values.end(),
                                  [&](const RegValue& v) { return SameRegName(v.name, change.value.name); }),
                   values.end());
      return;
    }
  }
}

bool RegStore::CreateKey(const std::vector<std::string>& path) {
  if (FindKey(root_, path)) return false;
  RequireFit(path);
  RegChange change{RegChange::Kind::CreateKey, path, {}};
  Apply(change, root_);
  changes_.push_back(std::move(change));
  return true;
}

bool RegStore::DeleteKey(const std::vector<std::string>& path) {
  if (path.empty() || !FindKey(root_, path)) return false;
  RegChange change{RegChange::Kind::DeleteKey, path, {}};
  Apply(change, root_);
  changes_.push_back(std::move(change));
  return true;
}

void RegStore::SetValue(const std::vector<std::string>& path, RegValue value) {
  RequireFit(path);
  RegChange change{RegChange::Kind::SetValue, path, std::move(value)};
  Apply(change, root_);
  changes_.push_back(std::move(change));
}

bool RegStore::DeleteValue(const std::vector<std::string>& path, const std::string& name) {
  const RegKey* key = FindKey(root_, path);
  if (!key || !key->Value(name)) return false;
  RegChange change{RegChange::Kind::DeleteValue, path, RegValue{name, RegDataType::Unknown, 0, {}}};
  Apply(change, root_);
  changes_.push_back(std::move(change));
  return true;
}

// A damaged file keeps what was read before the damage; it is saved again
// at once so that a restart finds the same values.
void RegStore::Load() {
  QFile file(QString::fromStdString(path_));
  if (!file.exists()) return;
  RegKey parsed;
  try {
    if (!file.open(QIODevice::ReadOnly)) throw RegistryError(file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) throw RegistryError(file.errorString().toStdString());
    Parse(bytes.toStdString(), parsed);
    root_ = std::move(parsed);
  } catch (const RegistryError& e) {
    file.close();
    root_ = std::move(parsed);
    if (SetAside(e.what(), true) && !readOnly_) {
      replaceAll_ = true;
      Flush();
    }
  }
}

// The file as another copy may have left it; a file damaged meanwhile is
// moved aside like one found at start, keeping what could be read.
RegKey RegStore::ReadFileForMerge() {
  RegKey disk;
  QFile file(QString::fromStdString(path_));
  if (!file.exists()) return disk;
  if (!file.open(QIODevice::ReadOnly)) throw RegistryError(file.errorString().toStdString());
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) throw RegistryError(file.errorString().toStdString());
  file.close();
  try {
    Parse(bytes.toStdString(), disk);
  } catch (const RegistryError& e) {
    if (!SetAside(e.what(), false)) throw RegistryError(e.what());
  }
  return disk;
}

// A damaged file is never thrown away: it is moved beside the new one, or,
// when that fails, left in place and never written over. True when it was
// moved aside (or, for a read-only root, simply not used further).
bool RegStore::SetAside(const std::string& reason, bool atLoad) {
  std::string text;
  bool moved = true;
  if (readOnly_) {
    text = "設定ファイル「" + path_ + "」が壊れています。壊れた箇所より前の設定だけを読み込みました。\n(" + reason + ")";
  } else {
    std::string aside = path_ + kDamagedSuffix;
    for (int n = 1; QFile::exists(QString::fromStdString(aside)); ++n)
      aside = path_ + kDamagedSuffix + "." + std::to_string(n);
    moved = QFile::rename(QString::fromStdString(path_), QString::fromStdString(aside));
    if (!moved && atLoad) keepFile_ = true;
    text = DamageText(path_, reason, !moved, aside);
  }
  MessageRequest request{QCoreApplication::applicationName().toStdString(), text, kMessageWarning, {}};
  Dialogs().ShowMessage(request);
  return moved;
}

void RegStore::ReportSaveFailure(const std::string& reason) {
  if (failureShown_) return;
  failureShown_ = true;
  MessageRequest request{QCoreApplication::applicationName().toStdString(),
                         "設定ファイル「" + path_ + "」を保存できません。\n(" + reason + ")", kMessageError, {}};
  try {
    Dialogs().ShowMessage(request);
  } catch (...) {
    // Nothing is left to tell; the changes stay pending for the next save.
  }
}

bool RegStore::Flush() noexcept {
  if (!Dirty()) return true;
  if (keepFile_) {
    // The user was told at load that this run saves nothing over the file.
    changes_.clear();
    replaceAll_ = false;
    return true;
  }
  try {
    if (readOnly_) throw RegistryError("読み取り専用です");
    const std::string folder = FolderOf(path_);
    MakePrivateFolder(folder);
    FolderLock lock(folder);
    if (replaceAll_) {
      WriteAtomically(path_, Serialize(root_));
    } else {
      RegKey merged = ReadFileForMerge();
      for (const RegChange& change : changes_) Apply(change, merged);
      WriteAtomically(path_, Serialize(merged));
      root_ = std::move(merged);
    }
    changes_.clear();
    replaceAll_ = false;
    return true;
  } catch (const std::exception& e) {
    ReportSaveFailure(e.what());
    return false;
  }
}

std::string UserStorePath() {
  return ConfigHome() + "/" + kStoreFolder + "/" + kUserFile;
}

std::string MachineStorePath() {
  std::string dirs = Env("XDG_CONFIG_DIRS");
  if (dirs.empty()) dirs = kDefaultConfigDirs;
  std::string first;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue;
    const std::string path = dir + "/" + kStoreFolder + "/" + kMachineFile;
    if (first.empty()) first = path;
    if (QFile::exists(QString::fromStdString(path))) return path;
  }
  return first.empty() ? std::string(kDefaultConfigDirs) + "/" + kStoreFolder + "/" + kMachineFile : first;
}

namespace {
std::map<std::string, std::shared_ptr<RegStore>>& Stores() {
  static std::map<std::string, std::shared_ptr<RegStore>> stores;
  return stores;
}
}  // namespace

std::shared_ptr<RegStore> SharedStorePtr(RegRoot root) {
  const bool machine = root == RegRoot::LocalMachine;
  const std::string path = machine ? MachineStorePath() : UserStorePath();
  auto& slot = Stores()[path];
  if (!slot) slot = std::make_shared<RegStore>(path, machine);
  return slot;
}

RegStore& SharedStore(RegRoot root) { return *SharedStorePtr(root); }

void ForgetSharedStores() { Stores().clear(); }

Registry::Registry(RegRoot root) : root_(root) {}

Registry::~Registry() { CloseKey(); }

std::vector<std::string> Registry::Resolve(const std::string& key) const {
  std::vector<std::string> path;
  if (key.empty() || key[0] != '\\') path = current_;
  for (auto& part : SplitKeyPath(key)) path.push_back(std::move(part));
  return path;
}

const RegKey* Registry::Current() const {
  if (!open_ || !store_) return nullptr;
  const RegKey* key = &store_->Root();
  for (const auto& part : current_) {
    key = key->Sub(part);
    if (!key) return nullptr;
  }
  return key;
}

bool Registry::OpenKey(const std::string& key, bool canCreate) {
  const auto path = Resolve(key);
  CloseKey();
  auto store = SharedStorePtr(root_);
  const RegKey* node = &store->Root();
  for (const auto& part : path) {
    node = node->Sub(part);
    if (!node) break;
  }
  if (!node) {
    if (!canCreate || store->ReadOnly() || !KeyPathFits(path)) return false;
    store->CreateKey(path);
  }
  readOnlyKey_ = store->ReadOnly();
  store_ = std::move(store);
  current_ = path;
  open_ = true;
  return true;
}

bool Registry::OpenKeyReadOnly(const std::string& key) {
  if (!OpenKey(key, false)) return false;
  readOnlyKey_ = true;
  return true;
}

void Registry::CloseKey() noexcept {
  const bool wasOpen = open_;
  open_ = false;
  readOnlyKey_ = false;
  current_.clear();
  auto store = std::move(store_);
  store_.reset();
  if (wasOpen && store) store->Flush();
}

std::string Registry::CurrentPath() const {
  std::string path;
  for (const auto& part : current_) path += (path.empty() ? "" : "\\") + part;
  return path;
}

bool Registry::KeyExists(const std::string& key) {
  const RegKey* node = &SharedStore(root_).Root();
  for (const auto& part : Resolve(key)) {
    node = node->Sub(part);
    if (!node) return false;
  }
  return true;
}

bool Registry::CreateKey(const std::string& key) {
  RegStore& store = SharedStore(root_);
  const auto path = Resolve(key);
  if (store.ReadOnly() || !KeyPathFits(path)) return false;
  store.CreateKey(path);
  if (!open_) store.Flush();
  return true;
}

bool Registry::DeleteKey(const std::string& key) {
  RegStore& store = SharedStore(root_);
  if (store.ReadOnly()) return false;
  if (!store.DeleteKey(Resolve(key))) return false;
  if (!open_) store.Flush();
  return true;
}

std::vector<std::string> Registry::GetKeyNames() const {
  std::vector<std::string> names;
  if (const RegKey* key = Current())
    for (const auto& sub : key->subkeys) names.push_back(sub->name);
  return names;
}

std::vector<std::string> Registry::GetValueNames() const {
  std::vector<std::string> names;
  if (const RegKey* key = Current())
    for (const auto& v : key->values) names.push_back(v.name);
  return names;
}

bool Registry::HasSubKeys() const {
  const RegKey* key = Current();
  return key && !key->subkeys.empty();
}

bool Registry::ValueExists(const std::string& name) const {
  const RegKey* key = Current();
  return key && key->Value(name);
}

bool Registry::DeleteValue(const std::string& name) {
  if (!Current() || readOnlyKey_) return false;
  return store_->DeleteValue(current_, name);
}

RegDataType Registry::GetDataType(const std::string& name) const {
  const RegKey* key = Current();
  const RegValue* v = key ? key->Value(name) : nullptr;
  return v ? v->type : RegDataType::Unknown;
}

int Registry::GetDataSize(const std::string& name) const {
  const RegKey* key = Current();
  const RegValue* v = key ? key->Value(name) : nullptr;
  if (!v) return -1;
  switch (v->type) {
    case RegDataType::Dword: return sizeof(uint32_t);
    case RegDataType::String: return static_cast<int>(v->data.size()) + 1;  // with its NUL, as the registry counts
    default: return static_cast<int>(v->data.size());
  }
}

const RegValue& Registry::ValueForRead(const std::string& name) const {
  const RegKey* key = Current();
  const RegValue* v = key ? key->Value(name) : nullptr;
  if (!v) throw RegistryError(ReadErrorText(name));
  return *v;
}

void Registry::StoreValue(const std::string& name, RegValue value) {
  if (!Current() || readOnlyKey_) throw RegistryError("'" + name + "' を書き込めません");
  value.name = name;
  store_->SetValue(current_, std::move(value));
}

int32_t Registry::ReadInteger(const std::string& name) const {
  const RegValue& v = ValueForRead(name);
  if (v.type != RegDataType::Dword) throw RegistryError(ReadErrorText(name));
  return static_cast<int32_t>(v.dword);
}

bool Registry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

std::string Registry::ReadString(const std::string& name) const {
  const RegKey* key = Current();
  const RegValue* v = key ? key->Value(name) : nullptr;
  if (!v) return {};
  if (v->type != RegDataType::String) throw RegistryError(ReadErrorText(name));
  return v->data;
}

double Registry::ReadFloat(const std::string& name) const {
  const RegValue& v = ValueForRead(name);
  if (v.type != RegDataType::Binary || v.data.size() != sizeof(double)) throw RegistryError(ReadErrorText(name));
  double d = 0;
  std::memcpy(&d, v.data.data(), sizeof d);
  return d;
}

int Registry::ReadBinaryData(const std::string& name, void* buffer, int size) const {
  const RegValue& v = ValueForRead(name);
  if (v.type != RegDataType::Binary || static_cast<int>(v.data.size()) > size) throw RegistryError(ReadErrorText(name));
  std::memcpy(buffer, v.data.data(), v.data.size());
  return static_cast<int>(v.data.size());
}

void Registry::WriteInteger(const std::string& name, int32_t value) {
  StoreValue(name, RegValue{name, RegDataType::Dword, static_cast<uint32_t>(value), {}});
}

void Registry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void Registry::WriteString(const std::string& name, const std::string& value) {
  StoreValue(name, RegValue{name, RegDataType::String, 0, value});
}

void Registry::WriteFloat(const std::string& name, double value) { WriteBinaryData(name, &value, sizeof value); }

void Registry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
  StoreValue(name, RegValue{name, RegDataType::Binary, 0, std::string(static_cast<const char*>(buffer), static_cast<size_t>(size))});
}

}  // namespace platform
