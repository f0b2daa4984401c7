#include "marlo_shm.h"

#include <errno.h>
#include <fcntl.h>
#include <semaphore.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace marlo {

namespace {

constexpr uint32_t kMarker = 0x00050500;
constexpr uint32_t kPacket = kShmPacket;
constexpr mode_t kMode = 0660;
constexpr int kStaleIgnored = 3;
constexpr long kPollNanos = 50L * 1000 * 1000;
constexpr long kNanosPerSecond = 1000L * 1000 * 1000;
// Room between stale signals and the reply, so that the client sees them first.
constexpr std::chrono::milliseconds kStalePause{100};
constexpr size_t kNameSize = 40;

struct names {
  char section[kNameSize];
  char event[kNameSize];
  explicit names(int32_t number) {
    snprintf(section, sizeof section, "/marlo_mmm_map%d", static_cast<int>(number));
    snprintf(event, sizeof event, "/marlo_mmm_evt%d", static_cast<int>(number));
  }
};

// The request header as the client writes it, and the reply header.
struct request_header {
  uint32_t marker, sequence, kind, reqcode, total, capacity;
};
struct reply_header {
  uint32_t marker, sequence;
  int32_t status;
  uint32_t total, retry, unused;
};

uint8_t* map(int fd, uint32_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}

sem_t* as_sem(void* p) { return static_cast<sem_t*>(p); }

}  // namespace

std::unique_ptr<shm_channel> shm_channel::start(int32_t client_number, uint32_t request_size, int32_t number,
                                                uint32_t reply_size, const shm_options& options, shm_serve serve,
                                                std::function<void()> go_away) {
  std::unique_ptr<shm_channel> c(new shm_channel());
  c->number_ = number;
  c->options_ = options;
  c->serve_ = std::move(serve);
  c->go_away_ = std::move(go_away);
  const names client(client_number);
  c->peer_fd_ = shm_open(client.section, O_RDWR | O_CLOEXEC, 0);
  if (c->peer_fd_ < 0) return nullptr;
  c->peer_size_ = request_size;
  c->peer_view_ = map(c->peer_fd_, request_size);
  sem_t* peer_event = sem_open(client.event, 0);
  if (c->peer_view_ == nullptr || peer_event == SEM_FAILED) return nullptr;
  c->peer_event_ = peer_event;

  const names own(number);
  c->own_fd_ = shm_open(own.section, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (c->own_fd_ < 0 || fchmod(c->own_fd_, kMode) != 0 || ftruncate(c->own_fd_, reply_size) != 0) return nullptr;
  c->own_size_ = reply_size;
  c->own_view_ = map(c->own_fd_, reply_size);
  sem_unlink(own.event);
  sem_t* own_event = sem_open(own.event, O_CREAT | O_EXCL, kMode, 0);
  if (c->own_view_ == nullptr || own_event == SEM_FAILED) return nullptr;
  c->own_event_ = own_event;
  shm_channel* raw = c.get();
  c->thread_ = std::thread([raw] { raw->run(); });
  return c;
}

shm_channel::~shm_channel() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  const names own(number_);
  if (own_event_ != nullptr) {
    sem_close(as_sem(own_event_));
    sem_unlink(own.event);
  }
  if (own_view_ != nullptr) munmap(own_view_, own_size_);
  if (own_fd_ >= 0) {
    shm_unlink(own.section);
    close(own_fd_);
  }
  if (peer_event_ != nullptr) sem_close(as_sem(peer_event_));
  if (peer_view_ != nullptr) munmap(peer_view_, peer_size_);
  if (peer_fd_ >= 0) close(peer_fd_);
}

void shm_channel::run() {
  while (!stop_) {
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_nsec += kPollNanos;
    if (until.tv_nsec >= kNanosPerSecond) {
      until.tv_sec += 1;
      until.tv_nsec -= kNanosPerSecond;
    }
    if (sem_timedwait(as_sem(peer_event_), &until) != 0) continue;
    request_header h;
    memcpy(&h, peer_view_, sizeof h);
    if (h.marker != kMarker || h.total < kPacket || h.total > peer_size_) continue;
    ++received_;
    answer(h.kind, h.reqcode, std::vector<uint8_t>(peer_view_, peer_view_ + h.total));
    if (h.kind == kShmKindDisconnect) return;
  }
}

void shm_channel::answer(uint32_t kind, uint32_t reqcode, const std::vector<uint8_t>& message) {
  std::vector<uint8_t> body = serve_(kind, reqcode, message);
  const bool faulty = kind == kShmKindRequest && options_.how != shm_fault::none && answered_well_ >= options_.fault_after;
  if (!faulty) {
    if (kind == kShmKindRequest) ++answered_well_;
    reply(0, body, static_cast<uint32_t>(kPacket + body.size()));
    return;
  }
  switch (options_.how) {
    case shm_fault::stale:
      // The reply header still shows the reply before.
      for (int i = 0; i < options_.stale_signals; ++i) sem_post(as_sem(own_event_));
      if (options_.stale_signals > kStaleIgnored) return;
      std::this_thread::sleep_for(kStalePause);
      reply(0, body, static_cast<uint32_t>(kPacket + body.size()));
      return;
    case shm_fault::short_total: reply(0, body, options_.short_total); return;
    case shm_fault::status: reply(options_.status, {}, kPacket); return;
    case shm_fault::go_away: go_away_(); return;
    default: return;
  }
}

void shm_channel::reply(int32_t status, const std::vector<uint8_t>& body, uint32_t total) {
  const size_t room = own_size_ - kPacket;
  if (!body.empty()) memcpy(own_view_ + kPacket, body.data(), std::min(body.size(), room));
  reply_header h{kMarker, ++sequence_, status, total, 0, 0};
  memcpy(own_view_, &h, sizeof h);
  sem_post(as_sem(own_event_));
}

}  // namespace marlo
