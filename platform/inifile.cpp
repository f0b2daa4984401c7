#include "platform/inifile.h"

#include <QByteArray>
#include <QFile>

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/savefile.h"

namespace platform {
namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8BomLength = 3;

// Windows treats section and key names without regard to ASCII case.
bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

bool IsValidUtf8(const std::string& bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    size_t length = b < 0x80 ? 1 : (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3 : (b >= 0xF0 && b <= 0xF4) ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    for (size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    i += length;
  }
  return true;
}

// Files written by the Windows editions are CP932.
std::string FromCp932(const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
  std::string out;
  std::vector<char> buffer(bytes.size() * 3 / 2 + 16);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), buffer.size() - outLeft);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      // An undecodable byte is kept as a replacement mark and skipped.
      out += "\xEF\xBF\xBD";
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

std::string Escape(const std::string& text, bool isKey) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (isKey && c == '=') out += "\\=";
    else if (isKey && i == 0 && (c == '[' || c == ';')) { out += '\\'; out += c; }
    else out += c;
  }
  return out;
}

// Splits an entry line at its first unescaped "=" and undoes the escapes.
// Returns false for a line that holds no "=".
bool SplitEntry(const std::string& line, std::string& key, std::string& value) {
  std::string* target = &key;
  bool sawEquals = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '\\' && i + 1 < line.size()) {
      const char n = line[++i];
      *target += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    } else if (c == '=' && !sawEquals) {
      sawEquals = true;
      target = &value;
    } else {
      *target += c;
    }
  }
  return sawEquals;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
  QFile file(QString::fromStdString(path_));
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray raw = file.readAll();
  std::string text(raw.constData(), static_cast<size_t>(raw.size()));
  if (text.compare(0, kUtf8BomLength, kUtf8Bom) == 0) text.erase(0, kUtf8BomLength);
  Parse(IsValidUtf8(text) ? text : FromCp932(text));
}

void IniFile::Parse(const std::string& text) {
  Section* current = nullptr;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      const std::string name = line.substr(1, close == std::string::npos || close == 0 ? std::string::npos : close - 1);
      current = FindSection(name);
      if (!current) {
        sections_.push_back({name, {}});
        current = &sections_.back();
      }
      continue;
    }
    std::string key, value;
    if (!current || !SplitEntry(line, key, value)) continue;
    auto it = std::find_if(current->entries.begin(), current->entries.end(),
                           [&](const Entry& e) { return SameName(e.key, key); });
    if (it == current->entries.end()) current->entries.push_back({key, value});
  }
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  auto it = std::find_if(sections_.begin(), sections_.end(), [&](const Section& s) { return SameName(s.name, name); });
  return it == sections_.end() ? nullptr : &*it;
}

IniFile::Section* IniFile::FindSection(const std::string& name) {
  return const_cast<Section*>(static_cast<const IniFile*>(this)->FindSection(name));
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  if (const Section* s = FindSection(section))
    for (const Entry& e : s->entries)
      if (SameName(e.key, key)) return e.value;
  return def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  const std::string text = ReadString(section, key, "");
  if (text.empty()) return def;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return def;
  return static_cast<int>(value);
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back({section, {}});
    s = &sections_.back();
  }
  for (Entry& e : s->entries) {
    if (SameName(e.key, key)) {
      if (e.value != value) {
        e.value = value;
        dirty_ = true;
      }
      return;
    }
  }
  s->entries.push_back({key, value});
  dirty_ = true;
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

bool IniFile::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  if (const Section* s = FindSection(section))
    for (const Entry& e : s->entries)
      if (SameName(e.key, key)) return true;
  return false;
}

std::vector<std::string> IniFile::ReadSection(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* s = FindSection(section))
    for (const Entry& e : s->entries) keys.push_back(e.key);
  return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> names;
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

void IniFile::EraseSection(const std::string& section) {
  auto it = std::find_if(sections_.begin(), sections_.end(), [&](const Section& s) { return SameName(s.name, section); });
  if (it == sections_.end()) return;
  sections_.erase(it);
  dirty_ = true;
}

void IniFile::DeleteKey(const std::string& section, const std::string& key) {
  Section* s = FindSection(section);
  if (!s) return;
  auto it = std::find_if(s->entries.begin(), s->entries.end(), [&](const Entry& e) { return SameName(e.key, key); });
  if (it == s->entries.end()) return;
  s->entries.erase(it);
  dirty_ = true;
}

void IniFile::UpdateFile() {
  if (!dirty_) return;
  std::string text;
  for (const Section& s : sections_) {
    text += "[" + s.name + "]\n";
    for (const Entry& e : s.entries) text += Escape(e.key, true) + "=" + Escape(e.value, false) + "\n";
  }
  if (const int error = SaveFileWhole(path_, text); error != 0)
    throw std::runtime_error("ファイル " + path_ + " に書き込めません。" + std::strerror(error));
  dirty_ = false;
}

}  // namespace platform
