// savefile: files replaced whole. The new bytes go to a temporary file
// beside the target that is renamed over it, so a reader sees the old file
// or the new one, never a part. A save cut short (a kill, a crash) leaves
// its temporary file behind; the next save of the same file removes it.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Replaces `path` with `bytes`. `mode` gives the new file's permissions;
// without it the file keeps those it had, and a new one gets the default
// ones under the umask. Returns 0, or the errno of the step that failed
// (the old file then stays and the temporary file is gone).
int SaveFileWhole(const std::string& path, std::string_view bytes, std::optional<mode_t> mode = std::nullopt);

}  // namespace platform
