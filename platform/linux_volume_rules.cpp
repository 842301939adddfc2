#include "platform/linux_volume_rules.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/mount_info.h"

#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif

namespace tolvane {

namespace {

// statfs's f_type of the file systems whose names follow other rules than Linux's.
constexpr std::uint32_t kMsdosMagic = 0x4d44;  // vfat and msdos
constexpr std::uint32_t kExfatMagic = 0x2011BAB0;
constexpr std::uint32_t kNtfs3Magic = 0x7366746e;
constexpr std::uint32_t kNtfsMagic = 0x5346544e;
constexpr std::uint32_t kCifsMagic = 0xFF534D42;
constexpr std::uint32_t kSmb2Magic = 0xFE534D42;
constexpr std::uint32_t kSmbMagic = 0x517B;
constexpr std::uint32_t kFuseMagic = 0x65735546;

// A handful of names is enough: the first with a letter nearly always decides.
constexpr int kNamesAsked = 8;

std::string SwapAsciiCase(std::string_view name) {
  std::string swapped(name);
  for (char& c : swapped) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return swapped;
}

bool Listed(const std::vector<FolderItem>& items, std::string_view name) {
  return std::any_of(items.begin(), items.end(), [&](const FolderItem& item) { return item.name == name; });
}

// The kernel's answer: a name of the folder, asked for with its letters' case swapped, is
// found only where the volume folds case, unless the folder holds that form too (which a
// folding volume cannot). Device and inode cannot tell: FUSE numbers every name it is asked
// for anew, so one file looked up in two cases shows two inodes there.
std::optional<bool> AskFoldsCase(int folder, const std::vector<FolderItem>& items) {
  int asked = 0;
  for (const FolderItem& item : items) {
    std::string swapped = SwapAsciiCase(item.name);
    if (swapped == item.name) continue;
    if (++asked > kNamesAsked) break;
    if (Listed(items, swapped)) return false;
    struct stat info {};
    if (fstatat(folder, swapped.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return true;
    if (errno == ENOENT) return false;
  }
  return std::nullopt;
}

std::optional<Mount> MountOf(int folder) {
  struct stat info {};
  if (fstat(folder, &info) != 0) return std::nullopt;
  const std::string device = std::to_string(major(info.st_dev)) + ":" + std::to_string(minor(info.st_dev));
  std::optional<Mount> found;
  // The last mount of a device is the one on top.
  for (Mount& mount : ReadMountInfo()) {
    if (mount.device == device) found = std::move(mount);
  }
  return found;
}

NameRules NameRulesOf(std::uint32_t magic, int folder) {
  switch (magic) {
    case kMsdosMagic:
    // The kernel's exFAT drops a closing dot as its FAT does.
    case kExfatMagic: return NameRules::Fat;
    case kNtfs3Magic:
    case kNtfsMagic: return NameRules::Unicode;
    case kCifsMagic:
    case kSmb2Magic:
    case kSmbMagic: return NameRules::WindowsShare;
    case kFuseMagic: {
      const std::optional<Mount> mount = MountOf(folder);
      return mount ? NameRulesOfFuseType(mount->fileSystemType) : NameRules::Linux;
    }
    default: return NameRules::Linux;
  }
}

bool HasCasefoldFlag(int folder) {
  const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  long flags = 0;
  const bool folds = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
  close(fd);
  return folds;
}

// For a folder without a name to ask with: the Windows and network file systems fold case,
// and an ext4 or f2fs folder does when it carries the casefold flag.
bool FoldsCaseByType(NameRules names, int folder) { return names != NameRules::Linux || HasCasefoldFlag(folder); }

}  // namespace

NameRules NameRulesOfFuseType(std::string_view type) {
  constexpr std::array<std::pair<std::string_view, NameRules>, 6> kKnown{{
      {"fuse.fusefat", NameRules::Fat},
      {"fuse.exfat", NameRules::Unicode},
      {"fuse.ntfs-3g", NameRules::Unicode},
      {"fuse.lowntfs-3g", NameRules::Unicode},
      {"fuse.ntfs", NameRules::Unicode},
      {"fuse.smbnetfs", NameRules::WindowsShare},
  }};
  for (const auto& [known, rules] : kKnown) {
    if (type == known) return rules;
  }
  // A FUSE file system on a block device is, on a Linux desktop, exFAT's or NTFS's driver.
  if (type == "fuseblk" || type.starts_with("fuseblk.")) return NameRules::Unicode;
  return NameRules::Linux;
}

VolumeRules ReadVolumeRules(int folder, const std::vector<FolderItem>& items) {
  struct statfs info {};
  VolumeRules rules;
  if (fstatfs(folder, &info) == 0) rules.names = NameRulesOf(static_cast<std::uint32_t>(info.f_type), folder);
  const std::optional<bool> asked = AskFoldsCase(folder, items);
  rules.foldsCase = asked ? *asked : FoldsCaseByType(rules.names, folder);
  return rules;
}

}  // namespace tolvane
