// A test server that speaks Marlo's wire protocols on loopback: the name
// service (UDP registration, RPC queries), the RPC session (one-shot first
// request, the reply over a connection back to the client's receive port,
// segments of 4096 bytes, the kept connection in the compact and the
// request-code forms) and the direct frame, or the second server protocol
// on its name port. It answers from a script and can be told to misbehave.
#pragma once

#include <stdint.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "marlo_engine.h"
#include "marlo_rd.h"
#include "marlo_reconnect.h"
#include "marlo_shm.h"
#include "marlo_tables.h"

namespace marlo {

enum class fault {
  none,
  refuse,         // nothing listens on the SQL service's port
  close_early,    // the reply stops inside its frame header
  short_reply,    // the reply frame holds fewer bytes than its header says
  corrupt_reply,  // the reply frame's kind byte is not one a reply has
  silent,         // the request is read and never answered
  busy,           // an error reply with the busy code
  wrong_seq,      // a reply of another call first, then the right one
  error_reply,    // an error reply with the script's error code
  huge_reply,     // a frame header that announces huge_length bytes, then the body, then the end
  fes_busy,       // the front-end question gets the busy error reply
  fes_silent,     // the front-end question is read and never answered
  fes_error,      // the front-end question gets an error reply with the script's error code
  drip,           // the reply comes one byte every drip_ms, over the kept connection and the direct frame
  empty_segments, // over the kept connection: a first segment, then segments without data, one every drip_ms
};

struct script {
  bool little_endian = false;            // the server's byte order
  uint32_t connection_number = 0x1234;
  std::vector<std::string> services;     // what the name server finds
  std::map<std::string, std::vector<uint8_t>> bodies;  // reply body by function name ("_pdrdm": the
                                                       // connection-state service's answer)
  std::vector<uint8_t> default_body;     // for functions without a body of their own
  uint32_t status = 0;                   // status word of RPC replies
  uint32_t value = 0;                    // value word of RPC replies
  uint32_t retry_wait = 0;
  int32_t error_code = 0;                // code of fault::error_reply and fault::fes_error
  fault how = fault::none;
  int fault_count = -1;                  // requests that misbehave; -1: all
  int fault_after = 0;                   // requests answered well before the faults
  bool frame_reply_header = false;       // request-code replies carry the 64-byte reply header
  uint32_t frame_return_code = 0;        // return code of that header
  int drip_ms = 250;
  uint32_t huge_length = 0xFFFFFFF0;     // length that fault::huge_reply announces
  // When set, the name query's answer after the message header, as given;
  // the server record its item points at names this server all the same,
  // so that no client is sent off the machine.
  std::vector<uint8_t> name_answer;                     // pause of fault::drip and fault::empty_segments
  // Answers to the front-end question, in turn (the last one repeats;
  // none: found): 0 names this server's SQL port and fes_group.
  std::vector<int32_t> fes_statuses;
  std::string fes_group = "sds01";
  // Answers a request from what it carries (function, request bytes);
  // an empty answer leaves it to the bodies above.
  std::function<std::vector<uint8_t>(const std::string&, const std::vector<uint8_t>&)> responder;
  // The statement service: requests without a body of their own above are
  // answered from this table set (CONNECT included, with the level, code
  // set and standard-SQLSTATE byte here), each connection's by an engine
  // of its own: its statements and cursors end with it.
  bool sql_service = false;
  table_set tables;
  uint32_t level = 26;
  std::string code_set = "1j";
  uint8_t standard_sqlstate = 0;
  std::map<std::string, status_bytes> statuses;  // status bytes 6, 7 and 16 by function
  fetch_options fetch;                   // what its FETCH replies add
  std::map<uint16_t, uint16_t> statement_kinds;  // PREPARE's statement kind by section
  bool transaction_statements = false;   // COMMIT and ROLLBACK drop the statements not kept
  block_options block;                   // its block replies and generated tables
  trace_options trace;                   // what its replies add for the client's traces
  server_info info;                      // what its server information says beside the code set
  // Changes each reply body the statement service made before it goes
  // (function, body; the body may be cut or grown): a reply that goes
  // wrong in the middle of a real conversation.
  std::function<void(const std::string&, std::vector<uint8_t>*)> reply_edit;
  // The reply to a request of this function waits until release().
  std::string hold;
  // Dropped links, refused CONNECTs, a restart and maintenance.
  reconnect_script reconnect;
  // The second server protocol in place of the name service on the name
  // port, and how it misbehaves.
  rd_options rd;
  // The shared-memory channel that a CONNECT offering it gets, and how it
  // misbehaves.
  shm_options shm;
};

// One request as the server received it.
struct request {
  std::string form;        // "rpc", "compact", "frame", "name", "state", "fes", "notice", "closing", on the
                           // shared-memory channel "shm", "shm_disconnect", "shm_notice", and "rd" for a
                           // message of the second protocol
  std::string function;    // server function or service name asked for
  uint8_t reqcode = 0;     // frame request code
  uint32_t flags = 0;      // call flags
  uint32_t capacity = 0;   // reply capacity
  uint32_t seq = 0;        // sequence number as received (client order)
  uint32_t msg_id = 0;
  uint16_t route_port = 0; // routing prefix's service port, as held
  uint16_t route_kind = 0; // routing prefix's connect kind
  uint8_t route_found = 0;
  uint16_t family = 0;     // family field of the client address record
  uint32_t segments = 0;   // frames the message came in
  std::vector<uint8_t> data;  // the request bytes
  std::vector<uint8_t> message;  // the whole message as reassembled: header, then data
};

class server {
 public:
  explicit server(script s);
  ~server();
  server(const server&) = delete;
  server& operator=(const server&) = delete;

  bool ok() const { return ok_; }
  uint16_t name_port() const { return name_port_; }  // TCP queries and UDP registration
  uint16_t sql_port() const { return sql_port_; }
  std::vector<request> requests() const;
  int registrations() const;

  // The statement service's table set, as it stands between requests;
  // every connection's engine shares it.
  std::string declare(table t);
  table_set tables() const;
  size_t open_cursors() const;  // of all connections
  // Lets the held replies go.
  void release();

 private:
  struct impl;
  std::unique_ptr<impl> impl_;
  std::thread thread_;
  bool ok_ = false;
  uint16_t name_port_ = 0;
  uint16_t sql_port_ = 0;
};

// A reply body: the directory, a status part and an SQLCA part, in the
// given byte order.
std::vector<uint8_t> reply_body(bool little_endian, int32_t sqlcode, const char* sqlstate, const std::string& message);

// The body of an accepted CONNECT: SQLCODE 0 and the connection
// information with the server's code set, version, process id and level
// word (the complement of its level), and the national space of its code
// set (two bytes, high byte first).
std::vector<uint8_t> connect_body(bool little_endian, const char* code_set, const char* version, uint32_t pid,
                                  uint32_t level_word, uint16_t national_space = 0);

}  // namespace marlo
