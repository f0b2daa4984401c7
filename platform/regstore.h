// The registry of orv: a tree of keys with typed values, one text file per
// root, and a TRegistry-style view (Registry) over it.
//
// Files: the current user's root is $XDG_CONFIG_HOME/Tessavar/current_user.registry
// (XDG_CONFIG_HOME defaults to ~/.config); the local machine's root is read
// only, from the first folder of $XDG_CONFIG_DIRS (default /etc/xdg) that
// holds Tessavar/local_machine.registry.
//
// File format (UTF-8, one record a line, "#" lines are comments):
//   # Tessavar registry store 1          first line, fixed
//   key "Software" "Tessavar" "ORV"      a key, by its path components
//   dword "Version" 80004                a REG_DWORD (decimal, 0..4294967295)
//   sz "DateFormat" "yyyy/MM/dd"         a REG_SZ
//   binary "pnlDBRect" "0a000000ff..."   a REG_BINARY, as hex digits
// Value lines belong to the key line above them. Quoted texts escape
// backslash, double quote, CR, LF, TAB as \\ \" \r \n \t and other control
// characters as \xHH. Keys are written depth-first with subkeys sorted as
// the registry lists them; values keep their order.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

enum class RegRoot { CurrentUser, LocalMachine };
enum class RegDataType { Unknown, Dword, String, Binary };

// Raised by a read of a missing value or of one of another type, and by a
// write that cannot be stored.
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RegValue {
  std::string name;
  RegDataType type = RegDataType::Unknown;
  uint32_t dword = 0;
  std::string data;  // text of a string, bytes of a binary value
};

struct RegKey {
  std::string name;
  std::vector<RegValue> values;                 // in the order they were created
  std::vector<std::unique_ptr<RegKey>> subkeys;  // sorted as the registry lists them

  RegKey* Sub(const std::string& name) const;
  RegKey* AddSub(const std::string& name);
  bool RemoveSub(const std::string& name);
  RegValue* Value(const std::string& name);
  const RegValue* Value(const std::string& name) const;
};

// Names compare without regard to the case of ASCII letters.
bool SameRegName(const std::string& a, const std::string& b);
// The registry's listing order of subkeys (by upper-cased name).
bool RegNameLess(const std::string& a, const std::string& b);

// One root of the registry in memory, loaded from its file when made and
// saved back atomically (temporary file, then rename) by Flush.
class RegStore {
 public:
  RegStore(std::string path, bool readOnly);

  RegKey& Root() { return root_; }
  const std::string& Path() const { return path_; }
  bool ReadOnly() const { return readOnly_; }
  void MarkDirty() { dirty_ = true; }
  bool Dirty() const { return dirty_; }
  // Writes the file when something changed since the last save.
  void Flush();

  std::string Serialize() const;
  // Parses a whole file; throws RegistryError on any damage.
  static void Parse(const std::string& text, RegKey& root);

 private:
  void Load();
  void SetAside(const std::string& reason);

  std::string path_;
  bool readOnly_;
  bool dirty_ = false;
  bool keepFile_ = false;  // the damaged file could not be moved aside
  RegKey root_;
};

std::string UserStorePath();
std::string MachineStorePath();
// The process-wide store of a root, loaded on first use from the path the
// environment names at that moment. A damaged file is reported once.
RegStore& SharedStore(RegRoot root);
std::shared_ptr<RegStore> SharedStorePtr(RegRoot root);
// Drops the loaded stores so that the next use reads the files again, as a
// new run of the program would.
void ForgetSharedStores();

// A view of one root with at most one open key, after the class library's
// registry class. Key paths use "\"; one beginning with "\" is absolute,
// another is relative to the open key.
class Registry {
 public:
  explicit Registry(RegRoot root = RegRoot::CurrentUser);
  virtual ~Registry();
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;

  RegRoot RootKey() const { return root_; }
  bool OpenKey(const std::string& key, bool canCreate);
  bool OpenKeyReadOnly(const std::string& key);
  // Closes the open key and saves what changed.
  void CloseKey();
  std::string CurrentPath() const;
  bool KeyExists(const std::string& key);
  bool CreateKey(const std::string& key);
  bool DeleteKey(const std::string& key);

  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;
  bool HasSubKeys() const;
  bool ValueExists(const std::string& name) const;
  bool DeleteValue(const std::string& name);
  RegDataType GetDataType(const std::string& name) const;
  // Bytes of the value's data, -1 when it does not exist.
  int GetDataSize(const std::string& name) const;

  int32_t ReadInteger(const std::string& name) const;
  bool ReadBool(const std::string& name) const;
  // A missing value reads as empty; a value of another type raises.
  std::string ReadString(const std::string& name) const;
  double ReadFloat(const std::string& name) const;
  // Copies the data into buffer and returns its size; raises when the value
  // is not binary or longer than size.
  int ReadBinaryData(const std::string& name, void* buffer, int size) const;

  void WriteInteger(const std::string& name, int32_t value);
  void WriteBool(const std::string& name, bool value);
  void WriteString(const std::string& name, const std::string& value);
  void WriteFloat(const std::string& name, double value);
  void WriteBinaryData(const std::string& name, const void* buffer, int size);

 private:
  std::vector<std::string> Resolve(const std::string& key) const;
  RegKey* Current() const;
  RegValue& ValueForWrite(const std::string& name, RegDataType type);
  const RegValue& ValueForRead(const std::string& name) const;

  RegRoot root_;
  std::shared_ptr<RegStore> store_;  // held while a key is open
  bool open_ = false;
  bool readOnlyKey_ = false;
  std::vector<std::string> current_;
};

// Closes the registry's open key (saving what changed) when the scope ends,
// however it ends. Made before the key is opened, so that a failed open or
// a read that raises leaves no key open either.
class KeyScope {
 public:
  explicit KeyScope(Registry& registry) : registry_(registry), unwinding_(std::uncaught_exceptions()) {}
  // A save that fails raises like CloseKey, unless an exception already
  // leaves the scope: that one is the error the caller sees.
  ~KeyScope() noexcept(false) {
    if (std::uncaught_exceptions() == unwinding_) {
      registry_.CloseKey();
      return;
    }
    try {
      registry_.CloseKey();
    } catch (...) {
    }
  }
  KeyScope(const KeyScope&) = delete;
  KeyScope& operator=(const KeyScope&) = delete;

 private:
  Registry& registry_;
  int unwinding_;
};

}  // namespace platform
