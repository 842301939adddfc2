#include "platform/linux_drives.h"

#include "platform/linux_disk_links.h"
#include "platform/mount_info.h"
#include "platform/mounted_drives.h"

namespace tolvane {

std::vector<Drive> LinuxDrives::MountedDrives() {
  std::vector<Mount> mounts = ReadMountInfo();
  for (Mount& mount : mounts) {
    if (mount.source.starts_with("/dev/")) mount.source = CanonicalOrSame(mount.source);
  }
  return DrivesOf(mounts, ReadDiskLinks("/dev/disk/by-label"), CurrentUserId());
}

}  // namespace tolvane
