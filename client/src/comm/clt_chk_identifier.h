// The identifier check of the extended statement and cursor names: a name
// is normalised in place (single-byte letters upper-cased unless quoted)
// and accepted only when it is a regular identifier of the client's code
// set, so the server never sees a name it would read differently.
#pragma once

#include <stdint.h>

// codeset: the two characters of the client code set (PDRDCLTCODE); its
// first character chooses Shift-JIS ('1'), EUC ('2', '3') or single-byte
// only. 0 for a regular identifier, -1 otherwise; the text is upper-cased
// either way.
int32_t clt_chk_identifier(const char codeset[2], char* text, int32_t length);
