// Display text of a catalogue creation time.
#pragma once

#include <string>

namespace platform {

// "YYYY/MM/DD hh:mm:ss" for a creation time written as digits
// ("20240131235959", fractions after the seconds ignored) or with the usual
// separators ("2024-01-31 23:59:59.123456", "2024/01/31T23:59:59"); a date
// alone gives "YYYY/MM/DD". Any other text comes back trimmed, unchanged.
std::string GetCreateTime(const std::string& createTime);

}  // namespace platform
