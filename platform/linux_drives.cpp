#include "platform/linux_drives.h"

#include <filesystem>
#include <map>
#include <string>

#include "platform/mount_info.h"
#include "platform/mounted_drives.h"

namespace tolvane {

namespace {

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

std::vector<Drive> LinuxDrives::MountedDrives() {
  std::vector<Mount> mounts = ReadMountInfo();
  for (Mount& mount : mounts) {
    if (mount.source.starts_with("/dev/")) mount.source = CanonicalOrSame(mount.source);
  }
  return DrivesOf(mounts, ReadLabelsByDevice(), CurrentUserId());
}

}  // namespace tolvane
