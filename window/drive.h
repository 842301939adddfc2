#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// A mounted file system that a user works with, named by where it is mounted.
struct Drive {
  std::string mountPoint;  // bytes, as the kernel reports them
  std::string label;       // the volume's label, or empty
  friend bool operator==(const Drive&, const Drive&) = default;
};

// Whether `path` lies on the file system mounted at `mountPoint` (or below it, before other mounts).
bool MountPointHolds(std::string_view mountPoint, std::string_view path);

// The drive that holds `path`: the one whose mount point is the longest that holds it.
// Returns nullptr when none does.
const Drive* DriveHolding(const std::vector<Drive>& drives, std::string_view path);

// What the drive list shows: the mount point, and the label in brackets when there is one.
std::string DriveTitle(const Drive& drive);

}  // namespace tolvane
