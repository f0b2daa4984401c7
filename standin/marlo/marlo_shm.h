// The test server's side of the shared-memory channel: for a client that
// offered it at CONNECT, the server opens the client's request section
// and event (named by the client's receive port), makes its own reply
// section and event, and serves kinds 4 (a request), 0 (the disconnect)
// and 0x10000 (the oversize notice) on a thread of its own. It can be
// told to misbehave, and unlinks what it made when it ends.
#pragma once

#include <stdint.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace marlo {

enum class shm_fault {
  none,
  stale,        // stale_signals posts before the reply; more than three and no reply follows
  short_total,  // the reply header's total length is short_total
  status,       // the reply carries status and nothing else
  go_away,      // the server closes its socket and never answers
  silent,       // the request is never answered
  no_section,   // the offer is taken but no reply section is made
  decline,      // the offer is answered with another family than 8
};

struct shm_options {
  shm_fault how = shm_fault::none;
  int fault_after = 0;        // channel requests answered well before the fault
  int stale_signals = 0;
  uint32_t short_total = 0;
  int32_t status = 0;
};

constexpr uint32_t kShmKindRequest = 4;
constexpr uint32_t kShmKindDisconnect = 0;
constexpr uint32_t kShmKindNotice = 0x00010000;

// What the server does with one message of the channel (the section's
// bytes from its header to the total length): the reply body, empty for
// a disconnect or a notice.
using shm_serve =
    std::function<std::vector<uint8_t>(uint32_t kind, uint32_t reqcode, const std::vector<uint8_t>& message)>;
constexpr uint32_t kShmPacket = 64;

class shm_channel {
 public:
  // Opens the client's pair and makes the server's; null when either
  // cannot be done. number is the server's own object number.
  static std::unique_ptr<shm_channel> start(int32_t client_number, uint32_t request_size, int32_t number,
                                            uint32_t reply_size, const shm_options& options, shm_serve serve,
                                            std::function<void()> go_away);
  ~shm_channel();
  shm_channel(const shm_channel&) = delete;
  shm_channel& operator=(const shm_channel&) = delete;

  int32_t number() const { return number_; }

 private:
  shm_channel() = default;
  void run();
  void answer(uint32_t kind, uint32_t reqcode, const std::vector<uint8_t>& message);
  void reply(int32_t status, const std::vector<uint8_t>& body, uint32_t total);

  int32_t number_ = 0;
  shm_options options_;
  shm_serve serve_;
  std::function<void()> go_away_;
  int peer_fd_ = -1;
  uint8_t* peer_view_ = nullptr;
  uint32_t peer_size_ = 0;
  void* peer_event_ = nullptr;
  int own_fd_ = -1;
  uint8_t* own_view_ = nullptr;
  uint32_t own_size_ = 0;
  void* own_event_ = nullptr;
  uint32_t sequence_ = 0;  // of the last reply
  uint32_t received_ = 0;  // requests seen
  int answered_well_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace marlo
