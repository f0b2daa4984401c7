// The named sections and events of the shared-memory channel: their
// mode whatever the umask, a name held by a live creator, a leftover of
// a killed one, and the event's signal and timed wait.
#include <gtest/gtest.h>

#include <errno.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "cltshm.h"

namespace {

constexpr uint32_t kSize = 8192;
constexpr int64_t kShortWaitUs = 20000;

// A number that no other test uses at the same time: above the ports the
// system hands out, which name the channels of the connection tests.
constexpr int32_t kFirstNumber = 61000;
constexpr int32_t kNumbers = 4000;
int32_t number_of_this_run() { return kFirstNumber + static_cast<int32_t>(getpid() % kNumbers); }

struct pair_of {
  int32_t number;
  bool created;
  clt_shm_section section{};
  clt_shm_event event{};
  char section_name[CLT_SHM_NAME_SIZE];
  char event_name[CLT_SHM_NAME_SIZE];
  explicit pair_of(int32_t n) : number(n), created(false) { clt_shmobj_names(n, section_name, event_name); }
  int32_t create(clt_shm_failure* why) {
    const int32_t rc = clt_shmobj_create(number, kSize, &section, &event, why);
    created = rc == 0;
    return rc;
  }
  ~pair_of() {
    if (!created) return;
    int32_t err = 0;
    clt_shmobj_close_event(&event, event_name);
    clt_shmobj_close_section(&section, section_name, &err);
  }
  mode_t mode_of(const std::string& path) const {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
  }
  mode_t section_mode() const { return mode_of(std::string("/dev/shm") + section_name); }
  mode_t event_mode() const { return mode_of(std::string("/dev/shm/sem.") + (event_name + 1)); }
};

TEST(ShmObjects, BothObjectsAreOwnerAndGroupWhateverTheUmask) {
  for (mode_t mask : {mode_t{022}, mode_t{077}}) {
    SCOPED_TRACE(mask);
    const mode_t old = umask(mask);
    pair_of p(number_of_this_run());
    clt_shm_failure why;
    ASSERT_EQ(p.create(&why), 0) << why.err;
    umask(old);
    EXPECT_EQ(p.section_mode(), 0660u);
    EXPECT_EQ(p.event_mode(), 0660u);
    // Zero-filled.
    for (uint32_t i = 0; i < kSize; ++i) ASSERT_EQ(p.section.view[i], 0) << i;
  }
}

TEST(ShmObjects, ANameHeldByALiveCreatorFailsAndALeftoverIsMadeAgain) {
  const int32_t number = number_of_this_run() + 1;
  {
    pair_of held(number);
    clt_shm_failure why;
    ASSERT_EQ(held.create(&why), 0);
    pair_of second(number);
    EXPECT_EQ(second.create(&why), -1);
    EXPECT_EQ(why.step, clt_shm_step::section);
    EXPECT_EQ(why.err, EEXIST);
    // The failed attempt took nothing of the holder's away.
    EXPECT_EQ(held.section_mode(), 0660u);
    EXPECT_EQ(held.event_mode(), 0660u);
  }
  const pid_t child = fork();
  if (child == 0) {
    pair_of left(number);
    clt_shm_failure why;
    if (left.create(&why) != 0) _exit(1);
    kill(getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  pair_of again(number);
  EXPECT_GT(again.section_mode(), 0u) << "the killed creator left its section";
  clt_shm_failure why;
  EXPECT_EQ(again.create(&why), 0) << why.err;
}

TEST(ShmObjects, AnOpenOfANameNobodyMadeFailsAtTheSection) {
  clt_shm_section section{};
  clt_shm_event event{};
  clt_shm_failure why;
  EXPECT_EQ(clt_shmobj_open(number_of_this_run() + 2, kSize, &section, &event, &why), -1);
  EXPECT_EQ(why.step, clt_shm_step::section);
  EXPECT_EQ(why.err, ENOENT);
  EXPECT_EQ(section.view, nullptr);
}

TEST(ShmObjects, SignalsAreCountedAndAWaitWithoutOneTimesOut) {
  pair_of made(number_of_this_run() + 3);
  clt_shm_failure why;
  ASSERT_EQ(made.create(&why), 0);
  clt_shm_section section{};
  clt_shm_event event{};
  ASSERT_EQ(clt_shmobj_open(made.number, kSize, &section, &event, &why), 0);
  // What one side writes, the other reads.
  section.view[100] = 0x5A;
  EXPECT_EQ(made.section.view[100], 0x5A);
  int32_t err = 0;
  EXPECT_EQ(clt_shmobj_wait(&made.event, kShortWaitUs, &err), clt_shmobj_wait_result::timed_out);
  ASSERT_EQ(clt_shmobj_signal(&event, &err), 0);
  ASSERT_EQ(clt_shmobj_signal(&event, &err), 0);
  EXPECT_EQ(clt_shmobj_wait(&made.event, kShortWaitUs, &err), clt_shmobj_wait_result::signalled);
  EXPECT_EQ(clt_shmobj_wait(&made.event, kShortWaitUs, &err), clt_shmobj_wait_result::signalled);
  EXPECT_EQ(clt_shmobj_wait(&made.event, kShortWaitUs, &err), clt_shmobj_wait_result::timed_out);
  clt_shmobj_close_event(&event, nullptr);
  EXPECT_EQ(clt_shmobj_close_section(&section, nullptr, &err), 0);
  // Closing twice does nothing.
  EXPECT_EQ(clt_shmobj_close_section(&section, nullptr, &err), 0);
}

}  // namespace
