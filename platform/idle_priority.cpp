#include "platform/idle_priority.h"

#include <linux/ioprio.h>
#include <pthread.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tolvane {

void RunOnlyWhenIdle() {
  const sched_param idle{};
  pthread_setschedparam(pthread_self(), SCHED_IDLE, &idle);
  // The disk too: asking a file's birth may read its inode from a disk that the folder's read
  // or the user's other programs are waiting on. Who 0 is the calling thread.
  syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, 0, IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0));
}

}  // namespace tolvane
