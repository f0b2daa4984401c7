// What the test server adds to its replies for the client's traces: the
// per-request server data (statistics line), the optimizer section (with
// access-path data ahead of it), the execution result, WRITE LINE output,
// a trace request, and the DISCONNECT's statistics record.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "marlo_reply.h"
#include "marlo_values.h"

namespace marlo {

constexpr size_t kServerDataWords = 10;

struct trace_options {
  bool server_data = false;                   // the 40-byte per-request data
  uint32_t server_words[kServerDataWords] = {};  // start s, us, end s, us, then the counts
  std::vector<uint8_t> access_path;           // at least 136 bytes when the optimizer text follows it
  std::string optimizer;                      // the optimizer result text
  std::string execution;                      // the execution result text
  std::string write_line;                     // WRITE LINE output, empty: none
  bool write_line_cut = false;                // the server cut it at PDWRTLNCOMSZ
  bool trace_request = false;                 // ask for a trace window
  std::string trace_request_function;         // only in replies of this function; empty: all
  uint32_t trace_size = 0;
  uint32_t trace_count = 0;
  uint16_t trace_prmsize = 0;
  uint8_t trace_mask = 0;
  uint8_t trace_mode = 0;
  std::vector<uint32_t> statistics;           // the DISCONNECT's record, word by word; empty: none
};

// The size of the DISCONNECT's statistics area that CONNECT announces.
uint32_t statistics_area(const trace_options& t);
// Adds the trace parts to a statement reply that has no extension part of its own.
void add_trace_parts(const trace_options& t, const byte_order& o, const std::string& function, reply* r);
// The DISCONNECT reply's extension part with the statistics record.
void add_statistics(const trace_options& t, const byte_order& o, reply* r);

}  // namespace marlo
