#include "platform/linux_volume_identity.h"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <map>

#include "platform/linux_disk_links.h"
#include "platform/mount_info.h"

namespace tolvane {

namespace {

#ifndef F2FS_SUPER_MAGIC
#define F2FS_SUPER_MAGIC 0xF2F52010
#endif

std::string DeviceNumber(dev_t device) { return std::to_string(major(device)) + ":" + std::to_string(minor(device)); }

std::string NameOn(const std::map<std::string, std::string>& names, const std::string& device) {
  const auto found = names.find(device);
  return found == names.end() ? std::string() : found->second;
}

}  // namespace

bool KeepsIdentities(int folder) {
  struct statfs volume {};
  if (fstatfs(folder, &volume) != 0) return false;
  switch (static_cast<unsigned long>(volume.f_type)) {
    case EXT4_SUPER_MAGIC:  // ext2, ext3 and ext4 share it
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
    case RAMFS_MAGIC: return true;
    default: return false;
  }
}

std::string NameOfVolume(int folder) {
  struct stat info {};
  struct statvfs size {};
  if (fstat(folder, &info) != 0 || fstatvfs(folder, &size) != 0) return {};
  const std::string number = DeviceNumber(info.st_dev);
  for (const Mount& mount : ReadMountInfo()) {
    if (mount.device != number) continue;
    const std::string device = mount.source.starts_with("/dev/") ? CanonicalOrSame(mount.source) : mount.source;
    if (const std::string uuid = NameOn(ReadDiskLinks("/dev/disk/by-uuid"), device); !uuid.empty()) {
      return "uuid " + uuid;
    }
    const std::string label = NameOn(ReadDiskLinks("/dev/disk/by-label"), device);
    return "label " + label + " size " + std::to_string(std::uint64_t{size.f_blocks} * size.f_frsize) + " type " +
           mount.fileSystemType;
  }
  return {};
}

}  // namespace tolvane
