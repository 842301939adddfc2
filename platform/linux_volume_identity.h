#pragma once

#include <string>

namespace tolvane {

// Whether the files of the volume that holds the open folder `folder` keep their inode
// numbers for as long as they live: on the kernel's own disk file systems and tmpfs they do;
// FUSE and network file systems make them up as they go, and FAT's and exFAT's last one mount.
bool KeepsIdentities(int folder);

// What tells the volume that holds the open folder `folder` from another once it is mounted
// again: "uuid <UUID>" where udev knows the device's UUID, else its label, size and file
// system's type. Empty where the mount table does not show the volume.
std::string NameOfVolume(int folder);

}  // namespace tolvane
