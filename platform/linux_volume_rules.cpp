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

std::optional<Mount> MountOf(dev_t device) {
  const std::string number = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::optional<Mount> found;
  // The last mount of a device is the one on top.
  for (Mount& mount : ReadMountInfo()) {
    if (mount.device == number) found = std::move(mount);
  }
  return found;
}

bool IsBlockDevice(const struct stat& info, dev_t device) { return S_ISBLK(info.st_mode) && info.st_rdev == device; }

// The file system on the device of a "fuseblk" mount, from the name its boot sector carries:
// exFAT's and NTFS's FUSE drivers both mount as "fuseblk". Empty when the device cannot be
// read, as a user outside the "disk" group cannot, or when the mount's source is not the
// folder's device; nothing else is opened, since opening some devices does something.
std::string FileSystemOnDevice(const Mount& mount, dev_t device) {
  struct stat info {};
  if (stat(mount.source.c_str(), &info) != 0 || !IsBlockDevice(info, device)) return {};
  const int fd = open(mount.source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return {};
  std::array<char, 11> start{};
  const bool read = fstat(fd, &info) == 0 && IsBlockDevice(info, device) &&
                    pread(fd, start.data(), start.size(), 0) == static_cast<ssize_t>(start.size());
  close(fd);
  if (!read) return {};
  const std::string_view name(start.data() + 3, 8);
  if (name == "EXFAT   ") return "exfat";
  if (name == "NTFS    ") return "ntfs";
  return {};
}

std::string FuseTypeOf(int folder) {
  struct stat info {};
  if (fstat(folder, &info) != 0) return {};
  const std::optional<Mount> mount = MountOf(info.st_dev);
  if (!mount) return {};
  if (mount->fileSystemType != "fuseblk") return mount->fileSystemType;
  const std::string onDevice = FileSystemOnDevice(*mount, info.st_dev);
  return onDevice.empty() ? mount->fileSystemType : mount->fileSystemType + "." + onDevice;
}

// The names a FUSE file system refuses, by its type in the mount table.
NameRules NameRulesOfFuseType(std::string_view type) {
  constexpr std::array<std::pair<std::string_view, NameRules>, 6> kKnown{{
      {"fuse.fusefat", NameRules::FuseFat},
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

NameRules NameRulesOf(std::uint32_t magic, std::string_view fuseType) {
  switch (magic) {
    case kMsdosMagic:
    // The kernel's exFAT drops a closing dot as its FAT does.
    case kExfatMagic: return NameRules::Fat;
    case kNtfs3Magic:
    case kNtfsMagic: return NameRules::Unicode;
    case kCifsMagic:
    case kSmb2Magic:
    case kSmbMagic: return NameRules::WindowsShare;
    case kFuseMagic: return NameRulesOfFuseType(fuseType);
    default: return NameRules::Linux;
  }
}

// A "fuseblk" mount whose device cannot be read stays with Unicode's table, which joins every
// pair of characters that the up-case tables mkfs.exfat and mkntfs write join: it refuses
// more, never less.
CaseTable CaseTableOf(std::uint32_t magic, std::string_view fuseType) {
  const bool exfatFuse = magic == kFuseMagic && (fuseType == "fuse.exfat" || fuseType == "fuseblk.exfat");
  return magic == kExfatMagic || exfatFuse ? CaseTable::Exfat : CaseTable::Unicode;
}

bool HasCasefoldFlag(int folder) {
  const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  long flags = 0;
  const bool folds = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & FS_CASEFOLD_FL) != 0;
  close(fd);
  return folds;
}

}  // namespace

VolumeRules RulesOfFileSystem(std::uint32_t magic, std::string_view fuseType) {
  const NameRules names = NameRulesOf(magic, fuseType);
  return VolumeRules{names != NameRules::Linux, names, CaseTableOf(magic, fuseType)};
}

VolumeRules ReadVolumeRules(int folder, const std::vector<FolderItem>& items) {
  struct statfs info {};
  VolumeRules rules;
  if (fstatfs(folder, &info) == 0) {
    const auto magic = static_cast<std::uint32_t>(info.f_type);
    rules = RulesOfFileSystem(magic, magic == kFuseMagic ? FuseTypeOf(folder) : std::string());
  }
  // An ext4 or f2fs folder folds case when it carries the casefold flag.
  const std::optional<bool> asked = AskFoldsCase(folder, items);
  rules.foldsCase = asked ? *asked : rules.foldsCase || HasCasefoldFlag(folder);
  return rules;
}

}  // namespace tolvane
