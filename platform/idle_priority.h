#pragma once

namespace tolvane {

// Lets the calling thread run only while no other thread of the machine wants a processor: for
// work asked ahead of need, which must not slow what the user is waiting for. Where the system
// refuses, the thread runs as before.
void RunOnlyWhenIdle();

}  // namespace tolvane
