#include "app/zarur.h"

#include <chrono>
#include <random>

#include "platform/folders.h"

// ---- process-wide globals and folders ----

std::string ProgramDir;
std::string UserDir;
std::string ShareDir;
TovRegistry AppRegistry;
std::vector<std::string> SQLLogFiles;
std::vector<std::string> EditorReserveWords;
std::string ShortDateFormat;
std::string LongDateFormat;

namespace {
constexpr const char* kShareSubFolder = "ORV/";

std::string WithSlash(const std::string& folder) { return folder.ends_with('/') ? folder : folder + "/"; }
}  // namespace

TovFolders ResolveFolders(const std::string& executable, const std::string& documents,
                          const std::string& sharedData) {
  TovFolders f;
  f.ProgramDir = WithSlash(executable.substr(0, executable.rfind('/') + 1));
  f.UserDir = documents.empty() ? f.ProgramDir : WithSlash(documents);
  f.ShareDir = sharedData.empty() ? f.ProgramDir : WithSlash(sharedData) + kShareSubFolder;
  return f;
}

void InitFolders() {
  const TovFolders f = ResolveFolders(platform::ExecutablePath(), platform::DocumentsFolder(),
                                      platform::SharedDataFolder());
  ProgramDir = f.ProgramDir;
  UserDir = f.UserDir;
  platform::CreateFolder(UserDir);
  ShareDir = f.ShareDir;
  platform::CreateFolder(ShareDir);
}

// ---- saved-password scrambling ----

namespace {
constexpr std::string_view kScrambleAlphabet = "]~@<;_=[>|:.,!#?";
constexpr size_t kScramblePadTo = 64;
constexpr int kNibble = 16;
constexpr int kNibbleBias = 4095;  // keeps the decoding sums positive

int ScrambleDraw() {
  static std::mt19937 engine(static_cast<unsigned>(std::random_device{}()) ^
                             static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return std::uniform_int_distribution<int>(0, kNibble - 1)(engine);
}

// 1-based position in the alphabet, 0 for a character outside it.
int AlphabetPosition(char c) {
  const size_t at = kScrambleAlphabet.find(c);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string TrimBlanksAndControls(const std::string& s) {
  size_t first = 0, last = s.size();
  while (first < last && static_cast<unsigned char>(s[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(s[last - 1]) <= ' ') --last;
  return s.substr(first, last - first);
}
}  // namespace

std::string ScramblePassword(const std::string& password) {
  const int key = ScrambleDraw();
  const int filler1 = ScrambleDraw();
  const int filler2 = ScrambleDraw();
  const int filler3 = ScrambleDraw();
  return ScramblePasswordWith(password, key, filler1, filler2, filler3);
}

std::string ScramblePasswordWith(const std::string& password, int key, int filler1, int filler2, int filler3) {
  if (password.empty()) return {};
  std::string padded = password;
  if (padded.size() < kScramblePadTo) padded.resize(kScramblePadTo, ' ');
  const size_t n = padded.size();
  // Layout: filler2, high nibbles n..1, key, filler1, low nibbles 1..n, filler3.
  std::string text(2 * n + 4, ' ');
  text[0] = kScrambleAlphabet[filler2];
  text[n + 1] = kScrambleAlphabet[key];
  text[n + 2] = kScrambleAlphabet[filler1];
  text[2 * n + 3] = kScrambleAlphabet[filler3];
  for (size_t i = 1; i <= n; ++i) {
    const auto b = static_cast<unsigned char>(padded[i - 1]);
    const size_t shift = static_cast<size_t>(key) + 1 + i;
    text[n + 1 - i] = kScrambleAlphabet[((b >> 4) + shift) % kNibble];
    text[n + 2 + i] = kScrambleAlphabet[((b & 15) + shift) % kNibble];
  }
  return text;
}

std::string UnscramblePassword(const std::string& scrambled) {
  const long p = static_cast<long>(scrambled.size() / 2);  // 1-based middle
  if (p < 1) return {};
  // The key's 0-based index plus one, which is its 1-based position.
  const long key = AlphabetPosition(scrambled[p - 1]);
  std::string out;
  for (long i = 1; i <= p - 2; ++i) {
    const long c = AlphabetPosition(scrambled[p - i - 1]);
    const long e = AlphabetPosition(scrambled[p + i]);
    const long high = ((c - key - i + kNibbleBias) % kNibble + kNibble) % kNibble;
    const long low = ((e - key - i + kNibbleBias) % kNibble + kNibble) % kNibble;
    out += static_cast<char>(high * kNibble + low);
  }
  return TrimBlanksAndControls(out);
}

// ---- message boxes and input dialog ----

// ---- text, identifier and value helpers ----

// ---- file names and creation times ----
