#include "platform/idle_priority.h"

#include <pthread.h>
#include <sched.h>

namespace tolvane {

void RunOnlyWhenIdle() {
  const sched_param idle{};
  pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
}

}  // namespace tolvane
