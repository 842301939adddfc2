#include "window/drive.h"

namespace tolvane {

bool MountPointHolds(std::string_view mountPoint, std::string_view path) {
  if (!path.starts_with(mountPoint)) return false;
  if (path.size() == mountPoint.size() || mountPoint.ends_with('/')) return true;
  return path[mountPoint.size()] == '/';
}

const Drive* DriveHolding(const std::vector<Drive>& drives, std::string_view path) {
  const Drive* best = nullptr;
  for (const Drive& drive : drives) {
    if (MountPointHolds(drive.mountPoint, path) &&
        (best == nullptr || drive.mountPoint.size() > best->mountPoint.size())) {
      best = &drive;
    }
  }
  return best;
}

std::string DriveTitle(const Drive& drive) {
  if (drive.label.empty()) return drive.mountPoint;
  return drive.mountPoint + " [" + drive.label + "]";
}

}  // namespace tolvane
