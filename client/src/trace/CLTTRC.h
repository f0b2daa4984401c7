// The trace-file writer that every trace and log record goes through, and
// the module-trace record of a connection. A record is written into one
// file of its slot's pair, chosen by size and modification time; nothing
// in here ever fails a request.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

constexpr unsigned CLT_MDL_RECORD_SIZE = 48;

// Record kinds handed to clt_trc_write.
enum : int32_t {
  CLT_TRC_KIND_MDL = 1,
  CLT_TRC_KIND_ERRLOG = 2,
  CLT_TRC_KIND_RPC = 3,
  CLT_TRC_KIND_SOC = 4,
  CLT_TRC_KIND_SQL = 7,
  CLT_TRC_KIND_SQLCTL = 16,
  CLT_TRC_KIND_RCNCT = 17,
};

// File slots.
enum : int32_t {
  CLT_TRC_SLOT_RPC = 0,
  CLT_TRC_SLOT_MDL = 1,
  CLT_TRC_SLOT_SOC = 2,
  CLT_TRC_SLOT_ERRLOG = 3,
  CLT_TRC_SLOT_SQL = 4,
  CLT_TRC_SLOT_ESS = 5,
  CLT_TRC_SLOT_SQLCTL = 6,
  CLT_TRC_SLOT_RCNCT = 7,
};

// The longest directory the settings give (the working directory, 300
// characters), the separator, the longest name and the terminator.
constexpr size_t CLT_TRC_DIR_MAX = 300;
constexpr size_t CLT_TRC_NAME_MAX = 50;
constexpr size_t CLT_TRC_PATH_SIZE = CLT_TRC_DIR_MAX + 1 + CLT_TRC_NAME_MAX + 1;

// Lock modes of clt_trc_lock.
constexpr int32_t CLT_TRC_LOCK_TAKE = 1;
constexpr int32_t CLT_TRC_LOCK_RELEASE = 3;
constexpr char CLT_TRC_LOCK_FILE[] = "pdsoc.lck";
constexpr int32_t CLT_TRC_LOCK_TRIES = 100;
constexpr uint32_t CLT_TRC_LOCK_WAIT_MS = 10;

// Permission of every trace file: they may hold passwords.
constexpr mode_t CLT_TRC_FILE_MODE = 0600;

// One file of a pair as the choice sees it.
struct clt_trc_file {
  off_t size;
  time_t mtime;  // whole seconds
};
// Which file of a pair takes the next record (0 file 1, 1 file 2) and
// whether it is emptied first; `switch_empties` for pairs whose other file
// is always emptied at a switch.
struct clt_trc_choice {
  int32_t index;
  bool empty_first;
};
clt_trc_choice clt_trc_choose(const clt_trc_file files[2], int32_t limit, bool switch_empties);
// Opens a trace file for appending, made private when it is new; -1 on failure.
int clt_trc_open_append(const char* path);
// The same, the file emptied first.
int clt_trc_open_emptied(const char* path);
// Size and modification time of an open file; false when they cannot be read.
bool clt_trc_status(int fd, clt_trc_file* out);

void clt_trc_write(const void* record, uint32_t length, int32_t kind, int32_t reserved);
// The SQL trace writes the records of slots 4 and 6 (names, kept files,
// heads); the wiring installs it.
typedef void (*clt_trc_sql_writer)(const void* record, uint32_t length, int32_t slot);
void clt_trc_set_sql_writer(clt_trc_sql_writer writer);
int32_t clt_trc_kind_file(int32_t kind);
// The full name of file `number` (0 or 1) of a slot; false when the slot
// has no name for it now.
bool clt_trc_filename(int32_t slot, int32_t number, char* path, size_t size);
// Composes directory "/" name, with a trailing "/" of the directory not doubled.
void clt_trc_join(const char* dir, const char* name, char* path, size_t size);
// The directory of the context's traces; "." while none is recorded.
const char* clt_trc_dir();
// Records the context's trace directory when none is yet.
void clt_trc_record_dir();
// Appends one piece to the pair dir/names[0], dir/names[1] (the WRITE LINE
// and access-path files), choosing the file by the writer's rule; a
// failing system call goes to the error log and loses the piece.
void clt_trc_append_piece(const char* dir, const char* const names[2], const void* data, uint32_t length,
                          int32_t limit);
int32_t clt_trc_lock(const char* dir, int32_t mode);

void clt_trc_open_mdl();
void clt_trc_close_mdl();
