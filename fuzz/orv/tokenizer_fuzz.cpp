// The clause reader's tokenizer over any text: each token is the next
// piece of the text after blanks and TABs, and the text is used up.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/core/ovtoken.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  std::string_view text = source;
  std::string token;
  size_t at = 0;
  int kind;
  while ((kind = ExtractToken(text, token)) != tkNone) {
    while (source[at] == ' ' || source[at] == '\t') ++at;
    if (token.empty() || source.substr(at, token.size()) != token) std::abort();
    at += token.size();
    if (text != source.substr(at)) std::abort();
    StrCmpBegin(token, std::string(text.substr(0, token.size())));
  }
  if (!text.empty() || !token.empty()) std::abort();
  return 0;
}
