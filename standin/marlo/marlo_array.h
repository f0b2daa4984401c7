// Array FETCH replies of the test server: the rows that an array FETCH
// asks for, in the SQLDA form (rows back to back) or in the descriptor
// form as column arrays or, with fetch_options::row_records, as row
// records (conversion variant 5).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "marlo_fetch.h"
#include "marlo_tables.h"

namespace marlo {

constexpr int16_t kArrayFetch = 2;  // the least array count of an array FETCH

// The array count of a FETCH request (`packet` from its start).
int16_t array_count(bool little_endian, const std::vector<uint8_t>& packet);

// Appends the data part of `rows` by the description `d` to `head` (a
// FETCH reply body), puts the row count into its status part and its
// length into the directory. Empty, or why a value does not suit its
// variable.
std::string array_reply(bool little_endian, bool descriptors, const std::vector<fetch_entry>& d,
                        const std::vector<std::vector<cell>>& rows, const fetch_options& options,
                        std::vector<uint8_t>* head);

}  // namespace marlo
