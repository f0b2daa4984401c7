// WRITE LINE output: the text lines that the server returns with a reply,
// stored as they come in "pdwrtln1.trc"/"pdwrtln2.trc" in PDWRTLNPATH.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Writes the running request's WRITE LINE block; a block that does not lie
// within the received reply is reported and writes nothing.
void clt_wrtln_write();
// "pdwrtln1.trc" for number 0, "pdwrtln2.trc" for number 1.
void clt_wrtln_filename(int32_t number, char* destination, size_t size);
