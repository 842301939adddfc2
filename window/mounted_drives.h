#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "window/drive.h"

namespace tolvane {

// One line of /proc/self/mountinfo, with the kernel's octal escapes ("\040") undone.
struct Mount {
  std::string mountPoint;
  std::string fileSystemType;
  std::string source;  // the device, e.g. "/dev/sdb1", or a name such as "tmpfs"
};

std::vector<Mount> ParseMountInfo(std::string_view mountInfo);

// Whether a mount is a volume a user keeps files on, rather than a window into the kernel
// (proc, sysfs, cgroup, ...) or a file system the system keeps for itself.
bool IsUserVolume(const Mount& mount);

// The drives of these mounts: "/" always, then every user volume, each mount point once (the
// last mount over a point wins), in natural order; labels are looked up by device path.
std::vector<Drive> DrivesOf(const std::vector<Mount>& mounts,
                            const std::map<std::string, std::string>& labelsByDevice);

// A name of /dev/disk/by-label with udev's "\x20"-style escapes undone.
std::string DecodeLabelName(std::string_view name);

// The drives of the running machine, from /proc/self/mountinfo and /dev/disk/by-label.
std::vector<Drive> ReadMountedDrives();

}  // namespace tolvane
