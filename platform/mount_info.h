#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// One line of /proc/self/mountinfo, with the kernel's octal escapes ("\040") undone.
struct Mount {
  std::string mountPoint;
  std::string fileSystemType;  // "ext4", "vfat", "fuseblk", "fuse.sshfs", ...
  std::string source;          // the device, e.g. "/dev/sdb1", or a name such as "tmpfs"
  std::string device;          // the "major:minor" that stat gives the mount's files
  std::string superOptions;    // the file system's own options, e.g. "rw,user_id=1000,group_id=1000"
};

std::vector<Mount> ParseMountInfo(std::string_view mountInfo);

// The mounts of the running process; none when /proc cannot be read.
std::vector<Mount> ReadMountInfo();

// Whether the mount is a FUSE file system that the user `userId` mounted (gvfs, sshfs, ...).
bool IsFuseMountOf(const Mount& mount, unsigned userId);

// The real user id of the running process.
unsigned CurrentUserId();

}  // namespace tolvane
