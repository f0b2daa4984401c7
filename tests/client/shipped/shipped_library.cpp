#include "shipped_library.h"

#include <dlfcn.h>
#include <stdio.h>

#include <map>
#include <sstream>

namespace shipped {

namespace {

// The defined symbols of the library's full symbol table with their values.
std::map<std::string, uintptr_t> read_symbols() {
  std::map<std::string, uintptr_t> symbols;
  const std::string command = std::string(ZELKIT_NM " --defined-only ") + ZELKIT_LIBRARY;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return symbols;
  char line[1024];
  while (fgets(line, sizeof(line), pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, kind, name;
    fields >> address >> kind >> name;
    if (!name.empty()) symbols[name] = static_cast<uintptr_t>(std::stoull(address, nullptr, 16));
  }
  pclose(pipe);
  return symbols;
}

}  // namespace

library::library() {
  handle_ = dlopen(ZELKIT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    error_ = dlerror();
    return;
  }
  exsql_ = reinterpret_cast<int32_t (*)(rdb_sql_area*)>(dlsym(handle_, "p_rdb_exsql"));
  Dl_info info{};
  if (exsql_ == nullptr || dladdr(reinterpret_cast<void*>(exsql_), &info) == 0) {
    error_ = "p_rdb_exsql not found";
    return;
  }
  load_base_ = reinterpret_cast<uintptr_t>(info.dli_fbase);
  symbols_ = read_symbols();
  // The symbol table and the loaded library must agree on an export
  // before a hidden record is looked up the same way.
  if (load_base_ + symbols_["p_rdb_exsql"] != reinterpret_cast<uintptr_t>(exsql_)) {
    error_ = "the symbol table does not match the loaded library";
  }
}

library::~library() {
  if (handle_ != nullptr) dlclose(handle_);
}

const void* library::hidden(const char* symbol) const {
  const auto found = symbols_.find(symbol);
  const uintptr_t value = found != symbols_.end() ? found->second : 0;
  return value != 0 ? reinterpret_cast<const void*>(load_base_ + value) : nullptr;
}

}  // namespace shipped
