// How the test server makes a client reconnect: it drops the link of a
// request, refuses CONNECTs for a while, answers as a restarted server,
// or is in maintenance for a span of the client's clock.
#pragma once

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

namespace marlo {

struct reconnect_script {
  // SQL requests answered before the server loses the link of the next
  // one (once): it answers that one with drop_sqlcode and closes the link.
  int drop_after = -1;
  int32_t drop_sqlcode = -721;
  uint8_t drop_advice = 0x10;         // status byte 7 of that answer: 0x10 reconnect, 0x08 not this time, 0 never
  int refused_connects = 0;           // CONNECTs after the drop answered with refuse_code
  int32_t refuse_code = -330;         // error reply: the server process is down (the client's -2430)
  uint32_t restart_pid = 0;           // CONNECTs after the drop: a restarted server, 0 keeps the old one
  uint32_t restart_connection_number = 0;
  std::function<int64_t()> clock;     // the client's clock, in seconds
  int64_t maintenance_from = 0;       // SQL requests from this second on, before the next, get maintenance_code
  int64_t maintenance_until = 0;
  int32_t maintenance_code = -372;    // error reply: the front end is lost (the client's -2472)
};

// What the server does with one SQL request.
enum class reconnect_action { answer, drop, refuse, maintenance };

class reconnect_state {
 public:
  explicit reconnect_state(reconnect_script s) : s_(std::move(s)) {}
  reconnect_action on_request(bool connect);
  // The answer of the request whose link is lost.
  std::vector<uint8_t> lost_body(bool little_endian) const;
  int32_t error_code(reconnect_action a) const { return a == reconnect_action::refuse ? s_.refuse_code : s_.maintenance_code; }
  // The CONNECT body as a restarted server gives it.
  std::vector<uint8_t> connect_body(std::vector<uint8_t> body, bool little_endian) const;
  uint32_t connection_number(uint32_t normal) const;

 private:
  reconnect_script s_;
  int answered_ = 0;
  bool dropped_ = false;
  int refused_ = 0;
};

}  // namespace marlo
