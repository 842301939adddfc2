#pragma once

#include "platform/drives.h"

namespace tolvane {

// The drives of the running machine, from /proc/self/mountinfo, with the labels that udev
// lists in /dev/disk/by-label.
class LinuxDrives final : public Drives {
 public:
  std::vector<Drive> MountedDrives() override;
};

}  // namespace tolvane
