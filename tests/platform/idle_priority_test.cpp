#include "platform/idle_priority.h"

#include <gtest/gtest.h>
#include <sched.h>

#include <thread>

namespace tolvane::testing {
namespace {

// Work asked ahead of need gives way to every other thread, and only the thread that asks it.
TEST(IdlePriorityTest, OnlyTheCallingThreadRunsWhenIdle) {
  int policy = -1;
  std::thread([&] {
    RunOnlyWhenIdle();
    policy = sched_getscheduler(0);
  }).join();
  EXPECT_EQ(policy, SCHED_IDLE);
  EXPECT_EQ(sched_getscheduler(0), SCHED_OTHER);
}

}  // namespace
}  // namespace tolvane::testing
