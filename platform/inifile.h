// A small ini file: "[section]" lines and "key=value" lines, read whole on
// construction and written back whole by UpdateFile. Sections and keys keep
// the order in which they were first seen. Keys and values may hold any text:
// a backslash, a line break and (in keys) "=" are written escaped, so that
// every value reads back exactly as it was written.
#pragma once

#include <string>
#include <vector>

namespace platform {

class IniFile {
 public:
  // Reads `path` when it exists; a missing file is an empty one. Nothing is
  // written until UpdateFile.
  explicit IniFile(std::string path);

  const std::string& FileName() const { return path_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  std::vector<std::string> ReadSection(const std::string& section) const;  // the keys, in order
  std::vector<std::string> ReadSections() const;
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& key);

  // Writes the file when anything changed since it was read or last written:
  // into a temporary file beside it, then renamed over it, so that a reader
  // never sees half a file. Throws std::runtime_error on failure.
  void UpdateFile();

 private:
  struct Entry {
    std::string key;
    std::string value;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  const Section* FindSection(const std::string& name) const;
  Section* FindSection(const std::string& name);
  void Parse(const std::string& text);

  std::string path_;
  std::vector<Section> sections_;
  bool dirty_ = false;
};

}  // namespace platform
