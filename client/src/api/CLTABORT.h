// Cancelling a running request from another thread.
#pragma once

// Keeps p_rdb_abort and the end of a connection apart: whoever clears
// and frees a context's control block holds this while doing so, and
// p_rdb_abort holds it while it looks at the block.
class clt_abort_exclusion {
 public:
  clt_abort_exclusion();
  ~clt_abort_exclusion();
  clt_abort_exclusion(const clt_abort_exclusion&) = delete;
  clt_abort_exclusion& operator=(const clt_abort_exclusion&) = delete;
};
