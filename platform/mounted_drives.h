#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drives.h"
#include "platform/mount_info.h"

namespace tolvane {

// Whether a mount is a volume a user keeps files on, rather than a window into the kernel
// (proc, sysfs, cgroup, ...) or a file system the system keeps for itself. Memory cards,
// Windows disks and network shares are, wherever they are mounted, and so are the FUSE
// mounts of the user `userId` (the desktop's gvfs mounts, sshfs).
bool IsUserVolume(const Mount& mount, unsigned userId);

// The drives of these mounts: "/" always, then every user volume, each mount point once (the
// last mount over a point wins), in natural order; labels are looked up by device path.
std::vector<Drive> DrivesOf(const std::vector<Mount>& mounts, const std::map<std::string, std::string>& labelsByDevice,
                            unsigned userId);

// A name of /dev/disk/by-label with udev's "\x20"-style escapes undone.
std::string DecodeLabelName(std::string_view name);

}  // namespace tolvane
