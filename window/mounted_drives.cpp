#include "window/mounted_drives.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/natural_order.h"

namespace tolvane {

namespace {

bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// The kernel writes space, tab, newline and backslash in mount points as "\ooo".
std::string UndoOctalEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && IsOctalDigit(text[i + 1]) && IsOctalDigit(text[i + 2]) &&
        IsOctalDigit(text[i + 3])) {
      out.push_back(static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (start < line.size()) {
    const std::size_t end = std::min(line.find(' ', start), line.size());
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// Fields: id, parent, major:minor, root, mount point, options, optional fields..., "-", type, source, ...
std::optional<Mount> ParseMountLine(std::string_view line) {
  const std::vector<std::string_view> fields = SplitFields(line);
  const auto separator = std::find(fields.begin(), fields.end(), "-");
  if (fields.size() < 5 || separator == fields.end() || fields.end() - separator < 3) return std::nullopt;
  return Mount{UndoOctalEscapes(fields[4]), UndoOctalEscapes(*(separator + 1)), UndoOctalEscapes(*(separator + 2))};
}

bool IsUnder(std::string_view path, std::string_view folder) {
  return path == folder || (path.starts_with(folder) && path[folder.size()] == '/');
}

// File systems that show the kernel's or the system's own state, never a user's files.
constexpr std::array<std::string_view, 26> kPseudoFileSystems = {
    "proc",      "sysfs",       "cgroup",   "cgroup2",  "devpts",     "devtmpfs",        "mqueue",
    "debugfs",   "tracefs",     "securityfs", "pstore", "bpf",        "autofs",          "configfs",
    "fusectl",   "binfmt_misc", "hugetlbfs", "efivarfs", "rpc_pipefs", "nsfs",           "selinuxfs",
    "ramfs",     "overlay",     "nfsd",     "fuse.gvfsd-fuse", "fuse.portal"};

// Places where the system mounts for itself; a volume a user plugs in is mounted elsewhere
// (/media, /run/media, /mnt, /home, ...). /etc holds files that containers bind in.
constexpr std::array<std::string_view, 6> kSystemFolders = {"/proc", "/sys", "/dev", "/run", "/etc", "/snap"};

// A memory-backed folder is a user's scratch space only where it is meant as one.
bool IsUserTmpfs(std::string_view mountPoint) {
  return mountPoint == "/tmp" || mountPoint == "/dev/shm" || IsUnder(mountPoint, "/media") ||
         IsUnder(mountPoint, "/run/media");
}

bool IsInSystemFolder(std::string_view mountPoint) {
  if (mountPoint == "/dev/shm" || IsUnder(mountPoint, "/run/media")) return false;
  return std::any_of(kSystemFolders.begin(), kSystemFolders.end(),
                     [&](std::string_view folder) { return IsUnder(mountPoint, folder); });
}

std::string LabelOf(const Mount& mount, const std::map<std::string, std::string>& labelsByDevice) {
  const auto label = labelsByDevice.find(mount.source);
  return label == labelsByDevice.end() ? std::string() : label->second;
}

std::string ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string CanonicalOrSame(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(path, error);
  return error ? path : canonical.string();
}

// Device path (as its links resolve) to the label udev found on it.
std::map<std::string, std::string> ReadLabelsByDevice() {
  std::map<std::string, std::string> labels;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/disk/by-label", error)) {
    labels[CanonicalOrSame(entry.path().string())] = DecodeLabelName(entry.path().filename().string());
  }
  return labels;
}

}  // namespace

std::vector<Mount> ParseMountInfo(std::string_view mountInfo) {
  std::vector<Mount> mounts;
  std::size_t start = 0;
  while (start < mountInfo.size()) {
    const std::size_t end = std::min(mountInfo.find('\n', start), mountInfo.size());
    if (auto mount = ParseMountLine(mountInfo.substr(start, end - start))) mounts.push_back(std::move(*mount));
    start = end + 1;
  }
  return mounts;
}

bool IsUserVolume(const Mount& mount) {
  if (std::find(kPseudoFileSystems.begin(), kPseudoFileSystems.end(), mount.fileSystemType) !=
      kPseudoFileSystems.end()) {
    return false;
  }
  if (mount.fileSystemType == "tmpfs") return IsUserTmpfs(mount.mountPoint);
  return !IsInSystemFolder(mount.mountPoint);
}

std::vector<Drive> DrivesOf(const std::vector<Mount>& mounts,
                            const std::map<std::string, std::string>& labelsByDevice) {
  std::map<std::string, Drive> byMountPoint{{"/", Drive{"/", {}}}};
  for (const Mount& mount : mounts) {
    if (mount.mountPoint == "/" || IsUserVolume(mount)) {
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

std::vector<Drive> ReadMountedDrives() {
  std::vector<Mount> mounts = ParseMountInfo(ReadWholeFile("/proc/self/mountinfo"));
  for (Mount& mount : mounts) {
    if (mount.source.starts_with("/dev/")) mount.source = CanonicalOrSame(mount.source);
  }
  return DrivesOf(mounts, ReadLabelsByDevice());
}

}  // namespace tolvane
