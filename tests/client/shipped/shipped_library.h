// The shipped libzelkit.so as a program loads it: opened with dlopen, its
// exports found with dlsym, and its hidden records found in memory by the
// library's own symbol table.
#pragma once

#include <dlfcn.h>
#include <stdint.h>

#include <map>
#include <string>

#include "zelkit.h"

namespace shipped {

class library {
 public:
  library();
  ~library();
  library(const library&) = delete;
  library& operator=(const library&) = delete;

  // Empty when the library loaded; otherwise what went wrong.
  const std::string& error() const { return error_; }

  int32_t exsql(rdb_sql_area* area) const { return exsql_(area); }

  // An export of the library, as dlsym finds it; null when it has none.
  template <typename F>
  F* export_of(const char* name) const {
    return reinterpret_cast<F*>(handle_ != nullptr ? dlsym(handle_, name) : nullptr);
  }

  // Where a hidden record of the library lies in this process: its
  // address in the symbol table plus the load address of the library;
  // null when the table does not name it.
  const void* hidden(const char* symbol) const;

 private:
  void* handle_ = nullptr;
  int32_t (*exsql_)(rdb_sql_area*) = nullptr;
  uintptr_t load_base_ = 0;
  std::map<std::string, uintptr_t> symbols_;
  std::string error_;
};

}  // namespace shipped
