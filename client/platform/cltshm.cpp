#include "cltshm.h"

#include <errno.h>
#include <fcntl.h>
#include <semaphore.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr char kSectionFormat[] = "/marlo_mmm_map%d";
constexpr char kEventFormat[] = "/marlo_mmm_evt%d";
// Owner and group: a server under another account of the group can open
// the objects; other local users cannot read the traffic.
constexpr mode_t kMode = 0660;
// Where the C library keeps a named semaphore, so that its mode can be
// set on an open file rather than through the umask.
constexpr char kSemaphoreDir[] = "/dev/shm/sem.";
constexpr int64_t kMicrosPerSecond = 1000000;
constexpr int64_t kNanosPerMicro = 1000;
constexpr unsigned kNotSignalled = 0;

sem_t* as_sem(void* p) { return static_cast<sem_t*>(p); }

int32_t fail(clt_shm_failure* why, clt_shm_step step, int err) {
  why->step = step;
  why->err = err;
  return -1;
}

// A section whose creator has gone: its advisory lock is free. Its event
// goes with it. false when a live creator holds it.
bool clear_leftover(const char* section, const char* event) {
  const int old = shm_open(section, O_RDWR | O_CLOEXEC, 0);
  if (old < 0) return errno == ENOENT;
  const bool left = flock(old, LOCK_EX | LOCK_NB) == 0;
  if (left) {
    shm_unlink(section);
    sem_unlink(event);
  }
  close(old);
  return left;
}

int32_t create_section(const char* name, const char* event, uint32_t size, clt_shm_section* out,
                       clt_shm_failure* why) {
  int fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0 && errno == EEXIST) {
    if (!clear_leftover(name, event)) return fail(why, clt_shm_step::section, EEXIST);
    fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  }
  if (fd < 0) return fail(why, clt_shm_step::section, errno);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fchmod(fd, kMode) != 0 || ftruncate(fd, size) != 0) {
    const int err = errno;
    shm_unlink(name);
    close(fd);
    return fail(why, clt_shm_step::section, err);
  }
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    const int err = errno;
    shm_unlink(name);
    close(fd);
    return fail(why, clt_shm_step::map, err);
  }
  out->fd = fd;
  out->view = static_cast<uint8_t*>(view);
  out->size = size;
  return 0;
}

// The event's mode, whatever the umask made of it.
int set_event_mode(const char* name) {
  char path[sizeof kSemaphoreDir + CLT_SHM_NAME_SIZE];
  snprintf(path, sizeof path, "%s%s", kSemaphoreDir, name + 1);
  const int fd = open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return errno;
  const int rc = fchmod(fd, kMode) == 0 ? 0 : errno;
  close(fd);
  return rc;
}

// The caller holds the section of the same number, so an event of that
// name is a leftover of a creator that has gone.
int32_t create_event(const char* name, clt_shm_event* out, clt_shm_failure* why) {
  sem_t* sem = sem_open(name, O_CREAT | O_EXCL, kMode, kNotSignalled);
  if (sem == SEM_FAILED && errno == EEXIST) {
    sem_unlink(name);
    sem = sem_open(name, O_CREAT | O_EXCL, kMode, kNotSignalled);
  }
  if (sem == SEM_FAILED) return fail(why, clt_shm_step::event, errno);
  const int err = set_event_mode(name);
  if (err != 0) {
    sem_close(sem);
    sem_unlink(name);
    return fail(why, clt_shm_step::event, err);
  }
  out->sem = sem;
  return 0;
}

}  // namespace

void clt_shmobj_names(int32_t number, char (&section)[CLT_SHM_NAME_SIZE], char (&event)[CLT_SHM_NAME_SIZE]) {
  snprintf(section, sizeof section, kSectionFormat, static_cast<int>(number));
  snprintf(event, sizeof event, kEventFormat, static_cast<int>(number));
}

