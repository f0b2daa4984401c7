// Read-only access to the file-backed registry: one text file per root,
// the current user's under $XDG_CONFIG_HOME/Tessavar/ and the local
// machine's in the first folder of $XDG_CONFIG_DIRS that holds one.
//
// File format (one record a line, "#" lines are comments):
//   # Tessavar registry store 1          first line, fixed
//   key "Software" "VELMORA" "Marlo.INI" a key, by its path components
//   dword "Name" 80004                   decimal, 0..4294967295
//   sz "Name" "text"                     a text
//   binary "Name" "0aff..."              bytes as hex digits
// Value lines belong to the key line above them. Quoted texts escape
// \\ \" \r \n \t and \xHH. Names match without regard to ASCII case.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

enum class reg_root { current_user, local_machine };
enum class reg_type { dword, string, binary };

struct reg_value {
  std::string name;
  reg_type type = reg_type::string;
  std::string data;  // text, bytes, or the dword's four bytes (little-endian)
};

// The values of one opened key.
struct reg_key {
  std::vector<reg_value> values;
  const reg_value* find(const char* name) const;
};

// The file that holds a root.
std::string reg_store_path(reg_root root);

// Opens the key `path` (components separated by '\') of a root for
// reading. False when the root's file is missing or damaged, or the key
// is not in it.
bool reg_open_key(reg_root root, const char* path, reg_key* out);
