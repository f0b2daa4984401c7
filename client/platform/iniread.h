// Read-only access to ini files with the private-profile rules that the
// client settings rely on.
#pragma once

#include <stdint.h>

// Directory where a bare file name (one without '/') is looked for; it
// stands in for the Windows directory of the profile functions.
inline constexpr const char* INI_PROFILE_DIR = "/etc";

// The directory in use for bare file names (INI_PROFILE_DIR unless a test
// moved it).
const char* ini_profile_dir(void);
// Test hook: moves the directory of bare file names; null restores it.
void ini_set_profile_dir(const char* dir);

// Copies the value of `key` in `section` of the ini `file` into `buf`
// (`size` bytes, always NUL-terminated, cut to size - 1 characters).
// Section and key names match in any case; blanks around names and values
// are dropped; lines starting with ';' or '#' are comments. Returns the
// characters copied: 0 when the file, section or key is missing or the
// value is empty.
uint32_t ini_read_string(const char* file, const char* section, const char* key,
                         char* buf, uint32_t size);
