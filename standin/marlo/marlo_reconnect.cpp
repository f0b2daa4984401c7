#include "marlo_reconnect.h"

#include "marlo_replies.h"
#include "marlo_server.h"
#include "marlo_values.h"

namespace marlo {

namespace {

constexpr uint32_t kDirInfo = 28;
constexpr uint32_t kInfoPid = 12;
constexpr char kLinkLost[] = "the link to the server is lost";

}  // namespace

reconnect_action reconnect_state::on_request(bool connect) {
  if (s_.clock && s_.clock() >= s_.maintenance_from && s_.clock() < s_.maintenance_until) {
    return reconnect_action::maintenance;
  }
  if (connect && dropped_ && refused_ < s_.refused_connects) {
    ++refused_;
    return reconnect_action::refuse;
  }
  if (!connect && !dropped_ && s_.drop_after >= 0 && answered_++ == s_.drop_after) {
    dropped_ = true;
    return reconnect_action::drop;
  }
  return reconnect_action::answer;
}

std::vector<uint8_t> reconnect_state::connect_body(std::vector<uint8_t> body, bool little_endian) const {
  if (!dropped_ || s_.restart_pid == 0 || body.size() < kDirInfo + 4) return body;
  const byte_order o{little_endian};
  const uint32_t info = o.u32(body.data() + kDirInfo);
  if (info != 0 && info + kInfoPid + 4 <= body.size()) o.put32(body.data() + info + kInfoPid, s_.restart_pid);
  return body;
}

std::vector<uint8_t> reconnect_state::lost_body(bool little_endian) const {
  return with_status_flag(little_endian, reply_body(little_endian, s_.drop_sqlcode, "08S01", kLinkLost), kStatusByte7,
                          s_.drop_advice);
}

uint32_t reconnect_state::connection_number(uint32_t normal) const {
  return dropped_ && s_.restart_connection_number != 0 ? s_.restart_connection_number : normal;
}

}  // namespace marlo
