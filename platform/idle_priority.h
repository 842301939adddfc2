#pragma once

namespace tolvane {

// Lets the calling thread run only while no other thread of the machine wants a processor, and
// read from a disk only while nothing else waits on it: for work asked ahead of need, which
// must not slow what the user is waiting for. Where the system refuses, the thread runs as
// before.
void RunOnlyWhenIdle();

}  // namespace tolvane
