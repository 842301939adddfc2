#include "window/drive.h"

#include "platform/path.h"

namespace tolvane {

const Drive* DriveHolding(const std::vector<Drive>& drives, std::string_view path) {
  const Drive* best = nullptr;
  for (const Drive& drive : drives) {
    if (PathIsWithin(path, drive.mountPoint) &&
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
