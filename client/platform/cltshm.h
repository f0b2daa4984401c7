// Named shared sections and auto-reset events for the shared-memory
// channel: POSIX shared memory and named semaphores. Each object is made
// readable and writable for owner and group (0660, set with fchmod so the
// umask never narrows it). The creator of a section holds an advisory lock
// on it while it lives; a section whose lock can be taken was left by a
// process that ended, and is made again.
#pragma once

#include <stdint.h>

constexpr uint32_t CLT_SHM_NAME_SIZE = 40;

// A section is open while its view is not null (a zeroed record is closed).
struct clt_shm_section {
  int32_t fd;
  uint8_t* view;
  uint32_t size;
};

// A semaphore stands in for the auto-reset event: a post that nobody
// waited for stays counted, which the channel's stale-signal rule allows.
struct clt_shm_event {
  void* sem;
};

// Why a create or open failed; err holds the errno of the POSIX call.
enum class clt_shm_step { none, section, map, event };

struct clt_shm_failure {
  clt_shm_step step = clt_shm_step::none;
  int32_t err = 0;
};

// The object names of one number: "/marlo_mmm_map%d" and "/marlo_mmm_evt%d".
void clt_shmobj_names(int32_t number, char (&section)[CLT_SHM_NAME_SIZE], char (&event)[CLT_SHM_NAME_SIZE]);

// Creates the section and event of a number, zero-filled and not
// signalled. A live creator's section fails as EEXIST; a leftover section
// or event is unlinked and made again. 0, or -1 with *why filled and
// nothing left behind.
int32_t clt_shmobj_create(int32_t number, uint32_t size, clt_shm_section* section, clt_shm_event* event,
                       clt_shm_failure* why);
// Opens the section and event that another process created.
int32_t clt_shmobj_open(int32_t number, uint32_t size, clt_shm_section* section, clt_shm_event* event,
                          clt_shm_failure* why);

// Unmaps and closes; the creator also unlinks the names. Handles already
// clear are skipped. 0, or -1 with *err when the unmap failed (the rest
// is released all the same).
int32_t clt_shmobj_close_section(clt_shm_section* section, const char* unlink_name, int32_t* err);
void clt_shmobj_close_event(clt_shm_event* event, const char* unlink_name);

int32_t clt_shmobj_signal(clt_shm_event* event, int32_t* err);

enum class clt_shmobj_wait_result { signalled, timed_out, failed };
// Waits at most the given time; an interrupted wait goes on to the same end.
clt_shmobj_wait_result clt_shmobj_wait(clt_shm_event* event, int64_t microseconds, int32_t* err);
