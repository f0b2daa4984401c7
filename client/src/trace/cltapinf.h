// Access-path information: the server's access-path data of a request,
// stored unchanged behind a "CINF" record head in a file pair of
// PDTAAPINFPATH: "pdtaapinf1"/"pdtaapinf2", or with PDTAAPINFMODE 1 a pair
// named by the connection's time and number.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct clt_main;

// Writes the request's access-path record and drops the kept block.
void clt_apinf_write();
// The names of the connection's pair: file 1 for number 0, file 2 for 1.
void clt_apinf_filename(const clt_main* main, int32_t number, char* destination, size_t size);
