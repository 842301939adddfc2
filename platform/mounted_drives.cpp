#include "platform/mounted_drives.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/natural_order.h"
#include "platform/path.h"

namespace tolvane {

namespace {

// File systems that show the kernel's or the system's own state, never a user's files.
constexpr std::array<std::string_view, 25> kPseudoFileSystems = {
    "proc",      "sysfs",       "cgroup",   "cgroup2",  "devpts",     "devtmpfs",        "mqueue",
    "debugfs",   "tracefs",     "securityfs", "pstore", "bpf",        "autofs",          "configfs",
    "fusectl",   "binfmt_misc", "hugetlbfs", "efivarfs", "rpc_pipefs", "nsfs",           "selinuxfs",
    "ramfs",     "overlay",     "nfsd",     "fuse.portal"};

// File systems of memory cards, Windows disks and network shares, which hold a user's files
// wherever the desktop mounts them (/run/media, /run/user/..., /mnt, ...).
constexpr std::array<std::string_view, 13> kRemovableAndNetworkFileSystems = {
    "vfat", "msdos", "exfat", "ntfs", "ntfs3", "fuseblk", "cifs", "smb3", "nfs", "nfs4", "fuse.sshfs", "fuse.exfat",
    "fuse.ntfs-3g"};

template <std::size_t N>
bool IsOneOf(std::string_view type, const std::array<std::string_view, N>& types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

// Places where the system mounts for itself; a volume a user plugs in is mounted elsewhere
// (/media, /run/media, /mnt, /home, ...). /etc holds files that containers bind in.
constexpr std::array<std::string_view, 6> kSystemFolders = {"/proc", "/sys", "/dev", "/run", "/etc", "/snap"};

// Folders of the system's own whatever their file system: devices and shared memory, the
// kernel's state, and the boot partition that firmware reads (a FAT volume, but no card).
constexpr std::array<std::string_view, 4> kNeverUserFolders = {"/dev", "/proc", "/sys", "/boot/efi"};

bool IsNeverUserFolder(std::string_view mountPoint) {
  return std::any_of(kNeverUserFolders.begin(), kNeverUserFolders.end(),
                     [&](std::string_view folder) { return PathIsWithin(mountPoint, folder); });
}

// A memory-backed folder is a user's scratch space only where it is meant as one.
bool IsUserTmpfs(std::string_view mountPoint) {
  return mountPoint == "/tmp" || PathIsWithin(mountPoint, "/media") || PathIsWithin(mountPoint, "/run/media");
}

bool IsInSystemFolder(std::string_view mountPoint) {
  if (PathIsWithin(mountPoint, "/run/media")) return false;
  return std::any_of(kSystemFolders.begin(), kSystemFolders.end(),
                     [&](std::string_view folder) { return PathIsWithin(mountPoint, folder); });
}

std::string LabelOf(const Mount& mount, const std::map<std::string, std::string>& labelsByDevice) {
  const auto label = labelsByDevice.find(mount.source);
  return label == labelsByDevice.end() ? std::string() : label->second;
}

}  // namespace

bool IsUserVolume(const Mount& mount, unsigned userId) {
  if (IsOneOf(mount.fileSystemType, kPseudoFileSystems)) return false;
  if (IsNeverUserFolder(mount.mountPoint)) return false;
  if (IsOneOf(mount.fileSystemType, kRemovableAndNetworkFileSystems) || IsFuseMountOf(mount, userId)) return true;
  if (mount.fileSystemType == "tmpfs") return IsUserTmpfs(mount.mountPoint);
  return !IsInSystemFolder(mount.mountPoint);
}

std::vector<Drive> DrivesOf(const std::vector<Mount>& mounts, const std::map<std::string, std::string>& labelsByDevice,
                            unsigned userId) {
  std::map<std::string, Drive> byMountPoint{{"/", Drive{"/", {}}}};
  for (const Mount& mount : mounts) {
    if (mount.mountPoint == "/" || IsUserVolume(mount, userId)) {
      byMountPoint[mount.mountPoint] = Drive{mount.mountPoint, LabelOf(mount, labelsByDevice)};
    } else {
      byMountPoint.erase(mount.mountPoint);
    }
  }
  std::vector<Drive> drives;
  for (auto& [mountPoint, drive] : byMountPoint) drives.push_back(std::move(drive));
  std::sort(drives.begin(), drives.end(),
            [](const Drive& a, const Drive& b) { return NaturalLess(a.mountPoint, b.mountPoint); });
  return drives;
}

std::string DecodeLabelName(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name.substr(i, 2) == "\\x" && i + 3 < name.size() && std::isxdigit(static_cast<unsigned char>(name[i + 2])) &&
        std::isxdigit(static_cast<unsigned char>(name[i + 3]))) {
      out.push_back(static_cast<char>(std::stoi(std::string(name.substr(i + 2, 2)), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(name[i]);
    }
  }
  return out;
}

}  // namespace tolvane
