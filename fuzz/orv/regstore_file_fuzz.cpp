// The settings store file as it lies on disk: whatever parses must save
// back into a file that parses to the same store, and a save never grows
// beyond a bounded factor of the keys it writes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/regstore.h"

namespace {

using platform::RegKey;
using platform::RegistryError;
using platform::RegStore;

// Each key line repeats a path of at most kMaxKeyPathBytes bytes, every
// byte quoted as at most four ("\xHH"), plus the quotes and blanks of its
// names.
constexpr size_t kEscapedByte = 4;
constexpr size_t kNameFrame = 3;
constexpr size_t kKeyLineBound = 8 + kEscapedByte * platform::kMaxKeyPathBytes + kNameFrame * platform::kMaxKeyDepth;

size_t CountKeys(const RegKey& key) {
  size_t count = 1;
  for (const auto& sub : key.subkeys) count += CountKeys(*sub);
  return count;
}

size_t ValueBytes(const RegKey& key) {
  size_t bytes = 0;
  for (const auto& value : key.values) bytes += value.name.size() + value.data.size();
  for (const auto& sub : key.subkeys) bytes += ValueBytes(*sub);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  RegKey root;
  try {
    RegStore::Parse(text, root);
  } catch (const RegistryError&) {
    // A damaged file keeps what was read before the damage: that is saved.
  }
  const std::string saved = RegStore::Serialize(root);
  // Values are written as their bytes escaped (binary data doubled, text up
  // to four times); keys as one bounded line each.
  constexpr size_t kValueFactor = 8;
  if (saved.size() > CountKeys(root) * kKeyLineBound + ValueBytes(root) * kValueFactor + size) std::abort();
  RegKey reread;
  RegStore::Parse(saved, reread);  // raises, and so fails, on a save that does not read back
  if (RegStore::Serialize(reread) != saved) std::abort();
  return 0;
}
