// Character-code conversion: `clt_cnv_convert`, the one operation through
// which character data crosses the connection, the set-up of its two slots
// at CONNECT, and the external-character library (PDCLTGAIJIDLL) that
// supplies the user conversion.
//
// Callers convert only in the modes other than NOUSE and AUTO; they often
// call twice, measuring first (CLT_CNV_MEASURE) and then storing.
#pragma once

#include <stdint.h>

#include "clt_cnv_frame.h"
#include "zk_records.h"

// Converts *source_length bytes at `source` through slot 1 (client to
// server) or 2 (server to client) of the running connection into at most
// *target_size bytes at `target`; *output_length receives the bytes
// produced (or, measuring, needed) and bit 0 of *replaced tells that a
// replacement character was written. Returns CLT_CNV_DONE, CLT_CNV_PARTIAL
// (the source ends inside a character), CLT_CNV_FULL (the next character
// does not fit) or CLT_CNV_FAILED (no such slot, no slot set up, bad
// lengths). An empty source converts to nothing with CLT_CNV_DONE.
int32_t clt_cnv_convert(int32_t slot, int32_t* source_length, const char* source, int32_t* target_size,
                        char* target, int32_t* output_length, uint32_t* replaced, uint32_t mode);

// The same through the slots of `env`.
int32_t clt_cnv_convert_env(clt_env& env, int32_t slot, int32_t* source_length, const char* source,
                            int32_t* target_size, char* target, int32_t* output_length, uint32_t* replaced,
                            uint32_t mode);

// Sets both slots for the mode code `mode` (clt_cnv_mode_code).
void clt_cnv_setup(clt_env* env, uint8_t mode);

// The connection's length factor, slot 2's: 3 where a character value may
// grow on its way from the server to the client, else 1; 1 also before
// CONNECT sets the slots.
uint32_t clt_cnv_length_factor(const clt_env& env);

// Loads the function PDCLTGAIJIFUNC of the library PDCLTGAIJIDLL, when
// that is set. A failure is written to the error log only; the user
// conversion then writes the replacement character.
void clt_cnv_load_user(clt_env* env);
// Releases the library again.
void clt_cnv_release_user(clt_env* env);
