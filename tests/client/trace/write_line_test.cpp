// WRITE LINE output from the reply that the request left: written as it
// stands, and a block that does not lie within the reply refused with its
// error-log line and nothing written.
#include <string.h>

#include "CLTMEM.h"
#include "cltwrtln.h"
#include "sql_trace_support.h"
#include "zk_bytes.h"

namespace {

using zk::sql_trace;

constexpr uint32_t kReplySize = 256;
constexpr uint32_t kExtAt = 64;
constexpr uint32_t kBlockOffset = 20;  // from the extension part
constexpr uint32_t kBlockAt = kExtAt + kBlockOffset;
constexpr char kInvalid[] = "KFPZ02411-E Invalid message received";

struct write_line_case {
  const char* name;
  int32_t level_word;
  uint32_t ext;           // reply word 28
  uint32_t block_offset;  // extension word 16
  uint32_t length;        // the block's L
  const char* file;       // what pdwrtln1.trc holds afterwards
  bool invalid;           // the error log has the refusal
};

const write_line_case kCases[] = {
    {"written", -27, kExtAt, kBlockOffset, 5, "hello", false},
    {"no extension part", -27, 0, kBlockOffset, 5, "", false},
    {"server level -18", -18, kExtAt, kBlockOffset, 5, "", false},
    {"no block", -27, kExtAt, 0, 5, "", false},
    {"text beyond the reply", -27, kExtAt, kBlockOffset, kReplySize, "", true},
    {"length wraps", -27, kExtAt, kBlockOffset, 0xFFFFFFF0u, "", true},
    {"block beyond the reply", -27, kExtAt, kReplySize, 5, "", true},
    {"extension beyond the reply", -27, kReplySize + 4, kBlockOffset, 5, "", true},
};

TEST_F(sql_trace, WriteLineBlocksAreCheckedAgainstTheReply) {
  for (const write_line_case& c : kCases) {
    SCOPED_TRACE(c.name);
    restart();
    unlink(dir.file("pdwrtln1.trc").c_str());
    unlink(dir.file("pderr1.trc").c_str());
    open({{"PDSQLTRACE", "1000000"}, {"PDWRTLNFILSZ", "4096"}});
    main()->srv_level = c.level_word;
    auto* reply = static_cast<uint8_t*>(cltmem_alloc(kReplySize, 0, "test", __LINE__));
    memset(reply, 0, kReplySize);
    put_be32(reply + 28, c.ext);
    put_be32(reply + kExtAt + 16, c.block_offset);
    put_be32(reply + kBlockAt + 4, c.length);
    memcpy(reply + kBlockAt + 12, "hello", 5);
    clt_global.runtime.com.reply_buf = reply;
    clt_main_com(main())->reply_buf_size = kReplySize;
    clt_main_com(main())->reply_capacity = kReplySize;
    clt_wrtln_write();
    EXPECT_EQ(zk::read_all(dir.file("pdwrtln1.trc")), c.file);
    EXPECT_EQ(zk::read_all(dir.file("pderr1.trc")).find(kInvalid) != std::string::npos, c.invalid);
  }
}

}  // namespace
