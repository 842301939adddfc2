#pragma once

#include <string>
#include <vector>

// The machine's drives: the mounted file systems a user keeps files on.
namespace tolvane {

// A mounted file system that a user works with, named by where it is mounted.
struct Drive {
  std::string mountPoint;  // bytes, as the kernel reports them
  std::string label;       // the volume's label, or empty
  friend bool operator==(const Drive&, const Drive&) = default;
};

// Drives come and go while the program runs, so they are read afresh at each asking.
class Drives {
 public:
  virtual ~Drives() = default;
  // "/" always, then every volume a user keeps files on, each mount point once, in natural
  // order. A mount table that cannot be read gives "/" alone.
  virtual std::vector<Drive> MountedDrives() = 0;
};

}  // namespace tolvane
