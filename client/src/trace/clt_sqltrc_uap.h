// The head of every SQL trace file: application, user and start time, and
// as PDTRCLVL asks the settings in effect, the connection's state and the
// column header of the request lines.
#pragma once

#include <stdint.h>

// Writes the head into `fd` for the trace-file index (4 for kind 7, 6 for
// kind 16), one write per block; the first failing write's negative
// result, otherwise 0 or more.
int32_t clt_sqltrc_uap(int fd, int32_t index);