int32_t clt_shmobj_create(int32_t number, uint32_t size, clt_shm_section* section, clt_shm_event* event,
                       clt_shm_failure* why) {
  char section_name[CLT_SHM_NAME_SIZE];
  char event_name[CLT_SHM_NAME_SIZE];
  clt_shmobj_names(number, section_name, event_name);
  if (create_section(section_name, event_name, size, section, why) != 0) return -1;
  if (create_event(event_name, event, why) != 0) {
    int32_t ignored = 0;
    clt_shmobj_close_section(section, section_name, &ignored);
    return -1;
  }
  return 0;
}

int32_t clt_shmobj_open(int32_t number, uint32_t size, clt_shm_section* section, clt_shm_event* event,
                          clt_shm_failure* why) {
  char section_name[CLT_SHM_NAME_SIZE];
  char event_name[CLT_SHM_NAME_SIZE];
  clt_shmobj_names(number, section_name, event_name);
  const int fd = shm_open(section_name, O_RDWR | O_CLOEXEC, 0);
  if (fd < 0) return fail(why, clt_shm_step::section, errno);
  // A section smaller than the size asked for would fault on access.
  struct stat st {};
  if (fstat(fd, &st) != 0 || st.st_size < static_cast<off_t>(size)) {
    const int err = errno != 0 ? errno : EINVAL;
    close(fd);
    return fail(why, clt_shm_step::map, err);
  }
  void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (view == MAP_FAILED) {
    const int err = errno;
    close(fd);
    return fail(why, clt_shm_step::map, err);
  }
  section->fd = fd;
  section->view = static_cast<uint8_t*>(view);
  section->size = size;
  sem_t* sem = sem_open(event_name, 0);
  if (sem == SEM_FAILED) {
    const int err = errno;
    int32_t ignored = 0;
    clt_shmobj_close_section(section, nullptr, &ignored);
    return fail(why, clt_shm_step::event, err);
  }
  event->sem = sem;
  return 0;
}

int32_t clt_shmobj_close_section(clt_shm_section* section, const char* unlink_name, int32_t* err) {
  if (section->view == nullptr) return 0;
  int32_t rc = 0;
  if (munmap(section->view, section->size) != 0) {
    *err = errno;
    rc = -1;
  }
  // Unlinked while the lock is still held: nobody takes it for a leftover.
  if (unlink_name != nullptr) shm_unlink(unlink_name);
  close(section->fd);
  section->view = nullptr;
  section->size = 0;
  section->fd = -1;
  return rc;
}

void clt_shmobj_close_event(clt_shm_event* event, const char* unlink_name) {
  if (event->sem == nullptr) return;
  sem_close(as_sem(event->sem));
  if (unlink_name != nullptr) sem_unlink(unlink_name);
  event->sem = nullptr;
}

int32_t clt_shmobj_signal(clt_shm_event* event, int32_t* err) {
  if (event->sem == nullptr) {
    *err = EBADF;
    return -1;
  }
  if (sem_post(as_sem(event->sem)) != 0) {
    *err = errno;
    return -1;
  }
  return 0;
}

clt_shmobj_wait_result clt_shmobj_wait(clt_shm_event* event, int64_t microseconds, int32_t* err) {
  if (event->sem == nullptr) {
    *err = EBADF;
    return clt_shmobj_wait_result::failed;
  }
  timespec end{};
  clock_gettime(CLOCK_MONOTONIC, &end);
  const int64_t nanos = end.tv_nsec + (microseconds % kMicrosPerSecond) * kNanosPerMicro;
  end.tv_sec += static_cast<time_t>(microseconds / kMicrosPerSecond + nanos / (kMicrosPerSecond * kNanosPerMicro));
  end.tv_nsec = static_cast<long>(nanos % (kMicrosPerSecond * kNanosPerMicro));
  for (;;) {
    if (sem_clockwait(as_sem(event->sem), CLOCK_MONOTONIC, &end) == 0) return clt_shmobj_wait_result::signalled;
    if (errno == EINTR) continue;
    if (errno == ETIMEDOUT) return clt_shmobj_wait_result::timed_out;
    *err = errno;
    return clt_shmobj_wait_result::failed;
  }
}
