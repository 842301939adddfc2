#pragma once

#include <memory>

#include "platform/platform.h"

namespace tolvane {

// A watch through the kernel's inotify on the open folder `folder` (a descriptor, which may
// have been opened by O_PATH). Only a volume whose every change passes through this kernel can
// be vouched for: a local disk, a memory card, tmpfs. Network shares and FUSE volumes, which
// others change behind its back, get none, and neither does a process out of inotify watches.
std::unique_ptr<FolderWatch> WatchFolder(int folder);

}  // namespace tolvane
