// The test server's side of the second server protocol, on its name
// port: for each client a greeting, then big-endian messages (connect,
// disconnect and statement messages carrying request packets, and the
// 48-byte commit, rollback and end-of-disconnect messages), each answered
// with a reply of blocks 1 to 3, an optional server block and the reply
// packet of the statement service. It can be told to misbehave.
#pragma once

#include <stdint.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace marlo {

enum class rd_fault {
  none,
  remote_error,  // a remote-error reply with error_text
  oversize,      // a reply length far above what the client can take
  offset_zero,   // block 1 at offset 0
  offset_ffff,   // block 1 at offset 0xFFFF
  silent,        // the message is read and never answered
  hang_up,       // the message is read and the connection closed
  edit,          // the reply goes as rd_options::edit changes it
  mute,          // no greeting, and nothing answered
};

struct rd_options {
  bool on = false;                 // the name port speaks the second protocol
  rd_fault how = rd_fault::none;
  int fault_after = 0;             // messages answered well before the faults (the greeting not counted)
  int fault_count = 1;             // messages that misbehave; -1: all
  std::string error_text = "REMOTE TABLE IS LOCKED";
  std::string version = "28-00-00";  // the server version of the CONNECT reply
  uint8_t trn_byte = 1;            // the transaction state byte of statement replies
  uint8_t implicit_commit = 0;     // the implicit-commit byte of statement replies
  char server_flag = 'Y';
  bool server_block = true;
  uint16_t connection_number = 0x0102;
  uint32_t pid = 0x4711;
  std::string server_name = "RDSRV01";
  // Changes a reply of rd_fault::edit before it goes (it may be cut or grown).
  std::function<void(std::vector<uint8_t>*)> edit;
};

// The function a message stands for ("p_f_sqa_*"; "" for the end of a
// disconnect) and the request packet it carries.
using rd_serve = std::function<std::vector<uint8_t>(const std::string& function, const std::vector<uint8_t>& packet)>;
// What was received: the function, the packet, the whole message.
using rd_record =
    std::function<void(const std::string& function, const std::vector<uint8_t>& packet, const std::vector<uint8_t>& message)>;

// The function a statement message's request code stands for; "" when none.
std::string rd_function_of(const std::string& reqcode);

class rd_session {
 public:
  // Serves one accepted connection on a thread of its own; takes the socket.
  rd_session(int fd, const rd_options& options, rd_serve serve, rd_record record, std::shared_ptr<std::atomic<int>> messages);
  ~rd_session();
  rd_session(const rd_session&) = delete;
  rd_session& operator=(const rd_session&) = delete;

 private:
  void run();
  bool answer(const std::vector<uint8_t>& message);
  bool take_fault();

  int fd_;
  rd_options options_;
  rd_serve serve_;
  rd_record record_;
  std::shared_ptr<std::atomic<int>> messages_;  // messages of every session so far, for the fault count
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace marlo
