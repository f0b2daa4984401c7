#include "standin/symfoware/functions.h"

#include <sqlite3.h>

#include <string>

namespace symfoware {
namespace {

constexpr int kMinArgs = 2;
constexpr int kMaxArgs = 3;

// Byte offsets of the first n UTF-8 characters' end, or the whole size.
size_t PrefixBytes(const std::string& text, long long n, long long& chars) {
  chars = 0;
  size_t i = 0;
  while (i < text.size() && chars < n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    ++chars;
  }
  return i;
}

template <bool kLeft>
void Pad(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string text(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])));
  long long width = sqlite3_value_int64(argv[1]);
  std::string pad = " ";
  if (argc == kMaxArgs && sqlite3_value_type(argv[2]) != SQLITE_NULL)
    pad = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
  if (width < 0 || pad.empty()) {
    sqlite3_result_null(ctx);
    return;
  }
  long long chars = 0;
  std::string result = text.substr(0, PrefixBytes(text, width, chars));
  // The pad text is repeated character by character until the width.
  std::string fill;
  size_t padPos = 0;
  while (chars < width) {
    long long one = 0;
    size_t next = padPos + PrefixBytes(pad.substr(padPos), 1, one);
    fill += pad.substr(padPos, next - padPos);
    padPos = next < pad.size() ? next : 0;
    ++chars;
  }
  result = kLeft ? fill + result : result + fill;
  sqlite3_result_text(ctx, result.c_str(), static_cast<int>(result.size()), SQLITE_TRANSIENT);
}

}  // namespace

void RegisterFunctions(sqlite3* db) {
  for (int argc = kMinArgs; argc <= kMaxArgs; ++argc) {
    sqlite3_create_function_v2(db, "RPAD", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               Pad<false>, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "LPAD", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               Pad<true>, nullptr, nullptr, nullptr);
  }
}

}  // namespace symfoware
