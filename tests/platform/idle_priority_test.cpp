#include "platform/idle_priority.h"

#include <gtest/gtest.h>
#include <linux/ioprio.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace tolvane::testing {
namespace {

// Work asked ahead of need gives way to every other thread, and only the thread that asks it.
TEST(IdlePriorityTest, OnlyTheCallingThreadRunsWhenIdle) {
  const auto ioClass = [] { return IOPRIO_PRIO_CLASS(syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, 0)); };
  int policy = -1;
  long readsWhen = -1;
  std::thread([&] {
    RunOnlyWhenIdle();
    policy = sched_getscheduler(0);
    readsWhen = ioClass();
  }).join();
  EXPECT_EQ(policy, SCHED_IDLE);
  EXPECT_EQ(readsWhen, IOPRIO_CLASS_IDLE);
  EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
  EXPECT_NE(ioClass(), IOPRIO_CLASS_IDLE);
}

}  // namespace
}  // namespace tolvane::testing
