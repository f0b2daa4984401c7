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
//
// Saving: the folder is created 0700 and the file 0600 (saved logons hold
// passwords). Several running copies share the file: a save locks the
// store's folder, reads the file again, applies only the changes this copy
// made (deletions included) and replaces the file atomically. A save that
// fails is reported once and never raises; the changes stay pending for
// the next save.
#pragma once

#include <cstdint>
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

// A key path fits the store when it is at most kMaxKeyDepth keys deep and
// its names, joined by "\", take at most kMaxKeyPathBytes. Every key line
// of a file repeats its whole path, so without this bound one deep key
// makes a save grow with the square of its depth. A file holding a deeper
// or longer key is damaged; such a key cannot be opened for creation.
inline constexpr size_t kMaxKeyDepth = 64;
inline constexpr size_t kMaxKeyPathBytes = 4096;
bool KeyPathFits(const std::vector<std::string>& path);

// Names compare without regard to the case of ASCII letters.
bool SameRegName(const std::string& a, const std::string& b);
// The registry's listing order of subkeys (by upper-cased name).
bool RegNameLess(const std::string& a, const std::string& b);

// One change made by this copy of the program, kept until it is saved.
struct RegChange {
  enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
  Kind kind = Kind::CreateKey;
  std::vector<std::string> path;  // of the key
  RegValue value;                  // SetValue: the value; DeleteValue: its name
};

// One root of the registry in memory, loaded from its file when made. The
// view in memory holds the file as last read plus this copy's changes.
class RegStore {
 public:
  RegStore(std::string path, bool readOnly);

  const RegKey& Root() const { return root_; }
  const std::string& Path() const { return path_; }
  bool ReadOnly() const { return readOnly_; }
  bool Dirty() const { return replaceAll_ || !changes_.empty(); }

  // The changes a copy makes: applied to the view at once, to the file at
  // the next Flush. Each returns whether the view changed.
  bool CreateKey(const std::vector<std::string>& path);
  bool DeleteKey(const std::vector<std::string>& path);
  void SetValue(const std::vector<std::string>& path, RegValue value);
  bool DeleteValue(const std::vector<std::string>& path, const std::string& name);
  // Saves what changed since the last save; false when that failed (the
  // failure is shown once per run; the changes stay for the next save).
  bool Flush() noexcept;

  std::string Serialize() const;
  static std::string Serialize(const RegKey& root);
  // Parses a whole file into `root`; throws RegistryError at the first
  // damaged line, leaving in `root` every key and value read before it.
  static void Parse(const std::string& text, RegKey& root);
  static void Apply(const RegChange& change, RegKey& root);

 private:
  void Load();
  RegKey ReadFileForMerge();
  bool SetAside(const std::string& reason, bool atLoad);
  void ReportSaveFailure(const std::string& reason);

  std::string path_;
  bool readOnly_;
  bool keepFile_ = false;        // the damaged file could not be moved aside
  bool replaceAll_ = false;      // the view is written whole at the next save
  bool failureShown_ = false;
  std::vector<RegChange> changes_;
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
  void CloseKey() noexcept;
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
  const RegKey* Current() const;
  void StoreValue(const std::string& name, RegValue value);
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
  explicit KeyScope(Registry& registry) : registry_(registry) {}
  ~KeyScope() { registry_.CloseKey(); }
  KeyScope(const KeyScope&) = delete;
  KeyScope& operator=(const KeyScope&) = delete;

 private:
  Registry& registry_;
};

}  // namespace platform
